// flash.media.Video, flash.net.NetConnection and NetStream on the playback
// ActionScript 2's NetStream uses (media::FlvPlayback in a shared feed), so
// a Video draws a stream's pictures the same way whichever script attached
// it. NetConnection knows only connect(null): files play without a server.
// A stream plays the files the movie's sandbox lets it read (a network
// file as its bytes arrive); its status
// events (NetStatusEvent) and its client's onMetaData and onCuePoint calls
// come between frames, in the order the playback reported them, never from
// inside the call that caused them. A playing stream is held by the player,
// so it plays on with no reference to it.
#include "as3/display_state.h"
#include "as3/event_dispatch.h"
#include "as3/host_context.h"
#include "as3/net_loads.h"

#include "amf/amf0.h"
#include "avm2/amf_values.h"
#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/string.h"

#include "media/progressive_sound.h"
#include "model/video_object.h"
#include "net/location.h"
#include "net/sandbox.h"
#include "script/net_stream_object.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

constexpr const char16_t* NetStatus = u"netStatus";

// --- NetStatusEvent ------------------------------------------------------------------

// The info object is kept in the event's `text` slot (traced with it).
Value statusEventInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<EventState>();
    s->type = Value::string(m.toString(argument(args, 0)));
    s->bubbles = avm2::toBoolean(argument(args, 1));
    s->cancelable = avm2::toBoolean(argument(args, 2));
    s->text = argument(args, 3).isObject() ? args[3] : Value::null();
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

Value statusEventInfo(Machine& m, Value self, std::span<const Value>) { return eventOf(m, self).text; }
Value setStatusEventInfo(Machine& m, Value self, std::span<const Value> args) {
    eventOf(m, self).text = argument(args, 0).isObject() ? args[0] : Value::null();
    return Value();
}

Value makeNetStatus(Machine& m, Value info) {
    const Value args[4] = {m.string(NetStatus), Value::boolean(false), Value::boolean(false), info};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"NetStatusEvent")), args);
}

Value cloneStatusEvent(Machine& m, Value self, std::span<const Value>) {
    const EventState& e = eventOf(m, self);
    const Value args[4] = {e.type, Value::boolean(e.bubbles), Value::boolean(e.cancelable), e.text};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"NetStatusEvent")), args);
}

// {code, level}, as every status event carries.
Value statusInfo(Machine& m, const char* code, bool error) {
    Object* info = m.newObject();
    const Value v = Value::object(info);
    Machine::Pin keep(m, v);
    info->setOwn(u"code", m.string(avm2::utf8ToUtf16(code)));
    info->setOwn(u"level", m.string(error ? u"error" : u"status"));
    return v;
}

void dispatchStatus(Machine& m, Object* target, const char* code, bool error) {
    const Value info = statusInfo(m, code, error);
    Machine::Pin keepInfo(m, info);
    const Value event = makeNetStatus(m, info);
    Machine::Pin keep(m, event);
    (void)dispatch(m, target, event);
}

template <typename T>
T& stateOf(Machine& m, Value self, const char16_t* className) {
    T* s = self.isObject() ? self.asObject()->nativeAs<T>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034,
                     u"Type Coercion failed: cannot convert value to " + std::u16string(className) + u".");
    return *s;
}

// --- NetConnection -------------------------------------------------------------------

struct ConnectionState final : DispatcherState {
    bool connected = false;
};

Value connectionInit(Machine&, Value self, std::span<const Value>) {
    self.asObject()->setNativeState(std::make_unique<ConnectionState>());
    return Value();
}

ConnectionState& connectionOf(Machine& m, Value self) {
    return stateOf<ConnectionState>(m, self, u"flash.net.NetConnection");
}

// connect(null) succeeds at once; a server address fails (there are none).
Value connect(Machine& m, Value self, std::span<const Value> args) {
    ConnectionState& c = connectionOf(m, self);
    c.connected = argument(args, 0).isNullish();
    if (c.connected)
        dispatchStatus(m, self.asObject(), "NetConnection.Connect.Success", false);
    else
        dispatchStatus(m, self.asObject(), "NetConnection.Connect.Failed", true);
    return Value();
}

