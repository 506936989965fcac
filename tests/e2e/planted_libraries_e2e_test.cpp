// Started from a folder where a web page has left libraries named like
// system ones (Downloads): the program loads none of them, and still shows
// its version and gives a screen reader the selector's lines, with the real
// libraries from the system.
#include <gtest/gtest.h>

#include <strings.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr char kLblVersion[] = "1401";
// The two the program used to import, and two that the system loads for
// windows and controls.
const char* const kPlanted[] = {"version", "oleacc", "uxtheme", "dwmapi"};

// Wine then searches these names as Windows does: the program's folder first.
class NativeFirst {
 public:
  NativeFirst() {
    const char* old = std::getenv("WINEDLLOVERRIDES");
    saved_ = old ? old : "";
    setenv("WINEDLLOVERRIDES", (saved_ + ";version,oleacc,uxtheme,dwmapi=n,b").c_str(), 1);
  }
  ~NativeFirst() { setenv("WINEDLLOVERRIDES", saved_.c_str(), 1); }
  NativeFirst(const NativeFirst&) = delete;
  NativeFirst& operator=(const NativeFirst&) = delete;

 private:
  std::string saved_;
};

void Plant(const fs::path& folder) {
  for (const char* name : kPlanted) {
    const std::string file = std::string(name) + ".dll";
    fs::copy_file(Win32BuildDir() / "tests" / "planted" / file, folder / file, fs::copy_options::overwrite_existing);
  }
}

// "version.dll by Z:\...\Quistrel.exe" for each planted library that was
// loaded (each writes NAME.dll.loaded beside itself).
std::string LoadedPlanted(const fs::path& folder) {
  std::string loaded;
  for (const char* name : kPlanted) {
    std::ifstream mark(folder / (std::string(name) + ".dll.loaded"));
    if (!mark) continue;
    std::ostringstream by;
    by << mark.rdbuf();
    loaded += std::string(name) + ".dll by " + by.str();
  }
  return loaded;
}

// Modules of the program's process that come from its own folder, apart from
// the program itself.
std::string ModulesFromProgramFolder(const Program& program) {
  const RunResult modules = Driver({"modules", kSelector});
  EXPECT_EQ(modules.exitCode, 0);
  EXPECT_NE(modules.out.find("Quistrel.exe"), std::string::npos) << modules.out;
  std::string folder = WindowsPath(program.Folder()) + "\\";
  std::string found;
  std::istringstream lines(modules.out);
  for (std::string line; std::getline(lines, line);) {
    if (strncasecmp(line.c_str(), folder.c_str(), folder.size()) == 0 && line.find("Quistrel.exe") == std::string::npos)
      found += line + "\n";
  }
  return found;
}

TEST(PlantedLibraries, NoneIsLoadedAndTheVersionAndTheAccessibleLinesStillWork) {
  // Planting works here: a program that imports version.dll, started beside
  // a planted one, loads it.
  Program control;
  Plant(control.Folder());
  fs::copy_file(Win32BuildDir() / "tests" / "qdriver.exe", control.Folder() / "qdriver.exe");
  {
    NativeFirst nativeFirst;
    e2e::Run({"wine", (control.Folder() / "qdriver.exe").string(), "file-version",
              WindowsPath(control.File("Quistrel.exe"))});
  }
  ASSERT_NE(LoadedPlanted(control.Folder()).find("version.dll by"), std::string::npos)
      << "a planted library is not loaded even where it is imported";

  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\nViewBalloon=0\r\n");
  Plant(program.Folder());
  XClipSet("");
  {
    NativeFirst nativeFirst;
    program.Launch();
  }
  const bool started = Driver({"find", kSelector, "30000"}).exitCode == 0;
  EXPECT_EQ(LoadedPlanted(program.Folder()), "");
  ASSERT_TRUE(started);
  FocusWineDesktop();

  Driver({"post", kSelector, kWmCommand, kMenuAbout, "0"});
  ASSERT_EQ(Driver({"find", kAbout, "10000"}).exitCode, 0);
  EXPECT_EQ(Driver({"edit-text", kAbout, kLblVersion}).out, "Ver.1.0.0 ");
  Driver({"close", kAbout});
  ASSERT_EQ(Driver({"wait-gone", kAbout, "5000"}).exitCode, 0);

  for (const char* text : {"first", "second"}) {
    ASSERT_EQ(Driver({"clip-set", text}).exitCode, 0);
    std::this_thread::sleep_for(300ms);
  }
  Driver({"post", kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});  // tray icon, left button
  ASSERT_TRUE(WaitFor([] { return Driver({"info", kSelector}).out.rfind("visible=1", 0) == 0; }, 5s));
  const std::string lines = Driver({"acc-names", kSelector, kList}).out;
  EXPECT_EQ(lines.substr(lines.find('\n') + 1), "count=2\nsecond\nfirst\n") << lines;
  EXPECT_EQ(ModulesFromProgramFolder(program), "");
  Driver({"keys", "tap:0x1B"});

  EXPECT_TRUE(program.EndInOrder());
  EXPECT_EQ(LoadedPlanted(program.Folder()), "");
}

}  // namespace
}  // namespace e2e
