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

bool ReplaceFileAtomically(const std::u16string& path, std::string_view bytes) {
  const std::u16string temporary = path + u".new";
  // What a crash left there is never used: a read-only or hidden leftover
  // would refuse the new bytes, so it goes first.
  SetFileAttributesW(Wide(temporary), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Wide(temporary));
  {
    UniqueFile file(
        CreateFileW(Wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
      DWORD wrote = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      ok = WriteFile(file.Get(), bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
      done += wrote;
    }
    ok = ok && FlushFileBuffers(file.Get());
    if (!ok) {
      file.Reset();
      DeleteFileW(Wide(temporary));
      return false;
    }
  }
  if (!MoveFileExW(Wide(temporary), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(Wide(temporary));
    return false;
  }
  return true;
}

}  // namespace quistrel
