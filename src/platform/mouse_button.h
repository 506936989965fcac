// The mouse buttons the program tells apart.
#pragma once

namespace quistrel {

enum class MouseButton { Left, Right };

}  // namespace quistrel
