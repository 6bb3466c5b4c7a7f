// The members a class declares for its instances (or a script for its
// global object, or a class for itself): what each qualified name is bound
// to, how many slots the object has and their initial values. A class's
// traits start as a copy of its base class's, so one lookup finds a member
// wherever in the chain it was declared.
#pragma once

#include "avm2/names.h"
#include "avm2/value.h"

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace avm2 {

struct LoadedAbc;
class ClassObject;
class Machine;
using NativeCode = Value (*)(Machine& machine, Value thisValue, std::span<const Value> args);

// A method of a loaded file, or a native one (the members of the host's
// classes: flash.display, flash.events...), which scripts see alike.
struct MethodRef {
    const LoadedAbc* file = nullptr;
    uint32_t method = 0;
    NativeCode native = nullptr;
    [[nodiscard]] explicit operator bool() const { return file != nullptr || native != nullptr; }
};

struct Binding {
    enum class Kind : uint8_t { Slot, Const, Method, Accessor };
    Kind kind = Kind::Slot;
    uint32_t slot = 0;  // Slot, Const: slot id (1..)
    MethodRef method;   // Method
    MethodRef getter;   // Accessor: either may be missing
    MethodRef setter;
    const String* typeName = nullptr;  // Slot, Const: the declared type's local name, if any
    bool final = false;
    uint32_t dispatchId = 0;  // Method: the id callmethod names it by (0: none)
    // The class that declared the method or accessor: its scope is the one
    // the method runs in, its base is what `super` means there.
    const ClassObject* owner = nullptr;
};

struct Traits {
    const Traits* base = nullptr;
    std::unordered_map<QName, Binding, QNameHash> bindings;
    std::vector<Value> slotDefaults;  // index = slot id - 1
    // Interfaces and classes whose instances these traits describe, for
    // `is` and coercion: the class itself, its bases and their interfaces.
    std::vector<const void*> types;

    [[nodiscard]] const Binding* find(const QName& q) const {
        auto it = bindings.find(q);
        return it == bindings.end() ? nullptr : &it->second;
    }
    // The first namespace of the multiname under which the name is bound.
    [[nodiscard]] const Binding* find(const Multiname& mn) const {
        if (!mn.name)
            return nullptr;
        for (const Namespace* ns : mn.namespaces) {
            if (const Binding* b = find(QName{ns, mn.name}))
                return b;
        }
        return nullptr;
    }
    [[nodiscard]] bool isA(const void* type) const {
        for (const void* t : types) {
            if (t == type)
                return true;
        }
        return false;
    }
};

}  // namespace avm2

#include "moviehost/expected.h"

#include <memory>
#include <string>

namespace avm2 {

struct Trait;
struct Constant;

// The value of a constant of the file (a default of a slot or parameter).
[[nodiscard]] Value constantValue(const LoadedAbc& file, const Constant& c);

// Traits from a declared list over a base's. Methods and accessors that
// replace a base member need the override flag and a base member that is
// not final; the error text says which name broke the rule (VerifyError
// 1053 in the library's terms). `protectedNs` and `baseProtectedNs` let a
// class see its base's protected members under its own protected namespace.
[[nodiscard]] moviehost::Expected<std::unique_ptr<Traits>, std::u16string> buildTraits(
    const LoadedAbc& file, const std::vector<Trait>& declared, const Traits* base, const Namespace* protectedNs,
    const Namespace* baseProtectedNs);

}  // namespace avm2
