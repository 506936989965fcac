// Keeps the keyboard focus of a window with controls across activations, as
// a dialog box does: the control that had it gets it back, and at the first
// activation the first control of the tab order gets it.
#pragma once

#include <windows.h>

namespace quistrel {

class FocusKeeper {
 public:
  explicit FocusKeeper(int firstControlId) : firstControlId_(firstControlId) {}

  // A window loaded again starts over.
  void Reset() { last_ = nullptr; }

  // Call from WM_ACTIVATE.
  void OnActivate(HWND form, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
      HWND focus = GetFocus();
      if (focus && IsChild(form, focus)) last_ = focus;
      return;
    }
    HWND target = last_ && IsChild(form, last_) ? last_ : GetDlgItem(form, firstControlId_);
    if (target) SetFocus(target);
  }

 private:
  int firstControlId_;
  HWND last_ = nullptr;
};

}  // namespace quistrel
