// The settings files through the Windows profile calls and kernel32.
#pragma once

#include <cstdint>
#include <string>

#include "core/program_state.h"
#include "core/settings.h"

namespace quistrel {

int32_t IniReadInt(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                   int32_t defaultValue);
bool IniWriteInt(const std::u16string& path, const std::u16string& section, const std::u16string& key, int32_t value);

// Quistrel.ini and FixedString.dat in one folder (ending in a backslash).
class ProfileSettingsFiles final : public SettingsFiles {
 public:
  explicit ProfileSettingsFiles(std::u16string folder) : folder_(std::move(folder)) {}
  int32_t ReadInt(std::u16string_view key, int32_t defaultValue) override;
  bool WriteInt(std::u16string_view key, int32_t value) override;
  std::u16string ReadSection(std::u16string_view section) override;
  FileContent ReadFixedStrings() override;
  ReplaceResult WriteFixedStrings(std::string_view bytes, const std::optional<ContentId>& known) override;

 private:
  std::u16string IniPath() const { return folder_ + kSettingsFileName; }
  std::u16string folder_;
};

// LoadSettings and SaveSettings of the program's settings on the files in its
// folder.
void LoadSettings(ProgramState& program);
SaveResult SaveSettings(ProgramState& program);

}  // namespace quistrel
