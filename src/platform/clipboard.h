// The clipboard's text, exchanged as Unicode (Windows goes on offering the
// ANSI form to programs that ask for it). Opening is retried briefly because
// another program may be holding the clipboard at that moment.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace quistrel {

class OpenedClipboard {
 public:
  // Tries for a few tens of milliseconds; nothing when the clipboard stays held.
  static std::optional<OpenedClipboard> Open(HWND owner);
  ~OpenedClipboard();
  OpenedClipboard(OpenedClipboard&& other) noexcept;
  OpenedClipboard& operator=(OpenedClipboard&&) = delete;
  OpenedClipboard(const OpenedClipboard&) = delete;

 private:
  OpenedClipboard() = default;
  bool open_ = true;
};

// The text on the clipboard; nothing when it holds no text, the block is empty,
// or the clipboard could not be opened. The text never reads past its block.
std::optional<std::u16string> ReadClipboardText(HWND owner);

// The text of the clipboard this thread holds open, read as ReadClipboardText
// reads it.
std::optional<std::u16string> TextOfOpenClipboard();

// Empties the clipboard and puts the text on it. False, clipboard untouched,
// when it could not be opened or the memory could not be had.
bool WriteClipboardText(HWND owner, std::u16string_view text);

}  // namespace quistrel
