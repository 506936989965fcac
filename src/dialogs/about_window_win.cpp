#include "dialogs/about_window.h"

#include <shellapi.h>

#include "dialogs/maker.h"
#include "platform/common_controls.h"
#include "platform/handles.h"
#include "platform/look_win.h"

namespace quistrel {

namespace {
constexpr int kClientWidth = 304;
constexpr int kClientHeight = 192;

constexpr wchar_t kGothic[] = L"ＭＳ Ｐゴシック";
constexpr wchar_t kMincho[] = L"ＭＳ 明朝";

FontDescription TitleFont() { return FontDescription{.face = kMincho, .points = 15.75, .bold = true}; }

// Corner rounding of the band behind the title.
constexpr int kTitleBandCornerDiameter = 12;

constexpr int kLinkX = 92;
constexpr int kLinkWidth = 141;
constexpr int kLinkHeight = 17;
constexpr int kUrlY = 116;
constexpr int kEmailY = 136;

bool IsLink(int id) { return id == about_ids::kLblURL || id == about_ids::kLblEmail; }

bool PointInClient(HWND window, LPARAM lParam) {
  RECT client;
  GetClientRect(window, &client);
  const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  return PtInRect(&client, at) != FALSE;
}
}  // namespace

void AboutWindow::Open(HWND owner) {
  if (owner) {
    ShowModal(owner);
  } else {
    ShowModeless();
  }
}

Form::Frame AboutWindow::Describe() const {
  Frame frame{kAboutClassName, L"Mallowquist - バージョン情報", kClientWidth, kClientHeight};
  frame.taskbarButton = false;
  return frame;
}

void AboutWindow::OnLoad() {
  ShowProgramIcon(icons_);
  pressedLink_ = nullptr;
  armedLink_ = nullptr;
  info_ = ReadVersionInfo(versionSource_);
  AddControls();
}

void AboutWindow::AddControls() {
  using namespace about_ids;
  // cmdOK leads the tab order.
  HWND ok = AddControl(L"Button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 116, 160, 81, 29, kCmdOK);
  SetTooltip(ok, L"この画面を閉じます。");

  const std::u16string version = info_.found ? VersionText(info_.version) : std::u16string();
  HWND versionLabel = AddControl(L"Static", Wide(version), SS_RIGHT | SS_NOPREFIX, 236, 36, 53, 13, kLblVersion);
  SetControlFont(versionLabel, FontDescription{.face = kGothic, .points = 9, .italic = true});

  HWND copyright =
      AddControl(L"Static", Wide(info_.legalCopyright), SS_RIGHT | SS_NOPREFIX, 100, 48, 189, 13, kLblCopyright);
  SetControlFont(copyright, FontDescription{.face = kGothic, .points = 9, .bold = true});

  AddControl(L"Static", Wide(info_.comments), SS_LEFT | SS_NOPREFIX | WS_BORDER, 12, 72, 281, 37, kLblComment);
  AddControl(L"Static", L"公開HP", SS_LEFT | SS_NOPREFIX, 12, 116, 45, 17, kHomePageLabel);
  AddControl(L"Static", L"作者へメール", SS_LEFT | SS_NOPREFIX, 12, 136, 77, 17, kMailLabel);
  AddLink(kLblURL, kMakerSite, kUrlY, L"最新版のチェックはこちら。");
  AddLink(kLblEmail, kMakerMail, kEmailY, L"ご意見ご感想をお聞かせ下さい。");
}

void AboutWindow::AddLink(int id, const std::u16string& text, int y, const std::wstring& tooltip) {
  // One line: a link broken over two lines would be cut off by the label.
  HWND link = AddControl(L"Static", Wide(text), SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY, kLinkX, y, kLinkWidth,
                         kLinkHeight, id);
  SetControlFont(link, FontDescription{.face = kGothic, .points = 9, .underline = true});
  common_controls::SetWindowSubclass(link, &AboutWindow::LinkProc, static_cast<UINT_PTR>(id),
                                     reinterpret_cast<DWORD_PTR>(this));
  SetTooltip(link, tooltip);
}

void AboutWindow::OnCommand(int id, int code, HWND) {
  // The links' own notifications are ignored: their clicks are made from the
  // button messages, so that a press and release count as one click.
  if (IsLink(id)) return;
  // IDCANCEL (Esc) is ignored: there is no cancel button.
  if (id == IDOK && code == BN_CLICKED) Unload();
}

void AboutWindow::HandCursor() { SetCursor(LoadCursorW(nullptr, IDC_HAND)); }

void AboutWindow::SetLinkPressed(HWND link, bool pressed) {
  if (pressed) {
    pressedLink_ = link;
  } else if (pressedLink_ == link) {
    pressedLink_ = nullptr;
  }
  InvalidateRect(link, nullptr, TRUE);
}

bool AboutWindow::IsLinkPressed(HWND link) const { return link && link == pressedLink_; }

void AboutWindow::OpenLink(int id) const {
  const std::u16string target = id == about_ids::kLblURL ? MakerWebLink() : MakerMailLink();
  if (openLink_) {
    openLink_(target);
    return;
  }
  // No program for the target: nothing happens and nothing is reported.
  ShellExecuteW(nullptr, nullptr, Wide(target), nullptr, nullptr, SW_SHOW);
}

LRESULT CALLBACK AboutWindow::LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                       DWORD_PTR selfData) {
  auto* self = reinterpret_cast<AboutWindow*>(selfData);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      self->SetLinkPressed(link, true);
      // A second press of a double click is no new click.
      self->armedLink_ = message == WM_LBUTTONDOWN ? link : nullptr;
      SetCapture(link);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const bool click = message == WM_LBUTTONUP && self->armedLink_ == link && PointInClient(link, lParam);
      self->armedLink_ = nullptr;
      self->SetLinkPressed(link, false);
      if (GetCapture() == link) ReleaseCapture();
      if (click) self->OpenLink(static_cast<int>(subclassId));
      return 0;
    }
    case WM_CAPTURECHANGED:
      // Capture taken away mid-press (a message box, Alt+Tab): no red link left behind.
      if (self->IsLinkPressed(link) && reinterpret_cast<HWND>(lParam) != link) {
        self->armedLink_ = nullptr;
        self->SetLinkPressed(link, false);
      }
      break;
    case WM_MOUSEMOVE: HandCursor(); break;
    case WM_SETCURSOR:
      // Without this the class cursor would flash in before each move.
      HandCursor();
      return TRUE;
    case WM_NCDESTROY: common_controls::RemoveWindowSubclass(link, &AboutWindow::LinkProc, subclassId); break;
    default: break;
  }
  return common_controls::DefSubclassProc(link, message, wParam, lParam);
}

