#include "platform/files.h"

namespace quistrel {

ContentId ContentId::Of(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return {bytes.size(), hash};
}

bool MustKeepBeforeReplacing(std::string_view found, std::string_view replacing,
                             const std::optional<ContentId>& known) {
  if (found.empty() || found == replacing) return false;
  return !known || ContentId::Of(found) != *known;
}

std::u16string BackupPath(const std::u16string& path, int number) {
  std::u16string backup = path + u".bak";
  if (number > 1) {
    for (const char digit : std::to_string(number)) backup.push_back(static_cast<char16_t>(digit));
  }
  return backup;
}

}  // namespace quistrel
