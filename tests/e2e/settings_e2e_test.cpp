// The settings dialog from the tray menu: a fixed string typed into the entry
// dialog reaches the selector and FixedString.dat.
#include <gtest/gtest.h>

#include <thread>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

constexpr char kCmdOK[] = "1";
constexpr char kLstFixedText[] = "1109";
constexpr char kEntryText[] = "1201";

std::string ListItems(const char* className, const char* id) { return Driver({"list-items", className, id}).out; }

void OpenSettingsFromTheTrayMenu() { Driver({"post", kSelector, kWmCommand, kMenuSetting, "0"}); }

TEST(Settings, AFixedStringAddedThroughTheTrayMenuIsSavedAtOkAndShownByTheSelector) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  program.WriteFile("FixedString.dat", "greeting");
  ASSERT_TRUE(program.Start());
  FocusWineDesktop();

  OpenSettingsFromTheTrayMenu();
  const RunResult found = Driver({"find", kSettings, "10000"});
  ASSERT_EQ(found.exitCode, 0) << "the tray menu's settings entry opened no dialog";
  EXPECT_NE(Driver({"info", kSettings}).out.find("client=0,0,285,276"), std::string::npos);
  EXPECT_EQ(ListItems(kSettings, kLstFixedText), "count=1 selected=-1\ngreeting\n");
  // A second request brings the same window.
  OpenSettingsFromTheTrayMenu();
  EXPECT_EQ(Driver({"find", kSettings, "0"}).out, found.out);
  Driver({"cursor", "0", "0"});  // no tooltip over the dialog in its picture
  std::this_thread::sleep_for(300ms);
  Screenshot("settings-dialog");

  Driver({"post", kSettings, kWmCommand, kCmdFixedAdd, "0"});
  ASSERT_EQ(Driver({"find", kEntry, "10000"}).exitCode, 0);
  // Typed for real: a, b, c, Ctrl+Enter, d, e.
  Driver({"keys", "tap:0x41", "tap:0x42", "tap:0x43", "down:0x11", "tap:0x0D", "up:0x11", "tap:0x44", "tap:0x45"});
  EXPECT_TRUE(WaitFor(
      [] {
        return Driver({"edit-text", kEntry, kEntryText}).out == "abc\\r\\nde";
      },
      5s))
      << Driver({"edit-text", kEntry, kEntryText}).out;
  Screenshot("text-input-dialog");
  Driver({"keys", "tap:0x0D"});  // Enter confirms
  ASSERT_EQ(Driver({"wait-gone", kEntry, "5000"}).exitCode, 0);
  EXPECT_EQ(ListItems(kSettings, kLstFixedText), "count=2 selected=-1\nabc\\r\\nde\ngreeting\n");

  // Meanwhile the user adds a string to the file in an editor: OK keeps that
  // file and says where.
  const std::string edited = "greeting\0typed in an editor"s;
  program.WriteFile("FixedString.dat", edited);
  Driver({"post", kSettings, kWmCommand, kCmdOK, "0"});
  const RunResult kept = Driver({"dialog", "Mallowquist", "10000"});
  ASSERT_EQ(kept.exitCode, 0);
  EXPECT_NE(kept.out.find("\\FixedString.dat.bak"), std::string::npos) << kept.out;
  Driver({"dialog-press", "Mallowquist", "1"});
  ASSERT_EQ(Driver({"wait-gone", kSettings, "5000"}).exitCode, 0);
  // Saved at OK, while the program still runs.
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(program.ReadFile("FixedString.dat"), "abc\r\nde\0greeting"s);
  EXPECT_EQ(program.ReadFile("FixedString.dat.bak"), edited);

  // The selector's fixed strings show the new string first.
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});  // tray icon, left button
  ASSERT_TRUE(WaitFor([] { return Driver({"info", kSelector}).out.rfind("visible=1", 0) == 0; }, 5s));
  Driver({"keys", "tap:0x10"});  // Shift: to the fixed strings
  EXPECT_TRUE(WaitFor([] { return ListItems(kSelector, "1002").find("count=2 selected=0") == 0; }, 5s));
  EXPECT_EQ(Driver({"edit-text", kSelector, "1003"}).out, "abc\\r\\nde");  // the preview of line 0
  Driver({"keys", "tap:0x1B"});                                            // Esc

  EXPECT_TRUE(program.EndInOrder());
  EXPECT_EQ(program.ReadFile("FixedString.dat"), "abc\r\nde\0greeting"s);
}

