// Where a small pop-up goes among the monitors: kept apart from the window
// so the decision can be tested with plain rectangles.
#pragma once

#include <optional>
#include <vector>

namespace quistrel {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

struct ScreenPoint {
  int x = 0, y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// The work areas of the monitors, the primary one first.
using WorkAreas = std::vector<ScreenRect>;

// Top-left corner for a window of width x height. Where it already stood
// (`current`, nothing before its first showing) it stays, as long as it
// still lies wholly on one monitor's work area (a monitor unplugged or made
// smaller moves it back into view); otherwise it is centred on the work
// area of the monitor that holds most of `foreground` (the window the user
// works in), or of the primary monitor when there is none or it is on no
// monitor.
ScreenPoint PlacePopup(int width, int height, const WorkAreas& monitors, std::optional<ScreenRect> foreground,
                       std::optional<ScreenRect> current);

}  // namespace quistrel
