#include "as3/pointer_queries.h"

#include "as3/display_state.h"
#include "as3/geom_values.h"
#include "as3/host_context.h"
#include "as3/input_events.h"
#include "as3/net_classes.h"
#include "as3/timeline_instances.h"

#include "avm2/conversions.h"

#include "model/placement3d.h"
#include "model/transform.h"

#include "script/hit_test.h"

#include <algorithm>
#include <cmath>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

// What the object draws itself: a clip's drawing (its children are objects
// of their own), any other model object whole.
bool ownContentHit(const script::HitTester& hits, const model::DisplayObject& object, swf::Point stage) {
    if (const auto* clip = object.as<model::MovieClip>())
        return drawingHit(*clip, stage);
    return hits.hits(object, stage);
}

// The visible objects under `top` (not itself) whose own content lies under
// the point, bottom first; `skip` and what is in it are left out, and so is
// loaded content the running code may not reach (counted in `hidden`).
void collectUnder(Machine& m, const script::HitTester& hits, Object* top, swf::Point stage, const Object* skip,
                  std::vector<Value>& out, size_t* hidden = nullptr) {
    struct Step {
        Object* object;
        size_t next;
        bool outOfReach;
    };
    std::vector<Step> stack{{top, 0, false}};
    while (!stack.empty() && stack.size() < 512) {
        Step& step = stack.back();
        const DisplayState& d = displayOf(m, Value::object(step.object));
        if (step.next >= d.children.size()) {
            stack.pop_back();
            continue;
        }
        const bool parentOutOfReach = step.outOfReach;
        Object* child = d.children[step.next++].asObject();
        const DisplayState& c = displayOf(m, Value::object(child));
        if (child == skip || (c.object && !c.object->isVisible()))
            continue;
        bool outOfReach = parentOutOfReach;
        if (const auto info = c.stored.find(LoadedInfoKey); info != c.stored.end())
            outOfReach = !contentInReach(m, info->second);
        if (c.object && ownContentHit(hits, *c.object, stage)) {
            if (!outOfReach)
                out.push_back(Value::object(child));
            else if (hidden)
                ++*hidden;
        }
        if (c.isContainer)
            stack.push_back({child, 0, outOfReach});
    }
}

swf::Point stagePoint(Machine& m, Value point) {
    const swf::Point p = readPoint(m, point);
    return {std::isfinite(p.x) ? p.x * 20 : 0.0, std::isfinite(p.y) ? p.y * 20 : 0.0};
}

// What the timeline placed since the last frame gets its object now, so it
// is listed too.
Value getObjectsUnderPoint(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point at = stagePoint(m, argument(args, 0));
    syncTimelineTree(m, t.asObject());
    std::vector<Value> found;
    collectUnder(m, script::HitTester(hostContext(m).stage), t.asObject(), at, nullptr, found);
    avm2::ArrayObject* list = m.newArray();
    Machine::Pin keep(m, Value::object(list));
    m.resizeArray(list, found.size());
    std::copy(found.begin(), found.end(), list->elements().begin());
    return Value::object(list);
}

// Whether getObjectsUnderPoint left out objects of loaded content the
// running code may not reach.
Value areInaccessibleObjectsUnderPoint(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point at = stagePoint(m, argument(args, 0));
    syncTimelineTree(m, t.asObject());
    std::vector<Value> found;
    size_t hidden = 0;
    collectUnder(m, script::HitTester(hostContext(m).stage), t.asObject(), at, nullptr, found, &hidden);
    return Value::boolean(hidden > 0);
}

// The topmost object under the pointer that is not the dragged one or in it.
Value dropTargetAt(Machine& m, Object* dragged) {
    HostContext& ctx = hostContext(m);
    if (!ctx.held.stage.isObject())
        return Value::null();
    std::vector<Value> found;
    collectUnder(m, script::HitTester(ctx.stage), ctx.held.stage.asObject(), ctx.pointer, dragged, found);
    return found.empty() ? Value::null() : found.back();
}

// The parent's coordinates of a stage point, twips: taken back through the
// projections of the parent and its ancestors placed in 3D, so the dragged
// object follows the pointer over its parent's projected plane.
// Children sit in the parent's content, which its scroll window moves.
swf::Matrix contentToStage(const model::DisplayObject* parent) {
    return parent ? model::multiply(parent->concatenatedMatrix(), parent->contentMatrix()) : swf::Matrix{};
}

std::optional<swf::Point> inParent(const model::DisplayObject& o, swf::Point stage) {
    const model::DisplayObject* parent = o.parent();
    const auto flat = parent ? model::flatStagePoint(*parent, stage) : std::optional(stage);
    const auto inverse = model::invert(contentToStage(parent));
    return flat && inverse ? std::optional(model::apply(*inverse, *flat)) : std::nullopt;
}

// Where the parent must put a sprite placed in 3D (pixels) for its grabbed
// point (its own pixels) to show under the stage point: the pointer taken
// back through the parent's projections, then through the sprite's own
// perspective at the grabbed point's depth, which moving in x and y keeps.
std::optional<swf::Point> placedUnder(const model::DisplayObject& o, swf::Point grabbed, swf::Point stage) {
    const model::DisplayObject* parent = o.parent();
    const auto flat = parent ? model::flatStagePoint(*parent, stage) : std::optional(stage);
    const auto inverse = model::invert(contentToStage(parent));
    if (!flat || !inverse)
        return std::nullopt;
    const model::Placement3D& place = *o.placement3D();
    const model::Matrix3D mm = model::placementMatrix(o, place);
    swf::Point q{flat->x / 20, flat->y / 20};
    if (place.focalLength > 0) {
        const double depth = place.focalLength + mm[2] * grabbed.x + mm[6] * grabbed.y + mm[14];
        if (!(depth > model::nearDepth(place)))
            return std::nullopt;
        const double k = depth / place.focalLength;
        q = {place.center.x + (q.x - place.center.x) * k, place.center.y + (q.y - place.center.y) * k};
    }
    const swf::Point at = model::apply(*inverse, {q.x * 20, q.y * 20});
    const swf::Point x{at.x / 20 - (mm[0] * grabbed.x + mm[4] * grabbed.y),
                       at.y / 20 - (mm[1] * grabbed.x + mm[5] * grabbed.y)};
    if (!std::isfinite(x.x) || !std::isfinite(x.y))
        return std::nullopt;
    return x;
}

