// Focus, tab order and FocusEvent (see focus.h).
#include "as3/focus.h"

#include "as3/avm1_movies.h"
#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/input_events.h"
#include "as3/movie_security.h"
#include "as3/text_values.h"

#include "avm2/conversions.h"

#include <algorithm>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

constexpr char16_t TabEnabled[] = u"tabEnabled";
constexpr char16_t TabIndex[] = u"tabIndex";
constexpr char16_t TabChildren[] = u"tabChildren";
constexpr char16_t FocusRect[] = u"focusRect";
constexpr char16_t ContextMenu[] = u"contextMenu";
constexpr char16_t StageFocusRect[] = u"stageFocusRect";
constexpr uint32_t TabKey = 9;

Value storedOr(const DisplayState& d, const char16_t* key, Value otherwise) {
    auto it = d.stored.find(key);
    return it != d.stored.end() ? it->second : otherwise;
}

bool isA(Machine& m, Value v, const char16_t* package, const char16_t* name) {
    return m.isInstance(v, m.coreClass(package, name));
}

// Unless a script set it: input fields, buttons and sprites in button mode.
bool tabEnabled(Machine& m, Value v) {
    const DisplayState& d = displayOf(m, v);
    const Value set = storedOr(d, TabEnabled, Value());
    if (set.isBoolean())
        return set.asBoolean();
    if (const auto* field = textFieldOf(m, v))
        return field->settings().editable;
    if (isA(m, v, u"flash.display", u"SimpleButton"))
        return true;
    const Value buttonMode = storedOr(d, u"buttonMode", Value());
    return buttonMode.isBoolean() && buttonMode.asBoolean();
}

int32_t tabIndex(const DisplayState& d) {
    const Value v = storedOr(d, TabIndex, Value::fromInt(-1));
    return v.isInt() ? v.asInt() : -1;
}

bool takesFocus(Machine& m, Value v) {
    if (const auto* field = textFieldOf(m, v))
        return field->settings().editable || field->settings().selectable;
    return tabEnabled(m, v);
}

// The stage's tab order.
std::vector<Value> tabOrder(Machine& m) {
    const Value stage = hostContext(m).held.stage;
    std::vector<Value> all;
    if (!stage.isObject())
        return all;
    std::vector<Value> pending{stage};
    size_t visited = 0;
    while (!pending.empty() && ++visited < 100000) {
        const Value v = pending.back();
        pending.pop_back();
        DisplayState& d = displayOf(m, v);
        if (!d.isStage && (!d.object || !d.object->isVisible()))
            continue;
        if (!d.isStage && d.isInteractive && tabEnabled(m, v))
            all.push_back(v);
        const Value children = storedOr(d, TabChildren, Value::boolean(true));
        if (d.isContainer && (!children.isBoolean() || children.asBoolean())) {
            for (auto it = d.children.rbegin(); it != d.children.rend(); ++it)
                pending.push_back(*it);
        }
    }
    const bool indexed = std::any_of(all.begin(), all.end(), [&](Value v) { return tabIndex(displayOf(m, v)) >= 0; });
    if (indexed) {
        std::erase_if(all, [&](Value v) { return tabIndex(displayOf(m, v)) < 0; });
        std::stable_sort(all.begin(), all.end(),
                         [&](Value a, Value b) { return tabIndex(displayOf(m, a)) < tabIndex(displayOf(m, b)); });
    }
    return all;
}

// A FocusEvent; true unless a listener prevented its default.
bool sendFocusEvent(Machine& m, Value target, const char16_t* type, bool cancelable, Value related, bool shift,
                    uint32_t keyCode) {
    if (!target.isObject())
        return true;
    Value event = makeEvent(m, type, true, cancelable, u"FocusEvent");
    Machine::Pin keep(m, event);
    auto& e = *event.asObject()->nativeAs<InputEventState>();
    e.relatedObject = related.isObject() ? related : Value();
    e.shiftKey = shift;
    e.keyCode = keyCode;
    return dispatch(m, target.asObject(), event);
}

// --- FocusEvent --------------------------------------------------------------

InputEventState& focusEvent(Machine& m, Value t) {
    auto* state = t.isObject() ? t.asObject()->nativeAs<InputEventState>() : nullptr;
    if (!state)
        m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
    return *state;
}

