#include "selector/selector_window.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "clipboard/clipboard.h"
#include "platform/common_controls.h"
#include "platform/display.h"
#include "platform/private_messages.h"
#include "selector/dark_frame_win.h"
#include "selector/frame_cache_win.h"
#include "selector/opening_trace_win.h"
#include "selector/paste_win.h"
#include "selector/selector_ids.h"

namespace quistrel {

namespace {
namespace ids = selector_ids;

constexpr DWORD kStyle = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr int kClientWidthTwips = 7530;
constexpr int kClientHeightTwips = 1800;

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

// Under Wine another thread of the program may hand the window's pixels to
// the screen at any moment, also halfway through a paint: a part drawn in
// layers (a background, then text over it) would show its layers one after
// the other. So each part is drawn into a bitmap first and put on the
// screen in one step, and no pixel is drawn twice in one paint. (Windows'
// compositor shows a window's finished paint, so there it only saves the
// layers' time.)
class Buffer {
 public:
  Buffer(HDC screen, const RECT& area)
      : screen_(screen),
        area_(area),
        memory_(CreateCompatibleDC(screen)),
        bitmap_(CreateCompatibleBitmap(screen, area.right - area.left, area.bottom - area.top)),
        old_(SelectObject(memory_, bitmap_)) {
    SetViewportOrgEx(memory_, -area.left, -area.top, nullptr);
  }
  ~Buffer() {
    SelectObject(memory_, old_);
    DeleteObject(bitmap_);
    DeleteDC(memory_);
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  // Drawn into, in the screen DC's coordinates.
  HDC Dc() const { return memory_; }
  void Show() const {
    BitBlt(screen_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_, area_.left,
           area_.top, SRCCOPY);
  }

 private:
  HDC screen_;
  RECT area_;
  HDC memory_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// The themed border of the list and the preview is drawn as one image of
// the control's whole size, client area and scroll bars included, which
// their own paint then covers again. So the border is drawn only in its
// ring, and the scroll bars (the system's part of the frame) only inside
// it: each pixel once (and the image's blending has less to cover).
RECT InsideBorder(HWND control) {
  RECT inside;
  GetClientRect(control, &inside);
  MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&inside), 2);
  for (const LONG bar : {OBJID_VSCROLL, OBJID_HSCROLL}) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!GetScrollBarInfo(control, bar, &info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) continue;
    inside.right = std::max(inside.right, info.rcScrollBar.right);
    inside.bottom = std::max(inside.bottom, info.rcScrollBar.bottom);
  }
  return inside;
}

UniqueGdiObject RingRegion(const RECT& outer, const RECT& inner, WPARAM limit) {
  UniqueGdiObject ring(CreateRectRgnIndirect(&outer));
  const UniqueGdiObject hole(CreateRectRgnIndirect(&inner));
  const auto region = static_cast<HRGN>(ring.Get());
  CombineRgn(region, region, static_cast<HRGN>(hole.Get()), RGN_DIFF);
  // 1 stands for the whole window; any other value is the region to draw.
  if (limit != 1) CombineRgn(region, region, reinterpret_cast<HRGN>(limit), RGN_AND);
  return ring;
}

LRESULT PaintFrameOnce(HWND control, WPARAM limit) {
  RECT outer, client;
  GetWindowRect(control, &outer);
  GetClientRect(control, &client);
  MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  const RECT inside = InsideBorder(control);
  const UniqueGdiObject border = RingRegion(outer, inside, limit);
  const UniqueGdiObject bars = RingRegion(inside, client, limit);
  {
    const opening_trace::Scope trace("border");
    if (CurrentLook() == LookKind::Dark) {
      FillDarkFrame(control, static_cast<HRGN>(border.Get()), CurrentPalette().field);
    } else {
      common_controls::DefSubclassProc(control, WM_NCPAINT, reinterpret_cast<WPARAM>(border.Get()), 0);
    }
  }
  const opening_trace::Scope trace("scroll bars");
  return DefWindowProcW(control, WM_NCPAINT, reinterpret_cast<WPARAM>(bars.Get()), 0);
}

LRESULT CALLBACK FrameOnce(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* kept = reinterpret_cast<FrameCache*>(data);
  if (message == WM_NCPAINT) return kept->Paint(control, wParam, &PaintFrameOnce);
  if (message == WM_THEMECHANGED || message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE) kept->Forget();
  return common_controls::DefSubclassProc(control, message, wParam, lParam);
}

// A control that draws its background and its content in one paint (the
// preview, the option buttons): both go through a bitmap.
LRESULT CALLBACK BufferedPaint(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_ERASEBKGND) return 1;  // drawn with the content below
  if (message != WM_PAINT) return common_controls::DefSubclassProc(control, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC screen = BeginPaint(control, &paint);
  RECT client;
  GetClientRect(control, &client);
  const Buffer buffer(screen, client);
  common_controls::DefSubclassProc(control, WM_ERASEBKGND, reinterpret_cast<WPARAM>(buffer.Dc()), 0);
  common_controls::DefSubclassProc(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(buffer.Dc()), PRF_CLIENT);
  buffer.Show();
  EndPaint(control, &paint);
  return 0;
}

// The list's lines paint their whole rectangles themselves: its erase
// leaves them alone and paints only the rest of the list below them.
LRESULT CALLBACK ListErase(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message != WM_ERASEBKGND) return common_controls::DefSubclassProc(list, message, wParam, lParam);
  RECT rest;
  GetClientRect(list, &rest);
  const LRESULT lines = SendMessageW(list, LB_GETCOUNT, 0, 0) - SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  if (lines > 0 && height > 0) rest.top = static_cast<LONG>(std::min<LRESULT>(rest.bottom, lines * height));
  FillRect(reinterpret_cast<HDC>(wParam), &rest, FieldBrush());
  return 1;
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
  look_.Apply(Handle());
  RoundCorners(Handle());
  opening_trace::Attach(Handle(), list_, preview_);
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
  // Each part of the window drawn once per paint (see Buffer).
  for (HWND control : {preview_, optHistory_, optFixed_}) {
    common_controls::SetWindowSubclass(control, &BufferedPaint, 0, 0);
  }
  common_controls::SetWindowSubclass(list_, &FrameOnce, 0, reinterpret_cast<DWORD_PTR>(&listFrame_));
  common_controls::SetWindowSubclass(preview_, &FrameOnce, 0, reinterpret_cast<DWORD_PTR>(&previewFrame_));
  common_controls::SetWindowSubclass(list_, &ListErase, 0, 0);
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
  AppendMenuW(trayMenu_.Get(), MF_STRING, ids::kMenuPause, L"記録を一時停止(&P)");
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
  const opening_trace::Scope trace("fill");
  model_.Fill(DisplayedList());
  // The list box holds no texts: it knows the number of lines and draws each
  // from the model's shared texts.
  SendMessageW(list_, LB_SETCOUNT, static_cast<WPARAM>(model_.Count()), 0);
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  InvalidateRect(list_, nullptr, TRUE);
}

