#include "dialogs/text_input.h"

#include <algorithm>
#include <unordered_set>

namespace quistrel {

namespace {

constexpr std::size_t kNamedAtMost = 10;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// One character at `at`: a surrogate pair counts as one, as the user sees it.
std::u16string_view CharacterAt(std::u16string_view text, std::size_t at) {
  const bool pair = IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1]);
  return text.substr(at, pair ? 2 : 1);
}

char32_t CodePointOf(std::u16string_view character) {
  if (character.size() == 2) {
    return 0x10000 + ((static_cast<char32_t>(character[0]) - 0xD800) << 10) + (character[1] - 0xDC00);
  }
  return character[0];
}

std::u16string Utf16Of(char32_t c) {
  if (c < 0x10000) return std::u16string(1, static_cast<char16_t>(c));
  c -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (c >> 10)), static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
}

// Digits of `value` in `base`, at least `width` of them.
std::u16string DigitsOf(std::size_t value, std::size_t base, std::size_t width) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string digits;
  do {
    digits.push_back(kDigits[value % base]);
    value /= base;
  } while (value != 0 || digits.size() < width);
  std::reverse(digits.begin(), digits.end());
  return digits;
}

// Controls and spaces other than the plain one would be invisible in the
// message: only their code points are shown.
bool IsVisible(char32_t c) {
  return c > 0x20 && !(c >= 0x7F && c <= 0xA0) && c != 0xAD && !(c >= 0x2000 && c <= 0x200F) &&
         !(c >= 0x2028 && c <= 0x202F) && c != 0x3000 && c != 0xFEFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

StoredText AsStored(std::u16string_view typed, const AnsiCodePage& codePage) {
  StoredText stored{codePage.FromAnsi(codePage.ToAnsi(typed)), {}};
  if (stored.text == typed) return stored;
  // Only a text that changed is looked at character by character, and each
  // character once: a long text pasted from another script stays quick.
  std::unordered_set<char32_t> seen;
  for (std::size_t at = 0; at < typed.size();) {
    const std::u16string_view character = CharacterAt(typed, at);
    at += character.size();
    const char32_t c = CodePointOf(character);
    if (!seen.insert(c).second) continue;
    if (codePage.FromAnsi(codePage.ToAnsi(character)) != character) stored.lost.push_back(c);
  }
  return stored;
}

std::u16string LostCharactersQuestion(const std::vector<char32_t>& lost) {
  std::u16string text = u"次の文字は保存できません。保存すると「?」などに置き換わります。\r\n";
  for (std::size_t i = 0; i < std::min(lost.size(), kNamedAtMost); ++i) {
    text += u"\r\n　";
    if (IsVisible(lost[i])) text.append(u"「").append(Utf16Of(lost[i])).append(u"」 ");
    text.append(u"U+").append(DigitsOf(lost[i], 16, 4));
  }
  if (lost.size() > kNamedAtMost) {
    text.append(u"\r\n　ほか").append(DigitsOf(lost.size() - kNamedAtMost, 10, 1)).append(u"文字");
  }
  text += u"\r\n\r\nこのまま保存しますか？\r\n「いいえ」を選ぶと、入力画面に戻ります。";
  return text;
}

}  // namespace quistrel
