#include "platform/echo_filter.h"

#include <algorithm>

namespace quistrel {

namespace {
// The system's millisecond count wraps after 49.7 days.
int32_t Apart(uint32_t later, uint32_t earlier) { return static_cast<int32_t>(later - earlier); }
}  // namespace

bool EchoFilter::Accept(EventWay way, uint32_t key, uint32_t time) {
  const auto tolerance = static_cast<int32_t>(toleranceMs_);
  std::erase_if(unpaired_, [&](const Taken& taken) { return Apart(time, taken.time) > tolerance; });
  const auto echo = std::find_if(unpaired_.begin(), unpaired_.end(), [&](const Taken& taken) {
    return taken.way != way && taken.key == key && Apart(taken.time, time) <= tolerance;
  });
  if (echo != unpaired_.end()) {
    unpaired_.erase(echo);
    return false;
  }
  if (unpaired_.size() == kMaxUnpaired) unpaired_.erase(unpaired_.begin());
  unpaired_.push_back({way, key, time});
  return true;
}

}  // namespace quistrel
