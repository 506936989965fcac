// The history length as typed into the settings dialog: any UTF-16 text.
#include <cmath>
#include <cstring>

#include "dialogs/setting_edit.h"
#include "fuzz_input.h"

using namespace quistrel;

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  std::memcpy(text.data(), data, text.size() * sizeof(char16_t));

  const double value = ValOf(text);
  FUZZ_CHECK(!std::isnan(value));
  // Blanks may stand anywhere in a number, so taking them all out of the text
  // cannot change what it reads as.
  std::u16string unblanked = text;
  std::erase_if(unblanked, IsBlank);
  FUZZ_CHECK(ValOf(unblanked) == value);

  // Typed with the input method on or off, the same number.
  const std::u16string narrow = NarrowFullWidth(text);
  const std::optional<int16_t> logNum = ReadLogNum(text);
  FUZZ_CHECK(logNum == ReadLogNum(narrow));
  const double narrowValue = ValOf(narrow);
  FUZZ_CHECK(logNum.has_value() == (narrowValue >= kMinLogNum && narrowValue <= kMaxLogNum));
  if (logNum) {
    FUZZ_CHECK(*logNum >= kMinLogNum && *logNum <= kMaxLogNum);
    FUZZ_CHECK(std::fabs(*logNum - narrowValue) <= 0.5);
  }

  // Any double, the infinities and NaN included, against the floating-point
  // unit's own rounding (to nearest, halves to even).
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    const double rounded = RoundHalfToEven(raw);
    if (std::isnan(raw)) {
      FUZZ_CHECK(std::isnan(rounded));
    } else {
      FUZZ_CHECK(rounded == std::nearbyint(raw));
    }
  }
  return 0;
}
