// Label: a control the runtime paints itself: border (including a gradient frame), background
// colour, picture or colour gradient, and its text with an effect.
#include <algorithm>
#include <array>

#include "label_text.h"
#include "pages/property_block.h"
#include "../display_scale.h"
#include "../gradient.h"
#include "../painted_border.h"
#include "painted_control.h"

namespace vl {
namespace {

using F = pages::LabelField;

constexpr PropertyDef kLabelProperties[] = {
    {ptype::kText, static_cast<std::int8_t>(F::Text)},
    {ptype::kChoice, static_cast<std::int8_t>(F::Effect)},
    {ptype::kInt, static_cast<std::int8_t>(F::BorderWidth)},
    {ptype::kChoice, static_cast<std::int8_t>(F::Border)},
    {ptype::kColour, static_cast<std::int8_t>(F::BorderColour1)},
    {ptype::kColour, static_cast<std::int8_t>(F::BorderColour2)},
    {ptype::kColour, static_cast<std::int8_t>(F::BorderColour3)},
    {ptype::kColour, static_cast<std::int8_t>(F::TextColour)},
    {ptype::kBackColour, static_cast<std::int8_t>(F::BackgroundColour)},
    {ptype::kChoice, static_cast<std::int8_t>(F::PictureMode)},
    {ptype::kChoice, static_cast<std::int8_t>(F::GradientType)},
    {ptype::kColour, static_cast<std::int8_t>(F::GradientColour1)},
    {ptype::kColour, static_cast<std::int8_t>(F::GradientColour2)},
    {ptype::kColour, static_cast<std::int8_t>(F::GradientColour3)},
    {ptype::kChoice, static_cast<std::int8_t>(F::HorizontalAlignment)},
    {ptype::kChoice, static_cast<std::int8_t>(F::VerticalAlignment)},
    {ptype::kBool, static_cast<std::int8_t>(F::WordWrap)},
    {ptype::kFont, static_cast<std::int8_t>(F::Font)},
    {ptype::kPicture, static_cast<std::int8_t>(F::Picture)},
    {ptype::kText, static_cast<std::int8_t>(F::Binding1)},
    {ptype::kText, static_cast<std::int8_t>(F::Binding2)},
};

// The colours of three colour fields as they stand now, the "no colour" entries left out.
pages::ColourList PresentColours(const Control& label, F first) {
  const int at = static_cast<int>(first);
  return pages::PresentColours(label.Number(at), label.Number(at + 1), label.Number(at + 2));
}

// The gradient frame of border style 6: `width` rings from the outside in, through the colours.
void PaintGradientFrame(HDC dc, RECT& area, int width, const pages::ColourList& colours) {
  width = std::clamp<int>(width, 0, std::min<int>(area.right - area.left, area.bottom - area.top) / 2);
  for (int ring = 0; ring < width && colours.count > 0; ++ring) {
    const std::uint32_t colour = GradientColourAt(colours.View(), width, ring);
    UniqueBrush brush(CreateSolidBrush(colour));
    FrameRect(dc, &area, brush.Get());
    InflateRect(&area, -1, -1);
  }
  if (colours.count == 0) InflateRect(&area, -width, -width);
}

void PaintPicture(HDC dc, const RECT& area, const Picture& picture, int mode, int dpi) {
  const SIZE own = picture.SizeAt(dpi);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  if (mode == 1) {  // tiled from the top left
    for (int y = area.top; y < area.bottom; y += own.cy) {
      for (int x = area.left; x < area.right; x += own.cx) picture.Draw(dc, x, y, own.cx, own.cy);
    }
  } else if (mode == 2) {  // centred, scaled down to fit
    picture.DrawFitted(dc, area, dpi);
  } else {
    picture.Draw(dc, area.left, area.top, own.cx, own.cy);
  }
  RestoreDC(dc, saved);
}

void Paint(Control& label, Canvas& canvas, RECT& area) {
  HDC dc = canvas.Dc();
  const int border = label.Int(F::Border);
  const int dpi = label.Dpi();
  if (border == 6) {
    PaintGradientFrame(dc, area, ScaleToDpi(label.Int(F::BorderWidth), dpi), PresentColours(label, F::BorderColour1));
  } else {
    PaintBorder(dc, area, border, dpi);
  }
  UniqueBrush background(CreateSolidBrush(ResolveColour(label.Number(F::BackgroundColour))));
  FillRect(dc, &area, background.Get());
  const int gradient = label.Int(F::GradientType);
  const pages::ColourList gradientColours = PresentColours(label, F::GradientColour1);
  if (!label.CurrentPicture().Empty()) {
    PaintPicture(dc, area, label.CurrentPicture(), label.Int(F::PictureMode), dpi);
  } else {
    // The area's first pixel onward, in a canvas whose rows are the client area's width. Without
    // a gradient type and two colours nothing is drawn.
    const std::span<std::uint32_t> pixels = canvas.Pixels();
    const auto stride = static_cast<std::size_t>(canvas.Width());
    const std::size_t origin =
        std::min(static_cast<std::size_t>(area.top) * stride + static_cast<std::size_t>(area.left), pixels.size());
    FillGradient(gradient, gradientColours.View(), area.right - area.left, area.bottom - area.top, pixels.subspan(origin),
                 stride);
  }
  DrawControlText<F>(dc, area, label);
}

bool LabelInterface(int request, Control& label, KindRequest&) noexcept {
  switch (request) {
    case kRequestCreate:
      return label.CreateControlWindow(PaintedControlClass(), label.ChildStyle(), 0, false);
    case kRequestChanged:
      label.Repaint();  // every property shows in its painting
      return true;
    default:
      return false;
  }
}

bool LabelMessage(Control& label, UINT message, WPARAM, LPARAM, LRESULT& result) noexcept {
  return PaintedControlMessage(label, message, result, &Paint);
}

}  // namespace

const KindDescriptor kLabelKind = {pages::kKindLabel, kLabelProperties, &LabelInterface, &LabelMessage,
                                   static_cast<std::int8_t>(F::Text)};

}  // namespace vl
