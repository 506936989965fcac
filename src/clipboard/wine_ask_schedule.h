// When a process under Wine looks at the clipboard for the X11 driver's ask
// of the clipboard's owner, so that the ask is never stale when a copy comes.
#pragma once

#include <chrono>
#include <optional>

namespace quistrel {

// Under Wine, a process's look at the clipboard (OpenClipboard,
// IsClipboardFormatAvailable) has the X11 driver ask the clipboard's owner
// for an answer, and wait for it up to 5 s, whenever the process's last ask
// is more than 2 s old; a look within those 2 s asks nothing. A read right
// after the copy of a program that computes after copying would then wait
// for it to finish, while the next copy may take the text's place. The
// XFixes extension changes nothing here.
//
// So the reader looks the moment an ask is due again. Which looks asked,
// nothing tells: the schedule follows the driver's rule from every look the
// process makes. (Looking at a fixed pace instead left the ask stale for up
// to 2 s after a read's look that asked nothing.)
class WineAskSchedule {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kAskAge{2000};
  // The driver counts whole milliseconds, and its clock is read a moment
  // after the look is noted.
  static constexpr std::chrono::milliseconds kMargin{3};
  // A look this long after an ask, in case the ask came a moment later by
  // the driver's count than by the schedule's: a look that asked nothing
  // where an ask was expected would leave the ask stale for 2 s.
  static constexpr std::chrono::milliseconds kConfirmAfter{25};
  // While the owner does not answer at once, the look is put off (it would
  // wait up to 5 s for it) and the owner asked again this often.
  static constexpr std::chrono::milliseconds kBusyOwnerPause{250};

  // A look at the clipboard, made at `when`.
  void Looked(Clock::time_point when);
  // The reader's look due at `when` was not made: the owner did not answer.
  void OwnerBusy(Clock::time_point when);
  // When the reader looks next; the distant past before the first look.
  Clock::time_point NextLook() const;

 private:
  std::optional<Clock::time_point> lastAsk_;
  std::optional<Clock::time_point> confirmAt_;
  std::optional<Clock::time_point> busyUntil_;
};

}  // namespace quistrel
