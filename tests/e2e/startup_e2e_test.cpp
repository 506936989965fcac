// Start and orderly end of Quistrel.exe, and the files it leaves behind.
#include <gtest/gtest.h>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

const std::string kIniFromDefaults =
    "[Main]\r\nClipBoardLog=10\r\nViewBalloon=1\r\nViewHello=1\r\nAutoPaste=0\r\nPauseRecording=0\r\n";

// The welcome window, when the program shows it, is confirmed away so start-up
// can go on.
void PassWelcomeWindowIfShown() {
  if (Driver({"find", kHello, "0"}).exitCode == 0) {
    Driver({"post", kHello, "0x0111", "1", "0"});
    Driver({"find", kSelector, "20000"});
  }
}

TEST(Startup, FirstStartInAnEmptyFolderWritesTheDefaultsAtTheOrderlyEnd) {
  Program program;
  ASSERT_TRUE(program.Start());
  PassWelcomeWindowIfShown();
  EXPECT_TRUE(program.EndInOrder());
  const auto ini = program.ReadFile("Quistrel.ini");
  ASSERT_TRUE(ini.has_value());
  EXPECT_EQ(*ini, kIniFromDefaults);
  EXPECT_EQ(program.ReadFile("FixedString.dat").value_or("<missing>"), "");
}

TEST(Startup, JapaneseFixedStringsSurviveAStartAndAnEndByteForByte) {
  Program program;
  // "日本語", "abc", "ｶﾅ" in code page 932, and the user's own INI layout.
  const std::string fixed = std::string("\x93\xFA\x96\x7B\x8C\xEA", 6) + '\0' + "abc" + '\0' + "\xB6\xC5";
  program.WriteFile("FixedString.dat", fixed);
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\nClipBoardLog=20\r\n");
  ASSERT_TRUE(program.Start());
  EXPECT_TRUE(program.EndInOrder());
  EXPECT_EQ(program.ReadFile("FixedString.dat"), fixed);
  EXPECT_EQ(program.ReadFile("Quistrel.ini"),
            "[Main]\r\nViewHello=0\r\nClipBoardLog=20\r\nViewBalloon=1\r\nAutoPaste=0\r\nPauseRecording=0\r\n");
}

TEST(Startup, ASecondStartSaysAlreadyRunningAndLeavesOneProcess) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  ASSERT_TRUE(program.Start());
  const pid_t second = program.StartAnother();
  const RunResult box = Driver({"dialog", "Mallowquist", "20000"});
  ASSERT_EQ(box.exitCode, 0);
  EXPECT_NE(box.out.find("既に起動済みです。"), std::string::npos) << box.out;
  Screenshot("already-running");
  Driver({"dialog-press", "Mallowquist", "1"});
  EXPECT_TRUE(WaitForExit(second, 10s));
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(program.CountProcesses(), 1);
  EXPECT_TRUE(program.EndInOrder());
}

TEST(Startup, EndOfTheWindowsSessionSavesTheSettings) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  ASSERT_TRUE(program.Start());
  Driver({"send", kSelector, "0x0011", "0", "0"});  // WM_QUERYENDSESSION
  Driver({"send", kSelector, "0x0016", "1", "0"});  // WM_ENDSESSION
  EXPECT_EQ(program.ReadFile("Quistrel.ini"),
            "[Main]\r\nViewHello=0\r\nClipBoardLog=10\r\nViewBalloon=1\r\nAutoPaste=0\r\nPauseRecording=0\r\n");
  EXPECT_EQ(program.ReadFile("FixedString.dat"), "");
}

TEST(Startup, AHandEditedHistoryLengthDoesNotStopTheProgram) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\nClipBoardLog=99999\r\n");
  program.WriteFile("FixedString.dat", std::string(6 << 20, '\x81'));  // megabytes of lone lead bytes
  ASSERT_TRUE(program.Start());
  EXPECT_TRUE(program.EndInOrder());
  EXPECT_NE(program.ReadFile("Quistrel.ini")->find("ClipBoardLog=32767"), std::string::npos);
}

}  // namespace
}  // namespace e2e
