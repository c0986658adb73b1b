#include "machine_pass.h"

#include <windows.h>

#include "access_control.h"
#include "pass_steps.h"
#include "run_log.h"
#include "runtime/unique_handle.h"

namespace vl {
namespace {

__attribute__((section(".bss"))) journal::PassRoom g_passRoom;

// The one that lives.
MachinePass* g_pass = nullptr;

// The product folder, held from its accepted root to the end of the run (HoldProductFolder).
UniqueFile g_heldProductFolder;

}  // namespace

MachinePass::MachinePass(Text productFolder, const char* userFolderAccess) noexcept
    : m_journalText(ConcatTexts({productFolder, kJournalName})),
      m_journalPath(m_journalText.Get()),
      m_userFolderAccess(userFolderAccess) {
  g_pass = this;
}

MachinePass::~MachinePass() { g_pass = nullptr; }

bool HoldProductFolder(std::string_view path) noexcept {
  const WideText wide(path);
  g_heldProductFolder = UniqueFile(wide.Valid() ? CreateFileW(wide.Get(), FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                                               nullptr)
                                                 : INVALID_HANDLE_VALUE);
  return g_heldProductFolder.Valid();
}

journal::PassRoom& MachinePassRoom() noexcept { return g_passRoom; }

journal::Recovery RecoverInterruptedPass(std::string_view root, Text productFolder, std::string_view keep) noexcept {
  const MachinePass pass(productFolder, "");
  const journal::Recovery recovery = journal::RecoverPass(root, g_passRoom, keep);
  static const char* const kOutcomes[] = {nullptr, "restored", "finished", "failed"};
  if (recovery != journal::Recovery::kNothing) {
    LogOutcome("recovery", kOutcomes[static_cast<int>(recovery)], productFolder);
  }
  return recovery;
}

}  // namespace vl

namespace vl::journal::machine {

bool Exists(std::string_view path) noexcept { return PathExists(path); }

void MakeFolder(std::string_view path, bool userWritable) noexcept {
  // The user's own data: its access list lets every user change what it holds, never through a
  // link; given again to a folder that was there. Any other folder takes the product folder's.
  const char* access = g_pass->m_userFolderAccess;
  LogAction("folder",
            userWritable ? ApplyFolderAccess(path.data(), access, false) || CreateFolderWithAccess(path.data(), access)
                         : MakeFolderAt(path),
            path);
}

bool RemoveFolder(std::string_view path) noexcept {
  // A pass being undone lets go of the product folder, so that it can remove the one it made.
  g_heldProductFolder.Reset();
  return RemoveFolderAt(path);
}

bool WriteNew(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept {
  return LogAction("file", WriteNewFileAt(path, bytes, hidden), path);
}

bool Rename(std::string_view from, std::string_view to) noexcept { return LogAction("rename", RenameFileAt(from, to), to); }

bool Delete(std::string_view path) noexcept { return DeleteFileAt(path) || LogAction("delete", false, path); }

bool DeleteAtRestart(std::string_view path) noexcept {
  const bool scheduled = DeleteFileAtRestart(path);
  if (scheduled) LogScheduled("delete", path);
  return scheduled || LogAction("delete", false, path);
}

bool ReadValue(std::string_view path, StoredValue& value, std::span<std::uint8_t> room) noexcept {
  return ReadStoredValue(path, value, room) || LogAction("registry", false, path);
}

bool WriteValue(std::string_view path, const StoredValue& value) noexcept {
  return LogAction("registry", WriteStoredValue(path, value), path);
}

bool AppendJournal(std::span<const std::uint8_t> chunk) noexcept {
  // Created afresh by the pass's first chunk, then held open for the rest. Each chunk is handed to
  // the system before the steps it announces: the end of the process cannot lose it.
  UniqueFile& journal = g_pass->m_journal;
  const WideText& path = g_pass->m_journalPath;
  if (!journal && path.Valid()) journal = UniqueFile(OpenForAppending(path.Get()));
  return (journal && AppendToFile(journal.Get(), chunk)) || LogAction("journal", false, g_pass->m_journalText.Get());
}

std::span<const std::uint8_t> ReadJournal(std::span<std::uint8_t> room) noexcept {
  // A longer journal is read as far as it fits: what lies beyond was never acted on whole.
  const WideText& path = g_pass->m_journalPath;
  return path.Valid() ? ReadFileInto(path.Get(), room) : std::span<const std::uint8_t>();
}

bool DeleteJournal() noexcept {
  g_pass->m_journal.Reset();
  return DeleteFileAt(g_pass->m_journalText.Get());
}

}  // namespace vl::journal::machine
