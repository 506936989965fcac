#include "platform/folders.h"

namespace quistrel {

std::u16string WithTrailingBackslash(std::u16string folder) {
  if (folder.empty() || folder.back() != u'\\') folder.push_back(u'\\');
  return folder;
}

}  // namespace quistrel
