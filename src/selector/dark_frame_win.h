// The frames of the selector in the dark look: its own border and those of
// its list and preview, which the system (and under Wine the light theme)
// would draw in light colours.
#pragma once

#include <windows.h>

#include "platform/look.h"

namespace quistrel {

// Fills the part of the window's frame in `region` (screen coordinates): its
// outermost line in the palette's edge colour, the rest in `fill`. Each
// pixel once, as everything the selector draws.
void FillDarkFrame(HWND window, HRGN region, Rgb fill);

}  // namespace quistrel
