// The installer a Windows user downloads (build/package/Mallowquist-<version>-setup.exe),
// installed and uninstalled silently, as deployment tools do. Each test has a
// Wine prefix of its own, new like a user's Windows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr int kCsidlPrograms = 0x02;
constexpr int kCsidlStartup = 0x07;
constexpr int kCsidlLocalAppData = 0x1c;
const std::string kUninstallKey = R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mallowquist)";
// A complete settings file as the program writes it, so its own save at the
// end leaves it as it is.
const std::string kSettings =
    "[Main]\r\nClipBoardLog=20\r\nViewBalloon=1\r\nViewHello=0\r\nAutoPaste=0\r\nPauseRecording=0\r\n";
// "日本語" and "abc" in code page 932.
const std::string kFixedStrings = std::string("\x93\xFA\x96\x7B\x8C\xEA", 6) + '\0' + "abc";

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Version() { return Env("QUISTREL_VERSION"); }

fs::path Installer() { return fs::path(Env("QUISTREL_PACKAGE_DIR")) / ("Mallowquist-" + Version() + "-setup.exe"); }

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

fs::path UnixPath(const std::string& windowsPath) { return Trimmed(e2e::Run({"winepath", "-u", windowsPath}).out); }

// Where Windows keeps a shell folder of this prefix's user, as the installer
// itself asks for it.
std::string ShellFolder(int csidl) { return Trimmed(Driver({"folder", std::to_string(csidl)}).out); }

// The uninstall entry's values by name; empty when the key is missing.
std::map<std::string, std::string> UninstallEntry() {
  std::map<std::string, std::string> values;
  std::istringstream lines(e2e::Run({"wine", "reg", "query", kUninstallKey}).out);
  for (std::string line; std::getline(lines, line);) {
    // "    NAME    REG_TYPE    VALUE"
    const auto type = line.find("    REG_", 4);
    if (line.rfind("    ", 0) != 0 || type == std::string::npos) continue;
    const auto value = line.find("    ", type + 4);
    values[line.substr(4, type - 4)] = value == std::string::npos ? "" : Trimmed(line.substr(value + 4));
  }
  return values;
}

std::set<std::string> FileNames(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(Installer())) << Installer() << " (built by scripts/test.sh or scripts/package.sh)";
    prefix_ = fs::temp_directory_path() / ("quistrel-prefix-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(prefix_);
    setenv("WINEPREFIX", prefix_.c_str(), 1);
    e2e::Run({"wineboot", "-i"});
    e2e::Run({"wineserver", "-w"});
    installLocation_ = ShellFolder(kCsidlLocalAppData) + R"(\Programs\Mallowquist)";
    folder_ = UnixPath(installLocation_);
    startMenuLink_ = UnixPath(ShellFolder(kCsidlPrograms)) / "Mallowquist.lnk";
    startupLink_ = UnixPath(ShellFolder(kCsidlStartup)) / "Mallowquist.lnk";
  }

  void TearDown() override {
    e2e::Run({"wineserver", "-k"});
    std::error_code ignored;
    fs::remove_all(prefix_, ignored);
  }

  static int Install() { return e2e::Run({"wine", Installer().string(), "/S"}).exitCode; }

  // The uninstaller as a user runs it from the list of installed apps: its
  // button on the first page, "はい" (6) or "いいえ" (7) to the question about
  // the settings (a message box titled without the page's trailing space),
  // "閉じる" at the end.
  void UninstallAnswering(const std::string& answer) {
    const std::string page = "Mallowquist アンインストール ";
    const std::string question = "Mallowquist アンインストール";
    const auto shows = [](const std::string& title, const std::string& text) {
      return WaitFor([&] { return Driver({"dialog", title}).out.find(text) != std::string::npos; }, 60s);
    };
    Background uninstaller({"wine", (folder_ / "Uninstall.exe").string()});
    ASSERT_TRUE(shows(page, "をこのコンピュータから削除します"));
    Driver({"dialog-press", page, "1"});
    ASSERT_TRUE(shows(question, "も削除しますか")) << Driver({"dialog", page}).out;
    Driver({"dialog-press", question, answer});
    ASSERT_TRUE(shows(page, "アンインストールの完了")) << Driver({"dialog", page}).out;
    Driver({"dialog-press", page, "1"});
    EXPECT_TRUE(WaitFor([&] { return Driver({"dialog", page}).exitCode != 0; }, 30s));
  }
  void UninstallRemovingTheSettings() { UninstallAnswering("6"); }

  // What a package manager does after an uninstall that kept the settings:
  // the same installer into the same folder, which the settings alone do not
  // make foreign.
  void ReinstallKeepsTheSettings() {
    ASSERT_EQ(Install(), 0) << "left: " << ::testing::PrintToString(FileNames(folder_));
    EXPECT_EQ(FileBytes(folder_ / "Quistrel.ini"), kSettings);
    EXPECT_EQ(FileBytes(folder_ / "FixedString.dat"), kFixedStrings);
    EXPECT_TRUE(fs::exists(folder_ / "Quistrel.exe"));
    EXPECT_EQ(UninstallEntry()["InstallLocation"], installLocation_);
  }

  fs::path prefix_;
  std::string installLocation_;
  fs::path folder_;
  fs::path startMenuLink_;
  fs::path startupLink_;
};

