// The main use from outside: texts copied in other programs, Win+C held and
// tapped, the release of Win putting the chosen text on the clipboard.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

bool SelectorVisible() { return Driver({"info", kSelector}).out.rfind("visible=1", 0) == 0; }
std::string Preview() { return Driver({"edit-text", kSelector, kPreview}).out; }
// "count=N selected=M" of the selector's list.
std::string ListState() {
  const std::string out = Driver({"list-items", kSelector, kList}).out;
  return out.substr(0, out.find('\n'));
}

void Copy(const std::string& text) {
  XClipSet(text);
  // The program hears of it through the clipboard chain.
  std::this_thread::sleep_for(400ms);
}

// A commit reaches the X clipboard a moment after the selector hides.
::testing::AssertionResult ClipboardBecomes(const std::string& text) {
  if (WaitFor([&text] { return XClipGet() == text; }, 5s)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the clipboard holds \"" << XClipGet() << "\", not \"" << text << "\"";
}

// A point near the bottom right corner of the window's client area, clear of
// the selector, which shows at the caret or the mouse pointer. Without Wine's
// virtual desktop only a click on a window of Wine reaches Windows programs.
std::vector<std::string> PointInto(const std::string& className) {
  const std::string info = Driver({"info", className}).out;
  const std::size_t at = info.find("window=");
  int left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(std::sscanf(info.c_str() + (at == std::string::npos ? 0 : at), "window=%d,%d,%d,%d", &left, &top, &width,
                        &height),
            4)
      << info;
  return {std::to_string(left + width - 40), std::to_string(top + height - 40)};
}
void ClickInto(const std::string& className) {
  const auto point = PointInto(className);
  XdoTool({"mousemove", point[0], point[1], "click", "1"});
}

// The tray icon's left button, and a click at the point within milliseconds
// of the selector's X window showing: looked for as fast as xdotool starts.
void TrayClickThenClickAt(const std::vector<std::string>& point) {
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});
  const auto end = std::chrono::steady_clock::now() + 5s;
  while (Run({"xdotool", "search", "--onlyvisible", "--name", "^Mallowquist$"}).exitCode != 0 &&
         std::chrono::steady_clock::now() < end) {
  }
  XdoTool({"mousemove", point[0], point[1], "click", "1"});
}

// Keys that go down at the X server into the window the user works in. When
// the selector closes, a window manager may leave the X focus on a window of
// its own instead of that one (Wine gives the X focus to another program's
// managed window only through the window manager): the user's click back
// into the window comes first then. Wine then has no foreground window to
// follow, and the window the user works in is Notepad.
void HoldDown(std::vector<std::string> keys) {
  if (WindowManagerRuns()) {
    const std::string notepad = Driver({"x-window", "Notepad"}).out;
    const std::string focus = Run({"xdotool", "getwindowfocus"}).out;
    if (Driver({"x-window"}).exitCode != 0 && !notepad.empty() && focus != notepad) {
      Run({"xdotool", "windowactivate", "--sync", notepad.substr(0, notepad.find('\n'))}, {}, 10s);
    } else {
      FocusWineDesktop();
    }
  }
  keys.insert(keys.begin(), "keydown");
  XdoTool(keys);
}

void HoldWinAndTap(const std::string& keys) {
  HoldDown({"super"});
  XdoTool({"key", keys});
  WaitFor(SelectorVisible, 5s);
}
void ReleaseWin() {
  XdoTool({"keyup", "super"});
  WaitFor([] { return !SelectorVisible(); }, 5s);
}

