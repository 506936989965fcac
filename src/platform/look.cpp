#include "platform/look.h"

#include <algorithm>
#include <cmath>

namespace quistrel {

namespace {
// The builds that brought each of them.
constexpr uint32_t kDarkMenusBuild = 18362;        // Windows 10 1903
constexpr uint32_t kDarkTitleBarBuild = 17763;     // Windows 10 1809, attribute 19
constexpr uint32_t kDarkTitleBarNewBuild = 18985;  // attribute 20 from here on
constexpr uint32_t kRoundedCornersBuild = 22000;   // Windows 11

// Windows' own accent before the user picks one: a selection that would
// hardly stand out from the list takes it instead.
constexpr Rgb kDefaultAccent{0x00, 0x78, 0xD4};
constexpr double kSelectionStandsOut = 1.5;

constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kBlack{0x00, 0x00, 0x00};

double Linear(uint8_t channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// White as everywhere in the dark look, or black on a colour too light for
// it: where white falls short of 4.5:1, black reaches it.
Rgb TextOn(Rgb background) { return ContrastRatio(kWhite, background) >= kLegibleContrast ? kWhite : kBlack; }
}  // namespace

LookKind DecideLook(const LookFacts& facts) {
  if (facts.highContrast) return LookKind::HighContrast;
  if (facts.appsUseLightTheme && *facts.appsUseLightTheme == 0) return LookKind::Dark;
  return LookKind::Light;
}

bool HasDarkMenus(uint32_t build) { return build >= kDarkMenusBuild; }

uint32_t DarkTitleBarAttribute(uint32_t build) {
  if (build >= kDarkTitleBarNewBuild) return 20;
  return build >= kDarkTitleBarBuild ? 19 : 0;
}

bool HasRoundedCorners(uint32_t build) { return build >= kRoundedCornersBuild; }

double RelativeLuminance(Rgb colour) {
  return 0.2126 * Linear(colour.r) + 0.7152 * Linear(colour.g) + 0.0722 * Linear(colour.b);
}

double ContrastRatio(Rgb one, Rgb other) {
  const double a = RelativeLuminance(one), b = RelativeLuminance(other);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Palette DarkPalette(Rgb accent) {
  Palette dark;
  dark.face = {0x20, 0x20, 0x20};  // Windows 11's solid background
  dark.faceText = kWhite;
  dark.field = {0x2B, 0x2B, 0x2B};  // a layer above it
  dark.fieldText = kWhite;
  dark.selection = ContrastRatio(accent, dark.field) >= kSelectionStandsOut ? accent : kDefaultAccent;
  dark.selectionText = TextOn(dark.selection);
  dark.edge = {0x55, 0x55, 0x55};
  dark.shadowLine = {0x0A, 0x0A, 0x0A};
  dark.lightLine = {0x3C, 0x3C, 0x3C};
  dark.link = {0x99, 0xEB, 0xFF};  // Windows 11's accent text on dark
  dark.linkPressed = {0xFF, 0x99, 0xA4};
  dark.band = {0x38, 0x38, 0x38};
  dark.bandText = kWhite;
  dark.bandShadow = dark.selection;
  return dark;
}

}  // namespace quistrel
