#include "dialogs/welcome_choice.h"

namespace quistrel {

bool WelcomeBoxCheckedFor(int32_t viewHello) { return viewHello != 0; }

int32_t ViewHelloForWelcomeBox(bool checked) { return checked ? 1 : 0; }

}  // namespace quistrel
