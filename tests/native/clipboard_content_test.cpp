#include <gtest/gtest.h>

#include "clipboard/clipboard_markers.h"
#include "clipboard/process_rights.h"
#include "clipboard/wine_ask_schedule.h"
#include "core/program_state.h"
#include "selector/selector_model.h"

namespace quistrel {
namespace {

TEST(ClipboardMarkers, PasswordManagersMarksKeepATextOutCanIncludeOneLetsItIn) {
  ClipboardMarkers markers;
  EXPECT_FALSE(IsPrivateContent(markers));
  markers.canIncludeInHistory = 1;
  EXPECT_FALSE(IsPrivateContent(markers));
  markers.canIncludeInHistory = 0;
  EXPECT_TRUE(IsPrivateContent(markers));
  markers.canIncludeInHistory = 1;
  markers.excludeFromMonitoring = true;
  EXPECT_TRUE(IsPrivateContent(markers));
  markers.excludeFromMonitoring = false;
  markers.viewerIgnore = true;
  EXPECT_TRUE(IsPrivateContent(markers));
}

// The ask is due 2 s after the last look that made it, not after the last
// look: a read's look 0.1 s after an ask asks nothing, and a refresh timed
// from it came too late, while a busy program's copy met a stale ask.
TEST(WineAskSchedule, TheNextLookComesAsTheLastAskExpiresConfirmedOnceAndPutOffWhileTheOwnerIsBusy) {
  using namespace std::chrono_literals;
  using Schedule = WineAskSchedule;
  const Schedule::Clock::time_point t0{};
  Schedule schedule;
  EXPECT_EQ(schedule.NextLook(), Schedule::Clock::time_point::min());
  schedule.Looked(t0);
  EXPECT_EQ(schedule.NextLook(), t0 + Schedule::kConfirmAfter);
  schedule.Looked(t0 + 100ms);  // the read of a copy, past the confirming time
  const auto expiry = t0 + Schedule::kAskAge + Schedule::kMargin;
  EXPECT_EQ(schedule.NextLook(), expiry);
  schedule.Looked(t0 + 1900ms);  // within 2 s: asked nothing, changes nothing
  EXPECT_EQ(schedule.NextLook(), expiry);
  // The owner does not answer at the expiry: asked again a moment later.
  schedule.OwnerBusy(expiry);
  EXPECT_EQ(schedule.NextLook(), expiry + Schedule::kBusyOwnerPause);
  schedule.Looked(expiry + Schedule::kBusyOwnerPause);  // an ask, confirmed after its pause
  EXPECT_EQ(schedule.NextLook(), expiry + Schedule::kBusyOwnerPause + Schedule::kConfirmAfter);
  // A look held up for seconds by an owner (a read) counts as an ask too.
  schedule.Looked(t0 + 10s);
  schedule.Looked(t0 + 10s + Schedule::kConfirmAfter);
  EXPECT_EQ(schedule.NextLook(), t0 + 10s + Schedule::kAskAge + Schedule::kMargin);
}

// Started by its path from a folder the user may write, a reading process of
// an elevated program would be whatever file a normal program put there.
TEST(ReadingProcess, OnWindowsOnlyAProgramKnownToRunWithNormalRightsStartsOne) {
  EXPECT_TRUE(UseReadingProcess({false, kMediumIntegrity}, false));
  EXPECT_TRUE(UseReadingProcess({false, 0x1000}, false));  // low
  EXPECT_FALSE(UseReadingProcess({true, kMediumIntegrity}, false));
  EXPECT_FALSE(UseReadingProcess({true, 0x3000}, false));   // run as administrator
  EXPECT_FALSE(UseReadingProcess({false, 0x3000}, false));  // an administrator where UAC is off
  EXPECT_FALSE(UseReadingProcess({false, 0x2100}, false));  // medium-plus (UI access)
  EXPECT_FALSE(UseReadingProcess({false, 0x4000}, false));  // a service
  EXPECT_FALSE(UseReadingProcess({std::nullopt, kMediumIntegrity}, false));
  EXPECT_FALSE(UseReadingProcess({false, std::nullopt}, false));
  EXPECT_FALSE(UseReadingProcess({}, false));
  // Wine runs what it starts from the Unix side with the full token.
  EXPECT_TRUE(UseReadingProcess({true, 0x3000}, true));
}

TEST(ProgramHistory, AnEmptyCopyIsNoEntry) {
  ProgramState program;
  program.AddToHistory(SharedText(u"a"));
  program.AddToHistory(SharedText(u""));
  ASSERT_EQ(program.History.Count(), 1);
  EXPECT_EQ(program.History.Item(0).str(), u"a");
}

TEST(Preview, AGiantTextShowsItsFirstPartMarkedAsCutAndNeverHalfACharacter) {
  const SharedText small(std::u16string(kPreviewLimit, u'x'));
  EXPECT_FALSE(PreviewIsCut(small));

  std::u16string giant(kPreviewLimit + 10, u'y');
  giant[kPreviewLimit - 1] = 0xD83D;  // a lead surrogate right at the cut
  giant[kPreviewLimit] = 0xDE00;
  const SharedText text(giant);
  ASSERT_TRUE(PreviewIsCut(text));
  const std::u16string preview = CutPreview(text);
  EXPECT_EQ(preview, std::u16string(kPreviewLimit - 1, u'y') + kPreviewCutNote);
}

}  // namespace
}  // namespace quistrel
