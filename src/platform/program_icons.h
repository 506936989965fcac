// The program icon, small (window captions and the tray; 16x16 at 96 DPI)
// and large (the version window; 48x48 at 96 DPI), and the tray's icon while
// the recording is paused, loaded from the executable's resources at the
// size each DPI wants.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/handles.h"

namespace quistrel {

class ProgramIcons {
 public:
  // Loads both sizes of icon resource 1 of the module (the executable's own
  // when none is given) and the small one of resource 2 for the system's DPI.
  void Load(HINSTANCE module = nullptr);
  // Where loading failed, borrows the icons of the window's class instead;
  // borrowed handles are never destroyed here.
  void BorrowMissingFrom(HWND window);
  void Reset();

  HICON Small() const { return small_ ? small_.Get() : borrowedSmall_; }
  HICON Large() const { return large_ ? large_.Get() : borrowedLarge_; }
  // The small icon where the paused one cannot be loaded.
  HICON SmallPaused() const { return smallPaused_ ? smallPaused_.Get() : Small(); }

  // Gives a window's class the small icon at the size for `dpi`.
  void SetWindowIcon(HWND window, UINT dpi) const;
  // Draws the large icon at the size for `dpi`.
  void DrawLarge(HDC dc, int x, int y, UINT dpi) const;

 private:
  // The icon at size x size pixels, loaded at the first request; `fallback`
  // where the resource cannot be loaded.
  HICON AtSize(int size, HICON fallback) const;

  HINSTANCE module_ = nullptr;
  UniqueIcon small_;
  UniqueIcon large_;
  UniqueIcon smallPaused_;
  HICON borrowedSmall_ = nullptr;
  HICON borrowedLarge_ = nullptr;
  mutable std::vector<std::pair<int, UniqueIcon>> otherSizes_;
};

}  // namespace quistrel
