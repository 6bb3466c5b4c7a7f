// flash.display: DisplayObject, InteractiveObject, DisplayObjectContainer,
// Sprite, MovieClip, Shape and Stage: the tree, kept in step with the
// model's display lists (display_binding.h), and the timelines.
#include "as3/avm1_movies.h"
#include "as3/display_binding.h"
#include "as3/display_properties.h"
#include "as3/display_state.h"
#include "as3/focus.h"
#include "as3/geom3d.h"
#include "as3/graphics_state.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/movie_security.h"
#include "as3/pointer_queries.h"
#include "as3/scenes.h"
#include "as3/text_values.h"
#include "as3/timeline_instances.h"

#include "avm2/class_object.h"
#include "avm2/conversions.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

void DisplayState::trace(avm2::Tracer& tracer) const {
    DispatcherState::trace(tracer);
    tracer.cell(parentObject);
    tracer.values(children);
    tracer.value(name);
    tracer.values(frameScripts);
    tracer.value(graphics);
    tracer.value(mask);
    for (const auto& [key, v] : stored)
        tracer.value(v);
}

size_t DisplayState::extraBytes() const {
    return DispatcherState::extraBytes() + (children.capacity() + frameScripts.capacity()) * sizeof(Value) +
           stored.size() * 64;
}

DisplayState& displayOf(Machine& m, Value v) {
    auto* state = v.isObject() ? v.asObject()->nativeAs<DisplayState>() : nullptr;
    if (!state) {
        if (v.isNullish())
            m.throwError("TypeError", 2007, u"Parameter child must be non-null.");
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.display.DisplayObject.");
    }
    return *state;
}

bool onStage(Object* o) {
    size_t steps = 0;
    for (; o && steps < 100000; ++steps) {
        auto* state = o->nativeAs<DisplayState>();
        if (!state)
            return false;
        if (state->isStage)
            return true;
        o = state->parentObject;
    }
    return false;
}