Value closeConnection(Machine& m, Value self, std::span<const Value>) {
    ConnectionState& c = connectionOf(m, self);
    if (c.connected) {
        c.connected = false;
        dispatchStatus(m, self.asObject(), "NetConnection.Connect.Closed", false);
    }
    return Value();
}

Value connected(Machine& m, Value self, std::span<const Value>) {
    return Value::boolean(connectionOf(m, self).connected);
}

// --- NetStream -----------------------------------------------------------------------

// Stream voices are owners on the mixer of their own, above the channels'.
uint64_t nextStreamOwner = uint64_t(1) << 52;

struct StreamState final : DispatcherState, LoadClient {
    std::shared_ptr<script::NetStreamFeed> feed = std::make_shared<script::NetStreamFeed>();
    Value client;  // hears onMetaData and onCuePoint; the stream itself until set
    uint64_t owner = 0;
    script::SoundLevels levels;
    Value checkPolicyFile = Value::boolean(false);
    // A network file plays from these bytes while its load runs.
    std::shared_ptr<media::ArrivingBytes> arriving;
    net::RequestId request = 0;

    void loadChunk(Machine&, Value, std::string_view bytes) override {
        if (arriving)
            arriving->bytes.insert(arriving->bytes.end(), bytes.begin(), bytes.end());
    }
    void loadProgress(Machine&, Value, uint64_t, uint64_t total) override {
        if (arriving)
            feed->playback().setExpectedBytes(total);
    }
    void loadFinished(Machine&, Value, const FetchResult& result) override {
        request = 0;
        if (!arriving)
            return;
        if (result)
            arriving->complete = true;
        else if (result.error().kind == net::FetchError::Kind::Refused)
            feed->playback().playRefused(true);
        else
            feed->playback().arrivingFailed();
        arriving.reset();
    }

    // A stream collected stops, and its sound ends.
    ~StreamState() override { feed->playback().close(); }
    void trace(avm2::Tracer& tracer) const override {
        DispatcherState::trace(tracer);
        tracer.value(client);
    }
};

StreamState& streamOf(Machine& m, Value self) { return stateOf<StreamState>(m, self, u"flash.net.NetStream"); }

// What played before goes, its download too.
void stopDownload(Machine& m, StreamState& s) {
    if (s.request != 0)
        netLoads(m).cancel(hostContext(m).held, s.request);
    s.request = 0;
    s.arriving.reset();
}
media::FlvPlayback& playbackOf(Machine& m, Value self) { return streamOf(m, self).feed->playback(); }

uint64_t clockMs(Machine& m) {
    const double ms = hostContext(m).host.milliseconds();
    return std::isfinite(ms) && ms > 0 ? uint64_t(ms) : 0;
}

// The stream's status is due at the next frame: the player keeps it until then.
void holdStream(Machine& m, Value self) {
    auto& streams = hostContext(m).held.netStreams;
    if (std::none_of(streams.begin(), streams.end(), [&](const Value& v) { return v.asObject() == self.asObject(); }))
        streams.push_back(self);
}

