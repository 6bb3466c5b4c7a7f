// The action loop: decoding, jumps, the operand stack, pushes, constant
// pools and registers. Calls, blocks and the other families of actions
// live in interpreter_*.cpp.
#include "script/interpreter.h"

#include "script/action_bytes.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/runtime.h"

#include "swf/bit_reader.h"

#include <cstring>

namespace script {

void Interpreter::malformed(const char* what) const { abortScript(ScriptErrorKind::MalformedActions, what); }

Interpreter::Record Interpreter::decode(const Frame& f, size_t pc) const {
    Record r;
    r.code = f.code[pc];
    if (r.code < 0x80) {
        r.next = pc + 1;
        return r;
    }
    if (f.code.size() - pc < 3)
        malformed("an action record is cut off");
    size_t length = readU16(f.code, pc + 1);
    if (f.code.size() - pc - 3 < length)
        malformed("an action record runs past the end of its block");
    r.payload = f.code.subspan(pc + 3, length);
    r.next = pc + 3 + length;
    return r;
}

size_t Interpreter::skipActions(const Frame& f, size_t pc, unsigned count) const {
    for (unsigned i = 0; i < count && pc < f.code.size(); ++i) {
        if (f.code[pc] == 0)
            break;
        pc = decode(f, pc).next;
    }
    return pc;
}

bool Interpreter::branch(size_t target, size_t begin, size_t end, size_t& pc, Completion& out) const {
    if (target >= begin && target < end) {
        pc = target;
        return true;
    }
    if (target == end) {
        out = {Exit::Normal, 0, {}};
        return false;
    }
    out = {Exit::Jump, target, {}};
    return false;
}

// --- stack ------------------------------------------------------------------

void Interpreter::push(Value v) {
    if (m_rt.stack.size() >= m_rt.limits.maxStackSize)
        abortScript(ScriptErrorKind::StackLimit, "the operand stack overflowed");
    m_rt.stack.push_back(std::move(v));
}

Value Interpreter::pop(Frame& f) {
    // Popping an empty stack gives undefined, as in the player.
    if (m_rt.stack.size() <= f.stackBase)
        return Value();
    Value v = std::move(m_rt.stack.back());
    m_rt.stack.pop_back();
    return v;
}

const Value& Interpreter::peek(Frame& f) {
    static const Value kUndefined;
    return m_rt.stack.size() <= f.stackBase ? kUndefined : m_rt.stack.back();
}

double Interpreter::popNumber(Frame& f) { return toNumber(m_rt, pop(f)); }

String Interpreter::popString(Frame& f) { return toString(m_rt, pop(f)); }

std::vector<Value> Interpreter::popArgs(Frame& f) {
    double n = popNumber(f);
    size_t available = m_rt.stack.size() - std::min(m_rt.stack.size(), f.stackBase);
    size_t count = (n > 0 && n < 1e9) ? std::min(size_t(n), available) : 0;
    std::vector<Value> args;
    args.reserve(count);
    for (size_t i = 0; i < count; ++i)
        args.push_back(pop(f));
    return args;
}

Value Interpreter::boolResult(bool b) const { return m_rt.version <= 4 ? Value(b ? 1.0 : 0.0) : Value::fromBool(b); }

// --- literals -------------------------------------------------------------------

String Interpreter::readString(std::span<const uint8_t> bytes, size_t& at) const {
    size_t end = at;
    while (end < bytes.size() && bytes[end] != 0)
        ++end;
    if (end >= bytes.size())
        malformed("a string in an action record has no terminator");
    std::span<const uint8_t> raw = bytes.subspan(at, end - at);
    at = end + 1;
    std::string utf8 = m_rt.version >= 6 ? swf::sanitizeUtf8(raw) : swf::ansiToUtf8(raw);
    return m_rt.makeStringUtf8(utf8);
}

void Interpreter::doPush(Frame& f, std::span<const uint8_t> p) {
    size_t at = 0;
    while (at < p.size()) {
        uint8_t type = p[at++];
        auto need = [&](size_t n) {
            if (p.size() - at < n)
                malformed("a Push value is cut off");
        };
        switch (type) {
        case 0:
            push(Value(readString(p, at)));
            break;
        case 1: {
            need(4);
            uint32_t bits = readU32(p, at);
            float v;
            std::memcpy(&v, &bits, sizeof v);
            push(Value(double(v)));
            at += 4;
            break;
        }
        case 2:
            push(Value::null());
            break;
        case 3:
            push(Value());
            break;
        case 4: {
            need(1);
            uint8_t reg = p[at++];
            push(reg < f.registers.size() ? f.registers[reg] : Value());
            break;
        }
        case 5:
            need(1);
            push(Value::fromBool(p[at++] != 0));
            break;
        case 6: {
            // The two 32-bit halves are stored high half first.
            need(8);
            uint64_t bits = (uint64_t(readU32(p, at)) << 32) | readU32(p, at + 4);
            double v;
            std::memcpy(&v, &bits, sizeof v);
            push(Value(v));
            at += 8;
            break;
        }
        case 7:
            need(4);
            push(Value(double(int32_t(readU32(p, at)))));
            at += 4;
            break;
        case 8:
        case 9: {
            need(type == 8 ? 1 : 2);
            size_t index = type == 8 ? p[at] : readU16(p, at);
            at += type == 8 ? 1 : 2;
            if (!f.constants || index >= f.constants->size())
                malformed("a Push names a constant the pool does not have");
            push(Value((*f.constants)[index]));
            break;
        }
        default:
            malformed("a Push value has an unknown type");
        }
    }
}

void Interpreter::doConstantPool(Frame& f, std::span<const uint8_t> p) {
    if (p.size() < 2)
        malformed("a ConstantPool is cut off");
    size_t count = readU16(p, 0);
    size_t at = 2;
    auto pool = std::make_shared<ConstantPool>();
    pool->reserve(count);
    for (size_t i = 0; i < count; ++i)
        pool->push_back(readString(p, at));
    f.constants = std::move(pool);
}

Interpreter::Completion Interpreter::execute(Frame& f, size_t begin, size_t end) {
    size_t pc = begin;
    Completion out;
    while (pc < end) {
        m_rt.chargeAction();
        if (f.code[pc] == 0)
            return {Exit::End, 0, {}};
        const Record r = decode(f, pc);
        pc = r.next;
        switch (r.code) {
        case 0x96:  // Push
            doPush(f, r.payload);
            break;
        case 0x17:  // Pop
            (void)pop(f);
            break;
        case 0x4C: {  // PushDuplicate
            Value top = peek(f);
            push(std::move(top));
            break;
        }
        case 0x4D: {  // StackSwap
            Value a = pop(f);
            Value b = pop(f);
            push(std::move(a));
            push(std::move(b));
            break;
        }
        case 0x88:  // ConstantPool
            doConstantPool(f, r.payload);
            break;
        case 0x87: {  // StoreRegister
            if (r.payload.empty())
                malformed("a StoreRegister has no register");
            if (r.payload[0] < f.registers.size())
                f.registers[r.payload[0]] = peek(f);
            break;
        }
        case 0x99: {  // Jump
            if (r.payload.size() < 2)
                malformed("a Jump has no offset");
            int64_t target = int64_t(pc) + int16_t(readU16(r.payload, 0));
            if (target < 0 || size_t(target) > f.code.size())
                malformed("a Jump leaves its action block");
            if (!branch(size_t(target), begin, end, pc, out))
                return out;
            break;
        }
        case 0x9D: {  // If
            if (r.payload.size() < 2)
                malformed("an If has no offset");
            bool taken = toBoolean(m_rt, pop(f));
            if (!taken)
                break;
            int64_t target = int64_t(pc) + int16_t(readU16(r.payload, 0));
            if (target < 0 || size_t(target) > f.code.size())
                malformed("an If leaves its action block");
            if (!branch(size_t(target), begin, end, pc, out))
                return out;
            break;
        }
        case 0x3E:  // Return
            return {Exit::Return, 0, pop(f)};
        case 0x2A:  // Throw
            throw ScriptThrow{pop(f)};
        case 0x8F:    // Try
        case 0x94: {  // With
            // Both run a nested block whose ending may carry a jump out of it.
            Completion c = r.code == 0x8F ? doTry(f, r, pc) : doWith(f, r, pc);
            if (c.exit == Exit::Jump) {
                if (!branch(c.target, begin, end, pc, out))
                    return out;
            } else if (c.exit != Exit::Normal) {
                return c;
            }
            break;
        }
        case 0x9B:  // DefineFunction
            doDefineFunction(f, r, pc, false);
            break;
        case 0x8E:  // DefineFunction2
            doDefineFunction(f, r, pc, true);
            break;
        case 0x8A: {  // WaitForFrame: every frame we have is loaded
            if (r.payload.size() < 3)
                malformed("a WaitForFrame is cut off");
            model::MovieClip* clip = f.target ? f.target->clip() : nullptr;
            if (clip && readU16(r.payload, 0) >= clip->totalFrames())
                pc = skipActions(f, pc, r.payload[2]);
            break;
        }
        case 0x8D: {  // WaitForFrame2
            if (r.payload.empty())
                malformed("a WaitForFrame2 is cut off");
            double frame = popNumber(f);
            model::MovieClip* clip = f.target ? f.target->clip() : nullptr;
            if (clip && !(frame >= 0 && frame <= clip->totalFrames()))
                pc = skipActions(f, pc, r.payload[0]);
            break;
        }
        default:
            if (doArithmetic(f, r.code) || doObjects(f, r.code) || doTimeline(f, r, pc))
                break;
            break;  // unknown actions are skipped
        }
    }
    if (pc > end)
        return {Exit::Jump, pc, {}};
    return {Exit::Normal, 0, {}};
}

}  // namespace script
