// Start at log-on: a shortcut "Mallowquist.lnk" in the user's Startup folder
// pointing at Quistrel.exe in the program folder. Each action asks the user
// first and reports its outcome in a message box owned by `owner`.
#pragma once

#include <windows.h>

#include "core/startup_registration_flow.h"

namespace quistrel {

// True when the shortcut is there as an ordinary file (a hidden or system
// file, or a folder, counts as absent).
bool StartupLinkExists(const StartupFolders& folders);
void RegisterStartup(HWND owner, const StartupFolders& folders);
void UnregisterStartup(HWND owner, const StartupFolders& folders);

}  // namespace quistrel