// NetStream(connection, peerID = "connectToFMS")
Value streamInit(Machine& m, Value self, std::span<const Value> args) {
    const Value connection = argument(args, 0);
    if (connection.isNullish())
        m.throwError("TypeError", 2007, u"Parameter connection must be non-null.");
    if (!connectionOf(m, connection).connected)
        m.throwError("ArgumentError", 2126, u"NetConnection object must be connected.");
    auto s = std::make_unique<StreamState>();
    s->client = self;
    s->owner = nextStreamOwner++;
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

std::optional<net::Location> optionalLocation(Machine& m, std::string_view url) {
    auto location = net::resolveLocation(netLoads(m).movie(), url);
    return location ? std::optional(std::move(*location)) : std::nullopt;
}

// The file a stream's name refers to, when the movie's sandbox lets it read it.
moviehost::Expected<std::string, std::string> localFile(Machine& m, std::string_view url) {
    const net::Location& movie = netLoads(m).movie();
    auto location = net::resolveLocation(movie, url);
    if (!location)
        return moviehost::Unexpected(std::move(location.error()));
    if (!location->isLocal())
        return moviehost::Unexpected(std::string("only local files are played"));
    net::Decision decision = net::Sandbox::fromEnvironment(movie).check(movie, *location);
    if (decision.kind != net::Decision::Kind::Allowed)
        return moviehost::Unexpected(std::move(decision.reason));
    return std::move(decision.filePath);
}

// play(name, ...): the file starts at once; its events arrive with the next frame.
Value play(Machine& m, Value self, std::span<const Value> args) {
    StreamState& s = streamOf(m, self);
    media::FlvPlayback& playback = s.feed->playback();
    stopDownload(m, s);
    const Value name = argument(args, 0);
    const std::string url = name.isNullish() ? std::string() : avm2::utf16ToUtf8(m.toString(name)->text());
    const auto location = url.empty() ? std::nullopt : optionalLocation(m, url);
    if (location && !location->isLocal()) {
        // Fetched through the movie's sandbox and played as it arrives; a
        // refusal comes back with the load's end.
        s.arriving = std::make_shared<media::ArrivingBytes>(media::ArrivingBytes{{}, false});
        playback.playArriving(s.arriving, clockMs(m));
        RequestParts parts;
        parts.url = url;
        parts.streamBody = true;
        s.request = netLoads(m).start(hostContext(m).held, self, parts);
        holdStream(m, self);
        return Value();
    }
    auto file = url.empty()
                    ? moviehost::Expected<std::string, std::string>(moviehost::Unexpected(std::string("no file named")))
                    : localFile(m, url);
    if (file) {
        playback.play(*file, clockMs(m));
        if (auto voice = playback.takeVoice()) {
            script::Host& host = hostContext(m).host;
            host.setSoundLevels(s.owner, s.levels);
            (void)host.playStreamSound(std::move(voice), s.owner);
        }
    } else {
        playback.playRefused();
    }
    holdStream(m, self);
    return Value();
}

void pauseAs(Machine& m, Value self, std::optional<bool> paused) {
    playbackOf(m, self).pause(paused, clockMs(m));
    holdStream(m, self);  // its notice is due, and a resumed stream ticks again
}

Value pause(Machine& m, Value self, std::span<const Value>) {
    pauseAs(m, self, true);
    return Value();
}
Value resume(Machine& m, Value self, std::span<const Value>) {
    pauseAs(m, self, false);
    return Value();
}
Value togglePause(Machine& m, Value self, std::span<const Value>) {
    pauseAs(m, self, std::nullopt);
    return Value();
}

Value seek(Machine& m, Value self, std::span<const Value> args) {
    playbackOf(m, self).seek(m.toNumber(argument(args, 0)), clockMs(m));
    holdStream(m, self);
    return Value();
}

Value closeStream(Machine& m, Value self, std::span<const Value>) {
    stopDownload(m, streamOf(m, self));
    playbackOf(m, self).close();
    return Value();
}

Value streamTime(Machine& m, Value self, std::span<const Value>) { return Value::number(playbackOf(m, self).time()); }
Value bufferLength(Machine& m, Value self, std::span<const Value>) {
    return Value::number(playbackOf(m, self).bufferLength());
}
Value bufferTime(Machine& m, Value self, std::span<const Value>) {
    return Value::number(playbackOf(m, self).bufferTime());
}
Value setBufferTime(Machine& m, Value self, std::span<const Value> args) {
    playbackOf(m, self).setBufferTime(m.toNumber(argument(args, 0)));
    return Value();
}
Value bytesLoaded(Machine& m, Value self, std::span<const Value>) {
    return Value::number(double(playbackOf(m, self).bytesLoaded()));
}
Value bytesTotal(Machine& m, Value self, std::span<const Value>) {
    return Value::number(double(playbackOf(m, self).bytesTotal()));
}

Value getClient(Machine& m, Value self, std::span<const Value>) { return streamOf(m, self).client; }
Value setClient(Machine& m, Value self, std::span<const Value> args) {
    if (!argument(args, 0).isObject())
        m.throwError("TypeError", 2004, u"One of the parameters is invalid.");
    streamOf(m, self).client = args[0];
    return Value();
}

Value streamTransform(Machine& m, Value self, std::span<const Value>) {
    return makeSoundTransform(m, streamOf(m, self).levels);
}
Value setStreamTransform(Machine& m, Value self, std::span<const Value> args) {
    if (argument(args, 0).isNullish())
        m.throwError("TypeError", 2007, u"Parameter soundTransform must be non-null.");
    StreamState& s = streamOf(m, self);
    s.levels = soundTransformLevels(m, args[0]);
    hostContext(m).host.setSoundLevels(s.owner, s.levels);
    return Value();
}

Value getCheckPolicy(Machine& m, Value self, std::span<const Value>) { return streamOf(m, self).checkPolicyFile; }
Value setCheckPolicy(Machine& m, Value self, std::span<const Value> args) {
    streamOf(m, self).checkPolicyFile = Value::boolean(avm2::toBoolean(argument(args, 0)));
    return Value();
}

// Metadata values come as text: numbers and booleans become what they were.
Value metadataValue(Machine& m, const std::string& text) {
    if (text == "true" || text == "false")
        return Value::boolean(text == "true");
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, number);
    if (!text.empty() && ec == std::errc() && ptr == end)
        return Value::number(number);
    return m.string(avm2::utf8ToUtf16(text));
}

