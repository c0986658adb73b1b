#include "hidden_window.h"

#include "frame.h"
#include "private_messages.h"
#include "runtime_object.h"
#include "runtime_texts.h"
#include "window_class.h"
#include "window_text.h"

namespace vl {
namespace {

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kEndProgramRequest) EndProgram(static_cast<int>(wParam));
  if (message == kRunRoutineRequest) {
    reinterpret_cast<void (*)()>(lParam)();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void PostToGuiThread(void (*routine)()) noexcept {
  PostMessageW(TheRuntime().HiddenWindow(), kRunRoutineRequest, 0, reinterpret_cast<LPARAM>(routine));
}

HWND CreateHiddenRequestWindow() noexcept {
  if (!RegisterRuntimeWindowClass(kHiddenWindowClass, HiddenWindowProc, 0)) return nullptr;
  return CreateTextWindow(WS_EX_TOOLWINDOW, kHiddenWindowClass, kEmptyText, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          nullptr);
}

}  // namespace vl
