#include "hook/hook_procedure.h"

namespace quistrel {

namespace {

void OnHotKey(const HookState& state, HookTarget& target, uintptr_t wParam) {
  if (!target.IsSelectorOpen()) target.OpenSelector();
  const auto id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
  if (id == state.downKeyId) {
    target.SelectDown();
  } else if (id == state.upKeyId) {
    target.SelectUp();
  }
}

void OnDrawClipboard(HookState& state, HookTarget& target, ViewerChain& chain, uintptr_t wParam, intptr_t lParam) {
  target.OnClipboardChanged();
  if (state.forwarding) {
    state.forwardAgain = true;
    return;
  }
  state.forwarding = true;
  do {
    state.forwardAgain = false;
    if (state.nextViewer != 0) chain.Forward(state.nextViewer, kWmDrawClipboard, wParam, lParam);
  } while (state.forwardAgain);
  state.forwarding = false;
}

void OnChainChanged(HookState& state, ViewerChain& chain, uintptr_t wParam, intptr_t lParam) {
  if (wParam == state.nextViewer) {
    // Our successor leaves: the one after it becomes our successor.
    state.nextViewer = static_cast<uintptr_t>(lParam);
  } else if (state.nextViewer != 0) {
    chain.Forward(state.nextViewer, kWmChangeCbChain, wParam, lParam);
  }
}

}  // namespace

void HandleHookMessage(HookState& state, HookTarget& target, ViewerChain& chain, uint32_t message, uintptr_t wParam,
                       intptr_t lParam) {
  if (message == kWmActivate) {
    // 0 only: inactive and not minimised.
    if (wParam == 0) target.CloseSelector(false);
  } else if (message == kWmHotKey) {
    OnHotKey(state, target, wParam);
  } else if (message == kWmClipboardUpdate) {
    target.OnClipboardChanged();
  } else if (message == kWmDrawClipboard) {
    OnDrawClipboard(state, target, chain, wParam, lParam);
  } else if (message == kWmChangeCbChain) {
    OnChainChanged(state, chain, wParam, lParam);
  } else if (state.taskbarCreatedMessage != 0 && message == state.taskbarCreatedMessage) {
    target.RestoreTrayIcon();
  } else if (state.trayMessage != 0 && message == state.trayMessage) {
    if (lParam == kWmLButtonUp) {
      target.OnTrayIconClick(MouseButton::Left);
    } else if (lParam == kWmRButtonUp) {
      target.OnTrayIconClick(MouseButton::Right);
    }
  }
}

}  // namespace quistrel
