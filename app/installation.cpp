// RunInstallation: the whole installation, run while ProgressPage is being created.
#include <windows.h>

#include <cstring>

#include "app_texts.h"
#include "files_in_use.h"
#include "globals.h"
#include "handler_support.h"
#include "install_root.h"
#include "installation.h"
#include "libraries/libraries.h"
#include "page_segment_layout.h"
#include "payload/catalogue.h"
#include "payload_check.h"
#include "payload_texts.h"
#include "product_tree.h"
#include "progress.h"
#include "runtime/byte_set.h"
#include "journal/install_pass.h"
#include "services/access_control.h"
#include "services/machine_pass_store.h"
#include "services/pass_steps.h"
#include "services/file_commands.h"
#include "services/folder_path.h"
#include "services/run_log.h"
#include "services/shell_link.h"
#include "services/special_folders.h"
#include "services/system_info.h"

using namespace vl;
using namespace vl::installer;

namespace {

// Run as LocalSystem (how deployment tools run installers), the installation has no user of its
// own: its links go where every user sees them, and no one's Quick Launch gets one.
bool ForEveryUser = false;

int DesktopFolderCode() { return ForEveryUser ? kCommonDesktopFolder : kDesktopFolder; }
int ProgramsFolderCode() { return ForEveryUser ? kCommonProgramsFolder : kProgramsFolder; }

// A step's outcome into the run log (when one was asked for); returns `ok`.
bool Logged(const char* action, bool ok, Text path) {
  LogAction(action, ok, path);
  return ok;
}

bool FolderExists(Text path) {
  char* found = TextResult(CallCommand(GetFullFolderPathCommand, ArgList{TextArg(path)}));
  const bool exists = !IsEmptyText(found);
  FreeMemory(found);
  return exists;
}

// Creation that fails on a folder that is there already does no harm and counts as no failure;
// only the log asks whether it was there, so that an unlogged run does no extra work.
void MakeDirectory(Text path) {
  const bool made = BoolResult(CallCommand(MakeDirectoryCommand, ArgList{TextArg(path)}));
  if (RunLogOpen()) LogAction("folder", made || FolderExists(path), path);
}

// A special folder's path ending in a separator; the empty text when the system has none.
char* SpecialFolder(int code) {
  return TextResult(CallLibraryCommand(kShellLibrary, GetSpecialFolderPathCommand, ArgList{IntArg(code)}));
}

// Saves a shortcut with the description, arguments and working folder left out; false only when
// a save was attempted and failed. A link whose folder does not exist (the system has no Quick
// Launch folder, say) is skipped: there is no place the installation should have put it. A save
// cannot succeed there, so the folder is asked about only when the save failed.
bool SaveShortCut(Text link, Text target) {
  if (BoolResult(CallLibraryCommand(kShellLibrary, CreateShortCutCommand,
                                    ArgList{TextArg(link), TextArg(target)}.PadOmittedArguments(9)))) {
    return Logged("shortcut", true, link);
  }
  const char* separator = FindLastBackslash(link);
  char* folder = CopyTextBytes(link, separator != nullptr ? static_cast<std::size_t>(separator - link) + 1 : 0);
  const bool skipped = !FolderExists(folder);
  FreeMemory(folder);
  return skipped || Logged("shortcut", false, link);
}

// A shortcut in a special folder; skipped when the system has no such folder, so that it never
// lands relative to the current folder. False when its save failed.
bool SaveShortCutIn(int folderCode, Text linkName, Text target) {
  char* folder = SpecialFolder(folderCode);
  bool saved = true;
  if (!IsEmptyText(folder)) {
    char* link = ConcatTexts({folder, linkName});
    saved = SaveShortCut(link, target);
    FreeMemory(link);
  }
  FreeMemory(folder);
  return saved;
}

// The program group's folder, made with the links that go into it.
void MakeProgramGroup() {
  char* programs = SpecialFolder(ProgramsFolderCode());
  if (!IsEmptyText(programs)) {
    char* group = ConcatTexts({programs, kProductFolder});
    MakeDirectory(group);
    FreeMemory(group);
  }
  FreeMemory(programs);
}

// The desktop, program group and web shortcuts; returns how many saves failed.
int CreateShortCuts() {
  char* player = ConcatTexts({InstallRoot, payload::PlayerEntry().path});
  char* uninstaller = ConcatTexts({InstallRoot, payload::UninstallerEntry().path});
  char* webLink = ConcatTexts({InstallRoot, kWebLinkPath});
  const int failed = !SaveShortCutIn(DesktopFolderCode(), kDesktopLinkName, player) +
                     !SaveShortCutIn(ProgramsFolderCode(), kProgramGroupLinkName, player) +
                     !SaveShortCutIn(ProgramsFolderCode(), kProgramGroupUninstallLinkName, uninstaller) +
                     !SaveShortCut(webLink, kProductWebAddress);
  FreeMemory(webLink);
  FreeMemory(uninstaller);
  FreeMemory(player);
  return failed;
}

// The bytes of every carried file, each rounded up to a whole `unit`.
std::uint64_t CarriedBytes(std::size_t unit) {
  std::uint64_t bytes = 0;
  for (const payload::PayloadEntry& entry : payload::Entries()) {
    bytes += (ByteSetData(entry.content).size() + unit - 1) / unit * unit;
  }
  return bytes;
}

// The registration's values, each as it is stored: texts as REG_SZ in UTF-16 with their
// terminator, numbers as REG_DWORD.
class Registration {
 public:
  Registration() noexcept {
    m_uninstaller = ConcatTexts({InstallRoot, kUninstallerFolderForm});
    // The key's path with its trailing backslash, as the first value names it.
    m_keyPath = CopyTextBytes(kDisplayIconValue,
                              static_cast<std::size_t>(FindLastBackslash(kDisplayIconValue) - kDisplayIconValue) + 1);
    // Command lines: quoted, so that a path with blanks is not read as a shorter program name.
    char* command = ConcatTexts({kQuote, m_uninstaller, kQuote});
    char* quietCommand = ConcatTexts({command, kSilentSwitch});
    char* location = ConcatTexts({InstallRoot, kProductFolder, kBackslash});
    AddText(CopyText(kDisplayIconValue), m_uninstaller);
    AddText(CopyText(kDisplayNameValue), kDisplayName);
    AddText(CopyText(kUninstallStringValue), command);
    AddText(Named(kInstallLocationName), location);
    AddNumber(Named(kEstimatedSizeName), PayloadKilobytes());
    AddText(Named(kQuietUninstallStringName), quietCommand);
    AddText(Named(kDisplayVersionName), kDisplayVersion);
    AddText(Named(kPublisherName), kPublisher);
    AddText(Named(kUrlInfoAboutName), kProductWebAddress);
    AddNumber(Named(kNoModifyName), 1);
    AddNumber(Named(kNoRepairName), 1);
    FreeMemory(location);
    FreeMemory(quietCommand);
    FreeMemory(command);
  }
  ~Registration() {
    for (std::size_t i = 0; i < m_count; ++i) FreeMemory(m_paths[i]);
    FreeMemory(m_keyPath);
    FreeMemory(m_uninstaller);
  }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

