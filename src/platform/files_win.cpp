#include "platform/files.h"

#include <windows.h>

#include <algorithm>
#include <new>

#include "platform/handles.h"

namespace quistrel {

namespace {
// More than a 32-bit program can hold; smaller files that still do not fit
// fail their allocation.
constexpr unsigned long long kLargestReadableFile = 0x7FFFFFFFull;
constexpr DWORD kChunk = 1u << 20;

FileContent Unreadable() { return {FileReadStatus::Unreadable, {}}; }

// An open file's whole content, read from its start.
FileContent ReadOpenFile(HANDLE file) {
  LARGE_INTEGER size{};
  const LARGE_INTEGER start{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kLargestReadableFile ||
      !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
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
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kChunk));
    if (!ReadFile(file, bytes.data() + done, chunk, &got, nullptr)) return Unreadable();
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return content;
}
}  // namespace

FileContent ReadWholeFile(const std::u16string& path) {
  UniqueFile file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileContent{} : Unreadable();
  }
  return ReadOpenFile(file.Get());
}

namespace {
void RemoveLeftover(const std::u16string& path) {
  // A read-only or hidden leftover would refuse to go.
  SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Wide(path));
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kChunk));
    if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote != chunk) return false;
    done += wrote;
  }
  return true;
}

bool WriteFlushed(const std::u16string& path, std::string_view bytes) {
  UniqueFile file(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get()) != 0;
}

// Writes over the file from its start and cuts it where the bytes end: the
// file keeps its identity, its links and its attributes.
bool OverwriteFlushed(HANDLE file, std::string_view bytes) {
  const LARGE_INTEGER start{};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && WriteAll(file, bytes) && SetEndOfFile(file) &&
         FlushFileBuffers(file);
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES; }

bool IsFile(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A backup is never replaced: it may hold the only copy of its strings. The
// bytes go to the first free name, unless a backup already holds them.
// Empty when every name is taken or the write fails.
std::u16string KeepBackup(const std::u16string& path, std::string_view bytes) {
  for (int number = 1; number <= kMostBackups; ++number) {
    const std::u16string backup = BackupPath(path, number);
    const FileContent there = ReadWholeFile(backup);
    if (there.status == FileReadStatus::Read && there.bytes == bytes) return backup;
    if (there.status != FileReadStatus::Missing) continue;
    UniqueFile file(CreateFileW(Wide(backup), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    if (WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get())) return backup;
    file.Reset();
    DeleteFileW(Wide(backup));  // a part, of no use
    return {};
  }
  return {};
}

// The target, read and written through one handle; other programs may read
// it meanwhile, but neither write, rename nor delete it.
UniqueFile OpenTarget(const std::u16string& path) {
  return UniqueFile(CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// False when the target's content must be kept and could not be.
bool KeepWhatMustBeKept(HANDLE target, const std::u16string& path, std::string_view replacing,
                        const std::optional<ContentId>& known, std::u16string& keptAs) {
  const FileContent found = ReadOpenFile(target);
  if (found.status != FileReadStatus::Read) return false;
  if (!MustKeepBeforeReplacing(found.bytes, replacing, known)) return true;
  keptAs = KeepBackup(path, found.bytes);
  return !keptAs.empty();
}

// PATH.new holds the bytes whole once this returns true: they are flushed
// under PATH.tmp, and only then given the name.
bool WriteComplete(const std::u16string& path, std::string_view bytes) {
  const std::u16string writing = path + u".tmp";
  const std::u16string complete = path + u".new";
  // Whatever a crash left under the first name is a part, never used.
  RemoveLeftover(writing);
  if (!WriteFlushed(writing, bytes)) {
    DeleteFileW(Wide(writing));
    return false;
  }
  // A PATH.new already there is one this run read or wrote itself (the
  // target could not be written then): these bytes come after it.
  if (IsFile(complete)) SetFileAttributesW(Wide(complete), FILE_ATTRIBUTE_NORMAL);
  if (!MoveFileExW(Wide(writing), Wide(complete), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(Wide(writing));
    return false;
  }
  return true;
}

// Writes a complete PATH.new's bytes into the target, as the save that a
// crash stopped would have. What the target holds is then not known: the
// old content that save was replacing, a part of it, or a file put there
// since; unless it is empty or the same, it is kept, and `keptAs` names the
// backup once the target is written.
bool FinishReplace(const std::u16string& path, std::string_view bytes, std::u16string& keptAs) {
  UniqueFile target = OpenTarget(path);
  if (!target || !KeepWhatMustBeKept(target.Get(), path, bytes, std::nullopt, keptAs) ||
      !OverwriteFlushed(target.Get(), bytes)) {
    keptAs.clear();  // the content is still in the target too
    return false;
  }
  target.Reset();
  RemoveLeftover(path + u".new");
  return true;
}
}  // namespace

ReplaceResult ReplaceFileInPlace(const std::u16string& path, std::string_view bytes,
                                 const std::optional<ContentId>& known) {
  ReplaceResult result;
  UniqueFile target = OpenTarget(path);
  if (!target || !KeepWhatMustBeKept(target.Get(), path, bytes, known, result.keptAs)) return result;
  // Where the write into the target fails the complete PATH.new stays, and
  // the next read finishes the save.
  if (!WriteComplete(path, bytes) || !OverwriteFlushed(target.Get(), bytes)) return result;
  target.Reset();
  RemoveLeftover(path + u".new");
  result.written = true;
  return result;
}

FileContent ReadReplacedFile(const std::u16string& path) {
  // Never used, and as large as the file: a kill during a save would
  // otherwise leave it for good.
  if (IsFile(path + u".tmp")) RemoveLeftover(path + u".tmp");
  const std::u16string complete = path + u".new";
  if (!IsFile(complete) || (Exists(path) && !IsFile(path))) return ReadWholeFile(path);
  FileContent newer = ReadWholeFile(complete);
  if (newer.status == FileReadStatus::Missing) return ReadWholeFile(path);
  if (newer.status == FileReadStatus::Read) newer.pending = !FinishReplace(path, newer.bytes, newer.keptAs);
  return newer;
}

}  // namespace quistrel
