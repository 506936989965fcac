// The program icon at 16x16 (window captions and the tray) and at 48x48 (the
// version window), loaded once from the executable's resources.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace quistrel {

class ProgramIcons {
 public:
  // Loads both sizes of icon resource 1 of the module (the executable's own
  // when none is given).
  void Load(HINSTANCE module = nullptr);
  // Where loading failed, borrows the icons of the window's class instead;
  // borrowed handles are never destroyed here.
  void BorrowMissingFrom(HWND window);
  void Reset();

  HICON Small() const { return small_ ? small_.Get() : borrowedSmall_; }
  HICON Large() const { return large_ ? large_.Get() : borrowedLarge_; }

  // Gives a window's class the small icon.
  void SetWindowIcon(HWND window) const;
  // Draws the large icon at 48x48.
  void DrawLarge(HDC dc, int x, int y) const;

 private:
  UniqueIcon small_;
  UniqueIcon large_;
  HICON borrowedSmall_ = nullptr;
  HICON borrowedLarge_ = nullptr;
};

}  // namespace quistrel
