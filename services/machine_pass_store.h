#pragma once
// The installation pass (journal/install_pass.h) on this machine: its files, HKEY_LOCAL_MACHINE and
// the journal in the product folder. Shared by the installer, which runs the pass, and the
// uninstaller, which, like the installer, first puts right a pass that a run left cut off. Each
// step goes into the run log (services/run_log.h) as it is done.
#include <cstdint>
#include <span>
#include <string_view>

#include "journal/install_pass.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"

namespace vl {

// The journal's name in the product folder.
inline constexpr char kJournalName[] = "\\setup.vljournal";

class MachinePassStore final : public journal::PassStore {
 public:
  // `productFolder`: where the journal lives; `userFolderAccess`: the access list of the folders
  // that hold the user's own data (an SDDL text).
  MachinePassStore(std::string_view productFolder, const char* userFolderAccess) noexcept;

  bool Exists(std::string_view path) noexcept override;
  void MakeFolder(std::string_view path, bool userWritable) noexcept override;
  bool RemoveFolder(std::string_view path) noexcept override;
  bool WriteNew(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept override;
  bool Rename(std::string_view from, std::string_view to) noexcept override;
  bool Delete(std::string_view path) noexcept override;
  bool DeleteAtRestart(std::string_view path) noexcept override;
  bool ReadValue(std::string_view path, journal::StoredValue& value, std::span<std::uint8_t> room) noexcept override;
  bool WriteValue(std::string_view path, const journal::StoredValue& value) noexcept override;
  bool AppendJournal(std::span<const std::uint8_t> chunk) noexcept override;
  std::span<const std::uint8_t> ReadJournal(std::span<std::uint8_t> room) noexcept override;
  bool DeleteJournal() noexcept override;

 private:
  char m_journalName[2048];
  std::string_view m_journalText;
  WideText m_journalPath;
  const char* m_userFolderAccess;
  UniqueFile m_journal;
};

// Room for a pass's journal (journal::kJournalCapacity bytes), in the zero-filled section: one
// pass or recovery at a time uses it.
std::span<std::uint8_t> JournalRoom() noexcept;

// Puts right a pass cut off in the product folder under `root`, before anything else changes it;
// the log says what it found. `productFolder` is the folder's path, `root` what the journal's
// relative paths are joined to; `keep` as for journal::RecoverPass.
journal::Recovery RecoverInterruptedPass(std::string_view root, std::string_view productFolder,
                                         std::string_view keep = {}) noexcept;

}  // namespace vl
