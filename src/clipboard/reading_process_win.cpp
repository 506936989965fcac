#include "clipboard/reading_process.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "clipboard/clipboard.h"
#include "clipboard/clipboard_read.h"
#include "clipboard/process_rights_win.h"
#include "platform/folders.h"
#include "platform/system_function.h"

namespace quistrel {

namespace {
// What the reading process writes to its standard output: this header, then
// `length` UTF-16 units of text when it has one.
struct ReadHeader {
  uint32_t magic;
  uint32_t sequence;
  uint32_t complete;
  uint32_t hasText;
  uint64_t length;
};
constexpr uint32_t kReadMagic = 0x31445251;  // "QRD1"
constexpr DWORD kChunkBytes = 1 << 20;
// How often the waiting side looks whether the process still lives, when the
// pipe is empty; a pipe's end can outlive its process in a process that
// inherited it by chance, so the end of the data is not awaited alone.
constexpr DWORD kLivenessPollMs = 10;

struct LocalFreeDeleter {
  void operator()(wchar_t** arguments) const { LocalFree(arguments); }
};

// What the program hands the reading process on its command line: its
// process id, the event that orders the read, and the event that tells of
// its writes (nothing when the program had none); both events inherited.
struct ReadingOrder {
  DWORD parentId = 0;
  HANDLE go = nullptr;
  HANDLE writeSignal = nullptr;
};

HANDLE InheritedHandle(const wchar_t* value) { return reinterpret_cast<HANDLE>(std::wcstoull(value, nullptr, 10)); }

// Nothing of it when the command line is not the reading process's.
ReadingOrder ReadingOrderOf(const wchar_t* commandLine) {
  int count = 0;
  const std::unique_ptr<wchar_t*, LocalFreeDeleter> arguments(CommandLineToArgvW(commandLine, &count));
  if (!arguments || count < 4 || count > 5 || std::wcscmp(arguments.get()[1], kReadClipboardSwitch) != 0) return {};
  ReadingOrder order;
  order.parentId = static_cast<DWORD>(std::wcstoul(arguments.get()[2], nullptr, 10));
  order.go = InheritedHandle(arguments.get()[3]);
  if (count == 5) order.writeSignal = InheritedHandle(arguments.get()[4]);
  return order;
}

// Started ahead of its read, the process waits for the order. Meanwhile,
// under Wine, it keeps the X11 driver's ask of the clipboard's owner recent
// (see WineAskSchedule), so that its read does not wait for an owner that
// has since gone busy. False when no order can come.
bool AwaitOrder(HANDLE go) {
  const bool wine = RunsUnderWine();
  for (;;) {
    DWORD wait = INFINITE;
    if (wine) {
      // Before the first look, the ask is due at once (the distant past).
      const auto now = std::chrono::steady_clock::now();
      const auto due = WineAskDue();
      wait = due <= now ? 0 : static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
    }
    const DWORD waited = WaitForSingleObject(go, wait);
    if (waited == WAIT_OBJECT_0) return true;
    if (waited != WAIT_TIMEOUT) return false;
    RefreshWinePoll();
  }
}

// Ends this process when the parent ends: a read that hangs in an owner's
// rendering must not outlive the program that wanted it.
bool EndWithParent(DWORD parentId) {
  UniqueKernelObject parent(OpenProcess(SYNCHRONIZE, FALSE, parentId));
  if (!parent) return false;
  std::thread([parent = std::move(parent)] {
    WaitForSingleObject(parent.Get(), INFINITE);
    TerminateProcess(GetCurrentProcess(), 1);
  }).detach();
  return true;
}

bool WriteAll(HANDLE output, const void* data, std::size_t bytes) {
  const auto* from = static_cast<const char*>(data);
  while (bytes > 0) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes, kChunkBytes));
    if (!WriteFile(output, from, chunk, &written, nullptr) || written == 0) return false;
    from += written;
    bytes -= written;
  }
  return true;
}

// Nobody watches the reading process's rendering from inside: the program
// that started it ends it when it takes too long.
class Unwatched final : public RenderingWatch {
 public:
  bool Asking(HWND) override { return true; }
  bool Answered() override { return true; }
};

}  // namespace

bool IsClipboardReadingProcess(const wchar_t* commandLine) { return ReadingOrderOf(commandLine).parentId != 0; }

int RunClipboardReadingProcess(const wchar_t* commandLine) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!output || output == INVALID_HANDLE_VALUE) return 2;
  const ReadingOrder order = ReadingOrderOf(commandLine);
  if (!EndWithParent(order.parentId)) return 2;
  if (!AwaitOrder(order.go)) return 2;
  // Should the program have had no event for its writes, this read goes
  // ahead without giving way to them.
  if (order.writeSignal) FollowClipboardWrites(order.writeSignal);
  const UniqueWindow opener(
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr));
  Unwatched watch;
  const ClipboardRead read = ReadClipboardNow(opener.Get(), watch);
  ReadHeader header{kReadMagic, read.sequence, read.complete ? 1u : 0u, read.text ? 1u : 0u, 0};
  if (read.text) header.length = read.text->size();
  if (!WriteAll(output, &header, sizeof(header))) return 1;
  if (read.text && !WriteAll(output, read.text->data(), read.text->size() * sizeof(char16_t))) return 1;
  return 0;
}

