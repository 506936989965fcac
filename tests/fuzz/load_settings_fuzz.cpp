// Quistrel.ini and FixedString.dat edited by hand: any number for any key,
// keys missing, any lines in [PasteKeys] and [Exclude], the fixed-string file
// missing, empty or holding any bytes.
#include <algorithm>
#include <map>
#include <vector>

#include "core/settings.h"
#include "dialogs/setting_edit.h"
#include "fuzz_input.h"

using namespace quistrel;
using quistrel::fuzz::FuzzInput;

namespace {

// Input: for each key in the order the program reads them, a presence byte
// (odd: present) and the value; the lines of [PasteKeys], then those of
// [Exclude], each as a text (see FuzzInput::Text; zero characters end the
// lines); then a byte telling
// whether the fixed-string file is missing (0), read (1) or unreadable (2),
// and the rest of the input as its bytes.
class InputFiles : public SettingsFiles {
 public:
  explicit InputFiles(FuzzInput& input) : input_(input) {}

  int32_t ReadInt(std::u16string_view, int32_t defaultValue) override {
    const bool present = input_.Byte() & 1;
    const auto value = static_cast<int32_t>(input_.U32());
    answered.push_back(present ? std::optional(value) : std::nullopt);
    return present ? value : defaultValue;
  }
  bool WriteInt(std::u16string_view, int32_t) override { return true; }
  std::u16string ReadSection(std::u16string_view section) override {
    sectionsRead.emplace_back(section);
    return sections[std::u16string(section)] = input_.Text();
  }
  FileContent ReadFixedStrings() override {
    file.status = static_cast<FileReadStatus>(input_.Byte() % 3);
    if (file.status == FileReadStatus::Read) file.bytes = std::string(input_.Rest());
    return file;
  }
  ReplaceResult WriteFixedStrings(std::string_view, const std::optional<ContentId>&) override { return {true, {}}; }

  std::vector<std::optional<int32_t>> answered;
  std::vector<std::u16string> sectionsRead;
  std::map<std::u16string, std::u16string> sections;
  FileContent file;

 private:
  FuzzInput& input_;
};

// Keeps what is saved and hands it back, as the real files do; the sections
// the user wrote are there as they were, since nothing writes them.
class SavedFiles : public SettingsFiles {
 public:
  explicit SavedFiles(std::map<std::u16string, std::u16string> sections = {}) : sections_(std::move(sections)) {}
  int32_t ReadInt(std::u16string_view key, int32_t) override { return ints.at(std::u16string(key)); }
  bool WriteInt(std::u16string_view key, int32_t value) override {
    ints[std::u16string(key)] = value;
    return true;
  }
  std::u16string ReadSection(std::u16string_view section) override { return sections_[std::u16string(section)]; }
  FileContent ReadFixedStrings() override { return fixed ? FileContent{FileReadStatus::Read, *fixed} : FileContent{}; }
  ReplaceResult WriteFixedStrings(std::string_view bytes, const std::optional<ContentId>&) override {
    fixed = std::string(bytes);
    return {true, {}};
  }

  std::map<std::u16string, int32_t> ints;
  std::optional<std::string> fixed;

