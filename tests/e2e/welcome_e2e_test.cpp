// The welcome window at the first start and the version-information window,
// driven in the running program.
#include <gtest/gtest.h>

#include <thread>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr char kCmdSettingAbout[] = "1302";  // the welcome window's version button
constexpr char kLblVersion[] = "1401";
constexpr char kLblComment[] = "1403";

bool Exists(const char* className) { return Driver({"find", className, "0"}).exitCode == 0; }

std::string Info(const char* className) { return Driver({"info", className}).out; }

// Painted and on screen, for a screenshot worth looking at.
bool ShownOnScreen(const char* className) {
  if (!WaitFor([className] { return Info(className).rfind("visible=1", 0) == 0; }, 10s)) return false;
  std::this_thread::sleep_for(500ms);
  return true;
}

TEST(Welcome, FirstStartShowsItBeforeTheTrayAndAClearedBoxKeepsItAwayAtTheNextStart) {
  Program program;
  ASSERT_TRUE(program.Start());
  ASSERT_EQ(Driver({"find", kHello, "0"}).exitCode, 0) << "no welcome window at the first start";
  // Neither the selector window (and with it the tray icon and the hot keys)
  // nor the settings file exist yet.
  EXPECT_FALSE(Exists(kSelector));
  EXPECT_FALSE(program.ReadFile("Quistrel.ini").has_value());
  const std::string info = Info(kHello);
  EXPECT_NE(info.find("client=0,0,509,354"), std::string::npos) << info;
  EXPECT_NE(info.find("caption=Mallowquist - ようこそ！"), std::string::npos) << info;
  FocusWineDesktop();
  ASSERT_TRUE(ShownOnScreen(kHello));
  Screenshot("welcome-window");

  // The version button opens the version window over it; Enter closes that.
  Driver({"post", kHello, kWmCommand, kCmdSettingAbout, "0"});
  ASSERT_EQ(Driver({"find", kAbout, "10000"}).exitCode, 0);
  EXPECT_EQ(Driver({"edit-text", kAbout, kLblVersion}).out, "Ver.1.0.0 ");
  ASSERT_TRUE(ShownOnScreen(kAbout));
  Screenshot("version-window-over-welcome");
  Driver({"keys", "tap:0x0D"});
  ASSERT_EQ(Driver({"wait-gone", kAbout, "5000"}).exitCode, 0);
  EXPECT_TRUE(Exists(kHello));

  // From the start button, which has the focus again: Tab three times reaches the
  // check box, Space clears it, Enter presses the default button, the start button.
  Driver({"keys", "tap:0x09", "tap:0x09", "tap:0x09", "tap:0x20", "sleep:200", "tap:0x0D"});
  ASSERT_EQ(Driver({"wait-gone", kHello, "5000"}).exitCode, 0);
  ASSERT_EQ(Driver({"find", kSelector, "20000"}).exitCode, 0) << "start-up did not go on";
  // Saved right after the welcome window closed, before any end.
  const auto ini = program.ReadFile("Quistrel.ini");
  ASSERT_TRUE(ini.has_value());
  EXPECT_NE(ini->find("ViewHello=0\r\n"), std::string::npos) << *ini;
  EXPECT_TRUE(program.EndInOrder());

  ASSERT_TRUE(program.Start());
  EXPECT_FALSE(Exists(kHello));
  EXPECT_TRUE(program.EndInOrder());
  EXPECT_NE(program.ReadFile("Quistrel.ini").value_or("").find("ViewHello=0\r\n"), std::string::npos);
}

TEST(Welcome, VersionWindowFromTheTrayMenuIsOneModelessWindowWithTheResourceTexts) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  ASSERT_TRUE(program.Start());
  FocusWineDesktop();
  Driver({"post", kSelector, kWmCommand, kMenuAbout, "0"});
  const RunResult found = Driver({"find", kAbout, "10000"});
  ASSERT_EQ(found.exitCode, 0) << "the tray menu's version entry opened no window";
  const std::string info = Info(kAbout);
  EXPECT_NE(info.find("client=0,0,304,192"), std::string::npos) << info;
  EXPECT_NE(info.find("caption=Mallowquist - バージョン情報"), std::string::npos) << info;
  EXPECT_EQ(Driver({"edit-text", kAbout, kLblVersion}).out, "Ver.1.0.0 ");
  EXPECT_EQ(Driver({"edit-text", kAbout, kLblComment}).out, "クリップボードの文字を選択形式で変更するプログラムです。");
  // A second request brings the same window.
  Driver({"post", kSelector, kWmCommand, kMenuAbout, "0"});
  EXPECT_EQ(Driver({"find", kAbout, "0"}).out, found.out);
  ASSERT_TRUE(ShownOnScreen(kAbout));
  Screenshot("version-window");

  Driver({"post", kAbout, kWmCommand, "1", "0"});  // cmdOK
  EXPECT_EQ(Driver({"wait-gone", kAbout, "5000"}).exitCode, 0);
  EXPECT_TRUE(program.Running());
  EXPECT_TRUE(program.EndInOrder());
}

}  // namespace
}  // namespace e2e
