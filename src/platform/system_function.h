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

}  // namespace quistrel
