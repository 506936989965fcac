// The shortcut file built from what a scripted system reports, checked byte
// by byte against the published layout.
#include <gtest/gtest.h>

#include <map>

#include "shelllink/shell_link_layout.h"
#include "test_values.h"

namespace quistrel {
namespace {

using testing::Bytes;
using testing::Cp932;

std::string Zeros(std::size_t count) { return std::string(count, '\0'); }
std::string U16(uint32_t v) { return Bytes({static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF)}); }
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Z(std::string_view text) { return std::string(text) + '\0'; }

uint32_t ReadU16(const std::string& bytes, std::size_t at) {
  return static_cast<uint8_t>(bytes.at(at)) | (static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}
uint32_t ReadU32(const std::string& bytes, std::size_t at) {
  return ReadU16(bytes, at) | (ReadU16(bytes, at + 2) << 16);
}

constexpr uint64_t kWriteTime = 0x01D9A1B2C3D4E5F6ull;
constexpr uint32_t kTargetSize = 0x00012345;
constexpr uint32_t kSerial = 0xA1B2C3D4;

// A disk with the files it was told about and one link file in memory. A path
// it does not know reads as unreadable, like a missing file.
class FakeSystem : public ShellLinkSystem {
 public:
  std::optional<std::string> ShortPathName(const std::string& path) override {
    const auto found = shortForms.find(path);
    if (found == shortForms.end()) return std::nullopt;
    return found->second;
  }
  uint32_t DriveType(const std::string&) override { return driveType; }
  uint32_t FileAttributes(const std::string& path) override {
    const auto found = attributes.find(path);
    return found == attributes.end() ? kInvalidFileAttributes : found->second;
  }
  std::optional<VolumeInformation> Volume(const std::string&) override { return volume; }
  TargetFileFacts TargetFacts(const std::string&) override { return {kTargetSize, kWriteTime}; }
  int64_t WriteBlockAt(const std::string& linkPath, std::string_view bytes, uint32_t offset) override {
    const int block = static_cast<int>(offsets.size()) + 1;
    offsets.push_back(offset);
    writtenPath = linkPath;
    if (block == refuseOpenAtBlock) return -1;
    if (offset == 0) file.clear();
    if (file.size() < offset) file.resize(offset, '\0');
    const std::string_view kept = block == shortWriteAtBlock ? bytes.substr(0, bytes.size() / 2) : bytes;
    file.replace(offset, std::min(kept.size(), file.size() - offset), kept);
    return static_cast<int64_t>(kept.size());
  }

  std::map<std::string, std::string> shortForms;
  std::map<std::string, uint32_t> attributes;
  uint32_t driveType = 3;
  std::optional<VolumeInformation> volume = VolumeInformation{"DATA", kSerial};
  int refuseOpenAtBlock = 0;
  int shortWriteAtBlock = 0;

  std::string file;
  std::string writtenPath;
  std::vector<uint32_t> offsets;
};

// C:\Program Files\Quistrel.exe on a fixed disk labelled DATA.
class WorkedExample : public ::testing::Test {
 protected:
  WorkedExample() {
    system.shortForms["C:\\Program Files\\Quistrel.exe"] = "C:\\PROGRA~1\\Quistrel.exe";
    system.attributes["C:\\Program Files"] = 0x10;
    system.attributes["C:\\Program Files\\Quistrel.exe"] = 0x20;
    request.target = u"C:\\Program Files\\Quistrel.exe";
    request.linkPath = u"C:\\Startup\\Mallowquist.lnk";
    request.workingDirectory = u"C:\\Program Files\\";
    request.description = u"クリップボード内の文字を切り替えるプログラムです。";
  }

  FakeSystem system;
  ShellLinkRequest request;
};

TEST(CutHead, SplitsAfterTheFirstDelimiterOrTakesEverything) {
  std::u16string text = u"C:\\Program Files\\Quistrel.exe";
  EXPECT_EQ(CutHead(text, u'\\'), u"C:\\");
  EXPECT_EQ(text, u"Program Files\\Quistrel.exe");
  EXPECT_EQ(CutHead(text, u'\\'), u"Program Files\\");
  EXPECT_EQ(CutHead(text, u'\\'), u"Quistrel.exe");
  EXPECT_EQ(text, u"");
  EXPECT_EQ(CutHead(text, u'\\'), u"");
  EXPECT_EQ(text, u"");

  std::u16string trailing = u"dir\\";
  EXPECT_EQ(CutHead(trailing, u'\\'), u"dir\\");
  EXPECT_EQ(trailing, u"");
}

TEST_F(WorkedExample, WholeFileMatchesTheLayoutByteForByte) {
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));

