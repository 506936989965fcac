#include "dialogs/hello_window.h"

#include <algorithm>
#include <iterator>

#include "dialogs/welcome_choice.h"
#include "platform/handles.h"
#include "platform/look_win.h"

namespace quistrel {

namespace {
constexpr int kClientWidth = 509;
constexpr int kClientHeight = 354;

using namespace hello_ids;

struct LabelText {
  int id;
  int x, y, width, height;
  const wchar_t* text;
  int frame = 0;  // the frame the label sits in, 0 for the window itself
};

struct FrameText {
  int id;
  int x, y, width, height;
  const wchar_t* caption;
};

constexpr FrameText kFrames[] = {
    {kDownKeyFrame, 4, 52, 165, 73, L"[Win+C]、[↓]"},
    {kUpKeyFrame, 172, 52, 165, 73, L"[Win+Alt+C]、[↑]"},
    {kSwitchListFrame, 340, 52, 165, 73, L"[Shift]、[←]、[→]"},
};

constexpr LabelText kLabels[] = {
    {kGreetingLabel, 4, 4, 497, 41,
     L"Mallowquistをご利用頂き、ありがとうございます。\r\n"
     L"本ソフトは、クリップボードのテキストを、ショートカットキーを使って簡単に切り替えるソフトです。\r\n"
     L"キーの組み合わせについては、以下をご覧下さい。"},
    {kDownKeyLabel, 4, 16, 157, 53,
     L"切り替え画面を表示し、リストの選択を一つ下へ進めます。\r\n"
     L"切り替え画面表示中は、↓キーでも同様です。",
     kDownKeyFrame},
    {kUpKeyLabel, 4, 16, 157, 53,
     L"切り替え画面を表示し、リストの選択を一つ上へ進めます。\r\n"
     L"切り替え画面表示中は、↑キーでも同様です。",
     kUpKeyFrame},
    {kSwitchListLabel, 4, 16, 157, 41,
     L"（切り替え画面表示中）\r\n"
     L"クリップボードのログか、設定した固定文字かを切り替えます。",
     kSwitchListFrame},
    {kWinKeyNoteLabel, 140, 128, 365, 17, L"※『Win』　とは、Windowsロゴの入ったキーの事です。"},
    {kReadmeNoteLabel, 140, 140, 365, 17, L"※キーの組み合わせについては、Readme.txtにも記述されています。"},
    {kMouseNoteLabel, 140, 152, 365, 17, L"※マウスでも操作可能です。タスクアイコンをクリックして下さい。"},
    {kExampleLabel, 4, 172, 501, 53,
     L"例：クリップボードにコピーしてあった文字を選択\r\n"
     L"・Win＋Cキーを押します。\r\n"
     L"・Winキーを押したまま、Cキーを何度か押して、目的の文字を選択します。\r\n"
     L"・Winキーを離せば、切り替え画面が消えて、目的の文字がクリップボードにコピーされます。"},
    {kSetUpLabel, 4, 232, 497, 41,
     L"Mallowquistの設定をして下さい。\r\n"
     L"設定画面では、クリップボードのログを保持しておく数や、固定文字を設定することが出来ます。\r\n"
     L"設定画面は、今後もタスクアイコンから表示させることが出来ます。"},
};

// The etched separator between the example and the set-up request.
constexpr int kLineLeft = 4;
constexpr int kLineRight = 504;
constexpr int kLineShadowY = 227;
constexpr int kLineLightY = 228;

bool IsLabel(HWND control) {
  const int id = GetDlgCtrlID(control);
  return std::any_of(std::begin(kLabels), std::end(kLabels), [id](const LabelText& l) { return l.id == id; });
}

// A line one pixel high at 96 DPI, as thick as the DPI makes it.
void FillLine(HDC dc, const RECT& line, COLORREF colour) {
  UniqueBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &line, brush.Get());
}
}  // namespace

