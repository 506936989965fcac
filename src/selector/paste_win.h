// The paste's meeting with Windows: what the target's process is, and the
// keys themselves.
#pragma once

#include <windows.h>

#include <chrono>

#include "selector/paste.h"

namespace quistrel {

TargetProcess InspectProcessOf(HWND window);
std::optional<uint32_t> OwnIntegrityLevel();

// Waits until the window is the system's foreground window and its thread
// has given the keyboard focus to one of its windows: keys sent before go to
// whatever window has them then, or nowhere. The wait ends as soon as the
// system reports the change; messages are handled meanwhile, all but the
// hot keys, which wait for the paste (a selector they opened now would take
// the keys meant for the window). False when the limit passed first.
bool WaitUntilItHasTheKeyboard(HWND window, std::chrono::milliseconds limit);

// The keys that paste in the window: the user's or the built-in entry for
// the class of its top-level window.
PasteKeys PasteKeysFor(HWND window, const PasteKeyTable& table);

// The paste's key strokes for the modifiers down at this moment, in one
// SendInput call, so that no key of the user's comes in between.
void SendPasteKeys(PasteKeys keys);

}  // namespace quistrel
