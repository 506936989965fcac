#include "platform/display.h"

#include <algorithm>

#include "platform/dpi.h"
#include "platform/system_function.h"

namespace quistrel {

namespace {
// MDT_EFFECTIVE_DPI of GetDpiForMonitor (shcore, Windows 8.1 and later).
constexpr int kEffectiveDpi = 0;

struct DpiCalls {
  UINT(WINAPI* getDpiForWindow)(HWND) = SystemFunction<decltype(getDpiForWindow)>(L"user32.dll", "GetDpiForWindow");
  HRESULT(WINAPI* getDpiForMonitor)
  (HMONITOR, int, UINT*, UINT*) = SystemFunction<decltype(getDpiForMonitor)>(L"shcore.dll", "GetDpiForMonitor");
  BOOL(WINAPI* adjustWindowRectExForDpi)
  (RECT*, DWORD, BOOL, DWORD, UINT) = SystemFunction<decltype(adjustWindowRectExForDpi)>(L"user32.dll",
                                                                                         "AdjustWindowRectExForDpi");
  BOOL(WINAPI* setProcessDpiAwarenessContext)
  (HANDLE) = SystemFunction<decltype(setProcessDpiAwarenessContext)>(L"user32.dll", "SetProcessDpiAwarenessContext");
  BOOL(WINAPI* systemParametersInfoForDpi)
  (UINT, UINT, void*, UINT, UINT) = SystemFunction<decltype(systemParametersInfoForDpi)>(L"user32.dll",
                                                                                         "SystemParametersInfoForDpi");
};

const DpiCalls& Calls() {
  static const DpiCalls calls;
  return calls;
}

UINT DpiOfMonitor(HMONITOR monitor) {
  UINT x = 0, y = 0;
  if (monitor && Calls().getDpiForMonitor && SUCCEEDED(Calls().getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) &&
      y > 0) {
    return y;
  }
  return SystemDpi();
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, RECT*, LPARAM param) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  auto* areas = reinterpret_cast<WorkAreas*>(param);
  const ScreenRect area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  if (info.dwFlags & MONITORINFOF_PRIMARY) {
    areas->insert(areas->begin(), area);
  } else {
    areas->push_back(area);
  }
  return TRUE;
}
}  // namespace

void BecomeDpiAware() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  const HANDLE perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (!Calls().setProcessDpiAwarenessContext || !Calls().setProcessDpiAwarenessContext(perMonitorV2)) {
    SetProcessDPIAware();
  }
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT DpiOfWindow(HWND window) {
  if (Calls().getDpiForWindow) {
    if (const UINT dpi = Calls().getDpiForWindow(window)) return dpi;
  }
  return DpiOfMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
}

UINT DpiAt(POINT point) { return DpiOfMonitor(MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY)); }

WorkAreas MonitorWorkAreas() {
  WorkAreas areas;
  EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

SIZE WindowSizeForClientAtDpi(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
  RECT rect{0, 0, clientWidth, clientHeight};
  if (!Calls().adjustWindowRectExForDpi || !Calls().adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, dpi)) {
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

LOGFONTW MessageFontAtDpi(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (Calls().systemParametersInfoForDpi &&
      Calls().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    return metrics.lfMessageFont;
  }
  // Without the call the font follows the system's DPI.
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
  return font;
}

}  // namespace quistrel
