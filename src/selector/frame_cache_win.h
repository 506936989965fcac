// The frame of a control with a themed border and scroll bars (the
// selector's list and preview), drawn once per paint and kept: drawing it
// takes the theme's images several milliseconds under Wine at every
// opening, while it looks the same each time. When nothing it depends on has
// changed, the kept pixels are put back in one step.
#pragma once

#include <windows.h>

#include <array>

#include "platform/handles.h"

namespace quistrel {

class FrameCache {
 public:
  // Answers WM_NCPAINT for the control; `region` is the message's wParam.
  // `draw` paints the frame within a region as the control would.
  LRESULT Paint(HWND control, WPARAM region, LRESULT (*draw)(HWND, WPARAM));
  // The theme, the system's colours or the control's scaling changed.
  void Forget() { kept_ = false; }

 private:
  // What the frame's look depends on.
  struct Look {
    SIZE size{};
    std::array<SCROLLINFO, 2> bars{};
    std::array<std::array<DWORD, CCHILDREN_SCROLLBAR + 1>, 2> states{};
    bool focused = false;
    bool enabled = false;
    bool operator==(const Look& other) const;
  };
  static Look LookOf(HWND control);

  Look look_;
  bool kept_ = false;
  UniqueGdiObject pixels_;
};

}  // namespace quistrel
