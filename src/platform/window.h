// The base of every window of the program. The object is handed to the window
// procedure through WM_NCCREATE and found again through GWLP_USERDATA, so each
// window's messages reach a member function of its own object.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quistrel {

HINSTANCE AppInstance();

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return hwnd_; }
  bool IsLoaded() const { return hwnd_ != nullptr; }
  void Destroy();

  // The program's windows in the order they were loaded.
  static std::vector<Window*> LoadedWindows();
  // Unloads every loaded window that is not already on its way out.
  static void UnloadAll();

  // Registers a window class whose procedure dispatches to Window objects.
  static void RegisterWindowClass(const wchar_t* className, UINT style = 0,
                                  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

 protected:
  // Creates the window with this object behind it. Returns false on failure.
  bool Create(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, int x, int y, int width,
              int height, HWND owner, HMENU menu = nullptr);
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Runs once the window is gone (after WM_NCDESTROY).
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  bool destroying_ = false;
};

// Top-left position that centres a window of the given size on the work area
// of the primary monitor (never above or left of it), or on the owner window
// when there is one.
POINT CenteredPosition(SIZE size, HWND owner = nullptr);

// The program's message loop. Filters see every message first and may consume
// it (keyboard routing, dialog navigation); the loop ends at WM_QUIT or when
// keepRunning turns false (modal loops).
using MessageFilter = std::function<bool(MSG&)>;
int AddMessageFilter(MessageFilter filter);
void RemoveMessageFilter(int id);
int RunMessageLoop(const std::function<bool()>& keepRunning = {});
// Handles every waiting message, then returns; false when a quit came, which
// stays in the queue for the message loop (a wait that handles messages ends
// then: the program is going).
bool ProcessPendingMessages();
// The same, but messages of the one kind (any above 1) stay in the queue for
// later.
bool ProcessPendingMessagesExcept(UINT kept);

}  // namespace quistrel
