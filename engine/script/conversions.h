// The language's conversions and comparisons, with the differences between
// file versions:
//   ToNumber: undefined and null give 0 up to SWF 6, NaN from 7; a string
//     that is not a number gives 0 in SWF 4, NaN later (the empty string too).
//   ToString: undefined gives "" up to SWF 6, "undefined" from 7; numbers as
//     number_format.h prints them; clips give their target path
//     ("_level0.a.b"); other objects their toString() / valueOf().
//   ToBoolean: a string is true when non-empty from SWF 7, when its number is
//     neither 0 nor NaN before.
// Objects convert through their own valueOf and toString, which may run
// script (and so may throw).
#pragma once

#include "script/value.h"

#include <cstdint>
#include <string_view>

namespace script {

class Runtime;
class StageObject;

enum class PrimitiveHint : uint8_t { None, Number, String };

[[nodiscard]] Value toPrimitive(Runtime& rt, const Value& v, PrimitiveHint hint = PrimitiveHint::None);
[[nodiscard]] double toNumber(Runtime& rt, const Value& v);
[[nodiscard]] String toString(Runtime& rt, const Value& v);
[[nodiscard]] bool toBoolean(Runtime& rt, const Value& v);
[[nodiscard]] int32_t toInt32(Runtime& rt, const Value& v);
// ToNumber of a string under the rules of the movie's version.
[[nodiscard]] double stringToNumber(Runtime& rt, std::u16string_view s);
// Objects for primitives (wrappers sharing the value); nullptr for
// undefined and null.
[[nodiscard]] Object* toObject(Runtime& rt, const Value& v);

// typeof: "undefined", "null", "boolean", "number", "string", "object",
// "function", "movieclip".
[[nodiscard]] std::u16string_view typeOf(const Value& v);

// Equals2 (==): ECMAScript's abstract equality over these types.
[[nodiscard]] bool looseEquals(Runtime& rt, const Value& a, const Value& b);
// StrictEquals (===): same type and same value, objects by identity.
[[nodiscard]] bool strictEquals(const Value& a, const Value& b);
// Less2 (a < b): strings compare by code units, everything else as numbers;
// undefined when either number is NaN.
[[nodiscard]] Value lessThan(Runtime& rt, const Value& a, const Value& b);
// Add2: concatenation when either primitive is a string, else addition.
[[nodiscard]] Value addValues(Runtime& rt, const Value& a, const Value& b);

// Target paths of clips: dot form "_level0.a.b" and slash form "/a/b".
[[nodiscard]] std::u16string dotPath(const StageObject& object);
[[nodiscard]] std::u16string slashPath(const StageObject& object);

}  // namespace script
