// Entry of the Win32 test programs that run under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "clipboard/reading_process.h"
#include "platform/display.h"
#include "wine_test_util.h"

int main(int argc, char** argv) {
  // The clipboard tests start this program as the reading process, as the
  // program starts itself.
  if (quistrel::IsClipboardReadingProcess(GetCommandLineW())) {
    return quistrel::RunClipboardReadingProcess(GetCommandLineW());
  }
  if (const auto exitCode = quistrel::testing::RunChildRole(GetCommandLineW())) return *exitCode;
  // As Quistrel.exe's manifest makes the program.
  quistrel::BecomeDpiAware();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
