// The version line of the version-information window and where its numbers
// come from in the executable's fixed version record.
#pragma once

#include <cstdint>
#include <string>

namespace quistrel {

struct ProgramVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t revision = 0;

  friend bool operator==(const ProgramVersion&, const ProgramVersion&) = default;
};

// The resource writes FILEVERSION as major, minor, revision, 0: the revision
// is the high half of the least significant double word.
ProgramVersion VersionFromFileVersion(uint32_t fileVersionMS, uint32_t fileVersionLS);

// "Ver." major "." minor "." revision and one trailing blank, plain decimals.
std::u16string VersionText(const ProgramVersion& version);

}  // namespace quistrel