class Selector : public ::testing::Test {
 protected:
  // Nothing of an earlier test is on the clipboard at start, unless given.
  // The user works in Notepad, which has the keyboard focus: with Wine's
  // virtual desktop or, without it, the X focus on Notepad's own window.
  void StartWith(const std::string& ini, const std::string& fixed = {}, const std::string& clipboard = {}) {
    StartIn(program, ini, fixed, clipboard);
  }
  void StartIn(Program& run, const std::string& ini, const std::string& fixed = {}, const std::string& clipboard = {}) {
    XClipSet(clipboard);
    run.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n" + ini);
    if (!fixed.empty()) run.WriteFile("FixedString.dat", fixed);
    ASSERT_TRUE(run.Start());
    if (!notepad) notepad.emplace(std::vector<std::string>{"wine", "notepad"});
    ASSERT_TRUE(MakeActive("Notepad"));
  }
  std::string NotepadText() const { return Driver({"controls", "Notepad"}).out; }
  // What Notepad's edit box holds.
  std::string NotepadEdit() const {
    const std::string controls = NotepadText();
    const std::size_t at = controls.find("\tEdit\t");
    if (at == std::string::npos) return {};
    const std::size_t text = at + 6;
    return controls.substr(text, controls.find('\t', text) - text);
  }
  // AutoPaste on, two texts in the history, and the active window one that
  // records the keys it receives.
  void StartBesideAKeyLog() {
    StartWith("AutoPaste=1\r\n");
    Copy("oldest");
    Copy("newest");
    keyLog.emplace();
    ASSERT_TRUE(MakeActive("Quistrel.KeyLog"));
  }
  std::string Keys() const { return keyLog->Lines(); }
  std::optional<Background> notepad;
  Program program;
  std::optional<KeyLog> keyLog;
};

// The first paste of each start, the gesture timed as a user makes it: the
// window the user works in gets the keys that paste there, whichever window
// of the three the start begins with, and on a display where the program has
// shown no window yet (this scenario comes first in its run).
TEST_F(Selector, TheFirstPasteAfterEachStartReachesItsWindow) {
  struct Target {
    const char* windowClass;
    bool terminal;  // pastes with Shift+Insert; Notepad with Ctrl+V
  };
  const Target targets[] = {{"PuTTY", true}, {"mintty", true}, {"Notepad", false}};
  for (int start = 0; start < 3; ++start) {
    Program run;
    StartIn(run, "AutoPaste=1\r\nViewBalloon=0\r\n");
    Copy("a");
    Copy("b");
    // Each commit moves its text to the front, so the gestures alternate.
    const char* commits[] = {"a", "b", "a"};
    for (int gesture = 0; gesture < 3; ++gesture) {
      const Target& target = targets[(start + gesture) % 3];
      std::optional<KeyLog> log;
      if (target.terminal) log.emplace(KeyLog::Kind::Window, target.windowClass);
      ASSERT_TRUE(MakeActive(target.windowClass)) << target.windowClass;
      const std::string before = NotepadEdit();
      HoldDown({"super"});
      XdoTool({"key", "c"});
      std::this_thread::sleep_for(400ms);
      XdoTool({"keyup", "super"});
      const std::string where =
          "start " + std::to_string(start) + ", gesture " + std::to_string(gesture) + ", " + target.windowClass + "\n";
      EXPECT_TRUE(ClipboardBecomes(commits[gesture])) << where;
      if (target.terminal) {
        EXPECT_TRUE(WaitFor([&] { return log->Lines().find("keydown 2D shift\n") != std::string::npos; }, 5s))
            << where << log->Lines();
      } else {
        const std::string pasted = before + commits[gesture];
        EXPECT_TRUE(WaitFor([&] { return NotepadEdit() == pasted; }, 5s)) << where << NotepadText();
      }
    }
    EXPECT_TRUE(run.EndInOrder());
  }
}

TEST_F(Selector, TheClipboardTextAtStartIsTheFirstEntry) {
  StartWith("", {}, "on the clipboard before the start");
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});  // tray icon, left button
  ASSERT_TRUE(WaitFor(SelectorVisible, 5s));
  EXPECT_EQ(ListState(), "count=1 selected=-1");
  Driver({"keys", "tap:0x28"});  // Down
  EXPECT_EQ(Preview(), "on the clipboard before the start");
}

