// Numbers to text and back, as scripts convert them.
//
// numberToString: integers below 1e15 in magnitude print exactly; other
// numbers print with 15 significant digits, trailing zeros dropped, in
// exponent form ("1.5e+20", "1e-7") when the decimal exponent is 15 or more
// or below -5; "NaN", "Infinity", "-Infinity"; -0 prints as "0".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace script {

[[nodiscard]] std::u16string numberToString(double n);
// Integer part in base 2..36 (other radixes give base 10), as
// Number.prototype.toString(radix) prints it.
[[nodiscard]] std::u16string numberToRadixString(double n, int radix);

// A whole string read as a number: optional surrounding whitespace, a
// decimal literal ("-1.5e3", ".5", "5.") or a hexadecimal one ("0x1F",
// "-0x10"). None when the text is anything else (the empty string too).
[[nodiscard]] std::optional<double> parseNumberLiteral(std::u16string_view text);

// parseFloat: the longest decimal prefix after leading whitespace; NaN when none.
[[nodiscard]] double parseFloatPrefix(std::u16string_view text);
// parseInt: leading whitespace, sign, "0x" (hexadecimal) or "0" (octal) when
// no radix is given, then the longest run of digits of the radix; NaN when
// there is none or the radix is outside 2..36.
[[nodiscard]] double parseIntPrefix(std::u16string_view text, std::optional<int> radix);

// ECMAScript ToInt32 / ToUint32 (NaN and infinities give 0).
[[nodiscard]] int32_t toInt32(double n);
[[nodiscard]] uint32_t toUint32(double n);

}  // namespace script
