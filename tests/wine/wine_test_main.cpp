// Entry of the Win32 test programs that run under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/display.h"

int main(int argc, char** argv) {
  // As Quistrel.exe's manifest makes the program.
  quistrel::BecomeDpiAware();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