// FocusEvent(type, bubbles = true, cancelable = false, relatedObject,
// shiftKey, keyCode).
Value focusEventInit(Machine& m, Value t, std::span<const Value> args) {
    auto state = std::make_unique<InputEventState>();
    state->type = Value::string(m.toString(argument(args, 0)));
    state->bubbles = args.size() < 2 || avm2::toBoolean(args[1]);
    state->cancelable = avm2::toBoolean(argument(args, 2));
    state->relatedObject = argument(args, 3).isObject() ? args[3] : Value();
    state->shiftKey = avm2::toBoolean(argument(args, 4));
    state->keyCode = avm2::toUInt32(m.toNumber(argument(args, 5)));
    t.asObject()->setNativeState(std::move(state));
    return Value();
}
// Objects of a movie the listener may not reach read as null.
Value focusRelated(Machine& m, Value t, std::span<const Value>) {
    return reachableOrNull(m, focusEvent(m, t).relatedObject);
}
Value focusSetRelated(Machine& m, Value t, std::span<const Value> args) {
    focusEvent(m, t).relatedObject = argument(args, 0).isObject() ? args[0] : Value();
    return Value();
}
Value focusShift(Machine& m, Value t, std::span<const Value>) { return Value::boolean(focusEvent(m, t).shiftKey); }
Value focusSetShift(Machine& m, Value t, std::span<const Value> args) {
    focusEvent(m, t).shiftKey = avm2::toBoolean(argument(args, 0));
    return Value();
}
Value focusKeyCode(Machine& m, Value t, std::span<const Value>) { return Value::fromUInt(focusEvent(m, t).keyCode); }
Value focusSetKeyCode(Machine& m, Value t, std::span<const Value> args) {
    focusEvent(m, t).keyCode = avm2::toUInt32(m.toNumber(argument(args, 0)));
    return Value();
}
Value focusInaccessible(Machine& m, Value t, std::span<const Value>) {
    const InputEventState& e = focusEvent(m, t);
    return Value::boolean(isInaccessible(m, e.relatedObject, e.relatedInaccessible));
}
Value focusSetInaccessible(Machine& m, Value t, std::span<const Value> args) {
    focusEvent(m, t).relatedInaccessible = avm2::toBoolean(argument(args, 0));
    return Value();
}
Value focusClone(Machine& m, Value t, std::span<const Value>) {
    const InputEventState& e = focusEvent(m, t);
    const Value args[6] = {e.type,          Value::boolean(e.bubbles),  Value::boolean(e.cancelable),
                           e.relatedObject, Value::boolean(e.shiftKey), Value::fromUInt(e.keyCode)};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"FocusEvent")), args);
}

const avm2::NativeAccessor FocusEventAccessors[] = {
    {u"relatedObject", focusRelated, focusSetRelated},
    {u"shiftKey", focusShift, focusSetShift},
    {u"keyCode", focusKeyCode, focusSetKeyCode},
    {u"isRelatedObjectInaccessible", focusInaccessible, focusSetInaccessible},
};
const avm2::NativeMember FocusEventMethods[] = {{u"clone", focusClone}};
const avm2::NativeStringConstant FocusEventTypes[] = {
    {u"FOCUS_IN", u"focusIn"},
    {u"FOCUS_OUT", u"focusOut"},
    {u"KEY_FOCUS_CHANGE", u"keyFocusChange"},
    {u"MOUSE_FOCUS_CHANGE", u"mouseFocusChange"},
};

const avm2::CoreClassSpec Classes[] = {
    {.name = u"FocusEvent",
     .base = u"flash.events.Event",
     .init = focusEventInit,
     .package = u"flash.events",
     .methods = FocusEventMethods,
     .accessors = FocusEventAccessors,
     .stringConstants = FocusEventTypes},
};

// --- InteractiveObject and container members -----------------------------------

