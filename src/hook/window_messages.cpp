#include "hook/window_messages.h"

#include "hook/keyboard_hook_report.h"

namespace quistrel {

namespace {

// The keyboard hook's reports come as the hot keys do (keyboard_hook_report.h).
static_assert(kHookReportMessage == kWmHotKey);

void Step(HookTarget& target, HookReport step) {
  if (!target.IsSelectorOpen()) target.OpenSelector();
  if (step == HookReport::StepDown) {
    target.SelectDown();
  } else if (step == HookReport::StepUp) {
    target.SelectUp();
  }
}

// The registered hot keys, and the keyboard hook's steps in their guise.
void OnHotKey(HookState& state, HookTarget& target, uintptr_t wParam, intptr_t lParam, uint32_t time) {
  if (IsHookRelease(lParam)) {
    target.OnKeyReleased(HookReleasedKey(lParam), HookReportTime(wParam));
    return;
  }
  HookReport step = HookReport::None;
  EventWay way = EventWay::System;
  if (IsHookStep(lParam)) {
    step = HookStepOf(lParam);
    way = EventWay::Hook;
    time = HookReportTime(wParam);  // when the key went down, not when the hook got to it
  } else {
    const auto id = static_cast<int32_t>(static_cast<uint32_t>(wParam));
    if (id == state.downKeyId) step = HookReport::StepDown;
    if (id == state.upKeyId) step = HookReport::StepUp;
  }
  if (!state.steps.Accept(way, static_cast<uint32_t>(step), time)) return;
  Step(target, step);
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

void HandleWindowMessage(HookState& state, HookTarget& target, ViewerChain& chain, uint32_t message, uintptr_t wParam,
                         intptr_t lParam, uint32_t time) {
  if (message == kWmActivate) {
    // 0 only: inactive and not minimised.
    if (wParam == 0) target.CloseSelector(false);
  } else if (message == kWmHotKey) {
    OnHotKey(state, target, wParam, lParam, time);
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
