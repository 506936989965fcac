#include "platform/placement.h"

#include <algorithm>

namespace quistrel {

namespace {
long long OverlapArea(const ScreenRect& a, const ScreenRect& b) {
  const long long width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const long long height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

bool WhollyOnAMonitor(const ScreenRect& rect, const WorkAreas& monitors) {
  return std::any_of(monitors.begin(), monitors.end(), [&](const ScreenRect& monitor) {
    return rect.left >= monitor.left && rect.top >= monitor.top && rect.right <= monitor.right &&
           rect.bottom <= monitor.bottom;
  });
}
}  // namespace

ScreenPoint PlacePopup(int width, int height, const WorkAreas& monitors, std::optional<ScreenRect> foreground,
                       std::optional<ScreenRect> current) {
  if (current && (monitors.empty() || WhollyOnAMonitor(*current, monitors))) return {current->left, current->top};
  if (monitors.empty()) return {};
  const ScreenRect* home = &monitors.front();
  if (foreground) {
    long long best = 0;
    for (const ScreenRect& monitor : monitors) {
      const long long overlap = OverlapArea(*foreground, monitor);
      if (overlap > best) {
        best = overlap;
        home = &monitor;
      }
    }
  }
  return {home->left + (home->Width() - width) / 2, home->top + (home->Height() - height) / 2};
}

}  // namespace quistrel
