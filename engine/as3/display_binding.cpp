#include "as3/display_binding.h"

#include <optional>

namespace as3 {

namespace {

// Model depths of children scripts add: above the timeline's (and above the
// depths ActionScript 2 gives its script objects), the stage's above the root's.
constexpr int64_t ChildBase = 0x10000000;
constexpr int64_t StageChildBase = 0x40000000;
constexpr int64_t Room = 0x2FFFFFFF;
constexpr int64_t Spacing = 64;

bool placedOn(const DisplayState& d, const model::MovieClip* clip) {
    return d.object && d.object->parent() == clip && d.object->origin() == model::Origin::Script;
}

}  // namespace

model::MovieClip* containerClip(HostContext& ctx, DisplayState& container) {
    return container.isStage ? &ctx.stage.root() : container.clip();
}

std::shared_ptr<model::DisplayObject> newModelClip(avm2::Machine& m) {
    auto clip = hostContext(m).stage.createDetachedClip();
    if (!clip)
        m.throwError("Error", 1000, u"The system is out of memory.");
    return clip;
}

void detachFromModel(HostContext& ctx, DisplayState& child) {
    if (!child.object || child.object == ctx.stage.rootPtr() || child.object->origin() != model::Origin::Script)
        return;
    if (model::MovieClip* parent = child.object->parentClip())
        (void)parent->releaseChild(child.object->depth());
}

bool attachToModel(avm2::Machine& m, avm2::Object* container, size_t index) {
    HostContext& ctx = hostContext(m);
    DisplayState& c = displayOf(m, avm2::Value::object(container));
    model::MovieClip* clip = containerClip(ctx, c);
    DisplayState& d = displayOf(m, c.children[index]);
    if (!clip || !d.object || d.object == ctx.stage.rootPtr())
        return true;
    if (d.object->origin() != model::Origin::Script) {
        if (d.object->parent() == clip)
            return true;
        // Moved out of the clip whose timeline placed it: that timeline lets
        // it go, and it is the script's from now on (adoptChild).
        if (model::MovieClip* parent = d.object->parentClip())
            (void)parent->releaseChild(d.object->depth());
    }
    detachFromModel(ctx, d);
    const int64_t base = c.isStage ? StageChildBase : ChildBase;
    std::optional<int64_t> before;
    std::optional<int64_t> after;
    for (size_t i = index; i-- > 0;) {
        const DisplayState& s = displayOf(m, c.children[i]);
        if (placedOn(s, clip)) {
            before = s.object->depth();
            break;
        }
    }
    for (size_t i = index + 1; i < c.children.size(); ++i) {
        const DisplayState& s = displayOf(m, c.children[i]);
        if (placedOn(s, clip)) {
            after = s.object->depth();
            break;
        }
    }
    const int64_t low = before ? *before : base - 1;
    std::optional<int64_t> depth;
    if (!after && low + Spacing <= base + Room)
        depth = before ? *before + Spacing : base;
    else if (after && *after - low >= 2)
        depth = low + (*after - low) / 2;
    if (depth)
        return clip->adoptChild(int32_t(*depth), d.object);
    // No free depth between the neighbours: number them all afresh.
    std::vector<std::shared_ptr<model::DisplayObject>> order;
    for (size_t i = 0; i < c.children.size(); ++i) {
        const DisplayState& s = displayOf(m, c.children[i]);
        if (i == index || placedOn(s, clip))
            order.push_back(s.object);
    }
    for (const auto& o : order) {
        if (o->parent() == clip)
            (void)clip->releaseChild(o->depth());
    }
    bool placed = true;
    int64_t next = base;
    for (const auto& o : order) {
        const bool ok = clip->adoptChild(int32_t(next), o);
        placed = placed && (ok || o != d.object);
        next += std::min(Spacing, Room / int64_t(order.size() + 1));
    }
    return placed;
}

}  // namespace as3
