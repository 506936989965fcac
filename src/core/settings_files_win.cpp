#include "core/settings_files_win.h"

#include <windows.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/handles.h"

namespace quistrel {

int32_t IniReadInt(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                   int32_t defaultValue) {
  return static_cast<int32_t>(GetPrivateProfileIntW(Wide(section), Wide(key), defaultValue, Wide(path)));
}

bool IniWriteInt(const std::u16string& path, const std::u16string& section, const std::u16string& key, int32_t value) {
  const std::wstring text = std::to_wstring(value);
  return WritePrivateProfileStringW(Wide(section), Wide(key), text.c_str(), Wide(path)) != 0;
}

int32_t ProfileSettingsFiles::ReadInt(std::u16string_view key, int32_t defaultValue) {
  return IniReadInt(IniPath(), kSettingsSection, std::u16string(key), defaultValue);
}

bool ProfileSettingsFiles::WriteInt(std::u16string_view key, int32_t value) {
  return IniWriteInt(IniPath(), kSettingsSection, std::u16string(key), value);
}

std::u16string ProfileSettingsFiles::ReadSection(std::u16string_view section) {
  // The call says only that the buffer was too small (a length of size - 2),
  // so it is asked again with more room; a section beyond a few MiB is no
  // user's and is taken as cut.
  constexpr DWORD kLimit = DWORD{1} << 22;
  const std::u16string name(section);
  for (DWORD size = 4096;; size *= 2) {
    std::u16string lines(size, u'\0');
    const DWORD length =
        GetPrivateProfileSectionW(Wide(name), reinterpret_cast<wchar_t*>(lines.data()), size, Wide(IniPath()));
    if (length + 2 < size || size >= kLimit) {
      lines.resize(std::min(length, size));
      return lines;
    }
  }
}

FileContent ProfileSettingsFiles::ReadFixedStrings() { return ReadReplacedFile(folder_ + kFixedStringFileName); }

ReplaceResult ProfileSettingsFiles::WriteFixedStrings(std::string_view bytes, const std::optional<ContentId>& known) {
  return ReplaceFileInPlace(folder_ + kFixedStringFileName, bytes, known);
}

void LoadSettings(ProgramState& program) {
  ProfileSettingsFiles files(program.AppFolder);
  LoadSettings(program.Setting, program.FixedStringFile, files, SystemAnsiCodePage());
}

SaveResult SaveSettings(ProgramState& program) {
  ProfileSettingsFiles files(program.AppFolder);
  return SaveSettings(program.Setting, program.FixedStringFile, files, SystemAnsiCodePage());
}

}  // namespace quistrel
