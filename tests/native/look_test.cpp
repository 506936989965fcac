#include "platform/look.h"

#include <gtest/gtest.h>

namespace quistrel {
namespace {

TEST(Look, HighContrastComesFirstThenTheAppModeAndAnythingUnknownIsLight) {
  EXPECT_EQ(DecideLook({.highContrast = true, .appsUseLightTheme = 0u, .build = 22631}), LookKind::HighContrast);
  EXPECT_EQ(DecideLook({.highContrast = true, .appsUseLightTheme = 1u}), LookKind::HighContrast);
  EXPECT_EQ(DecideLook({.appsUseLightTheme = 0u, .build = 19045}), LookKind::Dark);
  EXPECT_EQ(DecideLook({.appsUseLightTheme = 1u, .build = 19045}), LookKind::Light);
  // Any value but 0 is light, as Windows reads it.
  EXPECT_EQ(DecideLook({.appsUseLightTheme = 2u}), LookKind::Light);
  // The value missing: Windows before 10, or a user who never chose.
  EXPECT_EQ(DecideLook({.appsUseLightTheme = std::nullopt, .build = 7601}), LookKind::Light);
  // Dark even where the menus cannot follow: the windows still do.
  EXPECT_EQ(DecideLook({.appsUseLightTheme = 0u, .build = 17763}), LookKind::Dark);
}

TEST(Look, WhatEachBuildOffers) {
  EXPECT_FALSE(HasDarkMenus(0));
  EXPECT_FALSE(HasDarkMenus(17763));
  EXPECT_FALSE(HasDarkMenus(18361));
  EXPECT_TRUE(HasDarkMenus(18362));
  EXPECT_TRUE(HasDarkMenus(22631));
  EXPECT_EQ(DarkTitleBarAttribute(7601), 0u);
  EXPECT_EQ(DarkTitleBarAttribute(17762), 0u);
  EXPECT_EQ(DarkTitleBarAttribute(17763), 19u);
  EXPECT_EQ(DarkTitleBarAttribute(18984), 19u);
  EXPECT_EQ(DarkTitleBarAttribute(18985), 20u);
  EXPECT_FALSE(HasRoundedCorners(19045));
  EXPECT_TRUE(HasRoundedCorners(22000));
}

TEST(Look, ContrastRatiosAreWcags) {
  const Rgb white{255, 255, 255}, black{0, 0, 0};
  EXPECT_DOUBLE_EQ(ContrastRatio(white, black), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(black, white), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(white, white), 1.0);
  // WCAG's own borderline: #767676 on white passes, #777777 does not.
  EXPECT_GE(ContrastRatio(Rgb{0x76, 0x76, 0x76}, white), kLegibleContrast);
  EXPECT_LT(ContrastRatio(Rgb{0x77, 0x77, 0x77}, white), kLegibleContrast);
}

// Every text of the dark look against its background, for accent colours
// across the whole range, the selection included.
TEST(Look, EveryTextOfTheDarkPaletteIsLegibleWhateverTheAccent) {
  for (int r = 0; r < 256; r += 17) {
    for (int g = 0; g < 256; g += 17) {
      for (int b = 0; b < 256; b += 17) {
        const Rgb accent{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
        const Palette p = DarkPalette(accent);
        SCOPED_TRACE(::testing::Message() << "accent " << r << "," << g << "," << b);
        EXPECT_GE(ContrastRatio(p.faceText, p.face), kLegibleContrast);
        EXPECT_GE(ContrastRatio(p.fieldText, p.field), kLegibleContrast);
        EXPECT_GE(ContrastRatio(p.selectionText, p.selection), kLegibleContrast);
        EXPECT_GE(ContrastRatio(p.link, p.face), kLegibleContrast);
        EXPECT_GE(ContrastRatio(p.linkPressed, p.face), kLegibleContrast);
        EXPECT_GE(ContrastRatio(p.bandText, p.band), kLegibleContrast);
        EXPECT_GE(ContrastRatio(p.faceText, p.band), kLegibleContrast);  // the version over the band
        // The selected line stands out from the others.
        EXPECT_GE(ContrastRatio(p.selection, p.field), 1.5);
        if (HasFailure()) return;
      }
    }
  }
}

TEST(Look, TheDarkPaletteIsWindows11sAndTakesTheAccentForTheSelection) {
  const Palette p = DarkPalette(Rgb{0x00, 0x78, 0xD4});
  EXPECT_EQ(p.face, (Rgb{0x20, 0x20, 0x20}));
  EXPECT_EQ(p.faceText, (Rgb{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(p.selection, (Rgb{0x00, 0x78, 0xD4}));
  EXPECT_EQ(p.selectionText, (Rgb{0xFF, 0xFF, 0xFF}));
  // A light accent carries dark text; one that would vanish into the list
  // gives way to Windows' own.
  EXPECT_EQ(DarkPalette(Rgb{0xFF, 0xE0, 0x40}).selectionText, (Rgb{0, 0, 0}));
  EXPECT_EQ(DarkPalette(Rgb{0x30, 0x30, 0x30}).selection, (Rgb{0x00, 0x78, 0xD4}));
}

}  // namespace
}  // namespace quistrel
