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

#include "platform/window.h"

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

class ClipboardReader final : private Window {
 public:
  // `deliver` runs on the thread that made the reader, once per finished read.
  explicit ClipboardReader(std::function<void(ClipboardRead)> deliver);
  ~ClipboardReader() override;

  // Asks for a read of the clipboard as it is now; returns at once. Requests
  // made while a read runs are served by one more read afterwards.
  void Request();
  // Delivers, before it returns, the read of the clipboard's current
  // content: waits for it at most `limit`. False when the time ran out.
  bool Settle(std::chrono::milliseconds limit);

 private:
  struct Shared;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DeliverFinished();

  std::function<void(ClipboardRead)> deliver_;
  std::shared_ptr<Shared> shared_;
  DWORD delivered_ = 0;
  bool anyDelivered_ = false;
};

// The reader's own work, run on its thread: the clipboard's sequence number,
// its private-content marks and its text. Holds the clipboard open only while
// it reads; a clipboard owner that does not answer a probe within a moment is
// not asked for its text.
ClipboardRead ReadClipboardContent();

}  // namespace quistrel
