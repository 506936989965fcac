#include <gtest/gtest.h>

#include <map>

#include "core/settings.h"
#include "test_values.h"

namespace quistrel {
namespace {

using testing::Bytes;
using testing::Cp932;
using testing::ListOf;
using namespace std::string_literals;
using namespace std::string_view_literals;

// Settings kept in memory, recording the order of the writes.
class MemoryFiles : public SettingsFiles {
 public:
  int32_t ReadInt(std::u16string_view key, int32_t defaultValue) override {
    const auto found = ints.find(std::u16string(key));
    return found == ints.end() ? defaultValue : found->second;
  }
  bool WriteInt(std::u16string_view key, int32_t value) override {
    writes.emplace_back(key);
    ints[std::u16string(key)] = value;
    return !failWrites;
  }
  std::u16string ReadSection(std::u16string_view section) override {
    const auto found = sections.find(std::u16string(section));
    return found == sections.end() ? std::u16string() : found->second;
  }
  FileContent ReadFixedStrings() override {
    return fixed ? FileContent{FileReadStatus::Read, *fixed, pending, {}} : FileContent{fixedMissingAs, {}, false, {}};
  }
  // Keeps what the file holds as the real one does.
  ReplaceResult WriteFixedStrings(std::string_view bytes, const std::optional<ContentId>& known) override {
    ++fixedWrites;
    if (failWrites) return {};
    ReplaceResult result{true, {}};
    if (MustKeepBeforeReplacing(fixed.value_or(""), bytes, known)) {
      kept.push_back(*fixed);
      result.keptAs = u"X:\\FixedString.dat.bak";
    }
    fixed = std::string(bytes);
    return result;
  }

  std::map<std::u16string, int32_t> ints;
  std::map<std::u16string, std::u16string> sections;  // each line ended by a zero character
  std::vector<std::u16string> writes;
  std::optional<std::string> fixed;
  FileReadStatus fixedMissingAs = FileReadStatus::Missing;
  bool pending = false;
  std::vector<std::string> kept;
  int fixedWrites = 0;
  bool failWrites = false;
};

TEST(FixedStringFile, ExamplesEncodeByteForByte) {
  EXPECT_EQ(EncodeFixedStrings(ListOf({u"abc", u"de"}), Cp932()), Bytes({0x61, 0x62, 0x63, 0, 0x64, 0x65}));
  EXPECT_EQ(EncodeFixedStrings(ListOf({u"abc"}), Cp932()), "abc");
  EXPECT_EQ(EncodeFixedStrings(ListOf({u"abc", u"", u"de"}), Cp932()), Bytes({0x61, 0x62, 0x63, 0, 0, 0x64, 0x65}));
  EXPECT_EQ(EncodeFixedStrings(ListOf({u""}), Cp932()), "");
  EXPECT_EQ(EncodeFixedStrings(TextList(), Cp932()), "");
}

TEST(FixedStringFile, DecodingSplitsAtEveryZeroByteKeepingEmptyPieces) {
  EXPECT_EQ(DecodeFixedStrings(Bytes({0x61, 0x62, 0x63, 0, 0x64, 0x65}), Cp932()), ListOf({u"abc", u"de"}));
  EXPECT_EQ(DecodeFixedStrings("abc", Cp932()), ListOf({u"abc"}));
  EXPECT_EQ(DecodeFixedStrings(Bytes({0x61, 0}), Cp932()), ListOf({u"a", u""}));
  EXPECT_EQ(DecodeFixedStrings(Bytes({0x61, 0, 0, 0x62}), Cp932()), ListOf({u"a", u"", u"b"}));
  EXPECT_EQ(DecodeFixedStrings("", Cp932()).LastIndex(), -1);
}

TEST(FixedStringFile, JapaneseTextIsStoredInCodePage932) {
  const TextList list = ListOf({u"日本語", u"ｶﾅ"});
  const std::string bytes = EncodeFixedStrings(list, Cp932());
  EXPECT_EQ(bytes, Bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 0, 0xB6, 0xC5}));
  EXPECT_EQ(DecodeFixedStrings(bytes, Cp932()), list);
}

