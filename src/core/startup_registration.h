// Start at log-on: a shortcut "Mallowquist.lnk" in the user's Startup folder
// pointing at Quistrel.exe in the program folder. Each action asks the user
// first and reports its outcome in a message box owned by `owner`.
#pragma once

#include <windows.h>

namespace quistrel {

// True when the shortcut is there as an ordinary file (a hidden or system
// file, or a folder, counts as absent).
bool StartupLinkExists();
void RegisterStartup(HWND owner);
void UnregisterStartup(HWND owner);

}  // namespace quistrel
