// The keyboard hook's threads against the object that started them, with the
// real Win32 calls.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>
#include <array>
#include <new>
#include <set>
#include <vector>

#include "hook/hook.h"

namespace quistrel {
namespace {

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

}  // namespace
}  // namespace quistrel
