#include "clipboard/clipboard_reader.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "clipboard/clipboard.h"
#include "platform/private_messages.h"
#include "platform/system_function.h"
#include "platform/window.h"

namespace quistrel {

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Other programs (and the system's own clipboard services) hold the clipboard
// or keep its owner busy for a moment after each change, some for seconds: a
// read that could not finish is tried again, first soon, then less often,
// but at least four times a second: the copy is gone once the next one comes,
// so it must be read soon after its holder lets go. A try costs little.
constexpr milliseconds kFirstRetryPause{20};
constexpr milliseconds kLongestRetryPause{250};
// A read that has waited this long for its owner's data, from an owner that
// does not answer meanwhile, hangs in that owner's rendering: another thread
// takes over, and the clipboard is let go. Others cannot copy or paste while
// it is held, so this is short. (A giant text takes its time too, but its
// owner answers.)
constexpr milliseconds kStuckAfter{200};
// Such a content is read again once its owner answers: one that answers
// after all was only slow to render (a spreadsheet's large range), and is
// asked again, with this much time, as long as any program's paste of it
// would wait. Stuck once more, the content is passed over.
constexpr milliseconds kSlowRenderingTime{3000};
// The user-interface thread's probe of that owner: shorter, it must not
// freeze.
constexpr UINT kStuckOwnerProbeMs = 100;
// How long the end of the program waits for a read that is under way.
constexpr milliseconds kStopWait{300};
constexpr UINT_PTR kStuckTimer = 1;

// Sequence numbers wrap around; the newer of two is the one less than half
// the range ahead.
bool IsNewer(DWORD sequence, DWORD than) { return static_cast<int32_t>(sequence - than) > 0; }

}  // namespace

struct ClipboardReader::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  bool requested = false;  // a read of the current content is wanted at once
  bool stopping = false;
  // The thread that serves requests; threads of earlier numbers were left
  // behind in a hung rendering and end once it returns.
  unsigned generation = 0;
  // Threads left behind that are still inside their read. Under Wine such a
  // thread keeps every other thread of the process from fetching clipboard
  // data, so meanwhile the reads are made in a process of their own.
  unsigned leftBehind = 0;
  bool reading = false;    // the serving thread is inside a read
  bool rendering = false;  // ... and waits for the owner's data
  Clock::time_point renderingSince;
  milliseconds renderingTime = kStuckAfter;  // ... and is left behind after this long
  bool secondTry = false;                    // the content's read was ended once already
  HWND renderingOwner = nullptr;
  HANDLE readingProcess = nullptr;  // ... through this process, which may be ended
  // The content whose read was ended, stuck in its owner's rendering: read
  // again only once that owner answers, not past it every time anew; and the
  // one passed over after its second try was ended too.
  std::optional<DWORD> stuckContent;
  std::optional<DWORD> passedOver;
  unsigned attempts = 0;  // reads finished, complete or not
  std::deque<ClipboardRead> finished;
  HWND doorbell = nullptr;
  // Shared with the threads: one left behind may still start a read with it.
  std::shared_ptr<IsolatedReadLauncher> isolated;
  std::function<bool(HWND)> mayRead;

  // The owner is asked for its data, by this thread or by `process`; false
  // when this thread was left behind.
  bool Asking(unsigned reader, HWND owner, HANDLE process = nullptr);
  // The owner answered; false when this thread was left behind meanwhile:
  // the clipboard was taken from it, and its data must not be touched.
  bool Answered(unsigned reader);
  // The thread serving requests is left behind, counted if it is reading.
  void LeaveReaderBehind();
  ClipboardRead Read(unsigned reader, HWND opener, bool inOwnProcess);
  ClipboardRead ReadThrough(IsolatedRead& process, unsigned reader, HWND owner);
  // The content's read was ended before; `second` when its second try was
  // ended too.
  bool EndedStuckIn(DWORD sequence, bool second = false);
  static void Serve(const std::shared_ptr<Shared>& shared, unsigned reader, HWND opener);

  // A reading thread's rendering, watched by the reader's window.
  class ThreadWatch final : public RenderingWatch {
   public:
    ThreadWatch(Shared& shared, unsigned reader) : shared_(shared), reader_(reader) {}
    bool Asking(HWND owner) override { return shared_.Asking(reader_, owner); }
    bool Answered() override { return shared_.Answered(reader_); }

