// The program as a whole: owns its state and every part, starts them in
// order, routes the hidden main window's messages to them and ends them in
// order. The only place that knows all the parts.
#pragma once

#include <windows.h>

#include "clipboard/clipboard_reader.h"
#include "core/program_state.h"
#include "core/recording_rule.h"
#include "dialogs/about_window.h"
#include "dialogs/setting_dialog.h"
#include "hook/hot_key_registration.h"
#include "hook/keyboard_hook.h"
#include "hook/message_hook.h"
#include "platform/background_message_box.h"
#include "platform/handles.h"
#include "platform/program_icons.h"
#include "selector/selector_window.h"
#include "tray/tray_icon.h"

namespace quistrel {

// The message shown when the program is already running.
inline constexpr wchar_t kAlreadyRunningText[] = L"既に起動済みです。";

class Application final : private HookTarget {
 public:
  Application();
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Refuses a second instance, resolves the folders, loads the settings and
  // the start-up clipboard text, shows the welcome window when it is wanted,
  // then loads the hidden selector window and starts the work. False when
  // the program should end at once.
  bool Start();

 private:
  bool AnotherInstanceIsRunning();
  void Initialize();
  void StartListening();
  // Once the program works: what the load of FixedString.dat found that the
  // user must know, said once, in a box that nobody needs to answer.
  void TellWhatTheLoadFound();
  // The selector window is going: everything stops in the reverse order.
  void OnSelectorEnding();
  // Saves the settings, frees the icons and unloads every window.
  void Shutdown();
  // A paste into a window with higher rights was left to the user.
  void TellPasteDropped(PasteObstacle obstacle, PasteKeys keys);
  // The chosen text did not reach the clipboard.
  void TellCommitFailed();
  // The tray menu's pause entry: the recording stops or goes on, the tray
  // icon says which, and the settings keep it.
  void SwitchPause();
  // A balloon from the tray icon where the user lets balloons show; a
  // message box otherwise.
  void Tell(const char16_t* text, UINT icon);

  // What the hidden main window's messages lead to.
  bool IsSelectorOpen() override { return selector_.IsOpen(); }
  void OpenSelector() override;
  void CloseSelector(bool thenPaste) override { selector_.Close(thenPaste); }
  void SelectDown() override { selector_.SelectDown(); }
  void SelectUp() override { selector_.SelectUp(); }
  void OnKeyReleased(uint16_t virtualKey, uint32_t time) override { selector_.OnReportedKeyUp(virtualKey, time); }
  void OnClipboardChanged() override;
  void OnClipboardRead(ClipboardRead read);
  void RestoreTrayIcon() override { tray_.Restore(selector_.Handle()); }
  void OnTrayIconClick(MouseButton button) override;

  UniqueKernelObject instanceMutex_;
  ProgramState program_;
  // Asked by the reader's threads, which may outlive the program's parts.
  std::shared_ptr<RecordingRule> rule_ = std::make_shared<RecordingRule>();
  ClipboardReader reader_;
  ProgramIcons icons_;
  TrayIcon tray_;
  SettingDialog settingDialog_;
  AboutWindow aboutWindow_;
  SelectorWindow selector_;
  MessageHook hook_;
  HotKeys hotKeys_;
  KeyboardHook keyboard_;
  BackgroundMessageBox startNotice_;
};

}  // namespace quistrel
