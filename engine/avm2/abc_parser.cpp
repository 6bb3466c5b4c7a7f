#include "avm2/abc_parser.h"

#include "avm2/abc_reader.h"

#include <optional>
#include <string>
#include <utility>

namespace avm2 {

int runtimeParts(MultinameKind kind) {
    switch (kind) {
    case MultinameKind::RTQName:
    case MultinameKind::RTQNameA:
    case MultinameKind::MultinameL:
    case MultinameKind::MultinameLA:
        return 1;
    case MultinameKind::RTQNameL:
    case MultinameKind::RTQNameLA:
        return 2;
    default:
        return 0;
    }
}

bool isAttribute(MultinameKind kind) {
    switch (kind) {
    case MultinameKind::QNameA:
    case MultinameKind::RTQNameA:
    case MultinameKind::RTQNameLA:
    case MultinameKind::MultinameA:
    case MultinameKind::MultinameLA:
        return true;
    default:
        return false;
    }
}

std::string Error::describe() const {
    std::string out = what;
    if (method != NoMethod && offset != NoOffset)
        out += " (method " + std::to_string(method) + ", offset " + std::to_string(offset) + ")";
    else if (method != NoMethod)
        out += " (method " + std::to_string(method) + ")";
    else if (offset != NoOffset)
        out += " (at byte " + std::to_string(offset) + ")";
    return out;
}

namespace {

// Reads the block in the order the format stores it. The first problem ends
// the read; `m_error` then says what and where.
class Parser {
public:
    explicit Parser(std::span<const uint8_t> data) : m_in(data) {}

    moviehost::Expected<AbcFile, Error> run() {
        m_abc.minorVersion = m_in.u16();
        m_abc.majorVersion = m_in.u16();
        if (!readConstants() || !readMethods() || !readMetadata() || !readClasses() || !readScripts() || !readBodies())
            return moviehost::Unexpected(std::move(*m_error));
        if (m_in.failed())
            return moviehost::Unexpected(truncated());
        return std::move(m_abc);
    }

private:
    AbcReader m_in;
    AbcFile m_abc;
    std::optional<Error> m_error;

    Error truncated() const { return Error{.what = "ABC data ends early", .offset = m_in.failedAt()}; }

    bool fail(std::string what, size_t at = Error::NoOffset) {
        if (!m_error)
            m_error = m_in.failed()
                          ? truncated()
                          : Error{.what = std::move(what), .offset = at == Error::NoOffset ? m_in.position() : at};
        return false;
    }
    // After a group of reads: a short read is reported as such.
    bool ok() { return !m_in.failed() || fail({}); }

    bool index(uint32_t value, size_t size, const char* what, bool zeroAllowed = true) {
        if (!ok())
            return false;
        if (value >= size || (value == 0 && !zeroAllowed))
            return fail(std::string(what) + " index " + std::to_string(value) + " out of range");
        return true;
    }

    bool readConstants() {
        // Each pool's count includes the unstored entry 0, so a count of 0
        // and of 1 both mean "empty".
        uint32_t n = m_in.poolCount();
        for (uint32_t i = 1; i < n && ok(); ++i)
            m_abc.ints.push_back(m_in.s32());
        n = m_in.poolCount();
        for (uint32_t i = 1; i < n && ok(); ++i)
            m_abc.uints.push_back(m_in.u32());
        n = m_in.poolCount(8);
        for (uint32_t i = 1; i < n && ok(); ++i)
            m_abc.doubles.push_back(m_in.d64());
        n = m_in.poolCount();
        for (uint32_t i = 1; i < n && ok(); ++i)
            m_abc.strings.push_back(m_in.string());
        if (!ok())
            return false;
        n = m_in.poolCount(2);
        for (uint32_t i = 1; i < n; ++i) {
            NamespaceInfo ns;
            const size_t at = m_in.position();
            uint8_t kind = m_in.u8();
            ns.kind = NamespaceKind(kind);
            ns.name = m_in.u30();
            if (!validNamespaceKind(kind))
                return fail("unknown namespace kind " + std::to_string(kind), at);
            if (!index(ns.name, m_abc.strings.size(), "namespace name string"))
                return false;
            m_abc.namespaces.push_back(ns);
        }
        n = m_in.poolCount();
        for (uint32_t i = 1; i < n; ++i) {
            uint32_t members = m_in.count();
            std::vector<uint32_t> set;
            set.reserve(members);
            for (uint32_t k = 0; k < members; ++k) {
                uint32_t ns = m_in.u30();
                if (!index(ns, m_abc.namespaces.size(), "namespace set member", false))
                    return false;
                set.push_back(ns);
            }
            if (!ok())
                return false;
            m_abc.nsSets.push_back(std::move(set));
        }
        n = m_in.poolCount();
        for (uint32_t i = 1; i < n; ++i) {
            if (!readMultiname())
                return false;
        }
        return checkTypeNames();
    }

