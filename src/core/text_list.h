// Ordered lists of texts: the clipboard history and the fixed strings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quistrel {

// An immutable text shared by every list that holds it. The history moves
// these handles around and the selector keeps a snapshot of them, so a text of
// many megabytes is stored once however often it is listed or shown.
class SharedText {
 public:
  SharedText();
  explicit SharedText(std::u16string text);
  SharedText(const char16_t* text) : SharedText(std::u16string(text)) {}

  const std::u16string& str() const { return *text_; }
  std::u16string_view view() const { return *text_; }
  bool empty() const { return text_->empty(); }
  std::size_t size() const { return text_->size(); }

  // Exact, case-sensitive comparison of the whole texts.
  friend bool operator==(const SharedText& a, const SharedText& b) {
    return a.text_ == b.text_ || *a.text_ == *b.text_;
  }
  friend bool operator==(const SharedText& a, std::u16string_view b) { return a.view() == b; }

 private:
  std::shared_ptr<const std::u16string> text_;
};

// Items indexed from 0; LastIndex() is -1 for an empty list. Reading past the
// end gives the empty text; replacing or removing past the end does nothing.
// Copies are independent lists (the texts themselves never change).
class TextList {
 public:
  int32_t LastIndex() const { return static_cast<int32_t>(items_.size()) - 1; }
  bool empty() const { return items_.empty(); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

  SharedText Item(int32_t index) const;
  void InsertFirst(SharedText text);
  void Replace(int32_t index, SharedText text);
  void Remove(int32_t index);
  void Clear() { items_.clear(); }
  void Append(SharedText text) { items_.push_back(std::move(text)); }

  // Position of the first item equal to the text, or -1.
  int32_t Find(std::u16string_view text) const;

  // Records a copied text under the history rule: the text becomes item 0, an
  // equal older item moves to the front instead of repeating, and once the list
  // holds maxEntries items the oldest falls off. A cap lowered below the current
  // length keeps that length. maxEntries 0 (or below) records nothing.
  void AddHistory(SharedText text, int32_t maxEntries);

  friend bool operator==(const TextList&, const TextList&) = default;

 private:
  bool InRange(int32_t index) const { return index >= 0 && index <= LastIndex(); }
  std::vector<SharedText> items_;
};

}  // namespace quistrel
