#include "selector/opening_trace_win.h"

#ifdef QUISTREL_TEST_QUERIES
#include <cstdio>
#include <string>
#include <vector>

namespace quistrel::opening_trace {

namespace {
struct Event {
  LONGLONG at;
  const char* what;
  HWND window;
  UINT message;
  bool end;
};

struct Trace {
  std::wstring file;
  HWND selector = nullptr, list = nullptr, preview = nullptr;
  HHOOK sent = nullptr, returned = nullptr, posted = nullptr;
  std::vector<Event> events;
};

Trace& State() {
  static Trace trace;
  return trace;
}

LONGLONG Microseconds() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / (frequency / 1000000);
}

const char* MessageName(UINT message) {
  switch (message) {
    case WM_PAINT: return "WM_PAINT";
    case WM_ERASEBKGND: return "WM_ERASEBKGND";
    case WM_NCPAINT: return "WM_NCPAINT";
    case WM_DRAWITEM: return "WM_DRAWITEM";
    case WM_CTLCOLORSTATIC: return "WM_CTLCOLORSTATIC";
    case WM_CTLCOLOREDIT: return "WM_CTLCOLOREDIT";
    case WM_CTLCOLORLISTBOX: return "WM_CTLCOLORLISTBOX";
    case WM_CTLCOLORBTN: return "WM_CTLCOLORBTN";
    case WM_PRINTCLIENT: return "WM_PRINTCLIENT";
    case WM_ACTIVATE: return "WM_ACTIVATE";
    case WM_ACTIVATEAPP: return "WM_ACTIVATEAPP";
    case WM_NCACTIVATE: return "WM_NCACTIVATE";
    case WM_SETFOCUS: return "WM_SETFOCUS";
    case WM_KILLFOCUS: return "WM_KILLFOCUS";
    case WM_SHOWWINDOW: return "WM_SHOWWINDOW";
    case WM_WINDOWPOSCHANGING: return "WM_WINDOWPOSCHANGING";
    case WM_WINDOWPOSCHANGED: return "WM_WINDOWPOSCHANGED";
    case WM_SETREDRAW: return "WM_SETREDRAW";
    case WM_SETTEXT: return "WM_SETTEXT";
    case WM_GETOBJECT: return "WM_GETOBJECT";
    case WM_VSCROLL: return "WM_VSCROLL";
    case WM_HOTKEY: return "WM_HOTKEY";
    case WM_TIMER: return "WM_TIMER";
    case WM_IME_SETCONTEXT: return "WM_IME_SETCONTEXT";
    case WM_IME_NOTIFY: return "WM_IME_NOTIFY";
    case WM_SYNCPAINT: return "WM_SYNCPAINT";
    case WM_NCCALCSIZE: return "WM_NCCALCSIZE";
    case WM_UPDATEUISTATE: return "WM_UPDATEUISTATE";
    case WM_CHANGEUISTATE: return "WM_CHANGEUISTATE";
    default: return nullptr;
  }
}

bool Ours(HWND window) {
  const Trace& t = State();
  return window == t.selector || GetAncestor(window, GA_ROOT) == t.selector;
}

void Record(HWND window, UINT message, bool end) {
  if (!Ours(window)) return;
  const char* name = MessageName(message);
  if (!name && message < WM_USER) return;
  State().events.push_back({Microseconds(), name, window, message, end});
}

LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    Record(call->hwnd, call->message, false);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK Returned(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    Record(call->hwnd, call->message, true);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Posted messages (WM_PAINT, WM_TIMER, the preview's own) as they are taken
// from the queue.
LRESULT CALLBACK Posted(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg->hwnd) Record(msg->hwnd, msg->message, false);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

const char* WindowName(HWND window) {
  const Trace& t = State();
  if (window == t.selector) return "selector";
  if (window == t.list) return "list";
  if (window == t.preview) return "preview";
  return "control";
}
}  // namespace

void Attach(HWND selector, HWND list, HWND preview) {
  wchar_t file[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"QUISTREL_OPENING_TRACE", file, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  Trace& t = State();
  t.file = file;
  t.selector = selector;
  t.list = list;
  t.preview = preview;
  const DWORD thread = GetCurrentThreadId();
  t.sent = SetWindowsHookExW(WH_CALLWNDPROC, Sent, nullptr, thread);
  t.returned = SetWindowsHookExW(WH_CALLWNDPROCRET, Returned, nullptr, thread);
  t.posted = SetWindowsHookExW(WH_GETMESSAGE, Posted, nullptr, thread);
}

void Step(const char* name, bool end) {
  Trace& t = State();
  if (t.file.empty()) return;
  t.events.push_back({Microseconds(), name, nullptr, 0, end});
}

void Write() {
  Trace& t = State();
  if (t.file.empty() || t.events.empty()) return;
  FILE* out = _wfopen(t.file.c_str(), L"a");
  if (!out) return;
  for (const Event& e : t.events) {
    if (e.window) {
      std::fprintf(out, "%lld %s %s", e.at, e.end ? "end" : "begin", WindowName(e.window));
      if (e.what) {
        std::fprintf(out, " %s\n", e.what);
      } else {
        std::fprintf(out, " 0x%04X\n", e.message);
      }
    } else {
      std::fprintf(out, "%lld %s %s\n", e.at, e.end ? "end" : "begin", e.what);
    }
  }
  std::fprintf(out, "--\n");
  std::fclose(out);
  t.events.clear();
}

}  // namespace quistrel::opening_trace

#else

namespace quistrel::opening_trace {
void Attach(HWND, HWND, HWND) {}
void Step(const char*, bool) {}
void Write() {}
}  // namespace quistrel::opening_trace

#endif
