// Whether another copy of the program runs, from what creating the
// single-instance mutex reported.
#pragma once

#include <cstdint>

namespace quistrel {

inline constexpr uint32_t kErrorAlreadyExists = 183;

// No handle means the mutex exists but may not be opened (ERROR_ACCESS_DENIED
// when the first copy runs elevated) or could not be made at all: this copy
// cannot be sure it runs alone, and a second copy would fail on both hot keys.
constexpr bool AnotherInstanceRuns(bool gotHandle, uint32_t lastError) {
  return !gotHandle || lastError == kErrorAlreadyExists;
}

}  // namespace quistrel
