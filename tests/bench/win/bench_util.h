// What the Windows-side benchmarks share: the clipboard, keys and figures.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/clipboard.h"
#include "platform/handles.h"

namespace bench {

// The program reads each copy as it lands and may hold the clipboard a moment.
inline bool PutOnClipboard(const std::wstring& text) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (quistrel::WriteClipboardText(nullptr, quistrel::FromWide(text))) return true;
  }
  return false;
}

inline void Key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (vk == VK_LWIN ? KEYEVENTF_EXTENDEDKEY : 0);
  SendInput(1, &input, sizeof input);
}

inline double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

}  // namespace bench
