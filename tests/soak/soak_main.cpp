// The soak test: random user actions against Quistrel.exe under Wine, real
// keys at the X server and other programs on the clipboard, each result
// compared with the model of what the user must see. The same seed replays
// the same actions; the first divergence stops the run with the last actions,
// the expectation, what was seen and a screenshot.
//   soak [--minutes N] [--seed S] [--actions A]   (A: stop once that many are done)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "harness.h"
#include "soak_model.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// As the driver escapes texts it prints.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

// The preview shows the text whole, or, for a text longer than the box
// shows at once, its beginning and the note that more follows.
bool PreviewShows(const std::string& preview, const std::string& text) {
  const std::string whole = Escape(text);
  if (preview == whole) return true;
  static const std::string note = Escape("\r\n\r\n…（以下省略）");
  if (preview.size() < note.size() || preview.compare(preview.size() - note.size(), note.size(), note) != 0) {
    return false;
  }
  const std::size_t head = preview.size() - note.size();
  return head < whole.size() && whole.compare(0, head, preview, 0, head) == 0;
}

std::string Short(const std::string& text) {
  const std::string escaped = Escape(text);
  if (escaped.size() <= 40) return "\"" + escaped + "\"";
  return "\"" + escaped.substr(0, 24) + "...\" (" + std::to_string(text.size()) + " bytes)";
}

std::string Tool(const char* name) { return (e2e::Win32BuildDir() / "tests" / name).string(); }

// What the program's windows and the clipboard showed, from one driver call.
struct Seen {
  std::string raw;
  bool clipReadable = false;
  std::string clip;
  bool open = false;
  std::string kind;
  int selected = -1;
  int count = -1;
  std::string preview;
  bool linesReadable = true;
  std::vector<std::string> lines;
  std::vector<std::string> settingsFixed;
  std::set<std::string> windows;
};

Seen Look() {
  Seen seen;
  seen.raw = e2e::Driver({"soak-state"}).out;
  std::istringstream in(seen.raw);
  for (std::string line; std::getline(in, line);) {
    const auto tab = line.find('\t');
    const std::string key = line.substr(0, tab);
    const std::string value = tab == std::string::npos ? std::string() : line.substr(tab + 1);
    if (key == "clip") {
      seen.clipReadable = true;
      seen.clip = value;
    } else if (key == "open") {
      seen.open = value == "1";
    } else if (key == "kind") {
      seen.kind = value;
    } else if (key == "selected") {
      seen.selected = std::atoi(value.c_str());
    } else if (key == "count") {
      seen.count = std::atoi(value.c_str());
    } else if (key == "preview") {
      seen.preview = value;
    } else if (key == "lines-unreadable") {
      seen.linesReadable = false;
    } else if (key == "line") {
      seen.lines.push_back(value);
    } else if (key == "fixed") {
      seen.settingsFixed.push_back(value);
    } else if (key == "window") {
      seen.windows.insert(value);
    }
  }
  return seen;
}

class Soak {
 public:
  explicit Soak(uint64_t seed) : random_(seed) {}

  // Runs until the time is up, the actions are done (when any are given) or
  // the first divergence; the number of divergences (0 or 1).
  int Run(Clock::duration length, int actions) {
    e2e::XClipSet("soak start");
    program_.WriteFile("Quistrel.ini", "[Main]\r\nViewHello=0\r\nViewBalloon=0\r\n");
    program_.WriteFile("FixedString.dat", std::string("greeting") + '\0' + "signature");
    if (!Start()) return Diverged("the program did not start");
    if (!Check()) return 1;
    baseMiB_ = e2e::PrivateMiB(program_.Pid());
    const auto end = Clock::now() + length;
    while (Clock::now() < end && (actions <= 0 || actions_ < actions)) {
      Step();
      if (!Check()) return 1;
    }
    Finish();
    return 0;
  }

  int Actions() const { return actions_; }
  double PeakMiB() const { return peakMiB_; }