TEST_F(Selector, WinCStepsBackThroughTheHistoryAndReleasingWinCommits) {
  StartWith("");
  for (const char* text : {"first", "second", "third", "fourth"}) Copy(text);
  HoldWinAndTap("c");
  EXPECT_EQ(ListState(), "count=4 selected=1");
  EXPECT_EQ(Preview(), "third");
  Screenshot("selector-history");
  XdoTool({"key", "c"});
  EXPECT_EQ(Preview(), "second");
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes("second"));

  // The committed text moved to the front: the text before it is now "fourth".
  HoldWinAndTap("c");
  EXPECT_EQ(Preview(), "fourth");
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes("fourth"));
}

TEST_F(Selector, WinAltCPicksTheOldestAndUpDownArrowsMove) {
  StartWith("");
  for (const char* text : {"oldest", "middle", "newest"}) Copy(text);
  HoldWinAndTap("alt+c");
  EXPECT_EQ(Preview(), "oldest");
  Driver({"keys", "tap:0x26"});  // Up
  EXPECT_EQ(Preview(), "middle");
  Driver({"keys", "tap:0x28", "tap:0x28"});  // Down twice wraps to the top
  EXPECT_EQ(Preview(), "newest");
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes("newest"));
}

TEST_F(Selector, ShiftLeftAndRightSwitchBetweenHistoryAndFixedStrings) {
  StartWith("", std::string("greeting") + '\0' + "signature" + '\0' + "address");
  Copy("copied");
  HoldWinAndTap("c");
  Driver({"keys", "tap:0x10"});  // Shift: to the fixed strings, the first selected
  EXPECT_EQ(ListState(), "count=3 selected=0");
  EXPECT_EQ(Preview(), "greeting");
  Screenshot("selector-fixed-strings");
  Driver({"keys", "tap:0x25"});  // Left: back to the history
  EXPECT_EQ(ListState(), "count=1 selected=0");
  Driver({"keys", "tap:0x27"});  // Right: the fixed strings again
  XdoTool({"key", "c"});
  EXPECT_EQ(Preview(), "signature");
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes("signature"));

  // The next opening shows the fixed strings, with the committed one found.
  HoldWinAndTap("c");
  EXPECT_EQ(ListState(), "count=3 selected=2");
  Driver({"keys", "tap:0x1B"});  // Esc
  ReleaseWin();
}

TEST_F(Selector, EscTheRightWinKeyAndAClickElsewhereCloseWithoutCommit) {
  StartWith("");
  Copy("kept");
  Copy("current");
  HoldWinAndTap("c");
  Driver({"keys", "tap:0x1B"});  // Esc
  EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 3s));
  ReleaseWin();
  EXPECT_EQ(XClipGet(), "current");

  HoldWinAndTap("c");
  Driver({"keys", "down:0x5C", "up:0x5C"});  // the right Windows key
  EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 3s));
  ReleaseWin();
  EXPECT_EQ(XClipGet(), "current");

  HoldWinAndTap("c");
  XdoTool({"keyup", "super"});  // the one release that commits
  EXPECT_TRUE(ClipboardBecomes("kept"));
  HoldWinAndTap("c");
  ClickInto("Notepad");
  EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 3s));
  XdoTool({"keyup", "super"});
  EXPECT_EQ(XClipGet(), "kept");

  // Opened from the tray icon, a click that comes as the selector shows acts
  // on it: on a line it selects the line, elsewhere it closes the selector.
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});
  ASSERT_TRUE(WaitFor(SelectorVisible, 5s));
  std::istringstream line(Driver({"line-point", kSelector, kList, "0"}).out);
  std::vector<std::string> onLine(2);
  line >> onLine[0] >> onLine[1];
  Driver({"keys", "tap:0x1B"});
  ASSERT_TRUE(WaitFor([] { return !SelectorVisible(); }, 3s));
  TrayClickThenClickAt(onLine);
  EXPECT_TRUE(WaitFor([] { return ListState() == "count=2 selected=0"; }, 3s)) << ListState();
  EXPECT_EQ(Preview(), "kept");  // the last gesture left "current" there
  Driver({"keys", "tap:0x1B"});
  ASSERT_TRUE(WaitFor([] { return !SelectorVisible(); }, 3s));
  TrayClickThenClickAt(PointInto("Notepad"));
  EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 3s));
  EXPECT_EQ(XClipGet(), "kept");
}

