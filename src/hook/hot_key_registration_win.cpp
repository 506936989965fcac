#include "hook/hot_key_registration.h"

#include "hook/hot_keys.h"
#include "platform/handles.h"
#include "platform/message_box.h"

namespace quistrel {

namespace {
void ReportTakenKey(const std::u16string& keyName) {
  const std::u16string text = HotKeyFailureText(keyName);
  ShowMessageBox(nullptr, Wide(text), MB_OK | MB_ICONEXCLAMATION);
}
}  // namespace

void HotKeys::Register(HWND window, bool keyboardHookInstalled) {
  if (window_) return;
  window_ = window;
  downKey_ = WidenAtom(GlobalAddAtomW(Wide(std::u16string(kDownKeyAtomName))));
  upKey_ = WidenAtom(GlobalAddAtomW(Wide(std::u16string(kUpKeyAtomName))));
  const bool down = RegisterHotKey(window, downKey_, kModWin, kVirtualKeyC);
  const bool up = RegisterHotKey(window, upKey_, kModAltWin, kVirtualKeyC);
  for (const std::u16string& name : TakenKeysToReport(down, up, keyboardHookInstalled)) ReportTakenKey(name);
}

void HotKeys::Unregister() {
  if (!window_) return;
  UnregisterHotKey(window_, downKey_);
  UnregisterHotKey(window_, upKey_);
  GlobalDeleteAtom(NarrowAtom(downKey_));
  GlobalDeleteAtom(NarrowAtom(upKey_));
  window_ = nullptr;
}

}  // namespace quistrel