TEST_F(Package, SilentInstallPutsProgramShortcutAndUninstallEntryInPlaceAndTheProgramRunsThere) {
  ASSERT_EQ(Install(), 0);
  EXPECT_EQ(FileNames(folder_), (std::set<std::string>{"License.txt", "Quistrel.exe", "Readme.txt", "Uninstall.exe"}));
  EXPECT_TRUE(fs::exists(startMenuLink_));

  auto entry = UninstallEntry();
  EXPECT_EQ(entry["DisplayName"], "Mallowquist");
  EXPECT_EQ(entry["DisplayVersion"], Version());
  EXPECT_EQ(entry["Publisher"], "Mallowquist");
  EXPECT_EQ(entry["InstallLocation"], installLocation_);
  EXPECT_EQ(entry["DisplayIcon"], installLocation_ + R"(\Quistrel.exe)");
  EXPECT_EQ(entry["UninstallString"], "\"" + installLocation_ + R"(\Uninstall.exe")");
  EXPECT_GE(std::stoul(entry["EstimatedSize"], nullptr, 16), fs::file_size(folder_ / "Quistrel.exe") / 1024);

  // The installer carries the program's version and icon.
  EXPECT_EQ(Trimmed(Driver({"file-version", Installer().string()}).out), Version() + ".0");
  const std::string icon = FileBytes(Env("QUISTREL_PROGRAM_ICON"));
  const std::string installer = FileBytes(Installer());
  const auto* entries = reinterpret_cast<const unsigned char*>(icon.data()) + 6;
  for (int i = 0; i < static_cast<unsigned char>(icon[4]); ++i, entries += 16) {
    const auto read32 = [](const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24; };
    EXPECT_NE(installer.find(icon.substr(read32(entries + 12), read32(entries + 8))), std::string::npos)
        << "image " << i;
  }

  // Installed, it runs from its folder and keeps its files there.
  Program program(folder_);
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\n");
  ASSERT_TRUE(program.Start());
  EXPECT_TRUE(program.EndInOrder());
  EXPECT_NE(program.ReadFile("Quistrel.ini").value_or("").find("ClipBoardLog=10"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder_ / "FixedString.dat"));
}

