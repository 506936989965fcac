#include "clipboard/clipboard_block.h"

#include <cstring>

namespace quistrel {

std::u16string TextFromClipboardBlock(const void* data, std::size_t blockBytes) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  const std::size_t capacity = blockBytes / sizeof(char16_t);
  std::size_t length = 0;
  for (; length < capacity; ++length) {
    char16_t unit;
    std::memcpy(&unit, bytes + length * sizeof(char16_t), sizeof unit);
    if (unit == u'\0') break;
  }
  std::u16string text(length, u'\0');
  if (length > 0) std::memcpy(text.data(), bytes, length * sizeof(char16_t));
  return text;
}

}  // namespace quistrel
