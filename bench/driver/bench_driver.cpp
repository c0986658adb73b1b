// The Windows half of the benchmarks, run under Wine by bench/run.py and bench/compare.py. It
// keeps one window of its own open the whole time, so that no run pays for starting the desktop.
// A program's position among the programs on the command line, from 0, names it in the output.
//
//   bench_driver install <rounds> <fresh|reinstall> <root> <side>...
//       Round 0 is the warm-up. Each round runs every side in turn (reversed in odd rounds, as
//       for every command below); a side is floor=<exe> (the
//       floor program, shown nothing), floor-window=<exe> (the floor program with its window) or
//       installer=<exe> (a benchmark build of the installer, walked through its pages). A fresh
//       round starts each run with nothing installed; for reinstall the first side installs once
//       before round 0. One line per run:
//       <round> TAB <side> TAB <total µs> TAB <folders> ... <other> [TAB <CPU µs>]
//       (the numbers of the program's timing line, see bench/install_timing.h)
//   bench_driver startup <rounds> <program.exe>...
//       Each round starts every program in turn, on a quiet machine (kSettleMs), and times it from
//       process creation to its first visible window, then ends it. One line per start:
//       <round> TAB <program> TAB <ms>
//   bench_driver silent <rounds> <root> <program.exe> <arguments> [<program.exe> <arguments>]...
//       Each round runs every program with its arguments in turn, each into a clean machine and
//       on a quiet one, and times it from process creation to its exit, which must be 0. One line
//       per run: <round> TAB <program> TAB <ms>
//   bench_driver walk <root>
//       Walks an installer that was started elsewhere through a whole install into <root>.
//   bench_driver walk-nsis <root>
//       The same for the NSIS comparison installer.
//   bench_driver remove <root>
//       Removes what an installation into <root> made, and makes sure the Quick Launch folder is
//       there, as on a current system.
//
// <root> is absolute without a trailing backslash. Exit code 0 when every run completed.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/installer_session.h"
#include "tests/support/child_process.h"
#include "tests/support/file_tree.h"
#include "tests/support/ui_automation.h"

namespace {

using vl::test::ChildProcess;
using vl::test::InstallerSession;
using vl::test::RemoveTree;
using vl::test::Wide;

constexpr wchar_t kPageTitle[] = L"Vorlane V2.6 绿色中文版";
constexpr DWORD kRunTimeoutMs = 600000;

// A process is gone for Windows before Wine and the X server have finished tearing it down. A
// program started at once shares the two cores with that clean-up, and about every other start
// then took 30 to 40 ms longer: the figures fell into two clusters. Each timed start waits this
// long after the run before it, so that every program starts on a quiet machine, as a person or
// an administrator's script starts an installer.
constexpr DWORD kSettleMs = 400;

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return std::wstring(path) + L"\\";
}

void RemoveInstallation(const std::string& root) {
  RemoveTree(Wide(root) + L"\\Vorlane");
  const std::wstring programs = SpecialFolder(CSIDL_PROGRAMS);
  DeleteFileW((SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"Tamsic.lnk").c_str());
  RemoveTree(programs + L"Vorlane");
  // Current systems have the Quick Launch folder (a new Wine prefix does not): the fifth link is saved.
  const std::wstring quickLaunch = SpecialFolder(CSIDL_APPDATA) + L"Microsoft\\Internet Explorer\\Quick Launch";
  DeleteFileW((quickLaunch + L"\\Tamsic.lnk").c_str());
  SHCreateDirectoryExW(nullptr, quickLaunch.c_str(), nullptr);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlane");
}

// The order of the sides in a round: as given in even rounds, reversed in odd ones, so that no
// side always runs first (two identical programs differed by up to 3% by their place in a round).
std::vector<std::size_t> TurnOrder(int round, std::size_t sides) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < sides; ++i) order.push_back(round % 2 == 0 ? i : sides - 1 - i);
  return order;
}

std::string FolderOf(const std::string& program) { return program.substr(0, program.rfind('\\') + 1); }

