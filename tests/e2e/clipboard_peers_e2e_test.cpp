// Other programs on the clipboard that misbehave or ask for privacy: the
// program records what it should, keeps out what is marked private, and no
// peer freezes it. Each peer is played by qpeer.exe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<std::string> PeerCommand(std::vector<std::string> args) {
  args.insert(args.begin(), {"wine", (Win32BuildDir() / "tests" / "qpeer.exe").string()});
  return args;
}
RunResult Peer(const std::vector<std::string>& args) { return Run(PeerCommand(args)); }

bool SelectorVisible() { return Driver({"info", kSelector}).out.rfind("visible=1", 0) == 0; }
int LineCount() {
  const std::string out = Driver({"list-items", kSelector, kList}).out;
  return out.rfind("count=", 0) == 0 ? std::stoi(out.substr(6)) : -1;
}

void Copy(const std::string& text) {
  XClipSet(text);
  std::this_thread::sleep_for(400ms);
}

// The history as the selector steps through it from the program's current
// text: the entry after it first, the current text itself last.
std::vector<std::string> HistoryFromCurrent() {
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});  // tray icon, left button
  std::vector<std::string> texts;
  if (!WaitFor(SelectorVisible, 5s)) return texts;
  const int count = LineCount();
  for (int i = 0; i < count; ++i) {
    Driver({"keys", "tap:0x28"});  // Down
    texts.push_back(Driver({"edit-text", kSelector, kPreview}).out);
  }
  Driver({"keys", "tap:0x1B"});  // Esc
  WaitFor([] { return !SelectorVisible(); }, 5s);
  return texts;
}

std::set<std::string> HistoryTexts() {
  const std::vector<std::string> texts = HistoryFromCurrent();
  return std::set<std::string>(texts.begin(), texts.end());
}

// A peer that holds the clipboard with a window of its own (OpenClipboard
// without one keeps nobody out under Wine) for MS milliseconds, started in
// the background; the object returns once the clipboard is held.
class Holder {
 public:
  Holder(Program& program, const std::string& ms)
      : process_(PeerCommand({"hold-ms", ms}), program.Folder() / "held.txt"),
        held_(WaitFor([&] { return program.ReadFile("held.txt").value_or("").find("held") != std::string::npos; },
                      20s)) {}
  bool Held() const { return held_; }

 private:
  Background process_;
  bool held_;
};

// How long the program takes to show the selector after Win+C.
Clock::duration OpeningTime() {
  const auto start = Clock::now();
  XdoTool({"keydown", "super"});
  XdoTool({"key", "c"});
  WaitFor(SelectorVisible, 10s);
  const auto took = Clock::now() - start;
  Driver({"keys", "tap:0x1B"});
  XdoTool({"keyup", "super"});
  WaitFor([] { return !SelectorVisible(); }, 5s);
  return took;
}

long Ms(Clock::duration d) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

class ClipboardPeers : public ::testing::Test {
 protected:
  void Start(const std::string& settings = "") {
    XClipSet("");
    program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n" + settings);
    ASSERT_TRUE(program.Start());
    FocusWineDesktop();
  }
  // Ends the program with WM_CLOSE and reports how long that took.
  void EndsInOrderAtOnce(const char* peer) {
    const auto start = Clock::now();
    EXPECT_TRUE(program.EndInOrder());
    std::printf("[ figures ] %s: the end took %ld ms\n", peer, Ms(Clock::now() - start));
  }
  Program program;
};

TEST_F(ClipboardPeers, TextsMarkedPrivateNeverEnterTheHistoryAndAllowedOnesDo) {
  Start();
  Copy("visible");
  for (const auto& [format, value] :
       std::vector<std::pair<std::string, std::string>>{{"ExcludeClipboardContentFromMonitorProcessing", "-"},
                                                        {"CanIncludeInClipboardHistory", "0"},
                                                        {"Clipboard Viewer Ignore", "-"}}) {
    ASSERT_EQ(Peer({"private", format, value, "secret " + format}).exitCode, 0);
    std::this_thread::sleep_for(400ms);
  }
  ASSERT_EQ(Peer({"private", "CanIncludeInClipboardHistory", "1", "allowed"}).exitCode, 0);
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(HistoryTexts(), (std::set<std::string>{"visible", "allowed"}));
}

