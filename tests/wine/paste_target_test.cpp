// The paste's wait for the window the user works in, with the real foreground
// and focus of the system: a window of another thread stands for the other
// program.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>

#include "clipboard/clipboard.h"
#include "selector/paste_win.h"

namespace quistrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

bool MarkIsDown() { return (GetAsyncKeyState(0x1D) & 0x8000) != 0; }

HWND ShowWindowOf(const wchar_t* windowClass) {
  return CreateWindowExW(0, windowClass, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr, nullptr,
                         nullptr, nullptr);
}

TEST(PasteTarget, TheKeysWaitUntilTheWindowHasTheKeyboardAndWinesResyncOfTheHeldKeys) {
  // The other program's window, an edit box that takes the focus as it is
  // activated, activates itself 150 ms after the wait began.
  std::atomic<HWND> target{nullptr};
  std::thread other([&target] {
    target = ShowWindowOf(L"EDIT");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_APP) SetForegroundWindow(msg.hwnd);
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  });
  while (!target.load()) std::this_thread::sleep_for(1ms);
  HWND elsewhere = ShowWindowOf(L"STATIC");
  SetForegroundWindow(elsewhere);
  ASSERT_EQ(GetForegroundWindow(), elsewhere);

  std::thread([&target] {
    std::this_thread::sleep_for(150ms);
    PostMessageW(target, WM_APP, 0, 0);
  }).detach();
  Clock::time_point start = Clock::now();
  EXPECT_TRUE(WaitUntilItHasTheKeyboard(target, 2000ms));
  EXPECT_GE(Since(start), 140ms);
  EXPECT_LT(Since(start), 1000ms);

  // Another window that has the foreground keeps it: no keys then.
  SetForegroundWindow(elsewhere);
  start = Clock::now();
  EXPECT_FALSE(WaitUntilItHasTheKeyboard(target, 300ms));
  EXPECT_GE(Since(start), 290ms);
  EXPECT_EQ(GetForegroundWindow(), elsewhere);

  // With the foreground left with a hidden window (the selector just
  // closed), the window the user works in is activated again.
  SetWindowPos(elsewhere, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  ASSERT_EQ(GetForegroundWindow(), elsewhere);
  EXPECT_TRUE(WaitUntilItHasTheKeyboard(target, 1000ms));
  EXPECT_EQ(GetForegroundWindow(), target.load());

  // Wine's X11 driver sets the keys it counts as held to the X server's when
  // the X focus moves: the keys go after that resync, or Ctrl+V would reach
  // the window as a bare V. The mark is down again when they go, and the
  // paste lets go of it.
  ShowWindow(elsewhere, SW_SHOW);
  SetForegroundWindow(elsewhere);
  ASSERT_TRUE(WriteClipboardText(nullptr, u"pasted"));
  KeyResyncMark mark = KeyResyncMark::Press();
  ASSERT_TRUE(mark.Held());
  SetForegroundWindow(target);  // the hand-back
  ASSERT_TRUE(WaitUntilItHasTheKeyboard(target, 1000ms));
  start = Clock::now();
  mark.AwaitResyncs(2000ms);
  EXPECT_GE(Since(start), 20ms);
  EXPECT_LT(Since(start), 1000ms);
  EXPECT_TRUE(MarkIsDown());
  SendPasteKeys(PasteKeys::CtrlV, mark);
  wchar_t text[32] = {};
  for (int i = 0; i < 200 && std::wstring_view(text) != L"pasted"; ++i) {
    std::this_thread::sleep_for(10ms);
    GetWindowTextW(target, text, 32);
  }
  EXPECT_STREQ(text, L"pasted");
  EXPECT_FALSE(MarkIsDown());

  // Without a change of focus no resync comes: the wait runs to its limit.
  mark = KeyResyncMark::Press();
  start = Clock::now();
  mark.AwaitResyncs(150ms);
  EXPECT_GE(Since(start), 140ms);
  mark = KeyResyncMark();
  EXPECT_FALSE(MarkIsDown());
  DestroyWindow(elsewhere);
  PostMessageW(target, WM_QUIT, 0, 0);
  other.join();
}

}  // namespace
}  // namespace quistrel
