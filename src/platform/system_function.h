// Calls that newer versions of Windows have and older ones lack, and calls of
// libraries that the program does not import (see system_library.h), looked
// up when the program runs, so the program starts everywhere.
#pragma once

#include <windows.h>

#include "platform/system_library.h"

namespace quistrel {

// The function of that name in the system library, or nullptr where this
// Windows has none or the library cannot be loaded.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
  const HMODULE handle = SharedSystemLibrary(module);
  return handle ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

// Wine, which runs the program on Linux and other systems, names itself by a
// function of its own in ntdll.
inline bool RunsUnderWine() {
  static const bool wine = SystemFunction<const char*(CDECL*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
  return wine;
}

}  // namespace quistrel
