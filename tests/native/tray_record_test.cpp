#include <gtest/gtest.h>

#include <cstring>

#include "tray/tray_record.h"

namespace quistrel {
namespace {

constexpr uint64_t kWindow = 0x00010042, kIcon = 0x00020077;
constexpr uint32_t kCallback = 0xC0DE;
const std::string kTip = "Mallowquist";
const std::string kBalloon = "line one\r\nline two\r\nline three";

uint32_t Read32(const std::vector<uint8_t>& bytes, std::size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}
std::string ReadText(const std::vector<uint8_t>& bytes, std::size_t offset) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + offset));
}

TEST(TrayVersions, BalloonsFromWindowsMeAndWindows2000On) {
  EXPECT_FALSE(BalloonCapableFor(OsVersion{1, 4, 0}));   // Windows 95
  EXPECT_FALSE(BalloonCapableFor(OsVersion{1, 4, 10}));  // Windows 98
  EXPECT_TRUE(BalloonCapableFor(OsVersion{1, 4, 90}));   // Windows Me
  EXPECT_FALSE(BalloonCapableFor(OsVersion{2, 4, 0}));   // NT 4.0
  EXPECT_TRUE(BalloonCapableFor(OsVersion{2, 5, 0}));    // 2000
  EXPECT_TRUE(BalloonCapableFor(OsVersion{2, 10, 0}));
  EXPECT_FALSE(BalloonCapableFor(OsVersion{3, 10, 0}));
  EXPECT_FALSE(BalloonCapableFor(std::nullopt));  // the version query failed
}

TEST(TrayRecords, EachWindowsVersionGetsItsRecord) {
  struct Case {
    const char* name;
    std::optional<OsVersion> version;
    std::size_t size;
    uint32_t flags;
  };
  const Case cases[] = {
      {"Windows 98", OsVersion{1, 4, 10}, 88, 7},
      {"Windows NT 4.0", OsVersion{2, 4, 0}, 88, 7},
      {"Windows 2000", OsVersion{2, 5, 0}, 488, 0x17},
      {"failed version query", std::nullopt, 88, 7},
  };
  for (const Case& c : cases) {
    const auto bytes = SerializeTrayRecord32(
        MakeAddRecord(BalloonCapableFor(c.version), 1, kWindow, kIcon, kCallback, kTip, kBalloon));
    EXPECT_EQ(bytes.size(), c.size) << c.name;
    EXPECT_EQ(Read32(bytes, 0), c.size) << c.name;
    EXPECT_EQ(Read32(bytes, 12), c.flags) << c.name;
    EXPECT_EQ(ReadText(bytes, 24), kTip) << c.name;
  }
}

