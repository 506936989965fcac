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

std::wstring SystemFolderPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(folder, length) + L"\\" + name;
}

// LoadLibraryExW, without the search flags on a loader that does not know
// them (Windows 7 without its 2011 loader update).
HMODULE Load(const wchar_t* file, DWORD searchFlags) {
  const HMODULE module = LoadLibraryExW(file, nullptr, searchFlags);
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  return LoadLibraryExW(file, nullptr, 0);
}
}  // namespace

bool LoadLibrariesFromSystem32Only() {
  // kernel32 is in every process from its start; looking the call up keeps
  // the program starting on systems without it.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefaultDirectories = kernel ? reinterpret_cast<SetDefaultDllDirectoriesCall>(reinterpret_cast<void*>(
                                                  GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                            : nullptr;
  const bool restricted = setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The libraries that system code loads by name for windows and controls
  // (the common controls delay-load the theme library): once loaded from
  // System32 they are the ones found, also by loaders that would still look
  // into the program's folder.
  for (const wchar_t* name : {L"uxtheme.dll", L"dwmapi.dll"}) SharedSystemLibrary(name);
  return restricted;
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
  // The common controls come in versions side by side, and only a load by
  // name gets the one the manifest asks for; System32 is the only folder
  // searched after that.
  if (CompareStringOrdinal(name, -1, L"comctl32.dll", -1, TRUE) == CSTR_EQUAL) {
    return UniqueModule(Load(name, LOAD_LIBRARY_SEARCH_SYSTEM32));
  }
  // The full path: a library of the same name that is already loaded from
  // elsewhere is not taken for it; its own imports come from System32 too.
  const std::wstring path = SystemFolderPath(name);
  return UniqueModule(path.empty() ? nullptr : Load(path.c_str(), LOAD_LIBRARY_SEARCH_SYSTEM32));
}

HMODULE SharedSystemLibrary(const wchar_t* name) {
  static LibraryCache cache;
  return cache.Get(name);
}

}  // namespace quistrel