  const std::string description = Cp932().ToAnsi(request.description);
  ASSERT_EQ(description.size(), 50u);
  const std::string expected =
      // header
      U32(0x4C) +
      Bytes({0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}) +
      U32(0x17) + U32(0x20) + U32(0xC3D4E5F6) + U32(0x01D9A1B2) + U32(0xC3D4E5F6) + U32(0x01D9A1B2) + U32(0xC3D4E5F6) +
      U32(0x01D9A1B2) + U32(kTargetSize) + U32(0) + U32(1) + U16(0) + U16(0) + U32(0) + U32(0) +
      // ID list
      Bytes({0x7C, 0x00}) + Bytes({0x14, 0x00, 0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A,
                                   0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}) +
      Bytes({0x19, 0x00, 0x23}) + Z("C:\\") + Zeros(18) + Bytes({0x25, 0x00, 0x31, 0x00}) + Zeros(8) +
      Bytes({0x10, 0x00}) + Z("Program Files") + Z("PROGRA~1") + Bytes({0x28, 0x00, 0x32, 0x00}) + U32(kTargetSize) +
      Zeros(4) + Bytes({0x20, 0x00}) + Z("Quistrel.exe") + Z("Quistrel.exe") + U16(0) +
      // LinkInfo at 202
      U32(80) + U32(28) + U32(1) + U32(28) + U32(49) + U32(0) + U32(79) + U32(21) + U32(3) + U32(kSerial) + U32(16) +
      Z("DATA") + Z("C:\\Program Files\\Quistrel.exe") + Zeros(1) +
      // StringData at 282
      U16(50) + description + U16(17) + "C:\\Program Files\\" + Zeros(4);

  ASSERT_EQ(system.file.size(), 357u);
  EXPECT_EQ(system.file, expected);
  EXPECT_EQ(system.offsets, (std::vector<uint32_t>{0, 76, 78, 98, 200, 202, 230, 282}));
  EXPECT_EQ(system.writtenPath, "C:\\Startup\\Mallowquist.lnk");
}

TEST_F(WorkedExample, DriveTypeSetsTheDriveItemAndTheVolume) {
  const std::map<uint32_t, int> itemTypes = {{0, 0x23}, {1, 0x23}, {2, 0x29}, {3, 0x23},
                                             {4, 0x23}, {5, 0x25}, {6, 0x23}};
  for (const auto& [driveType, itemType] : itemTypes) {
    system.driveType = driveType;
    ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
    EXPECT_EQ(static_cast<uint8_t>(system.file.at(98 + 2)), itemType) << "drive type " << driveType;
    EXPECT_EQ(ReadU32(system.file, 202 + 28 + 4), driveType);
  }
}

TEST_F(WorkedExample, OptionalTextsSetTheirFlagsAndFollowInFixedOrder) {
  request.description.clear();
  request.workingDirectory.clear();
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(ReadU32(system.file, 20), 0x03u);
  EXPECT_EQ(system.file.size(), 282u + 4u);
  // The path's last character and NUL, the empty CommonPathSuffix, the terminal block.
  EXPECT_EQ(system.file.substr(279), "e" + Zeros(6));

  request.arguments = u"-x";
  request.iconLocation = u"i.ico";
  request.description = u"d";
  request.workingDirectory = u"w\\";
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(ReadU32(system.file, 20), 0x77u);
  EXPECT_EQ(system.file.substr(282), U16(1) + "d" + U16(2) + "w\\" + U16(2) + "-x" + U16(5) + "i.ico" + Zeros(4));
}

TEST_F(WorkedExample, HotKeyKeepsTheLowByteWithCtrlAndAlt) {
  const std::map<uint32_t, uint32_t> fields = {{0, 0}, {0x141, 0x0641}, {0x100, 0}, {0x41, 0x0641}, {0x7A, 0x067A}};
  for (const auto& [hotKey, field] : fields) {
    request.hotKey = hotKey;
    ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
    EXPECT_EQ(ReadU16(system.file, 64), field) << std::hex << hotKey;
  }
  request.iconIndex = -3;
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(ReadU32(system.file, 56), 0xFFFFFFFDu);
}

