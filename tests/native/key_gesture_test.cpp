#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "hook/key_gesture.h"
#include "hook/keyboard_hook_report.h"
#include "platform/echo_filter.h"

namespace quistrel {
namespace {

// Plays key sequences through the hook's decision and writes down what it
// did with each key: "pass", "take", and what the user-interface thread hears.
// A sequence is written "Win+ C+ C-": a key's name, then + down or - up.
// Each key comes 10 ms after the one before.
class Gesture : public ::testing::Test {
 protected:
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
    now += 10;
    const HookVerdict verdict = gesture.OnKey(HookKey{key, up, alt, now}, shown);
    std::string out = verdict.swallow ? "take" : "pass";
    if (verdict.report == HookReport::StepDown) out += " down";
    if (verdict.report == HookReport::StepUp) out += " up";
    if (verdict.report == HookReport::Released) out += " released " + std::to_string(verdict.reportedKey);
    if (verdict.sendUnassigned) out += " +E8";
    if (verdict.sendUnassigned && courierHasRoom) gesture.UnassignedKeyHandedOn();
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

  // The system's key state, asked outside the hook `afterMs` later.
  bool Reconcile(HeldKeys system, uint32_t afterMs) {
    now += afterMs;
    return gesture.Reconcile(system, now);
  }

  KeyGesture gesture;
  bool shown = false;
  bool alt = false;            // as the event's flag says
  bool flagsAlt = true;        // whether the events carry Alt's flag
  bool courierHasRoom = true;  // whether the unassigned key could be handed on
  uint32_t now = 0xFFFFFF00u;  // the system's millisecond count wraps during the tests
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
  // A C let go after Win is still taken, and so are its repeats: the window
  // the user works in never saw it go down.
  shown = false;
  EXPECT_EQ(Play("Win+ C+ Win- C-"), "pass, take down +E8, pass released 91, take");
  shown = false;
  EXPECT_EQ(Play("Win+ C+ C+ Win- C+ C+ C- C+ C-"),
            "pass, take down +E8, take down, pass released 91, take, take, take, pass, pass");
  // An unassigned key that could not be handed on is asked for by the next C.
  shown = false;
  courierHasRoom = false;
  EXPECT_EQ(Play("Win+ C+ C-"), "pass, take down +E8, take");
  courierHasRoom = true;
  EXPECT_EQ(Play("C+ C- C+ C- Win-"), "take down +E8, take, take down, take, pass released 91");
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

TEST_F(Gesture, TheHooksOwnRecordDecidesAndTheSystemMendsItOutsideTheHook) {
  // Without Alt's flag on the events, the hook's record of Alt tells.
  flagsAlt = false;
  EXPECT_EQ(Play("Win+ Alt+ C+ C-"), "pass, pass, take up +E8, take");
  // Alt let go where the hook did not see it: the system's word mends it.
  EXPECT_TRUE(Reconcile({.leftWin = true}, 200));
  EXPECT_EQ(Play("C+ C-"), "take down, take");
  EXPECT_EQ(Play("Win-"), "pass released 91");
  EXPECT_FALSE(Reconcile({}, 0));  // nothing left to watch

  // Win+L while Win is held: Win goes up on the secure desktop. Once the
  // system says so, the hold has ended and a plain C is the user's again.
  shown = false;
  EXPECT_EQ(Play("Win+ C+ C-"), "pass, take down +E8, take");
  EXPECT_FALSE(Reconcile({}, 200));
  EXPECT_EQ(Play("C+ C-"), "pass, pass");
  // The next hold is masked anew.
  EXPECT_EQ(Play("Win+ C+"), "pass, take down +E8");

  // A Windows key just pressed may not be in the system's state yet; a
  // question asked that soon leaves the record as it is.
  EXPECT_EQ(Play("C- RWin+"), "take, pass");
  EXPECT_TRUE(Reconcile({.leftWin = true}, 0));
  EXPECT_EQ(Play("C+"), "take down");
  // The left key let go unseen: the right one still holds the hold.
  EXPECT_TRUE(Reconcile({.rightWin = true}, 200));
  EXPECT_EQ(Play("C- C+"), "take, take down");
}

TEST_F(Gesture, AnAltLetGoUnseenDoesNotTurnTheNextStepUp) {
  // Ctrl+Alt+Del: Alt goes up on the secure desktop. The event's own flag
  // tells the first quick Win+C, before any check of the record.
  EXPECT_EQ(Play("Alt+"), "pass");
  alt = false;
  EXPECT_EQ(Play("Win+ C+ C- Win-"), "pass, take down +E8, take, pass released 91");
}

TEST_F(Gesture, ATakenCLetGoUnseenIsTheUsersAgainOnceTheSystemSaysSo) {
  // A prompt for administrator rights while Win+C is held: both keys go up
  // on the secure desktop.
  EXPECT_EQ(Play("Win+ C+"), "pass, take down +E8");
  EXPECT_FALSE(Reconcile({}, 2000));
  EXPECT_EQ(Play("C+ C-"), "pass, pass");

  // Held past the release of Win, it stays taken while its repeats come or
  // the system holds it, also where the system's state leaves out a key the
  // hook took (Wine).
  shown = false;
  EXPECT_EQ(Play("Win+ C+ Win-"), "pass, take down +E8, pass released 91");
  EXPECT_TRUE(Reconcile({}, 1000));
  EXPECT_EQ(Play("C+"), "take");
  EXPECT_TRUE(Reconcile({.c = true}, 5000));
  EXPECT_EQ(Play("C+ C-"), "take, take");
  EXPECT_FALSE(Reconcile({}, 0));
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
