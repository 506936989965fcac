#include "platform/window.h"

#include <algorithm>
#include <map>

namespace quistrel {

HINSTANCE AppInstance() { return GetModuleHandleW(nullptr); }

namespace {
std::vector<Window*>& Loaded() {
  static std::vector<Window*> windows;
  return windows;
}
void Forget(Window* window) { std::erase(Loaded(), window); }
}  // namespace

Window::~Window() {
  Destroy();
  Forget(this);
}

void Window::Destroy() {
  if (hwnd_ && !destroying_) DestroyWindow(hwnd_);
}

std::vector<Window*> Window::LoadedWindows() { return Loaded(); }

void Window::UnloadAll() {
  for (Window* window : LoadedWindows()) {
    const auto& still = Loaded();
    if (std::find(still.begin(), still.end(), window) != still.end()) window->Destroy();
  }
}

void Window::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background) {
  WNDCLASSEXW existing{sizeof(existing)};
  if (GetClassInfoExW(AppInstance(), className, &existing)) return;
  WNDCLASSEXW wc{sizeof(wc)};
  wc.style = style;
  wc.lpfnWndProc = &Window::StaticWindowProc;
  wc.hInstance = AppInstance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
}

bool Window::Create(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, int x, int y,
                    int width, int height, HWND owner, HMENU menu) {
  if (hwnd_) return true;
  CreateWindowExW(exStyle, className, caption, style, x, y, width, height, owner, menu, AppInstance(), this);
  return hwnd_ != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    self->destroying_ = false;
    Loaded().push_back(self);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_DESTROY) self->destroying_ = true;

  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->destroying_ = false;
    Forget(self);
    self->OnDestroyed();
  }
  return result;
}

POINT CenteredPosition(SIZE size, HWND owner) {
  RECT area{};
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
    return POINT{area.left + (area.right - area.left - size.cx) / 2, area.top + (area.bottom - area.top - size.cy) / 2};
  }
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  // A window larger than the screen (high scaling on a small one) keeps its
  // title bar in view.
  return POINT{std::max(area.left, area.left + (area.right - area.left - size.cx) / 2),
               std::max(area.top, area.top + (area.bottom - area.top - size.cy) / 2)};
}

namespace {
std::map<int, MessageFilter>& Filters() {
  static std::map<int, MessageFilter> filters;
  return filters;
}

bool FilterMessage(MSG& msg) {
  // Copy: a filter may add or remove filters while it runs.
  const auto filters = Filters();
  for (const auto& [id, filter] : filters) {
    if (filter(msg)) return true;
  }
  return false;
}

void Dispatch(MSG& msg) {
  if (FilterMessage(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}
}  // namespace

int AddMessageFilter(MessageFilter filter) {
  static int nextId = 1;
  const int id = nextId++;
  Filters().emplace(id, std::move(filter));
  return id;
}

void RemoveMessageFilter(int id) { Filters().erase(id); }

int RunMessageLoop(const std::function<bool()>& keepRunning) {
  MSG msg{};
  while (!keepRunning || keepRunning()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // A nested loop hands the quit on to the outer one.
      if (keepRunning) PostQuitMessage(static_cast<int>(msg.wParam));
      return static_cast<int>(msg.wParam);
    }
    if (got == -1) return -1;
    Dispatch(msg);
  }
  return 0;
}

bool ProcessPendingMessages() { return ProcessPendingMessagesExcept(WM_NULL); }

bool ProcessPendingMessagesExcept(UINT kept) {
  MSG msg{};
  // Two ranges around the kept message; WM_NULL itself is never kept.
  auto next = [&msg, kept] {
    if (kept == WM_NULL) return PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
    return PeekMessageW(&msg, nullptr, 0, kept - 1, PM_REMOVE) ||
           PeekMessageW(&msg, nullptr, kept + 1, 0xFFFFFFFFu, PM_REMOVE);
  };
  while (next()) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    Dispatch(msg);
  }
  return true;
}

}  // namespace quistrel