// Programs named in [Exclude], by file name or full path in any case: a copy
// whose owner window is theirs is never read (what one of them only
// promised is never asked for), also while one of them is busy, and a copy
// without an owner window is recorded.
TEST_F(ClipboardPeers, CopiesFromTheWindowsOfProgramsListedInExcludeAreNeverReadThoseWithoutAnOwnerAre) {
  fs::copy_file(Win32BuildDir() / "tests" / "qpeer.exe", program.File("Vault.exe"));
  std::string vault = WindowsPath(program.File("Vault.exe"));
  std::transform(vault.begin(), vault.end(), vault.begin(), [](unsigned char c) { return std::toupper(c); });
  Start("[Exclude]\r\nQPEER.exe\r\nbad|line\r\n" + vault + "\r\n");
  Copy("recorded");
  const auto said = [this](const char* file, const char* word) {
    return program.ReadFile(file).value_or("").find(word) != std::string::npos;
  };
  {
    const Background promise({"wine", program.File("Vault.exe").string(), "promise", "1", "promised"},
                             program.Folder() / "vault.txt");
    ASSERT_TRUE(WaitFor([&] { return said("vault.txt", "promised"); }, 20s));
    std::this_thread::sleep_for(2s);
    EXPECT_FALSE(said("vault.txt", "rendered"));
    const Background busy(PeerCommand({"copy-busy", "4000", "copied"}), program.Folder() / "busy.txt");
    ASSERT_TRUE(WaitFor([&] { return said("busy.txt", "copied"); }, 20s));
    std::this_thread::sleep_for(400ms);
  }
  // Nor once those programs are gone, their copy left without an owner.
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(HistoryTexts(), std::set<std::string>{"recorded"});
  ASSERT_EQ(Peer({"ownerless", "without an owner"}).exitCode, 0);
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(HistoryTexts(), (std::set<std::string>{"recorded", "without an owner"}));
}

TEST_F(ClipboardPeers, AViewerThatHangsFromBeforeTheStartFreezesNothing) {
  const Background viewer(PeerCommand({"viewer", "hang", "120"}));
  std::this_thread::sleep_for(1500ms);
  Start();
  Copy("after the hang");
  const auto took = OpeningTime();
  std::printf("[ figures ] hung viewer: Win+C after a copy took %ld ms\n", Ms(took));
  EXPECT_LT(took, 3s);
  EXPECT_EQ(HistoryTexts(), std::set<std::string>{"after the hang"});
  EndsInOrderAtOnce("hung viewer");
}

TEST_F(ClipboardPeers, ViewersThatPassNothingOnOrVanishCannotCutTheProgramOff) {
  Start();
  {
    const Background mute(PeerCommand({"viewer", "mute", "60"}));
    std::this_thread::sleep_for(1500ms);
    Copy("heard past a mute viewer");
  }
  ASSERT_EQ(Peer({"viewer", "vanish", "0"}).exitCode, 0);
  Copy("heard after a viewer vanished");
  EXPECT_EQ(HistoryTexts(), (std::set<std::string>{"heard past a mute viewer", "heard after a viewer vanished"}));
}

