#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "hook/hot_keys.h"
#include "hook/key_gesture.h"
#include "hook/keyboard_hook_report.h"
#include "hook/window_messages.h"

namespace quistrel {
namespace {

// Records what the procedure asks of the program, in order.
class RecordingTarget : public HookTarget, public ViewerChain {
 public:
  bool IsSelectorOpen() override { return visible; }
  void OpenSelector() override {
    calls.push_back("Open");
    visible = true;
  }
  void CloseSelector(bool committed) override { calls.push_back(committed ? "Close(true)" : "Close(false)"); }
  void SelectDown() override { calls.push_back("SelectDown"); }
  void SelectUp() override { calls.push_back("SelectUp"); }
  void OnKeyReleased(uint16_t key, uint32_t time) override {
    calls.push_back("Released " + std::to_string(key) + " at " + std::to_string(time));
  }
  void OnClipboardChanged() override { calls.push_back("ClipboardChanged"); }
  void Forward(uintptr_t next, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    forwarded.push_back({next, message, wParam, lParam});
    if (duringForward) std::exchange(duringForward, nullptr)();
  }
  void RestoreTrayIcon() override { calls.push_back("RestoreTrayIcon"); }
  void OnTrayIconClick(MouseButton button) override {
    calls.push_back(button == MouseButton::Left ? "LeftClick" : "RightClick");
  }

  struct Forwarded {
    uintptr_t next;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Forwarded&) const = default;
  };
  bool visible = false;
  std::function<void()> duringForward;  // runs inside the next forward, once
  std::vector<std::string> calls;
  std::vector<Forwarded> forwarded;
};

class WindowMessages : public ::testing::Test {
 protected:
  WindowMessages() {
    state.nextViewer = 0x1234;
    state.downKeyId = WidenAtom(0xC012);
    state.upKeyId = WidenAtom(0xC013);
    state.trayMessage = 0xC100;
    state.taskbarCreatedMessage = 0xC101;
  }
  void Send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0, uint32_t time = 0) {
    HandleWindowMessage(state, target, target, message, wParam, lParam, time);
  }
  // Posted a while after the key went down.
  void HookSteps(HookReport step, uint32_t time) {
    Send(kHookReportMessage, HookReportTimeParam(time), HookStepParam(step), time + 400);
  }
  // wParam as the 32-bit program receives a negative hot-key identifier.
  static uintptr_t HotKeyParam(int32_t id) { return static_cast<uintptr_t>(static_cast<uint32_t>(id)); }

  HookState state;
  RecordingTarget target;
};

TEST(HotKeyAtoms, StringAtomsWidenToNegativeIdentifiersAndBack) {
  EXPECT_EQ(WidenAtom(0xC012), -16366);
  EXPECT_EQ(NarrowAtom(WidenAtom(0xC012)), 0xC012);
  EXPECT_EQ(WidenAtom(0x0005), 5);
}

TEST(HotKeyAtoms, FailureMessageHasItsThreeLines) {
  EXPECT_EQ(HotKeyFailureText(u"Win+Alt+C"),
            u"[Win+Alt+C]キーの設定に失敗しました。\r\n他のソフトによって既に使われている可能性があります。\r\n"
            u"このキーは使用できません。");
}

TEST_F(WindowMessages, OnlyADeactivationWithWParamZeroHidesTheSelector) {
  Send(kWmActivate, 0x10000);  // inactive but minimised
  Send(kWmActivate, 1);
  EXPECT_TRUE(target.calls.empty());
  Send(kWmActivate, 0);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"Close(false)"}));
}

TEST_F(WindowMessages, HotKeyOpensAHiddenSelectorThenMoves) {
  Send(kWmHotKey, HotKeyParam(state.downKeyId));
  Send(kWmHotKey, HotKeyParam(state.downKeyId));
  Send(kWmHotKey, HotKeyParam(state.upKeyId));
  Send(kWmHotKey, 7);  // somebody else's identifier moves nothing
  EXPECT_EQ(target.calls, (std::vector<std::string>{"Open", "SelectDown", "SelectDown", "SelectUp"}));
}

TEST_F(WindowMessages, HotKeyOnAnOpenSelectorDoesNotRefillIt) {
  target.visible = true;
  Send(kWmHotKey, HotKeyParam(state.upKeyId));
  EXPECT_EQ(target.calls, (std::vector<std::string>{"SelectUp"}));
}

TEST_F(WindowMessages, TheKeyboardHooksStepsActAsTheHotKeysAndItsReleasesReachTheSelector) {
  HookSteps(HookReport::StepDown, 1000);
  HookSteps(HookReport::StepUp, 1040);
  Send(kHookReportMessage, HookReportTimeParam(1100), HookReleaseParam(0x5B), 1150);
  // A release is no step, and moves no hot key's echo filter: the next
  // hold's step at the same moment still counts.
  HookSteps(HookReport::StepDown, 1100);
  EXPECT_EQ(target.calls,
            (std::vector<std::string>{"Open", "SelectDown", "SelectUp", "Released 91 at 1100", "SelectDown"}));
}

