// RunInstallation: the whole installation, run while ProgressPage is being created.
#include <windows.h>

#include <cstring>
#include <utility>

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
#include "runtime/text_boundary.h"
#include "journal/install_pass.h"
#include "services/access_control.h"
#include "services/machine_pass.h"
#include "services/pass_steps.h"
#include "services/run_log.h"
#include "services/shell_link.h"

using namespace vl;
using namespace vl::installer;

namespace {

// Run as LocalSystem (how deployment tools run installers), the installation has no user of its
// own; run as another account than the desktop's (an elevation answered with an administrator's
// password), its own profile is not the user's: either way its links go where every user sees
// them, and no one's Quick Launch gets one.
bool ForEveryUser = false;

int DesktopFolderCode() { return ForEveryUser ? kCommonDesktopFolder : kDesktopFolder; }
int ProgramsFolderCode() { return ForEveryUser ? kCommonProgramsFolder : kProgramsFolder; }

bool FolderExists(Text path) {
  return !IsEmptyText(
      TextResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kGetFullFolderPath, ArgList{TextArg(path)})).Get());
}

// Creation that fails on a folder that is there already does no harm and counts as no failure;
// only the log asks whether it was there, so that an unlogged run does no extra work.
void MakeDirectory(Text path) {
  const bool made =
      BoolResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kMakeDirectory, ArgList{TextArg(path)}));
  if (RunLogOpen()) LogAction("folder", made || FolderExists(path), path);
}

// A special folder's path ending in a separator; the empty text when the system has none.
OwnedText SpecialFolder(int code) {
  return TextResult(CallLibraryCommand(kShellLibrary, shell_commands::kGetSpecialFolderPath, ArgList{IntArg(code)}));
}

// Saves a shortcut with the description, arguments and working folder left out; false only when
// a save was attempted and failed. A link whose folder does not exist (the system has no Quick
// Launch folder, say) is skipped: there is no place the installation should have put it. A save
// cannot succeed there, so the folder is asked about only when the save failed.
bool SaveShortCut(Text link, Text target) {
  if (BoolResult(CallLibraryCommand(kShellLibrary, shell_commands::kCreateShortCut,
                                    ArgList{TextArg(link), TextArg(target)}.PadOmittedArguments(9)))) {
    return LogAction("shortcut", true, link);
  }
  const char* separator = FindLastBackslash(link);
  const bool skipped =
      !FolderExists(CopyTextBytes(link, separator != nullptr ? static_cast<std::size_t>(separator - link) + 1 : 0).Get());
  return skipped || LogAction("shortcut", false, link);
}

// A shortcut in a special folder; skipped when the system has no such folder, so that it never
// lands relative to the current folder. False when its save failed.
bool SaveShortCutIn(int folderCode, Text linkName, Text target) {
  const OwnedText folder = SpecialFolder(folderCode);
  return IsEmptyText(folder.Get()) || SaveShortCut(ConcatTexts({folder.Get(), linkName}).Get(), target);
}

// The program group's folder, made with the links that go into it.
void MakeProgramGroup() {
  const OwnedText programs = SpecialFolder(ProgramsFolderCode());
  if (!IsEmptyText(programs.Get())) MakeDirectory(ConcatTexts({programs.Get(), kProductFolder}).Get());
}

// The desktop, program group and web shortcuts; returns how many saves failed.
int CreateShortCuts() {
  const OwnedText player = ConcatTexts({InstallRoot, payload::PlayerEntry().path});
  const OwnedText uninstaller = ConcatTexts({InstallRoot, payload::UninstallerEntry().path});
  const OwnedText webLink = ConcatTexts({InstallRoot, kWebLinkPath});
  return !SaveShortCutIn(DesktopFolderCode(), kDesktopLinkName, player.Get()) +
         !SaveShortCutIn(ProgramsFolderCode(), kProgramGroupLinkName, player.Get()) +
         !SaveShortCutIn(ProgramsFolderCode(), kProgramGroupUninstallLinkName, uninstaller.Get()) +
         !LogAction("shortcut", SaveWebLink(webLink.Get(), kProductWebAddress), webLink.Get());
}

