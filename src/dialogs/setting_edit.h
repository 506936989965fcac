// The decisions of the settings dialog, kept apart from its window: reading
// the typed history length, showing stored values the controls can hold, and
// the add, change and delete rules on the dialog's working copy of the
// fixed strings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "core/text_list.h"

namespace quistrel {

inline constexpr int kMinLogNum = 0;
inline constexpr int kMaxLogNum = 999;

// The number at the start of a text, read the way a BASIC Val reads it:
// blanks, tabs and line feeds are skipped wherever they stand, then an
// optional sign, digits, a fraction and an exponent are taken up to the first
// character that does not belong to the number. A text without a number gives
// 0; a number beyond the range of a double gives an infinity of its sign.
double ValOf(std::u16string_view text);

// Rounds to the nearest whole number, a half going to the even neighbour.
double RoundHalfToEven(double value);

// The history length typed into the dialog, or nothing when it lies outside
// 0..999 (the dialog then refuses OK). What the Japanese input method types
// in full width (digits, signs, the point, the ideographic space) is read as
// its ASCII form.
std::optional<int16_t> ReadLogNum(std::u16string_view text);

// What the Japanese input method types as full-width characters (digits,
// signs, the point, the ideographic space) as their ASCII forms, which is how
// the history length is read.
std::u16string NarrowFullWidth(std::u16string_view text);

// The spin control runs from 999 at its top end to 0 at its bottom end, so
// that its up arrow raises the number; scroll-bar positions grow downwards.
int ScrollPosForLogNum(int logNum);
int LogNumForScrollPos(int position);

// A settings file edited by hand can hold values the controls cannot show.
// The history length is shown clamped to 0..999; a flag is shown checked
// exactly when the program acts on it as switched on.
int DisplayedLogNum(int32_t clipBoardLog);
bool ShownAsCheckedExactlyOne(int32_t flag);  // ViewBalloon, AutoPaste
bool ShownAsCheckedNonZero(int32_t flag);     // ViewHello

// The check boxes read back on OK: 0 clear, 1 checked.
struct CheckStates {
  int32_t viewHello = 0;
  int32_t viewBalloon = 0;
  int32_t autoPaste = 0;
};

// OK: false when the typed history length is out of range, in which case
// neither record changes. Otherwise the working copy takes the number and the
// check boxes and then replaces the program's settings whole, all but the
// pause, which the tray menu may have switched meanwhile.
bool CommitSettings(SettingRecord& editSetting, std::u16string_view logNumText, const CheckStates& checks,
                    SettingRecord& setting);

// The fixed-string buttons, in their order on the dialog.
enum class FixedEdit { Add = 0, Change = 1, Delete = 2 };

// What the dialog must do with its list and preview after a button.
enum class ListRefresh {
  None,     // nothing changed; the list keeps its selection
  Rebuild,  // rebuild the list, no line selected
  RebuildAndClearPreview
};

// Where an edit gets the selected line and the entry dialog from.
struct FixedEditHost {
  std::function<int32_t()> selectedLine;  // -1 when no line is selected
  // Opens the entry dialog on a text: what was confirmed, or nothing when the
  // dialog was cancelled or closed.
  std::function<std::optional<std::u16string>(const std::u16string& initial)> askText;
};

ListRefresh EditFixedString(FixedEdit button, TextList& fixedStrings, const FixedEditHost& host);

}  // namespace quistrel
