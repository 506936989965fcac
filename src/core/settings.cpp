#include "core/settings.h"

#include <algorithm>
#include <utility>

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

void LoadSettings(SettingRecord& setting, FixedStringFileState& state, SettingsFiles& files,
                  const AnsiCodePage& codePage) {
  setting.ClipBoardLog = ClampClipBoardLog(files.ReadInt(u"ClipBoardLog", 10));
  setting.ViewBalloon = files.ReadInt(u"ViewBalloon", 1);
  setting.ViewHello = files.ReadInt(u"ViewHello", 1);
  setting.AutoPaste = files.ReadInt(u"AutoPaste", 0);
  setting.PauseRecording = files.ReadInt(u"PauseRecording", 0);
  setting.PasteKeysByClass = ParsePasteKeysSection(files.ReadSection(kPasteKeysSection));
  setting.Excluded = ParseExcludeSection(files.ReadSection(kExcludeSection));

  FileContent file = files.ReadFixedStrings();
  state.unreadable = file.status == FileReadStatus::Unreadable;
  state.keptAtLoad = std::move(file.keptAs);
  state.onDisk.reset();
  if (file.status == FileReadStatus::Read && !file.pending) state.onDisk = ContentId::Of(file.bytes);
  switch (file.status) {
    case FileReadStatus::Read:
      state.saved = DecodeFixedStrings(file.bytes, codePage);
      if (!file.bytes.empty()) setting.FixedString = *state.saved;
      break;
    case FileReadStatus::Missing:  // made at the first save
      state.saved.reset();
      break;
    case FileReadStatus::Unreadable:
      // It counts as holding the list the run starts with: only a change the
      // user makes is then left unsaved.
      state.saved = setting.FixedString;
      break;
  }
}

SaveResult SaveSettings(const SettingRecord& setting, FixedStringFileState& state, SettingsFiles& files,
                        const AnsiCodePage& codePage) {
  SaveResult result;
  bool written = files.WriteInt(u"ClipBoardLog", setting.ClipBoardLog);
  written = files.WriteInt(u"ViewBalloon", setting.ViewBalloon) && written;
  written = files.WriteInt(u"ViewHello", setting.ViewHello) && written;
  written = files.WriteInt(u"AutoPaste", setting.AutoPaste) && written;
  result.settingsFileWritten = files.WriteInt(u"PauseRecording", setting.PauseRecording) && written;

  // Compared as lists, not bytes: a file the code page cannot represent
  // exactly would otherwise come back changed from a run that changed nothing.
  if (state.saved == setting.FixedString) return result;
  if (state.unreadable) {
    result.fixedStringsSaved = false;
    return result;
  }
  const std::string bytes = EncodeFixedStrings(setting.FixedString, codePage);
  ReplaceResult replaced = files.WriteFixedStrings(bytes, state.onDisk);
  // Unwritten, the edited file is still there as it was.
  if (!replaced.written) {
    result.fixedStringsSaved = false;
    return result;
  }
  result.fixedStringsKeptAs = std::move(replaced.keptAs);
  state.saved = setting.FixedString;
  state.onDisk = ContentId::Of(bytes);
  return result;
}

std::u16string FixedStringsUnreadableText(const std::u16string& appFolder) {
  return u"固定文字ファイルの読み込みに失敗しました。\r\n" + appFolder + kFixedStringFileName +
         u"\r\n他のソフトが使用中か、大きすぎる可能性があります。\r\n"
         u"固定文字なしで動作し、このファイルは上書きしません。";
}

std::u16string NotSavedText(const SaveResult& result, const std::u16string& appFolder) {
  std::u16string text = u"設定の保存に失敗しました。";
  if (!result.settingsFileWritten) text += u"\r\n" + appFolder + kSettingsFileName;
  if (!result.fixedStringsSaved) text += u"\r\n" + appFolder + kFixedStringFileName;
  return text;
}

namespace {
// The file found in the way, then where it went and what took its place.
std::u16string KeptText(std::u16string_view found, const std::u16string& keptAs, const std::u16string& appFolder,
                        std::u16string_view saved) {
  return std::u16string(found) + u"次の名前で残しました。\r\n" + keptAs + u"\r\n" + appFolder + kFixedStringFileName +
         u"\r\nには" + std::u16string(saved) + u"を保存しました。";
}
}  // namespace

std::u16string FixedStringsKeptAtLoadText(const FixedStringFileState& state, const std::u16string& appFolder) {
  return KeptText(u"固定文字ファイルの前回の保存が途中で止まっていたため、\r\nそれまでのファイルを", state.keptAtLoad,
                  appFolder, u"前回保存できなかった固定文字");
}

std::u16string FixedStringsKeptText(const SaveResult& result, const std::u16string& appFolder) {
  return KeptText(u"固定文字ファイルが他のソフトで変更されていたため、\r\n変更後のファイルを",
                  result.fixedStringsKeptAs, appFolder, u"設定画面の固定文字");
}

}  // namespace quistrel