TEST_F(Package, SilentUninstallEndsTheProgramAndRemovesEverythingButTheUsersFiles) {
  ASSERT_EQ(Install(), 0);
  // Start at log-on registered, as the settings dialog does it.
  fs::create_directories(startupLink_.parent_path());
  fs::copy_file(startMenuLink_, startupLink_);
  Program program(folder_);
  program.WriteFile("Quistrel.ini", kSettings);
  program.WriteFile("FixedString.dat", kFixedStrings);
  ASSERT_TRUE(program.Start());

  ASSERT_EQ(e2e::Run({"wine", (folder_ / "Uninstall.exe").string(), "/S"}).exitCode, 0);
  // The uninstaller goes on from a copy of itself; removing the entry is its last step.
  EXPECT_TRUE(WaitForExit(program.Pid(), 30s));
  ASSERT_TRUE(WaitFor([] { return UninstallEntry().empty(); }, 60s));
  EXPECT_EQ(FileNames(folder_), (std::set<std::string>{"FixedString.dat", "Quistrel.ini"}));
  EXPECT_EQ(program.ReadFile("Quistrel.ini"), kSettings);
  EXPECT_EQ(program.ReadFile("FixedString.dat"), kFixedStrings);
  EXPECT_FALSE(fs::exists(startMenuLink_));
  EXPECT_FALSE(fs::exists(startupLink_));
  ASSERT_NO_FATAL_FAILURE(ReinstallKeepsTheSettings());
}

TEST_F(Package, UninstallAskedToRemoveTheSettingsRemovesEveryFileTheProgramWroteAndThenTheFolder) {
  // All the program writes: the settings, the fixed strings, and what a save
  // leaves on its way (a part, a complete file not yet written) or keeps
  // (the numbered backups).
  const std::set<std::string> written = {"Quistrel.ini",        "Quistrel.ini.tmp",     "Quistrel.ini.new",
                                         "FixedString.dat",     "FixedString.dat.tmp",  "FixedString.dat.new",
                                         "FixedString.dat.bak", "FixedString.dat.bak2", "FixedString.dat.bak99"};
  const std::set<std::string> theirs = {"FixedString.dat.bak-old", "FixedString.txt", "notes.txt"};
  ASSERT_EQ(Install(), 0);
  // "いいえ" keeps them, and what a save left on its way does not stop the
  // install that follows.
  std::ofstream(folder_ / "Quistrel.ini", std::ios::binary) << kSettings;
  std::ofstream(folder_ / "FixedString.dat", std::ios::binary) << kFixedStrings;
  std::ofstream(folder_ / "FixedString.dat.bak2", std::ios::binary) << "older";
  UninstallAnswering("7");
  ASSERT_TRUE(WaitFor([] { return UninstallEntry().empty(); }, 60s));
  EXPECT_EQ(FileNames(folder_), (std::set<std::string>{"FixedString.dat", "FixedString.dat.bak2", "Quistrel.ini"}));
  ASSERT_NO_FATAL_FAILURE(ReinstallKeepsTheSettings());

  for (const auto& name : written) std::ofstream(folder_ / name, std::ios::binary) << name;
  for (const auto& name : theirs) std::ofstream(folder_ / name, std::ios::binary) << "mine";
  UninstallRemovingTheSettings();
  EXPECT_TRUE(WaitFor([&] { return FileNames(folder_).size() == theirs.size(); }, 60s));
  EXPECT_EQ(FileNames(folder_), theirs);

  // A save that a crash stopped on its way left the fixed strings in the
  // .new alone: the user is asked about them too, and the folder goes.
  for (const auto& name : theirs) fs::remove(folder_ / name);
  ASSERT_EQ(Install(), 0);
  std::ofstream(folder_ / "FixedString.dat.new", std::ios::binary) << kFixedStrings;
  std::ofstream(folder_ / "FixedString.dat.tmp", std::ios::binary) << "part";
  UninstallRemovingTheSettings();
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(folder_); }, 60s))
      << "left: " << ::testing::PrintToString(FileNames(folder_));
}

TEST_F(Package, InstallingOverAnOlderInstallationEndsTheProgramAndKeepsTheUsersFiles) {
  ASSERT_EQ(Install(), 0);
  e2e::Run({"wine", "reg", "add", kUninstallKey, "/v", "DisplayVersion", "/d", "0.9.0", "/f"});
  Program program(folder_);
  program.WriteFile("Quistrel.ini", kSettings);
  program.WriteFile("FixedString.dat", kFixedStrings);
  ASSERT_TRUE(program.Start());

  ASSERT_EQ(Install(), 0);
  EXPECT_TRUE(WaitForExit(program.Pid(), 10s));
  EXPECT_EQ(program.ReadFile("Quistrel.ini"), kSettings);
  EXPECT_EQ(program.ReadFile("FixedString.dat"), kFixedStrings);
  EXPECT_TRUE(fs::exists(folder_ / "Quistrel.exe"));
  EXPECT_EQ(UninstallEntry()["DisplayVersion"], Version());
}

