// The settings dialog and the fixed-text entry dialog as real windows in this
// process: their layout, and every way of closing them, driven by messages.
// Modal windows and message boxes are answered from a thread timer, which
// runs inside whatever message loop is active at that moment.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "dialogs/setting_dialog.h"
#include "dialogs/text_input_dialog.h"
#include "platform/form.h"
#include "platform/window.h"
#include "tray/tray_icon.h"
#include "wine_test_util.h"

namespace quistrel {
namespace {

using namespace std::string_literals;
using testing::ReadBytes;
using testing::TempFolder;

// ---- driving windows from inside modal loops ------------------------------

std::map<UINT_PTR, std::function<bool()>>& Pending() {
  static std::map<UINT_PTR, std::function<bool()>> pending;
  return pending;
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD) {
  const auto found = Pending().find(id);
  if (found == Pending().end()) return;
  const std::function<bool()> attempt = found->second;
  if (attempt()) {
    KillTimer(nullptr, id);
    Pending().erase(id);
  }
}

// Calls `attempt` every few milliseconds, from whatever loop runs, until it
// returns true.
void Soon(std::function<bool()> attempt) { Pending()[SetTimer(nullptr, 0, 15, RunPending)] = std::move(attempt); }

void CancelPending() {
  for (const auto& [id, attempt] : Pending()) KillTimer(nullptr, id);
  Pending().clear();
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    ProcessPendingMessages();
    Sleep(5);
  }
  return true;
}

void Pump() {
  for (int i = 0; i < 5; ++i) {
    ProcessPendingMessages();
    Sleep(5);
  }
}

std::string Utf8(const std::wstring& text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

HWND FindOurWindow(const wchar_t* className) {
  HWND found = FindWindowW(className, nullptr);
  return found && GetWindowThreadProcessId(found, nullptr) == GetCurrentThreadId() ? found : nullptr;
}

struct MessageBoxSeen {
  std::wstring caption;
  std::vector<std::wstring> texts;
};

struct BoxSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  if (ClassOf(window) == L"#32770" && IsWindowVisible(window) &&
      (search->caption.empty() || WindowTextOf(window) == search->caption)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindMessageBox(const std::wstring& caption = {}) {
  BoxSearch search{caption};
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
  auto* texts = reinterpret_cast<std::vector<std::wstring>*>(param);
  if (ClassOf(child) == L"Static" && !WindowTextOf(child).empty()) texts->push_back(WindowTextOf(child));
  return TRUE;
}

// Answers the next message box with the caption (any caption when empty) by
// the button, and records what it said.
void AnswerMessageBox(MessageBoxSeen& seen, int button, const std::wstring& caption = {}) {
  Soon([&seen, button, caption] {
    HWND box = FindMessageBox(caption);
    if (!box) return false;
    seen.caption = WindowTextOf(box);
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&seen.texts));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return true;
  });
}

// ---- looking at windows ---------------------------------------------------

RECT ClientRectOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct Expected {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  int x, y, width, height;
};

void ExpectControls(HWND window, const std::vector<Expected>& table) {
  for (const Expected& e : table) {
    SCOPED_TRACE("control " + std::to_string(e.id));
    HWND control = GetDlgItem(window, e.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), window);
    EXPECT_EQ(lstrcmpiW(ClassOf(control).c_str(), e.className), 0) << Utf8(ClassOf(control));
    EXPECT_EQ(Utf8(WindowTextOf(control)), Utf8(e.text));
    const RECT r = ClientRectOf(control);
    EXPECT_EQ(r.left, e.x);
    EXPECT_EQ(r.top, e.y);
    EXPECT_EQ(r.right - r.left, e.width);
    EXPECT_EQ(r.bottom - r.top, e.height);
  }
}

std::vector<int> TabOrder(HWND window) {
  std::vector<int> ids;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) ids.push_back(GetDlgCtrlID(child));
  }
  return ids;
}

// The one button drawn as the default button (0 for none, -1 for several).
int LooksDefault(HWND dialog) {
  int found = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) != L"Button" || (GetWindowLongW(child, GWL_STYLE) & 0x0F) != BS_DEFPUSHBUTTON) continue;
    found = found == 0 ? GetDlgCtrlID(child) : -1;
  }
  return found;
}

