// The settings files written and read with the real profile and file calls.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include "clipboard/clipboard.h"
#include "clipboard/clipboard_block.h"
#include "core/settings_files_win.h"
#include "platform/ansi.h"
#include "platform/files.h"
#include "wine_test_util.h"

namespace quistrel {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
using namespace std::string_literals;

// The settings and the fixed strings as the program loads them at start.
struct Loaded {
  explicit Loaded(const TempFolder& folder) : files(folder.Path()) {
    LoadSettings(setting, state, files, SystemAnsiCodePage());
  }
  ProfileSettingsFiles files;
  SettingRecord setting;
  FixedStringFileState state;
};

TEST(SystemCodePage, IsCodePage932) {
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(SystemAnsiCodePage().ToAnsi(u"日本"), "\x93\xFA\x96\x7B");
}

TEST(SettingsFile, WrittenFromDefaultsHoldsExactlyTheSectionAndFourKeys) {
  TempFolder folder;
  ProfileSettingsFiles files(folder.Path());
  FixedStringFileState state;
  ASSERT_TRUE(SaveSettings(SettingRecord(), state, files, SystemAnsiCodePage()));
  EXPECT_EQ(ReadBytes(folder / u"Quistrel.ini"),
            "[Main]\r\nClipBoardLog=10\r\nViewBalloon=1\r\nViewHello=1\r\nAutoPaste=0\r\n");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "");
}

TEST(SettingsFile, OtherSectionsAndKeysAreKeptAndKeysReadInAnyOrder) {
  TempFolder folder;
  const std::string pasteKeys = "[PasteKeys]\r\n; terminals\r\nPuTTY=None\r\nmintty=Ctrl+Shift+V\r\nVTWin32=Alt+X\r\n";
  WriteBytes(folder / u"Quistrel.ini",
             "[Other]\r\nx=1\r\n[Main]\r\nAutoPaste=1\r\nExtra=yes\r\nViewHello=0\r\n"
             "ClipBoardLog=25\r\n" +
                 pasteKeys);
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  EXPECT_EQ(setting.ClipBoardLog, 25);
  EXPECT_EQ(setting.ViewBalloon, 1);
  EXPECT_EQ(setting.ViewHello, 0);
  EXPECT_EQ(setting.AutoPaste, 1);
  EXPECT_EQ(setting.PasteKeysByClass, (PasteKeyTable{{u"putty", PasteKeys::None}, {u"mintty", PasteKeys::CtrlShiftV}}));

  setting.ClipBoardLog = 7;
  SaveSettings(setting, state, files, SystemAnsiCodePage());
  const std::string ini = ReadBytes(folder / u"Quistrel.ini");
  EXPECT_NE(ini.find("[Other]\r\nx=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Extra=yes"), std::string::npos) << ini;
  EXPECT_NE(ini.find("ClipBoardLog=7"), std::string::npos) << ini;
  EXPECT_LT(ini.find("AutoPaste=1"), ini.find("ViewHello=0")) << ini;
  EXPECT_NE(ini.find(pasteKeys), std::string::npos) << ini;  // the user's section, comment and bad line too
}

TEST(SettingsFile, NonNumericAndOutOfRangeValuesDoNotFail) {
  TempFolder folder;
  WriteBytes(folder / u"Quistrel.ini", "[Main]\r\nClipBoardLog=abc\r\nViewHello=-3\r\n");
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  EXPECT_EQ(setting.ClipBoardLog, 0);
  EXPECT_EQ(setting.ViewHello, -3);

  WriteBytes(folder / u"Quistrel.ini", "[Main]\r\nClipBoardLog=5000000\r\n");
  LoadSettings(setting, state, files, SystemAnsiCodePage());
  EXPECT_EQ(setting.ClipBoardLog, 32767);
}

// Also when only the complete new file is there: FAT32 and exFAT replace by
// deleting the target and then renaming, and a crash in between leaves it
// alone. It is taken back.
TEST(FixedStringFile, JapaneseTextSurvivesALoadAndASaveByteForByte) {
  for (const std::u16string name : {u"FixedString.dat", u"FixedString.dat.new"}) {
    TempFolder folder;
    const std::string original = "\x93\xFA\x96\x7B\x8C\xEA" + std::string(1, '\0') + "abc" + std::string(1, '\0');
    WriteBytes(folder / name, original);
    Loaded loaded(folder);
    auto& [files, setting, state] = loaded;
    ASSERT_EQ(setting.FixedString.LastIndex(), 2);
    EXPECT_EQ(setting.FixedString.Item(0).str(), u"日本語");
    EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), original);  // taken back at once
    EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
    EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), original);
    EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));
  }
}

TEST(FixedStringFile, ShorterListReplacesTheWholeFile) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", std::string(10000, 'z'));
  ASSERT_TRUE(ReplaceFileAtomically(folder / u"FixedString.dat", "ab"));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "ab");
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));
}

TEST(FixedStringFile, AFailedReplaceKeepsTheOldFile) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "precious");
  // A folder where the temporary file would go makes the write fail.
  CreateDirectoryW(Wide(folder / u"FixedString.dat.new"), nullptr);
  EXPECT_FALSE(ReplaceFileAtomically(folder / u"FixedString.dat", "new"));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "precious");
  RemoveDirectoryW(Wide(folder / u"FixedString.dat.new"));
}

TEST(FixedStringFile, AFolderInPlaceOfTheFileIsUnreadableAndAMissingFileMissing) {
  TempFolder folder;
  EXPECT_EQ(ReadWholeFile(folder / u"FixedString.dat").status, FileReadStatus::Missing);
  CreateDirectoryW(Wide(folder / u"FixedString.dat"), nullptr);
  EXPECT_EQ(ReadWholeFile(folder / u"FixedString.dat").status, FileReadStatus::Unreadable);
  RemoveDirectoryW(Wide(folder / u"FixedString.dat"));
}

