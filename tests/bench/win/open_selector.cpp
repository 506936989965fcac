// Times the opening of the selector under a large history: from the Win+C key
// press to the selector being visible with its list filled. Runs beside a
// running Quistrel.exe (started with ClipBoardLog=999), fills its history
// through the clipboard first, then opens and cancels the selector repeatedly.
//
//   bench_open_selector.exe [OPENINGS] [ENTRIES] [KIB_PER_ENTRY]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"

namespace {
using namespace bench;
}  // namespace

int main(int argc, char** argv) {
  const int openings = argc > 1 ? std::atoi(argv[1]) : 40;
  const int entries = argc > 2 ? std::atoi(argv[2]) : 999;
  const int kib = argc > 3 ? std::atoi(argv[3]) : 100;

  HWND selector = FindWindowW(kSelectorClass, nullptr);
  HWND list = selector ? GetDlgItem(selector, kListId) : nullptr;
  if (!list) {
    std::fprintf(stderr, "Quistrel.exe is not running\n");
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(selector, &pid);
  std::printf("pid %lu\n", static_cast<unsigned long>(pid));

  // Distinct texts of kib KiB each (UTF-16), differing in their first characters.
  const std::size_t length = static_cast<std::size_t>(kib) * 1024 / sizeof(wchar_t);
  for (int i = 0; i < entries; ++i) {
    std::u16string text(length, static_cast<char16_t>(u'a' + (i % 26)));
    const std::u16string prefix = quistrel::FromWide(L"entry " + std::to_wstring(i) + L" ");
    text.replace(0, prefix.size(), prefix);
    if (!PutOnClipboard(text)) {
      std::fprintf(stderr, "clipboard busy at entry %d\n", i);
      return 1;
    }
    WaitUntilRecorded(selector);
  }
  std::printf("history filled: %d entries of %d KiB (%.1f MiB of text)\n", entries, kib,
              entries * static_cast<double>(length * sizeof(wchar_t)) / (1024.0 * 1024.0));
  std::fflush(stdout);

  std::vector<double> times;
  for (int i = 0; i < openings; ++i) {
    const double took = OpenWithWinC(selector, entries);
    if (took < 0) {
      std::fprintf(stderr, "the selector did not open (opening %d)\n", i);
      Key(VK_LWIN, true);
      return 1;
    }
    times.push_back(took);
    CloseWithEsc(selector);
  }

  std::printf("openings: %d\n", openings);
  std::printf("median: %.2f ms\n", Percentile(times, 0.5));
  std::printf("95th percentile: %.2f ms\n", Percentile(times, 0.95));
  std::printf("fastest: %.2f ms, slowest: %.2f ms\n", Percentile(times, 0.0), Percentile(times, 1.0));

  return 0;
}