   private:
    Shared& shared_;
    unsigned reader_;
  };
};

bool ClipboardReader::Shared::Asking(unsigned reader, HWND owner, HANDLE process) {
  std::lock_guard lock(mutex);
  if (generation != reader) return false;
  rendering = true;
  renderingSince = Clock::now();
  renderingTime = secondTry ? kSlowRenderingTime : kStuckAfter;
  renderingOwner = owner;
  readingProcess = process;
  if (doorbell) PostMessageW(doorbell, kClipboardRenderingMessage, 0, 0);
  return true;
}

bool ClipboardReader::Shared::Answered(unsigned reader) {
  std::lock_guard lock(mutex);
  if (generation != reader) return false;
  rendering = false;
  readingProcess = nullptr;
  return true;
}

void ClipboardReader::Shared::LeaveReaderBehind() {
  if (reading) ++leftBehind;
  ++generation;
  reading = false;
  rendering = false;
}

ClipboardRead ClipboardReader::Shared::Read(unsigned reader, HWND opener, bool inOwnProcess) {
  ClipboardRead read;
  // Asked first, while the owner is surely there: under Wine each of the
  // calls below first sends the owner the X driver's poll, and one that
  // does not answer holds them up for seconds, in which it may go.
  const DWORD asked = GetClipboardSequenceNumber();
  if (!mayRead(GetClipboardOwner())) {
    read.sequence = asked;
    read.complete = true;  // passed over unread
    return read;
  }
  // A copy made since has an owner that was not asked about: tried again.
  // The text is moved on, never copied: with a copy made here, a history of
  // 999 texts of 100 KiB took 220 MiB under Wine instead of 124 MiB.
  const auto askedAbout = [&](ClipboardRead result) {
    if (result.complete && result.sequence != asked) return ClipboardRead{};
    return result;
  };
  if (!WorthOpening(read)) return askedAbout(read);
  const HWND owner = GetClipboardOwner();
  // A content whose read was ended, stuck in its owner's rendering, is read
  // again only once that owner answers.
  if (EndedStuckIn(read.sequence, true)) {
    read.complete = true;
    return read;
  }
  const bool again = EndedStuckIn(read.sequence);
  if (again && !OwnerAnswers(owner)) return read;
  {
    std::lock_guard lock(mutex);
    secondTry = again;
  }
  // Any other is read at once, also past an owner that does not answer: it
  // may only be busy (a spreadsheet that recalculates after the copy), its
  // text on the clipboard already, and a copy must be read before the next
  // one takes its place. Should the text only be promised, the read hangs;
  // it is ended then as any read stuck in a rendering.
  if (inOwnProcess) {
    // A process is not started for nothing: the clipboard is held.
    if (GetOpenClipboardWindow()) return read;
    if (auto process = isolated ? isolated->Start() : nullptr) return askedAbout(ReadThrough(*process, reader, owner));
  }
  // The one way left when no process can be had; under Wine it waits for
  // the thread left behind.
  ThreadWatch watch(*this, reader);
  return askedAbout(ReadClipboardNow(opener, watch, owner));
}

ClipboardRead ClipboardReader::Shared::ReadThrough(IsolatedRead& process, unsigned reader, HWND owner) {
  if (!Asking(reader, owner, process.Handle())) {
    TerminateProcess(process.Handle(), 1);
    return ClipboardRead{};
  }
  ClipboardRead result = process.Result();
  if (!Answered(reader)) return ClipboardRead{};
  return result;
}

bool ClipboardReader::Shared::EndedStuckIn(DWORD sequence, bool second) {
  std::lock_guard lock(mutex);
  return (second ? passedOver : stuckContent) == sequence;
}

