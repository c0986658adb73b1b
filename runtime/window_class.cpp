#include "window_class.h"

#include "text_boundary.h"

namespace vl {

bool RegisterRuntimeWindowClass(std::string_view name, WNDPROC procedure, UINT style) noexcept {
  const WideText wideName(name);
  if (!wideName.Valid()) return false;
  WNDCLASSW windowClass{};
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  windowClass.hbrBackground = nullptr;
  windowClass.lpszClassName = wideName.Get();
  return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace vl
