#pragma once
// The SHELL32 functions the programs call, loaded from the system folder the first time one is
// called instead of named in the import table. With what it loads in turn (shcore, shlwapi),
// SHELL32 is the costliest DLL of a start, and the installer needs it only to read switches,
// browse for a folder and install: never to show its first page. Each function returns what the
// system's returns, or the system's failure value when SHELL32 or the function cannot be loaded.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace vl::shell {

// Loads SHELL32 now (once), so that no later call pays for it.
void Load() noexcept;

LPWSTR* CommandLineToArgv(LPCWSTR line, int* count) noexcept;
BOOL GetSpecialFolderPath(LPWSTR path, int csidl) noexcept;
PIDLIST_ABSOLUTE BrowseForFolder(BROWSEINFOW* info) noexcept;
BOOL GetPathFromIdList(PCIDLIST_ABSOLUTE items, LPWSTR path) noexcept;
HRESULT GetMalloc(IMalloc** allocator) noexcept;
// From SHLWAPI, which SHELL32 loads: what the system associates with `association`, without flags
// or verb.
HRESULT AssocQueryString(ASSOCSTR what, LPCWSTR association, LPWSTR out, DWORD* length) noexcept;

}  // namespace vl::shell
