#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "core/recording_rule.h"

namespace quistrel {
namespace {

using namespace std::string_view_literals;
using namespace std::chrono_literals;

TEST(ExcludeSection, NamesAndFullPathsAreTakenWithoutRegardToCaseAndMalformedLinesPassedOver) {
  const ExcludedPrograms excluded = ParseExcludeSection(
      u"KeePass.exe\0  pass.EXE \0C:/Program Files/Ｖault/Vault.exe\0\\\\server\\share\\Tool.exe\0"
      // a comment, an empty line, relative paths, a folder, a drive-relative
      // name, characters no file name holds, a key written as in [Main]
      u"; Secret.exe\0\0bin\\Relative.exe\0\\Rooted.exe\0C:\\Tools\\\0C:Drive.exe\0Wild*.exe\0"
      u"C:\\a|b\\Pipe.exe\0Tab\tName.exe\0"sv);
  EXPECT_EQ(excluded.names, (std::unordered_set<std::u16string>{u"keepass.exe", u"pass.exe"}));
  EXPECT_EQ(excluded.paths, (std::unordered_set<std::u16string>{u"c:\\program files\\ｖault\\vault.exe",
                                                                u"\\\\server\\share\\tool.exe"}));

  EXPECT_TRUE(IsExcluded(excluded, u"C:\\Program Files\\KeePass\\KEEPASS.EXE"));
  EXPECT_TRUE(IsExcluded(excluded, u"D:\\pass.exe"));
  EXPECT_TRUE(IsExcluded(excluded, u"C:\\Program Files\\ｖAULT\\Vault.exe"));
  EXPECT_TRUE(IsExcluded(excluded, u"\\\\SERVER\\share\\tool.exe"));
  // A path names that one program only; a name is no part of another.
  EXPECT_FALSE(IsExcluded(excluded, u"D:\\Vault.exe"));
  EXPECT_FALSE(IsExcluded(excluded, u"C:\\KeePass.exe.bak"));
  EXPECT_FALSE(IsExcluded(excluded, u"C:\\Apps\\MyKeePass.exe"));
  for (const char16_t* passedOver : {u"C:\\Secret.exe", u"C:\\bin\\Relative.exe", u"C:\\Rooted.exe", u"C:\\Drive.exe",
                                     u"C:\\a|b\\Pipe.exe", u"C:\\Tab\tName.exe"}) {
    EXPECT_FALSE(IsExcluded(excluded, passedOver));
  }
  EXPECT_TRUE(ParseExcludeSection(u"").empty());
}

// The start waits for the section; a list searched line by line against
// every entry before it would take minutes.
TEST(ExcludeSection, AHundredThousandLinesAreReadInTimeThatGrowsWithTheirSizeAlone) {
  constexpr int kLines = 100'000;
  std::u16string lines;
  for (int i = 0; i < kLines; ++i) {
    const std::string name = (i % 2 == 0 ? "Program" : "C:\\Apps\\Program") + std::to_string(i) + ".exe";
    lines.append(name.begin(), name.end());
    lines.push_back(u'\0');
  }
  lines += u"PROGRAM0.EXE\0bad|line\0"sv;
  const auto start = std::chrono::steady_clock::now();
  const ExcludedPrograms excluded = ParseExcludeSection(lines);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 10s);
  EXPECT_EQ(excluded.names.size(), static_cast<std::size_t>(kLines / 2));
  EXPECT_EQ(excluded.paths.size(), static_cast<std::size_t>(kLines / 2));
  EXPECT_TRUE(IsExcluded(excluded, u"Z:\\Program99998.exe"));
  EXPECT_TRUE(IsExcluded(excluded, u"c:\\apps\\program99999.exe"));
  EXPECT_FALSE(IsExcluded(excluded, u"Z:\\Program99999.exe"));
}

TEST(RecordingRule, PauseStopsEveryCopyTheListOnlyItsProgramsAndAnOwnerlessCopyIsRead) {
  const ExcludedPrograms excluded = ParseExcludeSection(u"KeePass.exe\0"sv);
  int lookups = 0;
  const auto owner = [&lookups](std::optional<std::u16string> path) {
    return [&lookups, path] {
      ++lookups;
      return path;
    };
  };
  const OwnerProgram keePass = owner(u"C:\\KeePass\\KeePass.exe");
  const OwnerProgram notepad = owner(u"C:\\Windows\\notepad.exe");
  const OwnerProgram unknown = owner(std::nullopt);

  EXPECT_FALSE(MayReadCopy(false, true, excluded, keePass));
  EXPECT_TRUE(MayReadCopy(false, true, excluded, notepad));
  EXPECT_FALSE(MayReadCopy(false, true, excluded, unknown));  // may be the listed one
  EXPECT_EQ(lookups, 3);
  // Looked up only where the answer depends on it.
  EXPECT_TRUE(MayReadCopy(false, false, excluded, keePass));
  EXPECT_FALSE(MayReadCopy(true, true, excluded, notepad));
  EXPECT_FALSE(MayReadCopy(true, false, excluded, notepad));
  EXPECT_TRUE(MayReadCopy(false, true, ExcludedPrograms{}, unknown));
  EXPECT_EQ(lookups, 3);

  // As the reader's threads ask it while the user switches the pause.
  RecordingRule rule;
  EXPECT_TRUE(rule.MayRead(true, keePass));
  rule.SetExcluded(excluded);
  EXPECT_FALSE(rule.MayRead(true, keePass));
  EXPECT_TRUE(rule.MayRead(true, notepad));
  rule.SetPaused(true);
  EXPECT_FALSE(rule.MayRead(true, notepad));
  EXPECT_FALSE(rule.MayRead(false, notepad));
  rule.SetPaused(false);
  EXPECT_TRUE(rule.MayRead(false, keePass));
}

}  // namespace
}  // namespace quistrel