// The bytes of every carried file, each rounded up to a whole `unit`.
std::uint64_t CarriedBytes(std::size_t unit) {
  std::uint64_t bytes = 0;
  for (const payload::PayloadEntry& entry : payload::Entries()) {
    bytes += (ByteSetData(entry.content).size() + unit - 1) / unit * unit;
  }
  return bytes;
}

// The pass's plan, in the zero-filled section: the product's folders, the carried files and the
// registration's values, each value as it is stored (texts as REG_SZ in UTF-16 with their
// terminator, numbers as REG_DWORD).
constexpr std::size_t kRegistrationValues = 11;
struct PlanRoom {
  journal::PassFolder folders[journal::kMostFolders];
  journal::PassFile files[journal::kMostFiles];
  journal::PassValue values[kRegistrationValues];
  alignas(4) std::uint8_t valueBytes[8192] = {};
};
__attribute__((section(".bss"))) PlanRoom g_plan;

// The registration's values into the plan, in the order they are written; the paths it joins in
// `paths`. The first kWholePathValues are named by their whole paths, used as they stand.
constexpr std::size_t kWholePathValues = 3;
void PlanRegistration(OwnedText (&paths)[kRegistrationValues]) {
  const OwnedText uninstaller = ConcatTexts({InstallRoot, kUninstallerFolderForm});
  // Command lines: quoted, so that a path with blanks is not read as a shorter program name.
  const OwnedText command = ConcatTexts({kQuote, uninstaller.Get(), kQuote});
  const OwnedText quietCommand = ConcatTexts({command.Get(), kSilentSwitch});
  const OwnedText location = ConcatTexts({InstallRoot, kProductFolder, kBackslash});
  // The key's path with its trailing backslash, as the first value names it; the values after the
  // whole-path ones are named by their names in that key. A value without a text is a number: the
  // size, in KiB of every carried file rounded up, then two flags.
  const OwnedText keyPath = CopyTextBytes(
      kDisplayIconValue, static_cast<std::size_t>(FindLastBackslash(kDisplayIconValue) - kDisplayIconValue) + 1);
  const Text names[kRegistrationValues] = {kDisplayIconValue,    kDisplayNameValue,         kUninstallStringValue,
                                           kInstallLocationName, kEstimatedSizeName,        kQuietUninstallStringName,
                                           kDisplayVersionName,  kPublisherName,            kUrlInfoAboutName,
                                           kNoModifyName,        kNoRepairName};
  const Text texts[kRegistrationValues] = {uninstaller.Get(), kDisplayName, command.Get(), location.Get(),
                                           nullptr,           quietCommand.Get(), kDisplayVersion, kPublisher,
                                           kProductWebAddress, nullptr,    nullptr};
  std::uint32_t number = static_cast<std::uint32_t>((CarriedBytes(1) + 1023) >> 10);
  std::size_t used = 0;
  for (std::size_t i = 0; i < kRegistrationValues; ++i) {
    std::uint8_t* bytes = g_plan.valueBytes + used;
    std::size_t size = sizeof number;
    if (texts[i] != nullptr) {
      const std::span<wchar_t> room(reinterpret_cast<wchar_t*>(bytes), (sizeof g_plan.valueBytes - used) / 2);
      size = (WideIntoBuffer(texts[i], room) + 1) * sizeof(wchar_t);
    } else {
      std::memcpy(bytes, &number, sizeof number);
      number = 1;
    }
    if (i >= kWholePathValues) paths[i] = ConcatTexts({keyPath.Get(), names[i]});
    g_plan.values[i] = {i < kWholePathValues ? names[i] : paths[i].Get(),
                        {true, texts[i] != nullptr ? DWORD{REG_SZ} : DWORD{REG_DWORD}, {bytes, size}}};
    used += (size + 3) & ~std::size_t{3};
  }
}

// The folders, the carried files and the registration, made whole or not at all; the journal in
// `productFolder`.
journal::PassResult InstallFilesAndRegistration(Text productFolder) {
  const auto folders = payload::Folders();
  for (std::size_t i = 0; i < folders.size(); ++i) g_plan.folders[i] = {folders[i], IsUserWritable(folders[i])};
  const auto entries = payload::Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    g_plan.files[i] = {entries[i].path, ByteSetData(entries[i].content), entries[i].hiddenSystem};
  }
  OwnedText valuePaths[kRegistrationValues];
  PlanRegistration(valuePaths);
  const MachinePass machine(productFolder, kUserFolderAccess);
  const journal::PassPlan plan{InstallRoot, std::span(g_plan.folders, folders.size()), ProductFolderMade,
                               std::span(g_plan.files, entries.size()), g_plan.values};
  return RunPass(plan, MachinePassRoom());
}