    static bool validNamespaceKind(uint8_t kind) {
        switch (NamespaceKind(kind)) {
        case NamespaceKind::Private:
        case NamespaceKind::Namespace:
        case NamespaceKind::Package:
        case NamespaceKind::PackageInternal:
        case NamespaceKind::Protected:
        case NamespaceKind::Explicit:
        case NamespaceKind::StaticProtected:
            return true;
        }
        return false;
    }

    bool readMultiname() {
        MultinameInfo mn;
        const size_t at = m_in.position();
        uint8_t kind = m_in.u8();
        mn.kind = MultinameKind(kind);
        const size_t strings = m_abc.strings.size();
        switch (mn.kind) {
        case MultinameKind::QName:
        case MultinameKind::QNameA:
            mn.ns = m_in.u30();
            mn.name = m_in.u30();
            if (!index(mn.ns, m_abc.namespaces.size(), "multiname namespace") ||
                !index(mn.name, strings, "multiname name string"))
                return false;
            break;
        case MultinameKind::RTQName:
        case MultinameKind::RTQNameA:
            mn.name = m_in.u30();
            if (!index(mn.name, strings, "multiname name string"))
                return false;
            break;
        case MultinameKind::RTQNameL:
        case MultinameKind::RTQNameLA:
            break;
        case MultinameKind::Multiname:
        case MultinameKind::MultinameA:
            mn.name = m_in.u30();
            mn.nsSet = m_in.u30();
            if (!index(mn.name, strings, "multiname name string") ||
                !index(mn.nsSet, m_abc.nsSets.size(), "multiname namespace set", false))
                return false;
            break;
        case MultinameKind::MultinameL:
        case MultinameKind::MultinameLA:
            mn.nsSet = m_in.u30();
            if (!index(mn.nsSet, m_abc.nsSets.size(), "multiname namespace set", false))
                return false;
            break;
        case MultinameKind::TypeName: {
            mn.typeBase = m_in.u30();
            uint32_t params = m_in.count();
            for (uint32_t k = 0; k < params && ok(); ++k)
                mn.typeParameters.push_back(m_in.u30());
            break;
        }
        default:
            return fail("unknown multiname kind " + std::to_string(kind), at);
        }
        if (!ok())
            return false;
        m_abc.multinames.push_back(std::move(mn));
        return true;
    }

    // A type name's base is a plain name; its parameters may be type names
    // themselves (Vector.<Vector.<int>>), earlier or later in the pool as
    // compilers write them, as long as no chain of them loops.
    bool checkTypeNames() {
        const auto& pool = m_abc.multinames;
        for (size_t i = 1; i < pool.size(); ++i) {
            const MultinameInfo& mn = pool[i];
            if (mn.kind != MultinameKind::TypeName)
                continue;
            if (!index(mn.typeBase, pool.size(), "type name base", false))
                return false;
            if (pool[mn.typeBase].kind == MultinameKind::TypeName)
                return fail("type name " + std::to_string(i) + " has a type name as its base");
            for (uint32_t p : mn.typeParameters) {
                if (!index(p, pool.size(), "type name parameter"))
                    return false;
            }
        }
        // Depth first over the parameters, without recursion: 1 marks the
        // names on the current chain, 2 those already known to end.
        std::vector<uint8_t> state(pool.size(), 0);
        std::vector<std::pair<size_t, size_t>> chain;  // name, next parameter
        for (size_t i = 1; i < pool.size(); ++i) {
            if (pool[i].kind != MultinameKind::TypeName || state[i] != 0)
                continue;
            state[i] = 1;
            chain.emplace_back(i, 0);
            while (!chain.empty()) {
                auto& [at, next] = chain.back();
                const auto& params = pool[at].typeParameters;
                if (next == params.size()) {
                    state[at] = 2;
                    chain.pop_back();
                    continue;
                }
                const uint32_t p = params[next++];
                if (pool[p].kind != MultinameKind::TypeName || state[p] == 2)
                    continue;
                if (state[p] == 1)
                    return fail("type name " + std::to_string(p) + " names itself through its parameters");
                state[p] = 1;
                chain.emplace_back(p, 0);
            }
        }
        return true;
    }

