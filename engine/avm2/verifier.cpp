#include "avm2/verifier.h"

#include "avm2/instruction.h"

#include <string>
#include <utility>
#include <vector>

namespace avm2 {

namespace {

constexpr uint32_t NotStart = UINT32_MAX;

struct State {
    int64_t stack = -1;  // -1: not reached yet
    int64_t scope = 0;
};

class BodyVerifier {
public:
    BodyVerifier(const AbcFile& abc, const MethodBody& body)
        : m_abc(abc), m_body(body), m_method(abc.methods[body.method]) {}

    moviehost::Expected<void, Error> run(std::vector<uint32_t>* reached) {
        if (!checkLocals() || !flow() || !checkExceptions())
            return std::move(m_error);
        if (reached) {
            reached->clear();
            for (size_t at = 0; at < m_startAt.size(); ++at) {
                if (m_startAt[at] != NotStart)
                    reached->push_back(uint32_t(at));
            }
        }
        return {};
    }

private:
    const AbcFile& m_abc;
    const MethodBody& m_body;
    const MethodInfo& m_method;
    std::vector<Instruction> m_code;
    std::vector<uint32_t> m_startAt;  // instruction index by byte offset
    std::vector<int64_t> m_cover;     // start of the reachable instruction holding each byte, or -1
    Error m_error;

    bool fail(std::string what, size_t offset = Error::NoOffset) {
        m_error = Error{.what = std::move(what), .method = m_body.method, .offset = offset};
        return false;
    }

    bool checkLocals() {
        uint64_t needed = 1 + uint64_t(m_method.paramTypes.size());
        if (m_method.flags & (MethodInfo::NeedRest | MethodInfo::NeedArguments))
            ++needed;
        if (m_body.localCount < needed)
            return fail("local count " + std::to_string(m_body.localCount) + " cannot hold the parameters");
        return true;
    }

    // Decodes the instruction at a reachable offset once; its bytes must
    // not overlap another reachable instruction. Code no path reaches is
    // never decoded, so a compiler's dead jump past the end does no harm.
    bool decodeAt(size_t at, uint32_t& index) {
        const std::span<const uint8_t> code(m_body.code);
        if (m_cover[at] == int64_t(at)) {
            index = m_startAt[at];
            return true;
        }
        if (m_cover[at] != -1)
            return fail("branch into the middle of the instruction at " + std::to_string(m_cover[at]), at);
        Instruction in;
        switch (decodeInstruction(code, at, in)) {
        case DecodeStatus::UnknownOpcode:
            return fail("unknown opcode " + std::to_string(code[at]), at);
        case DecodeStatus::Truncated:
            return fail("instruction runs past the end of the code", at);
        case DecodeStatus::Ok:
            break;
        }
        for (size_t k = at; k < at + in.length; ++k) {
            if (m_cover[k] != -1)
                return fail("instruction overlaps the one at " + std::to_string(m_cover[k]), at);
            m_cover[k] = int64_t(at);
        }
        index = uint32_t(m_code.size());
        m_startAt[at] = index;
        m_code.push_back(std::move(in));
        return checkInstruction(m_code.back());
    }

    // A byte offset is a boundary when no reachable instruction straddles it.
    bool isBoundary(size_t offset) const {
        return offset <= m_body.code.size() &&
               (offset == m_body.code.size() || m_cover[offset] == -1 || m_cover[offset] == int64_t(offset));
    }

    bool inPool(uint32_t value, size_t size, const Instruction& in, const char* what) {
        if (value == 0 || value >= size)
            return fail(std::string(what) + " index " + std::to_string(value) + " out of range", in.offset);
        return true;
    }

    bool checkOperand(const Instruction& in, Operand kind, uint32_t value) {
        switch (kind) {
        case Operand::Register:
            if (value >= m_body.localCount)
                return fail("register " + std::to_string(value) + " outside the " + std::to_string(m_body.localCount) +
                                " locals",
                            in.offset);
            return true;
        case Operand::IntIndex:
            return inPool(value, m_abc.ints.size(), in, "int");
        case Operand::UIntIndex:
            return inPool(value, m_abc.uints.size(), in, "uint");
        case Operand::DoubleIndex:
            return inPool(value, m_abc.doubles.size(), in, "double");
        case Operand::StringIndex:
            return inPool(value, m_abc.strings.size(), in, "string");
        case Operand::NamespaceIndex:
            return inPool(value, m_abc.namespaces.size(), in, "namespace");
        case Operand::MultinameIndex:
            return inPool(value, m_abc.multinames.size(), in, "multiname");
        case Operand::MethodIndex:
            if (value >= m_abc.methods.size())
                return fail("method index " + std::to_string(value) + " out of range", in.offset);
            return true;
        case Operand::ClassIndex:
            if (value >= m_abc.classes.size())
                return fail("class index " + std::to_string(value) + " out of range", in.offset);
            return true;
        case Operand::ExceptionIndex:
            if (value >= m_body.exceptions.size())
                return fail("exception index " + std::to_string(value) + " out of range", in.offset);
            return true;
        case Operand::SlotIndex:
            if (value == 0)
                return fail("slot index 0", in.offset);
            return true;
        case Operand::Branch:
        case Operand::Switch:
            for (int64_t target : in.targets) {
                if (target < 0 || size_t(target) >= m_body.code.size())
                    return fail("branch target " + std::to_string(target) + " is not an instruction of the body",
                                in.offset);
            }
            return true;
        case Operand::Debug:
            // The debugger's register names are informational; only the string must exist.
            if (in.debugString >= m_abc.strings.size())
                return fail("string index " + std::to_string(in.debugString) + " out of range", in.offset);
            return true;
        default:
            return true;
        }
    }

