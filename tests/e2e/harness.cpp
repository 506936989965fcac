#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

using namespace std::chrono_literals;

namespace {
std::vector<char*> Argv(const std::vector<std::string>& argv) {
  std::vector<char*> out;
  for (const auto& a : argv) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

pid_t Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd, const fs::path& cwd = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdinFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
  if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  auto args = Argv(argv);
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

// Polls often at first: most helpers end within milliseconds, and the
// scenarios call them by the hundred.
bool WaitForChild(pid_t pid, int& status, std::chrono::milliseconds limit) {
  const auto start = std::chrono::steady_clock::now();
  for (auto pause = std::chrono::milliseconds(1);; pause = std::min(pause * 2, std::chrono::milliseconds(20))) {
    if (waitpid(pid, &status, WNOHANG) == pid) return true;
    if (std::chrono::steady_clock::now() - start >= limit) return false;
    std::this_thread::sleep_for(pause);
  }
}

const char* Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}
}  // namespace

RunResult Run(const std::vector<std::string>& argv, const std::string& input, std::chrono::milliseconds limit) {
  // Input and output go through unlinked temporary files, not pipes: Wine
  // starts helper processes that inherit the descriptors and outlive the call,
  // so the end of a pipe would never come.
  char inName[] = "/tmp/quistrel-in-XXXXXX";
  char outName[] = "/tmp/quistrel-out-XXXXXX";
  const int in = mkostemp(inName, O_CLOEXEC);
  const int out = mkostemp(outName, O_CLOEXEC);
  if (in < 0 || out < 0) throw std::runtime_error("temporary file");
  unlink(inName);
  unlink(outName);
  if (!input.empty() && write(in, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    throw std::runtime_error("temporary file write");
  }
  lseek(in, 0, SEEK_SET);
  const pid_t pid = Spawn(argv, in, out);
  int status = 0;
  const bool ended = WaitForChild(pid, status, limit);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  RunResult result;
  result.exitCode = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  lseek(out, 0, SEEK_SET);
  char buffer[4096];
  ssize_t n;
  while ((n = read(out, buffer, sizeof buffer)) > 0) result.out.append(buffer, static_cast<std::size_t>(n));
  close(in);
  close(out);
  return result;
}

fs::path Win32BuildDir() { return Env("QUISTREL_WIN32_BUILD_DIR", "build/win32"); }

RunResult Driver(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"wine", (Win32BuildDir() / "tests" / "qdriver.exe").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  return Run(argv, {}, 20s);
}

void XClipSet(const std::string& utf8) {
  // xclip stays behind as the selection owner until someone else takes it.
  Run({"xclip", "-selection", "clipboard", "-i"}, utf8);
}

std::string XClipGet() {
  // Right after a Windows program has put a text on the clipboard, Wine may
  // own the X selection before it offers the text as a target: xclip then
  // fails at once, and a moment later it reads the text.
  RunResult read;
  for (int attempt = 0; attempt < 10; ++attempt) {
    read = Run({"xclip", "-selection", "clipboard", "-o"}, {}, 10s);
    if (read.exitCode == 0) break;
    std::this_thread::sleep_for(100ms);
  }
  return read.out;
}

void XdoTool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  Run(argv, {}, 10s);
}

bool WineHasDesktop() { return std::string(Env("QUISTREL_WINE_DESKTOP", "")) != "none"; }

bool WindowManagerRuns() { return std::string(Env("QUISTREL_WINDOW_MANAGER", "")) == "openbox"; }

void FocusWineDesktop() {
  // Without the virtual desktop, the X focus goes to the X window of the
  // window Wine has in the foreground, as a user's click would put it; a
  // window manager is asked to activate it, as its own click would.
  const RunResult found =
      WineHasDesktop() ? Run({"xdotool", "search", "--name", "Wine desktop"}) : Driver({"x-window"});
  const std::string window = found.out.substr(0, found.out.find('\n'));
  if (window.empty()) return;
  Run({"xdotool", WindowManagerRuns() ? "windowactivate" : "windowfocus", "--sync", window}, {}, 10s);
}

fs::path Screenshot(const std::string& name) {
  const fs::path folder = Env("QUISTREL_SCREENSHOTS", "screenshots");
  fs::create_directories(folder);
  const fs::path file =
      folder / (name + (WineHasDesktop() ? "" : "-windowed") + (WindowManagerRuns() ? "-wm" : "") + ".png");
  Run({"import", "-window", "root", file.string()});
  return file;
}

std::string ScreenPixels(int left, int top, int width, int height) {
  const std::string area =
      std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(left) + "+" + std::to_string(top);
  return Run({"import", "-window", "root", "-crop", area, "rgb:-"}).out;
}

