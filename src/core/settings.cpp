#include "core/settings.h"

#include <algorithm>

namespace quistrel {

int16_t ClampClipBoardLog(int32_t value) { return static_cast<int16_t>(std::clamp<int32_t>(value, 0, INT16_MAX)); }

std::string EncodeFixedStrings(const TextList& list, const AnsiCodePage& codePage) {
  std::string bytes;
  for (int32_t i = 0; i <= list.LastIndex(); ++i) {
    if (i > 0) bytes.push_back('\0');
    bytes += codePage.ToAnsi(list.Item(i).view());
  }
  return bytes;
}

TextList DecodeFixedStrings(std::string_view bytes, const AnsiCodePage& codePage) {
  TextList list;
  if (bytes.empty()) return list;
  // Zero is never part of a multi-byte character in code page 932, so the
  // pieces can be cut from the bytes and converted one by one.
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = bytes.find('\0', start);
    const std::string_view piece = bytes.substr(start, end == std::string_view::npos ? end : end - start);
    list.Append(SharedText(codePage.FromAnsi(piece)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return list;
}

void LoadSettings(SettingRecord& setting, SettingsFiles& files, const AnsiCodePage& codePage) {
  setting.ClipBoardLog = ClampClipBoardLog(files.ReadInt(u"ClipBoardLog", 10));
  setting.ViewBalloon = files.ReadInt(u"ViewBalloon", 1);
  setting.ViewHello = files.ReadInt(u"ViewHello", 1);
  setting.AutoPaste = files.ReadInt(u"AutoPaste", 0);

  const std::optional<std::string> bytes = files.ReadFixedStrings();
  if (bytes && !bytes->empty()) setting.FixedString = DecodeFixedStrings(*bytes, codePage);
}

bool SaveSettings(const SettingRecord& setting, SettingsFiles& files, const AnsiCodePage& codePage) {
  bool written = files.WriteInt(u"ClipBoardLog", setting.ClipBoardLog);
  written = files.WriteInt(u"ViewBalloon", setting.ViewBalloon) && written;
  written = files.WriteInt(u"ViewHello", setting.ViewHello) && written;
  written = files.WriteInt(u"AutoPaste", setting.AutoPaste) && written;
  written = files.WriteFixedStrings(EncodeFixedStrings(setting.FixedString, codePage)) && written;
  return written;
}

}  // namespace quistrel
