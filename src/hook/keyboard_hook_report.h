// How the keyboard hook's reports travel to the program's window.
#pragma once

#include <cstdint>

#include "hook/key_gesture.h"

namespace quistrel {

// Steps and releases reach the window disguised as the registered hot key,
// as WM_HOTKEY, so that whatever keeps hot keys waiting (the paste) keeps
// these too, in their order. wParam is the key event's time, not a hot key's
// id; lParam carries the key in its high word and one of two flags the system
// never sets there, a step's also the modifiers as the system's hot key does.
inline constexpr uint32_t kHookReportMessage = 0x0312;  // WM_HOTKEY
constexpr uintptr_t HookReportTimeParam(uint32_t eventTime) { return eventTime; }
constexpr uint32_t HookReportTime(uintptr_t wParam) { return static_cast<uint32_t>(wParam); }
inline constexpr uint32_t kHookStepFlag = 0x8000;
inline constexpr uint32_t kHookReleaseFlag = 0x4000;
inline constexpr uint32_t kStepModAlt = 0x0001, kStepModWin = 0x0008;
constexpr intptr_t HookStepParam(HookReport step) {
  const uint32_t modifiers = kStepModWin | (step == HookReport::StepUp ? kStepModAlt : 0) | kHookStepFlag;
  return static_cast<intptr_t>((uint32_t{kHookVkC} << 16) | modifiers);
}
constexpr bool IsHookStep(intptr_t lParam) { return (static_cast<uint32_t>(lParam) & kHookStepFlag) != 0; }
constexpr intptr_t HookReleaseParam(uint16_t key) {
  return static_cast<intptr_t>((uint32_t{key} << 16) | kHookReleaseFlag);
}
constexpr bool IsHookRelease(intptr_t lParam) {
  return (static_cast<uint32_t>(lParam) & (kHookReleaseFlag | kHookStepFlag)) == kHookReleaseFlag;
}
constexpr uint16_t HookReleasedKey(intptr_t lParam) {
  return static_cast<uint16_t>(static_cast<uint32_t>(lParam) >> 16);
}
constexpr HookReport HookStepOf(intptr_t lParam) {
  return (static_cast<uint32_t>(lParam) & kStepModAlt) != 0 ? HookReport::StepUp : HookReport::StepDown;
}

}  // namespace quistrel
