// The hidden main window's place in the clipboard-viewer chain, its
// replacement window procedure and the two global hot keys.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <memory>

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
// answers late without a word. The hook only decides; a courier thread
// carries out what it decided (the unassigned key, the reports to the
// window), so that the hook's answer waits for no call into the system.
class KeyboardHook {
 public:
  // The errands the hook may hand on before the courier takes them: should
  // the courier be stuck for that many, the newest are dropped.
  static constexpr std::size_t kErrandCapacity = 256;
  explicit KeyboardHook(std::size_t errandCapacity = kErrandCapacity) : errandCapacity_(errandCapacity) {}
  ~KeyboardHook() { Stop(); }
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Installs the hook reporting to the window; true once it is in place.
  bool Start(HWND window);
  // Removes the hook; threads that do not end in time end with the process,
  // holding on to what they use.
  void Stop();
  bool Installed() const;

  // The hook's own time per key, for the benchmark: the longest since the
  // last reset, in tenths of a microsecond, and the keys seen.
  uint32_t LongestTenthsOfMicrosecond() const;
  uint32_t KeysSeen() const;
  void ResetTiming();
  // Kept by the window's own thread as the window shows and hides: the
  // hook asks no window of that thread, which may hold the process's
  // window lock for a long while.
  void SetSelectorShown(bool shown);

  struct State;  // shared by the object and its two threads

 private:
  std::size_t errandCapacity_;
  std::shared_ptr<State> state_;
  UniqueKernelObject hookThread_;
  UniqueKernelObject courierThread_;
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