void SetShift(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

// Where the focus and the default look were before the first key and after each.
struct TabRound {
  std::vector<int> focus;
  std::vector<int> looksDefault;
  bool done = false;
};

// Presses Tab, or Shift+Tab where `back` says so, to the focused control, one
// key per timer tick of whatever message loop runs; `after` runs at the end.
void PressTabs(HWND dialog, std::vector<bool> back, TabRound& round, std::function<void()> after = {}) {
  auto pressed = std::make_shared<std::size_t>(0);
  Soon([=, &round] {
    SetShift(false);
    round.focus.push_back(GetDlgCtrlID(GetFocus()));
    round.looksDefault.push_back(LooksDefault(dialog));
    if (*pressed == back.size()) {
      round.done = true;
      if (after) after();
      return true;
    }
    SetShift(back[(*pressed)++]);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    return false;
  });
}

void ExpectDialogFrame(HWND window, const wchar_t* caption, int clientWidth, int clientHeight) {
  EXPECT_TRUE(WindowTextOf(window) == caption);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, clientWidth);
  EXPECT_EQ(client.bottom, clientHeight);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  // Owned and not an application window: no taskbar button.
  EXPECT_NE(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
}

// ---- the fixture ----------------------------------------------------------

using namespace setting_ids;

class SettingDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    program.AppFolder = app.Path();
    program.StartupFolder = startup.Path();
    program.Setting = Stored();
  }
  void TearDown() override {
    CancelPending();
    if (HWND window = Dialog()) DestroyWindow(window);
    Pump();
  }

  static SettingRecord Stored() {
    SettingRecord setting;
    setting.ClipBoardLog = 25;
    setting.FixedString.Append(SharedText(u"one"));
    setting.FixedString.Append(SharedText(u"two\r\nlines"));
    setting.ViewHello = 1;
    setting.ViewBalloon = 1;
    setting.AutoPaste = 0;
    return setting;
  }

  HWND Open() {
    settings.Open(nullptr);
    Pump();
    return Dialog();
  }
  static HWND Dialog() { return FindOurWindow(kSettingDialogClassName); }
  static HWND Control(int id) { return GetDlgItem(Dialog(), id); }
  static std::string Text(int id) { return Utf8(WindowTextOf(Control(id))); }
  static void SetText(int id, const wchar_t* text) { SetWindowTextW(Control(id), text); }
  static void Click(int id) { PostMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  static bool Checked(int id) { return IsDlgButtonChecked(Dialog(), id) == BST_CHECKED; }
  static void SelectLine(int line) {
    SendMessageW(Control(kLstFixedText), LB_SETCURSEL, line, 0);
    PostMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(kLstFixedText, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Control(kLstFixedText)));
    Pump();
  }
  static std::vector<std::wstring> ListLines() {
    HWND list = Control(kLstFixedText);
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
      line.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
      lines.push_back(line);
    }
    return lines;
  }
  static int SpinValue() { return 999 - GetScrollPos(Control(kVscLogNum), SB_CTL); }
  static bool Gone() { return Dialog() == nullptr; }

  // Presses an add or change button and answers the entry dialog with the
  // text, or cancels it when the text is null.
  void EnterFixedString(int button, const wchar_t* text, std::wstring* shownWith = nullptr) {
    bool answered = false;
    Soon([text, shownWith, &answered] {
      HWND entry = FindOurWindow(kTextInputDialogClassName);
      if (!entry) return false;
      HWND box = GetDlgItem(entry, text_input_ids::kTxtFixedText);
      if (shownWith) *shownWith = WindowTextOf(box);
      if (text) SetWindowTextW(box, text);
      PostMessageW(entry, WM_COMMAND, MAKEWPARAM(text ? IDOK : IDCANCEL, BN_CLICKED), 0);
      answered = true;
      return true;
    });
    Click(button);
    ASSERT_TRUE(PumpUntil([&] { return answered && !FindOurWindow(kTextInputDialogClassName); }));
    Pump();
  }

  TempFolder app;
  TempFolder startup;
  ProgramState program;
  ProgramIcons icons;
  TrayIcon tray;
  SettingDialog settings{program, icons};
};