TEST_F(ClipboardPeers, AnOwnerThatRendersLateOrNeverFreezesNothingAndStopsNoRecording) {
  Start();
  Copy("before the promise");
  for (const std::string delay : {"12", "0"}) {
    SCOPED_TRACE(delay);
    const Background owner(PeerCommand({"promise", delay, "late text"}), program.Folder() / "owner.txt");
    std::this_thread::sleep_for(1500ms);
    const auto took = OpeningTime();
    std::printf("[ figures ] owner rendering after %s s (0: never): Win+C took %ld ms\n", delay.c_str(), Ms(took));
    EXPECT_LT(took, 3s);
    EXPECT_EQ(Driver({"tray-exists", kSelector}).exitCode, 0);
    // A second owner that never renders, asked while the first one hangs.
    // Under Wine its promise can wait 5 s for the driver's ask of the first
    // owner: the copies below must come after it, not before.
    std::optional<Background> another;
    if (delay == "0") {
      another.emplace(PeerCommand({"promise", "0", "another late text"}), program.Folder() / "another.txt");
      ASSERT_TRUE(WaitFor(
          [&] { return program.ReadFile("another.txt").value_or("").find("promised") != std::string::npos; }, 20s));
      std::this_thread::sleep_for(1500ms);
    }
    // While the owner still hangs, the copies of other Windows programs are
    // recorded in order. (Under Wine an X program's copy does not reach the
    // Windows clipboard while its owner hangs.)
    // The second comes a tenth of a second after the first.
    const std::string first = "first copy past an owner of " + delay;
    const std::string second = "second copy past an owner of " + delay;
    ASSERT_EQ(Peer({"copies", "100", first, second}).exitCode, 0);
    std::this_thread::sleep_for(400ms);
    if (delay != "0") {
      // The late rendering reaches the read left behind only now, after
      // those copies: whatever it brings must not count as newer.
      EXPECT_TRUE(WaitFor(
          [&] { return program.ReadFile("owner.txt").value_or("").find("rendered") != std::string::npos; }, 20s));
    }
    std::this_thread::sleep_for(1s);
    const std::vector<std::string> history = HistoryFromCurrent();
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ(history.front(), first);  // the entry before the current one
    EXPECT_EQ(history.back(), second);
    EXPECT_EQ(std::count(history.begin(), history.end(), "late text"), 0);
    EXPECT_EQ(XClipGet(), second);
    // Nothing is left reading on the program's behalf: at most a reading
    // process waits for the next read.
    EXPECT_LE(program.CountProcesses(), 2);
    if (delay != "0") continue;
    // A clipboard manager replaces the next copy with a promise it never
    // keeps, just as the program's reading process sets out to read it: that
    // process is ended within about a second, and copies are heard again.
    const Background taker(PeerCommand({"take-on-copy", "150"}), program.Folder() / "taker.txt");
    ASSERT_TRUE(WaitFor(
        [&] { return program.ReadFile("taker.txt").value_or("").find("listening") != std::string::npos; }, 20s));
    ASSERT_EQ(Driver({"clip-set", "replaced at once"}).exitCode, 0);
    EXPECT_TRUE(
        WaitFor([&] { return program.ReadFile("taker.txt").value_or("").find("taken") != std::string::npos; }, 5s));
    std::this_thread::sleep_for(1500ms);
    EXPECT_LE(program.CountProcesses(), 2);
    ASSERT_EQ(Driver({"clip-set", "past the taker"}).exitCode, 0);
    EXPECT_TRUE(WaitFor([] { return HistoryTexts().count("past the taker") > 0; }, 10s));
  }
  // The peers are gone: copies are heard as before, and no reading process
  // waits any more.
  Copy("after the promise");
  EXPECT_TRUE(WaitFor([&] { return program.CountProcesses() == 1; }, 5s));
  EXPECT_TRUE(HistoryTexts().count("after the promise"));
  EndsInOrderAtOnce("late owner");
}

TEST_F(ClipboardPeers, AGiantTextIsKeptWholeAndTheSelectorStillOpensAtOnce) {
  Start();
  const double before = PrivateMiB(program.Pid());
  ASSERT_EQ(Peer({"big", "256"}).exitCode, 0);
  ASSERT_TRUE(WaitFor([] { return HistoryTexts().size() == 1; }, 60s));
  Clock::duration slowest{};
  for (int i = 0; i < 5; ++i) slowest = std::max(slowest, OpeningTime());
  std::printf("[ figures ] 256 MiB on the clipboard: the slowest of 5 Win+C took %ld ms\n", Ms(slowest));
  EXPECT_LT(slowest, 3s);
  // The preview shows the first part, marked as cut.
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});
  ASSERT_TRUE(WaitFor(SelectorVisible, 5s));
  Driver({"keys", "tap:0x28"});
  const std::string preview = Driver({"edit-text", kSelector, kPreview}).out;
  EXPECT_NE(preview.find("（以下省略）"), std::string::npos);
  EXPECT_LT(preview.size(), 2u << 20);
  Driver({"keys", "tap:0x1B"});
  // Once the clipboard holds something else, the program holds the text once.
  Copy("small");
  std::this_thread::sleep_for(1s);
  const double after = PrivateMiB(program.Pid());
  std::printf("[ figures ] 256 MiB text: private memory %.0f MiB before, %.0f MiB after\n", before, after);
  EXPECT_LT(after - before, 256 + 64);
  EndsInOrderAtOnce("giant text");
}

