#pragma once
// DLL loading confined to the system folder. The program's folder becomes the current folder
// and is typically a download folder: no DLL planted there may ever be loaded.
#include <windows.h>

#include "unique_handle.h"

namespace vl {

// Restricts the DLL search of the whole process to the system folder and takes the current
// folder out of it. Runs first thing in the process entry.
void RestrictDllSearch() noexcept;

// Loads a DLL of the system folder by file name; an invalid handle when it cannot.
UniqueModule LoadSystemLibrary(const char* fileName) noexcept;

}  // namespace vl