TEST_F(SettingDialogTest, LayoutCaptionsFontAndTabOrder) {
  HWND dialog = Open();
  ASSERT_NE(dialog, nullptr);
  ExpectDialogFrame(dialog, L"Mallowquist - 設定", 285, 276);
  ExpectControls(dialog,
                 {
                     {kCmdStartUp, L"Button", L"スタートアップ設定", 4, 4, 121, 25},
                     {kLabelStartUp, L"Static", L"Windows起動時に本ソフトを起動するか設定します。", 128, 4, 153, 25},
                     {kFrameClipboard, L"Button", L"クリップボード", 4, 36, 277, 49},
                     {kLabelLogNum, L"Static", L"ログの最大数", 12, 52, 77, 13},
                     {kTxtLogNum, L"Edit", L"25", 92, 52, 33, 22},
                     {kVscLogNum, L"ScrollBar", L"", 124, 52, 17, 21},
                     {kLabelCount, L"Static", L"件", 144, 64, 17, 13},
                     {kFrameFixed, L"Button", L"固定文字", 4, 88, 277, 97},
                     {kLstFixedText, L"ListBox", L"", 12, 104, 85, 76},
                     {kTxtFixedText, L"Edit", L"", 100, 104, 129, 77},
                     {kCmdFixedAdd, L"Button", L"追加", 232, 120, 41, 21},
                     {kCmdFixedChange, L"Button", L"変更", 232, 140, 41, 21},
                     {kCmdFixedDelete, L"Button", L"削除", 232, 160, 41, 21},
                     {kChkViewHello, L"Button", L"起動時にようこそメッセージを表示する", 4, 188, 277, 13},
                     {kChkBalloon, L"Button", L"アイコン表示時にメッセージを表示する", 4, 204, 277, 13},
                     {kChkPaste, L"Button", L"選択と同時に貼り付けを行う", 4, 220, 277, 13},
                     {kCmdOK, L"Button", L"OK", 120, 240, 81, 33},
                     {kCmdCancel, L"Button", L"キャンセル", 200, 240, 81, 33},
                 });
  EXPECT_EQ(GetWindowLongW(Control(kVscLogNum), GWL_STYLE) & SBS_VERT, SBS_VERT);
  EXPECT_EQ(GetWindowLongW(Control(kCmdOK), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(GetWindowLongW(Control(kTxtFixedText), GWL_STYLE) & ES_MULTILINE);
  EXPECT_TRUE(GetWindowLongW(Control(kTxtFixedText), GWL_STYLE) & WS_VSCROLL);

  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(kTxtLogNum), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_TRUE(std::wstring(font.lfFaceName) == L"ＭＳ Ｐゴシック");
  EXPECT_EQ(font.lfHeight, -15);  // 11.25 points at 96 dots per inch

  EXPECT_EQ(TabOrder(dialog), (std::vector<int>{kCmdStartUp, kTxtLogNum, kVscLogNum, kLstFixedText, kTxtFixedText,
                                                kCmdFixedAdd, kCmdFixedChange, kCmdFixedDelete, kChkViewHello,
                                                kChkBalloon, kCmdOK, kCmdCancel, kChkPaste}));
  EXPECT_EQ(GetFocus(), Control(kCmdStartUp));
}

// Both ways round the dialog, through the multi-line preview: each push
// button looks like the default one while it has the focus, OK elsewhere.
TEST_F(SettingDialogTest, TabAndShiftTabGoRoundThroughThePreviewAndOkKeepsTheDefaultLook) {
  ASSERT_NE(Open(), nullptr);
  const std::vector<int> order{kCmdStartUp,   kTxtLogNum,   kVscLogNum,      kLstFixedText,
                               kTxtFixedText, kCmdFixedAdd, kCmdFixedChange, kCmdFixedDelete,
                               kChkViewHello, kCmdOK,       kCmdCancel,      kChkPaste};
  ASSERT_FALSE(IsWindowEnabled(Control(kChkBalloon)));  // skipped by Tab
  std::vector<bool> back(order.size(), false);
  back.resize(2 * order.size(), true);
  std::vector<int> focus{kCmdStartUp}, looksDefault{kCmdOK};
  for (std::size_t i = 1; i <= back.size(); ++i) {
    const std::size_t at = i <= order.size() ? i % order.size() : (2 * order.size() - i);
    focus.push_back(order[at]);
    const bool pushButton = order[at] == kCmdStartUp || (order[at] >= kCmdFixedAdd && order[at] <= kCmdFixedDelete) ||
                            order[at] == kCmdOK || order[at] == kCmdCancel;
    looksDefault.push_back(pushButton ? order[at] : kCmdOK);
  }
  TabRound round;
  PressTabs(Dialog(), back, round);
  ASSERT_TRUE(PumpUntil([&] { return round.done; }));
  EXPECT_EQ(round.focus, focus);
  EXPECT_EQ(round.looksDefault, looksDefault);
  EXPECT_TRUE(Text(kTxtFixedText).empty());
}

TEST_F(SettingDialogTest, LoadShowsTheSettingsAndMarksTheDialogOpen) {
  program.Setting.AutoPaste = 1;
  program.Setting.ViewHello = 0;
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(program.SettingDialogOpen);
  EXPECT_EQ(Text(kTxtLogNum), "25");
  EXPECT_EQ(SpinValue(), 25);
  EXPECT_FALSE(Checked(kChkViewHello));
  EXPECT_TRUE(Checked(kChkBalloon));
  EXPECT_TRUE(Checked(kChkPaste));
  EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"one", L"two\r\nlines"}));
  EXPECT_EQ(SendMessageW(Control(kLstFixedText), LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_TRUE(Text(kTxtFixedText).empty());

  SelectLine(1);
  EXPECT_EQ(Text(kTxtFixedText), "two\r\nlines");
  PostMessageW(Dialog(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil(Gone));
  EXPECT_FALSE(program.SettingDialogOpen);
}

TEST_F(SettingDialogTest, HandEditedValuesAreShownClampedAndOkStoresWhatIsShown) {
  program.Setting.ClipBoardLog = 5000;
  program.Setting.ViewHello = 2;
  program.Setting.ViewBalloon = 2;
  program.Setting.AutoPaste = 2;
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Text(kTxtLogNum), "999");
  EXPECT_EQ(SpinValue(), 999);
  EXPECT_TRUE(Checked(kChkViewHello));
  EXPECT_FALSE(Checked(kChkBalloon));
  EXPECT_FALSE(Checked(kChkPaste));
  Click(kCmdOK);
  ASSERT_TRUE(PumpUntil(Gone));
  EXPECT_EQ(program.Setting.ClipBoardLog, 999);
  EXPECT_EQ(program.Setting.ViewHello, 1);
  EXPECT_EQ(program.Setting.ViewBalloon, 0);
  EXPECT_EQ(program.Setting.AutoPaste, 0);

  program.Setting.ClipBoardLog = -7;
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Text(kTxtLogNum), "0");
}