  std::span<const journal::PassValue> Values() const noexcept { return {m_values, m_count}; }

 private:
  static constexpr std::size_t kValues = 11;

  // What the installation shows as its size: every carried file, in KiB rounded up.
  static std::int32_t PayloadKilobytes() noexcept { return static_cast<std::int32_t>((CarriedBytes(1) + 1023) >> 10); }

  char* Named(Text name) const noexcept { return ConcatTexts({m_keyPath, name}); }

  void Add(char* path, std::uint32_t type, std::size_t bytes) noexcept {
    m_paths[m_count] = path;
    m_values[m_count] = {path, {true, type, std::span<const std::uint8_t>(m_room + m_used, bytes)}};
    m_used += (bytes + 3) & ~std::size_t{3};
    ++m_count;
  }
  void AddText(char* path, Text text) noexcept {
    const std::span<wchar_t> room(reinterpret_cast<wchar_t*>(m_room + m_used), (sizeof m_room - m_used) / 2);
    Add(path, REG_SZ, (WideIntoBuffer(text, room) + 1) * sizeof(wchar_t));
  }
  void AddNumber(char* path, std::uint32_t number) noexcept {
    std::memcpy(m_room + m_used, &number, sizeof number);
    Add(path, REG_DWORD, sizeof number);
  }

