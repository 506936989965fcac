#include "core/paste_keys.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

namespace quistrel {

namespace {

constexpr std::array<std::pair<PasteKeys, std::u16string_view>, 5> kNames = {{
    {PasteKeys::CtrlV, u"Ctrl+V"},
    {PasteKeys::ShiftInsert, u"Shift+Insert"},
    {PasteKeys::CtrlShiftV, u"Ctrl+Shift+V"},
    {PasteKeys::AltV, u"Alt+V"},
    {PasteKeys::None, u"None"},
}};

// PuTTY and mintty send Ctrl+V to the remote shell as the byte 0x16, and
// Tera Term keeps Ctrl+V for the shell too.
constexpr std::array<std::pair<std::u16string_view, PasteKeys>, 3> kBuiltIn = {{
    {u"putty", PasteKeys::ShiftInsert},
    {u"mintty", PasteKeys::ShiftInsert},
    {u"vtwin32", PasteKeys::AltV},
}};

char16_t FoldCharacter(char16_t c) {
  struct Range {
    char16_t first, last, offset;
  };
  static constexpr Range kUpper[] = {
      {u'A', u'Z', 0x20},     {0x00C0, 0x00D6, 0x20}, {0x00D8, 0x00DE, 0x20}, {0x0391, 0x03A1, 0x20},
      {0x03A3, 0x03AB, 0x20}, {0x0400, 0x040F, 0x50}, {0x0410, 0x042F, 0x20}, {0xFF21, 0xFF3A, 0x20},
  };
  for (const Range& range : kUpper) {
    if (c >= range.first && c <= range.last) return static_cast<char16_t>(c + range.offset);
  }
  return c;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::u16string FoldClassName(std::u16string_view name) {
  std::u16string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldCharacter);
  return folded;
}

std::u16string_view PasteKeysName(PasteKeys keys) {
  for (const auto& [value, name] : kNames) {
    if (value == keys) return name;
  }
  return kNames.front().second;
}

std::optional<PasteKeys> ParsePasteKeys(std::u16string_view text) {
  std::u16string compact;
  for (const char16_t c : text) {
    if (!IsBlank(c)) compact.push_back(FoldCharacter(c));
  }
  for (const auto& [value, name] : kNames) {
    if (compact == FoldClassName(name)) return value;
  }
  return std::nullopt;
}

PasteKeyTable ParsePasteKeysSection(std::u16string_view lines) {
  PasteKeyTable table;
  // Each class's place in the table: the section may hold hundreds of
  // thousands of lines, and the start waits for them.
  std::unordered_map<std::u16string, std::size_t> places;
  while (!lines.empty()) {
    const std::size_t end = std::min(lines.find(u'\0'), lines.size());
    const std::u16string_view line = lines.substr(0, end);
    lines.remove_prefix(std::min(end + 1, lines.size()));

    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) continue;
    const std::u16string_view name = Trimmed(line.substr(0, equals));
    if (name.empty() || name.front() == u';') continue;
    const std::optional<PasteKeys> keys = ParsePasteKeys(line.substr(equals + 1));
    if (!keys) continue;
    std::u16string folded = FoldClassName(name);
    const auto [place, added] = places.try_emplace(folded, table.size());
    if (added) {
      table.push_back({std::move(folded), *keys});
    } else {
      table[place->second].keys = *keys;
    }
  }
  return table;
}

PasteKeys PasteKeysForClass(std::u16string_view windowClass, const PasteKeyTable& table) {
  const std::u16string folded = FoldClassName(windowClass);
  for (const PasteKeysEntry& entry : table) {
    if (entry.windowClass == folded) return entry.keys;
  }
  for (const auto& [name, keys] : kBuiltIn) {
    if (name == folded) return keys;
  }
  return PasteKeys::CtrlV;
}

}  // namespace quistrel
