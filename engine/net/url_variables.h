// Variables in URL encoding, as loadVariables, LoadVars and the query string
// of a movie location carry them: "name=value&other=a%20b+c".
//
// Decoding splits at every '&', then each pair at its first '=' (later '='
// belong to the value); '+' is a space and %XX a byte; a broken escape is
// kept as written. A pair without '=' is a name with an empty value; a pair
// with an empty name is skipped. Order is kept and repeated names stay, so
// that the caller decides which one wins (the script lets the last win).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace net {

using Variables = std::vector<std::pair<std::string, std::string>>;

[[nodiscard]] Variables decodeVariables(std::string_view text);
[[nodiscard]] std::string encodeVariables(const Variables& variables);

// The script's escape(): letters and digits stay, every other byte becomes %XX.
[[nodiscard]] std::string escapeText(std::string_view text);
// The value of a hexadecimal digit, or -1.
[[nodiscard]] int hexValue(char c);
// %XX to bytes and, when plusIsSpace, '+' to a space; broken escapes stay.
[[nodiscard]] std::string unescapeText(std::string_view text, bool plusIsSpace);

}  // namespace net
