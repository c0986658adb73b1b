#include "painted_border.h"

#include "display_scale.h"

namespace vl {
namespace {

// The rings of each border, from the outside in (0 ends a list): edges of the system's colours,
// and the black line.
constexpr UINT kBlackRing = 0x100;
constexpr UINT kRings[][5] = {
    {},
    {BDR_SUNKENOUTER, BDR_SUNKENINNER},
    {BDR_RAISEDOUTER, BDR_RAISEDINNER},
    {BDR_SUNKENOUTER},
    {BDR_RAISEDOUTER, BDR_RAISEDINNER, BDR_SUNKENOUTER, BDR_SUNKENINNER},
    {kBlackRing},
};

}  // namespace

void PaintBorder(HDC dc, RECT& area, int border, int dpi) noexcept {
  if (border < 1 || border > 5) return;
  const int width = ScaleToDpi(1, dpi);
  for (const UINT ring : kRings[border]) {
    for (int i = 0; ring != 0 && i < width; ++i) {
      if (ring == kBlackRing) {
        FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&area, -1, -1);
      } else {
        DrawEdge(dc, &area, ring, BF_RECT | BF_ADJUST);
      }
    }
  }
}

}  // namespace vl
