#pragma once
// What the kinds the runtime paints whole (labels, picture boxes) share: each paint is drawn on an
// off-screen canvas of the client area and copied to the screen at once, so nothing flickers;
// then the transparent controls above that the paint covered draw their text again.
#include <windows.h>

#include "../control.h"
#include "../gdi_scope.h"

namespace vl {

// Draws the whole control on the canvas; `area` is its client area, which the painter may shrink
// by what it has drawn (a border).
using CanvasPainter = void (*)(Control& control, Canvas& canvas, RECT& area);

// Answers WM_ERASEBKGND (the paint covers everything) and WM_PAINT through `painter`; false for
// any other message.
bool PaintedControlMessage(Control& control, UINT message, LRESULT& result, CanvasPainter painter) noexcept;

}  // namespace vl