    bool constant(Constant& c, bool readKind) {
        uint8_t kind = readKind ? m_in.u8() : 0;
        c.kind = ConstantKind(kind);
        if (!ok())
            return false;
        switch (c.kind) {
        case ConstantKind::Int:
            return index(c.index, m_abc.ints.size(), "int constant");
        case ConstantKind::UInt:
            return index(c.index, m_abc.uints.size(), "uint constant");
        case ConstantKind::Double:
            return index(c.index, m_abc.doubles.size(), "double constant");
        case ConstantKind::Utf8:
            return index(c.index, m_abc.strings.size(), "string constant");
        case ConstantKind::True:
        case ConstantKind::False:
        case ConstantKind::Null:
        case ConstantKind::Undefined:
            return true;
        case ConstantKind::PrivateNs:
        case ConstantKind::Namespace:
        case ConstantKind::PackageNamespace:
        case ConstantKind::PackageInternalNs:
        case ConstantKind::ProtectedNamespace:
        case ConstantKind::ExplicitNamespace:
        case ConstantKind::StaticProtectedNs:
            return index(c.index, m_abc.namespaces.size(), "namespace constant");
        }
        return fail("unknown constant kind " + std::to_string(kind));
    }

    bool readMethods() {
        uint32_t n = m_in.count(4);
        m_abc.methods.reserve(n);
        const size_t names = m_abc.multinames.size();
        for (uint32_t i = 0; i < n; ++i) {
            MethodInfo m;
            uint32_t params = m_in.count();
            m.returnType = m_in.u30();
            if (!index(m.returnType, names, "return type"))
                return false;
            m.paramTypes.reserve(params);
            for (uint32_t k = 0; k < params; ++k) {
                uint32_t type = m_in.u30();
                if (!index(type, names, "parameter type"))
                    return false;
                m.paramTypes.push_back(type);
            }
            m.name = m_in.u30();
            m.flags = m_in.u8();
            if (!index(m.name, m_abc.strings.size(), "method name string"))
                return false;
            if (m.flags & MethodInfo::HasOptional) {
                uint32_t options = m_in.count(2);
                if (options > params)
                    return fail("method " + std::to_string(i) + " has more optional values than parameters");
                for (uint32_t k = 0; k < options; ++k) {
                    Constant c;
                    c.index = m_in.u30();
                    if (!constant(c, true))
                        return false;
                    m.optional.push_back(c);
                }
            }
            if (m.flags & MethodInfo::HasParamNames) {
                for (uint32_t k = 0; k < params; ++k) {
                    uint32_t name = m_in.u30();
                    if (!index(name, m_abc.strings.size(), "parameter name string"))
                        return false;
                    m.paramNames.push_back(name);
                }
            }
            if (!ok())
                return false;
            m_abc.methods.push_back(std::move(m));
        }
        return ok();
    }

    bool readMetadata() {
        uint32_t n = m_in.count(2);
        for (uint32_t i = 0; i < n; ++i) {
            MetadataInfo md;
            md.name = m_in.u30();
            if (!index(md.name, m_abc.strings.size(), "metadata name string"))
                return false;
            uint32_t items = m_in.count(2);
            for (uint32_t k = 0; k < items; ++k) {
                uint32_t key = m_in.u30();
                uint32_t value = m_in.u30();
                if (!index(key, m_abc.strings.size(), "metadata key string") ||
                    !index(value, m_abc.strings.size(), "metadata value string"))
                    return false;
                md.items.emplace_back(key, value);
            }
            m_abc.metadata.push_back(std::move(md));
        }
        return ok();
    }

    bool method(uint32_t value, const char* what) { return index(value, m_abc.methods.size(), what); }

    bool readTraits(std::vector<Trait>& traits, size_t classCount) {
        uint32_t n = m_in.count(3);
        traits.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            Trait t;
            t.name = m_in.u30();
            if (!index(t.name, m_abc.multinames.size(), "trait name", false))
                return false;
            if (m_abc.multinames[t.name].kind != MultinameKind::QName)
                return fail("trait name " + std::to_string(t.name) + " is not a qualified name");
            uint8_t kindByte = m_in.u8();
            t.kind = TraitKind(kindByte & 0x0F);
            t.attributes = uint8_t(kindByte >> 4);
            t.id = m_in.u30();
            t.index = m_in.u30();
            switch (t.kind) {
            case TraitKind::Slot:
            case TraitKind::Const:
                if (!index(t.index, m_abc.multinames.size(), "slot type"))
                    return false;
                t.value.index = m_in.u30();
                if (t.value.index != 0 && !constant(t.value, true))
                    return false;
                break;
            case TraitKind::Class:
                if (!index(t.index, classCount, "trait class"))
                    return false;
                break;
            case TraitKind::Method:
            case TraitKind::Getter:
            case TraitKind::Setter:
            case TraitKind::Function:
                if (!method(t.index, "trait method"))
                    return false;
                break;
            default:
                return fail("unknown trait kind " + std::to_string(kindByte & 0x0F));
            }
            if (t.attributes & Trait::Metadata) {
                uint32_t count = m_in.count();
                for (uint32_t k = 0; k < count; ++k) {
                    uint32_t md = m_in.u30();
                    if (!index(md, m_abc.metadata.size(), "trait metadata"))
                        return false;
                    t.metadata.push_back(md);
                }
            }
            if (!ok())
                return false;
            traits.push_back(std::move(t));
        }
        return ok();
    }

