#include "hidden_window.h"

#include "frame.h"
#include "private_messages.h"
#include "runtime_texts.h"

namespace vl {
namespace {

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kEndProgramRequest) EndProgram(static_cast<int>(wParam));
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterHiddenWindowClass(HINSTANCE instance) noexcept {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = HiddenWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = nullptr;
  windowClass.lpszClassName = kHiddenWindowClass;
  return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateHiddenRequestWindow() noexcept {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterHiddenWindowClass(instance)) return nullptr;
  return CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenWindowClass, kEmptyText, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         instance, nullptr);
}

}  // namespace vl
