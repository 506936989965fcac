// The subclass of the program's hidden main window: its place in the
// clipboard-viewer chain and its replacement window procedure, which hands
// the messages to window_messages.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "hook/window_messages.h"

namespace quistrel {

class KeyboardHook;

// Subclasses one window: every message goes through HandleWindowMessage first
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

}  // namespace quistrel