void moveDragged(Machine& m, Value dragged) {
    HostContext& ctx = hostContext(m);
    DisplayState& d = displayOf(m, dragged);
    if (!d.object)
        return;
    double x = 0, y = 0;
    if (ctx.drag.grabbed && d.object->placement3D()) {
        const auto at = placedUnder(*d.object, *ctx.drag.grabbed, ctx.pointer);
        if (!at)
            return;
        x = at->x * 20;
        y = at->y * 20;
    } else {
        const auto p = inParent(*d.object, ctx.pointer);
        if (!p)
            return;
        x = p->x + ctx.drag.offset.x;
        y = p->y + ctx.drag.offset.y;
    }
    if (const auto& b = ctx.drag.bounds) {
        x = std::clamp(x, b->xMin, b->xMax);
        y = std::clamp(y, b->yMin, b->yMax);
    }
    d.object->setX(x / 20);
    d.object->setY(y / 20);
}

// startDrag(lockCenter = false, bounds = null): the sprite follows the
// pointer, its origin under it with lockCenter, else where it is from it;
// bounds (the parent's coordinates) keep the origin inside.
Value startDrag(Machine& m, Value t, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    DisplayState& d = displayOf(m, t);
    if (!d.object)
        return Value();
    ctx.drag = {};
    const bool lockCenter = avm2::toBoolean(argument(args, 0));
    if (d.object->placement3D()) {
        // The point of its plane under the pointer stays there; the origin
        // when locked or when the plane is seen edge-on.
        ctx.drag.grabbed = swf::Point{};
        const model::DisplayObject* parent = d.object->parent();
        const auto flat = parent ? model::flatStagePoint(*parent, ctx.pointer) : std::optional(ctx.pointer);
        if (!lockCenter && flat) {
            if (const auto local = model::unprojectFromStage(*d.object, *flat))
                ctx.drag.grabbed = local;
        }
    } else if (!lockCenter) {
        if (const auto p = inParent(*d.object, ctx.pointer))
            ctx.drag.offset = {d.object->x() * 20 - p->x, d.object->y() * 20 - p->y};
    }
    if (const Value box = argument(args, 1); box.isObject())
        ctx.drag.bounds = readBounds(m, box);
    ctx.held.dragged = t;
    moveDragged(m, t);
    return Value();
}

Value stopDrag(Machine& m, Value t, std::span<const Value>) {
    HostContext& ctx = hostContext(m);
    if (ctx.held.dragged.isObject() && ctx.held.dragged.asObject() == t.asObject()) {
        displayOf(m, t).stored[u"dropTarget"] = dropTargetAt(m, t.asObject());
        ctx.held.dragged = Value();
    }
    return Value();
}

Value getDropTarget(Machine& m, Value t, std::span<const Value>) {
    const auto& stored = displayOf(m, t).stored;
    const auto it = stored.find(u"dropTarget");
    return it != stored.end() && it->second.isObject() ? it->second : Value::null();
}

Value getHitArea(Machine& m, Value t, std::span<const Value>) {
    const auto& stored = displayOf(m, t).stored;
    const auto it = stored.find(u"hitArea");
    return it != stored.end() && it->second.isObject() ? it->second : Value::null();
}
// The sprite is hit where the area's shapes are; the area stops taking the
// pointer itself while it serves.
Value setHitArea(Machine& m, Value t, std::span<const Value> args) {
    const Value area = argument(args, 0);
    if (!area.isNullish())
        (void)displayOf(m, area);
    DisplayState& d = displayOf(m, t);
    if (const Value old = getHitArea(m, t, {}); old.isObject())
        displayOf(m, old).stored.erase(u"hitAreaOwner");
    if (area.isNullish()) {
        d.stored.erase(u"hitArea");
        return Value();
    }
    d.stored[u"hitArea"] = area;
    displayOf(m, area).stored[u"hitAreaOwner"] = t;
    return Value();
}

const avm2::NativeMember ContainerMethods[] = {
    {u"getObjectsUnderPoint", getObjectsUnderPoint},
    {u"areInaccessibleObjectsUnderPoint", areInaccessibleObjectsUnderPoint},
};
const avm2::NativeMember DragMethods[] = {{u"startDrag", startDrag}, {u"stopDrag", stopDrag}};
const avm2::NativeAccessor Accessors[] = {{u"dropTarget", getDropTarget}, {u"hitArea", getHitArea, setHitArea}};

}  // namespace

void followDrag(Machine& m, swf::Point stage) {
    HostContext& ctx = hostContext(m);
    ctx.pointer = stage;
    const Value dragged = ctx.held.dragged;
    if (!dragged.isObject())
        return;
    moveDragged(m, dragged);
    displayOf(m, dragged).stored[u"dropTarget"] = dropTargetAt(m, dragged.asObject());
}

std::span<const avm2::NativeMember> containerPointMethods() { return ContainerMethods; }
std::span<const avm2::NativeMember> spriteDragMethods() { return DragMethods; }
std::span<const avm2::NativeAccessor> spritePointAccessors() { return Accessors; }

}  // namespace as3
