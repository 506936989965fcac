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
// A PATH.new already there is kept as PATH.bak. False when any step fails;
// the target is then unchanged, or, where the file system replaces by
// deleting the target first (FAT32, exFAT), gone; either way the new content
// may stay complete in PATH.new, for the next ReadReplacedFile.
bool ReplaceFileAtomically(const std::u16string& path, std::string_view bytes);

// The target as ReplaceFileAtomically left it, also after a crash: a complete
// PATH.new that is not older than the target is the newer content, moved into
// place (and read where it cannot be moved). Of the two, the one that loses
// is kept as PATH.bak, replacing an earlier backup.
FileContent ReadReplacedFile(const std::u16string& path);

}  // namespace quistrel
