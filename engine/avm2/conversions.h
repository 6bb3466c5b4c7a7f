// The language's conversions of primitive values (ToNumber, ToInt32,
// ToUint32, ToBoolean, ToString of a number). Conversions of objects call
// their valueOf and toString and live with the machine.
#pragma once

#include "avm2/value.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace avm2 {

// ToNumber of the text of a string: surrounding white space ignored, empty
// is 0, "0x" hex, "Infinity" with a sign, anything else that is not a whole
// decimal literal is NaN.
[[nodiscard]] double stringToNumber(std::u16string_view text);
[[nodiscard]] int32_t toInt32(double d);
[[nodiscard]] uint32_t toUInt32(double d);
[[nodiscard]] inline int32_t toInt32(const Value& v) {
    return v.isInt() ? v.asInt() : v.tag() == Tag::UInt ? int32_t(v.asUInt()) : toInt32(v.numeric());
}
// ToNumber of a value that is not an object.
[[nodiscard]] double primitiveToNumber(const Value& v);
// ToBoolean of any value (objects are true).
[[nodiscard]] bool toBoolean(const Value& v);
// ECMAScript's Number-to-String: the shortest digits that read back exactly,
// plain between 1e-7 and 1e21, exponent form outside.
[[nodiscard]] std::u16string numberToString(double d);

}  // namespace avm2
