#pragma once
// The first thing each of the product's programs does: confine the DLL search to the system
// folder. The programs run elevated from folders that others can write (a download folder, the
// temporary folder), where a planted DLL must never be loaded.

#ifdef __cplusplus
extern "C" {
#endif

// Takes the current folder out of the DLL search and restricts the search of the whole process
// to the system folder. Returns 0 on a system without SetDefaultDllDirectories (Vista, and 7 or
// Server 2008 R2 without update KB2533623), where that cannot be done: the program must then
// show kSystemUpdateNeeded and end without doing anything.
int RestrictDllSearchToSystem(void);

#ifdef __cplusplus
}
#endif