TEST_F(WorkedExample, VolumeWithoutLabelOrUnreadable) {
  system.volume = VolumeInformation{"", 0x0BADF00D};
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(ReadU32(system.file, 202), 76u);  // LinkInfoSize
  EXPECT_EQ(ReadU32(system.file, 230), 17u);  // VolumeIDSize
  EXPECT_EQ(ReadU32(system.file, 230 + 8), 0x0BADF00Du);
  EXPECT_EQ(system.file.substr(230 + 16, 2), Bytes({0, 'C'}));

  system.volume = std::nullopt;
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(ReadU32(system.file, 230), 17u);
  EXPECT_EQ(ReadU32(system.file, 230 + 8), 0xFFFFFFFFu);
  EXPECT_EQ(system.file.size(), 353u);
}

TEST_F(WorkedExample, TargetWithoutShortFormWritesNothing) {
  system.file = "an older shortcut";
  request.target = u"C:\\Program Files\\Missing.exe";
  EXPECT_FALSE(WriteShellLink(request, system, Cp932()));
  EXPECT_TRUE(system.offsets.empty());
  EXPECT_EQ(system.file, "an older shortcut");
}

TEST_F(WorkedExample, LongerOlderFileIsReplacedWhole) {
  system.file = std::string(5000, 'x');
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(system.file.size(), 357u);
}

TEST_F(WorkedExample, FailedBlockStopsTheWriteAndKeepsWhatWasWritten) {
  system.file = std::string(5000, 'x');
  system.refuseOpenAtBlock = 1;
  EXPECT_FALSE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(system.offsets.size(), 1u);
  EXPECT_EQ(system.file, std::string(5000, 'x'));

  system.offsets.clear();
  system.refuseOpenAtBlock = 5;
  EXPECT_FALSE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(system.offsets.size(), 5u);
  EXPECT_EQ(system.file.size(), 200u);  // header, ID list size, computer and path items
  EXPECT_EQ(ReadU16(system.file, 76), 124u);
}

TEST_F(WorkedExample, BlockCutShortIsAFailure) {
  system.shortWriteAtBlock = 4;
  EXPECT_FALSE(WriteShellLink(request, system, Cp932()));
  EXPECT_EQ(system.offsets.size(), 4u);
  EXPECT_EQ(system.file.size(), 98u + 51u);
}

TEST(PathItems, TargetInTheDriveRootHasOneFileItem) {
  FakeSystem system;
  system.shortForms["D:\\Quistrel.exe"] = "D:\\Quistrel.exe";
  system.attributes["D:\\Quistrel.exe"] = 0x01;  // read-only
  system.driveType = 2;
  ShellLinkRequest request;
  request.target = u"D:\\Quistrel.exe";
  request.linkPath = u"D:\\q.lnk";
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  const std::string& file = system.file;
  EXPECT_EQ(ReadU16(file, 76), 20u + 25u + 40u + 2u);
  EXPECT_EQ(file.substr(98, 7), Bytes({0x19, 0, 0x29, 'D', ':', '\\', 0}));
  EXPECT_EQ(file.substr(123, 14), Bytes({40, 0, 0x32, 0, 0x45, 0x23, 0x01, 0, 0, 0, 0, 0, 0x01, 0}));
  EXPECT_EQ(ReadU16(file, 163), 0u);  // TerminalID
  EXPECT_EQ(ReadU32(file, 24), 0x01u);
}

TEST(PathItems, UnreadableComponentIsAFolderWithAllAttributeBits) {
  FakeSystem system;
  ShellLinkRequest request;
  request.target = u"C:\\locked\\inner\\a.exe";
  system.attributes["C:\\locked\\inner\\a.exe"] = 0x20;
  const std::vector<PathItem> items =
      BuildPathItems(request.target, u"C:\\locked\\inner\\a.exe", 3, 99, system, Cp932());
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1].type, kFolderItem);
  EXPECT_EQ(items[1].attributes, 0xFFFF);
  EXPECT_EQ(items[1].fileSize, 0u);
  EXPECT_EQ(items[3].type, kFileItem);
  EXPECT_EQ(items[3].fileSize, 99u);
  EXPECT_EQ(items[3].attributes, 0x20);
}

