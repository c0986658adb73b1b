#include "dll_search_restriction.h"

#include <windows.h>

extern "C" int RestrictDllSearchToSystem(void) {
  SetDllDirectoryW(L"");
  // Looked up rather than imported: a program that imports it does not even load where it is
  // missing, and could not tell the user why.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
  return setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) ? 1 : 0;
}
