// frmMain: the selector pop-up, which is also the program's hidden main window.
// Its load brings the program to life and its unload ends it.
#pragma once

#include <windows.h>

#include "platform/window.h"

namespace quistrel {

inline constexpr wchar_t kSelectorClassName[] = L"Mallowquist.frmMain";

class SelectorWindow final : public Window {
 public:
  static SelectorWindow& Instance();

  // Creates the window hidden and runs Form_Load.
  bool Load();
  // Unloads the window: Form_Unload runs and the program ends.
  void Unload() { Destroy(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  SelectorWindow() = default;
  void Form_Load();
  void Form_Unload();
  bool unloaded_ = false;
};

}  // namespace quistrel
