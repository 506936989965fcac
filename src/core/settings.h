// The user's settings and the two files they live in: Quistrel.ini (section
// Main, five integer keys, and the sections PasteKeys and Exclude that only
// the user writes) and FixedString.dat (the fixed strings in the ANSI code page,
// separated by single zero bytes, no header).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/paste_keys.h"
#include "core/recording_rule.h"
#include "core/text_list.h"
#include "platform/ansi.h"
#include "platform/files.h"

namespace quistrel {

// A value: assigning a record copies every field, the fixed strings included.
struct SettingRecord {
  int16_t ClipBoardLog = 10;  // history length; 0 switches the history off
  TextList FixedString;
  int32_t ViewBalloon = 1;  // exactly 1: balloon at the tray icon's first add
  int32_t ViewHello = 1;    // non-zero: welcome window at start
  int32_t AutoPaste = 0;    // exactly 1: the paste keys after a commit
  // Non-zero: no copy is recorded. Kept, so that a restart or a log-off does
  // not switch the recording back on behind the user's back.
  int32_t PauseRecording = 0;
  // The user's [PasteKeys] and [Exclude] entries; read at the load, never
  // saved, so that the sections are the user's alone.
  PasteKeyTable PasteKeysByClass;
  ExcludedPrograms Excluded;

  friend bool operator==(const SettingRecord&, const SettingRecord&) = default;
};

inline constexpr char16_t kSettingsFileName[] = u"Quistrel.ini";
inline constexpr char16_t kFixedStringFileName[] = u"FixedString.dat";
inline constexpr char16_t kSettingsSection[] = u"Main";

// Where the settings are kept. The Windows implementation uses the profile
// calls for the INI file and replaces FixedString.dat in place, crash-safe.
class SettingsFiles {
 public:
  virtual ~SettingsFiles() = default;
  virtual int32_t ReadInt(std::u16string_view key, int32_t defaultValue) = 0;
  virtual bool WriteInt(std::u16string_view key, int32_t value) = 0;
  // Every line of a section of Quistrel.ini, each ended by a zero character;
  // empty when there is none. There is no way to write one.
  virtual std::u16string ReadSection(std::u16string_view section) = 0;
  // The fixed-string file's bytes, or why there are none.
  virtual FileContent ReadFixedStrings() = 0;
  // Replaces the whole file; not written leaves the previous file as it was.
  // Content there other than `known` is kept aside first (ReplaceFileInPlace).
  virtual ReplaceResult WriteFixedStrings(std::string_view bytes, const std::optional<ContentId>& known) = 0;
};

// A hand-edited history length outside 0..32767 is brought into that range.
int16_t ClampClipBoardLog(int32_t value);

// The fixed strings as stored: each text in the ANSI code page, one zero byte
// between neighbours. An empty list is zero bytes.
std::string EncodeFixedStrings(const TextList& list, const AnsiCodePage& codePage);
// Every piece between zero bytes is one item, empty pieces included; zero
// bytes give an empty list.
TextList DecodeFixedStrings(std::string_view bytes, const AnsiCodePage& codePage);

// What this run knows of FixedString.dat: the user's strings there must never
// be replaced by a list that only looks empty because they could not be read.
struct FixedStringFileState {
  bool unreadable = false;        // the load failed: the file is not written in this run
  std::optional<TextList> saved;  // the list as loaded or last written; nothing while there is no file
  // The file's bytes as loaded or last written: anything else found there
  // at a save is another program's edit. Nothing when no file was read.
  std::optional<ContentId> onDisk;
  // Where the load kept what the file held when it finished a save that a
  // crash or a failed write had stopped (a file the user put back since, or
  // the strings that save was replacing); empty when it kept nothing.
  std::u16string keptAtLoad;
};

// Reads the five keys (defaults 10, 1, 1, 0, 0), the sections PasteKeys and
// Exclude and, when the file holds at least one byte, the fixed strings; a
// missing or empty file leaves them unchanged, and so does an unreadable one,
// which the state then records.
void LoadSettings(SettingRecord& setting, FixedStringFileState& state, SettingsFiles& files,
                  const AnsiCodePage& codePage);

struct SaveResult {
  bool settingsFileWritten = true;
  bool fixedStringsSaved = true;  // written, or unchanged since they were loaded or last written
  // Where the file that the save found edited by another program was kept;
  // empty when it found the file as the run left it.
  std::u16string fixedStringsKeptAs;
  explicit operator bool() const { return settingsFileWritten && fixedStringsSaved; }
};

// Writes the five keys in the order ClipBoardLog, ViewBalloon, ViewHello,
// AutoPaste, PauseRecording, then the fixed strings when they differ from
// what the file holds (an empty list as a zero-length file, so strings the
// user deleted do not come back) and the file was readable at the load. Each
// key is written on its own, so the rest of Quistrel.ini (the user's
// [PasteKeys] and [Exclude]) stays as it is.
// A FixedString.dat edited since the load or the last write is kept aside
// before it is replaced, and the result says where.
SaveResult SaveSettings(const SettingRecord& setting, FixedStringFileState& state, SettingsFiles& files,
                        const AnsiCodePage& codePage);

// What the user is told, each file named in full: at start when the fixed
// strings could not be read, or when finishing a stopped save kept the file
// found in its way, and at the settings dialog's OK when a file was not
// saved, or when the fixed strings replaced a file edited meanwhile.
std::u16string FixedStringsUnreadableText(const std::u16string& appFolder);
std::u16string FixedStringsKeptAtLoadText(const FixedStringFileState& state, const std::u16string& appFolder);
std::u16string NotSavedText(const SaveResult& result, const std::u16string& appFolder);
std::u16string FixedStringsKeptText(const SaveResult& result, const std::u16string& appFolder);

}  // namespace quistrel
