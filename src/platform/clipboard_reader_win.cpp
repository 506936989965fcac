#include "platform/clipboard_reader.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/clipboard.h"
#include "platform/clipboard_markers.h"
#include "platform/private_messages.h"
#include "platform/window.h"

namespace quistrel {

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A clipboard owner whose thread does not answer this fast is taken for hung.
constexpr UINT kOwnerProbeMs = 250;
// Other programs (and the system's own clipboard services) hold the clipboard
// or keep its owner busy for a moment after each change, some for seconds: a
// read that could not finish is tried again, first soon, then less often.
constexpr milliseconds kFirstRetryPause{20};
constexpr milliseconds kLongestRetryPause{2000};
// A read that has not come back after this long hangs in its owner's
// rendering (a giant text takes about a second and a half to read under
// Wine): when a read is wanted, another thread makes it.
constexpr milliseconds kStuckAfter{3000};
// How long the end of the program waits for a read that is under way.
constexpr milliseconds kStopWait{300};
constexpr UINT_PTR kStuckTimer = 1;

bool FormatPresent(const wchar_t* name) { return IsClipboardFormatAvailable(RegisterClipboardFormatW(name)) != 0; }

std::optional<uint32_t> DwordOfFormat(const wchar_t* name) {
  const UINT format = RegisterClipboardFormatW(name);
  if (!IsClipboardFormatAvailable(format)) return std::nullopt;
  HANDLE block = GetClipboardData(format);
  if (!block || GlobalSize(block) < sizeof(DWORD)) return 0xFFFFFFFFu;  // present but unreadable: not a 0
  const auto* value = static_cast<const DWORD*>(GlobalLock(block));
  if (!value) return 0xFFFFFFFFu;
  const uint32_t result = *value;
  GlobalUnlock(block);
  return result;
}

ClipboardMarkers ReadMarkers() {
  ClipboardMarkers markers;
  markers.excludeFromMonitoring = FormatPresent(kExcludeFromMonitoringFormat);
  markers.viewerIgnore = FormatPresent(kViewerIgnoreFormat);
  markers.canIncludeInHistory = DwordOfFormat(kCanIncludeInHistoryFormat);
  return markers;
}

// A program that hangs cannot render a promised text; asking it would block
// this thread with the clipboard open, which keeps every other program from
// copying. Asked before the clipboard is opened, so the probe costs nobody
// else anything.
bool OwnerAnswers(HWND owner) {
  if (!owner) return true;
  DWORD process = 0;
  GetWindowThreadProcessId(owner, &process);
  if (process == GetCurrentProcessId()) return true;
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerProbeMs, &result) != 0;
}

// Sequence numbers wrap around; the newer of two is the one less than half
// the range ahead.
bool IsNewer(DWORD sequence, DWORD than) { return static_cast<int32_t>(sequence - than) > 0; }
}  // namespace

ClipboardRead ReadClipboardContent() {
  ClipboardRead read;
  read.sequence = GetClipboardSequenceNumber();
  if (ClipboardWriteWaiting()) return read;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) {
    read.complete = true;
    return read;
  }
  const HWND owner = GetClipboardOwner();
  if (!OwnerAnswers(owner)) return read;
  auto clipboard = OpenedClipboard::Open(nullptr);
  if (!clipboard) return read;
  read.sequence = GetClipboardSequenceNumber();
  // Another program copied since the probe: its owner was not asked yet.
  if (GetClipboardOwner() != owner) return read;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || IsPrivateContent(ReadMarkers())) {
    read.complete = true;
    return read;
  }
  if (ClipboardWriteWaiting()) return read;
  read.text = TextOfOpenClipboard();
  read.complete = true;
  return read;
}

struct ClipboardReader::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  bool requested = false;  // a read of the current content is wanted at once
  bool stopping = false;
  // The thread that serves requests; threads of earlier numbers were left
  // behind in a hung read and end once it returns.
  unsigned generation = 0;
  bool reading = false;  // the serving thread is inside a read
  Clock::time_point readStarted;
  unsigned attempts = 0;  // reads finished, complete or not
  std::deque<ClipboardRead> finished;
  HWND doorbell = nullptr;

  bool Stuck() const { return reading && Clock::now() - readStarted >= kStuckAfter; }
  // Called with the mutex held.
  static void StartServing(const std::shared_ptr<Shared>& shared);
  static void Serve(const std::shared_ptr<Shared>& shared, unsigned generation);
};

void ClipboardReader::Shared::StartServing(const std::shared_ptr<Shared>& shared) {
  const unsigned generation = ++shared->generation;
  shared->reading = false;
  std::thread([shared, generation] { Serve(shared, generation); }).detach();
}

