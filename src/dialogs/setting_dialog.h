// frmSetting: the settings dialog. It edits a working copy of the program's
// settings and commits it whole on OK; Cancel, Esc and the close box drop it.
#pragma once

#include <windows.h>

namespace quistrel {

inline constexpr wchar_t kSettingDialogClassName[] = L"Mallowquist.frmSetting";

// Without owner the dialog opens modeless, and a second request brings the
// open window forward without reloading it. With an owner it runs modally,
// owned by that window, and returns once it has closed.
void ShowSettingDialog(HWND owner);

// Control identifiers, fixed so that tests and drivers can address them.
namespace setting_ids {
constexpr int kCmdOK = IDOK;          // cmdOKCancel 0
constexpr int kCmdCancel = IDCANCEL;  // cmdOKCancel 1
constexpr int kCmdStartUp = 1101;
constexpr int kLabel2 = 1102;
constexpr int kFrameClipboard = 1103;  // Frame1 1
constexpr int kLabelLogNum = 1104;     // Label1 0
constexpr int kTxtLogNum = 1105;
constexpr int kVscLogNum = 1106;
constexpr int kLabelCount = 1107;      // Label1 1
constexpr int kFrameFixed = 1108;      // Frame1 2
constexpr int kLstFixedText = 1109;
constexpr int kTxtFixedText = 1110;
constexpr int kCmdFixedAdd = 1111;     // cmdFixedEdit 0
constexpr int kCmdFixedChange = 1112;  // cmdFixedEdit 1
constexpr int kCmdFixedDelete = 1113;  // cmdFixedEdit 2
constexpr int kChkViewHello = 1114;
constexpr int kChkBalloon = 1115;
constexpr int kChkPaste = 1116;
}  // namespace setting_ids

}  // namespace quistrel
