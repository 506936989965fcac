// frmMain: the selector pop-up, which is also the program's hidden main window.
// Its load brings the program to life (clipboard chain, message hook, hot
// keys, tray icon) and its unload ends it.
#pragma once

#include <windows.h>

#include "hook/hook_procedure.h"
#include "platform/handles.h"
#include "platform/tooltip.h"
#include "platform/window.h"
#include "selector/selector_model.h"

namespace quistrel {

inline constexpr wchar_t kSelectorClassName[] = L"Mallowquist.frmMain";

class SelectorWindow final : public Window, public HookTarget {
 public:
  static SelectorWindow& Instance();

  // Creates the window hidden and runs Form_Load.
  bool Load();
  // Unloads the window: Form_Unload runs and the program ends.
  void Unload() { Destroy(); }

  // The selector's operations.
  void SelectUp() override;
  void SelectDown() override;
  void Show2() override;
  void NotifyIcon_MouseUp(int16_t button);
  void ViewList();
  void Hide2(bool coping) override;
  // Handles a released key before the focused control; sets keyCode to 0 for
  // the keys it consumes.
  void Form_KeyUp(uint16_t& keyCode, int16_t shift);

  const SelectorModel& Model() const { return model_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  SelectorWindow() = default;

  // What the message hook reaches.
  bool SelectorVisible() override;
  std::optional<std::u16string> ClipboardText() override;
  void AddHistory(std::u16string text) override;
  void SendToNextViewer(uintptr_t nextViewer, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void RestoreTrayIcon() override;
  void NotifyIconMouseUp(int16_t button) override { NotifyIcon_MouseUp(button); }

  void CreateControls();
  void BuildTrayMenu();
  void Form_Load();
  void Form_Unload();
  void Commit();
  void SwitchList();
  void optType_Click();
  void lstClipBoard_Click();
  void UpdatePreview();
  void lstClipBoard_DblClick();
  void SelectLine(int32_t line);
  void OnCommand(int id, int code);
  void MeasureLine(MEASUREITEMSTRUCT& item) const;
  void DrawLine(const DRAWITEMSTRUCT& item) const;
  bool RouteKeyboard(MSG& msg);
  const TextList& DisplayedList() const;

  SelectorModel model_;
  HWND optHistory_ = nullptr;
  HWND optFixed_ = nullptr;
  HWND list_ = nullptr;
  HWND preview_ = nullptr;
  Tooltips tooltips_;
  UniqueFont font_;
  UniqueMenu trayMenu_;
  HWND previousForeground_ = nullptr;  // active before the selector opened
  int keyFilter_ = 0;
  bool centred_ = false;
  bool hiding_ = false;
  bool previewPending_ = false;
  bool unloaded_ = false;
};

}  // namespace quistrel
