#include "dll_search.h"

#include <string>

namespace vl {

void RestrictDllSearch() noexcept {
  // SetDefaultDllDirectories arrived with an update of Windows 7; look it up rather than import
  // it, so that the program still starts where it is missing (SetDllDirectory then still keeps
  // the current folder out).
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  SetDllDirectoryA("");
}

UniqueModule LoadSystemLibrary(const char* fileName) noexcept {
  UniqueModule module(LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (module) return module;
  // Without the search flags (older systems) name the file by its full system-folder path.
  char folder[MAX_PATH];
  const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::string path(folder, n);
  path += '\\';
  path += fileName;
  return UniqueModule(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace vl
