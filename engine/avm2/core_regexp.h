// RegExp and the String methods that take one (match, replace, search,
// split), shared with the String class's table.
#pragma once

#include "avm2/machine.h"

#include <span>
#include <string>
#include <string_view>

namespace avm2 {

// The pattern as PCRE2 reads it: "[]" and "[^]" spelled out, '[' inside a
// class escaped, and with the x flag white space outside classes dropped.
[[nodiscard]] std::u16string translatePattern(std::u16string_view source, bool extended);

Value stringMatch(Machine& m, Value self, std::span<const Value> args);
Value stringReplace(Machine& m, Value self, std::span<const Value> args);
Value stringSearch(Machine& m, Value self, std::span<const Value> args);
Value stringSplit(Machine& m, Value self, std::span<const Value> args);

}  // namespace avm2
