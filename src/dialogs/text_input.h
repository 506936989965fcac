// The hand-over of one fixed string to the entry dialog and back through the
// program-wide InputText: the caller puts the initial text there, and after
// the dialog it holds either the confirmed text or the marker for "nothing
// entered", a text of the single character U+0000. No typed text can hold that
// character, so every other value, the empty text included, is an entry.
#pragma once

#include <string>
#include <string_view>

namespace quistrel {

std::u16string NoInputMarker();
bool IsNoInput(std::u16string_view inputText);

// The entry dialog's load: returns the text the box opens with and leaves the
// marker behind, so every way of closing other than OK reads as cancelled.
std::u16string BeginTextInput(std::u16string& inputText);
// OK: the box's whole text becomes the result.
void ConfirmTextInput(std::u16string& inputText, std::u16string boxText);
// Cancel, Esc and the close box.
void CancelTextInput(std::u16string& inputText);

}  // namespace quistrel