void ClipboardReader::Shared::Serve(const std::shared_ptr<Shared>& shared, unsigned generation) {
  std::unique_lock lock(shared->mutex);
  auto pause = kFirstRetryPause;
  bool retrying = false;  // the last read did not complete
  Clock::time_point retryAt{};
  const auto due = [&] {
    return shared->stopping || shared->generation != generation || shared->requested ||
           (retrying && Clock::now() >= retryAt);
  };
  for (;;) {
    if (retrying) {
      shared->changed.wait_until(lock, retryAt, due);
    } else {
      shared->changed.wait(lock, due);
    }
    if (shared->stopping || shared->generation != generation) return;
    if (shared->requested) {
      // A new change, or someone waits for the content: try at once, and
      // from the start of the pauses.
      shared->requested = false;
      pause = kFirstRetryPause;
    }
    shared->reading = true;
    shared->readStarted = Clock::now();
    lock.unlock();
    ClipboardRead read = ReadClipboardContent();
    lock.lock();
    // A thread left behind still hands in what it read: the order of the
    // sequence numbers decides whether it is news.
    const bool serving = shared->generation == generation;
    if (serving) shared->reading = false;
    ++shared->attempts;
    if (read.complete) {
      retrying = false;
      shared->finished.push_back(std::move(read));
      if (shared->doorbell) PostMessageW(shared->doorbell, kClipboardReadMessage, 0, 0);
    } else {
      retrying = true;
      retryAt = Clock::now() + pause;
      pause = std::min(pause * 2, kLongestRetryPause);
    }
    shared->changed.notify_all();
    if (!serving) return;
  }
}

ClipboardReader::ClipboardReader(std::function<void(ClipboardRead)> deliver)
    : deliver_(std::move(deliver)), shared_(std::make_shared<Shared>()) {
  WNDCLASSEXW wc{sizeof(wc)};
  if (!GetClassInfoExW(AppInstance(), kClipboardReaderClassName, &wc)) {
    wc.lpfnWndProc = &ClipboardReader::DoorbellProcedure;
    wc.hInstance = AppInstance();
    wc.lpszClassName = kClipboardReaderClassName;
    RegisterClassExW(&wc);
  }
  doorbell_.Reset(
      CreateWindowExW(0, kClipboardReaderClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, AppInstance(), nullptr));
  if (doorbell_) SetWindowLongPtrW(doorbell_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  std::lock_guard lock(shared_->mutex);
  shared_->doorbell = doorbell_.Get();
  Shared::StartServing(shared_);
}

ClipboardReader::~ClipboardReader() {
  {
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->doorbell = nullptr;
    shared_->changed.notify_all();
    // A read stuck in another program's rendering is left behind; the thread
    // ends with the process.
    shared_->changed.wait_for(lock, kStopWait, [&] { return !shared_->reading; });
  }
  if (doorbell_) SetWindowLongPtrW(doorbell_.Get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK ClipboardReader::DoorbellProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* reader = reinterpret_cast<ClipboardReader*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kClipboardReadMessage) {
    if (reader) reader->DeliverFinished();
    return 0;
  }
  if (message == WM_TIMER && wParam == kStuckTimer) {
    KillTimer(window, kStuckTimer);
    if (reader) reader->ReplaceStuckReader();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ClipboardReader::ReplaceStuckReader() {
  std::lock_guard lock(shared_->mutex);
  if (!shared_->requested || !shared_->reading) return;
  if (shared_->Stuck()) {
    Shared::StartServing(shared_);
    return;
  }
  // Looked at again once the read has had its time.
  const auto left = std::chrono::ceil<milliseconds>(shared_->readStarted + kStuckAfter - Clock::now());
  if (doorbell_)
    SetTimer(doorbell_.Get(), kStuckTimer, static_cast<UINT>(std::max<long long>(left.count(), 1)), nullptr);
}

void ClipboardReader::Request() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->requested = true;
    shared_->changed.notify_all();
  }
  ReplaceStuckReader();
}

void ClipboardReader::DeliverFinished() {
  for (;;) {
    ClipboardRead read;
    {
      std::lock_guard lock(shared_->mutex);
      if (shared_->finished.empty()) return;
      read = std::move(shared_->finished.front());
      shared_->finished.pop_front();
    }
    // Only news: a content already delivered, or a late read of an older
    // one, changes nothing.
    if (anyDelivered_ && !IsNewer(read.sequence, delivered_)) continue;
    delivered_ = read.sequence;
    anyDelivered_ = true;
    if (deliver_) deliver_(std::move(read));
  }
}

bool ClipboardReader::Settle(milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    DeliverFinished();
    const DWORD current = GetClipboardSequenceNumber();
    if (anyDelivered_ && !IsNewer(current, delivered_)) return true;
    if (Clock::now() >= deadline) return false;
    std::unique_lock lock(shared_->mutex);
    if (!shared_->requested && !shared_->reading) {
      shared_->requested = true;
      shared_->changed.notify_all();
    }
    if (shared_->Stuck()) Shared::StartServing(shared_);
    const unsigned attempts = shared_->attempts;
    auto wake = deadline;
    if (shared_->reading) wake = std::min(wake, shared_->readStarted + kStuckAfter);
    shared_->changed.wait_until(lock, wake,
                                [&] { return shared_->attempts != attempts || !shared_->finished.empty(); });
  }
}

}  // namespace quistrel
