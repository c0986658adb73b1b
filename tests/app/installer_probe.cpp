// Built into the installer for the end-to-end tests only. It watches the run from inside and,
// once the program has ended, writes beside the program:
// - allocations.txt: what the allocator still holds after every page, the clean-up routine and
//   the runtime's resources have been released (no text leaked or released twice);
// - progress.txt: the progress display after each tick of the progress timer (bar width, as the
//   handlers read it, and whether Finish is disabled), how many ticks came, and where the bar's
//   window ended, in pixels of the page.
// With VL_PROBE_REFUSE set (texts separated by semicolons), it refuses every new file, rename (by
// the name it gives), shortcut and, the first time, registry value whose path ends in one of them,
// as a registry or disk that refuses the write would. With VL_PROBE_END_AT set, the process ends
// at once, as a killed one would, when it is about to write a new file or rename a file to a name
// ending so, or to write a registry value so named.
// It also records the access lists the program gave folders, as they were given (access.txt:
// "create", "apply" or "apply to everything below", the folder and the list, separated by
// tabs; "inherit only" and the item, for each item of a tree left only inherited entries), and
// each log it refused (refused logs.txt). The link wraps the calls that hand a list to the
// system (--wrap, see CMakeLists.txt). With VL_PROBE_FOREIGN_OWNER set, an item whose path ends
// in one of its texts belongs to another account, as Wine, where the running user owns
// everything, cannot show.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "journal/journal_format.h"
#include "page_segment_layout.h"
#include "runtime/frame.h"
#include "runtime/memory.h"
#include "runtime/controls/page_window.h"
#include "runtime/runtime_object.h"
#include "runtime/startup.h"

