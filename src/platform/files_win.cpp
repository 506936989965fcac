#include "platform/files.h"

#include <windows.h>

#include <new>
#include <optional>

#include "platform/handles.h"

namespace quistrel {

namespace {
// More than a 32-bit program can hold; smaller files that still do not fit
// fail their allocation.
constexpr unsigned long long kLargestReadableFile = 0x7FFFFFFFull;

FileContent Unreadable() { return {FileReadStatus::Unreadable, {}}; }
}  // namespace

FileContent ReadWholeFile(const std::u16string& path) {
  UniqueFile file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileContent{} : Unreadable();
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kLargestReadableFile) {
    return Unreadable();
  }
  FileContent content{FileReadStatus::Read, {}};
  try {
    content.bytes.resize(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return Unreadable();
  }
  std::string& bytes = content.bytes;
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr)) return Unreadable();
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return content;
}

namespace {
void RemoveLeftover(const std::u16string& path) {
  // A read-only or hidden leftover would refuse to be replaced.
  SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Wide(path));
}

bool WriteFlushed(const std::u16string& path, std::string_view bytes) {
  UniqueFile file(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(file.Get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote != chunk) return false;
    done += wrote;
  }
  return FlushFileBuffers(file.Get()) != 0;
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES; }

bool IsFile(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A file's last write, nothing when it is no file.
std::optional<ULONGLONG> LastWriteOf(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

// The complete file that lost to a newer one is still the user's work of an
// earlier time: it replaces the backup of an even earlier one.
bool KeepAside(const std::u16string& file, const std::u16string& target) {
  const std::u16string backup = target + u".bak";
  if (Exists(backup)) SetFileAttributesW(Wide(backup), FILE_ATTRIBUTE_NORMAL);
  return MoveFileExW(Wide(file), Wide(backup), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
}  // namespace

bool ReplaceFileAtomically(const std::u16string& path, std::string_view bytes) {
  const std::u16string writing = path + u".tmp";
  const std::u16string complete = path + u".new";
  // Whatever a crash left under the first name is a part, never used.
  RemoveLeftover(writing);
  if (!WriteFlushed(writing, bytes)) {
    DeleteFileW(Wide(writing));
    return false;
  }
  // The rename is what says the bytes are all there. A complete file already
  // there (the read that found it could not move it) is older than these
  // bytes: it gives way, kept aside.
  if (IsFile(complete)) KeepAside(complete, path);
  if (!MoveFileExW(Wide(writing), Wide(complete), MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(Wide(writing));
    return false;
  }
  // Where the target cannot be replaced, or went first, the new file stays:
  // the next read finds it complete and newer than the target.
  return MoveFileExW(Wide(complete), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

FileContent ReadReplacedFile(const std::u16string& path) {
  const std::u16string complete = path + u".new";
  const std::optional<ULONGLONG> completeWritten = LastWriteOf(complete);
  if (!completeWritten || (Exists(path) && !IsFile(path))) return ReadWholeFile(path);
  // Both files are complete: the save names its file .new only once it is
  // flushed, and the target changes only by a rename. A .new beside the
  // target is the save's that a crash stopped between its two renames, unless
  // the target was written later still (put back by hand, say); a tie, as on
  // file systems that keep times to two seconds, goes to the save.
  if (const std::optional<ULONGLONG> targetWritten = LastWriteOf(path)) {
    if (*targetWritten > *completeWritten) {
      KeepAside(complete, path);
      return ReadWholeFile(path);
    }
    if (!KeepAside(path, path)) return ReadWholeFile(complete);
  }
  if (MoveFileExW(Wide(complete), Wide(path), MOVEFILE_WRITE_THROUGH)) return ReadWholeFile(path);
  return ReadWholeFile(complete);
}

}  // namespace quistrel
