// The welcome window and the version-information window, created for real
// and read back: layout, texts from the version resource of Quistrel.exe,
// drawing, links, and the modal and modeless ways they are opened.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "dialogs/about_window.h"
#include "dialogs/hello_window.h"
#include "dialogs/setting_dialog.h"
#include "platform/form.h"
#include "platform/program_icons.h"
#include "platform/window.h"
#include "wine_test_util.h"

namespace quistrel {
namespace {

struct Place {
  int x, y, width, height;
  friend bool operator==(const Place&, const Place&) = default;
};

std::ostream& operator<<(std::ostream& out, const Place& p) {
  return out << p.x << "," << p.y << " " << p.width << "x" << p.height;
}

Place PlaceInParent(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return Place{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

struct Expected {
  int id;
  const wchar_t* className;
  std::wstring text;
  Place place;
};

void ExpectControls(HWND window, const std::vector<Expected>& table) {
  for (const Expected& e : table) {
    SCOPED_TRACE(::testing::Message() << "control " << e.id);
    HWND control = GetDlgItem(window, e.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), window);
    EXPECT_EQ(lstrcmpiW(ClassOf(control).c_str(), e.className), 0) << ClassOf(control);
    EXPECT_EQ(WindowTextOf(control), e.text);
    EXPECT_EQ(PlaceInParent(control), e.place);
  }
}

SIZE ClientSize(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  return SIZE{r.right, r.bottom};
}

// The frame of a window without a taskbar button of its own, centred on the
// work area.
void ExpectDialogFrame(HWND window, bool closeBox) {
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ((style & WS_SYSMENU) != 0, closeBox);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  HWND owner = GetWindow(window, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  RECT outer, area;
  GetWindowRect(window, &outer);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_NEAR((outer.left + outer.right) / 2, (area.left + area.right) / 2, 1);
  EXPECT_NEAR((outer.top + outer.bottom) / 2, (area.top + area.bottom) / 2, 1);
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

bool Checked(HWND window, int id) { return SendDlgItemMessageW(window, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Pixels as the window shows them after a full repaint.
class ScreenPixels {
 public:
  explicit ScreenPixels(HWND window) : window_(window), dc_(GetDC(window)) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
  }
  ~ScreenPixels() { ReleaseDC(window_, dc_); }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  int Count(const RECT& area, COLORREF colour) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) count += At(x, y) == colour;
    }
    return count;
  }
  int CountOther(const RECT& area, COLORREF colour) const {
    return (area.right - area.left) * (area.bottom - area.top) - Count(area, colour);
  }

 private:
  HWND window_;
  HDC dc_;
};

// Calls the steps one after the other from inside the nested message loop of
// `modal`, every 50 ms, each until it returns true. A stuck step fails the
// test and closes the program's windows so `modal` returns.
struct ModalSteps {
  std::vector<std::function<bool()>>* steps = nullptr;
  std::size_t next = 0;
  int ticks = 0;
  bool running = false;
};
ModalSteps& CurrentSteps() {
  static ModalSteps current;
  return current;
}

void CALLBACK RunModalStep(HWND, UINT, UINT_PTR, DWORD) {
  ModalSteps& current = CurrentSteps();
  if (current.running || !current.steps) return;
  current.running = true;
  if (current.next < current.steps->size()) {
    if ((*current.steps)[current.next]()) {
      ++current.next;
      current.ticks = 0;
    } else if (++current.ticks > 200) {
      ADD_FAILURE() << "step " << current.next << " did not finish";
      current.next = current.steps->size();
      for (const wchar_t* cls : {kSettingDialogClassName, kAboutClassName, kHelloClassName}) {
        if (HWND w = FindWindowW(cls, nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
      }
    }
  }
  current.running = false;
}

void DuringModal(std::vector<std::function<bool()>> steps, const std::function<void()>& modal) {
  ModalSteps& current = CurrentSteps();
  current = ModalSteps{&steps};
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &RunModalStep);
  modal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(current.next, steps.size()) << "the window closed before every step ran";
  current.steps = nullptr;
}

void Click(HWND window, int id) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

class DialogWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    exe_ = testing::QuistrelExePath();
    HMODULE module = LoadLibraryExW(exe_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << "Quistrel.exe not found";
    Icons().Load(module);
    ASSERT_TRUE(Icons().Large());
  }

  void SetUp() override {
    folder_ = std::make_unique<testing::TempFolder>();
    program_.AppFolder = folder_->Path();
    about_.SetVersionSource(exe_);
    about_.SetLinkOpener([this](const std::u16string& target) { opened_.push_back(target); });
  }

  void TearDown() override {
    Window::UnloadAll();
    ProcessPendingMessages();
  }

  static ProgramIcons& Icons() {
    static ProgramIcons icons;
    return icons;
  }

  static std::wstring exe_;
  std::unique_ptr<testing::TempFolder> folder_;
  std::vector<std::u16string> opened_;
  ProgramState program_;
  AboutWindow about_{Icons()};
  SettingDialog settings_{program_, Icons()};
};
std::wstring DialogWindows::exe_;

// ---- frmHello ---------------------------------------------------------------

class HelloWindowTest : public DialogWindows {
 protected:
  HWND Open() {
    window_.ShowModeless();
    ProcessPendingMessages();
    return window_.Handle();
  }
  HelloWindow window_{program_, Icons(), settings_, about_};
};

TEST_F(HelloWindowTest, LayoutCaptionAndTextsFollowTheTable) {
  using namespace hello_ids;
  HWND window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClassOf(window), kHelloClassName);
  EXPECT_EQ(WindowTextOf(window), L"Mallowquist - ようこそ！");
  const SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 509);
  EXPECT_EQ(client.cy, 354);
  ExpectDialogFrame(window, false);

