#pragma once
// DLL loading confined to the system folder. The program's folder becomes the current folder
// and is typically a download folder: no DLL planted there may ever be loaded. The process entry
// has restricted the search (dll_search_restriction.h) before anything else.
#include <windows.h>

#include "unique_handle.h"

namespace vl {

// Loads a DLL of the system folder by file name; an invalid handle when it cannot.
UniqueModule LoadSystemLibrary(const char* fileName) noexcept;

}  // namespace vl
