// The entry dialog's decision at OK, kept apart from its window: a fixed
// string is kept in the ANSI code page, and characters that code page cannot
// hold are not kept silently.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi.h"

namespace quistrel {

struct StoredText {
  std::u16string text;         // the text as the fixed-string file gives it back
  std::vector<char32_t> lost;  // characters it cannot hold, each once, in the order they first appear
};

// What storing the typed text keeps of it.
StoredText AsStored(std::u16string_view typed, const AnsiCodePage& codePage);

// The question asked before characters are given up: it names them (the
// first few, with their code points, and how many more there are) and asks
// whether to save anyway.
std::u16string LostCharactersQuestion(const std::vector<char32_t>& lost);

}  // namespace quistrel
