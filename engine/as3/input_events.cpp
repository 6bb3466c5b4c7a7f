#include "as3/input_events.h"
#include "as3/member_tables.h"

#include "as3/button_state.h"
#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/movie_security.h"
#include "as3/text_values.h"

#include "avm2/conversions.h"

#include "model/placement3d.h"
#include "model/transform.h"

#include "script/hit_test.h"

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

InputEventState& input(Machine& m, Value t) {
    auto* state = t.isObject() ? t.asObject()->nativeAs<InputEventState>() : nullptr;
    if (!state)
        m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
    return *state;
}

double numberArg(Machine& m, std::span<const Value> args, size_t i, double otherwise) {
    return i < args.size() && !args[i].isUndefined() ? m.toNumber(args[i]) : otherwise;
}

// MouseEvent(type, bubbles = true, cancelable = false, localX, localY,
// relatedObject, ctrlKey, altKey, shiftKey, buttonDown, delta).
Value mouseInit(Machine& m, Value t, std::span<const Value> args) {
    auto state = std::make_unique<InputEventState>();
    state->type = Value::string(m.toString(argument(args, 0)));
    state->bubbles = args.size() < 2 || avm2::toBoolean(args[1]);
    state->cancelable = avm2::toBoolean(argument(args, 2));
    state->localX = numberArg(m, args, 3, 0);
    state->localY = numberArg(m, args, 4, 0);
    state->relatedObject = argument(args, 5).isObject() ? args[5] : Value();
    state->ctrlKey = avm2::toBoolean(argument(args, 6));
    state->altKey = avm2::toBoolean(argument(args, 7));
    state->shiftKey = avm2::toBoolean(argument(args, 8));
    state->buttonDown = avm2::toBoolean(argument(args, 9));
    state->delta = avm2::toInt32(numberArg(m, args, 10, 0));
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

// KeyboardEvent(type, bubbles = true, cancelable = false, charCode, keyCode,
// keyLocation, ctrlKey, altKey, shiftKey).
Value keyInit(Machine& m, Value t, std::span<const Value> args) {
    auto state = std::make_unique<InputEventState>();
    state->type = Value::string(m.toString(argument(args, 0)));
    state->bubbles = args.size() < 2 || avm2::toBoolean(args[1]);
    state->cancelable = avm2::toBoolean(argument(args, 2));
    state->charCode = avm2::toUInt32(numberArg(m, args, 3, 0));
    state->keyCode = avm2::toUInt32(numberArg(m, args, 4, 0));
    state->keyLocation = avm2::toUInt32(numberArg(m, args, 5, 0));
    state->ctrlKey = avm2::toBoolean(argument(args, 6));
    state->altKey = avm2::toBoolean(argument(args, 7));
    state->shiftKey = avm2::toBoolean(argument(args, 8));
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

template <double InputEventState::*Field>
Value getNumber(Machine& m, Value t, std::span<const Value>) {
    return Value::number(input(m, t).*Field);
}
template <double InputEventState::*Field>
Value setNumber(Machine& m, Value t, std::span<const Value> args) {
    input(m, t).*Field = m.toNumber(argument(args, 0));
    return Value();
}
template <bool InputEventState::*Field>
Value getFlag(Machine& m, Value t, std::span<const Value>) {
    return Value::boolean(input(m, t).*Field);
}
template <bool InputEventState::*Field>
Value setFlag(Machine& m, Value t, std::span<const Value> args) {
    input(m, t).*Field = avm2::toBoolean(argument(args, 0));
    return Value();
}
template <uint32_t InputEventState::*Field>
Value getCode(Machine& m, Value t, std::span<const Value>) {
    return Value::number(double(input(m, t).*Field));
}
template <uint32_t InputEventState::*Field>
Value setCode(Machine& m, Value t, std::span<const Value> args) {
    input(m, t).*Field = avm2::toUInt32(m.toNumber(argument(args, 0)));
    return Value();
}
Value getDelta(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(input(m, t).delta); }
Value setDelta(Machine& m, Value t, std::span<const Value> args) {
    input(m, t).delta = avm2::toInt32(m.toNumber(argument(args, 0)));
    return Value();
}
Value getRelated(Machine& m, Value t, std::span<const Value>) { return reachableOrNull(m, input(m, t).relatedObject); }
Value setRelated(Machine& m, Value t, std::span<const Value> args) {
    input(m, t).relatedObject = argument(args, 0).isObject() ? args[0] : Value();
    return Value();
}
Value getRelatedInaccessible(Machine& m, Value t, std::span<const Value>) {
    const InputEventState& e = input(m, t);
    return Value::boolean(isInaccessible(m, e.relatedObject, e.relatedInaccessible));
}
Value setRelatedInaccessible(Machine& m, Value t, std::span<const Value> args) {
    input(m, t).relatedInaccessible = avm2::toBoolean(argument(args, 0));
    return Value();
}
Value noChange(Machine&, Value, std::span<const Value>) { return Value(); }

Value mouseClone(Machine& m, Value t, std::span<const Value>) {
    const InputEventState& e = input(m, t);
    const Value args[11] = {e.type,
                            Value::boolean(e.bubbles),
                            Value::boolean(e.cancelable),
                            Value::number(e.localX),
                            Value::number(e.localY),
                            e.relatedObject,
                            Value::boolean(e.ctrlKey),
                            Value::boolean(e.altKey),
                            Value::boolean(e.shiftKey),
                            Value::boolean(e.buttonDown),
                            Value::fromInt(e.delta)};
    Value copy = m.construct(Value::object(m.coreClass(u"flash.events", u"MouseEvent")), args);
    input(m, copy).stageX = e.stageX;
    input(m, copy).stageY = e.stageY;
    input(m, copy).relatedInaccessible = e.relatedInaccessible;
    return copy;
}
Value keyClone(Machine& m, Value t, std::span<const Value>) {
    const InputEventState& e = input(m, t);
    const Value args[9] = {e.type,
                           Value::boolean(e.bubbles),
                           Value::boolean(e.cancelable),
                           Value::number(double(e.charCode)),
                           Value::number(double(e.keyCode)),
                           Value::number(double(e.keyLocation)),
                           Value::boolean(e.ctrlKey),
                           Value::boolean(e.altKey),
                           Value::boolean(e.shiftKey)};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"KeyboardEvent")), args);
}

