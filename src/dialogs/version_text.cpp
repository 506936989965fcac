#include "dialogs/version_text.h"

namespace quistrel {

namespace {
std::u16string Decimal(uint16_t number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}
}  // namespace

ProgramVersion VersionFromFileVersion(uint32_t fileVersionMS, uint32_t fileVersionLS) {
  return ProgramVersion{static_cast<uint16_t>(fileVersionMS >> 16), static_cast<uint16_t>(fileVersionMS & 0xFFFF),
                        static_cast<uint16_t>(fileVersionLS >> 16)};
}

std::u16string VersionText(const ProgramVersion& version) {
  return u"Ver." + Decimal(version.major) + u"." + Decimal(version.minor) + u"." + Decimal(version.revision) + u" ";
}

}  // namespace quistrel
