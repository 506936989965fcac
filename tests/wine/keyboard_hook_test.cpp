// The keyboard hook's threads against the object that started them, with the
// real Win32 calls.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <new>
#include <set>
#include <vector>

#include "hook/keyboard_hook.h"
#include "hook/keyboard_hook_report.h"

namespace quistrel {
namespace {

using namespace std::chrono_literals;

std::set<DWORD> ThreadsOfThisProcess() {
  std::set<DWORD> ids;
  UniqueKernelObject snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  }
  return ids;
}

// A hook thread that does not end within Stop's wait (a busy machine, a
// system call that takes its time) ends later: it must not write into the
// object that is gone by then.
TEST(KeyboardHook, ThreadsThatOutliveTheirStopLeaveTheObjectsMemoryAlone) {
  alignas(KeyboardHook) std::array<unsigned char, sizeof(KeyboardHook)> place{};
  HWND window = CreateWindowExW(0, L"STATIC", L"reports", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  const std::set<DWORD> before = ThreadsOfThisProcess();
  auto* hook = new (place.data()) KeyboardHook;
  ASSERT_TRUE(hook->Start(window));

  std::vector<UniqueKernelObject> started;
  for (DWORD id : ThreadsOfThisProcess()) {
    if (before.count(id) != 0) continue;
    started.emplace_back(OpenThread(SYNCHRONIZE | THREAD_SUSPEND_RESUME, FALSE, id));
    ASSERT_NE(SuspendThread(started.back().Get()), static_cast<DWORD>(-1));
  }
  ASSERT_FALSE(started.empty());
  hook->~KeyboardHook();  // gives up waiting for the suspended threads
  constexpr unsigned char kGone = 0xA5;
  place.fill(kGone);

  for (UniqueKernelObject& thread : started) ResumeThread(thread.Get());
  for (UniqueKernelObject& thread : started) EXPECT_EQ(WaitForSingleObject(thread.Get(), 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(std::all_of(place.begin(), place.end(), [](unsigned char byte) { return byte == kGone; }));
  DestroyWindow(window);
}

// Types a key as the user would; an `unseen` one carries the program's own
// mark, which the hook passes over: so the hook never sees a key let go on
// the secure desktop or in a window of higher rights.
void Key(WORD key, bool up, bool unseen = false) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  input.ki.dwExtraInfo = unseen ? kOwnInputMarker : 0;
  SendInput(1, &input, sizeof input);
}
void Tap(WORD key) {
  Key(key, false);
  Key(key, true);
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(10);
  }
  return true;
}

// A hook installed before the program's: it counts the downs that the
// program's hook passes on, as the window the user works in would get them.
class PassedKeys {
 public:
  PassedKeys() {
    for (std::atomic<int>& downs : downs_) downs = 0;
    thread_.Reset(CreateThread(nullptr, 0, &Run, this, 0, nullptr));
    while (!ready_) Sleep(1);
  }
  ~PassedKeys() {
    PostThreadMessageW(GetThreadId(thread_.Get()), WM_QUIT, 0, 0);
    WaitForSingleObject(thread_.Get(), INFINITE);
  }
  int Downs(WORD key) const { return downs_[key]; }

 private:
  static LRESULT CALLBACK Count(int code, WPARAM wParam, LPARAM lParam) {
    const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    if (code == HC_ACTION && (event.flags & LLKHF_UP) == 0) ++downs_[event.vkCode & 0xFF];
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static DWORD WINAPI Run(void* self) {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, &Count, GetModuleHandleW(nullptr), 0);
    static_cast<PassedKeys*>(self)->ready_ = true;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
    UnhookWindowsHookEx(hook);
    return 0;
  }
  static inline std::array<std::atomic<int>, 256> downs_;
  std::atomic<bool> ready_ = false;
  UniqueKernelObject thread_;
};

HWND ReportWindow() {
  return CreateWindowExW(0, L"STATIC", L"reports", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Ctrl+Alt+Del: Alt goes up on the secure desktop. Wine flags Alt on no
// event, so the record alone tells; it is mended as soon as a Windows key
// goes down, not a check later, and the first quick Win+C steps down.
TEST(KeyboardHook, AnAltLetGoUnseenIsMendedAsSoonAsAWindowsKeyGoesDown) {
  HWND window = ReportWindow();
  KeyboardHook hook;
  ASSERT_TRUE(hook.Start(window));
  Key(VK_LMENU, false);
  Key(VK_LMENU, true, true);
  Sleep(200);
  Key(VK_LWIN, false);
  Sleep(40);
  Tap('C');
  Key(VK_LWIN, true);
  MSG msg{};
  EXPECT_TRUE(WaitFor(
      [&] { return PeekMessageW(&msg, window, kHookReportMessage, kHookReportMessage, PM_REMOVE) != 0; }, 2000ms));
  EXPECT_TRUE(IsHookStep(msg.lParam));
  EXPECT_EQ(HookStepOf(msg.lParam), HookReport::StepDown);
  hook.Stop();
  DestroyWindow(window);
}

// The courier held up until the ring is full: what the hook could not hand
// on it hands on with the next key, and records nothing it did not hand on.
TEST(KeyboardHook, WhatAFullRingDroppedIsHandedOnWithTheNextKey) {
  PassedKeys passed;
  HWND window = ReportWindow();
  const std::set<DWORD> before = ThreadsOfThisProcess();
  constexpr std::size_t kCapacity = 4;
  KeyboardHook hook(kCapacity);
  ASSERT_TRUE(hook.Start(window));
  // The courier is the hook's thread without a message queue.
  std::vector<UniqueKernelObject> couriers;
  for (DWORD id : ThreadsOfThisProcess()) {
    if (before.count(id) == 0 && !PostThreadMessageW(id, WM_NULL, 0, 0)) {
      couriers.emplace_back(OpenThread(THREAD_SUSPEND_RESUME, FALSE, id));
    }
  }
  ASSERT_EQ(couriers.size(), 1u);
  ASSERT_NE(SuspendThread(couriers[0].Get()), static_cast<DWORD>(-1));
  hook.SetSelectorShown(true);
  for (std::size_t i = 0; i < kCapacity; ++i) Tap(VK_ESCAPE);  // each release reported
  hook.SetSelectorShown(false);
  Key(VK_LWIN, false);  // the watch of the Windows keys is dropped
  Tap('C');             // the unassigned key and the step are dropped
  ResumeThread(couriers[0].Get());
  // The ring empties: the courier delivers the releases it held.
  std::size_t delivered = 0;
  EXPECT_TRUE(WaitFor(
      [&] {
        MSG msg;
        while (PeekMessageW(&msg, window, kHookReportMessage, kHookReportMessage, PM_REMOVE))
          delivered += IsHookRelease(msg.lParam);
        return delivered == kCapacity;
      },
      2000ms));

  Tap('C');
  EXPECT_TRUE(WaitFor([&] { return passed.Downs(kUnassignedVk) == 1; }, 2000ms)) << "the Start menu would open";
  // Win+L: Win goes up on the secure desktop; the check notices.
  Key(VK_LWIN, true, true);
  Sleep(400);
  Tap('C');
  EXPECT_EQ(passed.Downs('C'), 1) << "a plain C is still taken";
  hook.Stop();
  DestroyWindow(window);
}

}  // namespace
}  // namespace quistrel
