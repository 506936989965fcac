// The entry dialog's OK: what storing a fixed string keeps of it, and the
// question that names what it cannot keep.
#include <gtest/gtest.h>

#include "dialogs/text_input.h"
#include "test_values.h"

namespace quistrel {
namespace {

using testing::Cp932;

TEST(StoredText, CharactersTheCodePageLacksAreNamedOnceAndTheStoredTextIsWhatTheFileGivesBack) {
  // An emoji (a surrogate pair) and a Hangul syllable, the second one twice.
  const StoredText stored = AsStored(u"A🙂B한C한", Cp932());
  EXPECT_EQ(stored.text, u"A??B?C?");
  EXPECT_EQ(stored.lost, (std::vector<char32_t>{0x1F642, 0xD55C}));

  // Japanese, full-width forms and line breaks are kept as typed.
  const std::u16string japanese = u"日本語ｶﾅ～①\r\nabc";
  const StoredText kept = AsStored(japanese, Cp932());
  EXPECT_EQ(kept.text, japanese);
  EXPECT_TRUE(kept.lost.empty());
  EXPECT_TRUE(AsStored(u"", Cp932()).lost.empty());

  // A long text from another script: every Hangul syllable, twice over.
  std::u16string hangul;
  for (int round = 0; round < 2; ++round) {
    for (char16_t c = 0xAC00; c <= 0xD7A3; ++c) hangul.push_back(c);
  }
  const StoredText korean = AsStored(hangul, Cp932());
  EXPECT_EQ(korean.lost.size(), 11172u);
  EXPECT_EQ(korean.text, std::u16string(hangul.size(), u'?'));
}

TEST(StoredText, TheQuestionNamesTheCharactersWithTheirCodePointsAndCountsTheRest) {
  const std::u16string question = LostCharactersQuestion({0x1F642, 0xD55C});
  EXPECT_NE(question.find(u"「🙂」 U+1F642"), std::u16string::npos);
  EXPECT_NE(question.find(u"「한」 U+D55C"), std::u16string::npos);
  EXPECT_NE(question.find(u"「?」"), std::u16string::npos);
  EXPECT_NE(question.find(u"このまま保存しますか？"), std::u16string::npos);
  EXPECT_EQ(question.find(u"ほか"), std::u16string::npos);

  // An invisible character is shown by its code point alone.
  const std::u16string space = LostCharactersQuestion({0x00A0});
  EXPECT_NE(space.find(u"　U+00A0"), std::u16string::npos);
  EXPECT_EQ(space.find(u"「\u00A0」"), std::u16string::npos);

  // Korean text pasted whole: ten are named, the others counted.
  std::vector<char32_t> many;
  for (char32_t c = 0xAC00; c < 0xAC00 + 25; ++c) many.push_back(c);
  const std::u16string long_question = LostCharactersQuestion(many);
  EXPECT_NE(long_question.find(u"U+AC09"), std::u16string::npos);
  EXPECT_EQ(long_question.find(u"U+AC0A"), std::u16string::npos);
  EXPECT_NE(long_question.find(u"ほか15文字"), std::u16string::npos);
}

}  // namespace
}  // namespace quistrel