namespace {

using page_ids::kProgressPage, page_ids::kProgressBar, page_ids::kFinishButton;
constexpr UINT_PTR kProgressTimerId = 1000;

HHOOK g_hook = nullptr;
int g_ticks = 0;
std::string g_progress;
std::string g_lastState;
std::string g_barWindow;

void RecordProgress() {
  const auto width = static_cast<std::int32_t>(vl::ReadProperty(kProgressPage, kProgressBar, 2, -1));
  const bool disabled = vl::ReadProperty(kProgressPage, kFinishButton, 6, -1) != 0;
  const std::string state = "width=" + std::to_string(width) + " finish=" + (disabled ? "disabled" : "enabled");
  if (state != g_lastState) g_progress += "after tick " + std::to_string(g_ticks) + ": " + state + "\r\n";
  g_lastState = state;
  const vl::PageWindow* page = vl::PageWindow::Loaded(kProgressPage);
  if (page == nullptr) return;
  RECT bar{};
  GetWindowRect(const_cast<vl::PageWindow*>(page)->FindControl(kProgressBar)->Window(), &bar);
  MapWindowPoints(nullptr, page->Window(), reinterpret_cast<POINT*>(&bar), 2);
  g_barWindow = "bar window " + std::to_string(bar.left) + ".." + std::to_string(bar.right);
}

// Sees every message the GUI thread takes from its queue, before it is dispatched: at a tick the
// effects of the tick before it are complete.
LRESULT CALLBACK WatchMessages(int code, WPARAM removed, LPARAM message) {
  const MSG* msg = reinterpret_cast<const MSG*>(message);
  if (code == HC_ACTION && removed == PM_REMOVE && !vl::TheRuntime().Ending()) {
    const bool tick = msg->message == WM_TIMER && msg->wParam == kProgressTimerId;
    if (g_ticks > 0 || tick) RecordProgress();
    if (tick) ++g_ticks;
  }
  return CallNextHookEx(g_hook, code, removed, message);
}

void Append(const std::string& name, const std::string& text) {
  const std::string path = vl::TheRuntime().ProgramFolder() + name;
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

void Report(int exitCode) {
  const vl::AllocationCounts counts = vl::CurrentAllocationCounts();
  char line[128];
  std::snprintf(line, sizeof line, "exit=%d live=%ld total=%ld refused=%ld\r\n", exitCode, counts.live, counts.total,
                counts.refusedReleases);
  Append("allocations.txt", line);
  if (g_ticks > 0) Append("progress.txt", g_progress + "ticks=" + std::to_string(g_ticks) + "\r\n" + g_barWindow + "\r\n");
}

// Set up before the program's entry runs.
const bool kInstalled = [] {
  vl::SetEndObserver(&Report);
  g_hook = SetWindowsHookExA(WH_GETMESSAGE, &WatchMessages, nullptr, GetCurrentThreadId());
  return true;
}();

}  // namespace

extern "C" bool __real__ZN2vl22CreateFolderWithAccessEPKcS1_(const char* path, const char* list) noexcept;
extern "C" bool __wrap__ZN2vl22CreateFolderWithAccessEPKcS1_(const char* path, const char* list) noexcept {
  const bool done = __real__ZN2vl22CreateFolderWithAccessEPKcS1_(path, list);
  if (done) Append("access.txt", std::string("create\t") + path + "\t" + list + "\r\n");
  return done;
}
extern "C" bool __real__ZN2vl17ApplyFolderAccessEPKcS1_b(const char* path, const char* list, bool below) noexcept;
extern "C" bool __wrap__ZN2vl17ApplyFolderAccessEPKcS1_b(const char* path, const char* list, bool below) noexcept {
  const bool done = __real__ZN2vl17ApplyFolderAccessEPKcS1_b(path, list, below);
  const std::string verb = below ? "apply to everything below" : "apply";
  if (done) Append("access.txt", verb + "\t" + path + "\t" + list + "\r\n");
  return done;
}

namespace {

std::string PathOf(HANDLE item) {
  wchar_t path[1024] = L"";
  char bytes[2048] = "";
  const DWORD length = GetFinalPathNameByHandleW(item, path, 1024, 0);
  if (length == 0 || length >= 1024) return {};
  WideCharToMultiByte(936, 0, path, -1, bytes, sizeof bytes, nullptr, nullptr);
  return std::string(bytes).substr(std::string_view(bytes).starts_with("\\\\?\\") ? 4 : 0);
}

bool Named(const wchar_t* variable, std::string_view path);

}  // namespace

extern "C" bool __real__ZN2vl14OwnerIsTrustedEPvb(void* item, bool userToo) noexcept;
extern "C" bool __wrap__ZN2vl14OwnerIsTrustedEPvb(void* item, bool userToo) noexcept {
  return !Named(L"VL_PROBE_FOREIGN_OWNER", PathOf(item)) && __real__ZN2vl14OwnerIsTrustedEPvb(item, userToo);
}
extern "C" bool __real__ZN2vl17InheritAccessOnlyEPv(void* item) noexcept;
extern "C" bool __wrap__ZN2vl17InheritAccessOnlyEPv(void* item) noexcept {
  const bool done = __real__ZN2vl17InheritAccessOnlyEPv(item);
  if (done) Append("access.txt", "inherit only\t" + PathOf(item) + "\r\n");
  return done;
}
extern "C" bool __real__ZN2vl10OpenRunLogEPKw(const wchar_t* path) noexcept;
extern "C" bool __wrap__ZN2vl10OpenRunLogEPKw(const wchar_t* path) noexcept {
  const bool opened = __real__ZN2vl10OpenRunLogEPKw(path);
  char bytes[2048] = "";
  WideCharToMultiByte(936, 0, path, -1, bytes, sizeof bytes, nullptr, nullptr);
  if (!opened) Append("refused logs.txt", std::string(bytes) + "\r\n");
  return opened;
}

namespace {

// Whether the variable names the end of `path`, in the program's texts.
bool Named(const wchar_t* variable, std::string_view path) {
  // Read wide and converted here: Wine's GetEnvironmentVariableA cuts a value with Chinese
  // characters short.
  wchar_t wide[512] = L"";
  char list[1024] = "";
  if (GetEnvironmentVariableW(variable, wide, 512) == 0 ||
      WideCharToMultiByte(936, 0, wide, -1, list, sizeof list, nullptr, nullptr) == 0) {
    return false;
  }
  std::string names = list;
  for (std::size_t start = 0; start <= names.size();) {
    const std::size_t end = std::min(names.find(';', start), names.size());
    const std::string name = names.substr(start, end - start);
    if (!name.empty() && path.ends_with(name)) return true;
    start = end + 1;
  }
  return false;
}

bool Refused(const vl::ArgRecord* args, int count, int index) {
  const auto text = vl::AsText(vl::ArgAt(count, args, index));
  return text && *text != nullptr && Named(L"VL_PROBE_REFUSE", *text);
}

}  // namespace

#define VL_REFUSABLE_COMMAND(symbol, pathIndex)                                                              \
  extern "C" void __real_##symbol(vl::ResultRecord*, int, const vl::ArgRecord*) noexcept;                    \
  extern "C" void __wrap_##symbol(vl::ResultRecord* result, int count, const vl::ArgRecord* args) noexcept { \
    if (Refused(args, count, pathIndex)) {                                                                   \
      vl::SetBoolResult(result, false);                                                                      \
      return;                                                                                                \
    }                                                                                                        \
    __real_##symbol(result, count, args);                                                                    \
  }

VL_REFUSABLE_COMMAND(_ZN2vl21CreateShortCutCommandEPNS_9ArgRecordEiPKS0_, 0)

