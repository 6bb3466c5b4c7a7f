#include "abc_writer.h"

#include <cstring>
#include <stdexcept>

namespace swfwriter {

using avm2::Operand;

void writeU30(std::vector<uint8_t>& out, uint32_t value) {
    do {
        uint8_t b = value & 0x7F;
        value >>= 7;
        if (value)
            b |= 0x80;
        out.push_back(b);
    } while (value);
}

void writeS24(std::vector<uint8_t>& out, int32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value >> 16));
}

namespace {

void patchS24(std::vector<uint8_t>& out, size_t at, int64_t value) {
    out[at] = uint8_t(value);
    out[at + 1] = uint8_t(value >> 8);
    out[at + 2] = uint8_t(value >> 16);
}

void writeTraits(std::vector<uint8_t>& out, const std::vector<AbcTrait>& traits) {
    writeU30(out, uint32_t(traits.size()));
    for (const AbcTrait& t : traits) {
        writeU30(out, t.name);
        out.push_back(t.kind);
        writeU30(out, t.id);
        writeU30(out, t.index);
        uint8_t kind = t.kind & 0x0F;
        if (kind == 0 || kind == 6) {
            writeU30(out, t.valueIndex);
            if (t.valueIndex != 0)
                out.push_back(t.valueKind);
        }
    }
}

void append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

Code& Code::op(Op op, std::initializer_list<uint32_t> operands) {
    const avm2::OpInfo& info = avm2::opInfo(uint8_t(op));
    m_bytes.push_back(uint8_t(op));
    auto value = operands.begin();
    for (Operand kind : info.operands) {
        if (kind == Operand::None)
            continue;
        if (value == operands.end())
            throw std::invalid_argument(std::string("missing operand of ") + info.mnemonic);
        switch (kind) {
        case Operand::Byte:
        case Operand::ScopeIndex:
            m_bytes.push_back(uint8_t(*value));
            break;
        case Operand::Branch:
            writeS24(m_bytes, int32_t(*value));
            break;
        default:
            writeU30(m_bytes, *value);
            break;
        }
        ++value;
    }
    return *this;
}

Code& Code::branch(Op op, const std::string& label) {
    m_bytes.push_back(uint8_t(op));
    m_fixups.push_back({m_bytes.size(), m_bytes.size() + 3, label});
    writeS24(m_bytes, 0);
    return *this;
}

Code& Code::lookupSwitch(const std::string& defaultLabel, const std::vector<std::string>& caseLabels) {
    const size_t base = m_bytes.size();
    m_bytes.push_back(uint8_t(Op::LookupSwitch));
    m_fixups.push_back({m_bytes.size(), base, defaultLabel});
    writeS24(m_bytes, 0);
    writeU30(m_bytes, uint32_t(caseLabels.size() - 1));
    for (const std::string& label : caseLabels) {
        m_fixups.push_back({m_bytes.size(), base, label});
        writeS24(m_bytes, 0);
    }
    return *this;
}

Code& Code::label(const std::string& name) {
    m_labels[name] = m_bytes.size();
    return *this;
}

Code& Code::raw(std::initializer_list<uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes);
    return *this;
}

size_t Code::offsetOf(const std::string& label) const {
    auto it = m_labels.find(label);
    return it == m_labels.end() ? m_bytes.size() + 100 : it->second;
}

std::vector<uint8_t> Code::bytes() const {
    std::vector<uint8_t> out = m_bytes;
    for (const Fixup& f : m_fixups)
        patchS24(out, f.at, int64_t(offsetOf(f.label)) - int64_t(f.base));
    return out;
}

uint32_t AbcWriter::intConstant(int32_t value) {
    m_ints.push_back(value);
    return uint32_t(m_ints.size());
}

uint32_t AbcWriter::uintConstant(uint32_t value) {
    m_uints.push_back(value);
    return uint32_t(m_uints.size());
}

uint32_t AbcWriter::doubleConstant(double value) {
    m_doubles.push_back(value);
    return uint32_t(m_doubles.size());
}

uint32_t AbcWriter::string(std::string_view text) {
    m_strings.emplace_back(text);
    return uint32_t(m_strings.size());
}

uint32_t AbcWriter::ns(uint8_t kind, uint32_t nameString) {
    m_namespaces.push_back(kind);
    writeU30(m_namespaces, nameString);
    return ++m_namespaceCount;
}

uint32_t AbcWriter::nsSet(const std::vector<uint32_t>& namespaces) {
    writeU30(m_nsSets, uint32_t(namespaces.size()));
    for (uint32_t n : namespaces)
        writeU30(m_nsSets, n);
    return ++m_nsSetCount;
}

uint32_t AbcWriter::qname(uint32_t ns, uint32_t nameString, bool attribute) {
    return multiname(attribute ? 0x0D : 0x07, {ns, nameString});
}

uint32_t AbcWriter::publicName(std::string_view name, std::string_view package) {
    return qname(packageNamespace(package), string(name));
}

uint32_t AbcWriter::multiname(uint8_t kind, std::initializer_list<uint32_t> fields) {
    m_multinames.push_back(kind);
    for (uint32_t f : fields)
        writeU30(m_multinames, f);
    return ++m_multinameCount;
}

