// Reads the clipboard on a thread of its own. Another program can promise
// text and render it only when asked (delayed rendering); asking a program
// that hangs blocks the asker, so the user-interface thread never asks
// itself: it requests a read and gets the text delivered through its message
// loop, or waits for it a bounded time.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "clipboard/clipboard.h"
#include "platform/handles.h"

namespace quistrel {

inline constexpr wchar_t kClipboardReaderClassName[] = L"Mallowquist.ClipboardReader";

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
// With `answered`, the owner that answered a probe: should another one have
// taken the clipboard since, the read ends without asking that one.
ClipboardRead ReadClipboardNow(HWND opener, RenderingWatch& watch, std::optional<HWND> answered = std::nullopt);

// A read of the clipboard made by another process, which can be ended when
// it hangs in its turn.
class SeparateRead {
 public:
  virtual ~SeparateRead() = default;
  // The process that reads, to end with TerminateProcess (from another
  // thread).
  virtual HANDLE Handle() const = 0;
  // Waits for its read; not complete when it ended without one.
  virtual ClipboardRead Result() = 0;
};

// How the reader reads while one of its threads is left behind in a hung
// rendering: under Wine that thread keeps every other thread of the process
// from fetching clipboard data (clipboard_read_process.h is the program's
// way).
class SeparateReader {
 public:
  virtual ~SeparateReader() = default;
  // Nothing when no read can be started; the reader's own thread reads then.
  virtual std::unique_ptr<SeparateRead> Start() = 0;
};

class ClipboardReader final : private StuckReads {
 public:
  // `deliver` runs on the thread that made the reader, once per complete read
  // of a content newer than the last one delivered. `separately` reads while
  // a thread is left behind; without it the reader's threads read alone.
  ClipboardReader(std::function<void(ClipboardRead)> deliver, std::shared_ptr<SeparateReader> separately);
  ~ClipboardReader();
  ClipboardReader(const ClipboardReader&) = delete;
  ClipboardReader& operator=(const ClipboardReader&) = delete;

  // Asks for a read of the clipboard as it is now; returns at once. A read
  // that does not complete is tried again, less and less often, until it
  // completes or the clipboard changes. A read stuck in another program's
  // rendering is left behind, and a new one serves the requests.
  void Request();
  // Delivers, before it returns, the read of the clipboard's current
  // content: waits for it at most `limit`. False when the time ran out.
  bool Settle(std::chrono::milliseconds limit);

 private:
  struct Shared;
  static LRESULT CALLBACK DoorbellProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static UniqueWindow MakeMessageWindow();
  // A new reading thread; the one before it, if any, is left behind.
  void StartReader();
  void DeliverFinished();
  // Leaves a read behind that has hung too long in an owner's rendering.
  void WatchRendering();
  // A write of this thread waits for the clipboard: a read that waits for
  // an owner that does not answer is ended at once.
  void EndStuckRead() override;
  // Ends the read that has been waiting for its owner's data since `since`:
  // the content is tried again, past that owner no more.
  void EndRendering(std::chrono::steady_clock::time_point since);

  std::function<void(ClipboardRead)> deliver_;
  std::shared_ptr<Shared> shared_;
  // Only to be woken on this thread when a read is done; a window of its own,
  // not one of the program's, so that unloading those leaves the reader be.
  UniqueWindow doorbell_;
  // The window the current reading thread opens the clipboard with.
  UniqueWindow opener_;
  DWORD delivered_ = 0;
  bool anyDelivered_ = false;
  std::chrono::steady_clock::time_point nextProbeForWrite_{};
  StuckReadsEndedByWrites endedByWrites_{*this};
};

}  // namespace quistrel