namespace {

std::u16string text(Machine& m, Value v) { return m.toString(v)->text(); }

// Pixels from the model's twips.

void dispatchSimple(Machine& m, Object* target, const char16_t* type, bool bubbles) {
    Value event = makeEvent(m, type, bubbles);
    Machine::Pin keep(m, event);
    dispatch(m, target, event);
}

// addedToStage / removedFromStage reach the object and everything in it.
void dispatchToSubtree(Machine& m, Object* top, const char16_t* type) {
    std::vector<Value> order{Value::object(top)};
    for (size_t i = 0; i < order.size() && order.size() < 100000; ++i) {
        for (const Value& c : displayOf(m, order[i]).children)
            order.push_back(c);
    }
    for (const Value& o : order)
        m.pin(o);
    struct Unpin {
        Machine& m;
        size_t n;
        ~Unpin() { m.unpin(n); }
    } unpin{m, order.size()};
    for (const Value& o : order)
        dispatchSimple(m, o.asObject(), type, false);
}

// --- DisplayObject ------------------------------------------------------

// Every display object but the stage is drawn by a model object: the root by
// the stage's root clip, the others by an empty clip of their own.
Value displayInit(Machine& m, Value thisValue, std::span<const Value>, bool modelled = true) {
    Object* self = thisValue.asObject();
    if (self->nativeAs<DisplayState>())
        return Value();
    auto state = std::make_unique<DisplayState>();
    HostContext& ctx = hostContext(m);
    if (ctx.pendingRoot && !ctx.root) {
        state->object = std::move(ctx.pendingRoot);
        state->name = m.string(u"root1");
        ctx.root = self;
    } else if (ctx.pendingObject) {
        state->object = std::move(ctx.pendingObject);
        if (ctx.pendingInfo.isObject())
            state->stored[LoadedInfoKey] = std::exchange(ctx.pendingInfo, Value());
        const std::string& placedName = state->object->name();
        state->name = placedName.empty() ? m.string(u"instance" + avm2::numberToString(double(++ctx.instances)))
                                         : m.string(avm2::utf8ToUtf16(placedName));
    } else {
        if (modelled)
            state->object = newScriptObject(m, self);
        state->name = m.string(u"instance" + avm2::numberToString(double(++ctx.instances)));
    }
    self->setNativeState(std::move(state));
    if (ctx.root == self && ctx.held.stage.isObject()) {
        // The document is on the stage while its constructor runs.
        displayOf(m, thisValue).parentObject = ctx.held.stage.asObject();
        displayOf(m, ctx.held.stage).children.push_back(thisValue);
    }
    // What the object's own timeline placed exists before its constructor's body runs.
    syncTimelineChildren(m, self);
    return Value();
}

DisplayState& self(Machine& m, Value t) { return displayOf(m, t); }

Value getName(Machine& m, Value t, std::span<const Value>) { return self(m, t).name; }
Value setName(Machine& m, Value t, std::span<const Value> args) {
    DisplayState& d = self(m, t);
    if (d.object && d.object->origin() == model::Origin::Timeline)
        m.throwError("IllegalOperationError", 2078,
                     u"The name property of a Timeline-placed object cannot be modified.");
    d.name = Value::string(m.toString(argument(args, 0)));
    return Value();
}
Value getParent(Machine& m, Value t, std::span<const Value>) {
    Object* parent = self(m, t).parentObject;
    checkReach(m, parent, 2047, u"parent");
    return Value::object(parent);
}
Value getStage(Machine& m, Value t, std::span<const Value>) {
    return onStage(t.asObject()) ? hostContext(m).held.stage : Value::null();
}
Value getRoot(Machine& m, Value t, std::span<const Value>) {
    HostContext& ctx = hostContext(m);
    if (self(m, t).isStage)
        return ctx.held.stage;
    size_t steps = 0;
    // A Loader's content is the root of what is in it.
    for (Object* o = t.asObject(); o && steps < 100000; o = displayOf(m, Value::object(o)).parentObject, ++steps) {
        if (o == ctx.root || displayOf(m, Value::object(o)).stored.contains(LoadedInfoKey)) {
            checkReach(m, o, 2121, u"DisplayObject.root");
            return Value::object(o);
        }
    }
    return Value::null();
}
// Content a Loader loaded answers with the Loader's info, the rest of the
// tree with the main movie's.
Value getLoaderInfo(Machine& m, Value t, std::span<const Value>) {
    size_t steps = 0;
    for (Object* o = t.asObject(); o && steps < 100000; o = displayOf(m, Value::object(o)).parentObject, ++steps) {
        const auto& stored = displayOf(m, Value::object(o)).stored;
        if (auto it = stored.find(LoadedInfoKey); it != stored.end())
            return it->second;
    }
    return onStage(t.asObject()) || t.asObject() == hostContext(m).root ? hostContext(m).held.loaderInfo
                                                                        : Value::null();
}

enum class Kind { Number, Boolean };

template <const char16_t* Name, Kind K>
Value storedGet(Machine& m, Value t, std::span<const Value>) {
    const auto& stored = self(m, t).stored;
    auto it = stored.find(Name);
    return it != stored.end() ? it->second : Value();
}

template <const char16_t* Name, Kind K>
Value storedSet(Machine& m, Value t, std::span<const Value> args) {
    const Value v = argument(args, 0);
    self(m, t).stored[Name] = K == Kind::Number ? Value::number(m.toNumber(v)) : Value::boolean(avm2::toBoolean(v));
    return Value();
}

constexpr char16_t MouseEnabled[] = u"mouseEnabled";
constexpr char16_t DoubleClickEnabled[] = u"doubleClickEnabled";
constexpr char16_t MouseChildren[] = u"mouseChildren";
constexpr char16_t ButtonMode[] = u"buttonMode";
constexpr char16_t UseHandCursor[] = u"useHandCursor";
constexpr char16_t Enabled[] = u"enabled";
constexpr char16_t TrackAsMenu[] = u"trackAsMenu";

template <const char16_t* Name, Kind K>
constexpr avm2::NativeAccessor stored() {
    return {Name, storedGet<Name, K>, storedSet<Name, K>};
}

void setDefaults(DisplayState& d) {
    const std::pair<const char16_t*, Value> defaults[] = {
        {MouseEnabled, Value::boolean(true)},  {DoubleClickEnabled, Value::boolean(false)},
        {MouseChildren, Value::boolean(true)}, {ButtonMode, Value::boolean(false)},
        {UseHandCursor, Value::boolean(true)}, {Enabled, Value::boolean(true)},
        {TrackAsMenu, Value::boolean(false)},
    };
    for (const auto& [name, v] : defaults)
        d.stored.emplace(name, v);
}

Value displayObjectInit(Machine& m, Value thisValue, std::span<const Value> args) {
    displayInit(m, thisValue, args);
    setDefaults(self(m, thisValue));
    return Value();
}

const avm2::NativeAccessor TreeAccessors[] = {
    {u"name", getName, setName}, {u"parent", getParent},         {u"stage", getStage},
    {u"root", getRoot},          {u"loaderInfo", getLoaderInfo},
};
const std::vector<avm2::NativeAccessor> DisplayObjectAccessors =
    joinedTables<avm2::NativeAccessor>({TreeAccessors, displayObjectAccessors(), display3DAccessors()});
const std::vector<avm2::NativeMember> DisplayObjectMethods =
    joinedTables<avm2::NativeMember>({displayObjectMethods(), display3DMethods()});

Value getGraphics(Machine& m, Value t, std::span<const Value>) { return graphicsOf(m, t); }

Value shapeInit(Machine& m, Value thisValue, std::span<const Value> args) {
    displayObjectInit(m, thisValue, args);
    self(m, thisValue).isInteractive = false;
    return Value();
}
const std::vector<avm2::NativeAccessor> InteractiveAccessors = [] {
    std::vector<avm2::NativeAccessor> all = {
        stored<MouseEnabled, Kind::Boolean>(),
        stored<DoubleClickEnabled, Kind::Boolean>(),
    };
    for (const avm2::NativeAccessor& a : interactiveFocusAccessors())
        all.push_back(a);
    return all;
}();

// --- DisplayObjectContainer ---------------------------------------------

Value containerInit(Machine& m, Value thisValue, std::span<const Value> args) {
    displayObjectInit(m, thisValue, args);
    self(m, thisValue).isContainer = true;
    return Value();
}

}  // namespace

