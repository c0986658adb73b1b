#include "machine_pass_store.h"

#include <windows.h>

#include <cstring>

#include "access_control.h"
#include "pass_steps.h"
#include "run_log.h"

namespace vl {
namespace {

__attribute__((section(".bss"))) std::uint8_t g_journalRoom[journal::kJournalCapacity];

// A step's outcome into the run log; returns it.
bool Logged(const char* action, bool done, std::string_view path) noexcept {
  LogAction(action, done, path);
  return done;
}

// The product folder's path and kJournalName in `buffer`; empty when they do not fit.
std::string_view JournalPathIn(std::span<char> buffer, std::string_view productFolder) noexcept {
  if (productFolder.size() + sizeof kJournalName > buffer.size()) return {};
  std::memcpy(buffer.data(), productFolder.data(), productFolder.size());
  std::memcpy(buffer.data() + productFolder.size(), kJournalName, sizeof kJournalName);
  return {buffer.data(), productFolder.size() + sizeof kJournalName - 1};
}

}  // namespace

MachinePassStore::MachinePassStore(std::string_view productFolder, const char* userFolderAccess) noexcept
    : m_journalText(JournalPathIn(m_journalName, productFolder)),
      m_journalPath(m_journalText),
      m_userFolderAccess(userFolderAccess) {}

bool MachinePassStore::Exists(std::string_view path) noexcept { return PathExists(path); }

void MachinePassStore::MakeFolder(std::string_view path, bool userWritable) noexcept {
  // The user's own data: its access list lets every user change what it holds, never through a
  // link; given again to a folder that was there. Any other folder takes the product folder's.
  LogAction("folder",
            userWritable ? ApplyFolderAccess(path.data(), m_userFolderAccess, false) ||
                               CreateFolderWithAccess(path.data(), m_userFolderAccess)
                         : MakeFolderAt(path),
            path);
}

bool MachinePassStore::RemoveFolder(std::string_view path) noexcept { return RemoveFolderAt(path); }

bool MachinePassStore::WriteNew(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept {
  return Logged("file", WriteNewFileAt(path, bytes, hidden), path);
}

bool MachinePassStore::Rename(std::string_view from, std::string_view to) noexcept {
  return Logged("rename", RenameFileAt(from, to), to);
}

bool MachinePassStore::Delete(std::string_view path) noexcept {
  return DeleteFileAt(path) || Logged("delete", false, path);
}

bool MachinePassStore::DeleteAtRestart(std::string_view path) noexcept {
  const bool scheduled = DeleteFileAtRestart(path);
  if (scheduled) LogScheduled("delete", path);
  return scheduled || Logged("delete", false, path);
}

bool MachinePassStore::ReadValue(std::string_view path, journal::StoredValue& value,
                                 std::span<std::uint8_t> room) noexcept {
  return ReadStoredValue(path, value, room) || Logged("registry", false, path);
}

bool MachinePassStore::WriteValue(std::string_view path, const journal::StoredValue& value) noexcept {
  return Logged("registry", WriteStoredValue(path, value), path);
}

bool MachinePassStore::AppendJournal(std::span<const std::uint8_t> chunk) noexcept {
  // Created afresh by the pass's first chunk, then held open for the rest. Each chunk is handed to
  // the system before the steps it announces: the end of the process cannot lose it.
  if (!m_journal && m_journalPath.Valid()) m_journal = UniqueFile(OpenForAppending(m_journalPath.Get()));
  return (m_journal && AppendToFile(m_journal.Get(), chunk)) || Logged("journal", false, m_journalText);
}

std::span<const std::uint8_t> MachinePassStore::ReadJournal(std::span<std::uint8_t> room) noexcept {
  // A longer journal is read as far as it fits: what lies beyond was never acted on whole.
  return m_journalPath.Valid() ? ReadFileInto(m_journalPath.Get(), room) : std::span<const std::uint8_t>();
}

bool MachinePassStore::DeleteJournal() noexcept {
  m_journal.Reset();
  return DeleteFileAt(m_journalText);
}

std::span<std::uint8_t> JournalRoom() noexcept { return g_journalRoom; }

journal::Recovery RecoverInterruptedPass(std::string_view root, std::string_view productFolder,
                                         std::string_view keep) noexcept {
  MachinePassStore store(productFolder, "");
  const journal::Recovery recovery = journal::RecoverPass(store, root, JournalRoom(), keep);
  static const char* const kOutcomes[] = {nullptr, "restored", "finished", "failed"};
  if (recovery != journal::Recovery::kNothing) {
    LogOutcome("recovery", kOutcomes[static_cast<int>(recovery)], productFolder);
  }
  return recovery;
}

}  // namespace vl
