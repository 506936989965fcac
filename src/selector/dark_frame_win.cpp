#include "selector/dark_frame_win.h"

#include "platform/handles.h"
#include "platform/look_win.h"

namespace quistrel {

void FillDarkFrame(HWND window, HRGN region, Rgb fill) {
  RECT outer;
  GetWindowRect(window, &outer);
  const UniqueGdiObject inside(CreateRectRgn(0, 0, 0, 0));
  const auto rest = static_cast<HRGN>(inside.Get());
  CombineRgn(rest, region, nullptr, RGN_COPY);
  OffsetRgn(rest, -outer.left, -outer.top);
  const RECT whole{0, 0, outer.right - outer.left, outer.bottom - outer.top};
  RECT within = whole;
  InflateRect(&within, -1, -1);
  const UniqueGdiObject edge(CreateRectRgnIndirect(&whole));
  const UniqueGdiObject hole(CreateRectRgnIndirect(&within));
  const auto line = static_cast<HRGN>(edge.Get());
  CombineRgn(line, line, static_cast<HRGN>(hole.Get()), RGN_DIFF);
  CombineRgn(line, line, rest, RGN_AND);
  CombineRgn(rest, rest, line, RGN_DIFF);
  const UniqueBrush edgeBrush(CreateSolidBrush(ColourOf(CurrentPalette().edge)));
  const UniqueBrush fillBrush(CreateSolidBrush(ColourOf(fill)));
  HDC dc = GetWindowDC(window);
  FillRgn(dc, line, edgeBrush.Get());
  FillRgn(dc, rest, fillBrush.Get());
  ReleaseDC(window, dc);
}

}  // namespace quistrel
