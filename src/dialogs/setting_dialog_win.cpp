#include "dialogs/setting_dialog.h"

#include <algorithm>
#include <string>

#include "core/settings_files_win.h"
#include "core/startup_registration.h"
#include "dialogs/setting_edit.h"
#include "dialogs/text_input_dialog.h"
#include "platform/message_box.h"

namespace quistrel {

namespace {

using namespace setting_ids;

constexpr wchar_t kLogNumFontFace[] = L"ＭＳ Ｐゴシック";
constexpr double kLogNumFontPoints = 11.25;
constexpr wchar_t kLogNumOutOfRangeText[] = L"ログ数が不正です。";

constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheckBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;

}  // namespace

Form::Frame SettingDialog::Describe() const {
  Frame frame{kSettingDialogClassName, L"Mallowquist - 設定", 285, 276};
  frame.taskbarButton = false;
  return frame;
}

void SettingDialog::OnCommand(int id, int code, HWND) {
  switch (id) {
    case kCmdStartUp:
      if (code == BN_CLICKED) OnStartUp();
      break;
    case kLstFixedText:
      if (code == LBN_SELCHANGE) OnFixedLineSelected();
      break;
    case kCmdFixedAdd:
    case kCmdFixedChange:
    case kCmdFixedDelete:
      if (code == BN_CLICKED) OnFixedEdit(id - kCmdFixedAdd);
      break;
    case kCmdOK:
      if (code == BN_CLICKED) OnOk();
      break;
    case kCmdCancel:
      if (code == BN_CLICKED) Unload();
      break;
    default: break;
  }
}

LRESULT SettingDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VSCROLL && reinterpret_cast<HWND>(lParam) == Item(kVscLogNum)) {
    ScrollLogNum(LOWORD(wParam));
    return 0;
  }
  return Form::HandleMessage(message, wParam, lParam);
}

void SettingDialog::OnLoad() {
  ShowProgramIcon(icons_);
  program_.SettingDialogOpen = true;
  CreateControls();
  EnableWindow(Item(kChkBalloon), balloonCapable_ ? TRUE : FALSE);
  editSetting_ = program_.Setting;
  ShowLogNum(DisplayedLogNum(editSetting_.ClipBoardLog));
  SetCheck(kChkViewHello, ShownAsCheckedNonZero(editSetting_.ViewHello));
  SetCheck(kChkBalloon, ShownAsCheckedExactlyOne(editSetting_.ViewBalloon));
  SetCheck(kChkPaste, ShownAsCheckedExactlyOne(editSetting_.AutoPaste));
  FillFixedList();
}

void SettingDialog::OnUnload() {
  program_.SettingDialogOpen = false;
  editSetting_ = SettingRecord();
}

