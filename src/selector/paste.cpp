#include "selector/paste.h"

#include <utility>

#include <initializer_list>
#include <iterator>

#include "selector/selector_model.h"

namespace quistrel {

namespace {

void Mask(std::vector<KeyStroke>& strokes) {
  strokes.push_back({kVkMask, false, false});
  strokes.push_back({kVkMask, true, false});
}

// The modifiers go down in order and come up in the reverse order, around
// one tap of the key; Alt's release behind the mask.
void Chord(std::vector<KeyStroke>& strokes, std::initializer_list<uint16_t> modifiers, KeyStroke key) {
  for (const uint16_t modifier : modifiers) strokes.push_back({modifier, false, false});
  strokes.push_back(key);
  key.up = true;
  strokes.push_back(key);
  for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier) {
    if (*modifier == kVkMenu) Mask(strokes);
    strokes.push_back({*modifier, true, false});
  }
}

}  // namespace

std::vector<KeyStroke> PasteKeyStrokes(PasteKeys keys, const std::function<bool(uint16_t)>& isDown) {
  if (keys == PasteKeys::None) return {};
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
      Mask(strokes);
      masked = true;
    }
    strokes.push_back({modifier.key, true, modifier.extended});
  }
  switch (keys) {
    case PasteKeys::CtrlV: Chord(strokes, {kVkControl}, {kVkV, false, false}); break;
    case PasteKeys::CtrlShiftV: Chord(strokes, {kVkControl, kVkShift}, {kVkV, false, false}); break;
    // The Insert key of its own block, not the number pad's 0 with Num Lock off.
    case PasteKeys::ShiftInsert: Chord(strokes, {kVkShift}, {kVkInsert, false, true}); break;
    case PasteKeys::AltV: Chord(strokes, {kVkMenu}, {kVkV, false, false}); break;
    case PasteKeys::None: break;
  }
  return strokes;
}

bool InputWouldBeDropped(const TargetProcess& target, std::optional<uint32_t> ownLevel) {
  if (target.queryDenied || target.tokenDenied) return true;
  return target.integrityLevel && ownLevel && *target.integrityLevel > *ownLevel;
}

PasteStep DecidePaste(PasteObstacle obstacle, PasteNotices& told) {
  bool* heard = nullptr;
  switch (obstacle) {
    case PasteObstacle::None: return PasteStep::SendKeys;
    case PasteObstacle::HigherRights: heard = &told.higherRights; break;
    case PasteObstacle::NoKeyboard: heard = &told.noKeyboard; break;
  }
  if (std::exchange(*heard, true)) return PasteStep::LeaveOnClipboard;
  return PasteStep::LeaveOnClipboardAndTell;
}

std::u16string PasteDroppedText(PasteObstacle obstacle, PasteKeys keys) {
  const std::u16string why =
      obstacle == PasteObstacle::HigherRights
          ? u"管理者として実行中のソフトには自動で貼り付けできません。\r\n"
          : u"貼り付け先のウィンドウに入力が戻らなかったため、自動で貼り付けできませんでした。\r\n";
  return why + u"選択した文字はクリップボードにあります。" + std::u16string(PasteKeysName(keys)) +
         u"キーで貼り付けて下さい。";
}

}  // namespace quistrel