// An onCuePoint tag's info object (name, time, type, parameters), decoded
// from its AMF0 body; null when the body is damaged.
Value cuePointInfo(Machine& m, const media::FlvScriptTag& tag) {
    amf::Graph graph;
    amf::Decoder decoder(std::string_view(reinterpret_cast<const char*>(tag.body.data()), tag.body.size()), graph);
    const auto name = decoder.value();
    const auto info = name ? decoder.value() : name;
    if (!info || info->type != amf::Type::Complex || info->node >= graph.nodes.size())
        return Value::null();
    const Value object = Value::object(m.newObject());
    Machine::Pin keep(m, object);
    avm2::membersFromAmf(m, graph, graph.nodes[info->node].members, object.asObject());
    return object;
}

// client.handler(info), when the client has such a function; a client
// without one hears nothing.
void callClient(Machine& m, Value client, const std::u16string& handler, Value info) {
    if (!client.isObject() || info.isNull())
        return;
    Machine::Pin keepInfo(m, info);
    const Value f = m.getMember(client, handler);
    const Object* o = f.isObject() ? f.asObject() : nullptr;
    if (dynamic_cast<const avm2::FunctionObject*>(o) || dynamic_cast<const avm2::NativeFunction*>(o) ||
        dynamic_cast<const avm2::MethodClosure*>(o))
        (void)m.call(f, client, std::span<const Value>(&info, 1));
}

