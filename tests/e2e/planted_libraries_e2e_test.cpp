// Started from a folder where a web page has left libraries named like
// system ones (Downloads): the program loads none of them, and still shows
// its version and gives a screen reader the selector's lines, with the real
// libraries from the system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr char kLblVersion[] = "1401";
// The two the program used to import, and two that the system loads for
// windows and controls.
const char* const kPlanted[] = {"version", "oleacc", "uxtheme", "dwmapi"};

// Runs `start` with Wine searching these names as Windows does: the
// program's folder first.
template <typename Start>
void NativeFirst(Start start) {
  const char* old = std::getenv("WINEDLLOVERRIDES");
  const std::string saved = old ? old : "";
  setenv("WINEDLLOVERRIDES", (saved + ";version,oleacc,uxtheme,dwmapi=n,b").c_str(), 1);
  start();
  setenv("WINEDLLOVERRIDES", saved.c_str(), 1);
}

void Plant(const fs::path& folder) {
  for (const char* name : kPlanted) {
    const std::string file = std::string(name) + ".dll";
    fs::copy_file(Win32BuildDir() / "tests" / "planted" / file, folder / file, fs::copy_options::overwrite_existing);
  }
}

// "oleacc.dll later Z:\...\Quistrel.exe" for each load of a planted library
// (each leaves a line in NAME.dll.loaded: "start" or "later", and the
// loading program). Wine's own user32 imports version.dll, so under Wine a
// planted version.dll comes with every program at its start, before the
// program's first instruction (Windows' user32 is a known DLL and imports no
// version.dll). That load is let pass; the program's own use of the version
// library shows in the version text, and its imports are checked by the test
// command.
std::string LoadedPlanted(const fs::path& folder, bool evenAtStart = false) {
  std::string loaded;
  for (const std::string name : kPlanted) {
    std::ifstream lines(folder / (name + ".dll.loaded"));
    for (std::string line; std::getline(lines, line);) {
      if (!evenAtStart && name == "version" && line.rfind("start ", 0) == 0) continue;
      loaded += name + ".dll " + line + "\n";
    }
  }
  return loaded;
}

TEST(PlantedLibraries, NoneIsLoadedAndTheVersionAndTheAccessibleLinesStillWork) {
  // Planting works here: a program that imports version.dll, started beside
  // a planted one, loads it. (The command calls nothing of the library.)
  Program control;
  Plant(control.Folder());
  fs::copy_file(Win32BuildDir() / "tests" / "qdriver.exe", control.Folder() / "qdriver.exe");
  NativeFirst([&] { e2e::Run({"wine", (control.Folder() / "qdriver.exe").string(), "cursor", "0", "0"}); });
  ASSERT_NE(LoadedPlanted(control.Folder(), true).find("qdriver.exe"), std::string::npos)
      << "a planted library is not loaded even where it is imported";

  Program program;
  program.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\nViewBalloon=0\r\n");
  Plant(program.Folder());
  XClipSet("");
  NativeFirst([&] { program.Launch(); });
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
  // The common controls come from the side-by-side folder of version 6 that
  // the manifest asks for.
  std::string modules = Driver({"modules", kSelector}).out;
  std::transform(modules.begin(), modules.end(), modules.begin(), [](unsigned char c) { return std::tolower(c); });
  EXPECT_NE(modules.find("common-controls_6595b64144ccf1df_6."), std::string::npos) << modules;
  EXPECT_EQ(modules.find("\\comctl32.dll"), modules.rfind("\\comctl32.dll")) << "two common controls: " << modules;
  Driver({"keys", "tap:0x1B"});

  EXPECT_TRUE(program.EndInOrder());
  EXPECT_EQ(LoadedPlanted(program.Folder()), "");
}

}  // namespace
}  // namespace e2e
