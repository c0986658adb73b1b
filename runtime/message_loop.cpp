// The program's message loop and its start page.
#include <windows.h>

#include "fatal_error.h"
#include "frame.h"
#include "runtime_object.h"
#include "runtime_texts.h"

namespace vl {

void LoadStartPage(std::uint32_t /*pageId*/) noexcept {
  // The start page is looked up among the page descriptions read at start-up; this build reads
  // none (a program carrying any stops at start-up), so every id is unknown here.
  FatalRuntimeError(kLoadStartPageFailed);
}

void RunMessageLoop() noexcept {
  Runtime& runtime = TheRuntime();
  runtime.SetLoopStarted();
  if (!runtime.AnyPageWindowAlive()) return;
  MSG message;
  for (;;) {
    while (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      runtime.RunIdleCallbacks();
      WaitMessage();
    }
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) return;  // the quit message
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace vl
