#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>

#include "selector/paste.h"

namespace quistrel {
namespace {

using namespace std::string_view_literals;
using namespace std::chrono_literals;

std::vector<KeyStroke> StrokesWithHeld(std::set<uint16_t> held, PasteKeys keys = PasteKeys::CtrlV) {
  return PasteKeyStrokes(keys, [&held](uint16_t key) { return held.count(key) > 0; });
}

// What the target's keyboard state would be after the strokes, starting
// from the keys held: nothing may be left down.
std::set<uint16_t> LeftDown(std::set<uint16_t> held, const std::vector<KeyStroke>& strokes) {
  for (const KeyStroke& stroke : strokes) {
    if (stroke.up) {
      held.erase(stroke.virtualKey);
    } else {
      held.insert(stroke.virtualKey);
    }
  }
  return held;
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

TEST(PasteKeys, EachCombinationLeavesNothingDownAndAltIsLetGoBehindTheMask) {
  EXPECT_EQ(StrokesWithHeld({}, PasteKeys::ShiftInsert),
            (std::vector<KeyStroke>{
                {0x10, false, false}, {kVkInsert, false, true}, {kVkInsert, true, true}, {0x10, true, false}}));
  EXPECT_EQ(StrokesWithHeld({}, PasteKeys::CtrlShiftV), (std::vector<KeyStroke>{{0x11, false, false},
                                                                                {0x10, false, false},
                                                                                {kVkV, false, false},
                                                                                {kVkV, true, false},
                                                                                {0x10, true, false},
                                                                                {0x11, true, false}}));
  // Alt+V after Win+Alt+C: the user's Alt and the paste's own are both let go behind a mask.
  const std::vector<KeyStroke> altV = {{0x12, false, false},    {kVkV, false, false},   {kVkV, true, false},
                                       {kVkMask, false, false}, {kVkMask, true, false}, {0x12, true, false}};
  EXPECT_EQ(StrokesWithHeld({}, PasteKeys::AltV), altV);
  EXPECT_EQ(StrokesWithHeld({kVkLMenu}, PasteKeys::AltV),
            Then({{kVkMask, false, false}, {kVkMask, true, false}, {kVkLMenu, true, false}}, altV));

  const std::set<uint16_t> held = {kVkLShift, kVkRControl, kVkRMenu, kVkRWin};
  for (PasteKeys keys : {PasteKeys::CtrlV, PasteKeys::ShiftInsert, PasteKeys::CtrlShiftV, PasteKeys::AltV}) {
    EXPECT_TRUE(LeftDown(held, StrokesWithHeld(held, keys)).empty()) << static_cast<int>(keys);
  }
  // None sends nothing at all, not even the releases.
  EXPECT_TRUE(StrokesWithHeld(held, PasteKeys::None).empty());
}

TEST(PasteKeys, TheWindowClassChoosesTheKeysAndTheUsersEntriesComeFirst) {
  EXPECT_EQ(PasteKeysForClass(u"PuTTY", {}), PasteKeys::ShiftInsert);
  EXPECT_EQ(PasteKeysForClass(u"mintty", {}), PasteKeys::ShiftInsert);
  EXPECT_EQ(PasteKeysForClass(u"VTWin32", {}), PasteKeys::AltV);
  EXPECT_EQ(PasteKeysForClass(u"Notepad", {}), PasteKeys::CtrlV);
  EXPECT_EQ(PasteKeysForClass(u"", {}), PasteKeys::CtrlV);
  EXPECT_EQ(PasteKeysForClass(u"PuTTYConfigBox", {}), PasteKeys::CtrlV);  // whole names only
  // Without regard to case, also beyond ASCII.
  EXPECT_EQ(PasteKeysForClass(u"PUTTY", {}), PasteKeys::ShiftInsert);
  EXPECT_EQ(PasteKeysForClass(u"vtwin32", {}), PasteKeys::AltV);

  const PasteKeyTable table = ParsePasteKeysSection(u"putty=Ctrl+Shift+V\0ＴＥＲＭ=None\0Émacs=Alt+V\0"sv);
  EXPECT_EQ(PasteKeysForClass(u"PuTTY", table), PasteKeys::CtrlShiftV);
  EXPECT_EQ(PasteKeysForClass(u"mintty", table), PasteKeys::ShiftInsert);  // the others stay
  EXPECT_EQ(PasteKeysForClass(u"ｔｅｒｍ", table), PasteKeys::None);
  EXPECT_EQ(PasteKeysForClass(u"éMACS", table), PasteKeys::AltV);
}

// The section may hold millions of characters; the tray icon waits for it.
TEST(PasteKeys, AHugeSectionIsReadInTimeThatGrowsWithItsSizeAlone) {
  constexpr int kLines = 200'000;
  std::u16string lines;
  for (int i = 0; i < kLines; ++i) {
    const std::string name = "Term" + std::to_string(1'000'000 + i);
    lines.append(name.begin(), name.end());
    lines += i % 2 == 0 ? u"=None"sv : u"=Alt+V"sv;
    lines.push_back(u'\0');
  }
  lines += u"TERM1000000=Ctrl+Shift+V\0term1000001=bad\0"sv;
  const auto start = std::chrono::steady_clock::now();
  const PasteKeyTable table = ParsePasteKeysSection(lines);
  const auto took = std::chrono::steady_clock::now() - start;
  // Line by line against every entry before it this took minutes.
  EXPECT_LT(took, 20s);
  ASSERT_EQ(table.size(), static_cast<std::size_t>(kLines));
  EXPECT_EQ(table.front(), (PasteKeysEntry{u"term1000000", PasteKeys::CtrlShiftV}));
  EXPECT_EQ(table[1], (PasteKeysEntry{u"term1000001", PasteKeys::AltV}));
  EXPECT_EQ(table.back(), (PasteKeysEntry{u"term1199999", PasteKeys::AltV}));
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

  // Each obstacle is told once per run, whatever the other was told.
  PasteNotices told;
  EXPECT_EQ(DecidePaste(PasteObstacle::None, told), PasteStep::SendKeys);
  EXPECT_EQ(DecidePaste(PasteObstacle::HigherRights, told), PasteStep::LeaveOnClipboardAndTell);
  EXPECT_EQ(DecidePaste(PasteObstacle::HigherRights, told), PasteStep::LeaveOnClipboard);
  EXPECT_EQ(DecidePaste(PasteObstacle::None, told), PasteStep::SendKeys);
  EXPECT_EQ(DecidePaste(PasteObstacle::NoKeyboard, told), PasteStep::LeaveOnClipboardAndTell);
  EXPECT_EQ(DecidePaste(PasteObstacle::NoKeyboard, told), PasteStep::LeaveOnClipboard);
  EXPECT_NE(PasteDroppedText(PasteObstacle::HigherRights, PasteKeys::CtrlV),
            PasteDroppedText(PasteObstacle::NoKeyboard, PasteKeys::CtrlV));
  EXPECT_NE(PasteDroppedText(PasteObstacle::NoKeyboard, PasteKeys::ShiftInsert).find(u"Shift+Insertキーで"),
            std::u16string::npos);
}

}  // namespace
}  // namespace quistrel
