// TransLabel: only its text (with its effect) is drawn; everything else of it shows what lies
// behind, which is painted first (WS_EX_TRANSPARENT).
#include "label_text.h"
#include "../gdi_scope.h"

namespace vl {
namespace {

using F = pages::TransLabelField;

constexpr PropertyDef kTransLabelProperties[] = {
    {ptype::kText, static_cast<std::int8_t>(F::Text)},
    {ptype::kChoice, static_cast<std::int8_t>(F::Effect)},
    {ptype::kColour, static_cast<std::int8_t>(F::TextColour)},
    {ptype::kChoice, static_cast<std::int8_t>(F::HorizontalAlignment)},
    {ptype::kChoice, static_cast<std::int8_t>(F::VerticalAlignment)},
    {ptype::kBool, static_cast<std::int8_t>(F::WordWrap)},
    {ptype::kFont, static_cast<std::int8_t>(F::Font)},
};

void Paint(Control& label) {
  PaintScope paint(label.Window());
  RECT area;
  GetClientRect(label.Window(), &area);
  DrawControlText<F>(paint.Dc(), area, label);
}

bool TransLabelInterface(int request, Control& label, KindRequest&) noexcept {
  switch (request) {
    case kRequestCreate:
      return label.CreateControlWindow(PaintedControlClass(), label.ChildStyle(), WS_EX_TRANSPARENT, false);
    case kRequestChanged:
      label.Repaint();
      return true;
    default:
      return false;
  }
}

bool TransLabelMessage(Control& label, UINT message, WPARAM, LPARAM, LRESULT& result) noexcept {
  switch (message) {
    case WM_ERASEBKGND: result = 1; return true;  // no background of its own
    case WM_PAINT: Paint(label); result = 0; return true;
    case WM_NCHITTEST: result = HTTRANSPARENT; return true;  // clicks go to what lies beneath
    default: return false;
  }
}

}  // namespace

const KindDescriptor kTransLabelKind = {pages::kKindTransLabel, kTransLabelProperties, &TransLabelInterface,
                                        &TransLabelMessage, static_cast<std::int8_t>(F::Text)};

}  // namespace vl
