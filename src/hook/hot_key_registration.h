// The two global hot keys, registered with the system for the hidden main
// window; what they are and what the user is told is in hot_keys.h.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quistrel {

// Win+C and Win+Alt+C, the second way in: keys typed into a window of higher
// rights never reach the keyboard hook, but these do. A combination taken by
// another program is reported in a message box, unless the keyboard hook
// holds the keys anyway; the program goes on without it.
class HotKeys {
 public:
  HotKeys() = default;
  ~HotKeys() { Unregister(); }
  HotKeys(const HotKeys&) = delete;
  HotKeys& operator=(const HotKeys&) = delete;

  void Register(HWND window, bool keyboardHookInstalled);
  void Unregister();
  int32_t DownKeyId() const { return downKey_; }
  int32_t UpKeyId() const { return upKey_; }

 private:
  HWND window_ = nullptr;
  int32_t downKey_ = 0;
  int32_t upKey_ = 0;
};

}  // namespace quistrel
