// PicBox: a picture (JPEG or icon) on its background colour, drawn at its natural size at the top
// left (mode 0), stretched to fill the box (1) or centred and scaled down to fit (2).
#include "../painted_border.h"
#include "painted_control.h"

namespace vl {
namespace {

using F = pages::PicBoxField;

constexpr PropertyDef kPicBoxProperties[] = {
    {ptype::kPicture, static_cast<std::int8_t>(F::Picture)},
    {ptype::kChoice, static_cast<std::int8_t>(F::Border)},
    {ptype::kBackColour, static_cast<std::int8_t>(F::BackgroundColour)},
    {ptype::kChoice, static_cast<std::int8_t>(F::DisplayMode)},
    {ptype::kBool, static_cast<std::int8_t>(F::Animate)},
    {ptype::kText, static_cast<std::int8_t>(F::Binding1)},
    {ptype::kText, static_cast<std::int8_t>(F::Binding2)},
};

void Paint(Control& box, Canvas& canvas, RECT& area) {
  HDC dc = canvas.Dc();
  const int dpi = box.Dpi();
  PaintBorder(dc, area, box.Int(F::Border), dpi);
  UniqueBrush background(CreateSolidBrush(ResolveColour(box.Number(F::BackgroundColour))));
  FillRect(dc, &area, background.Get());
  const Picture& picture = box.CurrentPicture();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  switch (box.Int(F::DisplayMode)) {
    case 1:
      picture.Draw(dc, area.left, area.top, area.right - area.left, area.bottom - area.top);
      break;
    case 2:
      picture.DrawFitted(dc, area, dpi);
      break;
    default: {
      const SIZE own = picture.SizeAt(dpi);
      picture.Draw(dc, area.left, area.top, own.cx, own.cy);
      break;
    }
  }
  RestoreDC(dc, saved);
}

bool PicBoxInterface(int request, Control& box, KindRequest&) noexcept {
  switch (request) {
    case kRequestCreate:
      // WS_CLIPCHILDREN: controls inside the box are not painted over by the picture.
      return box.CreateControlWindow(PaintedControlClass(), box.ChildStyle() | WS_CLIPCHILDREN, 0, false);
    case kRequestChanged:
      box.Repaint();  // every property shows in its painting
      return true;
    default:
      return false;
  }
}

bool PicBoxMessage(Control& box, UINT message, WPARAM, LPARAM, LRESULT& result) noexcept {
  return PaintedControlMessage(box, message, result, &Paint);
}

}  // namespace

const KindDescriptor kPicBoxKind = {pages::kKindPicBox, kPicBoxProperties, &PicBoxInterface, &PicBoxMessage};

}  // namespace vl
