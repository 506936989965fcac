#include "hook/key_gesture.h"

namespace quistrel {

namespace {
// Released while the selector shows, these act on it (the window itself
// calls the generic Shift what the hook sees with its side).
uint16_t ActingKey(uint16_t key) {
  switch (key) {
    case kHookVkEscape:
    case kHookVkLeft:
    case kHookVkUp:
    case kHookVkRight:
    case kHookVkDown:
    case kHookVkShift: return key;
    case kHookVkLShift:
    case kHookVkRShift: return kHookVkShift;
    default: return 0;
  }
}
}  // namespace

HookVerdict KeyGesture::OnKey(const HookKey& key, bool selectorShown) {
  altFlagged_ = altFlagged_ || key.altDown;
  if (key.virtualKey == kHookVkLAlt || key.virtualKey == kHookVkRAlt) {
    (key.virtualKey == kHookVkLAlt ? leftAlt_ : rightAlt_).Set(key);
    return {};
  }
  if (key.virtualKey == kHookVkLWin || key.virtualKey == kHookVkRWin) return OnWinKey(key, selectorShown);
  if (key.virtualKey == kHookVkC) return OnC(key);
  const uint16_t acting = ActingKey(key.virtualKey);
  if (acting == 0 || !key.up || !(taken_ || selectorShown)) return {};
  return {false, HookReport::Released, acting, false};
}

HookVerdict KeyGesture::OnWinKey(const HookKey& key, bool selectorShown) {
  (key.virtualKey == kHookVkLWin ? leftWin_ : rightWin_).Set(key);
  if (!key.up) return {};
  // The selector may show without the activation; it would never hear this.
  HookVerdict verdict;
  if (taken_ || selectorShown) verdict = {false, HookReport::Released, key.virtualKey, false};
  EndHoldIfNoWinKey();
  return verdict;
}

HookVerdict KeyGesture::OnC(const HookKey& key) {
  if (key.up) {
    if (!takenC_.down) return {};
    takenC_.Set(key);
    return {true, HookReport::None, 0, false};
  }
  if (!HoldsWinKey()) {
    // The repeats of a C taken while Win was down, after Win went up: the
    // window the user works in never saw that C go down.
    if (!takenC_.down) return {};
    takenC_.Set(key);
    return {true, HookReport::None, 0, false};
  }
  takenC_.Set(key);
  taken_ = true;
  // Where the system flags Alt on the events, the flag is right at once also
  // after a release the hook never saw (Ctrl+Alt+Del); elsewhere (Wine) the
  // hook's own record tells.
  const bool alt = altFlagged_ ? key.altDown : leftAlt_.down || rightAlt_.down;
  return {true, alt ? HookReport::StepUp : HookReport::StepDown, kHookVkC, !masked_};
}

void KeyGesture::EndHoldIfNoWinKey() {
  if (!HoldsWinKey()) taken_ = masked_ = false;
}

bool KeyGesture::Reconcile(const HeldKeys& system, uint32_t now) {
  if (leftWin_.Stale(system.leftWin, now)) leftWin_.down = false;
  if (rightWin_.Stale(system.rightWin, now)) rightWin_.down = false;
  if (leftAlt_.Stale(system.alt, now)) leftAlt_.down = false;
  if (rightAlt_.Stale(system.alt, now)) rightAlt_.down = false;
  if (takenC_.Stale(system.c, now, kRepeatsStoppedMs)) takenC_.down = false;
  EndHoldIfNoWinKey();
  return NeedsReconciling();
}

}  // namespace quistrel