std::string TimingsFile() {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "vl_bench_timings.txt";
}

// The line the program appended to the timings file; empty when it wrote none.
std::string TakeTimingLine() {
  const std::string file = TimingsFile();
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  in.close();
  DeleteFileA(file.c_str());
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool RunFloor(const std::string& floor, const std::string& root, bool window) {
  ChildProcess program(floor, std::string(window ? "/window " : "") + "\"" + root + "\"", FolderOf(floor));
  return program.Started() && program.WaitForExit(kRunTimeoutMs) == 0;
}

// Whether the program has written its timing line: it writes the whole line in one write once
// its pass is over. Asked of the file's size, which Wine answers without its server, so that the
// pass being timed has the server to itself.
bool TimingLineWritten() {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExA(TimingsFile().c_str(), GetFileExInfoStandard, &data) &&
         (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

// Waits without asking the window system anything, so that the pass being timed does not share
// the server with this driver's window searches, until the timing line is in.
bool WaitQuietlyForTimings(DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (TimingLineWritten()) return true;
    Sleep(20);
  }
  return false;
}

// The whole install as a user does it: welcome, agreement, location (the root typed in),
// progress until Finish can be clicked, then Finish.
bool WalkInstaller(InstallerSession& session, const std::string& root) {
  HWND location = session.ToLocationPage();
  if (location == nullptr) return false;
  HWND progress = session.Install(location, root + "\\");
  if (progress == nullptr) return false;
  session.Click(progress, L"安装完成");
  return session.WaitForExit(60000) == 0;
}

// A timed run: walked to the location page, then the driver keeps still while the pass runs.
// Once the pass's timing line is in, nothing more is timed: the progress bar's animation (about
// a second) and Finish are skipped by ending the installer there, when its installation is
// complete.
bool RunInstaller(const std::string& installer, const std::string& root) {
  InstallerSession session(std::make_unique<ChildProcess>(installer, "", FolderOf(installer)), FolderOf(installer));
  if (!session.Started()) return false;
  HWND location = session.ToLocationPage();
  if (location == nullptr) return false;
  session.SetInstallFolder(location, Wide(root + "\\"));
  session.Click(location, L"下一步");
  const bool timed = WaitQuietlyForTimings(kRunTimeoutMs);
  TerminateProcess(session.Process(), 0);
  session.WaitForExit(10000);
  return timed;
}

// One side of the install comparison: a program and how it is run.
struct InstallSide {
  enum class Kind { Floor, FloorWithWindow, Installer } kind;
  std::string program;

  bool Run(const std::string& root) const {
    return kind == Kind::Installer ? RunInstaller(program, root) : RunFloor(program, root, kind == Kind::FloorWithWindow);
  }
};

// "floor=<exe>", "floor-window=<exe>" or "installer=<exe>"; false for anything else.
bool ParseInstallSide(const std::string& text, InstallSide& side) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  const std::string kind = text.substr(0, equals);
  side.program = text.substr(equals + 1);
  if (kind == "floor") {
    side.kind = InstallSide::Kind::Floor;
  } else if (kind == "floor-window") {
    side.kind = InstallSide::Kind::FloorWithWindow;
  } else if (kind == "installer") {
    side.kind = InstallSide::Kind::Installer;
  } else {
    return false;
  }
  return !side.program.empty();
}

// The numbers of a timing line: all that follows its label.
std::string TimingNumbers(const std::string& line) {
  const std::size_t tab = line.find('\t');
  return tab == std::string::npos ? std::string() : line.substr(tab + 1);
}

int Install(int rounds, bool fresh, const std::string& root, const std::vector<InstallSide>& sides) {
  SetEnvironmentVariableA("VL_BENCH_TIMINGS", TimingsFile().c_str());
  RemoveInstallation(root);
  if (!fresh) {  // something to install over
    const bool installed = sides.front().Run(root);
    TakeTimingLine();
    if (!installed) return 1;
  }
  for (int round = 0; round <= rounds; ++round) {
    for (const std::size_t index : TurnOrder(round, sides.size())) {
      if (fresh) RemoveInstallation(root);
      TakeTimingLine();
      const bool done = sides[index].Run(root);
      const std::string numbers = TimingNumbers(TakeTimingLine());
      if (!done || numbers.empty()) {
        std::fprintf(stderr, "bench_driver: round %d of %s did not complete\n", round, sides[index].program.c_str());
        return 1;
      }
      std::printf("%d\t%u\t%s\n", round, static_cast<unsigned>(index), numbers.c_str());
      std::fflush(stdout);
    }
  }
  return 0;
}

BOOL CALLBACK FindVisibleThreadWindow(HWND window, LPARAM found) {
  if (!IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

// Whether a top-level window of the thread is visible. Only that thread's windows are looked at,
// so that looking every millisecond asks the window system little while the program starts.
bool ThreadShowsWindow(DWORD threadId) {
  bool found = false;
  EnumThreadWindows(threadId, &FindVisibleThreadWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Milliseconds from process creation to the first visible window of its first thread; negative
// when none came. The process is ended afterwards.
double TimeToFirstWindow(const std::string& program) {
  Sleep(kSettleMs);
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  ChildProcess child(program, "", FolderOf(program));
  if (!child.Started()) return -1;
  double ms = -1;
  for (;;) {
    const bool shown = ThreadShowsWindow(child.ThreadId());
    QueryPerformanceCounter(&now);
    if (shown) {
      ms = static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
      break;
    }
    if (now.QuadPart - start.QuadPart > frequency.QuadPart * 60 || child.WaitForExit(1) != STILL_ACTIVE) break;
  }
  // Ended and gone before the next program starts.
  TerminateProcess(child.Handle(), 0);
  child.WaitForExit(10000);
  return ms;
}

int Startup(int rounds, const std::vector<std::string>& programs) {
  for (int round = 0; round <= rounds; ++round) {
    for (const std::size_t index : TurnOrder(round, programs.size())) {
      const double ms = TimeToFirstWindow(programs[index]);
      if (ms < 0) {
        std::fprintf(stderr, "bench_driver: %s showed no window\n", programs[index].c_str());
        return 1;
      }
      std::printf("%d\t%u\t%.2f\n", round, static_cast<unsigned>(index), ms);
      std::fflush(stdout);
    }
  }
  return 0;
}

// Milliseconds from process creation to its end, as an administrator's script waits for an
// unattended installation; negative when it did not end with 0.
double TimeWholeRun(const std::string& program, const std::string& arguments) {
  Sleep(kSettleMs);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  ChildProcess child(program, arguments, FolderOf(program));
  if (!child.Started() || child.WaitForExit(kRunTimeoutMs) != 0) return -1;
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Every program with its arguments in turn, each into a clean machine.
int Silent(int rounds, const std::string& root, const std::vector<std::pair<std::string, std::string>>& runs) {
  for (int round = 0; round <= rounds; ++round) {
    for (const std::size_t index : TurnOrder(round, runs.size())) {
      const auto& [program, arguments] = runs[index];
      RemoveInstallation(root);
      const double ms = TimeWholeRun(program, arguments);
      if (ms < 0) {
        std::fprintf(stderr, "bench_driver: %s %s did not end with 0\n", program.c_str(), arguments.c_str());
        return 1;
      }
      std::printf("%d\t%u\t%.2f\n", round, static_cast<unsigned>(index), ms);
      std::fflush(stdout);
    }
  }
  return 0;
}

int Walk(const std::string& root) {
  HWND page = vl::test::WaitForWindow({nullptr, kPageTitle, 0}, 60000);
  if (page == nullptr) return 1;
  DWORD processId = 0;
  GetWindowThreadProcessId(page, &processId);
  auto program = std::make_unique<ChildProcess>(processId);
  if (!program->Started()) return 1;
  InstallerSession session(std::move(program), {});
  return WalkInstaller(session, root) ? 0 : 1;
}

// The NSIS comparison installer's controls, by the dialog ids its pages have in every language:
// one button is Next, I accept, Install and Close in turn.
constexpr int kNsisNextButton = 1;
constexpr int kNsisWelcomeTitle = 1201;
constexpr int kNsisAgreementText = 1000;
constexpr int kNsisFolderBox = 1019;
constexpr int kNsisProgressBar = 1004;
constexpr DWORD kPageTimeoutMs = 20000;

// Its pages as a user walks them: welcome, agreement (accepted), location (the root typed in),
// then Close once every file is in, which the button allows only then.
int WalkNsis(const std::string& root) {
  HWND window = vl::test::WaitForWindow({vl::test::kDialogClass, kPageTitle, 0}, 60000);
  if (window == nullptr) return 1;
  const auto control = [window](int id) { return vl::test::FindChildById(window, id); };
  const auto nextOnceShown = [&](int pageControl) {
    return vl::test::WaitUntil([&] { return control(pageControl) != nullptr; }, kPageTimeoutMs) &&
           vl::test::PostClick(control(kNsisNextButton));
  };
  if (!nextOnceShown(kNsisWelcomeTitle) || !nextOnceShown(kNsisAgreementText)) return 1;
  if (!vl::test::WaitUntil([&] { return control(kNsisFolderBox) != nullptr; }, kPageTimeoutMs) ||
      !vl::test::SetText(control(kNsisFolderBox), Wide(root) + L"\\")) {
    return 1;
  }
  if (!vl::test::PostClick(control(kNsisNextButton))) return 1;
  const bool closed = vl::test::WaitUntil(
      [&] { return control(kNsisProgressBar) != nullptr && vl::test::PostClick(control(kNsisNextButton)); },
      kRunTimeoutMs);
  return closed && vl::test::WaitForWindowGone(window, 60000) ? 0 : 1;
}

// The driver's own window, open for the whole run.
HWND OpenOwnWindow() {
  HWND window = CreateWindowW(L"STATIC", L"bench_driver", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 160, 60, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  vl::test::PumpMessages();
  return window;
}

int Usage() {
  std::fprintf(stderr,
               "usage: bench_driver install <rounds> <fresh|reinstall> <root> <floor|floor-window|installer>=<exe>...\n"
               "       bench_driver startup <rounds> <program.exe>...\n"
               "       bench_driver silent <rounds> <root> <program.exe> <arguments> [<program.exe> <arguments>]...\n"
               "       bench_driver walk <root>\n"
               "       bench_driver walk-nsis <root>\n"
               "       bench_driver remove <root>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  if (command == "remove" && args.size() == 2) {
    RemoveInstallation(args[1]);
    return 0;
  }
  const HWND own = OpenOwnWindow();
  int code = 2;
  if (command == "install" && args.size() >= 5 && (args[2] == "fresh" || args[2] == "reinstall")) {
    std::vector<InstallSide> sides(args.size() - 4);
    bool valid = true;
    for (std::size_t i = 0; i < sides.size(); ++i) valid = valid && ParseInstallSide(args[4 + i], sides[i]);
    code = valid ? Install(std::atoi(args[1].c_str()), args[2] == "fresh", args[3], sides) : Usage();
  } else if (command == "startup" && args.size() >= 3) {
    code = Startup(std::atoi(args[1].c_str()), {args.begin() + 2, args.end()});
  } else if (command == "silent" && args.size() >= 5 && args.size() % 2 == 1) {
    std::vector<std::pair<std::string, std::string>> runs;
    for (std::size_t i = 3; i + 1 < args.size(); i += 2) runs.emplace_back(args[i], args[i + 1]);
    code = Silent(std::atoi(args[1].c_str()), args[2], runs);
  } else if (command == "walk" && args.size() == 2) {
    code = Walk(args[1]);
  } else if (command == "walk-nsis" && args.size() == 2) {
    code = WalkNsis(args[1]);
  } else {
    code = Usage();
  }
  DestroyWindow(own);
  return code;
}