  char* m_uninstaller;
  char* m_keyPath;
  char* m_paths[kValues];
  journal::PassValue m_values[kValues];
  std::size_t m_count = 0;
  std::size_t m_used = 0;
  alignas(4) std::uint8_t m_room[8192];
};

// The folders, the carried files and the registration, made whole or not at all.
journal::PassResult InstallFilesAndRegistration() {
  journal::PassFolder folders[journal::kMostFolders];
  const auto folderTexts = payload::Folders();
  for (std::size_t i = 0; i < folderTexts.size(); ++i) folders[i] = {folderTexts[i], IsUserWritable(folderTexts[i])};
  journal::PassFile files[journal::kMostFiles];
  const auto entries = payload::Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    files[i] = {entries[i].path, ByteSetData(entries[i].content), entries[i].hiddenSystem};
  }
  const Registration registration;
  char* productFolder = ConcatTexts({InstallRoot, kProductFolder});
  MachinePassStore store(productFolder, kUserFolderAccess);
  const journal::PassPlan plan{InstallRoot, std::span(folders, folderTexts.size()), ProductFolderMade,
                               std::span(files, entries.size()), registration.Values()};
  const journal::PassResult result = RunPass(store, plan, JournalRoom());
  FreeMemory(productFolder);
  return result;
}

bool CreateQuickLaunchShortCut() {
  if (ForEveryUser) return true;
  char* player = ConcatTexts({InstallRoot, payload::PlayerEntry().path});
  const bool saved = SaveShortCutIn(kApplicationDataFolder, kQuickLaunchLinkName, player);
  FreeMemory(player);
  return saved;
}

}  // namespace

namespace vl::installer {

void InstallProduct(bool showProgress) noexcept {
  // The machine's facts are kept for the program's record; nothing below depends on them, so an
  // answer the system refuses changes nothing.
  CallLibraryCommand(kAppInterfaceLibrary, GetSystemInfoCommand,
                     ArgList{RecordArg(tag::kSystemInfoRecord, MachineInfo)});
  if (showProgress) PrepareProgressDisplay();
  ForEveryUser = RunningAsLocalSystem();
  const journal::PassResult pass = InstallFilesAndRegistration();
  ScheduledBackups = pass.scheduled;
  if (pass.end == journal::PassEnd::kInstalled) {
    // The links: a link that cannot be saved is counted and reported, but the product runs
    // without it, so it undoes nothing.
    MakeProgramGroup();
    FailedStepCount = CreateShortCuts() + (CreateQuickLaunchShortCut() ? 0 : 1);
  } else {
    char* productFolder = ConcatTexts({InstallRoot, kProductFolder});
    const bool undone = pass.end == journal::PassEnd::kUndone;
    LogAction("undo", undone, productFolder);
    FreeMemory(productFolder);
    // Undone, the report says which installation is there; a failed undo is a failed step, and
    // its journal lets the next run finish putting the old one back.
    PassUndone = !undone ? Undone::kNo : pass.replaced ? Undone::kOldKept : Undone::kNothingInstalled;
    FailedStepCount = undone ? 0 : 1;
  }
  LogVerdict(FailedStepCount + (PassUndone != Undone::kNo));
}

int InstallUnattended() noexcept {
  Text refusal = nullptr;
  const Text typed = RequestedRoot();
  if (!CheckPayloadUnattended(typed)) return 3;
  char* root = AcceptInstallRoot(typed, &refusal);
  if (root == nullptr) {
    // Refused, nothing installed: the log names the root and the one step that failed.
    LogRunStart(GetCommandLineW(), typed);
    LogAction(refusal == kDiskFull ? "space" : "folder", false, typed);
    LogVerdict(1);
    return 1;
  }
  FreeMemory(InstallRoot);
  InstallRoot = root;
  LogRunStart(GetCommandLineW(), InstallRoot);
  // A program that holds the product's files stops the run before anything changes; the log
  // names it.
  if (!ProductFilesReleased(true)) {
    LogVerdict(1);
    return 5;
  }
  RecoverCutOffInstallation();
  InstallProduct(false);
  return PassUndone != Undone::kNo ? 7 : FailedStepCount != 0 ? 4 : ScheduledBackups != 0 ? 3010 : 0;
}

void RecoverCutOffInstallation() noexcept {
  char* productFolder = ConcatTexts({InstallRoot, kProductFolder});
  RecoverInterruptedPass(InstallRoot, productFolder);
  FreeMemory(productFolder);
}

bool RootHasRoom(Text root) noexcept {
  // Each file takes whole clusters; 4 KiB is the common cluster of today's volumes.
  return HasFreeSpaceFor(root, CarriedBytes(4096) + journal::kJournalCapacity);
}

}  // namespace vl::installer

extern "C" void RunInstallation() {
  if (!AwaitSoundPayload()) return;
  LogRunStart(GetCommandLineW(), InstallRoot);
  InstallProduct(true);
}
