// flash.display.SimpleButton. One the timeline places (or a class linked to
// a button symbol makes) draws with the model's button, whose states come
// from its records and play its sounds; one a script makes from display
// objects draws with an empty clip showing the current state's object, and
// is hit where its hitTestState's shapes are. The pointer moves both
// between their up, over and down states. A timeline button's states read
// as Sprites drawing their records; replacing them is refused.
#include "as3/button_state.h"
#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"

#include "model/button_object.h"
#include "model/transform.h"

#include "script/hit_test.h"

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

// The states a script gives, kept with the display object (traced there).
constexpr const char16_t* StateKeys[] = {u"\x01upState", u"\x01overState", u"\x01downState", u"\x01hitTestState"};
constexpr char16_t Shown[] = u"\x01shown";
constexpr char16_t Enabled[] = u"enabled";
constexpr char16_t TrackAsMenu[] = u"trackAsMenu";
constexpr char16_t UseHandCursor[] = u"useHandCursor";
constexpr int32_t StateDepth = 1;

enum State : size_t { Up = 0, Over = 1, Down = 2, Hit = 3 };

bool isButton(const DisplayState& d) { return d.stored.contains(Shown); }

DisplayState& buttonOf(Machine& m, Value t) {
    DisplayState& d = displayOf(m, t);
    if (!isButton(d))
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.display.SimpleButton.");
    return d;
}

Value stored(const DisplayState& d, const char16_t* key) {
    auto it = d.stored.find(key);
    return it != d.stored.end() ? it->second : Value();
}

bool flag(const DisplayState& d, const char16_t* key) {
    const Value v = stored(d, key);
    return v.isBoolean() && v.asBoolean();
}

model::DisplayObject* modelOf(Machine& m, Value v) {
    auto* state = v.isObject() ? v.asObject()->nativeAs<DisplayState>() : nullptr;
    return state ? state->object.get() : nullptr;
}

// Shows `state`: the model's button changes its records (and plays its
// sound); a script button's clip swaps the state's object in.
void show(Machine& m, DisplayState& d, State state) {
    if (auto* button = d.object ? d.object->as<model::ButtonObject>() : nullptr) {
        button->setState(state == Down   ? model::ButtonState::Down
                         : state == Over ? model::ButtonState::Over
                                         : model::ButtonState::Up);
        d.stored[Shown] = Value::fromInt(int32_t(state));
        return;
    }
    model::MovieClip* clip = d.clip();
    if (!clip)
        return;
    (void)clip->releaseChild(StateDepth);
    d.stored[Shown] = Value::fromInt(int32_t(state));
    const Value object = stored(d, StateKeys[state]);
    auto* s = object.isObject() ? object.asObject()->nativeAs<DisplayState>() : nullptr;
    if (!s || !s->object || s->object->parent() || s->object == hostContext(m).stage.rootPtr())
        return;
    // A state that holds the button itself would draw it inside itself.
    size_t steps = 0;
    for (const model::DisplayObject* o = clip; o && steps < 100000; o = o->parent(), ++steps) {
        if (o == s->object.get())
            return;
    }
    (void)clip->adoptChild(StateDepth, s->object);
}

State shownState(const DisplayState& d) {
    const Value v = stored(d, Shown);
    return v.isInt() && v.asInt() >= 0 && v.asInt() <= 2 ? State(v.asInt()) : Up;
}

Value buttonInit(Machine& m, Value t, std::span<const Value> args) {
    const bool fresh = !t.asObject()->nativeAs<DisplayState>();
    (void)initInteractiveObject(m, t, args);
    DisplayState& d = displayOf(m, t);
    if (!fresh)
        return Value();
    d.stored[Enabled] = Value::boolean(true);
    d.stored[UseHandCursor] = Value::boolean(true);
    // A timeline button starts with its DefineButton2 menu flag.
    const auto* placed = d.object ? d.object->as<model::ButtonObject>() : nullptr;
    d.stored[TrackAsMenu] = Value::boolean(placed && placed->button().trackAsMenu);
    d.stored[Shown] = Value::fromInt(Up);
    for (size_t i = 0; i < std::size(StateKeys); ++i) {
        const Value v = argument(args, i);
        if (v.isObject())
            (void)displayOf(m, v);
        d.stored[StateKeys[i]] = v.isObject() ? v : Value::null();
    }
    show(m, d, Up);
    return Value();
}

// A timeline button's state read by a script: a Sprite drawing that
// state's records, made on first read (its records have no objects of
// their own here).
Value timelineState(Machine& m, DisplayState& d, const model::ButtonObject& button, State state) {
    Value sprite = m.construct(Value::object(m.coreClass(u"flash.display", u"Sprite")), {});
    Machine::Pin keep(m, sprite);
    model::MovieClip* clip = displayOf(m, sprite).clip();
    for (const swf::ButtonRecord& r : button.button().records) {
        const bool in = state == Up ? r.up : state == Over ? r.over : state == Down ? r.down : r.hit;
        auto object = in && clip ? hostContext(m).stage.createDetachedObject(r.characterId) : nullptr;
        if (!object)
            continue;
        object->setMatrix(r.matrix);
        object->setColorTransform(r.colorTransform);
        (void)clip->adoptChild(r.depth, std::move(object));
    }
    d.stored[StateKeys[state]] = sprite;
    return sprite;
}

