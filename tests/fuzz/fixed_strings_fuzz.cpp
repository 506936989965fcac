// FixedString.dat as anyone may have left it: any bytes at all.
#include <algorithm>

#include "core/settings.h"
#include "fuzz_input.h"

using namespace quistrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const AnsiCodePage& codePage = SystemAnsiCodePage();

  const TextList list = DecodeFixedStrings(file, codePage);
  const auto zeros = static_cast<int32_t>(std::count(file.begin(), file.end(), '\0'));
  FUZZ_CHECK(list.Count() == (file.empty() ? 0 : zeros + 1));
  for (int32_t i = 0; i <= list.LastIndex(); ++i) {
    FUZZ_CHECK(list.Item(i).view().find(u'\0') == std::u16string_view::npos);
  }

  // The program saves what it loaded at exit; loading that again must give
  // the same list, or each start would change the user's strings.
  const std::string saved = EncodeFixedStrings(list, codePage);
  FUZZ_CHECK(std::count(saved.begin(), saved.end(), '\0') == zeros);
  FUZZ_CHECK(DecodeFixedStrings(saved, codePage) == list);
  return 0;
}
