// qdriver: the Windows side of the end-to-end harness. Each call does one
// thing and prints its answer as UTF-8 on standard output; the exit code is 0
// on success, 1 when the thing looked for is not there, 2 on a usage error.
//
//   find CLASS [TIMEOUT_MS]            handle of a top-level window of the class
//   wait-gone CLASS [TIMEOUT_MS]       waits until no such window exists
//   info CLASS                         visible, topmost, window and client rectangles
//   shown CLASS                        the caption of every visible top-level window of the class, a line
//                                      each (the shell's tooltips: their caption is the tip shown)
//   controls CLASS                     every child: id, class, text, rect in client coordinates
//   close CLASS                        posts WM_CLOSE
//   post CLASS MSG WPARAM LPARAM       posts a message; MSG may be reg:NAME (registered message)
//   send CLASS MSG WPARAM LPARAM       sends it and prints the result
//   broadcast MSG                      posts MSG to every top-level window (reg:NAME allowed)
//   clip-get                           the clipboard's Unicode text
//   clip-set TEXT                      puts the text on the clipboard as Unicode
//   clip-put TEXT                      the same, with \r \n \t \\ in TEXT unescaped
//   set-text CLASS CONTROL_ID TEXT     sets a control's text (TEXT unescaped as for clip-put)
//   list-select CLASS CONTROL_ID LINE  selects a line of a list box as a click does
//   line-point CLASS CONTROL_ID LINE   scrolls a list box to its top and prints the screen
//                                      point in the middle of the line
//   soak-state                         in one call, what the soak test compares: the clipboard,
//                                      the selector (shown, list, lines as a screen reader reads
//                                      them, selection, preview), the settings dialog's history length
//                                      and fixed strings, every visible window of the program
//   dialog CAPTION [TIMEOUT_MS]        the texts of a dialog (a message box) with that caption
//   dialog-press CAPTION BUTTON_ID     presses a button of that dialog
//   list-items CLASS CONTROL_ID        the lines of a list box and its selection
//   edit-text CLASS CONTROL_ID         the text of a control
//   acc-names CLASS CONTROL_ID         through Active Accessibility: the control's name, its
//                                      number of children and each child's name
//   keys STEP...                        keyboard events: down:VK up:VK tap:VK (hex or decimal VK)
//   foreground CLASS                   brings the window to the foreground
//   hotkey-grab VK MODIFIERS SECONDS   registers a hot key and keeps it for a while
//   app-mode light|dark                sets Windows' app mode (AppsUseLightTheme) and tells every
//                                      window, as Windows does when the user changes it
//   luminance CLASS                    the mean relative luminance (0 to 1) of the screen's pixels
//                                      where the window is
//   tray-exists CLASS                  whether the shell has an icon (uID 1) of that window
//   tray-delete CLASS                  takes that icon away, as a shell restart does
//   active                             class and caption of the foreground window
//   cursor X Y                         moves the mouse pointer
//   folder CSIDL                       the path of a shell folder (CSIDL_PROGRAMS is 2)
//   file-version PATH                  the product version in a file's version resource
//   modules CLASS                      the full path of each module loaded in the window's process
//   key-log FILE SECONDS               a window (Quistrel.KeyLog, with a menu bar) that writes each key
//                                      message it receives to FILE, with the modifiers down for it or at
//                                      that moment, "menu" for each menu activation by keyboard,
//                                      "menu key N" for each mnemonic looked for and "menu loop"
//                                      for each menu tracked;
//                                      WM_APP+1 (0x8001) posted to it keeps it from answering for
//                                      WPARAM milliseconds
//   key-log FILE SECONDS peer          the same window, which first also registers Win+C and
//                                      Win+Alt+C ("hotkey N" for each WM_HOTKEY) and logs every key
//                                      its own low-level hook sees ("hook down 43", "... injected"),
//                                      as another program that wants the keys would; "ready" once
//                                      it holds them all
//   key-log FILE SECONDS [peer] class NAME
//                                      the same, its window of the class NAME instead (a terminal
//                                      program's, such as PuTTY)
#include <windows.h>
#include <oleacc.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../../wine/wine_test_util.h"
#include "clipboard/clipboard.h"
#include "platform/display.h"
#include "platform/handles.h"
#include "platform/look.h"

