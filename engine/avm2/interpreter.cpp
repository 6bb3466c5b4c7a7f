// The interpreter loop: one case per instruction over a prepared body.
// Anything longer than a few lines is a helper below the loop's file-local
// namespace, so the loop stays readable and the hot cases stay small.
#include "avm2/conversions.h"
#include "avm2/machine.h"

#include <cmath>
#include <limits>

namespace avm2 {

// Helpers that need the machine's private parts.
class Interpreter {
public:
    explicit Interpreter(Machine& m) : m_m(m) {}

    Value add(Value a, Value b) {
        if (a.isInt() && b.isInt())
            return Value::number(double(a.asInt()) + double(b.asInt()));
        if (a.isNumeric() && b.isNumeric())
            return Value::number(a.numeric() + b.numeric());
        Machine::Pin pinA(m_m, a), pinB(m_m, b);
        Value pa = m_m.toPrimitive(a, false);
        Machine::Pin pinPa(m_m, pa);
        Value pb = m_m.toPrimitive(b, false);
        if (pa.isString() || pb.isString()) {
            Machine::Pin pinPb(m_m, pb);
            std::u16string text = m_m.toString(pa)->text();
            text += m_m.toString(pb)->text();
            return m_m.string(std::move(text));
        }
        return Value::number(primitiveToNumber(pa) + primitiveToNumber(pb));
    }

    double number(Value v) { return v.isNumeric() ? v.numeric() : m_m.toNumber(v); }
    int32_t int32(Value v) { return v.isInt() ? v.asInt() : toInt32(number(v)); }
    uint32_t uint32(Value v) { return v.tag() == Tag::UInt ? v.asUInt() : toUInt32(number(v)); }

    // The abstract relational comparison: 1 true, 0 false, -1 undefined (NaN).
    int less(Value a, Value b) {
        if (a.isInt() && b.isInt())
            return a.asInt() < b.asInt();
        Machine::Pin pinA(m_m, a), pinB(m_m, b);
        Value pa = m_m.toPrimitive(a, false);
        Machine::Pin pinPa(m_m, pa);
        Value pb = m_m.toPrimitive(b, false);
        if (pa.isString() && pb.isString())
            return pa.asString()->text() < pb.asString()->text();
        const double x = primitiveToNumber(pa), y = primitiveToNumber(pb);
        if (std::isnan(x) || std::isnan(y))
            return -1;
        return x < y;
    }

    static bool strictEquals(Value a, Value b) {
        if (a.isNumeric() && b.isNumeric())
            return a.numeric() == b.numeric();
        if (a.tag() != b.tag())
            return false;
        switch (a.tag()) {
        case Tag::Undefined:
        case Tag::Null:
            return true;
        case Tag::Boolean:
            return a.asBoolean() == b.asBoolean();
        case Tag::String:
            return a.asString() == b.asString() || a.asString()->text() == b.asString()->text();
        default:
            return a.asCell() == b.asCell();
        }
    }

    bool equals(Value a, Value b) {
        if (a.isNumeric() && b.isNumeric())
            return a.numeric() == b.numeric();
        if (a.tag() == b.tag())
            return strictEquals(a, b);
        if (a.isNullish() && b.isNullish())
            return true;
        if (a.isNullish() || b.isNullish())
            return false;
        if (a.isObject() || b.isObject()) {
            Machine::Pin pinA(m_m, a), pinB(m_m, b);
            Value pa = a.isObject() ? m_m.toPrimitive(a, false) : a;
            Machine::Pin pinPa(m_m, pa);
            Value pb = b.isObject() ? m_m.toPrimitive(b, false) : b;
            return equals(pa, pb);
        }
        return primitiveToNumber(a) == primitiveToNumber(b);
    }

    Value typeOf(Value v) {
        switch (v.tag()) {
        case Tag::Undefined:
            return m_m.string(u"undefined");
        case Tag::Boolean:
            return m_m.string(u"boolean");
        case Tag::Int:
        case Tag::UInt:
        case Tag::Number:
            return m_m.string(u"number");
        case Tag::String:
            return m_m.string(u"string");
        case Tag::Object:
            if (dynamic_cast<FunctionObject*>(v.asObject()) || dynamic_cast<NativeFunction*>(v.asObject()))
                return m_m.string(u"function");
            return m_m.string(u"object");
        default:
            return m_m.string(u"object");
        }
    }

