// The program's one icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "tray/tray_record.h"

namespace quistrel {

class TrayIcon {
 public:
  // Decides, from the system's version, whether the shell shows balloons.
  void CheckShellVersion();
  // Registers the icon's callback message and the shell's restart broadcast.
  void RegisterMessages();
  UINT CallbackMessage() const { return callbackMessage_; }
  UINT TaskbarCreatedMessage() const { return taskbarCreatedMessage_; }
  bool IsBalloonCapable() const { return balloonCapable_; }

  // Adds the icon; the balloon shows only on a capable shell with viewBalloon 1.
  void Add(HWND window, HICON icon, const std::u16string& tip, const std::u16string& balloonText, int32_t viewBalloon);
  // Adds the icon again after the shell restarted, never with the balloon.
  void Restore(HWND window);
  void Delete();
  // Another icon and tip on the icon that is there, kept for a re-add.
  void Change(HICON icon, const std::u16string& tip);
  // A balloon from the icon. False where the shell shows none or refused it.
  bool ShowBalloon(const std::u16string& title, const std::u16string& text);

  // The record last handed to the shell.
  const TrayRecord& LastRecord() const { return last_; }

 private:
  bool balloonCapable_ = false;
  UINT callbackMessage_ = 0;
  UINT taskbarCreatedMessage_ = 0;
  TrayRecord last_;
};

// The record as the shell sees it.
NOTIFYICONDATAA ToNotifyIconData(const TrayRecord& record);

}  // namespace quistrel
