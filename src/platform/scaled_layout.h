// The child controls of a window, placed from a layout table given in pixels
// at 96 DPI, and the fonts they show, given in points. Both are kept, so that
// the window can lay itself out again when it comes to a monitor of another
// DPI.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/dpi.h"
#include "platform/handles.h"

namespace quistrel {

struct FontDescription {
  std::wstring face;  // empty: the system's message font, at its own size
  double points = 9.0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

class ScaledLayout {
 public:
  // The window the controls are children of, and its DPI.
  void Attach(HWND window, UINT dpi);
  // The window is gone: its controls are forgotten and the fonts freed.
  void Detach();

  UINT Dpi() const { return dpi_; }
  int Scale(int value) const { return ScaleForDpi(value, static_cast<int>(dpi_)); }
  RECT Scale(const RECT& at96) const;

  // Creates a control at a place given at 96 DPI (in the window's client
  // area), in the message font.
  HWND Add(const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle, const RECT& at96, int id);
  // Where a control added here was placed, at 96 DPI.
  RECT PlaceAt96(HWND control) const;
  void SetFont(HWND control, const FontDescription& font);
  // A font at the window's DPI, made once and owned here.
  HFONT Font(const FontDescription& font);

  // Places every control again and gives it its font made anew, at `dpi`.
  void ChangeDpi(UINT dpi);
  // The same at the DPI it has: the fonts made anew from the system's
  // metrics as they are now (a change of the look may have changed them).
  void Renew();

 private:
  struct Placed {
    HWND control;
    RECT at96;
    FontDescription font;
  };
  HWND window_ = nullptr;
  UINT dpi_ = kDefaultDpi;
  std::vector<Placed> controls_;
  std::vector<std::pair<FontDescription, UniqueFont>> fonts_;
};

}  // namespace quistrel
