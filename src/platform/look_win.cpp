#include "platform/look_win.h"

#include <string>

#include "platform/common_controls.h"
#include "platform/handles.h"
#include "platform/system_function.h"

namespace quistrel {

namespace {
constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppModeValue[] = L"AppsUseLightTheme";

// The links of the light look, as they always were.
constexpr Rgb kLinkBlue{0x00, 0x00, 0xFF};
constexpr Rgb kLinkRed{0xFF, 0x00, 0x00};

// DWMWA_WINDOW_CORNER_PREFERENCE and DWMWCP_ROUND (Windows 11's SDK).
constexpr DWORD kCornerPreference = 33;
constexpr DWORD kRoundCorners = 2;

// uxtheme's unnamed entry points for the pop-up menus (PreferredAppMode:
// 0 the system's default, 2 always dark).
constexpr WORD kSetPreferredAppMode = 135;
constexpr WORD kFlushMenuThemes = 136;
constexpr int kDefaultAppMode = 0;
constexpr int kForceDarkAppMode = 2;

Rgb RgbOf(COLORREF colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }
Rgb System(int index) { return RgbOf(GetSysColor(index)); }

uint32_t SystemBuild() {
  // GetVersionEx reports the version the manifest names at most.
  using Call = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto get = SystemFunction<Call>(L"ntdll.dll", "RtlGetVersion");
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  return get && get(&info) == 0 ? info.dwBuildNumber : 0;
}

std::optional<uint32_t> AppsUseLightTheme() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
  DWORD value = 0, type = 0, size = sizeof value;
  const LSTATUS read = RegQueryValueExW(key, kAppModeValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || type != REG_DWORD) return {};
  return value;
}

bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

// The user's accent colour (the one the system colours windows with), or
// the system's highlight.
Rgb AccentColour() {
  using Call = HRESULT(WINAPI*)(DWORD*, BOOL*);
  const auto get = SystemFunction<Call>(L"dwmapi.dll", "DwmGetColorizationColor");
  DWORD argb = 0;
  BOOL opaque = FALSE;
  if (get && SUCCEEDED(get(&argb, &opaque))) {
    return {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb)};
  }
  return System(COLOR_HIGHLIGHT);
}

Palette SystemPalette(bool highContrast) {
  Palette p;
  p.face = System(COLOR_BTNFACE);
  p.faceText = System(COLOR_BTNTEXT);
  p.field = System(COLOR_WINDOW);
  p.fieldText = System(COLOR_WINDOWTEXT);
  p.selection = System(COLOR_HIGHLIGHT);
  p.selectionText = System(COLOR_HIGHLIGHTTEXT);
  p.edge = System(COLOR_BTNSHADOW);
  p.shadowLine = System(COLOR_BTNSHADOW);
  p.lightLine = System(COLOR_WINDOW);
  p.link = highContrast ? System(COLOR_HOTLIGHT) : kLinkBlue;
  p.linkPressed = highContrast ? System(COLOR_HIGHLIGHT) : kLinkRed;
  p.band = System(COLOR_DESKTOP);
  p.bandText = System(COLOR_CAPTIONTEXT);
  p.bandShadow = System(COLOR_ACTIVECAPTION);
  return p;
}

// The pop-up menus (the tray menu) follow the look only through uxtheme's
// unnamed entry points, which only known builds of Windows have: elsewhere,
// and under Wine (which names a Windows build but is none), they stay light.
void MenusFollow(LookKind kind, uint32_t build) {
  static bool changed = false;
  const bool dark = kind == LookKind::Dark;
  if ((!dark && !changed) || !HasDarkMenus(build) || RunsUnderWine()) return;
  const HMODULE uxtheme = SharedSystemLibrary(L"uxtheme.dll");
  if (!uxtheme) return;
  const auto setMode = reinterpret_cast<int(WINAPI*)(int)>(
      reinterpret_cast<void*>(GetProcAddress(uxtheme, MAKEINTRESOURCEA(kSetPreferredAppMode))));
  const auto flush = reinterpret_cast<void(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(uxtheme, MAKEINTRESOURCEA(kFlushMenuThemes))));
  if (!setMode || !flush) return;
  setMode(dark ? kForceDarkAppMode : kDefaultAppMode);
  flush();
  changed = true;
}

struct LookState {
  bool decided = false;
  uint32_t generation = 0;
  uint32_t build = 0;
  LookKind kind = LookKind::Light;
  Palette palette;
  UniqueBrush face;
  UniqueBrush field;
};

LookState& State() {
  static LookState state;
  if (!state.decided) {
    state.decided = true;
    RefreshLook();
  }
  return state;
}

void SetWindowThemeOf(HWND window, const wchar_t* subApp, const wchar_t* idList) {
  using Call = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static const auto set = SystemFunction<Call>(L"uxtheme.dll", "SetWindowTheme");
  if (set) set(window, subApp, idList);
}

// The theme that draws a control dark; an empty name for the buttons whose
// themes keep dark text (option buttons, check boxes, frames), which are
// drawn unthemed then, in the colours of WM_CTLCOLORSTATIC; nullptr for
// controls that follow WM_CTLCOLOR* alone.
const wchar_t* DarkThemeOf(HWND control) {
  wchar_t name[32] = {};
  GetClassNameW(control, name, 32);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (lstrcmpiW(name, L"Button") == 0) {
    const LONG type = style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? L"DarkMode_Explorer" : L"";
  }
  if (lstrcmpiW(name, L"Edit") == 0) return (style & ES_MULTILINE) ? L"DarkMode_Explorer" : L"DarkMode_CFD";
  if (lstrcmpiW(name, L"ListBox") == 0 || lstrcmpiW(name, L"ScrollBar") == 0 ||
      lstrcmpiW(name, L"msctls_updown32") == 0) {
    return L"DarkMode_Explorer";
  }
  return nullptr;
}

