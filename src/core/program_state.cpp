#include "core/program_state.h"

namespace quistrel {

ProgramState& Program() {
  static ProgramState state;
  return state;
}

void AddHistory(SharedText text) {
  Program().History.AddHistory(std::move(text), Program().Setting.ClipBoardLog);
}

SharedText HistoryItem(int32_t index) { return Program().History.Item(index); }

int32_t HistoryLastIndex() { return Program().History.LastIndex(); }

std::u16string WithTrailingBackslash(std::u16string folder) {
  if (folder.empty() || folder.back() != u'\\') folder.push_back(u'\\');
  return folder;
}

}  // namespace quistrel
