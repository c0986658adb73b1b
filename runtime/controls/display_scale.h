#pragma once
// Pages are described for a 96-DPI display. On a display of another scale every window rectangle,
// font height and line width is derived from the stored values at the page's DPI; the stored
// values themselves never change with the display.
#include <windows.h>

namespace vl {

inline constexpr int kStoredDpi = 96;

// value x numerator / denominator, rounded to the nearest integer with halves away from zero
// (the system's MulDiv); a denominator of 0 gives -1. For the values of pages: the product must
// fit in 32 bits.
int ScaleInt(int value, int numerator, int denominator) noexcept;

// A stored length or coordinate at `dpi`.
inline int ScaleToDpi(int value, int dpi) noexcept { return ScaleInt(value, dpi, kStoredDpi); }

// The window rectangle of a stored place at `dpi`: each edge scaled on its own, so that places
// that touch at 96 DPI still touch.
RECT ScaledPlace(int left, int top, int width, int height, int dpi) noexcept;

// The DPI the system draws a window at (the system DPI where the system has no per-window DPI).
int WindowDpi(HWND window) noexcept;
// The DPI the system's stock objects are made for.
int SystemDpi() noexcept;

}  // namespace vl
