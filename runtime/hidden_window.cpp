#include "hidden_window.h"

#include "frame.h"
#include "private_messages.h"
#include "runtime_texts.h"
#include "window_class.h"

namespace vl {
namespace {

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kEndProgramRequest) EndProgram(static_cast<int>(wParam));
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND CreateHiddenRequestWindow() noexcept {
  if (!RegisterRuntimeWindowClass(kHiddenWindowClass, HiddenWindowProc, 0)) return nullptr;
  return CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenWindowClass, kEmptyText, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace vl
