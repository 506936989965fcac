// What the selector window's replacement procedure does with the messages it
// reacts to. Every message is afterwards passed on to the replaced procedure;
// that part lives in the Win32 glue (message_hook_win.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/echo_filter.h"
#include "platform/mouse_button.h"

namespace quistrel {

inline constexpr uint32_t kWmActivate = 0x0006;
inline constexpr uint32_t kWmHotKey = 0x0312;
inline constexpr uint32_t kWmDrawClipboard = 0x0308;
inline constexpr uint32_t kWmChangeCbChain = 0x030D;
inline constexpr uint32_t kWmClipboardUpdate = 0x031D;
inline constexpr intptr_t kWmLButtonUp = 0x0202;
inline constexpr intptr_t kWmRButtonUp = 0x0205;

// What the program does for the messages of its hidden main window.
class HookTarget {
 public:
  virtual ~HookTarget() = default;
  virtual bool IsSelectorOpen() = 0;
  virtual void OpenSelector() = 0;
  virtual void CloseSelector(bool thenPaste) = 0;
  virtual void SelectDown() = 0;
  virtual void SelectUp() = 0;
  // The keyboard hook saw a key the selector acts on let go (it may show
  // without the activation and then hears no keys of its own).
  virtual void OnKeyReleased(uint16_t virtualKey, uint32_t time) = 0;
  // The clipboard's content changed (another program copied, or the
  // program's own commit).
  virtual void OnClipboardChanged() = 0;
  virtual void RestoreTrayIcon() = 0;
  virtual void OnTrayIconClick(MouseButton button) = 0;
};

// The program's neighbour in the clipboard-viewer chain.
class ViewerChain {
 public:
  virtual ~ViewerChain() = default;
  virtual void Forward(uintptr_t nextViewer, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

struct HookState {
  uintptr_t nextViewer = 0;  // the next window of the clipboard-viewer chain
  // While a notification is being forwarded, the next viewer may cause
  // another one; it is forwarded once afterwards instead of from within.
  bool forwarding = false;
  bool forwardAgain = false;
  int32_t downKeyId = 0;
  int32_t upKeyId = 0;
  uint32_t trayMessage = 0;
  uint32_t taskbarCreatedMessage = 0;
  // A press the hook took fires no hot key; should both still come (a hook
  // the system passed over for answering late), it moves the selection once.
  EchoFilter steps{kStepEchoMs};
  // Both reports of one press carry its time; no hand presses Win+C twice,
  // the second time inside a window of higher rights, this fast.
  static constexpr uint32_t kStepEchoMs = 50;
};

// Reacts to one message, received at `time` (the system's milliseconds); at
// most one case applies.
void HandleWindowMessage(HookState& state, HookTarget& target, ViewerChain& chain, uint32_t message, uintptr_t wParam,
                         intptr_t lParam, uint32_t time = 0);

}  // namespace quistrel