void deliverEvents(Machine& m, Value stream) {
    StreamState& s = streamOf(m, stream);
    // Handlers may replace the feed's state; keep what this delivery reads.
    const std::shared_ptr<script::NetStreamFeed> feed = s.feed;
    media::FlvPlayback& playback = feed->playback();
    const std::vector<media::FlvScriptTag> cuePoints = playback.takeCuePoints();
    size_t nextCue = 0;
    for (media::FlvEvent event : playback.takeEvents()) {
        const Value client = streamOf(m, stream).client;
        if (event == media::FlvEvent::CuePoint) {
            if (nextCue < cuePoints.size())
                callClient(m, client, u"onCuePoint", cuePointInfo(m, cuePoints[nextCue]));
            ++nextCue;
            continue;
        }
        if (event == media::FlvEvent::MetaData) {
            const auto* metadata = playback.metadata();
            if (!metadata)
                continue;
            const Value info = Value::object(m.newObject());
            Machine::Pin keep(m, info);
            for (const auto& [key, text] : *metadata)
                info.asObject()->setOwn(avm2::utf8ToUtf16(key), metadataValue(m, text));
            callClient(m, client, u"onMetaData", info);
            continue;
        }
        dispatchStatus(m, stream.asObject(), media::flvStatusCode(event), media::flvStatusIsError(event));
    }
}

// --- Video -----------------------------------------------------------------------------

model::VideoObject& videoOf(Machine& m, Value self) {
    DisplayState& d = displayOf(m, self);
    auto* video = d.object ? d.object->as<model::VideoObject>() : nullptr;
    if (!video)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.media.Video.");
    return *video;
}

uint16_t videoSide(Machine& m, std::span<const Value> args, size_t i, uint16_t otherwise) {
    if (i >= args.size() || args[i].isUndefined())
        return otherwise;
    const double v = m.toNumber(args[i]);
    return std::isfinite(v) && v > 0 ? uint16_t(std::min(v, 8191.0)) : 0;
}

// Video(width = 320, height = 240); a timeline-placed video binds to its stream.
Value videoInit(Machine& m, Value self, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    if (!self.asObject()->nativeAs<DisplayState>() &&
        !(ctx.pendingObject && ctx.pendingObject->as<model::VideoObject>())) {
        auto video = ctx.stage.createDetachedVideo(videoSide(m, args, 0, 320), videoSide(m, args, 1, 240));
        if (!video)
            m.throwError("Error", 1000, u"The system is out of memory.");
        ctx.pendingObject = std::move(video);
    }
    (void)initDisplayObject(m, self, args);
    displayOf(m, self).isInteractive = false;
    return Value();
}

Value attachNetStream(Machine& m, Value self, std::span<const Value> args) {
    model::VideoObject& video = videoOf(m, self);
    const Value stream = argument(args, 0);
    video.attachFeed(stream.isNullish() ? nullptr : streamOf(m, stream).feed);
    return Value();
}

// No camera here: attaching one shows nothing, as a missing camera does.
Value attachCamera(Machine& m, Value self, std::span<const Value>) {
    videoOf(m, self).attachFeed(nullptr);
    return Value();
}

Value clearVideo(Machine& m, Value self, std::span<const Value>) {
    videoOf(m, self).clearPicture();
    return Value();
}

// The pictures' size: 0 until a stream shows one.
Value videoWidth(Machine& m, Value self, std::span<const Value>) {
    const model::VideoFeed* feed = videoOf(m, self).feed();
    return Value::fromInt(feed ? int32_t(feed->width()) : 0);
}
Value videoHeight(Machine& m, Value self, std::span<const Value>) {
    const model::VideoFeed* feed = videoOf(m, self).feed();
    return Value::fromInt(feed ? int32_t(feed->height()) : 0);
}

Value getSmoothing(Machine& m, Value self, std::span<const Value>) {
    return Value::boolean(videoOf(m, self).smoothing());
}
Value setSmoothing(Machine& m, Value self, std::span<const Value> args) {
    videoOf(m, self).setSmoothing(avm2::toBoolean(argument(args, 0)));
    return Value();
}
Value getDeblocking(Machine& m, Value self, std::span<const Value>) {
    return Value::fromInt(videoOf(m, self).deblocking());
}
Value setDeblocking(Machine& m, Value self, std::span<const Value> args) {
    videoOf(m, self).setDeblocking(m.toNumber(argument(args, 0)));
    return Value();
}

