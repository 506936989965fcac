#include <cstring>

#include "core/program_state.h"
#include "platform/ansi.h"
#include "tray/tray_icon.h"

namespace quistrel {

namespace {
struct TrayState {
  bool balloonCapable = false;
  UINT trayMessage = 0;
  UINT taskbarCreatedMessage = 0;
  TrayRecord last;
};
TrayState& State() {
  static TrayState state;
  return state;
}

void CopyText(char* field, std::size_t size, const std::string& text) {
  const std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

void Notify(DWORD action, const TrayRecord& record) {
  NOTIFYICONDATAA data = ToNotifyIconData(record);
  Shell_NotifyIconA(action, &data);
}
}  // namespace

NOTIFYICONDATAA ToNotifyIconData(const TrayRecord& record) {
  NOTIFYICONDATAA data{};
  const bool large = record.cbSize == kBalloonRecordSize;
  data.cbSize = large ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(record.hWnd));
  data.uID = record.uID;
  data.uFlags = record.uFlags;
  data.uCallbackMessage = record.uCallbackMessage;
  data.hIcon = reinterpret_cast<HICON>(static_cast<uintptr_t>(record.hIcon));
  CopyText(data.szTip, large ? 128 : 64, record.szTip);
  if (large) {
    CopyText(data.szInfo, sizeof data.szInfo, record.szInfo);
    CopyText(data.szInfoTitle, sizeof data.szInfoTitle, record.szInfoTitle);
    data.dwInfoFlags = record.dwInfoFlags;
  }
  return data;
}

void CheckShellVersion() {
  State().balloonCapable = false;
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  std::optional<OsVersion> version;
  if (GetVersionExA(&info)) version = OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
  State().balloonCapable = BalloonCapableFor(version);
}

void RegisterTrayMessages() {
  State().trayMessage = RegisterWindowMessageA("Mallowquist_NotfyIcon");
  State().taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
}

UINT TrayMessage() { return State().trayMessage; }
UINT TaskbarCreatedMessage() { return State().taskbarCreatedMessage; }
bool IsBalloonCapable() { return State().balloonCapable; }
const TrayRecord& LastTrayRecord() { return State().last; }

void AddTrayIcon(HWND window, HICON icon, const std::u16string& tip, const std::u16string& balloonText) {
  const AnsiCodePage& ansi = SystemAnsiCodePage();
  State().last = MakeAddRecord(State().balloonCapable, Program().Setting.ViewBalloon,
                               reinterpret_cast<uintptr_t>(window), reinterpret_cast<uintptr_t>(icon),
                               State().trayMessage, ansi.ToAnsi(tip), ansi.ToAnsi(balloonText));
  Notify(NIM_ADD, State().last);
}

void RestoreTrayIcon(HWND window) {
  State().last = MakeRestoreRecord(State().last, State().balloonCapable, reinterpret_cast<uintptr_t>(window),
                                   State().trayMessage);
  Notify(NIM_ADD, State().last);
}

void DeleteTrayIcon() { Notify(NIM_DELETE, State().last); }

}  // namespace quistrel
