#include <windows.h>

#include "app/application.h"
#include "clipboard/reading_process.h"
#include "platform/system_library.h"
#include "platform/window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else, and so before any window or control exists: from
  // here on no library comes from the program's folder (often Downloads),
  // neither those the program loads nor those the system loads for it.
  quistrel::LoadLibrariesFromSystem32Only();
  // The program started by itself to read the clipboard (see
  // reading_process.h): no window, no tray icon, no second instance.
  if (quistrel::IsClipboardReadingProcess(GetCommandLineW())) {
    return quistrel::RunClipboardReadingProcess(GetCommandLineW());
  }
  quistrel::Application application;
  if (!application.Start()) return 0;
  return quistrel::RunMessageLoop();
}
