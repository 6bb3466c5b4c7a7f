// flash.utils.Timer and setTimeout / setInterval / clearTimeout /
// clearInterval, on the player's timer schedule (the host's clock). The
// player fires what is due (Player::runTimers); a running Timer is held by
// the schedule, so it runs on with no other reference to it.
#include "as3/event_dispatch.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"

#include <cmath>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

struct TimerState final : DispatcherState {
    double delay = 0;
    int32_t repeatCount = 0;
    int32_t currentCount = 0;
    uint32_t scheduled = 0;  // the schedule's id while running
};

TimerState& timerOf(Machine& m, Value self) {
    auto* s = self.isObject() ? self.asObject()->nativeAs<TimerState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.utils.Timer.");
    return *s;
}

double checkedDelay(Machine& m, Value v) {
    const double d = m.toNumber(v);
    if (!(d >= 0) || !std::isfinite(d))
        m.throwError("RangeError", 2066, u"The Timer delay specified is out of range.");
    return d;
}

TimerSchedule& schedule(Machine& m) { return hostContext(m).held.timers; }
double now(Machine& m) { return hostContext(m).host.milliseconds(); }

Value timerInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<TimerState>();
    s->delay = checkedDelay(m, argument(args, 0));
    s->repeatCount = args.size() > 1 ? avm2::toInt32(m.toNumber(args[1])) : 0;
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

void startTimer(Machine& m, Value self, TimerState& s) {
    if (s.scheduled)
        return;
    ScheduledTimer t;
    t.interval = s.delay;
    t.due = now(m) + std::max(s.delay, 1.0);
    t.target = self;
    t.isTimerObject = true;
    s.scheduled = schedule(m).add(std::move(t));
}

void stopTimer(Machine& m, TimerState& s) {
    if (s.scheduled)
        schedule(m).remove(s.scheduled);
    s.scheduled = 0;
}

Value timerStart(Machine& m, Value self, std::span<const Value>) {
    startTimer(m, self, timerOf(m, self));
    return Value();
}
Value timerStop(Machine& m, Value self, std::span<const Value>) {
    stopTimer(m, timerOf(m, self));
    return Value();
}
Value timerReset(Machine& m, Value self, std::span<const Value>) {
    TimerState& s = timerOf(m, self);
    stopTimer(m, s);
    s.currentCount = 0;
    return Value();
}

Value getDelay(Machine& m, Value self, std::span<const Value>) { return Value::number(timerOf(m, self).delay); }
// A new delay while running starts the wait again from now.
Value setDelay(Machine& m, Value self, std::span<const Value> args) {
    const double d = checkedDelay(m, argument(args, 0));
    TimerState& s = timerOf(m, self);
    s.delay = d;
    if (s.scheduled) {
        stopTimer(m, s);
        startTimer(m, self, s);
    }
    return Value();
}
Value getRepeatCount(Machine& m, Value self, std::span<const Value>) {
    return Value::fromInt(timerOf(m, self).repeatCount);
}
Value setRepeatCount(Machine& m, Value self, std::span<const Value> args) {
    TimerState& s = timerOf(m, self);
    s.repeatCount = avm2::toInt32(m.toNumber(argument(args, 0)));
    if (s.repeatCount > 0 && s.currentCount >= s.repeatCount)
        stopTimer(m, s);
    return Value();
}
Value getCurrentCount(Machine& m, Value self, std::span<const Value>) {
    return Value::fromInt(timerOf(m, self).currentCount);
}
Value getRunning(Machine& m, Value self, std::span<const Value>) {
    return Value::boolean(timerOf(m, self).scheduled != 0);
}

// setTimeout(closure, delay, ...arguments): the id clearTimeout takes.
template <bool Repeat>
Value addCall(Machine& m, Value, std::span<const Value> args) {
    const Value function = argument(args, 0);
    if (!function.isObject())
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to Function.");
    double delay = m.toNumber(argument(args, 1));
    if (!(delay >= 0) || !std::isfinite(delay))
        delay = 0;
    ScheduledTimer t;
    t.interval = delay;
    t.due = now(m) + std::max(delay, 1.0);
    t.repeat = Repeat;
    t.target = function;
    if (args.size() > 2)
        t.args.assign(args.begin() + 2, args.end());
    return Value::fromUInt(schedule(m).add(std::move(t)));
}

Value clearCall(Machine& m, Value, std::span<const Value> args) {
    const uint32_t id = avm2::toUInt32(m.toNumber(argument(args, 0)));
    // A Timer's own entry is not the script's to clear.
    if (ScheduledTimer* t = schedule(m).find(id); t && !t->isTimerObject)
        schedule(m).remove(id);
    return Value();
}

const avm2::NativeMember Methods[] = {{u"start", timerStart}, {u"stop", timerStop}, {u"reset", timerReset}};

const avm2::NativeAccessor Accessors[] = {{u"delay", getDelay, setDelay},
                                          {u"repeatCount", getRepeatCount, setRepeatCount},
                                          {u"currentCount", getCurrentCount},
                                          {u"running", getRunning}};

const avm2::CoreClassSpec Classes[] = {sealedClass(u"flash.utils", u"Timer", u"flash.events.EventDispatcher", timerInit,
                                                   {.methods = Methods, .accessors = Accessors})};

const avm2::PackageFunction Functions[] = {{u"flash.utils", u"setTimeout", addCall<false>},
                                           {u"flash.utils", u"setInterval", addCall<true>},
                                           {u"flash.utils", u"clearTimeout", clearCall},
                                           {u"flash.utils", u"clearInterval", clearCall}};

}  // namespace

void fireTimer(Machine& m, uint32_t id) {
    TimerSchedule& timers = schedule(m);
    const double at = now(m);
    ScheduledTimer* t = timers.find(id);
    if (!t)
        return;
    const Value target = t->target;
    Machine::Pin keep(m, target);
    if (!t->isTimerObject) {
        const std::vector<Value> args = t->args;
        timers.fired(id, at);
        for (const Value& v : args)
            m.pin(v);
        struct Unpin {
            Machine& m;
            size_t n;
            ~Unpin() { m.unpin(n); }
        } unpin{m, args.size()};
        (void)m.call(target, Value::null(), args);
        return;
    }
    timers.fired(id, at);
    TimerState& s = timerOf(m, target);
    ++s.currentCount;
    const bool complete = s.repeatCount > 0 && s.currentCount >= s.repeatCount;
    if (complete)
        stopTimer(m, s);
    {
        Value event = makeEvent(m, u"timer", false, false, u"TimerEvent");
        Machine::Pin keepEvent(m, event);
        (void)dispatch(m, target.asObject(), event);
    }
    if (complete) {
        Value event = makeEvent(m, u"timerComplete", false, false, u"TimerEvent");
        Machine::Pin keepEvent(m, event);
        (void)dispatch(m, target.asObject(), event);
    }
}

std::span<const avm2::CoreClassSpec> timerClasses() { return Classes; }
std::span<const avm2::PackageFunction> timerFunctions() { return Functions; }

}  // namespace as3
