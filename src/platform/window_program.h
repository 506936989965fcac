// Which program made a window: the clipboard's owner is asked for before a
// read, so that the copies of programs the user named stay out of the
// history.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quistrel {

// The full path of the executable whose process made the window, as Windows
// names it (C:\Program Files\...\KeePass.exe); nothing when the window is
// gone or its process cannot be asked.
std::optional<std::u16string> ProgramPathOfWindow(HWND window);

}  // namespace quistrel
