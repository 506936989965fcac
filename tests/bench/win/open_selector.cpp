// Times the opening of the selector under a large history: from the Win+C key
// press to the selector being visible with its list filled, through the
// program's keyboard hook (Win and C sent by separate calls, and in one call)
// and through the registered hot key, openings of the three kinds taking
// turns. Runs beside a running Quistrel.exe (started with
// ClipBoardLog=999), fills its history through the clipboard first, then
// opens and cancels the selector repeatedly. Last, it types TYPED keys into a
// window of its own and asks the program for its hook's longest time per key.
//
//   bench_open_selector.exe [OPENINGS] [ENTRIES] [KIB_PER_ENTRY] [TYPED]
//
// For the opening as the user sees it (bench_seen_opening), it only fills
// the history, with SHORT short texts after the long ones, and opens the
// selector once, so that it has its place:
//
//   bench_open_selector.exe fill ENTRIES KIB_PER_ENTRY SHORT
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "platform/own_input.h"

namespace {
using namespace bench;

// The program's test-only question about its keyboard hook (wParam 0: the
// longest time per key in tenths of a microsecond, 1: keys seen, 2: reset).
DWORD_PTR AskHook(HWND selector, WPARAM what) {
  static const UINT query = RegisterWindowMessageW(L"Mallowquist_KeyHookTiming");
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(selector, query, what, 0, SMTO_ABORTIFHUNG, 5000, &answer);
  return answer;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Letters with now and then Shift, into a window of this program, keys sent
// one by one as a typist's would come.
void Type(int keys) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"Quistrel.BenchTyping";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"typing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                                100, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetForegroundWindow(window);
  for (int i = 0; i < keys; ++i) {
    const bool shifted = i % 10 == 0;
    if (shifted) Key(VK_LSHIFT, false);
    Tap(static_cast<WORD>('A' + i % 26));
    if (shifted) Key(VK_LSHIFT, true);
    Pump();
  }
  DestroyWindow(window);
  Pump();
}

void PrintFigures(const char* way, const std::vector<double>& times) {
  std::printf("%s: %zu openings, median %.2f ms, 95th percentile %.2f ms, fastest %.2f ms, slowest %.2f ms\n", way,
              times.size(), Percentile(times, 0.5), Percentile(times, 0.95), Percentile(times, 0.0),
              Percentile(times, 1.0));
}

// Distinct texts of kib KiB each (UTF-16), differing in their first
// characters; short ones when kib is 0.
bool FillHistory(HWND selector, int entries, int kib, const wchar_t* name) {
  const std::size_t length = static_cast<std::size_t>(kib) * 1024 / sizeof(wchar_t);
  for (int i = 0; i < entries; ++i) {
    const std::u16string prefix = quistrel::FromWide(name + std::to_wstring(i) + L" ");
    std::u16string text(std::max(length, prefix.size()), static_cast<char16_t>(u'a' + (i % 26)));
    text.replace(0, prefix.size(), prefix);
    if (!PutOnClipboard(text)) {
      std::fprintf(stderr, "clipboard busy at entry %d\n", i);
      return false;
    }
    WaitUntilRecorded(selector);
  }
  std::printf("history filled: %d entries of %d KiB (%.1f MiB of text)\n", entries, kib,
              entries * static_cast<double>(length * sizeof(wchar_t)) / (1024.0 * 1024.0));
  std::fflush(stdout);
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  const bool fillOnly = argc > 1 && std::strcmp(argv[1], "fill") == 0;
  const int openings = fillOnly ? 0 : argc > 1 ? std::atoi(argv[1]) : 40;
  const int entries = argc > 2 ? std::atoi(argv[2]) : 999;
  const int kib = argc > 3 ? std::atoi(argv[3]) : 100;
  const int typed = fillOnly ? 0 : argc > 4 ? std::atoi(argv[4]) : 10000;
  const int shortTexts = fillOnly && argc > 4 ? std::atoi(argv[4]) : 0;

  HWND selector = FindWindowW(kSelectorClass, nullptr);
  HWND list = selector ? GetDlgItem(selector, kListId) : nullptr;
  if (!list) {
    std::fprintf(stderr, "Quistrel.exe is not running\n");
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(selector, &pid);
  std::printf("pid %lu\n", static_cast<unsigned long>(pid));

  if (entries > 0 && !FillHistory(selector, entries, kib, L"entry ")) return 1;
  if (shortTexts > 0 && !FillHistory(selector, shortTexts, 0, L"short ")) return 1;

  // One opening first, untimed: the program has only just read the last
  // of the copies.
  if (OpenWithWinC(selector, -1, 20000) >= 0) CloseWithEsc(selector);
  Sleep(100);
  if (fillOnly) return 0;
  // Openings of the three kinds take turns, so that each sees the same load.
  struct Way {
    const char* name;
    ULONG_PTR marker;
    Sending sending;
    std::vector<double> times;
  };
  Way ways[] = {{"through the keyboard hook, Win and C by separate calls", 0, Sending::KeyByKey, {}},
                {"through the keyboard hook, Win and C in one SendInput call", 0, Sending::OneBatch, {}},
                {"through the registered hot key", quistrel::kOwnInputMarker, Sending::KeyByKey, {}}};
  AskHook(selector, 2);
  for (int i = 0; i < 3 * openings; ++i) {
    Way& way = ways[i % 3];
    const ULONG_PTR marker = way.marker;
    const double took = OpenWithWinC(selector, entries, 5000, marker, way.sending);
    if (took < 0) {
      std::fprintf(stderr, "the selector did not open (opening %d, %s)\n", i, way.name);
      Key(VK_LWIN, true, marker);
      return 1;
    }
    way.times.push_back(took);
    CloseWithEsc(selector, marker);
    // The program takes a hot key that follows the hook's report of a press
    // closely for the same press, reported twice.
    Sleep(100);
  }
  for (const Way& way : ways) PrintFigures(way.name, way.times);
  std::printf("keyboard hook during the openings: longest %.1f us per key over %lu keys\n",
              static_cast<double>(AskHook(selector, 0)) / 10.0, static_cast<unsigned long>(AskHook(selector, 1)));

  AskHook(selector, 2);
  Type(typed);
  std::printf("keyboard hook while typing %d keys: longest %.1f us per key over %lu key events\n", typed,
              static_cast<double>(AskHook(selector, 0)) / 10.0, static_cast<unsigned long>(AskHook(selector, 1)));

  return 0;
}
