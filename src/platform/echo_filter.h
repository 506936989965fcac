// One key event can reach the program by two ways at once: the keyboard hook's
// report and a registered hot key, or the hook's report and the window's own
// key message. Each event is to be acted on once, whichever way comes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quistrel {

enum class EventWay : uint8_t { Hook, System };

class EchoFilter {
 public:
  // Two reports of one event are stamped at most this far apart.
  explicit EchoFilter(uint32_t toleranceMs) : toleranceMs_(toleranceMs) {}

  // True when the event (`key` stamped `time`, in the system's milliseconds)
  // is new; false when it is the other way's report of one already taken.
  // Each report pairs with at most one of the other way, oldest first.
  bool Accept(EventWay way, uint32_t key, uint32_t time);

 private:
  struct Taken {
    EventWay way;
    uint32_t key;
    uint32_t time;
  };
  // Taken events the other way has not reported yet; it may never do so.
  static constexpr std::size_t kMaxUnpaired = 32;
  uint32_t toleranceMs_;
  std::vector<Taken> unpaired_;
};

}  // namespace quistrel
