// qpeer: plays the other programs on the clipboard that the program under
// test must survive. Each call does one thing; the exit code is 0 on success.
//
//   private FORMAT VALUE TEXT   puts TEXT on the clipboard with the registered
//                               FORMAT beside it (VALUE: its DWORD, or "-" for
//                               an empty block)
//   viewer MODE SECONDS         joins the clipboard-viewer chain and, for SECONDS:
//                                 hang    answers no message at all
//                                 mute    answers, but passes nothing on
//                                 vanish  ends at once without leaving the chain
//   promise SECONDS TEXT        promises text (delayed rendering) and renders
//                               it SECONDS (0.6: 600 ms) after being asked (0:
//                               never); prints
//                               "promised", then "rendered"
//   ownerless TEXT              puts TEXT on the clipboard without an owner window
//   big MIB                     puts a text of MIB mebibytes on the clipboard
//   hold-ms MS [TEXT]           holds the clipboard open for MS milliseconds with a
//                               window of its own; with TEXT, copies it first and
//                               takes the clipboard again at once, as a clipboard
//                               manager that reads every copy does. Prints "held"
//                               once it holds it.
//   take-on-copy MS             waits for the next copy and, MS milliseconds
//                               after it, takes the clipboard with a promise of
//                               text it never renders: from then on its window
//                               answers nothing. Prints "listening", "taken".
//   copy-busy MS TEXT           copies TEXT from a window of its own (a STATIC
//                               control, as many programs' windows are of a
//                               class of the system), rendered at once, then
//                               computes for MS milliseconds without handling a
//                               message (a spreadsheet recalculating). Prints
//                               "copied", then "awake".
//   copies MS TEXT...           copies each TEXT in turn, MS milliseconds apart,
//                               answering messages in between as an editor
//                               does (copy-busy plays one that does not)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "clipboard/clipboard.h"
#include "platform/handles.h"

namespace {

HWND MakeWindow(WNDPROC procedure) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Mallowquist.TestPeer";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"peer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

// The program under test may hold the clipboard a moment as it reads a copy.
bool OpenWithinASecond(HWND window) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (OpenClipboard(window)) return true;
    Sleep(10);
  }
  return false;
}

quistrel::UniqueGlobal Block(const void* data, std::size_t bytes) {
  quistrel::UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes ? bytes : 1));
  if (memory && bytes) {
    std::memcpy(GlobalLock(memory.Get()), data, bytes);
    GlobalUnlock(memory.Get());
  }
  return memory;
}

bool SetData(UINT format, quistrel::UniqueGlobal block) {
  if (!SetClipboardData(format, block.Get())) return false;
  block.Release();
  return true;
}

// Without an owner window; with no FORMAT, the text alone.
int PutPrivate(const std::wstring& format, const std::wstring& value, const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return 1;
  EmptyClipboard();
  const DWORD number = static_cast<DWORD>(wcstoul(value.c_str(), nullptr, 0));
  bool ok = SetData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
  if (!format.empty()) {
    ok = SetData(RegisterClipboardFormatW(format.c_str()), value == L"-" ? Block(nullptr, 0) : Block(&number, 4)) && ok;
  }
  CloseClipboard();
  return ok ? 0 : 1;
}

HWND nextViewer = nullptr;
bool passOn = true;

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHANGECBCHAIN) {
    if (reinterpret_cast<HWND>(wParam) == nextViewer) {
      nextViewer = reinterpret_cast<HWND>(lParam);
    } else if (nextViewer && passOn) {
      SendMessageW(nextViewer, message, wParam, lParam);
    }
    return 0;
  }
  if (message == WM_DRAWCLIPBOARD) {
    if (nextViewer && passOn) SendMessageW(nextViewer, message, wParam, lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int RunViewer(const std::wstring& mode, DWORD seconds) {
  HWND window = MakeWindow(ViewerProc);
  nextViewer = SetClipboardViewer(window);
  std::printf("joined\n");
  std::fflush(stdout);
  if (mode == L"vanish") ExitProcess(0);  // no ChangeClipboardChain, no window destroyed in order
  passOn = mode != L"mute";
  if (mode == L"hang") {
    Sleep(seconds * 1000);
  } else {
    PumpFor(seconds * 1000);
  }
  ChangeClipboardChain(window, nextViewer);
  return 0;
}

DWORD renderDelayMs = 0;
std::wstring promised;

LRESULT CALLBACK PromiseProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RENDERFORMAT && wParam == CF_UNICODETEXT) {
    Sleep(renderDelayMs ? renderDelayMs : INFINITE);
    SetData(CF_UNICODETEXT, Block(promised.c_str(), (promised.size() + 1) * sizeof(wchar_t)));
    std::printf("rendered\n");
    std::fflush(stdout);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int Promise(double seconds, const std::wstring& text) {
  renderDelayMs = static_cast<DWORD>(seconds * 1000);
  promised = text;
  HWND window = MakeWindow(PromiseProc);
  if (!OpenClipboard(window)) return 1;
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, nullptr);
  CloseClipboard();
  std::printf("promised\n");
  std::fflush(stdout);
  PumpFor(INFINITE);
  return 0;
}

int PutBig(std::size_t mebibytes) {
  std::u16string text(mebibytes << 19, u'x');  // 2 bytes a character
  for (std::size_t i = 0; i < text.size(); i += 80) text[i] = u'\n';
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (quistrel::WriteClipboardText(nullptr, text)) return 0;
  }
  return 1;
}