namespace {

void Print(const std::wstring& text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  DWORD wrote = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
}

std::wstring FromUtf8(const std::wstring& argument) {
  // Arguments arrive already in UTF-16 through wmain.
  return argument;
}

// WM_GETTEXT itself: GetWindowText does not ask the controls of another process.
std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &got);
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r')
      out += L"\\r";
    else if (c == L'\n')
      out += L"\\n";
    else if (c == L'\t')
      out += L"\\t";
    else if (c == L'\\')
      out += L"\\\\";
    else
      out += c;
  }
  return out;
}

UINT ParseMessage(const std::wstring& name) {
  if (name.rfind(L"reg:", 0) == 0) return RegisterWindowMessageW(name.substr(4).c_str());
  return static_cast<UINT>(wcstoul(name.c_str(), nullptr, 0));
}

HWND FindTopLevel(const std::wstring& className, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND found = FindWindowW(className.c_str(), nullptr);
    if (found || GetTickCount() - start >= timeoutMs) return found;
    Sleep(50);
  }
}

struct DialogSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  if (ClassOf(window) == L"#32770" && WindowText(window) == search->caption && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindDialogByCaption(const std::wstring& caption, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    DialogSearch search{caption};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found || GetTickCount() - start >= timeoutMs) return search.found;
    Sleep(50);
  }
}

std::wstring RectText(const RECT& r) {
  return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right - r.left) + L"," +
         std::to_wstring(r.bottom - r.top);
}

BOOL CALLBACK PrintShown(HWND window, LPARAM param) {
  if (IsWindowVisible(window) && ClassOf(window) == *reinterpret_cast<const std::wstring*>(param)) {
    Print(WindowText(window) + L"\n");
  }
  return TRUE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM param) {
  HWND top = reinterpret_cast<HWND>(param);
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  wchar_t styleText[32];
  swprintf(styleText, 32, L"%08lx", static_cast<unsigned long>(style));
  Print(std::to_wstring(GetDlgCtrlID(child)) + L"\t" + ClassOf(child) + L"\t" + Escape(WindowText(child)) + L"\t" +
        RectText(r) + L"\t" + styleText + L"\t" + (GetParent(child) == top ? L"top" : L"nested") + L"\t" +
        (IsWindowEnabled(child) ? L"enabled" : L"disabled") + L"\n");
  return TRUE;
}

BOOL CALLBACK PrintDialogText(HWND child, LPARAM) {
  const std::wstring cls = ClassOf(child);
  if (cls == L"Static" || cls == L"Button") {
    const std::wstring text = WindowText(child);
    if (!text.empty()) Print(cls + L"\t" + std::to_wstring(GetDlgCtrlID(child)) + L"\t" + Escape(text) + L"\n");
  }
  return TRUE;
}

// The program under test reads the clipboard at every copy and may hold it
// for a moment: each access is tried a few times.
constexpr int kClipboardAttempts = 10;

std::wstring ClipboardText() {
  std::optional<std::u16string> text;
  for (int attempt = 0; attempt < kClipboardAttempts && !text; ++attempt) text = quistrel::ReadClipboardText(nullptr);
  return text ? std::wstring(text->begin(), text->end()) : std::wstring();
}

bool SetClipboard(const std::wstring& text) {
  bool written = false;
  for (int attempt = 0; attempt < kClipboardAttempts && !written; ++attempt) {
    written = quistrel::WriteClipboardText(nullptr, quistrel::FromWide(text));
  }
  return written;
}

std::wstring Unescape(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const wchar_t next = text[++i];
    out += next == L'r' ? L'\r' : next == L'n' ? L'\n' : next == L't' ? L'\t' : next;
  }
  return out;
}