Value initDisplayObject(Machine& m, Value self, std::span<const Value> args) {
    return displayObjectInit(m, self, args);
}
Value initContainer(Machine& m, Value self, std::span<const Value> args) { return containerInit(m, self, args); }

Value initInteractiveObject(Machine& m, Value thisValue, std::span<const Value> args) {
    return displayObjectInit(m, thisValue, args);
}

void removeChildObject(Machine& m, Object* container, Object* child) {
    dispatchSimple(m, child, u"removed", true);
    if (onStage(child))
        dispatchToSubtree(m, child, u"removedFromStage");
    DisplayState& c = displayOf(m, Value::object(container));
    std::erase_if(c.children, [&](const Value& v) { return v.asObject() == child; });
    DisplayState& d = displayOf(m, Value::object(child));
    if (d.parentObject == container) {
        d.parentObject = nullptr;
        detachFromModel(hostContext(m), d);
    }
}

void addChildAt(Machine& m, Object* container, Object* child, size_t index) {
    DisplayState& c = displayOf(m, Value::object(container));
    DisplayState& d = displayOf(m, Value::object(child));
    if (child == container)
        m.throwError("ArgumentError", 2024, u"An object cannot be added as a child of itself.");
    size_t steps = 0;
    for (Object* a = c.parentObject; a && steps < 100000; a = displayOf(m, Value::object(a)).parentObject, ++steps) {
        if (a == child)
            m.throwError("ArgumentError", 2150,
                         u"An object cannot be added as a child to one of it's children (or children's children, "
                         u"etc.).");
    }
    if (d.isStage)
        m.throwError("ArgumentError", 2024, u"The stage cannot be added as a child.");
    Machine::Pin keep(m, Value::object(child));
    if (Object* old = d.parentObject) {
        removeChildObject(m, old, child);
        index = std::min(index, displayOf(m, Value::object(container)).children.size());
    }
    DisplayState& now = displayOf(m, Value::object(container));
    index = std::min(index, now.children.size());
    now.children.insert(now.children.begin() + ptrdiff_t(index), Value::object(child));
    if (!attachToModel(m, container, index)) {
        now.children.erase(now.children.begin() + ptrdiff_t(index));
        m.throwError("ArgumentError", 2150, u"The display list is nested too deeply to add this object.");
    }
    displayOf(m, Value::object(child)).parentObject = container;
    dispatchSimple(m, child, u"added", true);
    if (onStage(child))
        dispatchToSubtree(m, child, u"addedToStage");
}