const avm2::NativeAccessor StatusEventAccessors[] = {{u"info", statusEventInfo, setStatusEventInfo}};
const avm2::NativeMember StatusEventMethods[] = {{u"clone", cloneStatusEvent}};
const avm2::NativeStringConstant StatusEventTypes[] = {{u"NET_STATUS", u"netStatus"}};

const avm2::NativeMember ConnectionMethods[] = {{u"connect", connect}, {u"close", closeConnection}};
const avm2::NativeAccessor ConnectionAccessors[] = {{u"connected", connected}};

const avm2::NativeMember StreamMethods[] = {
    {u"play", play}, {u"pause", pause},       {u"resume", resume}, {u"togglePause", togglePause},
    {u"seek", seek}, {u"close", closeStream},
};
const avm2::NativeAccessor StreamAccessors[] = {
    {u"time", streamTime},
    {u"bufferLength", bufferLength},
    {u"bufferTime", bufferTime, setBufferTime},
    {u"bytesLoaded", bytesLoaded},
    {u"bytesTotal", bytesTotal},
    {u"client", getClient, setClient},
    {u"soundTransform", streamTransform, setStreamTransform},
    {u"checkPolicyFile", getCheckPolicy, setCheckPolicy},
};

const avm2::NativeMember VideoMethods[] = {
    {u"attachNetStream", attachNetStream}, {u"attachCamera", attachCamera}, {u"clear", clearVideo}};
const avm2::NativeAccessor VideoAccessors[] = {
    {u"videoWidth", videoWidth},
    {u"videoHeight", videoHeight},
    {u"smoothing", getSmoothing, setSmoothing},
    {u"deblocking", getDeblocking, setDeblocking},
};

const avm2::CoreClassSpec Classes[] = {
    {.name = u"NetStatusEvent",
     .base = u"flash.events.Event",
     .init = statusEventInit,
     .sealed = true,
     .package = u"flash.events",
     .methods = StatusEventMethods,
     .accessors = StatusEventAccessors,
     .stringConstants = StatusEventTypes},
    {.name = u"NetConnection",
     .base = u"flash.events.EventDispatcher",
     .init = connectionInit,
     .package = u"flash.net",
     .methods = ConnectionMethods,
     .accessors = ConnectionAccessors},
    {.name = u"NetStream",
     .base = u"flash.events.EventDispatcher",
     .init = streamInit,
     .package = u"flash.net",
     .methods = StreamMethods,
     .accessors = StreamAccessors},
    {.name = u"Video",
     .base = u"flash.display.DisplayObject",
     .init = videoInit,
     .package = u"flash.media",
     .methods = VideoMethods,
     .accessors = VideoAccessors},
};

}  // namespace

std::span<const avm2::CoreClassSpec> videoClasses() { return Classes; }

void updateNetStreams(Machine& m) {
    HostContext& ctx = hostContext(m);
    if (ctx.held.netStreams.empty())
        return;
    const uint64_t now = clockMs(m);
    // Handlers may play, close or make streams: work on a copy.
    const std::vector<Value> streams = ctx.held.netStreams;
    for (const Value& v : streams)
        m.pin(v);
    struct Unpin {
        Machine& m;
        size_t n;
        ~Unpin() { m.unpin(n); }
    } unpin{m, streams.size()};
    for (const Value& stream : streams) {
        StreamState& s = streamOf(m, stream);
        media::FlvPlayback& playback = s.feed->playback();
        playback.update(now);
        // A download's sound starts once its file opened.
        if (auto voice = playback.takeVoice()) {
            ctx.host.setSoundLevels(s.owner, s.levels);
            (void)ctx.host.playStreamSound(std::move(voice), s.owner);
        }
        deliverEvents(m, stream);
        // A paused, finished or closed stream is left to the collector once
        // its events are delivered: dropped by the movie, it goes.
        if (!playbackOf(m, stream).playing())
            std::erase_if(ctx.held.netStreams, [&](const Value& held) { return held.asObject() == stream.asObject(); });
    }
}

}  // namespace as3
