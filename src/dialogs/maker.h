// The maker's addresses, shown and opened by the version-information window.
// Kept here alone so that a change of site or mail box is one edit.
#pragma once

#include <string>

namespace quistrel {

// The site's top page, as the window shows it. Both addresses fit the
// 141-pixel link labels on one line; the reserved .test domain never
// reaches anyone else's site or mail box.
inline constexpr char16_t kMakerSite[] = u"https://mallowquist.test/";
inline constexpr char16_t kMakerMail[] = u"author@mallowquist.test";

// What the web link opens: the site's access page naming this program, which
// counts visits and leads on to the latest release.
inline std::u16string MakerWebLink() { return std::u16string(kMakerSite) + u"cgi-bin/access.cgi?soft=Quistrel"; }
inline std::u16string MakerMailLink() { return u"mailto:" + std::u16string(kMakerMail); }

}  // namespace quistrel
