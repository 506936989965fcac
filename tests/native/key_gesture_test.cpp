#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hook/key_gesture.h"
#include "platform/echo_filter.h"

namespace quistrel {
namespace {

constexpr uint16_t kLAlt = 0xA4, kE = 0x45, kV = 0x56;

// Plays key sequences through the hook's decision and writes down what it
// did with each key: "pass", "take", and what the user-interface thread hears.
class Gesture : public ::testing::Test, public KeyboardView {
 protected:
  bool WinKeyDown() override {
    ++winQuestions;
    return winDownForSystem;
  }
  bool AltKeyDown() override { return altForSystem; }
  bool SelectorShown() override { return shown; }

  std::string Key(uint16_t key, bool up) {
    if (key == kLAlt) alt = flagsAlt && !up;
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
  std::vector<std::string> Play(const std::vector<std::pair<uint16_t, bool>>& keys) {
    std::vector<std::string> out;
    for (const auto& [key, up] : keys) out.push_back(Key(key, up));
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

constexpr bool kDown = false, kUp = true;

TEST_F(Gesture, WinCTwiceTakesBothCsMasksWinOnceAndReportsItsRelease) {
  EXPECT_EQ(Play({{kHookVkLWin, kDown},
                  {kHookVkC, kDown},
                  {kHookVkC, kUp},
                  {kHookVkC, kDown},
                  {kHookVkC, kDown},  // held: the keyboard repeats it
                  {kHookVkC, kUp},
                  {kHookVkLWin, kUp}}),
            (std::vector<std::string>{"pass", "take down +E8", "take", "take down", "take down", "take",
                                      "pass released 91"}));
  // Afterwards a plain C and Win are the user's again, and the next hold is
  // masked anew.
  shown = false;
  EXPECT_EQ(Play({{kHookVkC, kDown}, {kHookVkC, kUp}, {kHookVkLWin, kDown}, {kHookVkC, kDown}}),
            (std::vector<std::string>{"pass", "pass", "pass", "take down +E8"}));
}

TEST_F(Gesture, WinAltCStepsUpAndTheReleaseOfAltIsNotReported) {
  EXPECT_EQ(
      Play(
          {{kHookVkLWin, kDown}, {kLAlt, kDown}, {kHookVkC, kDown}, {kHookVkC, kUp}, {kLAlt, kUp}, {kHookVkLWin, kUp}}),
      (std::vector<std::string>{"pass", "pass", "take up +E8", "take", "pass", "pass released 91"}));
}

TEST_F(Gesture, WithoutAltsFlagTheHooksRecordConfirmedByTheSystemTells) {
  flagsAlt = false;
  Key(kHookVkLWin, kDown);
  Key(kLAlt, kDown);
  altForSystem = true;
  EXPECT_EQ(Key(kHookVkC, kDown), "take up +E8");
  altForSystem = false;  // let go where the hook did not see it
  EXPECT_EQ(Key(kHookVkC, kDown), "take down");
  Key(kLAlt, kUp);
  altForSystem = true;  // the record says Alt is up: the system is not asked
  EXPECT_EQ(Key(kHookVkC, kDown), "take down");
  // The Windows key's state is asked for once per hold, at its first C.
  EXPECT_EQ(winQuestions, 1);
}

TEST_F(Gesture, TheRightWinKeyAndTheSelectorsKeysAreReportedOnRelease) {
  EXPECT_EQ(Play({{kHookVkLWin, kDown},
                  {kHookVkC, kDown},
                  {kHookVkC, kUp},
                  {kHookVkLShift, kDown},
                  {kHookVkLShift, kUp},
                  {kHookVkDown, kUp},
                  {kHookVkEscape, kUp},
                  {kHookVkRWin, kDown},
                  {kHookVkRWin, kUp},
                  {kHookVkLWin, kUp}}),
            (std::vector<std::string>{"pass", "take down +E8", "take", "pass", "pass released 16", "pass released 40",
                                      "pass released 27", "pass", "pass released 92", "pass released 91"}));
}

TEST_F(Gesture, OtherWinCombinationsAndPlainKeysPassUnreported) {
  EXPECT_EQ(Play({{kHookVkLWin, kDown},
                  {kE, kDown},
                  {kE, kUp},
                  {kV, kDown},
                  {kV, kUp},
                  {kHookVkEscape, kUp},
                  {kHookVkLWin, kUp},
                  {kHookVkC, kDown},
                  {kHookVkC, kUp},
                  {kHookVkDown, kUp}}),
            (std::vector<std::string>{"pass", "pass", "pass", "pass", "pass", "pass", "pass", "pass", "pass", "pass"}));
}

TEST_F(Gesture, ASelectorOpenedOtherwiseStillHearsItsKeys) {
  shown = true;  // from the tray icon, or by the registered hot key
  EXPECT_EQ(Play({{kHookVkUp, kUp}, {kHookVkRShift, kUp}, {kHookVkLWin, kDown}, {kHookVkLWin, kUp}}),
            (std::vector<std::string>{"pass released 38", "pass released 16", "pass", "pass released 91"}));
}

TEST_F(Gesture, AWinReleaseTheHookMissedLeavesAPlainCAlone) {
  Key(kHookVkLWin, kDown);
  winDownForSystem = false;  // let go inside a window of higher rights
  EXPECT_EQ(Key(kHookVkC, kDown), "pass");
  EXPECT_EQ(Key(kHookVkC, kUp), "pass");
}

TEST_F(Gesture, ACReleasedAfterWinIsStillTaken) {
  EXPECT_EQ(Play({{kHookVkLWin, kDown}, {kHookVkC, kDown}, {kHookVkLWin, kUp}, {kHookVkC, kUp}}),
            (std::vector<std::string>{"pass", "take down +E8", "pass released 91", "take"}));
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
