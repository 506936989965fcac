#include "platform/form.h"

#include <commctrl.h>

#include "platform/display.h"

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
  HWND centreOn = frame.centreOnOwner ? owner : nullptr;
  // Sized for the monitor it will be centred on.
  auto outerSize = [&](UINT dpi) {
    return WindowSizeForClientAtDpi(ScaleForDpi(frame.clientWidth, static_cast<int>(dpi)),
                                    ScaleForDpi(frame.clientHeight, static_cast<int>(dpi)), frame.style, frame.exStyle,
                                    dpi);
  };
  const UINT dpi = DpiAt(CenteredPosition(SIZE{}, centreOn));
  SIZE size = outerSize(dpi);
  POINT at = CenteredPosition(size, centreOn);
  if (!Create(frame.className, frame.caption.c_str(), frame.style, frame.exStyle, at.x, at.y, size.cx, size.cy,
              owner)) {
    return false;
  }
  if (Dpi() != dpi) {
    size = outerSize(Dpi());
    at = CenteredPosition(size, centreOn);
    SetWindowPos(Handle(), nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  OnLoad();
  if (IsLoaded()) look_.Apply(Handle());
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
  if (frame) {
    // Frames are plain group boxes: their children live on the form, placed
    // relative to the frame, so messages and tab order stay with the form.
    const RECT frameAt96 = layout_.PlaceAt96(frame);
    x += frameAt96.left;
    y += frameAt96.top;
  }
  HWND control = layout_.Add(className, text, style, exStyle, RECT{x, y, x + width, y + height}, id);
  if (control && frame) SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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

void Form::ShowProgramIcon(const ProgramIcons& icons) {
  icons_ = &icons;
  icons.SetWindowIcon(Handle(), Dpi());
}

void Form::FocusControl(HWND control) {
  // As a dialog box does: an edit box is entered with its text selected, and
  // the default look goes to a focused push button, else back to the
  // default button.
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  SetFocus(control);
  ShowDefaultButton(control);
}

void Form::ShowDefaultButton(HWND focus) {
  auto codeOf = [](HWND control) { return SendMessageW(control, WM_GETDLGCODE, 0, 0); };
  HWND chosen = focus && (codeOf(focus) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) ? focus : nullptr;
  if (!chosen) {
    const LRESULT defId = SendMessageW(Handle(), DM_GETDEFID, 0, 0);
    if (HIWORD(defId) == DC_HASDEFID) chosen = Item(LOWORD(defId));
  }
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LRESULT code = codeOf(child);
    if ((code & DLGC_DEFPUSHBUTTON) && child != chosen) SendMessageW(child, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if ((code & DLGC_UNDEFPUSHBUTTON) && child == chosen) SendMessageW(child, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
}

void Form::FollowLook() {
  RefreshLook();
  if (!look_.Apply(Handle())) return;
  // An open window changes at once, fonts included.
  layout_.Renew();
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Form::OnDpiChanged(UINT dpi, const RECT& suggested) {
  layout_.ChangeDpi(dpi);
  if (icons_) icons_->SetWindowIcon(Handle(), dpi);
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
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
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
    // Tab moves on as in a dialog box, through WM_NEXTDLGCTL; a control that
    // wants the key (a multi-line edit box) sends that message itself.
    const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    if (!(code & (DLGC_WANTTAB | DLGC_WANTMESSAGE))) {
      SendMessageW(Handle(), WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, 0);
      return true;
    }
  }
  return IsDialogMessageW(Handle(), &msg) != FALSE;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const auto answer = WindowLook::PaintingAnswer(Handle(), message, wParam)) return *answer;
  switch (message) {
    case WM_CREATE:
      layout_.Attach(Handle(), DpiOfWindow(Handle()));
      filterId_ = AddMessageFilter([this](MSG& msg) { return HandleDialogKeys(msg); });
      break;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_NEXTDLGCTL: {
      HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                               : GetNextDlgTabItem(Handle(), GetFocus(), static_cast<BOOL>(wParam != 0));
      if (to) FocusControl(to);
      return 0;
    }
    case DM_GETDEFID: {
      // As a dialog box answers: whom Enter presses when no push button has the focus.
      const int id = DefaultButtonId();
      return id != 0 && Item(id) ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      OnPaint(dc);
      EndPaint(Handle(), &paint);
      return 0;
    }
    case WM_PRINTCLIENT: OnPaint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      if (SaysColoursChanged(message, wParam, lParam)) FollowLook();
      break;
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
      layout_.Detach();
      icons_ = nullptr;
      return result;
    }
    default: break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quistrel
