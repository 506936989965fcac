// Quistrel.exe on a display at 150 % (144 DPI, set in the Wine prefix this
// scenario runs in): every window comes up at its scaled size, and its
// screenshot is taken.
#include <gtest/gtest.h>

#include <thread>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr char kStartNow[] = "1";

std::string ClientOf(const char* className) {
  const std::string info = Driver({"info", className}).out;
  const auto at = info.find("client=");
  return at == std::string::npos ? info : info.substr(at, info.find(' ', at) - at);
}

// Shown, painted and photographed.
void Photograph(const char* className, const std::string& name) {
  ASSERT_TRUE(WaitFor([className] { return Driver({"info", className}).out.rfind("visible=1", 0) == 0; }, 10s));
  std::this_thread::sleep_for(500ms);
  Screenshot(name);
}

TEST(At150Percent, EveryWindowIsLaidOutAtTheDisplaysDpi) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewBalloon=0\r\n");  // no balloon in the pictures
  ASSERT_TRUE(program.Start());
  FocusWineDesktop();
  Driver({"cursor", "0", "0"});  // nor a tooltip
  // Each client area is its layout table's times 1.5.
  EXPECT_EQ(ClientOf(kHello), "client=0,0,764,531");
  Photograph(kHello, "welcome-window-144dpi");
  Driver({"post", kHello, kWmCommand, kStartNow, "0"});
  ASSERT_EQ(Driver({"find", kSelector, "20000"}).exitCode, 0);

  Driver({"post", kSelector, kWmCommand, kMenuAbout, "0"});
  ASSERT_EQ(Driver({"find", kAbout, "10000"}).exitCode, 0);
  EXPECT_EQ(ClientOf(kAbout), "client=0,0,456,288");
  Photograph(kAbout, "version-window-144dpi");
  Driver({"close", kAbout});
  ASSERT_EQ(Driver({"wait-gone", kAbout, "5000"}).exitCode, 0);

  Driver({"post", kSelector, kWmCommand, kMenuSetting, "0"});
  ASSERT_EQ(Driver({"find", kSettings, "10000"}).exitCode, 0);
  EXPECT_EQ(ClientOf(kSettings), "client=0,0,428,414");
  Photograph(kSettings, "settings-dialog-144dpi");
  Driver({"post", kSettings, kWmCommand, kCmdFixedAdd, "0"});
  ASSERT_EQ(Driver({"find", kEntry, "10000"}).exitCode, 0);
  EXPECT_EQ(ClientOf(kEntry), "client=0,0,500,260");
  Driver({"keys", "tap:0x41", "tap:0x42", "tap:0x43", "down:0x11", "tap:0x0D", "up:0x11", "tap:0x44"});
  Photograph(kEntry, "text-input-dialog-144dpi");
  Driver({"keys", "tap:0x1B"});
  ASSERT_EQ(Driver({"wait-gone", kEntry, "5000"}).exitCode, 0);
  Driver({"keys", "tap:0x1B"});
  ASSERT_EQ(Driver({"wait-gone", kSettings, "5000"}).exitCode, 0);

  for (const char* text : {"first", "second", "third"}) {
    XClipSet(text);
    std::this_thread::sleep_for(400ms);
  }
  XdoTool({"keydown", "super"});
  XdoTool({"key", "c"});
  Photograph(kSelector, "selector-history-144dpi");
  EXPECT_EQ(ClientOf(kSelector), "client=0,0,753,180");
  XdoTool({"keyup", "super"});
  ASSERT_TRUE(WaitFor([] { return Driver({"info", kSelector}).out.rfind("visible=0", 0) == 0; }, 5s));

  Driver({"cursor", "1200", "700"});
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x205"});  // right button
  std::this_thread::sleep_for(700ms);
  Screenshot("tray-menu-144dpi");
  Driver({"keys", "tap:0x50"});  // the pause entry
  std::this_thread::sleep_for(500ms);
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x205"});
  std::this_thread::sleep_for(700ms);
  Screenshot("tray-menu-paused-144dpi");
  Driver({"keys", "tap:0x1B"});
  EXPECT_TRUE(program.EndInOrder());
}

}  // namespace
}  // namespace e2e
