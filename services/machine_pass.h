#pragma once
// The installation pass (journal/install_pass.h) on this machine: its files, HKEY_LOCAL_MACHINE and
// the journal in the product folder. Shared by the installer, which runs the pass, and the
// uninstaller, which, like the installer, first puts right a pass that a run left cut off. Each
// step goes into the run log (services/run_log.h) as it is done.
#include <cstdint>
#include <string_view>

#include "journal/install_pass.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "runtime/unique_handle.h"

namespace vl {

// The journal's name in the product folder.
inline constexpr char kJournalName[] = "\\setup.vljournal";

// While one lives, the pass's machine (journal::machine) is this machine, with the journal in
// `productFolder` and `userFolderAccess` (an SDDL text) the access list of the folders that hold
// the user's own data. One at a time.
class MachinePass {
 public:
  MachinePass(Text productFolder, const char* userFolderAccess) noexcept;
  ~MachinePass();
  MachinePass(const MachinePass&) = delete;
  MachinePass& operator=(const MachinePass&) = delete;

 private:
  friend void journal::machine::MakeFolder(std::string_view, bool) noexcept;
  friend bool journal::machine::AppendJournal(std::span<const std::uint8_t>) noexcept;
  friend std::span<const std::uint8_t> journal::machine::ReadJournal(std::span<std::uint8_t>) noexcept;
  friend bool journal::machine::DeleteJournal() noexcept;

  OwnedText m_journalText;
  WideText m_journalPath;
  const char* m_userFolderAccess;
  UniqueFile m_journal;
};

// Holds the product folder open without delete sharing, from the moment its root is accepted until
// the program ends or a pass is undone: no other program can rename or replace it under the run
// (on Windows, nor a folder above it). A second hold replaces the first; false when the folder
// cannot be opened, which stops nothing.
bool HoldProductFolder(std::string_view path) noexcept;

// The room a pass or a recovery works in, in the zero-filled section: one at a time uses it.
journal::PassRoom& MachinePassRoom() noexcept;

// Puts right a pass cut off in the product folder under `root`, before anything else changes it;
// the log says what it found. `productFolder` is the folder's path, `root` what the journal's
// relative paths are joined to; `keep` as for journal::RecoverPass.
journal::Recovery RecoverInterruptedPass(std::string_view root, Text productFolder, std::string_view keep = {}) noexcept;

}  // namespace vl
