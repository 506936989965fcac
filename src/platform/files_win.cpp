#include "platform/files.h"

#include <windows.h>

#include <new>

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
  // The rename is what says the bytes are all there. A complete file left by
  // an earlier crash is older than these bytes and gives way.
  if (Exists(complete)) RemoveLeftover(complete);
  if (!MoveFileExW(Wide(writing), Wide(complete), MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(Wide(writing));
    return false;
  }
  if (!MoveFileExW(Wide(complete), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    // Where the target went first, the new file is the only copy left.
    if (Exists(path)) DeleteFileW(Wide(complete));
    return false;
  }
  return true;
}

FileContent ReadReplacedFile(const std::u16string& path) {
  FileContent content = ReadWholeFile(path);
  if (content.status != FileReadStatus::Missing) return content;
  const std::u16string complete = path + u".new";
  if (!IsFile(complete)) return content;
  if (MoveFileExW(Wide(complete), Wide(path), MOVEFILE_WRITE_THROUGH)) return ReadWholeFile(path);
  return ReadWholeFile(complete);
}

}  // namespace quistrel