TEST_F(SettingDialogTest, TheBalloonBoxIsDisabledWithoutBalloonsButKeepsItsState) {
  // This process has not asked the shell yet, so it counts as without balloons.
  ASSERT_FALSE(tray.IsBalloonCapable());
  program.Setting.ViewBalloon = 1;
  ASSERT_NE(Open(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(Control(kChkBalloon)));
  EXPECT_TRUE(IsWindowVisible(Control(kChkBalloon)));
  EXPECT_TRUE(Checked(kChkBalloon));
  Click(kCmdOK);
  ASSERT_TRUE(PumpUntil(Gone));
  EXPECT_EQ(program.Setting.ViewBalloon, 1);

  tray.CheckShellVersion();
  settings.SetBalloonCapable(tray.IsBalloonCapable());
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(IsWindowEnabled(Control(kChkBalloon)) != FALSE, tray.IsBalloonCapable());
}

TEST_F(SettingDialogTest, TheSpinControlWritesTheTextBoxButNotTheOtherWay) {
  ASSERT_NE(Open(), nullptr);
  HWND spin = Control(kVscLogNum);
  // The up arrow key on the focused scroll bar raises the number.
  SetFocus(spin);
  PostMessageW(spin, WM_KEYDOWN, VK_UP, 0);
  Pump();
  EXPECT_EQ(Text(kTxtLogNum), "26");

  SetText(kTxtLogNum, L"500");
  Pump();
  EXPECT_EQ(SpinValue(), 26);
  SendMessageW(Dialog(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(Text(kTxtLogNum), "25");

  SendMessageW(Dialog(), WM_VSCROLL, SB_TOP, reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(Text(kTxtLogNum), "999");
  // At the top end the arrow changes nothing, so what was typed stays.
  SetText(kTxtLogNum, L"typed");
  SendMessageW(Dialog(), WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(Text(kTxtLogNum), "typed");
  SendMessageW(Dialog(), WM_VSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(spin));
  EXPECT_EQ(Text(kTxtLogNum), "0");
}

TEST_F(SettingDialogTest, OkCommitsEverythingAndSavesAtOnce) {
  ASSERT_NE(Open(), nullptr);
  EnterFixedString(kCmdFixedAdd, L"first");
  EnterFixedString(kCmdFixedAdd, L"日本語\r\nline");
  EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"日本語\r\nline", L"first", L"one", L"two\r\nlines"}));
  SetText(kTxtLogNum, L" 3.5");
  CheckDlgButton(Dialog(), kChkViewHello, BST_UNCHECKED);
  CheckDlgButton(Dialog(), kChkPaste, BST_CHECKED);
  Click(kCmdOK);
  ASSERT_TRUE(PumpUntil(Gone));

  const SettingRecord& setting = program.Setting;
  EXPECT_EQ(setting.ClipBoardLog, 4);
  EXPECT_EQ(setting.ViewHello, 0);
  EXPECT_EQ(setting.ViewBalloon, 1);
  EXPECT_EQ(setting.AutoPaste, 1);
  ASSERT_EQ(setting.FixedString.LastIndex(), 3);
  EXPECT_EQ(setting.FixedString.Item(0).str(), u"日本語\r\nline");
  EXPECT_FALSE(program.SettingDialogOpen);

  EXPECT_EQ(ReadBytes(app / u"FixedString.dat"), "\x93\xFA\x96\x7B\x8C\xEA\r\nline\0first\0one\0two\r\nlines"s);
  EXPECT_EQ(ReadBytes(app / u"Quistrel.ini"),
            "[Main]\r\nClipBoardLog=4\r\nViewBalloon=1\r\nViewHello=0\r\nAutoPaste=1\r\nPauseRecording=0\r\n");
}

TEST_F(SettingDialogTest, ASaveThatFailsAtOkIsReportedNamingTheFile) {
  // A folder where FixedString.dat should be: the file cannot be replaced.
  CreateDirectoryW(Wide(app / u"FixedString.dat"), nullptr);
  ASSERT_NE(Open(), nullptr);
  EnterFixedString(kCmdFixedAdd, L"typed");
  MessageBoxSeen seen;
  AnswerMessageBox(seen, IDOK);
  Click(kCmdOK);
  ASSERT_TRUE(PumpUntil([&] { return !seen.caption.empty() && Gone(); }));
  EXPECT_TRUE(seen.caption == L"Mallowquist");
  const std::wstring expected = L"設定の保存に失敗しました。\r\n" + std::wstring(Wide(app / u"FixedString.dat"));
  EXPECT_EQ(seen.texts, std::vector<std::wstring>{expected}) << Utf8(seen.texts.empty() ? L"" : seen.texts[0]);
  EXPECT_EQ(program.Setting.FixedString.Item(0).str(), u"typed");  // kept in memory for the next save
  RemoveDirectoryW(Wide(app / u"FixedString.dat"));
}

TEST_F(SettingDialogTest, AnOutOfRangeNumberIsRefusedAndEveryEditKept) {
  ASSERT_NE(Open(), nullptr);
  EnterFixedString(kCmdFixedAdd, L"kept");
  CheckDlgButton(Dialog(), kChkPaste, BST_CHECKED);
  for (const wchar_t* typed : {L"1000", L"-1", L"999.4", L"1e999"}) {
    SCOPED_TRACE(std::to_string(wcslen(typed)));
    SetText(kTxtLogNum, typed);
    MessageBoxSeen seen;
    AnswerMessageBox(seen, IDOK);
    Click(kCmdOK);
    ASSERT_TRUE(PumpUntil([&] { return !seen.caption.empty() && !FindMessageBox(); }));
    EXPECT_TRUE(seen.caption == L"Mallowquist");
    EXPECT_EQ(seen.texts, (std::vector<std::wstring>{L"ログ数が不正です。"}));
    ASSERT_FALSE(Gone());
    EXPECT_EQ(Text(kTxtLogNum), Utf8(typed));
  }
  EXPECT_EQ(ListLines().front(), L"kept");
  EXPECT_TRUE(Checked(kChkPaste));
  EXPECT_EQ(program.Setting, Stored());
  EXPECT_FALSE(testing::Exists(app / u"Quistrel.ini"));

  // Cancel after the message still drops everything.
  Click(kCmdCancel);
  ASSERT_TRUE(PumpUntil(Gone));
  EXPECT_EQ(program.Setting, Stored());
}

TEST_F(SettingDialogTest, CancelEscCloseBoxAndAltF4DiscardTheWorkingCopy) {
  const std::vector<std::pair<const char*, std::function<void()>>> closers{
      {"cancel button", [] { Click(kCmdCancel); }},
      {"Esc", [] { PostMessageW(Control(kTxtLogNum), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close box", [] { PostMessageW(Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Alt+F4", [] { PostMessageW(Dialog(), WM_CLOSE, 0, 0); }},
  };
  for (const auto& [name, close] : closers) {
    SCOPED_TRACE(name);
    ASSERT_NE(Open(), nullptr);
    EnterFixedString(kCmdFixedAdd, L"dropped");
    SelectLine(1);
    EnterFixedString(kCmdFixedChange, L"changed");
    SelectLine(0);
    Click(kCmdFixedDelete);
    Pump();
    SetText(kTxtLogNum, L"3");
    CheckDlgButton(Dialog(), kChkBalloon, BST_UNCHECKED);
    close();
    ASSERT_TRUE(PumpUntil(Gone));
    EXPECT_EQ(program.Setting, Stored());
    EXPECT_FALSE(program.SettingDialogOpen);
    EXPECT_FALSE(testing::Exists(app / u"FixedString.dat"));
  }
}

TEST_F(SettingDialogTest, FixedStringButtons) {
  ASSERT_NE(Open(), nullptr);
  // Change and delete with no line selected do nothing, not even a rebuild.
  SetText(kTxtFixedText, L"preview");
  Click(kCmdFixedChange);
  Click(kCmdFixedDelete);
  Pump();
  EXPECT_EQ(FindOurWindow(kTextInputDialogClassName), nullptr);
  EXPECT_EQ(ListLines().size(), 2u);
  EXPECT_EQ(Text(kTxtFixedText), "preview");

  // A change opens the entry dialog with the selected string; afterwards the
  // list is rebuilt without selection and the preview keeps its text.
  SelectLine(1);
  std::wstring shownWith;
  EnterFixedString(kCmdFixedChange, L"zwei", &shownWith);
  EXPECT_EQ(Utf8(shownWith), "two\r\nlines");
  EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"one", L"zwei"}));
  EXPECT_EQ(SendMessageW(Control(kLstFixedText), LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(Text(kTxtFixedText), "two\r\nlines");

  // A cancelled add or change leaves the list as it was.
  EnterFixedString(kCmdFixedAdd, nullptr);
  SelectLine(0);
  EnterFixedString(kCmdFixedChange, nullptr);
  EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"one", L"zwei"}));

  // An OK on an empty box adds an empty line.
  EnterFixedString(kCmdFixedAdd, L"");
  EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"", L"one", L"zwei"}));

  SelectLine(1);
  Click(kCmdFixedDelete);
  Pump();
  EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"", L"zwei"}));
  EXPECT_TRUE(Text(kTxtFixedText).empty());

  // Typing in the preview is not read back.
  SetText(kTxtFixedText, L"typed into the preview");
  Click(kCmdOK);
  ASSERT_TRUE(PumpUntil(Gone));
  ASSERT_EQ(program.Setting.FixedString.LastIndex(), 1);
  EXPECT_EQ(program.Setting.FixedString.Item(0).str(), u"");
  EXPECT_EQ(program.Setting.FixedString.Item(1).str(), u"zwei");
}

