// The program's one icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "tray/tray_record.h"

namespace quistrel {

void CheckShellVersion();
void RegisterTrayMessages();
UINT TrayMessage();
UINT TaskbarCreatedMessage();
bool IsBalloonCapable();

// Adds the icon; the balloon shows only on a capable shell with ViewBalloon 1.
void AddTrayIcon(HWND window, HICON icon, const std::u16string& tip, const std::u16string& balloonText);
// Adds the icon again after the shell restarted, never with the balloon.
void RestoreTrayIcon(HWND window);
void DeleteTrayIcon();

// The record last handed to the shell, as the shell sees it.
NOTIFYICONDATAA ToNotifyIconData(const TrayRecord& record);
const TrayRecord& LastTrayRecord();

}  // namespace quistrel
