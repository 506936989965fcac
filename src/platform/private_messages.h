// The program's own window messages. Each has a value of its own, so that a
// message posted to one window can never be taken for another's.
#pragma once

#include <windows.h>

namespace quistrel {

// The clipboard reader's thread finished a read (posted to the reader's window).
inline constexpr UINT kClipboardReadMessage = WM_APP + 0x20;
// The clipboard reader's thread waits for an owner's rendering (posted to the
// reader's window, which watches how long it takes).
inline constexpr UINT kClipboardRenderingMessage = WM_APP + 0x22;
// The selector is to show what its opening prepared (posted to the selector).
inline constexpr UINT kShowSelectorMessage = WM_APP + 0x21;

}  // namespace quistrel