    // A property name as the instruction gives it, runtime parts popped.
    // Namespaces do not matter yet: every property of this stage is a
    // public dynamic one.
    std::u16string name(const LoadedAbc& file, uint32_t index, Value*& sp) {
        const MultinameInfo& mn = file.abc.multinames[index];
        switch (mn.kind) {
        case MultinameKind::RTQNameL:
        case MultinameKind::RTQNameLA: {
            Value n = *--sp;
            --sp;  // the namespace
            return m_m.toString(n)->text();
        }
        case MultinameKind::MultinameL:
        case MultinameKind::MultinameLA:
            return m_m.toString(*--sp)->text();
        case MultinameKind::RTQName:
        case MultinameKind::RTQNameA:
            --sp;
            return file.strings[mn.name]->text();
        case MultinameKind::TypeName:
            return file.strings[file.abc.multinames[mn.typeBase].name]->text();
        default:
            return file.strings[mn.name]->text();
        }
    }

    [[noreturn]] void nullReceiver(Value v) {
        if (v.isNull())
            m_m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
        m_m.throwError("TypeError", 1010, u"A term is undefined and has no properties.");
    }

    Value getProperty(Value target, const std::u16string& name) {
        if (target.isNullish())
            nullReceiver(target);
        if (target.isObject()) {
            const Value* v = target.asObject()->find(name);
            return v ? *v : Value();
        }
        if (target.isString() && name == u"length")
            return Value::fromInt(int32_t(target.asString()->text().size()));
        return Value();
    }

    void setProperty(Value target, const std::u16string& name, Value v) {
        if (target.isNullish())
            nullReceiver(target);
        if (!target.isObject() || !target.asObject()->isDynamic())
            m_m.throwError("ReferenceError", 1056, u"Cannot create property " + name + u".");
        target.asObject()->setOwn(name, v);
    }

    bool hasProperty(Value target, const std::u16string& name) {
        return target.isObject() && target.asObject()->find(name) != nullptr;
    }

    // The innermost scope object that has the name; the global object when
    // none has it and `strict` is false.
    Value findProperty(const Machine::Frame& frame, Value* scopeTop, const std::u16string& name, bool strict) {
        for (Value* s = scopeTop; s > frame.scope;) {
            --s;
            if (hasProperty(*s, name))
                return *s;
        }
        if (frame.outerScope) {
            for (auto it = frame.outerScope->rbegin(); it != frame.outerScope->rend(); ++it) {
                if (hasProperty(*it, name))
                    return *it;
            }
        }
        if (!strict || hasProperty(Value::object(m_m.m_global), name))
            return Value::object(m_m.m_global);
        m_m.throwError("ReferenceError", 1065, u"Variable " + name + u" is not defined.");
    }

    Value newObject(Value* pairs, uint32_t count) {
        Object* o = m_m.newObject();
        Machine::Pin keep(m_m, Value::object(o));
        for (uint32_t i = 0; i < count; ++i)
            o->setOwn(m_m.toString(pairs[2 * i])->text(), pairs[2 * i + 1]);
        return Value::object(o);
    }

    // The arguments past the declared parameters, as an object with
    // numbered members and a length (the Array class comes later).
    Value restObject(const Value* args, uint32_t from, uint32_t argc) {
        Object* o = m_m.newObject();
        Machine::Pin keep(m_m, Value::object(o));
        uint32_t n = 0;
        for (uint32_t i = from; i < argc; ++i, ++n)
            o->setOwn(numberToString(n), args[i]);
        o->setOwn(u"length", Value::fromInt(int32_t(n)));
        return Value::object(o);
    }

    Value constant(const LoadedAbc& file, const Constant& c) {
        const AbcFile& abc = file.abc;
        switch (c.kind) {
        case ConstantKind::Int:
            return Value::fromInt(abc.ints[c.index]);
        case ConstantKind::UInt:
            return Value::number(abc.uints[c.index]);
        case ConstantKind::Double:
            return Value::number(abc.doubles[c.index]);
        case ConstantKind::Utf8:
            return Value::string(file.strings[c.index]);
        case ConstantKind::True:
            return Value::boolean(true);
        case ConstantKind::False:
            return Value::boolean(false);
        case ConstantKind::Null:
            return Value::null();
        default:
            return Value();
        }
    }

