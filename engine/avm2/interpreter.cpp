// The interpreter loop: one case per instruction over a prepared body.
#include "avm2/interpreter.h"

#include "avm2/e4x.h"
#include "avm2/proxy.h"
#include "avm2/vector.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace avm2 {

Value Machine::execute(const LoadedAbc& file, uint32_t method, Value thisValue, const Value* args, uint32_t argc,
                       const std::vector<Value>* outerScope, const ClassObject* owner) {
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
    frame.owner = owner;
    frame.file = &file;
    frame.method = method;
    Value* const regs = frame.registers;
    regs[0] = thisValue;
    for (uint32_t i = 0; i < params; ++i)
        regs[1 + i] = i < argc ? args[i] : constantValue(file, info.optional[i - required]);
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

    // Values natives pinned and left behind when an exception unwound them.
    const size_t pinned = m_pinned.size();
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
                    frame.stackTop = sp + i.a + 2;
                    sp[0] = call(sp[0], sp[1], std::span<const Value>(sp + 2, i.a));
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::CallMethod: {
                    sp -= i.b + 1;
                    publish();
                    frame.stackTop = sp + i.b + 1;
                    sp[0] = in.callMethod(sp[0], i.a, std::span<const Value>(sp + 1, i.b));
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::CallStatic: {
                    sp -= i.b + 1;
                    publish();
                    frame.stackTop = sp + i.b + 1;
                    if (sp[0].isNullish())
                        in.nullReceiver(sp[0]);
                    sp[0] = execute(file, i.a, sp[0], sp + 1, i.b, nullptr);
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::CallProperty:
                case Op::CallPropLex:
                case Op::CallPropVoid:
                case Op::CallSuper:
                case Op::CallSuperVoid:
                case Op::ConstructProp: {
                    // The arguments sit above the name's runtime parts and
                    // the receiver; they are copied down over those so that
                    // they stay below the published top while the call runs.
                    publish();
                    Value* const argv = sp - i.b;
                    sp = argv;
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    Value* const base = sp - 1;
                    const Value receiver = *base;
                    if (argv != base + 1)
                        std::copy(argv, argv + i.b, base + 1);
                    frame.stackTop = base + 1 + i.b;
                    const std::span<const Value> args(base + 1, i.b);
                    Value result;
                    if (i.op == Op::ConstructProp) {
                        const Value ctor = in.getProperty(receiver, n.mn);
                        *base = ctor;
                        result = construct(ctor, args);
                    } else if (i.op == Op::CallSuper || i.op == Op::CallSuperVoid) {
                        result = in.callSuper(frame, receiver, n.mn, args);
                    } else {
                        result = in.callProperty(receiver, n.mn, args, i.op == Op::CallPropLex);
                    }
                    sp = base;
                    if (i.op != Op::CallPropVoid && i.op != Op::CallSuperVoid)
                        *sp++ = result;
                    ++pc;
                    break;
                }
                case Op::Construct: {
                    sp -= i.a + 1;
                    publish();
                    frame.stackTop = sp + i.a + 1;
                    sp[0] = construct(sp[0], std::span<const Value>(sp + 1, i.a));
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::ApplyType: {
                    sp -= i.a + 1;
                    publish();
                    frame.stackTop = sp + i.a + 1;
                    if (i.a != 1)
                        throwError("TypeError", 1128,
                                   u"Incorrect number of type parameters for " + in.className(sp[0]) +
                                       u". Expected 1, got " + numberToString(i.a) + u".");
                    sp[0] = Value::object(applyVectorType(*this, sp[0], sp[1]));
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::ConstructSuper: {
                    sp -= i.a + 1;
                    publish();
                    frame.stackTop = sp + i.a + 1;
                    in.constructSuper(frame, sp[0], std::span<const Value>(sp + 1, i.a));
                    ++pc;
                    break;
                }
                case Op::NewClass:
                    publish();
                    sp[-1] = in.newClass(file, i.a, sp[-1], frame, scopeTop);
                    ++pc;
                    break;
                case Op::GetSuper: {
                    publish();
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    sp[-1] = in.getSuper(frame, sp[-1], n.mn);
                    ++pc;
                    break;
                }
                case Op::SetSuper: {
                    publish();
                    const Value v = *--sp;
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    frame.stackTop = sp + 1;
                    sp[0] = v;
                    in.setSuper(frame, sp[-1], n.mn, v);
                    --sp;
                    ++pc;
                    break;
                }
                case Op::Coerce:
                    publish();
                    sp[-1] = in.coerce(sp[-1], in.resolveType(file, i.a));
                    ++pc;
                    break;
                case Op::IsType:
                    publish();
                    sp[-1] = Value::boolean(in.isType(sp[-1], in.resolveType(file, i.a)));
                    ++pc;
                    break;
                case Op::AsType:
                    publish();
                    if (!in.isType(sp[-1], in.resolveType(file, i.a)))
                        sp[-1] = Value::null();
                    ++pc;
                    break;
                case Op::IsTypeLate:
                    publish();
                    --sp;
                    sp[-1] = Value::boolean(in.isType(sp[-1], in.typeOfValue(sp[0])));
                    ++pc;
                    break;
                case Op::AsTypeLate:
                    publish();
                    --sp;
                    if (!in.isType(sp[-1], in.typeOfValue(sp[0])))
                        sp[-1] = Value::null();
                    ++pc;
                    break;
                case Op::InstanceOf:
                    publish();
                    --sp;
                    sp[-1] = Value::boolean(in.instanceOf(sp[-1], sp[0]));
                    ++pc;
                    break;
                case Op::GetGlobalSlot: {
                    publish();
                    Object* g = in.globalObject(frame);
                    *sp++ = in.slotHolder(Value::object(g), i.a)->slot(i.a);
                    ++pc;
                    break;
                }
                case Op::SetGlobalSlot: {
                    publish();
                    Object* g = in.globalObject(frame);
                    in.slotHolder(Value::object(g), i.a)->setSlot(i.a, sp[-1]);
                    --sp;
                    ++pc;
                    break;
                }
                case Op::HasNext:
                    --sp;
                    sp[-1] = Value::fromInt(in.nextIndex(sp[-1], in.int32(sp[0])));
                    ++pc;
                    break;
                case Op::HasNext2: {
                    const int32_t next = in.nextIndex(regs[i.a], regs[i.b].isInt() ? regs[i.b].asInt() : 0);
                    if (next == 0)
                        regs[i.a] = Value::null();
                    regs[i.b] = Value::fromInt(next);
                    *sp++ = Value::boolean(next != 0);
                    ++pc;
                    break;
                }
                case Op::NextName:
                    publish();
                    --sp;
                    sp[-1] = in.nameAt(sp[-1], in.int32(sp[0]));
                    ++pc;
                    break;
                case Op::NextValue:
                    --sp;
                    sp[-1] = in.valueAt(sp[-1], in.int32(sp[0]));
                    ++pc;
                    break;
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
                case Op::NewArray: {
                    sp -= i.a;
                    publish();
                    frame.stackTop = sp + i.a;
                    *sp = Value::object(newArray(std::span<const Value>(sp, i.a)));
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
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    *sp = in.findProperty(frame, scopeTop, n.mn, i.op == Op::FindPropStrict);
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::FindDef: {
                    publish();
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    *sp = in.findProperty(frame, frame.scope, n.mn, true);
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::GetLex: {
                    publish();
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    *sp = in.findProperty(frame, scopeTop, n.mn, true);
                    frame.stackTop = sp + 1;
                    *sp = in.getProperty(*sp, n.mn);
                    if (file.abc.multinames[i.a].kind == MultinameKind::TypeName && sp->isObject())
                        if (auto* generic = dynamic_cast<ClassObject*>(sp->asObject()))
                            *sp = Value::object(in.applyTypeName(file, file.abc.multinames[i.a], generic));
                    ++sp;
                    ++pc;
                    break;
                }
                case Op::GetProperty: {
                    // Vector.<int/uint/Number>[int]: b marks a runtime name in the public namespace.
                    if (i.b && sp[-1].isInt()) {
                        if (VectorObject* v = asVector(sp[-2])) {
                            const auto at = uint32_t(sp[-1].asInt());
                            bool hit = true;
                            if (v->kind() == VectorKind::Int && at < v->ints().size())
                                sp[-2] = Value::fromInt(v->ints()[at]);
                            else if (v->kind() == VectorKind::Number && at < v->numbers().size())
                                sp[-2] = Value::number(v->numbers()[at]);
                            else if (v->kind() == VectorKind::UInt && at < v->uints().size())
                                sp[-2] = Value::fromUInt(v->uints()[at]);
                            else
                                hit = false;
                            if (hit) {
                                --sp;
                                ++pc;
                                break;
                            }
                        }
                    }
                    publish();
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    sp[-1] = in.getProperty(sp[-1], n.mn);
                    ++pc;
                    break;
                }
                case Op::SetProperty:
                case Op::InitProperty: {
                    if (i.b && sp[-2].isInt() && sp[-1].isNumeric()) {
                        if (VectorObject* v = asVector(sp[-3])) {
                            const auto at = uint32_t(sp[-2].asInt());
                            const Value x = sp[-1];
                            bool hit = true;
                            if (v->kind() == VectorKind::Int && x.isInt() && at < v->ints().size())
                                v->ints()[at] = x.asInt();
                            else if (v->kind() == VectorKind::Number && at < v->numbers().size())
                                v->numbers()[at] = x.numeric();
                            // An int converts to uint by its bits, as ToUint32 does.
                            else if (v->kind() == VectorKind::UInt && x.tag() != Tag::Number && at < v->uints().size())
                                v->uints()[at] = x.isInt() ? uint32_t(x.asInt()) : x.asUInt();
                            else
                                hit = false;
                            if (hit) {
                                sp -= 3;
                                ++pc;
                                break;
                            }
                        }
                    }
                    publish();
                    const Value v = *--sp;
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    // The value stays traced just above the receiver.
                    sp[0] = v;
                    frame.stackTop = sp + 1;
                    in.setProperty(sp[-1], n.mn, v, i.op == Op::InitProperty);
                    --sp;
                    ++pc;
                    break;
                }
                case Op::DeleteProperty: {
                    publish();
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    sp[-1] = Value::boolean(in.deleteProperty(sp[-1], n.mn));
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
                    // Only XML and XMLList take a filter.
                    if (isE4x(sp[-1])) {
                        ++pc;
                        break;
                    }
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
                    RuntimeName n;
                    if (sp[-1].isObject())
                        n.mn.objectKey = sp[-1].asObject();
                    n.scratch = toString(sp[-1])->text();
                    n.single = m_public;
                    n.mn.namespaces = std::span<Namespace* const>(&n.single, 1);
                    n.mn.text = n.scratch;
                    n.mn.name = findInterned(n.scratch);
                    n.mn.isIndex = arrayIndex(n.scratch, n.mn.index);
                    sp[-1] = Value::boolean(in.hasProperty(sp[0], n.mn));
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
                case Op::NewCatch:
                    publish();
                    *sp++ = in.newCatch(file, method, i.a);
                    ++pc;
                    break;
                case Op::PushNamespace:
                    *sp++ = Value::ns(file.namespaces[i.a]);
                    ++pc;
                    break;
                case Op::Dxns:
                    frame.defaultXmlNamespace = file.strings[i.a];
                    ++pc;
                    break;
                case Op::DxnsLate:
                    publish();
                    --sp;
                    frame.defaultXmlNamespace = intern(toString(sp[0])->text());
                    ++pc;
                    break;
                case Op::EscXElem:
                case Op::EscXAttr:
                    publish();
                    sp[-1] = in.escapeXml(sp[-1], i.op == Op::EscXAttr);
                    ++pc;
                    break;
                case Op::GetDescendants: {
                    // Only XML and XMLList (and a proxy's trap) have descendants.
                    publish();
                    RuntimeName n;
                    in.readName(file, i.a, sp, n);
                    if (sp[-1].isNullish())
                        in.nullReceiver(sp[-1]);
                    if (isE4x(sp[-1])) {
                        sp[-1] = xmlDescendants(*this, sp[-1], n.mn);
                        ++pc;
                        break;
                    }
                    if (sp[-1].isObject() && isProxy(sp[-1].asObject())) {
                        const Value name[1] = {in.proxyName(n.mn)};
                        sp[0] = name[0];
                        frame.stackTop = sp + 1;
                        sp[-1] = in.proxyTrap(sp[-1], u"getDescendants", name);
                        ++pc;
                        break;
                    }
                    throwError("TypeError", 1016,
                               u"Descendants operator (..) not supported on type " + in.className(sp[-1]) + u".");
                }
#define AVM2_LOAD(opName, type, make)                           \
    case Op::opName: {                                          \
        publish();                                              \
        type v;                                                 \
        std::memcpy(&v, in.memory(sp[-1], sizeof v), sizeof v); \
        sp[-1] = make;                                          \
        ++pc;                                                   \
        break;                                                  \
    }
                    AVM2_LOAD(Li8, uint8_t, Value::fromInt(v))
                    AVM2_LOAD(Li16, uint16_t, Value::fromInt(v))
                    AVM2_LOAD(Li32, int32_t, Value::fromInt(v))
                    AVM2_LOAD(Lf32, float, Value::number(double(v)))
                    AVM2_LOAD(Lf64, double, Value::number(v))
#undef AVM2_LOAD
#define AVM2_STORE(opName, type, convert)                      \
    case Op::opName: {                                         \
        publish();                                             \
        sp -= 2;                                               \
        const type v = convert;                                \
        std::memcpy(in.memory(sp[1], sizeof v), &v, sizeof v); \
        ++pc;                                                  \
        break;                                                 \
    }
                    AVM2_STORE(Si8, uint8_t, uint8_t(in.int32(sp[0])))
                    AVM2_STORE(Si16, uint16_t, uint16_t(in.int32(sp[0])))
                    AVM2_STORE(Si32, int32_t, in.int32(sp[0]))
                    AVM2_STORE(Sf32, float, float(in.number(sp[0])))
                    AVM2_STORE(Sf64, double, in.number(sp[0]))
#undef AVM2_STORE
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
            m_pinned.resize(pinned);
            sp = frame.stack;
            *sp++ = m_thrown;
            m_thrown = Value();
            scopeTop = frame.scope;
            pc = taken->target;
        }
    }
}

}  // namespace avm2