TEST_F(SettingDialogTest, ASecondModelessRequestBringsTheSameWindowWithoutReloading) {
  HWND first = Open();
  ASSERT_NE(first, nullptr);
  SetText(kTxtLogNum, L"77");
  program.Setting.ClipBoardLog = 11;
  EXPECT_EQ(Open(), first);
  EXPECT_EQ(Text(kTxtLogNum), "77");
}

TEST_F(SettingDialogTest, WithAnOwnerItRunsModallyAndOwned) {
  HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, nullptr,
                               AppInstance(), nullptr);
  ASSERT_NE(owner, nullptr);
  HWND seenOwner = nullptr;
  bool ownerEnabled = true;
  Soon([&] {
    HWND dialog = Dialog();
    if (!dialog || !IsWindowVisible(dialog)) return false;
    seenOwner = GetWindow(dialog, GW_OWNER);
    ownerEnabled = IsWindowEnabled(owner);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return true;
  });
  settings.Open(owner);
  EXPECT_TRUE(Gone());
  EXPECT_EQ(seenOwner, owner);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

TEST_F(SettingDialogTest, TheStartUpButtonRegistersAndUnregistersAtOnce) {
  testing::WriteBytes(app / u"Quistrel.exe", "MZ");
  ASSERT_NE(Open(), nullptr);
  MessageBoxSeen ask, done;
  AnswerMessageBox(ask, IDYES, L"スタートアップ");
  AnswerMessageBox(done, IDOK, L"登録完了");
  Click(kCmdStartUp);
  ASSERT_TRUE(PumpUntil([&] { return !done.caption.empty() && !FindMessageBox(); }));
  EXPECT_EQ(ask.texts, (std::vector<std::wstring>{L"スタートアップに登録されていません。\r\n登録しますか？"}));
  EXPECT_TRUE(testing::Exists(startup / u"Mallowquist.lnk"));

  // Cancelling the dialog does not undo the registration.
  Click(kCmdCancel);
  ASSERT_TRUE(PumpUntil(Gone));
  EXPECT_TRUE(testing::Exists(startup / u"Mallowquist.lnk"));

  ASSERT_NE(Open(), nullptr);
  MessageBoxSeen askDelete, deleted;
  AnswerMessageBox(askDelete, IDYES, L"スタートアップ");
  AnswerMessageBox(deleted, IDOK, L"削除完了");
  Click(kCmdStartUp);
  ASSERT_TRUE(PumpUntil([&] { return !deleted.caption.empty() && !FindMessageBox(); }));
  EXPECT_EQ(askDelete.texts, (std::vector<std::wstring>{L"スタートアップに登録されています。\r\n削除しますか？"}));
  EXPECT_FALSE(testing::Exists(startup / u"Mallowquist.lnk"));
  EXPECT_FALSE(Gone());
}

