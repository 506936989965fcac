// Whole-file reads and crash-safe replacement, with Unicode paths.
#pragma once

#include <string>
#include <string_view>

namespace quistrel {

enum class FileReadStatus {
  Read,
  Missing,     // the file does not exist
  Unreadable,  // it exists but cannot be read whole: held by another program, denied, too large, a folder
};

struct FileContent {
  FileReadStatus status = FileReadStatus::Missing;
  std::string bytes;  // only with Read
};

FileContent ReadWholeFile(const std::u16string& path);

// Writes the bytes to a temporary file beside the target (PATH.new), flushes
// it and then moves it over the target, so the target holds either its old
// content or the new one, never a part. False (target unchanged) when any
// step fails.
bool ReplaceFileAtomically(const std::u16string& path, std::string_view bytes);

}  // namespace quistrel
