#include "selector/selector_window.h"

#include "core/app.h"
#include "tray/tray_icon.h"

namespace quistrel {

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_DLGFRAME;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr int kClientWidth = 502;  // 7530 x 1800 twips
constexpr int kClientHeight = 120;
constexpr char16_t kBalloonText[] =
    u"本ソフトの機能が利用可能になりました。\r\n"
    u"ショートカットキー、またはこのアイコンを左クリックして利用します。\r\n"
    u"設定を変更するには、このアイコンを右クリックして下さい。";
}  // namespace

SelectorWindow& SelectorWindow::Instance() {
  static SelectorWindow window;
  return window;
}

bool SelectorWindow::Load() {
  RegisterWindowClass(kSelectorClassName);
  const SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle);
  if (!Create(kSelectorClassName, L"Mallowquist", kStyle, kExStyle, 0, 0, size.cx, size.cy, nullptr)) {
    return false;
  }
  Form_Load();
  return true;
}

void SelectorWindow::Form_Load() {
  AppIconPair& icons = AppIcons();
  if (!icons.Small()) icons.borrowedSmall = reinterpret_cast<HICON>(GetClassLongPtrW(Handle(), GCLP_HICONSM));
  if (!icons.Large()) icons.borrowedLarge = reinterpret_cast<HICON>(GetClassLongPtrW(Handle(), GCLP_HICON));
  AddTrayIcon(Handle(), icons.Small(), u"Mallowquist", kBalloonText);
}

void SelectorWindow::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  DeleteTrayIcon();
  Shutdown();
}

LRESULT SelectorWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Windows ends the process once this returns: settle everything now.
      if (wParam) Form_Unload();
      return 0;
    case WM_DESTROY:
      Form_Unload();
      return 0;
    default:
      return Window::HandleMessage(message, wParam, lParam);
  }
}

}  // namespace quistrel
