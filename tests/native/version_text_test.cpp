// The version line, where its numbers come from, the welcome check box and
// the maker's links.
#include <gtest/gtest.h>

#include "dialogs/maker.h"
#include "dialogs/version_text.h"
#include "dialogs/welcome_choice.h"

namespace quistrel {
namespace {

TEST(VersionText, NumbersAreUnpaddedDecimalsWithOneTrailingBlank) {
  EXPECT_EQ(VersionText({2, 12, 3}), u"Ver.2.12.3 ");
  EXPECT_EQ(VersionText({1, 0, 0}), u"Ver.1.0.0 ");
  EXPECT_EQ(VersionText({0, 0, 0}), u"Ver.0.0.0 ");
  // The largest numbers a version record holds are still shown unsigned.
  EXPECT_EQ(VersionText({65535, 65535, 65535}), u"Ver.65535.65535.65535 ");
}

TEST(VersionText, RevisionIsTheThirdFieldOfTheFileVersion) {
  // FILEVERSION 2,12,3,9: the build number 9 is not part of the line.
  const ProgramVersion version = VersionFromFileVersion(0x0002000C, 0x00030009);
  EXPECT_EQ(version, (ProgramVersion{2, 12, 3}));
  EXPECT_EQ(VersionText(version), u"Ver.2.12.3 ");
  EXPECT_EQ(VersionFromFileVersion(0xFFFF0001, 0x80000000), (ProgramVersion{65535, 1, 32768}));
}

TEST(WelcomeCheckBox, AnyNonZeroSettingShowsCheckedAndTheBoxStoresZeroOrOne) {
  EXPECT_FALSE(WelcomeBoxCheckedFor(0));
  EXPECT_TRUE(WelcomeBoxCheckedFor(1));
  // Hand-edited values: start-up showed the window for them, so the box agrees.
  EXPECT_TRUE(WelcomeBoxCheckedFor(2));
  EXPECT_TRUE(WelcomeBoxCheckedFor(-1));
  EXPECT_EQ(ViewHelloForWelcomeBox(true), 1);
  EXPECT_EQ(ViewHelloForWelcomeBox(false), 0);
  // A hand-edited 2 that the user leaves checked is written back as 1.
  EXPECT_EQ(ViewHelloForWelcomeBox(WelcomeBoxCheckedFor(2)), 1);
}

TEST(MakerLinks, WebLinkIsTheAccessPageOnTheShownSiteAndMailLinkIsMailto) {
  const std::u16string site = kMakerSite;
  const std::u16string web = MakerWebLink();
  ASSERT_EQ(web.substr(0, site.size()), site);
  EXPECT_EQ(web.substr(site.size() - 1), u"/cgi-bin/access.cgi?soft=Quistrel");
  EXPECT_EQ(MakerMailLink(), u"mailto:" + std::u16string(kMakerMail));
  EXPECT_EQ(std::u16string(kMakerMail).find(u':'), std::u16string::npos);
}

}  // namespace
}  // namespace quistrel
