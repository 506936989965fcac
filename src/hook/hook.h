// The selector window's place in the clipboard-viewer chain and its
// replacement window procedure.
#pragma once

#include <windows.h>

#include "hook/hook_procedure.h"

namespace quistrel {

// The part of the program the replacement procedure drives (the selector).
void SetHookTarget(HookTarget* target);

void JoinClipboardChain(HWND window);
void StartHook(HWND window);
void EndHook(HWND window);
void LeaveClipboardChain(HWND window);
LRESULT CALLBACK HookWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

HWND NextViewer();

// Registers Win+C and Win+Alt+C for the window; a taken combination is
// reported in a message box and the program goes on without it.
void RegisterHotKeys(HWND window);
void UnregisterHotKeys(HWND window);
int32_t DownKeyId();
int32_t UpKeyId();

}  // namespace quistrel