HWND ControlOf(const std::wstring& className, int id) {
  HWND window = FindTopLevel(className, 0);
  return window ? GetDlgItem(window, id) : nullptr;
}

// The names a screen reader reads for a list's lines; nothing where the
// system offers no accessible object across processes.
std::optional<std::vector<std::wstring>> AccessibleLines(HWND list) {
  std::vector<std::wstring> lines;
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(list, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object))) ||
      !object) {
    return std::nullopt;
  }
  long count = 0;
  object->get_accChildCount(&count);
  for (long child = 1; child <= count; ++child) {
    VARIANT id;
    VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    BSTR name = nullptr;
    lines.push_back(SUCCEEDED(object->get_accName(id, &name)) && name ? std::wstring(name, SysStringLen(name))
                                                                      : L"<none>");
    SysFreeString(name);
  }
  object->Release();
  return lines;
}

BOOL CALLBACK PrintProgramWindow(HWND window, LPARAM) {
  const std::wstring cls = ClassOf(window);
  const bool ours = cls.rfind(L"Mallowquist.", 0) == 0 && cls != L"Mallowquist.TestPeer";
  const bool messageBox = cls == L"#32770" && WindowText(window).rfind(L"Mallowquist", 0) == 0;
  if (IsWindowVisible(window) && (ours || messageBox)) Print(L"window\t" + cls + L"\n");
  return TRUE;
}

int SoakState() {
  // The program reads the clipboard at every change: an access that finds it
  // held is tried again for a while before it counts as unreadable. No text
  // at all reads as the empty text.
  bool opened = false;
  for (int attempt = 0; attempt < 50 && !opened; ++attempt) {
    opened = OpenClipboard(nullptr) != FALSE;
    if (!opened) Sleep(20);
  }
  if (opened) {
    const std::u16string clip = quistrel::TextOfOpenClipboard().value_or(u"");
    CloseClipboard();
    Print(L"clip\t" + Escape(std::wstring(clip.begin(), clip.end())) + L"\n");
  } else {
    Print(L"clip-unreadable\n");
  }
  HWND selector = FindTopLevel(L"Mallowquist.frmMain", 0);
  const bool shown = selector && IsWindowVisible(selector);
  Print(std::wstring(L"open\t") + (shown ? L"1" : L"0") + L"\n");
  if (shown) {
    HWND list = GetDlgItem(selector, 1002);
    const bool fixed = SendMessageW(GetDlgItem(selector, 1001), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Print(std::wstring(L"kind\t") + (fixed ? L"fixed" : L"history") + L"\n");
    Print(L"selected\t" + std::to_wstring(SendMessageW(list, LB_GETCURSEL, 0, 0)) + L"\n");
    Print(L"count\t" + std::to_wstring(SendMessageW(list, LB_GETCOUNT, 0, 0)) + L"\n");
    Print(L"preview\t" + Escape(WindowText(GetDlgItem(selector, 1003))) + L"\n");
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (const auto lines = AccessibleLines(list)) {
      for (const std::wstring& line : *lines) Print(L"line\t" + Escape(line) + L"\n");
    } else {
      Print(L"lines-unreadable\n");
    }
    CoUninitialize();
  }
  if (HWND settings = FindTopLevel(L"Mallowquist.frmSetting", 0)) {
    Print(L"length\t" + Escape(WindowText(GetDlgItem(settings, 1105))) + L"\n");
    HWND list = GetDlgItem(settings, 1109);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(SendMessageW(list, LB_GETTEXTLEN, i, 0), 0)) + 1,
                        L'\0');
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(wcslen(text.c_str()));
      Print(L"fixed\t" + Escape(text) + L"\n");
    }
  }
  EnumWindows(PrintProgramWindow, 0);
  return 0;
}