TEST_F(Selector, OpenedFromTheTrayIconNothingIsSelectedAndReleasingWinCommitsNothing) {
  StartWith("");
  Copy("a");
  Copy("b");
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});
  ASSERT_TRUE(WaitFor(SelectorVisible, 5s));
  EXPECT_EQ(ListState(), "count=2 selected=-1");
  XdoTool({"keydown", "super"});
  XdoTool({"key", "c"});
  EXPECT_EQ(Preview(), "a");
  XdoTool({"keyup", "super"});
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(SelectorVisible());
  EXPECT_EQ(XClipGet(), "b");
  Driver({"keys", "tap:0x1B"});
  EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 3s));
}

// What a screen reader hears, asked from another process: each line's text
// as the list shows it, and the option buttons' captions.
TEST_F(Selector, EveryLineHasItsTextAsItsAccessibleName) {
  StartWith("");
  for (const char* text : {"first", "two\r\nlines", "third"}) {
    ASSERT_EQ(Driver({"clip-set", text}).exitCode, 0);
    std::this_thread::sleep_for(300ms);
  }
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});
  ASSERT_TRUE(WaitFor(SelectorVisible, 5s));
  const std::string list = Driver({"acc-names", kSelector, kList}).out;
  EXPECT_EQ(list.substr(list.find('\n') + 1), "count=3\nthird\ntwo  lines\nfirst\n") << list;
  EXPECT_EQ(Driver({"acc-names", kSelector, "1000"}).out, "name=クリップボード履歴\ncount=0\n");
  EXPECT_EQ(Driver({"acc-names", kSelector, "1001"}).out, "name=固定文字\ncount=0\n");
  Driver({"keys", "tap:0x1B"});
}

TEST_F(Selector, TextOutsideCodePage932RoundTrips) {
  StartWith("");
  const std::string foreign = "Müller – naïve ☃ Ελληνικά 日本語";
  Copy(foreign);
  Copy("plain");
  HoldWinAndTap("c");
  EXPECT_EQ(Preview(), foreign);
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes(foreign));
}

TEST_F(Selector, AutoPasteOnePastesIntoTheActiveEditor) {
  // The user's own paste keys: a class in any case, and a bad value that
  // leaves PuTTY's built-in keys.
  const std::string pasteKeys = "[PasteKeys]\r\nPuTTY=Ctrl+Q\r\nquistrel.term=Alt+V\r\n";
  // No start balloon over the pasted line in the picture (without Wine's
  // virtual desktop it shows at the top left, where Notepad's text is).
  StartWith("AutoPaste=1\r\nViewBalloon=0\r\n" + pasteKeys);
  Copy("pasted by the selector");
  Copy("something else");
  HoldWinAndTap("c");
  ASSERT_TRUE(SelectorVisible());
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes("pasted by the selector"));
  // Once, and nothing else: no second paste, no stray c or v.
  const std::string once = "\tEdit\tpasted by the selector\t";
  EXPECT_TRUE(WaitFor([this, &once] { return NotepadText().find(once) != std::string::npos; }, 5s))
      << NotepadText() << "active: " << Driver({"active"}).out;
  std::this_thread::sleep_for(500ms);
  EXPECT_NE(NotepadText().find(once), std::string::npos) << NotepadText();
  Screenshot("autopaste-notepad");

  // Each program gets the keys it pastes with: the terminals Shift+Insert
  // (Ctrl+V would reach their remote shell), others Ctrl+V, and a class of
  // the user's entry what it names; nothing else, and no menu.
  struct Target {
    const char* windowClass;
    const char* paste;
    const char* notSent;
  };
  for (const Target& target : {Target{"PuTTY", "keydown 2D shift\n", " 56"},
                               {"mintty", "keydown 2D shift\n", " 56"},
                               {"Quistrel.KeyLog", "keydown 56 ctrl\n", " 2D"},
                               {"Quistrel.Term", "syskeydown 56 alt\n", " 2D"}}) {
    const KeyLog log(KeyLog::Kind::Window, target.windowClass);
    ASSERT_TRUE(MakeActive(target.windowClass)) << target.windowClass;
    HoldWinAndTap("c");
    ReleaseWin();
    EXPECT_TRUE(WaitFor([&] { return log.Lines().find(target.paste) != std::string::npos; }, 5s))
        << target.windowClass << "\n"
        << log.Lines();
    std::this_thread::sleep_for(300ms);
    const std::string keys = log.Lines();
    EXPECT_EQ(keys.find(target.notSent), std::string::npos) << target.windowClass << "\n" << keys;
    EXPECT_EQ(keys.find("menu\n"), std::string::npos) << target.windowClass << "\n" << keys;
    // The key that marks Wine's resyncs of the held keys was held through
    // the hand-back, and is let go again: its release leads the paste's keys.
    const std::size_t markUp = keys.rfind("keyup 1D");
    const std::size_t markDown = keys.rfind("keydown 1D");
    EXPECT_TRUE(markUp != std::string::npos && (markDown == std::string::npos || markDown < markUp))
        << target.windowClass << "\n"
        << keys;
  }
  // The program never writes the section: it is there after the saves at the end.
  EXPECT_TRUE(program.EndInOrder());
  EXPECT_NE(program.ReadFile("Quistrel.ini").value_or("").find(pasteKeys), std::string::npos)
      << program.ReadFile("Quistrel.ini").value_or("");
}

