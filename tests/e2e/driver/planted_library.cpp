// A library with the name of a system one, as a web page could leave it in
// Downloads: when any process loads it, it writes the path of that process
// into a file beside itself named after it with ".loaded" added
// (version.dll.loaded). It exports nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatW(path, L".loaded");
  wchar_t process[MAX_PATH] = {};
  const DWORD processLength = GetModuleFileNameW(nullptr, process, MAX_PATH);
  char line[4 * MAX_PATH + 1] = {};
  const int lineLength =
      WideCharToMultiByte(CP_UTF8, 0, process, static_cast<int>(processLength), line, 4 * MAX_PATH, nullptr, nullptr);
  line[lineLength] = '\n';
  HANDLE mark =
      CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (mark != INVALID_HANDLE_VALUE) {
    DWORD wrote = 0;
    WriteFile(mark, line, static_cast<DWORD>(lineLength + 1), &wrote, nullptr);
    CloseHandle(mark);
  }
  return TRUE;
}
