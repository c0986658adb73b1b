#pragma once
// The border values shared by the painted controls (labels and picture boxes), drawn by the
// runtime inside the control: 1 sunken, 2 raised frame, 3 thin sunken, 4 sunken with frame,
// 5 single line; any other value draws nothing.
#include <windows.h>

namespace vl {

// Draws the border along the edge of `area` and shrinks `area` to what lies inside it. Each of
// the border's one-pixel rings at 96 DPI is as many pixels wide as one pixel scales to at `dpi`.
void PaintBorder(HDC dc, RECT& area, int border, int dpi) noexcept;

}  // namespace vl
