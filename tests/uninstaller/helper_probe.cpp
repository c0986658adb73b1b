// Built into a test build of the uninstaller, linked with --wrap=StartHelperProcess. At the
// moment the clean-up helper is started it records, in vl_helper_probe.txt in the temporary
// folder, the helper's path and the errors with which opening its file for writing and deleting
// it failed (0 when they succeeded). With VL_PROBE_HELPER_REFUSES set, it hands the helper a
// process handle of 0, which the helper must refuse.
#include <windows.h>

#include <string>

extern "C" BOOL __real_StartHelperProcess(const char* program, char* commandLine, const char* currentFolder,
                                          PROCESS_INFORMATION* process);

namespace {

DWORD WriteOpenError(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(file);
  return 0;
}

DWORD DeleteError(const char* path) { return DeleteFileA(path) ? 0 : GetLastError(); }

void Record(const std::string& text) {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  HANDLE file = CreateFileA((std::string(temp) + "vl_helper_probe.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// The command line is "<helper>" <process> <ready> "<uninstaller>": blanks out the process
// handle's number but for a 0.
void RefuseProcessHandle(char* commandLine) {
  char* at = commandLine + 1;
  while (*at != '"') ++at;
  at += 2;
  *at++ = '0';
  while (*at >= '0' && *at <= '9') *at++ = ' ';
}

}  // namespace

extern "C" BOOL __wrap_StartHelperProcess(const char* program, char* commandLine, const char* currentFolder,
                                          PROCESS_INFORMATION* process) {
  Record("helper=" + std::string(program) + "\r\nwrite=" + std::to_string(WriteOpenError(program)) +
         "\r\ndelete=" + std::to_string(DeleteError(program)) + "\r\n");
  if (GetEnvironmentVariableA("VL_PROBE_HELPER_REFUSES", nullptr, 0) > 0) RefuseProcessHandle(commandLine);
  return __real_StartHelperProcess(program, commandLine, currentFolder, process);
}
