#include "hidden_window.h"

#include "frame.h"
#include "private_messages.h"
#include "runtime_texts.h"
#include "window_class.h"
#include "window_text.h"

namespace vl {
namespace {

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kEndProgramRequest) EndProgram(static_cast<int>(wParam));
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND CreateHiddenRequestWindow() noexcept {
  if (!RegisterRuntimeWindowClass(kHiddenWindowClass, HiddenWindowProc, 0)) return nullptr;
  return CreateTextWindow(WS_EX_TOOLWINDOW, kHiddenWindowClass, kEmptyText, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          nullptr);
}

}  // namespace vl
