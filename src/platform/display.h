// The displays the windows are on: their DPI and work areas, and what the
// system's metrics are at a given DPI. Calls that Windows 7 lacks (and some
// Wine versions) are looked up at run time; without them every monitor has
// the system's DPI.
#pragma once

#include <windows.h>

#include "platform/placement.h"

namespace quistrel {

// What the program's manifest declares, for programs without it (the test
// programs): aware of each monitor's DPI where the system knows it, else of
// the system's DPI.
void BecomeDpiAware();

// The DPI the system's fonts and metrics follow.
UINT SystemDpi();
// The DPI of the monitor the window is on (the window's own DPI).
UINT DpiOfWindow(HWND window);
// The DPI of the monitor that holds the point.
UINT DpiAt(POINT point);

// The work areas of all monitors, the primary one first.
WorkAreas MonitorWorkAreas();

// Outer size of a window whose client area is clientWidth x clientHeight
// pixels, with the frame as thick as it is at `dpi`.
SIZE WindowSizeForClientAtDpi(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

// The system's message font (dialog texts) at `dpi`.
LOGFONTW MessageFontAtDpi(UINT dpi);

}  // namespace quistrel
