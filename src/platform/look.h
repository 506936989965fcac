// How the windows are drawn: the decision between the light look, the dark
// one and high contrast, from what the system says, and the dark palette,
// whose every text stays legible on its background. The Win32 side that
// reads the system and applies the look is look_win.h.
#pragma once

#include <cstdint>
#include <optional>

namespace quistrel {

enum class LookKind { Light, Dark, HighContrast };

// What the system says about the user's choice.
struct LookFacts {
  bool highContrast = false;
  // Windows' app mode (AppsUseLightTheme, 0 for dark); none where the value
  // is missing, as on systems before Windows 10.
  std::optional<uint32_t> appsUseLightTheme;
  uint32_t build = 0;  // the system's build number
};

// High contrast comes first (the user needs the system's own colours), then
// the app mode; anything unknown is light.
LookKind DecideLook(const LookFacts& facts);

// What the system's build offers: the dark pop-up menus (through uxtheme's
// unnamed entry points), the dark title bar (its attribute number changed
// once; 0 where there is none) and rounded corners.
bool HasDarkMenus(uint32_t build);
uint32_t DarkTitleBarAttribute(uint32_t build);
bool HasRoundedCorners(uint32_t build);

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// WCAG's relative luminance (0 black, 1 white) and contrast ratio (1 to 21).
double RelativeLuminance(Rgb colour);
double ContrastRatio(Rgb one, Rgb other);
// Legible text needs a contrast ratio of at least this against its background.
inline constexpr double kLegibleContrast = 4.5;

// The colours every window is drawn in.
struct Palette {
  Rgb face;  // behind the controls of a window
  Rgb faceText;
  Rgb field;  // inside lists and edit boxes
  Rgb fieldText;
  Rgb selection;  // the selected line
  Rgb selectionText;
  Rgb edge;        // the selector's outer line and the frames of its list and preview
  Rgb shadowLine;  // the welcome window's etched line
  Rgb lightLine;
  Rgb link;  // the version window's links
  Rgb linkPressed;
  Rgb band;  // the band behind the version window's title
  Rgb bandText;
  Rgb bandShadow;
  friend bool operator==(const Palette&, const Palette&) = default;
};

// The dark palette, after Windows 11's own, with the selection in the
// user's accent colour.
Palette DarkPalette(Rgb accent);

}  // namespace quistrel