TEST(Settings, EscDiscardsTheEditsAndLeavesTheFilesAsTheyWere) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\nClipBoardLog=20\r\n");
  ASSERT_TRUE(program.Start());
  FocusWineDesktop();
  OpenSettingsFromTheTrayMenu();
  ASSERT_EQ(Driver({"find", kSettings, "10000"}).exitCode, 0);
  EXPECT_EQ(Driver({"edit-text", kSettings, "1105"}).out, "20");
  // Tab, Tab from the start-up button reaches the spin control; Up raises the number.
  Driver({"keys", "tap:0x09", "tap:0x09", "tap:0x26"});
  EXPECT_TRUE(WaitFor([] { return Driver({"edit-text", kSettings, "1105"}).out == "21"; }, 5s));
  Driver({"post", kSettings, kWmCommand, kCmdFixedAdd, "0"});
  ASSERT_EQ(Driver({"find", kEntry, "10000"}).exitCode, 0);
  Driver({"keys", "tap:0x58", "tap:0x0D"});  // x, Enter
  ASSERT_EQ(Driver({"wait-gone", kEntry, "5000"}).exitCode, 0);
  EXPECT_EQ(ListItems(kSettings, kLstFixedText), "count=1 selected=-1\nx\n");
  Driver({"keys", "tap:0x1B"});  // Esc
  ASSERT_EQ(Driver({"wait-gone", kSettings, "5000"}).exitCode, 0);
  EXPECT_FALSE(program.ReadFile("FixedString.dat").has_value());
  EXPECT_TRUE(program.EndInOrder());
  EXPECT_EQ(program.ReadFile("FixedString.dat").value_or("<missing>"), "");
  EXPECT_NE(program.ReadFile("Quistrel.ini")->find("ClipBoardLog=20"), std::string::npos);
}

TEST(Settings, AFixedStringFileTooLargeToReadIsReportedOnceAndNeverWritten) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  program.WriteFile("FixedString.dat", "");
  constexpr std::uintmax_t kSize = 3ull << 30;  // sparse: no disk space taken
  fs::resize_file(program.File("FixedString.dat"), kSize);
  program.Launch();
  const RunResult box = Driver({"dialog", "Mallowquist", "30000"});
  ASSERT_EQ(box.exitCode, 0);
  EXPECT_NE(box.out.find("固定文字ファイルの読み込みに失敗しました。"), std::string::npos) << box.out;
  EXPECT_NE(box.out.find("\\FixedString.dat"), std::string::npos) << box.out;
  // The box waits for nobody: the program already works.
  ASSERT_EQ(Driver({"find", kSelector, "20000"}).exitCode, 0);
  Driver({"dialog-press", "Mallowquist", "1"});

  // Settings OK with the list untouched saves without a word.
  OpenSettingsFromTheTrayMenu();
  ASSERT_EQ(Driver({"find", kSettings, "10000"}).exitCode, 0);
  Driver({"post", kSettings, kWmCommand, kCmdOK, "0"});
  ASSERT_EQ(Driver({"wait-gone", kSettings, "5000"}).exitCode, 0);
  EXPECT_NE(Driver({"dialog", "Mallowquist", "1000"}).exitCode, 0);
  EXPECT_TRUE(program.EndInOrder());
  EXPECT_EQ(fs::file_size(program.File("FixedString.dat")), kSize);
}

// A save whose write into FixedString.dat failed left its complete .new, and
// the user put a file of their own back; a killed save left its part. The
// start finishes the save, says where the user's file went in a box that
// nobody may be there to answer (a start at log-on), and works meanwhile.
TEST(Settings, AStartThatFinishesAStoppedSaveSaysWhereTheFileFoundThereWentAndWorksMeanwhile) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  program.WriteFile("FixedString.dat", "put back by hand");
  program.WriteFile("FixedString.dat.new", "typed\0in the dialog"s);
  program.WriteFile("FixedString.dat.tmp", "a part");
  program.Launch();
  const RunResult box = Driver({"dialog", "Mallowquist", "15000"});
  ASSERT_EQ(box.exitCode, 0);
  EXPECT_NE(box.out.find("\\FixedString.dat.bak"), std::string::npos) << box.out;
  Screenshot("start-kept-file");
  EXPECT_EQ(program.ReadFile("FixedString.dat.bak"), "put back by hand");
  EXPECT_FALSE(program.ReadFile("FixedString.dat.tmp").has_value());

  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});  // tray icon, left button
  ASSERT_TRUE(WaitFor([] { return Driver({"info", kSelector}).out.rfind("visible=1", 0) == 0; }, 10s));
  Driver({"keys", "tap:0x10"});  // Shift: to the fixed strings
  EXPECT_TRUE(WaitFor([] { return ListItems(kSelector, kList).find("count=2") == 0; }, 5s))
      << ListItems(kSelector, kList);
  Driver({"keys", "tap:0x1B"});  // Esc

  // Unanswered, the box does not keep the program from ending.
  EXPECT_TRUE(program.EndInOrder());
}

}  // namespace
}  // namespace e2e