bool SelectorWindow::IsOpen() const { return showPending_ || IsWindowVisible(Handle()) != FALSE; }

bool SelectorWindow::Open() {
  if (program_.SettingDialogOpen) return false;
  const opening_trace::Scope trace("open");
  FillList();
  model_.LocateText(program_.ClipboardText);
  if (IsOpen()) return true;
  previousForeground_ = GetForegroundWindow();
  {
    const opening_trace::Scope place("place");
    Place(previousForeground_);
  }
  // The key's step selects a line and sets the preview right after this,
  // still hidden; the window shows with the next message, complete.
  showPending_ = true;
  PostMessageW(Handle(), kShowSelectorMessage, 0, 0);
  return true;
}

void SelectorWindow::ShowPrepared() {
  if (!std::exchange(showPending_, false) || IsWindowVisible(Handle())) return;
  const auto activate = [this] {
    const opening_trace::Scope activate("activate");
    // Windows gives the foreground only to the program whose input came
    // last. The unassigned key that the keyboard hook presses for each C it
    // takes (so that the release of Win opens no Start menu) is that input:
    // it goes out before the hook tells of the step that leads here, and
    // must stay ahead of this activation.
    SetForegroundWindow(Handle());
    SetFocus(list_);
  };
  // Opened by the mouse, whose next click may come as soon as the window
  // shows, it is active before it shows: a click elsewhere then always
  // deactivates it, and so closes it. (Activated after the frame, a click on
  // another program's window in between found that window still active, and
  // the activation then put the selector back over it.) The keys' opening
  // keeps its activation after the frame, whose first pixels it would delay.
  const bool activeFirst = model_.openedByMouse;
  if (activeFirst) activate();
  {
    const opening_trace::Scope show("show");
    // Shown at its place and made topmost in one step, drawing nothing yet:
    // until the window is drawn below, the screen keeps what it showed.
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  {
    // Everything drawn at once, each part once, before any activation that
    // follows: the complete frame comes first, as it will stay (the line
    // that takes the focus already has its focus mark), and the activation
    // only draws the same pixels again.
    const opening_trace::Scope paint("paint");
    focusAhead_ = true;
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    focusAhead_ = false;
  }
  if (!activeFirst) activate();
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

void SelectorWindow::FollowLook() {
  RefreshLook();
  if (!look_.Apply(Handle())) return;
  // What was kept of the old look would put its colours back.
  listFrame_.Forget();
  previewFrame_.Forget();
  layout_.Renew();
  SendMessageW(list_, LB_SETITEMHEIGHT, 0, LineHeight());
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void SelectorWindow::PaintDarkFrame(WPARAM region) {
  RECT outer, client;
  GetWindowRect(Handle(), &outer);
  GetClientRect(Handle(), &client);
  MapWindowPoints(Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  const UniqueGdiObject frame = RingRegion(outer, client, region);
  FillDarkFrame(Handle(), static_cast<HRGN>(frame.Get()), CurrentPalette().face);
}

void SelectorWindow::SelectLine(int32_t line) {
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
  OnLineSelected();
}

void SelectorWindow::SelectDown() {
  const opening_trace::Scope trace("select down");
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
  UpdatePreview();
}

void SelectorWindow::UpdatePreview() {
  const opening_trace::Scope trace("preview");
  const auto text = model_.SelectedText();
  if (!text) return;
  // Only the head, whatever the text's length: the preview follows each
  // step at once, and is ready when the selector first shows.
  PreviewHead head = HeadOfPreview(text->view());
  previewIsHead_ = head.cut;
  SetWindowTextW(preview_, Wide(head.text));
}

void SelectorWindow::ShowWholePreview() {
  if (!std::exchange(previewIsHead_, false)) return;
  const auto text = model_.SelectedText();
  if (!text) return;
  const opening_trace::Scope trace("whole preview");
  // The user scrolls on from where the head stood.
  const auto firstLine = SendMessageW(preview_, EM_GETFIRSTVISIBLELINE, 0, 0);
  SetWindowTextW(preview_, Wide(PreviewIsCut(*text) ? CutPreview(*text) : text->str()));
  SendMessageW(preview_, EM_LINESCROLL, 0, firstLine);
}

void SelectorWindow::OnLineDoubleClicked() {
  model_.openedByMouse = false;
  uint16_t key = kVkLWin;
  OnKeyUp(key);
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
    CheckMenuItem(trayMenu_.Get(), ids::kMenuPause,
                  MF_BYCOMMAND | (program_.Setting.PauseRecording != 0 ? MF_CHECKED : MF_UNCHECKED));
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(trayMenu_.Get(), TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(Handle(), WM_NULL, 0, 0);
  }
}

void SelectorWindow::OnReportedKeyUp(uint16_t keyCode, uint32_t time) {
  // A release that was waiting in the queue behind the key that opened the
  // selector (the thread was busy) comes before the show: it acts on the
  // selector as shown.
  if (showPending_) ShowPrepared();
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
    case ids::kTextPreview:
      // The user reaches for the rest of the text.
      if (code == EN_VSCROLL || code == EN_HSCROLL || code == EN_SETFOCUS) ShowWholePreview();
      break;
    case ids::kMenuOpen: OnTrayIconClick(MouseButton::Left); break;
    case ids::kMenuSetting:
      if (actions_.openSettings) actions_.openSettings();
      break;
    case ids::kMenuAbout:
      if (actions_.openAbout) actions_.openAbout();
      break;
    case ids::kMenuPause:
      if (actions_.switchPause) actions_.switchPause();
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
  const Buffer buffer(item.hDC, item.rcItem);
  HDC dc = buffer.Dc();
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const Palette& palette = CurrentPalette();
  SetDCBrushColor(dc, ColourOf(selected ? palette.selection : palette.field));
  FillRect(dc, &item.rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColourOf(selected ? palette.selectionText : palette.fieldText));
  HGDIOBJ old = SelectObject(dc, layout_.Font(FontDescription{}));
  const std::u16string line = LineAsShown(model_.Line(static_cast<int32_t>(item.itemID)).view());
  RECT text = item.rcItem;
  text.left += layout_.Scale(2);
  DrawTextW(dc, Wide(line), static_cast<int>(line.size()), &text,
            DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS);
  SelectObject(dc, old);
  const bool focused =
      (item.itemState & ODS_FOCUS) != 0 ||
      (focusAhead_ && static_cast<LRESULT>(item.itemID) == SendMessageW(list_, LB_GETCARETINDEX, 0, 0));
  if (focused) DrawFocusRect(dc, &item.rcItem);
  buffer.Show();
}

LRESULT SelectorWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const auto answer = WindowLook::PaintingAnswer(Handle(), message, wParam)) return *answer;
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case kShowSelectorMessage: ShowPrepared(); return 0;
    case WM_MEASUREITEM: reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = LineHeight(); return TRUE;
    case WM_DRAWITEM: DrawLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_NCPAINT:
      if (CurrentLook() != LookKind::Dark) return Window::HandleMessage(message, wParam, lParam);
      PaintDarkFrame(wParam);
      return 0;
    case WM_NCACTIVATE:
      // -1: the frame is not drawn again in the system's colours.
      return DefWindowProcW(Handle(), message, wParam, CurrentLook() == LookKind::Dark ? -1 : lParam);
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      if (SaysColoursChanged(message, wParam, lParam)) FollowLook();
      return Window::HandleMessage(message, wParam, lParam);
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
