// The paste's meeting with Windows: what the target's process is, and the
// keys themselves.
#pragma once

#include <windows.h>

#include "selector/paste.h"

namespace quistrel {

TargetProcess InspectProcessOf(HWND window);
std::optional<uint32_t> OwnIntegrityLevel();

// The keys that paste in the window: the user's or the built-in entry for
// the class of its top-level window.
PasteKeys PasteKeysFor(HWND window, const PasteKeyTable& table);

// The paste's key strokes for the modifiers down at this moment, in one
// SendInput call, so that no key of the user's comes in between.
void SendPasteKeys(PasteKeys keys);

}  // namespace quistrel
