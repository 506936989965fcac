#include "clipboard/clipboard.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <string>

#include "clipboard/clipboard_block.h"
#include "clipboard/clipboard_read.h"
#include "clipboard/wine_ask_schedule.h"
#include "platform/handles.h"

namespace quistrel {

namespace {
constexpr DWORD kOpenRetryDelayMs = 5;

std::atomic<int> writesWaiting{0};
// The event turns with the count under this lock, so that a write that ends
// cannot reset it after one that began later has set it.
std::mutex writesWaitingTurn;

// Set while a write of this process waits: how its reading processes, which
// cannot see its count, learn of it. Made once, at the first write or when
// the first reading process is about to start; inherited by those.
HANDLE OwnWriteEvent() {
  static SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  static const UniqueKernelObject event(CreateEventW(&inheritable, TRUE, FALSE, nullptr));
  return event.Get();
}

// In a reading process, the event of the program it reads for.
UniqueKernelObject& ProgramWriteEvent() {
  static UniqueKernelObject event;
  return event;
}

// The process's looks at the clipboard, as the X11 driver counts them.
std::mutex askScheduleTurn;
WineAskSchedule askSchedule;

// The reads that writes of this thread end when they are stuck in the way.
thread_local StuckReads* stuckReads = nullptr;

void EndStuckReadsInTheWay() {
  if (stuckReads) stuckReads->EndStuckRead();
}

class WriteWaiting {
 public:
  WriteWaiting() {
    const std::lock_guard turn(writesWaitingTurn);
    // Set before the count rises: whoever sees the write wait in this
    // process, its reading processes see it too.
    if (writesWaiting == 0 && OwnWriteEvent()) SetEvent(OwnWriteEvent());
    ++writesWaiting;
  }
  ~WriteWaiting() {
    const std::lock_guard turn(writesWaitingTurn);
    if (--writesWaiting == 0 && OwnWriteEvent()) ResetEvent(OwnWriteEvent());
  }
  WriteWaiting(const WriteWaiting&) = delete;
  WriteWaiting& operator=(const WriteWaiting&) = delete;
};

// The text with its terminating NUL in a block of its own; nothing when the
// memory cannot be had.
UniqueGlobal BlockOf(std::u16string_view text) {
  if (text.size() >= std::numeric_limits<SIZE_T>::max() / sizeof(char16_t)) return UniqueGlobal();
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t)));
  if (!memory) return memory;
  void* data = GlobalLock(memory.Get());
  if (!data) return UniqueGlobal();
  std::memcpy(data, text.data(), text.size() * sizeof(char16_t));
  static_cast<char16_t*>(data)[text.size()] = u'\0';
  GlobalUnlock(memory.Get());
  return memory;
}
}  // namespace

std::optional<OpenedClipboard> OpenedClipboard::Open(HWND owner, std::chrono::milliseconds wait, void (*whileHeld)()) {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + wait;
  for (;;) {
    const auto tried = Clock::now();
    NoteClipboardLook();
    if (OpenClipboard(owner)) return OpenedClipboard();
    // Under Wine a try can itself wait for the owner's answer to the X11
    // driver (see clipboard_read.h), seconds long: that is no time the
    // clipboard was held, and the tries go on a moment after it.
    const auto now = Clock::now();
    if (now - tried > kBriefClipboardWait) deadline = std::max(deadline, now + kBriefClipboardWait);
    if (now >= deadline) return std::nullopt;
    if (whileHeld) whileHeld();
    Sleep(kOpenRetryDelayMs);
  }
}

StuckReadsEndedByWrites::StuckReadsEndedByWrites(StuckReads& reads) : previous_(stuckReads) { stuckReads = &reads; }

StuckReadsEndedByWrites::~StuckReadsEndedByWrites() { stuckReads = previous_; }

OpenedClipboard::~OpenedClipboard() {
  if (open_) CloseClipboard();
}

OpenedClipboard::OpenedClipboard(OpenedClipboard&& other) noexcept : open_(other.open_) { other.open_ = false; }

void NoteClipboardLook() {
  std::lock_guard lock(askScheduleTurn);
  askSchedule.Looked(WineAskSchedule::Clock::now());
}

bool LookForFormat(UINT format) {
  NoteClipboardLook();
  return IsClipboardFormatAvailable(format) != 0;
}

std::chrono::steady_clock::time_point WineAskDue() {
  std::lock_guard lock(askScheduleTurn);
  return askSchedule.NextLook();
}

void RefreshWinePoll() {
  if (OwnerAnswers(GetClipboardOwner())) {
    LookForFormat(CF_UNICODETEXT);
    return;
  }
  std::lock_guard lock(askScheduleTurn);
  askSchedule.OwnerBusy(WineAskSchedule::Clock::now());
}

std::optional<std::u16string> ReadClipboardText(HWND owner) {
  if (!LookForFormat(CF_UNICODETEXT)) return std::nullopt;
  auto clipboard = OpenedClipboard::Open(owner);
  if (!clipboard) return std::nullopt;
  return TextOfOpenClipboard();
}

std::optional<std::u16string> TextOfOpenClipboard() { return TextOfClipboardBlock(GetClipboardData(CF_UNICODETEXT)); }

std::optional<std::u16string> TextOfClipboardBlock(HANDLE block) {
  if (!block) return std::nullopt;
  const SIZE_T size = GlobalSize(block);
  if (size < sizeof(wchar_t)) return std::nullopt;
  const void* data = GlobalLock(block);
  if (!data) return std::nullopt;
  std::optional<std::u16string> text;
  try {
    text = TextFromClipboardBlock(data, size);
  } catch (const std::bad_alloc&) {
    // A text larger than the memory left to copy it into is read as none:
    // skipped once, rather than ending the program with the history.
  }
  GlobalUnlock(block);
  return text;
}

bool WriteClipboardText(HWND owner, std::u16string_view text, std::chrono::milliseconds wait,
                        std::optional<KnownClipboardText> previous) {
  // Everything that can fail on this side comes before EmptyClipboard: the
  // user's clipboard is either replaced or left as it was, unless the system
  // itself refuses the text.
  UniqueGlobal memory = BlockOf(text);
  if (!memory) return false;
  // Made before too, so that putting the previous text back needs no memory;
  // without the memory for it the write still goes ahead, as it would have
  // to with a clipboard that held no known text.
  UniqueGlobal restoring = previous && !previous->text.empty() ? BlockOf(previous->text) : UniqueGlobal();
  const WriteWaiting waiting;
  auto clipboard = OpenedClipboard::Open(owner, wait, &EndStuckReadsInTheWay);
  if (!clipboard) return false;
  // A copy made since that text was read replaced it: that one cannot be put
  // back, and the older text must not stand in for it.
  const bool holdsPrevious = previous && GetClipboardSequenceNumber() == previous->sequence;
  EmptyClipboard();
  if (SetClipboardData(CF_UNICODETEXT, memory.Get())) {
    memory.Release();  // the clipboard owns the block now
    return true;
  }
  if (holdsPrevious && restoring && SetClipboardData(CF_UNICODETEXT, restoring.Get())) restoring.Release();
  return false;
}

bool ClipboardWriteWaiting() {
  if (writesWaiting.load() > 0) return true;
  const HANDLE program = ProgramWriteEvent().Get();
  return program && WaitForSingleObject(program, 0) == WAIT_OBJECT_0;
}

HANDLE ClipboardWriteSignal() { return OwnWriteEvent(); }

void FollowClipboardWrites(HANDLE signal) { ProgramWriteEvent().Reset(signal); }

}  // namespace quistrel