// The user's whole use, timed as a user does it, right after the start: each
// release of Win commits what the selector shows, wherever the system sends
// the key.
TEST_F(Selector, EachReleaseOfWinCommitsRightAfterTheStart) {
  for (int start = 0; start < 3; ++start) {
    Program run;
    StartIn(run, "");
    for (const char* text : {"zero", "one", "two"}) Copy(text);
    struct Gesture {
      int taps;
      std::chrono::milliseconds pause;
      const char* commits;
    };
    // Each commit moves its text to the front: two one zero, one two zero,
    // zero one two, then back to two zero one.
    for (const Gesture& gesture : {Gesture{1, 300ms, "one"}, Gesture{2, 300ms, "zero"}, Gesture{2, 800ms, "two"}}) {
      HoldDown({"super"});
      for (int tap = 0; tap < gesture.taps; ++tap) {
        XdoTool({"key", "c"});
        EXPECT_TRUE(WaitFor(SelectorVisible, 5s));
        std::this_thread::sleep_for(gesture.pause);
      }
      EXPECT_EQ(Preview(), gesture.commits) << "start " << start;
      XdoTool({"keyup", "super"});
      EXPECT_TRUE(ClipboardBecomes(gesture.commits)) << "start " << start << ", " << gesture.taps << " C";
      EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 5s));
    }
    // Not one C reached the window the user works in.
    EXPECT_NE(NotepadText().find("\tEdit\t\t"), std::string::npos) << NotepadText();
    EXPECT_TRUE(run.EndInOrder());
  }
}

TEST_F(Selector, AfterWinAltCThePasteIsCtrlVAloneAndOpensNoMenu) {
  StartBesideAKeyLog();
  HoldDown({"super", "alt"});
  XdoTool({"key", "c"});
  ASSERT_TRUE(WaitFor(SelectorVisible, 5s));
  XdoTool({"keyup", "super"});  // Alt still held
  EXPECT_TRUE(WaitFor([this] { return Keys().find("keyup 56") != std::string::npos; }, 5s)) << Keys();
  XdoTool({"keyup", "alt"});
  std::this_thread::sleep_for(500ms);
  const std::string keys = Keys();
  EXPECT_NE(keys.find("keydown 56 ctrl\n"), std::string::npos) << keys;  // V with Ctrl and nothing else
  EXPECT_EQ(keys.find("menu"), std::string::npos) << keys;
  EXPECT_TRUE(ClipboardBecomes("oldest"));
}

