#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "core/app.h"
#include "core/program_state.h"
#include "core/settings_files_win.h"
#include "dialogs/hello_window.h"
#include "platform/clipboard.h"
#include "platform/window.h"
#include "selector/selector_window.h"
#include "tray/tray_icon.h"

namespace quistrel {

namespace {
constexpr int kIconResource = 1;
constexpr wchar_t kSingleInstanceMutex[] = L"Local\\Mallowquist.Quistrel.Running";

UniqueKernelObject& InstanceMutex() {
  static UniqueKernelObject mutex;
  return mutex;
}

bool AnotherInstanceIsRunning() {
  InstanceMutex().Reset(CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

UniqueIcon LoadProgramIcon(int size) {
  return UniqueIcon(static_cast<HICON>(
      LoadImageW(AppInstance(), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}
}  // namespace

AppIconPair& AppIcons() {
  static AppIconPair icons;
  return icons;
}

std::u16string ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return u"\\";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L'\\');
  path.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return WithTrailingBackslash(FromWide(path));
}

std::u16string GetSpecialFolder(HWND owner, int folderId) {
  PIDLIST_ABSOLUTE items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, folderId, &items)) || !items) return {};
  // The shell writes at most MAX_PATH characters, so that is the buffer it needs.
  wchar_t buffer[MAX_PATH + 1] = {};
  const BOOL found = SHGetPathFromIDListW(items, buffer);
  CoTaskMemFree(items);
  return found ? FromWide(buffer, wcsnlen(buffer, MAX_PATH)) : std::u16string();
}

void SetWindowIcon(HWND window) {
  SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(AppIcons().Small()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcons().Small()));
}

void DrawAppIcon(HDC dc, int x, int y) {
  DrawIconEx(dc, x, y, AppIcons().Large(), 48, 48, 0, nullptr, DI_NORMAL);
}

bool Main() {
  if (AnotherInstanceIsRunning()) {
    MessageBoxW(nullptr, kAlreadyRunningText, kProgramTitle, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  ProgramState& program = Program();
  program.AppFolder = ExecutableFolder();
  program.StartupFolder = WithTrailingBackslash(GetSpecialFolder(nullptr, CSIDL_STARTUP));
  Initialize();
  return SelectorWindow::Instance().Load();
}

void Initialize() {
  CheckShellVersion();
  RegisterTrayMessages();

  AppIcons().small_ = LoadProgramIcon(16);
  AppIcons().large_ = LoadProgramIcon(48);

  ProgramState& program = Program();
  program.Setting.FixedString.Clear();
  program.History.Clear();
  LoadSettings();

  // A clipboard held by another program at this moment simply leaves the
  // history empty.
  if (const auto text = ReadClipboardText(nullptr); text && !text->empty()) {
    AddHistory(SharedText(*text));
  }

  // Before the selector window, the hot keys and the tray icon exist.
  if (program.Setting.ViewHello != 0) {
    ShowHelloWindow();
    SaveSettings();
  }
}

void Shutdown() {
  SaveSettings();
  AppIcons().small_.Reset();
  AppIcons().large_.Reset();
  AppIcons().borrowedSmall = nullptr;
  AppIcons().borrowedLarge = nullptr;
  Window::UnloadAll();
  PostQuitMessage(0);
}

}  // namespace quistrel
