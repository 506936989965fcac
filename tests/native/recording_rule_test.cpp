#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "core/recording_rule.h"

namespace quistrel {
namespace {

using namespace std::string_view_literals;

TEST(ExcludeSection, NamesAndFullPathsMatchInAnyCaseAndMalformedLinesArePassedOver) {
  const ExcludedPrograms excluded = ParseExcludeSection(
      u" KeePass.exe \0C:/Program Files/Ｖault/Vault.exe\0\\\\server\\share\\Tool.exe\0; Secret.exe\0\0"
      u"bin\\Relative.exe\0\\Rooted.exe\0C:\\Tools\\\0C:Drive.exe\0Wild*.exe\0C:\\a|b\\Pipe.exe\0"sv);
  EXPECT_EQ(excluded.names.size() + excluded.paths.size(), 3u);
  EXPECT_TRUE(IsExcluded(excluded, u"D:\\Apps\\KEEPASS.EXE"));
  EXPECT_TRUE(IsExcluded(excluded, u"c:\\program files\\ｖAULT\\vault.exe"));
  EXPECT_TRUE(IsExcluded(excluded, u"\\\\SERVER\\share\\tool.exe"));
  // A path names that one copy of the program; a name no part of another.
  EXPECT_FALSE(IsExcluded(excluded, u"D:\\Vault.exe"));
  EXPECT_FALSE(IsExcluded(excluded, u"C:\\Apps\\MyKeePass.exe"));
}

// The start waits for the section: a list searched line by line against
// every entry before it would take minutes.
TEST(ExcludeSection, AHundredThousandLinesAreReadInTimeThatGrowsWithTheirSizeAlone) {
  std::u16string lines;
  for (int i = 0; i < 100'000; ++i) {
    const std::string line = (i % 2 ? "C:\\Apps\\P" : "P") + std::to_string(i) + ".exe";
    lines.append(line.begin(), line.end()).push_back(u'\0');
  }
  const auto start = std::chrono::steady_clock::now();
  const ExcludedPrograms excluded = ParseExcludeSection(lines);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(excluded.names.size() + excluded.paths.size(), 100'000u);
  EXPECT_TRUE(IsExcluded(excluded, u"c:\\apps\\p99999.exe"));
  EXPECT_FALSE(IsExcluded(excluded, u"D:\\P99999.exe"));
}

TEST(RecordingRule, PauseStopsEveryCopyTheListItsProgramsOnlyAndAnOwnerlessCopyIsRead) {
  int lookups = 0;
  const auto owner = [&lookups](std::optional<std::u16string> path) -> OwnerProgram {
    return [&lookups, path] {
      ++lookups;
      return path;
    };
  };
  RecordingRule rule;
  EXPECT_TRUE(rule.MayRead(true, owner(u"C:\\KeePass\\KeePass.exe")));
  EXPECT_EQ(lookups, 0);  // nothing to look up while the list is empty
  rule.SetExcluded(ParseExcludeSection(u"KeePass.exe\0"sv));
  EXPECT_FALSE(rule.MayRead(true, owner(u"C:\\KeePass\\KeePass.exe")));
  EXPECT_TRUE(rule.MayRead(true, owner(u"C:\\Windows\\notepad.exe")));
  EXPECT_FALSE(rule.MayRead(true, owner(std::nullopt)));  // may be the listed one
  EXPECT_TRUE(rule.MayRead(false, owner(u"C:\\KeePass\\KeePass.exe")));
  rule.SetPaused(true);
  EXPECT_FALSE(rule.MayRead(true, owner(u"C:\\Windows\\notepad.exe")));
  EXPECT_FALSE(rule.MayRead(false, owner(std::nullopt)));
  EXPECT_EQ(lookups, 3);
}

}  // namespace
}  // namespace quistrel
