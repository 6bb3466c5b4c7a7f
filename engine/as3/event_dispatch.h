// Events of flash.events: the state an Event and an EventDispatcher keep,
// and the flow of one dispatch: capture from the outermost ancestor down,
// the target, then bubbling back up when the event bubbles. Listeners of one
// object run by priority, then in the order they were added; the list is
// taken when the object's turn comes, so a listener added meanwhile waits
// for the next event.
#pragma once

#include "avm2/machine.h"
#include "avm2/object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace as3 {

enum class EventPhase : uint8_t { None = 0, Capturing = 1, AtTarget = 2, Bubbling = 3 };

struct EventState : avm2::NativeState {
    avm2::Value type;  // a string
    bool bubbles = false;
    bool cancelable = false;
    EventPhase phase = EventPhase::AtTarget;  // a new event reads as at its target
    avm2::Value target;
    avm2::Value currentTarget;
    bool stopped = false;     // stopPropagation
    bool stoppedNow = false;  // stopImmediatePropagation
    bool prevented = false;   // preventDefault on a cancelable event
    // ErrorEvent and TimerEvent keep their extras here.
    avm2::Value text;
    int32_t errorId = 0;

    void trace(avm2::Tracer& tracer) const override;
};

struct Listener {
    avm2::Value function;
    int32_t priority = 0;
    bool capture = false;
    // useWeakReference: the listener does not keep its function alive (a
    // method taken from an object lives as long as that object).
    bool weak = false;
};

// An EventDispatcher's listeners, by type. Display objects extend it with
// their place in the tree (see parent()).
struct DispatcherState : avm2::NativeState, private avm2::WeakHolder {
    std::vector<std::pair<std::u16string, std::vector<Listener>>> listeners;
    avm2::Value target;  // EventDispatcher(target): whom its events name

    [[nodiscard]] std::vector<Listener>* find(const std::u16string& type);
    [[nodiscard]] bool has(const std::u16string& type) const;
    // The object events bubble to next; none for a plain dispatcher.
    [[nodiscard]] virtual avm2::Object* parent() const { return nullptr; }
    void trace(avm2::Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override;

private:
    void traceWeak(avm2::Tracer& tracer) const override;
    void sweepWeak(const avm2::Tracer& tracer) override;
};

// The state of an EventDispatcher or display object, made on first need
// (a script subclass that skipped super() still gets one).
[[nodiscard]] DispatcherState& dispatcherOf(avm2::Machine& m, avm2::Object* o);
[[nodiscard]] EventState& eventOf(avm2::Machine& m, avm2::Value event);

// A new event of class flash.events.Event (or the named subclass).
[[nodiscard]] avm2::Value makeEvent(avm2::Machine& m, const char16_t* type, bool bubbles = false,
                                    bool cancelable = false, const char16_t* className = u"Event");

// Dispatches through the phases; true unless a listener prevented the
// default. An event dispatched before is dispatched as its clone. Script
// errors propagate (ScriptThrow).
bool dispatch(avm2::Machine& m, avm2::Object* target, avm2::Value event);
// The target phase alone, for the frame events every listener hears.
void dispatchAtTarget(avm2::Machine& m, avm2::Object* target, avm2::Value event);

// Frame event types, which reach objects off the display list too.
[[nodiscard]] bool isBroadcastType(std::u16string_view type);

}  // namespace as3