    // Multinames that must name something at verification time.
    bool needsPlainName(const Instruction& in) {
        switch (in.op) {
        case Op::FindDef:
        case Op::GetLex:
        case Op::Coerce:
        case Op::AsType:
        case Op::IsType:
            if (runtimeParts(m_abc.multinames[in.operands[0]].kind) != 0)
                return fail(std::string(opInfo(uint8_t(in.op)).mnemonic) + " needs a name known before run time",
                            in.offset);
            return true;
        default:
            return true;
        }
    }

    bool checkInstruction(const Instruction& in) {
        const OpInfo& info = opInfo(uint8_t(in.op));
        for (int i = 0; i < 2; ++i) {
            if (!checkOperand(in, info.operands[i], in.operands[i]))
                return false;
        }
        if (!needsPlainName(in))
            return false;
        if ((in.op == Op::Dxns || in.op == Op::DxnsLate) && !(m_method.flags & MethodInfo::SetDxns))
            return fail("dxns in a method without the default-namespace flag", in.offset);
        if (in.op == Op::NewActivation && !(m_method.flags & MethodInfo::NeedActivation))
            return fail("newactivation in a method without the activation flag", in.offset);
        return true;
    }

    bool checkExceptions() {
        for (size_t i = 0; i < m_body.exceptions.size(); ++i) {
            const ExceptionInfo& e = m_body.exceptions[i];
            if (e.from >= e.to || !isBoundary(e.from) || !isBoundary(e.to))
                return fail(
                    "handler " + std::to_string(i) + " covers a range that is not whole instructions of the body",
                    e.from);
        }
        return true;
    }

    // Stack and scope depths by data flow: each instruction is reached with
    // one pair of depths on every path, or the body is rejected.
    bool flow() {
        const size_t size = m_body.code.size();
        if (size == 0)
            return fail("empty method body", 0);
        m_cover.assign(size, -1);
        m_startAt.assign(size + 1, NotStart);
        std::vector<State> states;
        std::vector<uint32_t> work;
        auto reach = [&](size_t offset, State s) {
            uint32_t index = 0;
            if (!decodeAt(offset, index))
                return false;
            if (index >= states.size())
                states.resize(index + 1);
            State& known = states[index];
            if (known.stack < 0) {
                known = s;
                work.push_back(index);
                return true;
            }
            if (known.stack != s.stack || known.scope != s.scope)
                return fail("paths join with different stack or scope depths", m_code[index].offset);
            return true;
        };
        if (!reach(0, State{0, 0}))
            return false;
        // A handler starts with the thrown value alone on the stack and the
        // scope stack back at its base.
        for (size_t i = 0; i < m_body.exceptions.size(); ++i) {
            const ExceptionInfo& e = m_body.exceptions[i];
            if (e.target >= size)
                return fail("handler " + std::to_string(i) + " target " + std::to_string(e.target) +
                                " is not an instruction of the body",
                            e.target);
            if (!reach(e.target, State{1, 0}))
                return false;
        }
        const int64_t maxStack = m_body.maxStack;
        const int64_t maxScope = int64_t(m_body.maxScopeDepth) - int64_t(m_body.initScopeDepth);
        while (!work.empty()) {
            const uint32_t index = work.back();
            work.pop_back();
            // Copied: reaching a new instruction may grow m_code.
            const Instruction in = m_code[index];
            const OpInfo& info = opInfo(uint8_t(in.op));
            State s = states[index];
            int parts =
                info.operands[0] == Operand::MultinameIndex ? runtimeParts(m_abc.multinames[in.operands[0]].kind) : 0;
            StackEffect effect = stackEffect(in, parts);
            if (effect.pops > uint64_t(s.stack))
                return fail(std::string(info.mnemonic) + " needs " + std::to_string(effect.pops) +
                                " values but the stack holds " + std::to_string(s.stack),
                            in.offset);
            s.stack = s.stack - int64_t(effect.pops) + effect.pushes;
            if (s.stack > maxStack)
                return fail(
                    "stack depth " + std::to_string(s.stack) + " exceeds the maximum " + std::to_string(maxStack),
                    in.offset);
            if (in.op == Op::PushScope || in.op == Op::PushWith) {
                if (++s.scope > maxScope)
                    return fail("scope depth exceeds the maximum " + std::to_string(m_body.maxScopeDepth), in.offset);
            } else if (in.op == Op::PopScope) {
                if (s.scope == 0)
                    return fail("popscope on an empty scope stack", in.offset);
                --s.scope;
            } else if (in.op == Op::GetScopeObject && int64_t(in.operands[0]) >= s.scope) {
                return fail("getscopeobject " + std::to_string(in.operands[0]) + " beyond the scope depth " +
                                std::to_string(s.scope),
                            in.offset);
            }
            if (info.flow == Flow::Next || info.flow == Flow::Branch) {
                if (in.offset + in.length >= size)
                    return fail("execution runs past the end of the code", in.offset);
                if (!reach(in.offset + in.length, s))
                    return false;
            }
            for (int64_t target : in.targets) {
                if (!reach(size_t(target), s))
                    return false;
            }
        }
        return true;
    }
};

}  // namespace

moviehost::Expected<void, Error> verifyBody(const AbcFile& abc, uint32_t bodyIndex, std::vector<uint32_t>* reached) {
    if (bodyIndex >= abc.bodies.size())
        return Error{.what = "no method body " + std::to_string(bodyIndex)};
    return BodyVerifier(abc, abc.bodies[bodyIndex]).run(reached);
}

moviehost::Expected<void, Error> verifyAbc(const AbcFile& abc) {
    for (uint32_t i = 0; i < abc.bodies.size(); ++i) {
        if (auto result = verifyBody(abc, i); !result)
            return result;
    }
    return {};
}

}  // namespace avm2
