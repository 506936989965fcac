#include "platform/system_library.h"

#include <map>
#include <string>

namespace quistrel {

namespace {
using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);

// The libraries loaded so far, each owned here until the program ends. The
// clipboard is read on a thread of its own, so the map is shared.
class LibraryCache {
 public:
  HMODULE Get(const wchar_t* name) {
    AcquireSRWLockExclusive(&lock_);
    auto found = modules_.find(name);
    if (found == modules_.end()) found = modules_.emplace(name, LoadSystemLibrary(name)).first;
    const HMODULE module = found->second.Get();
    ReleaseSRWLockExclusive(&lock_);
    return module;
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::map<std::wstring, UniqueModule> modules_;
};
}  // namespace

bool LoadLibrariesFromSystem32Only() {
  // kernel32 is in every process from its start; looking the call up keeps
  // the program starting on systems without it.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto restrict = kernel ? reinterpret_cast<SetDefaultDllDirectoriesCall>(
                                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                               : nullptr;
  return restrict&& restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
  UniqueModule module(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A loader that does not know the flag: the full path keeps the program's
  // folder out all the same.
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return module;
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  module.Reset(LoadLibraryExW(path.c_str(), nullptr, 0));
  return module;
}

HMODULE SharedSystemLibrary(const wchar_t* name) {
  static LibraryCache cache;
  return cache.Get(name);
}

}  // namespace quistrel
