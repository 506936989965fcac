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
#include "clipboard/clipboard_read.h"
#include "clipboard/isolated_read.h"
#include "platform/handles.h"

namespace quistrel {

inline constexpr wchar_t kClipboardReaderClassName[] = L"Mallowquist.ClipboardReader";

class ClipboardReader final : private StuckReads {
 public:
  // `deliver` runs on the thread that made the reader, once per complete read
  // of a content newer than the last one delivered. `isolated` reads while a
  // thread is left behind; without it the reader's threads read alone.
  // `mayRead`, asked on the reading threads with the clipboard's owner
  // window (nullptr: none) before the clipboard is opened, passes a content
  // over unread when it says no: the read counts as complete, without text.
  ClipboardReader(std::function<void(ClipboardRead)> deliver, std::shared_ptr<IsolatedReadLauncher> isolated,
                  std::function<bool(HWND owner)> mayRead = nullptr);
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
