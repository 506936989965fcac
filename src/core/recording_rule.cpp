#include "core/recording_rule.h"

#include <algorithm>
#include <utility>

#include "core/paste_keys.h"

namespace quistrel {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Characters that no file name holds; separators and a drive's colon are
// looked at on their own.
bool NeverInAName(char16_t c) {
  return c < 0x20 || std::u16string_view(u"<>\"|?*:").find(c) != std::u16string_view::npos;
}

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// A drive's root (C:\) or a network share (\\server\...): the full paths
// Windows names programs by.
bool IsFullPath(std::u16string_view path) {
  if (path.size() > 3 && IsDriveLetter(path[0]) && path[1] == u':' && IsSeparator(path[2])) return true;
  return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

std::u16string_view FileNameOf(std::u16string_view path) {
  const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  return path.substr(static_cast<std::size_t>(path.rend() - last));
}

// Lower case, one kind of separator.
std::u16string FoldedPath(std::u16string_view path) {
  std::u16string folded = FoldClassName(path);
  std::replace(folded.begin(), folded.end(), u'/', u'\\');
  return folded;
}

}  // namespace

ExcludedPrograms ParseExcludeSection(std::u16string_view lines) {
  ExcludedPrograms excluded;
  while (!lines.empty()) {
    const std::size_t end = std::min(lines.find(u'\0'), lines.size());
    const std::u16string_view line = Trimmed(lines.substr(0, end));
    lines.remove_prefix(std::min(end + 1, lines.size()));

    if (line.empty() || line.front() == u';') continue;
    const std::u16string_view name = FileNameOf(line);
    if (name.empty() || std::any_of(name.begin(), name.end(), NeverInAName)) continue;
    if (name.size() == line.size()) {
      excluded.names.insert(FoldClassName(name));
      continue;
    }
    if (!IsFullPath(line)) continue;
    // Past the drive's colon, the folders hold no character a name cannot.
    const std::u16string_view folders = line.substr(2, line.size() - name.size() - 2);
    if (std::any_of(folders.begin(), folders.end(), [](char16_t c) { return !IsSeparator(c) && NeverInAName(c); })) {
      continue;
    }
    excluded.paths.insert(FoldedPath(line));
  }
  return excluded;
}

bool IsExcluded(const ExcludedPrograms& excluded, std::u16string_view programPath) {
  if (!excluded.names.empty() && excluded.names.count(FoldClassName(FileNameOf(programPath))) > 0) return true;
  return !excluded.paths.empty() && excluded.paths.count(FoldedPath(programPath)) > 0;
}

bool MayReadCopy(bool paused, bool hasOwner, const ExcludedPrograms& excluded, const OwnerProgram& ownerProgram) {
  if (paused) return false;
  if (!hasOwner || excluded.empty()) return true;
  const std::optional<std::u16string> program = ownerProgram ? ownerProgram() : std::nullopt;
  return program && !IsExcluded(excluded, *program);
}

void RecordingRule::SetExcluded(ExcludedPrograms excluded) {
  auto shared = std::make_shared<const ExcludedPrograms>(std::move(excluded));
  const std::lock_guard lock(mutex_);
  excluded_ = std::move(shared);
}

bool RecordingRule::MayRead(bool hasOwner, const OwnerProgram& ownerProgram) const {
  std::shared_ptr<const ExcludedPrograms> excluded;
  {
    const std::lock_guard lock(mutex_);
    excluded = excluded_;
  }
  return MayReadCopy(paused_.load(), hasOwner, *excluded, ownerProgram);
}

}  // namespace quistrel
