// How the welcome window's check box "起動時にこのメッセージを表示する" and the
// ViewHello setting stand for each other.
#pragma once

#include <cstdint>

namespace quistrel {

// Start-up reads any non-zero ViewHello as "show the window", so a
// hand-edited 2 or -1 shows as checked rather than as a state the box lacks.
bool WelcomeBoxCheckedFor(int32_t viewHello);
// The box stores exactly 0 or 1.
int32_t ViewHelloForWelcomeBox(bool checked);

}  // namespace quistrel
