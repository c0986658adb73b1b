#include "shell_functions.h"

#include <shellapi.h>

#include "runtime/unique_handle.h"

namespace vl::shell {
namespace {

struct Functions {
  decltype(&::CommandLineToArgvW) commandLineToArgv = nullptr;
  decltype(&::SHGetSpecialFolderPathW) getSpecialFolderPath = nullptr;
  decltype(&::SHBrowseForFolderW) browseForFolder = nullptr;
  decltype(&::SHGetPathFromIDListW) getPathFromIdList = nullptr;
  decltype(&::SHGetMalloc) getMalloc = nullptr;
  decltype(&::AssocQueryStringW) assocQueryString = nullptr;
};

template <class Function>
void Resolve(HMODULE module, const char* name, Function& function) noexcept {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loaded once, on the first call, and kept for the rest of the run. Only the GUI thread calls.
const Functions& Loaded() noexcept {
  static UniqueModule module;
  static UniqueModule lightweightModule;
  static Functions functions;
  static bool tried = false;
  if (tried) return functions;
  tried = true;
  module.Reset(LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!module) return functions;
  Resolve(module.Get(), "CommandLineToArgvW", functions.commandLineToArgv);
  Resolve(module.Get(), "SHGetSpecialFolderPathW", functions.getSpecialFolderPath);
  Resolve(module.Get(), "SHBrowseForFolderW", functions.browseForFolder);
  Resolve(module.Get(), "SHGetPathFromIDListW", functions.getPathFromIdList);
  Resolve(module.Get(), "SHGetMalloc", functions.getMalloc);
  lightweightModule.Reset(LoadLibraryExW(L"shlwapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (lightweightModule) Resolve(lightweightModule.Get(), "AssocQueryStringW", functions.assocQueryString);
  return functions;
}

}  // namespace

void Load() noexcept { static_cast<void>(Loaded()); }

LPWSTR* CommandLineToArgv(LPCWSTR line, int* count) noexcept {
  const auto function = Loaded().commandLineToArgv;
  return function != nullptr ? function(line, count) : nullptr;
}

BOOL GetSpecialFolderPath(LPWSTR path, int csidl) noexcept {
  const auto function = Loaded().getSpecialFolderPath;
  return function != nullptr ? function(nullptr, path, csidl, FALSE) : FALSE;
}

PIDLIST_ABSOLUTE BrowseForFolder(BROWSEINFOW* info) noexcept {
  const auto function = Loaded().browseForFolder;
  return function != nullptr ? function(info) : nullptr;
}

BOOL GetPathFromIdList(PCIDLIST_ABSOLUTE items, LPWSTR path) noexcept {
  const auto function = Loaded().getPathFromIdList;
  return function != nullptr ? function(items, path) : FALSE;
}

HRESULT GetMalloc(IMalloc** allocator) noexcept {
  const auto function = Loaded().getMalloc;
  return function != nullptr ? function(allocator) : E_FAIL;
}

HRESULT AssocQueryString(ASSOCSTR what, LPCWSTR association, LPWSTR out, DWORD* length) noexcept {
  const auto function = Loaded().assocQueryString;
  return function != nullptr ? function(ASSOCF_NONE, what, association, nullptr, out, length) : E_FAIL;
}

}  // namespace vl::shell
