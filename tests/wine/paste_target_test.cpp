// The paste's wait for the window the user works in, with the real foreground
// and focus of the system: windows of another thread stand for the other
// program.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "selector/paste_win.h"

namespace quistrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A visible window with an edit box that takes the focus when activated, on a
// thread of its own; it activates itself when told to, after a delay.
class OtherProgramWindow {
 public:
  OtherProgramWindow() {
    thread_ = std::thread([this] { Run(); });
    while (!window_.load()) std::this_thread::sleep_for(1ms);
  }
  ~OtherProgramWindow() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  HWND Handle() const { return window_; }
  void ActivateItselfAfter(std::chrono::milliseconds delay) {
    PostMessageW(window_, WM_APP, static_cast<WPARAM>(delay.count()), 0);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      Sleep(static_cast<DWORD>(wParam));
      SetForegroundWindow(window);
      return 0;
    }
    if (message == WM_SETFOCUS) {
      SetFocus(GetWindow(window, GW_CHILD));
      return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  void Run() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Quistrel.PasteTarget";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                  300, 200, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 30, window, nullptr, nullptr, nullptr);
    window_ = window;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }
  std::thread thread_;
  std::atomic<HWND> window_{nullptr};
};

HWND ShowOwnWindow() {
  HWND window = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 10, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(window);
  return window;
}

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST(PasteTarget, TheKeysWaitUntilTheWindowHasTheKeyboardAndNoLonger) {
  OtherProgramWindow target;
  HWND elsewhere = ShowOwnWindow();
  ASSERT_EQ(GetForegroundWindow(), elsewhere);

  // The other program activates its window a while later: the wait ends
  // then, not at its limit and not before.
  target.ActivateItselfAfter(150ms);
  Clock::time_point start = Clock::now();
  EXPECT_TRUE(WaitUntilItHasTheKeyboard(target.Handle(), 2000ms));
  EXPECT_GE(Since(start), 140ms);
  EXPECT_LT(Since(start), 1000ms);
  EXPECT_EQ(GetForegroundWindow(), target.Handle());

  // Another window that has the foreground keeps it: no keys then.
  SetForegroundWindow(elsewhere);
  start = Clock::now();
  EXPECT_FALSE(WaitUntilItHasTheKeyboard(target.Handle(), 300ms));
  EXPECT_GE(Since(start), 290ms);
  EXPECT_EQ(GetForegroundWindow(), elsewhere);

  // With the foreground lost on its way (left with a hidden window, as with
  // the selector just closed), the window the user works in is activated
  // again.
  SetWindowPos(elsewhere, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  ASSERT_EQ(GetForegroundWindow(), elsewhere);
  EXPECT_TRUE(WaitUntilItHasTheKeyboard(target.Handle(), 1000ms)) << GetForegroundWindow();
  EXPECT_EQ(GetForegroundWindow(), target.Handle());
  DestroyWindow(elsewhere);
}

}  // namespace
}  // namespace quistrel
