// frmTextInput: the modal editor for one fixed string. The text goes in and
// comes back through Program().InputText (see dialogs/text_input.h).
#pragma once

#include <windows.h>

namespace quistrel {

inline constexpr wchar_t kTextInputDialogClassName[] = L"Mallowquist.frmTextInput";

// Shows the dialog modally, owned by `owner`, opening with InputText; returns
// once it has closed, with the result in InputText.
void ShowTextInputDialog(HWND owner);

namespace text_input_ids {
constexpr int kCmdOK = IDOK;          // cmdOKCancel 0
constexpr int kCmdCancel = IDCANCEL;  // cmdOKCancel 1
constexpr int kTxtFixedText = 1201;
}  // namespace text_input_ids

}  // namespace quistrel