TEST(FixedStringFile, CharactersOutsideTheCodePageDoNotSurvive) {
  const std::string bytes = EncodeFixedStrings(ListOf({u"Müller"}), Cp932());
  EXPECT_NE(DecodeFixedStrings(bytes, Cp932()).Item(0).str(), u"Müller");
}

TEST(FixedStringFile, InvalidBytesAndHugeFilesLoadWithoutFailing) {
  // A lone lead byte at the end and before a separator, and bytes no code
  // page 932 text contains.
  const TextList odd = DecodeFixedStrings(Bytes({0x81, 0, 0xFF, 0xFD, 0x41, 0x82}), Cp932());
  EXPECT_EQ(odd.LastIndex(), 1);
  EXPECT_EQ(odd.Item(1).str().back(), u'\u30FB');

  std::string huge(8 << 20, 'x');
  huge[4 << 20] = '\0';
  const TextList big = DecodeFixedStrings(huge, Cp932());
  ASSERT_EQ(big.LastIndex(), 1);
  EXPECT_EQ(big.Item(0).size(), std::size_t{4} << 20);
}

TEST(Settings, MissingFilesGiveTheDefaults) {
  MemoryFiles files;
  FixedStringFileState state;
  SettingRecord setting;
  setting.FixedString = ListOf({u"kept"});
  LoadSettings(setting, state, files, Cp932());
  EXPECT_EQ(setting.ClipBoardLog, 10);
  EXPECT_EQ(setting.ViewBalloon, 1);
  EXPECT_EQ(setting.ViewHello, 1);
  EXPECT_EQ(setting.AutoPaste, 0);
  EXPECT_EQ(setting.PauseRecording, 0);
  EXPECT_EQ(setting.FixedString, ListOf({u"kept"}));  // a missing file changes nothing

  files.fixed = "";
  LoadSettings(setting, state, files, Cp932());
  EXPECT_EQ(setting.FixedString, ListOf({u"kept"}));  // nor does an empty one
}

TEST(Settings, ValuesAreReadAndHistoryLengthIsClamped) {
  MemoryFiles files;
  FixedStringFileState state;
  files.ints = {{u"ClipBoardLog", 0}, {u"ViewBalloon", 0}, {u"ViewHello", 2}, {u"AutoPaste", 1}};
  files.fixed = Bytes({0x61, 0, 0x62});
  SettingRecord setting;
  LoadSettings(setting, state, files, Cp932());
  EXPECT_EQ(setting.ClipBoardLog, 0);
  EXPECT_EQ(setting.ViewBalloon, 0);
  EXPECT_EQ(setting.ViewHello, 2);
  EXPECT_EQ(setting.AutoPaste, 1);
  EXPECT_EQ(setting.FixedString, ListOf({u"a", u"b"}));

  EXPECT_TRUE(setting.PasteKeysByClass.empty());

  // Hand-written [PasteKeys]: a bad value leaves its class to the built-in
  // keys and nothing else of the section; spaces and case do not matter.
  files.sections[u"PasteKeys"] =
      u"PuTTY=Ctrl+Q\0Custom.Term = shift + insert\0; mintty=None\0just text\0=Alt+V\0"
      u"VTWin32=\0Kitty=None\0kitty=Ctrl+Shift+V\0Other=Alt+V\0"sv;
  LoadSettings(setting, state, files, Cp932());
  EXPECT_EQ(setting.PasteKeysByClass, (PasteKeyTable{{u"custom.term", PasteKeys::ShiftInsert},
                                                     {u"kitty", PasteKeys::CtrlShiftV},
                                                     {u"other", PasteKeys::AltV}}));
  EXPECT_EQ(PasteKeysForClass(u"PuTTY", setting.PasteKeysByClass), PasteKeys::ShiftInsert);
  EXPECT_EQ(PasteKeysForClass(u"VTWin32", setting.PasteKeysByClass), PasteKeys::AltV);
  EXPECT_EQ(setting.AutoPaste, 1);
  EXPECT_EQ(setting.FixedString, ListOf({u"a", u"b"}));

  for (auto [stored, expected] : {std::pair{40000, 32767}, {-5, 0}, {32767, 32767}, {999, 999}, {70000, 32767}}) {
    files.ints[u"ClipBoardLog"] = stored;
    LoadSettings(setting, state, files, Cp932());
    EXPECT_EQ(setting.ClipBoardLog, expected) << stored;
  }
}