void AboutWindow::DrawTitle(HDC dc) {
  HGDIOBJ previousFont = SelectObject(dc, FontFor(TitleFont()));
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColour = GetTextColor(dc);
  const std::wstring title(Wide(info_.productName));
  // Back to front: lblTitle 0 is the shadow, lblTitle 1 the title over it.
  RECT shadow = Scale(about_layout::kTitleShadow);
  SetTextColor(dc, ColourOf(CurrentPalette().bandShadow));
  DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &shadow, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
  RECT front = Scale(about_layout::kTitle);
  SetTextColor(dc, ColourOf(CurrentPalette().bandText));
  DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &front, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
  SetTextColor(dc, previousColour);
  SetBkMode(dc, previousMode);
  SelectObject(dc, previousFont);
}

void AboutWindow::OnPaint(HDC dc) {
  icons_.DrawLarge(dc, Scale(about_layout::kIcon.x), Scale(about_layout::kIcon.y), Dpi());

  // The outline in the fill colour: a figure without a pen comes out one
  // pixel short on some systems and not on others.
  const COLORREF bandColour = ColourOf(CurrentPalette().band);
  UniqueBrush fill(CreateSolidBrush(bandColour));
  UniqueGdiObject outline(CreatePen(PS_SOLID, 1, bandColour));
  HGDIOBJ previousBrush = SelectObject(dc, fill.Get());
  HGDIOBJ previousPen = SelectObject(dc, outline.Get());
  const RECT band = Scale(about_layout::kTitleBand);
  RoundRect(dc, band.left, band.top, band.right, band.bottom, Scale(kTitleBandCornerDiameter),
            Scale(kTitleBandCornerDiameter));
  SelectObject(dc, previousPen);
  SelectObject(dc, previousBrush);

  DrawTitle(dc);
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:  // the close box and Alt+F4
      Unload();
      return 0;
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      HDC dc = reinterpret_cast<HDC>(wParam);
      const int id = GetDlgCtrlID(control);
      if (id == about_ids::kLblVersion) {
        // Over the rounded band.
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColourOf(CurrentPalette().faceText));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      }
      if (IsLink(id)) {
        const LRESULT brush = Form::HandleMessage(message, wParam, lParam);
        SetTextColor(dc, ColourOf(IsLinkPressed(control) ? CurrentPalette().linkPressed : CurrentPalette().link));
        return brush;
      }
      break;
    }
    default: break;
  }
  return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace quistrel
