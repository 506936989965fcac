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

// Writes the bytes to PATH.tmp and flushes them; only then is that file named
// PATH.new and moved over the target, so the target holds either its old
// content or the new one, never a part, and a PATH.new is always complete.
// False when any step fails; the target is then unchanged, or, where the
// file system replaces by deleting the target first (FAT32, exFAT), gone with
// the new content complete in PATH.new.
bool ReplaceFileAtomically(const std::u16string& path, std::string_view bytes);

// The target as ReplaceFileAtomically left it: when a crash or a failed move
// left the target missing and the complete PATH.new beside it, that file is
// moved into place first (and read where it cannot be moved).
FileContent ReadReplacedFile(const std::u16string& path);

}  // namespace quistrel
