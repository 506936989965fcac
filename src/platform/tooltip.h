// Tooltips for the controls of a window.
#pragma once

#include <windows.h>

#include <string>

namespace quistrel {

class Tooltips {
 public:
  // Adds a tooltip for a control of `owner`; the tooltip window is made at the
  // first call and goes with its owner.
  void Add(HWND owner, HWND control, const std::wstring& text);
  void Forget() { tooltip_ = nullptr; }

 private:
  HWND tooltip_ = nullptr;
};

}  // namespace quistrel
