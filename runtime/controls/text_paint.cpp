#include "text_paint.h"

#include "display_scale.h"
#include "gdi_scope.h"
#include "runtime/text_boundary.h"

namespace vl {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

void DrawAt(HDC dc, RECT area, int dx, int dy, const WideText& text, UINT format, COLORREF colour) noexcept {
  OffsetRect(&area, dx, dy);
  SetTextColor(dc, colour);
  DrawTextW(dc, text.Get(), static_cast<int>(text.Length()), &area, format);
}

}  // namespace

UINT TextFormat(const TextLook& look) noexcept {
  UINT format = DT_NOPREFIX;
  format |= look.horizontal == 1 ? DT_CENTER : look.horizontal == 2 ? DT_RIGHT : DT_LEFT;
  if (look.wordWrap) {
    // Breaks between words, and inside a run without spaces (Chinese text) where it must.
    format |= DT_WORDBREAK | DT_EDITCONTROL;
  } else {
    format |= DT_SINGLELINE;
    format |= look.vertical == 0 ? DT_TOP : look.vertical == 2 ? DT_BOTTOM : DT_VCENTER;
  }
  return format;
}

void DrawLabelText(HDC dc, const RECT& area, std::string_view bytes, const TextLook& look) noexcept {
  if (bytes.empty()) return;
  const WideText text(bytes);
  if (!text.Valid()) return;
  SelectScope font(dc, look.font != nullptr ? look.font : GetStockObject(DEFAULT_GUI_FONT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(dc);
  const UINT format = TextFormat(look);
  const int one = ScaleToDpi(1, look.dpi);
  switch (look.effect) {
    case 1:  // etched: a white copy below and to the right, under the text
      DrawAt(dc, area, one, one, text, format, kWhite);
      DrawAt(dc, area, 0, 0, text, format, look.colour);
      break;
    case 2:  // sunken: a white copy in place, the text below and to the right
      DrawAt(dc, area, 0, 0, text, format, kWhite);
      DrawAt(dc, area, one, one, text, format, look.colour);
      break;
    case 3: {  // shadow: a black copy two pixels off, under the text
      const int two = ScaleToDpi(2, look.dpi);
      DrawAt(dc, area, two, two, text, format, kBlack);
      DrawAt(dc, area, 0, 0, text, format, look.colour);
      break;
    }
    default:
      DrawAt(dc, area, 0, 0, text, format, look.colour);
      break;
  }
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

}  // namespace vl
