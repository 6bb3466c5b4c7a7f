// Calling functions from C++: built-ins that call back into script (sort
// comparators, toString), events and the host's calls. Everything here
// counts against the call depth and may throw ScriptThrow or ScriptAbort.
#pragma once

#include "script/value.h"

#include <span>
#include <string_view>

namespace script {

class Object;
class Runtime;

// A value thrown by the Throw action (or a built-in); Try catches it.
struct ScriptThrow {
    Value value;
};

// Calls `function` with `self` as `this`. A value that is not a function
// gives undefined. `home` is the prototype the function was found on (for
// `super`); null for a plain call.
Value callFunction(Runtime& rt, const Value& function, const Value& self, std::span<const Value> args,
                   Object* home = nullptr);
// self[name](args...); undefined when there is no such method.
Value callMethod(Runtime& rt, const Value& self, std::u16string_view name, std::span<const Value> args);
// new ctor(args...): the new object, or undefined when ctor is not a function.
Value construct(Runtime& rt, const Value& ctor, std::span<const Value> args);

}  // namespace script
