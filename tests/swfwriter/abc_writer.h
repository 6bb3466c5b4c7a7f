// Assembles ABC blocks for tests: constant pools, methods, classes, scripts
// and bodies, with a small assembler for the code of a body. Nothing here
// checks what it writes, so malformed blocks are as easy to make as good ones.
//
//   AbcWriter abc;
//   uint32_t m = abc.method({});
//   Code c;
//   c.op(Op::PushByte, 7).op(Op::ReturnValue);
//   abc.body({.method = m, .maxStack = 1, .localCount = 1, .code = c.bytes()});
//   abc.script(m);
#pragma once

#include "avm2/opcodes.h"

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace swfwriter {

using avm2::Op;

// The code of one body. Branches name labels, resolved by bytes(); a label
// that is never placed resolves to an offset past the end of the code.
class Code {
public:
    // An instruction with its operands encoded by the instruction table.
    Code& op(Op op, std::initializer_list<uint32_t> operands = {});
    Code& op(Op op, uint32_t operand) { return this->op(op, {operand}); }
    Code& branch(Op op, const std::string& label);
    Code& lookupSwitch(const std::string& defaultLabel, const std::vector<std::string>& caseLabels);
    Code& label(const std::string& name);
    // Bytes as they are, for truncated or unknown instructions.
    Code& raw(std::initializer_list<uint8_t> bytes);

    [[nodiscard]] size_t size() const { return m_bytes.size(); }
    [[nodiscard]] size_t offsetOf(const std::string& label) const;
    [[nodiscard]] std::vector<uint8_t> bytes() const;

private:
    struct Fixup {
        size_t at;    // where the s24 goes
        size_t base;  // what it counts from
        std::string label;
    };
    std::vector<uint8_t> m_bytes;
    std::vector<Fixup> m_fixups;
    std::map<std::string, size_t> m_labels;
};

struct AbcMethod {
    std::vector<uint32_t> paramTypes;
    uint32_t returnType = 0;
    uint32_t name = 0;
    uint8_t flags = 0;
    std::vector<std::pair<uint32_t, uint8_t>> optional;  // value index, kind
};

struct AbcException {
    uint32_t from = 0, to = 0, target = 0, type = 0, varName = 0;
};

struct AbcTrait {
    uint32_t name = 0;
    uint8_t kind = 0;  // low nibble kind, high nibble attributes
    uint32_t id = 0;
    uint32_t index = 0;
    uint32_t valueIndex = 0;
    uint8_t valueKind = 0;
};

struct AbcBody {
    uint32_t method = 0;
    uint32_t maxStack = 0;
    uint32_t localCount = 1;
    uint32_t initScopeDepth = 0;
    uint32_t maxScopeDepth = 0;
    std::vector<uint8_t> code;
    std::vector<AbcException> exceptions;
    std::vector<AbcTrait> traits;
};

struct AbcInstance {
    uint32_t name = 0;
    uint32_t superName = 0;
    uint8_t flags = 0;
    uint32_t protectedNs = 0;
    std::vector<uint32_t> interfaces;
    uint32_t init = 0;
    std::vector<AbcTrait> traits;
    uint32_t classInit = 0;
    std::vector<AbcTrait> classTraits;
};

class AbcWriter {
public:
    // Pool entries; each returns its index (equal values are not merged).
    uint32_t intConstant(int32_t value);
    uint32_t uintConstant(uint32_t value);
    uint32_t doubleConstant(double value);
    uint32_t string(std::string_view text);
    uint32_t ns(uint8_t kind, uint32_t nameString);
    uint32_t packageNamespace(std::string_view name) { return ns(0x16, string(name)); }
    uint32_t nsSet(const std::vector<uint32_t>& namespaces);
    uint32_t qname(uint32_t ns, uint32_t nameString, bool attribute = false);
    // A public name in the package namespace `package` ("" for the top level).
    uint32_t publicName(std::string_view name, std::string_view package = "");
    // Any other multiname, as its kind byte and its u30 fields.
    uint32_t multiname(uint8_t kind, std::initializer_list<uint32_t> fields);

    uint32_t method(const AbcMethod& m);
    uint32_t body(const AbcBody& b);
    uint32_t instance(const AbcInstance& c);
    uint32_t script(uint32_t init, const std::vector<AbcTrait>& traits = {});
    // A document class `name` over `base` (a MovieClip) with the script that
    // defines it: the constructor calls super(), then runs `constructor`.
    void documentClass(uint32_t name, uint32_t base, const Code& constructor, uint32_t maxStack);

    [[nodiscard]] std::vector<uint8_t> bytes() const;

private:
    std::vector<int32_t> m_ints;
    std::vector<uint32_t> m_uints;
    std::vector<double> m_doubles;
    std::vector<std::string> m_strings;
    std::vector<uint8_t> m_namespaces, m_nsSets, m_multinames, m_methods, m_instances, m_classes, m_scripts, m_bodies;
    uint32_t m_namespaceCount = 0, m_nsSetCount = 0, m_multinameCount = 0, m_methodCount = 0, m_classCount = 0,
             m_scriptCount = 0, m_bodyCount = 0;
};

// Little-endian and variable-length encoders shared by the two writers.
void writeU30(std::vector<uint8_t>& out, uint32_t value);
void writeS24(std::vector<uint8_t>& out, int32_t value);

}  // namespace swfwriter
