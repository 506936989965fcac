#include "hook/message_hook.h"

#include "hook/keyboard_hook.h"
#include "platform/common_controls.h"
#include "platform/system_function.h"

namespace quistrel {

namespace {
constexpr UINT_PTR kSubclassId = 1;
// A viewer further down the chain that does not answer this fast is passed
// over: it must not freeze the program.
constexpr UINT kForwardTimeoutMs = 300;

using ListenerCall = BOOL(WINAPI*)(HWND);
}  // namespace

void MessageHook::ListenToClipboard(HWND window) {
  const auto add = SystemFunction<ListenerCall>(L"user32.dll", "AddClipboardFormatListener");
  if (add && add(window)) {
    listener_ = window;
  } else {
    JoinClipboardChain(window);
  }
}

void MessageHook::StopListening() {
  if (listener_) {
    if (const auto remove = SystemFunction<ListenerCall>(L"user32.dll", "RemoveClipboardFormatListener"))
      remove(listener_);
    listener_ = nullptr;
  }
  LeaveClipboardChain();
}

void MessageHook::SetHotKeyIds(int32_t downKeyId, int32_t upKeyId) {
  state_.downKeyId = downKeyId;
  state_.upKeyId = upKeyId;
}

void MessageHook::SetTrayMessages(UINT callbackMessage, UINT taskbarCreatedMessage) {
  state_.trayMessage = callbackMessage;
  state_.taskbarCreatedMessage = taskbarCreatedMessage;
}

void MessageHook::SetKeyboardHook(KeyboardHook& keyboard) {
  keyboard_ = &keyboard;
#ifdef QUISTREL_TEST_QUERIES
  timingQuery_ = RegisterWindowMessageW(L"Mallowquist_KeyHookTiming");
#endif
}

void MessageHook::JoinClipboardChain(HWND window) {
  viewer_ = window;
  state_.nextViewer = reinterpret_cast<uintptr_t>(SetClipboardViewer(window));
}

void MessageHook::LeaveClipboardChain() {
  if (!viewer_) return;
  ChangeClipboardChain(viewer_, NextViewer());
  viewer_ = nullptr;
}

void MessageHook::Install(HWND window) {
  if (installed_) return;
  if (common_controls::SetWindowSubclass(window, &MessageHook::Procedure, kSubclassId,
                                         reinterpret_cast<DWORD_PTR>(this))) {
    installed_ = window;
  }
}

void MessageHook::Remove() {
  if (!installed_) return;
  common_controls::RemoveWindowSubclass(installed_, &MessageHook::Procedure, kSubclassId);
  installed_ = nullptr;
}

void MessageHook::Forward(uintptr_t nextViewer, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(reinterpret_cast<HWND>(nextViewer), message, wParam, lParam, SMTO_ABORTIFHUNG, kForwardTimeoutMs,
                      &result);
}

LRESULT CALLBACK MessageHook::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
  auto* hook = reinterpret_cast<MessageHook*>(self);
#ifdef QUISTREL_TEST_QUERIES
  // For the benchmark and the tests: the keyboard hook's time per key, and a
  // user-interface thread kept busy on purpose.
  if (hook->timingQuery_ != 0 && message == hook->timingQuery_ && hook->keyboard_) {
    switch (wParam) {
      case 0: return hook->keyboard_->LongestTenthsOfMicrosecond();
      case 1: return hook->keyboard_->KeysSeen();
      case 2: hook->keyboard_->ResetTiming(); return 0;
      case 3: Sleep(static_cast<DWORD>(lParam)); return 0;
      default: return 0;
    }
  }
#endif
  if (message == WM_WINDOWPOSCHANGED && hook->keyboard_) {
    const auto& position = *reinterpret_cast<const WINDOWPOS*>(lParam);
    if (position.flags & SWP_SHOWWINDOW) hook->keyboard_->SetSelectorShown(true);
    if (position.flags & SWP_HIDEWINDOW) hook->keyboard_->SetSelectorShown(false);
  }
  HandleWindowMessage(hook->state_, hook->target_, *hook, message, wParam, lParam, GetMessageTime());
  // The window goes: nothing may call this procedure afterwards.
  if (message == WM_NCDESTROY) hook->Remove();
  // Nothing is swallowed: the window's own procedure sees every message too.
  return common_controls::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace quistrel
