// Calls that newer versions of Windows have and older ones lack, looked up
// when the program runs instead of linked, so the program starts everywhere.
#pragma once

#include <windows.h>

namespace quistrel {

// The function of that name in the system module, or nullptr where this
// Windows has none.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (!handle) handle = LoadLibraryW(module);
  return handle ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

}  // namespace quistrel