TEST(Settings, SaveWritesTheKeysInOrderAndTheFixedStrings) {
  MemoryFiles files;
  FixedStringFileState state;
  SettingRecord setting;
  setting.FixedString = ListOf({u"abc", u"de"});
  // The user's sections are never written.
  setting.PasteKeysByClass = {{u"putty", PasteKeys::None}};
  setting.Excluded = ParseExcludeSection(u"KeePass.exe\0"sv);
  setting.PauseRecording = 1;
  EXPECT_TRUE(SaveSettings(setting, state, files, Cp932()));
  EXPECT_EQ(files.writes, (std::vector<std::u16string>{u"ClipBoardLog", u"ViewBalloon", u"ViewHello", u"AutoPaste",
                                                       u"PauseRecording"}));
  EXPECT_EQ(files.ints[u"ClipBoardLog"], 10);
  EXPECT_EQ(files.ints[u"PauseRecording"], 1);
  EXPECT_EQ(files.fixed, Bytes({0x61, 0x62, 0x63, 0, 0x64, 0x65}));

  // As the file kept them.
  files.sections[u"PasteKeys"] = u"PuTTY=None"s + u'\0';
  files.sections[u"Exclude"] = u"keepass.EXE"s + u'\0';
  SettingRecord loaded;
  LoadSettings(loaded, state, files, Cp932());
  EXPECT_EQ(loaded, setting);
}

TEST(Settings, AnEmptyListEmptiesTheFileSoDeletedStringsStayDeleted) {
  MemoryFiles files;
  FixedStringFileState state;
  files.fixed = "old strings";
  SettingRecord setting;
  SaveSettings(setting, state, files, Cp932());
  EXPECT_EQ(files.fixed, "");
  SettingRecord loaded;
  LoadSettings(loaded, state, files, Cp932());
  EXPECT_EQ(loaded.FixedString.LastIndex(), -1);
}

TEST(Settings, AFailedWriteIsReported) {
  MemoryFiles files;
  FixedStringFileState state;
  files.failWrites = true;
  EXPECT_FALSE(SaveSettings(SettingRecord(), state, files, Cp932()));
}

TEST(Settings, AnUnreadableFileIsNeverWrittenAndOnlyAChangeGoesUnsaved) {
  MemoryFiles files;
  files.fixedMissingAs = FileReadStatus::Unreadable;
  FixedStringFileState state;
  SettingRecord setting;
  LoadSettings(setting, state, files, Cp932());
  EXPECT_TRUE(state.unreadable);
  EXPECT_EQ(setting.FixedString.LastIndex(), -1);
  EXPECT_TRUE(SaveSettings(setting, state, files, Cp932()));
  setting.FixedString = ListOf({u"typed after the failed load"});
  const SaveResult result = SaveSettings(setting, state, files, Cp932());
  EXPECT_TRUE(result.settingsFileWritten);
  EXPECT_FALSE(result.fixedStringsSaved);
  EXPECT_EQ(files.fixedWrites, 0);
}

