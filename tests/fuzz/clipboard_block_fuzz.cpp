// A clipboard block as another program left it: any size, any contents, no
// NUL anywhere. libFuzzer's buffer is exactly the block, so reading one byte
// past it is an AddressSanitizer report.
#include <cstring>

#include "clipboard/clipboard_block.h"
#include "fuzz_input.h"

using namespace quistrel;

namespace {

// The text is the block's leading units up to, not including, the first NUL.
void CheckText(const uint8_t* block, std::size_t blockBytes) {
  const std::u16string text = TextFromClipboardBlock(block, blockBytes);
  FUZZ_CHECK(text.size() <= blockBytes / 2);
  FUZZ_CHECK(text.find(u'\0') == std::u16string::npos);
  FUZZ_CHECK(text.empty() || std::memcmp(text.data(), block, text.size() * 2) == 0);
  if (text.size() < blockBytes / 2) {
    FUZZ_CHECK(block[text.size() * 2] == 0 && block[text.size() * 2 + 1] == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  CheckText(data, size);
  // The reader must not count on the block being aligned for UTF-16 units.
  if (size > 0) CheckText(data + 1, size - 1);
  return 0;
}
