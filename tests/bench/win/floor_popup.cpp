// The floor for the selector's opening as the user sees it: the least a
// pop-up of the selector's size and place can take to appear. A list box of
// 999 short lines and a one-line edit box, filled and the second line
// selected at start, shown topmost and activated on a hot key of its own
// (Win+B: Win+C is the program's), hidden again on Esc, which a low-level
// keyboard hook sees wherever the focus is, as the program's does.
//
//   bench_floor_popup.exe X Y WIDTH HEIGHT     (the selector's window rectangle)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int kHotKeyId = 1;
constexpr UINT kHideMessage = WM_APP + 1;

HWND popup = nullptr;
HWND list = nullptr;
HWND previous = nullptr;

void Show() {
  previous = GetForegroundWindow();
  SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  SetForegroundWindow(popup);
  SetFocus(list);
}

void Hide() {
  if (!IsWindowVisible(popup)) return;
  ShowWindow(popup, SW_HIDE);
  if (previous && IsWindow(previous)) SetForegroundWindow(previous);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && wParam == WM_KEYDOWN && key->vkCode == VK_ESCAPE) PostMessageW(popup, kHideMessage, 0, 0);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOTKEY: Show(); return 0;
    case kHideMessage: Hide(); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: bench_floor_popup.exe X Y WIDTH HEIGHT\n");
    return 2;
  }
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
  const RECT at{x, y, x + std::atoi(argv[3]), y + std::atoi(argv[4])};
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = PopupProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = L"Quistrel.BenchFloor";
  RegisterClassW(&windowClass);
  // The selector's styles, so that Wine treats both windows alike.
  popup =
      CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"floor", WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN,
                      at.left, at.top, at.right - at.left, at.bottom - at.top, nullptr, nullptr, instance, nullptr);
  RECT client;
  GetClientRect(popup, &client);
  const int split = client.right * 5415 / 7530;
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  list =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0,
                      client.bottom / 6, split, client.bottom - client.bottom / 6, popup, nullptr, instance, nullptr);
  HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"entry 1", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, split + 3,
                              0, client.right - split - 3, client.bottom, popup, nullptr, instance, nullptr);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  for (int i = 0; i < 999; ++i) {
    const std::wstring line = L"entry " + std::to_wstring(i);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  SendMessageW(list, LB_SETCURSEL, 1, 0);
  if (!RegisterHotKey(popup, kHotKeyId, MOD_WIN | MOD_NOREPEAT, 'B')) {
    std::fprintf(stderr, "Win+B is taken\n");
    return 1;
  }
  SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, instance, 0);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
