// The settings files written and read with the real profile and file calls.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <iostream>
#include <random>

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

TEST(SettingsFile, WrittenFromDefaultsHoldsExactlyTheSectionAndFiveKeys) {
  TempFolder folder;
  ProfileSettingsFiles files(folder.Path());
  FixedStringFileState state;
  ASSERT_TRUE(SaveSettings(SettingRecord(), state, files, SystemAnsiCodePage()));
  EXPECT_EQ(ReadBytes(folder / u"Quistrel.ini"),
            "[Main]\r\nClipBoardLog=10\r\nViewBalloon=1\r\nViewHello=1\r\nAutoPaste=0\r\nPauseRecording=0\r\n");
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

// A .new in a save's way is one the run read or wrote itself: it gives way.
TEST(FixedStringFile, ShorterListReplacesTheWholeFile) {
  TempFolder folder;
  const std::string old(10000, 'z');
  WriteBytes(folder / u"FixedString.dat", old);
  WriteBytes(folder / u"FixedString.dat.new", "left");
  const ReplaceResult result = ReplaceFileInPlace(folder / u"FixedString.dat", "ab", ContentId::Of(old));
  EXPECT_TRUE(result.written);
  EXPECT_EQ(result.keptAs, u"");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "ab");
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.bak"));
}

TEST(FixedStringFile, AFailedReplaceKeepsTheOldFile) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "precious");
  // A folder where the temporary file would go makes the write fail.
  CreateDirectoryW(Wide(folder / u"FixedString.dat.new"), nullptr);
  EXPECT_FALSE(ReplaceFileInPlace(folder / u"FixedString.dat", "new", ContentId::Of("precious")).written);
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

// Long enough that a kill lands inside the save's steps.
const std::u16string kListA(8 << 20, u'a');
const std::u16string kListB(3 << 21, u'b');

// The names a file has (GetFileInformationByHandle, Unix links under Wine).
DWORD LinkCount(const std::u16string& path) {
  UniqueFile file(CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  return file && GetFileInformationByHandle(file.Get(), &information) ? information.nNumberOfLinks : 0;
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

// A .new beside the target is the later save whatever the clock said (set
// back between two saves, or a copy that kept its source's time): it wins,
// and the target it was to replace (or the user put back since) is kept,
// named for the user, without taking an earlier backup's place.
TEST(FixedStringFile, ACompleteNewFileWinsWhateverTheFileTimesSayAndAStaleTemporaryFileGoesAtTheLoad) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "before");
  WriteBytes(folder / u"FixedString.dat.new", "saved");
  SetWrittenHoursAgo(folder / u"FixedString.dat.new", 1);
  SetFileAttributesW(Wide(folder / u"FixedString.dat.new"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  // Still being written when the crash came, so never named .new.
  WriteBytes(folder / u"FixedString.dat.tmp", "half wr");
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  ASSERT_EQ(setting.FixedString.LastIndex(), 0);
  EXPECT_EQ(setting.FixedString.Item(0).str(), u"saved");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "saved");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "before");
  EXPECT_EQ(state.keptAtLoad, folder / u"FixedString.dat.bak");
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.tmp"));
  setting.FixedString.Append(SharedText(u"more"));
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "saved\0more"s);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "before");
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));
}

// A crash between the save's steps leaves the old target and the complete new
// file side by side: the new file wins, the old one becomes a backup, and no
// later save or crash takes an earlier backup's place.
TEST(FixedStringFile, ACompleteNewFileBesideTheTargetWinsAndNoBackupReplacesAnother) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "old\0list"s);
  WriteBytes(folder / u"FixedString.dat.new", "new\0list"s);
  SetWrittenHoursAgo(folder / u"FixedString.dat.new", 2);
  // A backup of an earlier time, read-only, the only copy of its strings.
  WriteBytes(folder / u"FixedString.dat.bak", "earlier");
  SetFileAttributesW(Wide(folder / u"FixedString.dat.bak"), FILE_ATTRIBUTE_READONLY);
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  ASSERT_EQ(setting.FixedString.LastIndex(), 1);
  EXPECT_EQ(setting.FixedString.Item(0).str(), u"new");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "new\0list"s);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "earlier");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak2"), "old\0list"s);
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.new"));

  setting.FixedString.Append(SharedText(u"more"));
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "new\0list\0more"s);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), "earlier");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak2"), "old\0list"s);

  // The same crash again keeps no second copy of a backup already there.
  WriteBytes(folder / u"FixedString.dat", "old\0list"s);
  WriteBytes(folder / u"FixedString.dat.new", "new\0list"s);
  EXPECT_EQ(ReadReplacedFile(folder / u"FixedString.dat").bytes, "new\0list"s);
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.bak3"));
}

