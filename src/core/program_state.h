// The state that lives for the whole run and that several windows share.
#pragma once

#include <string>

#include "core/settings.h"
#include "core/text_list.h"

namespace quistrel {

struct ProgramState {
  std::u16string AppFolder;      // the executable's folder, ending in a backslash
  std::u16string StartupFolder;  // the user's Startup folder, ending in a backslash
  TextList History;              // newest first; memory only
  SettingRecord Setting;
  bool SettingDialogOpen = false;  // the selector stays closed while it is true
  std::u16string InputText;        // hands a fixed string to the entry dialog and back
};

ProgramState& Program();

// The history operations on the program's history and settings.
void AddHistory(SharedText text);
SharedText HistoryItem(int32_t index);
int32_t HistoryLastIndex();

// Makes a folder path end in exactly one backslash (an empty path becomes "\").
std::u16string WithTrailingBackslash(std::u16string folder);

}  // namespace quistrel
