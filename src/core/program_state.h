// The program's state for the whole run: its folders, the clipboard history
// and the settings. One object of it is made at start-up and handed to the
// parts that need it.
#pragma once

#include <cstdint>
#include <string>

#include "core/settings.h"
#include "core/text_list.h"

namespace quistrel {

struct ProgramState {
  std::u16string AppFolder;      // the executable's folder, ending in a backslash
  std::u16string StartupFolder;  // the user's Startup folder, ending in a backslash
  TextList History;              // newest first; memory only
  SettingRecord Setting;
  FixedStringFileState FixedStringFile;  // what the run knows of FixedString.dat
  bool SettingDialogOpen = false;        // the selector stays closed while it is true
  // The clipboard's text as last read (empty when it holds none). The same
  // shared text as the history's entry for it, so it is found there without
  // comparing a large text character by character.
  SharedText ClipboardText;
  // The clipboard's sequence number when that text was read: while the
  // clipboard's is still the same, the clipboard holds that text.
  uint32_t ClipboardSequence = 0;

  // Records a copied text under the history rule, at the configured length.
  // An empty text is no text and is not recorded.
  void AddToHistory(SharedText text) {
    if (!text.empty()) History.AddHistory(std::move(text), Setting.ClipBoardLog);
  }
};

}  // namespace quistrel
