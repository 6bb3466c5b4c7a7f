#include "as3/event_dispatch.h"

#include "as3/host_context.h"

#include "avm2/class_object.h"

#include <algorithm>

namespace as3 {

using avm2::Machine;
using avm2::Object;
using avm2::Value;

void EventState::trace(avm2::Tracer& tracer) const {
    tracer.value(type);
    tracer.value(target);
    tracer.value(currentTarget);
    tracer.value(text);
}

std::vector<Listener>* DispatcherState::find(const std::u16string& type) {
    for (auto& [name, list] : listeners) {
        if (name == type)
            return &list;
    }
    return nullptr;
}

bool DispatcherState::has(const std::u16string& type) const {
    for (const auto& [name, list] : listeners) {
        if (name == type && !list.empty())
            return true;
    }
    return false;
}

void DispatcherState::trace(avm2::Tracer& tracer) const {
    tracer.value(target);
    bool weak = false;
    for (const auto& [name, list] : listeners) {
        for (const Listener& l : list) {
            if (l.weak)
                weak = true;
            else
                tracer.value(l.function);
        }
    }
    if (weak)
        tracer.weakHolder(const_cast<DispatcherState*>(this));
}

namespace {

// What keeps a weak listener: the object a method was taken from, or the
// function itself.
const avm2::Cell* anchorOf(const Listener& l) {
    if (auto* c = dynamic_cast<const avm2::MethodClosure*>(l.function.asObject()); c && c->receiver().isCell())
        return c->receiver().asCell();
    return l.function.asObject();
}

}  // namespace

void DispatcherState::traceWeak(avm2::Tracer& tracer) const {
    for (const auto& [name, list] : listeners) {
        for (const Listener& l : list) {
            if (l.weak && tracer.reached(anchorOf(l)))
                tracer.value(l.function);
        }
    }
}

void DispatcherState::sweepWeak(const avm2::Tracer& tracer) {
    for (auto& [name, list] : listeners)
        std::erase_if(list, [&](const Listener& l) { return l.weak && !tracer.reached(l.function.asObject()); });
}

size_t DispatcherState::extraBytes() const {
    size_t bytes = listeners.capacity() * sizeof(listeners[0]);
    for (const auto& [name, list] : listeners)
        bytes += name.capacity() * sizeof(char16_t) + list.capacity() * sizeof(Listener);
    return bytes;
}

DispatcherState& dispatcherOf(Machine& m, Object* o) {
    if (auto* state = o->nativeAs<DispatcherState>())
        return *state;
    if (o->nativeState())
        m.throwError("TypeError", 1034, u"Type Coercion failed: the object is not an EventDispatcher.");
    o->setNativeState(std::make_unique<DispatcherState>());
    return *o->nativeAs<DispatcherState>();
}

EventState& eventOf(Machine& m, Value event) {
    EventState* state = event.isObject() ? event.asObject()->nativeAs<EventState>() : nullptr;
    if (!state) {
        if (event.isNullish())
            m.throwError("TypeError", 2007, u"Parameter event must be non-null.");
        if (event.isObject() && !event.asObject()->nativeState()) {
            // An Event subclass whose constructor never called super().
            event.asObject()->setNativeState(std::make_unique<EventState>());
            return *event.asObject()->nativeAs<EventState>();
        }
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.events.Event.");
    }
    return *state;
}

Value makeEvent(Machine& m, const char16_t* type, bool bubbles, bool cancelable, const char16_t* className) {
    avm2::ClassObject* c = m.coreClass(u"flash.events", className);
    const Value args[3] = {Value::string(m.intern(type)), Value::boolean(bubbles), Value::boolean(cancelable)};
    return m.construct(Value::object(c), args);
}

bool isBroadcastType(std::u16string_view type) {
    return type == u"enterFrame" || type == u"exitFrame" || type == u"frameConstructed" || type == u"render" ||
           type == u"activate" || type == u"deactivate";
}

namespace {

// Values a dispatch holds while listeners run: the collector may run then.
class Pins {
public:
    explicit Pins(Machine& m) : m_machine(m) {}
    ~Pins() { m_machine.unpin(m_count); }
    Pins(const Pins&) = delete;
    Pins& operator=(const Pins&) = delete;
    void add(Value v) {
        m_machine.pin(v);
        ++m_count;
    }

private:
    Machine& m_machine;
    size_t m_count = 0;
};

void invokeListeners(Machine& m, Object* node, Value event, EventPhase phase) {
    EventState& e = eventOf(m, event);
    DispatcherState& d = dispatcherOf(m, node);
    const std::u16string type = m.toString(e.type)->text();
    const std::vector<Listener>* list = d.find(type);
    if (!list)
        return;
    const bool capture = phase == EventPhase::Capturing;
    std::vector<Value> snapshot;
    for (const Listener& l : *list) {
        if (l.capture == capture)
            snapshot.push_back(l.function);
    }
    if (snapshot.empty())
        return;
    Pins pins(m);
    for (const Value& f : snapshot)
        pins.add(f);
    for (const Value& f : snapshot) {
        EventState& now = eventOf(m, event);
        if (now.stoppedNow)
            break;
        now.phase = phase;
        now.currentTarget = Value::object(node);
        const Value args[1] = {event};
        m.call(f, Value::null(), args);
    }
}

}  // namespace

bool dispatch(Machine& m, Object* target, Value event) {
    Pins pins(m);
    pins.add(Value::object(target));
    if (!eventOf(m, event).target.isNullish()) {
        // A redispatched event travels as its clone, as the player does.
        event = m.callMember(event, u"clone", {});
        pins.add(event);
        (void)eventOf(m, event);
    }
    pins.add(event);
    DispatcherState& self = dispatcherOf(m, target);
    std::vector<Object*> ancestors;
    for (Object* p = self.parent(); p && ancestors.size() < 100000; p = dispatcherOf(m, p).parent()) {
        ancestors.push_back(p);
        pins.add(Value::object(p));
    }
    {
        EventState& e = eventOf(m, event);
        e.target = self.target.isObject() ? self.target : Value::object(target);
        e.stopped = e.stoppedNow = e.prevented = false;
    }
    for (auto it = ancestors.rbegin(); it != ancestors.rend() && !eventOf(m, event).stopped; ++it)
        invokeListeners(m, *it, event, EventPhase::Capturing);
    if (!eventOf(m, event).stopped)
        invokeListeners(m, target, event, EventPhase::AtTarget);
    if (eventOf(m, event).bubbles) {
        for (Object* p : ancestors) {
            if (eventOf(m, event).stopped)
                break;
            invokeListeners(m, p, event, EventPhase::Bubbling);
        }
    }
    EventState& e = eventOf(m, event);
    e.phase = EventPhase::None;
    e.currentTarget = Value::null();
    return !e.prevented;
}

void dispatchAtTarget(Machine& m, Object* target, Value event) {
    Pins pins(m);
    pins.add(Value::object(target));
    pins.add(event);
    EventState& e = eventOf(m, event);
    e.target = Value::object(target);
    e.stopped = e.stoppedNow = false;
    invokeListeners(m, target, event, EventPhase::AtTarget);
    EventState& after = eventOf(m, event);
    after.phase = EventPhase::None;
    after.currentTarget = Value::null();
}

}  // namespace as3
