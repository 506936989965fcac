#include "platform/scaled_layout.h"

#include <algorithm>
#include <cmath>

#include "platform/display.h"
#include "platform/window.h"

namespace quistrel {

void ScaledLayout::Attach(HWND window, UINT dpi) {
  window_ = window;
  dpi_ = dpi;
}

void ScaledLayout::Detach() {
  window_ = nullptr;
  controls_.clear();
  fonts_.clear();
}

RECT ScaledLayout::Scale(const RECT& at96) const {
  // Edges, not sizes, are scaled: neighbours that touch at 96 DPI still touch.
  return RECT{Scale(at96.left), Scale(at96.top), Scale(at96.right), Scale(at96.bottom)};
}

HWND ScaledLayout::Add(const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle, const RECT& at96,
                       int id) {
  const RECT at = Scale(at96);
  HWND control = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                                 at.right - at.left, at.bottom - at.top, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance(), nullptr);
  if (control) {
    controls_.push_back(Placed{control, at96, FontDescription{}});
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(FontDescription{})), FALSE);
  }
  return control;
}

RECT ScaledLayout::PlaceAt96(HWND control) const {
  const auto found =
      std::find_if(controls_.begin(), controls_.end(), [control](const Placed& p) { return p.control == control; });
  return found != controls_.end() ? found->at96 : RECT{};
}

void ScaledLayout::SetFont(HWND control, const FontDescription& font) {
  for (Placed& placed : controls_) {
    if (placed.control == control) placed.font = font;
  }
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(font)), FALSE);
}

HFONT ScaledLayout::Font(const FontDescription& font) {
  for (const auto& [described, made] : fonts_) {
    if (described == font) return made.Get();
  }
  LOGFONTW wanted = MessageFontAtDpi(dpi_);
  if (!font.face.empty()) {
    wanted = LOGFONTW{};
    wanted.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi_ / 72.0));
    wanted.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    wanted.lfItalic = font.italic;
    wanted.lfUnderline = font.underline;
    wanted.lfCharSet = DEFAULT_CHARSET;
    wanted.lfQuality = DEFAULT_QUALITY;
    wcsncpy(wanted.lfFaceName, font.face.c_str(), LF_FACESIZE - 1);
  }
  fonts_.emplace_back(font, UniqueFont(CreateFontIndirectW(&wanted)));
  return fonts_.back().second.Get();
}

void ScaledLayout::ChangeDpi(UINT dpi) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  Renew();
}

void ScaledLayout::Renew() {
  // The old fonts stay alive until every control has its new one.
  auto oldFonts = std::move(fonts_);
  fonts_.clear();
  for (const Placed& placed : controls_) {
    const RECT at = Scale(placed.at96);
    SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(placed.font)), FALSE);
    SetWindowPos(placed.control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (window_) InvalidateRect(window_, nullptr, TRUE);
}

}  // namespace quistrel
