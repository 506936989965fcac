#include "selector/paste_win.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/handles.h"
#include "platform/own_input.h"
#include "platform/window.h"
#include "selector/selector_model.h"

namespace quistrel {

namespace {
// Nothing when the token cannot be read, or holds no usable label.
std::optional<uint32_t> IntegrityLevelOf(HANDLE process, bool& tokenDenied) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
    tokenDenied = true;
    return std::nullopt;
  }
  const UniqueKernelObject owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) {
    tokenDenied = GetLastError() == ERROR_ACCESS_DENIED;
    return std::nullopt;
  }
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
    tokenDenied = GetLastError() == ERROR_ACCESS_DENIED;
    return std::nullopt;
  }
  const PSID label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  if (!label || !IsValidSid(label)) return std::nullopt;
  const UCHAR parts = *GetSidSubAuthorityCount(label);
  if (parts == 0) return std::nullopt;
  return static_cast<uint32_t>(*GetSidSubAuthority(label, parts - 1u));
}
}  // namespace

TargetProcess InspectProcessOf(HWND window) {
  TargetProcess target;
  DWORD id = 0;
  if (!window || !GetWindowThreadProcessId(window, &id) || id == 0) return target;
  const UniqueKernelObject process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process) {
    target.queryDenied = GetLastError() == ERROR_ACCESS_DENIED;
    return target;
  }
  target.integrityLevel = IntegrityLevelOf(process.Get(), target.tokenDenied);
  return target;
}

std::optional<uint32_t> OwnIntegrityLevel() {
  bool ignored = false;
  return IntegrityLevelOf(GetCurrentProcess(), ignored);
}

namespace {
bool HasTheKeyboard(HWND window) {
  if (GetForegroundWindow() != window) return false;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndActive == window &&
         info.hwndFocus != nullptr;
}

// A hidden window in the foreground (the selector just closed) holds no
// keyboard either.
bool NoWindowHasTheForeground() {
  const HWND foreground = GetForegroundWindow();
  return !foreground || !IsWindowVisible(foreground);
}

// Its only work is to be called: the call is a message that ends the wait.
void CALLBACK OnForegroundOrFocus(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {}
}  // namespace

bool WaitUntilItHasTheKeyboard(HWND window, std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  // Told of every change of the foreground and of the focus, in any program.
  const UniqueWinEventHook foreground(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                                      OnForegroundOrFocus, 0, 0, WINEVENT_OUTOFCONTEXT));
  const UniqueWinEventHook focus(SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnForegroundOrFocus,
                                                 0, 0, WINEVENT_OUTOFCONTEXT));
  // Looked at again now and then all the same: a system may fail to report
  // a change made in another program.
  constexpr std::chrono::milliseconds kLookAgain{20};
  constexpr std::chrono::milliseconds kActivateAgain{100};
  const Clock::time_point deadline = Clock::now() + limit;
  Clock::time_point activated = Clock::now() - kActivateAgain;
  for (;;) {
    ProcessPendingMessagesExcept(WM_HOTKEY);
    if (HasTheKeyboard(window)) return true;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return false;
    // The activation handed back can be lost on the way: under a window
    // manager that saw the focused selector vanish, or to the late news of
    // an older change of focus. While no window has the foreground the window
    // is activated again (the system allows it then); a window that the user
    // activated meanwhile keeps the foreground and the wait fails.
    if (NoWindowHasTheForeground() && now - activated >= kActivateAgain) {
      SetForegroundWindow(window);
      activated = now;
    }
    const auto pause = std::min(std::chrono::ceil<std::chrono::milliseconds>(deadline - now), kLookAgain);
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(pause.count()), QS_ALLINPUT, 0);
  }
}

PasteKeys PasteKeysFor(HWND window, const PasteKeyTable& table) {
  // Longer than any class name the system registers (256 characters).
  wchar_t name[260] = {};
  const HWND topLevel = window ? GetAncestor(window, GA_ROOT) : nullptr;
  const int length = topLevel ? GetClassNameW(topLevel, name, static_cast<int>(std::size(name))) : 0;
  return PasteKeysForClass(FromWide(name, static_cast<std::size_t>(std::max(length, 0))), table);
}

// The left Windows key counts as held: its release, which ended the
// gesture, went to the selector, and the window may still take it for held
// (Windows+Shift+Insert pastes nothing in some terminals). Released once
// more behind the unassigned key, it opens no Start menu.
void SendPasteKeys(PasteKeys keys) {
  const std::vector<KeyStroke> strokes =
      PasteKeyStrokes(keys, [](uint16_t key) { return key == kVkLWin || (GetAsyncKeyState(key) & 0x8000) != 0; });
  if (strokes.empty()) return;
  std::vector<INPUT> inputs(strokes.size());
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    KEYBDINPUT& key = inputs[i].ki;
    inputs[i].type = INPUT_KEYBOARD;
    key.wVk = strokes[i].virtualKey;
    key.wScan = static_cast<WORD>(MapVirtualKeyW(strokes[i].virtualKey, MAPVK_VK_TO_VSC));
    key.dwFlags = (strokes[i].up ? KEYEVENTF_KEYUP : 0) | (strokes[i].extended ? KEYEVENTF_EXTENDEDKEY : 0);
    // The release of a Windows key the user still holds is not the user's.
    key.dwExtraInfo = kOwnInputMarker;
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace quistrel
