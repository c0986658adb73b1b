// The Vorlane uninstaller, installed as Vorlane\卸载.exe. It finds the installation from its own
// place (its folder is the product folder, the folder above is the install root), asks, removes
// what the installation created and nothing else, reports what it could not remove, and has its
// own file removed by the clean-up helper it carries once it has ended. Run with /S (as the
// registration's QuietUninstallString runs it) it asks nothing and shows nothing; /LOG=<file>
// logs the run (services/command_line.h).
//
// The installed files are first moved aside, all of them, and deleted only then: a file that
// cannot be moved stops the removal with everything in place, and a moved file that cannot be
// deleted goes when the system next starts.
//
// Exit codes: 0 all removed (folders that hold the user's own files and links below the product
// folder stay and are named), 3010 all removed but files (and their folders) that the system
// deletes when it next starts, 1 something could not be removed (when a file could not be moved
// aside: nothing at all was removed), 2 the user answered No or the
// command line was not understood (nothing done either way; a silent run asks nothing, so there
// 2 always means the command line), 3 not inside an installation, 4 the system cannot keep
// planted DLLs out (nothing done), 5 programs hold the product's files and were not closed
// (nothing removed), 6 another copy of the uninstaller runs (nothing done). /? ends with 0.
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "services/command_line.h"
#include "dll_search_restriction.h"
#include "paths.h"
#include "payload_texts.h"
#include "removal.h"
#include "runtime/fatal_error.h"
#include "runtime/text_boundary.h"
#include "runtime_texts.h"
#include "self_removal.h"
#include "installed_files.h"
#include "services/machine_pass.h"
#include "services/programs_in_use.h"
#include "services/run_log.h"
#include "services/single_instance.h"
#include "uninstaller_texts.h"

namespace {

enum ExitCode : int {
  kRemoved = 0,
  kIncomplete = 1,
  kCancelled = 2,
  kBadCommandLine = 2,
  kNotAnInstallation = 3,
  kSystemUpdateMissing = 4,
  kFilesInUse = 5,
  kAlreadyRunning = 6,
  kRemovedAtRestart = 3010,
};

// COM for the shell link object, undone at the end of the scope when it was done.
class ComScope {
 public:
  ComScope() noexcept : m_initialised(SUCCEEDED(CoInitialize(nullptr))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (m_initialised) CoUninitialize();
  }

 private:
  bool m_initialised;
};

// The uninstaller's own path; nothing when the system cannot name it.
std::optional<std::string> ProgramPath() {
  // Grown until it holds the longest path the system knows (32767 units).
  for (std::wstring path(MAX_PATH, L'\0'); path.size() < 65536; path.resize(path.size() * 2)) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::nullopt;
    if (length < path.size()) return vl::uninstall::FromWide({path.data(), length});
  }
  return std::nullopt;
}

// A message box; 0, as for a box that could not be shown, when a text cannot be converted.
int ShowMessage(const std::string& text, const char* caption, UINT style) {
  const vl::WideText wideText(text);
  const vl::WideText wideCaption(caption);
  if (!wideText.Valid() || !wideCaption.Valid()) return 0;
  return MessageBoxW(nullptr, wideText.Get(), wideCaption.Get(), style);
}

std::string Lines(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += item + kLineBreak;
  return out;
}

// A heading and its items, one per line; nothing when there are none.
std::string Section(const char* heading, const std::vector<std::string>& items) {
  if (items.empty()) return {};
  std::string lines = Lines(items);
  lines.resize(lines.size() - 2);  // no line break after the last item
  return heading + lines;
}

std::string FinalMessage(const vl::uninstall::RemovalReport& report) {
  std::string message;
  if (report.NothingRemoved()) {
    message = kUninstallNothingRemoved + Lines(report.FailedItems()) + kUninstallRetry;
  } else if (report.HasFailures()) {
    message = kUninstallIncomplete + Lines(report.FailedItems()) + kUninstallRetry;
  } else {
    message = kUninstallDone;
  }
  return message + Section(kScheduledHeading, report.ScheduledItems()) +
         Section(kKeptFoldersHeading, report.KeptFolders()) + Section(kLeftLinksHeading, report.LeftLinks());
}

const char* InstalledFile(std::size_t index) { return vl::uninstall::kInstalledFiles[index]; }

// The question when programs hold the product's files: close them (OK), or, when one cannot be
// closed, look again once they have ended (Retry); Cancel ends the uninstallation.
bool AskToCloseForRemoval(const char* lines, bool closable) {
  const std::string message = kProgramsInUse + std::string(lines != nullptr ? lines : "") +
                              (closable ? kCloseProgramsChoice : kProgramsOfOthersChoice);
  const int answer = ShowMessage(message, kInUseTitle, (closable ? MB_OKCANCEL : MB_RETRYCANCEL) | MB_ICONWARNING);
  return answer == (closable ? IDOK : IDRETRY);
}