const avm2::NativeAccessor MouseAccessors[] = {
    {u"localX", getNumber<&InputEventState::localX>, setNumber<&InputEventState::localX>},
    {u"localY", getNumber<&InputEventState::localY>, setNumber<&InputEventState::localY>},
    {u"stageX", getNumber<&InputEventState::stageX>},
    {u"stageY", getNumber<&InputEventState::stageY>},
    {u"relatedObject", getRelated, setRelated},
    {u"isRelatedObjectInaccessible", getRelatedInaccessible, setRelatedInaccessible},
    {u"ctrlKey", getFlag<&InputEventState::ctrlKey>, setFlag<&InputEventState::ctrlKey>},
    {u"altKey", getFlag<&InputEventState::altKey>, setFlag<&InputEventState::altKey>},
    {u"shiftKey", getFlag<&InputEventState::shiftKey>, setFlag<&InputEventState::shiftKey>},
    {u"buttonDown", getFlag<&InputEventState::buttonDown>, setFlag<&InputEventState::buttonDown>},
    {u"delta", getDelta, setDelta},
};
const avm2::NativeMember MouseMethods[] = {{u"clone", mouseClone}, {u"updateAfterEvent", noChange}};
const avm2::NativeStringConstant MouseTypes[] = {
    {u"CLICK", u"click"},          {u"DOUBLE_CLICK", u"doubleClick"},
    {u"MOUSE_DOWN", u"mouseDown"}, {u"MOUSE_UP", u"mouseUp"},
    {u"MOUSE_MOVE", u"mouseMove"}, {u"MOUSE_OVER", u"mouseOver"},
    {u"MOUSE_OUT", u"mouseOut"},   {u"ROLL_OVER", u"rollOver"},
    {u"ROLL_OUT", u"rollOut"},     {u"MOUSE_WHEEL", u"mouseWheel"},
};
const avm2::NativeAccessor KeyAccessors[] = {
    {u"charCode", getCode<&InputEventState::charCode>, setCode<&InputEventState::charCode>},
    {u"keyCode", getCode<&InputEventState::keyCode>, setCode<&InputEventState::keyCode>},
    {u"keyLocation", getCode<&InputEventState::keyLocation>, setCode<&InputEventState::keyLocation>},
    {u"ctrlKey", getFlag<&InputEventState::ctrlKey>, setFlag<&InputEventState::ctrlKey>},
    {u"altKey", getFlag<&InputEventState::altKey>, setFlag<&InputEventState::altKey>},
    {u"shiftKey", getFlag<&InputEventState::shiftKey>, setFlag<&InputEventState::shiftKey>},
};
const avm2::NativeMember KeyMethods[] = {{u"clone", keyClone}, {u"updateAfterEvent", noChange}};
const avm2::NativeStringConstant KeyTypes[] = {{u"KEY_DOWN", u"keyDown"}, {u"KEY_UP", u"keyUp"}};