    bool readClasses() {
        // An instance takes at least six bytes, so the count is bounded before
        // anything is reserved.
        uint32_t n = m_in.count(6);
        m_abc.instances.reserve(n);
        const size_t names = m_abc.multinames.size();
        for (uint32_t i = 0; i < n; ++i) {
            InstanceInfo inst;
            inst.name = m_in.u30();
            inst.superName = m_in.u30();
            inst.flags = m_in.u8();
            if (!index(inst.name, names, "class name", false) || !index(inst.superName, names, "superclass name"))
                return false;
            if (m_abc.multinames[inst.name].kind != MultinameKind::QName)
                return fail("class name " + std::to_string(inst.name) + " is not a qualified name");
            if (inst.flags & InstanceInfo::ProtectedNs) {
                inst.protectedNs = m_in.u30();
                if (!index(inst.protectedNs, m_abc.namespaces.size(), "protected namespace", false))
                    return false;
            }
            uint32_t interfaces = m_in.count();
            for (uint32_t k = 0; k < interfaces; ++k) {
                uint32_t iface = m_in.u30();
                if (!index(iface, names, "interface name", false))
                    return false;
                inst.interfaces.push_back(iface);
            }
            inst.init = m_in.u30();
            if (!method(inst.init, "instance initialiser") || !readTraits(inst.traits, n))
                return false;
            m_abc.instances.push_back(std::move(inst));
        }
        m_abc.classes.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            ClassInfo cls;
            cls.init = m_in.u30();
            if (!method(cls.init, "class initialiser") || !readTraits(cls.traits, n))
                return false;
            m_abc.classes.push_back(std::move(cls));
        }
        return ok();
    }

    bool readScripts() {
        uint32_t n = m_in.count(2);
        for (uint32_t i = 0; i < n; ++i) {
            ScriptInfo script;
            script.init = m_in.u30();
            if (!method(script.init, "script initialiser") || !readTraits(script.traits, m_abc.classes.size()))
                return false;
            m_abc.scripts.push_back(std::move(script));
        }
        return ok();
    }

    bool readBodies() {
        uint32_t n = m_in.count(8);
        m_abc.bodies.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            MethodBody body;
            body.method = m_in.u30();
            body.maxStack = m_in.u30();
            body.localCount = m_in.u30();
            body.initScopeDepth = m_in.u30();
            body.maxScopeDepth = m_in.u30();
            if (!method(body.method, "body method"))
                return false;
            MethodInfo& info = m_abc.methods[body.method];
            if (info.body != UINT32_MAX)
                return fail("method " + std::to_string(body.method) + " has a second body");
            if (info.flags & MethodInfo::Native)
                return fail("native method " + std::to_string(body.method) + " has a body");
            if (body.initScopeDepth > body.maxScopeDepth)
                return fail("method " + std::to_string(body.method) + " starts deeper than its scope maximum");
            uint32_t length = m_in.u30();
            auto code = m_in.bytes(length);
            body.code.assign(code.begin(), code.end());
            uint32_t exceptions = m_in.count(5);
            for (uint32_t k = 0; k < exceptions; ++k) {
                ExceptionInfo e;
                e.from = m_in.u30();
                e.to = m_in.u30();
                e.target = m_in.u30();
                e.type = m_in.u30();
                e.varName = m_in.u30();
                if (!index(e.type, m_abc.multinames.size(), "exception type") ||
                    !index(e.varName, m_abc.multinames.size(), "exception variable name"))
                    return false;
                body.exceptions.push_back(e);
            }
            if (!readTraits(body.traits, m_abc.classes.size()))
                return false;
            info.body = i;
            m_abc.bodies.push_back(std::move(body));
        }
        return ok();
    }
};

}  // namespace

moviehost::Expected<AbcFile, Error> parseAbc(std::span<const uint8_t> data) { return Parser(data).run(); }

}  // namespace avm2
