// Helpers shared by the Win32 tests.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <map>
#include <optional>
#include <string>

#include "platform/handles.h"

namespace quistrel::testing {

// Windows' app mode in the test's prefix (AppsUseLightTheme), as the user
// sets it; the program hears of it through WM_SETTINGCHANGE.
inline bool SetAppMode(bool dark) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD light = dark ? 0 : 1;
  const bool set = RegSetValueExW(key, L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&light),
                                  sizeof light) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

// The mode a run asks for (QUISTREL_APP_MODE=dark or light); false for light.
inline bool DarkRun() {
  const char* mode = std::getenv("QUISTREL_APP_MODE");
  return mode && std::string(mode) == "dark";
}

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

// A part a test has played in a process of its own, one that the test can
// kill: the test file names it with a ChildRole, the test starts this program
// with StartChild, and main runs the part instead of the tests.
using ChildMain = int (*)(const std::wstring& argument);
inline std::map<std::wstring, ChildMain>& ChildRoles() {
  static std::map<std::wstring, ChildMain> roles;
  return roles;
}
struct ChildRole {
  ChildRole(const wchar_t* name, ChildMain main) { ChildRoles()[name] = main; }
};
inline constexpr wchar_t kChildSwitch[] = L"--child-role=";

inline UniqueKernelObject StartChild(const std::wstring& role, const std::wstring& argument) {
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring commandLine = L"child " + std::wstring(kChildSwitch) + role + L" " + argument;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return UniqueKernelObject();
  }
  CloseHandle(started.hThread);
  return UniqueKernelObject(started.hProcess);
}

// The exit code of the part this process was started to play; nothing when it
// runs the tests.
inline std::optional<int> RunChildRole(const std::wstring& commandLine) {
  const std::size_t at = commandLine.find(kChildSwitch);
  if (at == std::wstring::npos) return std::nullopt;
  const std::size_t nameStart = at + std::wcslen(kChildSwitch);
  const std::size_t nameEnd = commandLine.find(L' ', nameStart);
  const auto role = ChildRoles().find(commandLine.substr(nameStart, nameEnd - nameStart));
  if (role == ChildRoles().end()) return 2;
  return role->second(nameEnd == std::wstring::npos ? std::wstring() : commandLine.substr(nameEnd + 1));
}

}  // namespace quistrel::testing
