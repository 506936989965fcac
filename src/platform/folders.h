// The folders the program works in.
#pragma once

#include <string>

namespace quistrel {

// Makes a folder path end in exactly one backslash (an empty path becomes "\").
std::u16string WithTrailingBackslash(std::u16string folder);

// The full path of the running executable; empty when it cannot be had.
std::u16string ExecutablePath();
// The folder of the running executable, ending in a backslash.
std::u16string ExecutableFolder();
// The user's Startup folder, ending in a backslash.
std::u16string StartupFolder();

}  // namespace quistrel
