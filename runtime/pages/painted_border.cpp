#include "painted_border.h"

namespace vl {

void PaintBorder(HDC dc, RECT& area, int border) noexcept {
  switch (border) {
    case 1: DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST); break;
    case 2: DrawEdge(dc, &area, EDGE_RAISED, BF_RECT | BF_ADJUST); break;
    case 3: DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST); break;
    case 4:
      DrawEdge(dc, &area, EDGE_RAISED, BF_RECT | BF_ADJUST);
      DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
      break;
    case 5:
      FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      InflateRect(&area, -1, -1);
      break;
    default: break;
  }
}

}  // namespace vl
