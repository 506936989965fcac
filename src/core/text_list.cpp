#include "core/text_list.h"

#include <algorithm>

namespace quistrel {

namespace {
const std::shared_ptr<const std::u16string>& EmptyText() {
  static const auto empty = std::make_shared<const std::u16string>();
  return empty;
}
}  // namespace

SharedText::SharedText() : text_(EmptyText()) {}

SharedText::SharedText(std::u16string text)
    : text_(text.empty() ? EmptyText() : std::make_shared<const std::u16string>(std::move(text))) {}

SharedText TextList::Item(int32_t index) const {
  return InRange(index) ? items_[static_cast<std::size_t>(index)] : SharedText();
}

void TextList::InsertFirst(SharedText text) { items_.insert(items_.begin(), std::move(text)); }

void TextList::Replace(int32_t index, SharedText text) {
  if (InRange(index)) items_[static_cast<std::size_t>(index)] = std::move(text);
}

void TextList::Remove(int32_t index) {
  if (InRange(index)) items_.erase(items_.begin() + index);
}

int32_t TextList::Find(std::u16string_view text) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == text) return static_cast<int32_t>(i);
  }
  return -1;
}

void TextList::AddHistory(SharedText text, int32_t maxEntries) {
  if (maxEntries <= 0) return;

  // The slot that is given up: an equal item, a new slot at the end while the
  // list is below its cap, or else the oldest item.
  std::size_t slot;
  int32_t equal = -1;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == text) {
      equal = static_cast<int32_t>(i);
      break;
    }
  }
  if (equal >= 0) {
    slot = static_cast<std::size_t>(equal);
  } else if (LastIndex() < maxEntries - 1) {
    items_.emplace_back();
    slot = items_.size() - 1;
  } else {
    slot = items_.size() - 1;
  }

  // Shift items 0 .. slot-1 one place back; only handles move, never texts.
  std::move_backward(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(slot),
                     items_.begin() + static_cast<std::ptrdiff_t>(slot) + 1);
  items_[0] = std::move(text);
}

}  // namespace quistrel
