// The end of a selection: the text chosen goes on the clipboard, the
// selector hides and hands the activation back, and the keys that paste
// follow once the window the user works in has the keyboard again.
#include <chrono>
#include <utility>

#include "clipboard/clipboard.h"
#include "selector/opening_trace_win.h"
#include "selector/paste_win.h"
#include "selector/selector_window.h"

namespace quistrel {

namespace {
// How long a commit waits for a clipboard that someone else holds.
constexpr auto kCommitWait = std::chrono::milliseconds(2000);
// How long the paste waits for the window the user works in to take the
// keyboard back: a program that takes longer is one the user sees hang.
constexpr auto kTargetWait = std::chrono::milliseconds(1000);
// How long the paste waits for Wine's resyncs of the keys held after the
// hand-back: they come within milliseconds; a longer wait would be a
// program's window that does not answer.
constexpr auto kResyncWait = std::chrono::milliseconds(200);
}  // namespace

void SelectorWindow::Commit() {
  const std::optional<SharedText> text = model_.SelectedText();
  // Pressed before the hide: the resyncs that the hide and the hand-back
  // bring all come after it.
  const bool paste = ShouldPaste(true, program_.Setting.AutoPaste);
  KeyResyncMark mark = paste ? KeyResyncMark::Press() : KeyResyncMark();
  const std::optional<HWND> handedBackTo = Hide();
  if (!handedBackTo) return;
  // Out of the user's way, the commit may wait for a clipboard that another
  // program holds (or that a slow owner keeps busy) a while. If it stays
  // held, the user hears of it, and nothing is pasted. Should the system
  // refuse the text once the clipboard is emptied, the text last read from
  // it goes back, if nothing was copied since.
  const KnownClipboardText previous{program_.ClipboardText.view(), program_.ClipboardSequence};
  if (text && !WriteClipboardText(Handle(), text->view(), kCommitWait, previous)) {
    // The mark goes up before the user is told: a message box (balloons off)
    // runs a message loop, where another gesture may commit with a mark of
    // its own, whose release would then come twice.
    mark = KeyResyncMark();
    if (actions_.commitFailed) actions_.commitFailed();
    return;
  }
  if (paste) Paste(*handedBackTo, mark);
}

void SelectorWindow::Close(bool thenPaste) {
  const bool paste = ShouldPaste(thenPaste, program_.Setting.AutoPaste);
  KeyResyncMark mark = paste ? KeyResyncMark::Press() : KeyResyncMark();
  const std::optional<HWND> handedBackTo = Hide();
  if (handedBackTo && paste) Paste(*handedBackTo, mark);
}

std::optional<HWND> SelectorWindow::Hide() {
  model_.openedByMouse = false;
  showPending_ = false;
  // Looked at first: taking the topmost place away may already move the
  // activation (a window manager restacks and refocuses).
  const bool wasActive = GetForegroundWindow() == Handle();
  SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  // Hiding the active selector deactivates it, which calls Close once more
  // from inside ShowWindow; that nested call only repeats the hide.
  const bool outermost = !hiding_;
  hiding_ = true;
  ShowWindow(Handle(), SW_HIDE);
  opening_trace::Write();
  hiding_ = !outermost;
  if (!outermost) return std::nullopt;
  // Hand the activation back to the window the user was working in (the
  // system's own choice of the next window is not always that one). When
  // another window took the activation, it keeps it. The activation may
  // still be lost on its way; the paste waits for it (and asks again).
  HWND previous = std::exchange(previousForeground_, nullptr);
  const bool handBack =
      wasActive && previous && previous != Handle() && IsWindow(previous) && IsWindowVisible(previous);
  if (!handBack) return nullptr;
  SetForegroundWindow(previous);
  return previous;
}

void SelectorWindow::Paste(HWND handedBackTo, KeyResyncMark& mark) {
  // Without a hand-back no window of Wine's takes the focus, and no resync
  // comes to wait for.
  if (!handedBackTo) mark = KeyResyncMark();
  // The hide and the return of the activation take effect first.
  ProcessPendingMessagesExcept(WM_HOTKEY);
  const HWND target = handedBackTo ? handedBackTo : GetForegroundWindow();
  const PasteKeys keys = PasteKeysFor(target, program_.Setting.PasteKeysByClass);
  if (keys == PasteKeys::None) return;  // the user pastes there, and knows it
  PasteObstacle obstacle = PasteObstacle::None;
  if (InputWouldBeDropped(InspectProcessOf(target), OwnIntegrityLevel())) {
    obstacle = PasteObstacle::HigherRights;
  } else if (!target || !WaitUntilItHasTheKeyboard(target, kTargetWait)) {
    // The other program activates its window on its own thread, later when
    // it is busy: the keys go once that window has the keyboard, not to
    // whichever window has it before, and not at all if it never does.
    obstacle = PasteObstacle::NoKeyboard;
  } else {
    mark.AwaitResyncs(kResyncWait);
  }
  // The program ended during the waits (the tray's end entry, a log-off),
  // which a quit cut short: nothing is sent, nothing said.
  if (ended_) return;
  switch (DecidePaste(obstacle, pasteNotices_)) {
    case PasteStep::SendKeys: SendPasteKeys(keys, mark); break;
    case PasteStep::LeaveOnClipboard: break;
    case PasteStep::LeaveOnClipboardAndTell:
      mark = KeyResyncMark();  // up before the user is told, as for a failed commit
      if (actions_.pasteDropped) actions_.pasteDropped(obstacle, keys);
      break;
  }
}

}  // namespace quistrel
