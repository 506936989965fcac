// A read of the clipboard made in a process of its own: the program's own
// executable, started with a switch. Under Wine, a thread that waits for an
// owner's rendering keeps every other thread of its process from fetching
// clipboard data until the owner answers, maybe never. While such a read is
// left behind, the reader asks such a process instead, started ahead of the
// read so that it is ready when a copy comes; one that hangs in its turn is
// ended, and with it whatever it held.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>

#include "clipboard/isolated_read.h"
#include "platform/handles.h"

namespace quistrel {

// The switch that makes the program a reading process, followed by the id of
// the process to hand the read to, the value of the inherited event that
// orders the read and, when it has one, of the inherited event that tells
// of that program's writes.
inline constexpr wchar_t kReadClipboardSwitch[] = L"/read-clipboard";

// True when the command line asks for a reading process.
bool IsClipboardReadingProcess(const wchar_t* commandLine);
// The reading process's whole life: waits for the order, reads once, hands
// the read over through its standard output, and gives the exit code. It
// ends with the program that started it.
int RunClipboardReadingProcess(const wchar_t* commandLine);

class ReadingProcess final : public IsolatedRead {
 public:
  // Nothing when the process could not be started, or must not be: a
  // program that runs with more than normal rights starts none (see
  // process_rights.h), and its reads stay in its own threads. It waits for
  // Go before it reads.
  static std::optional<ReadingProcess> Start();
  void Go();
  bool Alive() const;
  // To end it with TerminateProcess (from another thread) when it hangs.
  HANDLE Handle() const override { return process_.Get(); }
  // Waits for the process's read; not complete when it ended without one.
  ClipboardRead Result() override;

 private:
  ReadingProcess(UniqueKernelObject process, UniqueKernelObject output, UniqueKernelObject go)
      : process_(std::move(process)), output_(std::move(output)), go_(std::move(go)) {}
  bool ReadExactly(void* into, std::size_t bytes);

  UniqueKernelObject process_;
  UniqueKernelObject output_;  // the reading end of its standard output
  UniqueKernelObject go_;
};

// Starts the reader's isolated reads, each in a reading process of its own,
// and one ahead of the next read while the reader asks for it.
class ReadingProcessLauncher final : public IsolatedReadLauncher {
 public:
  ReadingProcessLauncher() = default;
  ~ReadingProcessLauncher() override;
  ReadingProcessLauncher(const ReadingProcessLauncher&) = delete;
  ReadingProcessLauncher& operator=(const ReadingProcessLauncher&) = delete;
  std::unique_ptr<IsolatedRead> Start() override;
  void Prepare() override;
  void Release() override;

 private:
  std::mutex mutex_;
  std::optional<ReadingProcess> ahead_;
};

}  // namespace quistrel