TEST(FixedStringFile, AFileHeldOpenByAnotherProgramAtTheLoadIsNeverOverwritten) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "precious\0strings"s);
  ProfileSettingsFiles files(folder.Path());
  SettingRecord setting;
  FixedStringFileState state;
  {
    UniqueFile holder(
        CreateFileW(Wide(folder / u"FixedString.dat"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    LoadSettings(setting, state, files, SystemAnsiCodePage());
  }
  EXPECT_TRUE(state.unreadable);
  setting.FixedString.Append(SharedText(u"typed later"));
  EXPECT_FALSE(SaveSettings(setting, state, files, SystemAnsiCodePage()).fixedStringsSaved);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "precious\0strings"s);
}

TEST(FixedStringFile, AFileTooLargeToReadIsNeverOverwritten) {
  TempFolder folder;
  const std::u16string path = folder / u"FixedString.dat";
  constexpr LONGLONG kSize = 3LL << 30;
  {
    UniqueFile file(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD ignored = 0;
    DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = kSize;
    if (!SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get())) {
      GTEST_SKIP() << "the disk under Wine holds no sparse 3 GiB file (error " << GetLastError() << ")";
    }
  }
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  EXPECT_TRUE(state.unreadable);
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data));
  EXPECT_EQ((static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, kSize);
}

// Sets a file's last write, `hoursAgo` before now.
void SetWrittenHoursAgo(const std::u16string& path, int hoursAgo) {
  UniqueFile file(CreateFileW(Wide(path), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER time{};
  time.LowPart = now.dwLowDateTime;
  time.HighPart = now.dwHighDateTime;
  time.QuadPart -= static_cast<ULONGLONG>(hoursAgo) * 36000000000ull;
  const FILETIME written{time.LowPart, time.HighPart};
  ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &written));
}

// A .new older than the target cannot be the last save's (the user or a copy
// put the target there later): the target wins and the other is kept aside.
TEST(FixedStringFile, AStaleTemporaryFileFromACrashIsNeitherReadNorKeptAndAnOlderNewFileKeptAside) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "real");
  WriteBytes(folder / u"FixedString.dat.new", "older");
  SetWrittenHoursAgo(folder / u"FixedString.dat.new", 1);
  SetFileAttributesW(Wide(folder / u"FixedString.dat.new"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  // Still being written when the crash came, so never named .new.
  WriteBytes(folder / u"FixedString.dat.tmp", "half wr");
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  ASSERT_EQ(setting.FixedString.LastIndex(), 0);
  EXPECT_EQ(setting.FixedString.Item(0).str(), u"real");
  setting.FixedString.Append(SharedText(u"more"));
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "real\0more"s);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "older");
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.tmp"));
}

// A crash between the save's two renames leaves the old target and the
// complete new file side by side, also on NTFS: the new file wins, the old
// one becomes the backup, and no later save takes either away.
TEST(FixedStringFile, ACompleteNewFileBesideTheOlderTargetWinsAndTheTargetIsKeptAside) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "old\0list"s);
  SetWrittenHoursAgo(folder / u"FixedString.dat", 2);
  WriteBytes(folder / u"FixedString.dat.new", "new\0list"s);
  // A backup of an earlier time, read-only, gives way to the newer one.
  WriteBytes(folder / u"FixedString.dat.bak", "stale");
  SetFileAttributesW(Wide(folder / u"FixedString.dat.bak"), FILE_ATTRIBUTE_READONLY);
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  ASSERT_EQ(setting.FixedString.LastIndex(), 1);
  EXPECT_EQ(setting.FixedString.Item(0).str(), u"new");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "new\0list"s);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "old\0list"s);
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));

  setting.FixedString.Append(SharedText(u"more"));
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "new\0list\0more"s);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "old\0list"s);

  // A complete file that a save finds in its way is kept aside too.
  WriteBytes(folder / u"FixedString.dat.new", "left");
  ASSERT_TRUE(ReplaceFileAtomically(folder / u"FixedString.dat", "ab"));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "ab");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "left");
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));
}

// Where the target cannot be created the new file stays the only copy, and is
// read from where it is.
TEST(FixedStringFile, ANewFileThatCannotBeMovedIntoPlaceIsReadWhereItIs) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat.new", "kept");
  // Held open without sharing for deletion, it cannot be renamed.
  UniqueFile holder(CreateFileW(Wide(folder / u"FixedString.dat.new"), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  const FileContent content = ReadReplacedFile(folder / u"FixedString.dat");
  EXPECT_EQ(content.status, FileReadStatus::Read);
  EXPECT_EQ(content.bytes, "kept");
  EXPECT_TRUE(testing::Exists(folder / u"FixedString.dat.new"));
}

TEST(Clipboard, TextOutsideTheAnsiCodePageRoundTrips) {
  const std::u16string text = u"Müller – naïve ☃ 日本";
  ASSERT_TRUE(WriteClipboardText(nullptr, text));
  EXPECT_EQ(ReadClipboardText(nullptr), text);
}

TEST(Clipboard, BlockWithoutNulIsBoundedByItsSize) {
  const wchar_t block[3] = {L'a', L'b', L'c'};
  EXPECT_EQ(TextFromClipboardBlock(block, sizeof block), u"abc");
  EXPECT_EQ(TextFromClipboardBlock(block, 4), u"ab");
  EXPECT_EQ(TextFromClipboardBlock(block, 1), u"");
}

}  // namespace
}  // namespace quistrel
