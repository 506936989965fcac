// The paste's wait for the window the user works in, with the real foreground
// and focus of the system: a window of another thread stands for the other
// program.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>
#include <vector>

#include "clipboard/clipboard.h"
#include "core/program_state.h"
#include "platform/own_input.h"
#include "selector/paste_win.h"
#include "selector/selector_window.h"

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

  // A quit (the tray's end entry, a log-off) ends both waits at once, and
  // stays for the message loop.
  SetForegroundWindow(elsewhere);
  mark = KeyResyncMark::Press();
  PostQuitMessage(0);
  start = Clock::now();
  EXPECT_FALSE(WaitUntilItHasTheKeyboard(target, 1000ms));
  mark.AwaitResyncs(1000ms);
  EXPECT_LT(Since(start), 300ms);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  mark = KeyResyncMark();
  DestroyWindow(elsewhere);
  PostMessageW(target, WM_QUIT, 0, 0);
  other.join();
}

// The window the selector hands the activation back to activates another
// window of its own at once: the paste waits for it in vain.
HWND giveTo = nullptr;
LRESULT CALLBACK GivesTheActivationAway(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && giveTo) PostMessageW(window, WM_APP, 0, 0);
  if (message == WM_APP) SetForegroundWindow(giveTo);
  return DefWindowProcW(window, message, wParam, lParam);
}

// The program's own presses of the mark, and those less its releases, as a
// keyboard hook sees them (sent keys wait for every hook, this thread's too:
// the wait handles the hook's call); Wine's resyncs let go of the mark too,
// unmarked.
int marksPressed = 0;
int marksHeld = 0;
LRESULT CALLBACK CountsTheMark(int code, WPARAM wParam, LPARAM lParam) {
  const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && key.vkCode == 0x1D && key.dwExtraInfo == kOwnInputMarker) {
    const bool up = (key.flags & LLKHF_UP) != 0;
    marksPressed += up ? 0 : 1;
    marksHeld += up ? -1 : 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Where balloons are off, a failed commit and a dropped paste are told in a
// message box, whose message loop may see the next gesture commit with a mark
// of its own: the mark is let go before either is told, and only once.
TEST(PasteTarget, TheResyncMarkIsUpBeforeTheUserIsTold) {
  ASSERT_TRUE(KeyResyncMark::Press().Held());  // a commit presses it here
  const HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, CountsTheMark, GetModuleHandleW(nullptr), 0);
  std::vector<int> marksHeldWhenTold;
  const auto told = [&marksHeldWhenTold] { marksHeldWhenTold.push_back(marksHeld); };
  SelectorActions actions;
  actions.commitFailed = told;
  actions.pasteDropped = [&told](PasteObstacle, PasteKeys) { told(); };
  ProgramState program;
  program.Setting.AutoPaste = 1;
  for (const char16_t* text : {u"older", u"newer"}) program.AddToHistory(SharedText(text));
  program.ClipboardText = program.History.Item(0);
  SelectorWindow selector(program, actions);
  ASSERT_TRUE(selector.Load());
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = GivesTheActivationAway;
  windowClass.lpszClassName = L"Quistrel.GivesAway";
  RegisterClassW(&windowClass);
  HWND target = ShowWindowOf(L"Quistrel.GivesAway");
  HWND other = ShowWindowOf(L"STATIC");
  const auto commit = [&](HWND thenActivated) {
    ProcessPendingMessages();  // the message loop between two gestures
    SetForegroundWindow(target);
    selector.Open();
    selector.SelectDown();
    ProcessPendingMessages();  // shown and active
    giveTo = thenActivated;
    uint16_t key = kVkLWin;
    selector.OnKeyUp(key);
    giveTo = nullptr;
  };

  // Another program holds the clipboard past the commit's wait.
  std::atomic<bool> held{false};
  std::thread holder([&held] {
    OpenClipboard(nullptr);
    held = true;
    std::this_thread::sleep_for(2500ms);
    CloseClipboard();
  });
  while (!held) std::this_thread::sleep_for(1ms);
  commit(nullptr);
  holder.join();
  // The commit that follows goes through, and the paste waits for the target
  // in vain.
  commit(other);
  EXPECT_GE(marksPressed, 2);  // the hook saw each commit's mark
  EXPECT_EQ(marksHeldWhenTold, (std::vector<int>{0, 0}));
  EXPECT_EQ(marksHeld, 0);
  DestroyWindow(target);
  DestroyWindow(other);
  UnhookWindowsHookEx(hook);
}

}  // namespace
}  // namespace quistrel