const avm2::CoreClassSpec Classes[] = {
    sealedClass(u"flash.events", u"MouseEvent", u"flash.events.Event", mouseInit,
                {.methods = MouseMethods, .accessors = MouseAccessors, .strings = MouseTypes}),
    sealedClass(u"flash.events", u"KeyboardEvent", u"flash.events.Event", keyInit,
                {.methods = KeyMethods, .accessors = KeyAccessors, .strings = KeyTypes}),
};

// Keys made once: the pointer's pick looks them up in every object.
const std::u16string MouseEnabledKey = u"mouseEnabled", MouseChildrenKey = u"mouseChildren", HitAreaKey = u"hitArea",
                     HitAreaOwnerKey = u"hitAreaOwner";

bool flag(const DisplayState& d, const std::u16string& name) {
    auto it = d.stored.find(name);
    return it == d.stored.end() || avm2::toBoolean(it->second);
}

}  // namespace

bool drawingHit(const model::MovieClip& clip, swf::Point stage) {
    const model::Drawing* drawing = clip.drawingIfAny();
    if (!drawing || drawing->empty())
        return false;
    // Placed in 3D (it or a parent): where its flat drawing has the point.
    const auto flat = model::flatStagePoint(clip, stage);
    const auto toLocal = model::invert(model::multiply(clip.concatenatedMatrix(), clip.contentMatrix()));
    if (!toLocal || !flat)
        return false;
    std::vector<uint16_t> widths;
    for (const swf::LineStyle& line : drawing->styles().lineStyles)
        widths.push_back(line.width);
    return script::geometryContains(drawing->geometry(), widths, model::apply(*toLocal, *flat), 20.0);
}

