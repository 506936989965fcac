// Timing, keys and figures shared by the benchmarks that drive Quistrel.exe
// from beside it under Wine.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "clipboard/clipboard.h"
#include "platform/handles.h"

namespace bench {

inline constexpr wchar_t kSelectorClass[] = L"Mallowquist.frmMain";
inline constexpr int kListId = 1002;
inline constexpr int kPreviewId = 1003;

// The program reads each copy as it lands and may hold the clipboard a moment.
inline bool PutOnClipboard(const std::u16string& text) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (quistrel::WriteClipboardText(nullptr, text)) return true;
  }
  return false;
}

// Waits until the program has recorded the copy just made: its notification
// is posted, and handling it waits for the read, so once the program answers
// a message sent a moment later the copy is in the history.
inline void WaitUntilRecorded(HWND selector) {
  Sleep(20);
  DWORD_PTR ignored;
  SendMessageTimeoutW(selector, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

// Keys marked as the program's own pass its keyboard hook untouched, so that
// Win+C reaches it as the registered hot key.
inline INPUT KeyInput(WORD vk, bool up, ULONG_PTR extraInfo = 0) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwExtraInfo = extraInfo;
  input.ki.dwFlags =
      (up ? KEYEVENTF_KEYUP : 0) | (vk == VK_LWIN || (vk >= VK_PRIOR && vk <= VK_DOWN) ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}
inline void Key(WORD vk, bool up, ULONG_PTR extraInfo = 0) {
  INPUT input = KeyInput(vk, up, extraInfo);
  SendInput(1, &input, sizeof input);
}
inline void Tap(WORD vk, ULONG_PTR extraInfo = 0) {
  Key(vk, false, extraInfo);
  Key(vk, true, extraInfo);
}

inline double Now() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline LRESULT ListCount(HWND list) {
  DWORD_PTR count = 0;
  SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  return static_cast<LRESULT>(count);
}

inline double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

// How Win+C arrives: each key by a call of its own, as a typist's keys come,
// or all three in one SendInput call, as scripted keys, on-screen keyboards
// and voice input send them.
enum class Sending { KeyByKey, OneBatch };

// Holds Win, taps C and waits until the selector shows with `lines` lines
// (any number when negative). The milliseconds it took, or a negative value.
inline double OpenWithWinC(HWND selector, LRESULT lines, double limitMs = 5000, ULONG_PTR extraInfo = 0,
                           Sending sending = Sending::KeyByKey) {
  HWND list = GetDlgItem(selector, kListId);
  const double start = Now();
  if (sending == Sending::OneBatch) {
    INPUT keys[] = {KeyInput(VK_LWIN, false, extraInfo), KeyInput('C', false, extraInfo),
                    KeyInput('C', true, extraInfo)};
    SendInput(3, keys, sizeof keys[0]);
  } else {
    Key(VK_LWIN, false, extraInfo);
    Tap('C', extraInfo);
  }
  while (!IsWindowVisible(selector) || (lines >= 0 && ListCount(list) != lines)) {
    if (Now() - start > limitMs) return -1;
  }
  return Now() - start;
}

// Esc closes without a commit; then Win is let go.
inline void CloseWithEsc(HWND selector, ULONG_PTR extraInfo = 0) {
  Tap(VK_ESCAPE, extraInfo);
  Key(VK_LWIN, true, extraInfo);
  for (int wait = 0; wait < 200 && IsWindowVisible(selector); ++wait) Sleep(5);
  Sleep(50);
}

}  // namespace bench
