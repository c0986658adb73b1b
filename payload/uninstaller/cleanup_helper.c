/* The uninstaller's clean-up helper, carried inside the uninstaller's own data: a program
 * cannot delete its own file while it runs, so the uninstaller writes this helper to the
 * temporary folder and starts it with
 *
 *     "<helper>" <process> <ready> "<uninstaller path>"
 *
 * where <process> is an inherited handle to the uninstaller's process and <ready> an inherited
 * event. The helper checks that the handle is a process running exactly that uninstaller (anyone
 * else starting it gets nothing done), sets the event so that the uninstaller knows its file will
 * go (it waits for that before it reports success), waits for that process to end, deletes its file and then the folder that held it if
 * the folder is empty, and finally has its own file deleted when the system next starts.
 *
 * It needs no C runtime: its only input is its command line. */
#include <windows.h>
#include <psapi.h>

enum { kAttempts = 100, kPauseMs = 100 };

/* The command line after the program name (quoted or not), leading blanks skipped. */
static const char* Arguments(const char* line) {
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

/* Reads a decimal number and the blanks after it; 0 when there is no number or it overflows. */
static const char* ReadNumber(const char* at, UINT_PTR* value) {
  UINT_PTR number = 0;
  const char* start = at;
  while (*at >= '0' && *at <= '9') {
    const UINT_PTR digit = (UINT_PTR)(*at - '0');
    if (number > (((UINT_PTR)-1) - digit) / 10) return 0;
    number = number * 10 + digit;
    ++at;
  }
  if (at == start) return 0;
  while (*at == ' ' || *at == '\t') ++at;
  *value = number;
  return at;
}

/* Copies one quoted argument (quotes removed) into `out`; 0 when it is missing, unquoted, empty
 * or too long. */
static int QuotedArgument(const char* at, char* out, int size) {
  int length = 0;
  if (*at++ != '"') return 0;
  while (*at != '\0' && *at != '"') {
    if (length + 1 >= size) return 0;
    out[length++] = *at++;
  }
  out[length] = '\0';
  return *at == '"' && length > 0;
}

/* The folder part of `path` in place; the second byte of a double-byte character is never
 * taken for a backslash. */
static void CutToFolder(char* path) {
  char* last = 0;
  char* at = path;
  while (*at != '\0') {
    if (*at == '\\') last = at;
    at = CharNextA(at);
  }
  if (last != 0) *last = '\0';
}

/* Whether `process` is another live process whose image is the file `path` (never this helper:
 * the pseudo handle of the own process would have it wait for itself). */
static int IsRunning(HANDLE process, const char* path, const char* self) {
  char image[MAX_PATH * 2];
  if (lstrcmpiA(path, self) == 0) return 0;
  if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return 0;
  if (GetModuleFileNameExA(process, 0, image, sizeof image) == 0) return 0;
  return lstrcmpiA(image, path) == 0;
}

static int DeleteWhenFree(const char* path) {
  int attempt;
  for (attempt = 0; attempt < kAttempts; ++attempt) {
    /* A process that has just ended may hold its image a moment longer. */
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) return 1;
    Sleep(kPauseMs);
  }
  return 0;
}

void __stdcall HelperEntry(void) {
  char path[MAX_PATH * 2];
  char self[MAX_PATH * 2];
  UINT code = 1;
  UINT_PTR processValue = 0;
  UINT_PTR readyValue = 0;
  const DWORD selfLength = GetModuleFileNameA(0, self, sizeof self);
  const char* rest = ReadNumber(Arguments(GetCommandLineA()), &processValue);
  if (rest != 0) rest = ReadNumber(rest, &readyValue);
  if (selfLength > 0 && selfLength < sizeof self && rest != 0 &&
      QuotedArgument(rest, path, sizeof path) && IsRunning((HANDLE)processValue, path, self) &&
      SetEvent((HANDLE)readyValue)) {
    CloseHandle((HANDLE)readyValue);
    WaitForSingleObject((HANDLE)processValue, INFINITE);
    CloseHandle((HANDLE)processValue);
    if (DeleteWhenFree(path)) {
      code = 0;
      CutToFolder(path);
      RemoveDirectoryA(path);
    }
  }
  /* The helper's own file goes when the system next starts: it cannot delete itself either. */
  if (code == 0) MoveFileExA(self, 0, MOVEFILE_DELAY_UNTIL_REBOOT);
  ExitProcess(code);
}
