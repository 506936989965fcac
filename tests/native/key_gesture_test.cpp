#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "hook/key_gesture.h"
#include "platform/echo_filter.h"

namespace quistrel {
namespace {

// Plays key sequences through the hook's decision and writes down what it
// did with each key: "pass", "take", and what the user-interface thread hears.
// A sequence is written "Win+ C+ C-": a key's name, then + down or - up.
class Gesture : public ::testing::Test, public KeyboardView {
 protected:
  bool WinKeyDown() override {
    ++winQuestions;
    return winDownForSystem;
  }
  bool AltKeyDown() override { return altForSystem; }
  bool SelectorShown() override { return shown; }

  std::string Key(const std::string& name, bool up) {
    static const std::map<std::string, uint16_t> keys = {{"Win", kHookVkLWin},
                                                         {"RWin", kHookVkRWin},
                                                         {"C", kHookVkC},
                                                         {"Alt", kHookVkLAlt},
                                                         {"E", 0x45},
                                                         {"V", 0x56},
                                                         {"Shift", kHookVkLShift},
                                                         {"RShift", kHookVkRShift},
                                                         {"Esc", kHookVkEscape},
                                                         {"Up", kHookVkUp},
                                                         {"Down", kHookVkDown}};
    const uint16_t key = keys.at(name);
    if (key == kHookVkLAlt) alt = flagsAlt && !up;
    if (key == kHookVkLWin || key == kHookVkRWin) winDownForSystem = !up;
    const HookVerdict verdict = gesture.OnKey(HookKey{key, up, alt}, *this);
    std::string out = verdict.swallow ? "take" : "pass";
    if (verdict.report == HookReport::StepDown) out += " down";
    if (verdict.report == HookReport::StepUp) out += " up";
    if (verdict.report == HookReport::Released) out += " released " + std::to_string(verdict.reportedKey);
    if (verdict.sendUnassigned) out += " +E8";
    // The selector opens on the first step, as the user-interface thread does.
    if (verdict.report == HookReport::StepDown || verdict.report == HookReport::StepUp) shown = true;
    return out;
  }
  std::string Play(const std::string& sequence) {
    std::istringstream steps(sequence);
    std::string out;
    for (std::string step; steps >> step;) {
      out += (out.empty() ? "" : ", ") + Key(step.substr(0, step.size() - 1), step.back() == '-');
    }
    return out;
  }

  KeyGesture gesture;
  bool winDownForSystem = false;
  bool shown = false;
  bool alt = false;           // as the event's flag says
  bool altForSystem = false;  // as the system's key state says
  bool flagsAlt = true;       // whether the events carry Alt's flag
  int winQuestions = 0;
};

TEST_F(Gesture, WinCAndWinAltCAreTakenWinIsMaskedOnceAndItsReleaseReported) {
  // The second C is held: the keyboard repeats it.
  EXPECT_EQ(Play("Win+ C+ C- C+ C+ C- Win-"),
            "pass, take down +E8, take, take down, take down, take, pass released 91");
  // Afterwards a plain C is the user's again, and the next hold is masked anew.
  shown = false;
  EXPECT_EQ(Play("C+ C- Win+ C+ C- Win-"), "pass, pass, pass, take down +E8, take, pass released 91");
  // With Alt the step goes up, and the release of Alt is not reported.
  shown = false;
  EXPECT_EQ(Play("Win+ Alt+ C+ C- Alt- Win-"), "pass, pass, take up +E8, take, pass, pass released 91");
  // A C let go after Win is still taken.
  shown = false;
  EXPECT_EQ(Play("Win+ C+ Win- C-"), "pass, take down +E8, pass released 91, take");
}

TEST_F(Gesture, TheSelectorsKeysAreReportedOnReleaseAndOtherKeysPassUnreported) {
  EXPECT_EQ(Play("Win+ E+ E- V+ V- Esc- Win- C+ C- Down-"),
            "pass, pass, pass, pass, pass, pass, pass, pass, pass, pass");
  EXPECT_EQ(Play("Win+ C+ C- Shift+ Shift- Down- Esc- RWin+ RWin- Win-"),
            "pass, take down +E8, take, pass, pass released 16, pass released 40, pass released 27, pass, "
            "pass released 92, pass released 91");
  // A selector opened otherwise (tray icon, registered hot key) hears them too.
  EXPECT_EQ(Play("Up- RShift- Win+ Win-"), "pass released 38, pass released 16, pass, pass released 91");
}

TEST_F(Gesture, TheSystemsKeyStateMendsWhatTheHookCouldNotSee) {
  // Without Alt's flag on the events, the hook's record confirmed by the
  // system tells.
  flagsAlt = false;
  Play("Win+ Alt+");
  altForSystem = true;
  EXPECT_EQ(Play("C+"), "take up +E8");
  altForSystem = false;  // let go where the hook did not see it
  EXPECT_EQ(Play("C+"), "take down");
  Play("Alt-");
  altForSystem = true;  // the record says Alt is up: the system is not asked
  EXPECT_EQ(Play("C+"), "take down");
  // The Windows key's state is asked for once per hold, at its first C.
  EXPECT_EQ(winQuestions, 1);

  // A Win release the hook missed (inside a window of higher rights) leaves a
  // plain C alone.
  Play("C- Win- Win+");
  winDownForSystem = false;
  EXPECT_EQ(Play("C+ C-"), "pass, pass");
}

TEST(KeyHookReport, AStepLooksLikeTheSystemsHotKeyWithAFlagTheSystemNeverSets) {
  EXPECT_EQ(HookStepParam(HookReport::StepDown), 0x00438008);
  EXPECT_EQ(HookStepParam(HookReport::StepUp), 0x00438009);
  EXPECT_EQ(HookStepOf(HookStepParam(HookReport::StepUp)), HookReport::StepUp);
  EXPECT_FALSE(IsHookStep(0x00430008));  // the registered Win+C
}

TEST(EchoFilter, EachEventIsTakenOnceWhicheverWayComesFirst) {
  EchoFilter filter(100);
  EXPECT_TRUE(filter.Accept(EventWay::Hook, 0x28, 1000));
  EXPECT_TRUE(filter.Accept(EventWay::Hook, 0x28, 1030));  // a second press of the same key
  EXPECT_FALSE(filter.Accept(EventWay::System, 0x28, 1000));
  EXPECT_FALSE(filter.Accept(EventWay::System, 0x28, 1031));
  // Both paired: a third report of the key is a new event.
  EXPECT_TRUE(filter.Accept(EventWay::System, 0x28, 1032));
  EXPECT_FALSE(filter.Accept(EventWay::Hook, 0x28, 1032));
  // Another key, or the same way twice, never pairs.
  EXPECT_TRUE(filter.Accept(EventWay::Hook, 0x26, 1040));
  EXPECT_TRUE(filter.Accept(EventWay::System, 0x25, 1040));
  EXPECT_TRUE(filter.Accept(EventWay::Hook, 0x26, 1040));
}

TEST(EchoFilter, AReportThatNeverGotItsEchoDoesNotSwallowALaterEvent) {
  EchoFilter filter(100);
  EXPECT_TRUE(filter.Accept(EventWay::Hook, 0x5B, 1000));
  EXPECT_TRUE(filter.Accept(EventWay::System, 0x5B, 1101));
  // Across the wrap of the system's millisecond count.
  EXPECT_TRUE(filter.Accept(EventWay::Hook, 0x5B, 0xFFFFFFF0u));
  EXPECT_FALSE(filter.Accept(EventWay::System, 0x5B, 0x10));
}

}  // namespace
}  // namespace quistrel
