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
  uint32_t time = 0;     // the event's time stamp, in the system's milliseconds
};

// Which of the keys the hook keeps a record of the system holds down, as the
// system says when asked outside the hook.
struct HeldKeys {
  bool leftWin = false;
  bool rightWin = false;
  bool alt = false;
  bool c = false;
};

// What the user-interface thread is told.
enum class HookReport : uint8_t { None, StepDown, StepUp, Released };

struct HookVerdict {
  bool swallow = false;
  HookReport report = HookReport::None;
  uint16_t reportedKey = 0;  // for Released: the key as the selector's window would see it
  bool sendUnassigned = false;
};

// The hook decides each key from its own record of the keys it has seen: a
// question to the system inside the hook can wait (under Wine it processes
// the display's pending input first), and it answers for now, not for the
// time of the event being decided.
class KeyGesture {
 public:
  // `selectorShown`: as the window's thread last said.
  HookVerdict OnKey(const HookKey& key, bool selectorShown);
  // The unassigned key of a verdict is on its way: not again in this hold.
  // Not said when it could not be handed on, so the next C asks again.
  void UnassignedKeyHandedOn() { masked_ = true; }

  // A Windows key, Alt or a taken C may go up where the hook never sees it
  // (on the secure desktop after Win+L or Ctrl+Alt+Del, in a window of higher
  // rights). Asked outside the hook, while the record holds a Windows key or
  // a taken C, the system mends the record: a key it holds up that the record
  // has had down for kSettleMs is taken as let go (a taken C only once its
  // repeats stopped too), and a hold whose last Windows key goes so ends.
  // True when the question is worth asking again.
  bool Reconcile(const HeldKeys& system, uint32_t now);
  bool HoldsWinKey() const { return leftWin_.down || rightWin_.down; }
  bool NeedsReconciling() const { return HoldsWinKey() || takenC_.down; }

  // A key's down seen this recently may not have reached the system's key
  // state yet.
  static constexpr uint32_t kSettleMs = 100;
  // A key the hook took may never reach the system's key state (Wine keeps
  // it up): while its repeats come, it is held. Longer than any keyboard
  // waits before it repeats a held key (1 s at most in Windows' settings).
  static constexpr uint32_t kRepeatsStoppedMs = 1500;

 private:
  struct Recorded {
    bool down = false;
    uint32_t since = 0;  // the time stamp of its down
    uint32_t last = 0;   // the time stamp of its latest down or repeat
    void Set(const HookKey& key) {
      if (!key.up && !down) since = key.time;
      if (!key.up) last = key.time;
      down = !key.up;
    }
    // Let go unseen: the system holds it up and has had time to see its down.
    bool Stale(bool systemDown, uint32_t now, uint32_t quietMs = 0) const {
      return down && !systemDown && Elapsed(since, now, kSettleMs) && Elapsed(last, now, quietMs);
    }
    static bool Elapsed(uint32_t from, uint32_t now, uint32_t ms) {
      return static_cast<int32_t>(now - from) >= static_cast<int32_t>(ms);
    }
  };
  HookVerdict OnWinKey(const HookKey& key, bool selectorShown);
  HookVerdict OnC(const HookKey& key);
  void EndHoldIfNoWinKey();

  Recorded leftWin_;
  Recorded rightWin_;
  Recorded leftAlt_;
  Recorded rightAlt_;
  Recorded takenC_;          // the C now down was taken: so are its repeats and its release
  bool altFlagged_ = false;  // the system flags Alt on the events: the flag, not the record, tells
  bool taken_ = false;       // a C was taken while this Windows key stays down
  bool masked_ = false;      // the unassigned key went out during this hold
};

}  // namespace quistrel
