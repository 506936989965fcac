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
//   clipboard_bench.exe kept-out             how long another program, which
//                                            opens the clipboard every 20 ms, is
//                                            kept from it after each of three
//                                            copies by qpeer.exe (beside this
//                                            program): a rendered text, a text
//                                            whose owner then stays busy for 4 s,
//                                            a promise never kept; run with and
//                                            without Quistrel.exe to compare
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
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

// Whether the window belongs to a Quistrel.exe: the program or one of its
// reading processes.
bool OfTheProgram(HWND window) {
  DWORD id = 0;
  if (!window || !GetWindowThreadProcessId(window, &id)) return false;
  const quistrel::UniqueKernelObject process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  wchar_t path[MAX_PATH]{};
  DWORD size = MAX_PATH;
  if (!process || !QueryFullProcessImageNameW(process.Get(), 0, path, &size)) return false;
  const std::wstring name(path, size);
  return name.size() >= 12 && _wcsicmp(name.c_str() + name.size() - 12, L"Quistrel.exe") == 0;
}

// Another program that opens the clipboard every 20 ms, as a clipboard tool
// or a paste does: the longest it went without the clipboard. Beside it, a
// watch of who holds the clipboard open (a call that asks nobody else): the
// longest stretch the program held it.
class Opener {
 public:
  Opener() {
    opener_ = std::thread([this] {
      const quistrel::UniqueWindow window(
          CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
      double last = Now();
      while (!stop_) {
        if (OpenClipboard(window.Get())) {
          CloseClipboard();
          const double now = Now();
          longest_ = std::max(longest_.load(), now - last);
          last = now;
        }
        Sleep(20);
      }
    });
    watch_ = std::thread([this] {
      double heldSince = -1;
      while (!stop_) {
        const bool held = OfTheProgram(GetOpenClipboardWindow());
        const double now = Now();
        if (held && heldSince < 0) heldSince = now;
        if (heldSince >= 0) longestHeld_ = std::max(longestHeld_.load(), now - heldSince);
        if (!held) heldSince = -1;
        Sleep(2);
      }
    });
  }
  ~Opener() {
    stop_ = true;
    opener_.join();
    watch_.join();
  }
  // Less the 20 ms between the opens.
  double LongestOut() const { return std::max(0.0, longest_ - 20); }
  double LongestHeld() const { return longestHeld_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<double> longest_{0}, longestHeld_{0};
  std::thread opener_, watch_;
};

// Runs qpeer.exe, beside this program, with the arguments; its process.
quistrel::UniqueKernelObject StartPeer(const std::wstring& arguments) {
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring peer(path);
  peer.resize(peer.find_last_of(L'\\') + 1);
  peer += L"qpeer.exe";
  std::wstring commandLine = L"qpeer " + arguments;
  // What it prints does not mix with the figures.
  STARTUPINFOW startup{sizeof(startup)};
  startup.dwFlags = STARTF_USESTDHANDLES;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(peer.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    return quistrel::UniqueKernelObject();
  }
  CloseHandle(started.hThread);
  return quistrel::UniqueKernelObject(started.hProcess);
}

int KeptOut() {
  struct Case {
    const char* name;
    const wchar_t* peer;
  };
  // Each copy is watched for 7 s: a busy owner answers after 4 s, and Wine
  // counts an owner stuck in its rendering as hung after 5 s.
  const Case cases[] = {{"a rendered text", L"copy-busy 0 rendered"},
                        {"an owner busy for 4 s after its copy", L"copy-busy 4000 busy"},
                        {"a promise its owner never keeps", L"promise 100 promised"}};
  for (const Case& one : cases) {
    PutOnClipboard(u"between the cases");
    Sleep(3000);
    double out = 0;
    double held = 0;
    {
      const Opener opener;
      Sleep(500);
      const quistrel::UniqueKernelObject peer = StartPeer(one.peer);
      if (!peer) {
        std::fprintf(stderr, "qpeer.exe did not start\n");
        return 1;
      }
      Sleep(7000);
      TerminateProcess(peer.Get(), 0);
      WaitForSingleObject(peer.Get(), 5000);
      Sleep(500);
      out = opener.LongestOut();
      held = opener.LongestHeld();
    }
    std::printf("kept from the clipboard, %s: at most %.0f ms (held by Quistrel.exe at most %.0f ms)\n", one.name, out,
                held);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "kept-out") return KeptOut();
  HWND selector = FindWindowW(kSelectorClass, nullptr);
  if (!selector || argc < 3) {
    std::fprintf(
        stderr, "usage: clipboard_bench storm COUNT | giant MIB OPENINGS (beside a running Quistrel.exe) | kept-out\n");
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "storm") return Storm(selector, std::atoi(argv[2]));
  if (mode == "giant") return Giant(selector, std::atoi(argv[2]), argc > 3 ? std::atoi(argv[3]) : 20);
  return 2;
}
