// frmHello: the welcome window shown at start-up while ViewHello is set. It
// explains the key combinations and offers the settings dialog and the
// version window before the program starts its work.
#pragma once

#include <windows.h>

#include "core/program_state.h"
#include "dialogs/about_window.h"
#include "dialogs/setting_dialog.h"
#include "platform/form.h"
#include "platform/program_icons.h"

namespace quistrel {

inline constexpr wchar_t kHelloClassName[] = L"Mallowquist.frmHello";

// Control identifiers, fixed so that tests and drivers can address them.
namespace hello_ids {
constexpr int kCmdStartNow = IDOK;      // "今すぐMallowquistを利用する（設定完了）"
constexpr int kCmdSettingOpen = 1301;   // cmdSetting 0
constexpr int kCmdSettingAbout = 1302;  // cmdSetting 1
constexpr int kChkViewHello = 1303;
// The texts, from the top of the window down.
constexpr int kGreetingLabel = 1310;
constexpr int kWinKeyNoteLabel = 1311;
constexpr int kReadmeNoteLabel = 1312;
constexpr int kDownKeyLabel = 1313;     // in kDownKeyFrame
constexpr int kUpKeyLabel = 1314;       // in kUpKeyFrame
constexpr int kSwitchListLabel = 1315;  // in kSwitchListFrame
constexpr int kExampleLabel = 1316;
constexpr int kSetUpLabel = 1317;
constexpr int kMouseNoteLabel = 1318;
// The three key combinations, each a frame around its explanation.
constexpr int kDownKeyFrame = 1320;
constexpr int kUpKeyFrame = 1321;
constexpr int kSwitchListFrame = 1322;
}  // namespace hello_ids

class HelloWindow final : public Form {
 public:
  HelloWindow(ProgramState& program, const ProgramIcons& icons, SettingDialog& settingDialog, AboutWindow& aboutWindow)
      : program_(program), icons_(icons), settingDialog_(settingDialog), aboutWindow_(aboutWindow) {}

  // Modal, without owner; returns once the window is closed.
  void Run() { ShowModal(nullptr); }

 protected:
  Frame Describe() const override;
  void OnLoad() override;
  void OnCommand(int id, int code, HWND control) override;
  int CancelButtonId() const override { return 0; }  // Esc does nothing here
  void OnPaint(HDC dc) override { DrawEtchedLine(dc); }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void AddTexts();
  void AddActingControls();
  void DrawEtchedLine(HDC dc) const;
  void OnStartNow();
  void OpenSettingDialog();
  bool ViewHelloChecked() const;

  ProgramState& program_;
  const ProgramIcons& icons_;
  SettingDialog& settingDialog_;
  AboutWindow& aboutWindow_;
};

}  // namespace quistrel
