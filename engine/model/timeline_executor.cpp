// Frame execution, jumps and ticks.
#include "model/timeline_executor.h"

#include "model/edit_text_object.h"

#include "model/object_factory.h"
#include "model/placement.h"

#include <map>
#include <string>
#include <vector>

namespace model {

namespace {

// What one frame (or one jump) of a clip produced, ordered when it ends: the
// clip's own actions, its ClipLoad on its first frame, then the batches of
// the objects it created, by depth.
struct FrameWork {
    MovieClip& clip;
    std::shared_ptr<MovieClip> self;
    StageContext& context;
    const std::shared_ptr<StageContext>& contextPtr;
    DisplayList& list;
    ActionBatch& out;
    std::vector<PendingAction> own;
    std::map<int32_t, ActionBatch> created;

    void finish(bool firstFrame) {
        for (auto& a : own)
            out.frame.push_back(std::move(a));
        if (firstFrame)
            out.frame.push_back({ActionKind::ClipLoad, self, {}, 0, nullptr});
        for (auto& [depth, batch] : created)
            out.append(std::move(batch));
    }
};

bool isScriptDepth(const DisplayList& list, int32_t depth) {
    const DisplayObject* here = list.at(depth);
    return here && here->origin() == Origin::Script;
}

void queueUnload(FrameWork& w, const std::shared_ptr<DisplayObject>& removed) {
    if (removed && removed->kind() == DisplayKind::MovieClip)
        w.own.push_back({ActionKind::ClipUnload, std::static_pointer_cast<MovieClip>(removed), {}, 0, nullptr});
}

void queueInit(FrameWork& w, const swf::DoInitAction& init) {
    if (w.context.initDone[init.spriteId])
        return;
    w.context.initDone[init.spriteId] = true;
    w.out.init.push_back(
        {ActionKind::Init, w.self, {init.actions.data(), init.actions.size()}, init.spriteId, w.clip.library()});
}

void startSound(FrameWork& w, const swf::StartSound& tag) {
    if (w.context.sound)
        w.context.sound->startSound(w.clip, tag);
}

void queueFrameAction(FrameWork& w, const swf::DoAction& action) {
    w.own.push_back({ActionKind::Frame, w.self, {action.actions.data(), action.actions.size()}, 0, w.clip.library()});
}

// Creates the object a placement describes at an empty depth.
void createAt(FrameWork& w, int32_t depth, const Placement& p) {
    ActionBatch batch;
    auto object = ObjectFactory::create(w.contextPtr, p.characterId, Origin::Timeline, w.clip.nesting() + 1, batch);
    if (!object)
        return;
    applyTo(*object, p);
    if (object->kind() == DisplayKind::MovieClip && object->name().empty())
        object->setName("instance" + std::to_string(w.context.takeInstanceNumber()));
    w.list.insert(depth, std::move(object));
    w.created[depth].append(std::move(batch));
}

void replaceAt(FrameWork& w, int32_t depth, const Placement& p) {
    queueUnload(w, w.list.remove(depth));
    createAt(w, depth, p);
}

// --- frame by frame -------------------------------------------------------

void placeDirect(FrameWork& w, const swf::PlaceObject& tag) {
    const int32_t depth = tag.depth;
    if (isScriptDepth(w.list, depth))
        return;
    DisplayObject* current = w.list.at(depth);
    const bool move = tag.version >= 2 && tag.move;
    if (!move || !current) {
        if (!tag.characterId || !ObjectFactory::isDisplayable(w.context, *tag.characterId))
            return;
        Placement p;
        p.characterId = *tag.characterId;
        merge(p, tag);
        replaceAt(w, depth, p);
        return;
    }
    Placement p = capture(current->shared_from_this());
    merge(p, tag);
    if (tag.characterId && *tag.characterId != current->characterId() &&
        ObjectFactory::isDisplayable(w.context, *tag.characterId)) {
        p.characterId = *tag.characterId;
        p.existing.reset();
        replaceAt(w, depth, p);
        return;
    }
    applyTo(*current, p);
}

void removeDirect(FrameWork& w, uint16_t depth) {
    if (isScriptDepth(w.list, depth))
        return;
    queueUnload(w, w.list.remove(depth));
}

}  // namespace

void TimelineExecutor::executeFrame(MovieClip& clip, uint32_t frame, ActionBatch& out, bool firstFrame) {
    StageContext& context = *clip.contextPtr();
    FrameWork w{clip,
                std::static_pointer_cast<MovieClip>(clip.shared_from_this()),
                context,
                clip.contextPtr(),
                clip.m_children,
                out,
                {},
                {}};
    const auto& frames = clip.timeline().frames;
    if (frame < frames.size()) {
        for (const swf::ControlTag& tag : frames[frame].tags) {
            if (const auto* place = std::get_if<swf::PlaceObject>(&tag))
                placeDirect(w, *place);
            else if (const auto* remove = std::get_if<swf::RemoveObject>(&tag))
                removeDirect(w, remove->depth);
            else if (const auto* action = std::get_if<swf::DoAction>(&tag))
                queueFrameAction(w, *action);
            else if (const auto* init = std::get_if<swf::DoInitAction>(&tag))
                queueInit(w, *init);
            else if (const auto* start = std::get_if<swf::StartSound>(&tag))
                startSound(w, *start);
            // FrameLabel: looked up in the timeline. SetBackgroundColor: the
            // stage keeps the first one. Stream blocks: frameShown below.
        }
    }
    if (context.sound)
        context.sound->frameShown(clip, frame);
    w.finish(firstFrame);
}

namespace {

// --- jumps ----------------------------------------------------------------

using DepthState = std::map<int32_t, Placement>;

void placeScanned(FrameWork& w, DepthState& state, const swf::PlaceObject& tag) {
    const int32_t depth = tag.depth;
    if (isScriptDepth(w.list, depth))
        return;
    auto it = state.find(depth);
    const bool move = tag.version >= 2 && tag.move;
    if (!move || it == state.end()) {
        if (!tag.characterId || !ObjectFactory::isDisplayable(w.context, *tag.characterId))
            return;
        Placement p;
        p.characterId = *tag.characterId;
        merge(p, tag);
        state[depth] = std::move(p);
        return;
    }
    Placement& p = it->second;
    merge(p, tag);
    if (tag.characterId && *tag.characterId != p.characterId &&
        ObjectFactory::isDisplayable(w.context, *tag.characterId)) {
        p.characterId = *tag.characterId;
        p.existing.reset();
    }
}

// Makes the display list match `state`, keeping instances where the rules
// allow: backwards, same depth and same character; forwards, the very
// instance the entry was captured from.
void reconcile(FrameWork& w, DepthState& state, bool backward) {
    std::vector<int32_t> depths;
    for (const auto& [depth, object] : w.list) {
        if (object->origin() == Origin::Timeline)
            depths.push_back(depth);
    }
    for (int32_t depth : depths) {
        DisplayObject* object = w.list.at(depth);
        auto it = state.find(depth);
        bool keep = it != state.end() &&
                    (backward ? it->second.characterId == object->characterId() : it->second.existing.get() == object);
        if (keep)
            applyTo(*object, it->second);
        else
            queueUnload(w, w.list.remove(depth));
    }
    for (const auto& [depth, p] : state) {
        if (!w.list.at(depth))  // kept, or a script object holds it
            createAt(w, depth, p);
    }
}

}  // namespace

bool TimelineExecutor::jump(MovieClip& clip, uint32_t target, ActionBatch& out) {
    StageContext& context = *clip.contextPtr();
    const auto& frames = clip.timeline().frames;
    const uint32_t current = clip.currentFrame();
    const bool backward = target < current;
    const uint32_t first = backward ? 0 : current + 1;
    if (!context.charge(context.scanCost(clip.timeline(), first, target) + clip.displayList().size()))
        return false;

    FrameWork w{clip,
                std::static_pointer_cast<MovieClip>(clip.shared_from_this()),
                context,
                clip.contextPtr(),
                clip.m_children,
                out,
                {},
                {}};
    DepthState state;
    if (!backward) {
        for (const auto& [depth, object] : w.list) {
            if (object->origin() == Origin::Timeline)
                state[depth] = capture(object);
        }
    }
    for (uint32_t f = first; f <= target && f < frames.size(); ++f) {
        for (const swf::ControlTag& tag : frames[f].tags) {
            if (const auto* place = std::get_if<swf::PlaceObject>(&tag)) {
                placeScanned(w, state, *place);
            } else if (const auto* remove = std::get_if<swf::RemoveObject>(&tag)) {
                if (!isScriptDepth(w.list, remove->depth))
                    state.erase(remove->depth);
            } else if (const auto* action = std::get_if<swf::DoAction>(&tag)) {
                if (f == target)
                    queueFrameAction(w, *action);
            } else if (const auto* init = std::get_if<swf::DoInitAction>(&tag)) {
                queueInit(w, *init);
            } else if (const auto* start = std::get_if<swf::StartSound>(&tag)) {
                if (f == target)
                    startSound(w, *start);
            }
        }
    }
    clip.m_currentFrame = target;
    if (context.sound)
        context.sound->frameShown(clip, target);
    reconcile(w, state, backward);
    w.finish(false);
    return true;
}

void TimelineExecutor::enterFirstFrame(MovieClip& clip, ActionBatch& out) {
    clip.m_currentFrame = 0;
    clip.m_bornTick = clip.contextPtr()->currentTick();
    executeFrame(clip, 0, out, true);
}

bool TimelineExecutor::gotoFrame(MovieClip& clip, uint32_t frame, ActionBatch& out) {
    const uint32_t current = clip.currentFrame();
    if (frame == current)
        return true;
    if (frame == current + 1) {
        StageContext& context = *clip.contextPtr();
        if (!context.charge(context.scanCost(clip.timeline(), frame, frame)))
            return false;
        clip.m_currentFrame = frame;
        executeFrame(clip, frame, out, false);
        return true;
    }
    return jump(clip, frame, out);
}

void TimelineExecutor::step(MovieClip& clip, ActionBatch& out) {
    if (!clip.isPlaying() || clip.m_bornTick == clip.contextPtr()->currentTick())
        return;
    const uint32_t total = clip.totalFrames();
    if (total <= 1)
        return;
    const uint32_t next = clip.currentFrame() + 1 >= total ? 0 : clip.currentFrame() + 1;
    (void)gotoFrame(clip, next, out);
}

void TimelineExecutor::advanceTree(DisplayObject& object, ActionBatch& out) {
    if (auto* clip = object.as<MovieClip>())
        step(*clip, out);
    if (auto* field = object.as<EditTextObject>(); field && !field->imageClips().empty()) {
        std::vector<std::shared_ptr<DisplayObject>> images;
        for (const auto& [depth, image] : field->imageClips())
            images.push_back(image);
        for (const auto& image : images)
            advanceTree(*image, out);
        field->refreshImages();
        return;
    }
    const DisplayList* list = object.children();
    if (!list || list->empty())
        return;
    // Advancing a child only touches its own subtree, but a copy keeps the
    // walk safe whatever a child's frame does.
    std::vector<std::shared_ptr<DisplayObject>> children;
    children.reserve(list->size());
    for (const auto& [depth, child] : *list)
        children.push_back(child);
    for (const auto& child : children) {
        if (child->parent() == &object)
            advanceTree(*child, out);
    }
}

}  // namespace model