// Scoop's persist keeps the user's files in a folder of their own and
// hard-links them beside the program: saves write into the files, so both
// names show the new content, also where a crash left a save to be finished.
TEST(SettingsFile, SavesWriteIntoHardLinkedFilesSoBothNamesShowThem) {
  TempFolder folder;
  TempFolder persist;
  WriteBytes(persist / u"Quistrel.ini", "[Main]\r\nClipBoardLog=10\r\n");
  WriteBytes(persist / u"FixedString.dat", "old");
  for (const std::u16string name : {u"Quistrel.ini", u"FixedString.dat"}) {
    ASSERT_TRUE(CreateHardLinkW(Wide(folder / name), Wide(persist / name), nullptr));
  }
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  setting.ClipBoardLog = 7;
  setting.FixedString.Append(SharedText(u"new"));
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  EXPECT_NE(ReadBytes(persist / u"Quistrel.ini").find("ClipBoardLog=7"), std::string::npos);
  EXPECT_EQ(ReadBytes(persist / u"FixedString.dat"), "old\0new"s);

  WriteBytes(folder / u"FixedString.dat.new", "finished at the start");
  LoadSettings(setting, state, files, SystemAnsiCodePage());
  EXPECT_EQ(ReadBytes(persist / u"FixedString.dat"), "finished at the start");
  for (const std::u16string name : {u"Quistrel.ini", u"FixedString.dat"}) {
    EXPECT_EQ(ReadBytes(folder / name), ReadBytes(persist / name));
    EXPECT_EQ(LinkCount(folder / name), 2u);
  }
}

// The user edits FixedString.dat while the program runs: a save of other
// settings leaves the edit be, and one that writes the file keeps it first.
TEST(FixedStringFile, AnEditMadeOutsideSinceTheLoadIsKeptBeforeASaveWritesTheFile) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "loaded");
  Loaded loaded(folder);
  auto& [files, setting, state] = loaded;
  const std::string edited = "loaded\0typed in an editor"s;
  WriteBytes(folder / u"FixedString.dat", edited);
  setting.ClipBoardLog = 5;
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), edited);

  setting.FixedString.Append(SharedText(u"typed in the dialog"));
  const SaveResult saved = SaveSettings(setting, state, files, SystemAnsiCodePage());
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "loaded\0typed in the dialog"s);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.bak"), edited);

  // What the save wrote is the program's own: the next save keeps nothing.
  setting.FixedString.Append(SharedText(u"one more"));
  EXPECT_TRUE(SaveSettings(setting, state, files, SystemAnsiCodePage()));
  EXPECT_FALSE(testing::Exists(folder / u"FixedString.dat.bak2"));
}

// Saves of two lists in turn, in a process the test kills.
int SaveInTurn(const std::wstring& argument) {
  const std::size_t space = argument.find(L' ');
  UniqueKernelObject saved(OpenEventW(EVENT_MODIFY_STATE, FALSE, argument.substr(0, space).c_str()));
  const std::u16string path = FromWide(argument.substr(space + 1)) + u"FixedString.dat";
  const std::string lists[] = {SystemAnsiCodePage().ToAnsi(kListA), SystemAnsiCodePage().ToAnsi(kListB)};
  std::optional<ContentId> known = ContentId::Of(ReadWholeFile(path).bytes);
  for (int round = 1;; ++round) {
    const std::string& bytes = lists[round % 2];
    if (ReplaceFileInPlace(path, bytes, known).written) known = ContentId::Of(bytes);
    SetEvent(saved.Get());
  }
}
const testing::ChildRole kSaveInTurn(L"save-in-turn", SaveInTurn);

