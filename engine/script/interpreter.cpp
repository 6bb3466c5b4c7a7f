// The action loop: decoding, control flow, the operand stack, pushes,
// constant pools and registers. The other families of actions live in
// interpreter_*.cpp.
#include "script/interpreter.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"
#include "script/variables.h"

#include "swf/bit_reader.h"

#include <cstring>

namespace script {

namespace {

uint16_t readU16(std::span<const uint8_t> b, size_t at)
{
    return uint16_t(b[at] | (b[at + 1] << 8));
}

uint32_t readU32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

// Restores the operand stack and the scope chain when a run leaves early.
class StackMark {
public:
    StackMark(std::vector<Value>& stack, size_t height) : m_stack(stack), m_height(height) {}
    StackMark(const StackMark&) = delete;
    StackMark& operator=(const StackMark&) = delete;
    ~StackMark()
    {
        if (m_stack.size() > m_height)
            m_stack.resize(m_height);
    }

private:
    std::vector<Value>& m_stack;
    size_t m_height;
};

} // namespace

void Interpreter::malformed(const char* what) const
{
    abortScript(ScriptErrorKind::MalformedActions, what);
}

Interpreter::Record Interpreter::decode(const Frame& f, size_t pc) const
{
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

size_t Interpreter::skipActions(const Frame& f, size_t pc, unsigned count) const
{
    for (unsigned i = 0; i < count && pc < f.code.size(); ++i) {
        if (f.code[pc] == 0)
            break;
        pc = decode(f, pc).next;
    }
    return pc;
}

bool Interpreter::branch(size_t target, size_t begin, size_t end, size_t& pc, Completion& out) const
{
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

void Interpreter::push(Value v)
{
    if (m_rt.stack.size() >= m_rt.limits.maxStackSize)
        abortScript(ScriptErrorKind::StackLimit, "the operand stack overflowed");
    m_rt.stack.push_back(std::move(v));
}

Value Interpreter::pop(Frame& f)
{
    // Popping an empty stack gives undefined, as in the player.
    if (m_rt.stack.size() <= f.stackBase)
        return Value();
    Value v = std::move(m_rt.stack.back());
    m_rt.stack.pop_back();
    return v;
}

const Value& Interpreter::peek(Frame& f)
{
    static const Value kUndefined;
    return m_rt.stack.size() <= f.stackBase ? kUndefined : m_rt.stack.back();
}

double Interpreter::popNumber(Frame& f)
{
    return toNumber(m_rt, pop(f));
}

String Interpreter::popString(Frame& f)
{
    return toString(m_rt, pop(f));
}

std::vector<Value> Interpreter::popArgs(Frame& f)
{
    double n = popNumber(f);
    size_t available = m_rt.stack.size() - std::min(m_rt.stack.size(), f.stackBase);
    size_t count = (n > 0 && n < 1e9) ? std::min(size_t(n), available) : 0;
    std::vector<Value> args;
    args.reserve(count);
    for (size_t i = 0; i < count; ++i)
        args.push_back(pop(f));
    return args;
}

Value Interpreter::boolResult(bool b) const
{
    return m_rt.version <= 4 ? Value(b ? 1.0 : 0.0) : Value::fromBool(b);
}

// --- literals -------------------------------------------------------------------

String Interpreter::readString(std::span<const uint8_t> bytes, size_t& at) const
{
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

void Interpreter::doPush(Frame& f, std::span<const uint8_t> p)
{
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

void Interpreter::doConstantPool(Frame& f, std::span<const uint8_t> p)
{
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

// --- running code -------------------------------------------------------------------

void Interpreter::runBlock(std::span<const uint8_t> code, StageObject* clip)
{
    if (!clip)
        return;
    Runtime::CallDepth depth(m_rt);
    Frame f = timelineFrame(m_rt, clip);
    f.code = code;
    f.stackBase = m_rt.stack.size();
    StackMark mark(m_rt.stack, f.stackBase);
    Completion c = execute(f, 0, code.size());
    if (c.exit == Exit::Jump)
        malformed("a jump leaves its action block");
}

Value Interpreter::callScript(ScriptFunction& fn, const Value& self, std::span<const Value> args, Object* home)
{
    Runtime::CallDepth depth(m_rt);
    const FunctionCode& code = fn.code();
    Frame f;
    f.code = code.body;
    f.constants = code.constants;
    f.scopes = fn.scope();
    Object* activation = m_rt.heap.make<Object>(nullptr);
    f.scopes.push_back(activation);
    f.activation = activation;
    f.timeline = false;
    Object* selfObject = self.isObject() ? self.asObject() : toObject(m_rt, self);
    f.self = selfObject ? Value(selfObject) : Value();
    Object* target = fn.target();
    if (target && target->objectClass() == ObjectClass::Stage)
        f.target = f.baseTarget = static_cast<StageObject*>(target);
    f.callee = &fn;
    f.home = home;
    f.registers.resize(code.version2 ? std::max<size_t>(code.registerCount, 1) : 4);

    const uint16_t flags = code.version2 ? code.flags : 0;
    const bool wantArguments = !(flags & FunctionFlag::SuppressArguments) || (flags & FunctionFlag::PreloadArguments);
    Value arguments;
    if (wantArguments) {
        ArrayObject* list = m_rt.newArray(std::vector<Value>(args.begin(), args.end()));
        m_rt.defineValue(list, u"callee", Value(&fn));
        arguments = Value(list);
    }
    if (code.version2) {
        size_t reg = 1;
        auto preload = [&](uint16_t flag, auto make) {
            if (!(flags & flag))
                return;
            if (reg < f.registers.size())
                f.registers[reg] = make();
            ++reg;
        };
        preload(FunctionFlag::PreloadThis, [&] { return f.self; });
        preload(FunctionFlag::PreloadArguments, [&] { return arguments; });
        preload(FunctionFlag::PreloadSuper, [&] {
            Object* start = home ? home : (selfObject ? selfObject->proto() : nullptr);
            return Value(m_rt.heap.make<SuperObject>(nullptr, selfObject, start));
        });
        preload(FunctionFlag::PreloadRoot, [&] { return Value(m_rt.rootObject()); });
        preload(FunctionFlag::PreloadParent, [&] {
            model::DisplayObject* d = f.target ? f.target->display() : nullptr;
            model::MovieClip* parent = d ? d->parentClip() : nullptr;
            return parent ? Value(m_rt.objectFor(*parent)) : Value();
        });
        preload(FunctionFlag::PreloadGlobal, [&] { return Value(m_rt.global); });
    }
    if (wantArguments && !(flags & FunctionFlag::PreloadArguments))
        activation->properties().add(String(u"arguments"), arguments, PropertyFlag::DontEnum);
    for (size_t i = 0; i < code.params.size(); ++i) {
        Value arg = i < args.size() ? args[i] : Value();
        const FunctionParam& param = code.params[i];
        if (code.version2 && param.reg != 0) {
            if (param.reg < f.registers.size())
                f.registers[param.reg] = std::move(arg);
        } else {
            putOwn(m_rt, activation, param.name.view(), arg);
        }
    }

    f.stackBase = m_rt.stack.size();
    StackMark mark(m_rt.stack, f.stackBase);
    Completion c = execute(f, 0, f.code.size());
    if (c.exit == Exit::Jump)
        malformed("a jump leaves its function");
    return c.exit == Exit::Return ? c.value : Value();
}

Interpreter::Completion Interpreter::execute(Frame& f, size_t begin, size_t end)
{
    size_t pc = begin;
    Completion out;
    while (pc < end) {
        m_rt.chargeAction();
        if (f.code[pc] == 0)
            return {Exit::End, 0, {}};
        const Record r = decode(f, pc);
        pc = r.next;
        switch (r.code) {
        case 0x96: // Push
            doPush(f, r.payload);
            break;
        case 0x17: // Pop
            (void)pop(f);
            break;
        case 0x4C: { // PushDuplicate
            Value top = peek(f);
            push(std::move(top));
            break;
        }
        case 0x4D: { // StackSwap
            Value a = pop(f);
            Value b = pop(f);
            push(std::move(a));
            push(std::move(b));
            break;
        }
        case 0x88: // ConstantPool
            doConstantPool(f, r.payload);
            break;
        case 0x87: { // StoreRegister
            if (r.payload.empty())
                malformed("a StoreRegister has no register");
            if (r.payload[0] < f.registers.size())
                f.registers[r.payload[0]] = peek(f);
            break;
        }
        case 0x99: { // Jump
            if (r.payload.size() < 2)
                malformed("a Jump has no offset");
            int64_t target = int64_t(pc) + int16_t(readU16(r.payload, 0));
            if (target < 0 || size_t(target) > f.code.size())
                malformed("a Jump leaves its action block");
            if (!branch(size_t(target), begin, end, pc, out))
                return out;
            break;
        }
        case 0x9D: { // If
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
        case 0x3E: // Return
            return {Exit::Return, 0, pop(f)};
        case 0x2A: // Throw
            throw ScriptThrow{pop(f)};
        case 0x8F: { // Try
            Completion c = doTry(f, r, pc);
            if (c.exit == Exit::Jump) {
                if (!branch(c.target, begin, end, pc, out))
                    return out;
            } else if (c.exit != Exit::Normal) {
                return c;
            }
            break;
        }
        case 0x94: { // With
            Completion c = doWith(f, r, pc);
            if (c.exit == Exit::Jump) {
                if (!branch(c.target, begin, end, pc, out))
                    return out;
            } else if (c.exit != Exit::Normal) {
                return c;
            }
            break;
        }
        case 0x9B: // DefineFunction
            doDefineFunction(f, r, pc, false);
            break;
        case 0x8E: // DefineFunction2
            doDefineFunction(f, r, pc, true);
            break;
        case 0x8A: { // WaitForFrame: every frame we have is loaded
            if (r.payload.size() < 3)
                malformed("a WaitForFrame is cut off");
            model::MovieClip* clip = f.target ? f.target->clip() : nullptr;
            if (clip && readU16(r.payload, 0) >= clip->totalFrames())
                pc = skipActions(f, pc, r.payload[2]);
            break;
        }
        case 0x8D: { // WaitForFrame2
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
            break; // unknown actions are skipped
        }
    }
    if (pc > end)
        return {Exit::Jump, pc, {}};
    return {Exit::Normal, 0, {}};
}

Interpreter::Completion Interpreter::doTry(Frame& f, const Record& r, size_t& pc)
{
    // Nested blocks recurse like calls and count against the same depth.
    Runtime::CallDepth depth(m_rt);
    std::span<const uint8_t> p = r.payload;
    if (p.size() < 7)
        malformed("a Try is cut off");
    const uint8_t flags = p[0];
    const bool hasCatch = flags & 1;
    const bool hasFinally = flags & 2;
    const bool catchInRegister = flags & 4;
    const size_t trySize = readU16(p, 1);
    const size_t catchSize = readU16(p, 3);
    const size_t finallySize = readU16(p, 5);
    uint8_t catchRegister = 0;
    String catchName;
    if (catchInRegister) {
        if (p.size() < 8)
            malformed("a Try is cut off");
        catchRegister = p[7];
    } else {
        size_t at = 7;
        catchName = readString(p, at);
    }
    const size_t tryStart = pc;
    const size_t catchStart = tryStart + trySize;
    const size_t finallyStart = catchStart + catchSize;
    const size_t after = finallyStart + finallySize;
    if (after > f.code.size())
        malformed("a Try block runs past the end of its action block");

    const size_t height = m_rt.stack.size();
    const size_t scopes = f.scopes.size();
    const uint32_t withDepth = f.withDepth;
    auto unwind = [&] {
        if (m_rt.stack.size() > height)
            m_rt.stack.resize(height);
        f.scopes.resize(scopes);
        f.withDepth = withDepth;
    };

    Completion c;
    bool pending = false;
    Value thrown;
    try {
        c = execute(f, tryStart, catchStart);
    } catch (ScriptThrow& t) {
        unwind();
        pending = true;
        thrown = std::move(t.value);
    }
    if (pending && hasCatch) {
        pending = false;
        if (catchInRegister) {
            if (catchRegister < f.registers.size())
                f.registers[catchRegister] = thrown;
        } else {
            defineLocal(m_rt, f, catchName.view(), thrown);
        }
        try {
            c = execute(f, catchStart, finallyStart);
        } catch (ScriptThrow& t) {
            unwind();
            pending = true;
            thrown = std::move(t.value);
        }
    }
    if (hasFinally) {
        Completion fc = execute(f, finallyStart, after);
        if (fc.exit != Exit::Normal) {
            // A return or jump out of finally replaces whatever was pending.
            pending = false;
            c = std::move(fc);
        }
    }
    if (pending)
        throw ScriptThrow{std::move(thrown)};
    if (c.exit == Exit::Normal) {
        pc = after;
        return {};
    }
    if (c.exit == Exit::Jump && c.target == after) {
        pc = after;
        return {};
    }
    return c;
}

Interpreter::Completion Interpreter::doWith(Frame& f, const Record& r, size_t& pc)
{
    Runtime::CallDepth depth(m_rt);
    if (r.payload.size() < 2)
        malformed("a With is cut off");
    const size_t start = pc;
    const size_t stop = start + readU16(r.payload, 0);
    if (stop > f.code.size())
        malformed("a With block runs past the end of its action block");
    Object* object = toObject(m_rt, pop(f));
    if (object && f.withDepth >= m_rt.limits.maxWithDepth)
        abortScript(ScriptErrorKind::StackLimit, "With blocks are nested too deeply");
    const size_t scopes = f.scopes.size();
    if (object) {
        f.scopes.push_back(object);
        ++f.withDepth;
    }
    struct Restore {
        Frame& f;
        size_t scopes;
        bool pushed;
        ~Restore()
        {
            f.scopes.resize(scopes);
            if (pushed)
                --f.withDepth;
        }
    } restore{f, scopes, object != nullptr};
    Completion c = execute(f, start, stop);
    if (c.exit == Exit::Normal || (c.exit == Exit::Jump && c.target == stop)) {
        pc = stop;
        return {};
    }
    return c;
}

} // namespace script
