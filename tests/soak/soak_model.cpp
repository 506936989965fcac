#include "soak_model.h"

#include <algorithm>

namespace soak {

Model::Model(int historyLength, std::vector<std::string> fixed, std::string clipboard)
    : length_(historyLength), fixed_(std::move(fixed)), clipboard_(std::move(clipboard)) {
  Record(clipboard_);
}

void Model::Record(const std::string& text) {
  if (text.empty() || length_ <= 0) return;
  const auto equal = std::find(history_.begin(), history_.end(), text);
  if (equal != history_.end()) {
    history_.erase(equal);
  } else if (static_cast<int>(history_.size()) >= length_) {
    history_.pop_back();
  }
  history_.insert(history_.begin(), text);
}

void Model::Copy(const std::string& text, bool isPrivate) {
  clipboard_ = text;
  clipboardPrivate_ = isPrivate;
  if (!isPrivate) Record(text);
}

void Model::Fill() {
  open_ = true;
  lines_ = shown_ == List::History ? history_ : fixed_;
  selected_ = -1;
  // The current text is the one the arrows and C move on from.
  const auto found = clipboardPrivate_ ? lines_.end() : std::find(lines_.begin(), lines_.end(), clipboard_);
  current_ = found == lines_.end() ? 0 : static_cast<int>(found - lines_.begin());
}

void Model::Close() {
  open_ = false;
  byMouse_ = false;
  selected_ = -1;
}

void Model::WinC(bool upwards) {
  if (settingsOpen_) return;
  if (!open_) {
    Fill();
    byMouse_ = false;
  }
  upwards ? Up() : Down();
}

void Model::Down() {
  if (!open_ || lines_.empty()) return;
  current_ = (current_ + 1) % static_cast<int>(lines_.size());
  selected_ = current_;
}

void Model::Up() {
  if (!open_ || lines_.empty()) return;
  current_ = (current_ + static_cast<int>(lines_.size()) - 1) % static_cast<int>(lines_.size());
  selected_ = current_;
}

void Model::SwitchList() {
  if (!open_) return;
  shown_ = shown_ == List::History ? List::Fixed : List::History;
  const bool byMouse = byMouse_;
  Fill();
  byMouse_ = byMouse;
  if (!lines_.empty()) selected_ = current_;
}

void Model::Cancel() { Close(); }

void Model::ReleaseWin() {
  if (!open_ || byMouse_) return;
  if (selected_ >= 0) Copy(lines_[static_cast<std::size_t>(selected_)]);
  Close();
}

void Model::TrayClick() {
  if (settingsOpen_) return;
  Fill();
  byMouse_ = true;
}

void Model::ClickLine(int line) {
  if (!open_ || line < 0 || line >= static_cast<int>(lines_.size())) return;
  // Only a preview: the keys move on from the line they last selected.
  selected_ = line;
}

void Model::DoubleClickLine(int line) {
  if (!open_ || line < 0 || line >= static_cast<int>(lines_.size())) return;
  Copy(lines_[static_cast<std::size_t>(line)]);
  Close();
}

void Model::OpenSettings() {
  Close();
  settingsOpen_ = true;
  editLength_ = length_;
  editFixed_ = fixed_;
}

void Model::SetHistoryLength(int length) { editLength_ = length; }

void Model::AddFixed(const std::string& text) { editFixed_.insert(editFixed_.begin(), text); }

void Model::RemoveFixed(int line) {
  if (line >= 0 && line < static_cast<int>(editFixed_.size())) editFixed_.erase(editFixed_.begin() + line);
}

void Model::CloseSettings(bool ok) {
  if (ok && settingsOpen_) {
    length_ = editLength_;
    fixed_ = editFixed_;
  }
  settingsOpen_ = false;
}

void Model::Restart() {
  Close();
  settingsOpen_ = false;
  shown_ = List::History;
  history_.clear();
  if (!clipboardPrivate_) Record(clipboard_);
}

std::size_t Model::TextBytes() const {
  std::size_t bytes = clipboard_.size();
  for (const auto& text : history_) bytes += text.size();
  for (const auto& text : fixed_) bytes += text.size();
  return bytes;
}

std::string LineAsRead(const std::string& utf8, std::size_t limit) {
  std::string line;
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::size_t needs = length == 4 ? 2 : 1;
    if (units + needs > limit) break;
    units += needs;
    const char c = utf8[i];
    line += (c == '\r' || c == '\n' || c == '\t') ? std::string(" ") : utf8.substr(i, length);
    i += length;
  }
  return line;
}

}  // namespace soak
