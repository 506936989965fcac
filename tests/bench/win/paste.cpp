// Times the automatic paste: from the release of Win to the chosen text
// appearing in Notepad. Runs beside a running Quistrel.exe (AutoPaste=1) and
// Notepad; each round puts two texts on the clipboard, makes Notepad the
// active window, opens the selector with Win+C and lets Win go.
//
//   bench_paste.exe [PASTES]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"

namespace {

std::wstring TextOf(HWND edit) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(edit, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 1000,
                      &got);
  text.resize(static_cast<std::size_t>(got));
  return text;
}

bool WaitUntil(bool (*condition)(HWND), HWND window, DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (!condition(window)) {
    if (GetTickCount() - start > limitMs) return false;
    Sleep(1);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int pastes = argc > 1 ? std::atoi(argv[1]) : 30;
  HWND selector = FindWindowW(bench::kSelectorClass, nullptr);
  HWND notepad = FindWindowW(L"Notepad", nullptr);
  HWND edit = notepad ? FindWindowExW(notepad, nullptr, L"Edit", nullptr) : nullptr;
  if (!selector || !edit) {
    std::fprintf(stderr, "Quistrel.exe or Notepad is not running\n");
    return 1;
  }

  // Each copy is logged before the next one comes.
  auto copy = [selector](const std::wstring& text) {
    if (!bench::PutOnClipboard(quistrel::FromWide(text))) return false;
    bench::WaitUntilRecorded(selector);
    return true;
  };
  std::vector<double> times;
  for (int i = 0; i < pastes; ++i) {
    const std::wstring chosen = L"paste " + std::to_wstring(i);
    if (!copy(chosen) || !copy(L"current " + std::to_wstring(i))) {
      std::fprintf(stderr, "clipboard busy at paste %d\n", i);
      return 1;
    }
    DWORD_PTR ignored;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""), SMTO_ABORTIFHUNG, 1000, &ignored);
    SetForegroundWindow(notepad);
    if (!WaitUntil([](HWND w) { return GetForegroundWindow() == w; }, notepad, 5000)) {
      std::fprintf(stderr, "Notepad did not become active (paste %d)\n", i);
      return 1;
    }
    bench::Key(VK_LWIN, false);
    bench::Key('C', false);
    bench::Key('C', true);
    if (!WaitUntil([](HWND w) { return IsWindowVisible(w) != FALSE; }, selector, 5000)) {
      std::fprintf(stderr, "the selector did not open (paste %d)\n", i);
      bench::Key(VK_LWIN, true);
      return 1;
    }
    Sleep(50);  // the selection settles, as it does for a person

    const double start = bench::Now();
    bench::Key(VK_LWIN, true);
    for (;;) {
      if (TextOf(edit) == chosen) break;
      if (bench::Now() - start > 5000) {
        std::fprintf(stderr, "the text did not arrive (paste %d): \"%ls\"\n", i, TextOf(edit).c_str());
        return 1;
      }
    }
    times.push_back(bench::Now() - start);
    Sleep(100);
  }

  std::printf("pastes: %d\n", pastes);
  std::printf("median: %.2f ms\n", bench::Percentile(times, 0.5));
  std::printf("95th percentile: %.2f ms\n", bench::Percentile(times, 0.95));
  std::printf("fastest: %.2f ms, slowest: %.2f ms\n", bench::Percentile(times, 0.0), bench::Percentile(times, 1.0));
  return 0;
}
