#include "platform/clipboard_reader.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/clipboard.h"
#include "platform/clipboard_markers.h"

namespace quistrel {

namespace {
constexpr UINT kReadFinishedMessage = WM_APP + 1;
// A clipboard owner whose thread does not answer this fast is taken for hung.
constexpr UINT kOwnerProbeMs = 250;
// Other programs (and the system's own clipboard services) hold the clipboard
// or keep its owner busy for a moment after each change; a read that could
// not finish tries again a little later.
constexpr int kReadAttempts = 25;
constexpr DWORD kReadRetryMs = 20;
// How long the end of the program waits for a read that is under way.
constexpr auto kStopWait = std::chrono::milliseconds(300);

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
// copying.
bool OwnerAnswers() {
  HWND owner = GetClipboardOwner();
  if (!owner) return true;
  DWORD process = 0;
  GetWindowThreadProcessId(owner, &process);
  if (process == GetCurrentProcessId()) return true;
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerProbeMs, &result) != 0;
}
}  // namespace

ClipboardRead ReadClipboardContent() {
  ClipboardRead read;
  read.sequence = GetClipboardSequenceNumber();
  auto clipboard = OpenedClipboard::Open(nullptr);
  if (!clipboard) return read;
  read.sequence = GetClipboardSequenceNumber();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || IsPrivateContent(ReadMarkers())) {
    read.complete = true;
    return read;
  }
  if (!OwnerAnswers()) return read;
  read.text = TextOfOpenClipboard();
  read.complete = true;
  return read;
}

struct ClipboardReader::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  bool requested = false;
  std::atomic<bool> stopping{false};  // also read, unlocked, between attempts
  bool reading = false;
  std::deque<ClipboardRead> finished;
  HWND doorbell = nullptr;
};

ClipboardReader::ClipboardReader(std::function<void(ClipboardRead)> deliver)
    : deliver_(std::move(deliver)), shared_(std::make_shared<Shared>()) {
  RegisterWindowClass(kClipboardReaderClassName);
  Create(kClipboardReaderClassName, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
  shared_->doorbell = Handle();
  std::thread([shared = shared_] {
    std::unique_lock lock(shared->mutex);
    for (;;) {
      shared->changed.wait(lock, [&] { return shared->requested || shared->stopping; });
      if (shared->stopping) return;
      shared->requested = false;
      shared->reading = true;
      lock.unlock();
      ClipboardRead read = ReadClipboardContent();
      for (int attempt = 1; !read.complete && attempt < kReadAttempts && !shared->stopping; ++attempt) {
        Sleep(kReadRetryMs);
        read = ReadClipboardContent();
      }
      lock.lock();
      shared->reading = false;
      shared->finished.push_back(std::move(read));
      shared->changed.notify_all();
      if (shared->doorbell) PostMessageW(shared->doorbell, kReadFinishedMessage, 0, 0);
    }
  }).detach();
}

ClipboardReader::~ClipboardReader() {
  std::unique_lock lock(shared_->mutex);
  shared_->stopping = true;
  shared_->doorbell = nullptr;
  shared_->changed.notify_all();
  // A read stuck in another program's rendering is left behind; the thread
  // ends with the process.
  shared_->changed.wait_for(lock, kStopWait, [&] { return !shared_->reading; });
}

void ClipboardReader::Request() {
  std::lock_guard lock(shared_->mutex);
  shared_->requested = true;
  shared_->changed.notify_all();
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
    delivered_ = read.sequence;
    anyDelivered_ = true;
    if (deliver_) deliver_(std::move(read));
  }
}

bool ClipboardReader::Settle(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    DeliverFinished();
    const DWORD current = GetClipboardSequenceNumber();
    if (anyDelivered_ && delivered_ == current) return true;
    std::unique_lock lock(shared_->mutex);
    if (!shared_->requested && !shared_->reading && shared_->finished.empty()) {
      shared_->requested = true;
      shared_->changed.notify_all();
    }
    if (!shared_->changed.wait_until(lock, deadline, [&] { return !shared_->finished.empty(); })) return false;
  }
}

LRESULT ClipboardReader::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kReadFinishedMessage) {
    DeliverFinished();
    return 0;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quistrel
