// The end of the program: the end routine and EndProgram.
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

}  // namespace

void RunEndRoutine(int exitCode) noexcept {
  Runtime& runtime = TheRuntime();
  runtime.SuspendEvents();
  if (!runtime.OnGuiThread()) {
    if (HWND requests = runtime.HiddenWindow()) {
      SendMessageW(requests, kEndProgramRequest, static_cast<WPARAM>(exitCode), 0);
    }
    if (!runtime.Ending()) ExitProcess(static_cast<UINT>(exitCode));
    return;
  }
  if (g_endRoutineRan) return;
  g_endRoutineRan = true;
  runtime.SetEnding();
  runtime.ClearIdleCallbacks();
  runtime.DestroyAllPages();
  runtime.ReleasePages();
  if (CleanupRoutine cleanup = runtime.TakeCleanupRoutine()) cleanup();
  NotifyLibraries(kLibraryEndCode);
  runtime.ReleaseLoadedLibraries();
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

}  // namespace vl
