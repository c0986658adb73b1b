#include "window_class.h"

namespace vl {

bool RegisterRuntimeWindowClass(const char* name, WNDPROC procedure, UINT style) noexcept {
  WNDCLASSA windowClass{};
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  windowClass.hbrBackground = nullptr;
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace vl
