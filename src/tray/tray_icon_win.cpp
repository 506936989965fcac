#include <cstring>

#include "platform/ansi.h"
#include "tray/tray_icon.h"

namespace quistrel {

namespace {
void CopyText(char* field, std::size_t size, const std::string& text) {
  const std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

bool Notify(DWORD action, const TrayRecord& record) {
  NOTIFYICONDATAA data = ToNotifyIconData(record);
  return Shell_NotifyIconA(action, &data) != FALSE;
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

void TrayIcon::CheckShellVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  std::optional<OsVersion> version;
  if (GetVersionExA(&info)) version = OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
  balloonCapable_ = BalloonCapableFor(version);
}

void TrayIcon::RegisterMessages() {
  callbackMessage_ = RegisterWindowMessageA("Mallowquist_NotfyIcon");
  taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
}

void TrayIcon::Add(HWND window, HICON icon, const std::u16string& tip, const std::u16string& balloonText,
                   int32_t viewBalloon) {
  const AnsiCodePage& ansi = SystemAnsiCodePage();
  last_ =
      MakeAddRecord(balloonCapable_, viewBalloon, reinterpret_cast<uintptr_t>(window),
                    reinterpret_cast<uintptr_t>(icon), callbackMessage_, ansi.ToAnsi(tip), ansi.ToAnsi(balloonText));
  Notify(NIM_ADD, last_);
}

void TrayIcon::Restore(HWND window) {
  last_ = MakeRestoreRecord(last_, balloonCapable_, reinterpret_cast<uintptr_t>(window), callbackMessage_);
  Notify(NIM_ADD, last_);
}

void TrayIcon::Delete() { Notify(NIM_DELETE, last_); }

void TrayIcon::Change(HICON icon, const std::u16string& tip) {
  const TrayRecord record =
      MakeChangeRecord(last_, reinterpret_cast<uintptr_t>(icon), SystemAnsiCodePage().ToAnsi(tip));
  if (last_.hWnd != 0) Notify(NIM_MODIFY, record);
}

bool TrayIcon::ShowBalloon(const std::u16string& title, const std::u16string& text) {
  if (!balloonCapable_ || last_.hWnd == 0) return false;
  const AnsiCodePage& ansi = SystemAnsiCodePage();
  return Notify(NIM_MODIFY, MakeBalloonRecord(last_, ansi.ToAnsi(title), ansi.ToAnsi(text)));
}

}  // namespace quistrel
