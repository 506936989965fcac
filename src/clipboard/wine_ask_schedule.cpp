#include "clipboard/wine_ask_schedule.h"

#include <algorithm>

namespace quistrel {

void WineAskSchedule::Looked(Clock::time_point when) {
  busyUntil_.reset();
  if (!lastAsk_ || when - *lastAsk_ > kAskAge) {
    lastAsk_ = when;
    confirmAt_ = when + kConfirmAfter;
  } else if (confirmAt_ && when >= *confirmAt_) {
    confirmAt_.reset();
  }
}

void WineAskSchedule::OwnerBusy(Clock::time_point when) { busyUntil_ = when + kBusyOwnerPause; }

WineAskSchedule::Clock::time_point WineAskSchedule::NextLook() const {
  Clock::time_point next = lastAsk_ ? *lastAsk_ + kAskAge + kMargin : Clock::time_point::min();
  if (confirmAt_) next = std::min(next, *confirmAt_);
  if (busyUntil_) next = std::max(next, *busyUntil_);
  return next;
}

}  // namespace quistrel
