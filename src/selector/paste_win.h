// The paste's meeting with Windows: what the target's process is, and the
// keys themselves.
#pragma once

#include <windows.h>

#include <chrono>
#include <utility>

#include "selector/paste.h"

namespace quistrel {

TargetProcess InspectProcessOf(HWND window);
std::optional<uint32_t> OwnIntegrityLevel();

// Waits until the window is the system's foreground window and its thread
// has given the keyboard focus to one of its windows: keys sent before go to
// whatever window has them then, or nowhere. The wait ends as soon as the
// system reports the change; messages are handled meanwhile, all but the
// hot keys, which wait for the paste (a selector they opened now would take
// the keys meant for the window). False when the limit passed first, or at
// once when the program quits.
bool WaitUntilItHasTheKeyboard(HWND window, std::chrono::milliseconds limit);

// The keys that paste in the window: the user's or the built-in entry for
// the class of its top-level window.
PasteKeys PasteKeysFor(HWND window, const PasteKeyTable& table);

// Under Wine, the X11 driver sets the keys it counts as held to those the X
// server holds each time one of its windows gets the X focus or the pointer;
// the selector's hand-back moves both. A Ctrl sent before such a resync is
// taken back halfway through the paste, and Ctrl+V arrives as "v". The mark is
// a key that no program acts on, which the program holds down from before the
// hand-back: every resync lets go of it. Elsewhere there is no such resync,
// and no mark.
class KeyResyncMark {
 public:
  KeyResyncMark() = default;
  // Held down under Wine, where the key has a key of the X server's keyboard
  // behind it (the resync looks at no other).
  static KeyResyncMark Press();
  KeyResyncMark(KeyResyncMark&& other) noexcept;
  KeyResyncMark& operator=(KeyResyncMark&& other) noexcept;
  ~KeyResyncMark();

  // Waits until a resync has come and no other followed it for a while,
  // pressing the mark again after each; at most limit, and no longer than
  // until the program quits. Messages are handled meanwhile, all but the hot
  // keys.
  void AwaitResyncs(std::chrono::milliseconds limit);
  // Whether the mark is down, its release handed over to the paste's keys.
  bool HandOverRelease() { return std::exchange(held_, false); }
  bool Held() const { return held_; }

 private:
  bool held_ = false;
};

// The paste's key strokes for the modifiers down at this moment, in one
// SendInput call, so that no key of the user's comes in between; the mark's
// release goes first.
void SendPasteKeys(PasteKeys keys, KeyResyncMark& mark);

}  // namespace quistrel