Value tabEnabledGet(Machine& m, Value t, std::span<const Value>) { return Value::boolean(tabEnabled(m, t)); }
Value tabEnabledSet(Machine& m, Value t, std::span<const Value> args) {
    displayOf(m, t).stored[TabEnabled] = Value::boolean(avm2::toBoolean(argument(args, 0)));
    return Value();
}
Value tabIndexGet(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(tabIndex(displayOf(m, t))); }
Value tabIndexSet(Machine& m, Value t, std::span<const Value> args) {
    const int32_t index = avm2::toInt32(m.toNumber(argument(args, 0)));
    if (index < -1)
        m.throwError("RangeError", 2006, u"The supplied index is out of bounds.");
    displayOf(m, t).stored[TabIndex] = Value::fromInt(index);
    return Value();
}
Value tabChildrenGet(Machine& m, Value t, std::span<const Value>) {
    const Value v = storedOr(displayOf(m, t), TabChildren, Value::boolean(true));
    return Value::boolean(!v.isBoolean() || v.asBoolean());
}
Value tabChildrenSet(Machine& m, Value t, std::span<const Value> args) {
    displayOf(m, t).stored[TabChildren] = Value::boolean(avm2::toBoolean(argument(args, 0)));
    return Value();
}
// focusRect: null (the stage's setting), true or false (see focusHighlight).
Value focusRectGet(Machine& m, Value t, std::span<const Value>) {
    const Value v = storedOr(displayOf(m, t), FocusRect, Value::null());
    return v.isBoolean() ? v : Value::null();
}
Value focusRectSet(Machine& m, Value t, std::span<const Value> args) {
    const Value v = argument(args, 0);
    displayOf(m, t).stored[FocusRect] = v.isNullish() ? Value::null() : Value::boolean(avm2::toBoolean(v));
    return Value();
}
Value contextMenuGet(Machine& m, Value t, std::span<const Value>) {
    const Value v = storedOr(displayOf(m, t), ContextMenu, Value::null());
    return v.isObject() ? v : Value::null();
}
Value contextMenuSet(Machine& m, Value t, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (v.isObject() && !isA(m, v, u"flash.ui", u"ContextMenu"))
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.ui.ContextMenu.");
    displayOf(m, t).stored[ContextMenu] = v.isObject() ? v : Value::null();
    return Value();
}

const avm2::NativeAccessor InteractiveFocus[] = {
    {u"tabEnabled", tabEnabledGet, tabEnabledSet},
    {u"tabIndex", tabIndexGet, tabIndexSet},
    {u"focusRect", focusRectGet, focusRectSet},
    {u"contextMenu", contextMenuGet, contextMenuSet},
};
const avm2::NativeAccessor ContainerFocus[] = {{u"tabChildren", tabChildrenGet, tabChildrenSet}};

}  // namespace

std::span<const avm2::CoreClassSpec> focusClasses() { return Classes; }
std::span<const avm2::NativeAccessor> interactiveFocusAccessors() { return InteractiveFocus; }
std::span<const avm2::NativeAccessor> containerFocusAccessors() { return ContainerFocus; }

void moveFocus(Machine& m, Value focus) {
    hostContext(m).focusByTab = false;
    HeldValues& held = hostContext(m).held;
    const Value before = held.focus.isObject() ? held.focus : Value();
    const Value after = focus.isObject() ? focus : Value();
    if (before.isObject() && after.isObject() && before.asObject() == after.asObject())
        return;
    held.focus = after;
    // An AS3 object with the focus takes the keys from an old movie.
    if (after.isObject())
        releaseAvm1Focus(hostContext(m));
    Machine::Pin keepBefore(m, before);
    Machine::Pin keepAfter(m, after);
    if (before.isObject() && onStage(before.asObject()))
        (void)sendFocusEvent(m, before, u"focusOut", false, after, false, 0);
    if (after.isObject())
        (void)sendFocusEvent(m, after, u"focusIn", false, before, false, 0);
}

void pressFocus(Machine& m, Object* target, bool shiftKey) {
    // Any press hides the focus rectangle.
    hostContext(m).focusByTab = false;
    const Value v = target ? Value::object(target) : Value();
    HeldValues& held = hostContext(m).held;
    const bool focusable = v.isObject() && !displayOf(m, v).isStage && takesFocus(m, v);
    const Value current = held.focus.isObject() ? held.focus : Value();
    // A press elsewhere leaves focus alone, but a text field loses it.
    if (!focusable && !(current.isObject() && textFieldOf(m, current)))
        return;
    const Value next = focusable ? v : Value();
    if (current.isObject() && next.isObject() && current.asObject() == next.asObject())
        return;
    if (current.isObject() && !sendFocusEvent(m, current, u"mouseFocusChange", true, next, shiftKey, 0))
        return;
    moveFocus(m, next);
}

