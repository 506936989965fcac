#include "platform/tooltip.h"

#include <commctrl.h>

#include "platform/display.h"
#include "platform/dpi.h"
#include "platform/window.h"

namespace quistrel {

void Tooltips::Add(HWND owner, HWND control, const std::wstring& text) {
  if (!tooltip_ || !IsWindow(tooltip_)) {
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, AppInstance(), nullptr);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(400, static_cast<int>(DpiOfWindow(owner))));
  }
  TTTOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

}  // namespace quistrel
