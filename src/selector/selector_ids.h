// Control and menu identifiers of the selector window, fixed so that tests
// and the tray menu can address them.
#pragma once

namespace quistrel::selector_ids {

constexpr int kOptHistory = 1000;     // optType button 0
constexpr int kOptFixed = 1001;       // optType button 1
constexpr int kListClipBoard = 1002;  // lstClipBoard
constexpr int kTextPreview = 1003;    // txtPreview

constexpr int kMenuOpen = 101;     // mnuOpen
constexpr int kMenuSetting = 102;  // mnuSetting
constexpr int kMenuAbout = 103;    // mnuAbout
constexpr int kMenuPause = 104;    // the recording's pause, checked while paused
constexpr int kMenuEnd = 105;      // mnuEnd

}  // namespace quistrel::selector_ids
