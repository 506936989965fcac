// Shortcut files written with the real kernel32 calls, read back byte by byte
// and through the shell's own link object.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "platform/ansi.h"
#include "shelllink/shell_link.h"
#include "shelllink/shell_link_layout.h"
#include "wine_test_util.h"

namespace quistrel {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

constexpr char16_t kDescription[] = u"クリップボード内の文字を切り替えるプログラムです。";

std::string Ansi(const std::u16string& text) { return SystemAnsiCodePage().ToAnsi(text); }

uint32_t U16At(const std::string& bytes, std::size_t at) {
  return static_cast<uint8_t>(bytes.at(at)) | (static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}
uint32_t U32At(const std::string& bytes, std::size_t at) { return U16At(bytes, at) | (U16At(bytes, at + 2) << 16); }
std::string TextAt(const std::string& bytes, std::size_t at) { return std::string(bytes.c_str() + at); }

// Split as characters: a backslash byte can be the second byte of a
// double-byte character.
std::vector<std::string> Components(const std::string& path) {
  std::u16string rest = SystemAnsiCodePage().FromAnsi(path);
  std::vector<std::string> parts;
  for (std::size_t at = rest.find(u'\\'); at != std::u16string::npos; at = rest.find(u'\\')) {
    parts.push_back(Ansi(rest.substr(0, at)));
    rest.erase(0, at + 1);
  }
  parts.push_back(Ansi(rest));
  return parts;
}

struct ParsedItem {
  uint8_t type;
  std::string name;
  uint32_t fileSize;
  uint32_t attributes;
  std::string longName;
  std::string shortName;
};

struct ParsedLink {
  std::string bytes;
  std::vector<ParsedItem> items;
  std::size_t linkInfo = 0;
  std::size_t stringData = 0;
};

// Walks the file by its own size fields; a wrong size anywhere shows up as a
// wrong item or a file that does not end where the terminal block is.
ParsedLink Parse(const std::string& bytes) {
  ParsedLink link{bytes, {}, 0, 0};
  const std::size_t idListEnd = 78 + U16At(bytes, 76);
  std::size_t at = 78 + 20;
  while (at + 2 < idListEnd) {
    const std::size_t size = U16At(bytes, at);
    ParsedItem item;
    item.type = static_cast<uint8_t>(bytes.at(at + 2));
    item.name = TextAt(bytes, at + 3);
    std::size_t field = at + 3 + item.name.size() + 1;
    item.fileSize = U32At(bytes, field);
    item.attributes = U16At(bytes, field + 8);
    item.longName = TextAt(bytes, field + 10);
    item.shortName = TextAt(bytes, field + 10 + item.longName.size() + 1);
    link.items.push_back(item);
    if (size == 0) break;
    at += size;
  }
  link.linkInfo = idListEnd;
  link.stringData = idListEnd + U32At(bytes, idListEnd);
  return link;
}

// A target file inside a folder with a long name, as in a program folder.
class ShellLinkFiles : public ::testing::Test {
 protected:
  ShellLinkFiles() {
    CreateDirectoryW(Wide(programFolder), nullptr);
    WriteBytes(target, std::string(1234, 'q'));
  }
  ~ShellLinkFiles() override {
    SetFileAttributesW(Wide(target), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Wide(target));
    RemoveDirectoryW(Wide(programFolder));
  }

  bool Write(uint32_t hotKey = 0, const std::u16string& arguments = u"") {
    return WriteShellLink(target, link, arguments, programFolder, u"", 0, hotKey, kDescription);
  }

  TempFolder folder;
  std::u16string programFolder = folder / u"Program Files 表示\\";
  std::u16string target = programFolder + u"Quistrel.exe";
  std::u16string link = folder / u"Mallowquist.lnk";
};

TEST_F(ShellLinkFiles, HeaderAndLinkInfoCarryWhatTheSystemReports) {
  ASSERT_TRUE(Write());
  const std::string ansiTarget = Ansi(target);
  const ParsedLink parsed = Parse(ReadBytes(link));
  const std::string& bytes = parsed.bytes;

  EXPECT_EQ(U32At(bytes, 0), 0x4Cu);
  EXPECT_EQ(bytes.substr(4, 16), std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16));
  EXPECT_EQ(U32At(bytes, 20), 0x17u);
  EXPECT_EQ(U32At(bytes, 24), GetFileAttributesA(ansiTarget.c_str()));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(ansiTarget.c_str(), GetFileExInfoStandard, &data));
  for (std::size_t time : {28u, 36u, 44u}) {
    EXPECT_EQ(U32At(bytes, time), data.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(U32At(bytes, time + 4), data.ftLastWriteTime.dwHighDateTime);
  }
  EXPECT_EQ(U32At(bytes, 52), 1234u);
  EXPECT_EQ(U32At(bytes, 60), 1u);

  const std::size_t info = parsed.linkInfo;
  const std::size_t volume = info + 28;
  DWORD serial = 0;
  char label[256] = {};
  ASSERT_TRUE(GetVolumeInformationA("C:\\", label, 255, &serial, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(U32At(bytes, volume + 4), GetDriveTypeA("C:\\"));
  EXPECT_EQ(U32At(bytes, volume + 8), serial);
  EXPECT_EQ(TextAt(bytes, volume + 16), label);
  EXPECT_EQ(U32At(bytes, volume), 16 + strlen(label) + 1);
  EXPECT_EQ(TextAt(bytes, info + U32At(bytes, info + 16)), ansiTarget);
  EXPECT_EQ(U32At(bytes, info + 24), U32At(bytes, info) - 1);
  EXPECT_EQ(bytes.at(info + U32At(bytes, info) - 1), '\0');

  // StringData: the 50 bytes of the description, then the working folder.
  const std::size_t strings = parsed.stringData;
  EXPECT_EQ(U16At(bytes, strings), 50u);
  EXPECT_EQ(bytes.substr(strings + 2, 50), Ansi(kDescription));
  const std::string workingFolder = Ansi(programFolder);
  EXPECT_EQ(U16At(bytes, strings + 52), workingFolder.size());
  EXPECT_EQ(bytes.substr(strings + 54), workingFolder + std::string(4, '\0'));
}

TEST_F(ShellLinkFiles, PathItemsFollowTheLongAndShortForms) {
  ASSERT_TRUE(Write());
  const std::string ansiTarget = Ansi(target);
  char shortForm[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(ansiTarget.c_str(), shortForm, MAX_PATH), 0u);
  const std::vector<std::string> longParts = Components(ansiTarget);
  const std::vector<std::string> shortParts = Components(shortForm);
  ASSERT_EQ(longParts.size(), shortParts.size());

  const ParsedLink parsed = Parse(ReadBytes(link));
  ASSERT_EQ(parsed.items.size(), longParts.size());
  EXPECT_EQ(parsed.items[0].type, 0x23);
  EXPECT_EQ(parsed.items[0].name, "C:\\");
  std::string running = "C:";
  for (std::size_t i = 1; i < longParts.size(); ++i) {
    running += "\\" + longParts[i];
    const ParsedItem& item = parsed.items[i];
    const bool last = i + 1 == longParts.size();
    EXPECT_EQ(item.type, last ? 0x32 : 0x31) << running;
    EXPECT_EQ(item.fileSize, last ? 1234u : 0u) << running;
    EXPECT_EQ(item.attributes, GetFileAttributesA(running.c_str()) & 0xFFFF) << running;
    EXPECT_EQ(item.longName, longParts[i]);
    EXPECT_EQ(item.shortName, shortParts[i]);
  }
}

// What the shell's own link object reads from a file.
struct ShellReading {
  std::string path, description, workingDirectory, arguments, idListPath;
  WORD hotKey = 0;
  int show = 0;
};

ShellReading ReadWithTheShell(const std::u16string& link) {
  ShellReading read;
  EXPECT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  IShellLinkA* shellLink = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&shellLink))) &&
      SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(Wide(link), STGM_READ))) {
    char text[1024] = {};
    if (SUCCEEDED(shellLink->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) read.path = text;
    if (SUCCEEDED(shellLink->GetDescription(text, sizeof text))) read.description = text;
    if (SUCCEEDED(shellLink->GetWorkingDirectory(text, sizeof text))) read.workingDirectory = text;
    if (SUCCEEDED(shellLink->GetArguments(text, sizeof text))) read.arguments = text;
    shellLink->GetHotkey(&read.hotKey);
    shellLink->GetShowCmd(&read.show);
    // The ID list alone leads the shell to the file too.
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(shellLink->GetIDList(&items)) && items && SHGetPathFromIDListA(items, text)) read.idListPath = text;
    CoTaskMemFree(items);
  }
  if (file) file->Release();
  if (shellLink) shellLink->Release();
  CoUninitialize();
  return read;
}