namespace {

int32_t indexArgument(Machine& m, std::span<const Value> args, size_t at) {
    return avm2::toInt32(m.toNumber(argument(args, at)));
}

[[noreturn]] void outOfBounds(Machine& m) { m.throwError("RangeError", 2006, u"The supplied index is out of bounds."); }

// Moves a child to another index, the model's order with it.
void moveChild(Machine& m, Value t, size_t from, size_t to) {
    auto& children = self(m, t).children;
    const Value child = children[from];
    children.erase(children.begin() + ptrdiff_t(from));
    children.insert(children.begin() + ptrdiff_t(to), child);
    detachFromModel(hostContext(m), displayOf(m, child));
    // The object was on the list already, so its nesting fits.
    (void)attachToModel(m, t.asObject(), to);
}

void swapAt(Machine& m, Value t, size_t a, size_t b) {
    if (a == b)
        return;
    if (a > b)
        std::swap(a, b);
    moveChild(m, t, b, a);
    moveChild(m, t, a + 1, b);
}

// The stage's children are the main movie's.
void guardStage(Machine& m, Value t) {
    if (self(m, t).isStage)
        checkStageAccess(m);
}

size_t childIndex(Machine& m, Value container, Value child) {
    const auto& children = self(m, container).children;
    for (size_t i = 0; i < children.size(); ++i) {
        if (child.isObject() && children[i].asObject() == child.asObject())
            return i;
    }
    m.throwError("ArgumentError", 2025, u"The supplied DisplayObject must be a child of the caller.");
}

Value addChild(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const Value child = argument(args, 0);
    (void)displayOf(m, child);
    addChildAt(m, t.asObject(), child.asObject(), self(m, t).children.size());
    return child;
}
Value addChildAtIndex(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const Value child = argument(args, 0);
    (void)displayOf(m, child);
    const int32_t index = indexArgument(m, args, 1);
    if (index < 0 || size_t(index) > self(m, t).children.size())
        outOfBounds(m);
    addChildAt(m, t.asObject(), child.asObject(), size_t(index));
    return child;
}
Value removeChild(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const Value child = argument(args, 0);
    (void)displayOf(m, child);
    (void)childIndex(m, t, child);
    removeChildObject(m, t.asObject(), child.asObject());
    return child;
}
Value removeChildAt(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const int32_t index = indexArgument(m, args, 0);
    if (index < 0 || size_t(index) >= self(m, t).children.size())
        outOfBounds(m);
    const Value child = self(m, t).children[size_t(index)];
    removeChildObject(m, t.asObject(), child.asObject());
    return child;
}
Value getChildAt(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const int32_t index = indexArgument(m, args, 0);
    if (index < 0 || size_t(index) >= self(m, t).children.size())
        outOfBounds(m);
    const Value child = self(m, t).children[size_t(index)];
    checkReach(m, child.asObject(), 2121, u"DisplayObjectContainer.getChildAt");
    return child;
}
Value getChildByName(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const std::u16string name = text(m, argument(args, 0));
    for (const Value& c : self(m, t).children) {
        const Value n = displayOf(m, c).name;
        if (n.isString() && n.asString()->text() == name) {
            checkReach(m, c.asObject(), 2121, u"DisplayObjectContainer.getChildByName");
            return c;
        }
    }
    return Value::null();
}
Value getChildIndex(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    return Value::fromInt(int32_t(childIndex(m, t, argument(args, 0))));
}
Value setChildIndex(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const size_t from = childIndex(m, t, argument(args, 0));
    const int32_t to = indexArgument(m, args, 1);
    auto& children = self(m, t).children;
    if (to < 0 || size_t(to) >= children.size())
        outOfBounds(m);
    moveChild(m, t, from, size_t(to));
    return Value();
}
Value swapChildrenAt(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const int32_t a = indexArgument(m, args, 0), b = indexArgument(m, args, 1);
    const size_t count = self(m, t).children.size();
    if (a < 0 || b < 0 || size_t(a) >= count || size_t(b) >= count)
        outOfBounds(m);
    swapAt(m, t, size_t(a), size_t(b));
    return Value();
}
Value swapChildren(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    (void)displayOf(m, argument(args, 0));
    (void)displayOf(m, argument(args, 1));
    swapAt(m, t, childIndex(m, t, argument(args, 0)), childIndex(m, t, argument(args, 1)));
    return Value();
}
// removeChildren(begin = 0, end = last): the children in between, inclusive.
Value removeChildren(Machine& m, Value t, std::span<const Value> args) {
    guardStage(m, t);
    const auto count = int64_t(self(m, t).children.size());
    const int64_t begin = args.size() > 0 ? indexArgument(m, args, 0) : 0;
    int64_t end = args.size() > 1 ? indexArgument(m, args, 1) : INT32_MAX;
    if (end == INT32_MAX)
        end = count - 1;
    if (count == 0 && begin == 0 && end < 0)
        return Value();
    if (begin < 0 || end < begin || end >= count)
        outOfBounds(m);
    std::vector<Value> gone(self(m, t).children.begin() + ptrdiff_t(begin),
                            self(m, t).children.begin() + ptrdiff_t(end + 1));
    for (const Value& v : gone)
        m.pin(v);
    struct Unpin {
        Machine& m;
        size_t n;
        ~Unpin() { m.unpin(n); }
    } unpin{m, gone.size()};
    for (const Value& v : gone) {
        if (displayOf(m, v).parentObject == t.asObject())
            removeChildObject(m, t.asObject(), v.asObject());
    }
    return Value();
}
Value contains(Machine& m, Value t, std::span<const Value> args) {
    const Value child = argument(args, 0);
    if (!child.isObject() || !child.asObject()->nativeAs<DisplayState>())
        return Value::boolean(false);
    size_t steps = 0;
    for (Object* o = child.asObject(); o && steps < 100000; o = displayOf(m, Value::object(o)).parentObject, ++steps) {
        if (o == t.asObject())
            return Value::boolean(true);
    }
    return Value::boolean(false);
}
Value numChildren(Machine& m, Value t, std::span<const Value>) {
    return Value::fromInt(int32_t(self(m, t).children.size()));
}

const avm2::NativeMember ContainerMethods[] = {
    {u"addChild", addChild},           {u"addChildAt", addChildAtIndex},    {u"removeChild", removeChild},
    {u"removeChildAt", removeChildAt}, {u"getChildAt", getChildAt},         {u"getChildByName", getChildByName},
    {u"getChildIndex", getChildIndex}, {u"setChildIndex", setChildIndex},   {u"contains", contains},
    {u"swapChildren", swapChildren},   {u"swapChildrenAt", swapChildrenAt}, {u"removeChildren", removeChildren},
};
const avm2::NativeAccessor OwnContainerAccessors[] = {
    {u"numChildren", numChildren},
    stored<MouseChildren, Kind::Boolean>(),
};
const std::vector<avm2::NativeAccessor> ContainerAccessors = joinedTables<avm2::NativeAccessor>(
    {OwnContainerAccessors, containerFocusAccessors(), containerSnapshotAccessors()});
const std::vector<avm2::NativeMember> AllContainerMethods =
    joinedTables<avm2::NativeMember>({ContainerMethods, containerPointMethods()});
const avm2::NativeAccessor ShapeAccessors[] = {{u"graphics", getGraphics}};
const avm2::NativeAccessor SpriteAccessors[] = {
    {u"graphics", getGraphics},
    stored<ButtonMode, Kind::Boolean>(),
    stored<UseHandCursor, Kind::Boolean>(),
};
const std::vector<avm2::NativeAccessor> AllSpriteAccessors =
    joinedTables<avm2::NativeAccessor>({SpriteAccessors, spritePointAccessors(), spriteSoundAccessors()});

// --- MovieClip ----------------------------------------------------------
// The root's timeline is the model's; a clip a script made has one empty
// frame, where every timeline call stays.

model::MovieClip* timeline(Machine& m, Value t) { return self(m, t).clip(); }

// Counted from the start of the current scene.
Value currentFrame(Machine& m, Value t, std::span<const Value>) {
    model::MovieClip* clip = timeline(m, t);
    if (!clip)
        return Value::fromInt(1);
    const auto scenes = scenesOf(*clip);
    const SceneSpan& scene = scenes[sceneIndexAt(scenes, clip->currentFrame())];
    return Value::fromInt(int32_t(clip->currentFrame() - scene.start) + 1);
}
Value totalFrames(Machine& m, Value t, std::span<const Value>) {
    model::MovieClip* clip = timeline(m, t);
    return Value::fromInt(clip ? int32_t(clip->totalFrames()) : 1);
}
Value currentLabel(Machine& m, Value t, std::span<const Value>) {
    model::MovieClip* clip = timeline(m, t);
    const std::string label = clip ? clip->currentLabel() : std::string();
    return label.empty() ? Value::null() : m.string(avm2::utf8ToUtf16(label));
}
Value currentFrameLabel(Machine& m, Value t, std::span<const Value>) {
    model::MovieClip* clip = timeline(m, t);
    const auto label = clip ? clip->labelOfFrame(clip->currentFrame()) : std::nullopt;
    return label ? m.string(avm2::utf8ToUtf16(*label)) : Value::null();
}
Value isPlaying(Machine& m, Value t, std::span<const Value>) {
    model::MovieClip* clip = timeline(m, t);
    return Value::boolean(clip && clip->isPlaying());
}

void moveTo(Machine& m, Value t, model::MovieClip& clip, uint32_t target) {
    if (target != clip.currentFrame()) {
        (void)clip.gotoFrame(int64_t(target));
        hostContext(m).frameChanged = true;
        syncTimelineChildren(m, t.asObject());
    }
}

// gotoAndStop/gotoAndPlay(frame, scene = null): a number counts from 1 in
// the scene (the current one when none is named); a string is a label of
// that scene (then of any), or a number written out.
void gotoFrameArgument(Machine& m, Value t, std::span<const Value> args, bool play) {
    model::MovieClip* clip = timeline(m, t);
    if (!clip)
        return;
    const auto scenes = scenesOf(*clip);
    size_t sceneIndex = sceneIndexAt(scenes, clip->currentFrame());
    if (const Value named = argument(args, 1); !named.isNullish()) {
        const std::string name = avm2::utf16ToUtf8(m.toString(named)->text());
        const auto it = std::find_if(scenes.begin(), scenes.end(), [&](const SceneSpan& s) { return s.name == name; });
        if (it == scenes.end())
            m.throwError("ArgumentError", 2108, u"Scene " + avm2::utf8ToUtf16(name) + u" was not found.");
        sceneIndex = size_t(it - scenes.begin());
    }
    const SceneSpan& scene = scenes[sceneIndex];
    const Value frame = argument(args, 0);
    std::optional<uint32_t> target;
    if (frame.isString()) {
        const std::u16string& name = frame.asString()->text();
        const std::string label = avm2::utf16ToUtf8(name);
        for (const swf::Label& l : clip->timeline().labels) {
            if (l.name == label && l.frame >= scene.start && l.frame - scene.start < scene.count) {
                target = l.frame;
                break;
            }
        }
        if (!target)
            target = clip->findLabel(label);
        if (!target) {
            const double n = m.toNumber(frame);
            if (!(n >= 1))
                m.throwError("ArgumentError", 2109,
                             u"Frame label " + name + u" not found in scene " + avm2::utf8ToUtf16(scene.name) + u".");
            target = scene.start + uint32_t(std::min(n, 65536.0)) - 1;
        }
    } else {
        const double n = m.toNumber(frame);
        target = scene.start + (n >= 1 ? uint32_t(std::min(n, 65536.0)) - 1 : 0);
    }
    if (play)
        clip->play();
    else
        clip->stop();
    moveTo(m, t, *clip, *target);
}

Value gotoAndStop(Machine& m, Value t, std::span<const Value> args) {
    gotoFrameArgument(m, t, args, false);
    return Value();
}
Value gotoAndPlay(Machine& m, Value t, std::span<const Value> args) {
    gotoFrameArgument(m, t, args, true);
    return Value();
}
Value stop(Machine& m, Value t, std::span<const Value>) {
    if (model::MovieClip* clip = timeline(m, t))
        clip->stop();
    return Value();
}
Value play(Machine& m, Value t, std::span<const Value>) {
    if (model::MovieClip* clip = timeline(m, t))
        clip->play();
    return Value();
}
Value nextFrame(Machine& m, Value t, std::span<const Value>) {
    if (model::MovieClip* clip = timeline(m, t)) {
        const uint32_t before = clip->currentFrame();
        clip->nextFrame();
        if (clip->currentFrame() != before) {
            hostContext(m).frameChanged = true;
            syncTimelineChildren(m, t.asObject());
        }
    }
    return Value();
}
Value prevFrame(Machine& m, Value t, std::span<const Value>) {
    if (model::MovieClip* clip = timeline(m, t)) {
        const uint32_t before = clip->currentFrame();
        clip->prevFrame();
        if (clip->currentFrame() != before) {
            hostContext(m).frameChanged = true;
            syncTimelineChildren(m, t.asObject());
        }
    }
    return Value();
}

// addFrameScript(frame, function, frame, function...), frames from 0; a
// null function removes the frame's script.
Value addFrameScript(Machine& m, Value t, std::span<const Value> args) {
    DisplayState& d = self(m, t);
    const size_t frames = d.clip() ? d.clip()->totalFrames() : 1;
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
        const double frame = m.toNumber(args[i]);
        if (!(frame >= 0) || frame >= double(frames))
            continue;
        if (d.frameScripts.size() < frames)
            d.frameScripts.resize(frames);
        d.frameScripts[size_t(frame)] = args[i + 1].isObject() ? args[i + 1] : Value();
    }
    return Value();
}

