#include "core/settings_files_win.h"

#include <windows.h>

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

FileContent ProfileSettingsFiles::ReadFixedStrings() { return ReadReplacedFile(folder_ + kFixedStringFileName); }

bool ProfileSettingsFiles::WriteFixedStrings(std::string_view bytes) {
  return ReplaceFileAtomically(folder_ + kFixedStringFileName, bytes);
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