void ClipboardReader::Shared::Serve(const std::shared_ptr<Shared>& shared, unsigned reader, HWND opener) {
  const bool wine = RunsUnderWine();
  std::unique_lock lock(shared->mutex);
  auto pause = kFirstRetryPause;
  bool retrying = false;  // the last read did not complete
  Clock::time_point retryAt{};
  bool ahead = false;  // a reading process waits for the next read
  const auto due = [&] {
    return shared->stopping || shared->generation != reader || shared->requested ||
           (retrying && Clock::now() >= retryAt) || (wine && Clock::now() >= WineAskDue()) ||
           ((shared->leftBehind > 0) != ahead && shared->isolated);
  };
  for (;;) {
    // While a thread is left behind, reads are made by a process of their
    // own: one waits for the next read, so that it is ready when a copy comes.
    if ((shared->leftBehind > 0) != ahead && shared->isolated && !shared->stopping) {
      ahead = shared->leftBehind > 0;
      lock.unlock();
      if (ahead) {
        shared->isolated->Prepare();
      } else {
        shared->isolated->Release();
      }
      lock.lock();
      continue;
    }
    auto wake = Clock::time_point::max();
    if (retrying) wake = retryAt;
    if (wine) wake = std::min(wake, WineAskDue());
    if (wake == Clock::time_point::max()) {
      shared->changed.wait(lock, due);
    } else {
      shared->changed.wait_until(lock, wake, due);
    }
    if (shared->stopping || shared->generation != reader) return;
    const bool readDue = shared->requested || (retrying && Clock::now() >= retryAt);
    // A read due now looks at the clipboard itself.
    if (wine && !readDue && Clock::now() >= WineAskDue()) {
      lock.unlock();
      RefreshWinePoll();
      lock.lock();
      continue;
    }
    if (!readDue) continue;
    if (shared->requested) {
      // A new change, or someone waits for the content: try at once, and
      // from the start of the pauses.
      shared->requested = false;
      pause = kFirstRetryPause;
    }
    shared->reading = true;
    const bool inOwnProcess = shared->leftBehind > 0;
    lock.unlock();
    ClipboardRead read = shared->Read(reader, opener, inOwnProcess);
    lock.lock();
    // A thread left behind hands in nothing: what it got may be older than
    // what its successor delivered.
    if (shared->generation != reader) {
      --shared->leftBehind;
      shared->changed.notify_all();
      return;
    }
    shared->reading = false;
    ++shared->attempts;
    // The process that read is gone; the next one is started ahead.
    if (inOwnProcess) ahead = false;
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
  }
}