int HoldMilliseconds(DWORD milliseconds, const std::wstring* text) {
  HWND window = MakeWindow(DefWindowProcW);
  if (text) {
    if (!OpenClipboard(window)) return 1;
    EmptyClipboard();
    SetData(CF_UNICODETEXT, Block(text->c_str(), (text->size() + 1) * sizeof(wchar_t)));
    CloseClipboard();
  }
  if (!OpenWithinASecond(window)) return 1;
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(milliseconds);
  CloseClipboard();
  return 0;
}

// A clipboard manager that replaces each copy with its own promise, and
// then hangs: whoever was about to read the copy meets a new owner.
int TakeOnCopy(DWORD delayMs) {
  HWND window = MakeWindow(DefWindowProcW);
  const DWORD before = GetClipboardSequenceNumber();
  std::printf("listening\n");
  std::fflush(stdout);
  while (GetClipboardSequenceNumber() == before) Sleep(1);
  Sleep(delayMs);
  if (!OpenWithinASecond(window)) return 1;
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, nullptr);
  CloseClipboard();
  std::printf("taken\n");
  std::fflush(stdout);
  Sleep(INFINITE);
  return 0;
}

bool CopyFrom(HWND window, const std::wstring& text) {
  if (!OpenWithinASecond(window)) return false;
  EmptyClipboard();
  const bool copied = SetData(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
  CloseClipboard();
  return copied;
}

HWND MakeStatic() {
  return CreateWindowExW(0, L"STATIC", L"peer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

int CopyThenBusy(DWORD milliseconds, const std::wstring& text) {
  if (!CopyFrom(MakeStatic(), text)) return 1;
  std::printf("copied\n");
  std::fflush(stdout);
  Sleep(milliseconds);
  std::printf("awake\n");
  std::fflush(stdout);
  // What others sent meanwhile (the next copy's WM_DESTROYCLIPBOARD) is
  // answered before the end.
  PumpFor(1000);
  return 0;
}

int CopyInTurn(DWORD milliseconds, wchar_t** texts, int count) {
  HWND window = MakeStatic();
  for (int i = 0; i < count; ++i) {
    if (i > 0) PumpFor(milliseconds);
    if (!CopyFrom(window, texts[i])) return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
  auto number = [&](int i) { return static_cast<DWORD>(wcstoul(arg(i).c_str(), nullptr, 0)); };
  const std::wstring command = arg(1);
  if (command == L"private") return PutPrivate(arg(2), arg(3), arg(4));
  if (command == L"viewer") return RunViewer(arg(2), number(3));
  if (command == L"promise") return Promise(wcstod(arg(2).c_str(), nullptr), arg(3));
  if (command == L"ownerless") return PutPrivate({}, {}, arg(2));
  if (command == L"big") return PutBig(number(2));
  if (command == L"take-on-copy") return TakeOnCopy(number(2));
  if (command == L"copy-busy") return CopyThenBusy(number(2), arg(3));
  if (command == L"copies" && argc > 3) return CopyInTurn(number(2), argv + 3, argc - 3);
  if (command == L"hold-ms") {
    const std::wstring text = arg(3);
    return HoldMilliseconds(number(2), argc > 3 ? &text : nullptr);
  }
  return 2;
}