void SendKeys(const std::vector<std::wstring>& steps) {
  for (const std::wstring& step : steps) {
    const auto colon = step.find(L':');
    const std::wstring action = step.substr(0, colon);
    const WORD vk = static_cast<WORD>(wcstoul(step.substr(colon + 1).c_str(), nullptr, 0));
    if (action == L"sleep") {
      Sleep(vk);
      continue;
    }
    auto send = [vk](bool up) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = vk;
      input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      if (vk == VK_LWIN || vk == VK_RWIN || (vk >= VK_PRIOR && vk <= VK_DOWN))
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
      SendInput(1, &input, sizeof input);
    };
    if (action == L"down" || action == L"tap") send(false);
    if (action == L"up" || action == L"tap") send(true);
    Sleep(30);
  }
}

// ---- key-log: a window that records what the keyboard sends it -----------

HANDLE keyLogFile = INVALID_HANDLE_VALUE;
HHOOK peerHook = nullptr;

void LogLine(const std::string& line) {
  DWORD wrote = 0;
  WriteFile(keyLogFile, line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
  WriteFile(keyLogFile, "\n", 1, &wrote, nullptr);
}

LRESULT CALLBACK KeyLogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const std::pair<UINT, const char*> kKeyMessages[] = {
      {WM_KEYDOWN, "keydown"}, {WM_KEYUP, "keyup"}, {WM_SYSKEYDOWN, "syskeydown"}, {WM_SYSKEYUP, "syskeyup"}};
  for (const auto& [code, name] : kKeyMessages) {
    if (message != code) continue;
    // Down as this window saw it with the message, or still down now: a key
    // held all along counts even where Wine has not told this thread yet.
    auto down = [](int key) { return GetKeyState(key) < 0 || (GetAsyncKeyState(key) & 0x8000) != 0; };
    char line[96];
    snprintf(line, sizeof line, "%s %02X%s%s%s%s", name, static_cast<unsigned>(wParam), down(VK_MENU) ? " alt" : "",
             down(VK_CONTROL) ? " ctrl" : "", down(VK_SHIFT) ? " shift" : "",
             (down(VK_LWIN) || down(VK_RWIN)) ? " win" : "");
    LogLine(line);
  }
  if (message == WM_HOTKEY) LogLine("hotkey " + std::to_string(wParam));
  if (message == WM_APP + 1) Sleep(static_cast<DWORD>(wParam));
  // An Alt+letter looks for a mnemonic (lParam the letter), which opens the
  // menu only where one matches; Alt alone, let go, opens the menu bar.
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) {
    LogLine(lParam == 0 ? std::string("menu") : "menu key " + std::to_string(lParam));
  }
  if (message == WM_ENTERMENULOOP) LogLine("menu loop");
  if (message == WM_TIMER) DestroyWindow(window);
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK PeerHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    char line[64];
    snprintf(line, sizeof line, "hook %s %02lX%s", (key.flags & LLKHF_UP) ? "up" : "down",
             static_cast<unsigned long>(key.vkCode), (key.flags & LLKHF_INJECTED) ? " injected" : "");
    LogLine(line);
  }
  return CallNextHookEx(peerHook, code, wParam, lParam);
}

int KeyLog(const std::wstring& path, DWORD seconds, bool peer, const std::wstring& className) {
  keyLogFile = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (keyLogFile == INVALID_HANDLE_VALUE) return 1;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = KeyLogProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className.c_str();
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, 1, L"&Exit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  HWND window = CreateWindowExW(0, className.c_str(), L"Key log", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 200,
                                nullptr, bar, windowClass.hInstance, nullptr);
  if (peer) {
    if (!RegisterHotKey(window, 1, MOD_WIN, 'C') || !RegisterHotKey(window, 2, MOD_WIN | MOD_ALT, 'C')) {
      LogLine("hotkey taken");
    }
    peerHook = SetWindowsHookExW(WH_KEYBOARD_LL, PeerHook, GetModuleHandleW(nullptr), 0);
    LogLine(peerHook ? "ready" : "no hook");
  }
  SetForegroundWindow(window);
  SetTimer(window, 1, seconds * 1000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (peerHook) UnhookWindowsHookEx(peerHook);
  CloseHandle(keyLogFile);
  return 0;
}

}  // namespace

