// Video: a placed video object shows a NetStream's pictures once attached
// (attachVideo(stream)); attachVideo(null) goes back to its own frames.
// width and height are the size of the pictures shown (0 before any);
// smoothing and deblocking start as the stream's flags and change its drawing;
// deblocking also reaches the decoder of the NetStream shown.
#include "script/builtins.h"

#include "script/conversions.h"
#include "script/member_access.h"
#include "script/net_stream_object.h"
#include "script/runtime.h"

#include "model/video_object.h"

namespace script {

namespace {

model::VideoObject* videoOf(const Value& self) {
    auto* stage = dynamic_cast<StageObject*>(self.asObject());
    model::DisplayObject* display = stage ? stage->display() : nullptr;
    return display ? display->as<model::VideoObject>() : nullptr;
}

Value attachVideo(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::VideoObject* video = videoOf(self);
    if (!video)
        return Value();
    auto* stream = dynamic_cast<NetStreamObject*>(arg(args, 0).asObject());
    video->attachFeed(stream ? stream->feed() : nullptr);
    // Kept for deblocking changes; hidden from scripts.
    putOwn(rt, self.asObject(), u"__netStream", stream ? Value(static_cast<Object*>(stream)) : Value::null(),
           PropertyFlag::DontEnum);
    if (stream)
        stream->playback().setDeblocking(video->deblocking());
    return Value();
}

Value clear(Runtime&, const Value& self, std::span<const Value>) {
    if (model::VideoObject* video = videoOf(self))
        video->clearPicture();
    return Value();
}

Value size(const Value& self, bool wide) {
    const model::VideoObject* video = videoOf(self);
    if (!video)
        return Value();
    if (const model::VideoFeed* feed = video->feed())
        return Value(double(wide ? feed->width() : feed->height()));
    return Value(double(wide ? video->stream().width : video->stream().height));
}

Value width(Runtime&, const Value& self, std::span<const Value>) { return size(self, true); }
Value height(Runtime&, const Value& self, std::span<const Value>) { return size(self, false); }

Value smoothing(Runtime&, const Value& self, std::span<const Value>) {
    const model::VideoObject* video = videoOf(self);
    return video ? Value::fromBool(video->smoothing()) : Value();
}

Value setSmoothing(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (model::VideoObject* video = videoOf(self))
        video->setSmoothing(toBoolean(rt, arg(args, 0)));
    return Value();
}

Value deblocking(Runtime&, const Value& self, std::span<const Value>) {
    const model::VideoObject* video = videoOf(self);
    return video ? Value(double(video->deblocking())) : Value();
}

Value setDeblocking(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::VideoObject* video = videoOf(self);
    if (!video)
        return Value();
    video->setDeblocking(toNumber(rt, arg(args, 0)));
    // The stream shown decodes with the new level.
    auto* stream = dynamic_cast<NetStreamObject*>(getMember(rt, self, u"__netStream").asObject());
    if (stream && video->feed() == stream->feed().get())
        stream->playback().setDeblocking(video->deblocking());
    return Value();
}

Value nothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void installVideo(Runtime& rt) {
    Object* proto = rt.newObject();
    rt.protos.video = proto;
    rt.defineMethod(proto, u"attachVideo", attachVideo);
    rt.defineMethod(proto, u"clear", clear);
    const std::pair<std::u16string_view, NativeFn> getters[] = {{u"width", width}, {u"height", height}};
    for (const auto& [name, getter] : getters) {
        Property& p = proto->properties().add(String(name), Value(), PropertyFlag::DontDelete | PropertyFlag::DontEnum);
        p.getter = rt.newNative(getter);
    }
    defineAccessor(rt, proto, u"smoothing", smoothing, setSmoothing);
    defineAccessor(rt, proto, u"deblocking", deblocking, setDeblocking);
    NativeFunction* ctor = rt.newNative(nothing);
    rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(ctor));
    rt.defineValue(rt.global, u"Video", Value(ctor));
}

}  // namespace script
