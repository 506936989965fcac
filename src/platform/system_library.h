// Libraries of the system that the program loads while it runs instead of
// importing them. Windows looks for an imported library in the program's own
// folder before System32, except for the few "known DLLs"; the program is
// often started right from Downloads, where a web page can leave a file of
// any name without asking.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace quistrel {

// Makes System32 the only folder this process loads libraries from, also for
// the ones that system code loads on the program's behalf later (uxtheme,
// dwmapi...). False where Windows lacks the call (Windows 7 without its 2011
// loader update).
bool LoadLibrariesFromSystem32Only();

// The library of that name (such as L"version.dll") from System32 alone, even
// where a file of that name from elsewhere is loaded already; the common
// controls come in the version the manifest asks for. Empty where it cannot
// be loaded.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// The program's one handle on that system library: loaded at the first call,
// freed when the program ends; nullptr where it cannot be loaded.
HMODULE SharedSystemLibrary(const wchar_t* name);

}  // namespace quistrel