std::optional<ReadingProcess> ReadingProcess::Start() {
  // The token does not change while the program runs.
  static const bool allowed = UseReadingProcess(CurrentProcessRights(), RunsUnderWine());
  if (!allowed) return std::nullopt;
  const std::wstring program = Wide(ExecutablePath());
  if (program.empty()) return std::nullopt;
  // Should the event not be had, the process still reads, only without
  // giving way to a commit that waits for the clipboard.
  const HANDLE writeSignal = ClipboardWriteSignal();
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  UniqueKernelObject go(CreateEventW(&inheritable, FALSE, FALSE, nullptr));
  if (!go) return std::nullopt;
  HANDLE readingEnd = nullptr;
  HANDLE writingEnd = nullptr;
  if (!CreatePipe(&readingEnd, &writingEnd, &inheritable, kChunkBytes)) return std::nullopt;
  UniqueKernelObject output(readingEnd);
  // The process gets the writing end only; ours closes when this returns.
  const UniqueKernelObject input(writingEnd);
  if (!SetHandleInformation(readingEnd, HANDLE_FLAG_INHERIT, 0)) return std::nullopt;
  // The events are inherited under the same values, as the pipe's end is.
  std::wstring commandLine = L"\"" + program + L"\" " + kReadClipboardSwitch + L" " +
                             std::to_wstring(GetCurrentProcessId()) + L" " +
                             std::to_wstring(reinterpret_cast<uintptr_t>(go.Get()));
  if (writeSignal) commandLine += L" " + std::to_wstring(reinterpret_cast<uintptr_t>(writeSignal));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  // No busy cursor: the user started nothing, and one that hangs would keep
  // it on screen until it is ended.
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_FORCEOFFFEEDBACK;
  startup.hStdOutput = writingEnd;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &started)) {
    return std::nullopt;
  }
  CloseHandle(started.hThread);
  return ReadingProcess(UniqueKernelObject(started.hProcess), std::move(output), std::move(go));
}

void ReadingProcess::Go() { SetEvent(go_.Get()); }

bool ReadingProcess::Alive() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

ReadingProcessLauncher::~ReadingProcessLauncher() { Release(); }

std::unique_ptr<IsolatedRead> ReadingProcessLauncher::Start() {
  std::optional<ReadingProcess> process;
  {
    const std::lock_guard lock(mutex_);
    process.swap(ahead_);
  }
  if (!process || !process->Alive()) process = ReadingProcess::Start();
  if (!process) return nullptr;
  process->Go();
  return std::make_unique<ReadingProcess>(std::move(*process));
}

void ReadingProcessLauncher::Prepare() {
  {
    const std::lock_guard lock(mutex_);
    if (ahead_ && ahead_->Alive()) return;
  }
  auto process = ReadingProcess::Start();
  const std::lock_guard lock(mutex_);
  // Should another thread have prepared one meanwhile, this one goes.
  if (process && !(ahead_ && ahead_->Alive())) ahead_.swap(process);
  if (process) TerminateProcess(process->Handle(), 1);
}

void ReadingProcessLauncher::Release() {
  const std::lock_guard lock(mutex_);
  // It holds nothing yet: ended, it leaves nothing behind.
  if (ahead_) TerminateProcess(ahead_->Handle(), 1);
  ahead_.reset();
}

bool ReadingProcess::ReadExactly(void* into, std::size_t bytes) {
  auto* to = static_cast<char*>(into);
  bool ended = false;
  while (bytes > 0) {
    DWORD available = 0;
    if (!PeekNamedPipe(output_.Get(), nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) {
      // Whatever it wrote before it ended is in the pipe by now.
      if (ended) return false;
      ended = WaitForSingleObject(process_.Get(), kLivenessPollMs) == WAIT_OBJECT_0;
      continue;
    }
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>({bytes, available, kChunkBytes}));
    if (!ReadFile(output_.Get(), to, chunk, &got, nullptr) || got == 0) return false;
    to += got;
    bytes -= got;
  }
  return true;
}

ClipboardRead ReadingProcess::Result() {
  ReadHeader header{};
  if (!ReadExactly(&header, sizeof(header)) || header.magic != kReadMagic) return ClipboardRead{};
  ClipboardRead read;
  read.sequence = header.sequence;
  if (header.hasText) {
    std::u16string text;
    if (header.length > text.max_size()) return ClipboardRead{};
    try {
      text.resize(static_cast<std::size_t>(header.length));
    } catch (const std::bad_alloc&) {
      return ClipboardRead{};
    }
    if (!ReadExactly(text.data(), text.size() * sizeof(char16_t))) return ClipboardRead{};
    read.text = std::move(text);
  }
  read.complete = header.complete != 0;
  return read;
}

}  // namespace quistrel
