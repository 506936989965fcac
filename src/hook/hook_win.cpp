#include "hook/hook.h"

#include "tray/tray_icon.h"

namespace quistrel {

namespace {
WNDPROC PrevWndProc = nullptr;
HookState& State() {
  static HookState state;
  return state;
}
HookTarget* Target = nullptr;
}  // namespace

void SetHookTarget(HookTarget* target) { Target = target; }

HWND NextViewer() { return reinterpret_cast<HWND>(State().nextViewer); }

void JoinClipboardChain(HWND window) {
  State().nextViewer = reinterpret_cast<uintptr_t>(SetClipboardViewer(window));
}

void StartHook(HWND window) {
  PrevWndProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookWndProc)));
}

void EndHook(HWND window) {
  if (PrevWndProc) SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrevWndProc));
}

void LeaveClipboardChain(HWND window) { ChangeClipboardChain(window, NextViewer()); }

LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HookState& state = State();
  state.downKeyId = DownKeyId();
  state.upKeyId = UpKeyId();
  state.trayMessage = TrayMessage();
  state.taskbarCreatedMessage = TaskbarCreatedMessage();
  if (Target) HandleHookMessage(state, *Target, message, wParam, lParam);
  // Nothing is swallowed: the replaced procedure sees every message too.
  return CallWindowProcW(PrevWndProc, window, message, wParam, lParam);
}

}  // namespace quistrel
