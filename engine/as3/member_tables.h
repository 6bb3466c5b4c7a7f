// Class tables: the shapes the player's classes take in them, and tables put
// together from the members several files declare.
#pragma once

#include "avm2/core_library.h"

#include <initializer_list>
#include <span>
#include <vector>

namespace as3 {

// What one class declares, for the builders below.
struct ClassMembers {
    std::span<const avm2::NativeMember> methods = {};
    std::span<const avm2::NativeAccessor> accessors = {};
    std::span<const avm2::NativeMember> statics = {};
    std::span<const avm2::NativeAccessor> staticAccessors = {};
    std::span<const avm2::NativeStringConstant> strings = {};
    std::span<const avm2::NativeConstant> numbers = {};
};

// A class whose instances scripts make or are given: sealed, its members
// bound by traits, open to subclasses unless `final`.
[[nodiscard]] constexpr avm2::CoreClassSpec sealedClass(const char16_t* package, const char16_t* name,
                                                        const char16_t* base, avm2::NativeCode init,
                                                        const ClassMembers& members, bool final = false) {
    return {.name = name,
            .base = base,
            .init = init,
            .sealed = true,
            .statics = members.statics,
            .constants = members.numbers,
            .package = package,
            .methods = members.methods,
            .accessors = members.accessors,
            .staticAccessors = members.staticAccessors,
            .stringConstants = members.strings,
            .final = final};
}

// A final class of statics and constants alone (System, Keyboard); `init`
// may refuse construction.
[[nodiscard]] constexpr avm2::CoreClassSpec staticsClass(const char16_t* package, const char16_t* name,
                                                         const ClassMembers& members, avm2::NativeCode init = nullptr) {
    return sealedClass(package, name, u"Object", init, members, true);
}

// The tables one after the other, for one CoreClassSpec field.
template <typename Member>
[[nodiscard]] std::vector<Member> joinedTables(std::initializer_list<std::span<const Member>> tables) {
    std::vector<Member> all;
    for (const auto& table : tables)
        all.insert(all.end(), table.begin(), table.end());
    return all;
}

}  // namespace as3