namespace {

// What the object draws itself, without the children scripts added (they
// are picked one by one): a clip's drawing and what its timeline placed;
// other model objects whole.
bool hitsOwn(const script::HitTester& hits, const model::DisplayObject& object, swf::Point stage) {
    const auto* clip = object.as<model::MovieClip>();
    if (!clip)
        return hits.hits(object, stage);
    for (const auto& [depth, child] : clip->displayList()) {
        if (child->origin() == model::Origin::Timeline && hits.hits(*child, stage))
            return true;
    }
    return drawingHit(*clip, stage);
}

struct Pick {
    Object* target = nullptr;  // takes the event
    bool hit = false;          // a shape under the point that takes no event itself
    // The ActionScript 1/2 movie whose shape is the one hit, if it is one.
    const model::DisplayObject* avm1 = nullptr;
};

bool isAvm1Root(const HostContext& ctx, const model::DisplayObject* o) {
    return o && std::any_of(ctx.avm1Movies.begin(), ctx.avm1Movies.end(),
                            [&](const HostContext::Avm1Movie& movie) { return movie.root.lock().get() == o; });
}

// Children from the top down, each hit by its real shapes.
Pick pick(Machine& m, const script::HitTester& hits, Object* o, swf::Point point, int depth);

// A field's <img> clips, above its text, from the top down: their own
// objects (made on first need) take the pointer like any other.
Pick pickFieldImage(Machine& m, const script::HitTester& hits, Object* field, const model::EditTextObject& text,
                    swf::Point point, int depth) {
    const auto& images = text.imageClips();
    std::vector<std::shared_ptr<model::DisplayObject>> clips;
    for (const auto& [at, image] : images)
        clips.push_back(image);
    for (size_t i = clips.size(); i-- > 0;) {
        if (!hits.hits(*clips[i], point))
            continue;
        Value image;
        try {
            image = fieldImageObject(m, field, clips[i]);
        } catch (...) {
            return {};
        }
        if (const Pick below = pick(m, hits, image.asObject(), point, depth + 1); below.hit)
            return below;
    }
    return {};
}

Pick pick(Machine& m, const script::HitTester& hits, Object* o, swf::Point point, int depth) {
    DisplayState& d = displayOf(m, Value::object(o));
    if ((d.object && !d.object->isVisible()) || depth > 256)
        return {};
    const bool interactive = d.isInteractive;
    // A sprite's hitArea is hit for it (and for none of its children); the
    // area itself takes no pointer.
    if (d.stored.contains(HitAreaOwnerKey))
        return {};
    if (auto area = d.stored.find(HitAreaKey); area != d.stored.end() && area->second.isObject()) {
        const DisplayState& a = displayOf(m, area->second);
        if (!a.object || !hits.hits(*a.object, point, true) || (interactive && !flag(d, MouseEnabledKey)))
            return {};
        return {interactive ? o : nullptr, true};
    }
    if (d.isContainer) {
        const std::vector<Value> children = d.children;
        for (size_t i = children.size(); i-- > 0;) {
            const Pick below = pick(m, hits, children[i].asObject(), point, depth + 1);
            if (!below.hit)
                continue;
            if (below.target && flag(d, MouseChildrenKey))
                return below;
            // A shape's hit, or one its container keeps from its children.
            if (flag(d, MouseEnabledKey))
                return {o, true, below.avm1};
        }
    }
    // An old movie is hit by everything in it, its scripts' clips too; its
    // own buttons take the event from there.
    if (isAvm1Root(hostContext(m), d.object.get()))
        return hits.hits(*d.object, point) ? Pick{nullptr, true, d.object.get()} : Pick{};
    if (const auto* field = d.object ? d.object->as<model::EditTextObject>() : nullptr;
        field && !field->imageClips().empty()) {
        if (const Pick image = pickFieldImage(m, hits, o, *field, point, depth); image.hit) {
            if (image.target)
                return image;
            if (flag(d, MouseEnabledKey))
                return {o, true, image.avm1};
        }
    }
    // What the object draws itself (a container's drawing, a leaf's shape).
    // An object with mouseEnabled off lets the pointer through. Shapes
    // first: most objects are not under the pointer.
    if (!d.object || d.isStage || !(hitsOwn(hits, *d.object, point) || hitsScriptButton(m, hits, d, point)))
        return {};
    if (interactive && !flag(d, MouseEnabledKey))
        return {};
    return {interactive ? o : nullptr, true};
}

}  // namespace

PointerHit pointerHitAt(Machine& m, swf::Point stage) {
    HostContext& ctx = hostContext(m);
    Object* stageObject = ctx.held.stage.isObject() ? ctx.held.stage.asObject() : nullptr;
    if (!stageObject)
        return {};
    const script::HitTester hits(ctx.stage);
    const Pick found = pick(m, hits, stageObject, stage, 0);
    return {found.target ? found.target : stageObject, found.avm1};
}

Object* mouseTargetAt(Machine& m, swf::Point stage) { return pointerHitAt(m, stage).target; }

std::span<const avm2::CoreClassSpec> inputEventClasses() { return Classes; }

}  // namespace as3