    Value newFunction(const LoadedAbc& file, uint32_t method, const Machine::Frame& frame, Value* scopeTop) {
        std::vector<Value> scope;
        if (frame.outerScope)
            scope = *frame.outerScope;
        scope.insert(scope.end(), frame.scope, scopeTop);
        return Value::object(m_m.m_heap.make<FunctionObject>(m_m.m_functionProto, file, method, std::move(scope)));
    }

    Value newActivation(const LoadedAbc& file, uint32_t method) {
        const MethodBody& body = file.abc.bodies[file.abc.methods[method].body];
        uint32_t slots = 0;
        for (const Trait& t : body.traits)
            slots = std::max<uint32_t>(slots, t.id == 0 ? uint32_t(body.traits.size()) : t.id);
        Object* o = m_m.m_heap.make<Object>(nullptr, slots, false);
        for (const Trait& t : body.traits) {
            if ((t.kind == TraitKind::Slot || t.kind == TraitKind::Const) && t.id != 0)
                o->setSlot(t.id, constant(file, t.value));
        }
        return Value::object(o);
    }

    Object* slotHolder(Value v, uint32_t id) {
        if (v.isNullish())
            nullReceiver(v);
        if (!v.isObject() || !v.asObject()->hasSlot(id))
            m_m.stop("slot " + std::to_string(id) + " does not exist on the object");
        return v.asObject();
    }

    bool handlerMatches(const LoadedAbc& file, const Handler& h) {
        if (h.type == 0)
            return true;
        // Classes come later: a typed handler takes errors whose name is
        // its class name, and Error or Object take every error object.
        const std::u16string& type = file.strings[file.abc.multinames[h.type].name]->text();
        if (type == u"Error" || type == u"Object")
            return m_m.m_thrown.isObject();
        if (!m_m.m_thrown.isObject())
            return false;
        const Value* name = m_m.m_thrown.asObject()->find(u"name");
        return name && name->isString() && name->asString()->text() == type;
    }