TEST_F(ClipboardPeers, ACopyThatAnotherProgramKeepsHeldForSecondsIsRecordedOnceItLetsGo) {
  Start();
  Copy("before the hold");
  ASSERT_EQ(Peer({"hold-ms", "8000", "copied, then held"}).exitCode, 0);
  // Opening the selector reads at once what could not be read before.
  const std::vector<std::string> history = HistoryFromCurrent();
  EXPECT_EQ(history, (std::vector<std::string>{"before the hold", "copied, then held"}));
}

// A program that copies and then computes for seconds without answering (a
// spreadsheet recalculating) left its text on the clipboard, rendered: it is
// recorded while that program is still busy, and the next copy of another
// program does not take its place. (Under Wine that next copy itself waits
// until the busy program answers its WM_DESTROYCLIPBOARD.) Right after a
// fresh start, and more than 2 s after the program last looked at the
// clipboard: under Wine such a look first waits for the owner to answer.
TEST_F(ClipboardPeers, ACopyOfAProgramThatIsBusyAfterwardsIsRecordedWhileItIsBusy) {
  Start("ViewBalloon=0\r\nAutoPaste=0\r\n");
  Copy("first");
  std::this_thread::sleep_for(2s);
  const Background busy(PeerCommand({"copy-busy", "6000", "busy-then-other"}), program.Folder() / "busy.txt");
  const auto said = [&](const char* word) {
    return program.ReadFile("busy.txt").value_or("").find(word) != std::string::npos;
  };
  ASSERT_TRUE(WaitFor([&] { return said("copied"); }, 20s));
  std::this_thread::sleep_for(1500ms);
  const Background other(PeerCommand({"hold-ms", "0", "other"}));
  const std::set<std::string> whileBusy = HistoryTexts();
  ASSERT_FALSE(said("awake")) << "the history was read too late to tell";
  EXPECT_TRUE(whileBusy.count("busy-then-other"));
  ASSERT_TRUE(WaitFor([] { return XClipGet() == "other"; }, 15s));
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(HistoryFromCurrent(), (std::vector<std::string>{"busy-then-other", "first", "other"}));
  XdoTool({"keydown", "super"});
  XdoTool({"key", "c"});
  EXPECT_TRUE(WaitFor(SelectorVisible, 10s));
  XdoTool({"keyup", "super"});
  EXPECT_TRUE(WaitFor([] { return XClipGet() == "busy-then-other"; }, 5s)) << XClipGet();
}

TEST_F(ClipboardPeers, ACommitWaitsForAClipboardHeldAMomentAndSaysSoWhenItStaysHeld) {
  Start("ViewBalloon=0\r\nAutoPaste=0\r\n");
  Copy("chosen");
  Copy("current");
  auto chooseWhileHeld = [this](const char* seconds) {
    XdoTool({"keydown", "super"});
    XdoTool({"key", "c"});
    const bool shown = WaitFor(SelectorVisible, 10s);
    const Holder holder(program, std::string(seconds) + "000");
    XdoTool({"keyup", "super"});
    EXPECT_TRUE(shown && holder.Held());
    // The selector goes at once, before the clipboard is free.
    EXPECT_TRUE(WaitFor([] { return !SelectorVisible(); }, 1s));
    std::this_thread::sleep_for(std::chrono::seconds(std::stoi(seconds) + 1));
  };
  chooseWhileHeld("1");
  EXPECT_EQ(XClipGet(), "chosen");
  EXPECT_EQ(Driver({"dialog", "Mallowquist", "0"}).exitCode, 1);

  chooseWhileHeld("6");
  const std::string said = Driver({"dialog", "Mallowquist", "5000"}).out;
  EXPECT_NE(said.find("選択した文字をクリップボードに設定できませんでした。"), std::string::npos) << said;
  Driver({"dialog-press", "Mallowquist", "1"});
  EXPECT_EQ(XClipGet(), "chosen");
}

}  // namespace
}  // namespace e2e
