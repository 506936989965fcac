// frmSetting: the settings dialog. It edits a working copy of the program's
// settings and commits it whole on OK; Cancel, Esc and the close box drop it.
#pragma once

#include <windows.h>

#include "core/program_state.h"
#include "core/settings.h"
#include "platform/form.h"
#include "platform/program_icons.h"

namespace quistrel {

inline constexpr wchar_t kSettingDialogClassName[] = L"Mallowquist.frmSetting";

// Control identifiers, fixed so that tests and drivers can address them.
namespace setting_ids {
constexpr int kCmdOK = IDOK;          // cmdOKCancel 0
constexpr int kCmdCancel = IDCANCEL;  // cmdOKCancel 1
constexpr int kCmdStartUp = 1101;
constexpr int kLabelStartUp = 1102;  // explains the start-up button
constexpr int kFrameClipboard = 1103;
constexpr int kLabelLogNum = 1104;
constexpr int kTxtLogNum = 1105;
constexpr int kVscLogNum = 1106;
constexpr int kLabelCount = 1107;
constexpr int kFrameFixed = 1108;
constexpr int kLstFixedText = 1109;
constexpr int kTxtFixedText = 1110;
constexpr int kCmdFixedAdd = 1111;     // cmdFixedEdit 0
constexpr int kCmdFixedChange = 1112;  // cmdFixedEdit 1
constexpr int kCmdFixedDelete = 1113;  // cmdFixedEdit 2
constexpr int kChkViewHello = 1114;
constexpr int kChkBalloon = 1115;
constexpr int kChkPaste = 1116;
}  // namespace setting_ids

class SettingDialog final : public Form {
 public:
  SettingDialog(ProgramState& program, const ProgramIcons& icons) : program_(program), icons_(icons) {}

  // Without owner the dialog opens modeless, and a second request brings the
  // open window forward without reloading it. With an owner it runs modally,
  // owned by that window, and returns once it has closed.
  void Open(HWND owner);
  // Whether the shell shows balloons: the balloon check box is disabled
  // where it does not.
  void SetBalloonCapable(bool capable) { balloonCapable_ = capable; }

 protected:
  Frame Describe() const override;
  void OnLoad() override;
  void OnUnload() override;
  void OnCommand(int id, int code, HWND control) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls();
  void SetCheck(int id, bool checked);
  int32_t CheckState(int id) const;
  void ShowLogNum(int logNum);
  void ScrollLogNum(int request);
  void ShowSpinValue();
  int32_t SelectedLine() const;
  void OnFixedLineSelected();
  void FillFixedList();
  void OnFixedEdit(int button);
  void OnOk();
  void OnStartUp();

  ProgramState& program_;
  const ProgramIcons& icons_;
  bool balloonCapable_ = false;
  SettingRecord editSetting_;  // the working copy, committed whole on OK
};

}  // namespace quistrel