TEST_F(ShellLinkFiles, TheShellReadsTheLink) {
  ASSERT_TRUE(Write(0x141, u"--quiet"));
  const ShellReading read = ReadWithTheShell(link);
  EXPECT_EQ(read.path, Ansi(target));
  EXPECT_EQ(read.description, Ansi(kDescription));
  EXPECT_EQ(read.workingDirectory, Ansi(programFolder));
  EXPECT_EQ(read.arguments, "--quiet");
  EXPECT_EQ(read.hotKey, 0x0641);
  EXPECT_EQ(read.idListPath, Ansi(target));
  EXPECT_EQ(read.show, SW_SHOWNORMAL);
}

// The system's answers, with the attribute bits OneDrive sets on pinned
// folders (0x80000) and online-only files (0x400000) on top.
class CloudSyncedFolders : public ShellLinkSystem {
 public:
  std::optional<std::string> ShortPathName(const std::string& path) override { return real->ShortPathName(path); }
  uint32_t DriveType(const std::string& root) override { return real->DriveType(root); }
  uint32_t FileAttributes(const std::string& path) override {
    const uint32_t attributes = real->FileAttributes(path);
    return attributes | ((attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0x80000u : 0x400000u);
  }
  std::optional<VolumeInformation> Volume(const std::string& root) override { return real->Volume(root); }
  TargetFileFacts TargetFacts(const std::string& path) override { return real->TargetFacts(path); }
  int64_t WriteBlockAt(const std::string& linkPath, std::string_view bytes, uint32_t offset) override {
    return real->WriteBlockAt(linkPath, bytes, offset);
  }

 private:
  std::unique_ptr<ShellLinkSystem> real = MakeKernel32ShellLinkSystem();
};

TEST_F(ShellLinkFiles, ALinkToACloudSyncedFolderIsWrittenAndReadByTheShell) {
  ShellLinkRequest request;
  request.target = target;
  request.linkPath = link;
  CloudSyncedFolders system;
  ASSERT_TRUE(WriteShellLink(request, system, SystemAnsiCodePage()));
  const ParsedLink parsed = Parse(ReadBytes(link));
  ASSERT_GE(parsed.items.size(), 3u);
  EXPECT_EQ(parsed.items.back().attributes, GetFileAttributesA(Ansi(target).c_str()) & 0xFFFF);
  const ShellReading read = ReadWithTheShell(link);
  EXPECT_EQ(read.path, Ansi(target));
  EXPECT_EQ(read.idListPath, Ansi(target));
}

TEST_F(ShellLinkFiles, OlderLongerFileIsReplacedWhole) {
  WriteBytes(link, std::string(4000, 'x'));
  ASSERT_TRUE(Write());
  const std::string bytes = ReadBytes(link);
  const ParsedLink parsed = Parse(bytes);
  EXPECT_LT(bytes.size(), 4000u);
  EXPECT_EQ(bytes.find("xxxx"), std::string::npos);
  EXPECT_EQ(bytes.size(), parsed.stringData + 2 + 50 + 2 + Ansi(programFolder).size() + 4);
}

TEST_F(ShellLinkFiles, MissingTargetLeavesAnOlderFileUntouched) {
  WriteBytes(link, "an older shortcut");
  EXPECT_FALSE(WriteShellLink(programFolder + u"Other.exe", link, u"", programFolder, u"", 0, 0, kDescription));
  EXPECT_EQ(ReadBytes(link), "an older shortcut");

  const std::u16string fresh = folder / u"fresh.lnk";
  EXPECT_FALSE(WriteShellLink(folder / u"missing\\Quistrel.exe", fresh, u"", u"", u"", 0, 0, u""));
  EXPECT_FALSE(Exists(fresh));
}

TEST_F(ShellLinkFiles, LinkInAMissingFolderFails) {
  const std::u16string nowhere = folder / u"no such folder\\Mallowquist.lnk";
  EXPECT_FALSE(WriteShellLink(target, nowhere, u"", u"", u"", 0, 0, u""));
  EXPECT_FALSE(Exists(nowhere));
}

}  // namespace
}  // namespace quistrel

