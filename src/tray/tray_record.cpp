#include "tray/tray_record.h"

#include <algorithm>
#include <cstring>

namespace quistrel {

bool BalloonCapableFor(const std::optional<OsVersion>& version) {
  if (!version) return false;
  switch (version->platformId) {
    case 1:  // Windows 95 (4.0) and 98 (4.10) have no balloons; Me (4.90) has.
      return !(version->major == 4 && (version->minor == 0 || version->minor == 10));
    case 2:  // Windows 2000 is NT 5.0.
      return version->major >= 5;
    default: return false;
  }
}

TrayRecord MakeAddRecord(bool balloonCapable, int32_t viewBalloon, uint64_t window, uint64_t icon,
                         uint32_t callbackMessage, std::string_view tip, std::string_view balloonText) {
  TrayRecord record;
  record.hIcon = icon;
  record.hWnd = window;
  record.szTip = std::string(tip);
  record.uCallbackMessage = callbackMessage;
  record.uFlags = kNifMessage | kNifIcon | kNifTip;
  record.uID = kTrayIconId;
  record.cbSize = balloonCapable ? kBalloonRecordSize : kSmallRecordSize;
  if (balloonCapable && viewBalloon == 1) {
    record.szInfoTitle = std::string(tip);
    record.szInfo = std::string(balloonText);
    record.dwInfoFlags = kNiifInfo;
    record.uFlags |= kNifInfo;
  }
  return record;
}

TrayRecord MakeRestoreRecord(const TrayRecord& last, bool balloonCapable, uint64_t window, uint32_t callbackMessage) {
  if (!balloonCapable) return last;
  TrayRecord record = last;
  record.hWnd = window;
  record.szInfoTitle.clear();
  record.szInfo.clear();
  record.uCallbackMessage = callbackMessage;
  record.uFlags = kNifMessage | kNifIcon | kNifTip;
  record.dwInfoFlags = 0;
  record.uID = kTrayIconId;
  record.cbSize = kBalloonRecordSize;
  return record;
}

TrayRecord MakeChangeRecord(TrayRecord& last, uint64_t icon, std::string_view tip) {
  last.hIcon = icon;
  last.szTip = std::string(tip);
  TrayRecord record;
  record.cbSize = last.cbSize;
  record.hWnd = last.hWnd;
  record.uID = kTrayIconId;
  record.uFlags = kNifIcon | kNifTip;
  record.hIcon = icon;
  record.szTip = last.szTip;
  return record;
}

TrayRecord MakeBalloonRecord(const TrayRecord& last, std::string_view title, std::string_view text) {
  TrayRecord record;
  record.cbSize = kBalloonRecordSize;
  record.hWnd = last.hWnd;
  record.uID = kTrayIconId;
  record.uFlags = kNifInfo;
  record.szInfoTitle = std::string(title);
  record.szInfo = std::string(text);
  record.dwInfoFlags = kNiifInfo;
  return record;
}

namespace {
void Put32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
void PutText(std::vector<uint8_t>& bytes, std::size_t offset, std::size_t field, const std::string& text) {
  const std::size_t length = std::min(text.size(), field - 1);
  std::memcpy(bytes.data() + offset, text.data(), length);
  bytes[offset + length] = 0;
}
}  // namespace

std::vector<uint8_t> SerializeTrayRecord32(const TrayRecord& record) {
  const bool large = record.cbSize == kBalloonRecordSize;
  std::vector<uint8_t> bytes(large ? kBalloonRecordSize : kSmallRecordSize, 0);
  Put32(bytes, 0, record.cbSize);
  Put32(bytes, 4, static_cast<uint32_t>(record.hWnd));
  Put32(bytes, 8, record.uID);
  Put32(bytes, 12, record.uFlags);
  Put32(bytes, 16, record.uCallbackMessage);
  Put32(bytes, 20, static_cast<uint32_t>(record.hIcon));
  PutText(bytes, 24, large ? 128 : 64, record.szTip);
  if (large) {
    // dwState 152, dwStateMask 156, szInfo 160, uTimeout 416, szInfoTitle 420, dwInfoFlags 484
    PutText(bytes, 160, 256, record.szInfo);
    PutText(bytes, 420, 64, record.szInfoTitle);
    Put32(bytes, 484, record.dwInfoFlags);
  }
  return bytes;
}

}  // namespace quistrel