TEST(PathItems, ShortFormWithFewerComponentsLeavesTheMissingShortNamesEmpty) {
  FakeSystem system;
  system.attributes["C:\\a"] = 0x10;
  system.attributes["C:\\a\\b"] = 0x10;
  const std::vector<PathItem> items = BuildPathItems(u"C:\\a\\b\\c.exe", u"C:\\A", 3, 1, system, Cp932());
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1].shortName, "A");
  EXPECT_EQ(items[2].longName, "b");
  EXPECT_EQ(items[2].shortName, "");
  EXPECT_EQ(items[3].shortName, "");
}

TEST(PathItems, AttributesAboveTheFieldKeepTheirLow16Bits) {
  // OneDrive's pinned (0x80000) and online-only (0x40000) folders.
  FakeSystem system;
  system.attributes["C:\\pinned"] = 0x80010;
  system.attributes["C:\\pinned\\online"] = 0x40010;
  system.attributes["C:\\pinned\\online\\a.exe"] = 0x00480020;
  const std::vector<PathItem> items =
      BuildPathItems(u"C:\\pinned\\online\\a.exe", u"C:\\pinned\\online\\a.exe", 3, 1, system, Cp932());
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1].type, kFolderItem);
  EXPECT_EQ(items[1].attributes, 0x0010);
  EXPECT_EQ(items[2].type, kFolderItem);
  EXPECT_EQ(items[2].attributes, 0x0010);
  EXPECT_EQ(items[3].type, kFileItem);
  EXPECT_EQ(items[3].attributes, 0x0020);

  system.shortForms["C:\\pinned\\online\\a.exe"] = "C:\\pinned\\online\\a.exe";
  ShellLinkRequest request;
  request.target = u"C:\\pinned\\online\\a.exe";
  EXPECT_TRUE(BuildShellLinkBlocks(request, system, Cp932()).has_value());
}

TEST(PathItems, JapaneseNamesSplitOnlyAtRealBackslashes) {
  // "表示" is 95 5C 8E A6 in code page 932: its first character ends in the
  // backslash byte.
  FakeSystem system;
  system.attributes["C:\\\x95\x5C\x8E\xA6"] = 0x10;
  system.attributes["C:\\\x95\x5C\x8E\xA6\\\x83\x5C.exe"] = 0x20;
  const std::vector<PathItem> items = BuildPathItems(u"C:\\表示\\ソ.exe", u"C:\\表示\\ソ.exe", 3, 7, system, Cp932());
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].longName, "\x95\x5C\x8E\xA6");
  EXPECT_EQ(items[1].type, kFolderItem);
  EXPECT_EQ(items[2].longName, "\x83\x5C.exe");
  EXPECT_EQ(items[2].type, kFileItem);
  EXPECT_EQ(PathItemSize(items[1]), 14u + 5u + 5u);
}

TEST(Refusals, TargetsAndLinksTheLayoutCannotHoldWriteNothing) {
  FakeSystem system;
  system.shortForms["C:\\a.exe"] = "C:\\a.exe";
  system.attributes["C:\\a.exe"] = 0x20;
  ShellLinkRequest request;
  request.target = u"C:\\a.exe";
  request.linkPath = u"C:\\a.lnk";
  ASSERT_TRUE(WriteShellLink(request, system, Cp932()));
  system.offsets.clear();

  ShellLinkRequest network = request;
  network.target = u"\\\\server\\share\\a.exe";
  ShellLinkRequest noLink = request;
  noLink.linkPath.clear();
  ShellLinkRequest foreignTarget = request;
  foreignTarget.target = u"C:\\Ünïcode.exe";
  ShellLinkRequest yenInLink = request;
  yenInLink.linkPath = u"C:\\¥a.lnk";  // must not turn into a backslash
  ShellLinkRequest hugeDescription = request;
  hugeDescription.description = std::u16string(0x4000, u'あ');  // 32768 bytes
  for (const ShellLinkRequest* refused : {&network, &noLink, &foreignTarget, &yenInLink, &hugeDescription}) {
    EXPECT_FALSE(WriteShellLink(*refused, system, Cp932())) << Cp932().ToAnsi(refused->target);
  }
  EXPECT_TRUE(system.offsets.empty());

  ShellLinkRequest longestDescription = request;
  longestDescription.description = std::u16string(0x7FFF, u'a');
  EXPECT_TRUE(WriteShellLink(longestDescription, system, Cp932()));
}

}  // namespace
}  // namespace quistrel
