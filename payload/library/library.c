/* One of the player's runtime libraries. Every library is built from this source under its own
 * file name (VL_LIBRARY_NAME); the player asks each, through GetLibraryInfo, which library it is
 * and for which version of the player it was made.
 *
 * The libraries need no C runtime: they hold constant data and one function. */
#include <windows.h>

struct LibraryInfo {
  const char* name;           /* the library's file name */
  unsigned short playerMajor; /* the player version it belongs to */
  unsigned short playerMinor;
};

static const struct LibraryInfo kInfo = {VL_LIBRARY_NAME, 2, 6};

__declspec(dllexport) const struct LibraryInfo* GetLibraryInfo(void) { return &kInfo; }

BOOL WINAPI LibraryEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  /* No thread notifications: the library keeps no per-thread state. */
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
