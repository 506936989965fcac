// What the low-level keyboard hook does with each key, apart from Windows.
// Win+C and Win+Alt+C belong to the program while it runs: Windows' own use
// of them, or another program's, never sees them. Every other key passes
// untouched.
#pragma once

#include <cstdint>

#include "platform/own_input.h"

namespace quistrel {

// The keys the hook tells apart, as the hook sees them (with their sides).
inline constexpr uint16_t kHookVkShift = 0x10, kHookVkEscape = 0x1B, kHookVkLeft = 0x25, kHookVkUp = 0x26,
                          kHookVkRight = 0x27, kHookVkDown = 0x28, kHookVkC = 0x43, kHookVkLWin = 0x5B,
                          kHookVkRWin = 0x5C, kHookVkLShift = 0xA0, kHookVkRShift = 0xA1, kHookVkLAlt = 0xA4,
                          kHookVkRAlt = 0xA5;
// Nothing is assigned to it: pressed while Win is down, it keeps the release
// of Win from opening the Start menu.
inline constexpr uint16_t kUnassignedVk = 0xE8;

struct HookKey {
  uint16_t virtualKey = 0;
  bool up = false;
  bool altDown = false;  // as the system flags the event (not every system does)
};

// What the user-interface thread is told.
enum class HookReport : uint8_t { None, StepDown, StepUp, Released };

struct HookVerdict {
  bool swallow = false;
  HookReport report = HookReport::None;
  uint16_t reportedKey = 0;  // for Released: the key as the selector's window would see it
  bool sendUnassigned = false;
};

// Asked only when the answer matters, since each question costs the hook time.
class KeyboardView {
 public:
  virtual ~KeyboardView() = default;
  // Whether the system holds a Windows key, or Alt, down (before this event).
  virtual bool WinKeyDown() = 0;
  virtual bool AltKeyDown() = 0;
  virtual bool SelectorShown() = 0;
};

class KeyGesture {
 public:
  HookVerdict OnKey(const HookKey& key, KeyboardView& view);

 private:
  HookVerdict OnWinKey(const HookKey& key, KeyboardView& view);
  HookVerdict OnC(const HookKey& key, KeyboardView& view);

  bool leftWin_ = false;
  bool rightWin_ = false;
  bool leftAlt_ = false;
  bool rightAlt_ = false;
  bool taken_ = false;     // a C was taken while this Windows key stays down
  bool masked_ = false;    // the unassigned key went out during this hold
  bool holdingC_ = false;  // the C now down was taken: so is its release
};

// A step reaches the window as the registered hot key does, as WM_HOTKEY, so
// that whatever keeps hot keys waiting (the paste) keeps these too. lParam
// carries the modifiers and the key as the system's does, plus this flag,
// which the system never sets there; wParam, the key event's time.
inline constexpr uint32_t kHookStepFlag = 0x8000;
inline constexpr uint32_t kStepModAlt = 0x0001, kStepModWin = 0x0008;
constexpr intptr_t HookStepParam(HookReport step) {
  const uint32_t modifiers = kStepModWin | (step == HookReport::StepUp ? kStepModAlt : 0) | kHookStepFlag;
  return static_cast<intptr_t>((uint32_t{kHookVkC} << 16) | modifiers);
}
constexpr bool IsHookStep(intptr_t lParam) { return (static_cast<uint32_t>(lParam) & kHookStepFlag) != 0; }
constexpr HookReport HookStepOf(intptr_t lParam) {
  return (static_cast<uint32_t>(lParam) & kStepModAlt) != 0 ? HookReport::StepUp : HookReport::StepDown;
}

}  // namespace quistrel