TEST(Settings, FixedStringsAreWrittenOnlyWhenChangedSinceTheLoadOrTheLastWrite) {
  MemoryFiles files;
  files.fixed = Bytes({0x61, 0, 0x81});  // a lone lead byte does not survive a round trip
  FixedStringFileState state;
  SettingRecord setting;
  LoadSettings(setting, state, files, Cp932());
  EXPECT_TRUE(SaveSettings(setting, state, files, Cp932()));
  EXPECT_EQ(files.fixedWrites, 0);
  setting.FixedString.InsertFirst(u"new");
  EXPECT_TRUE(SaveSettings(setting, state, files, Cp932()));
  EXPECT_TRUE(SaveSettings(setting, state, files, Cp932()));
  EXPECT_EQ(files.fixedWrites, 1);
  EXPECT_EQ(DecodeFixedStrings(*files.fixed, Cp932()), setting.FixedString);
}

TEST(FileReplacement, OnlyContentNeitherEmptyNorTheSameNorKnownIsKept) {
  const std::optional<ContentId> known = ContentId::Of("as loaded");
  EXPECT_FALSE(MustKeepBeforeReplacing("", "new", std::nullopt));
  EXPECT_FALSE(MustKeepBeforeReplacing("new", "new", std::nullopt));
  EXPECT_FALSE(MustKeepBeforeReplacing("as loaded", "new", known));
  EXPECT_TRUE(MustKeepBeforeReplacing("as loaded", "new", std::nullopt));
  EXPECT_TRUE(MustKeepBeforeReplacing("as loadee", "new", known));  // same size, one byte apart
  EXPECT_TRUE(MustKeepBeforeReplacing("as loaded\0more"s, "new", known));
  EXPECT_EQ(BackupPath(u"C:\\FixedString.dat", 1), u"C:\\FixedString.dat.bak");
  EXPECT_EQ(BackupPath(u"C:\\FixedString.dat", 12), u"C:\\FixedString.dat.bak12");
}

// The file as loaded or last written is the run's own; an edit by another
// program since then, or a file the run never read, is kept and named.
TEST(Settings, AFileEditedOutsideSinceTheLoadOrTheLastWriteIsKeptAndNamed) {
  MemoryFiles files;
  files.fixed = "loaded";
  FixedStringFileState state;
  SettingRecord setting;
  LoadSettings(setting, state, files, Cp932());
  setting.FixedString.Append(SharedText(u"typed"));
  SaveResult result = SaveSettings(setting, state, files, Cp932());
  EXPECT_TRUE(result.fixedStringsKeptAs.empty());

  files.fixed = "edited";
  setting.FixedString.Append(SharedText(u"more"));
  result = SaveSettings(setting, state, files, Cp932());
  EXPECT_TRUE(result);
  EXPECT_EQ(files.kept, std::vector<std::string>{"edited"});
  EXPECT_EQ(result.fixedStringsKeptAs, u"X:\\FixedString.dat.bak");

  // A file that appeared after a load that found none, and one that the load
  // read from a save left unfinished, are not known to be the run's.
  for (const bool pending : {false, true}) {
    files.fixed = pending ? std::optional<std::string>("from the unfinished save") : std::nullopt;
    files.pending = pending;
    files.kept.clear();
    LoadSettings(setting, state, files, Cp932());
    files.fixed = "there at the save";
    setting.FixedString.Append(SharedText(u"again"));
    EXPECT_FALSE(SaveSettings(setting, state, files, Cp932()).fixedStringsKeptAs.empty()) << pending;
    EXPECT_EQ(files.kept, std::vector<std::string>{"there at the save"});
  }
}

TEST(Settings, RecordCopiesAreDeep) {
  SettingRecord original;
  original.FixedString = ListOf({u"a"});
  SettingRecord edit = original;
  edit.FixedString.InsertFirst(u"b");
  edit.ClipBoardLog = 3;
  EXPECT_EQ(original.FixedString, ListOf({u"a"}));
  EXPECT_EQ(original.ClipBoardLog, 10);
}

}  // namespace
}  // namespace quistrel
