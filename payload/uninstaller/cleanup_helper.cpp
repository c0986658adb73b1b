// The uninstaller's clean-up helper, carried inside the uninstaller's own data: a program cannot
// delete its own file while it runs, so the uninstaller puts this helper into a new folder of its
// own in the temporary folder and starts it with
//
//     "<helper>" <process> <ready> "<uninstaller path>"
//
// where <process> is an inherited handle to the uninstaller's process and <ready> an inherited
// event. The helper accepts only when the handle is a live process running exactly that file,
// compared by the file's identity (volume serial number and file index) whatever form its path
// takes, and never itself: anyone else who starts it gets nothing done. Having accepted, it sets
// the event, waits for the uninstaller to end and, only when it ended with exit code 0 or 3010
// (nothing else was left, or only files the system deletes when it next starts), deletes the
// uninstaller's file and then the product folder if that is empty: each through a handle opened
// without following a link, and only when it is still the file or folder it accepted, so that
// one put in their place meanwhile is never deleted.
// Its own file and folder go when the system next starts: a running image cannot delete itself.
// A helper that refuses changes nothing; the uninstaller removes its file once it has ended.
//
// Exit codes: 0 the uninstaller's file deleted, 1 refused, 2 accepted but the uninstaller left
// something (its file stays for a second run) or could not be deleted.
//
// It needs no C or C++ runtime: its only input is its command line, which it reads, like every
// path it handles, as UTF-16 straight from the system.
#include <windows.h>

#include "dll_search_restriction.h"
#include "open_item_deletion.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"
#include "runtime_texts.h"