// Wherever the kill comes, the next start finds one list or the other whole;
// a backup a kill left holds nothing but their bytes.
TEST(FixedStringFile, AProgramKilledWhileSavingLeavesTheOldListOrTheNewNeverAPart) {
  TempFolder folder;
  const std::u16string path = folder / u"FixedString.dat";
  const std::string listA = SystemAnsiCodePage().ToAnsi(kListA);
  const std::string listB = SystemAnsiCodePage().ToAnsi(kListB);
  WriteBytes(path, listA);
  const std::wstring eventName = L"quistrel-saved-" + std::to_wstring(GetCurrentProcessId());
  UniqueKernelObject saved(CreateEventW(nullptr, FALSE, FALSE, eventName.c_str()));
  std::minstd_rand random(GetTickCount());
  int finishedAtStart = 0;
  constexpr int kRounds = 30;
  for (int round = 0; round < kRounds; ++round) {
    UniqueKernelObject child =
        testing::StartChild(L"save-in-turn", eventName + L" " + std::wstring(Wide(folder.Path())));
    ASSERT_TRUE(child);
    ASSERT_EQ(WaitForSingleObject(saved.Get(), 60000), static_cast<DWORD>(WAIT_OBJECT_0));
    // A third of the kills aim at the write into the target, which begins
    // once the .new is there, and a third at the part written before it.
    if (round % 3) {
      const std::u16string aim = path + (round % 3 == 1 ? u".new" : u".tmp");
      const ULONGLONG start = GetTickCount64();
      while (!testing::Exists(aim) && GetTickCount64() - start < 5000) {
      }
    } else {
      Sleep(random() % 60);
    }
    TerminateProcess(child.Get(), 1);
    WaitForSingleObject(child.Get(), INFINITE);

    // A complete .new is the save the kill stopped: the start finishes it.
    const std::optional<std::string> stopped =
        testing::Exists(path + u".new") ? std::optional(ReadBytes(path + u".new")) : std::nullopt;
    finishedAtStart += stopped.has_value();
    const FileContent content = ReadReplacedFile(path);
    ASSERT_EQ(content.status, FileReadStatus::Read);
    ASSERT_TRUE(content.bytes == listA || content.bytes == listB) << "round " << round << ": " << content.bytes.size();
    EXPECT_EQ(ReadBytes(path), content.bytes);
    if (stopped) {
      EXPECT_TRUE(content.bytes == *stopped) << "round " << round << ": the stopped save was not finished";
    }
    EXPECT_FALSE(testing::Exists(path + u".new")) << "round " << round;
    EXPECT_FALSE(testing::Exists(path + u".tmp")) << "round " << round;
    for (int number = 1; number < 100; ++number) {
      const std::u16string backup = path + u".bak" + (number == 1 ? u"" : FromWide(std::to_wstring(number)));
      if (!testing::Exists(backup)) continue;
      EXPECT_EQ(ReadBytes(backup).find_first_not_of("ab"), std::string::npos) << "round " << round;
      DeleteFileW(Wide(backup));
    }
  }
  std::cout << "a save to finish at the start in " << finishedAtStart << " of " << kRounds << " kills\n";
  EXPECT_GT(finishedAtStart, 0) << "no kill landed after the .new was written";
}
// Where the target cannot be written (another program holds it) the new file
// stays the only copy, and is read from where it is.
TEST(FixedStringFile, ANewFileThatCannotBeWrittenIntoPlaceIsReadWhereItIs) {
  TempFolder folder;
  WriteBytes(folder / u"FixedString.dat", "old");
  WriteBytes(folder / u"FixedString.dat.new", "kept");
  UniqueFile holder(CreateFileW(Wide(folder / u"FixedString.dat"), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  const FileContent content = ReadReplacedFile(folder / u"FixedString.dat");
  EXPECT_EQ(content.status, FileReadStatus::Read);
  EXPECT_EQ(content.bytes, "kept");
  EXPECT_TRUE(content.pending);
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat.new"), "kept");
  EXPECT_EQ(ReadBytes(folder / u"FixedString.dat"), "old");
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