void SettingDialog::CreateControls() {
  HWND startUp = AddControl(L"Button", L"スタートアップ設定", kButton, 4, 4, 121, 25, kCmdStartUp);
  SetTooltip(startUp, L"スタートアップの設定・設定解除を行います。");
  AddControl(L"Static", L"Windows起動時に本ソフトを起動するか設定します。", kLabel, 128, 4, 153, 25, kLabelStartUp);

  HWND clipboard = AddControl(L"Button", L"クリップボード", BS_GROUPBOX, 4, 36, 277, 49, kFrameClipboard);
  AddControl(L"Static", L"ログの最大数", kLabel, 8, 16, 77, 13, kLabelLogNum, clipboard);
  HWND logNum =
      AddControl(L"Edit", L"", ES_AUTOHSCROLL | WS_TABSTOP, 88, 16, 33, 22, kTxtLogNum, clipboard, WS_EX_CLIENTEDGE);
  SetControlFont(logNum, {kLogNumFontFace, kLogNumFontPoints});
  SetTooltip(logNum, L"クリップボードにコピーされた文字の履歴を幾つまで記憶するか設定します。");
  HWND spin = AddControl(L"ScrollBar", L"", SBS_VERT | WS_TABSTOP, 120, 16, 17, 21, kVscLogNum, clipboard);
  SetScrollRange(spin, SB_CTL, ScrollPosForLogNum(kMaxLogNum), ScrollPosForLogNum(kMinLogNum), FALSE);
  AddControl(L"Static", L"件", kLabel, 140, 28, 17, 13, kLabelCount, clipboard);

  HWND fixed = AddControl(L"Button", L"固定文字", BS_GROUPBOX, 4, 88, 277, 97, kFrameFixed);
  HWND list = AddControl(L"ListBox", L"", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, 8, 16, 85, 76,
                         kLstFixedText, fixed, WS_EX_CLIENTEDGE);
  SetTooltip(list, L"設定された固定文字の一覧です。");
  HWND preview = AddControl(L"Edit", L"", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, 96, 16, 129, 77,
                            kTxtFixedText, fixed, WS_EX_CLIENTEDGE);
  SendMessageW(preview, EM_SETLIMITTEXT, 0, 0);
  SetTooltip(preview, L"選択した固定文字のプレビューです。");
  HWND add = AddControl(L"Button", L"追加", kButton, 228, 32, 41, 21, kCmdFixedAdd, fixed);
  SetTooltip(add, L"固定文字を追加します。");
  HWND change = AddControl(L"Button", L"変更", kButton, 228, 52, 41, 21, kCmdFixedChange, fixed);
  SetTooltip(change, L"固定文字を変更します。");
  HWND remove = AddControl(L"Button", L"削除", kButton, 228, 72, 41, 21, kCmdFixedDelete, fixed);
  SetTooltip(remove, L"固定文字を削除します。");

  HWND viewHello =
      AddControl(L"Button", L"起動時にようこそメッセージを表示する", kCheckBox, 4, 188, 277, 13, kChkViewHello);
  SetTooltip(viewHello, L"ソフトが起動した時にようこそメッセージが表示されるかを設定します。");
  HWND balloon =
      AddControl(L"Button", L"アイコン表示時にメッセージを表示する", kCheckBox, 4, 204, 277, 13, kChkBalloon);
  SetTooltip(balloon, L"タスクアイコンが表示された時にメッセージが表示されるかを設定します。");
  HWND paste = AddControl(L"Button", L"選択と同時に貼り付けを行う", kCheckBox, 4, 220, 277, 13, kChkPaste);
  SetTooltip(paste,
             L"切り替え画面で、文字を選択した時に同時に貼り付け動作を行います。"
             L"(マウス操作では上手く行かない事があります)");
  HWND ok = AddControl(L"Button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 120, 240, 81, 33, kCmdOK);
  SetTooltip(ok, L"設定を反映し、この画面を閉じます。");
  HWND cancel = AddControl(L"Button", L"キャンセル", kButton, 200, 240, 81, 33, kCmdCancel);
  SetTooltip(cancel, L"設定を反映させずにこの画面を閉じます。");

  SetTabOrder({startUp, logNum, spin, list, preview, add, change, remove, viewHello, balloon, ok, cancel, paste});
}

void SettingDialog::SetCheck(int id, bool checked) {
  CheckDlgButton(Handle(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}
int32_t SettingDialog::CheckState(int id) const { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED ? 1 : 0; }

void SettingDialog::ShowLogNum(int logNum) {
  SetScrollPos(Item(kVscLogNum), SB_CTL, ScrollPosForLogNum(logNum), TRUE);
  ShowSpinValue();
}

// The spin control moves one step per arrow (and per click beside the
// arrows); only a real change of its value rewrites the text box.
void SettingDialog::ScrollLogNum(int request) {
  HWND spin = Item(kVscLogNum);
  SCROLLINFO info{sizeof info, SIF_POS | SIF_TRACKPOS};
  GetScrollInfo(spin, SB_CTL, &info);
  int position = info.nPos;
  switch (request) {
    case SB_LINEUP:
    case SB_PAGEUP: --position; break;
    case SB_LINEDOWN:
    case SB_PAGEDOWN: ++position; break;
    case SB_TOP: position = ScrollPosForLogNum(kMaxLogNum); break;
    case SB_BOTTOM: position = ScrollPosForLogNum(kMinLogNum); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    default: return;
  }
  position = std::clamp(position, ScrollPosForLogNum(kMaxLogNum), ScrollPosForLogNum(kMinLogNum));
  if (position == info.nPos) return;
  SetScrollPos(spin, SB_CTL, position, TRUE);
  ShowSpinValue();
}

void SettingDialog::ShowSpinValue() {
  const int logNum = LogNumForScrollPos(GetScrollPos(Item(kVscLogNum), SB_CTL));
  SetWindowTextW(Item(kTxtLogNum), std::to_wstring(logNum).c_str());
}

int32_t SettingDialog::SelectedLine() const {
  if (!IsLoaded()) return -1;
  const LRESULT line = SendMessageW(Item(kLstFixedText), LB_GETCURSEL, 0, 0);
  return line == LB_ERR ? -1 : static_cast<int32_t>(line);
}

void SettingDialog::OnFixedLineSelected() {
  const int32_t line = SelectedLine();
  if (line < 0) return;
  SetWindowTextW(Item(kTxtFixedText), Wide(editSetting_.FixedString.Item(line).str()));
}

void SettingDialog::FillFixedList() {
  HWND list = Item(kLstFixedText);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const int32_t last = editSetting_.FixedString.LastIndex();
  for (int32_t i = 0; i <= last; ++i) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(editSetting_.FixedString.Item(i).str())));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void SettingDialog::OnFixedEdit(int button) {
  const FixedEditHost host{[this] { return SelectedLine(); },
                           [this](const std::u16string& initial) { return AskFixedString(Handle(), icons_, initial); }};
  const ListRefresh refresh = EditFixedString(static_cast<FixedEdit>(button), editSetting_.FixedString, host);
  // The dialog may have been unloaded while the entry dialog was open.
  if (!IsLoaded()) return;
  if (refresh == ListRefresh::RebuildAndClearPreview) SetWindowTextW(Item(kTxtFixedText), L"");
  if (refresh != ListRefresh::None) FillFixedList();
}

void SettingDialog::OnOk() {
  const CheckStates checks{CheckState(kChkViewHello), CheckState(kChkBalloon), CheckState(kChkPaste)};
  if (!CommitSettings(editSetting_, FromWide(ItemText(kTxtLogNum)), checks, program_.Setting)) {
    ShowMessageBox(Handle(), kLogNumOutOfRangeText, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  // Saved at once, so that fixed strings typed in survive an end of the
  // program that never reaches the save at shutdown. The user who asked for
  // the save hears when it failed (the settings stay in memory), and where
  // the file edited meanwhile in another program went; the boxes come after
  // the save, so that nothing waits on them.
  const SaveResult saved = SaveSettings(program_);
  if (!saved) ShowMessageBox(Handle(), Wide(NotSavedText(saved, program_.AppFolder)), MB_OK | MB_ICONEXCLAMATION);
  if (!saved.fixedStringsKeptAs.empty()) {
    ShowMessageBox(Handle(), Wide(FixedStringsKeptText(saved, program_.AppFolder)), MB_OK | MB_ICONEXCLAMATION);
  }
  Unload();
}

void SettingDialog::OnStartUp() {
  const StartupFolders folders{program_.AppFolder, program_.StartupFolder};
  if (StartupLinkExists(folders)) {
    UnregisterStartup(Handle(), folders);
  } else {
    RegisterStartup(Handle(), folders);
  }
}

void SettingDialog::Open(HWND owner) {
  if (owner) {
    ShowModal(owner);
  } else {
    ShowModeless();
  }
}

}  // namespace quistrel
