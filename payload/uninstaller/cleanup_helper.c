/* The uninstaller's clean-up helper, carried inside the uninstaller's own data: a program
 * cannot delete its own file while it runs, so the uninstaller writes this helper to the
 * temporary folder and starts it with its own path on the command line. The helper retries
 * deleting that file until the uninstaller has ended (at most about ten seconds), then removes
 * the folder that held it if the folder is empty.
 *
 * It needs no C runtime: its only input is its command line, its only work two kernel calls. */
#include <windows.h>

enum { kAttempts = 100, kPauseMs = 100 };

/* The command line after the program name (quoted or not), leading spaces skipped. */
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

/* Copies the first argument (quotes removed) into `out`; 0 when it is missing or too long. */
static int FirstArgument(const char* arguments, char* out, int size) {
  int length = 0;
  const int quoted = *arguments == '"';
  if (quoted) ++arguments;
  while (*arguments != '\0' && (quoted ? *arguments != '"' : *arguments != ' ')) {
    if (length + 1 >= size) return 0;
    out[length++] = *arguments++;
  }
  out[length] = '\0';
  return length > 0;
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

void __stdcall HelperEntry(void) {
  char path[MAX_PATH];
  UINT code = 1;
  if (FirstArgument(Arguments(GetCommandLineA()), path, MAX_PATH)) {
    int attempt;
    for (attempt = 0; attempt < kAttempts; ++attempt) {
      if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) {
        code = 0;
        break;
      }
      Sleep(kPauseMs);
    }
    if (code == 0) {
      CutToFolder(path);
      RemoveDirectoryA(path);
    }
  }
  ExitProcess(code);
}
