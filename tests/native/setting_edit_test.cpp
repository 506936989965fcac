// The settings dialog's decisions: the typed history length, the working copy
// of the settings, the fixed-string buttons and the entry dialog's hand-over.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dialogs/setting_edit.h"

namespace quistrel {
namespace {

TEST(ValOf, ReadsTheNumberAtTheStartOfTheText) {
  EXPECT_EQ(ValOf(u"999"), 999.0);
  EXPECT_EQ(ValOf(u"12abc"), 12.0);
  EXPECT_EQ(ValOf(u"1 2"), 12.0);
  EXPECT_EQ(ValOf(u" \t\n 42"), 42.0);
  EXPECT_EQ(ValOf(u"- 1 5"), -15.0);
  EXPECT_EQ(ValOf(u"+7"), 7.0);
  EXPECT_EQ(ValOf(u"2.5"), 2.5);
  EXPECT_EQ(ValOf(u".5"), 0.5);
  EXPECT_EQ(ValOf(u"1.5e2x"), 150.0);
  EXPECT_EQ(ValOf(u"25E-1"), 2.5);
  EXPECT_EQ(ValOf(u"3 e 1"), 30.0);
  EXPECT_EQ(ValOf(u"1.2.3"), 1.2);
  // An exponent marker without digits, a second sign, a carriage return:
  // each ends the number.
  EXPECT_EQ(ValOf(u"12e"), 12.0);
  EXPECT_EQ(ValOf(u"12e+"), 12.0);
  EXPECT_EQ(ValOf(u"5-3"), 5.0);
  EXPECT_EQ(ValOf(u"1\r2"), 1.0);
}

TEST(ValOf, TextWithoutANumberGivesZero) {
  for (const char16_t* text : {u"", u"abc", u"-", u"+", u".", u"-.", u"e5", u"   ", u"１２", u"x12"}) {
    EXPECT_EQ(ValOf(text), 0.0) << std::u16string(text).size();
  }
}

TEST(ValOf, ANumberBeyondADoubleIsAnInfinityOfItsSign) {
  EXPECT_EQ(ValOf(u"1e999"), HUGE_VAL);
  EXPECT_EQ(ValOf(u"-1e999"), -HUGE_VAL);
  EXPECT_EQ(ValOf(std::u16string(400, u'9')), HUGE_VAL);
  EXPECT_EQ(ValOf(u"1e-999"), 0.0);
}

TEST(RoundHalfToEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfToEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfToEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfToEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfToEven(998.5), 998.0);
  EXPECT_EQ(RoundHalfToEven(2.4999), 2.0);
  EXPECT_EQ(RoundHalfToEven(2.5001), 3.0);
  EXPECT_EQ(RoundHalfToEven(-0.5), 0.0);
  EXPECT_EQ(RoundHalfToEven(-1.5), -2.0);
}

TEST(ReadLogNum, AcceptsZeroTo999AndRoundsHalvesToEven) {
  struct Case {
    const char16_t* text;
    int expected;
  };
  for (const Case& c : std::vector<Case>{{u"999", 999},
                                         {u"0", 0},
                                         {u"0.4", 0},
                                         {u"", 0},
                                         {u"abc", 0},
                                         {u"12abc", 12},
                                         {u"1 2", 12},
                                         {u"2.5", 2},
                                         {u"3.5", 4},
                                         {u"998.9", 999},
                                         {u"-0", 0}}) {
    const auto logNum = ReadLogNum(c.text);
    ASSERT_TRUE(logNum.has_value()) << "case " << c.expected;
    EXPECT_EQ(*logNum, c.expected);
  }
}

TEST(ReadLogNum, FullWidthTypingReadsAsItsAsciiForm) {
  EXPECT_EQ(ReadLogNum(u"２０"), 20);
  EXPECT_EQ(ReadLogNum(u"\u3000９９９"), 999);
  EXPECT_EQ(ReadLogNum(u"＋１２．５"), 12);
  EXPECT_EQ(ReadLogNum(u"２０件"), 20);
  EXPECT_EQ(ReadLogNum(u"－１"), std::nullopt);
  EXPECT_EQ(ReadLogNum(u"１０００"), std::nullopt);
}

TEST(ReadLogNum, RefusesNumbersOutside0To999) {
  for (const char16_t* text : {u"1000", u"-1", u"999.4", u"-0.4", u"1e999", u"-1e999", u"99999999999"}) {
    EXPECT_FALSE(ReadLogNum(text).has_value()) << std::u16string(text).size();
  }
}

TEST(SpinControl, UpArrowRaisesTheNumber) {
  // The up arrow moves a vertical scroll bar to a smaller position.
  EXPECT_EQ(ScrollPosForLogNum(999), 0);
  EXPECT_EQ(ScrollPosForLogNum(0), 999);
  EXPECT_EQ(LogNumForScrollPos(ScrollPosForLogNum(10) - 1), 11);
}

TEST(StoredValues, AreShownAsTheControlsCanHoldThem) {
  EXPECT_EQ(DisplayedLogNum(5000), 999);
  EXPECT_EQ(DisplayedLogNum(-3), 0);
  EXPECT_EQ(DisplayedLogNum(10), 10);
  // A hand-edited 2 is off for the balloon and the paste, but on for the
  // welcome window: each box shows what the program will do.
  EXPECT_FALSE(ShownAsCheckedExactlyOne(2));
  EXPECT_TRUE(ShownAsCheckedExactlyOne(1));
  EXPECT_TRUE(ShownAsCheckedNonZero(2));
  EXPECT_TRUE(ShownAsCheckedNonZero(-1));
  EXPECT_FALSE(ShownAsCheckedNonZero(0));
}

SettingRecord StoredSettings() {
  SettingRecord setting;
  setting.ClipBoardLog = 25;
  setting.FixedString.Append(SharedText(u"one"));
  setting.FixedString.Append(SharedText(u"two"));
  setting.ViewBalloon = 1;
  setting.ViewHello = 1;
  setting.AutoPaste = 0;
  return setting;
}

// The entry dialog as the tests drive it: each call takes the next answer
// (nothing: cancelled).
struct ScriptedEntryDialog {
  std::vector<std::optional<std::u16string>> answers;
  std::vector<std::u16string> shownWith;
  std::optional<std::u16string> operator()(const std::u16string& initial) {
    shownWith.push_back(initial);
    return answers.at(shownWith.size() - 1);
  }
};

class FixedEditTest : public ::testing::Test {
 protected:
  FixedEditHost Host() {
    return {[this] { return selected; }, [this](const std::u16string& initial) { return entry(initial); }};
  }
  ListRefresh Press(FixedEdit button) { return EditFixedString(button, edit.FixedString, Host()); }

