// The clipboard's text, exchanged as Unicode (Windows goes on offering the
// ANSI form to programs that ask for it). Opening is retried briefly because
// another program may be holding the clipboard at that moment.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quistrel {

// How long an ordinary open of the clipboard keeps trying.
inline constexpr std::chrono::milliseconds kBriefClipboardWait{40};

class OpenedClipboard {
 public:
  // Tries for at most `wait`; nothing when the clipboard stays held.
  // `whileHeld` runs between the tries.
  static std::optional<OpenedClipboard> Open(HWND owner, std::chrono::milliseconds wait = kBriefClipboardWait,
                                             void (*whileHeld)() = nullptr);
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
// The text in a block that GetClipboardData gave for CF_UNICODETEXT.
std::optional<std::u16string> TextOfClipboardBlock(HANDLE block);

// What the clipboard is known to hold as text: read while its sequence
// number (GetClipboardSequenceNumber) was `sequence`.
struct KnownClipboardText {
  std::u16string_view text;
  DWORD sequence = 0;
};

// Empties the clipboard and puts the text on it, waiting at most `wait` for a
// clipboard that another program holds. False, clipboard untouched, when it
// could not be opened or the memory could not be had. False too when the
// system refuses the text once the clipboard is emptied: then `previous` is
// put back, as text alone (other forms of that content are gone), when its
// sequence number is still the clipboard's and it is not empty; else the
// clipboard is left empty. The text it held is never read here: an owner
// that renders on request could hold the write up for good.
bool WriteClipboardText(HWND owner, std::u16string_view text, std::chrono::milliseconds wait = kBriefClipboardWait,
                        std::optional<KnownClipboardText> previous = std::nullopt);

// A reader of this process whose read may hold the clipboard open while it
// waits for an owner's rendering.
class StuckReads {
 public:
  // Ends such a read when the owner does not answer, and lets go of the
  // clipboard it holds.
  virtual void EndStuckRead() = 0;

 protected:
  ~StuckReads() = default;
};

// While it lives, a write made on the thread that made it, which waits for
// the clipboard, ends a read of `reads` stuck in its way: that reader's own
// watch runs on the same thread, and the write handles no message meanwhile.
class StuckReadsEndedByWrites final {
 public:
  explicit StuckReadsEndedByWrites(StuckReads& reads);
  ~StuckReadsEndedByWrites();
  StuckReadsEndedByWrites(const StuckReadsEndedByWrites&) = delete;
  StuckReadsEndedByWrites& operator=(const StuckReadsEndedByWrites&) = delete;

 private:
  StuckReads* previous_;
};

// True while a write of this process waits for the clipboard, and, in a
// reading process that follows them, while one of its program waits: the
// readers let go of the clipboard and stay away until the write is done.
bool ClipboardWriteWaiting();
// What tells the reading processes this process starts that its writes
// wait: an event without a name, which they inherit (a named one, any
// program of the user could make and set first). Nothing when it cannot be
// had. Made before the first one starts.
HANDLE ClipboardWriteSignal();
// In a reading process, before it reads: ClipboardWriteWaiting answers also
// for the writes of the program it reads for, through `signal`, the event
// that program handed down.
void FollowClipboardWrites(HANDLE signal);

}  // namespace quistrel