TEST(TrayRecords, OldShellsGetThe88ByteRecordWithoutBalloon) {
  const auto bytes = SerializeTrayRecord32(MakeAddRecord(false, 1, kWindow, kIcon, kCallback, kTip, kBalloon));
  ASSERT_EQ(bytes.size(), 88u);
  EXPECT_EQ(Read32(bytes, 0), 88u);
  EXPECT_EQ(Read32(bytes, 4), kWindow);
  EXPECT_EQ(Read32(bytes, 8), 1u);
  EXPECT_EQ(Read32(bytes, 12), 7u);
  EXPECT_EQ(Read32(bytes, 16), kCallback);
  EXPECT_EQ(Read32(bytes, 20), kIcon);
  EXPECT_EQ(ReadText(bytes, 24), kTip);
  for (std::size_t i = 24 + kTip.size(); i < 88; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST(TrayRecords, Windows2000WithViewBalloonOneCarriesTheBalloon) {
  const auto bytes = SerializeTrayRecord32(MakeAddRecord(true, 1, kWindow, kIcon, kCallback, kTip, kBalloon));
  ASSERT_EQ(bytes.size(), 488u);
  EXPECT_EQ(Read32(bytes, 0), 488u);
  EXPECT_EQ(Read32(bytes, 12), 0x17u);
  EXPECT_EQ(ReadText(bytes, 24), kTip);
  EXPECT_EQ(Read32(bytes, 152), 0u);  // dwState
  EXPECT_EQ(Read32(bytes, 156), 0u);  // dwStateMask
  EXPECT_EQ(ReadText(bytes, 160), kBalloon);
  EXPECT_EQ(Read32(bytes, 416), 0u);  // uTimeout
  EXPECT_EQ(ReadText(bytes, 420), kTip);
  EXPECT_EQ(Read32(bytes, 484), 1u);  // NIIF_INFO
}

TEST(TrayRecords, ALaterBalloonChangesOnlyTheBalloonOfTheIconThatIsThere) {
  const TrayRecord added = MakeAddRecord(true, 0, kWindow, kIcon, kCallback, kTip, kBalloon);
  const auto bytes = SerializeTrayRecord32(MakeBalloonRecord(added, "title", "paste it yourself"));
  ASSERT_EQ(bytes.size(), 488u);
  EXPECT_EQ(Read32(bytes, 4), kWindow);
  EXPECT_EQ(Read32(bytes, 8), 1u);
  EXPECT_EQ(Read32(bytes, 12), 0x10u);  // NIF_INFO alone: icon, tip and callback stay
  EXPECT_EQ(ReadText(bytes, 160), "paste it yourself");
  EXPECT_EQ(ReadText(bytes, 420), "title");
  EXPECT_EQ(Read32(bytes, 484), 1u);
}

TEST(TrayRecords, ViewBalloonOtherThanOneMeansNoBalloon) {
  for (int32_t view : {0, 2, -1}) {
    const auto bytes = SerializeTrayRecord32(MakeAddRecord(true, view, kWindow, kIcon, kCallback, kTip, kBalloon));
    EXPECT_EQ(Read32(bytes, 12), 7u);
    EXPECT_EQ(ReadText(bytes, 160), "");
    EXPECT_EQ(ReadText(bytes, 420), "");
    EXPECT_EQ(Read32(bytes, 484), 0u);
  }
}

TEST(TrayRecords, LongTextsAreCutToTheirFieldsAndStayTerminated) {
  const std::string longTip(300, 't');
  const auto small = SerializeTrayRecord32(MakeAddRecord(false, 1, kWindow, kIcon, kCallback, longTip, ""));
  EXPECT_EQ(ReadText(small, 24), std::string(63, 't'));
  const auto large =
      SerializeTrayRecord32(MakeAddRecord(true, 1, kWindow, kIcon, kCallback, longTip, std::string(999, 'b')));
  EXPECT_EQ(ReadText(large, 24), std::string(127, 't'));
  EXPECT_EQ(ReadText(large, 160), std::string(255, 'b'));
  EXPECT_EQ(ReadText(large, 420), std::string(63, 't'));
}

TEST(TrayRecords, AfterAShellRestartTheIconComesBackAsLastChangedWithoutBalloon) {
  const TrayRecord added = MakeAddRecord(true, 1, kWindow, kIcon, kCallback, kTip, kBalloon);
  const auto bytes = SerializeTrayRecord32(MakeRestoreRecord(added, true, 0x999, kCallback));
  EXPECT_EQ(Read32(bytes, 0), 488u);
  EXPECT_EQ(Read32(bytes, 4), 0x999u);
  EXPECT_EQ(Read32(bytes, 12), 7u);
  EXPECT_EQ(Read32(bytes, 20), kIcon);
  EXPECT_EQ(ReadText(bytes, 24), kTip);
  EXPECT_EQ(ReadText(bytes, 160), "");
  EXPECT_EQ(ReadText(bytes, 420), "");
  EXPECT_EQ(Read32(bytes, 484), 0u);

  // A change of icon and tip (the recording paused) modifies only those, and
  // a re-add after a shell restart shows them.
  TrayRecord last = added;
  const auto changed = SerializeTrayRecord32(MakeChangeRecord(last, 0x30011, "paused"));
  EXPECT_EQ(Read32(changed, 4), kWindow);
  EXPECT_EQ(Read32(changed, 12), 6u);  // NIF_ICON | NIF_TIP
  EXPECT_EQ(Read32(changed, 20), 0x30011u);
  EXPECT_EQ(ReadText(changed, 24), "paused");
  const auto restored = SerializeTrayRecord32(MakeRestoreRecord(last, true, 0x999, kCallback));
  EXPECT_EQ(Read32(restored, 20), 0x30011u);
  EXPECT_EQ(ReadText(restored, 24), "paused");

  // Old shells re-add exactly what the first add passed, window included.
  const TrayRecord old = MakeAddRecord(false, 1, kWindow, kIcon, kCallback, kTip, kBalloon);
  EXPECT_EQ(SerializeTrayRecord32(MakeRestoreRecord(old, false, 0x999, kCallback)), SerializeTrayRecord32(old));
}

}  // namespace
}  // namespace quistrel
