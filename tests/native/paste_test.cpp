#include <gtest/gtest.h>

#include <set>

#include "selector/paste.h"

namespace quistrel {
namespace {

std::vector<KeyStroke> StrokesWithHeld(std::set<uint16_t> held) {
  return PasteKeyStrokes([&held](uint16_t key) { return held.count(key) > 0; });
}

const std::vector<KeyStroke> kCtrlV = {
    {0x11, false, false}, {0x56, false, false}, {0x56, true, false}, {0x11, true, false}};

std::vector<KeyStroke> Then(std::vector<KeyStroke> first, const std::vector<KeyStroke>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(PasteKeys, HeldModifiersAreReleasedFirstAndAltAndWinBehindTheMask) {
  EXPECT_EQ(StrokesWithHeld({}), kCtrlV);
  // Win+Alt+C, Win released: Alt still down.
  EXPECT_EQ(StrokesWithHeld({kVkLMenu}),
            Then({{kVkMask, false, false}, {kVkMask, true, false}, {kVkLMenu, true, false}}, kCtrlV));
  // Shift after a list switch needs no mask.
  EXPECT_EQ(StrokesWithHeld({kVkRShift}), Then({{kVkRShift, true, false}}, kCtrlV));
  // Everything at once: one mask, the right-hand keys and the Windows keys extended.
  EXPECT_EQ(StrokesWithHeld({kVkLShift, kVkRControl, kVkRMenu, kVkRWin, 0x5B}), Then({{kVkMask, false, false},
                                                                                      {kVkMask, true, false},
                                                                                      {kVkRMenu, true, true},
                                                                                      {0x5B, true, true},
                                                                                      {kVkRWin, true, true},
                                                                                      {kVkLShift, true, false},
                                                                                      {kVkRControl, true, true}},
                                                                                     kCtrlV));
}

TEST(PasteTarget, KeysIntoAHigherIntegrityLevelAreNotSentAndTheUserToldOnce) {
  constexpr uint32_t kMedium = 0x2000, kHigh = 0x3000, kSystem = 0x4000;
  EXPECT_FALSE(InputWouldBeDropped({false, false, kMedium}, kMedium));
  EXPECT_FALSE(InputWouldBeDropped({false, false, kMedium}, kHigh));
  EXPECT_TRUE(InputWouldBeDropped({false, false, kHigh}, kMedium));
  EXPECT_TRUE(InputWouldBeDropped({false, false, kSystem}, kHigh));
  EXPECT_TRUE(InputWouldBeDropped({true, false, std::nullopt}, kMedium));  // not even to be opened
  // An elevated window seen from a normal program: its process opens, its token does not.
  EXPECT_TRUE(InputWouldBeDropped({false, true, std::nullopt}, kMedium));
  EXPECT_TRUE(InputWouldBeDropped({false, true, std::nullopt}, std::nullopt));
  // Levels unknown for other reasons (no label, a system without levels) do not stop a paste.
  EXPECT_FALSE(InputWouldBeDropped({false, false, std::nullopt}, kMedium));
  EXPECT_FALSE(InputWouldBeDropped({false, false, kHigh}, std::nullopt));

  bool told = false;
  EXPECT_EQ(DecidePaste(false, told), PasteStep::SendKeys);
  EXPECT_EQ(DecidePaste(true, told), PasteStep::LeaveOnClipboardAndTell);
  EXPECT_EQ(DecidePaste(true, told), PasteStep::LeaveOnClipboard);
  EXPECT_EQ(DecidePaste(false, told), PasteStep::SendKeys);
}

}  // namespace
}  // namespace quistrel
