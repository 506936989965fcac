// The mark on the keys the program sends itself (the paste, the unassigned
// key after a taken Win+C): its own keyboard hook passes them over, as
// neither the user's keys nor a change of what the user holds down.
#pragma once

#include <cstdint>

namespace quistrel {

inline constexpr uintptr_t kOwnInputMarker = 0x4D51494E;  // "MQIN"

}  // namespace quistrel
