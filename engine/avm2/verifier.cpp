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

    moviehost::Expected<void, Error> run() {
        if (!checkLocals() || !decodeAll() || !checkOperands() || !checkExceptions() || !flow())
            return std::move(m_error);
        return {};
    }

private:
    const AbcFile& m_abc;
    const MethodBody& m_body;
    const MethodInfo& m_method;
    std::vector<Instruction> m_code;
    std::vector<uint32_t> m_startAt;  // instruction index by byte offset
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

    bool decodeAll() {
        const std::span<const uint8_t> code(m_body.code);
        m_startAt.assign(code.size() + 1, NotStart);
        size_t at = 0;
        Instruction in;
        while (at < code.size()) {
            switch (decodeInstruction(code, at, in)) {
            case DecodeStatus::UnknownOpcode:
                return fail("unknown opcode " + std::to_string(code[at]), at);
            case DecodeStatus::Truncated:
                return fail("instruction runs past the end of the code", at);
            case DecodeStatus::Ok:
                break;
            }
            m_startAt[at] = uint32_t(m_code.size());
            at += in.length;
            m_code.push_back(in);
        }
        if (m_code.empty())
            return fail("empty method body", 0);
        return true;
    }

    bool isStart(int64_t offset) const {
        return offset >= 0 && size_t(offset) < m_body.code.size() && m_startAt[size_t(offset)] != NotStart;
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
                if (!isStart(target))
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

    bool checkOperands() {
        for (const Instruction& in : m_code) {
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
        }
        return true;
    }

    bool checkExceptions() {
        const size_t size = m_body.code.size();
        for (size_t i = 0; i < m_body.exceptions.size(); ++i) {
            const ExceptionInfo& e = m_body.exceptions[i];
            const std::string which = "handler " + std::to_string(i);
            if (e.from >= e.to || e.to > size || !isStart(e.from) || (e.to < size && !isStart(e.to)))
                return fail(which + " covers a range that is not whole instructions of the body", e.from);
            if (!isStart(e.target))
                return fail(which + " target " + std::to_string(e.target) + " is not an instruction of the body",
                            e.target);
        }
        return true;
    }

    // Stack and scope depths by data flow: each instruction is reached with
    // one pair of depths on every path, or the body is rejected.
    bool flow() {
        std::vector<State> states(m_code.size());
        std::vector<uint32_t> work;
        auto reach = [&](uint32_t index, State s) {
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
        for (const ExceptionInfo& e : m_body.exceptions) {
            if (!reach(m_startAt[e.target], State{1, 0}))
                return false;
        }
        const int64_t maxStack = m_body.maxStack;
        const int64_t maxScope = int64_t(m_body.maxScopeDepth) - int64_t(m_body.initScopeDepth);
        while (!work.empty()) {
            const uint32_t index = work.back();
            work.pop_back();
            const Instruction& in = m_code[index];
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
                if (index + 1 >= m_code.size())
                    return fail("execution runs past the end of the code", in.offset);
                if (!reach(index + 1, s))
                    return false;
            }
            for (int64_t target : in.targets) {
                if (!reach(m_startAt[size_t(target)], s))
                    return false;
            }
        }
        return true;
    }
};

}  // namespace

moviehost::Expected<void, Error> verifyBody(const AbcFile& abc, uint32_t bodyIndex) {
    if (bodyIndex >= abc.bodies.size())
        return Error{.what = "no method body " + std::to_string(bodyIndex)};
    return BodyVerifier(abc, abc.bodies[bodyIndex]).run();
}

moviehost::Expected<void, Error> verifyAbc(const AbcFile& abc) {
    for (uint32_t i = 0; i < abc.bodies.size(); ++i) {
        if (auto result = verifyBody(abc, i); !result)
            return result;
    }
    return {};
}

}  // namespace avm2
