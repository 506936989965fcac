#include <windows.h>

#include "core/app.h"
#include "hook/hook.h"
#include "hook/hot_keys.h"
#include "platform/handles.h"

namespace quistrel {

namespace {
int32_t DownKey = 0;
int32_t UpKey = 0;

void ReportTakenKey(const std::u16string& keyName) {
  const std::u16string text = HotKeyFailureText(keyName);
  MessageBoxW(nullptr, Wide(text), kProgramTitle, MB_OK | MB_ICONEXCLAMATION);
}
}  // namespace

int32_t DownKeyId() { return DownKey; }
int32_t UpKeyId() { return UpKey; }

void RegisterHotKeys(HWND window) {
  DownKey = WidenAtom(GlobalAddAtomW(Wide(std::u16string(kDownKeyAtomName))));
  UpKey = WidenAtom(GlobalAddAtomW(Wide(std::u16string(kUpKeyAtomName))));
  if (!RegisterHotKey(window, DownKey, kModWin, kVirtualKeyC)) ReportTakenKey(u"Win+C");
  if (!RegisterHotKey(window, UpKey, kModAltWin, kVirtualKeyC)) ReportTakenKey(u"Win+Alt+C");
}

void UnregisterHotKeys(HWND window) {
  UnregisterHotKey(window, DownKey);
  UnregisterHotKey(window, UpKey);
  GlobalDeleteAtom(NarrowAtom(DownKey));
  GlobalDeleteAtom(NarrowAtom(UpKey));
}

}  // namespace quistrel
