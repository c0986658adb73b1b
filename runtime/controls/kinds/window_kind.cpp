// The page window as a kind: its properties 8 and up are the fields of its stored block, in
// block order. The page window itself is made by the page (PageWindow), not by this kind.
#include "../control.h"
#include "../page_window.h"

namespace vl {
namespace {

using W = pages::WindowField;

constexpr PropertyDef kWindowProperties[] = {
    {ptype::kChoice, static_cast<std::int8_t>(W::Border)},
    {ptype::kChoice, static_cast<std::int8_t>(W::PictureMode)},
    {ptype::kBackColour, static_cast<std::int8_t>(W::BackgroundColour)},
    {ptype::kBool, static_cast<std::int8_t>(W::MaximiseButton)},
    {ptype::kBool, static_cast<std::int8_t>(W::MinimiseButton)},
    {ptype::kBool, static_cast<std::int8_t>(W::ControlBox)},
    {ptype::kChoice, static_cast<std::int8_t>(W::StartPosition)},
    {ptype::kBool, static_cast<std::int8_t>(W::Movable)},
    {ptype::kChoice, static_cast<std::int8_t>(W::MusicPlayCount)},
    {ptype::kBool, static_cast<std::int8_t>(W::EnterMovesFocus)},
    {ptype::kBool, static_cast<std::int8_t>(W::EscCloses)},
    {ptype::kBool, static_cast<std::int8_t>(W::F1OpensHelp)},
    {ptype::kInt, static_cast<std::int8_t>(W::HelpContext)},
    {ptype::kBool, static_cast<std::int8_t>(W::ShowInTaskbar)},
    {ptype::kBool, static_cast<std::int8_t>(W::DragAnywhere)},
    {ptype::kChoice, static_cast<std::int8_t>(W::Shape)},
    {ptype::kBool, static_cast<std::int8_t>(W::AlwaysOnTop)},
    {ptype::kBool, static_cast<std::int8_t>(W::Flag)},
    {ptype::kText, static_cast<std::int8_t>(W::ClassName)},
    {ptype::kPicture, static_cast<std::int8_t>(W::BackgroundPicture)},
    {ptype::kIcon, static_cast<std::int8_t>(W::Icon)},
    {ptype::kSound, static_cast<std::int8_t>(W::Music)},
    {ptype::kText, static_cast<std::int8_t>(W::Caption)},
    {ptype::kText, static_cast<std::int8_t>(W::HelpFile)},
};

// Changes that a live page window can take besides its caption and colour; the others (frame,
// buttons, class) shape the window when it is created and apply from the next load.
bool WindowInterface(int request, Control& page, KindRequest& data) noexcept {
  if (request != kRequestChanged) return false;
  if (PropertyField(page.Kind(), data.number) == static_cast<int>(W::AlwaysOnTop)) {
    SetWindowPos(page.Window(), page.Bool(W::AlwaysOnTop) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return true;
}

}  // namespace

const KindDescriptor kWindowKind = {pages::kKindWindow, kWindowProperties, &WindowInterface, nullptr,
                                    static_cast<std::int8_t>(W::Caption)};

}  // namespace vl
