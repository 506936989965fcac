// A top-level window with child controls, shown modeless or modal, with the
// keyboard behaviour of a dialog box (Tab order, Enter for the default button,
// Esc for the cancel button) and tooltips. Its layout is given at 96 DPI and
// applied at the DPI of the monitor it is on. Every window of the program
// that has controls derives from it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "platform/handles.h"
#include "platform/look_win.h"
#include "platform/program_icons.h"
#include "platform/scaled_layout.h"
#include "platform/tooltip.h"
#include "platform/window.h"

namespace quistrel {

class Form : public Window {
 public:
  // Shows the window without owner; when it is already open it comes forward.
  void ShowModeless();
  // Shows the window owned by `owner` and returns once it has been unloaded;
  // the owner takes no input meanwhile.
  void ShowModal(HWND owner);
  void Unload() { Destroy(); }
  bool IsModal() const { return modal_; }

 protected:
  // The window's frame and size; called before creation.
  struct Frame {
    const wchar_t* className;
    std::wstring caption;
    int clientWidth;  // at 96 DPI, like every length of a layout
    int clientHeight;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    DWORD exStyle = WS_EX_DLGMODALFRAME;
    bool centreOnOwner = false;
    // false: a window shown without owner gets a hidden one, so that it has
    // no taskbar button of its own.
    bool taskbarButton = true;
  };
  virtual Frame Describe() const = 0;
  // Creates the controls and fills them (the form's load).
  virtual void OnLoad() {}
  // The form's unload, before the window is destroyed.
  virtual void OnUnload() {}
  virtual void OnCommand(int id, int code, HWND control);
  // Draws what the form shows beside its controls; called for WM_PAINT and
  // WM_PRINTCLIENT, so the drawing survives repaints and can be captured.
  virtual void OnPaint(HDC) {}
  // Enter and Esc: the ids of the default and cancel buttons (0 for none).
  virtual int DefaultButtonId() const { return IDOK; }
  virtual int CancelButtonId() const { return IDCANCEL; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Adds a child control (to the form, or inside a frame at coordinates
  // relative to that frame), in the message font. Controls are created in
  // tab order.
  HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int x, int y, int width, int height,
                  int id, HWND frame = nullptr, DWORD exStyle = 0);
  void SetTooltip(HWND control, const std::wstring& text);
  // Gives a control its font; it follows the window to another DPI.
  void SetControlFont(HWND control, const FontDescription& font) { layout_.SetFont(control, font); }
  // A font at the window's DPI, owned by the form. It is made anew when the
  // DPI changes, so ask for it each time rather than keep it.
  HFONT FontFor(const FontDescription& wanted) { return layout_.Font(wanted); }
  // A length of the layout table at the window's DPI.
  int Scale(int at96) const { return layout_.Scale(at96); }
  RECT Scale(const RECT& at96) const { return layout_.Scale(at96); }
  UINT Dpi() const { return layout_.Dpi(); }
  // Gives the window the small program icon, at the size for its DPI.
  void ShowProgramIcon(const ProgramIcons& icons);
  // Puts the controls first in the tab order, in the order given; the others
  // (labels, frames) follow in their order of creation.
  void SetTabOrder(std::initializer_list<HWND> controls);
  HWND Item(int id) const { return GetDlgItem(Handle(), id); }
  std::wstring ItemText(int id) const;

 private:
  bool EnsureCreated(HWND owner);
  bool HandleDialogKeys(MSG& msg);
  void RememberFocus();
  void RestoreFocus();
  void FocusControl(HWND control);
  void ShowDefaultButton(HWND focus);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void FollowLook();
  bool modal_ = false;
  HWND lastFocus_ = nullptr;
  int filterId_ = 0;
  Tooltips tooltips_;
  ScaledLayout layout_;
  WindowLook look_;
  const ProgramIcons* icons_ = nullptr;
};

// The window's text.
std::wstring WindowTextOf(HWND window);

}  // namespace quistrel