  SettingRecord setting = StoredSettings();
  SettingRecord edit = setting;
  ScriptedEntryDialog entry;
  int32_t selected = -1;
};

TEST_F(FixedEditTest, AddedStringsBecomeTheFirstLineInTheWorkingCopyOnly) {
  entry.answers = {u"first", u"second\r\nline"};
  EXPECT_EQ(Press(FixedEdit::Add), ListRefresh::Rebuild);
  EXPECT_EQ(Press(FixedEdit::Add), ListRefresh::Rebuild);
  EXPECT_EQ(entry.shownWith, (std::vector<std::u16string>{u"", u""}));
  ASSERT_EQ(edit.FixedString.LastIndex(), 3);
  EXPECT_EQ(edit.FixedString.Item(0).str(), u"second\r\nline");
  EXPECT_EQ(edit.FixedString.Item(1).str(), u"first");
  EXPECT_EQ(setting, StoredSettings());
}

TEST_F(FixedEditTest, AnEmptyEntryIsAddedButACancelledOneIsNot) {
  entry.answers = {u"", std::nullopt};
  EXPECT_EQ(Press(FixedEdit::Add), ListRefresh::Rebuild);
  EXPECT_EQ(Press(FixedEdit::Add), ListRefresh::Rebuild);  // a cancel still rebuilds the list
  ASSERT_EQ(edit.FixedString.LastIndex(), 2);
  EXPECT_EQ(edit.FixedString.Item(0).str(), u"");
}

TEST_F(FixedEditTest, ChangeAndDeleteWithoutASelectedLineDoNothing) {
  EXPECT_EQ(Press(FixedEdit::Change), ListRefresh::None);
  EXPECT_EQ(Press(FixedEdit::Delete), ListRefresh::None);
  EXPECT_TRUE(entry.shownWith.empty());
  EXPECT_EQ(edit, setting);
}

TEST_F(FixedEditTest, ChangeOpensWithTheSelectedStringAndReplacesIt) {
  selected = 1;
  entry.answers = {u"zwei", std::nullopt};
  EXPECT_EQ(Press(FixedEdit::Change), ListRefresh::Rebuild);
  EXPECT_EQ(Press(FixedEdit::Change), ListRefresh::Rebuild);
  EXPECT_EQ(entry.shownWith, (std::vector<std::u16string>{u"two", u"zwei"}));
  EXPECT_EQ(edit.FixedString.Item(0).str(), u"one");
  EXPECT_EQ(edit.FixedString.Item(1).str(), u"zwei");
  EXPECT_EQ(edit.FixedString.LastIndex(), 1);
}

TEST_F(FixedEditTest, AChangeWhoseListWentAwayMeanwhileReplacesNothing) {
  selected = 0;
  entry.answers = {u"late"};
  const FixedEditHost host{[this] { return selected; },
                           [this](const std::u16string& initial) {
                             auto answer = entry(initial);
                             selected = -1;
                             return answer;
                           }};
  EXPECT_EQ(EditFixedString(FixedEdit::Change, edit.FixedString, host), ListRefresh::Rebuild);
  EXPECT_EQ(edit.FixedString, setting.FixedString);
}

TEST_F(FixedEditTest, DeleteRemovesTheSelectedLineAndClearsThePreview) {
  selected = 0;
  EXPECT_EQ(Press(FixedEdit::Delete), ListRefresh::RebuildAndClearPreview);
  ASSERT_EQ(edit.FixedString.LastIndex(), 0);
  EXPECT_EQ(edit.FixedString.Item(0).str(), u"two");
  EXPECT_EQ(setting.FixedString.LastIndex(), 1);
}

TEST(CommitSettings, OkReplacesTheSettingsWholeAllButThePauseSwitchedMeanwhile) {
  SettingRecord setting = StoredSettings();
  SettingRecord edit = setting;
  edit.FixedString.InsertFirst(SharedText(u"new"));
  setting.PauseRecording = 1;  // from the tray menu, while the dialog was open
  ASSERT_TRUE(CommitSettings(edit, u"3.5", CheckStates{0, 0, 1}, setting));
  EXPECT_EQ(setting.PauseRecording, 1);
  EXPECT_EQ(setting.ClipBoardLog, 4);
  EXPECT_EQ(setting.ViewHello, 0);
  EXPECT_EQ(setting.ViewBalloon, 0);
  EXPECT_EQ(setting.AutoPaste, 1);
  EXPECT_EQ(setting.FixedString.Item(0).str(), u"new");
  EXPECT_EQ(setting, edit);

  // The committed list is a copy: further edits stay in the working copy.
  edit.FixedString.Remove(0);
  EXPECT_EQ(setting.FixedString.Item(0).str(), u"new");
}

TEST(CommitSettings, AnOutOfRangeNumberChangesNeitherRecord) {
  SettingRecord setting = StoredSettings();
  SettingRecord edit = setting;
  edit.FixedString.InsertFirst(SharedText(u"typed"));
  const SettingRecord editBefore = edit;
  for (const char16_t* text : {u"1000", u"-1", u"999.4", u"1e999"}) {
    EXPECT_FALSE(CommitSettings(edit, text, CheckStates{0, 0, 1}, setting));
  }
  EXPECT_EQ(edit, editBefore);
  EXPECT_EQ(setting, StoredSettings());
  ASSERT_TRUE(CommitSettings(edit, u"0", CheckStates{1, 1, 0}, setting));
  EXPECT_EQ(setting.ClipBoardLog, 0);
}

}  // namespace
}  // namespace quistrel