// ---- the entry dialog on its own -------------------------------------------

class TextInputDialogTest : public SettingDialogTest {
 protected:
  static HWND Entry() { return FindOurWindow(kTextInputDialogClassName); }
  static HWND Box() { return GetDlgItem(Entry(), text_input_ids::kTxtFixedText); }

  // Shows the entry dialog modally; `drive` runs once it is there.
  void RunEntry(const std::u16string& initial, std::function<void()> drive) {
    bool driven = false;
    Soon([&] {
      if (!Entry() || !IsWindowVisible(Entry())) return false;
      drive();
      driven = true;
      return true;
    });
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr,
                                 AppInstance(), nullptr);
    entered = AskFixedString(owner, icons, initial);
    DestroyWindow(owner);
    EXPECT_TRUE(driven);
    EXPECT_EQ(Entry(), nullptr);
  }

  std::optional<std::u16string> entered;
};

TEST_F(TextInputDialogTest, LayoutTabOrderAndFocus) {
  RunEntry(u"initial", [] {
    HWND entry = Entry();
    ExpectDialogFrame(entry, L"Mallowquist - 固定文字入力", 333, 173);
    ExpectControls(entry, {
                              {text_input_ids::kTxtFixedText, L"Edit", L"initial", 4, 4, 325, 129},
                              {IDOK, L"Button", L"OK", 168, 136, 81, 33},
                              {IDCANCEL, L"Button", L"キャンセル", 248, 136, 81, 33},
                          });
    const LONG style = GetWindowLongW(Box(), GWL_STYLE);
    EXPECT_EQ(style & (ES_MULTILINE | WS_HSCROLL | WS_VSCROLL), ES_MULTILINE | WS_HSCROLL | WS_VSCROLL);
    EXPECT_EQ(TabOrder(entry), (std::vector<int>{text_input_ids::kTxtFixedText, IDCANCEL, IDOK}));
    EXPECT_EQ(GetFocus(), Box());
    PostMessageW(entry, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
}

TEST_F(TextInputDialogTest, TabAndShiftTabLeaveTheTextBoxAndOkKeepsTheDefaultLook) {
  using text_input_ids::kTxtFixedText;
  TabRound round;
  std::wstring textAfter;
  RunEntry(u"two\r\nlines", [&] {
    PressTabs(Entry(), {false, false, false, true, true, true, true}, round, [&] {
      textAfter = WindowTextOf(Box());
      PostMessageW(Entry(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
  });
  EXPECT_EQ(round.focus,
            (std::vector<int>{kTxtFixedText, IDCANCEL, IDOK, kTxtFixedText, IDOK, IDCANCEL, kTxtFixedText, IDOK}));
  EXPECT_EQ(round.looksDefault, (std::vector<int>{IDOK, IDCANCEL, IDOK, IDOK, IDOK, IDCANCEL, IDOK, IDOK}));
  EXPECT_EQ(Utf8(textAfter), "two\r\nlines");
}

TEST_F(TextInputDialogTest, EnterConfirmsAndCtrlEnterTypesALineBreak) {
  RunEntry(u"", [] {
    SetWindowTextW(Box(), L"a");
    SendMessageW(Box(), EM_SETSEL, 1, 1);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(Box(), WM_KEYDOWN, VK_RETURN, 0);
    Soon([] {
      BYTE keys[256];
      GetKeyboardState(keys);
      keys[VK_CONTROL] = 0;
      SetKeyboardState(keys);
      SendMessageW(Box(), WM_CHAR, L'b', 0);
      PostMessageW(Box(), WM_KEYDOWN, VK_RETURN, 0);
      return true;
    });
  });
  EXPECT_EQ(entered, u"a\r\nb");
}

TEST_F(TextInputDialogTest, EveryCloseOtherThanOkEntersNothing) {
  const std::vector<std::pair<const char*, std::function<void()>>> closers{
      {"cancel button", [] { PostMessageW(Entry(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }},
      {"Esc", [] { PostMessageW(Box(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close box", [] { PostMessageW(Entry(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& [name, close] : closers) {
    SCOPED_TRACE(name);
    RunEntry(u"unchanged", [&close] {
      SetWindowTextW(Box(), L"edited");
      close();
    });
    EXPECT_FALSE(entered.has_value());
  }
  RunEntry(u"unchanged", [] { PostMessageW(Entry(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
  EXPECT_EQ(entered, u"unchanged");
  RunEntry(u"", [] { PostMessageW(Entry(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
  EXPECT_EQ(entered, u"");
}

TEST_F(TextInputDialogTest, CharactersTheCodePageLacksAreNamedAndGivenUpOnlyWhenTheUserAgrees) {
  MessageBoxSeen goBack, saveAnyway;
  bool openAfterNo = false;
  std::wstring textAfterNo;
  RunEntry(u"", [&] {
    SetWindowTextW(Box(), L"A🙂B한C");
    AnswerMessageBox(goBack, IDNO);
    PostMessageW(Entry(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Soon([&] {
      if (goBack.caption.empty() || FindMessageBox()) return false;
      openAfterNo = Entry() != nullptr;
      textAfterNo = WindowTextOf(Box());
      AnswerMessageBox(saveAnyway, IDYES);
      PostMessageW(Entry(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return true;
    });
  });
  EXPECT_EQ(goBack.caption, L"Mallowquist");
  std::wstring said;
  for (const std::wstring& text : goBack.texts) said += text;
  EXPECT_NE(said.find(L"「🙂」 U+1F642"), std::wstring::npos) << Utf8(said);  // the rest: the unit tests
  // "No" goes back to the text as it was typed.
  EXPECT_TRUE(openAfterNo);
  EXPECT_EQ(Utf8(textAfterNo), "A🙂B한C");
  // "Yes" gives back what the file will hold.
  EXPECT_FALSE(saveAnyway.caption.empty());
  EXPECT_EQ(entered, u"A??B?C");

  // Japanese is held by the code page: nothing is asked.
  MessageBoxSeen unexpected;
  AnswerMessageBox(unexpected, IDYES);
  RunEntry(u"日本語\r\n～①ｶﾅ", [] { PostMessageW(Entry(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
  EXPECT_EQ(entered, u"日本語\r\n～①ｶﾅ");
  EXPECT_TRUE(unexpected.caption.empty());
}

}  // namespace
}  // namespace quistrel
