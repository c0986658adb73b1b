#include "display_scale.h"

#include "runtime/unique_handle.h"

namespace vl {

int ScaleInt(int value, int numerator, int denominator) noexcept {
  if (denominator == 0) return -1;
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  const int product = value * numerator;
  const int half = denominator / 2;
  return product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
}

RECT ScaledPlace(int left, int top, int width, int height, int dpi) noexcept {
  return {ScaleToDpi(left, dpi), ScaleToDpi(top, dpi), ScaleToDpi(left + width, dpi), ScaleToDpi(top + height, dpi)};
}

int SystemDpi() noexcept {
  // Fixed for the life of the process.
  static const int dpi = [] {
    UniqueDc screen(CreateCompatibleDC(nullptr));
    return screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : kStoredDpi;
  }();
  return dpi;
}

int WindowDpi(HWND window) noexcept {
  // Looked up, not imported: systems before Windows 10 (1607) have no per-window DPI and would
  // refuse to load a program that imports it.
  using DpiOfWindow = UINT(WINAPI*)(HWND);
  static const auto dpiOfWindow = reinterpret_cast<DpiOfWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const int dpi = dpiOfWindow != nullptr ? static_cast<int>(dpiOfWindow(window)) : 0;
  return dpi > 0 ? dpi : SystemDpi();
}

}  // namespace vl
