// What the start-up button looks for and the shortcut it asks the writer for;
// the boxes and their order are checked under Wine with real message boxes.
#include <gtest/gtest.h>

#include "core/startup_registration_flow.h"

namespace quistrel {
namespace {

class ScriptedStartup : public StartupSystem {
 public:
  bool OrdinaryFileExists(const std::u16string& path) override {
    searched.push_back(path);
    return fileFound;
  }
  bool WriteLink(const ShellLinkRequest& request) override {
    written.push_back(request);
    return true;
  }
  bool RemoveFile(const std::u16string&) override { return false; }
  bool ShowBox(StartupBox box) override {
    shown.push_back(box);
    return answerYes;
  }

  bool fileFound = false;
  bool answerYes = true;
  std::vector<std::u16string> searched;
  std::vector<ShellLinkRequest> written;
  std::vector<StartupBox> shown;
};

const StartupFolders kFolders{u"C:\\Tools\\Mallowquist\\", u"C:\\Users\\me\\Start Menu\\Programs\\Startup\\"};

TEST(StartupLinkExists, SearchesForTheShortcutInTheStartupFolder) {
  ScriptedStartup system;
  EXPECT_FALSE(StartupLinkExists(system, kFolders));
  system.fileFound = true;
  EXPECT_TRUE(StartupLinkExists(system, kFolders));
  EXPECT_EQ(system.searched.at(0), u"C:\\Users\\me\\Start Menu\\Programs\\Startup\\Mallowquist.lnk");

  // An unresolved Startup folder is a single backslash: the current drive's root.
  StartupLinkExists(system, StartupFolders{kFolders.appFolder, u"\\"});
  EXPECT_EQ(system.searched.at(2), u"\\Mallowquist.lnk");
  EXPECT_TRUE(system.shown.empty());
}

TEST(RegisterStartup, YesWritesTheShortcutToQuistrelExeAndReports) {
  ScriptedStartup system;
  RegisterStartup(system, kFolders);
  EXPECT_EQ(system.shown, (std::vector<StartupBox>{StartupBox::AskRegister, StartupBox::Registered}));
  ASSERT_EQ(system.written.size(), 1u);
  const ShellLinkRequest& link = system.written[0];
  EXPECT_EQ(link.target, u"C:\\Tools\\Mallowquist\\Quistrel.exe");
  EXPECT_EQ(link.linkPath, u"C:\\Users\\me\\Start Menu\\Programs\\Startup\\Mallowquist.lnk");
  EXPECT_EQ(link.arguments, u"");
  EXPECT_EQ(link.workingDirectory, u"C:\\Tools\\Mallowquist\\");
  EXPECT_EQ(link.iconLocation, u"");
  EXPECT_EQ(link.iconIndex, 0);
  EXPECT_EQ(link.hotKey, 0u);
  EXPECT_EQ(link.description, u"クリップボード内の文字を切り替えるプログラムです。");
  EXPECT_EQ(LinkFlags(link), 0x17u);
}

}  // namespace
}  // namespace quistrel
