// The action loop: decoding, dispatch, jumps, the operand stack, pushes,
// constant pools and registers. The other families of actions live in
// interpreter_*.cpp.
#include "script/interpreter.h"

#include "script/action_codes.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/runtime.h"

#include "swf/bit_reader.h"

#include <cstring>

namespace script {

namespace {
void actionWithoutHandler() {}
}  // namespace

constexpr std::array<Interpreter::Dispatch, 256> Interpreter::buildDispatchTable() {
    using enum ActionCode;
    struct Binding {
        ActionCode code;
        Handler handler;
    };
    const Binding bindings[] = {
        {NextFrame, &Interpreter::opNextFrame},
        {PreviousFrame, &Interpreter::opPreviousFrame},
        {Play, &Interpreter::opPlay},
        {Stop, &Interpreter::opStop},
        {ToggleQuality, &Interpreter::opIgnored},
        {StopSounds, &Interpreter::opStopSounds},
        {Add, &Interpreter::opAdd},
        {Subtract, &Interpreter::opSubtract},
        {Multiply, &Interpreter::opMultiply},
        {Divide, &Interpreter::opDivide},
        {Equals, &Interpreter::opEquals},
        {Less, &Interpreter::opLess},
        {And, &Interpreter::opAnd},
        {Or, &Interpreter::opOr},
        {Not, &Interpreter::opNot},
        {StringEquals, &Interpreter::opStringEquals},
        {StringLength, &Interpreter::opStringLength},
        {StringExtract, &Interpreter::opStringExtract},
        {Pop, &Interpreter::opPop},
        {ToInteger, &Interpreter::opToInteger},
        {GetVariable, &Interpreter::opGetVariable},
        {SetVariable, &Interpreter::opSetVariable},
        {SetTarget2, &Interpreter::opSetTarget2},
        {StringAdd, &Interpreter::opStringAdd},
        {GetProperty, &Interpreter::opGetProperty},
        {SetProperty, &Interpreter::opSetProperty},
        {CloneSprite, &Interpreter::opCloneSprite},
        {RemoveSprite, &Interpreter::opRemoveSprite},
        {Trace, &Interpreter::opTrace},
        {StartDrag, &Interpreter::opStartDrag},
        {EndDrag, &Interpreter::opEndDrag},
        {StringLess, &Interpreter::opStringLess},
        {Throw, &Interpreter::opThrow},
        {CastOp, &Interpreter::opCastOp},
        {ImplementsOp, &Interpreter::opImplementsOp},
        {RandomNumber, &Interpreter::opRandomNumber},
        {MbStringLength, &Interpreter::opStringLength},
        {CharToAscii, &Interpreter::opCharToAscii},
        {AsciiToChar, &Interpreter::opAsciiToChar},
        {GetTime, &Interpreter::opGetTime},
        {MbStringExtract, &Interpreter::opStringExtract},
        {MbCharToAscii, &Interpreter::opMbCharToAscii},
        {MbAsciiToChar, &Interpreter::opMbAsciiToChar},
        {Delete, &Interpreter::opDelete},
        {Delete2, &Interpreter::opDelete2},
        {DefineLocal, &Interpreter::opDefineLocal},
        {CallFunction, &Interpreter::opCallFunction},
        {Return, &Interpreter::opReturn},
        {Modulo, &Interpreter::opModulo},
        {NewObject, &Interpreter::opNewObject},
        {DefineLocal2, &Interpreter::opDefineLocal2},
        {InitArray, &Interpreter::opInitArray},
        {InitObject, &Interpreter::opInitObject},
        {TypeOf, &Interpreter::opTypeOf},
        {TargetPath, &Interpreter::opTargetPath},
        {Enumerate, &Interpreter::opEnumerate},
        {Add2, &Interpreter::opAdd2},
        {Less2, &Interpreter::opLess2},
        {Equals2, &Interpreter::opEquals2},
        {ToNumber, &Interpreter::opToNumber},
        {ToString, &Interpreter::opToString},
        {PushDuplicate, &Interpreter::opPushDuplicate},
        {StackSwap, &Interpreter::opStackSwap},
        {GetMember, &Interpreter::opGetMember},
        {SetMember, &Interpreter::opSetMember},
        {Increment, &Interpreter::opIncrement},
        {Decrement, &Interpreter::opDecrement},
        {CallMethod, &Interpreter::opCallMethod},
        {NewMethod, &Interpreter::opNewMethod},
        {InstanceOf, &Interpreter::opInstanceOf},
        {Enumerate2, &Interpreter::opEnumerate2},
        {BitAnd, &Interpreter::opBitAnd},
        {BitOr, &Interpreter::opBitOr},
        {BitXor, &Interpreter::opBitXor},
        {BitLShift, &Interpreter::opBitLShift},
        {BitRShift, &Interpreter::opBitRShift},
        {BitURShift, &Interpreter::opBitURShift},
        {StrictEquals, &Interpreter::opStrictEquals},
        {Greater, &Interpreter::opGreater},
        {StringGreater, &Interpreter::opStringGreater},
        {Extends, &Interpreter::opExtends},
        {GotoFrame, &Interpreter::opGotoFrame},
        {GetUrl, &Interpreter::opGetUrl},
        {StoreRegister, &Interpreter::opStoreRegister},
        {ConstantPool, &Interpreter::opConstantPool},
        {WaitForFrame, &Interpreter::opWaitForFrame},
        {SetTarget, &Interpreter::opSetTarget},
        {GoToLabel, &Interpreter::opGoToLabel},
        {WaitForFrame2, &Interpreter::opWaitForFrame2},
        {DefineFunction2, &Interpreter::opDefineFunction2},
        {Try, &Interpreter::opTry},
        {With, &Interpreter::opWith},
        {Push, &Interpreter::opPush},
        {Jump, &Interpreter::opJump},
        {GetUrl2, &Interpreter::opGetUrl2},
        {DefineFunction, &Interpreter::opDefineFunction},
        {If, &Interpreter::opIf},
        {Call, &Interpreter::opCall},
        {GotoFrame2, &Interpreter::opGotoFrame2},
    };
    std::array<Dispatch, 256> table{};
    std::array<bool, 256> bound{};  // member pointers do not compare in constant expressions under every build
    for (const Binding& b : bindings) {
        table[uint8_t(b.code)] = {b.handler, actionInfo(uint8_t(b.code))->minPayload};
        bound[uint8_t(b.code)] = true;
    }
    // Every action the code table names, End aside, has a handler; a gap
    // stops the table from being a constant and so fails the build.
    for (const ActionInfo& info : ActionTable) {
        if (info.code != End && !bound[uint8_t(info.code)])
            actionWithoutHandler();
    }
    return table;
}

constinit const std::array<Interpreter::Dispatch, 256> Interpreter::DispatchTable = buildDispatchTable();

void Interpreter::malformed(const char* what) const { abortScript(ScriptErrorKind::MalformedActions, what); }

void Interpreter::cutOff(uint8_t code) const {
    const ActionInfo* info = actionInfo(code);
    abortScript(ScriptErrorKind::MalformedActions,
                std::string(info ? info->name : "an action") + ": the record is cut off");
}

// Fills `r` in place: a record returned by value and then copied into the
// step cost the loop a stalled load on every action.
void Interpreter::decode(const Frame& f, size_t pc, Record& r) const {
    r.code = f.code[pc];
    if (!hasPayload(r.code)) {
        r.payload = {};
        r.next = pc + 1;
        return;
    }
    if (f.code.size() - pc < 3)
        malformed("an action record is cut off");
    size_t length = readU16(f.code, pc + 1);
    if (f.code.size() - pc - 3 < length)
        malformed("an action record runs past the end of its block");
    r.payload = f.code.subspan(pc + 3, length);
    r.next = pc + 3 + length;
}

size_t Interpreter::skipActions(const Frame& f, size_t pc, unsigned count) const {
    Record r;
    for (unsigned i = 0; i < count && pc < f.code.size(); ++i) {
        if (f.code[pc] == uint8_t(ActionCode::End))
            break;
        decode(f, pc, r);
        pc = r.next;
    }
    return pc;
}

Interpreter::Completion Interpreter::execute(Frame& f, size_t begin, size_t end) {
    Step s;
    s.pc = begin;
    s.begin = begin;
    s.end = end;
    while (s.pc < end) {
        m_rt.chargeAction();
        if (f.code[s.pc] == uint8_t(ActionCode::End))
            return {Exit::End, 0, {}};
        decode(f, s.pc, s.record);
        s.pc = s.record.next;
        const Dispatch& d = DispatchTable[s.record.code];
        if (!d.handler)
            continue;  // unknown actions are skipped, as the player skips them
        if (s.record.payload.size() < d.minPayload)
            cutOff(s.record.code);
        (this->*d.handler)(f, s);
        if (s.leave)
            return std::move(s.out);
    }
    if (s.pc > end)
        return {Exit::Jump, s.pc, {}};
    return {Exit::Normal, 0, {}};
}

// --- control flow -------------------------------------------------------------

void Interpreter::goTo(Step& s, size_t target) {
    if (target >= s.begin && target < s.end) {
        s.pc = target;
        return;
    }
    s.leave = true;
    s.out = target == s.end ? Completion{} : Completion{Exit::Jump, target, {}};
}

void Interpreter::finishNested(Step& s, Completion c) {
    if (c.exit == Exit::Jump) {
        goTo(s, c.target);
    } else if (c.exit != Exit::Normal) {
        s.leave = true;
        s.out = std::move(c);
    }
}

void Interpreter::jumpBy(const Frame& f, Step& s, const char* what) {
    int64_t target = int64_t(s.pc) + int16_t(readU16(s.record.payload, 0));
    if (target < 0 || size_t(target) > f.code.size())
        malformed(what);
    goTo(s, size_t(target));
}

void Interpreter::opJump(Frame& f, Step& s) { jumpBy(f, s, "a Jump leaves its action block"); }

void Interpreter::opIf(Frame& f, Step& s) {
    if (toBoolean(m_rt, pop(f)))
        jumpBy(f, s, "an If leaves its action block");
}

void Interpreter::opReturn(Frame& f, Step& s) {
    s.leave = true;
    s.out = {Exit::Return, 0, pop(f)};
}

void Interpreter::opThrow(Frame& f, Step& /*s*/) { throw ScriptThrow{pop(f)}; }

// Both nested blocks may end with a jump out of them.
void Interpreter::opTry(Frame& f, Step& s) { finishNested(s, doTry(f, s.record, s.pc)); }

void Interpreter::opWith(Frame& f, Step& s) { finishNested(s, doWith(f, s.record, s.pc)); }

// Every frame we have is loaded: only frames past the end skip.
void Interpreter::opWaitForFrame(Frame& f, Step& s) {
    model::MovieClip* clip = f.target ? f.target->clip() : nullptr;
    if (clip && readU16(s.record.payload, 0) >= clip->totalFrames())
        s.pc = skipActions(f, s.pc, s.record.payload[2]);
}

void Interpreter::opWaitForFrame2(Frame& f, Step& s) {
    double frame = popNumber(f);
    model::MovieClip* clip = f.target ? f.target->clip() : nullptr;
    if (clip && !(frame >= 0 && frame <= clip->totalFrames()))
        s.pc = skipActions(f, s.pc, s.record.payload[0]);
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
    static const Value UndefinedValue;
    return m_rt.stack.size() <= f.stackBase ? UndefinedValue : m_rt.stack.back();
}

double Interpreter::popNumber(Frame& f) { return toNumber(m_rt, pop(f)); }

String Interpreter::popString(Frame& f) { return toString(m_rt, pop(f)); }

size_t Interpreter::popCount(Frame& f, size_t width) {
    double n = popNumber(f);
    size_t available = (m_rt.stack.size() - std::min(m_rt.stack.size(), f.stackBase)) / width;
    return (n > 0 && n < 1e9) ? std::min(size_t(n), available) : 0;
}

std::vector<Value> Interpreter::popArgs(Frame& f) {
    size_t count = popCount(f, 1);
    std::vector<Value> args;
    args.reserve(count);
    for (size_t i = 0; i < count; ++i)
        args.push_back(pop(f));
    return args;
}

Value Interpreter::boolResult(bool b) const { return m_rt.version <= 4 ? Value(b ? 1.0 : 0.0) : Value::fromBool(b); }

void Interpreter::opPop(Frame& f, Step& /*s*/) { (void)pop(f); }

void Interpreter::opPushDuplicate(Frame& f, Step& /*s*/) {
    Value top = peek(f);
    push(std::move(top));
}

void Interpreter::opStackSwap(Frame& f, Step& /*s*/) {
    Value a = pop(f);
    Value b = pop(f);
    push(std::move(a));
    push(std::move(b));
}

void Interpreter::opStoreRegister(Frame& f, Step& s) {
    const uint8_t reg = s.record.payload[0];
    if (reg < f.registers.size())
        f.registers[reg] = peek(f);
}

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

namespace {

double floatValue(std::span<const uint8_t> b) {
    uint32_t bits = readU32(b, 0);
    float v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return double(v);
}

// The two 32-bit halves are stored high half first.
double doubleValue(std::span<const uint8_t> b) {
    uint64_t bits = (uint64_t(readU32(b, 0)) << 32) | readU32(b, 4);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

}  // namespace

void Interpreter::opPush(Frame& f, Step& s) {
    std::span<const uint8_t> p = s.record.payload;
    size_t at = 0;
    auto take = [&](size_t n) {
        if (p.size() - at < n)
            malformed("a Push value is cut off");
        std::span<const uint8_t> bytes = p.subspan(at, n);
        at += n;
        return bytes;
    };
    while (at < p.size()) {
        switch (PushType(p[at++])) {
        case PushType::String:
            push(Value(readString(p, at)));
            break;
        case PushType::Float:
            push(Value(floatValue(take(4))));
            break;
        case PushType::Null:
            push(Value::null());
            break;
        case PushType::Undefined:
            push(Value());
            break;
        case PushType::Register: {
            uint8_t reg = take(1)[0];
            push(reg < f.registers.size() ? f.registers[reg] : Value());
            break;
        }
        case PushType::Boolean:
            push(Value::fromBool(take(1)[0] != 0));
            break;
        case PushType::Double:
            push(Value(doubleValue(take(8))));
            break;
        case PushType::Integer:
            push(Value(double(int32_t(readU32(take(4), 0)))));
            break;
        case PushType::Constant8:
            pushConstant(f, take(1)[0]);
            break;
        case PushType::Constant16:
            pushConstant(f, readU16(take(2), 0));
            break;
        default:
            malformed("a Push value has an unknown type");
        }
    }
}

void Interpreter::pushConstant(const Frame& f, size_t index) {
    if (!f.constants || index >= f.constants->size())
        malformed("a Push names a constant the pool does not have");
    push(Value((*f.constants)[index]));
}

void Interpreter::opConstantPool(Frame& f, Step& s) {
    std::span<const uint8_t> p = s.record.payload;
    size_t count = readU16(p, 0);
    size_t at = 2;
    auto pool = std::make_shared<ConstantPool>();
    pool->reserve(count);
    for (size_t i = 0; i < count; ++i)
        pool->push_back(readString(p, at));
    f.constants = std::move(pool);
}

}  // namespace script