uint32_t AbcWriter::method(const AbcMethod& m) {
    writeU30(m_methods, uint32_t(m.paramTypes.size()));
    writeU30(m_methods, m.returnType);
    for (uint32_t t : m.paramTypes)
        writeU30(m_methods, t);
    writeU30(m_methods, m.name);
    uint8_t flags = m.flags;
    if (!m.optional.empty())
        flags |= 0x08;
    m_methods.push_back(flags);
    if (!m.optional.empty()) {
        writeU30(m_methods, uint32_t(m.optional.size()));
        for (auto [index, kind] : m.optional) {
            writeU30(m_methods, index);
            m_methods.push_back(kind);
        }
    }
    return m_methodCount++;
}

uint32_t AbcWriter::body(const AbcBody& b) {
    writeU30(m_bodies, b.method);
    writeU30(m_bodies, b.maxStack);
    writeU30(m_bodies, b.localCount);
    writeU30(m_bodies, b.initScopeDepth);
    writeU30(m_bodies, b.maxScopeDepth);
    writeU30(m_bodies, uint32_t(b.code.size()));
    append(m_bodies, b.code);
    writeU30(m_bodies, uint32_t(b.exceptions.size()));
    for (const AbcException& e : b.exceptions) {
        for (uint32_t v : {e.from, e.to, e.target, e.type, e.varName})
            writeU30(m_bodies, v);
    }
    writeTraits(m_bodies, b.traits);
    return m_bodyCount++;
}

uint32_t AbcWriter::instance(const AbcInstance& c) {
    writeU30(m_instances, c.name);
    writeU30(m_instances, c.superName);
    m_instances.push_back(c.flags);
    if (c.flags & 0x08)
        writeU30(m_instances, c.protectedNs);
    writeU30(m_instances, uint32_t(c.interfaces.size()));
    for (uint32_t i : c.interfaces)
        writeU30(m_instances, i);
    writeU30(m_instances, c.init);
    writeTraits(m_instances, c.traits);
    writeU30(m_classes, c.classInit);
    writeTraits(m_classes, c.classTraits);
    return m_classCount++;
}

uint32_t AbcWriter::script(uint32_t init, const std::vector<AbcTrait>& traits) {
    writeU30(m_scripts, init);
    writeTraits(m_scripts, traits);
    return m_scriptCount++;
}

void AbcWriter::documentClass(uint32_t name, uint32_t base, const Code& constructor, uint32_t maxStack) {
    const uint32_t init = method({});
    Code prologue;
    prologue.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetLocal0).op(Op::ConstructSuper, 0);
    std::vector<uint8_t> code = prologue.bytes();
    const std::vector<uint8_t> rest = constructor.bytes();  // branches are relative, so it moves as it is
    code.insert(code.end(), rest.begin(), rest.end());
    body(
        {.method = init, .maxStack = maxStack, .localCount = 1, .initScopeDepth = 0, .maxScopeDepth = 1, .code = code});
    const uint32_t classInit = method({});
    Code returns;
    returns.op(Op::ReturnVoid);
    body({.method = classInit, .localCount = 1, .code = returns.bytes()});
    instance({.name = name, .superName = base, .flags = 0, .init = init, .classInit = classInit});

    const uint32_t scriptInit = method({});
    Code s;
    s.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetScopeObject, 0).op(Op::GetLex, base).op(Op::PushScope);
    s.op(Op::GetLex, base).op(Op::NewClass, m_classCount - 1).op(Op::PopScope).op(Op::InitProperty, name);
    s.op(Op::ReturnVoid);
    body({.method = scriptInit, .maxStack = 3, .localCount = 1, .maxScopeDepth = 2, .code = s.bytes()});
    script(scriptInit, {{.name = name, .kind = 4, .index = m_classCount - 1}});
}

std::vector<uint8_t> AbcWriter::bytes() const {
    std::vector<uint8_t> out = {16, 0, 46, 0};  // minor 16, major 46
    auto pool = [&](size_t size) { writeU30(out, size == 0 ? 0 : uint32_t(size + 1)); };
    pool(m_ints.size());
    for (int32_t v : m_ints)
        writeU30(out, uint32_t(v));
    pool(m_uints.size());
    for (uint32_t v : m_uints)
        writeU30(out, v);
    pool(m_doubles.size());
    for (double d : m_doubles) {
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        for (int i = 0; i < 8; ++i)
            out.push_back(uint8_t(bits >> (8 * i)));
    }
    pool(m_strings.size());
    for (const std::string& s : m_strings) {
        writeU30(out, uint32_t(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    pool(m_namespaceCount);
    append(out, m_namespaces);
    pool(m_nsSetCount);
    append(out, m_nsSets);
    pool(m_multinameCount);
    append(out, m_multinames);
    writeU30(out, m_methodCount);
    append(out, m_methods);
    writeU30(out, 0);  // metadata
    writeU30(out, m_classCount);
    append(out, m_instances);
    append(out, m_classes);
    writeU30(out, m_scriptCount);
    append(out, m_scripts);
    writeU30(out, m_bodyCount);
    append(out, m_bodies);
    return out;
}

}  // namespace swfwriter
