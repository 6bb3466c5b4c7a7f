// MovieClipLoader: loadMovie with a listener. The loader broadcasts to its
// listeners (itself among them, so handlers may sit on the loader):
// onLoadStart, onLoadProgress, onLoadComplete, onLoadInit, or onLoadError
// with "URLNotFound" (nothing could be fetched) or "LoadNeverCompleted"
// (what arrived could not become the clip's content).
#include "script/builtins.h"

#include "script/broadcaster.h"
#include "script/calls.h"
#include "script/clip_loading.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"
#include "script/stage_object.h"
#include "script/variables.h"

namespace script {

namespace {

// A clip, the path of one, or a level number (made when `create`).
StageObject* targetClip(Runtime& rt, const Value& target, bool create = false) {
    if (target.isNumber()) {
        const double n = target.asNumber();
        if (!(n >= 0 && n <= MaxLevel))
            return nullptr;
        return levelClip(rt, uint32_t(n), create);
    }
    // "_level5" names a level as 5 does, made when loading into it.
    if (const auto level = parseLevel(toString(rt, target).view()))
        return levelClip(rt, *level, create);
    StageObject* object = resolveTarget(rt, rt.rootObject(), target);
    return object && object->clip() ? object : nullptr;
}

Value initialise(Runtime& rt, const Value& self, std::span<const Value>) {
    Object* loader = self.asObject();
    if (!loader)
        return Value();
    makeBroadcaster(rt, loader);
    (void)callMethod(rt, self, u"addListener", std::span<const Value>(&self, 1));
    return Value();
}

Value loadClip(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* clip = targetClip(rt, arg(args, 1), true);
    if (!clip || !self.asObject() || args.empty())
        return Value::fromBool(false);
    return Value::fromBool(loadIntoClip(rt, *clip, toString(rt, args[0]).view(), self.asObject()));
}

Value unloadClip(Runtime& rt, const Value&, std::span<const Value> args) {
    StageObject* clip = targetClip(rt, arg(args, 0));
    if (!clip)
        return Value::fromBool(false);
    unloadLoadedClip(rt, *clip);
    return Value::fromBool(true);
}

// { bytesLoaded, bytesTotal } of the clip's content; undefined for a clip
// that loaded nothing.
Value getProgress(Runtime& rt, const Value&, std::span<const Value> args) {
    StageObject* clip = targetClip(rt, arg(args, 0));
    auto progress = clip ? clipProgress(rt, *clip) : std::nullopt;
    if (!progress)
        return Value();
    Object* out = rt.newObject();
    setProperty(rt, out, u"bytesLoaded", Value(double(progress->first)));
    setProperty(rt, out, u"bytesTotal", Value(double(progress->second)));
    return Value(out);
}

}  // namespace

void installMovieClipLoader(Runtime& rt) {
    Object* prototype = rt.newObject();
    rt.defineMethod(prototype, u"loadClip", loadClip);
    rt.defineMethod(prototype, u"unloadClip", unloadClip);
    rt.defineMethod(prototype, u"getProgress", getProgress);
    NativeFunction* constructor = rt.newNative(initialise);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineValue(rt.global, u"MovieClipLoader", Value(constructor));
}

}  // namespace script