    [[noreturn]] void unsupported(Op op) {
        m_m.stop(std::string("instruction ") + opInfo(uint8_t(op)).mnemonic + " is not supported yet");
    }

private:
    Machine& m_m;
};

Value Machine::execute(const LoadedAbc& file, uint32_t method, Value thisValue, const Value* args, uint32_t argc,
                       const std::vector<Value>* outerScope) {
    const MethodInfo& info = file.abc.methods[method];
    if (info.body == UINT32_MAX)
        throwError("Error", 1001, u"The method " + numberToString(method) + u" is not implemented.");
    const PreparedBody& body = file.bodies[info.body];
    Interpreter in(*this);

    const size_t need = size_t(body.localCount) + body.maxStack + body.scopeSize;
    if (m_depth + 1 > m_limits.maxCallDepth || size_t(m_valuesEnd - m_valuesTop) < need)
        throwError("Error", 1023, u"Stack overflow occurred.");
    const uint32_t params = uint32_t(info.paramTypes.size());
    const uint32_t required = params - uint32_t(info.optional.size());
    const bool takesMore = info.flags & (MethodInfo::NeedRest | MethodInfo::NeedArguments | MethodInfo::IgnoreRest);
    if (argc < required || (argc > params && !takesMore))
        throwError("ArgumentError", 1063,
                   u"Argument count mismatch on method " + numberToString(method) + u". Expected " +
                       numberToString(params) + u", got " + numberToString(argc) + u".");
    charge(1);

    Frame frame;
    frame.caller = m_frame;
    frame.registers = m_valuesTop;
    frame.stack = frame.registers + body.localCount;
    frame.scope = frame.stack + body.maxStack;
    frame.end = frame.scope + body.scopeSize;
    frame.stackTop = frame.stack;
    frame.scopeTop = frame.scope;
    frame.outerScope = outerScope;
    Value* const regs = frame.registers;
    regs[0] = thisValue;
    for (uint32_t i = 0; i < params; ++i)
        regs[1 + i] = i < argc ? args[i] : in.constant(file, info.optional[i - required]);
    for (uint32_t i = params + 1; i < body.localCount; ++i)
        regs[i] = Value();
    // Published before anything below can allocate.
    m_valuesTop = frame.end;
    m_frame = &frame;
    ++m_depth;
    struct Leave {
        Machine& m;
        Frame& f;
        ~Leave() {
            m.m_frame = f.caller;
            m.m_valuesTop = f.registers;
            --m.m_depth;
        }
    } leave{*this, frame};
    if (info.flags & (MethodInfo::NeedRest | MethodInfo::NeedArguments))
        regs[params + 1] = in.restObject(args, (info.flags & MethodInfo::NeedRest) ? params : 0, argc);

    const Ins* const code = body.code.data();
    const AbcFile& abc = file.abc;
    Value* sp = frame.stack;
    Value* scopeTop = frame.scope;
    uint32_t pc = 0;

    // Publishes the stacks where the collector reads them.
    auto publish = [&] {
        frame.stackTop = sp;
        frame.scopeTop = scopeTop;
    };
    auto jump = [&](uint32_t target) {
        if (target <= pc) {
            const uint64_t span = pc - target + 1;
            if (span > m_budget) {
                publish();
                charge(span);
            }
            m_budget -= span;
            if (m_heap.wantsCollection()) {
                publish();
                m_heap.collect();
            }
        }
        pc = target;
    };

    for (;;) {
        try {
            for (;;) {
                const Ins& i = code[pc];
                switch (i.op) {
                case Op::Nop:
                case Op::Label:
                case Op::Bkpt:
                case Op::Debug:
                case Op::DebugLine:
                case Op::DebugFile:
                case Op::BkptLine:
                case Op::Timestamp:
                    ++pc;
                    break;
                case Op::Throw:
                    publish();
                    throwValue(*--sp);
                case Op::Kill:
                    regs[i.a] = Value();
                    ++pc;
                    break;
                case Op::Jump:
                    jump(i.a);
                    break;
#define AVM2_IF(opName, test)   \
    case Op::opName: {          \
        sp -= 2;                \
        const Value& a = sp[0]; \
        const Value& b = sp[1]; \
        publish();              \
        if (test)               \
            jump(i.a);          \
        else                    \
            ++pc;               \
        break;                  \
    }
                    AVM2_IF(IfLt, (a.isInt() && b.isInt()) ? a.asInt() < b.asInt() : in.less(a, b) == 1)
                    AVM2_IF(IfLe, (a.isInt() && b.isInt()) ? a.asInt() <= b.asInt() : in.less(b, a) == 0)
                    AVM2_IF(IfGt, (a.isInt() && b.isInt()) ? a.asInt() > b.asInt() : in.less(b, a) == 1)
                    AVM2_IF(IfGe, (a.isInt() && b.isInt()) ? a.asInt() >= b.asInt() : in.less(a, b) == 0)
                    AVM2_IF(IfNlt, !((a.isInt() && b.isInt()) ? a.asInt() < b.asInt() : in.less(a, b) == 1))
                    AVM2_IF(IfNle, !((a.isInt() && b.isInt()) ? a.asInt() <= b.asInt() : in.less(b, a) == 0))
                    AVM2_IF(IfNgt, !((a.isInt() && b.isInt()) ? a.asInt() > b.asInt() : in.less(b, a) == 1))
                    AVM2_IF(IfNge, !((a.isInt() && b.isInt()) ? a.asInt() >= b.asInt() : in.less(a, b) == 0))
                    AVM2_IF(IfEq, in.equals(a, b))
                    AVM2_IF(IfNe, !in.equals(a, b))
                    AVM2_IF(IfStrictEq, Interpreter::strictEquals(a, b))
                    AVM2_IF(IfStrictNe, !Interpreter::strictEquals(a, b))
#undef AVM2_IF
                case Op::IfTrue:
                    if (toBoolean(*--sp))
                        jump(i.a);
                    else
                        ++pc;
                    break;
                case Op::IfFalse:
                    if (!toBoolean(*--sp))
                        jump(i.a);
                    else
                        ++pc;
                    break;
                case Op::LookupSwitch: {
                    const Value& v = *--sp;
                    const double d = v.isInt() ? v.asInt() : v.isNumeric() ? v.numeric() : -1.0;
                    const uint32_t cases = i.b;
                    const uint32_t k = (d >= 0 && d < cases && d == std::floor(d)) ? uint32_t(d) : cases;
                    jump(body.switchTable[i.a + k]);
                    break;
                }
                case Op::PushWith:
                case Op::PushScope: {
                    const Value& v = *--sp;
                    if (v.isNullish()) {
                        publish();
                        in.nullReceiver(v);
                    }
                    *scopeTop++ = v;
                    ++pc;
                    break;
                }
                case Op::PopScope:
                    --scopeTop;
                    ++pc;
                    break;
                case Op::PushNull:
                    *sp++ = Value::null();
                    ++pc;
                    break;
                case Op::PushUndefined:
                    *sp++ = Value();
                    ++pc;
                    break;
                case Op::PushByte:
                    *sp++ = Value::fromInt(int8_t(i.a));
                    ++pc;
                    break;
                case Op::PushShort:
                    *sp++ = Value::fromInt(int16_t(i.a));
                    ++pc;
                    break;
                case Op::PushTrue:
                    *sp++ = Value::boolean(true);
                    ++pc;
                    break;
                case Op::PushFalse:
                    *sp++ = Value::boolean(false);
                    ++pc;
                    break;
                case Op::PushNaN:
                    *sp++ = Value::number(std::numeric_limits<double>::quiet_NaN());
                    ++pc;
                    break;
                case Op::Pop:
                    --sp;
                    ++pc;
                    break;
                case Op::Dup:
                    sp[0] = sp[-1];
                    ++sp;
                    ++pc;
                    break;
                case Op::Swap:
                    std::swap(sp[-1], sp[-2]);
                    ++pc;
                    break;
                case Op::PushString:
                    *sp++ = Value::string(file.strings[i.a]);
                    ++pc;
                    break;
                case Op::PushInt:
                    *sp++ = Value::fromInt(abc.ints[i.a]);
                    ++pc;
                    break;
                case Op::PushUInt:
                    *sp++ = Value::number(abc.uints[i.a]);
                    ++pc;
                    break;
                case Op::PushDouble:
                    *sp++ = Value::number(abc.doubles[i.a]);
                    ++pc;
                    break;
                case Op::NewFunction:
                    publish();
                    *sp++ = in.newFunction(file, i.a, frame, scopeTop);
                    ++pc;
                    break;
                case Op::Call: {
                    sp -= i.a + 2;
                    publish();
                    sp[0] = call(sp[0], sp[1], std::span<const Value>(sp + 2, i.a));
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::CallStatic: {
                    sp -= i.b + 1;
                    publish();
                    if (sp[0].isNullish())
                        in.nullReceiver(sp[0]);
                    sp[0] = execute(file, i.a, sp[0], sp + 1, i.b, nullptr);
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::CallProperty:
                case Op::CallPropLex:
                case Op::CallPropVoid: {
                    sp -= i.b;
                    Value* const argv = sp;
                    publish();
                    const std::u16string n = in.name(file, i.a, sp);
                    Value receiver = *--sp;
                    // The arguments sit above the receiver; move them down
                    // over the popped name parts so they stay traced.
                    Value f = in.getProperty(receiver, n);
                    if (!f.isObject())
                        throwError("TypeError", 1006, n + u" is not a function.");
                    Value* const base = sp;
                    if (argv != base + 1)
                        std::copy(argv, argv + i.b, base + 1);
                    frame.stackTop = base + 1 + i.b;
                    Value result = call(f, i.op == Op::CallPropLex ? Value::null() : receiver,
                                        std::span<const Value>(base + 1, i.b));
                    if (i.op != Op::CallPropVoid)
                        *sp++ = result;
                    ++pc;
                    break;
                }
                case Op::ReturnVoid:
                    return Value();
                case Op::ReturnValue:
                    return sp[-1];
                case Op::Sxi1:
                    sp[-1] = Value::fromInt(-(in.int32(sp[-1]) & 1));
                    ++pc;
                    break;
                case Op::Sxi8:
                    sp[-1] = Value::fromInt(int8_t(in.int32(sp[-1])));
                    ++pc;
                    break;
                case Op::Sxi16:
                    sp[-1] = Value::fromInt(int16_t(in.int32(sp[-1])));
                    ++pc;
                    break;
                case Op::NewObject: {
                    sp -= 2 * i.a;
                    publish();
                    frame.stackTop = sp + 2 * i.a;
                    *sp = in.newObject(sp, i.a);
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::NewActivation:
                    publish();
                    *sp++ = in.newActivation(file, method);
                    ++pc;
                    break;
                case Op::FindPropStrict:
                case Op::FindProperty: {
                    publish();
                    const std::u16string n = in.name(file, i.a, sp);
                    *sp = in.findProperty(frame, scopeTop, n, i.op == Op::FindPropStrict);
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::GetLex: {
                    publish();
                    const std::u16string n = in.name(file, i.a, sp);
                    *sp = in.getProperty(in.findProperty(frame, scopeTop, n, true), n);
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::GetProperty: {
                    publish();
                    const std::u16string n = in.name(file, i.a, sp);
                    sp[-1] = in.getProperty(sp[-1], n);
                    ++pc;
                    break;
                }
                case Op::SetProperty:
                case Op::InitProperty: {
                    publish();
                    Value v = *--sp;
                    Value* const top = sp;
                    const std::u16string n = in.name(file, i.a, sp);
                    *top = v;  // keeps the value traced while the name is read
                    in.setProperty(*--sp, n, v);
                    ++pc;
                    break;
                }
                case Op::DeleteProperty: {
                    publish();
                    const std::u16string n = in.name(file, i.a, sp);
                    const Value& target = sp[-1];
                    if (target.isNullish())
                        in.nullReceiver(target);
                    const bool deleted = target.isObject() && target.asObject()->deleteOwn(n);
                    sp[-1] = Value::boolean(deleted || !target.isObject() || !target.asObject()->findOwn(n));
                    ++pc;
                    break;
                }
                case Op::GetLocal:
                    *sp++ = regs[i.a];
                    ++pc;
                    break;
                case Op::SetLocal:
                    regs[i.a] = *--sp;
                    ++pc;
                    break;
                case Op::GetLocal0:
                case Op::GetLocal1:
                case Op::GetLocal2:
                case Op::GetLocal3:
                    *sp++ = regs[uint8_t(i.op) - uint8_t(Op::GetLocal0)];
                    ++pc;
                    break;
                case Op::SetLocal0:
                case Op::SetLocal1:
                case Op::SetLocal2:
                case Op::SetLocal3:
                    regs[uint8_t(i.op) - uint8_t(Op::SetLocal0)] = *--sp;
                    ++pc;
                    break;
                case Op::GetGlobalScope:
                    *sp++ = frame.outerScope && !frame.outerScope->empty() ? frame.outerScope->front()
                            : scopeTop > frame.scope                       ? frame.scope[0]
                                                                           : Value::object(m_global);
                    ++pc;
                    break;
                case Op::GetScopeObject:
                    *sp++ = frame.scope[i.a];
                    ++pc;
                    break;
                case Op::GetOuterScope:
                    if (!frame.outerScope || i.a >= frame.outerScope->size()) {
                        publish();
                        stop("getouterscope " + std::to_string(i.a) + " beyond the captured scope");
                    }
                    *sp++ = (*frame.outerScope)[i.a];
                    ++pc;
                    break;
                case Op::GetSlot: {
                    publish();
                    Object* o = in.slotHolder(sp[-1], i.a);
                    sp[-1] = o->slot(i.a);
                    ++pc;
                    break;
                }
                case Op::SetSlot: {
                    sp -= 2;
                    publish();
                    in.slotHolder(sp[0], i.a)->setSlot(i.a, sp[1]);
                    ++pc;
                    break;
                }
                case Op::ConvertS:
                case Op::CoerceS:
                    publish();
                    if (!sp[-1].isString() && !(i.op == Op::CoerceS && sp[-1].isNullish()))
                        sp[-1] = Value::string(toString(sp[-1]));
                    else if (i.op == Op::CoerceS && sp[-1].isUndefined())
                        sp[-1] = Value::null();
                    ++pc;
                    break;
                case Op::ConvertI:
                case Op::CoerceI:
                    if (!sp[-1].isInt()) {
                        publish();
                        sp[-1] = Value::fromInt(in.int32(sp[-1]));
                    }
                    ++pc;
                    break;
                case Op::ConvertU:
                case Op::CoerceU:
                    publish();
                    sp[-1] = Value::number(in.uint32(sp[-1]));
                    ++pc;
                    break;
                case Op::ConvertD:
                case Op::CoerceD:
                    if (!sp[-1].isNumeric()) {
                        publish();
                        sp[-1] = Value::number(toNumber(sp[-1]));
                    }
                    ++pc;
                    break;
                case Op::ConvertB:
                case Op::CoerceB:
                    sp[-1] = Value::boolean(toBoolean(sp[-1]));
                    ++pc;
                    break;
                case Op::ConvertO:
                    if (sp[-1].isNullish()) {
                        publish();
                        in.nullReceiver(sp[-1]);
                    }
                    ++pc;
                    break;
                case Op::CoerceA:
                    ++pc;
                    break;
                case Op::CoerceO:
                    if (sp[-1].isUndefined())
                        sp[-1] = Value::null();
                    ++pc;
                    break;
                case Op::CheckFilter:
                    // Only XML and XMLList take a filter, and neither exists yet.
                    publish();
                    throwError("TypeError", 1123,
                               u"Filter operator not supported on type " + in.typeOf(sp[-1]).asString()->text() + u".");
                case Op::Negate:
                    publish();
                    sp[-1] = Value::number(-in.number(sp[-1]));
                    ++pc;
                    break;
                case Op::Increment:
                    publish();
                    sp[-1] = Value::number(in.number(sp[-1]) + 1);
                    ++pc;
                    break;
                case Op::Decrement:
                    publish();
                    sp[-1] = Value::number(in.number(sp[-1]) - 1);
                    ++pc;
                    break;
                case Op::IncLocal:
                    publish();
                    regs[i.a] = Value::number(in.number(regs[i.a]) + 1);
                    ++pc;
                    break;
                case Op::DecLocal:
                    publish();
                    regs[i.a] = Value::number(in.number(regs[i.a]) - 1);
                    ++pc;
                    break;
                case Op::TypeOf:
                    publish();
                    sp[-1] = in.typeOf(sp[-1]);
                    ++pc;
                    break;
                case Op::Not:
                    sp[-1] = Value::boolean(!toBoolean(sp[-1]));
                    ++pc;
                    break;
                case Op::BitNot:
                    publish();
                    sp[-1] = Value::fromInt(~in.int32(sp[-1]));
                    ++pc;
                    break;
                case Op::Add:
                    publish();
                    --sp;
                    sp[-1] = in.add(sp[-1], sp[0]);
                    ++pc;
                    break;
#define AVM2_NUMERIC(opName, expr)          \
    case Op::opName: {                      \
        publish();                          \
        --sp;                               \
        const double x = in.number(sp[-1]); \
        const double y = in.number(sp[0]);  \
        sp[-1] = Value::number(expr);       \
        ++pc;                               \
        break;                              \
    }
                    AVM2_NUMERIC(Subtract, x - y)
                    AVM2_NUMERIC(Multiply, x * y)
                    AVM2_NUMERIC(Divide, x / y)
                    AVM2_NUMERIC(Modulo, std::fmod(x, y))
#undef AVM2_NUMERIC
#define AVM2_INTEGER(opName, expr)           \
    case Op::opName: {                       \
        publish();                           \
        --sp;                                \
        const int32_t x = in.int32(sp[-1]);  \
        const uint32_t y = in.uint32(sp[0]); \
        sp[-1] = expr;                       \
        ++pc;                                \
        break;                               \
    }
                    AVM2_INTEGER(LShift, Value::fromInt(int32_t(uint32_t(x) << (y & 31))))
                    AVM2_INTEGER(RShift, Value::fromInt(x >> (y & 31)))
                    AVM2_INTEGER(URShift, Value::number(uint32_t(x) >> (y & 31)))
                    AVM2_INTEGER(BitAnd, Value::fromInt(int32_t(uint32_t(x) & y)))
                    AVM2_INTEGER(BitOr, Value::fromInt(int32_t(uint32_t(x) | y)))
                    AVM2_INTEGER(BitXor, Value::fromInt(int32_t(uint32_t(x) ^ y)))
#undef AVM2_INTEGER
                case Op::Equals:
                    publish();
                    --sp;
                    sp[-1] = Value::boolean(in.equals(sp[-1], sp[0]));
                    ++pc;
                    break;
                case Op::StrictEquals:
                    --sp;
                    sp[-1] = Value::boolean(Interpreter::strictEquals(sp[-1], sp[0]));
                    ++pc;
                    break;
                case Op::LessThan:
                    publish();
                    --sp;
                    sp[-1] = Value::boolean(in.less(sp[-1], sp[0]) == 1);
                    ++pc;
                    break;
                case Op::LessEquals:
                    publish();
                    --sp;
                    sp[-1] = Value::boolean(in.less(sp[0], sp[-1]) == 0);
                    ++pc;
                    break;
                case Op::GreaterThan:
                    publish();
                    --sp;
                    sp[-1] = Value::boolean(in.less(sp[0], sp[-1]) == 1);
                    ++pc;
                    break;
                case Op::GreaterEquals:
                    publish();
                    --sp;
                    sp[-1] = Value::boolean(in.less(sp[-1], sp[0]) == 0);
                    ++pc;
                    break;
                case Op::In: {
                    publish();
                    --sp;
                    const std::u16string n = toString(sp[-1])->text();
                    sp[-1] = Value::boolean(in.hasProperty(sp[0], n));
                    ++pc;
                    break;
                }
                case Op::IncrementI:
                    sp[-1] = Value::fromInt(int32_t(uint32_t(in.int32(sp[-1])) + 1));
                    ++pc;
                    break;
                case Op::DecrementI:
                    sp[-1] = Value::fromInt(int32_t(uint32_t(in.int32(sp[-1])) - 1));
                    ++pc;
                    break;
                case Op::IncLocalI:
                    regs[i.a] = Value::fromInt(int32_t(uint32_t(in.int32(regs[i.a])) + 1));
                    ++pc;
                    break;
                case Op::DecLocalI:
                    regs[i.a] = Value::fromInt(int32_t(uint32_t(in.int32(regs[i.a])) - 1));
                    ++pc;
                    break;
                case Op::NegateI:
                    sp[-1] = Value::fromInt(int32_t(0u - uint32_t(in.int32(sp[-1]))));
                    ++pc;
                    break;
#define AVM2_INT_OP(opName, oper)                                                      \
    case Op::opName: {                                                                 \
        --sp;                                                                          \
        const Value& a = sp[-1];                                                       \
        const Value& b = sp[0];                                                        \
        const uint32_t x = uint32_t(a.isInt() ? a.asInt() : (publish(), in.int32(a))); \
        const uint32_t y = uint32_t(b.isInt() ? b.asInt() : (publish(), in.int32(b))); \
        sp[-1] = Value::fromInt(int32_t(x oper y));                                    \
        ++pc;                                                                          \
        break;                                                                         \
    }
                    AVM2_INT_OP(AddI, +)
                    AVM2_INT_OP(SubtractI, -)
                    AVM2_INT_OP(MultiplyI, *)
#undef AVM2_INT_OP
                default:
                    publish();
                    in.unsupported(i.op);
                }
            }
        } catch (const ScriptThrow&) {
            // A handler of this body that covers the instruction takes it;
            // otherwise the exception leaves this frame.
            const Handler* taken = nullptr;
            for (const Handler& h : body.handlers) {
                if (pc >= h.from && pc < h.to && in.handlerMatches(file, h)) {
                    taken = &h;
                    break;
                }
            }
            if (!taken)
                throw;
            sp = frame.stack;
            *sp++ = m_thrown;
            m_thrown = Value();
            scopeTop = frame.scope;
            pc = taken->target;
        }
    }
}

}  // namespace avm2
