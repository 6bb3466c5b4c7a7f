// flash.events: Event, EventDispatcher, TextEvent, ErrorEvent, TimerEvent.
#include "as3/display_state.h"
#include "as3/event_dispatch.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/movie_security.h"

#include "avm2/class_object.h"
#include "avm2/conversions.h"

#include <algorithm>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

std::u16string text(Machine& m, Value v) { return m.toString(v)->text(); }

EventState& self(Machine& m, Value thisValue) { return eventOf(m, thisValue); }

// --- Event --------------------------------------------------------------

Value eventInit(Machine& m, Value thisValue, std::span<const Value> args) {
    auto state = std::make_unique<EventState>();
    state->type = Value::string(m.toString(argument(args, 0)));
    state->bubbles = avm2::toBoolean(argument(args, 1));
    state->cancelable = avm2::toBoolean(argument(args, 2));
    thisValue.asObject()->setNativeState(std::move(state));
    return Value();
}

Value eventType(Machine& m, Value t, std::span<const Value>) { return self(m, t).type; }
Value eventBubbles(Machine& m, Value t, std::span<const Value>) { return Value::boolean(self(m, t).bubbles); }
Value eventCancelable(Machine& m, Value t, std::span<const Value>) { return Value::boolean(self(m, t).cancelable); }
Value eventPhase(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(int32_t(self(m, t).phase)); }
// A listener does not learn of objects of a movie it may not reach.
Value eventTarget(Machine& m, Value t, std::span<const Value>) { return reachableOrNull(m, self(m, t).target); }
Value eventCurrentTarget(Machine& m, Value t, std::span<const Value>) {
    return reachableOrNull(m, self(m, t).currentTarget);
}

Value eventClone(Machine& m, Value t, std::span<const Value>) {
    const EventState& e = self(m, t);
    const Value args[3] = {e.type, Value::boolean(e.bubbles), Value::boolean(e.cancelable)};
    Value copy = m.construct(Value::object(m.coreClass(u"flash.events", u"Event")), args);
    return copy;
}

Value eventIsDefaultPrevented(Machine& m, Value t, std::span<const Value>) {
    return Value::boolean(self(m, t).prevented);
}
Value eventPreventDefault(Machine& m, Value t, std::span<const Value>) {
    EventState& e = self(m, t);
    if (e.cancelable)
        e.prevented = true;
    return Value();
}
Value eventStopPropagation(Machine& m, Value t, std::span<const Value>) {
    self(m, t).stopped = true;
    return Value();
}
Value eventStopImmediatePropagation(Machine& m, Value t, std::span<const Value>) {
    EventState& e = self(m, t);
    e.stopped = e.stoppedNow = true;
    return Value();
}

// [Event type="x" bubbles=false cancelable=false eventPhase=2]
Value eventToString(Machine& m, Value t, std::span<const Value>) {
    const EventState& e = self(m, t);
    std::u16string out = u"[Event type=\"" + text(m, e.type) + u"\" bubbles=" + (e.bubbles ? u"true" : u"false") +
                         u" cancelable=" + (e.cancelable ? u"true" : u"false") + u" eventPhase=" +
                         avm2::numberToString(double(int(e.phase))) + u"]";
    return m.string(std::move(out));
}

// formatToString("MyEvent", "type", "value"): [MyEvent type="a" value=3]
Value eventFormatToString(Machine& m, Value t, std::span<const Value> args) {
    std::u16string out = u"[" + text(m, argument(args, 0));
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string name = text(m, args[i]);
        Value field;
        if (name == u"type")
            field = self(m, t).type;
        else if (name == u"bubbles")
            field = Value::boolean(self(m, t).bubbles);
        else if (name == u"cancelable")
            field = Value::boolean(self(m, t).cancelable);
        else if (name == u"eventPhase")
            field = Value::fromInt(int32_t(self(m, t).phase));
        else if (const Value* own = t.asObject()->find(name))
            field = *own;
        out += u" " + name + u"=" + (field.isString() ? u"\"" + text(m, field) + u"\"" : text(m, field));
    }
    return m.string(out + u"]");
}

