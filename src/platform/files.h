// Whole-file reads and crash-safe replacement, with Unicode paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quistrel {

// The file's bytes; nothing when it is missing, unreadable or a folder.
std::optional<std::string> ReadWholeFile(const std::u16string& path);

// Writes the bytes to a temporary file beside the target, flushes it and then
// moves it over the target, so the target holds either its old content or the
// new one, never a part. False (target unchanged) when any step fails.
bool ReplaceFileAtomically(const std::u16string& path, std::string_view bytes);

}  // namespace quistrel
