// Helpers shared by the Win32 tests.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/handles.h"

namespace quistrel::testing {

// A fresh folder under the temporary folder, removed with its files at the end.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    path_ = FromWide(std::wstring(base) + L"quistrel-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(++counter) + L"\\");
    CreateDirectoryW(Wide(path_), nullptr);
  }
  ~TempFolder() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(path_ + u"*"), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::u16string name = FromWide(found.cFileName, wcslen(found.cFileName));
        if (name == u"." || name == u"..") continue;
        SetFileAttributesW(Wide(path_ + name), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(Wide(path_ + name));
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(Wide(path_));
  }
  const std::u16string& Path() const { return path_; }
  std::u16string operator/(const std::u16string& name) const { return path_ + name; }

 private:
  std::u16string path_;
};

inline std::string ReadBytes(const std::u16string& path) {
  UniqueFile file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

inline bool WriteBytes(const std::u16string& path, const std::string& bytes) {
  UniqueFile file(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD wrote = 0;
  return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
         wrote == bytes.size();
}

// The program whose resources the windows read; the test programs carry none.
inline std::wstring QuistrelExePath() {
  const char* build = std::getenv("QUISTREL_WIN32_BUILD_DIR");
  if (!build || !*build) return {};
  std::wstring path = L"Z:";
  for (const char* c = build; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path + L"\\src\\Quistrel.exe";
}

inline bool Exists(const std::u16string& path) { return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES; }

}  // namespace quistrel::testing
