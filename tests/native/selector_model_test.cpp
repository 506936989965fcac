#include <gtest/gtest.h>

#include "selector/selector_model.h"
#include "test_values.h"

namespace quistrel {
namespace {

using testing::ListOf;

TEST(SelectorKeys, EveryReleasedKeyHasItsEffect) {
  struct Row {
    uint16_t key;
    bool byMouse;
    KeyAction action;
    bool consumed;
  };
  const Row rows[] = {
      {0x43, false, KeyAction::None, false},       // C
      {0xE8, false, KeyAction::None, false},       // the unassigned key behind a taken Win+C
      {0x12, false, KeyAction::None, false},       // Alt
      {0x11, false, KeyAction::None, false},       // Ctrl
      {0x09, false, KeyAction::None, true},        // Tab
      {0x5B, false, KeyAction::Commit, true},      // left Windows key
      {0x5B, true, KeyAction::None, false},        // ... when opened with the mouse
      {0x26, false, KeyAction::SelectUp, true},    // Up
      {0x28, false, KeyAction::SelectDown, true},  // Down
      {0x10, false, KeyAction::SwitchList, true},  // Shift
      {0x27, false, KeyAction::SwitchList, true},  // Right
      {0x25, false, KeyAction::SwitchList, true},  // Left
      {0x5C, false, KeyAction::Cancel, true},      // right Windows key
      {0x1B, false, KeyAction::Cancel, true},      // Esc
      {0x0D, false, KeyAction::Cancel, true},      // Enter
      {0x41, true, KeyAction::Cancel, true},       // any other key
  };
  for (const Row& row : rows) {
    const KeyDecision decision = DecideKeyUp(row.key, row.byMouse);
    EXPECT_EQ(decision.action, row.action) << "key " << row.key;
    EXPECT_EQ(decision.consumed, row.consumed) << "key " << row.key;
  }
}

TEST(SelectorKeys, PasteOnlyAfterACommitWithAutoPasteExactlyOne) {
  EXPECT_TRUE(ShouldPaste(true, 1));
  EXPECT_FALSE(ShouldPaste(false, 1));
  EXPECT_FALSE(ShouldPaste(true, 0));
  EXPECT_FALSE(ShouldPaste(true, 2));
  EXPECT_FALSE(ShouldPaste(true, -1));
}

TEST(SelectorModel, OpeningFindsTheClipboardTextAndTheFirstPressSelectsTheTextCopiedBefore) {
  SelectorModel model;
  model.Fill(ListOf({u"now", u"before", u"older"}));
  model.LocateText(u"now");
  EXPECT_EQ(model.Selection(), -1);
  ASSERT_TRUE(model.SelectDown());
  EXPECT_EQ(model.SelectedText()->str(), u"before");
}

TEST(SelectorModel, TextNotInTheListStartsAtTheTopSoUpSelectsTheLast) {
  SelectorModel model;
  model.Fill(ListOf({u"a", u"b", u"c"}));
  model.LocateText(u"elsewhere");
  EXPECT_EQ(model.CurrentIndex(), 0);
  model.SelectUp();
  EXPECT_EQ(model.Selection(), 2);
  model.LocateText(u"elsewhere");
  model.SelectDown();
  EXPECT_EQ(model.Selection(), 1);
}

TEST(SelectorModel, SelectionWrapsAtBothEnds) {
  SelectorModel model;
  model.Fill(ListOf({u"a", u"b"}));
  model.LocateText(u"b");
  model.SelectDown();
  EXPECT_EQ(model.Selection(), 0);
  model.SelectUp();
  EXPECT_EQ(model.Selection(), 1);
}

TEST(SelectorModel, OneLineListAlwaysSelectsThatLine) {
  SelectorModel model;
  model.Fill(ListOf({u"only"}));
  model.LocateText(u"only");
  model.SelectDown();
  EXPECT_EQ(model.Selection(), 0);
  model.SelectUp();
  EXPECT_EQ(model.Selection(), 0);
}

TEST(SelectorModel, EmptyListMovesNothingAndCommitsNothing) {
  SelectorModel model;
  model.Fill(TextList());
  model.LocateText(u"x");
  EXPECT_FALSE(model.SelectDown());
  EXPECT_FALSE(model.SelectUp());
  EXPECT_EQ(model.Selection(), -1);
  EXPECT_FALSE(model.SelectedText().has_value());
}

TEST(SelectorModel, CommitsTheLineTheUserSawEvenWhenTheHistoryChangedMeanwhile) {
  TextList history = ListOf({u"now", u"before"});
  SelectorModel model;
  model.Fill(history);
  model.LocateText(u"now");
  model.SelectDown();
  // Another program copies while the selector shows.
  history.AddHistory(SharedText(u"intruder"), 10);
  EXPECT_EQ(model.SelectedText()->str(), u"before");
  EXPECT_EQ(model.Count(), 2);
}

TEST(SelectorModel, RefillingClearsTheSelectionAndTheSnapshotSharesTexts) {
  const TextList list = ListOf({u"a", u"b"});
  SelectorModel model;
  model.Fill(list);
  model.Select(1);
  EXPECT_EQ(&model.SelectedText()->str(), &list.Item(1).str());
  model.Fill(list);
  EXPECT_EQ(model.Selection(), -1);
  model.Select(5);
  EXPECT_EQ(model.Selection(), -1);
}

// What the box shows at once is laid out as the selector opens; the rest of
// a long text only when the user scrolls to it.
TEST(Preview, TheHeadHoldsWhatTheBoxShowsAtOnceAndSaysWhenMoreFollows) {
  const std::u16string fits = u"first\r\nsecond\r\n" + std::u16string(kPreviewHeadColumns, u'x');
  EXPECT_EQ(HeadOfPreview(fits).text, fits);
  EXPECT_FALSE(HeadOfPreview(fits).cut);
  EXPECT_FALSE(HeadOfPreview(u"").cut);

  // One long line (100 KiB of it, as a copied log line): cut at the
  // columns, never between the halves of a surrogate pair.
  std::u16string wide(51200, u'j');
  wide[kPreviewHeadColumns - 1] = 0xD83D;
  wide[kPreviewHeadColumns] = 0xDE00;
  const PreviewHead oneLine = HeadOfPreview(wide);
  EXPECT_TRUE(oneLine.cut);
  EXPECT_EQ(oneLine.text, std::u16string(kPreviewHeadColumns - 1, u'j') + kPreviewCutNote);

  // Many short lines: the first kPreviewHeadLines, without the line break
  // that ends the last of them.
  std::u16string tall, head;
  for (std::size_t i = 0; i < 3 * kPreviewHeadLines; ++i) tall += u"line\r\n";
  for (std::size_t i = 0; i < kPreviewHeadLines; ++i) head += i == 0 ? u"line" : u"\r\nline";
  const PreviewHead lines = HeadOfPreview(tall);
  EXPECT_TRUE(lines.cut);
  EXPECT_EQ(lines.text, head + kPreviewCutNote);

  // A long line further down ends the head there.
  const std::u16string below = u"a\nb\n" + std::u16string(kPreviewHeadColumns + 5, u'z') + u"\nc";
  EXPECT_EQ(HeadOfPreview(below).text, u"a\nb\n" + std::u16string(kPreviewHeadColumns, u'z') + kPreviewCutNote);
}

}  // namespace
}  // namespace quistrel
