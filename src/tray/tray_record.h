// The notification-area icon record, decided without the shell so the exact
// bytes can be checked: the first 88-byte form understood by every shell, and
// the 488-byte form with the balloon fields (sizes of the 32-bit program).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quistrel {

// What GetVersionExA reported; nothing when the call failed.
struct OsVersion {
  uint32_t platformId = 0;  // 1: Windows 95/98/Me, 2: NT
  uint32_t major = 0;
  uint32_t minor = 0;
};

// Balloons came with Windows Me and Windows 2000.
bool BalloonCapableFor(const std::optional<OsVersion>& version);

inline constexpr uint32_t kTrayIconId = 1;
inline constexpr uint32_t kNifMessage = 0x1, kNifIcon = 0x2, kNifTip = 0x4, kNifInfo = 0x10;
inline constexpr uint32_t kNiifInfo = 1;
inline constexpr uint32_t kSmallRecordSize = 88;
inline constexpr uint32_t kBalloonRecordSize = 488;

// Field values of NOTIFYICONDATAA; texts are ANSI bytes without their NUL.
struct TrayRecord {
  uint32_t cbSize = 0;
  uint64_t hWnd = 0;
  uint32_t uID = 0;
  uint32_t uFlags = 0;
  uint32_t uCallbackMessage = 0;
  uint64_t hIcon = 0;
  std::string szTip;
  std::string szInfo;
  std::string szInfoTitle;
  uint32_t dwInfoFlags = 0;
};

// The record of the first add: the balloon only on a capable shell with
// ViewBalloon exactly 1.
TrayRecord MakeAddRecord(bool balloonCapable, int32_t viewBalloon, uint64_t window, uint64_t icon,
                         uint32_t callbackMessage, std::string_view tip, std::string_view balloonText);

// The record for a re-add after the shell restarted: the last record without
// the balloon (on a capable shell the window handle is taken anew).
TrayRecord MakeRestoreRecord(const TrayRecord& last, bool balloonCapable, uint64_t window, uint32_t callbackMessage);

// The icon and its tip changed on the icon that is there; `last` is the
// record of the last add, which a re-add after a restart of the shell takes
// with the new icon and tip.
TrayRecord MakeChangeRecord(TrayRecord& last, uint64_t icon, std::string_view tip);

// A balloon over the icon that is there: only the balloon fields, in the
// record that has them.
TrayRecord MakeBalloonRecord(const TrayRecord& last, std::string_view title, std::string_view text);

// The record's bytes as the 32-bit program hands them to the shell: 88 or 488
// bytes, texts cut to their fields and always NUL-terminated.
std::vector<uint8_t> SerializeTrayRecord32(const TrayRecord& record);

}  // namespace quistrel
