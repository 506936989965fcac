#include <windows.h>
#include <shlobj.h>

#include "platform/folders.h"
#include "platform/handles.h"

namespace quistrel {

namespace {
// The file-system path of a special folder (CSIDL), or the empty text.
std::u16string SpecialFolder(int folderId) {
  PIDLIST_ABSOLUTE items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folderId, &items)) || !items) return {};
  // The shell writes at most MAX_PATH characters, so that is the buffer it needs.
  wchar_t buffer[MAX_PATH + 1] = {};
  const BOOL found = SHGetPathFromIDListW(items, buffer);
  CoTaskMemFree(items);
  return found ? FromWide(buffer, wcsnlen(buffer, MAX_PATH)) : std::u16string();
}
}  // namespace

std::u16string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return FromWide(path.data(), length);
    if (path.size() >= 32768) return {};  // longer than any path Windows knows
    path.resize(path.size() * 2);
  }
}

std::u16string ExecutableFolder() {
  std::u16string path = ExecutablePath();
  const auto slash = path.find_last_of(u'\\');
  path.resize(slash == std::u16string::npos ? 0 : slash + 1);
  return WithTrailingBackslash(path);
}

std::u16string StartupFolder() { return WithTrailingBackslash(SpecialFolder(CSIDL_STARTUP)); }

}  // namespace quistrel