TEST_F(Selector, AWinCWhileThePasteWaitsForTheTargetDoesNotSwallowIt) {
  StartBesideAKeyLog();
  HoldWinAndTap("c");
  // The target does not answer for a while (shorter than the selector waits
  // for it), and Win is let go and at once held again with C: the hot key
  // comes while the paste still waits for the target's focus.
  Driver({"post", "Quistrel.KeyLog", "0x8001", "200", "0"});
  XdoTool({"keyup", "super", "keydown", "super", "key", "c"});
  EXPECT_TRUE(WaitFor([this] { return Keys().find("keydown 56 ctrl\n") != std::string::npos; }, 5s)) << Keys();
  XdoTool({"keyup", "super"});
  WaitFor([] { return !SelectorVisible(); }, 5s);
}

TEST_F(Selector, ATrayClickWhileTheSettingsDialogIsOpenLeavesWinCWorking) {
  StartWith("");
  Copy("older");
  Copy("newer");
  Driver({"post", kSelector, "0x0111", "102", "0"});  // the settings entry
  ASSERT_EQ(Driver({"find", kSettings, "10000"}).exitCode, 0);
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});  // tray icon, left button
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(SelectorVisible());
  Driver({"post", kSettings, "0x0111", "2", "0"});  // Cancel
  ASSERT_EQ(Driver({"wait-gone", kSettings, "5000"}).exitCode, 0);
  FocusWineDesktop();
  HoldWinAndTap("c");
  ASSERT_TRUE(SelectorVisible());
  ReleaseWin();
  EXPECT_FALSE(SelectorVisible());
  EXPECT_TRUE(ClipboardBecomes("older"));
}

// Wine's desktop of 1280x800 shows the tray's one icon at its bottom right.
constexpr int kTrayIconLeft = 1262, kTrayIconTop = 782;
std::string TrayIconPixels() { return ScreenPixels(kTrayIconLeft, kTrayIconTop, 16, 16); }

// The tip the shell shows with the mouse on the tray icon.
std::string TrayTip() {
  XdoTool({"mousemove", std::to_string(kTrayIconLeft + 6), std::to_string(kTrayIconTop + 6)});
  XdoTool({"mousemove", std::to_string(kTrayIconLeft + 8), std::to_string(kTrayIconTop + 8)});
  std::string tip;
  WaitFor([&tip] { return !(tip = Driver({"shown", "tooltips_class32"}).out).empty(); }, 5s);
  XdoTool({"mousemove", "1200", "700"});
  WaitFor([] { return Driver({"shown", "tooltips_class32"}).out.empty(); }, 5s);
  return tip;
}

// The tray menu pops up at the mouse pointer; what it shows, as pixels.
std::string OpenTrayMenu() {
  Driver({"cursor", "1200", "700"});
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x205"});  // right button
  std::this_thread::sleep_for(700ms);
  int left = 0, top = 0, width = 0, height = 0;
  const std::string info = Driver({"info", "#32768"}).out;
  const std::size_t at = info.find("window=");
  if (at == std::string::npos ||
      std::sscanf(info.c_str() + at, "window=%d,%d,%d,%d", &left, &top, &width, &height) != 4) {
    return "no menu: " + info;
  }
  return ScreenPixels(left, top, width, height);
}

// The history as the selector opened from the tray icon shows it: its number
// of lines and the newest one.
std::string History() {
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});  // left button
  WaitFor(SelectorVisible, 5s);
  Driver({"keys", "tap:0x28"});  // Down, from the clipboard's text to the newest line
  const std::string state = ListState();
  const std::string history = state.substr(0, state.find(' ')) + " " + Preview();
  Driver({"keys", "tap:0x1B"});
  WaitFor([] { return !SelectorVisible(); }, 5s);
  return history;
}

