// NetConnection and NetStream: local FLV files played on the control's
// clock. NetConnection only knows connect(null) (no servers); a NetStream
// made on it plays files the movie's sandbox lets it read. Status events
// onMetaData and onCuePoint reach the stream's handlers between frames, in the order
// the playback reported them, never from inside the call that caused them.
#include "script/builtins.h"

#include "script/amf_bridge.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/net_session.h"
#include "script/net_stream_object.h"
#include "script/runtime.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace script {

namespace {

constexpr uint8_t Hidden = PropertyFlag::DontEnum;

NetStreamObject* streamOf(const Value& self) { return dynamic_cast<NetStreamObject*>(self.asObject()); }

uint64_t clockMs(Runtime& rt) {
    const double ms = rt.host.milliseconds();
    return std::isfinite(ms) && ms > 0 ? uint64_t(ms) : 0;
}

Object* statusInfo(Runtime& rt, const char* code, bool error) {
    Object* info = rt.newObject();
    putOwn(rt, info, u"code", Value(rt.makeStringUtf8(code)));
    putOwn(rt, info, u"level", Value(rt.makeStringUtf8(error ? "error" : "status")));
    return info;
}

// --- NetConnection -------------------------------------------------------------------

// connect(null) is the only connection there is: files play without a server.
Value connect(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object)
        return Value::fromBool(false);
    const bool local = arg(args, 0).isNullish();
    putOwn(rt, object, u"isConnected", Value::fromBool(local), Hidden);
    const Value info(local ? statusInfo(rt, "NetConnection.Connect.Success", false)
                           : statusInfo(rt, "NetConnection.Connect.Failed", true));
    (void)callMethod(rt, self, u"onStatus", std::span<const Value>(&info, 1));
    return Value::fromBool(local);
}

Value closeConnection(Runtime& rt, const Value& self, std::span<const Value>) {
    if (Object* object = self.asObject())
        putOwn(rt, object, u"isConnected", Value::fromBool(false), Hidden);
    return Value();
}

// --- NetStream -----------------------------------------------------------------------

Value constructStream(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(rt.heap.make<NetStreamObject>(rt.protos.netStream));
}

NetSession& session(Runtime& rt) {
    if (!rt.net)
        rt.net = std::make_unique<NetSession>(rt);
    return *rt.net;
}

// play(url): the file starts at once; its events arrive with the next frame.
Value play(Runtime& rt, const Value& self, std::span<const Value> args) {
    NetStreamObject* stream = streamOf(self);
    if (!stream)
        return Value();
    media::FlvPlayback& playback = stream->playback();
    // What played before goes, its download too.
    session(rt).cancelFor(stream);
    stream->arriving.reset();
    const std::string url = arg(args, 0).isNullish() ? std::string() : toString(rt, args[0]).utf8();
    auto file = url.empty()
                    ? moviehost::Expected<std::string, std::string>(moviehost::Unexpected(std::string("no file named")))
                    : session(rt).localFile(url);
    if (!file && !url.empty() && session(rt).remote(url) && session(rt).refused(url)) {
        // Known at once: nothing is sent.
        playback.playRefused(true);
    } else if (!file && !url.empty() && session(rt).remote(url)) {
        // Downloaded through the movie's sandbox, played as it arrives.
        stream->arriving = std::make_shared<media::ArrivingBytes>(media::ArrivingBytes{{}, false});
        playback.playArriving(stream->arriving, clockMs(rt));
        (void)session(rt).start(stream, LoadKind::Stream, url, std::nullopt, {}, {}, true);
    } else if (file) {
        playback.play(*file, clockMs(rt));
        if (auto voice = playback.takeVoice())
            (void)rt.host.playStreamSound(std::move(voice));
    } else {
        playback.playRefused();
    }
    rt.netStreams.insert(stream);
    return Value();
}

