#include "clipboard/clipboard_read.h"

#include "clipboard/clipboard.h"
#include "clipboard/clipboard_markers.h"

namespace quistrel {

namespace {
bool FormatPresent(const wchar_t* name) { return LookForFormat(RegisterClipboardFormatW(name)); }
}  // namespace

bool OwnerAnswers(HWND owner, UINT probeMs) {
  if (!owner) return true;
  DWORD process = 0;
  GetWindowThreadProcessId(owner, &process);
  if (process == GetCurrentProcessId()) return true;
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, probeMs, &result) != 0;
}

bool WorthOpening(ClipboardRead& read) {
  read.sequence = GetClipboardSequenceNumber();
  return !ClipboardWriteWaiting();
}

ClipboardRead ReadClipboardNow(HWND opener, RenderingWatch& watch, std::optional<HWND> seenOwner) {
  ClipboardRead read;
  if (!WorthOpening(read)) return read;
  auto clipboard = OpenedClipboard::Open(opener);
  if (!clipboard) return read;
  read.sequence = GetClipboardSequenceNumber();
  const HWND owner = GetClipboardOwner();
  // Another program copied since the caller looked: the read is made anew
  // for that copy. Or a write began to wait meanwhile: the clipboard is let
  // go at once.
  if ((seenOwner && owner != *seenOwner) || ClipboardWriteWaiting()) return read;
  ClipboardMarkers markers;
  markers.excludeFromMonitoring = FormatPresent(kExcludeFromMonitoringFormat);
  markers.viewerIgnore = FormatPresent(kViewerIgnoreFormat);
  const UINT canInclude = RegisterClipboardFormatW(kCanIncludeInHistoryFormat);
  if (!IsPrivateContent(markers) && LookForFormat(canInclude)) {
    if (!watch.Asking(owner)) return read;
    HANDLE block = GetClipboardData(canInclude);
    if (!watch.Answered()) return read;
    markers.canIncludeInHistory = 0xFFFFFFFFu;  // present but unreadable: not a 0
    if (block && GlobalSize(block) >= sizeof(DWORD)) {
      if (const auto* value = static_cast<const DWORD*>(GlobalLock(block))) {
        markers.canIncludeInHistory = *value;
        GlobalUnlock(block);
      }
    }
  }
  if (!LookForFormat(CF_UNICODETEXT) || IsPrivateContent(markers)) {
    read.complete = true;
    return read;
  }
  if (ClipboardWriteWaiting() || !watch.Asking(owner)) return read;
  HANDLE block = GetClipboardData(CF_UNICODETEXT);
  if (!watch.Answered()) return read;
  read.text = TextOfClipboardBlock(block);
  read.complete = true;
  return read;
}

}  // namespace quistrel