  // Inside a frame a label sits at the frame's position plus its own.
  auto inFrame = [](Place frame, Place label) {
    return Place{frame.x + label.x, frame.y + label.y, label.width, label.height};
  };
  const Place frame0{4, 52, 165, 73}, frame1{172, 52, 165, 73}, frame2{340, 52, 165, 73};
  ExpectControls(
      window,
      {
          {kGreetingLabel,
           L"Static",
           L"Mallowquistをご利用頂き、ありがとうございます。\r\n"
           L"本ソフトは、クリップボードのテキストを、ショートカットキーを使って簡単に切り替えるソフトです。\r\n"
           L"キーの組み合わせについては、以下をご覧下さい。",
           {4, 4, 497, 41}},
          {kDownKeyFrame, L"Button", L"[Win+C]、[↓]", frame0},
          {kDownKeyLabel, L"Static",
           L"切り替え画面を表示し、リストの選択を一つ下へ進めます。\r\n切り替え画面表示中は、↓キーでも同様です。",
           inFrame(frame0, {4, 16, 157, 53})},
          {kUpKeyFrame, L"Button", L"[Win+Alt+C]、[↑]", frame1},
          {kUpKeyLabel, L"Static",
           L"切り替え画面を表示し、リストの選択を一つ上へ進めます。\r\n切り替え画面表示中は、↑キーでも同様です。",
           inFrame(frame1, {4, 16, 157, 53})},
          {kSwitchListFrame, L"Button", L"[Shift]、[←]、[→]", frame2},
          {kSwitchListLabel, L"Static",
           L"（切り替え画面表示中）\r\nクリップボードのログか、設定した固定文字かを切り替えます。",
           inFrame(frame2, {4, 16, 157, 41})},
          {kWinKeyNoteLabel, L"Static", L"※『Win』　とは、Windowsロゴの入ったキーの事です。", {140, 128, 365, 17}},
          {kReadmeNoteLabel,
           L"Static",
           L"※キーの組み合わせについては、Readme.txtにも記述されています。",
           {140, 140, 365, 17}},
          {kMouseNoteLabel,
           L"Static",
           L"※マウスでも操作可能です。タスクアイコンをクリックして下さい。",
           {140, 152, 365, 17}},
          {kExampleLabel,
           L"Static",
           L"例：クリップボードにコピーしてあった文字を選択\r\n・Win＋Cキーを押します。\r\n"
           L"・Winキーを押したまま、Cキーを何度か押して、目的の文字を選択します。\r\n"
           L"・Winキーを離せば、切り替え画面が消えて、目的の文字がクリップボードにコピーされます。",
           {4, 172, 501, 53}},
          {kSetUpLabel,
           L"Static",
           L"Mallowquistの設定をして下さい。\r\n"
           L"設定画面では、クリップボードのログを保持しておく数や、固定文字を設定することが出来ます。\r\n"
           L"設定画面は、今後もタスクアイコンから表示させることが出来ます。",
           {4, 232, 497, 41}},
          {kCmdSettingOpen, L"Button", L"設定画面を開く", {4, 284, 113, 33}},
          {kCmdSettingAbout, L"Button", L"バージョン情報", {116, 284, 113, 33}},
          {kChkViewHello, L"Button", L"起動時にこのメッセージを表示する", {284, 284, 217, 13}},
          {kCmdStartNow, L"Button", L"今すぐMallowquistを利用する（設定完了）", {8, 324, 493, 25}},
      });
  EXPECT_EQ(GetWindowLongW(GetDlgItem(window, kChkViewHello), GWL_STYLE) & 0x0F, BS_AUTOCHECKBOX);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(window, kCmdStartNow), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(Checked(window, kChkViewHello));
}

TEST_F(HelloWindowTest, TheStartButtonHasTheFocusAndLeadsTheTabOrder) {
  using namespace hello_ids;
  HWND window = Open();
  EXPECT_EQ(GetFocus(), GetDlgItem(window, kCmdStartNow));
  HWND at = GetDlgItem(window, kCmdStartNow);
  for (int id : {kCmdSettingOpen, kCmdSettingAbout, kChkViewHello, kCmdStartNow}) {
    at = GetNextDlgTabItem(window, at, FALSE);
    EXPECT_EQ(GetDlgCtrlID(at), id);
  }
}

TEST_F(HelloWindowTest, EtchedLineIsShadowOverWindowColourFromX4ToX503) {
  HWND window = Open();
  const ScreenPixels pixels(window);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = GetSysColor(COLOR_WINDOW);
  for (int x : {4, 250, 503}) {
    EXPECT_EQ(pixels.At(x, 227), shadow) << x;
    EXPECT_EQ(pixels.At(x, 228), light) << x;
  }
  EXPECT_EQ(pixels.At(3, 227), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(pixels.At(504, 228), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(pixels.At(250, 226), GetSysColor(COLOR_BTNFACE));
}

TEST_F(HelloWindowTest, TheStartButtonStoresTheCheckBoxAndOtherClosesLeaveTheSetting) {
  using namespace hello_ids;
  // Cleared box, then the start button.
  HWND window = Open();
  SendDlgItemMessageW(window, kChkViewHello, BM_CLICK, 0, 0);
  EXPECT_FALSE(Checked(window, kChkViewHello));
  Click(window, kCmdStartNow);
  ProcessPendingMessages();
  EXPECT_FALSE(window_.IsLoaded());
  EXPECT_EQ(program_.Setting.ViewHello, 0);

  // A hand-edited 2 left checked is stored as 1.
  program_.Setting.ViewHello = 2;
  window = Open();
  Click(window, kCmdStartNow);
  ProcessPendingMessages();
  EXPECT_EQ(program_.Setting.ViewHello, 1);

  // Esc does nothing; a close from outside (Alt+F4) unloads without storing.
  program_.Setting.ViewHello = 7;
  window = Open();
  SendDlgItemMessageW(window, kChkViewHello, BM_CLICK, 0, 0);
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
  ProcessPendingMessages();
  ASSERT_TRUE(window_.IsLoaded());
  PostMessageW(window, WM_CLOSE, 0, 0);
  ProcessPendingMessages();
  EXPECT_FALSE(window_.IsLoaded());
  EXPECT_EQ(program_.Setting.ViewHello, 7);
}

TEST_F(DialogWindows, ShowHelloWindowIsModalAndItsVersionButtonOpensTheVersionWindowOwnedByIt) {
  HWND hello = nullptr;
  DuringModal({[&] {
                 hello = FindWindowW(kHelloClassName, nullptr);
                 if (!hello || !IsWindowVisible(hello)) return false;
                 // Its hidden owner keeps it off the taskbar.
                 EXPECT_FALSE(IsWindowVisible(GetWindow(hello, GW_OWNER)));
                 Click(hello, hello_ids::kCmdSettingAbout);
                 return true;
               },
               [&] {
                 HWND about = FindWindowW(kAboutClassName, nullptr);
                 if (!about || !IsWindowVisible(about)) return false;
                 EXPECT_EQ(GetWindow(about, GW_OWNER), hello);
                 EXPECT_FALSE(IsWindowEnabled(hello));
                 Click(about, about_ids::kCmdOK);
                 return true;
               },
               [&] {
                 if (FindWindowW(kAboutClassName, nullptr)) return false;
                 EXPECT_TRUE(IsWindowEnabled(hello));
                 Click(hello, hello_ids::kCmdStartNow);
                 return true;
               }},
              [this] { HelloWindow(program_, Icons(), settings_, about_).Run(); });
  EXPECT_EQ(program_.Setting.ViewHello, 1);
}

// The settings dialog opened from the welcome window: its OK can change the
// welcome option, its cancel puts the box back to what the setting says.
TEST_F(DialogWindows, CheckBoxFollowsTheSettingsDialogAfterItCloses) {
  HWND hello = nullptr;
  auto openSettings = [&] {
    hello = FindWindowW(kHelloClassName, nullptr);
    if (!hello) return false;
    Click(hello, hello_ids::kCmdSettingOpen);
    return true;
  };
  auto settingsShown = [&](int pressId, bool clearWelcomeOption) {
    return [&, pressId, clearWelcomeOption] {
      HWND setting = FindWindowW(kSettingDialogClassName, nullptr);
      if (!setting || !IsWindowVisible(setting)) return false;
      EXPECT_EQ(GetWindow(setting, GW_OWNER), hello);
      if (clearWelcomeOption) SendDlgItemMessageW(setting, setting_ids::kChkViewHello, BM_CLICK, 0, 0);
      Click(setting, pressId);
      return true;
    };
  };
  auto settingsGone = [] { return FindWindowW(kSettingDialogClassName, nullptr) == nullptr; };
  bool boxAfterCancel = false, boxAfterOK = true;

  DuringModal({// Box cleared here first, then the settings dialog cancelled: checked again.
               [&] {
                 hello = FindWindowW(kHelloClassName, nullptr);
                 if (!hello) return false;
                 SendDlgItemMessageW(hello, hello_ids::kChkViewHello, BM_CLICK, 0, 0);
                 return !Checked(hello, hello_ids::kChkViewHello);
               },
               openSettings, settingsShown(setting_ids::kCmdCancel, true), settingsGone,
               [&] {
                 boxAfterCancel = Checked(hello, hello_ids::kChkViewHello);
                 return true;
               },
               // Welcome option cleared in the settings dialog and confirmed.
               openSettings, settingsShown(setting_ids::kCmdOK, true), settingsGone,
               [&] {
                 boxAfterOK = Checked(hello, hello_ids::kChkViewHello);
                 Click(hello, hello_ids::kCmdStartNow);
                 return true;
               }},
              [this] { HelloWindow(program_, Icons(), settings_, about_).Run(); });
  EXPECT_TRUE(boxAfterCancel);
  EXPECT_FALSE(boxAfterOK);
  EXPECT_EQ(program_.Setting.ViewHello, 0);
}

BOOL CALLBACK CountClass(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<const wchar_t*, int>*>(param);
  if (ClassOf(window) == search->first) ++search->second;
  return TRUE;
}

int CountTopLevel(const wchar_t* className) {
  std::pair<const wchar_t*, int> search{className, 0};
  EnumWindows(&CountClass, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// ---- frmAbout ---------------------------------------------------------------

class AboutWindowTest : public DialogWindows {
 protected:
  HWND Open() {
    about_.Open(nullptr);
    ProcessPendingMessages();
    return FindWindowW(kAboutClassName, nullptr);
  }
};

TEST_F(AboutWindowTest, LayoutCaptionAndTextsFromTheVersionResource) {
  using namespace about_ids;
  HWND window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowTextOf(window), L"Mallowquist - バージョン情報");
  const SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 304);
  EXPECT_EQ(client.cy, 192);
  ExpectDialogFrame(window, true);

  ExpectControls(
      window,
      {
          {kLblVersion, L"Static", L"Ver.1.0.0 ", {236, 36, 53, 13}},
          {kLblCopyright, L"Static", L"(C) 2026 Mallowquist", {100, 48, 189, 13}},
          {kLblComment, L"Static", L"クリップボードの文字を選択形式で変更するプログラムです。", {12, 72, 281, 37}},
          {kHomePageLabel, L"Static", L"公開HP", {12, 116, 45, 17}},
          {kLblURL, L"Static", L"https://mallowquist.test/", {92, 116, 141, 17}},
          {kMailLabel, L"Static", L"作者へメール", {12, 136, 77, 17}},
          {kLblEmail, L"Static", L"author@mallowquist.test", {92, 136, 141, 17}},
          {kCmdOK, L"Button", L"OK", {116, 160, 81, 29}},
      });
  EXPECT_EQ(about_.TitleText(), u"Mallowquist");
  EXPECT_EQ(GetFocus(), GetDlgItem(window, kCmdOK));
  EXPECT_EQ(GetWindowLongW(GetDlgItem(window, kCmdOK), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(window, kLblVersion), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
  EXPECT_EQ(GetWindowLongW(GetDlgItem(window, kLblCopyright), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
  EXPECT_NE(GetWindowLongW(GetDlgItem(window, kLblComment), GWL_STYLE) & WS_BORDER, 0);

  const LOGFONTW version = FontOf(GetDlgItem(window, kLblVersion));
  EXPECT_STREQ(version.lfFaceName, L"ＭＳ Ｐゴシック");
  EXPECT_TRUE(version.lfItalic);
  EXPECT_EQ(version.lfHeight, -12);  // 9 points at 96 dots per inch
  const LOGFONTW copyright = FontOf(GetDlgItem(window, kLblCopyright));
  EXPECT_STREQ(copyright.lfFaceName, L"ＭＳ Ｐゴシック");
  EXPECT_EQ(copyright.lfWeight, FW_BOLD);
  for (int link : {kLblURL, kLblEmail}) {
    const LOGFONTW font = FontOf(GetDlgItem(window, link));
    EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック");
    EXPECT_TRUE(font.lfUnderline);
  }
}

TEST_F(AboutWindowTest, IconShapeAndShadowedTitleAreDrawnAndSurviveRepainting) {
  HWND window = Open();
  ASSERT_NE(window, nullptr);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
  const COLORREF titleText = GetSysColor(COLOR_CAPTIONTEXT);
  const COLORREF titleShadow = GetSysColor(COLOR_ACTIVECAPTION);
  ASSERT_NE(desktop, face);
  ASSERT_NE(titleText, desktop);
  ASSERT_NE(titleShadow, desktop);

  for (int repaint = 0; repaint < 2; ++repaint) {
    SCOPED_TRACE(repaint);
    const ScreenPixels pixels(window);
    // The 48x48 icon at 15, 8 and nothing drawn left of it.
    EXPECT_GT(pixels.CountOther(RECT{15, 8, 63, 56}, face), 48 * 48 / 4);
    EXPECT_EQ(pixels.CountOther(RECT{0, 0, 14, 60}, face), 0);
    // The band behind the title: 80..280 by 24..48, corners rounded off.
    EXPECT_EQ(pixels.At(230, 27), desktop);
    EXPECT_EQ(pixels.At(280, 33), desktop);
    EXPECT_EQ(pixels.At(281, 33), face);
    EXPECT_EQ(pixels.At(90, 48), desktop);
    EXPECT_EQ(pixels.At(90, 49), face);
    EXPECT_EQ(pixels.At(280, 24), face);
    EXPECT_EQ(pixels.At(80, 48), face);
    // Both title colours are on screen, in the title's area.
    const RECT title{65, 16, 278, 42};
    EXPECT_GT(pixels.Count(title, titleText), 20);
    EXPECT_GT(pixels.Count(title, titleShadow), 20);
    // lblVersion sits on the shape with no box of its own around the text.
    EXPECT_EQ(pixels.At(237, 37), desktop);
  }
}

TEST_F(AboutWindowTest, LinksTurnRedWhilePressedAndOpenOnAClick) {
  using namespace about_ids;
  HWND window = Open();
  ASSERT_NE(window, nullptr);
  HWND url = GetDlgItem(window, kLblURL);
  HWND mail = GetDlgItem(window, kLblEmail);
  const RECT linkArea{0, 0, 141, 17};
  constexpr COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  auto redPixels = [&](HWND link) { return ScreenPixels(link).Count(linkArea, red); };
  auto bluePixels = [&](HWND link) { return ScreenPixels(link).Count(linkArea, blue); };
  const LPARAM inside = MAKELPARAM(5, 5);

  EXPECT_GT(bluePixels(url), 0);
  EXPECT_EQ(redPixels(url), 0);

  SendMessageW(url, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  EXPECT_GT(redPixels(url), 0);
  EXPECT_EQ(bluePixels(url), 0);
  EXPECT_TRUE(opened_.empty()) << "a press alone opens nothing";
  SendMessageW(url, WM_LBUTTONUP, 0, inside);
  EXPECT_EQ(redPixels(url), 0);
  EXPECT_GT(bluePixels(url), 0);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], u"https://mallowquist.test/cgi-bin/access.cgi?soft=Quistrel");

  // Another button turns the link red too, but only the left one clicks.
  SendMessageW(mail, WM_RBUTTONDOWN, MK_RBUTTON, inside);
  EXPECT_GT(redPixels(mail), 0);
  SendMessageW(mail, WM_RBUTTONUP, 0, inside);
  EXPECT_EQ(redPixels(mail), 0);
  EXPECT_EQ(opened_.size(), 1u);

  // Released away from the link: no click.
  SendMessageW(mail, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  SendMessageW(mail, WM_LBUTTONUP, 0, MAKELPARAM(300, 5));
  EXPECT_EQ(redPixels(mail), 0);
  EXPECT_EQ(opened_.size(), 1u);

  SendMessageW(mail, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  SendMessageW(mail, WM_LBUTTONUP, 0, inside);
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_EQ(opened_[1], u"mailto:author@mallowquist.test");
}

TEST_F(AboutWindowTest, MovingOverALinkShowsTheHandAndElsewhereTheArrow) {
  HWND window = Open();
  ASSERT_NE(window, nullptr);
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  for (int link : {about_ids::kLblURL, about_ids::kLblEmail}) {
    SetCursor(arrow);
    SendDlgItemMessageW(window, link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(GetCursor(), hand);
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);
  }
}

TEST_F(AboutWindowTest, ModelessRequestsShareOneWindowAndOKUnloadsIt) {
  HWND first = Open();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_FALSE(IsWindowVisible(GetWindow(first, GW_OWNER)));
  HWND second = Open();
  EXPECT_EQ(second, first);
  EXPECT_EQ(CountTopLevel(kAboutClassName), 1);
  // Esc is not a cancel button here; OK and the close box unload.
  PostMessageW(GetDlgItem(first, about_ids::kCmdOK), WM_KEYDOWN, VK_ESCAPE, 0);
  ProcessPendingMessages();
  EXPECT_TRUE(about_.IsLoaded());
  Click(first, about_ids::kCmdOK);
  ProcessPendingMessages();
  EXPECT_FALSE(about_.IsLoaded());
  HWND again = Open();
  ASSERT_NE(again, nullptr);
  PostMessageW(again, WM_CLOSE, 0, 0);
  ProcessPendingMessages();
  EXPECT_FALSE(about_.IsLoaded());
}

}  // namespace
}  // namespace quistrel
