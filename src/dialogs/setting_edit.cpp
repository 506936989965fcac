#include "dialogs/setting_edit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quistrel {

namespace {

bool IsSkippedInNumber(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsSign(char16_t c) { return c == u'+' || c == u'-'; }

// Walks a text while skipping the characters a number may be spread over.
class NumberScanner {
 public:
  explicit NumberScanner(std::u16string_view text) : text_(text) {}

  char16_t Peek() {
    while (at_ < text_.size() && IsSkippedInNumber(text_[at_])) ++at_;
    return at_ < text_.size() ? text_[at_] : u'\0';
  }
  char Take() { return static_cast<char>(text_[at_++]); }

  // Appends the digits that follow; true when there was at least one.
  bool TakeDigits(std::string& out) {
    bool any = false;
    while (IsDigit(Peek())) {
      out.push_back(Take());
      any = true;
    }
    return any;
  }

 private:
  std::u16string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

double ValOf(std::u16string_view text) {
  // The number is gathered as plain ASCII and converted in one go, so that
  // the conversion rounds exactly once and reports an overflow as infinity.
  NumberScanner scan(text);
  std::string number;
  if (IsSign(scan.Peek())) number.push_back(scan.Take());
  bool mantissa = scan.TakeDigits(number);
  if (scan.Peek() == u'.') {
    number.push_back(scan.Take());
    mantissa = scan.TakeDigits(number) || mantissa;
  }
  if (!mantissa) return 0.0;

  const char16_t marker = scan.Peek();
  if (marker == u'e' || marker == u'E') {
    std::string exponent(1, scan.Take());
    if (IsSign(scan.Peek())) exponent.push_back(scan.Take());
    // An exponent marker without digits ends the number before the marker.
    if (scan.TakeDigits(exponent)) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

double RoundHalfToEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::u16string NarrowFullWidth(std::u16string_view text) {
  std::u16string narrow(text);
  for (char16_t& c : narrow) {
    if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - u'\uFF01' + u'!');
    if (c == u'\u3000') c = u' ';
  }
  return narrow;
}

std::optional<int16_t> ReadLogNum(std::u16string_view text) {
  const double value = ValOf(NarrowFullWidth(text));
  if (!(value >= kMinLogNum && value <= kMaxLogNum)) return std::nullopt;
  return static_cast<int16_t>(RoundHalfToEven(value));
}

int ScrollPosForLogNum(int logNum) { return kMaxLogNum - logNum; }
int LogNumForScrollPos(int position) { return kMaxLogNum - position; }

int DisplayedLogNum(int32_t clipBoardLog) { return std::clamp<int32_t>(clipBoardLog, kMinLogNum, kMaxLogNum); }
bool ShownAsCheckedExactlyOne(int32_t flag) { return flag == 1; }
bool ShownAsCheckedNonZero(int32_t flag) { return flag != 0; }

bool CommitSettings(SettingRecord& editSetting, std::u16string_view logNumText, const CheckStates& checks,
                    SettingRecord& setting) {
  const std::optional<int16_t> logNum = ReadLogNum(logNumText);
  if (!logNum) return false;
  editSetting.ClipBoardLog = *logNum;
  editSetting.ViewHello = checks.viewHello;
  editSetting.ViewBalloon = checks.viewBalloon;
  editSetting.AutoPaste = checks.autoPaste;
  editSetting.PauseRecording = setting.PauseRecording;
  setting = editSetting;
  return true;
}

namespace {

ListRefresh AddFixedString(TextList& fixedStrings, const FixedEditHost& host) {
  if (auto text = host.askText(u"")) fixedStrings.InsertFirst(SharedText(std::move(*text)));
  return ListRefresh::Rebuild;
}

ListRefresh ChangeFixedString(TextList& fixedStrings, const FixedEditHost& host) {
  const int32_t line = host.selectedLine();
  if (line < 0) return ListRefresh::None;
  auto text = host.askText(fixedStrings.Item(line).str());
  // The selection is asked for again: the list may have gone meanwhile (the
  // dialog unloaded under the entry dialog), and then nothing is replaced.
  if (text) fixedStrings.Replace(host.selectedLine(), SharedText(std::move(*text)));
  return ListRefresh::Rebuild;
}

ListRefresh DeleteFixedString(TextList& fixedStrings, const FixedEditHost& host) {
  const int32_t line = host.selectedLine();
  if (line < 0) return ListRefresh::None;
  fixedStrings.Remove(line);
  return ListRefresh::RebuildAndClearPreview;
}

}  // namespace

ListRefresh EditFixedString(FixedEdit button, TextList& fixedStrings, const FixedEditHost& host) {
  switch (button) {
    case FixedEdit::Add: return AddFixedString(fixedStrings, host);
    case FixedEdit::Change: return ChangeFixedString(fixedStrings, host);
    case FixedEdit::Delete: return DeleteFixedString(fixedStrings, host);
  }
  return ListRefresh::None;
}

}  // namespace quistrel