namespace quistrel {
namespace {

// A target whose short form needs more than 256 bytes: the writer asks again
// with a buffer of the size the system names.
TEST(DeepShellLinkTarget, ShortFormLongerThan256BytesIsWritten) {
  testing::TempFolder folder;
  // Names in 8.3 form have a short form as long as themselves: 259
  // characters in all, the most an ANSI path can hold.
  std::u16string path = u"C:\\QDEEP\\";
  CreateDirectoryW(Wide(path), nullptr);
  std::vector<std::u16string> created{path};
  for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
    path += u"DEEPDIR" + std::u16string(1, letter) + u"\\";
    CreateDirectoryW(Wide(path), nullptr);
    created.push_back(path);
  }
  path += u"ABC\\";
  CreateDirectoryW(Wide(path), nullptr);
  created.push_back(path);
  const std::u16string target = path + u"Quistrel.exe";
  ASSERT_EQ(target.size(), 259u);
  ASSERT_TRUE(testing::WriteBytes(target, "MZ"));
  const std::string ansiTarget = SystemAnsiCodePage().ToAnsi(target);
  char small[256];
  const DWORD needed = GetShortPathNameA(ansiTarget.c_str(), small, 256);
  ASSERT_GT(needed, 256u) << "the folder chain is not deep enough for this test";

  const std::u16string link = folder / u"deep.lnk";
  EXPECT_TRUE(WriteShellLink(target, link, u"", u"", u"", 0, 0, u""));
  const std::string bytes = testing::ReadBytes(link);
  EXPECT_NE(bytes.find(ansiTarget + '\0'), std::string::npos);

  DeleteFileW(Wide(target));
  DeleteFileW(Wide(link));
  for (auto it = created.rbegin(); it != created.rend(); ++it) RemoveDirectoryW(Wide(*it));
}

}  // namespace
}  // namespace quistrel
