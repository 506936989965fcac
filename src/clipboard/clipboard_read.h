// One read of the clipboard as it is now, made on the calling thread: by the
// reader's threads (clipboard_reader.h) and by the reading process
// (reading_process.h).
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

namespace quistrel {

struct ClipboardRead {
  DWORD sequence = 0;  // the clipboard's sequence number the read saw
  // False when the clipboard stayed held by others or its owner did not
  // answer: nothing is known of the content then.
  bool complete = false;
  // The text; nothing when the clipboard holds none, holds private content
  // (see clipboard_markers.h), or could not be read in time.
  std::optional<std::u16string> text;
};

// Told when a read is about to wait for the owner's rendering, and when the
// owner answered; false drops the read.
class RenderingWatch {
 public:
  virtual bool Asking(HWND owner) = 0;
  virtual bool Answered() = 0;

 protected:
  ~RenderingWatch() = default;
};

// One read of the clipboard as it is now, opening it with `opener`. Blocks
// as long as the owner takes to render: never on a thread that must answer.
// With `owner`, the owner the caller looked at: should another one have
// taken the clipboard since, the read ends without asking that one.
ClipboardRead ReadClipboardNow(HWND opener, RenderingWatch& watch, std::optional<HWND> owner = std::nullopt);

// A clipboard owner whose thread does not answer this fast is taken for not
// answering: the probe is made on the reading thread, which must be free
// for the next copy, and a thread that answers at all answers in
// microseconds.
inline constexpr UINT kOwnerProbeMs = 20;

// A program that hangs cannot render a promised text; asking it would block
// the reading thread with the clipboard open, which keeps every other
// program from copying. Asked before the clipboard is opened, so the probe
// costs nobody else anything. One that does not answer may only be busy,
// with its text on the clipboard already: which of the two, nothing tells
// short of asking for the data.
bool OwnerAnswers(HWND owner, UINT probeMs = kOwnerProbeMs);

// Under Wine, a process's calls that look at the clipboard (OpenClipboard,
// IsClipboardFormatAvailable) first have the X11 driver ask the clipboard's
// owner for an answer, and wait for it up to 5 s, whenever the process's
// last answered ask is more than 2 s old: so a read right after the copy of
// a program that computes after copying would wait for it to finish, while
// the next copy may take the text's place. The XFixes extension changes
// nothing here. The readers make that ask themselves while idle, this often,
// so that it is always recent when a copy comes.
inline constexpr std::chrono::milliseconds kWinePollRefresh{2020};
// Looks at the clipboard, which lets the X11 driver make its ask when due.
void RefreshWinePoll();

// The checks that need no open clipboard, none of which looks at it (see
// kWinePollRefresh: the open is the first look, so that a read that had to
// wait for the owner's answer opens the clipboard the moment it comes,
// before another program that waited for the same owner can). False when
// the read ends with them: a write of this program waits.
bool WorthOpening(ClipboardRead& read);

}  // namespace quistrel