ClipboardReader::ClipboardReader(std::function<void(ClipboardRead)> deliver,
                                 std::shared_ptr<IsolatedReadLauncher> isolated, std::function<bool(HWND)> mayRead)
    : deliver_(std::move(deliver)), shared_(std::make_shared<Shared>()) {
  shared_->isolated = std::move(isolated);
  shared_->mayRead = mayRead ? std::move(mayRead) : [](HWND) { return true; };
  WNDCLASSEXW wc{sizeof(wc)};
  if (!GetClassInfoExW(AppInstance(), kClipboardReaderClassName, &wc)) {
    wc.lpfnWndProc = &ClipboardReader::DoorbellProcedure;
    wc.hInstance = AppInstance();
    wc.lpszClassName = kClipboardReaderClassName;
    RegisterClassExW(&wc);
  }
  doorbell_ = MakeMessageWindow();
  if (doorbell_) SetWindowLongPtrW(doorbell_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  {
    std::lock_guard lock(shared_->mutex);
    shared_->doorbell = doorbell_.Get();
  }
  StartReader();
}

ClipboardReader::~ClipboardReader() {
  {
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->doorbell = nullptr;
    shared_->changed.notify_all();
    // A read stuck in another program's rendering is left behind; the thread
    // ends with the process, and the clipboard goes with its window. Left
    // behind, it touches none of the data it may still be handed.
    shared_->changed.wait_for(lock, kStopWait, [&] { return !shared_->reading; });
    if (shared_->readingProcess) TerminateProcess(shared_->readingProcess, 1);
    shared_->LeaveReaderBehind();
  }
  if (shared_->isolated) shared_->isolated->Release();
  if (doorbell_) SetWindowLongPtrW(doorbell_.Get(), GWLP_USERDATA, 0);
}

UniqueWindow ClipboardReader::MakeMessageWindow() {
  return UniqueWindow(
      CreateWindowExW(0, kClipboardReaderClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, AppInstance(), nullptr));
}

void ClipboardReader::StartReader() {
  // The reading thread opens the clipboard with a window of this thread:
  // should it hang in an owner's rendering, destroying that window closes
  // the clipboard it holds open, and other programs can copy again.
  UniqueWindow opener = MakeMessageWindow();
  {
    std::lock_guard lock(shared_->mutex);
    shared_->LeaveReaderBehind();
    const unsigned reader = shared_->generation;
    std::thread([shared = shared_, reader, window = opener.Get()] { Shared::Serve(shared, reader, window); }).detach();
  }
  opener_ = std::move(opener);
}

LRESULT CALLBACK ClipboardReader::DoorbellProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* reader = reinterpret_cast<ClipboardReader*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kClipboardReadMessage) {
    if (reader) reader->DeliverFinished();
    return 0;
  }
  if (message == kClipboardRenderingMessage || (message == WM_TIMER && wParam == kStuckTimer)) {
    if (message == WM_TIMER) KillTimer(window, kStuckTimer);
    if (reader) reader->WatchRendering();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ClipboardReader::WatchRendering() {
  HWND owner = nullptr;
  HWND ownerSinceStarted = nullptr;
  Clock::time_point since;
  milliseconds time{};
  {
    std::lock_guard lock(shared_->mutex);
    if (!shared_->rendering) return;
    owner = shared_->renderingOwner;
    // A reading process reads whatever the clipboard holds once it has
    // started: another program may have taken the clipboard in between, and
    // may since have lost it again. Which of the two it waits for, it cannot
    // say; either one hanging holds it up.
    if (shared_->readingProcess) ownerSinceStarted = GetClipboardOwner();
    since = shared_->renderingSince;
    time = shared_->renderingTime;
  }
  const auto left = std::chrono::ceil<milliseconds>(since + time - Clock::now());
  const auto answers = [&] {
    return OwnerAnswers(owner, kStuckOwnerProbeMs) &&
           (ownerSinceStarted == owner || OwnerAnswers(ownerSinceStarted, kStuckOwnerProbeMs));
  };
  // A write that waits meanwhile cannot wait for the rendering's time: the
  // owner's answer alone decides.
  const bool writeWaits = ClipboardWriteWaiting();
  if ((!writeWaits && left.count() > 0) || answers()) {
    // Looked at again once the rendering has had its time, or more of it.
    const auto wait = left.count() > 0 ? left : time;
    if (doorbell_) SetTimer(doorbell_.Get(), kStuckTimer, static_cast<UINT>(wait.count()), nullptr);
    return;
  }
  EndRendering(since);
}

void ClipboardReader::EndStuckRead() {
  // Asked between the write's tries: the owner is probed now and then.
  const auto now = Clock::now();
  if (now < nextProbeForWrite_) return;
  nextProbeForWrite_ = now + milliseconds(kStuckOwnerProbeMs);
  WatchRendering();
}

void ClipboardReader::EndRendering(Clock::time_point since) {
  {
    std::lock_guard lock(shared_->mutex);
    if (!shared_->rendering || shared_->renderingSince != since) return;
    // The content is still unread: tried again, by the same thread once its
    // reading process is ended, or else by the next thread.
    shared_->requested = true;
    const DWORD content = GetClipboardSequenceNumber();
    if (shared_->secondTry && shared_->stuckContent == content) shared_->passedOver = content;
    shared_->stuckContent = content;
    if (shared_->readingProcess) {
      TerminateProcess(shared_->readingProcess, 1);
      return;
    }
  }
  StartReader();
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
    WatchRendering();
    std::unique_lock lock(shared_->mutex);
    if (!shared_->requested && !shared_->reading) {
      shared_->requested = true;
      shared_->changed.notify_all();
    }
    const unsigned attempts = shared_->attempts;
    auto wake = deadline;
    const auto stuckAt = shared_->renderingSince + shared_->renderingTime;
    if (shared_->rendering && Clock::now() < stuckAt) wake = std::min(wake, stuckAt);
    shared_->changed.wait_until(lock, wake,
                                [&] { return shared_->attempts != attempts || !shared_->finished.empty(); });
  }
}

}  // namespace quistrel
