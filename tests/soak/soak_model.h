// What the user must see, written from the README's "Using it" table: the
// history, the fixed strings, the selector's state and the clipboard. The
// soak test's oracle; it knows nothing of the program's code. Texts are
// UTF-8, as the test tools exchange them.
#pragma once

#include <string>
#include <vector>

namespace soak {

enum class List { History, Fixed };

class Model {
 public:
  // A start of the program with these settings and this clipboard.
  Model(int historyLength, std::vector<std::string> fixed, std::string clipboard);

  // Another program copies a text; a private one carries a password
  // manager's mark.
  void Copy(const std::string& text, bool isPrivate = false);
  // Win held, C tapped (Win+Alt+C with `upwards`).
  void WinC(bool upwards);
  void Up();
  void Down();
  // Shift, Left or Right.
  void SwitchList();
  // Esc, the right Win key, any other key, a click elsewhere.
  void Cancel();
  void ReleaseWin();
  void TrayClick();
  void ClickLine(int line);
  void DoubleClickLine(int line);
  // The settings dialog: opened, edited, closed with OK or Cancel.
  void OpenSettings();
  void SetHistoryLength(int length);
  void AddFixed(const std::string& text);
  void RemoveFixed(int line);
  void CloseSettings(bool ok);
  // The program ends (WM_CLOSE) and starts again.
  void Restart();

  const std::string& Clipboard() const { return clipboard_; }
  const std::vector<std::string>& History() const { return history_; }
  const std::vector<std::string>& Fixed() const { return fixed_; }
  int HistoryLength() const { return length_; }
  bool SelectorOpen() const { return open_; }
  bool SettingsOpen() const { return settingsOpen_; }
  const std::vector<std::string>& SettingsFixed() const { return editFixed_; }
  List Shown() const { return shown_; }
  // The lines the open selector shows and the selected one (-1: none).
  const std::vector<std::string>& Lines() const { return lines_; }
  int Selected() const { return selected_; }
  // Bytes of text the program has reason to hold.
  std::size_t TextBytes() const;

 private:
  void Record(const std::string& text);
  void Fill();
  void Close();

  int length_;
  std::vector<std::string> history_;  // newest first
  std::vector<std::string> fixed_;
  std::string clipboard_;
  bool clipboardPrivate_ = false;

  bool open_ = false;
  bool byMouse_ = false;
  List shown_ = List::History;
  std::vector<std::string> lines_;  // as they were when the selector opened
  int current_ = 0;                 // where the arrows and C move on from; a click leaves it
  int selected_ = -1;

  bool settingsOpen_ = false;
  int editLength_ = 0;
  std::vector<std::string> editFixed_;
};

// A line of the selector as a screen reader reads it: line breaks and tabs
// as spaces, at most `limit` UTF-16 units.
std::string LineAsRead(const std::string& utf8, std::size_t limit = 400);

}  // namespace soak