vl::uninstall::RemovalReport Uninstall(const vl::uninstall::Installation& installation) {
  using namespace vl::uninstall;
  const ComScope com;
  // A process's current folder cannot be removed on Windows: leave the product folder.
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD tempLength = GetTempPathW(MAX_PATH + 1, temp);
  if (tempLength > 0 && tempLength <= MAX_PATH) SetCurrentDirectoryW(temp);

  RemovalReport report;
  // Every file moves aside before anything goes: one that cannot be moved changes nothing.
  const std::optional<std::vector<std::string>> moved = MoveInstalledFilesAside(installation, report);
  if (!moved) return report;
  RemoveProductShortCuts(installation, report);
  RemoveInstalledFiles(installation, *moved, report);
  RemoveInstalledFolders(installation, report);
  // While anything is left, the uninstaller stays where the user finds it again (its link, the
  // list of installed programs), so that a second run can finish the job: those go only once the
  // helper has accepted to remove the uninstaller's file, which it does only after a complete run
  // (files the system deletes when it next starts included).
  if (!report.HasFailures()) {
    if (StartCleanupHelper(installation.self)) {
      RemoveUninstallShortCut(installation, report);
      RemoveRegistration(installation, report);
    } else {
      vl::LogAction("file", false, installation.self);
      report.Failed(installation.self);
    }
  }
  CheckProductFolder(installation, report);
  return report;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace vl::uninstall;
  // First of all: the uninstaller runs elevated, often started from where others can write.
  const bool dllSearchRestricted = RestrictDllSearchToSystem();
  // Before anything changes the current folder: a relative log path names a file there.
  const wchar_t* const commandLineText = GetCommandLineW();
  struct HeldCommandLine : vl::CommandLine {
    ~HeldCommandLine() { vl::ReleaseCommandLine(*this); }
  } command;
  static_cast<vl::CommandLine&>(command) = vl::ReadCommandLine(commandLineText, false);
  const bool silent = command.silent;
  if (silent) vl::SilenceFatalErrorBox();
  if (!dllSearchRestricted) {
    if (!silent) ShowMessage(kSystemUpdateNeeded, kFatalErrorTitle, MB_OK | MB_ICONERROR);
    return kSystemUpdateMissing;
  }
  if (command.unknown != nullptr) {
    if (!silent) {
      const std::string argument = FromWide(command.unknown).value_or(std::string());
      ShowMessage(kUnknownArgument + argument + kLineBreak + kLineBreak + kUninstallUsage, kUninstallTitle,
                  MB_OK | MB_ICONERROR);
    }
    return kBadCommandLine;
  }
  if (command.help) {
    if (!silent) ShowMessage(kUninstallUsage, kUninstallTitle, MB_OK | MB_ICONINFORMATION);
    return kRemoved;
  }
  // A second copy changes nothing, not even the log the first may be writing.
  if (!vl::TakeSingleInstance(vl::kUninstallerInstance)) {
    if (!silent) ShowMessage(kUninstallerRunning, kUninstallTitle, MB_OK | MB_ICONINFORMATION);
    return kAlreadyRunning;
  }
  const std::optional<std::string> program = ProgramPath();
  const std::optional<Installation> installation = program ? LocateInstallation(*program) : std::nullopt;
  // The log is opened once the installation is found (without one, nothing is logged); one that
  // cannot be opened, or is not kept, stops nothing: the run then goes unlogged.
  if (installation && command.log != nullptr) static_cast<void>(vl::OpenRunLog(command.log));
  vl::LogRunStart(commandLineText, installation ? installation->root + "\\" : std::string());
  if (!installation) {
    if (!silent) ShowMessage(kNotInstalledHere, kUninstallTitle, MB_OK | MB_ICONERROR);
    return kNotAnInstallation;
  }
  // An installation that a run of the installer left cut off is put right first: the installation
  // this program removes is then whole, the old one or the new one. This program's own file stays
  // as it is, whichever it is; the other goes with the files left beside the installed ones.
  vl::RecoverInterruptedPass(installation->root + "\\", installation->productFolder.c_str(),
                             std::string("\\") + kUninstallerFolderForm);
  if (!silent) {
    const std::string question = kConfirmUninstall + installation->productFolder;
    if (ShowMessage(question, kUninstallTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return kCancelled;
  }
  // Nothing is removed while a program holds one of the files: a player whose libraries are gone
  // but that can still be found would be worse than none. The log names each program.
  const vl::ProductFileList files{installation->root.c_str(), std::size(vl::uninstall::kInstalledFiles), &InstalledFile};
  if (vl::ReleaseFiles(files, silent ? nullptr : &AskToCloseForRemoval, command.closeApplications) !=
      vl::FilesInUse::Released) {
    vl::LogVerdict(1);
    vl::CloseRunLog();
    return kFilesInUse;
  }
  const RemovalReport report = Uninstall(*installation);
  vl::LogVerdict(static_cast<int>(report.FailedItems().size()));
  vl::CloseRunLog();
  if (!silent) {
    ShowMessage(FinalMessage(report), kUninstallTitle,
                MB_OK | (report.HasFailures() ? MB_ICONWARNING : MB_ICONINFORMATION));
  }
  if (report.HasFailures()) return kIncomplete;
  return report.ScheduledItems().empty() ? kRemoved : kRemovedAtRestart;
}