template <State S>
Value stateGet(Machine& m, Value t, std::span<const Value>) {
    DisplayState& d = buttonOf(m, t);
    const Value v = stored(d, StateKeys[S]);
    if (v.isObject())
        return v;
    if (const auto* button = d.object ? d.object->as<model::ButtonObject>() : nullptr)
        return timelineState(m, d, *button, S);
    return Value::null();
}
template <State S>
Value stateSet(Machine& m, Value t, std::span<const Value> args) {
    DisplayState& d = buttonOf(m, t);
    const Value v = argument(args, 0);
    if (v.isObject())
        (void)displayOf(m, v);
    if (d.object && d.object->as<model::ButtonObject>())
        m.throwError("IllegalOperationError", 2071, u"The states of a timeline button cannot be replaced here.");
    d.stored[StateKeys[S]] = v.isObject() ? v : Value::null();
    if (S != Hit && shownState(d) == S)
        show(m, d, S);
    return Value();
}

template <const char16_t* Key>
Value flagGet(Machine& m, Value t, std::span<const Value>) {
    return Value::boolean(flag(buttonOf(m, t), Key));
}
template <const char16_t* Key>
Value flagSet(Machine& m, Value t, std::span<const Value> args) {
    DisplayState& d = buttonOf(m, t);
    d.stored[Key] = Value::boolean(avm2::toBoolean(argument(args, 0)));
    if (Key == Enabled && !flag(d, Enabled))
        show(m, d, Up);
    return Value();
}

const avm2::NativeAccessor Accessors[] = {
    {u"upState", stateGet<Up>, stateSet<Up>},
    {u"overState", stateGet<Over>, stateSet<Over>},
    {u"downState", stateGet<Down>, stateSet<Down>},
    {u"hitTestState", stateGet<Hit>, stateSet<Hit>},
    {u"enabled", flagGet<Enabled>, flagSet<Enabled>},
    {u"trackAsMenu", flagGet<TrackAsMenu>, flagSet<TrackAsMenu>},
    {u"useHandCursor", flagGet<UseHandCursor>, flagSet<UseHandCursor>},
};

// soundTransform as Sprite's: the button's sounds are its own.
const std::vector<avm2::NativeAccessor> AllAccessors =
    joinedTables<avm2::NativeAccessor>({Accessors, spriteSoundAccessors()});

const avm2::CoreClassSpec Classes[] = {
    sealedClass(u"flash.display", u"SimpleButton", u"flash.display.InteractiveObject", buttonInit,
                {.accessors = AllAccessors}),
};

}  // namespace

bool hitsScriptButton(Machine& m, const script::HitTester& hits, const DisplayState& d, swf::Point stage) {
    if (!isButton(d) || !d.object || d.object->as<model::ButtonObject>())
        return false;
    model::DisplayObject* hit = modelOf(m, stored(d, StateKeys[Hit]));
    if (!hit)
        return false;
    // A hit object shown in the button is where the button is; one on no
    // list lies in the button's coordinates.
    if (hit->parent())
        return hits.hits(*hit, stage, true);
    const auto toLocal = model::invert(d.object->concatenatedMatrix());
    return toLocal && hits.hits(*hit, model::apply(*toLocal, stage), true);
}

void updateButtons(Machine& m, bool buttonDown) {
    HeldValues& held = hostContext(m).held;
    const Value hover = held.hover;
    const Value pressed = held.pressed;
    auto* target = hover.isObject() ? hover.asObject()->nativeAs<DisplayState>() : nullptr;
    if (target && (!isButton(*target) || !flag(*target, Enabled)))
        target = nullptr;
    State state = Up;
    if (target) {
        const bool pressedHere = pressed.isObject() && pressed.asObject() == hover.asObject();
        if (!buttonDown)
            state = Over;
        else if (pressedHere || flag(*target, TrackAsMenu))
            state = Down;
    }
    const Value before = held.button;
    if (before.isObject() && (!target || before.asObject() != hover.asObject())) {
        if (auto* b = before.asObject()->nativeAs<DisplayState>())
            show(m, *b, Up);
    }
    held.button = target ? hover : Value();
    if (target && shownState(*target) != state)
        show(m, *target, state);
}

void followMenuPress(Machine& m, bool buttonDown) {
    HeldValues& held = hostContext(m).held;
    const Value hover = held.hover;
    const Value pressed = held.pressed;
    if (!buttonDown || !hover.isObject() || !pressed.isObject() || hover.asObject() == pressed.asObject())
        return;
    const auto* to = hover.asObject()->nativeAs<DisplayState>();
    const auto* from = pressed.asObject()->nativeAs<DisplayState>();
    if (to && from && flag(*to, TrackAsMenu) && flag(*from, TrackAsMenu))
        held.pressed = hover;
}

std::span<const avm2::CoreClassSpec> buttonClasses() { return Classes; }

}  // namespace as3
