// Every window at the display's DPI (the Wine prefix's, named by
// QUISTREL_DPI): client sizes and controls are the 96-DPI layout tables
// scaled, every caption fits its control in the control's own font, and the
// drawn parts follow, in the colours of the look. Runs once per DPI, in the
// app mode named by QUISTREL_APP_MODE (light, or dark at some DPIs).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "dialogs/about_window.h"
#include "dialogs/hello_window.h"
#include "dialogs/setting_dialog.h"
#include "dialogs/text_input_dialog.h"
#include "platform/display.h"
#include "platform/dpi.h"
#include "platform/form.h"
#include "platform/look_win.h"
#include "selector/selector_ids.h"
#include "selector/selector_window.h"
#include "wine_test_util.h"

namespace quistrel {
namespace {

int Dpi() {
  const char* dpi = std::getenv("QUISTREL_DPI");
  return dpi && *dpi ? std::atoi(dpi) : kDefaultDpi;
}
int S(int at96) { return MulDiv(at96, Dpi(), kDefaultDpi); }

std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(
      static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                                   static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// A control's place in the client area, at 96 DPI.
struct Box {
  int id, x, y, width, height;
};

void ExpectScaled(HWND window, SIZE client96, const std::vector<Box>& boxes) {
  RECT client;
  GetClientRect(window, &client);
  EXPECT_NEAR(client.right, S(client96.cx), 2);
  EXPECT_NEAR(client.bottom, S(client96.cy), 2);
  for (const Box& box : boxes) {
    SCOPED_TRACE("control " + std::to_string(box.id));
    HWND control = GetDlgItem(window, box.id);
    ASSERT_NE(control, nullptr);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_NEAR(r.left, S(box.x), 2);
    EXPECT_NEAR(r.top, S(box.y), 2);
    EXPECT_NEAR(r.right - r.left, S(box.width), 2);
    EXPECT_NEAR(r.bottom - r.top, S(box.height), 2);
  }
}

// The room a control gives its caption, and how it lays the caption out.
struct Room {
  int width, height;
  UINT format;
};

Room RoomFor(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  const std::wstring cls = ClassOf(control);
  if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
    const LONG type = style & SS_TYPEMASK;
    const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    return {client.right, client.bottom, static_cast<UINT>((wraps ? DT_WORDBREAK : 0) | DT_NOPREFIX)};
  }
  if (lstrcmpiW(cls.c_str(), L"Edit") == 0) return {client.right, client.bottom, DT_SINGLELINE | DT_NOPREFIX};
  switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: return {client.right - 4, client.bottom - 4, DT_SINGLELINE};  // inside the 3-D edge
    case BS_GROUPBOX: return {client.right - S(16), client.bottom, DT_SINGLELINE};
    default: return {client.right - S(13 + 4), client.bottom, DT_SINGLELINE};  // beside the box or the circle
  }
}

// Every caption of the window measured as its control draws it, to its ink:
// on the right a line of its own may end in its last glyph's blank side
// bearing, and below the last baseline only the descent may touch the edge
// (the 96-DPI table itself gives two-line labels no more room than that).
void ExpectCaptionsFit(HWND window) {
  for (HWND control = GetWindow(window, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    const std::wstring cls = ClassOf(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (lstrcmpiW(cls.c_str(), L"ListBox") == 0 || lstrcmpiW(cls.c_str(), L"ScrollBar") == 0 ||
        (style & ES_MULTILINE && lstrcmpiW(cls.c_str(), L"Edit") == 0)) {
      continue;  // they scroll
    }
    std::wstring text = WindowTextOf(control);
    if (lstrcmpiW(cls.c_str(), L"Edit") == 0) text += L"0";  // an empty box must still hold a digit
    if (text.empty()) continue;
    SCOPED_TRACE(Utf8(cls + L" " + text));
    const Room room = RoomFor(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT needed{0, 0, room.width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, room.format | DT_CALCRECT | DT_EXPANDTABS);
    ABC last{};
    if (!(room.format & DT_WORDBREAK)) GetCharABCWidthsW(dc, text.back(), text.back(), &last);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    EXPECT_LE(needed.right - std::max(0, last.abcC), room.width);
    EXPECT_LE(needed.bottom - metrics.tmDescent, room.height);
  }
}

void Pump() {
  for (int i = 0; i < 5; ++i) {
    ProcessPendingMessages();
    Sleep(5);
  }
}

std::function<void()>& PendingCheck() {
  static std::function<void()> pending;
  return pending;
}
void CALLBACK RunPendingCheck(HWND, UINT, UINT_PTR, DWORD) { PendingCheck()(); }

// Runs `check` from a timer inside the modal loop that `modal` starts,
// once the window of the class shows; then cancels the window.
void WhileModal(const wchar_t* className, const std::function<void(HWND)>& check, const std::function<void()>& modal) {
  bool ran = false;
  PendingCheck() = [&] {
    HWND window = FindWindowW(className, nullptr);
    if (ran || !window || !IsWindowVisible(window)) return;
    ran = true;
    check(window);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &RunPendingCheck);
  modal();
  KillTimer(nullptr, timer);
  PendingCheck() = [] {};
  EXPECT_TRUE(ran);
}

class EveryWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    testing::SetAppMode(testing::DarkRun());
    RefreshLook();
  }
  void TearDown() override {
    Window::UnloadAll();
    Pump();
  }
  ProgramState program;
  ProgramIcons icons;
  SettingDialog settings{program, icons};
  AboutWindow about{icons};
};

TEST_F(EveryWindow, TheDisplayHasTheDpiOfThePrefixAndTheLookItsAppMode) {
  EXPECT_EQ(static_cast<int>(SystemDpi()), Dpi());
  EXPECT_EQ(CurrentLook(), testing::DarkRun() ? LookKind::Dark : LookKind::Light);
}

COLORREF Colour(Rgb Palette::*part) { return ColourOf(CurrentPalette().*part); }

TEST_F(EveryWindow, SettingsDialog) {
  using namespace setting_ids;
  settings.Open(nullptr);
  Pump();
  HWND window = FindWindowW(kSettingDialogClassName, nullptr);
  ASSERT_NE(window, nullptr);
  ExpectScaled(window, {285, 276},
               {{kCmdStartUp, 4, 4, 121, 25},
                {kLabelStartUp, 128, 4, 153, 25},
                {kFrameClipboard, 4, 36, 277, 49},
                {kLabelLogNum, 12, 52, 77, 13},
                {kTxtLogNum, 92, 52, 33, 22},
                {kVscLogNum, 124, 52, 17, 21},
                {kLabelCount, 144, 64, 17, 13},
                {kFrameFixed, 4, 88, 277, 97},
                {kLstFixedText, 12, 104, 85, 76},
                {kTxtFixedText, 100, 104, 129, 77},
                {kCmdFixedAdd, 232, 120, 41, 21},
                {kCmdFixedChange, 232, 140, 41, 21},
                {kCmdFixedDelete, 232, 160, 41, 21},
                {kChkViewHello, 4, 188, 277, 13},
                {kChkBalloon, 4, 204, 277, 13},
                {kChkPaste, 4, 220, 277, 13},
                {kCmdOK, 120, 240, 81, 33},
                {kCmdCancel, 200, 240, 81, 33}});
  ExpectCaptionsFit(window);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(window, kTxtLogNum, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -std::lround(11.25 * Dpi() / 72.0));
}

TEST_F(EveryWindow, EntryDialog) {
  WhileModal(
      kTextInputDialogClassName,
      [](HWND window) {
        ExpectScaled(
            window, {333, 173},
            {{text_input_ids::kTxtFixedText, 4, 4, 325, 129}, {IDOK, 168, 136, 81, 33}, {IDCANCEL, 248, 136, 81, 33}});
        ExpectCaptionsFit(window);
      },
      [this] { AskFixedString(nullptr, icons, u"text"); });
}

TEST_F(EveryWindow, WelcomeWindow) {
  using namespace hello_ids;
  HelloWindow hello(program, icons, settings, about);
  hello.ShowModeless();
  Pump();
  HWND window = hello.Handle();
  ASSERT_NE(window, nullptr);
  ExpectScaled(window, {509, 354},
               {{kGreetingLabel, 4, 4, 497, 41},
                {kDownKeyFrame, 4, 52, 165, 73},
                {kDownKeyLabel, 8, 68, 157, 53},
                {kUpKeyFrame, 172, 52, 165, 73},
                {kUpKeyLabel, 176, 68, 157, 53},
                {kSwitchListFrame, 340, 52, 165, 73},
                {kSwitchListLabel, 344, 68, 157, 41},
                {kWinKeyNoteLabel, 140, 128, 365, 17},
                {kReadmeNoteLabel, 140, 140, 365, 17},
                {kMouseNoteLabel, 140, 152, 365, 17},
                {kExampleLabel, 4, 172, 501, 53},
                {kSetUpLabel, 4, 232, 497, 41},
                {kCmdSettingOpen, 4, 284, 113, 33},
                {kCmdSettingAbout, 116, 284, 113, 33},
                {kChkViewHello, 284, 284, 217, 13},
                {kCmdStartNow, 8, 324, 493, 25}});
  ExpectCaptionsFit(window);
  // The etched line, as thick as the DPI makes a pixel.
  HDC dc = GetDC(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(GetPixel(dc, S(250), S(227)), Colour(&Palette::shadowLine));
  EXPECT_EQ(GetPixel(dc, S(250), S(228)), Colour(&Palette::lightLine));
  EXPECT_EQ(GetPixel(dc, S(250), S(229)), Colour(&Palette::face));
  ReleaseDC(window, dc);
}

TEST_F(EveryWindow, VersionWindowWithItsDrawnTitleShapeAndIcon) {
  using namespace about_ids;
  icons.Load(LoadLibraryExW(testing::QuistrelExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(icons.Large());
  about.SetVersionSource(testing::QuistrelExePath());
  about.Open(nullptr);
  Pump();
  HWND window = FindWindowW(kAboutClassName, nullptr);
  ASSERT_NE(window, nullptr);
  ExpectScaled(window, {304, 192},
               {{kLblVersion, 236, 36, 53, 13},
                {kLblCopyright, 100, 48, 189, 13},
                {kLblComment, 12, 72, 281, 37},
                {kHomePageLabel, 12, 116, 45, 17},
                {kLblURL, 92, 116, 141, 17},
                {kMailLabel, 12, 136, 77, 17},
                {kLblEmail, 92, 136, 141, 17},
                {kCmdOK, 116, 160, 81, 29}});
  ExpectCaptionsFit(window);

  HDC dc = GetDC(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const COLORREF face = Colour(&Palette::face), desktop = Colour(&Palette::band);
  // The band behind the title reaches from x 80 to 280 and down to y 48, corners rounded off.
  EXPECT_EQ(GetPixel(dc, S(279), S(33)), desktop);
  EXPECT_EQ(GetPixel(dc, S(282), S(33)), face);
  EXPECT_EQ(GetPixel(dc, S(90), S(47)), desktop);
  EXPECT_EQ(GetPixel(dc, S(280), S(24)), face);
  // Both title colours in the title's area.
  int text = 0, shadow = 0;
  for (int y = S(16); y < S(42); ++y) {
    for (int x = S(65); x < S(278); ++x) {
      const COLORREF pixel = GetPixel(dc, x, y);
      text += pixel == Colour(&Palette::bandText);
      shadow += pixel == Colour(&Palette::bandShadow);
    }
  }
  EXPECT_GT(text, S(20));
  EXPECT_GT(shadow, S(20));
  // The icon reaches the right third of its square at this DPI, and no further.
  int iconRightThird = 0;
  for (int y = S(8); y < S(8 + 48); ++y) {
    for (int x = S(15 + 32); x < S(15 + 48); ++x) iconRightThird += GetPixel(dc, x, y) != face;
    EXPECT_EQ(GetPixel(dc, S(15 + 48) + 1, y), face) << y;
  }
  EXPECT_GT(iconRightThird, (S(48) - S(32)) * S(48) / 4);
  ReleaseDC(window, dc);
}

// The selector opens complete: the key's step selects a line and sets the
// preview while it is still hidden, the show draws every part at once, and
// the preview of a long text holds only its head until the user scrolls it.
TEST_F(EveryWindow, Selector) {
  namespace ids = selector_ids;
  const std::u16string longText = u"long " + std::u16string(51200, u'j');
  program.AddToHistory(SharedText(longText));
  program.AddToHistory(SharedText(u"short"));
  program.ClipboardText = SharedText(u"short");
  SelectorWindow selector(program, {});
  ASSERT_TRUE(selector.Load());
  HWND preview = GetDlgItem(selector.Handle(), ids::kTextPreview);
  selector.Open();
  selector.SelectDown();
  EXPECT_TRUE(selector.IsOpen());
  EXPECT_FALSE(IsWindowVisible(selector.Handle()));
  std::wstring shown(static_cast<std::size_t>(GetWindowTextLengthW(preview)) + 1, L'\0');
  shown.resize(static_cast<std::size_t>(GetWindowTextW(preview, shown.data(), static_cast<int>(shown.size()))));
  EXPECT_EQ(FromWide(shown), HeadOfPreview(longText).text);
  Pump();
  ASSERT_TRUE(IsWindowVisible(selector.Handle()));
  for (const int id : {ids::kOptHistory, ids::kOptFixed, ids::kListClipBoard, ids::kTextPreview}) {
    EXPECT_FALSE(GetUpdateRect(GetDlgItem(selector.Handle(), id), nullptr, FALSE)) << "not drawn at the show: " << id;
  }
  SendMessageW(preview, WM_HSCROLL, SB_LINERIGHT, 0);
  EXPECT_EQ(GetWindowTextLengthW(preview), static_cast<int>(longText.size()));
  ExpectScaled(selector.Handle(), {502, 120},
               {{ids::kOptHistory, 0, 0, 181, 21},
                {ids::kOptFixed, 180, 0, 181, 21},
                {ids::kListClipBoard, 0, 20, 361, 100},
                {ids::kTextPreview, 364, 0, 137, 120}});
  ExpectCaptionsFit(selector.Handle());
  selector.Close(false);
}

// The list's frame is kept from one opening to the next only while it looks
// the same: a list scrolled elsewhere shows its scroll bar's thumb there.
TEST_F(EveryWindow, TheSelectorsKeptFrameFollowsTheList) {
  for (int i = 0; i < 60; ++i) program.AddToHistory(SharedText(u"line " + FromWide(std::to_wstring(i))));
  program.ClipboardText = program.History.Item(0);
  SetCursorPos(0, 0);  // away from the selector: a pointer over a frame may light it up
  SelectorWindow selector(program, {});
  ASSERT_TRUE(selector.Load());
  HWND list = GetDlgItem(selector.Handle(), selector_ids::kListClipBoard);
  const auto bar = [list] {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(list, OBJID_VSCROLL, &info);
    RECT outer;
    GetWindowRect(list, &outer);
    std::vector<COLORREF> pixels;
    HDC dc = GetWindowDC(list);
    for (int y = info.rcScrollBar.top; y < info.rcScrollBar.bottom; ++y) {
      pixels.push_back(GetPixel(dc, (info.rcScrollBar.left + info.rcScrollBar.right) / 2 - outer.left, y - outer.top));
    }
    ReleaseDC(list, dc);
    return pixels;
  };
  const auto openAt = [&](bool last) {
    selector.Open();
    last ? selector.SelectUp() : selector.SelectDown();
    Pump();
    const auto pixels = bar();
    selector.Close(false);
    Pump();
    return pixels;
  };
  const auto top = openAt(false);
  EXPECT_EQ(openAt(false), top);
  EXPECT_NE(openAt(true), top) << "the thumb stayed at the top";
}

// A change of the app mode reaches the hidden selector: its next opening
// shows the new look, with nothing of the old one kept (the frames of the
// list and the window, the lines).
TEST_F(EveryWindow, TheSelectorsNextOpeningFollowsAChangeOfTheAppMode) {
  program.AddToHistory(SharedText(u"one"));
  program.AddToHistory(SharedText(u"two"));
  program.ClipboardText = program.History.Item(0);
  SetCursorPos(0, 0);  // away from the selector: a pointer over a frame may light it up
  SelectorWindow selector(program, {});
  ASSERT_TRUE(selector.Load());
  HWND list = GetDlgItem(selector.Handle(), selector_ids::kListClipBoard);
  const auto open = [&] {
    selector.Open();
    selector.SelectDown();
    Pump();
  };
  const auto close = [&] {
    selector.Close(false);
    Pump();
  };
  open();  // the frames are kept in the run's look
  close();
  const COLORREF darkEdge = ColourOf(DarkPalette(Rgb{}).edge);
  for (const bool dark : {!testing::DarkRun(), testing::DarkRun()}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    ASSERT_TRUE(testing::SetAppMode(dark));
    SendMessageW(selector.Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    EXPECT_EQ(CurrentLook(), dark ? LookKind::Dark : LookKind::Light);
    open();
    RECT client;
    GetClientRect(list, &client);
    const int line = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    HDC dc = GetDC(list);
    EXPECT_EQ(GetPixel(dc, client.right - 4, 2), Colour(&Palette::field));
    EXPECT_EQ(GetPixel(dc, client.right - 4, line + line / 2), Colour(&Palette::selection));
    ReleaseDC(list, dc);
    // The list's left edge (the option buttons cover its top line).
    const POINT edge{0, client.bottom / 2};
    HDC frame = GetWindowDC(list);
    HDC window = GetWindowDC(selector.Handle());
    if (dark) {
      EXPECT_EQ(GetPixel(frame, edge.x, edge.y), darkEdge);
      EXPECT_EQ(GetPixel(window, 0, 0), darkEdge);
      EXPECT_EQ(GetPixel(window, 1, 1), Colour(&Palette::face));
    } else {
      EXPECT_NE(GetPixel(frame, edge.x, edge.y), darkEdge);
      EXPECT_NE(GetPixel(window, 1, 1), ColourOf(DarkPalette(Rgb{}).face));
    }
    ReleaseDC(selector.Handle(), window);
    ReleaseDC(list, frame);
    close();
  }
}

// Moved to a monitor of another DPI, a window lays itself out again there.
TEST_F(EveryWindow, ADpiChangeLaysTheWindowOutAgainAtTheSuggestedRectangle) {
  using namespace setting_ids;
  settings.Open(nullptr);
  Pump();
  HWND window = FindWindowW(kSettingDialogClassName, nullptr);
  ASSERT_NE(window, nullptr);
  const int other = Dpi() * 2;
  RECT suggested{10, 20, 10 + 700, 20 + 650};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_TRUE(EqualRect(&outer, &suggested));
  RECT ok;
  GetWindowRect(GetDlgItem(window, kCmdOK), &ok);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&ok), 2);
  EXPECT_EQ(ok.left, MulDiv(120, other, kDefaultDpi));
  EXPECT_EQ(ok.bottom - ok.top, MulDiv(240 + 33, other, kDefaultDpi) - MulDiv(240, other, kDefaultDpi));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(window, kTxtLogNum, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -std::lround(11.25 * other / 72.0));
}

}  // namespace
}  // namespace quistrel
