// Number and Boolean.
#include "script/builtins.h"

#include "script/conversions.h"
#include "script/number_format.h"
#include "script/runtime.h"

#include <cmath>
#include <limits>

namespace script {

namespace {

Value primitiveOf(const Value& self, ObjectClass cls) {
    if (Object* o = self.asObject(); o && o->objectClass() == cls)
        return static_cast<PrimitiveObject*>(o)->primitive();
    return self;
}

Value numberCall(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value(args.empty() ? 0.0 : toNumber(rt, args[0]));
}

Value numberConstruct(Runtime& rt, const Value&, std::span<const Value> args) {
    Value n(args.empty() ? 0.0 : toNumber(rt, args[0]));
    return Value(rt.heap.make<PrimitiveObject>(rt.protos.number, ObjectClass::NumberWrapper, n));
}

Value numberToString(Runtime& rt, const Value& self, std::span<const Value> args) {
    Value v = primitiveOf(self, ObjectClass::NumberWrapper);
    double n = toNumber(rt, v);
    int radix = arg(args, 0).isUndefined() ? 10 : toInt32(rt, args[0]);
    return Value(rt.makeString(numberToRadixString(n, radix)));
}

Value numberValueOf(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value(toNumber(rt, primitiveOf(self, ObjectClass::NumberWrapper)));
}

Value booleanCall(Runtime& rt, const Value&, std::span<const Value> args) {
    return Value::fromBool(!args.empty() && toBoolean(rt, args[0]));
}

Value booleanConstruct(Runtime& rt, const Value&, std::span<const Value> args) {
    Value b = Value::fromBool(!args.empty() && toBoolean(rt, args[0]));
    return Value(rt.heap.make<PrimitiveObject>(rt.protos.boolean, ObjectClass::BooleanWrapper, b));
}

Value booleanToString(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value(String(toBoolean(rt, primitiveOf(self, ObjectClass::BooleanWrapper)) ? u"true" : u"false"));
}

Value booleanValueOf(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value::fromBool(toBoolean(rt, primitiveOf(self, ObjectClass::BooleanWrapper)));
}

}  // namespace

void installNumberAndBoolean(Runtime& rt) {
    Object* np = rt.heap.make<PrimitiveObject>(rt.protos.object, ObjectClass::NumberWrapper, Value(0.0));
    rt.protos.number = np;
    rt.defineMethod(np, u"toString", numberToString);
    rt.defineMethod(np, u"valueOf", numberValueOf);
    NativeFunction* number = rt.newNative(numberCall, numberConstruct);
    rt.defineValue(number, u"prototype", Value(np), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(np, u"constructor", Value(number));
    const uint8_t constant = PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    rt.defineValue(number, u"MAX_VALUE", Value(std::numeric_limits<double>::max()), constant);
    rt.defineValue(number, u"MIN_VALUE", Value(std::numeric_limits<double>::denorm_min()), constant);
    rt.defineValue(number, u"NaN", Value(std::numeric_limits<double>::quiet_NaN()), constant);
    rt.defineValue(number, u"NEGATIVE_INFINITY", Value(-std::numeric_limits<double>::infinity()), constant);
    rt.defineValue(number, u"POSITIVE_INFINITY", Value(std::numeric_limits<double>::infinity()), constant);
    rt.defineValue(rt.global, u"Number", Value(number));

    Object* bp = rt.heap.make<PrimitiveObject>(rt.protos.object, ObjectClass::BooleanWrapper, Value::fromBool(false));
    rt.protos.boolean = bp;
    rt.defineMethod(bp, u"toString", booleanToString);
    rt.defineMethod(bp, u"valueOf", booleanValueOf);
    NativeFunction* boolean = rt.newNative(booleanCall, booleanConstruct);
    rt.defineValue(boolean, u"prototype", Value(bp), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(bp, u"constructor", Value(boolean));
    rt.defineValue(rt.global, u"Boolean", Value(boolean));
}

}  // namespace script
