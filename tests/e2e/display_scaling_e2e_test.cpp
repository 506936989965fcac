// Quistrel.exe on a display at the DPI of its Wine prefix (QUISTREL_DPI: 150 %
// and 100 %): every window comes up at its scaled size, in the light look
// and again after Windows' app mode turned dark while the program runs, and
// its screenshots are taken, the tray menu's also with the recording paused
// (the light ones at 100 % come from the other scenarios).
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr char kStartNow[] = "1";

int Dpi() {
  const char* dpi = std::getenv("QUISTREL_DPI");
  return dpi && *dpi ? std::atoi(dpi) : 96;
}
bool AtDefaultDpi() { return Dpi() == 96; }

// A client area of the layout table's size at 96 DPI, scaled.
std::string Client(int width, int height) {
  const auto scaled = [](int at96) { return std::to_string((at96 * Dpi() + 48) / 96); };
  return "client=0,0," + scaled(width) + "," + scaled(height);
}

std::string ClientOf(const char* className) {
  const std::string info = Driver({"info", className}).out;
  const auto at = info.find("client=");
  return at == std::string::npos ? info : info.substr(at, info.find(' ', at) - at);
}

std::string Picture(const std::string& name, bool dark) {
  return name + (dark ? "-dark" : "") + (AtDefaultDpi() ? "" : "-" + std::to_string(Dpi()) + "dpi");
}

// The window's mean luminance on the screen: a light window reads about 0.9,
// a dark one, with the scroll bars and push buttons that stay light under
// Wine, below 0.2.
double Luminance(const char* className) {
  const RunResult read = Driver({"luminance", className});
  return read.exitCode == 0 ? std::stod(read.out) : -1;
}

// Shown, painted in the look asked for, and photographed.
void Photograph(const char* className, const std::string& name, bool dark) {
  ASSERT_TRUE(WaitFor([className] { return Driver({"info", className}).out.rfind("visible=1", 0) == 0; }, 10s));
  std::this_thread::sleep_for(500ms);
  const double luminance = Luminance(className);
  if (dark) {
    EXPECT_LT(luminance, 0.3) << name << " is not dark";
  } else {
    EXPECT_GT(luminance, 0.6) << name << " is not light";
  }
  if (dark || !AtDefaultDpi()) Screenshot(Picture(name, dark));
}

// Windows' app mode, as the user sets it; light again at the end, for the
// scenarios that share the prefix.
class AppMode {
 public:
  AppMode() { Set(false); }
  ~AppMode() { Set(false); }
  AppMode(const AppMode&) = delete;
  AppMode& operator=(const AppMode&) = delete;
  static void Set(bool dark) { EXPECT_EQ(Driver({"app-mode", dark ? "dark" : "light"}).exitCode, 0); }
};

TEST(AtTheDisplaysDpi, EveryWindowIsLaidOutInTheLookOfTheAppModeAndFollowsItsChanges) {
  AppMode mode;
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewBalloon=0\r\n");  // no balloon in the pictures
  ASSERT_TRUE(program.Start());
  FocusWineDesktop();
  Driver({"cursor", "0", "0"});  // nor a tooltip
  // Each client area is its layout table's, scaled.
  EXPECT_EQ(ClientOf(kHello), Client(509, 354));
  Photograph(kHello, "welcome-window", false);
  // An open window follows the change at once, with its layout.
  AppMode::Set(true);
  Photograph(kHello, "welcome-window", true);
  EXPECT_EQ(ClientOf(kHello), Client(509, 354));
  Driver({"post", kHello, kWmCommand, kStartNow, "0"});
  ASSERT_EQ(Driver({"find", kSelector, "20000"}).exitCode, 0);

  for (const char* text : {"first", "second", "third"}) {
    XClipSet(text);
    std::this_thread::sleep_for(400ms);
  }
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    AppMode::Set(dark);
    Driver({"post", kSelector, kWmCommand, kMenuAbout, "0"});
    ASSERT_EQ(Driver({"find", kAbout, "10000"}).exitCode, 0);
    EXPECT_EQ(ClientOf(kAbout), Client(304, 192));
    Photograph(kAbout, "version-window", dark);
    Driver({"close", kAbout});
    ASSERT_EQ(Driver({"wait-gone", kAbout, "5000"}).exitCode, 0);

    Driver({"post", kSelector, kWmCommand, kMenuSetting, "0"});
    ASSERT_EQ(Driver({"find", kSettings, "10000"}).exitCode, 0);
    EXPECT_EQ(ClientOf(kSettings), Client(285, 276));
    Photograph(kSettings, "settings-dialog", dark);
    Driver({"post", kSettings, kWmCommand, kCmdFixedAdd, "0"});
    ASSERT_EQ(Driver({"find", kEntry, "10000"}).exitCode, 0);
    EXPECT_EQ(ClientOf(kEntry), Client(333, 173));
    Driver({"keys", "tap:0x41", "tap:0x42", "tap:0x43", "down:0x11", "tap:0x0D", "up:0x11", "tap:0x44"});
    Photograph(kEntry, "text-input-dialog", dark);
    Driver({"keys", "tap:0x1B"});
    ASSERT_EQ(Driver({"wait-gone", kEntry, "5000"}).exitCode, 0);
    Driver({"keys", "tap:0x1B"});
    ASSERT_EQ(Driver({"wait-gone", kSettings, "5000"}).exitCode, 0);

    // The selector was opened in the light look before the change: the next
    // opening shows the dark one, nothing of the old look kept.
    XdoTool({"keydown", "super"});
    XdoTool({"key", "c"});
    Photograph(kSelector, "selector-history", dark);
    EXPECT_EQ(ClientOf(kSelector), Client(502, 120));
    XdoTool({"keyup", "super"});
    ASSERT_TRUE(WaitFor([] { return Driver({"info", kSelector}).out.rfind("visible=0", 0) == 0; }, 5s));

    // Under Wine the menu stays light: its dark mode is Windows' own.
    Driver({"cursor", "1200", "700"});
    Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x205"});  // right button
    std::this_thread::sleep_for(700ms);
    if (!dark && !AtDefaultDpi()) {
      Screenshot(Picture("tray-menu", false));
      Driver({"keys", "tap:0x50"});  // the pause entry
      std::this_thread::sleep_for(500ms);
      Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x205"});
      std::this_thread::sleep_for(700ms);
      Screenshot(Picture("tray-menu-paused", false));
    }
    Driver({"keys", "tap:0x1B"});
    Driver({"cursor", "0", "0"});
  }
  EXPECT_TRUE(program.EndInOrder());
}

}  // namespace
}  // namespace e2e