bool SetAppMode(bool dark) {
  if (!quistrel::testing::SetAppMode(dark)) return false;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  return true;
}

std::optional<double> MeanLuminance(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return std::nullopt;
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
  std::vector<RGBQUAD> pixels(static_cast<std::size_t>(width) * height);
  const int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (lines != height) return std::nullopt;
  double sum = 0;
  for (const RGBQUAD& p : pixels) sum += quistrel::RelativeLuminance({p.rgbRed, p.rgbGreen, p.rgbBlue});
  return sum / static_cast<double>(pixels.size());
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  // Rectangles as the program itself sees them, at any DPI.
  quistrel::BecomeDpiAware();
  const std::wstring command = argv[1];
  auto arg = [&](int i) { return i < argc ? FromUtf8(argv[i]) : std::wstring(); };
  auto number = [&](int i, DWORD fallback) {
    return i < argc ? static_cast<DWORD>(wcstoul(argv[i], nullptr, 0)) : fallback;
  };

  if (command == L"find") {
    HWND found = FindTopLevel(arg(2), number(3, 0));
    if (!found) return 1;
    Print(std::to_wstring(reinterpret_cast<uintptr_t>(found)) + L"\n");
    return 0;
  }
  if (command == L"wait-gone") {
    const DWORD start = GetTickCount();
    while (FindWindowW(arg(2).c_str(), nullptr)) {
      if (GetTickCount() - start >= number(3, 5000)) return 1;
      Sleep(50);
    }
    return 0;
  }
  if (command == L"info") {
    HWND window = FindTopLevel(arg(2), 0);
    if (!window) return 1;
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    wchar_t styles[64];
    swprintf(styles, 64, L"style=%08lx exstyle=%08lx", static_cast<unsigned long>(style),
             static_cast<unsigned long>(exStyle));
    Print(L"visible=" + std::to_wstring(IsWindowVisible(window) ? 1 : 0) + L" topmost=" +
          std::to_wstring((exStyle & WS_EX_TOPMOST) ? 1 : 0) + L" window=" + RectText(outer) + L" client=" +
          RectText(client) + L" " + styles + L" caption=" + Escape(WindowText(window)) + L" foreground=" +
          std::to_wstring(GetForegroundWindow() == window ? 1 : 0) + L"\n");
    return 0;
  }
  if (command == L"shown") {
    const std::wstring className = arg(2);
    EnumWindows(PrintShown, reinterpret_cast<LPARAM>(&className));
    return 0;
  }
  if (command == L"controls") {
    HWND window = FindTopLevel(arg(2), 0);
    if (!window) return 1;
    EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(window));
    return 0;
  }
  if (command == L"close") {
    HWND window = FindTopLevel(arg(2), 0);
    if (!window) return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"post" || command == L"send") {
    HWND window = FindTopLevel(arg(2), 0);
    if (!window) return 1;
    const UINT message = ParseMessage(arg(3));
    const WPARAM wParam = static_cast<WPARAM>(wcstoull(arg(4).c_str(), nullptr, 0));
    const LPARAM lParam = static_cast<LPARAM>(wcstoll(arg(5).c_str(), nullptr, 0));
    if (command == L"post") {
      PostMessageW(window, message, wParam, lParam);
    } else {
      Print(std::to_wstring(SendMessageW(window, message, wParam, lParam)) + L"\n");
    }
    return 0;
  }
  if (command == L"broadcast") {
    PostMessageW(HWND_BROADCAST, ParseMessage(arg(2)), 0, 0);
    return 0;
  }
  if (command == L"app-mode") return SetAppMode(arg(2) == L"dark") ? 0 : 1;
  if (command == L"luminance") {
    HWND window = FindTopLevel(arg(2), 0);
    const auto mean = window ? MeanLuminance(window) : std::nullopt;
    if (!mean) return 1;
    wchar_t text[32];
    swprintf(text, 32, L"%.3f\n", *mean);
    Print(text);
    return 0;
  }
  if (command == L"clip-get") {
    Print(ClipboardText());
    return 0;
  }
  if (command == L"clip-set") return SetClipboard(arg(2)) ? 0 : 1;
  if (command == L"clip-put") return SetClipboard(Unescape(arg(2))) ? 0 : 1;
  if (command == L"soak-state") return SoakState();
  if (command == L"set-text") {
    HWND control = ControlOf(arg(2), static_cast<int>(number(3, 0)));
    if (!control) return 1;
    const std::wstring text = Unescape(arg(4));
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
  }
  if (command == L"list-select") {
    HWND list = ControlOf(arg(2), static_cast<int>(number(3, 0)));
    if (!list) return 1;
    SendMessageW(list, LB_SETCURSEL, number(4, 0), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return 0;
  }
  if (command == L"line-point") {
    HWND list = ControlOf(arg(2), static_cast<int>(number(3, 0)));
    if (!list) return 1;
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    RECT r{};
    if (SendMessageW(list, LB_GETITEMRECT, number(4, 0), reinterpret_cast<LPARAM>(&r)) == LB_ERR) return 1;
    POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list, &middle);
    Print(std::to_wstring(middle.x) + L" " + std::to_wstring(middle.y) + L"\n");
    return 0;
  }
  if (command == L"dialog") {
    HWND dialog = FindDialogByCaption(arg(2), number(3, 0));
    if (!dialog) return 1;
    EnumChildWindows(dialog, PrintDialogText, 0);
    return 0;
  }
  if (command == L"dialog-press") {
    HWND dialog = FindDialogByCaption(arg(2), number(4, 2000));
    if (!dialog) return 1;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(number(3, IDOK), BN_CLICKED), 0);
    return 0;
  }
  if (command == L"list-items") {
    HWND window = FindTopLevel(arg(2), 0);
    HWND list = window ? GetDlgItem(window, static_cast<int>(number(3, 0))) : nullptr;
    if (!list) return 1;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    Print(L"count=" + std::to_wstring(count) + L" selected=" + std::to_wstring(SendMessageW(list, LB_GETCURSEL, 0, 0)) +
          L"\n");
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
      std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
      if (length >= 0) SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(wcslen(text.c_str()));
      Print(Escape(text) + L"\n");
    }
    return 0;
  }
  if (command == L"edit-text") {
    HWND window = FindTopLevel(arg(2), 0);
    HWND control = window ? GetDlgItem(window, static_cast<int>(number(3, 0))) : nullptr;
    if (!control) return 1;
    Print(Escape(WindowText(control)));
    return 0;
  }
  if (command == L"acc-names") {
    HWND window = FindTopLevel(arg(2), 0);
    HWND control = window ? GetDlgItem(window, static_cast<int>(number(3, 0))) : nullptr;
    if (!control) return 1;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* object = nullptr;
    const HRESULT found =
        AccessibleObjectFromWindow(control, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object));
    if (FAILED(found) || !object) {
      Print(L"no object: " + std::to_wstring(static_cast<unsigned long>(found)) + L"\n");
      return 1;
    }
    auto nameOf = [object](long child) {
      VARIANT id;
      VariantInit(&id);
      id.vt = VT_I4;
      id.lVal = child;
      BSTR name = nullptr;
      const HRESULT got = object->get_accName(id, &name);
      std::wstring text = SUCCEEDED(got) && name ? std::wstring(name, SysStringLen(name)) : L"<none>";
      SysFreeString(name);
      return text;
    };
    long count = 0;
    object->get_accChildCount(&count);
    Print(L"name=" + Escape(nameOf(CHILDID_SELF)) + L"\ncount=" + std::to_wstring(count) + L"\n");
    for (long child = 1; child <= count; ++child) Print(Escape(nameOf(child)) + L"\n");
    object->Release();
    CoUninitialize();
    return 0;
  }
  if (command == L"keys") {
    SendKeys(std::vector<std::wstring>(argv + 2, argv + argc));
    return 0;
  }
  if (command == L"foreground") {
    HWND window = FindTopLevel(arg(2), 0);
    if (!window) return 1;
    SetForegroundWindow(window);
    return 0;
  }
  if (command == L"tray-exists" || command == L"tray-delete") {
    HWND window = FindTopLevel(arg(2), 0);
    if (!window) return 1;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    // Modifying nothing succeeds only for an icon the shell knows.
    const BOOL ok = Shell_NotifyIconW(command == L"tray-exists" ? NIM_MODIFY : NIM_DELETE, &data);
    Print(ok ? L"yes\n" : L"no\n");
    return ok ? 0 : 1;
  }
  if (command == L"x-window") {
    // Wine's X window of the foreground window (or of the class given), for
    // xdotool to give the X keyboard focus to where Wine has none of its own.
    HWND window = argc > 2 ? FindTopLevel(arg(2), 0) : GetForegroundWindow();
    const auto id = reinterpret_cast<uintptr_t>(window ? GetPropW(window, L"__wine_x11_whole_window") : nullptr);
    if (id == 0) return 1;
    Print(std::to_wstring(id) + L"\n");
    return 0;
  }
  if (command == L"active") {
    HWND window = GetForegroundWindow();
    Print(ClassOf(window) + L"\t" + WindowText(window) + L"\n");
    return window ? 0 : 1;
  }
  if (command == L"cursor") {
    SetCursorPos(static_cast<int>(number(2, 0)), static_cast<int>(number(3, 0)));
    return 0;
  }
  if (command == L"folder") {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, static_cast<int>(number(2, 0)), nullptr, SHGFP_TYPE_CURRENT, path))) return 1;
    Print(std::wstring(path) + L"\n");
    return 0;
  }
  if (command == L"file-version") {
    std::vector<BYTE> info(GetFileVersionInfoSizeW(arg(2).c_str(), nullptr));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (info.empty() || !GetFileVersionInfoW(arg(2).c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
        !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size)) {
      return 1;
    }
    Print(std::to_wstring(HIWORD(fixed->dwProductVersionMS)) + L"." +
          std::to_wstring(LOWORD(fixed->dwProductVersionMS)) + L"." +
          std::to_wstring(HIWORD(fixed->dwProductVersionLS)) + L"." +
          std::to_wstring(LOWORD(fixed->dwProductVersionLS)) + L"\n");
    return 0;
  }
  if (command == L"modules") {
    HWND window = FindTopLevel(arg(2), 0);
    DWORD processId = 0;
    if (!window || !GetWindowThreadProcessId(window, &processId)) return 1;
    const quistrel::UniqueKernelObject process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    std::vector<HMODULE> modules(512);
    DWORD bytes = 0;
    if (!process || !EnumProcessModules(process.Get(), modules.data(),
                                        static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &bytes)) {
      return 1;
    }
    modules.resize(std::min<std::size_t>(modules.size(), bytes / sizeof(HMODULE)));
    for (HMODULE module : modules) {
      wchar_t path[MAX_PATH] = {};
      GetModuleFileNameExW(process.Get(), module, path, MAX_PATH);
      Print(std::wstring(path) + L"\n");
    }
    return 0;
  }
  if (command == L"key-log") {
    const int named = arg(4) == L"class" ? 5 : arg(5) == L"class" ? 6 : 0;
    return KeyLog(arg(2), number(3, 60), arg(4) == L"peer", named ? arg(named) : L"Quistrel.KeyLog");
  }
  if (command == L"hotkey-grab") {
    // Holds a hot key so that the program under test finds it taken.
    const UINT vk = number(2, 'C');
    const UINT modifiers = number(3, MOD_WIN);
    if (!RegisterHotKey(nullptr, 1, modifiers, vk)) return 1;
    Print(L"grabbed\n");
    Sleep(number(4, 10) * 1000);
    UnregisterHotKey(nullptr, 1);
    return 0;
  }
  return 2;
}
