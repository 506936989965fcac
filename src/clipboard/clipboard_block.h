// The text held in a clipboard memory block. The block's size is all the
// system vouches for: another program may have put text there without a
// terminating NUL, or with a size that is not a whole number of characters.
#pragma once

#include <cstddef>
#include <string>

namespace quistrel {

// The UTF-16 text at the start of the block, ending at the first NUL or at
// the end of the block; an odd trailing byte is ignored. Nothing past
// blockBytes is read, and the data need not be aligned.
std::u16string TextFromClipboardBlock(const void* data, std::size_t blockBytes);

}  // namespace quistrel
