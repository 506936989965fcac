// The hidden main window's place in the clipboard-viewer chain, its
// replacement window procedure and the two global hot keys.
#pragma once

#include <windows.h>

#include <atomic>

#include "hook/hook_procedure.h"
#include "hook/key_gesture.h"
#include "platform/handles.h"

namespace quistrel {

class KeyboardHook;

// Subclasses one window: every message goes through HandleHookMessage first
// and then, always, on to the window's own procedure.
class MessageHook final : private ViewerChain {
 public:
  explicit MessageHook(HookTarget& target) : target_(target) {}
  ~MessageHook() override { Remove(); }
  MessageHook(const MessageHook&) = delete;
  MessageHook& operator=(const MessageHook&) = delete;

  // The registered messages the procedure tells apart.
  void SetHotKeyIds(int32_t downKeyId, int32_t upKeyId);
  void SetTrayMessages(UINT callbackMessage, UINT taskbarCreatedMessage);
  // The keyboard hook whose reports the window receives.
  void SetKeyboardHook(KeyboardHook& keyboard);

  // Hears of clipboard changes through the system's clipboard format
  // listener where it exists (Windows Vista and later): nothing is forwarded
  // then, and no other program stands in between. Otherwise the window joins
  // the clipboard-viewer chain.
  void ListenToClipboard(HWND window);
  // The viewer chain alone, as on a system without the listener.
  void JoinClipboardChain(HWND window);
  // Removes the listener, or leaves the chain with it repaired.
  void StopListening();
  bool UsesListener() const { return listener_ != nullptr; }

  void Install(HWND window);
  void Remove();

  HWND NextViewer() const { return reinterpret_cast<HWND>(state_.nextViewer); }

 private:
  void LeaveClipboardChain();
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  void Forward(uintptr_t nextViewer, uint32_t message, uintptr_t wParam, intptr_t lParam) override;

  HookTarget& target_;
  HookState state_;
  HWND viewer_ = nullptr;     // the window that joined the chain
  HWND listener_ = nullptr;   // the window registered as a format listener
  HWND installed_ = nullptr;  // the subclassed window
  KeyboardHook* keyboard_ = nullptr;
  UINT timingQuery_ = 0;
};

// The low-level keyboard hook that owns Win+C and Win+Alt+C, on a thread of
// its own that does nothing but pump the hook's messages: a hook on the
// user-interface thread would hold up every key of the whole system while
// that thread waits or shows a modal box, and Windows drops a hook that
// answers late without a word. The thread only decides and posts; the
// user-interface thread acts.
class KeyboardHook {
 public:
  KeyboardHook() = default;
  ~KeyboardHook() { Stop(); }
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Installs the hook reporting to the window; true once it is in place.
  bool Start(HWND window);
  void Stop();
  bool Installed() const { return installed_; }

  // The hook's own time per key, for the benchmark: the longest since the
  // last reset, in tenths of a microsecond, and the keys seen.
  uint32_t LongestTenthsOfMicrosecond() const;
  uint32_t KeysSeen() const { return keysSeen_; }
  void ResetTiming();
  // Kept by the window's own thread as the window shows and hides: the
  // hook asks no window of that thread, which may hold the process's
  // window lock for a long while.
  void SetSelectorShown(bool shown) { selectorShown_ = shown; }

 private:
  static DWORD WINAPI Run(void* self);
  static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam);
  LRESULT OnKey(int code, WPARAM wParam, LPARAM lParam);
  void WatchWinKeys();
  void CheckWinKeys();

  static std::atomic<KeyboardHook*> active_;  // the one hook of the process
  HWND window_ = nullptr;
  UniqueKernelObject thread_;
  DWORD threadId_ = 0;
  UniqueKernelObject ready_;
  std::atomic<bool> installed_ = false;
  std::atomic<bool> selectorShown_ = false;
  KeyGesture gesture_;  // the hook thread's alone, as are the two below
  bool watching_ = false;
  UINT_PTR watchTimer_ = 0;
  std::atomic<int64_t> longestTicks_ = 0;
  std::atomic<uint32_t> keysSeen_ = 0;
  int64_t ticksPerSecond_ = 1;
};

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
