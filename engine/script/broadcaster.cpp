// Listener lists.
#include "script/broadcaster.h"

#include "script/array_object.h"
#include "script/builtins.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

namespace script {

namespace {

ArrayObject* listenersOf(Runtime& rt, const Value& source) {
    Object* o = getMember(rt, source, u"_listeners").asObject();
    return o && o->objectClass() == ObjectClass::Array ? static_cast<ArrayObject*>(o) : nullptr;
}

Value addListener(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* list = listenersOf(rt, self);
    if (!list || !arg(args, 0).isObject())
        return Value::fromBool(false);
    for (const Value& v : list->elements()) {
        if (strictEquals(v, args[0]))
            return Value::fromBool(true);
    }
    list->push(args[0], rt.limits.maxArrayLength);
    return Value::fromBool(true);
}

Value removeListener(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* list = listenersOf(rt, self);
    if (!list)
        return Value::fromBool(false);
    for (size_t i = 0; i < list->length(); ++i) {
        if (strictEquals(list->at(i), arg(args, 0))) {
            list->erase(i, 1);
            return Value::fromBool(true);
        }
    }
    return Value::fromBool(false);
}

Value broadcastMessage(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* list = listenersOf(rt, self);
    if (!list || args.empty())
        return Value();
    String event = toString(rt, args[0]);
    std::vector<Value> listeners = list->elements();
    for (const Value& listener : listeners)
        (void)callMethod(rt, listener, event.view(), args.subspan(1));
    return Value();
}

Value initialize(Runtime& rt, const Value&, std::span<const Value> args) {
    if (Object* o = arg(args, 0).asObject())
        makeBroadcaster(rt, o);
    return Value();
}

}  // namespace

void makeBroadcaster(Runtime& rt, Object* source) {
    rt.defineMethod(source, u"addListener", addListener);
    rt.defineMethod(source, u"removeListener", removeListener);
    rt.defineMethod(source, u"broadcastMessage", broadcastMessage);
    rt.defineValue(source, u"_listeners", Value(rt.newArray()));
}

void broadcastEvent(Runtime& rt, Object* source, std::u16string_view event, std::span<const Value> args) {
    std::vector<Value> listeners;
    (void)rt.guarded([&] {
        if (ArrayObject* list = listenersOf(rt, Value(source)))
            listeners = list->elements();
    });
    for (const Value& listener : listeners)
        (void)rt.guarded([&] { (void)callMethod(rt, listener, event, args); });
}

void installBroadcaster(Runtime& rt) {
    Object* broadcaster = rt.newObject();
    rt.defineMethod(broadcaster, u"initialize", initialize);
    rt.defineValue(rt.global, u"AsBroadcaster", Value(broadcaster));
}

}  // namespace script
