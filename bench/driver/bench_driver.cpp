// The Windows half of the benchmarks, run under Wine by bench/run.py. It keeps one window of its
// own open the whole time, so that no run pays for starting the desktop.
//
//   bench_driver install <rounds> <fresh|reinstall> <root> <floor.exe> <installer.exe>
//       Round 0 is the warm-up. Each round runs the floor program, then the installer walked
//       through its pages; a fresh round starts with nothing installed. One line per run:
//       <round> TAB <side> TAB <total µs> TAB <folders> ... <other>   (see bench/install_timing.h)
//   bench_driver startup <rounds> <program.exe>...
//       Each round starts every program in turn, on a quiet machine (kSettleMs), and times it from
//       process creation to its first visible window, then ends it. One line per start:
//       <round> TAB <program> TAB <ms>
//   bench_driver walk <root>
//       Walks an installer that was started elsewhere through a whole install into <root>.
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
#include <functional>
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

bool RunFloor(const std::string& floor, const std::string& root) {
  ChildProcess program(floor, "\"" + root + "\"", FolderOf(floor));
  return program.Started() && program.WaitForExit(kRunTimeoutMs) == 0;
}

// Waits without asking the window system anything, so that the pass being timed does not share
// the server with this driver's window searches: until the timings file exists.
bool WaitQuietlyForTimings(DWORD timeoutMs) {
  const std::string file = TimingsFile();
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(20);
  }
  return false;
}

// The whole install as a user does it: welcome, agreement, location (the root typed in),
// progress until Finish can be clicked, then Finish. With `timed`, the driver keeps still while
// the install pass runs.
bool WalkInstaller(InstallerSession& session, const std::string& root, bool timed) {
  HWND location = session.ToLocationPage();
  if (location == nullptr) return false;
  const auto keepStill = [] { return WaitQuietlyForTimings(kRunTimeoutMs); };
  HWND progress = session.Install(location, root + "\\", timed ? keepStill : std::function<bool()>());
  if (progress == nullptr) return false;
  session.Click(progress, L"安装完成");
  return session.WaitForExit(60000) == 0;
}

bool RunInstaller(const std::string& installer, const std::string& root) {
  InstallerSession session(std::make_unique<ChildProcess>(installer, "", FolderOf(installer)), FolderOf(installer));
  return session.Started() && WalkInstaller(session, root, true);
}

int Install(int rounds, bool fresh, const std::string& root, const std::string& floor, const std::string& installer) {
  SetEnvironmentVariableA("VL_BENCH_TIMINGS", TimingsFile().c_str());
  RemoveInstallation(root);
  if (!fresh && !RunFloor(floor, root)) return 1;  // something to install over
  for (int round = 0; round <= rounds; ++round) {
    for (const bool isFloor : {true, false}) {
      if (fresh) RemoveInstallation(root);
      TakeTimingLine();
      const bool done = isFloor ? RunFloor(floor, root) : RunInstaller(installer, root);
      const std::string line = TakeTimingLine();
      if (!done || line.empty()) {
        std::fprintf(stderr, "bench_driver: round %d of the %s did not complete\n", round,
                     isFloor ? "floor" : "installer");
        return 1;
      }
      std::printf("%d\t%s\n", round, line.c_str());
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

std::string FileName(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

int Startup(int rounds, const std::vector<std::string>& programs) {
  for (int round = 0; round <= rounds; ++round) {
    for (const std::string& program : programs) {
      const double ms = TimeToFirstWindow(program);
      if (ms < 0) {
        std::fprintf(stderr, "bench_driver: %s showed no window\n", program.c_str());
        return 1;
      }
      std::printf("%d\t%s\t%.2f\n", round, FileName(program).c_str(), ms);
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

// The floor with the root, then each installer with /S (both install into the default root), in
// turn, each into a clean machine.
int Silent(int rounds, const std::string& root, const std::string& floor, const std::vector<std::string>& installers) {
  for (int round = 0; round <= rounds; ++round) {
    std::vector<std::pair<std::string, std::string>> runs{{floor, "\"" + root + "\""}};
    for (const std::string& installer : installers) runs.emplace_back(installer, "/S");
    for (const auto& [program, arguments] : runs) {
      RemoveInstallation(root);
      const double ms = TimeWholeRun(program, arguments);
      if (ms < 0) {
        std::fprintf(stderr, "bench_driver: %s %s did not end with 0\n", program.c_str(), arguments.c_str());
        return 1;
      }
      std::printf("%d\t%s\t%.2f\n", round, FileName(program).c_str(), ms);
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
  return WalkInstaller(session, root, false) ? 0 : 1;
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
               "usage: bench_driver install <rounds> <fresh|reinstall> <root> <floor.exe> <installer.exe>\n"
               "       bench_driver startup <rounds> <program.exe>...\n"
               "       bench_driver silent <rounds> <root> <floor.exe> <installer.exe>...\n"
               "       bench_driver walk <root>\n"
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
  if (command == "install" && args.size() == 6 && (args[2] == "fresh" || args[2] == "reinstall")) {
    code = Install(std::atoi(args[1].c_str()), args[2] == "fresh", args[3], args[4], args[5]);
  } else if (command == "startup" && args.size() >= 3) {
    code = Startup(std::atoi(args[1].c_str()), {args.begin() + 2, args.end()});
  } else if (command == "silent" && args.size() >= 5) {
    code = Silent(std::atoi(args[1].c_str()), args[2], args[3], {args.begin() + 4, args.end()});
  } else if (command == "walk" && args.size() == 2) {
    code = Walk(args[1]);
  } else {
    code = Usage();
  }
  DestroyWindow(own);
  return code;
}
