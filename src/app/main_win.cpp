#include <windows.h>

#include "app/application.h"
#include "platform/window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  quistrel::Application application;
  if (!application.Start()) return 0;
  return quistrel::RunMessageLoop();
}