// The install pass's steps (services/pass_steps.h).
using Path = std::string_view;
extern "C" bool __real__ZN2vl14WriteNewFileAtESt17basic_string_viewIcSt11char_traitsIcEESt4spanIKhLj4294967295EEb(
    Path, std::span<const std::uint8_t>, bool) noexcept;
extern "C" bool __wrap__ZN2vl14WriteNewFileAtESt17basic_string_viewIcSt11char_traitsIcEESt4spanIKhLj4294967295EEb(
    Path path, std::span<const std::uint8_t> bytes, bool hidden) noexcept {
  if (Named(L"VL_PROBE_END_AT", path)) TerminateProcess(GetCurrentProcess(), 99);
  return !Named(L"VL_PROBE_REFUSE", path) &&
         __real__ZN2vl14WriteNewFileAtESt17basic_string_viewIcSt11char_traitsIcEESt4spanIKhLj4294967295EEb(path, bytes,
                                                                                                             hidden);
}
extern "C" bool __real__ZN2vl12RenameFileAtESt17basic_string_viewIcSt11char_traitsIcEES3_(Path, Path) noexcept;
extern "C" bool __wrap__ZN2vl12RenameFileAtESt17basic_string_viewIcSt11char_traitsIcEES3_(Path from, Path to) noexcept {
  if (Named(L"VL_PROBE_END_AT", to)) TerminateProcess(GetCurrentProcess(), 99);
  return !Named(L"VL_PROBE_REFUSE", to) && __real__ZN2vl12RenameFileAtESt17basic_string_viewIcSt11char_traitsIcEES3_(from, to);
}
// A registry value is refused once: putting back what was there is let through.
extern "C" bool __real__ZN2vl16WriteStoredValueESt17basic_string_viewIcSt11char_traitsIcEERKNS_7journal11StoredValueE(
    Path, const vl::journal::StoredValue&) noexcept;
extern "C" bool __wrap__ZN2vl16WriteStoredValueESt17basic_string_viewIcSt11char_traitsIcEERKNS_7journal11StoredValueE(
    Path path, const vl::journal::StoredValue& value) noexcept {
  if (Named(L"VL_PROBE_END_AT", path)) TerminateProcess(GetCurrentProcess(), 99);
  static bool refusedOnce = false;
  if (!refusedOnce && Named(L"VL_PROBE_REFUSE", path)) {
    refusedOnce = true;
    return false;
  }
  return __real__ZN2vl16WriteStoredValueESt17basic_string_viewIcSt11char_traitsIcEERKNS_7journal11StoredValueE(path,
                                                                                                              value);
}

// A run as LocalSystem, which Wine cannot give: VL_PROBE_LOCAL_SYSTEM makes the installer take
// itself for one.
extern "C" bool __real__ZN2vl20RunningAsLocalSystemEv() noexcept;
extern "C" bool __wrap__ZN2vl20RunningAsLocalSystemEv() noexcept {
  char value[4];
  return GetEnvironmentVariableA("VL_PROBE_LOCAL_SYSTEM", value, sizeof value) != 0 ||
         __real__ZN2vl20RunningAsLocalSystemEv();
}

// A desktop of another account than the installer's, which Wine, running everything as one user,
// cannot give: VL_PROBE_DESKTOP_OF_ANOTHER_ACCOUNT makes the installer see one.
extern "C" bool __real__ZN2vl23DesktopOfAnotherAccountEv() noexcept;
extern "C" bool __wrap__ZN2vl23DesktopOfAnotherAccountEv() noexcept {
  char value[4];
  return GetEnvironmentVariableA("VL_PROBE_DESKTOP_OF_ANOTHER_ACCOUNT", value, sizeof value) != 0 ||
         __real__ZN2vl23DesktopOfAnotherAccountEv();
}

// A page that cannot be built, which no real page here gives: with VL_PROBE_SECOND_PAGE_FAILS the
// second page the installer builds (the first it moves to) fails as a page whose window cannot
// be made does. Build is a member function, whose `this` comes in ECX: the wrapper is one too,
// named by its linker symbol.
struct PageBuildProbe {
  bool Real(HWND owner) noexcept asm("___real__ZN2vl10PageWindow5BuildEP6HWND__");
  bool Wrapped(HWND owner) noexcept asm("___wrap__ZN2vl10PageWindow5BuildEP6HWND__");
};
bool PageBuildProbe::Wrapped(HWND owner) noexcept {
  static int builds = 0;
  char value[4];
  if (++builds == 2 && GetEnvironmentVariableA("VL_PROBE_SECOND_PAGE_FAILS", value, sizeof value) != 0) return false;
  return Real(owner);
}
