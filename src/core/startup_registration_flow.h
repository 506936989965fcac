// What the start-up button does, apart from the system: the shortcut's fixed
// values, the six message boxes and the ask-act-report sequence of the two
// actions. The Windows side supplies the file calls and the boxes.
#pragma once

#include <string>
#include <string_view>

#include "shelllink/shell_link_layout.h"

namespace quistrel {

inline constexpr char16_t kStartupLinkName[] = u"Mallowquist.lnk";
inline constexpr char16_t kStartupTargetName[] = u"Quistrel.exe";
inline constexpr char16_t kStartupLinkDescription[] = u"クリップボード内の文字を切り替えるプログラムです。";

enum class StartupBox { AskRegister, Registered, RegisterFailed, AskUnregister, Unregistered, UnregisterFailed };
enum class StartupBoxIcon { Question, Information, Exclamation };

struct StartupBoxContent {
  std::u16string_view caption;
  std::u16string_view text;
  StartupBoxIcon icon;
  bool yesNo;  // Yes and No buttons; otherwise a single OK
};

const StartupBoxContent& StartupBoxContentOf(StartupBox box);

class StartupSystem {
 public:
  virtual ~StartupSystem() = default;
  // True when a search for the path finds an ordinary file: not hidden, not
  // a system file, not a folder.
  virtual bool OrdinaryFileExists(const std::u16string& path) = 0;
  virtual bool WriteLink(const ShellLinkRequest& request) = 0;
  virtual bool RemoveFile(const std::u16string& path) = 0;
  // Shows the box and waits; true only when a Yes/No box was answered Yes.
  virtual bool ShowBox(StartupBox box) = 0;
};

struct StartupFolders {
  std::u16string appFolder;      // ends in a backslash
  std::u16string startupFolder;  // ends in a backslash
};

std::u16string StartupLinkPath(const StartupFolders& folders);
// The shortcut to Quistrel.exe in the program folder, started in that folder.
ShellLinkRequest StartupLinkRequest(const StartupFolders& folders);

bool StartupLinkExists(StartupSystem& system, const StartupFolders& folders);
// Asks, writes the shortcut on Yes and reports the outcome.
void RegisterStartup(StartupSystem& system, const StartupFolders& folders);
// Asks, deletes the shortcut on Yes and reports the outcome.
void UnregisterStartup(StartupSystem& system, const StartupFolders& folders);

}  // namespace quistrel
