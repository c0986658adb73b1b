// Label: a control the runtime paints itself: border (including a gradient frame), background
// colour, picture or colour gradient, and its text with an effect.
#include <algorithm>
#include <array>

#include "label_text.h"
#include "../gdi_scope.h"
#include "../gradient.h"
#include "../painted_border.h"

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

// The colours of three colour fields with the "no colour" entries left out.
std::vector<std::uint32_t> ColourList(const Control& label, F first) {
  std::vector<std::uint32_t> colours;
  for (int i = 0; i < 3; ++i) {
    const std::uint32_t colour = label.Number(static_cast<int>(first) + i);
    if (colour != pages::kDefaultColour) colours.push_back(colour & 0x00FFFFFF);
  }
  return colours;
}

// The gradient frame of border style 6: `width` rings from the outside in, through the colours.
void PaintGradientFrame(HDC dc, RECT& area, int width, const std::vector<std::uint32_t>& colours) {
  width = std::clamp<int>(width, 0, std::min<int>(area.right - area.left, area.bottom - area.top) / 2);
  for (int ring = 0; ring < width && !colours.empty(); ++ring) {
    const std::uint32_t colour = GradientColourAt(colours, width, ring);
    UniqueBrush brush(CreateSolidBrush(colour));
    FrameRect(dc, &area, brush.Get());
    InflateRect(&area, -1, -1);
  }
  if (colours.empty()) InflateRect(&area, -width, -width);
}

void PaintPicture(HDC dc, const RECT& area, const Picture& picture, int mode) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  if (mode == 1) {  // tiled from the top left
    for (int y = area.top; y < area.bottom; y += picture.Height()) {
      for (int x = area.left; x < area.right; x += picture.Width()) picture.Draw(dc, x, y, picture.Width(), picture.Height());
    }
  } else if (mode == 2) {  // centred, scaled down to fit
    const SIZE size = FitWithin(picture.Width(), picture.Height(), width, height);
    picture.Draw(dc, area.left + (width - size.cx) / 2, area.top + (height - size.cy) / 2, size.cx, size.cy);
  } else {
    picture.Draw(dc, area.left, area.top, picture.Width(), picture.Height());
  }
  RestoreDC(dc, saved);
}

void PaintGradient(Canvas& canvas, const RECT& area, int type, const std::vector<std::uint32_t>& colours) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  auto pixels = canvas.Pixels();
  if (width <= 0 || height <= 0 || pixels.empty()) return;
  const int length = GradientAxisLength(type, width, height);
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = pixels.data() + static_cast<std::size_t>(area.top + y) * canvas.Width() + area.left;
    for (int x = 0; x < width; ++x) {
      row[x] = ColourToDibPixel(GradientColourAt(colours, length, GradientPosition(type, width, height, x, y)));
    }
  }
}

void Paint(Control& label) {
  UniqueHandle<GdiObjectTraits<HRGN>> updated(CreateRectRgn(0, 0, 0, 0));
  GetUpdateRgn(label.Window(), updated.Get(), FALSE);
  PaintScope paint(label.Window());
  RECT area;
  GetClientRect(label.Window(), &area);
  Canvas canvas(paint.Dc(), area.right, area.bottom);
  if (!canvas.Valid()) return;
  HDC dc = canvas.Dc();
  const int border = label.Int(F::Border);
  if (border == 6) PaintGradientFrame(dc, area, label.Int(F::BorderWidth), ColourList(label, F::BorderColour1));
  else PaintBorder(dc, area, border);
  UniqueBrush background(CreateSolidBrush(ResolveColour(label.Number(F::BackgroundColour))));
  FillRect(dc, &area, background.Get());
  const int gradient = label.Int(F::GradientType);
  const auto gradientColours = ColourList(label, F::GradientColour1);
  if (!label.CurrentPicture().Empty()) {
    PaintPicture(dc, area, label.CurrentPicture(), label.Int(F::PictureMode));
  } else if (IsGradientType(gradient) && gradientColours.size() >= 2) {
    PaintGradient(canvas, area, gradient, gradientColours);
  }
  DrawControlText<F>(dc, area, label);
  canvas.CopyTo(paint.Dc(), 0, 0);
  label.RepaintTransparentAbove(updated.Get());
}

bool LabelInterface(int request, Control& label, KindRequest& data) noexcept {
  switch (request) {
    case kRequestCreate:
      label.BuildFont(label.ByteSpan(F::Font));
      label.CurrentPicture() = Picture::FromFile(label.ByteSpan(F::Picture));
      return label.CreateControlWindow(PaintedControlClass(), label.Bytes(F::Text).c_str(), label.ChildStyle(), 0, false);
    case kRequestChanged:
      ApplyTextChange<F>(label, data.number);
      if (PropertyField(label.Kind(), data.number) == static_cast<int>(F::Picture)) {
        label.CurrentPicture() = Picture::FromFile(label.ByteSpan(F::Picture));
      }
      label.Repaint();
      return true;
    default:
      return false;
  }
}

bool LabelMessage(Control& label, UINT message, WPARAM, LPARAM, LRESULT& result) noexcept {
  switch (message) {
    case WM_ERASEBKGND: result = 1; return true;  // the paint covers everything
    case WM_PAINT: Paint(label); result = 0; return true;
    default: return false;
  }
}

}  // namespace

const KindDescriptor kLabelKind = {pages::kKindLabel, kLabelProperties, &LabelInterface, &LabelMessage};

}  // namespace vl