// The first frame of the scene `step` scenes away; nothing past the first
// or last. Playing or stopped stays as it was.
Value stepScene(Machine& m, Value t, int step) {
    model::MovieClip* clip = timeline(m, t);
    if (!clip)
        return Value();
    const auto scenes = scenesOf(*clip);
    const size_t now = sceneIndexAt(scenes, clip->currentFrame());
    for (size_t i = now + size_t(step); i < scenes.size(); i += size_t(step)) {
        if (scenes[i].count > 0) {
            moveTo(m, t, *clip, scenes[i].start);
            break;
        }
    }
    return Value();
}
Value nextScene(Machine& m, Value t, std::span<const Value>) { return stepScene(m, t, 1); }
Value prevScene(Machine& m, Value t, std::span<const Value>) { return stepScene(m, t, -1); }

Value scenes(Machine& m, Value t, std::span<const Value>) {
    avm2::ArrayObject* list = m.newArray();
    Machine::Pin keep(m, Value::object(list));
    if (model::MovieClip* clip = timeline(m, t)) {
        for (const SceneSpan& scene : scenesOf(*clip)) {
            m.resizeArray(list, list->elements().size() + 1);
            list->elements().back() = newScene(m, *clip, scene);
        }
    }
    return Value::object(list);
}
Value currentScene(Machine& m, Value t, std::span<const Value>) {
    model::MovieClip* clip = timeline(m, t);
    if (!clip)
        return Value::null();
    const auto all = scenesOf(*clip);
    return newScene(m, *clip, all[sceneIndexAt(all, clip->currentFrame())]);
}
Value currentLabels(Machine& m, Value t, std::span<const Value>) {
    model::MovieClip* clip = timeline(m, t);
    if (!clip)
        return Value::object(m.newArray());
    const auto all = scenesOf(*clip);
    return sceneLabels(m, *clip, all[sceneIndexAt(all, clip->currentFrame())]);
}

