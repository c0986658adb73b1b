// RunInstallation: the whole installation, run while ProgressPage is being created.
#include <windows.h>

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
#include "services/access_control.h"
#include "services/file_commands.h"
#include "services/folder_path.h"
#include "services/registry_commands.h"
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

// Creates the product's folders and the program group. LocationPage has made the product folder
// administrators' only; the folders of the user's own data get an access list that lets every
// user change what they hold, never through a link.
void CreateFolderTree() {
  for (Text folder : payload::Folders()) {
    char* path = ConcatTexts({InstallRoot, folder});
    if (IsUserWritable(folder)) {
      // Like any folder of the tree, not a step of its own: the log records how it went.
      LogAction("folder", ProtectFolder(path, kUserFolderAccess, false), path);
    } else {
      MakeDirectory(path);
    }
    FreeMemory(path);
  }
  char* programs = SpecialFolder(ProgramsFolderCode());
  if (!IsEmptyText(programs)) {
    char* group = ConcatTexts({programs, kProductFolder});
    MakeDirectory(group);
    FreeMemory(group);
  }
  FreeMemory(programs);
}

bool WriteEntry(Text path, const payload::PayloadEntry& entry) {
  return BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path), ByteSetArg(entry.content)}));
}

// Writes every carried file; returns how many could not be written.
int WriteFiles() {
  int failed = 0;
  for (const payload::PayloadEntry& entry : payload::Entries()) {
    char* path = ConcatTexts({InstallRoot, entry.path});
    if (!Logged("file", WriteEntry(path, entry), path)) ++failed;
    FreeMemory(path);
  }
  return failed;
}

