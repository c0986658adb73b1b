#include "painted_control.h"

namespace vl {
namespace {

void Paint(Control& control, CanvasPainter painter) noexcept {
  UniqueHandle<GdiObjectTraits<HRGN>> updated(CreateRectRgn(0, 0, 0, 0));
  GetUpdateRgn(control.Window(), updated.Get(), FALSE);
  PaintScope paint(control.Window());
  RECT area;
  GetClientRect(control.Window(), &area);
  Canvas canvas(paint.Dc(), area.right, area.bottom);
  if (!canvas.Valid()) return;
  painter(control, canvas, area);
  canvas.CopyTo(paint.Dc(), 0, 0);
  control.RepaintTransparentAbove(updated.Get());
}

}  // namespace

bool PaintedControlMessage(Control& control, UINT message, LRESULT& result, CanvasPainter painter) noexcept {
  switch (message) {
    case WM_ERASEBKGND: result = 1; return true;
    case WM_PAINT: Paint(control, painter); result = 0; return true;
    default: return false;
  }
}

}  // namespace vl