// pause(): toggles; pause(true) and pause(false) say which.
Value pause(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (NetStreamObject* stream = streamOf(self)) {
        std::optional<bool> paused;
        if (!arg(args, 0).isUndefined())
            paused = toBoolean(rt, args[0]);
        stream->playback().pause(paused, clockMs(rt));
        rt.netStreams.insert(stream);  // its notice is due, and a resumed stream ticks again
    }
    return Value();
}

Value seek(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (NetStreamObject* stream = streamOf(self)) {
        stream->playback().seek(toNumber(rt, arg(args, 0)), clockMs(rt));
        rt.netStreams.insert(stream);
    }
    return Value();
}

Value close(Runtime& rt, const Value& self, std::span<const Value>) {
    if (NetStreamObject* stream = streamOf(self)) {
        if (stream->arriving && rt.net)
            rt.net->cancelFor(stream);
        stream->arriving.reset();
        stream->playback().close();
    }
    return Value();
}

Value setBufferTime(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (NetStreamObject* stream = streamOf(self))
        stream->playback().setBufferTime(toNumber(rt, arg(args, 0)));
    return Value();
}

template <typename F>
Value readStream(const Value& self, F read) {
    NetStreamObject* stream = streamOf(self);
    return stream ? Value(read(stream->playback())) : Value();
}

Value time(Runtime&, const Value& self, std::span<const Value>) {
    return readStream(self, [](const media::FlvPlayback& p) { return p.time(); });
}
Value bufferLength(Runtime&, const Value& self, std::span<const Value>) {
    return readStream(self, [](const media::FlvPlayback& p) { return p.bufferLength(); });
}
Value bufferTime(Runtime&, const Value& self, std::span<const Value>) {
    return readStream(self, [](const media::FlvPlayback& p) { return p.bufferTime(); });
}
Value bytesLoaded(Runtime&, const Value& self, std::span<const Value>) {
    return readStream(self, [](const media::FlvPlayback& p) { return double(p.bytesLoaded()); });
}
Value bytesTotal(Runtime&, const Value& self, std::span<const Value>) {
    return readStream(self, [](const media::FlvPlayback& p) { return double(p.bytesTotal()); });
}

// Metadata values come as text: numbers and booleans become what they were.
Value metadataValue(Runtime& rt, const std::string& text) {
    if (text == "true" || text == "false")
        return Value::fromBool(text == "true");
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, number);
    if (!text.empty() && ec == std::errc() && ptr == end)
        return Value(number);
    return Value(rt.makeStringUtf8(text));
}

// An onCuePoint tag's info object (name, time, type, parameters), decoded
// from its AMF0 body; null when the body is damaged.
Object* cuePointInfo(Runtime& rt, const media::FlvScriptTag& tag) {
    amf::Graph graph;
    amf::Decoder decoder(std::string_view(reinterpret_cast<const char*>(tag.body.data()), tag.body.size()), graph);
    const auto name = decoder.value();
    const auto info = name ? decoder.value() : name;
    if (!info || info->type != amf::Type::Complex || info->node >= graph.nodes.size())
        return nullptr;
    Object* object = rt.newObject();
    membersFromAmf(rt, graph, graph.nodes[info->node].members, object);
    return object;
}

void deliverEvents(Runtime& rt, NetStreamObject* stream) {
    const Value self(stream);
    const std::vector<media::FlvScriptTag> cuePoints = stream->playback().takeCuePoints();
    size_t nextCue = 0;
    for (media::FlvEvent event : stream->playback().takeEvents()) {
        if (event == media::FlvEvent::CuePoint) {
            Object* info = nextCue < cuePoints.size() ? cuePointInfo(rt, cuePoints[nextCue]) : nullptr;
            ++nextCue;
            if (info) {
                const Value v(info);
                (void)callMethod(rt, self, u"onCuePoint", std::span<const Value>(&v, 1));
            }
            continue;
        }
        if (event == media::FlvEvent::MetaData) {
            const auto* metadata = stream->playback().metadata();
            if (!metadata)
                continue;
            Object* info = rt.newObject();
            for (const auto& [key, text] : *metadata)
                putOwn(rt, info, rt.makeStringUtf8(key).view(), metadataValue(rt, text));
            const Value v(info);
            (void)callMethod(rt, self, u"onMetaData", std::span<const Value>(&v, 1));
            continue;
        }
        const Value info(statusInfo(rt, media::flvStatusCode(event), media::flvStatusIsError(event)));
        (void)callMethod(rt, self, u"onStatus", std::span<const Value>(&info, 1));
    }
}

