// A library with the name of a system one, as a web page could leave it in
// Downloads. When a process loads it, it adds a line to a file beside itself
// named after it with ".loaded" added (version.dll.loaded): "start" when it
// came with the process's imports, "later" when it was loaded while the
// process ran, then the process's path. It exports nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatW(path, L".loaded");
  wchar_t process[MAX_PATH] = {};
  const DWORD processLength = GetModuleFileNameW(nullptr, process, MAX_PATH);
  char line[4 * MAX_PATH + 16] = {};
  // The reserved argument is set for the libraries loaded with the process.
  lstrcpyA(line, reserved ? "start " : "later ");
  int lineLength = lstrlenA(line);
  lineLength += WideCharToMultiByte(CP_UTF8, 0, process, static_cast<int>(processLength), line + lineLength,
                                    4 * MAX_PATH, nullptr, nullptr);
  line[lineLength++] = '\n';
  HANDLE mark =
      CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (mark != INVALID_HANDLE_VALUE) {
    DWORD wrote = 0;
    WriteFile(mark, line, static_cast<DWORD>(lineLength), &wrote, nullptr);
    CloseHandle(mark);
  }
  return TRUE;
}
