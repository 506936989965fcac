// The rights the program runs with, as its access token states them, and
// what they allow it to start.
#pragma once

#include <cstdint>
#include <optional>

namespace quistrel {

// The integrity level of a normal program (SECURITY_MANDATORY_MEDIUM_RID).
inline constexpr uint32_t kMediumIntegrity = 0x2000;

// Nothing where the system could not say (older systems know neither).
struct ProcessRights {
  std::optional<bool> elevated;
  std::optional<uint32_t> integrityLevel;
};

// Whether the clipboard may be read by a second start of the program's own
// executable. It is started by its path, and the program's folder is often
// one the user can write (a portable copy, the per-user install): a program
// of normal rights could rename the running file and put its own under that
// name. So on Windows only a program known to run with at most normal rights
// starts it; any other reads in its own threads. Under Wine the rights guard
// nothing (it checks files against the Unix user alone, so every program of
// that user may write what the elevated one may, and a program started from
// the Unix side gets the administrator's full token), while only a second
// process can read when an owner hangs in its rendering there.
bool UseReadingProcess(const ProcessRights& rights, bool underWine);

}  // namespace quistrel