const avm2::NativeMember EventMethods[] = {
    {u"clone", eventClone},
    {u"toString", eventToString},
    {u"formatToString", eventFormatToString},
    {u"isDefaultPrevented", eventIsDefaultPrevented},
    {u"preventDefault", eventPreventDefault},
    {u"stopPropagation", eventStopPropagation},
    {u"stopImmediatePropagation", eventStopImmediatePropagation},
};
const avm2::NativeAccessor EventAccessors[] = {
    {u"type", eventType},        {u"bubbles", eventBubbles}, {u"cancelable", eventCancelable},
    {u"eventPhase", eventPhase}, {u"target", eventTarget},   {u"currentTarget", eventCurrentTarget},
};
const avm2::NativeStringConstant EventTypes[] = {
    {u"ACTIVATE", u"activate"},
    {u"ADDED", u"added"},
    {u"ADDED_TO_STAGE", u"addedToStage"},
    {u"CANCEL", u"cancel"},
    {u"CHANGE", u"change"},
    {u"CLOSE", u"close"},
    {u"COMPLETE", u"complete"},
    {u"CONNECT", u"connect"},
    {u"DEACTIVATE", u"deactivate"},
    {u"ENTER_FRAME", u"enterFrame"},
    {u"EXIT_FRAME", u"exitFrame"},
    {u"FRAME_CONSTRUCTED", u"frameConstructed"},
    {u"FULLSCREEN", u"fullScreen"},
    {u"ID3", u"id3"},
    {u"INIT", u"init"},
    {u"MOUSE_LEAVE", u"mouseLeave"},
    {u"OPEN", u"open"},
    {u"REMOVED", u"removed"},
    {u"REMOVED_FROM_STAGE", u"removedFromStage"},
    {u"RENDER", u"render"},
    {u"RESIZE", u"resize"},
    {u"SCROLL", u"scroll"},
    {u"SELECT", u"select"},
    {u"SOUND_COMPLETE", u"soundComplete"},
    {u"TAB_CHILDREN_CHANGE", u"tabChildrenChange"},
    {u"TAB_ENABLED_CHANGE", u"tabEnabledChange"},
    {u"TAB_INDEX_CHANGE", u"tabIndexChange"},
    {u"UNLOAD", u"unload"},
};

// --- TextEvent, ErrorEvent, TimerEvent ----------------------------------

Value textEventInit(Machine& m, Value thisValue, std::span<const Value> args) {
    eventInit(m, thisValue, args);
    EventState& e = self(m, thisValue);
    e.text = Value::string(m.toString(args.size() > 3 ? args[3] : m.string(u"")));
    return Value();
}
Value errorEventInit(Machine& m, Value thisValue, std::span<const Value> args) {
    textEventInit(m, thisValue, args);
    self(m, thisValue).errorId = avm2::toInt32(m.toNumber(argument(args, 4)));
    return Value();
}
Value textEventText(Machine& m, Value t, std::span<const Value>) { return self(m, t).text; }
Value textEventSetText(Machine& m, Value t, std::span<const Value> args) {
    self(m, t).text = Value::string(m.toString(argument(args, 0)));
    return Value();
}
Value errorEventId(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(self(m, t).errorId); }
Value errorEventClone(Machine& m, Value t, std::span<const Value>) {
    const EventState& e = self(m, t);
    const Value args[5] = {e.type, Value::boolean(e.bubbles), Value::boolean(e.cancelable), e.text,
                           Value::fromInt(e.errorId)};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"ErrorEvent")), args);
}
Value timerEventClone(Machine& m, Value t, std::span<const Value>) {
    const EventState& e = self(m, t);
    const Value args[3] = {e.type, Value::boolean(e.bubbles), Value::boolean(e.cancelable)};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"TimerEvent")), args);
}
// The screen is drawn once per frame here anyway.
Value timerEventUpdateAfterEvent(Machine&, Value, std::span<const Value>) { return Value(); }

const avm2::NativeAccessor TextEventAccessors[] = {{u"text", textEventText, textEventSetText}};
const avm2::NativeStringConstant TextEventTypes[] = {{u"LINK", u"link"}, {u"TEXT_INPUT", u"textInput"}};
const avm2::NativeMember ErrorEventMethods[] = {{u"clone", errorEventClone}};
const avm2::NativeAccessor ErrorEventAccessors[] = {{u"errorID", errorEventId}};
const avm2::NativeStringConstant ErrorEventTypes[] = {{u"ERROR", u"error"}};
const avm2::NativeMember TimerEventMethods[] = {{u"clone", timerEventClone},
                                                {u"updateAfterEvent", timerEventUpdateAfterEvent}};
const avm2::NativeStringConstant TimerEventTypes[] = {{u"TIMER", u"timer"}, {u"TIMER_COMPLETE", u"timerComplete"}};

// --- EventDispatcher ----------------------------------------------------

DispatcherState& dispatcher(Machine& m, Value thisValue) { return dispatcherOf(m, thisValue.asObject()); }

Value dispatcherInit(Machine& m, Value thisValue, std::span<const Value> args) {
    DispatcherState& d = dispatcher(m, thisValue);
    if (argument(args, 0).isObject())
        d.target = args[0];
    return Value();
}

