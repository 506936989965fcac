// Drives a running Quistrel.exe through the clipboard the way scripts and
// clipboard tools do:
//
//   clipboard_bench.exe storm COUNT          COUNT distinct copies as fast as the
//                                            clipboard takes them; then waits
//                                            until the history's front entry is
//                                            the last one copied
//   clipboard_bench.exe giant MIB OPENINGS   a text of MIB mebibytes; the time
//                                            until it is recorded, then Win+C
//                                            timed OPENINGS times
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"

namespace {

using namespace bench;

std::u16string ControlText(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &got);
  text.resize(got);
  return quistrel::FromWide(text);
}

// The history's front entry, as the selector previews it: Win+C selects the
// entry before the current one, Up goes back to the front. The preview is
// read once the selection is there and the selector has laid the preview
// out for it.
std::u16string FrontEntry(HWND selector) {
  if (OpenWithWinC(selector, -1) < 0) return u"<the selector did not open>";
  Tap(VK_UP);
  HWND list = GetDlgItem(selector, kListId);
  const double start = Now();
  DWORD_PTR selected = static_cast<DWORD_PTR>(-1);
  while (Now() - start < 5000) {
    if (SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected) && selected == 0) break;
    Sleep(5);
  }
  if (selected != 0) {
    CloseWithEsc(selector);
    return u"<the selection did not reach the front>";
  }
  // The selector takes the key through a posted message: once it has
  // answered twice, its message loop has handled it and the preview.
  for (int round = 0; round < 2; ++round) {
    DWORD_PTR ignored;
    SendMessageTimeoutW(selector, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  }
  const std::u16string text = ControlText(GetDlgItem(selector, kPreviewId));
  CloseWithEsc(selector);
  return text;
}

// The number of lines the selector shows when it opens.
LRESULT Lines(HWND selector) {
  if (OpenWithWinC(selector, -1) < 0) return -1;
  const LRESULT lines = ListCount(GetDlgItem(selector, kListId));
  CloseWithEsc(selector);
  return lines;
}

int Storm(HWND selector, int count) {
  const double start = Now();
  std::u16string last;
  for (int i = 0; i < count; ++i) {
    last = u"storm " + quistrel::FromWide(std::to_wstring(i));
    if (!PutOnClipboard(last)) {
      std::fprintf(stderr, "clipboard busy at copy %d\n", i);
      return 1;
    }
  }
  const double copied = Now();
  std::printf("storm: %d copies in %.0f ms (%.0f copies a second)\n", count, copied - start,
              1000.0 * count / (copied - start));
  std::fflush(stdout);
  std::u16string front;
  for (int attempt = 0; attempt < 20; ++attempt) {
    front = FrontEntry(selector);
    if (front == last) {
      std::printf("front entry: the last copy, %.0f ms after it\n", Now() - copied);
      return 0;
    }
    Sleep(250);
  }
  std::printf("front entry: \"%ls\", NOT the last copy\n", std::wstring(front.begin(), front.end()).c_str());
  return 1;
}

int Giant(HWND selector, int mebibytes, int openings) {
  const LRESULT before = Lines(selector);
  std::u16string text(static_cast<std::size_t>(mebibytes) << 19, u'g');  // 2 bytes a character
  for (std::size_t i = 0; i < text.size(); i += 100) text[i] = u'\n';
  const double start = Now();
  if (!PutOnClipboard(text)) {
    std::fprintf(stderr, "the clipboard did not take the text\n");
    return 1;
  }
  text = std::u16string();
  LRESULT lines = before;
  while (lines == before && Now() - start < 60000) lines = Lines(selector);
  if (lines == before) {
    std::printf("giant text of %d MiB: NOT recorded within a minute\n", mebibytes);
    return 1;
  }
  std::printf("giant text of %d MiB: recorded %.0f ms after the copy\n", mebibytes, Now() - start);
  std::vector<double> times;
  for (int i = 0; i < openings; ++i) {
    const double took = OpenWithWinC(selector, lines);
    if (took < 0) {
      std::printf("opening %d: the selector did not open\n", i);
      return 1;
    }
    times.push_back(took);
    CloseWithEsc(selector);
  }
  std::printf("Win+C with it on the clipboard, %d openings: median %.2f ms, 95th percentile %.2f ms, slowest %.2f ms\n",
              openings, Percentile(times, 0.5), Percentile(times, 0.95), Percentile(times, 1.0));
  std::fflush(stdout);
  // Whatever copy of the giant the system handed the program goes with the
  // next change of the clipboard.
  Sleep(1000);
  if (!PutOnClipboard(u"a small copy after the giant")) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  HWND selector = FindWindowW(kSelectorClass, nullptr);
  if (!selector || argc < 3) {
    std::fprintf(stderr, "usage: clipboard_bench storm COUNT | giant MIB OPENINGS (beside a running Quistrel.exe)\n");
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "storm") return Storm(selector, std::atoi(argv[2]));
  if (mode == "giant") return Giant(selector, std::atoi(argv[2]), argc > 3 ? std::atoi(argv[3]) : 20);
  return 2;
}
