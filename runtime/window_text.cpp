#include "window_text.h"

#include <algorithm>

#include "memory.h"
#include "text_boundary.h"

namespace vl {

HWND CreateTextWindow(DWORD exStyle, std::string_view className, std::string_view title, DWORD style, int left, int top,
                      int width, int height, HWND parent, HMENU menu, void* param) noexcept {
  const WideText wideClass(className);
  const WideText wideTitle(title);
  if (!wideClass.Valid() || !wideTitle.Valid()) return nullptr;
  return CreateWindowExW(exStyle, wideClass.Get(), wideTitle.Get(), style, left, top, width, height, parent, menu,
                         GetModuleHandleW(nullptr), param);
}

bool SetWindowBytes(HWND window, std::string_view text) noexcept {
  const WideText wide(text);
  return wide.Valid() && SetWindowTextW(window, wide.Get()) != FALSE;
}

char* WindowBytes(HWND window, std::size_t* length, int from, int to) noexcept {
  const int capacity = GetWindowTextLengthW(window) + 1;
  auto* wide = static_cast<wchar_t*>(AllocateMemory(static_cast<std::size_t>(capacity) * sizeof(wchar_t)));
  const int read = std::max(GetWindowTextW(window, wide, capacity), 0);
  to = to < 0 ? read : std::min(to, read);
  from = std::clamp(from, 0, to);
  char* bytes = TextFromWide({wide + from, static_cast<std::size_t>(to - from)}, length);
  FreeMemory(wide);
  return bytes;
}

}  // namespace vl
