// The process entry of every program built on the runtime: the framework's start, the program's
// entry routine, and the exit processing once it returns.
#include <windows.h>

#include "dll_search_restriction.h"
#include "frame.h"
#include "message_box.h"
#include "runtime_texts.h"
#include "startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything can load a DLL: the program's folder is about to become the current one.
  if (!RestrictDllSearchToSystem()) {
    vl::ShowFatalBox(kSystemUpdateNeeded);
    ExitProcess(static_cast<UINT>(-1));
  }
  ProgramEntry();
  // ProgramEntry returns once its message loop has ended: the program ends normally.
  vl::RunEndRoutine(0);
  ExitProcess(0);
}
