// Calling and constructing from C++.
#include "script/calls.h"

#include "script/function_object.h"
#include "script/interpreter.h"
#include "script/member_access.h"
#include "script/native_class.h"
#include "script/runtime.h"

namespace script {

namespace {

Value callSuperConstructor(Runtime& rt, SuperObject& s, std::span<const Value> args) {
    Object* home = s.home();
    if (!home)
        return Value();
    Value ctor;
    if (const Property* p = home->properties().find(u"__constructor__"))
        ctor = p->value;
    else if (home->proto())
        ctor = getProperty(rt, home->proto(), u"constructor");
    return callFunction(rt, ctor, Value(s.self()), args, home->proto());
}

}  // namespace

Value callFunction(Runtime& rt, const Value& function, const Value& self, std::span<const Value> args, Object* home) {
    Object* o = function.asObject();
    if (!o)
        return Value();
    if (o->objectClass() == ObjectClass::Super)
        return callSuperConstructor(rt, *static_cast<SuperObject*>(o), args);
    if (!o->isCallable())
        return Value();
    auto* fn = static_cast<FunctionObject*>(o);
    if (fn->isNative()) {
        Runtime::CallDepth depth(rt);
        return static_cast<NativeFunction*>(fn)->callFn()(rt, self, args);
    }
    return rt.interpreter().callScript(*static_cast<ScriptFunction*>(fn), self, args, home);
}

Value callMethod(Runtime& rt, const Value& self, std::u16string_view name, std::span<const Value> args) {
    Lookup found = lookupMember(rt, self, name);
    return callFunction(rt, found.value, self, args, found.holder);
}

Value construct(Runtime& rt, const Value& ctor, std::span<const Value> args) {
    Object* c = ctor.asObject();
    if (!c || !c->isCallable())
        return Value();
    auto* fn = static_cast<FunctionObject*>(c);
    if (fn->isNative()) {
        if (NativeFn make = static_cast<NativeFunction*>(fn)->constructFn()) {
            Runtime::CallDepth depth(rt);
            return make(rt, Value(), args);
        }
    }
    Object* proto = getProperty(rt, c, u"prototype").asObject();
    Object* object = nullptr;
    // The chain is bounded like any prototype walk, so a cycle cannot hang it.
    int steps = 0;
    for (Object* at = proto; at && !object && steps < 256; at = at->proto(), ++steps)
        if (auto* maker = dynamic_cast<InstanceMaker*>(at))
            object = maker->makeInstance(rt, proto);
    if (!object)
        object = rt.heap.make<Object>(proto ? proto : rt.protos.object);
    rt.defineValue(object, u"__constructor__", ctor);
    if (rt.version <= 5)
        rt.defineValue(object, u"constructor", ctor);
    (void)callFunction(rt, ctor, Value(object), args, object->proto());
    return Value(object);
}

}  // namespace script