void HideRuntimeFiles() {
  for (const payload::PayloadEntry* entry : payload::MarkedEntries()) {
    char* path = ConcatTexts({InstallRoot, entry->path});
    // Not a step of its own: the log records how it went.
    LogAction("attributes",
              BoolResult(CallCommand(ChangeFileAttributesCommand, ArgList{TextArg(path), IntArg(kHiddenAndSystem)})),
              path);
    FreeMemory(path);
  }
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

bool ValueExists(Text valuePath) {
  return BoolResult(CallCommand(RegistryValueExistsCommand, ArgList{IntArg(kLocalMachine), TextArg(valuePath)}));
}

// Writes a text or number value, but leaves one that `keepExisting` asks to keep; false when a
// write failed.
bool WriteValue(Text valuePath, const ArgRecord& value, bool keepExisting) {
  return (keepExisting && ValueExists(valuePath)) ||
         Logged("registry",
                BoolResult(CallCommand(WriteRegistryValueCommand, ArgList{IntArg(kLocalMachine), TextArg(valuePath), value})),
                valuePath);
}

bool WriteTextValue(Text valuePath, Text text, bool keepExisting) {
  return WriteValue(valuePath, TextArg(text), keepExisting);
}

// A value of the registration's key named by `name` alone; false when its write failed.
bool WriteNamedValue(Text keyPath, Text name, const ArgRecord& value, bool keepExisting) {
  char* valuePath = ConcatTexts({keyPath, name});
  const bool written = WriteValue(valuePath, value, keepExisting);
  FreeMemory(valuePath);
  return written;
}

// What the programs list shows as the installation's size: every carried file, in KiB rounded up.
std::int32_t PayloadKilobytes() {
  std::uint64_t bytes = 0;
  for (const payload::PayloadEntry& entry : payload::Entries()) bytes += ByteSetData(entry.content).size();
  return static_cast<std::int32_t>((bytes + 1023) >> 10);
}

// The values beside the three that name the product and its uninstaller: version, publisher,
// where and how large it is, its web address, that it offers no change or repair, and the
// command that removes it without a question. Returns how many could not be written.
int RegisterDetails(Text uninstaller, bool ours) {
  // The key's path with its trailing backslash, as the first value names it.
  char* keyPath = CopyTextBytes(kDisplayIconValue,
                                static_cast<std::size_t>(FindLastBackslash(kDisplayIconValue) - kDisplayIconValue) + 1);
  char* location = ConcatTexts({InstallRoot, kProductFolder, kBackslash});
  char* quietCommand = ConcatTexts({kQuote, uninstaller, kQuote, kSilentSwitch});
  // The values the installation does not change are one table, written by one call site.
  struct Detail {
    Text name;
    Text text;  // null for a number
    std::int32_t number;
  };
  static const Detail kFixedDetails[] = {{kDisplayVersionName, kDisplayVersion, 0},
                                         {kPublisherName, kPublisher, 0},
                                         {kUrlInfoAboutName, kProductWebAddress, 0},
                                         {kNoModifyName, nullptr, 1},
                                         {kNoRepairName, nullptr, 1}};
  int failed = !WriteNamedValue(keyPath, kInstallLocationName, TextArg(location), ours) +
               !WriteNamedValue(keyPath, kEstimatedSizeName, IntArg(PayloadKilobytes()), ours) +
               !WriteNamedValue(keyPath, kQuietUninstallStringName, TextArg(quietCommand), ours);
  for (const Detail& detail : kFixedDetails) {
    const ArgRecord value = detail.text != nullptr ? TextArg(detail.text) : IntArg(detail.number);
    failed += !WriteNamedValue(keyPath, detail.name, value, ours);
  }
  FreeMemory(quietCommand);
  FreeMemory(location);
  FreeMemory(keyPath);
  return failed;
}

// The entry in the system's list of installed programs follows the latest installation: written
// whole when it is absent or names another installation's uninstaller (which may no longer exist,
// or lie where someone else can put a program); for this installation's own, only the values
// that are missing. Returns how many values could not be written.
int RegisterForUninstall() {
  char* uninstaller = ConcatTexts({InstallRoot, kUninstallerFolderForm});
  char* registered = TextResult(CallCommand(ReadRegistryTextCommand, ArgList{IntArg(kLocalMachine), TextArg(kDisplayIconValue)}));
  const bool ours = CompareTexts(registered, uninstaller) == 0;
  FreeMemory(registered);
  // A command line: quoted, so that a path with blanks is not read as a shorter program name.
  char* command = ConcatTexts({kQuote, uninstaller, kQuote});
  const int failed = !(ours || WriteTextValue(kDisplayIconValue, uninstaller, false)) +
                     !WriteTextValue(kDisplayNameValue, kDisplayName, ours) +
                     !WriteTextValue(kUninstallStringValue, command, ours) + RegisterDetails(uninstaller, ours);
  FreeMemory(command);
  FreeMemory(uninstaller);
  return failed;
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
  CreateFolderTree();
  // The report counts every step that failed; folders that were there already and attributes
  // are not steps of their own.
  FailedStepCount = WriteFiles();
  HideRuntimeFiles();
  FailedStepCount += CreateShortCuts();
  FailedStepCount += RegisterForUninstall();
  FailedStepCount += CreateQuickLaunchShortCut() ? 0 : 1;
  LogVerdict(FailedStepCount);
}

int InstallUnattended() noexcept {
  Text refusal = nullptr;
  const Text typed = RequestedRoot();
  if (!CheckPayloadUnattended(typed)) return 3;
  char* root = AcceptInstallRoot(typed, &refusal);
  if (root == nullptr) {
    // Refused, nothing installed: the log names the root and the one step that failed.
    LogRunStart(GetCommandLineW(), typed);
    LogAction("folder", false, typed);
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
  InstallProduct(false);
  return FailedStepCount == 0 ? 0 : 4;
}

}  // namespace vl::installer

extern "C" void RunInstallation() {
  if (!AwaitSoundPayload()) return;
  LogRunStart(GetCommandLineW(), InstallRoot);
  InstallProduct(true);
}
