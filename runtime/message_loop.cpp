// The program's message loop and its start page.
#include <windows.h>

#include "fatal_error.h"
#include "frame.h"
#include "runtime/controls/page_runtime.h"
#include "runtime/controls/page_window.h"
#include "runtime_object.h"
#include "runtime_texts.h"

namespace vl {
namespace {

// Keyboard navigation inside a page: the page whose control has the message does it.
bool PageKeyboardMessage(MSG& message) noexcept {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || message.hwnd == nullptr) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (PageWindow::FromWindow(root) == nullptr) return false;
  return IsDialogMessageW(root, &message) != FALSE;
}

}  // namespace

void LoadStartPage(std::uint32_t pageId) noexcept {
  if (!LoadPage(pageId, 0, false)) FatalRuntimeError(kLoadStartPageFailed);
}

void RunMessageLoop() noexcept {
  Runtime& runtime = TheRuntime();
  runtime.SetLoopStarted();
  if (!runtime.AnyPageWindowAlive()) return;
  MSG message;
  for (;;) {
    while (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      runtime.RunIdleCallbacks();
      WaitMessage();
    }
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) return;  // the quit message
    // Tab and the arrow keys move the focus between a page's controls, as in a dialog.
    if (PageKeyboardMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace vl
