// The soak test's oracle against the README's usage table, in the cases a
// reader can check by hand.
#include <gtest/gtest.h>

#include "soak_model.h"

namespace soak {
namespace {

using Texts = std::vector<std::string>;

TEST(SoakModel, HistoryMovesToFrontDropsTheOldestAndSkipsPrivateAndEmptyTexts) {
  Model model(3, {}, "start");
  for (const char* text : {"a", "b", "start", ""}) model.Copy(text);
  model.Copy("secret", true);
  EXPECT_EQ(model.History(), (Texts{"start", "b", "a"}));
  EXPECT_EQ(model.Clipboard(), "secret");
  model.Copy("c");
  EXPECT_EQ(model.History(), (Texts{"c", "start", "b"}));
  // A shorter length keeps the entries, and each copy still drops the oldest.
  model.OpenSettings();
  model.SetHistoryLength(1);
  model.CloseSettings(true);
  model.Copy("d");
  EXPECT_EQ(model.History(), (Texts{"d", "c", "start"}));
}

TEST(SoakModel, WinCStepsBackWinAltCFromTheOldestAndReleasingWinCommits) {
  Model model(10, {"f1", "f2"}, "");
  for (const char* text : {"a", "b", "c"}) model.Copy(text);
  model.WinC(false);
  EXPECT_TRUE(model.SelectorOpen());
  EXPECT_EQ(model.Selected(), 1);
  model.WinC(false);
  model.Down();  // wraps to the top
  EXPECT_EQ(model.Selected(), 0);
  model.Cancel();
  EXPECT_FALSE(model.SelectorOpen());
  EXPECT_EQ(model.Clipboard(), "c");
  model.WinC(true);
  EXPECT_EQ(model.Lines()[static_cast<std::size_t>(model.Selected())], "a");
  model.ReleaseWin();
  EXPECT_EQ(model.Clipboard(), "a");
  EXPECT_EQ(model.History(), (Texts{"a", "c", "b"}));
  // The fixed strings: the first selected; the chosen one enters the history
  // and the next opening shows the fixed strings again.
  model.WinC(false);
  model.SwitchList();
  EXPECT_EQ(model.Shown(), List::Fixed);
  EXPECT_EQ(model.Selected(), 0);
  model.Down();
  model.ReleaseWin();
  EXPECT_EQ(model.History().front(), "f2");
  model.WinC(false);
  EXPECT_EQ(model.Shown(), List::Fixed);
  EXPECT_EQ(model.Selected(), 0);  // from f2, one further wraps to f1
}

TEST(SoakModel, TheMouseChoosesByDoubleClickAndTheSettingsDialogKeepsTheSelectorClosed) {
  Model model(10, {}, "x");
  model.Copy("y");
  model.TrayClick();
  EXPECT_EQ(model.Selected(), -1);
  model.WinC(false);
  model.ReleaseWin();  // opened for the mouse: Win commits nothing
  EXPECT_TRUE(model.SelectorOpen());
  model.ClickLine(0);
  model.Down();  // on from where C left the selection
  EXPECT_EQ(model.Selected(), 0);
  model.Down();
  model.DoubleClickLine(1);
  EXPECT_EQ(model.Clipboard(), "x");
  model.OpenSettings();
  model.WinC(false);
  model.TrayClick();
  EXPECT_FALSE(model.SelectorOpen());
  model.AddFixed("kept");
  model.CloseSettings(false);
  EXPECT_TRUE(model.Fixed().empty());
}

TEST(SoakModel, ARestartKeepsSettingsAndStartsTheHistoryFromTheClipboard) {
  Model model(2, {"f"}, "");
  model.Copy("a");
  model.Copy("b");
  model.Restart();
  EXPECT_EQ(model.History(), Texts{"b"});
  EXPECT_EQ(model.Fixed(), Texts{"f"});
  model.Copy("hidden", true);
  model.Restart();
  EXPECT_TRUE(model.History().empty());
  EXPECT_EQ(LineAsRead("a\r\nb\tc"), "a  b c");
  EXPECT_EQ(LineAsRead("日本語x", 2), "日本");
}

}  // namespace
}  // namespace soak