bool CreateQuickLaunchShortCut() {
  if (ForEveryUser) return true;
  return SaveShortCutIn(kApplicationDataFolder, kQuickLaunchLinkName,
                        ConcatTexts({InstallRoot, payload::PlayerEntry().path}).Get());
}

}  // namespace

namespace vl::installer {

void InstallProduct(bool showProgress) noexcept {
  // The machine's facts are kept for the program's record; nothing below depends on them, so an
  // answer the system refuses changes nothing.
  static_cast<void>(CallLibraryCommand(kAppInterfaceLibrary, app_interface_commands::kGetSystemInfo,
                                       ArgList{RecordArg(tag::kSystemInfoRecord, MachineInfo)}));
  if (showProgress) PrepareProgressDisplay();
  ForEveryUser = RunningAsLocalSystem() || DesktopOfAnotherAccount();
  const OwnedText productFolder = ConcatTexts({InstallRoot, kProductFolder});
  const journal::PassResult pass = InstallFilesAndRegistration(productFolder.Get());
  ScheduledBackups = pass.scheduled;
  if (pass.end == journal::PassEnd::kInstalled) {
    // The links: a link that cannot be saved is counted and reported, but the product runs
    // without it, so it undoes nothing.
    MakeProgramGroup();
    FailedStepCount = CreateShortCuts() + (CreateQuickLaunchShortCut() ? 0 : 1);
  } else {
    const bool undone = pass.end == journal::PassEnd::kUndone;
    LogAction("undo", undone, productFolder.Get());
    // Undone, the report says which installation is there; a failed undo is a failed step, and
    // its journal lets the next run finish putting the old one back.
    PassUndone = !undone ? Undone::kNo : pass.replaced ? Undone::kOldKept : Undone::kNothingInstalled;
    FailedStepCount = undone ? 0 : 1;
  }
  LogVerdict(FailedStepCount + (PassUndone != Undone::kNo));
}

int InstallUnattended() noexcept {
  RootRefusal refusal;
  const Text typed = RequestedRoot();
  if (!CheckPayloadUnattended(typed)) return 3;
  OwnedText root = AcceptInstallRoot(typed, refusal);
  if (!root) {
    // Refused, nothing installed: the log names the root and the one step that failed, or the
    // item of another account that failed it.
    StartRunLog(typed);
    LogAction(refusal.reason == kDiskFull ? "space" : "folder", false,
              refusal.item ? refusal.item.Get() : typed);
    LogVerdict(1);
    return 1;
  }
  ReplaceInstallRoot(std::move(root));
  StartRunLog(InstallRoot);
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
  const OwnedText productFolder = ConcatTexts({InstallRoot, kProductFolder});
  // A first installation put back takes the product folder it made along: made again as accepting
  // the root makes it (protected, and held), not by the pass with the root's access list.
  if (RecoverInterruptedPass(InstallRoot, productFolder.Get()) == journal::Recovery::kRestored &&
      !PathExists(productFolder.Get())) {
    OwnedText unused;
    MakeProductTreeSound(InstallRoot, unused);
  }
}

void OpenRequestedLog() noexcept {
  if (Options.log != nullptr) static_cast<void>(OpenRunLog(Options.log));
}

void StartRunLog(Text root) noexcept {
  OpenRequestedLog();
  LogRunStart(GetCommandLineW(), root);
}

bool RootHasRoom(Text root) noexcept {
  // Each file takes whole clusters; 4 KiB is the common cluster of today's volumes.
  return HasFreeSpaceFor(root, CarriedBytes(4096) + journal::kJournalCapacity);
}

}  // namespace vl::installer

extern "C" void RunInstallation() {
  if (!AwaitSoundPayload()) return;
  StartRunLog(InstallRoot);
  InstallProduct(true);
}
