#include "hook/hook.h"

namespace quistrel {

namespace {
// Posted by the hook to its own thread and carried out once the hook has
// answered: the unassigned key, and the reports to the window. Posting to a
// window of the process waits for the process's window lock, which the
// window's thread may hold for milliseconds while it shows or hides the
// selector; the system's keys must not wait for that.
constexpr UINT kSendUnassignedMessage = WM_APP;
constexpr UINT kForwardHotKeyMessage = WM_APP + 1;  // a step or a release, as WM_HOTKEY
// A Windows key went down: its record is checked against the system's from
// now on, until no Windows key is on record.
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
}  // namespace

std::atomic<KeyboardHook*> KeyboardHook::active_ = nullptr;

namespace {
bool SystemHolds(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }
}  // namespace

bool KeyboardHook::Start(HWND window) {
  if (thread_) return installed_;
  KeyboardHook* none = nullptr;
  if (!active_.compare_exchange_strong(none, this)) return false;
  window_ = window;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  ticksPerSecond_ = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  ready_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  thread_.Reset(CreateThread(nullptr, 0, &KeyboardHook::Run, this, 0, &threadId_));
  if (!thread_ || !ready_) {
    active_ = nullptr;
    return false;
  }
  WaitForSingleObject(ready_.Get(), kStartWaitMs);
  return installed_;
}

void KeyboardHook::Stop() {
  if (!thread_) return;
  // From here on the hook passes every key on, also should its thread not
  // end in time (it then ends with the process).
  active_ = nullptr;
  PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  WaitForSingleObject(thread_.Get(), kStopWaitMs);
  thread_.Reset();
}

DWORD WINAPI KeyboardHook::Run(void* param) {
  auto* self = static_cast<KeyboardHook*>(param);
  // The thread's message queue exists before anyone posts to it.
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  // Keys wait for this thread: it goes first when the system is busy.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  // The thread's first question about the keys' state may set up more
  // (under Wine, the thread's link to the display): asked now, not during a key.
  GetAsyncKeyState(VK_LWIN);
  HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardHook::Procedure, GetModuleHandleW(nullptr), 0);
  self->installed_ = hook != nullptr;
  SetEvent(self->ready_.Get());
  if (!hook) return 0;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd != nullptr) continue;
    switch (msg.message) {
      case kSendUnassignedMessage: SendUnassignedKey(); break;
      case kForwardHotKeyMessage: PostMessageW(self->window_, WM_HOTKEY, msg.wParam, msg.lParam); break;
      case kWatchWinKeysMessage: self->WatchWinKeys(); break;
      case WM_TIMER:
        if (msg.wParam == self->watchTimer_) self->CheckWinKeys();
        break;
      default: break;
    }
  }
  if (self->watchTimer_ != 0) KillTimer(nullptr, self->watchTimer_);
  UnhookWindowsHookEx(hook);
  self->installed_ = false;
  return 0;
}

void KeyboardHook::WatchWinKeys() {
  if (watchTimer_ == 0) watchTimer_ = SetTimer(nullptr, 0, kWatchIntervalMs, nullptr);
}

// Outside the hook, where a question to the system may take its time.
void KeyboardHook::CheckWinKeys() {
  const HeldKeys system{SystemHolds(VK_LWIN), SystemHolds(VK_RWIN), SystemHolds(VK_MENU)};
  if (gesture_.Reconcile(system, GetTickCount())) return;
  KillTimer(nullptr, watchTimer_);
  watchTimer_ = 0;
  watching_ = false;
}

LRESULT CALLBACK KeyboardHook::Procedure(int code, WPARAM wParam, LPARAM lParam) {
  KeyboardHook* self = active_;
  if (code != HC_ACTION || !self) return CallNextHookEx(nullptr, code, wParam, lParam);
  return self->OnKey(code, wParam, lParam);
}

LRESULT KeyboardHook::OnKey(int code, WPARAM wParam, LPARAM lParam) {
  const int64_t start = Ticks();
  const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  HookVerdict verdict;
  // The program's own keys (the unassigned key, the paste) are not the user's.
  const bool own = (event.flags & LLKHF_INJECTED) != 0 && event.dwExtraInfo == kOwnInputMarker;
  if (!own) {
    const HookKey key{static_cast<uint16_t>(event.vkCode), (event.flags & LLKHF_UP) != 0,
                      (event.flags & LLKHF_ALTDOWN) != 0, static_cast<uint32_t>(event.time)};
    verdict = gesture_.OnKey(key, selectorShown_);
    // The unassigned key goes out before the step is handed on: a quick
    // release of Win must find it already sent, or the Start menu opens.
    if (verdict.sendUnassigned) PostThreadMessageW(threadId_, kSendUnassignedMessage, 0, 0);
    if (verdict.report != HookReport::None) {
      const LPARAM report = verdict.report == HookReport::Released ? HookReleaseParam(verdict.reportedKey)
                                                                   : HookStepParam(verdict.report);
      PostThreadMessageW(threadId_, kForwardHotKeyMessage, event.time, report);
    }
    if (gesture_.HoldsWinKey() && !watching_) {
      watching_ = true;
      PostThreadMessageW(threadId_, kWatchWinKeysMessage, 0, 0);
    }
  }
  const int64_t took = Ticks() - start;
  int64_t longest = longestTicks_;
  while (took > longest && !longestTicks_.compare_exchange_weak(longest, took)) {
  }
  ++keysSeen_;
  if (verdict.swallow) return 1;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

uint32_t KeyboardHook::LongestTenthsOfMicrosecond() const {
  return static_cast<uint32_t>(longestTicks_ * 10'000'000 / ticksPerSecond_);
}

void KeyboardHook::ResetTiming() {
  longestTicks_ = 0;
  keysSeen_ = 0;
}

}  // namespace quistrel
