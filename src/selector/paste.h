// What follows a commit with AutoPaste 1, apart from the window: the key
// strokes that paste in the window's program, and whether they may be sent
// at all.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/paste_keys.h"

namespace quistrel {

struct KeyStroke {
  uint16_t virtualKey = 0;
  bool up = false;
  bool extended = false;  // the right Ctrl and Alt keys, both Windows keys, Insert

  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The modifiers with their sides, as the system tells them apart, and the
// unassigned key that masks the release of Alt or a Windows key.
inline constexpr uint16_t kVkRWin = 0x5C, kVkV = 0x56, kVkInsert = 0x2D, kVkLShift = 0xA0, kVkRShift = 0xA1,
                          kVkLControl = 0xA2, kVkRControl = 0xA3, kVkLMenu = 0xA4, kVkRMenu = 0xA5, kVkMask = 0xE8;

// The keys that paste in the window the user works in, as one sequence, and
// nothing for PasteKeys::None. Modifiers still held for it (Alt after
// Win+Alt+C, Shift after a list switch, Ctrl, the other Windows key) are
// released first: that window would otherwise see Ctrl+Alt+V, Paste Special
// in office programs, or Ctrl+Shift+V. A lone release of Alt opens the
// window's menu bar and one of a Windows key the Start menu, so the
// unassigned key goes down and up before them, and before the release of
// Alt+V's own Alt. Every key pressed is released again.
std::vector<KeyStroke> PasteKeyStrokes(PasteKeys keys, const std::function<bool(uint16_t)>& isDown);

// What could be learnt of the process that owns the window to paste into.
struct TargetProcess {
  bool queryDenied = false;                // it could not even be opened to be asked
  bool tokenDenied = false;                // opened, but its access token could not be read
  std::optional<uint32_t> integrityLevel;  // the last part of its mandatory label, when read
};

// Windows drops input sent into a process of a higher integrity level than
// the sender's (one run as administrator) and still reports it sent. A
// process that a normal one may not open, or whose token it may not read (an
// elevated one usually lets itself be opened but keeps its token), is taken
// as higher without its level; a level unknown for other reasons does not
// stop the paste.
bool InputWouldBeDropped(const TargetProcess& target, std::optional<uint32_t> ownLevel);

enum class PasteStep { SendKeys, LeaveOnClipboard, LeaveOnClipboardAndTell };

// Why keys were not sent: Windows would drop them in a window of higher
// rights; or the window never took the keyboard back after the selector
// (it hangs, or the system gave the activation elsewhere), and the keys would
// go to whatever window had it then.
enum class PasteObstacle { None, HigherRights, NoKeyboard };

// Which obstacles the user has heard of in this run.
struct PasteNotices {
  bool higherRights = false;
  bool noKeyboard = false;
};

// Keys that would be lost are not sent: the text stays on the clipboard, and
// the user hears the first time in the run for each obstacle (`told`
// remembers it) that the paste there is theirs to do.
PasteStep DecidePaste(PasteObstacle obstacle, PasteNotices& told);
// What they hear, with the keys that paste in that window.
std::u16string PasteDroppedText(PasteObstacle obstacle, PasteKeys keys);

}  // namespace quistrel
