// Button and GroupBox: system BUTTON windows. A Button raises its event 0 when clicked; a
// GroupBox paints its caption on a brush of its background colour.
#include "../control.h"
#include "../event_dispatch.h"
#include "../page_window.h"
#include "runtime_texts.h"

namespace vl {
namespace {

using B = pages::ButtonField;
using G = pages::GroupBoxField;

constexpr PropertyDef kButtonProperties[] = {
    {ptype::kPicture, static_cast<std::int8_t>(B::Picture)},
    {ptype::kText, static_cast<std::int8_t>(B::Text)},
    {ptype::kBool, static_cast<std::int8_t>(B::Default)},
    {ptype::kChoice, static_cast<std::int8_t>(B::HorizontalAlignment)},
    {ptype::kChoice, static_cast<std::int8_t>(B::VerticalAlignment)},
    {ptype::kFont, static_cast<std::int8_t>(B::Font)},
};

constexpr PropertyDef kGroupBoxProperties[] = {
    {ptype::kText, static_cast<std::int8_t>(G::Caption)},
    {ptype::kChoice, static_cast<std::int8_t>(G::Alignment)},
    {ptype::kColour, static_cast<std::int8_t>(G::TextColour)},
    {ptype::kBackColour, static_cast<std::int8_t>(G::BackgroundColour)},
    {ptype::kFont, static_cast<std::int8_t>(G::Font)},
};

DWORD HorizontalStyle(int alignment) noexcept {
  return alignment == 0 ? BS_LEFT : alignment == 2 ? BS_RIGHT : BS_CENTER;
}

bool CreateButton(Control& button) noexcept {
  DWORD style = button.ChildStyle() | BS_MULTILINE;
  style |= button.Bool(B::Default) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  style |= HorizontalStyle(button.Int(B::HorizontalAlignment));
  const int vertical = button.Int(B::VerticalAlignment);
  style |= vertical == 0 ? BS_TOP : vertical == 2 ? BS_BOTTOM : BS_VCENTER;
  const Picture& picture = button.CurrentPicture();
  if (!picture.Empty()) style |= picture.IsIcon() ? BS_ICON : BS_BITMAP;
  if (!button.CreateControlWindow(kButtonClassName, style, 0, true)) return false;
  if (!picture.Empty()) {
    SendMessageW(button.Window(), BM_SETIMAGE, picture.IsIcon() ? IMAGE_ICON : IMAGE_BITMAP,
                 picture.IsIcon() ? reinterpret_cast<LPARAM>(picture.Icon()) : reinterpret_cast<LPARAM>(picture.Bitmap()));
  }
  return true;
}

bool ButtonInterface(int request, Control& button, KindRequest& data) noexcept {
  switch (request) {
    case kRequestCreate:
      return CreateButton(button);
    case kRequestChanged: {
      // A new text or font is set on the window as it is; style and picture are fixed at creation.
      const int field = PropertyField(button.Kind(), data.number);
      data.recreate = field != static_cast<int>(B::Text) && field != static_cast<int>(B::Font);
      return true;
    }
    default:
      return false;
  }
}

bool ButtonMessage(Control& button, UINT message, WPARAM wParam, LPARAM, LRESULT& result) noexcept {
  if (message == kReflected + WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    FireEvent(button.Page().PageId(), button.Id(), kEventClicked);
    result = 0;
    return true;
  }
  return false;
}

bool CreateGroupBox(Control& group) noexcept {
  const DWORD style = group.ChildStyle() | BS_GROUPBOX | HorizontalStyle(group.Int(G::Alignment));
  group.MakeBrush(ResolveColour(group.Number(G::BackgroundColour)));
  return group.CreateControlWindow(kButtonClassName, style & ~WS_TABSTOP, 0, true);
}

bool GroupBoxInterface(int request, Control& group, KindRequest& data) noexcept {
  switch (request) {
    case kRequestCreate:
      return CreateGroupBox(group);
    case kRequestChanged:
      // The caption's alignment is a style fixed at creation; the others apply as they are.
      data.recreate = PropertyField(group.Kind(), data.number) == static_cast<int>(G::Alignment);
      return true;
    default:
      return false;
  }
}

bool GroupBoxMessage(Control& group, UINT message, WPARAM wParam, LPARAM, LRESULT& result) noexcept {
  if (message != kReflected + WM_CTLCOLORSTATIC && message != kReflected + WM_CTLCOLORBTN) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, ResolveColour(group.Number(G::TextColour)));
  SetBkColor(dc, ResolveColour(group.Number(G::BackgroundColour)));
  result = reinterpret_cast<LRESULT>(group.Brush());
  return true;
}

}  // namespace

const KindDescriptor kButtonKind = {pages::kKindButton, kButtonProperties, &ButtonInterface, &ButtonMessage,
                                    static_cast<std::int8_t>(B::Text)};
const KindDescriptor kGroupBoxKind = {pages::kKindGroupBox, kGroupBoxProperties, &GroupBoxInterface,
                                      &GroupBoxMessage, static_cast<std::int8_t>(G::Caption)};

}  // namespace vl
