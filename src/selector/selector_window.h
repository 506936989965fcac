// The selector pop-up, which is also the program's hidden main window: it
// shows the history or the fixed strings, moves the selection, commits the
// selected text and pastes it, and owns the tray menu.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "core/program_state.h"
#include "platform/echo_filter.h"
#include "platform/handles.h"
#include "platform/list_accessibility.h"
#include "platform/look_win.h"
#include "platform/mouse_button.h"
#include "platform/scaled_layout.h"
#include "platform/tooltip.h"
#include "platform/window.h"
#include "selector/frame_cache_win.h"
#include "selector/paste.h"
#include "selector/paste_win.h"
#include "selector/selector_model.h"

namespace quistrel {

inline constexpr wchar_t kSelectorClassName[] = L"Mallowquist.frmMain";

// What the tray menu's entries and the window's end lead to, supplied by the
// program that owns the selector.
struct SelectorActions {
  std::function<void()> openSettings;
  std::function<void()> openAbout;
  // The window is being destroyed (the end entry, WM_CLOSE, or the end of
  // the Windows session): the program winds down.
  std::function<void()> ending;
  // A paste was not sent (the window runs with higher rights, or never took
  // the keyboard back); the user is to paste there with the keys given (said
  // once per run for each obstacle).
  std::function<void(PasteObstacle, PasteKeys)> pasteDropped;
  // The chosen text could not be put on the clipboard (another program kept
  // it held); nothing was pasted and the user is to choose again.
  std::function<void()> commitFailed;
  // The pause entry: the recording is paused, or goes on again.
  std::function<void()> switchPause;
};

class SelectorWindow final : public Window {
 public:
  SelectorWindow(ProgramState& program, SelectorActions actions);

  // Creates the window hidden, with its controls and the tray menu.
  bool Load();
  // Destroys the window; the program ends.
  void Unload() { Destroy(); }

  // Shown, or about to show (an opening prepared it).
  bool IsOpen() const;
  // Opens the selector on the displayed list, with the clipboard's text
  // located in it. False, and nothing done, while the settings dialog is open.
  // The window shows once the message that opened it (and the step that
  // came with it) is handled, with its list, selection and preview in
  // place, drawn in one go.
  bool Open();
  // Hides it; with thenPaste (the clipboard holds what the user chose) and
  // AutoPaste 1, the window's paste keys follow unless it would drop them.
  void Close(bool thenPaste);
  void SelectUp();
  void SelectDown();
  // The tray icon: the left button opens the selector for the mouse, the right
  // button pops up the tray menu.
  void OnTrayIconClick(MouseButton button);
  // Handles a released key before the focused control; sets keyCode to 0 for
  // the keys it consumes.
  void OnKeyUp(uint16_t& keyCode);
  // The keyboard hook saw a key let go at `time`: acted on as the window's
  // own key message; each release acts once, whichever of the two comes
  // first.
  void OnReportedKeyUp(uint16_t keyCode, uint32_t time);

  const SelectorModel& Model() const { return model_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls();
  void BuildTrayMenu();
  void Place(HWND foreground);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  // The system's colours changed: the look is decided again, and a new one
  // shows at the next opening (at once while the selector shows).
  void FollowLook();
  void PaintDarkFrame(WPARAM region);
  UINT LineHeight();
  void OnEnding();
  void FillList();
  void Commit();
  // Hides the window and hands the activation back. The window the user was
  // working in when it got it back, nullptr when another window took the
  // activation; nothing for the nested call that the hiding itself causes.
  std::optional<HWND> Hide();
  void Paste(HWND handedBackTo, KeyResyncMark& mark);
  void SwitchList();
  void OnListKindClicked();
  void OnLineSelected();
  void ShowPrepared();
  void UpdatePreview();
  void ShowWholePreview();
  void OnLineDoubleClicked();
  void SelectLine(int32_t line);
  void OnCommand(int id, int code);
  void DrawLine(const DRAWITEMSTRUCT& item);
  bool RouteKeyboard(MSG& msg);
  const TextList& DisplayedList() const;

  ProgramState& program_;
  SelectorActions actions_;
  SelectorModel model_;
  HWND optHistory_ = nullptr;
  HWND optFixed_ = nullptr;
  HWND list_ = nullptr;
  HWND preview_ = nullptr;
  Tooltips tooltips_;
  ScaledLayout layout_;
  ListAccessibility listAccessibility_;
  FrameCache listFrame_;
  FrameCache previewFrame_;
  WindowLook look_;
  UniqueMenu trayMenu_;
  HWND previousForeground_ = nullptr;  // active before the selector opened
  int keyFilter_ = 0;
  EchoFilter releases_{kReleaseEchoMs};
  static constexpr uint32_t kReleaseEchoMs = 100;
  bool placed_ = false;
  bool hiding_ = false;
  bool showPending_ = false;
  bool focusAhead_ = false;     // the first paint draws the focus the list is about to take
  bool previewIsHead_ = false;  // the preview holds the head of a longer text
  bool ended_ = false;
  PasteNotices pasteNotices_;
};

}  // namespace quistrel
