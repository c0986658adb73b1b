// The installer's fatal end, and that of the Windows test programs on the runtime: the composed
// text in the runtime's fatal box, then the runtime's end without the program's clean-up routine.
#include <windows.h>

#include "fatal_error.h"
#include "frame.h"
#include "message_box.h"
#include "runtime_object.h"

namespace vl {
namespace {

LONG g_inFatalError = 0;

}  // namespace

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