// The pause entry is the menu's only one under P: copies stay out of the
// history from the pause on, across a restart, until the entry is chosen
// again; the icon and its tip say so meanwhile. The end entry saves the
// settings and ends.
TEST_F(Selector, TrayMenuPausesTheRecordingUntilResumedAlsoAcrossARestartAndTheEndEntrySavesAndEnds) {
  StartWith("ClipBoardLog=5\r\nViewBalloon=0\r\n");  // no balloon over the tips
  Copy("recorded");
  const std::string icon = TrayIconPixels();
  EXPECT_EQ(TrayTip(), "Mallowquist\n");
  const std::string menu = OpenTrayMenu();
  Screenshot("tray-menu");
  Driver({"keys", "tap:0x50"});  // P
  EXPECT_TRUE(WaitFor([&icon] { return TrayIconPixels() != icon; }, 5s));
  const std::string pausedIcon = TrayIconPixels();
  EXPECT_EQ(TrayTip(), "Mallowquist（記録を一時停止中）\n");
  const std::string pausedMenu = OpenTrayMenu();
  EXPECT_TRUE(pausedMenu != menu);  // the entry checked
  Screenshot("tray-menu-paused");
  Driver({"keys", "tap:0x1B"});
  Copy("copied while paused");
  Copy("copied while paused too");
  EXPECT_EQ(History(), "count=1 recorded");
  EXPECT_EQ(XClipGet(), "copied while paused too");  // the clipboard as the user left it

  ASSERT_TRUE(program.EndInOrder());
  EXPECT_NE(program.ReadFile("Quistrel.ini").value_or("").find("PauseRecording=1\r\n"), std::string::npos);
  ASSERT_TRUE(program.Start());
  EXPECT_TRUE(WaitFor([&pausedIcon] { return TrayIconPixels() == pausedIcon; }, 10s));
  EXPECT_EQ(History(), "count=0 ");  // nor the clipboard's text at the start
  EXPECT_EQ(TrayTip(), "Mallowquist（記録を一時停止中）\n");
  EXPECT_TRUE(OpenTrayMenu() == pausedMenu);
  Driver({"keys", "tap:0x50"});
  EXPECT_TRUE(WaitFor([&icon] { return TrayIconPixels() == icon; }, 5s));
  EXPECT_EQ(TrayTip(), "Mallowquist\n");
  EXPECT_EQ(History(), "count=0 ");  // what was copied while paused stays unread
  Copy("recorded after resuming");
  EXPECT_EQ(History(), "count=1 recorded after resuming");
  EXPECT_TRUE(OpenTrayMenu() == menu);
  Driver({"keys", "tap:0x1B"});

  Driver({"post", kSelector, "0x0111", "105", "0"});  // the end entry
  EXPECT_TRUE(WaitForExit(program.Pid(), 20s));
  EXPECT_EQ(program.ReadFile("Quistrel.ini"),
            "[Main]\r\nViewHello=0\r\nClipBoardLog=5\r\nViewBalloon=0\r\nAutoPaste=0\r\nPauseRecording=0\r\n");
}

TEST_F(Selector, AShellRestartBringsTheTrayIconBack) {
  StartWith("");
  EXPECT_EQ(Driver({"tray-exists", kSelector}).exitCode, 0);
  Driver({"tray-delete", kSelector});
  EXPECT_NE(Driver({"tray-exists", kSelector}).exitCode, 0);
  Driver({"broadcast", "reg:TaskbarCreated"});
  EXPECT_TRUE(WaitFor([] { return Driver({"tray-exists", kSelector}).exitCode == 0; }, 5s));
}

// The key events another program's low-level hook saw while a Windows key
// was down, one text per hold of Win, a line a key ("\ndown 43\nup E8
// injected\n"...).
std::vector<std::string> WinHolds(const std::string& log) {
  std::vector<std::string> holds;
  bool held = false;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("hook ", 0) != 0) continue;
    const std::string key = line.substr(5);
    if (key == "up 5B") {
      held = false;
    } else if (held) {
      holds.back() += key + "\n";
    } else if (key == "down 5B") {
      held = true;
      holds.emplace_back("\n");
    }
  }
  return holds;
}

