// Running clip events.
#include "script/clip_events.h"

#include "script/calls.h"
#include "script/interpreter.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include "model/display_list.h"

#include <memory>
#include <vector>

namespace script {

namespace {

bool hasBlocks(const model::DisplayObject& d, const ClipEvent& e) {
    if (!e.bit)
        return false;
    for (const swf::ClipAction& a : d.clipActions()) {
        if ((a.events & e.bit) && (e.bit != swf::ClipEvent::KeyPress || a.keyCode == e.keyCode))
            return true;
    }
    return false;
}

StageObject* existingObject(model::DisplayObject& d) {
    auto* link = static_cast<StageLink*>(d.scriptData());
    return link ? link->object() : nullptr;
}

}  // namespace

bool hasHandler(Runtime& rt, model::DisplayObject& target, std::u16string_view name) {
    StageObject* object = existingObject(target);
    int hops = 0;
    for (Object* o = object; o && hops < 256; o = o->proto(), ++hops) {
        if (const Property* p = o->properties().find(name)) {
            Object* fn = p->value.asObject();
            return p->getter != nullptr || (fn && fn->isCallable());
        }
    }
    return false;
}

void runClipEvent(Runtime& rt, model::DisplayObject& target, const ClipEvent& event, std::span<const Value> args) {
    // Keep the object alive whatever its scripts do to the stage.
    std::shared_ptr<model::DisplayObject> keep = target.shared_from_this();
    if (hasBlocks(target, event)) {
        // The list lives in the movie; a copy of the pointers guards against
        // the placement being replaced meanwhile.
        std::vector<const swf::ClipAction*> blocks;
        for (const swf::ClipAction& a : target.clipActions()) {
            if ((a.events & event.bit) && (event.bit != swf::ClipEvent::KeyPress || a.keyCode == event.keyCode))
                blocks.push_back(&a);
        }
        for (const swf::ClipAction* a : blocks)
            (void)rt.guarded([&] { rt.interpreter().runBlock(a->actions, rt.objectFor(target)); });
    }
    if (!event.handler.empty() && hasHandler(rt, target, event.handler)) {
        (void)rt.guarded([&] {
            StageObject* object = rt.objectFor(target);
            (void)callMethod(rt, Value(object), event.handler, args);
        });
    }
}

void broadcastClipEvent(Runtime& rt, const ClipEvent& event) {
    std::vector<std::shared_ptr<model::DisplayObject>> clips;
    std::vector<model::DisplayObject*> walk{&rt.root()};
    while (!walk.empty()) {
        model::DisplayObject* d = walk.back();
        walk.pop_back();
        if (d->kind() == model::DisplayKind::MovieClip &&
            (hasBlocks(*d, event) || (!event.handler.empty() && existingObject(*d))))
            clips.push_back(d->shared_from_this());
        if (const model::DisplayList* children = d->children()) {
            for (auto it = children->entries().rbegin(); it != children->entries().rend(); ++it)
                walk.push_back(it->second.get());
        }
    }
    for (const auto& clip : clips) {
        if (rt.budgetExhausted())
            return;
        if (clip->isOnStage())
            runClipEvent(rt, *clip, event);
    }
}

}  // namespace script
