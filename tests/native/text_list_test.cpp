#include <gtest/gtest.h>

#include <initializer_list>

#include "core/text_list.h"
#include "test_values.h"

namespace quistrel {
namespace {

using testing::ListOf;

std::vector<std::u16string> Items(const TextList& list) {
  std::vector<std::u16string> items;
  for (int32_t i = 0; i <= list.LastIndex(); ++i) items.push_back(list.Item(i).str());
  return items;
}

using Texts = std::vector<std::u16string>;

TEST(TextList, EmptyListHasLastIndexMinusOneAndReadsEmptyTexts) {
  TextList list;
  EXPECT_EQ(list.LastIndex(), -1);
  EXPECT_EQ(list.Item(0).str(), u"");
  EXPECT_EQ(list.Item(5).str(), u"");
  EXPECT_EQ(list.Item(-1).str(), u"");
}

TEST(TextList, ReadingOneAboveLastIndexGivesEmptyText) {
  const TextList list = ListOf({u"a", u"b"});
  EXPECT_EQ(list.Item(1).str(), u"b");
  EXPECT_EQ(list.Item(2).str(), u"");
}

TEST(TextList, InsertFirstPutsTextAtFrontAndKeepsDuplicates) {
  TextList list;
  list.InsertFirst(u"one");
  list.InsertFirst(u"two");
  list.InsertFirst(u"one");
  list.InsertFirst(u"");
  EXPECT_EQ(Items(list), (Texts{u"", u"one", u"two", u"one"}));
  EXPECT_EQ(list.LastIndex(), 3);
}

TEST(TextList, ReplaceAndRemoveOutsideTheListChangeNothing) {
  TextList list = ListOf({u"a", u"b"});
  list.Replace(2, u"x");
  list.Remove(2);
  list.Replace(-1, u"x");
  list.Remove(-1);
  EXPECT_EQ(Items(list), (Texts{u"a", u"b"}));
  list.Replace(1, u"c");
  EXPECT_EQ(Items(list), (Texts{u"a", u"c"}));
}

TEST(TextList, RemovingShiftsLaterItemsDown) {
  TextList list = ListOf({u"first", u"second"});
  list.Remove(0);
  EXPECT_EQ(Items(list), (Texts{u"second"}));
  list.Remove(0);
  EXPECT_EQ(list.LastIndex(), -1);
}

TEST(TextList, CopiesAreIndependent) {
  TextList original = ListOf({u"a", u"b"});
  TextList copy = original;
  copy.Replace(0, u"changed");
  copy.InsertFirst(u"new");
  copy.Remove(2);
  EXPECT_EQ(Items(original), (Texts{u"a", u"b"}));
  EXPECT_EQ(Items(copy), (Texts{u"new", u"changed"}));
}

class History : public ::testing::Test {
 protected:
  void Copy(const char16_t* text, int32_t cap) { history.AddHistory(SharedText(text), cap); }
  TextList history;
};

TEST_F(History, CapZeroRecordsNothing) {
  Copy(u"a", 0);
  Copy(u"b", 0);
  EXPECT_EQ(history.LastIndex(), -1);
}

TEST_F(History, CapOneKeepsOnlyTheLastCopiedText) {
  for (const char16_t* text : {u"a", u"b", u"c"}) Copy(text, 1);
  EXPECT_EQ(Items(history), (Texts{u"c"}));
}

TEST_F(History, NewestFirstAndOldestDropsAtTheCap) {
  for (const char16_t* text : {u"A", u"B", u"C", u"D"}) Copy(text, 3);
  EXPECT_EQ(Items(history), (Texts{u"D", u"C", u"B"}));
  Copy(u"B", 3);
  EXPECT_EQ(Items(history), (Texts{u"B", u"D", u"C"}));
}

TEST_F(History, EqualTextMovesToTheFrontInsteadOfRepeating) {
  for (const char16_t* text : {u"a", u"b", u"c", u"a"}) Copy(text, 10);
  EXPECT_EQ(Items(history), (Texts{u"a", u"c", u"b"}));
  Copy(u"a", 10);
  EXPECT_EQ(Items(history), (Texts{u"a", u"c", u"b"}));
}

TEST_F(History, ComparisonIsExactAndCaseSensitive) {
  Copy(u"ABC", 10);
  Copy(u"abc", 10);
  Copy(u"abc ", 10);
  EXPECT_EQ(Items(history), (Texts{u"abc ", u"abc", u"ABC"}));
}

TEST_F(History, EmptyTextIsRecordedLikeAnyOther) {
  Copy(u"a", 10);
  Copy(u"", 10);
  EXPECT_EQ(Items(history), (Texts{u"", u"a"}));
  Copy(u"", 10);
  EXPECT_EQ(history.LastIndex(), 1);
}

TEST_F(History, LoweredCapKeepsTheLengthAndStillDropsTheOldest) {
  for (const char16_t* text : {u"1", u"2", u"3", u"4", u"5", u"6", u"7"}) Copy(text, 10);
  Copy(u"8", 3);
  EXPECT_EQ(Items(history), (Texts{u"8", u"7", u"6", u"5", u"4", u"3", u"2"}));
  Copy(u"6", 3);  // an equal entry still moves to the front
  EXPECT_EQ(Items(history), (Texts{u"6", u"8", u"7", u"5", u"4", u"3", u"2"}));
  Copy(u"9", 8);  // grows again once the cap exceeds the length
  EXPECT_EQ(history.LastIndex(), 7);
  EXPECT_EQ(history.Item(7).str(), u"2");
}

TEST_F(History, HistoryMovesTextsWithoutCopyingThem) {
  const SharedText big(std::u16string(100000, u'x'));
  history.AddHistory(big, 5);
  Copy(u"other", 5);
  EXPECT_EQ(&history.Item(1).str(), &big.str());
}

TEST(TextListFind, FindsTheFirstEqualEntry) {
  const TextList list = ListOf({u"a", u"b", u"a"});
  EXPECT_EQ(list.Find(u"a"), 0);
  EXPECT_EQ(list.Find(u"b"), 1);
  EXPECT_EQ(list.Find(u"c"), -1);
  EXPECT_EQ(TextList().Find(u""), -1);
}

}  // namespace
}  // namespace quistrel