bool IsGroupBox(HWND control) {
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  return lstrcmpiW(name, L"Button") == 0 && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// A frame in the dark look: its line in the edge colour, its caption in the
// text colour. Themed or not, the system draws a frame's caption in the
// theme's own dark text (under Wine too), whatever WM_CTLCOLORSTATIC says.
LRESULT CALLBACK DarkGroupBox(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message != WM_PAINT || CurrentLook() != LookKind::Dark) {
    return common_controls::DefSubclassProc(box, message, wParam, lParam);
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(box, &paint);
  const Palette& palette = CurrentPalette();
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  caption.resize(static_cast<std::size_t>(GetWindowTextW(box, caption.data(), static_cast<int>(caption.size()))));
  RECT client;
  GetClientRect(box, &client);
  RECT text{client.left + metrics.tmAveCharWidth, client.top, client.right - metrics.tmAveCharWidth,
            client.top + metrics.tmHeight};
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE | DT_CALCRECT);
  text.right += 2;  // a blank on either side, as the system leaves
  text.left -= 1;
  RECT line = client;
  line.top += metrics.tmHeight / 2;
  if (!caption.empty()) ExcludeClipRect(dc, text.left, text.top, text.right, text.bottom);
  SetDCBrushColor(dc, ColourOf(palette.edge));
  FrameRect(dc, &line, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SelectClipRgn(dc, nullptr);
  if (!caption.empty()) {
    FillRect(dc, &text, FaceBrush());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColourOf(palette.faceText));
    text.left += 1;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE);
  }
  SelectObject(dc, oldFont);
  EndPaint(box, &paint);
  return 0;
}

void SetDarkTitleBar(HWND window, bool dark, uint32_t build) {
  const DWORD attribute = DarkTitleBarAttribute(build);
  using Call = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  const auto set = SystemFunction<Call>(L"dwmapi.dll", "DwmSetWindowAttribute");
  const BOOL value = dark ? TRUE : FALSE;
  if (attribute && set) set(window, attribute, &value, sizeof value);
}
}  // namespace

LookKind CurrentLook() { return State().kind; }
const Palette& CurrentPalette() { return State().palette; }
COLORREF ColourOf(Rgb colour) { return RGB(colour.r, colour.g, colour.b); }
HBRUSH FaceBrush() { return State().face.Get(); }
HBRUSH FieldBrush() { return State().field.Get(); }
uint32_t LookGeneration() { return State().generation; }

LookFacts ReadLookFacts() { return LookFacts{HighContrastOn(), AppsUseLightTheme(), SystemBuild()}; }

void RefreshLook() {
  LookState& state = State();
  const LookFacts facts = ReadLookFacts();
  const LookKind kind = DecideLook(facts);
  const Palette palette =
      kind == LookKind::Dark ? DarkPalette(AccentColour()) : SystemPalette(kind == LookKind::HighContrast);
  state.build = facts.build;
  if (state.generation != 0 && kind == state.kind && palette == state.palette) return;
  state.kind = kind;
  state.palette = palette;
  state.face.Reset(CreateSolidBrush(ColourOf(palette.face)));
  state.field.Reset(CreateSolidBrush(ColourOf(palette.field)));
  ++state.generation;
  MenusFollow(kind, facts.build);
}

bool SaysColoursChanged(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOLORCHANGE || message == WM_THEMECHANGED) return true;
  if (message != WM_SETTINGCHANGE) return false;
  if (wParam == SPI_SETHIGHCONTRAST) return true;
  const auto* area = reinterpret_cast<const wchar_t*>(lParam);
  return area && lstrcmpiW(area, L"ImmersiveColorSet") == 0;
}

bool WindowLook::Apply(HWND window) {
  const LookState& state = State();
  if (generation_ == state.generation) return false;
  const bool earlier = generation_ != 0;
  generation_ = state.generation;
  const bool dark = state.kind == LookKind::Dark;
  if (dark || dark_) {
    SetDarkTitleBar(window, dark, state.build);
    for (HWND control = GetWindow(window, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
      const wchar_t* theme = DarkThemeOf(control);
      if (!theme) continue;
      if (dark && IsGroupBox(control)) common_controls::SetWindowSubclass(control, &DarkGroupBox, 0, 0);
      if (dark) {
        SetWindowThemeOf(control, theme, *theme ? nullptr : L"");
      } else {
        SetWindowThemeOf(control, nullptr, nullptr);
      }
    }
  }
  dark_ = dark;
  return earlier;
}

HBRUSH WindowLook::ControlColours(UINT message, HDC dc) {
  if (CurrentLook() != LookKind::Dark) return nullptr;
  const Palette& p = CurrentPalette();
  const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  SetTextColor(dc, ColourOf(field ? p.fieldText : p.faceText));
  SetBkColor(dc, ColourOf(field ? p.field : p.face));
  return field ? FieldBrush() : FaceBrush();
}

std::optional<LRESULT> WindowLook::PaintingAnswer(HWND window, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, FaceBrush());
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (HBRUSH brush = ControlColours(message, reinterpret_cast<HDC>(wParam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      return std::nullopt;
    default: return std::nullopt;
  }
}

void RoundCorners(HWND window) {
  using Call = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  if (!HasRoundedCorners(State().build)) return;
  const auto set = SystemFunction<Call>(L"dwmapi.dll", "DwmSetWindowAttribute");
  const DWORD round = kRoundCorners;
  if (set) set(window, kCornerPreference, &round, sizeof round);
}

}  // namespace quistrel
