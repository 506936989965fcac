// The modal editor for one fixed string.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "platform/program_icons.h"

namespace quistrel {

inline constexpr wchar_t kTextInputDialogClassName[] = L"Mallowquist.frmTextInput";

// Shows the dialog modally, owned by `owner`, opening on `initial`; returns
// the confirmed text (possibly empty), or nothing when it was cancelled or
// closed.
std::optional<std::u16string> AskFixedString(HWND owner, const ProgramIcons& icons, const std::u16string& initial);

namespace text_input_ids {
constexpr int kCmdOK = IDOK;          // cmdOKCancel 0
constexpr int kCmdCancel = IDCANCEL;  // cmdOKCancel 1
constexpr int kTxtFixedText = 1201;
}  // namespace text_input_ids

}  // namespace quistrel
