#include "as3/scenes.h"

#include "avm2/conversions.h"

#include <algorithm>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

std::vector<SceneSpan> scenesOf(const model::MovieClip& clip) {
    const uint32_t total = clip.totalFrames();
    const auto& given = clip.timeline().scenes;
    std::vector<SceneSpan> scenes;
    if (!clip.isRoot() || given.empty())
        return {{"Scene 1", 0, total}};
    // Starts out of order or past the end give scenes without frames.
    uint32_t reached = 0;
    for (const swf::Scene& s : given) {
        const uint32_t start = std::clamp(s.frame, reached, total);
        scenes.push_back({s.name, start, 0});
        reached = start;
    }
    // Frames before the first scene's start belong to it.
    scenes.front().start = 0;
    for (size_t i = 0; i < scenes.size(); ++i)
        scenes[i].count = (i + 1 < scenes.size() ? scenes[i + 1].start : total) - scenes[i].start;
    return scenes;
}

size_t sceneIndexAt(const std::vector<SceneSpan>& scenes, uint32_t frame) {
    size_t found = 0;
    for (size_t i = 0; i < scenes.size(); ++i) {
        if (scenes[i].count > 0 && frame >= scenes[i].start)
            found = i;
    }
    return found;
}

namespace {

Value frameLabelInit(Machine& m, Value t, std::span<const Value> args) {
    t.asObject()->setOwn(u"name", Value::string(m.toString(argument(args, 0))));
    t.asObject()->setOwn(u"frame", Value::fromInt(avm2::toInt32(m.toNumber(argument(args, 1)))));
    return Value();
}

Value sceneInit(Machine& m, Value t, std::span<const Value> args) {
    t.asObject()->setOwn(u"name", Value::string(m.toString(argument(args, 0))));
    t.asObject()->setOwn(u"labels", argument(args, 1).isObject() ? argument(args, 1) : Value::object(m.newArray()));
    t.asObject()->setOwn(u"numFrames", Value::fromInt(avm2::toInt32(m.toNumber(argument(args, 2)))));
    return Value();
}

const avm2::CoreClassSpec Classes[] = {
    {.name = u"FrameLabel", .base = u"Object", .init = frameLabelInit, .package = u"flash.display", .final = true},
    {.name = u"Scene", .base = u"Object", .init = sceneInit, .package = u"flash.display", .final = true},
};

}  // namespace

Value sceneLabels(Machine& m, const model::MovieClip& clip, const SceneSpan& scene) {
    avm2::ArrayObject* labels = m.newArray();
    Machine::Pin keep(m, Value::object(labels));
    std::vector<const swf::Label*> inside;
    for (const swf::Label& l : clip.timeline().labels) {
        if (l.frame >= scene.start && l.frame - scene.start < scene.count)
            inside.push_back(&l);
    }
    std::stable_sort(inside.begin(), inside.end(), [](auto* a, auto* b) { return a->frame < b->frame; });
    const Value type = Value::object(m.coreClass(u"flash.display", u"FrameLabel"));
    for (const swf::Label* l : inside) {
        m.resizeArray(labels, labels->elements().size() + 1);
        const Value name = m.string(avm2::utf8ToUtf16(l->name));
        Machine::Pin keepName(m, name);
        const Value args[] = {name, Value::fromInt(int32_t(l->frame - scene.start + 1))};
        labels->elements().back() = m.construct(type, args);
    }
    return Value::object(labels);
}

Value newScene(Machine& m, const model::MovieClip& clip, const SceneSpan& scene) {
    const Value labels = sceneLabels(m, clip, scene);
    Machine::Pin keep(m, labels);
    const Value name = m.string(avm2::utf8ToUtf16(scene.name));
    Machine::Pin keepName(m, name);
    const Value args[] = {name, labels, Value::fromInt(int32_t(scene.count))};
    return m.construct(Value::object(m.coreClass(u"flash.display", u"Scene")), args);
}

std::span<const avm2::CoreClassSpec> sceneClasses() { return Classes; }

}  // namespace as3
