#include <windows.h>

#include "core/app.h"
#include "platform/window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (!quistrel::Main()) return 0;
  return quistrel::RunMessageLoop();
}
