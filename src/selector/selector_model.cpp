#include "selector/selector_model.h"

#include <algorithm>

#include "selector/paste.h"

namespace quistrel {

std::u16string LineAsShown(std::u16string_view text) {
  std::u16string line(text.substr(0, std::min(text.size(), kMaxShownCharacters)));
  std::replace_if(
      line.begin(), line.end(), [](char16_t c) { return c == u'\r' || c == u'\n' || c == u'\t'; }, u' ');
  return line;
}

KeyDecision DecideKeyUp(uint16_t virtualKey, bool openedByMouse) {
  switch (virtualKey) {
    case kVkC:
    case kVkMask:  // sent by the keyboard hook while Win+C is held
    case kVkMenu:
    case kVkControl: return {KeyAction::None, false};
    case kVkTab: return {KeyAction::None, true};
    case kVkLWin: return openedByMouse ? KeyDecision{KeyAction::None, false} : KeyDecision{KeyAction::Commit, true};
    case kVkUp: return {KeyAction::SelectUp, true};
    case kVkDown: return {KeyAction::SelectDown, true};
    case kVkShift:
    case kVkRight:
    case kVkLeft: return {KeyAction::SwitchList, true};
    default: return {KeyAction::Cancel, true};
  }
}

void SelectorModel::Fill(const TextList& displayed) {
  lines_.clear();
  lines_.reserve(static_cast<std::size_t>(displayed.Count()));
  for (int32_t i = 0; i <= displayed.LastIndex(); ++i) lines_.push_back(displayed.Item(i));
  selection_ = -1;
}

bool PreviewIsCut(const SharedText& text) { return text.size() > kPreviewLimit; }

std::u16string CutPreview(const SharedText& text) {
  std::u16string preview(text.view().substr(0, kPreviewLimit));
  // Never end between the halves of a surrogate pair.
  if (!preview.empty() && preview.back() >= 0xD800 && preview.back() <= 0xDBFF) preview.pop_back();
  return preview + kPreviewCutNote;
}

PreviewHead HeadOfPreview(std::u16string_view text) {
  std::size_t end = 0, lines = 1, column = 0;
  for (; end < text.size(); ++end) {
    if (text[end] == u'\n') {
      if (lines == kPreviewHeadLines) break;
      ++lines;
      column = 0;
    } else if (++column > kPreviewHeadColumns) {
      break;
    }
  }
  if (end == text.size()) return {std::u16string(text), false};
  // Never end between the halves of a surrogate pair, nor between \r and \n.
  if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
  if (end > 0 && text[end - 1] == u'\r') --end;
  return {std::u16string(text.substr(0, end)) + kPreviewCutNote, true};
}

void SelectorModel::LocateText(const SharedText& clipboardText) {
  currentIndex_ = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i] == clipboardText) {
      currentIndex_ = static_cast<int32_t>(i);
      return;
    }
  }
}

bool SelectorModel::SelectDown() {
  if (lines_.empty()) return false;
  currentIndex_ = currentIndex_ + 1 > Count() - 1 ? 0 : currentIndex_ + 1;
  selection_ = currentIndex_;
  return true;
}

bool SelectorModel::SelectUp() {
  if (lines_.empty()) return false;
  currentIndex_ = currentIndex_ - 1 < 0 ? Count() - 1 : currentIndex_ - 1;
  selection_ = currentIndex_;
  return true;
}

void SelectorModel::Select(int32_t line) { selection_ = (line >= 0 && line < Count()) ? line : -1; }

SharedText SelectorModel::Line(int32_t line) const {
  return (line >= 0 && line < Count()) ? lines_[static_cast<std::size_t>(line)] : SharedText();
}

std::optional<SharedText> SelectorModel::SelectedText() const {
  if (selection_ < 0 || selection_ >= Count()) return std::nullopt;
  return lines_[static_cast<std::size_t>(selection_)];
}

}  // namespace quistrel
