// Start-up and the orderly end of the program, the program folders and the
// program icons.
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace quistrel {

// The program icon at 16x16 (also the tray icon) and at 48x48. A handle the
// program loaded itself is destroyed at the end; one borrowed from a window
// (when loading failed) is not.
struct AppIconPair {
  HICON Small() const { return small_ ? small_.Get() : borrowedSmall; }
  HICON Large() const { return large_ ? large_.Get() : borrowedLarge; }
  UniqueIcon small_;
  UniqueIcon large_;
  HICON borrowedSmall = nullptr;
  HICON borrowedLarge = nullptr;
};
AppIconPair& AppIcons();

// The file-system path of a special folder (CSIDL), or the empty text.
std::u16string GetSpecialFolder(HWND owner, int folderId);
// The folder of the running executable, ending in a backslash.
std::u16string ExecutableFolder();

// Gives a window's class the small program icon.
void SetWindowIcon(HWND window);
// Draws the large program icon at 48x48.
void DrawAppIcon(HDC dc, int x, int y);

// Starts the program: refuses a second instance, resolves the folders, runs
// Initialize and loads the hidden selector window. False when the program
// should end at once.
bool Main();
void Initialize();
// Saves the settings, frees the icons and unloads every window.
void Shutdown();

// The message shown when the program is already running.
inline constexpr wchar_t kAlreadyRunningText[] = L"既に起動済みです。";
inline constexpr wchar_t kProgramTitle[] = L"Mallowquist";

}  // namespace quistrel
