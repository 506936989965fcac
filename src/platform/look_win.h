// The look in force for every window of the program (see look.h): decided
// at the first use and again whenever the system says that its colours,
// its theme or high contrast changed, and given to each window, its title
// bar and its controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "platform/look.h"

namespace quistrel {

LookKind CurrentLook();
// In light and high contrast the system's own colours.
const Palette& CurrentPalette();
COLORREF ColourOf(Rgb colour);
// Brushes of the palette's face and field, owned here and made anew with it.
HBRUSH FaceBrush();
HBRUSH FieldBrush();
// Counts the changes of the look: a window that applied an older one
// applies it again.
uint32_t LookGeneration();

// What the system says now.
LookFacts ReadLookFacts();
// Decides the look again from what the system says now; the pop-up menus
// follow it at once.
void RefreshLook();
// The message says that the system's colours, theme or high contrast
// changed (the top-level windows hear of it).
bool SaysColoursChanged(UINT message, WPARAM wParam, LPARAM lParam);

// The look as one window has applied it.
class WindowLook {
 public:
  // Gives the window its title bar and its controls their themes for the
  // look in force. True when this changed an earlier look: the window drops
  // what it kept of the old one and draws itself again.
  bool Apply(HWND window);
  // The answer to WM_CTLCOLOR*: the text and background colours set on the
  // DC and the brush; nullptr where the system's default answer is the look.
  static HBRUSH ControlColours(UINT message, HDC dc);
  // The answer to WM_ERASEBKGND (the client filled with the face) and to
  // WM_CTLCOLOR*; none for any other message, or where the system's default
  // answer is the look.
  static std::optional<LRESULT> PaintingAnswer(HWND window, UINT message, WPARAM wParam);

 private:
  uint32_t generation_ = 0;
  bool dark_ = false;  // the window and its controls carry the dark themes
};

// Rounded corners for a pop-up without a caption, where the system has them.
void RoundCorners(HWND window);

}  // namespace quistrel