Form::Frame HelloWindow::Describe() const {
  Frame frame{kHelloClassName, L"Mallowquist - ようこそ！", kClientWidth, kClientHeight};
  frame.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;  // no system menu, so no close box either
  frame.taskbarButton = false;
  return frame;
}

void HelloWindow::OnLoad() {
  ShowProgramIcon(icons_);
  // Created first, in tab order, so the start button leads it.
  AddActingControls();
  AddTexts();
}

void HelloWindow::AddActingControls() {
  HWND startNow = AddControl(L"Button", L"今すぐMallowquistを利用する（設定完了）",
                             BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 8, 324, 493, 25, kCmdStartNow);
  SetTooltip(startNow, L"設定を完了し、本ソフトを起動します。");
  HWND setting = AddControl(L"Button", L"設定画面を開く", BS_PUSHBUTTON | WS_TABSTOP, 4, 284, 113, 33, kCmdSettingOpen);
  SetTooltip(setting, L"設定画面を開きます。");
  HWND about =
      AddControl(L"Button", L"バージョン情報", BS_PUSHBUTTON | WS_TABSTOP, 116, 284, 113, 33, kCmdSettingAbout);
  SetTooltip(about, L"バージョン情報を表示します。");
  HWND check = AddControl(L"Button", L"起動時にこのメッセージを表示する", BS_AUTOCHECKBOX | WS_TABSTOP, 284, 284, 217,
                          13, kChkViewHello);
  SetTooltip(check, L"ソフトが起動した時にこのメッセージが表示されるかを設定します。");
  SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
}

void HelloWindow::AddTexts() {
  for (const FrameText& f : kFrames) {
    AddControl(L"Button", f.caption, BS_GROUPBOX, f.x, f.y, f.width, f.height, f.id);
  }
  for (const LabelText& l : kLabels) {
    AddControl(L"Static", l.text, SS_LEFT | SS_NOPREFIX, l.x, l.y, l.width, l.height, l.id,
               l.frame != 0 ? Item(l.frame) : nullptr);
  }
}

bool HelloWindow::ViewHelloChecked() const {
  return SendMessageW(Item(hello_ids::kChkViewHello), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void HelloWindow::OnStartNow() {
  program_.Setting.ViewHello = ViewHelloForWelcomeBox(ViewHelloChecked());
  Unload();
}

void HelloWindow::OpenSettingDialog() {
  settingDialog_.Open(Handle());
  if (!IsLoaded()) return;
  // OK in the settings dialog may have changed the welcome option; cancel
  // puts back what the setting still says.
  SendMessageW(Item(hello_ids::kChkViewHello), BM_SETCHECK,
               WelcomeBoxCheckedFor(program_.Setting.ViewHello) ? BST_CHECKED : BST_UNCHECKED, 0);
}

void HelloWindow::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case hello_ids::kCmdStartNow: OnStartNow(); break;
    case hello_ids::kCmdSettingOpen: OpenSettingDialog(); break;
    case hello_ids::kCmdSettingAbout: aboutWindow_.Open(Handle()); break;
    default: break;
  }
}

void HelloWindow::DrawEtchedLine(HDC dc) const {
  FillLine(dc, Scale(RECT{kLineLeft, kLineShadowY, kLineRight, kLineShadowY + 1}),
           ColourOf(CurrentPalette().shadowLine));
  FillLine(dc, Scale(RECT{kLineLeft, kLineLightY, kLineRight, kLineLightY + 1}), ColourOf(CurrentPalette().lightLine));
}

LRESULT HelloWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Alt+F4 or a close from outside: ViewHello stays as it was. (Esc,
      // which arrives as IDCANCEL, does nothing: there is no cancel button.)
      Unload();
      return 0;
    case WM_CTLCOLORSTATIC:
      // Neighbouring notes overlap by a few pixels; transparent labels keep
      // each other's descenders.
      if (IsLabel(reinterpret_cast<HWND>(lParam))) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColourOf(CurrentPalette().faceText));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      }
      break;
    default: break;
  }
  return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace quistrel
