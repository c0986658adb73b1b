// Built into a test build of the uninstaller, linked with --wrap=StartHelperProcess. At the
// moment the clean-up helper is started it records, in vl_helper_probe.txt in the temporary
// folder, the helper's path (as the system's bytes, GB18030) and the errors with which opening
// its file for writing and deleting it failed (0 when they succeeded). With
// VL_PROBE_HELPER_REFUSES set, it hands the helper a process handle of 0, which the helper must
// refuse. With VL_PROBE_HELPER_PROGRAM set, it starts that program as the helper, with the same
// command line.
#include <windows.h>

#include <string>

#include "runtime/memory.h"
#include "runtime/text_boundary.h"

extern "C" BOOL __real_StartHelperProcess(const wchar_t* program, wchar_t* commandLine, const wchar_t* currentFolder,
                                          PROCESS_INFORMATION* process);

namespace {

DWORD WriteOpenError(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(file);
  return 0;
}

DWORD DeleteError(const wchar_t* path) { return DeleteFileW(path) ? 0 : GetLastError(); }

std::string Bytes(const wchar_t* text) {
  char* bytes = vl::TextFromWide(text);
  std::string result = bytes != nullptr ? bytes : "?";
  vl::FreeMemory(bytes);
  return result;
}

void Record(const std::string& text) {
  wchar_t temp[MAX_PATH + 1] = L"";
  GetTempPathW(MAX_PATH + 1, temp);
  HANDLE file = CreateFileW((std::wstring(temp) + L"vl_helper_probe.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// The command line is "<helper>" <process> <ready> "<uninstaller>": blanks out the process
// handle's number but for a 0.
void RefuseProcessHandle(wchar_t* commandLine) {
  wchar_t* at = commandLine + 1;
  while (*at != L'"') ++at;
  at += 2;
  *at++ = L'0';
  while (*at >= L'0' && *at <= L'9') *at++ = L' ';
}

}  // namespace

extern "C" BOOL __wrap_StartHelperProcess(const wchar_t* program, wchar_t* commandLine, const wchar_t* currentFolder,
                                          PROCESS_INFORMATION* process) {
  Record("helper=" + Bytes(program) + "\r\nwrite=" + std::to_string(WriteOpenError(program)) +
         "\r\ndelete=" + std::to_string(DeleteError(program)) + "\r\n");
  if (GetEnvironmentVariableW(L"VL_PROBE_HELPER_REFUSES", nullptr, 0) > 0) RefuseProcessHandle(commandLine);
  wchar_t standIn[MAX_PATH] = L"";
  const DWORD length = GetEnvironmentVariableW(L"VL_PROBE_HELPER_PROGRAM", standIn, MAX_PATH);
  return __real_StartHelperProcess(length > 0 && length < MAX_PATH ? standIn : program, commandLine, currentFolder,
                                   process);
}
