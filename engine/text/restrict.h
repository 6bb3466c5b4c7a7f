// A field's restrict pattern: the characters typing may add. Characters and
// ranges ("A-Z") allow, '^' switches to refusing what follows (and back),
// '\' takes the next character as it is. An empty pattern allows nothing.
#pragma once

#include <string_view>

namespace text {

[[nodiscard]] bool restrictAllows(std::u32string_view pattern, char32_t c);

}  // namespace text
