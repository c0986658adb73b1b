// The end of the program: the end routine, EndProgram and the fatal error path.
#include <windows.h>
#include <ole2.h>

#include "fatal_error.h"
#include "frame.h"
#include "message_box.h"
#include "private_messages.h"
#include "runtime_object.h"
#include "runtime_texts.h"
#include "startup.h"

namespace vl {
namespace {

bool g_endRoutineRan = false;
EndObserver g_endObserver = nullptr;
LONG g_inFatalError = 0;

}  // namespace

void RunEndRoutine(int exitCode) noexcept {
  Runtime& runtime = TheRuntime();
  runtime.SuspendEvents();                                                 // 1
  if (!runtime.OnGuiThread()) {                                            // 2
    if (HWND requests = runtime.HiddenWindow()) {
      SendMessageW(requests, kEndProgramRequest, static_cast<WPARAM>(exitCode), 0);
    }
    if (!runtime.Ending()) ExitProcess(static_cast<UINT>(exitCode));
    return;
  }
  if (g_endRoutineRan) return;
  g_endRoutineRan = true;
  runtime.SetEnding();                                                     // 3
  runtime.ClearIdleCallbacks();                                            // 4
  runtime.DestroyAllPages();                                               // 5
  runtime.ReleasePages();
  if (CleanupRoutine cleanup = runtime.TakeCleanupRoutine()) cleanup();    // 6
  NotifyLibraries(kLibraryEndCode);                                        // 7
  runtime.ReleaseLoadedLibraries();                                        // 8
  runtime.SetHiddenWindow(nullptr);
  if (runtime.OleInitialised()) {
    if (runtime.Unattended()) CoUninitialize();
    else OleUninitialize();
    runtime.SetOleInitialised(false);
  }
  if (g_endObserver != nullptr) g_endObserver(exitCode);
}

void SetEndObserver(EndObserver observer) noexcept { g_endObserver = observer; }

void EndProgram(int exitCode) noexcept {
  RunEndRoutine(exitCode);
  ExitProcess(static_cast<UINT>(exitCode));
}

void FatalRuntimeError(const char* message, int errorCode) noexcept {
  // A fatal error inside the fatal path (the box itself failing to allocate, say) ends at once.
  if (InterlockedExchange(&g_inFatalError, 1) != 0) ExitProcess(static_cast<UINT>(-1));
  Runtime& runtime = TheRuntime();
  runtime.SuspendEvents();
  char text[kFatalTextCapacity];
  ComposeFatalErrorText(text, message, errorCode);
  ShowFatalBox(text);
  runtime.ForgetCleanupRoutine();
  EndProgram(-1);
}

}  // namespace vl