double PrivateMiB(pid_t pid) {
  std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
  double kib = 0;
  for (std::string line; std::getline(rollup, line);) {
    if (line.rfind("Private_", 0) == 0) kib += std::stod(line.substr(line.find(':') + 1));
  }
  return kib / 1024;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

Program::Program() {
  static int counter = 0;
  folder_ = fs::temp_directory_path() / ("quistrel-e2e-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  fs::copy_file(Win32BuildDir() / "src" / "Quistrel.exe", folder_ / "Quistrel.exe");
}

Program::Program(fs::path installedFolder) : folder_(std::move(installedFolder)), ownsFolder_(false) {}

Program::~Program() {
  if (Running()) {
    EndInOrder();
    if (Running()) {
      kill(pid_, SIGKILL);
      WaitForExit(pid_, std::chrono::seconds(5));
    }
  }
  if (!ownsFolder_) return;
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void Program::WriteFile(const std::string& name, const std::string& bytes) const {
  std::ofstream(folder_ / name, std::ios::binary) << bytes;
}

std::optional<std::string> Program::ReadFile(const std::string& name) const {
  std::ifstream in(folder_ / name, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void Program::Launch() { pid_ = Spawn({"wine", (folder_ / "Quistrel.exe").string()}, -1, -1, folder_); }

bool Program::Start() {
  Launch();
  // Started means: the main window exists, or the welcome window that comes
  // before it at a first start.
  return WaitFor(
      [] {
        return Driver({"find", kSelector, "0"}).exitCode == 0 || Driver({"find", kHello, "0"}).exitCode == 0;
      },
      std::chrono::seconds(30));
}

pid_t Program::StartAnother() { return Spawn({"wine", (folder_ / "Quistrel.exe").string()}, -1, -1, folder_); }

bool Program::Running() const {
  if (pid_ <= 0) return false;
  int status = 0;
  return waitpid(pid_, &status, WNOHANG) == 0;
}

bool Program::EndInOrder() {
  if (Driver({"close", kSelector}).exitCode != 0) return false;
  const bool ended = WaitForExit(pid_, std::chrono::seconds(20));
  if (ended) pid_ = -1;
  return ended;
}

bool WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
  return WaitFor(
      [pid] {
        int status = 0;
        const pid_t rc = waitpid(pid, &status, WNOHANG);
        return rc == pid || rc < 0;
      },
      timeout);
}

Background::Background(const std::vector<std::string>& argv, const fs::path& output) {
  const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
  const int out = output.empty() ? devNull : open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  pid_ = Spawn(argv, devNull, out);
  if (out != devNull) close(out);
  close(devNull);
}

bool Background::Running() {
  // A process that ended is reaped here, and its id is never signalled again.
  if (pid_ > 0 && WaitForExit(pid_, std::chrono::milliseconds(0))) pid_ = -1;
  return pid_ > 0;
}

Background::~Background() {
  if (pid_ <= 0) return;
  // Wine runs the Windows program in the process it was started as, so its
  // id reaches the program itself.
  kill(pid_, SIGTERM);
  if (!WaitForExit(pid_, std::chrono::seconds(5))) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string WindowsPath(const fs::path& path) {
  std::string text = "Z:" + fs::absolute(path).string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

bool MakeActive(const std::string& className) {
  if (Driver({"find", className, "20000"}).exitCode != 0) return false;
  const bool active = WaitFor(
      [&className] {
        Driver({"foreground", className});
        return Driver({"active"}).out.rfind(className, 0) == 0;
      },
      std::chrono::seconds(10));
  FocusWineDesktop();
  return active;
}

namespace {
fs::path KeyLogFile() {
  static int counter = 0;
  return fs::temp_directory_path() /
         ("quistrel-keylog-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".txt");
}
}  // namespace

KeyLog::KeyLog(Kind kind, const std::string& className)
    : file_(KeyLogFile()),
      process_({"wine", (Win32BuildDir() / "tests" / "qdriver.exe").string(), "key-log", WindowsPath(file_), "120",
                kind == Kind::Peer ? "peer" : "", "class", className}) {}

std::string KeyLog::Lines() const {
  std::ifstream in(file_, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

KeyLog::~KeyLog() {
  std::error_code ignored;
  fs::remove(file_, ignored);
}

int Program::CountProcesses() const {
  // Living processes started from this folder (other test runs may have
  // their own copies running at the same time).
  const RunResult result = Run({"ps", "-eo", "stat=,args="});
  // Wine's loader may show the program by its Windows path (Z:\...).
  const fs::path exe = folder_ / "Quistrel.exe";
  const std::string unixPath = exe.string();
  const std::string windowsPath = WindowsPath(exe);
  int count = 0;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    const bool ours = line.find(unixPath) != std::string::npos || line.find(windowsPath) != std::string::npos;
    if (ours && line.find('Z') != 0) ++count;
  }
  return count;
}

}  // namespace e2e
