#pragma once
// The text of labels and transparent labels: laid out by alignment and word wrap, drawn on a
// transparent background with one of the text effects.
#include <windows.h>

#include <string_view>

namespace vl {

struct TextLook {
  HFONT font = nullptr;
  COLORREF colour = 0;
  int horizontal = 0;  // 0 left, 1 centred, 2 right
  int vertical = 1;    // 0 top, 1 centred, 2 bottom; not used with word wrap
  bool wordWrap = false;
  int effect = 0;      // 0 none, 1 etched, 2 sunken, 3 shadow
  int dpi = 96;        // the effects' offsets are pixels at 96 DPI
};

// Draws `text` (GB18030 bytes, drawn as UTF-16) inside `area`.
void DrawLabelText(HDC dc, const RECT& area, std::string_view text, const TextLook& look) noexcept;

// The DrawText format of a look.
UINT TextFormat(const TextLook& look) noexcept;

}  // namespace vl
