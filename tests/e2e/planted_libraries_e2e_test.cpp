// Started from a folder where a web page has left libraries named like
// system ones (Downloads): the program loads none of them, and still shows
// its version and gives a screen reader the selector's lines, with the real
// libraries from the system.
#include <gtest/gtest.h>

#include <cctype>
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

// What NAME.dll.loaded says: one line per load, "start" or "later" and the
// loading program.
std::string Marks(const fs::path& folder, const std::string& name) {
  std::ifstream mark(folder / (name + ".dll.loaded"));
  std::ostringstream lines;
  if (mark) lines << mark.rdbuf();
  return lines.str();
}

// "oleacc.dll later Z:\...\Quistrel.exe" for each load of a planted library.
// Wine's own user32 imports version.dll, so under Wine a planted version.dll
// comes with every program at its start, before the program's first
// instruction (Windows' user32 is a known DLL and imports no version.dll).
// That load is let pass; the program's own use of the version library shows
// in the version text, and its imports are checked by the test command.
std::string LoadedPlanted(const fs::path& folder) {
  std::string loaded;
  for (const char* name : kPlanted) {
    std::istringstream lines(Marks(folder, name));
    for (std::string line; std::getline(lines, line);) {
      if (std::string(name) == "version" && line.rfind("start ", 0) == 0) continue;
      loaded += std::string(name) + ".dll " + line + "\n";
    }
  }
  return loaded;
}

// Where the program's common controls come from: the side-by-side folder of
// version 6 that the manifest asks for.
std::string CommonControlsModule() {
  const RunResult modules = Driver({"modules", kSelector});
  std::istringstream lines(modules.out);
  for (std::string line; std::getline(lines, line);) {
    std::string lower = line;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("\\comctl32.dll") != std::string::npos) return lower;
  }
  return "no comctl32.dll among: " + modules.out;
}

TEST(PlantedLibraries, NoneIsLoadedAndTheVersionAndTheAccessibleLinesStillWork) {
  // Planting works here: a program that imports version.dll, started beside
  // a planted one, loads it.
  Program control;
  Plant(control.Folder());
  fs::copy_file(Win32BuildDir() / "tests" / "qdriver.exe", control.Folder() / "qdriver.exe");
  {
    NativeFirst nativeFirst;
    // A command that calls nothing of the planted library, which has none of
    // the functions the driver imports.
    e2e::Run({"wine", (control.Folder() / "qdriver.exe").string(), "cursor", "0", "0"});
  }
  ASSERT_NE(Marks(control.Folder(), "version").find("qdriver.exe"), std::string::npos)
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
  EXPECT_NE(CommonControlsModule().find("common-controls_6595b64144ccf1df_6."), std::string::npos)
      << CommonControlsModule();
  Driver({"keys", "tap:0x1B"});

  EXPECT_TRUE(program.EndInOrder());
  EXPECT_EQ(LoadedPlanted(program.Folder()), "");
}

}  // namespace
}  // namespace e2e