const avm2::NativeMember MovieClipMethods[] = {
    {u"nextScene", nextScene},     {u"prevScene", prevScene}, {u"gotoAndStop", gotoAndStop},
    {u"gotoAndPlay", gotoAndPlay}, {u"stop", stop},           {u"play", play},
    {u"nextFrame", nextFrame},     {u"prevFrame", prevFrame}, {u"addFrameScript", addFrameScript},
};
const avm2::NativeAccessor MovieClipAccessors[] = {
    {u"currentFrame", currentFrame},
    {u"totalFrames", totalFrames},
    {u"framesLoaded", totalFrames},
    {u"currentLabel", currentLabel},
    {u"currentFrameLabel", currentFrameLabel},
    {u"scenes", scenes},
    {u"currentScene", currentScene},
    {u"currentLabels", currentLabels},
    {u"isPlaying", isPlaying},
    stored<Enabled, Kind::Boolean>(),
    stored<TrackAsMenu, Kind::Boolean>(),
};

// --- Stage ----------------------------------------------------------------

}  // namespace

std::pair<int32_t, int32_t> shownStageSize(const model::Stage& stage) {
    const model::StageLayout& layout = stage.layout();
    if (layout.scaleMode == model::ScaleMode::NoScale && layout.surfaceWidth > 0 && layout.surfaceHeight > 0)
        return {layout.surfaceWidth, layout.surfaceHeight};
    return {int32_t(std::lround(double(stage.widthTwips()) / 20)),
            int32_t(std::lround(double(stage.heightTwips()) / 20))};
}