Value nothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

void addGetter(Runtime& rt, Object* on, std::u16string_view name, NativeFn getter) {
    Property& p = on->properties().add(String(name), Value(), PropertyFlag::DontDelete | PropertyFlag::DontEnum);
    p.getter = rt.newNative(getter);
}

}  // namespace

void updateNetStreams(Runtime& rt) {
    const uint64_t now = clockMs(rt);
    // Handlers may play, close or make streams: work on a copy.
    const std::vector<NetStreamObject*> streams(rt.netStreams.begin(), rt.netStreams.end());
    for (NetStreamObject* stream : streams) {
        if (!rt.netStreams.contains(stream))
            continue;
        stream->playback().update(now);
        // A download's sound starts once its file opened.
        if (auto voice = stream->playback().takeVoice())
            (void)rt.host.playStreamSound(std::move(voice));
        rt.guarded([&] { deliverEvents(rt, stream); });
        // A playing stream stays alive (and ticking) without references, as
        // it plays on; a paused, finished or closed one is left to the
        // collector once its events are delivered: dropped by the movie, it
        // goes, and no handler runs on it after.
        if (!stream->playback().playing())
            rt.netStreams.erase(stream);
    }
}

void netStreamArrived(Object* target, std::span<const uint8_t> bytes, uint64_t total) {
    auto* stream = dynamic_cast<NetStreamObject*>(target);
    if (!stream || !stream->arriving)
        return;
    stream->arriving->bytes.insert(stream->arriving->bytes.end(), bytes.begin(), bytes.end());
    stream->playback().setExpectedBytes(total);
}

void netStreamLoaded(Object* target, std::optional<net::FetchError::Kind> failure) {
    auto* stream = dynamic_cast<NetStreamObject*>(target);
    if (!stream || !stream->arriving)
        return;
    if (!failure)
        stream->arriving->complete = true;
    else if (*failure == net::FetchError::Kind::Refused)
        stream->playback().playRefused(true);
    else
        stream->playback().arrivingFailed();
    stream->arriving.reset();
}

void installNetStream(Runtime& rt) {
    Object* connection = rt.newObject();
    rt.defineMethod(connection, u"connect", connect);
    rt.defineMethod(connection, u"close", closeConnection);
    NativeFunction* connectionCtor = rt.newNative(nothing);
    rt.defineValue(connectionCtor, u"prototype", Value(connection), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(connection, u"constructor", Value(connectionCtor));
    rt.defineValue(rt.global, u"NetConnection", Value(connectionCtor));

    Object* proto = rt.newObject();
    rt.protos.netStream = proto;
    const struct {
        std::u16string_view name;
        NativeFn fn;
    } methods[] = {
        {u"play", play},
        {u"pause", pause},
        {u"seek", seek},
        {u"close", close},
        {u"setBufferTime", setBufferTime},
        {u"onStatus", nothing},
    };
    for (const auto& method : methods)
        rt.defineMethod(proto, method.name, method.fn);
    addGetter(rt, proto, u"time", time);
    addGetter(rt, proto, u"bufferLength", bufferLength);
    addGetter(rt, proto, u"bufferTime", bufferTime);
    addGetter(rt, proto, u"bytesLoaded", bytesLoaded);
    addGetter(rt, proto, u"bytesTotal", bytesTotal);
    NativeFunction* ctor = rt.newNative(constructStream, constructStream);
    rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(ctor));
    rt.defineValue(rt.global, u"NetStream", Value(ctor));
}

}  // namespace script
