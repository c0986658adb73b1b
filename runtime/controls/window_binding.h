#pragma once
// Where a page window object or a control is tied to its window and to its unit's window slot in
// the page data: bound when the window is created, unbound when it is destroyed, here and nowhere
// else. The object is then found from its window through the window itself.
#include <windows.h>

#include <cstdint>

#include "pages/page_segment.h"

namespace vl {

// Ties `object` to `window` (its user data) and to the unit's window slot; null unties both.
inline void BindWindow(HWND window, pages::UnitView unit, const void* object) noexcept {
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
  unit.SetWindowSlot(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(object)));
}

// The object bound to a window of the runtime (null when none is bound). Only the runtime's own
// window procedures, and callers that checked RunsProcedure, may ask: another window's user data
// is not the runtime's to read.
template <class Object>
Object* BoundObject(HWND window) noexcept {
  return reinterpret_cast<Object*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Whether a window runs one of the runtime's window procedures (its class's, or the one the
// runtime subclassed it with).
inline bool RunsProcedure(HWND window, WNDPROC procedure) noexcept {
  return window != nullptr && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == procedure;
}

}  // namespace vl