namespace {

Value stageInit(Machine& m, Value thisValue, std::span<const Value> args) {
    if (hostContext(m).held.stage.isObject())
        m.throwError("IllegalOperationError", 2012, u"Stage$ class cannot be instantiated.");
    displayInit(m, thisValue, args, false);
    setDefaults(self(m, thisValue));
    self(m, thisValue).isContainer = true;
    DisplayState& d = self(m, thisValue);
    d.isStage = true;
    d.name = Value::null();
    d.stored[u"displayState"] = m.string(u"normal");
    d.stored[u"frameRate"] = Value::number(hostContext(m).stage.frameRate());
    d.stored[u"stageFocusRect"] = Value::boolean(true);
    return Value();
}

template <const char16_t* Name>
Value stageTextGet(Machine& m, Value t, std::span<const Value>) {
    return self(m, t).stored[Name];
}
template <const char16_t* Name>
Value stageTextSet(Machine& m, Value t, std::span<const Value> args) {
    self(m, t).stored[Name] = Value::string(m.toString(argument(args, 0)));
    return Value();
}
constexpr char16_t DisplayStateName[] = u"displayState";
constexpr char16_t FrameRate[] = u"frameRate";
constexpr char16_t StageFocusRect[] = u"stageFocusRect";

// Read back in capitals whatever case it was given in; the container draws
// at it.
Value stageSetQuality(Machine& m, Value t, std::span<const Value> args) {
    std::u16string name = text(m, argument(args, 0));
    for (char16_t& c : name)
        c = c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
    if (name != u"LOW" && name != u"MEDIUM" && name != u"HIGH" && name != u"BEST")
        m.throwError("ArgumentError", 2008, u"Parameter quality must be one of the accepted values.");
    setPlayerQuality(hostContext(m), name);
    return Value();
}

Value stageQuality(Machine& m, Value, std::span<const Value>) { return m.string(hostContext(m).quality); }

// scaleMode and align are the stage layout's, which the control's ScaleMode
// and AlignMode share.
constexpr std::array<std::u16string_view, 4> ScaleModeNames = {u"showAll", u"noBorder", u"exactFit", u"noScale"};

Value stageScaleMode(Machine& m, Value, std::span<const Value>) {
    return m.string(std::u16string(ScaleModeNames[size_t(hostContext(m).stage.layout().scaleMode)]));
}
Value stageSetScaleMode(Machine& m, Value, std::span<const Value> args) {
    const std::u16string name = text(m, argument(args, 0));
    const auto found = std::find(ScaleModeNames.begin(), ScaleModeNames.end(), name);
    if (found == ScaleModeNames.end())
        m.throwError("ArgumentError", 2008, u"Parameter scaleMode must be one of the accepted values.");
    model::StageLayout layout = hostContext(m).stage.layout();
    layout.scaleMode = model::ScaleMode(found - ScaleModeNames.begin());
    hostContext(m).stage.setLayout(layout);
    return Value();
}

// Read back top or bottom first, then left or right ("TL"); other letters
// are ignored.
Value stageAlign(Machine& m, Value, std::span<const Value>) {
    const uint8_t bits = hostContext(m).stage.layout().align;
    std::u16string text;
    for (const auto& [bit, letter] : {std::pair{model::align::Top, u'T'}, std::pair{model::align::Bottom, u'B'},
                                      std::pair{model::align::Left, u'L'}, std::pair{model::align::Right, u'R'}})
        if ((bits & bit) != 0)
            text += letter;
    return m.string(text);
}
Value stageSetAlign(Machine& m, Value, std::span<const Value> args) {
    uint8_t bits = 0;
    for (const char16_t c : text(m, argument(args, 0))) {
        switch (c) {
        case u'T':
        case u't':
            bits |= model::align::Top;
            break;
        case u'B':
        case u'b':
            bits |= model::align::Bottom;
            break;
        case u'L':
        case u'l':
            bits |= model::align::Left;
            break;
        case u'R':
        case u'r':
            bits |= model::align::Right;
            break;
        default:
            break;
        }
    }
    model::StageLayout layout = hostContext(m).stage.layout();
    layout.align = bits;
    hostContext(m).stage.setLayout(layout);
    return Value();
}

Value stageWidth(Machine& m, Value, std::span<const Value>) {
    return Value::number(shownStageSize(hostContext(m).stage).first);
}
Value stageHeight(Machine& m, Value, std::span<const Value>) {
    return Value::number(shownStageSize(hostContext(m).stage).second);
}
// The playback clock follows a new rate (within what a player accepts,
// 0.01 to 1000 frames per second); NaN leaves it as it was.
Value stageSetFrameRate(Machine& m, Value t, std::span<const Value> args) {
    const double rate = m.toNumber(argument(args, 0));
    if (std::isnan(rate))
        return Value();
    const double clamped = std::clamp(rate, 0.01, 1000.0);
    self(m, t).stored[FrameRate] = Value::number(clamped);
    if (hostContext(m).frameRateChanged)
        hostContext(m).frameRateChanged(clamped);
    return Value();
}

Value stageFocus(Machine& m, Value, std::span<const Value>) {
    const Value focus = hostContext(m).held.focus;
    return focus.isObject() ? focus : Value::null();
}
Value stageSetFocus(Machine& m, Value, std::span<const Value> args) {
    const Value focus = argument(args, 0);
    if (!focus.isNullish())
        (void)displayOf(m, focus);
    moveFocus(m, focus.isNullish() ? Value() : focus);
    return Value();
}

Value stageInvalidate(Machine& m, Value, std::span<const Value>) {
    hostContext(m).renderDue = true;
    return Value();
}
const avm2::NativeMember StageMethods[] = {{u"invalidate", stageInvalidate}};

const avm2::NativeAccessor StageAccessors[] = {
    {u"stageWidth", stageWidth},
    {u"stageHeight", stageHeight},
    {u"align", stageAlign, stageSetAlign},
    {u"scaleMode", stageScaleMode, stageSetScaleMode},
    {u"quality", stageQuality, stageSetQuality},
    {u"displayState", stageTextGet<DisplayStateName>, stageTextSet<DisplayStateName>},
    {u"frameRate", storedGet<FrameRate, Kind::Number>, stageSetFrameRate},
    {u"focus", stageFocus, stageSetFocus},
    {u"stageFocusRect", storedGet<StageFocusRect, Kind::Boolean>, storedSet<StageFocusRect, Kind::Boolean>},
};

constexpr const char16_t* Display = u"flash.display";

// The names classes of constants give the values above.
const avm2::NativeStringConstant ScaleModes[] = {
    {u"SHOW_ALL", u"showAll"}, {u"NO_BORDER", u"noBorder"}, {u"EXACT_FIT", u"exactFit"}, {u"NO_SCALE", u"noScale"}};
const avm2::NativeStringConstant Alignments[] = {
    {u"TOP", u"T"},       {u"BOTTOM", u"B"},     {u"LEFT", u"L"},         {u"RIGHT", u"R"},
    {u"TOP_LEFT", u"TL"}, {u"TOP_RIGHT", u"TR"}, {u"BOTTOM_LEFT", u"BL"}, {u"BOTTOM_RIGHT", u"BR"}};
const avm2::NativeStringConstant Qualities[] = {
    {u"LOW", u"low"}, {u"MEDIUM", u"medium"}, {u"HIGH", u"high"}, {u"BEST", u"best"}};
const avm2::NativeStringConstant DisplayStates[] = {{u"NORMAL", u"normal"}, {u"FULL_SCREEN", u"fullScreen"}};
const avm2::NativeStringConstant Snappings[] = {{u"NEVER", u"never"}, {u"ALWAYS", u"always"}, {u"AUTO", u"auto"}};
const avm2::NativeStringConstant FocusDirections[] = {{u"TOP", u"top"}, {u"BOTTOM", u"bottom"}, {u"NONE", u"none"}};
const avm2::NativeConstant SwfVersions[] = {{u"FLASH1", 1}, {u"FLASH2", 2},  {u"FLASH3", 3}, {u"FLASH4", 4},
                                            {u"FLASH5", 5}, {u"FLASH6", 6},  {u"FLASH7", 7}, {u"FLASH8", 8},
                                            {u"FLASH9", 9}, {u"FLASH10", 10}};
const avm2::NativeConstant ScriptVersions[] = {{u"ACTIONSCRIPT2", 2}, {u"ACTIONSCRIPT3", 3}};

const char16_t* const Drawable[] = {u"flash.display.IBitmapDrawable"};

const avm2::CoreClassSpec Classes[] = {
    // What BitmapData.draw takes: display objects and bitmaps.
    {.name = u"IBitmapDrawable", .base = nullptr, .package = Display, .interface = true},
    {.name = u"DisplayObject",
     .base = u"flash.events.EventDispatcher",
     .init = displayObjectInit,
     .sealed = true,
     .package = Display,
     .methods = DisplayObjectMethods,
     .accessors = DisplayObjectAccessors,
     .implements = Drawable},
    sealedClass(Display, u"InteractiveObject", u"flash.display.DisplayObject", displayObjectInit,
                {.accessors = InteractiveAccessors}),
    sealedClass(Display, u"DisplayObjectContainer", u"flash.display.InteractiveObject", containerInit,
                {.methods = AllContainerMethods, .accessors = ContainerAccessors}),
    sealedClass(Display, u"Shape", u"flash.display.DisplayObject", shapeInit, {.accessors = ShapeAccessors}),
    sealedClass(Display, u"Sprite", u"flash.display.DisplayObjectContainer", containerInit,
                {.methods = spriteDragMethods(), .accessors = AllSpriteAccessors}),
    // MovieClip is dynamic: timeline code sets what it likes on it.
    {.name = u"MovieClip",
     .base = u"flash.display.Sprite",
     .init = containerInit,
     .package = Display,
     .methods = MovieClipMethods,
     .accessors = MovieClipAccessors},
    sealedClass(Display, u"Stage", u"flash.display.DisplayObjectContainer", stageInit,
                {.methods = StageMethods, .accessors = StageAccessors}),
    staticsClass(Display, u"StageScaleMode", {.strings = ScaleModes}),
    staticsClass(Display, u"StageAlign", {.strings = Alignments}),
    staticsClass(Display, u"StageQuality", {.strings = Qualities}),
    staticsClass(Display, u"StageDisplayState", {.strings = DisplayStates}),
    staticsClass(Display, u"PixelSnapping", {.strings = Snappings}),
    staticsClass(Display, u"FocusDirection", {.strings = FocusDirections}),
    staticsClass(Display, u"SWFVersion", {.numbers = SwfVersions}),
    staticsClass(Display, u"ActionScriptVersion", {.numbers = ScriptVersions}),
};

}  // namespace

std::span<const avm2::CoreClassSpec> displayClasses() { return Classes; }

}  // namespace as3
