#include "hook/hook_procedure.h"

namespace quistrel {

namespace {

void OnHotKey(const HookState& state, HookTarget& target, uintptr_t wParam) {
  if (!target.SelectorVisible()) target.Show2();
  const auto id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  if (id == state.downKeyId) {
    target.SelectDown();
  } else if (id == state.upKeyId) {
    target.SelectUp();
  }
}

void OnClipboardChanged(const HookState& state, HookTarget& target, uintptr_t wParam, intptr_t lParam) {
  if (auto text = target.ClipboardText()) target.AddHistory(std::move(*text));
  if (state.nextViewer != 0) target.SendToNextViewer(state.nextViewer, kWmDrawClipboard, wParam, lParam);
}

void OnChainChanged(HookState& state, HookTarget& target, uintptr_t wParam, intptr_t lParam) {
  if (wParam == state.nextViewer) {
    // Our successor leaves: the one after it becomes our successor.
    state.nextViewer = static_cast<uintptr_t>(lParam);
  } else if (state.nextViewer != 0) {
    target.SendToNextViewer(state.nextViewer, kWmChangeCbChain, wParam, lParam);
  }
}

}  // namespace

void HandleHookMessage(HookState& state, HookTarget& target, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmActivate) {
    // 0 only: inactive and not minimised.
    if (wParam == 0) target.Hide2(false);
  } else if (message == kWmHotKey) {
    OnHotKey(state, target, wParam);
  } else if (message == kWmDrawClipboard) {
    OnClipboardChanged(state, target, wParam, lParam);
  } else if (message == kWmChangeCbChain) {
    OnChainChanged(state, target, wParam, lParam);
  } else if (state.taskbarCreatedMessage != 0 && message == state.taskbarCreatedMessage) {
    target.RestoreTrayIcon();
  } else if (state.trayMessage != 0 && message == state.trayMessage) {
    if (lParam == kWmLButtonUp) {
      target.NotifyIconMouseUp(0);
    } else if (lParam == kWmRButtonUp) {
      target.NotifyIconMouseUp(1);
    }
  }
}

}  // namespace quistrel
