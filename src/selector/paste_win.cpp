#include "selector/paste_win.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/handles.h"
#include "platform/own_input.h"
#include "platform/system_function.h"
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
    if (!ProcessPendingMessagesExcept(WM_HOTKEY)) return false;
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

namespace {
// Muhenkan (no conversion): on X servers' usual keyboards, and acted on by no
// program outside a Japanese input method, which sees no key sent this way.
constexpr uint16_t kVkResyncMark = 0x1D;  // VK_NONCONVERT
// One change of focus may bring several resyncs (the window under the pointer,
// then the one with the focus), each a few milliseconds after the one before.
constexpr std::chrono::milliseconds kResyncQuiet{25};

INPUT OwnKey(uint16_t virtualKey, bool up, bool extended) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  // Not the user's: the release of a Windows key the user still holds, or
  // the mark, which the keyboard hook passes over.
  input.ki.dwExtraInfo = kOwnInputMarker;
  return input;
}

void SendOwnKey(uint16_t virtualKey, bool up) {
  INPUT input = OwnKey(virtualKey, up, false);
  SendInput(1, &input, sizeof input);
}

bool MarkIsDown() { return (GetAsyncKeyState(kVkResyncMark) & 0x8000) != 0; }
}  // namespace

KeyResyncMark KeyResyncMark::Press() {
  KeyResyncMark mark;
  if (!RunsUnderWine() || MapVirtualKeyW(kVkResyncMark, MAPVK_VK_TO_VSC) == 0) return mark;
  SendOwnKey(kVkResyncMark, false);
  mark.held_ = true;
  return mark;
}

KeyResyncMark::KeyResyncMark(KeyResyncMark&& other) noexcept : held_(std::exchange(other.held_, false)) {}

KeyResyncMark& KeyResyncMark::operator=(KeyResyncMark&& other) noexcept {
  if (this != &other) {
    if (held_) SendOwnKey(kVkResyncMark, true);
    held_ = std::exchange(other.held_, false);
  }
  return *this;
}

KeyResyncMark::~KeyResyncMark() {
  if (held_) SendOwnKey(kVkResyncMark, true);
}

void KeyResyncMark::AwaitResyncs(std::chrono::milliseconds limit) {
  if (!held_) return;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + limit;
  std::optional<Clock::time_point> lastResync;
  for (;;) {
    // The resync's own release of the mark passes the keyboard hooks, this
    // program's among them.
    if (!ProcessPendingMessagesExcept(WM_HOTKEY)) return;
    const Clock::time_point now = Clock::now();
    if (!MarkIsDown()) {
      lastResync = now;
      SendOwnKey(kVkResyncMark, false);
    }
    if (lastResync && now - *lastResync >= kResyncQuiet) return;
    if (now >= deadline) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, 0);
  }
}

// The left Windows key counts as held: its release, which ended the
// gesture, went to the selector, and the window may still take it for held
// (Windows+Shift+Insert pastes nothing in some terminals). Released once
// more behind the unassigned key, it opens no Start menu.
void SendPasteKeys(PasteKeys keys, KeyResyncMark& mark) {
  const std::vector<KeyStroke> strokes =
      PasteKeyStrokes(keys, [](uint16_t key) { return key == kVkLWin || (GetAsyncKeyState(key) & 0x8000) != 0; });
  std::vector<INPUT> inputs;
  if (mark.HandOverRelease()) inputs.push_back(OwnKey(kVkResyncMark, true, false));
  for (const KeyStroke& stroke : strokes) inputs.push_back(OwnKey(stroke.virtualKey, stroke.up, stroke.extended));
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace quistrel
