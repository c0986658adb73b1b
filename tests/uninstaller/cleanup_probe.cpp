// Built into a test build of the clean-up helper, linked with --wrap=DeleteOpenItem. Before each
// deletion the helper makes through a handle, it appends where the handle leads (as the system
// reports it, UTF-16, one line each) to vl_helper_deletions.txt in the temporary folder. Like the
// helper, it needs no C or C++ runtime.
#include <windows.h>

extern "C" bool __real__Z14DeleteOpenItemPv(HANDLE item);

extern "C" bool __wrap__Z14DeleteOpenItemPv(HANDLE item) {
  wchar_t line[1024];
  DWORD length = GetFinalPathNameByHandleW(item, line, 1000, 0);
  if (length >= 1000) length = 0;
  line[length++] = L'\n';
  wchar_t record[MAX_PATH + 32];
  const DWORD folder = GetTempPathW(MAX_PATH + 1, record);
  lstrcpyW(record + (folder <= MAX_PATH ? folder : 0), L"vl_helper_deletions.txt");
  HANDLE file = CreateFileW(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, line, length * sizeof(wchar_t), &written, nullptr);
  CloseHandle(file);
  return __real__Z14DeleteOpenItemPv(item);
}
