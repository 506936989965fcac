// The selector's state and decisions, apart from its window: which list it
// shows, the snapshot of that list's texts, the moving selection, and what a
// released key does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_list.h"

namespace quistrel {

enum class ListKind { History, FixedStrings };

enum class KeyAction { None, SelectUp, SelectDown, SwitchList, Commit, Cancel };

struct KeyDecision {
  KeyAction action = KeyAction::None;
  bool consumed = false;  // the key code becomes 0: the focused control never sees the release
};

// Virtual-key codes the selector reacts to on release.
inline constexpr uint16_t kVkTab = 0x09, kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12, kVkLeft = 0x25,
                          kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkC = 0x43, kVkLWin = 0x5B;

// The release of a key while the selector shows. Only the left Windows key
// commits, and not when the selector was opened with the mouse.
KeyDecision DecideKeyUp(uint16_t virtualKey, bool openedByMouse);

// A list line as the selector shows it, and as a screen reader reads it: the
// first kMaxShownCharacters of the text (enough to fill the line, and quick
// however long the text is), line breaks and tabs as spaces.
inline constexpr std::size_t kMaxShownCharacters = 400;
std::u16string LineAsShown(std::u16string_view text);

// The paste keys follow a hide only after a commit, with AutoPaste exactly 1.
constexpr bool ShouldPaste(bool committed, int32_t autoPaste) { return committed && autoPaste == 1; }

// What the preview shows of a text: the whole text, or for a giant one its
// first kPreviewLimit characters and a note that it was cut. The commit still
// uses the whole text.
inline constexpr std::size_t kPreviewLimit = std::size_t{1} << 20;
inline constexpr char16_t kPreviewCutNote[] = u"\r\n\r\n…（以下省略）";
bool PreviewIsCut(const SharedText& text);
std::u16string CutPreview(const SharedText& text);

// What the preview shows as the selector opens and as the selection moves:
// the head of the text, as much as the box can show at once and a little
// more (kPreviewHeadLines lines, and no further than the first line longer
// than kPreviewHeadColumns characters, cut there), with the same note when
// more follows. Its cost does not grow with the text's length, so a long
// text neither delays the opening nor is laid out while the user waits.
// The whole text (CutPreview for a giant one) follows as soon as the user
// scrolls the preview or clicks into it.
inline constexpr std::size_t kPreviewHeadLines = 24;
inline constexpr std::size_t kPreviewHeadColumns = 160;
struct PreviewHead {
  std::u16string text;
  bool cut = false;  // more follows than the head holds
};
PreviewHead HeadOfPreview(std::u16string_view text);

class SelectorModel {
 public:
  ListKind Kind() const { return kind_; }
  void SetKind(ListKind kind) { kind_ = kind; }

  // Takes the lines from the displayed list: the texts are shared, not copied,
  // and what is previewed and committed is always the line the user sees,
  // even when the list changes meanwhile. No line is selected afterwards.
  void Fill(const TextList& displayed);
  // CurrentIndex becomes the first line equal to the clipboard's text, or 0.
  void LocateText(const SharedText& clipboardText);

  // Move the selection one line, wrapping at the ends; nothing on an empty
  // list. True when a line was selected.
  bool SelectDown();
  bool SelectUp();
  // The user picked a line (-1: none).
  void Select(int32_t line);

  int32_t Count() const { return static_cast<int32_t>(lines_.size()); }
  int32_t CurrentIndex() const { return currentIndex_; }
  int32_t Selection() const { return selection_; }
  SharedText Line(int32_t line) const;
  std::optional<SharedText> SelectedText() const;

  bool openedByMouse = false;

 private:
  ListKind kind_ = ListKind::History;
  std::vector<SharedText> lines_;
  int32_t currentIndex_ = 0;
  int32_t selection_ = -1;
};

}  // namespace quistrel
