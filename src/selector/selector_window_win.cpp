#include "selector/selector_window.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "clipboard/clipboard.h"
#include "platform/display.h"
#include "platform/private_messages.h"
#include "selector/paste_win.h"
#include "selector/selector_ids.h"

namespace quistrel {

namespace {
namespace ids = selector_ids;

constexpr DWORD kStyle = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr int kClientWidthTwips = 7530;
constexpr int kClientHeightTwips = 1800;

// How long a commit waits for a clipboard that someone else holds.
constexpr auto kCommitWait = std::chrono::milliseconds(2000);
// How long the paste waits for the window the user works in to take the
// keyboard back: a program that takes longer is one the user sees hang.
constexpr auto kTargetWait = std::chrono::milliseconds(1000);

// The layout is given in twips, 15 to a pixel at 96 DPI.
constexpr int FromTwips(int twips) { return twips / 15; }
constexpr RECT TwipsRect(int x, int y, int width, int height) {
  return RECT{FromTwips(x), FromTwips(y), FromTwips(x + width), FromTwips(y + height)};
}

SIZE OuterSize(UINT dpi) {
  const int scale = static_cast<int>(dpi);
  return WindowSizeForClientAtDpi(ScaleForDpi(FromTwips(kClientWidthTwips), scale),
                                  ScaleForDpi(FromTwips(kClientHeightTwips), scale), kStyle, kExStyle, dpi);
}

// The window the user works in, if any: not the desktop, nor a minimised or
// hidden window.
std::optional<ScreenRect> WorkingWindowRect(HWND foreground) {
  RECT r;
  if (!foreground || foreground == GetDesktopWindow() || foreground == GetShellWindow() ||
      !IsWindowVisible(foreground) || IsIconic(foreground) || !GetWindowRect(foreground, &r)) {
    return std::nullopt;
  }
  return ScreenRect{r.left, r.top, r.right, r.bottom};
}
}  // namespace

SelectorWindow::SelectorWindow(ProgramState& program, SelectorActions actions)
    : program_(program), actions_(std::move(actions)) {}

bool SelectorWindow::Load() {
  RegisterWindowClass(kSelectorClassName);
  const UINT primaryDpi = DpiAt(POINT{0, 0});
  const SIZE size = OuterSize(primaryDpi);
  if (!Create(kSelectorClassName, L"Mallowquist", kStyle, kExStyle, 0, 0, size.cx, size.cy, nullptr)) {
    return false;
  }
  layout_.Attach(Handle(), DpiOfWindow(Handle()));
  if (layout_.Dpi() != primaryDpi) {
    const SIZE atDpi = OuterSize(layout_.Dpi());
    SetWindowPos(Handle(), nullptr, 0, 0, atDpi.cx, atDpi.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  CreateControls();
  BuildTrayMenu();
  keyFilter_ = AddMessageFilter([this](MSG& msg) { return RouteKeyboard(msg); });
  return true;
}

void SelectorWindow::CreateControls() {
  // Created in tab order: the list, the preview, then the two option buttons.
  list_ = layout_.Add(L"LISTBOX", L"",
                      WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOINTEGRALHEIGHT,
                      WS_EX_CLIENTEDGE, TwipsRect(0, 300, 5415, 1500), ids::kListClipBoard);
  preview_ =
      layout_.Add(L"EDIT", L"",
                  WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                  WS_EX_CLIENTEDGE, TwipsRect(5460, 0, 2055, 1800), ids::kTextPreview);
  SendMessageW(preview_, EM_SETLIMITTEXT, 0, 0);
  optHistory_ = layout_.Add(L"BUTTON", L"クリップボード履歴", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0,
                            TwipsRect(0, 0, 2715, 315), ids::kOptHistory);
  optFixed_ = layout_.Add(L"BUTTON", L"固定文字", BS_AUTORADIOBUTTON, 0, TwipsRect(2700, 0, 2715, 315), ids::kOptFixed);
  SendMessageW(optHistory_, BM_SETCHECK, BST_CHECKED, 0);
  listAccessibility_.Attach(list_, [this](int line) { return LineAsShown(model_.Line(line).view()); });

  tooltips_.Add(Handle(), optHistory_, L"クリップボード文字を選択します。");
  tooltips_.Add(Handle(), optFixed_, L"設定した固定文字を選択します。");
  tooltips_.Add(Handle(), list_, L"選択できるリストです。\u3000ダブルクリックで選択します。");
  tooltips_.Add(Handle(), preview_, L"選択文字のプレビューです。");
}

void SelectorWindow::BuildTrayMenu() {
  trayMenu_.Reset(CreatePopupMenu());
  AppendMenuW(trayMenu_.Get(), MF_STRING, ids::kMenuOpen, L"開く(&O)");
  AppendMenuW(trayMenu_.Get(), MF_STRING, ids::kMenuSetting, L"設定(&S)");
  AppendMenuW(trayMenu_.Get(), MF_STRING, ids::kMenuAbout, L"バージョン情報(&A)");
  AppendMenuW(trayMenu_.Get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(trayMenu_.Get(), MF_STRING, ids::kMenuEnd, L"終了(&X)");
}

void SelectorWindow::OnEnding() {
  if (ended_) return;
  ended_ = true;
  RemoveMessageFilter(keyFilter_);
  if (actions_.ending) actions_.ending();
}

const TextList& SelectorWindow::DisplayedList() const {
  return model_.Kind() == ListKind::FixedStrings ? program_.Setting.FixedString : program_.History;
}

void SelectorWindow::FillList() {
  model_.Fill(DisplayedList());
  // The list box holds no texts: it knows the number of lines and draws each
  // from the model's shared texts.
  SendMessageW(list_, LB_SETCOUNT, static_cast<WPARAM>(model_.Count()), 0);
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  InvalidateRect(list_, nullptr, TRUE);
}

bool SelectorWindow::IsOpen() const { return IsWindowVisible(Handle()) != FALSE; }

bool SelectorWindow::Open() {
  if (program_.SettingDialogOpen) return false;
  FillList();
  model_.LocateText(program_.ClipboardText);
  if (IsWindowVisible(Handle())) return true;
  previousForeground_ = GetForegroundWindow();
  Place(previousForeground_);
  // Shown and made topmost in one step: each window operation costs time
  // the user waits for.
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  // Windows gives the foreground only to the program whose input came last.
  // The unassigned key that the keyboard hook presses for each C it takes
  // (so that the release of Win opens no Start menu) is that input: it goes
  // out before the hook tells of the step that leads here, and must stay
  // ahead of this activation.
  SetForegroundWindow(Handle());
  SetFocus(list_);
  return true;
}

void SelectorWindow::Close(bool thenPaste) {
  const std::optional<HWND> handedBackTo = Hide();
  if (handedBackTo && ShouldPaste(thenPaste, program_.Setting.AutoPaste)) Paste(*handedBackTo);
}

std::optional<HWND> SelectorWindow::Hide() {
  model_.openedByMouse = false;
  // Looked at first: taking the topmost place away may already move the
  // activation (a window manager restacks and refocuses).
  const bool wasActive = GetForegroundWindow() == Handle();
  SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  // Hiding the active selector deactivates it, which calls Close once more
  // from inside ShowWindow; that nested call only repeats the hide.
  const bool outermost = !hiding_;
  hiding_ = true;
  ShowWindow(Handle(), SW_HIDE);
  hiding_ = !outermost;
  if (!outermost) return std::nullopt;
  // Hand the activation back to the window the user was working in (the
  // system's own choice of the next window is not always that one). When
  // another window took the activation, it keeps it. The activation may
  // still be lost on its way; the paste waits for it (and asks again).
  HWND previous = std::exchange(previousForeground_, nullptr);
  const bool handBack =
      wasActive && previous && previous != Handle() && IsWindow(previous) && IsWindowVisible(previous);
  if (!handBack) return nullptr;
  SetForegroundWindow(previous);
  return previous;
}

void SelectorWindow::Paste(HWND handedBackTo) {
  // The hide and the return of the activation take effect first.
  ProcessPendingMessagesExcept(WM_HOTKEY);
  const HWND target = handedBackTo ? handedBackTo : GetForegroundWindow();
  const PasteKeys keys = PasteKeysFor(target, program_.Setting.PasteKeysByClass);
  if (keys == PasteKeys::None) return;  // the user pastes there, and knows it
  PasteObstacle obstacle = PasteObstacle::None;
  if (InputWouldBeDropped(InspectProcessOf(target), OwnIntegrityLevel())) {
    obstacle = PasteObstacle::HigherRights;
  } else if (!target || !WaitUntilItHasTheKeyboard(target, kTargetWait)) {
    // The other program activates its window on its own thread, later when
    // it is busy: the keys go once that window has the keyboard, not to
    // whichever window has it before, and not at all if it never does.
    obstacle = PasteObstacle::NoKeyboard;
  }
  switch (DecidePaste(obstacle, pasteNotices_)) {
    case PasteStep::SendKeys: SendPasteKeys(keys); break;
    case PasteStep::LeaveOnClipboard: break;
    case PasteStep::LeaveOnClipboardAndTell:
      if (actions_.pasteDropped) actions_.pasteDropped(obstacle, keys);
      break;
  }
}

void SelectorWindow::Place(HWND foreground) {
  RECT outer;
  GetWindowRect(Handle(), &outer);
  const ScreenRect stands{outer.left, outer.top, outer.right, outer.bottom};
  const WorkAreas monitors = MonitorWorkAreas();
  const std::optional<ScreenRect> working = WorkingWindowRect(foreground);
  const ScreenPoint at = PlacePopup(stands.Width(), stands.Height(), monitors, working,
                                    placed_ ? std::optional<ScreenRect>(stands) : std::nullopt);
  placed_ = true;
  if (at == ScreenPoint{stands.left, stands.top}) return;
  SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Moved to a monitor of another DPI, the window has just taken the size it
  // has there: centred again at that size.
  RECT moved;
  GetWindowRect(Handle(), &moved);
  if (moved.right - moved.left == stands.Width() && moved.bottom - moved.top == stands.Height()) return;
  const ScreenPoint again =
      PlacePopup(moved.right - moved.left, moved.bottom - moved.top, monitors, working, std::nullopt);
  SetWindowPos(Handle(), nullptr, again.x, again.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SelectorWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  layout_.ChangeDpi(dpi);
  SendMessageW(list_, LB_SETITEMHEIGHT, 0, LineHeight());
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SelectorWindow::SelectLine(int32_t line) {
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
  OnLineSelected();
}

void SelectorWindow::SelectDown() {
  if (SendMessageW(list_, LB_GETCOUNT, 0, 0) <= 0) return;
  if (model_.SelectDown()) SelectLine(model_.Selection());
}

void SelectorWindow::SelectUp() {
  if (SendMessageW(list_, LB_GETCOUNT, 0, 0) <= 0) return;
  if (model_.SelectUp()) SelectLine(model_.Selection());
}

void SelectorWindow::OnLineSelected() {
  const auto line = static_cast<int32_t>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
  model_.Select(line);
  // Laying out a long text in the preview takes a while; the list answers the
  // key at once and the preview follows with the next message. Quick steps
  // through the list lay out only the text the selection stops at.
  if (!previewPending_) {
    previewPending_ = true;
    PostMessageW(Handle(), kUpdatePreviewMessage, 0, 0);
  }
}

void SelectorWindow::UpdatePreview() {
  previewPending_ = false;
  const auto text = model_.SelectedText();
  if (!text) return;
  if (PreviewIsCut(*text)) {
    SetWindowTextW(preview_, Wide(CutPreview(*text)));
  } else {
    SetWindowTextW(preview_, Wide(text->str()));
  }
}

void SelectorWindow::OnLineDoubleClicked() {
  model_.openedByMouse = false;
  uint16_t key = kVkLWin;
  OnKeyUp(key);
}

void SelectorWindow::Commit() {
  const std::optional<SharedText> text = model_.SelectedText();
  const std::optional<HWND> handedBackTo = Hide();
  if (!handedBackTo) return;
  // Out of the user's way, the commit may wait for a clipboard that another
  // program holds (or that a slow owner keeps busy) a while. If it stays
  // held, the user hears of it, and nothing is pasted. Should the system
  // refuse the text once the clipboard is emptied, the text last read from
  // it goes back, if nothing was copied since.
  const KnownClipboardText previous{program_.ClipboardText.view(), program_.ClipboardSequence};
  if (text && !WriteClipboardText(Handle(), text->view(), kCommitWait, previous)) {
    if (actions_.commitFailed) actions_.commitFailed();
    return;
  }
  if (ShouldPaste(true, program_.Setting.AutoPaste)) Paste(*handedBackTo);
}

void SelectorWindow::SwitchList() {
  const bool toFixed = SendMessageW(optHistory_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  SendMessageW(optHistory_, BM_SETCHECK, toFixed ? BST_UNCHECKED : BST_CHECKED, 0);
  SendMessageW(optFixed_, BM_SETCHECK, toFixed ? BST_CHECKED : BST_UNCHECKED, 0);
  OnListKindClicked();
}

void SelectorWindow::OnListKindClicked() {
  model_.SetKind(SendMessageW(optFixed_, BM_GETCHECK, 0, 0) == BST_CHECKED ? ListKind::FixedStrings
                                                                           : ListKind::History);
  Open();
  if (model_.CurrentIndex() < model_.Count()) {
    model_.Select(model_.CurrentIndex());
    SelectLine(model_.CurrentIndex());
  }
}

void SelectorWindow::OnKeyUp(uint16_t& keyCode) {
  const KeyDecision decision = DecideKeyUp(keyCode, model_.openedByMouse);
  if (decision.consumed) keyCode = 0;
  switch (decision.action) {
    case KeyAction::None: break;
    case KeyAction::SelectUp: SelectUp(); break;
    case KeyAction::SelectDown: SelectDown(); break;
    case KeyAction::SwitchList: SwitchList(); break;
    case KeyAction::Commit: Commit(); break;
    case KeyAction::Cancel: Close(false); break;
  }
}

void SelectorWindow::OnTrayIconClick(MouseButton button) {
  if (button == MouseButton::Left) {
    // Only a selector that really shows is one opened by the mouse: a flag
    // left over from a refused opening would keep the next Win+C from
    // committing.
    if (Open()) model_.openedByMouse = true;
  } else {
    SetForegroundWindow(Handle());
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(trayMenu_.Get(), TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(Handle(), WM_NULL, 0, 0);
  }
}

void SelectorWindow::OnReportedKeyUp(uint16_t keyCode, uint32_t time) {
  if (!IsLoaded() || !IsWindowVisible(Handle())) return;
  // The foreground does not say where the key went: the system may name the
  // selector while the keyboard focus is still in the window the user works
  // in, which then gets the key message instead. So the report acts as soon
  // as it comes, and the window's own message of the same release, if any,
  // is passed over. The paste waits for the target's focus and lets go of
  // the keys still held, so acting early sends nothing too soon.
  if (releases_.Accept(EventWay::Hook, keyCode, time)) OnKeyUp(keyCode);
}

bool SelectorWindow::RouteKeyboard(MSG& msg) {
  if (!IsLoaded() || !IsWindowVisible(Handle())) return false;
  if (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd)) return false;
  const auto key = static_cast<uint16_t>(msg.wParam);
  if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
    // Already acted on through the keyboard hook's report.
    if (!releases_.Accept(EventWay::System, key, msg.time)) return DecideKeyUp(key, model_.openedByMouse).consumed;
    uint16_t keyCode = key;
    OnKeyUp(keyCode);
    return keyCode == 0;
  }
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    // The keys that act on release must not also move the list or the
    // option buttons on their own as they go down.
    return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT || key == VK_TAB;
  }
  return false;
}

void SelectorWindow::OnCommand(int id, int code) {
  switch (id) {
    case ids::kOptHistory:
    case ids::kOptFixed:
      if (code == BN_CLICKED) OnListKindClicked();
      break;
    case ids::kListClipBoard:
      if (code == LBN_SELCHANGE) OnLineSelected();
      if (code == LBN_DBLCLK) OnLineDoubleClicked();
      break;
    case ids::kMenuOpen: OnTrayIconClick(MouseButton::Left); break;
    case ids::kMenuSetting:
      if (actions_.openSettings) actions_.openSettings();
      break;
    case ids::kMenuAbout:
      if (actions_.openAbout) actions_.openAbout();
      break;
    case ids::kMenuEnd: Unload(); break;
    default: break;
  }
}

UINT SelectorWindow::LineHeight() {
  HDC dc = GetDC(Handle());
  HGDIOBJ old = SelectObject(dc, layout_.Font(FontDescription{}));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  return static_cast<UINT>(metrics.tmHeight + 1);
}

void SelectorWindow::DrawLine(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  HGDIOBJ old = SelectObject(item.hDC, layout_.Font(FontDescription{}));
  const std::u16string line = LineAsShown(model_.Line(static_cast<int32_t>(item.itemID)).view());
  RECT text = item.rcItem;
  text.left += layout_.Scale(2);
  DrawTextW(item.hDC, Wide(line), static_cast<int>(line.size()), &text,
            DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS);
  SelectObject(item.hDC, old);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

LRESULT SelectorWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case kUpdatePreviewMessage: UpdatePreview(); return 0;
    case WM_MEASUREITEM: reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = LineHeight(); return TRUE;
    case WM_DRAWITEM: DrawLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_CLOSE: Unload(); return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      // Windows ends the process once this returns: settle everything now.
      if (wParam) OnEnding();
      return 0;
    case WM_DESTROY: OnEnding(); return 0;
    case WM_NCDESTROY: layout_.Detach(); return Window::HandleMessage(message, wParam, lParam);
    default: return Window::HandleMessage(message, wParam, lParam);
  }
}

}  // namespace quistrel
