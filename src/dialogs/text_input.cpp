#include "dialogs/text_input.h"

namespace quistrel {

std::u16string NoInputMarker() { return std::u16string(1, u'\0'); }

bool IsNoInput(std::u16string_view inputText) { return inputText.size() == 1 && inputText[0] == u'\0'; }

std::u16string BeginTextInput(std::u16string& inputText) {
  std::u16string initial = std::move(inputText);
  // A marker handed in opens an empty box rather than a box holding U+0000.
  if (IsNoInput(initial)) initial.clear();
  inputText = NoInputMarker();
  return initial;
}

void ConfirmTextInput(std::u16string& inputText, std::u16string boxText) { inputText = std::move(boxText); }

void CancelTextInput(std::u16string& inputText) { inputText = NoInputMarker(); }

}  // namespace quistrel
