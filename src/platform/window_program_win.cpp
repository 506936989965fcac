#include "platform/window_program.h"

#include "platform/handles.h"

namespace quistrel {

namespace {
// The longest path Windows hands out, in characters.
constexpr DWORD kLongestPath = 32768;
}  // namespace

std::optional<std::u16string> ProgramPathOfWindow(HWND window) {
  DWORD id = 0;
  if (!window || !GetWindowThreadProcessId(window, &id) || id == 0) return std::nullopt;
  // The least right there is: granted also for a program run as administrator.
  const UniqueKernelObject process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process) return std::nullopt;
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    auto size = static_cast<DWORD>(path.size());
    if (QueryFullProcessImageNameW(process.Get(), 0, reinterpret_cast<wchar_t*>(path.data()), &size)) {
      path.resize(size);
      return path;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= kLongestPath) return std::nullopt;
    path.resize(kLongestPath);
  }
}

}  // namespace quistrel