 private:
  struct Action {
    const char* name;
    int weight;
    std::function<bool()> allowed;
    std::function<void()> run;
  };

  bool Start() {
    if (!program_.Start()) return false;
    e2e::FocusWineDesktop();
    return true;
  }

  int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }
  bool Chance(int percent) { return Pick(100) < percent; }

  void Log(const std::string& what) {
    ++actions_;
    recent_.push_back(std::to_string(actions_) + ". " + what);
    if (recent_.size() > 30) recent_.pop_front();
  }

  // Texts as users copy them: short ones that repeat, unique ones, Unicode
  // outside code page 932 (emoji among it), long ones, empty ones.
  std::string Text(bool lineBreaks) {
    static const char* const kCommon[] = {"alpha",      "beta",     "こんにちは", "表示",      "Müller – naïve ☃",
                                          "Ελληνικά ∮", "emoji 😀🎉", "ｶﾀｶﾅ",       "tab\there", "gamma"};
    switch (Pick(10)) {
      case 0:
      case 1:
      case 2:
      case 3: return kCommon[Pick(10)];
      case 4: return lineBreaks ? "line " + std::to_string(actions_) + "\r\nnext" : "ÿ Ω " + std::to_string(actions_);
      case 5: {
        if (lineBreaks) return "windows " + std::to_string(actions_);
        std::string text = "long " + std::to_string(actions_) + " ";
        const std::size_t size = 2000 + static_cast<std::size_t>(Pick(60000));
        while (text.size() < size) text += static_cast<char>('a' + Pick(26));
        return text;
      }
      case 6: return Chance(50) ? "" : "copy " + std::to_string(actions_);
      default: return "copy " + std::to_string(actions_);
    }
  }

  // Fixed strings must survive FixedString.dat, which is in code page 932.
  std::string FixedText() {
    static const char* const kFixed[] = {"よろしくお願いします", "住所：東京都", "定型文\r\n二行目", "sig"};
    return Chance(60) ? kFixed[Pick(4)] : "fixed " + std::to_string(actions_);
  }

  void Key(const std::string& name) { e2e::XdoTool({"key", name}); }
  void Press(const char* what, const char* key, void (soak::Model::*then)()) {
    Log(what);
    Key(key);
    (model_.*then)();
  }

  void HoldWin() {
    if (!winHeld_) e2e::XdoTool({"keydown", "super"});
    winHeld_ = true;
  }

  void Copy(const std::string& text) {
    Log("copy " + Short(text));
    e2e::XClipSet(text);
    model_.Copy(text);
  }

  void CopyFromWindows() {
    const std::string text = Text(true);
    const bool done = e2e::Driver({"clip-put", Escape(text)}).exitCode == 0;
    Log("copy in a Windows program " + Short(text) + (done ? "" : " (the clipboard was busy: no copy)"));
    if (done) model_.Copy(text);
  }

  void CopyPrivate() {
    static const char* const kMarks[][2] = {{"ExcludeClipboardContentFromMonitorProcessing", "-"},
                                            {"CanIncludeInClipboardHistory", "0"},
                                            {"Clipboard Viewer Ignore", "-"},
                                            {"CanIncludeInClipboardHistory", "1"}};
    const auto& mark = kMarks[Pick(4)];
    const std::string text = "password " + std::to_string(actions_);
    const bool isPrivate = std::string(mark[1]) != "1";
    const bool done = e2e::Run({"wine", Tool("qpeer.exe"), "private", mark[0], mark[1], text}).exitCode == 0;
    Log(std::string("copy with ") + mark[0] + "=" + mark[1] + " " + Short(text) + (done ? "" : " (failed)"));
    if (done) model_.Copy(text, isPrivate);
  }

  void WinC(bool upwards) {
    HoldWin();
    if (upwards) {
      Log("Win+Alt+C");
      e2e::XdoTool({"keydown", "alt", "key", "c", "keyup", "alt"});
    } else {
      Log("Win+C");
      Key("c");
    }
    model_.WinC(upwards);
  }

  void ReleaseWin() {
    Log("release Win");
    e2e::XdoTool({"keyup", "super"});
    winHeld_ = false;
    model_.ReleaseWin();
  }

  void TrayClick() {
    Log("tray icon clicked");
    e2e::Driver({"post", e2e::kSelector, "reg:Mallowquist_NotfyIcon", "1", "0x202"});
    model_.TrayClick();
  }

  // One or two clicks on a line the list shows without scrolling. Two
  // clicks on one spot within the system's double-click time (Wine's 500 ms)
  // are a double-click, so a user's next click on a line comes later.
  void ClickLine(bool twice) {
    const int line = Pick(std::min<int>(4, static_cast<int>(model_.Lines().size())));
    Log(std::string(twice ? "double-click" : "click") + " on line " + std::to_string(line));
    std::istringstream point(e2e::Driver({"line-point", e2e::kSelector, e2e::kList, std::to_string(line)}).out);
    std::string x, y;
    point >> x >> y;
    std::this_thread::sleep_until(lastLineClick_ + 600ms);
    e2e::XdoTool({"mousemove", x, y, "click", "--repeat", twice ? "2" : "1", "--delay", "60", "1"});
    lastLineClick_ = Clock::now();
    twice ? model_.DoubleClickLine(line) : model_.ClickLine(line);
  }

  void OpenSettings() {
    Log("settings opened from the tray menu");
    e2e::Driver({"post", e2e::kSelector, e2e::kWmCommand, e2e::kMenuSetting, "0"});
    e2e::Driver({"find", e2e::kSettings, "10000"});
    model_.OpenSettings();
  }

  void SetLength() {
    static const int kLengths[] = {1, 2, 3, 5, 10, 15};
    const int length = kLengths[Pick(6)];
    Log("settings: history length " + std::to_string(length));
    e2e::Driver({"set-text", e2e::kSettings, "1105", std::to_string(length)});
    model_.SetHistoryLength(length);
  }

  void AddFixed() {
    const std::string text = FixedText();
    Log("settings: fixed string added " + Short(text));
    e2e::Driver({"post", e2e::kSettings, e2e::kWmCommand, e2e::kCmdFixedAdd, "0"});
    e2e::Driver({"find", e2e::kEntry, "10000"});
    e2e::Driver({"set-text", e2e::kEntry, "1201", Escape(text)});
    e2e::Driver({"post", e2e::kEntry, e2e::kWmCommand, "1", "0"});
    e2e::Driver({"wait-gone", e2e::kEntry, "10000"});
    model_.AddFixed(text);
  }

  void RemoveFixed() {
    const int line = Pick(static_cast<int>(model_.SettingsFixed().size()));
    Log("settings: fixed string " + std::to_string(line) + " removed");
    e2e::Driver({"list-select", e2e::kSettings, "1109", std::to_string(line)});
    e2e::Driver({"post", e2e::kSettings, e2e::kWmCommand, "1113", "0"});
    model_.RemoveFixed(line);
  }

  void CloseSettings(bool ok) {
    Log(ok ? "settings: OK" : "settings: Cancel");
    e2e::Driver({"post", e2e::kSettings, e2e::kWmCommand, ok ? "1" : "2", "0"});
    e2e::Driver({"wait-gone", e2e::kSettings, "10000"});
    model_.CloseSettings(ok);
  }

  // Another program holds the clipboard for a moment (now and then for
  // eight seconds); with a text, it copies it first and takes the clipboard
  // again at once, and `meanwhile` is what the user does while it is held.
  void Hold(const std::string& text, const std::function<void()>& meanwhile) {
    // The long holds only where nothing of the user's waits on them.
    const int ms = !meanwhile && Chance(15) ? 8000 : 200 + Pick(1300);
    const fs::path said = fs::temp_directory_path() / ("quistrel-soak-hold-" + std::to_string(getpid()));
    std::vector<std::string> argv{"wine", Tool("qpeer.exe"), "hold-ms", std::to_string(ms)};
    if (!text.empty()) argv.push_back(text);
    Log("another program " + (text.empty() ? std::string() : "copies " + Short(text) + " and ") +
        "holds the clipboard for " + std::to_string(ms) + " ms");
    holder_.emplace(argv, said);
    const bool held = e2e::WaitFor(
        [&said] {
          std::ifstream in(said);
          std::string word;
          return in >> word && word == "held";
        },
        20s);
    if (held && !text.empty()) model_.Copy(text);
    if (held && meanwhile) meanwhile();
    std::error_code ignored;
    // The check comes once the clipboard is free again.
    e2e::WaitFor([this] { return !holder_->Running(); }, std::chrono::milliseconds(ms) + 30s);
    holder_.reset();
    // The program reads a held copy within a quarter of a second of its
    // holder letting go; a copy that the next one replaces sooner may be
    // missed, so the user waits that long, with room for a loaded machine.
    if (!text.empty()) std::this_thread::sleep_for(1s);
    fs::remove(said, ignored);
  }

  void Viewer() {
    if (viewer_) {
      Log("the hung clipboard viewer goes");
      viewer_.reset();
    } else {
      Log("a clipboard viewer that hangs joins the chain");
      viewer_.emplace(std::vector<std::string>{"wine", Tool("qpeer.exe"), "viewer", "hang", "3600"});
    }
  }

  void Restart() {
    Log("the program ends by WM_CLOSE and starts again");
    const bool ended = program_.EndInOrder();
    model_.Restart();
    if (!ended) {
      restartFailed_ = "the program did not end in order";
      return;
    }
    if (!Start()) restartFailed_ = "the program did not start again";
  }

  void Step() {
    const bool open = model_.SelectorOpen();
    const bool settings = model_.SettingsOpen();
    const bool lines = !model_.Lines().empty();
    const auto always = [] { return true; };
    const auto keys = [&] { return !settings; };
    const auto mouse = [&] { return open && lines && !winHeld_; };
    const auto calm = [&] { return !open && !settings && !winHeld_; };
    const std::vector<Action> table{
        {"copy", 16, always, [this] { Copy(Text(false)); }},
        {"copy in Windows", 6, always, [this] { CopyFromWindows(); }},
        {"private copy", 4, always, [this] { CopyPrivate(); }},
        {"Win+C", 16, always, [this] { WinC(false); }},
        {"Win+Alt+C", 5, always, [this] { WinC(true); }},
        {"release Win", 14, [this] { return winHeld_; }, [this] { ReleaseWin(); }},
        {"Up", 3, keys, [this] { Press("Up", "Up", &soak::Model::Up); }},
        {"Down", 3, keys, [this] { Press("Down", "Down", &soak::Model::Down); }},
        {"Shift", 2, keys, [this] { Press("Shift", "shift", &soak::Model::SwitchList); }},
        {"Left", 1, keys, [this] { Press("Left", "Left", &soak::Model::SwitchList); }},
        {"Right", 1, keys, [this] { Press("Right", "Right", &soak::Model::SwitchList); }},
        {"Esc", 3, keys, [this] { Press("Esc", "Escape", &soak::Model::Cancel); }},
        {"right Win", 2, keys,
         [this] {
           // Through the system's input: a Super_R tapped at the X server
           // while Super_L is held reaches Wine programs as the release of
           // the left Win key.
           Log("right Win");
           e2e::Driver({"keys", "down:0x5C", "up:0x5C"});
           model_.Cancel();
         }},
        {"other key", 1, keys, [this] { Press("the key X", "x", &soak::Model::Cancel); }},
        {"tray click", 4, always, [this] { TrayClick(); }},
        {"click line", 2, mouse, [this] { ClickLine(false); }},
        {"double-click line", 3, mouse, [this] { ClickLine(true); }},
        {"click elsewhere", 2, [&] { return open && !winHeld_; },
         [this] {
           Log("click elsewhere");
           e2e::XdoTool({"mousemove", "20", "20", "click", "1"});
           model_.Cancel();
         }},
        {"settings", 2, calm, [this] { OpenSettings(); }},
        {"settings length", 4, [&] { return settings; }, [this] { SetLength(); }},
        {"settings add", 4, [&] { return settings; }, [this] { AddFixed(); }},
        {"settings remove", 3, [&] { return settings && !model_.SettingsFixed().empty(); }, [this] { RemoveFixed(); }},
        {"settings OK", 4, [&] { return settings; }, [this] { CloseSettings(true); }},
        {"settings Cancel", 2, [&] { return settings; }, [this] { CloseSettings(false); }},
        {"hold at commit", 2, [&] { return open && winHeld_; }, [this] { Hold({}, [this] { ReleaseWin(); }); }},
        {"copy and hold", 2, always, [this] { Hold("held copy " + std::to_string(actions_), nullptr); }},
        {"hold during Win+C", 1, [&] { return !settings; }, [this] { Hold({}, [this] { WinC(false); }); }},
        {"viewer", 1, always, [this] { Viewer(); }},
        {"restart", 1, calm, [this] { Restart(); }},
    };
    int total = 0;
    for (const Action& action : table) total += action.allowed() ? action.weight : 0;
    int at = Pick(total);
    for (const Action& action : table) {
      if (!action.allowed()) continue;
      if (at < action.weight) {
        action.run();
        return;
      }
      at -= action.weight;
    }
  }

  // Empty when what was seen is what the model expects.
  std::string Differences(const Seen& seen) const {
    std::string why;
    auto differ = [&why](const std::string& what, const std::string& expected, const std::string& got) {
      if (expected != got) why += "  " + what + ": expected " + expected + ", saw " + got + "\n";
    };
    if (!seen.clipReadable || seen.clip != Escape(model_.Clipboard())) {
      why += "  clipboard: expected " + Short(model_.Clipboard()) + ", saw " +
             (seen.clipReadable ? "\"" + seen.clip.substr(0, 60) + "\"" : "it held by another program") + "\n";
    }
    differ("selector shown", model_.SelectorOpen() ? "yes" : "no", seen.open ? "yes" : "no");
    if (model_.SelectorOpen() && seen.open) {
      differ("list", model_.Shown() == soak::List::History ? "history" : "fixed", seen.kind);
      differ("number of lines", std::to_string(model_.Lines().size()), std::to_string(seen.count));
      // Where a screen reader can read the lines (not every Wine can
      // across processes), every line; the preview shows the selected one.
      if (seen.linesReadable) {
        std::string expected, got;
        for (const auto& line : model_.Lines()) expected += "\n    " + Escape(soak::LineAsRead(line));
        for (const auto& line : seen.lines) got += "\n    " + line;
        differ("lines", expected, got);
      }
      differ("selected line", std::to_string(model_.Selected()), std::to_string(seen.selected));
      if (model_.Selected() >= 0 && model_.Selected() == seen.selected) {
        const std::string& text = model_.Lines()[static_cast<std::size_t>(model_.Selected())];
        if (!PreviewShows(seen.preview, text)) {
          why += "  preview: expected " + Short(text) + ", saw \"" + seen.preview.substr(0, 60) + "\"\n";
        }
      }
    }
    if (model_.SettingsOpen()) {
      std::string expected, got;
      for (const auto& line : model_.SettingsFixed()) expected += "\n    " + Escape(line);
      for (const auto& line : seen.settingsFixed) got += "\n    " + line;
      differ("fixed strings in the settings dialog", expected, got);
    }
    std::set<std::string> windows;
    if (model_.SelectorOpen()) windows.insert(e2e::kSelector);
    if (model_.SettingsOpen()) windows.insert(e2e::kSettings);
    std::string expected, got;
    for (const auto& window : windows) expected += " " + window;
    for (const auto& window : seen.windows) got += " " + window;
    differ("visible windows", "[" + expected + " ]", "[" + got + " ]");
    return why;
  }

  bool Check() {
    if (!restartFailed_.empty()) return Diverged(restartFailed_) == 0;
    Seen seen;
    std::string why;
    // The program answers at its pace: what must be seen is waited for.
    e2e::WaitFor(
        [&] {
          seen = Look();
          why = Differences(seen);
          return why.empty();
        },
        10s);
    if (!program_.Running()) return Diverged("the program is no longer running", seen) == 0;
    if (!why.empty()) return Diverged(why, seen) == 0;
    const double mib = e2e::PrivateMiB(program_.Pid());
    peakMiB_ = std::max(peakMiB_, mib);
    // The memory at start, room for the run's own work, and each text held
    // a few times over (UTF-16, the clipboard's copy, the preview).
    const double bound = baseMiB_ + 24 + 4.0 * static_cast<double>(model_.TextBytes()) / (1 << 20);
    if (baseMiB_ > 0 && mib > bound) {
      char text[128];
      std::snprintf(text, sizeof text, "private memory %.1f MiB, above the bound of %.1f MiB", mib, bound);
      return Diverged(text, seen) == 0;
    }
    return true;
  }

  int Diverged(const std::string& why, const Seen& seen = {}) {
    std::printf("soak: DIVERGENCE after action %d\n", actions_);
    std::printf("soak: the last %zu actions:\n", recent_.size());
    for (const auto& action : recent_) std::printf("  %s\n", action.c_str());
    std::printf("soak: expected and seen:\n%s", why.c_str());
    std::printf("soak: the history as the model has it (newest first):\n");
    for (const auto& text : model_.History()) std::printf("    %s\n", Short(text).c_str());
    std::printf("soak: the driver saw:\n%s", seen.raw.c_str());
    std::printf("soak: screenshot %s\n", e2e::Screenshot("soak-divergence").c_str());
    std::fflush(stdout);
    Finish();
    return 1;
  }

  void Finish() {
    if (winHeld_) e2e::XdoTool({"keyup", "super"});
    winHeld_ = false;
    viewer_.reset();
  }

  std::mt19937_64 random_;
  e2e::Program program_;
  soak::Model model_{10, {"greeting", "signature"}, "soak start"};
  std::deque<std::string> recent_;
  std::optional<e2e::Background> viewer_;
  std::optional<e2e::Background> holder_;
  std::string restartFailed_;
  bool winHeld_ = false;
  Clock::time_point lastLineClick_;
  int actions_ = 0;
  double baseMiB_ = 0;
  double peakMiB_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  double minutes = 10;
  int actions = 0;
  std::optional<uint64_t> seed;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--minutes") {
      minutes = std::atof(argv[i + 1]);
    } else if (option == "--seed") {
      seed = std::strtoull(argv[i + 1], nullptr, 10);
    } else if (option == "--actions") {
      actions = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: soak [--minutes N] [--seed S] [--actions A]\n");
      return 2;
    }
  }
  if (!seed) seed = std::random_device{}() % 1000000;
  std::printf("soak: seed %llu (replay with --seed %llu)\n", static_cast<unsigned long long>(*seed),
              static_cast<unsigned long long>(*seed));
  std::fflush(stdout);
  Soak soak(*seed);
  const int divergences = soak.Run(
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::ratio<60>>(minutes)), actions);
  std::printf("soak: %d actions, seed %llu, %d divergences, peak %.1f MiB\n", soak.Actions(),
              static_cast<unsigned long long>(*seed), divergences, soak.PeakMiB());
  return divergences == 0 ? 0 : 1;
}
