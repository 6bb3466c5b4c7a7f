// Namespaces and qualified names at run time.
//
// Namespaces that compare by their URI (public, package, explicit and user
// namespaces, and each of protected, static protected and package internal
// among themselves) are interned by the machine, so two equal namespaces are
// one pointer; a private namespace is new for every pool entry that makes
// one and equals only itself. Names are interned strings, so a qualified
// name is a pair of pointers that hashes and compares cheaply.
#pragma once

#include "avm2/heap.h"
#include "avm2/string.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace avm2 {

enum class NamespaceGroup : uint8_t { Public, Protected, StaticProtected, PackageInternal, Private };

class Namespace final : public Cell {
public:
    Namespace(NamespaceGroup group, std::u16string uri) : m_group(group), m_uri(std::move(uri)) {}
    [[nodiscard]] NamespaceGroup group() const { return m_group; }
    [[nodiscard]] const std::u16string& uri() const { return m_uri; }
    // The unnamed public namespace, where dynamic properties live.
    [[nodiscard]] bool isPublicRoot() const { return m_group == NamespaceGroup::Public && m_uri.empty(); }
    // The namespace compilers call the core classes' methods in ("AS3").
    [[nodiscard]] bool isBuiltin() const {
        return m_group == NamespaceGroup::Public && m_uri == u"http://adobe.com/AS3/2006/builtin";
    }
    void trace(Tracer&) const override {}

private:
    NamespaceGroup m_group;
    std::u16string m_uri;
};

struct QName {
    const Namespace* ns = nullptr;
    const String* name = nullptr;
    bool operator==(const QName&) const = default;
};

struct QNameHash {
    size_t operator()(const QName& q) const {
        return std::hash<const void*>()(q.ns) * 31 + std::hash<const void*>()(q.name);
    }
};

// A multiname with its runtime parts filled in: a name (null for any name)
// in any of a set of namespaces.
class Object;

struct Multiname {
    std::span<Namespace* const> namespaces;
    // The interned name, or null when the text was never interned (then no
    // trait can have it, as every declared name is interned at load).
    const String* name = nullptr;
    std::u16string_view text;
    bool anyName = false;
    bool attribute = false;
    // Set when the name is an array index (read from an int or a string
    // like "3"), so arrays need not parse it.
    bool isIndex = false;
    uint32_t index = 0;
    // The object a runtime name was made from, which a Dictionary keys by
    // identity; null otherwise.
    Object* objectKey = nullptr;
    // Whether the set includes the public root namespace, where dynamic
    // properties and the prototype chain's members are found.
    [[nodiscard]] bool hasPublicRoot() const {
        for (const Namespace* ns : namespaces) {
            if (ns->isPublicRoot())
                return true;
        }
        return false;
    }
    // Whether a read looks along the prototype chain: in the public root, or
    // in the AS3 namespace, whose methods of the core classes (String's
    // substr ...) live on their prototypes here.
    [[nodiscard]] bool readsPrototypes() const {
        for (const Namespace* ns : namespaces) {
            if (ns->isPublicRoot() || ns->isBuiltin())
                return true;
        }
        return false;
    }
};

}  // namespace avm2
