#include "selector/frame_cache_win.h"

#include <cstring>

#include "platform/system_function.h"

namespace quistrel {

namespace {
// The window's rectangle and its client area, in window coordinates.
struct Areas {
  RECT window;
  RECT client;
};

Areas AreasOf(HWND control) {
  RECT outer, client;
  GetWindowRect(control, &outer);
  GetClientRect(control, &client);
  MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -outer.left, -outer.top);
  return {{0, 0, outer.right - outer.left, outer.bottom - outer.top}, client};
}

// The frame's ring, in window coordinates.
UniqueGdiObject Ring(const Areas& areas) {
  UniqueGdiObject ring(CreateRectRgnIndirect(&areas.window));
  const UniqueGdiObject hole(CreateRectRgnIndirect(&areas.client));
  CombineRgn(static_cast<HRGN>(ring.Get()), static_cast<HRGN>(ring.Get()), static_cast<HRGN>(hole.Get()), RGN_DIFF);
  return ring;
}

// The kept pixels are read back from the window. Where windows are composed
// (Windows 8 and later, Windows 7 with Aero) and under Wine, which keeps each
// window's pixels in a surface of its own, that gives the window's own
// pixels; on Windows 7 without composition it gives the screen's, which
// another window may cover: there the frame is drawn anew each time.
bool ReadBackIsExact() {
  static const bool exact = [] {
    if (RunsUnderWine()) return true;
    const auto composed = SystemFunction<HRESULT(WINAPI*)(BOOL*)>(L"dwmapi.dll", "DwmIsCompositionEnabled");
    BOOL enabled = FALSE;
    return composed && SUCCEEDED(composed(&enabled)) && enabled;
  }();
  return exact;
}

bool PointerOver(HWND control) {
  POINT at;
  RECT outer;
  return GetCursorPos(&at) && GetWindowRect(control, &outer) && PtInRect(&outer, at);
}

// A region of WM_NCPAINT (screen coordinates; 1 for the whole window)
// covers the whole frame.
bool CoversFrame(HWND control, WPARAM region) {
  if (region == 1) return true;
  RECT outer;
  GetWindowRect(control, &outer);
  const UniqueGdiObject frame(CreateRectRgnIndirect(&outer));
  return CombineRgn(static_cast<HRGN>(frame.Get()), static_cast<HRGN>(frame.Get()), reinterpret_cast<HRGN>(region),
                    RGN_DIFF) == NULLREGION;
}
}  // namespace

bool FrameCache::Look::operator==(const Look& other) const {
  // SCROLLINFO has no padding: its fields are all 32 bits wide.
  return size.cx == other.size.cx && size.cy == other.size.cy &&
         std::memcmp(bars.data(), other.bars.data(), sizeof bars) == 0 && states == other.states &&
         focused == other.focused && enabled == other.enabled;
}

FrameCache::Look FrameCache::LookOf(HWND control) {
  Look look;
  RECT outer;
  GetWindowRect(control, &outer);
  look.size = {outer.right - outer.left, outer.bottom - outer.top};
  const int bars[] = {SB_VERT, SB_HORZ};
  const LONG objects[] = {OBJID_VSCROLL, OBJID_HSCROLL};
  for (std::size_t i = 0; i < 2; ++i) {
    look.bars[i].cbSize = sizeof(SCROLLINFO);
    look.bars[i].fMask = SIF_ALL;
    if (!GetScrollInfo(control, bars[i], &look.bars[i])) look.bars[i] = SCROLLINFO{};
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (GetScrollBarInfo(control, objects[i], &info))
      std::memcpy(look.states[i].data(), info.rgstate, sizeof info.rgstate);
  }
  look.focused = GetFocus() == control;
  look.enabled = IsWindowEnabled(control) != FALSE;
  return look;
}

LRESULT FrameCache::Paint(HWND control, WPARAM region, LRESULT (*draw)(HWND, WPARAM)) {
  // A pointer over the frame may light up a scroll bar's part: drawn anew.
  const bool steady = ReadBackIsExact() && !PointerOver(control);
  const Look now = LookOf(control);
  const Areas areas = AreasOf(control);
  if (steady && kept_ && now == look_) {
    HDC window = GetWindowDC(control);
    HDC memory = CreateCompatibleDC(window);
    HGDIOBJ old = SelectObject(memory, pixels_.Get());
    const UniqueGdiObject ring = Ring(areas);
    if (region != 1) {
      RECT outer;
      GetWindowRect(control, &outer);
      const UniqueGdiObject limit(CreateRectRgn(0, 0, 0, 0));
      CombineRgn(static_cast<HRGN>(limit.Get()), reinterpret_cast<HRGN>(region), nullptr, RGN_COPY);
      OffsetRgn(static_cast<HRGN>(limit.Get()), -outer.left, -outer.top);
      CombineRgn(static_cast<HRGN>(ring.Get()), static_cast<HRGN>(ring.Get()), static_cast<HRGN>(limit.Get()), RGN_AND);
    }
    SelectClipRgn(window, static_cast<HRGN>(ring.Get()));
    BitBlt(window, 0, 0, areas.window.right, areas.window.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(control, window);
    return 0;
  }
  const LRESULT result = draw(control, region);
  kept_ = false;
  if (steady && CoversFrame(control, region)) {
    HDC window = GetWindowDC(control);
    pixels_.Reset(CreateCompatibleBitmap(window, areas.window.right, areas.window.bottom));
    HDC memory = CreateCompatibleDC(window);
    HGDIOBJ old = SelectObject(memory, pixels_.Get());
    kept_ = pixels_.Get() && BitBlt(memory, 0, 0, areas.window.right, areas.window.bottom, window, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(control, window);
    look_ = now;
  }
  return result;
}

}  // namespace quistrel
