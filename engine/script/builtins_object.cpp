// Object, Function, ASSetPropFlags and Error.
#include "script/builtins.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

namespace script {

namespace {

Value objectCall(Runtime& rt, const Value&, std::span<const Value> args) {
    const Value& v = arg(args, 0);
    if (v.isNullish())
        return Value(rt.newObject());
    return Value(toObject(rt, v));
}

Value objectToString(Runtime&, const Value& self, std::span<const Value>) {
    Object* o = self.asObject();
    if (o && o->isCallable())
        return Value(String(u"[type Function]"));
    return Value(String(u"[object Object]"));
}

Value objectValueOf(Runtime& rt, const Value& self, std::span<const Value>) {
    if (Object* o = self.asObject()) {
        if (o->objectClass() == ObjectClass::NumberWrapper || o->objectClass() == ObjectClass::StringWrapper ||
            o->objectClass() == ObjectClass::BooleanWrapper)
            return static_cast<PrimitiveObject*>(o)->primitive();
        return self;
    }
    return self;
}

Value objectHasOwnProperty(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* o = self.asObject();
    if (!o)
        return Value::fromBool(false);
    String name = toString(rt, arg(args, 0));
    if (namesMatch(name.view(), u"__proto__", rt.caseSensitive))
        return Value::fromBool(o->proto() != nullptr);
    return Value::fromBool(hasOwnProperty(rt, o, name.view()));
}

Value objectIsPropertyEnumerable(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* o = self.asObject();
    if (!o)
        return Value::fromBool(false);
    String name = toString(rt, arg(args, 0));
    const Property* p = o->properties().find(name.view());
    if (p)
        return Value::fromBool(!(p->flags & PropertyFlag::DontEnum));
    return Value::fromBool(o->getBuiltin(rt, name.view()).has_value());
}

Value objectIsPrototypeOf(Runtime&, const Value& self, std::span<const Value> args) {
    Object* proto = self.asObject();
    Object* o = arg(args, 0).asObject();
    int hops = 0;
    for (Object* p = o ? o->proto() : nullptr; p && hops < 256; p = p->proto(), ++hops) {
        if (p == proto)
            return Value::fromBool(true);
    }
    return Value::fromBool(false);
}

// addProperty(name, getter, setter): a property read and written through
// functions. A null setter makes it read-only.
Value objectAddProperty(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* o = self.asObject();
    Object* getter = arg(args, 1).asObject();
    Object* setter = arg(args, 2).asObject();
    String name = toString(rt, arg(args, 0));
    if (!o || name.empty() || !getter || !getter->isCallable() || (setter && !setter->isCallable()))
        return Value::fromBool(false);
    Property* p = o->properties().find(name.view());
    if (!p)
        p = &o->properties().add(rt.makeString(name.view()), Value());
    p->getter = getter;
    p->setter = setter;
    p->value = Value();
    return Value::fromBool(true);
}

Value objectRegisterClass(Runtime& rt, const Value&, std::span<const Value> args) {
    String name = toString(rt, arg(args, 0));
    const swf::Movie& movie = rt.movie();
    std::optional<uint16_t> id;
    std::string utf8 = name.utf8();
    for (const auto& [exported, character] : movie.exports) {
        if (exported == utf8 || (!rt.caseSensitive && equalsFolded(utf8ToUtf16(exported), name.view()))) {
            id = character;
            break;
        }
    }
    if (!id)
        return Value::fromBool(false);
    Object* ctor = arg(args, 1).asObject();
    if (ctor && ctor->isCallable())
        rt.registeredClasses[*id] = ctor;
    else
        rt.registeredClasses.erase(*id);
    return Value::fromBool(true);
}

Value functionCall(Runtime& rt, const Value& self, std::span<const Value> args) {
    std::span<const Value> rest = args.empty() ? args : args.subspan(1);
    Value thisArg = arg(args, 0);
    return callFunction(rt, self, thisArg, rest);
}

Value functionApply(Runtime& rt, const Value& self, std::span<const Value> args) {
    std::vector<Value> list;
    if (Object* a = arg(args, 1).asObject(); a && a->objectClass() == ObjectClass::Array) {
        rt.chargeWork(static_cast<ArrayObject*>(a)->length() / 16);
        list = static_cast<ArrayObject*>(a)->elements();
    }
    return callFunction(rt, self, arg(args, 0), list);
}

Value functionCallNothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

// ASSetPropFlags(object, names, set, clear): names is null (every own
// property), a comma-separated string or an array of names.
Value asSetPropFlags(Runtime& rt, const Value&, std::span<const Value> args) {
    Object* o = arg(args, 0).asObject();
    if (!o)
        return Value();
    const uint8_t set = uint8_t(toInt32(rt, arg(args, 2)) & 0xFF);
    const uint8_t clear = uint8_t(toInt32(rt, arg(args, 3)) & 0xFF);
    auto apply = [&](Property& p) { p.flags = uint8_t((p.flags & ~clear) | set); };
    const Value& names = arg(args, 1);
    if (names.isNull()) {
        for (Property& p : o->properties().entries())
            apply(p);
        return Value();
    }
    std::vector<String> list;
    if (Object* a = names.asObject(); a && a->objectClass() == ObjectClass::Array) {
        for (const Value& v : static_cast<ArrayObject*>(a)->elements())
            list.push_back(toString(rt, v));
    } else {
        String all = toString(rt, names);
        std::u16string_view rest = all.view();
        for (;;) {
            size_t comma = rest.find(u',');
            list.emplace_back(rest.substr(0, comma));
            if (comma == std::u16string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    for (const String& name : list) {
        if (Property* p = o->properties().find(name.view()))
            apply(*p);
    }
    return Value();
}

// new Error(message); called on an object (a subclass's super()) it sets
// that object's message.
Value errorConstruct(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* e = self.asObject() ? self.asObject() : rt.heap.make<Object>(rt.protos.error);
    if (!arg(args, 0).isUndefined())
        putOwn(rt, e, u"message", Value(toString(rt, arg(args, 0))));
    return Value(e);
}

Value errorToString(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value(toString(rt, getMember(rt, self, u"message")));
}

}  // namespace

void installObjectAndFunction(Runtime& rt) {
    Object* op = rt.protos.object;
    rt.defineMethod(op, u"toString", objectToString);
    rt.defineMethod(op, u"toLocaleString", objectToString);
    rt.defineMethod(op, u"valueOf", objectValueOf);
    rt.defineMethod(op, u"hasOwnProperty", objectHasOwnProperty);
    rt.defineMethod(op, u"isPropertyEnumerable", objectIsPropertyEnumerable);
    rt.defineMethod(op, u"isPrototypeOf", objectIsPrototypeOf);
    rt.defineMethod(op, u"addProperty", objectAddProperty);
    NativeFunction* objectCtor = rt.newNative(objectCall, objectCall);
    rt.defineValue(objectCtor, u"prototype", Value(op), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(op, u"constructor", Value(objectCtor));
    rt.defineMethod(objectCtor, u"registerClass", objectRegisterClass);
    rt.defineValue(rt.global, u"Object", Value(objectCtor));

    Object* fp = rt.protos.function;
    rt.defineMethod(fp, u"call", functionCall);
    rt.defineMethod(fp, u"apply", functionApply);
    NativeFunction* functionCtor = rt.newNative(functionCallNothing);
    rt.defineValue(functionCtor, u"prototype", Value(fp), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(fp, u"constructor", Value(functionCtor));
    rt.defineValue(rt.global, u"Function", Value(functionCtor));
    rt.defineMethod(rt.global, u"ASSetPropFlags", asSetPropFlags);
}

void installError(Runtime& rt) {
    rt.protos.error = rt.newObject();
    rt.defineValue(rt.protos.error, u"name", Value(String(u"Error")));
    rt.defineValue(rt.protos.error, u"message", Value(String(u"Error")));
    rt.defineMethod(rt.protos.error, u"toString", errorToString);
    NativeFunction* ctor = rt.newNative(errorConstruct, errorConstruct);
    rt.defineValue(ctor, u"prototype", Value(rt.protos.error), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(rt.protos.error, u"constructor", Value(ctor));
    rt.defineValue(rt.global, u"Error", Value(ctor));
}

}  // namespace script