// Frame events reach display objects only, on the list or off it;
// activate and deactivate every dispatcher.
void noteBroadcast(Machine& m, Value thisValue, const std::u16string& type, bool listening) {
    if (!isBroadcastType(type) || !m.hostData())
        return;
    if (!thisValue.asObject()->nativeAs<DisplayState>() && type != u"activate" && type != u"deactivate")
        return;
    HeldValues& held = hostContext(m).held;
    auto& list = held.broadcast;
    auto it =
        std::find_if(list.begin(), list.end(), [&](const Value& v) { return v.asObject() == thisValue.asObject(); });
    if (listening && it == list.end()) {
        list.push_back(thisValue);
        return;
    }
    if (!listening && it != list.end()) {
        const DispatcherState& d = dispatcher(m, thisValue);
        constexpr const char16_t* Types[] = {u"enterFrame", u"exitFrame", u"frameConstructed",
                                             u"render",     u"activate",  u"deactivate"};
        if (std::none_of(std::begin(Types), std::end(Types), [&](const char16_t* t) { return d.has(t); }))
            list.erase(it);
    }
}

Value addEventListener(Machine& m, Value thisValue, std::span<const Value> args) {
    const std::u16string type = text(m, argument(args, 0));
    const Value function = argument(args, 1);
    if (!function.isObject())
        m.throwError("TypeError", 2007, u"Parameter listener must be non-null.");
    const bool capture = avm2::toBoolean(argument(args, 2));
    const int32_t priority = avm2::toInt32(m.toNumber(argument(args, 3)));
    const bool weak = avm2::toBoolean(argument(args, 4));
    DispatcherState& d = dispatcher(m, thisValue);
    std::vector<Listener>* list = d.find(type);
    if (!list) {
        d.listeners.emplace_back(type, std::vector<Listener>());
        list = &d.listeners.back().second;
    }
    for (const Listener& l : *list) {
        if (l.function.asObject() == function.asObject() && l.capture == capture)
            return Value();  // added once
    }
    // After every listener of the same or a higher priority.
    auto at = std::find_if(list->begin(), list->end(), [&](const Listener& l) { return l.priority < priority; });
    list->insert(at, Listener{function, priority, capture, weak});
    noteBroadcast(m, thisValue, type, true);
    return Value();
}

Value removeEventListener(Machine& m, Value thisValue, std::span<const Value> args) {
    const std::u16string type = text(m, argument(args, 0));
    const Value function = argument(args, 1);
    const bool capture = avm2::toBoolean(argument(args, 2));
    DispatcherState& d = dispatcher(m, thisValue);
    if (std::vector<Listener>* list = d.find(type); list && function.isObject()) {
        std::erase_if(*list, [&](const Listener& l) {
            return l.function.asObject() == function.asObject() && l.capture == capture;
        });
    }
    noteBroadcast(m, thisValue, type, false);
    return Value();
}

Value dispatchEvent(Machine& m, Value thisValue, std::span<const Value> args) {
    return Value::boolean(dispatch(m, thisValue.asObject(), argument(args, 0)));
}

Value hasEventListener(Machine& m, Value thisValue, std::span<const Value> args) {
    return Value::boolean(dispatcher(m, thisValue).has(text(m, argument(args, 0))));
}

// Whether this object or an ancestor listens for the type in any phase.
Value willTrigger(Machine& m, Value thisValue, std::span<const Value> args) {
    const std::u16string type = text(m, argument(args, 0));
    size_t steps = 0;
    for (avm2::Object* o = thisValue.asObject(); o && steps < 100000; o = dispatcherOf(m, o).parent(), ++steps) {
        if (dispatcherOf(m, o).has(type))
            return Value::boolean(true);
    }
    return Value::boolean(false);
}

const avm2::NativeMember DispatcherMethods[] = {
    {u"addEventListener", addEventListener}, {u"removeEventListener", removeEventListener},
    {u"dispatchEvent", dispatchEvent},       {u"hasEventListener", hasEventListener},
    {u"willTrigger", willTrigger},
};

constexpr const char16_t* Events = u"flash.events";

const avm2::NativeConstant Phases[] = {{u"CAPTURING_PHASE", 1}, {u"AT_TARGET", 2}, {u"BUBBLING_PHASE", 3}};

const avm2::CoreClassSpec Classes[] = {
    sealedClass(Events, u"Event", u"Object", eventInit,
                {.methods = EventMethods, .accessors = EventAccessors, .strings = EventTypes}),
    sealedClass(Events, u"TextEvent", u"flash.events.Event", textEventInit,
                {.accessors = TextEventAccessors, .strings = TextEventTypes}),
    sealedClass(Events, u"ErrorEvent", u"flash.events.TextEvent", errorEventInit,
                {.methods = ErrorEventMethods, .accessors = ErrorEventAccessors, .strings = ErrorEventTypes}),
    sealedClass(Events, u"TimerEvent", u"flash.events.Event", eventInit,
                {.methods = TimerEventMethods, .strings = TimerEventTypes}),
    sealedClass(Events, u"EventDispatcher", u"Object", dispatcherInit, {.methods = DispatcherMethods}),
    staticsClass(Events, u"EventPhase", {.numbers = Phases}),
};

}  // namespace

std::span<const avm2::CoreClassSpec> eventClasses() { return Classes; }

}  // namespace as3
