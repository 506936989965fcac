// Message boxes: the program speaks to the user only through these, under its
// own title unless a box has a title of its own.
#pragma once

#include <windows.h>

namespace quistrel {

inline constexpr wchar_t kProgramTitle[] = L"Mallowquist";

inline int ShowMessageBox(HWND owner, const wchar_t* text, UINT flags) {
  return MessageBoxW(owner, text, kProgramTitle, flags);
}

}  // namespace quistrel