TEST_F(Package, AFolderOfTheUsersFilesOrAPortableCopyIsRefusedAndTheUninstallRemovesOnlyWhatWasInstalled) {
  // The user's own Readme.txt, where the program would put one of that name,
  // beside settings of a portable copy whose Quistrel.exe is gone.
  const fs::path theirs = prefix_ / "drive_c" / "Notes";
  fs::create_directories(theirs);
  const std::string readme = "my own notes\r\n";
  std::ofstream(theirs / "Readme.txt", std::ios::binary) << readme;
  std::ofstream(theirs / "Quistrel.ini", std::ios::binary) << kSettings;
  EXPECT_NE(e2e::Run({"wine", Installer().string(), "/S", R"(/D=C:\Notes)"}).exitCode, 0);
  EXPECT_EQ(FileNames(theirs), (std::set<std::string>{"Quistrel.ini", "Readme.txt"}));
  EXPECT_TRUE(FileBytes(theirs / "Readme.txt") == readme) << "the user's Readme.txt was replaced";
  EXPECT_TRUE(UninstallEntry().empty());
  EXPECT_FALSE(fs::exists(startMenuLink_));

  // A portable copy unpacked among the user's files (Downloads, the desktop)
  // holds a Quistrel.exe too, but no installer put it there.
  const fs::path downloads = prefix_ / "drive_c" / "Downloads";
  fs::create_directories(downloads);
  const std::set<std::string> portable = {"Quistrel.exe", "Readme.txt", "License.txt", "report.txt"};
  for (const auto& name : portable) std::ofstream(downloads / name, std::ios::binary) << "theirs: " << name;
  EXPECT_NE(e2e::Run({"wine", Installer().string(), "/S", R"(/D=C:\Downloads)"}).exitCode, 0);
  EXPECT_EQ(FileNames(downloads), portable);
  for (const auto& name : portable)
    EXPECT_TRUE(FileBytes(downloads / name) == "theirs: " + name) << name << " replaced";
  EXPECT_TRUE(UninstallEntry().empty());

  // An empty folder is taken; a file the user adds there later outlives the
  // uninstall, and so does the folder that holds it.
  const fs::path empty = prefix_ / "drive_c" / "Tools";
  fs::create_directories(empty);
  ASSERT_EQ(e2e::Run({"wine", Installer().string(), "/S", R"(/D=C:\Tools)"}).exitCode, 0);
  EXPECT_EQ(UninstallEntry()["InstallLocation"], R"(C:\Tools)");

  // Another product's folder, with an Uninstall.exe of its own, where a
  // portable copy was put: only the uninstall entry that names the folder
  // proves that this installer put the program there.
  const fs::path other = prefix_ / "drive_c" / "Other";
  fs::create_directories(other);
  const std::set<std::string> product = {"Quistrel.exe", "Uninstall.exe", "other.dll"};
  for (const auto& name : product) std::ofstream(other / name, std::ios::binary) << "theirs: " << name;
  EXPECT_NE(e2e::Run({"wine", Installer().string(), "/S", R"(/D=C:\Other)"}).exitCode, 0);
  for (const auto& name : product) EXPECT_TRUE(FileBytes(other / name) == "theirs: " + name) << name << " replaced";
  EXPECT_EQ(UninstallEntry()["InstallLocation"], R"(C:\Tools)");

  std::ofstream(empty / "todo.txt", std::ios::binary) << "mine";
  ASSERT_EQ(e2e::Run({"wine", (empty / "Uninstall.exe").string(), "/S"}).exitCode, 0);
  ASSERT_TRUE(WaitFor([] { return UninstallEntry().empty(); }, 60s));
  EXPECT_EQ(FileNames(empty), (std::set<std::string>{"todo.txt"}));
  EXPECT_EQ(FileBytes(empty / "todo.txt"), "mine");
}

}  // namespace
}  // namespace e2e
