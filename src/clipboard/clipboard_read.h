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

// Under Wine, every look of this process at the clipboard is noted, just
// before it is made, so that the reader knows when the X11 driver's ask of
// the owner is due again (see WineAskSchedule).
void NoteClipboardLook();
// IsClipboardFormatAvailable, noted as a look.
bool LookForFormat(UINT format);
// When the reader looks at the clipboard next for that ask.
std::chrono::steady_clock::time_point WineAskDue();
// The look, made only when the owner answers at once: one that does not
// would hold the look up for as long as the driver's wait, 5 s.
void RefreshWinePoll();

// The checks that need no open clipboard, none of which looks at it (see
// WineAskSchedule: the open is the first look, so that a read that had to
// wait for the owner's answer opens the clipboard the moment it comes,
// before another program that waited for the same owner can). False when
// the read ends with them: a write of this program waits.
bool WorthOpening(ClipboardRead& read);

}  // namespace quistrel