 private:
  std::map<std::u16string, std::u16string> sections_;
};

// Each line read alone, the entries kept in a list searched from the front:
// of two lines for one class the later counts, in the place of the first.
PasteKeyTable LineByLine(std::u16string_view lines) {
  PasteKeyTable table;
  for (std::size_t start = 0; start < lines.size();) {
    const std::size_t end = std::min(lines.find(u'\0', start), lines.size());
    for (PasteKeysEntry& entry : ParsePasteKeysSection(lines.substr(start, end - start))) {
      const auto same = std::find_if(table.begin(), table.end(), [&entry](const PasteKeysEntry& earlier) {
        return earlier.windowClass == entry.windowClass;
      });
      if (same != table.end()) {
        same->keys = entry.keys;
      } else {
        table.push_back(std::move(entry));
      }
    }
    start = end + 1;
  }
  return table;
}

// Each class in the table once, folded, with the keys its last valid line
// gave; a class of no entry keeps the built-in keys.
void CheckPasteKeys(const PasteKeyTable& table, std::u16string_view lines) {
  FUZZ_CHECK(table == LineByLine(lines));
  for (std::size_t i = 0; i < table.size(); ++i) {
    const PasteKeysEntry& entry = table[i];
    FUZZ_CHECK(!entry.windowClass.empty());
    FUZZ_CHECK(FoldClassName(entry.windowClass) == entry.windowClass);
    FUZZ_CHECK(entry.windowClass.find(u'\0') == std::u16string::npos);
    for (std::size_t j = i + 1; j < table.size(); ++j) FUZZ_CHECK(table[j].windowClass != entry.windowClass);
    FUZZ_CHECK(PasteKeysForClass(entry.windowClass, table) == entry.keys);
  }
  const auto named = [&table](std::u16string_view name) {
    return std::any_of(table.begin(), table.end(),
                       [name](const PasteKeysEntry& entry) { return entry.windowClass == name; });
  };
  if (!named(u"putty")) FUZZ_CHECK(PasteKeysForClass(u"PuTTY", table) == PasteKeys::ShiftInsert);
  if (!named(u"vtwin32")) FUZZ_CHECK(PasteKeysForClass(u"VTWin32", table) == PasteKeys::AltV);
  // A line with no '=' names nothing: with none at all the table is empty.
  if (lines.find(u'=') == std::u16string_view::npos) FUZZ_CHECK(table.empty());
}

// Each line counts alone, and what it names is on the list as named.
void CheckExclude(const ExcludedPrograms& excluded, std::u16string_view lines) {
  ExcludedPrograms lineByLine;
  for (std::size_t start = 0; start < lines.size(); start = std::min(lines.find(u'\0', start), lines.size()) + 1) {
    const ExcludedPrograms line = ParseExcludeSection(lines.substr(start, lines.find(u'\0', start) - start));
    lineByLine.names.insert(line.names.begin(), line.names.end());
    lineByLine.paths.insert(line.paths.begin(), line.paths.end());
  }
  FUZZ_CHECK(excluded == lineByLine);
  for (const std::u16string& path : excluded.paths) FUZZ_CHECK(IsExcluded(excluded, path));
  for (const std::u16string& name : excluded.names) FUZZ_CHECK(IsExcluded(excluded, u"C:\\Any\\" + name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const AnsiCodePage& codePage = SystemAnsiCodePage();
  FuzzInput input(data, size);
  InputFiles files(input);
  SettingRecord setting;
  setting.FixedString.Append(SharedText(u"kept"));
  const TextList before = setting.FixedString;
  FixedStringFileState state;
  LoadSettings(setting, state, files, codePage);

  FUZZ_CHECK(setting.ClipBoardLog >= 0);
  const int shown = DisplayedLogNum(setting.ClipBoardLog);
  FUZZ_CHECK(shown >= kMinLogNum && shown <= kMaxLogNum);

  FUZZ_CHECK(files.answered.size() == 5);
  const std::optional<int32_t> log = files.answered[0];
  if (!log) FUZZ_CHECK(setting.ClipBoardLog == 10);
  if (log && *log >= 0 && *log <= INT16_MAX) FUZZ_CHECK(setting.ClipBoardLog == *log);
  FUZZ_CHECK(setting.ViewBalloon == files.answered[1].value_or(1));
  FUZZ_CHECK(setting.ViewHello == files.answered[2].value_or(1));
  FUZZ_CHECK(setting.AutoPaste == files.answered[3].value_or(0));
  FUZZ_CHECK(setting.PauseRecording == files.answered[4].value_or(0));
  FUZZ_CHECK(files.sectionsRead == (std::vector<std::u16string>{kPasteKeysSection, kExcludeSection}));
  CheckPasteKeys(setting.PasteKeysByClass, files.sections[kPasteKeysSection]);
  CheckExclude(setting.Excluded, files.sections[kExcludeSection]);
  const bool unreadable = files.file.status == FileReadStatus::Unreadable;
  FUZZ_CHECK(state.unreadable == unreadable);
  if (files.file.status != FileReadStatus::Read || files.file.bytes.empty()) {
    FUZZ_CHECK(setting.FixedString == before);
  }
  // A run whose load failed never writes the file.
  SavedFiles untouched;
  SaveSettings(setting, state, untouched, codePage);
  if (unreadable) FUZZ_CHECK(!untouched.fixed);

  // What was loaded survives a save and a load unchanged.
  SavedFiles saved(files.sections);
  FixedStringFileState fresh;
  FUZZ_CHECK(static_cast<bool>(SaveSettings(setting, fresh, saved, codePage)));
  SettingRecord reloaded;
  FixedStringFileState reloadedState;
  LoadSettings(reloaded, reloadedState, saved, codePage);
  FUZZ_CHECK(reloaded == setting);
  return 0;
}
