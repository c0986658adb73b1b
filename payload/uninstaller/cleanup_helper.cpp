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
// the event, waits for the uninstaller to end and, only when it ended with exit code 0 (nothing
// else was left), deletes the uninstaller's file and then the product folder if that is empty.
// Its own file and folder go when the system next starts: a running image cannot delete itself.
// A helper that refuses changes nothing; the uninstaller removes its file once it has ended.
//
// Exit codes: 0 the uninstaller's file deleted, 1 refused, 2 accepted but the uninstaller left
// something (its file stays for a second run) or could not be deleted.
//
// It needs no C or C++ runtime: its only input is its command line.
#include <windows.h>

#include "dll_search_restriction.h"
#include "runtime/unique_handle.h"
#include "runtime_texts.h"

namespace {

enum : DWORD { kAttempts = 100, kPauseMs = 100 };
enum : UINT { kDeleted = 0, kRefused = 1, kLeft = 2 };
// The uninstaller's exit code when it removed everything but its own file.
constexpr DWORD kUninstallerCompleted = 0;

// The command line after the program name (quoted or not), leading blanks skipped.
const char* Arguments(const char* line) {
  if (*line == '"') {
    ++line;
    while (*line != '\0' && *line != '"') ++line;
    if (*line == '"') ++line;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

// Reads a decimal number and the blanks after it; null when there is no number or it overflows.
const char* ReadNumber(const char* at, UINT_PTR* value) {
  UINT_PTR number = 0;
  const char* start = at;
  while (*at >= '0' && *at <= '9') {
    const auto digit = static_cast<UINT_PTR>(*at - '0');
    if (number > (static_cast<UINT_PTR>(-1) - digit) / 10) return nullptr;
    number = number * 10 + digit;
    ++at;
  }
  if (at == start) return nullptr;
  while (*at == ' ' || *at == '\t') ++at;
  *value = number;
  return at;
}

// Copies one quoted argument (quotes removed) into `out`; false when it is missing, unquoted,
// empty or too long.
bool QuotedArgument(const char* at, char* out, int size) {
  int length = 0;
  if (*at++ != '"') return false;
  while (*at != '\0' && *at != '"') {
    if (length + 1 >= size) return false;
    out[length++] = *at++;
  }
  out[length] = '\0';
  return *at == '"' && length > 0;
}

// The folder part of `path` in place; the second byte of a double-byte character is never taken
// for a backslash.
void CutToFolder(char* path) {
  char* last = nullptr;
  for (char* at = path; *at != '\0'; at = CharNextA(at)) {
    if (*at == '\\') last = at;
  }
  if (last != nullptr) *last = '\0';
}

// The identity of the file or folder `path`: its volume serial number and file index.
bool IdentityOf(const char* path, BY_HANDLE_FILE_INFORMATION* identity) {
  const vl::UniqueFile file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file && GetFileInformationByHandle(file.Get(), identity);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Whether `process` is a live process whose image is the file `path`, and that file is not this
// helper's own (the pseudo handle of the own process would have it wait for itself).
bool IsRunningUninstaller(HANDLE process, const char* path, const char* self) {
  if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return false;
  char image[MAX_PATH * 2];
  DWORD size = sizeof image;
  if (!QueryFullProcessImageNameA(process, 0, image, &size)) return false;
  BY_HANDLE_FILE_INFORMATION running;
  BY_HANDLE_FILE_INFORMATION named;
  BY_HANDLE_FILE_INFORMATION own;
  return IdentityOf(image, &running) && IdentityOf(path, &named) && IdentityOf(self, &own) &&
         SameFile(running, named) && !SameFile(named, own);
}

bool DeleteWhenFree(const char* path) {
  for (DWORD attempt = 0; attempt < kAttempts; ++attempt) {
    // A process that has just ended may hold its image a moment longer.
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    Sleep(kPauseMs);
  }
  return false;
}

// Waits for the accepted uninstaller to end and removes its file when it completed.
UINT FinishUninstall(HANDLE process, char* path) {
  WaitForSingleObject(process, INFINITE);
  DWORD exitCode = 1;
  const bool completed = GetExitCodeProcess(process, &exitCode) && exitCode == kUninstallerCompleted;
  if (!completed || !DeleteWhenFree(path)) return kLeft;
  CutToFolder(path);
  RemoveDirectoryA(path);
  return kDeleted;
}

}  // namespace

extern "C" void __stdcall HelperEntry() {
  if (!RestrictDllSearchToSystem()) {
    MessageBoxA(nullptr, kSystemUpdateNeeded, kFatalErrorTitle, MB_OK | MB_ICONERROR);
    ExitProcess(kRefused);
  }
  char path[MAX_PATH * 2];
  char self[MAX_PATH * 2];
  UINT_PTR processValue = 0;
  UINT_PTR readyValue = 0;
  const DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof self);
  const char* rest = ReadNumber(Arguments(GetCommandLineA()), &processValue);
  if (rest != nullptr) rest = ReadNumber(rest, &readyValue);
  const auto process = reinterpret_cast<HANDLE>(processValue);
  const auto ready = reinterpret_cast<HANDLE>(readyValue);
  if (selfLength == 0 || selfLength >= sizeof self || rest == nullptr || !QuotedArgument(rest, path, sizeof path) ||
      !IsRunningUninstaller(process, path, self) || !SetEvent(ready)) {
    ExitProcess(kRefused);
  }
  CloseHandle(ready);
  const UINT code = FinishUninstall(process, path);
  CloseHandle(process);
  MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  CutToFolder(self);
  MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  ExitProcess(code);
}
