// Which keys paste in which window: terminal programs take Ctrl+V as a
// control character for the remote side and paste with other keys. The
// built-in table knows the common ones; the section [PasteKeys] of
// Quistrel.ini (WindowClass=Keys) changes it and adds to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quistrel {

enum class PasteKeys { CtrlV, ShiftInsert, CtrlShiftV, AltV, None };

inline constexpr char16_t kPasteKeysSection[] = u"PasteKeys";

// The keys as the user writes them in the file and reads them in messages:
// "Ctrl+V", "Shift+Insert", "Ctrl+Shift+V", "Alt+V", "None".
std::u16string_view PasteKeysName(PasteKeys keys);
// One of those names, in any case and with spaces anywhere; anything else
// is nothing.
std::optional<PasteKeys> ParsePasteKeys(std::u16string_view text);

struct PasteKeysEntry {
  std::u16string windowClass;  // folded to lower case, as class names compare
  PasteKeys keys = PasteKeys::CtrlV;

  friend bool operator==(const PasteKeysEntry&, const PasteKeysEntry&) = default;
};

// The user's entries, each class once.
using PasteKeyTable = std::vector<PasteKeysEntry>;

// The section's lines as the profile call hands them over: "name=value"
// pieces between zero characters. A line whose value names no keys, a
// comment and a line without '=' are passed over; of two lines for one
// class the later counts.
PasteKeyTable ParsePasteKeysSection(std::u16string_view lines);

// The keys for the top-level window of the class: the user's entry, else the
// built-in one (PuTTY and mintty Shift+Insert, Tera Term's VTWin32 Alt+V),
// else Ctrl+V.
PasteKeys PasteKeysForClass(std::u16string_view windowClass, const PasteKeyTable& table);

// Lower case as Windows compares class names: ASCII, Latin-1, Greek,
// Cyrillic and the full-width Latin letters, which covers the names
// programs register.
std::u16string FoldClassName(std::u16string_view name);

}  // namespace quistrel
