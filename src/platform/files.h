// Whole-file reads and crash-safe replacement that keeps the file itself (its
// hard links), with Unicode paths.
#pragma once

#include <cstdint>
#include <optional>
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
  // The bytes are a complete PATH.new's that could not be written into the
  // target, which holds something else.
  bool pending = false;
  // The backup that now holds what the target held when the read finished a
  // stopped save; empty when it kept nothing.
  std::u16string keptAs;
};

// Tells one content of a file from another without keeping its bytes.
struct ContentId {
  std::uint64_t size = 0;
  std::uint64_t hash = 0;  // FNV-1a, 64 bits
  static ContentId Of(std::string_view bytes);
  friend bool operator==(const ContentId&, const ContentId&) = default;
};

// Whether the bytes found in a file must be kept before others replace them:
// not when there are none, when they are the same bytes, or when they are
// what the program itself last found or left there (`known`, nothing when
// it does not know).
bool MustKeepBeforeReplacing(std::string_view found, std::string_view replacing, const std::optional<ContentId>& known);

// The backups of a file: PATH.bak, PATH.bak2, PATH.bak3...
std::u16string BackupPath(const std::u16string& path, int number);
inline constexpr int kMostBackups = 99;

FileContent ReadWholeFile(const std::u16string& path);

struct ReplaceResult {
  bool written = false;
  // The backup that now holds what the target held, where that was content
  // the caller did not know (another program's edit); empty when none.
  std::u16string keptAs;
};

// Writes the bytes to PATH.tmp and flushes them, names that file PATH.new
// (the name says it is complete), writes the bytes over the target in place,
// flushed and cut to their length, and removes PATH.new. The target stays the
// same file, so its hard links keep showing it; a crash leaves it whole or
// cut, but beside a complete PATH.new, which ReadReplacedFile finishes.
// Content in the target that MustKeepBeforeReplacing names is first kept in
// the first backup that is free or already holds it, never over another
// backup; from that look to the end no other program may write the target.
// Not written when any step fails: the target is then unchanged, or, when
// the write into it failed, the complete PATH.new stays for the next read.
ReplaceResult ReplaceFileInPlace(const std::u16string& path, std::string_view bytes,
                                 const std::optional<ContentId>& known);

// The target as ReplaceFileInPlace left it, also after a crash: a complete
// PATH.new is always the later content, whatever the file times say (the
// target is written only after it), and is written into the target as the
// save would have, the target's own content kept in a backup first unless it
// is empty or the same. Where that cannot be done PATH.new is read, pending.
// A PATH.tmp, the part a stopped save was writing, goes.
FileContent ReadReplacedFile(const std::u16string& path);

}  // namespace quistrel
