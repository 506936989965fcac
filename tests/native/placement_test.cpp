// Where the selector opens among the monitors.
#include <gtest/gtest.h>

#include "platform/placement.h"

namespace quistrel {
namespace {

// A 1920 x 1080 primary monitor with its taskbar below, and a 1280 x 1024
// monitor to its right, standing a little higher.
const ScreenRect kPrimary{0, 0, 1920, 1040};
const ScreenRect kSecond{1920, -200, 3200, 824};
constexpr int kWidth = 508, kHeight = 126;

ScreenPoint CentredOn(const ScreenRect& area) {
  return {area.left + (area.Width() - kWidth) / 2, area.top + (area.Height() - kHeight) / 2};
}

TEST(PlacePopup, TheFirstTimeItIsCentredOnTheMonitorOfTheWindowTheUserWorksIn) {
  const WorkAreas monitors{kPrimary, kSecond};
  EXPECT_EQ(PlacePopup(kWidth, kHeight, monitors, ScreenRect{2000, 100, 2600, 500}, std::nullopt), CentredOn(kSecond));
  EXPECT_EQ(PlacePopup(kWidth, kHeight, monitors, ScreenRect{100, 100, 900, 700}, std::nullopt), CentredOn(kPrimary));
  // Across both: the monitor with the larger part of it.
  EXPECT_EQ(PlacePopup(kWidth, kHeight, monitors, ScreenRect{1800, 0, 2600, 600}, std::nullopt), CentredOn(kSecond));
  // No such window, or one on no monitor: the primary monitor.
  EXPECT_EQ(PlacePopup(kWidth, kHeight, monitors, std::nullopt, std::nullopt), CentredOn(kPrimary));
  EXPECT_EQ(PlacePopup(kWidth, kHeight, monitors, ScreenRect{-3000, 0, -2000, 500}, std::nullopt), CentredOn(kPrimary));
}

TEST(PlacePopup, ItStaysWhereItStoodUntilThatPlaceIsOnNoMonitor) {
  const ScreenPoint second = CentredOn(kSecond);
  const ScreenRect stood{second.x, second.y, second.x + kWidth, second.y + kHeight};
  const ScreenRect working{100, 100, 900, 700};  // now on the primary monitor
  EXPECT_EQ(PlacePopup(kWidth, kHeight, {kPrimary, kSecond}, working, stood), second);
  // The second monitor unplugged.
  EXPECT_EQ(PlacePopup(kWidth, kHeight, {kPrimary}, working, stood), CentredOn(kPrimary));
  EXPECT_EQ(PlacePopup(kWidth, kHeight, {kPrimary}, std::nullopt, stood), CentredOn(kPrimary));
  // Made smaller, so that the selector would stick out.
  const ScreenRect smaller{1920, 0, 2560, 400};
  EXPECT_EQ(PlacePopup(kWidth, kHeight, {kPrimary, smaller}, ScreenRect{2000, 50, 2400, 300}, stood),
            CentredOn(smaller));
}

}  // namespace
}  // namespace quistrel