void tabFocus(Machine& m, bool backward) {
    HeldValues& held = hostContext(m).held;
    const std::vector<Value> order = tabOrder(m);
    for (const Value& v : order)
        m.pin(v);
    struct Unpin {
        Machine& m;
        size_t n;
        ~Unpin() { m.unpin(n); }
    } unpin{m, order.size()};
    if (order.empty())
        return;
    const Value current = held.focus.isObject() ? held.focus : Value();
    auto at = current.isObject() ? std::find_if(order.begin(), order.end(),
                                                [&](Value v) { return v.asObject() == current.asObject(); })
                                 : order.end();
    size_t next = 0;
    if (at == order.end())
        next = backward ? order.size() - 1 : 0;
    else {
        const size_t i = size_t(at - order.begin());
        next = backward ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
    }
    const Value target = current.isObject() ? current : held.stage;
    if (!sendFocusEvent(m, target, u"keyFocusChange", true, order[next], backward, TabKey))
        return;
    moveFocus(m, order[next]);
    hostContext(m).focusByTab = held.focus.isObject() && held.focus.asObject() == order[next].asObject();
}

std::optional<swf::Rect> focusHighlight(Machine& m) {
    HostContext& ctx = hostContext(m);
    const Value focus = ctx.held.focus;
    if (!ctx.focusByTab || !focus.isObject() || !onStage(focus.asObject()) || textFieldOf(m, focus))
        return std::nullopt;
    const DisplayState& d = displayOf(m, focus);
    if (!d.object || !d.object->isVisible())
        return std::nullopt;
    Value show = storedOr(d, FocusRect, Value::null());
    if (!show.isBoolean() && ctx.held.stage.isObject())
        show = storedOr(displayOf(m, ctx.held.stage), StageFocusRect, Value::boolean(true));
    if (show.isBoolean() && !show.asBoolean())
        return std::nullopt;
    const swf::Bounds b = d.object->stageBounds();
    if (b.empty)
        return std::nullopt;
    auto twips = [](double v) { return int32_t(std::clamp(std::round(v), -1e9, 1e9)); };
    return swf::Rect{twips(b.xMin), twips(b.xMax), twips(b.yMin), twips(b.yMax)};
}

void selectContextMenu(Machine& m, Object* target) {
    const Value mouseTarget = target ? Value::object(target) : hostContext(m).held.stage;
    if (!mouseTarget.isObject())
        return;
    for (Object* o = mouseTarget.asObject(); o;) {
        const DisplayState* d = o->nativeAs<DisplayState>();
        if (!d)
            return;
        const Value menu = storedOr(*d, ContextMenu, Value::null());
        if (menu.isObject()) {
            const Value args[] = {m.string(u"menuSelect"), Value::boolean(false), Value::boolean(false), mouseTarget,
                                  Value::object(o)};
            const Value event = m.construct(Value::object(m.coreClass(u"flash.events", u"ContextMenuEvent")), args);
            Machine::Pin keep(m, event);
            (void)dispatch(m, menu.asObject(), event);
            return;
        }
        o = d->parentObject;
    }
}

uint32_t charCodeFor(uint32_t keyCode, uint32_t ascii, bool shift) {
    if (ascii != 0)
        return ascii;
    if (keyCode >= 65 && keyCode <= 90)
        return shift ? keyCode : keyCode + 32;
    if (keyCode >= 48 && keyCode <= 57)
        return shift ? uint32_t(U")!@#$%^&*("[keyCode - 48]) : keyCode;
    if (keyCode >= 96 && keyCode <= 105)
        return keyCode - 48;
    struct Key {
        uint32_t code;
        char plain, shifted;
    };
    static constexpr Key Keys[] = {
        {8, 8, 8},       {9, 9, 9},        {13, 13, 13},    {27, 27, 27},     {32, ' ', ' '},  {46, 127, 127},
        {106, '*', '*'}, {107, '+', '+'},  {109, '-', '-'}, {110, '.', '.'},  {111, '/', '/'}, {186, ';', ':'},
        {187, '=', '+'}, {188, ',', '<'},  {189, '-', '_'}, {190, '.', '>'},  {191, '/', '?'}, {192, '`', '~'},
        {219, '[', '{'}, {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'},
    };
    for (const Key& k : Keys) {
        if (k.code == keyCode)
            return uint32_t(uint8_t(shift ? k.shifted : k.plain));
    }
    return 0;
}

}  // namespace as3
