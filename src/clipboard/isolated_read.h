// A read of the clipboard made where it can be ended when it hangs, and what
// starts such reads: the reader (clipboard_reader.h) uses them through these
// interfaces, the reading process (reading_process.h) implements them, so
// that neither file needs the other's.
#pragma once

#include <windows.h>

#include <memory>

#include "clipboard/clipboard_read.h"

namespace quistrel {

// A read of the clipboard made by another process, which can be ended when
// it hangs in its turn.
class IsolatedRead {
 public:
  virtual ~IsolatedRead() = default;
  // The process that reads, to end with TerminateProcess (from another
  // thread).
  virtual HANDLE Handle() const = 0;
  // Waits for its read; not complete when it ended without one.
  virtual ClipboardRead Result() = 0;
};

// How the reader reads while one of its threads is left behind in a hung
// rendering: under Wine that thread keeps every other thread of the process
// from fetching clipboard data (reading_process.h is the program's
// way).
class IsolatedReadLauncher {
 public:
  virtual ~IsolatedReadLauncher() = default;
  // Nothing when no read can be started; the reader's own thread reads then.
  virtual std::unique_ptr<IsolatedRead> Start() = 0;
  // Starts the next read's process ahead, so that the read need not wait
  // for it; while it is there, Release ends it.
  virtual void Prepare() {}
  virtual void Release() {}
};

}  // namespace quistrel
