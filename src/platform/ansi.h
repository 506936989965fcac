// The one place where texts cross between UTF-16 and the system's ANSI code
// page (code page 932 on the systems the program is made for). Files and
// interfaces that are defined in ANSI bytes go through this and nothing else.
#pragma once

#include <string>
#include <string_view>

namespace quistrel {

class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;
  // Characters the code page cannot represent become its default character.
  virtual std::string ToAnsi(std::u16string_view text) const = 0;
  // Byte sequences that are invalid in the code page become a replacement
  // character; never fails.
  virtual std::u16string FromAnsi(std::string_view bytes) const = 0;
};

// The code page of the system the program runs on.
const AnsiCodePage& SystemAnsiCodePage();

}  // namespace quistrel
