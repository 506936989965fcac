#include "selector/paste.h"

#include "selector/selector_model.h"

namespace quistrel {

std::vector<KeyStroke> PasteKeyStrokes(const std::function<bool(uint16_t)>& isDown) {
  struct Modifier {
    uint16_t key;
    bool extended;
    bool opensAMenu;
  };
  static constexpr Modifier kModifiers[] = {
      {kVkLMenu, false, true},   {kVkRMenu, true, true},    {kVkLWin, true, true},       {kVkRWin, true, true},
      {kVkLShift, false, false}, {kVkRShift, false, false}, {kVkLControl, false, false}, {kVkRControl, true, false},
  };
  std::vector<KeyStroke> strokes;
  bool masked = false;
  for (const Modifier& modifier : kModifiers) {
    if (!isDown(modifier.key)) continue;
    if (modifier.opensAMenu && !masked) {
      strokes.push_back({kVkMask, false, false});
      strokes.push_back({kVkMask, true, false});
      masked = true;
    }
    strokes.push_back({modifier.key, true, modifier.extended});
  }
  strokes.push_back({kVkControl, false, false});
  strokes.push_back({kVkV, false, false});
  strokes.push_back({kVkV, true, false});
  strokes.push_back({kVkControl, true, false});
  return strokes;
}

bool InputWouldBeDropped(const TargetProcess& target, std::optional<uint32_t> ownLevel) {
  if (target.queryDenied || target.tokenDenied) return true;
  return target.integrityLevel && ownLevel && *target.integrityLevel > *ownLevel;
}

PasteStep DecidePaste(bool inputDropped, bool& told) {
  if (!inputDropped) return PasteStep::SendKeys;
  if (told) return PasteStep::LeaveOnClipboard;
  told = true;
  return PasteStep::LeaveOnClipboardAndTell;
}

}  // namespace quistrel
