// The end-to-end harness: starts Quistrel.exe under Wine in a folder of its
// own, changes the clipboard from outside (xclip), presses keys (xdotool or the
// Windows-side driver), reads windows and the clipboard back, ends the program
// in order and inspects the files it wrote. Runs inside scripts/wine-test.sh,
// which provides the Wine prefix and a virtual display.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

// The program's fixed window class names.
inline constexpr char kSelector[] = "Mallowquist.frmMain";
inline constexpr char kSettings[] = "Mallowquist.frmSetting";
inline constexpr char kEntry[] = "Mallowquist.frmTextInput";
inline constexpr char kHello[] = "Mallowquist.frmHello";
inline constexpr char kAbout[] = "Mallowquist.frmAbout";

// Messages and control and menu identifiers the scenarios send or read, as
// the driver takes them.
inline constexpr char kWmCommand[] = "0x0111";
inline constexpr char kMenuSetting[] = "102";
inline constexpr char kMenuAbout[] = "103";
inline constexpr char kList[] = "1002";     // the selector's list
inline constexpr char kPreview[] = "1003";  // the selector's preview
inline constexpr char kCmdFixedAdd[] = "1111";

struct RunResult {
  int exitCode = -1;
  std::string out;
};

// Runs a program and waits for it; standard input gets `input`. One that is
// still running after `limit` (an xclip whose selection owner never answers,
// an xdotool waiting for a focus that never comes) is ended, and the result
// has exit code -1: a stuck helper fails the scenario instead of hanging it.
RunResult Run(const std::vector<std::string>& argv, const std::string& input = {},
              std::chrono::milliseconds limit = std::chrono::seconds(60));

// The Win32 build folder with Quistrel.exe and qdriver.exe.
fs::path Win32BuildDir();

// Calls the Windows-side driver (see tests/e2e/driver/qdriver.cpp).
RunResult Driver(const std::vector<std::string>& args);

// The X clipboard, which Wine shares.
void XClipSet(const std::string& utf8);
std::string XClipGet();

// xdotool key names: "super+c", "super+alt+c", "keyup Super_L", ...
void XdoTool(const std::vector<std::string>& args);

// Gives the X focus to Wine's virtual desktop, so that keys pressed with
// xdotool reach the Windows program that is active there; in Wine's default
// mode (QUISTREL_WINE_DESKTOP=none, no virtual desktop), to the X window of
// the active Windows program.
void FocusWineDesktop();
bool WineHasDesktop();
// A window manager (openbox) runs on the display, as on a Linux desktop
// (QUISTREL_WINDOW_MANAGER=openbox; scripts/wine-test.sh starts it).
bool WindowManagerRuns();

// Saves a screenshot of the whole virtual display as NAME.png (NAME-windowed.png
// without Wine's virtual desktop, NAME-windowed-wm.png with a window manager
// besides) in the screenshot folder and returns its path.
fs::path Screenshot(const std::string& name);
// The display's pixels in a rectangle, as raw RGB bytes: to tell whether
// something drawn there changed.
std::string ScreenPixels(int left, int top, int width, int height);

// What a process holds for itself, in MiB, from /proc (Windows' private-bytes
// counter reads 0 under Wine).
double PrivateMiB(pid_t pid);

// Waits until the condition holds, checking every 50 ms.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// One run of Quistrel.exe in a fresh folder.
class Program {
 public:
  // Prepares the folder (with a copy of the executable) without starting it.
  Program();
  // Runs the program where it already is (an installed copy); the folder stays.
  explicit Program(fs::path installedFolder);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  const fs::path& Folder() const { return folder_; }
  fs::path File(const std::string& name) const { return folder_ / name; }
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::optional<std::string> ReadFile(const std::string& name) const;

  // Starts the program; true once its main window (or the welcome window
  // that precedes it) exists.
  bool Start();
  // Starts it without waiting for any window: a message box may come first.
  void Launch();
  // Starts one more copy from the same folder (it should refuse to run).
  pid_t StartAnother();
  // Ends the program as taskkill does (WM_CLOSE) and waits for the process.
  bool EndInOrder();
  bool Running() const;
  // Running processes of the executable in this folder.
  int CountProcesses() const;
  pid_t Pid() const { return pid_; }

 private:
  fs::path folder_;
  bool ownsFolder_ = true;
  pid_t pid_ = -1;
};

// A helper program (Notepad, a driver holding a hot key) that runs beside the
// scenario; it is ended by its process id when the object goes. Its standard
// output goes to `output` when given.
class Background {
 public:
  explicit Background(const std::vector<std::string>& argv, const fs::path& output = {});
  ~Background();
  bool Running();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

 private:
  pid_t pid_ = -1;
};

bool WaitForExit(pid_t pid, std::chrono::milliseconds timeout);

// The same path as Windows programs under Wine see it.
std::string WindowsPath(const fs::path& path);

// Makes the top-level window of the class the active one and gives the X
// focus to Wine's desktop, so that the selector hands the activation back
// to it.
bool MakeActive(const std::string& className);

// A window of another program (Quistrel.KeyLog, in the driver) that records
// each key message it receives, one line each, such as "keydown 56 ctrl".
// As a peer it also holds Win+C and Win+Alt+C and logs its own keyboard
// hook; start it before the program then. Its window's class may be given
// (a terminal program's, "PuTTY").
class KeyLog {
 public:
  enum class Kind { Window, Peer };
  explicit KeyLog(Kind kind = Kind::Window, const std::string& className = "Quistrel.KeyLog");
  ~KeyLog();
  KeyLog(const KeyLog&) = delete;
  KeyLog& operator=(const KeyLog&) = delete;
  std::string Lines() const;

 private:
  fs::path file_;
  Background process_;
};

}  // namespace e2e
