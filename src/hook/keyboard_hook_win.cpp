#include "hook/keyboard_hook.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "hook/key_gesture.h"
#include "hook/keyboard_hook_report.h"

namespace quistrel {

namespace {
static_assert(kHookReportMessage == WM_HOTKEY);

// A Windows key went down: the record is checked against the system's at
// once and from then on, until it holds neither a Windows key nor a taken C.
constexpr UINT kWatchWinKeysMessage = WM_APP + 3;
constexpr UINT kWatchIntervalMs = 100;
constexpr DWORD kStartWaitMs = 5000;
constexpr DWORD kStopWaitMs = 2000;

int64_t Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

void SendUnassignedKey() {
  INPUT keys[2]{};
  for (INPUT& key : keys) {
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = kUnassignedVk;
    key.ki.dwExtraInfo = kOwnInputMarker;
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

bool SystemHolds(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// What the hook decided, for the courier to carry out.
struct Errand {
  enum class Kind : uint8_t { SendUnassignedKey, Report, WatchWinKeys };
  Kind kind = Kind::Report;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// The hook's errands in their order. Handing one on takes a slim lock and
// wakes the courier: in-process synchronisation that, unlike posting a
// message, waits for no system service (under Wine, for no wineserver
// round trip, which on a busy machine took milliseconds per key).
class Errands {
 public:
  explicit Errands(std::size_t capacity) : ring_(std::max<std::size_t>(capacity, 1)) {}

  // Never blocks beyond the courier's brief hold of the lock. Should the
  // courier be stuck for hundreds of keys, the newest errands are dropped
  // rather than held up: false then.
  bool Hand(Errand errand) {
    AcquireSRWLockExclusive(&lock_);
    const bool room = count_ < ring_.size();
    if (room) {
      ring_[(first_ + count_) % ring_.size()] = errand;
      ++count_;
    }
    ReleaseSRWLockExclusive(&lock_);
    WakeConditionVariable(&arrived_);
    return room;
  }

  // The courier's next errand; false once the hook stops.
  bool Next(Errand& errand) {
    AcquireSRWLockExclusive(&lock_);
    while (count_ == 0 && !stopping_) SleepConditionVariableSRW(&arrived_, &lock_, INFINITE, 0);
    const bool got = count_ > 0 && !stopping_;
    if (got) {
      errand = ring_[first_];
      first_ = (first_ + 1) % ring_.size();
      --count_;
    }
    ReleaseSRWLockExclusive(&lock_);
    return got;
  }

  void Stop() {
    AcquireSRWLockExclusive(&lock_);
    stopping_ = true;
    ReleaseSRWLockExclusive(&lock_);
    WakeAllConditionVariable(&arrived_);
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE arrived_ = CONDITION_VARIABLE_INIT;
  std::vector<Errand> ring_;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
  bool stopping_ = false;
};
}  // namespace

struct KeyboardHook::State {
  explicit State(std::size_t errandCapacity) : errands(errandCapacity) {}

  HWND window = nullptr;
  std::atomic<DWORD> hookThreadId = 0;
  int64_t ticksPerSecond = 1;
  UniqueKernelObject ready;
  std::atomic<bool> installed = false;
  std::atomic<bool> selectorShown = false;
  KeyGesture gesture;     // the hook thread's alone, as are the two below
  bool watching = false;  // the errand that starts the checks was handed on
  UINT_PTR watchTimer = 0;
  std::atomic<int64_t> longestTicks = 0;
  std::atomic<uint32_t> keysSeen = 0;
  Errands errands;

  LRESULT OnKey(int code, WPARAM wParam, LPARAM lParam);
  void WatchWinKeys();
  bool CheckWinKeys();
};

namespace {
using State = KeyboardHook::State;

std::atomic<State*> active = nullptr;  // the one hook of the process

// A thread's share of the state, handed over at its start: the state lives
// as long as the last thread that uses it, also past a Stop that gave up
// waiting for it.
std::shared_ptr<State> TakeShare(void* param) {
  auto* share = static_cast<std::shared_ptr<State>*>(param);
  std::shared_ptr<State> state = std::move(*share);
  delete share;
  return state;
}

UniqueKernelObject StartThread(LPTHREAD_START_ROUTINE run, const std::shared_ptr<State>& state) {
  auto* share = new std::shared_ptr<State>(state);
  UniqueKernelObject thread(CreateThread(nullptr, 0, run, share, 0, nullptr));
  if (!thread) delete share;
  return thread;
}

LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam) {
  State* state = active;
  if (code != HC_ACTION || !state) return CallNextHookEx(nullptr, code, wParam, lParam);
  return state->OnKey(code, wParam, lParam);
}

DWORD WINAPI RunHook(void* param) {
  const std::shared_ptr<State> state = TakeShare(param);
  state->hookThreadId = GetCurrentThreadId();
  // The thread's message queue exists before anyone posts to it.
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  // Keys wait for this thread: it goes first when the system is busy.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  // The thread's first question about the keys' state may set up more
  // (under Wine, the thread's link to the display): asked now, not later.
  GetAsyncKeyState(VK_LWIN);
  HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, &Procedure, GetModuleHandleW(nullptr), 0);
  state->installed = hook != nullptr;
  SetEvent(state->ready.Get());
  if (!hook) return 0;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd != nullptr) continue;
    if (msg.message == kWatchWinKeysMessage) state->WatchWinKeys();
    if (msg.message == WM_TIMER && msg.wParam == state->watchTimer) state->CheckWinKeys();
  }
  if (state->watchTimer != 0) KillTimer(nullptr, state->watchTimer);
  UnhookWindowsHookEx(hook);
  state->installed = false;
  return 0;
}

// Carries out the hook's errands in their order: the unassigned key goes out
// before the step that follows it, so a quick release of Win finds it
// already sent, or the Start menu opens.
DWORD WINAPI RunCourier(void* param) {
  const std::shared_ptr<State> state = TakeShare(param);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  Errand errand;
  while (state->errands.Next(errand)) {
    switch (errand.kind) {
      case Errand::Kind::SendUnassignedKey: SendUnassignedKey(); break;
      case Errand::Kind::Report: PostMessageW(state->window, kHookReportMessage, errand.wParam, errand.lParam); break;
      case Errand::Kind::WatchWinKeys: PostThreadMessageW(state->hookThreadId, kWatchWinKeysMessage, 0, 0); break;
    }
  }
  return 0;
}
}  // namespace

bool KeyboardHook::Start(HWND window) {
  if (state_) return Installed();
  auto state = std::make_shared<State>(errandCapacity_);
  State* none = nullptr;
  if (!active.compare_exchange_strong(none, state.get())) return false;
  state->window = window;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  state->ticksPerSecond = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  state->ready.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  state_ = state;
  if (state->ready) {
    courierThread_ = StartThread(&RunCourier, state);
    if (courierThread_) hookThread_ = StartThread(&RunHook, state);
  }
  if (!hookThread_) {
    Stop();
    return false;
  }
  WaitForSingleObject(state->ready.Get(), kStartWaitMs);
  return Installed();
}

void KeyboardHook::Stop() {
  if (!state_) return;
  // From here on the hook passes every key on, also should its threads not
  // end in time.
  State* ours = state_.get();
  active.compare_exchange_strong(ours, nullptr);
  if (hookThread_) PostThreadMessageW(GetThreadId(hookThread_.Get()), WM_QUIT, 0, 0);
  state_->errands.Stop();
  HANDLE threads[2];
  DWORD started = 0;
  for (const UniqueKernelObject* thread : {&hookThread_, &courierThread_}) {
    if (*thread) threads[started++] = thread->Get();
  }
  if (started > 0) WaitForMultipleObjects(started, threads, TRUE, kStopWaitMs);
  hookThread_.Reset();
  courierThread_.Reset();
  state_.reset();
}

bool KeyboardHook::Installed() const { return state_ && state_->installed; }

void KeyboardHook::SetSelectorShown(bool shown) {
  if (state_) state_->selectorShown = shown;
}

// The first check at once: a key let go unseen before this hold (Alt after
// Ctrl+Alt+Del) would otherwise decide the first quick C.
void State::WatchWinKeys() {
  if (!CheckWinKeys() || watchTimer != 0) return;
  watchTimer = SetTimer(nullptr, 0, kWatchIntervalMs, nullptr);
  if (watchTimer == 0) watching = false;  // the next key tries again
}

// Outside the hook, where a question to the system may take its time. False
// once there is nothing left to check.
bool State::CheckWinKeys() {
  const HeldKeys system{SystemHolds(VK_LWIN), SystemHolds(VK_RWIN), SystemHolds(VK_MENU), SystemHolds('C')};
  if (gesture.Reconcile(system, GetTickCount())) return true;
  if (watchTimer != 0) KillTimer(nullptr, watchTimer);
  watchTimer = 0;
  watching = false;
  return false;
}

LRESULT State::OnKey(int code, WPARAM wParam, LPARAM lParam) {
  const int64_t start = Ticks();
  const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  HookVerdict verdict;
  // The program's own keys (the unassigned key, the paste) are not the user's.
  const bool own = (event.flags & LLKHF_INJECTED) != 0 && event.dwExtraInfo == kOwnInputMarker;
  if (!own) {
    const HookKey key{static_cast<uint16_t>(event.vkCode), (event.flags & LLKHF_UP) != 0,
                      (event.flags & LLKHF_ALTDOWN) != 0, static_cast<uint32_t>(event.time)};
    verdict = gesture.OnKey(key, selectorShown);
    // What could not be handed on is not recorded as done: the next key
    // hands it on.
    if (verdict.sendUnassigned && errands.Hand({Errand::Kind::SendUnassignedKey})) gesture.UnassignedKeyHandedOn();
    if (verdict.report != HookReport::None) {
      const LPARAM report = verdict.report == HookReport::Released ? HookReleaseParam(verdict.reportedKey)
                                                                   : HookStepParam(verdict.report);
      errands.Hand({Errand::Kind::Report, HookReportTimeParam(event.time), report});
    }
    if (gesture.NeedsReconciling() && !watching) watching = errands.Hand({Errand::Kind::WatchWinKeys});
  }
  const int64_t took = Ticks() - start;
  int64_t longest = longestTicks;
  while (took > longest && !longestTicks.compare_exchange_weak(longest, took)) {
  }
  ++keysSeen;
  if (verdict.swallow) return 1;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

uint32_t KeyboardHook::LongestTenthsOfMicrosecond() const {
  return state_ ? static_cast<uint32_t>(state_->longestTicks * 10'000'000 / state_->ticksPerSecond) : 0;
}

uint32_t KeyboardHook::KeysSeen() const { return state_ ? state_->keysSeen.load() : 0; }

void KeyboardHook::ResetTiming() {
  if (!state_) return;
  state_->longestTicks = 0;
  state_->keysSeen = 0;
}

}  // namespace quistrel
