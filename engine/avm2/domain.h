// An application domain: the definitions the scripts of the files loaded
// into it declare. A name is looked up in the parent first, so a child
// domain cannot replace what its parent defines; the core and host classes
// (the system domain) come before every domain.
#pragma once

#include "avm2/names.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace avm2 {

struct LoadedAbc;

struct Domain {
    struct Definition {
        LoadedAbc* file = nullptr;
        uint32_t script = 0;
    };
    // Null: a child of the system domain.
    Domain* parent = nullptr;
    std::unordered_map<QName, Definition, QNameHash> definitions;
    // The names in the order they were declared (getQualifiedDefinitionNames).
    std::vector<QName> order;

    // The definition a script of this domain sees by the name, parents first.
    [[nodiscard]] const Definition* find(const QName& name) const {
        if (parent) {
            if (const Definition* d = parent->find(name))
                return d;
        }
        auto it = definitions.find(name);
        return it == definitions.end() ? nullptr : &it->second;
    }
};

}  // namespace avm2
