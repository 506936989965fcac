#include "platform/form.h"

#include <commctrl.h>

#include <cmath>

namespace quistrel {

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return text;
}

std::wstring Form::ItemText(int id) const { return WindowTextOf(Item(id)); }

namespace {
HWND FirstTabStop(HWND form) {
  for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) return child;
  }
  return nullptr;
}

// Never shown: a window it owns gets no taskbar button.
HWND HiddenOwnerWindow() {
  static UniqueWindow owner(
      CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, AppInstance(), nullptr));
  return owner.Get();
}
}  // namespace

bool Form::EnsureCreated(HWND owner) {
  if (IsLoaded()) return true;
  const Frame frame = Describe();
  if (!owner && !frame.taskbarButton) owner = HiddenOwnerWindow();
  RegisterWindowClass(frame.className);
  const SIZE size = WindowSizeForClient(frame.clientWidth, frame.clientHeight, frame.style, frame.exStyle);
  const POINT at = CenteredPosition(size, frame.centreOnOwner ? owner : nullptr);
  if (!Create(frame.className, frame.caption.c_str(), frame.style, frame.exStyle, at.x, at.y, size.cx, size.cy,
              owner)) {
    return false;
  }
  OnLoad();
  return IsLoaded();
}

void Form::ShowModeless() {
  if (!EnsureCreated(nullptr)) return;
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void Form::ShowModal(HWND owner) {
  if (IsLoaded()) {
    SetForegroundWindow(Handle());
    return;
  }
  if (!EnsureCreated(owner)) return;
  modal_ = true;
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  RunMessageLoop([this] { return IsLoaded(); });
  modal_ = false;
  if (ownerWasEnabled && IsWindow(owner)) {
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
  }
}

void Form::OnCommand(int id, int, HWND) {
  if (id == IDCANCEL) Unload();
}

HWND Form::AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int x, int y, int width,
                      int height, int id, HWND frame, DWORD exStyle) {
  HWND parent = Handle();
  if (frame) {
    // Frames are plain group boxes: their children live on the form, placed
    // relative to the frame, so messages and tab order stay with the form.
    RECT r;
    GetWindowRect(frame, &r);
    MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
    x += r.left;
    y += r.top;
  }
  HWND control = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance(), nullptr);
  if (control) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(defaultFont_), FALSE);
    if (frame) SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return control;
}

void Form::SetTabOrder(std::initializer_list<HWND> controls) {
  HWND after = HWND_TOP;
  for (HWND control : controls) {
    SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = control;
  }
}

void Form::RememberFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(Handle(), focus)) lastFocus_ = focus;
}

void Form::RestoreFocus() {
  // As a dialog box does: back to the control that had the focus, or at the
  // first activation to the control the load chose, else the first tab stop.
  HWND focus = GetFocus();
  if (lastFocus_ && IsWindow(lastFocus_) && IsChild(Handle(), lastFocus_) && IsWindowEnabled(lastFocus_)) {
    focus = lastFocus_;
  } else if (!focus || !IsChild(Handle(), focus)) {
    focus = FirstTabStop(Handle());
  }
  if (focus) SetFocus(focus);
}

void Form::SetTooltip(HWND control, const std::wstring& text) { tooltips_.Add(Handle(), control, text); }

HFONT Form::MakeFont(const FontSpec& wanted) {
  LOGFONTW font{};
  HDC screen = GetDC(nullptr);
  font.lfHeight = -static_cast<LONG>(std::lround(wanted.points * GetDeviceCaps(screen, LOGPIXELSY) / 72.0));
  ReleaseDC(nullptr, screen);
  font.lfWeight = wanted.bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = wanted.italic;
  font.lfUnderline = wanted.underline;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  wcsncpy(font.lfFaceName, wanted.face.c_str(), LF_FACESIZE - 1);
  fonts_.emplace_back(CreateFontIndirectW(&font));
  return fonts_.back().Get();
}

bool Form::HandleDialogKeys(MSG& msg) {
  if (!IsLoaded() || (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd))) return false;
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
    // A multi-line box that wants Enter gets Ctrl+Enter through as a line break.
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (msg.wParam == VK_RETURN && ctrl) {
      const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0);
      if ((code & DLGC_HASSETSEL) && (GetWindowLongW(msg.hwnd, GWL_STYLE) & ES_MULTILINE)) {
        SendMessageW(msg.hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
        return true;
      }
    }
    const int id = msg.wParam == VK_RETURN ? DefaultButtonId() : CancelButtonId();
    if (id != 0) {
      HWND button = Item(id);
      if (msg.wParam == VK_RETURN) {
        // Enter on a focused push button presses that button.
        HWND focus = GetFocus();
        wchar_t cls[16] = {};
        GetClassNameW(focus, cls, 16);
        if (focus && IsChild(Handle(), focus) && lstrcmpiW(cls, L"Button") == 0 &&
            (GetWindowLongW(focus, GWL_STYLE) & 0x0F) <= BS_DEFPUSHBUTTON) {
          button = focus;
        }
      }
      if (!button || IsWindowEnabled(button)) {
        const int pressed = button ? GetDlgCtrlID(button) : id;
        PostMessageW(Handle(), WM_COMMAND, MAKEWPARAM(pressed, BN_CLICKED), reinterpret_cast<LPARAM>(button));
      }
      return true;
    }
  }
  return IsDialogMessageW(Handle(), &msg) != FALSE;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
      fonts_.emplace_back(CreateFontIndirectW(&metrics.lfMessageFont));
      defaultFont_ = fonts_.back().Get();
      filterId_ = AddMessageFilter([this](MSG& msg) { return HandleDialogKeys(msg); });
      break;
    }
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      OnPaint(dc);
      EndPaint(Handle(), &paint);
      return 0;
    }
    case WM_PRINTCLIENT: OnPaint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
      } else {
        RestoreFocus();
      }
      return 0;
    case WM_CLOSE:
      // The close box and Alt+F4 act as the cancel button would.
      OnCommand(IDCANCEL, BN_CLICKED, nullptr);
      return 0;
    case WM_DESTROY:
      OnUnload();
      RemoveMessageFilter(filterId_);
      filterId_ = 0;
      tooltips_.Forget();
      lastFocus_ = nullptr;
      break;
    case WM_NCDESTROY: {
      const LRESULT result = Window::HandleMessage(message, wParam, lParam);
      fonts_.clear();
      defaultFont_ = nullptr;
      return result;
    }
    default: break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quistrel
