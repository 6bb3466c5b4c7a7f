// Script values to external values and back. Arrays become arrays; other
// objects their enumerable properties (movie clips included); functions,
// and objects met again on the way down (cycles) or past MaxExternalDepth,
// become null. Wrapper objects give their primitive, dates their time. Trees
// from the host deeper than twice that depth are cut off as null.
#pragma once

#include "script/external_value.h"
#include "script/value.h"

#include <cstddef>

namespace script {

class Runtime;

inline constexpr size_t MaxExternalDepth = 32;

// May run getters (and so throw ScriptThrow or ScriptAbort).
[[nodiscard]] ExternalValue toExternal(Runtime& rt, const Value& value);
[[nodiscard]] Value fromExternal(Runtime& rt, const ExternalValue& value);

}  // namespace script
