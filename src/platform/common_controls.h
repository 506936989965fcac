// The calls of the common controls (comctl32) that the program uses, from the
// library loaded at run time (see system_library.h). The manifest makes it
// version 6. Where it cannot be had, windows go without the extras: no
// subclass, no tooltip class.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace quistrel::common_controls {

bool InitCommonControlsEx(const INITCOMMONCONTROLSEX& controls);
bool SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
bool RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
// Where the library is missing no subclass procedure runs; DefWindowProc
// answers then.
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quistrel::common_controls