// Another program registered both combinations and hooks the keyboard before
// the program starts, as Windows' own assistant key or a second clipboard
// tool would: the program still owns Win+C and Win+Alt+C, says nothing, and
// passes every other key on.
TEST(SelectorHotKeys, WinCBelongsToTheProgramAlsoWhenAnotherProgramTookItFirst) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  XClipSet("");
  const KeyLog peer(KeyLog::Kind::Peer);
  ASSERT_TRUE(WaitFor([&peer] { return peer.Lines().find("ready") != std::string::npos; }, 30s)) << peer.Lines();
  ASSERT_TRUE(program.Start());
  EXPECT_NE(Driver({"dialog", "Mallowquist", "3000"}).exitCode, 0) << "a message box came up";
  EXPECT_TRUE(WaitFor([] { return Driver({"tray-exists", kSelector}).exitCode == 0; }, 10s));
  for (const char* text : {"first", "second", "third"}) Copy(text);
  ASSERT_TRUE(MakeActive("Quistrel.KeyLog"));

  HoldWinAndTap("c");
  XdoTool({"key", "c"});
  EXPECT_EQ(Preview(), "first");
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes("first"));

  ASSERT_TRUE(MakeActive("Quistrel.KeyLog"));
  XdoTool({"keydown", "super", "alt"});
  XdoTool({"key", "c"});
  EXPECT_TRUE(WaitFor(SelectorVisible, 5s));
  XdoTool({"keyup", "alt"});
  EXPECT_TRUE(SelectorVisible()) << "the release of Alt closed the selector";
  ReleaseWin();
  EXPECT_TRUE(ClipboardBecomes("second"));  // the oldest of first, third, second

  ASSERT_TRUE(MakeActive("Quistrel.KeyLog"));
  XdoTool({"key", "super+e"});
  XdoTool({"key", "c"});
  EXPECT_TRUE(WaitFor([&peer] { return peer.Lines().find("hook up 43\n") != std::string::npos; }, 5s)) << peer.Lines();
  EXPECT_FALSE(SelectorVisible());

  const std::string log = peer.Lines();
  EXPECT_EQ(log.find("hotkey "), std::string::npos) << log;
  const auto holds = WinHolds(log);
  ASSERT_EQ(holds.size(), 3u) << log;
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(holds[i].find(" 43\n"), std::string::npos) << "hold " << i << "\n" << log;
    EXPECT_NE(holds[i].find("\ndown E8 injected\n"), std::string::npos) << "hold " << i << "\n" << log;
  }
  EXPECT_NE(holds[2].find("\ndown 45\n"), std::string::npos) << log;
  // The plain C after it.
  EXPECT_NE(log.find("hook down 43\nhook up 43\n", log.rfind("hook up 5B")), std::string::npos) << log;
}

// The keyboard hook answers on a thread of its own: with the program's
// window thread held up, keys typed elsewhere arrive at once, and a Win+C
// made meanwhile still opens, steps and commits once the thread is back,
// although it then hears the release of Win only through the hook.
TEST(SelectorHotKeys, KeysGoThroughAtOnceWhileTheProgramIsBusy) {
  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  XClipSet("");
  ASSERT_TRUE(program.Start());
  FocusWineDesktop();
  for (const char* text : {"older", "newer"}) Copy(text);
  const KeyLog log;
  ASSERT_TRUE(MakeActive("Quistrel.KeyLog"));
  Driver({"post", kSelector, "reg:Mallowquist_KeyHookTiming", "3", "5000"});  // the window thread sleeps 5 s
  std::this_thread::sleep_for(500ms);
  // Typed from a Windows program: keys sent this way wait for every hook.
  Driver({"keys", "tap:0x41", "tap:0x42"});
  EXPECT_TRUE(WaitFor([&log] { return log.Lines().find("keyup 42") != std::string::npos; }, 1500ms)) << log.Lines();
  XdoTool({"keydown", "super"});
  XdoTool({"key", "c"});
  XdoTool({"keyup", "super"});
  EXPECT_TRUE(WaitFor([] { return XClipGet() == "older"; }, 10s)) << XClipGet();
  EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 5s));
}

}  // namespace
}  // namespace e2e
