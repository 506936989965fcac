// Which copies enter the history. Programs that handle secrets do not all
// mark their copies private: the user can pause the recording from the tray
// menu, and names programs whose copies are never read in the section
// [Exclude] of Quistrel.ini, one a line: the executable's file name
// (KeePass.exe) or its full path.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace quistrel {

inline constexpr char16_t kExcludeSection[] = u"Exclude";

// The user's [Exclude] entries, folded to lower case as Windows compares file
// names.
struct ExcludedPrograms {
  std::unordered_set<std::u16string> names;  // KeePass.exe
  std::unordered_set<std::u16string> paths;  // C:\Program Files\KeePass\KeePass.exe, with '\' only

  bool empty() const { return names.empty() && paths.empty(); }
  friend bool operator==(const ExcludedPrograms&, const ExcludedPrograms&) = default;
};

// The section's lines as the profile call hands them over, each ended by a
// zero character. A line is a file name or a full path (a drive's or a
// network share's); an empty line, a comment, a relative path, a folder and
// a line with a character no file name holds are passed over.
ExcludedPrograms ParseExcludeSection(std::u16string_view lines);

// Whether the program at this full path (as Windows names a process's
// image) is on the list, by its file name or its path.
bool IsExcluded(const ExcludedPrograms& excluded, std::u16string_view programPath);

// The full path of the program that owns the clipboard; nothing when it
// cannot be told.
using OwnerProgram = std::function<std::optional<std::u16string>()>;

// Whether a copy is read at all: never while paused; a copy without an owner
// window always; else unless its owner's program is on the list. While the
// list holds any entry, an owner whose program cannot be named counts as
// listed: the user asked for a program's copies to stay out, and one that
// cannot be told apart may be that one. The owner's program is looked up
// only when the list could name it.
bool MayReadCopy(bool paused, bool hasOwner, const ExcludedPrograms& excluded, const OwnerProgram& ownerProgram);

// The rule as the clipboard reader's threads ask it before each read, while
// the user-interface thread switches the pause and sets the list once.
class RecordingRule {
 public:
  void SetPaused(bool paused) { paused_.store(paused); }
  void SetExcluded(ExcludedPrograms excluded);
  bool MayRead(bool hasOwner, const OwnerProgram& ownerProgram) const;

 private:
  std::atomic<bool> paused_{false};
  mutable std::mutex mutex_;
  std::shared_ptr<const ExcludedPrograms> excluded_ = std::make_shared<const ExcludedPrograms>();
};

}  // namespace quistrel
