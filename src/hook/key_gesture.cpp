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

HookVerdict KeyGesture::OnKey(const HookKey& key, KeyboardView& view) {
  if (key.virtualKey == kHookVkLAlt || key.virtualKey == kHookVkRAlt) {
    (key.virtualKey == kHookVkLAlt ? leftAlt_ : rightAlt_) = !key.up;
    return {};
  }
  if (key.virtualKey == kHookVkLWin || key.virtualKey == kHookVkRWin) return OnWinKey(key, view);
  if (key.virtualKey == kHookVkC) return OnC(key, view);
  const uint16_t acting = ActingKey(key.virtualKey);
  if (acting == 0 || !key.up || !(taken_ || view.SelectorShown())) return {};
  return {false, HookReport::Released, acting, false};
}

HookVerdict KeyGesture::OnWinKey(const HookKey& key, KeyboardView& view) {
  (key.virtualKey == kHookVkLWin ? leftWin_ : rightWin_) = !key.up;
  if (!key.up) return {};
  // The selector may show without the activation; it would never hear this.
  HookVerdict verdict;
  if (taken_ || view.SelectorShown()) verdict = {false, HookReport::Released, key.virtualKey, false};
  if (!leftWin_ && !rightWin_) taken_ = masked_ = false;
  return verdict;
}

HookVerdict KeyGesture::OnC(const HookKey& key, KeyboardView& view) {
  if (key.up) {
    if (!holdingC_) return {};
    holdingC_ = false;
    return {true, HookReport::None, 0, false};
  }
  // A release the hook never saw (it went to a window of higher rights) must
  // not leave a plain C taken. Asking the system costs time, so only the
  // first C of a hold asks.
  if ((leftWin_ || rightWin_) && !taken_ && !view.WinKeyDown()) leftWin_ = rightWin_ = masked_ = false;
  if (!leftWin_ && !rightWin_) return {};
  holdingC_ = taken_ = true;
  // Not every system flags Alt on the event; then the hook's own record,
  // confirmed by the system, tells.
  const bool alt = key.altDown || ((leftAlt_ || rightAlt_) && view.AltKeyDown());
  HookVerdict verdict{true, alt ? HookReport::StepUp : HookReport::StepDown, kHookVkC, !masked_};
  masked_ = true;
  return verdict;
}

}  // namespace quistrel
