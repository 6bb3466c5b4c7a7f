// Reading, writing, deleting and listing properties along the prototype
// chain, with addProperty getters and setters, read-only and hidden flags,
// and `__proto__`. Primitive values read the members of their wrappers'
// prototypes (with the primitive itself as `this`).
#pragma once

#include "script/string.h"
#include "script/value.h"

#include <string_view>
#include <vector>

namespace script {

class Object;
class Runtime;

// The property and the object holding it (for `super`); value undefined and
// holder null when the chain does not have it.
struct Lookup {
    Value value;
    Object* holder = nullptr;
};

[[nodiscard]] Lookup lookupProperty(Runtime& rt, Object* object, std::u16string_view name, const Value& self);
[[nodiscard]] Value getProperty(Runtime& rt, Object* object, std::u16string_view name);
[[nodiscard]] Value getMember(Runtime& rt, const Value& target, std::u16string_view name);
[[nodiscard]] Lookup lookupMember(Runtime& rt, const Value& target, std::u16string_view name);
void setProperty(Runtime& rt, Object* object, std::u16string_view name, const Value& value);
void setMember(Runtime& rt, const Value& target, std::u16string_view name, const Value& value);
[[nodiscard]] bool hasProperty(Runtime& rt, Object* object, std::u16string_view name);
[[nodiscard]] bool hasOwnProperty(Runtime& rt, Object* object, std::u16string_view name);
// False when there is no such own property or it is DontDelete.
bool deleteProperty(Runtime& rt, Object* object, std::u16string_view name);
// Enumerable names of the object and its prototypes, each once, the
// newest own property first (the order the player lists them in).
[[nodiscard]] std::vector<String> enumerableNames(Runtime& rt, Object* object);
// Sets an own property directly (no setters), keeping existing flags.
void putOwn(Runtime& rt, Object* object, std::u16string_view name, const Value& value, uint8_t flagsIfNew = 0);

}  // namespace script

namespace script {

// instanceof: the constructor's prototype is on the object's __proto__
// chain, or a prototype on the chain declares the constructor as an
// interface (ImplementsOp), directly or through the interface's own ones.
[[nodiscard]] bool instanceOf(Runtime& rt, const Value& object, const Value& constructor);

}  // namespace script
