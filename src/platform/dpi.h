// Lengths given at 96 dots per inch (the layout tables), at another DPI.
#pragma once

namespace quistrel {

inline constexpr int kDefaultDpi = 96;

// value x dpi / 96, rounded as Windows' MulDiv rounds: halves away from zero.
constexpr int ScaleForDpi(int value, int dpi) {
  const long long product = static_cast<long long>(value) * dpi;
  const long long half = kDefaultDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDefaultDpi : -((-product + half) / kDefaultDpi));
}

}  // namespace quistrel