namespace {

enum : DWORD { kAttempts = 100, kPauseMs = 100 };
enum : UINT { kDeleted = 0, kRefused = 1, kLeft = 2 };
// The uninstaller's exit codes when it removed everything but its own file: now, or with some
// files left for the system to delete when it next starts.
constexpr DWORD kUninstallerCompleted = 0;
constexpr DWORD kUninstallerCompletedAtRestart = 3010;
// What the helper accepted: the uninstaller's file and the folder that holds it.
struct Accepted {
  BY_HANDLE_FILE_INFORMATION uninstaller;
  BY_HANDLE_FILE_INFORMATION folder;
};

// Room for the longest path the system knows, terminator included.
constexpr DWORD kPathCapacity = 32768;

// The paths the helper works with. From the heap: far too large for the stack of a program
// without a C runtime, which nothing would probe page by page.
struct Paths {
  wchar_t uninstaller[kPathCapacity];  // as the command line names it
  wchar_t self[kPathCapacity];         // this helper's file
  wchar_t image[kPathCapacity];        // the file the named process runs
};

// The command line after the program name (quoted or not), leading blanks skipped.
const wchar_t* Arguments(const wchar_t* line) {
  if (*line == L'"') {
    ++line;
    while (*line != L'\0' && *line != L'"') ++line;
    if (*line == L'"') ++line;
  } else {
    while (*line != L'\0' && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

// Reads a decimal number and the blanks after it; null when there is no number or it overflows.
const wchar_t* ReadNumber(const wchar_t* at, UINT_PTR* value) {
  UINT_PTR number = 0;
  const wchar_t* start = at;
  while (*at >= L'0' && *at <= L'9') {
    const auto digit = static_cast<UINT_PTR>(*at - L'0');
    if (number > (static_cast<UINT_PTR>(-1) - digit) / 10) return nullptr;
    number = number * 10 + digit;
    ++at;
  }
  if (at == start) return nullptr;
  while (*at == L' ' || *at == L'\t') ++at;
  *value = number;
  return at;
}

// Copies one quoted argument (quotes removed) into `out`; false when it is missing, unquoted,
// empty or too long.
bool QuotedArgument(const wchar_t* at, wchar_t* out, DWORD size) {
  DWORD length = 0;
  if (*at++ != L'"') return false;
  while (*at != L'\0' && *at != L'"') {
    if (length + 1 >= size) return false;
    out[length++] = *at++;
  }
  out[length] = L'\0';
  return *at == L'"' && length > 0;
}

// The folder part of `path` in place.
void CutToFolder(wchar_t* path) {
  wchar_t* last = nullptr;
  for (wchar_t* at = path; *at != L'\0'; ++at) {
    if (*at == L'\\') last = at;
  }
  if (last != nullptr) *last = L'\0';
}

// The wide form of one of the program's texts, converted without allocating: there is no heap
// of the C runtime here.
template <std::size_t N>
void WideConstant(const char* text, wchar_t (&out)[N]) {
  std::size_t length = 0;
  while (text[length] != '\0') ++length;
  vl::WideIntoBuffer({text, length}, out);
}

// The identity of the file or folder `path`: its volume serial number and file index.
bool IdentityOf(const wchar_t* path, BY_HANDLE_FILE_INFORMATION* identity) {
  const vl::UniqueFile file(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file && GetFileInformationByHandle(file.Get(), identity);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Whether `process` is a live process whose image is the file `paths.uninstaller`, and that file
// is not this helper's own (the pseudo handle of the own process would have it wait for itself);
// `accepted` then holds the identities of that file and of its folder.
bool IsRunningUninstaller(HANDLE process, Paths& paths, Accepted& accepted) {
  if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return false;
  DWORD size = kPathCapacity;
  if (!QueryFullProcessImageNameW(process, 0, paths.image, &size)) return false;
  BY_HANDLE_FILE_INFORMATION running;
  BY_HANDLE_FILE_INFORMATION own;
  if (!IdentityOf(paths.image, &running) || !IdentityOf(paths.uninstaller, &accepted.uninstaller) ||
      !IdentityOf(paths.self, &own) || !SameFile(running, accepted.uninstaller) || SameFile(accepted.uninstaller, own)) {
    return false;
  }
  lstrcpynW(paths.image, paths.uninstaller, kPathCapacity);
  CutToFolder(paths.image);
  return IdentityOf(paths.image, &accepted.folder);
}

// Deletes the file or empty folder at `path` through a handle opened without following a link,
// when it is the one `accepted`; tried again while it cannot be, `attempts` times in all (a
// process that has just ended may hold its image a moment longer). True when it is gone.
bool DeleteAccepted(const wchar_t* path, const BY_HANDLE_FILE_INFORMATION& accepted, DWORD attempts) {
  for (DWORD attempt = 0; attempt < attempts; ++attempt) {
    if (attempt != 0) Sleep(kPauseMs);
    const vl::UniqueFile item(CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!item) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
      continue;
    }
    BY_HANDLE_FILE_INFORMATION found;
    if (!GetFileInformationByHandle(item.Get(), &found) || !SameFile(found, accepted)) return false;
    if (DeleteOpenItem(item.Get())) return true;
  }
  return false;
}

// Waits for the accepted uninstaller to end and removes its file, then its folder if that is
// empty, when it completed.
UINT FinishUninstall(HANDLE process, wchar_t* path, const Accepted& accepted) {
  WaitForSingleObject(process, INFINITE);
  DWORD exitCode = 1;
  const bool completed = GetExitCodeProcess(process, &exitCode) &&
                         (exitCode == kUninstallerCompleted || exitCode == kUninstallerCompletedAtRestart);
  if (!completed || !DeleteAccepted(path, accepted.uninstaller, kAttempts)) return kLeft;
  CutToFolder(path);
  DeleteAccepted(path, accepted.folder, 1);
  return kDeleted;
}

}  // namespace

extern "C" void __stdcall HelperEntry() {
  if (!RestrictDllSearchToSystem()) {
    wchar_t text[256];
    wchar_t title[32];
    WideConstant(kSystemUpdateNeeded, text);
    WideConstant(kFatalErrorTitle, title);
    MessageBoxW(nullptr, text, title, MB_OK | MB_ICONERROR);
    ExitProcess(kRefused);
  }
  auto* paths = static_cast<Paths*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Paths)));
  if (paths == nullptr) ExitProcess(kRefused);
  Accepted accepted = {};
  UINT_PTR processValue = 0;
  UINT_PTR readyValue = 0;
  const DWORD selfLength = GetModuleFileNameW(nullptr, paths->self, kPathCapacity);
  const wchar_t* rest = ReadNumber(Arguments(GetCommandLineW()), &processValue);
  if (rest != nullptr) rest = ReadNumber(rest, &readyValue);
  const auto process = reinterpret_cast<HANDLE>(processValue);
  const auto ready = reinterpret_cast<HANDLE>(readyValue);
  if (selfLength == 0 || selfLength >= kPathCapacity || rest == nullptr ||
      !QuotedArgument(rest, paths->uninstaller, kPathCapacity) || !IsRunningUninstaller(process, *paths, accepted) ||
      !SetEvent(ready)) {
    ExitProcess(kRefused);
  }
  CloseHandle(ready);
  const UINT code = FinishUninstall(process, paths->uninstaller, accepted);
  CloseHandle(process);
  MoveFileExW(paths->self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  CutToFolder(paths->self);
  MoveFileExW(paths->self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  ExitProcess(code);
}