TEST_F(WindowMessages, APressBothTheHookAndTheHotKeyReportMovesTheSelectionOnce) {
  HookSteps(HookReport::StepDown, 1000);
  Send(kWmHotKey, HotKeyParam(state.downKeyId), 0, 1002);  // the system passed the late hook over
  Send(kWmHotKey, HotKeyParam(state.upKeyId), 0, 1050);    // the hook missed this one
  HookSteps(HookReport::StepUp, 1049);                     // ... and reports it late
  // Much later, inside a window of higher rights: only the hot key hears it.
  Send(kWmHotKey, HotKeyParam(state.downKeyId), 0, 5000);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"Open", "SelectDown", "SelectUp", "SelectDown"}));
}

TEST(HotKeyAtoms, ATakenCombinationIsReportedOnlyWithoutTheKeyboardHook) {
  EXPECT_TRUE(TakenKeysToReport(false, false, true).empty());
  EXPECT_TRUE(TakenKeysToReport(true, true, false).empty());
  EXPECT_EQ(TakenKeysToReport(true, false, false), (std::vector<std::u16string>{u"Win+Alt+C"}));
  EXPECT_EQ(TakenKeysToReport(false, false, false), (std::vector<std::u16string>{u"Win+C", u"Win+Alt+C"}));
}

TEST_F(WindowMessages, AChainNotificationIsReportedAndPassedOnAListenerUpdateOnlyReported) {
  Send(kWmDrawClipboard, 5, 6);
  Send(kWmClipboardUpdate);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"ClipboardChanged", "ClipboardChanged"}));
  EXPECT_EQ(target.forwarded, (std::vector<RecordingTarget::Forwarded>{{0x1234, kWmDrawClipboard, 5, 6}}));
}

TEST_F(WindowMessages, ANotificationDuringForwardingIsPassedOnOnceAfterwardsNotFromWithin) {
  int depth = 0, deepest = 0;
  target.duringForward = [&] {
    ++depth;
    deepest = std::max(deepest, depth);
    Send(kWmDrawClipboard, 7, 8);
    --depth;
  };
  Send(kWmDrawClipboard, 5, 6);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(target.calls.size(), 2u);
  EXPECT_EQ(target.forwarded, (std::vector<RecordingTarget::Forwarded>{{0x1234, kWmDrawClipboard, 5, 6},
                                                                       {0x1234, kWmDrawClipboard, 5, 6}}));
  EXPECT_FALSE(state.forwarding);
}

TEST_F(WindowMessages, WithoutNextViewerNothingIsForwarded) {
  state.nextViewer = 0;
  Send(kWmDrawClipboard);
  Send(kWmChangeCbChain, 0x999, 0x888);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"ClipboardChanged"}));
  EXPECT_TRUE(target.forwarded.empty());
}

TEST_F(WindowMessages, SuccessorLeavingTheChainIsReplacedAndNotForwarded) {
  Send(kWmChangeCbChain, 0x1234, 0x5678);
  EXPECT_EQ(state.nextViewer, 0x5678u);
  EXPECT_TRUE(target.forwarded.empty());

  Send(kWmChangeCbChain, 0x5678, 0);  // the last one: no successor any more
  EXPECT_EQ(state.nextViewer, 0u);
  Send(kWmDrawClipboard);
  EXPECT_TRUE(target.forwarded.empty());
}

TEST_F(WindowMessages, AnotherWindowLeavingTheChainIsForwarded) {
  Send(kWmChangeCbChain, 0x999, 0x888);
  EXPECT_EQ(state.nextViewer, 0x1234u);
  EXPECT_EQ(target.forwarded, (std::vector<RecordingTarget::Forwarded>{{0x1234, kWmChangeCbChain, 0x999, 0x888}}));
}

TEST_F(WindowMessages, TrayButtonReleasesReachTheSelectorAndOtherMouseMessagesDoNot) {
  Send(state.trayMessage, 1, 0x0201);  // button down
  Send(state.trayMessage, 1, 0x0203);  // double click
  Send(state.trayMessage, 1, 0x0200);  // movement
  Send(state.trayMessage, 1, kWmLButtonUp);
  Send(state.trayMessage, 1, kWmRButtonUp);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"LeftClick", "RightClick"}));
}

TEST_F(WindowMessages, ShellRestartRestoresTheTrayIcon) {
  Send(state.taskbarCreatedMessage);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"RestoreTrayIcon"}));
}

TEST_F(WindowMessages, UnregisteredTrayMessagesMatchNothing) {
  state.trayMessage = 0;
  state.taskbarCreatedMessage = 0;
  Send(0, 0, kWmLButtonUp);
  EXPECT_TRUE(target.calls.empty());
}

}  // namespace
}  // namespace quistrel
