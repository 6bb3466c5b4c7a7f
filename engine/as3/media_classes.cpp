// flash.media's sound classes on the control's one mixer (through the
// script host, as ActionScript 2's Sound): Sound plays its linked symbol's
// sound (new MySound().play()), each play is a SoundChannel of its own with
// position, stop and a soundTransform, and soundComplete goes to the channel
// when its voice ends, on the control's clock (deliverSoundCompletions, each
// frame). SoundTransform carries levels; SoundMixer stops everything and
// sets the global levels.
//
// A channel is its own owner on the mixer (a number above every display
// object id), so stopping or transforming it touches only its voice. A
// playing channel is held by the player, so it completes with no other
// reference to it.
#include "as3/event_dispatch.h"
#include "as3/host_context.h"

#include "avm2/class_object.h"
#include "avm2/conversions.h"

#include "swf/sound.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

// Levels as fractions, as flash.media reads them.
struct TransformState final : avm2::NativeState {
    double volume = 1;
    double ll = 1;
    double lr = 0;
    double rl = 0;
    double rr = 1;

    [[nodiscard]] script::SoundLevels levels() const { return {ll * 100, lr * 100, rl * 100, rr * 100, volume * 100}; }
    void take(const script::SoundLevels& l) {
        volume = l.volume / 100;
        ll = l.ll / 100;
        lr = l.lr / 100;
        rl = l.rl / 100;
        rr = l.rr / 100;
    }
};

struct SoundState final : DispatcherState {
    uint32_t soundId = 0;  // the linked DefineSound, 0 for none
};

struct ChannelState final : DispatcherState {
    uint64_t voice = 0;  // 0 once stopped or done
    uint64_t owner = 0;
    double endPosition = 0;  // ms, once not playing
    double length = 0;       // of the sound, ms
    TransformState levels;
};

// The channels whose voices play, by voice, and the owners handed out.
struct MediaHeld final : avm2::NativeState {
    std::map<uint64_t, Value> playing;
    uint64_t nextOwner = uint64_t(1) << 48;

    void trace(avm2::Tracer& tracer) const override {
        for (const auto& [voice, channel] : playing)
            tracer.value(channel);
    }
};

MediaHeld& mediaHeld(Machine& m) {
    HeldValues& held = hostContext(m).held;
    if (!held.media.isObject()) {
        Object* holder = m.newObject();
        holder->setNativeState(std::make_unique<MediaHeld>());
        held.media = Value::object(holder);
    }
    return *held.media.asObject()->nativeAs<MediaHeld>();
}

template <typename T>
T& stateOf(Machine& m, Value self, const char16_t* className) {
    T* s = self.isObject() ? self.asObject()->nativeAs<T>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034,
                     u"Type Coercion failed: cannot convert value to flash.media." + std::u16string(className) + u".");
    return *s;
}

double finiteOr(Machine& m, Value v, double otherwise) {
    if (v.isNullish())
        return otherwise;
    const double d = m.toNumber(v);
    return std::isfinite(d) ? d : otherwise;
}

// --- SoundTransform ----------------------------------------------------------------------

Value transformInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<TransformState>();
    s->volume = finiteOr(m, argument(args, 0), 1);
    const double pan = std::clamp(finiteOr(m, argument(args, 1), 0), -1.0, 1.0);
    s->ll = pan > 0 ? 1 - pan : 1;
    s->rr = pan < 0 ? 1 + pan : 1;
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

TransformState& transformOf(Machine& m, Value self) { return stateOf<TransformState>(m, self, u"SoundTransform"); }

template <double TransformState::*Field>
Value getLevel(Machine& m, Value self, std::span<const Value>) {
    return Value::number(transformOf(m, self).*Field);
}
template <double TransformState::*Field>
Value setLevel(Machine& m, Value self, std::span<const Value> args) {
    TransformState& s = transformOf(m, self);
    s.*Field = finiteOr(m, argument(args, 0), s.*Field);
    return Value();
}

// pan reads the balance of the straight levels; setting it rebuilds them.
Value getPan(Machine& m, Value self, std::span<const Value>) {
    const TransformState& s = transformOf(m, self);
    return Value::number(std::abs(s.rr) - std::abs(s.ll));
}
Value setPan(Machine& m, Value self, std::span<const Value> args) {
    TransformState& s = transformOf(m, self);
    const double pan = std::clamp(finiteOr(m, argument(args, 0), 0), -1.0, 1.0);
    s.ll = pan > 0 ? 1 - pan : 1;
    s.rr = pan < 0 ? 1 + pan : 1;
    s.lr = 0;
    s.rl = 0;
    return Value();
}

// A new SoundTransform object holding `levels` (transforms are read as copies).
Value newTransform(Machine& m, const TransformState& levels) {
    const Value made = m.construct(Value::object(m.coreClass(u"flash.media", u"SoundTransform")), {});
    transformOf(m, made) = levels;
    return made;
}

// The levels of a SoundTransform argument; throws for anything else but null.
const TransformState* transformArgument(Machine& m, Value v) {
    if (v.isNullish())
        return nullptr;
    return &transformOf(m, v);
}

// --- Sound -------------------------------------------------------------------------------

// The DefineSound the instance's class is linked to by SymbolClass, or 0.
uint32_t linkedSound(Machine& m, Object* self) {
    HostContext& ctx = hostContext(m);
    const avm2::Traits* traits = self->traits();
    for (const auto& [id, name] : ctx.symbolClasses) {
        if (id == 0)
            continue;
        const Value c = m.findDefinitionByName(name);
        auto* type = c.isObject() ? dynamic_cast<avm2::ClassObject*>(c.asObject()) : nullptr;
        if (type && &type->instanceTraits() == traits)
            return ctx.stage.movie().characters.find<swf::Sound>(id) ? id : 0;
    }
    return 0;
}

Value soundInit(Machine& m, Value self, std::span<const Value>) {
    auto s = std::make_unique<SoundState>();
    s->soundId = linkedSound(m, self.asObject());
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

SoundState& soundOf(Machine& m, Value self) { return stateOf<SoundState>(m, self, u"Sound"); }

double soundLength(Machine& m, uint32_t soundId) { return soundId ? hostContext(m).host.soundDuration(soundId) : 0.0; }

// play(startTime = 0 ms, loops = 0, sndTransform = null): a new channel, or
// null when there is nothing to play (no sound, or no mixer).
Value soundPlay(Machine& m, Value self, std::span<const Value> args) {
    const SoundState& s = soundOf(m, self);
    const double start = std::max(0.0, finiteOr(m, argument(args, 0), 0));
    const double loops = std::clamp(std::floor(finiteOr(m, argument(args, 1), 0)), 1.0, 65535.0);
    const TransformState* levels = transformArgument(m, argument(args, 2));
    if (s.soundId == 0)
        return Value::null();
    script::Host& host = hostContext(m).host;
    MediaHeld& held = mediaHeld(m);
    const uint64_t owner = held.nextOwner++;
    if (levels)
        host.setSoundLevels(owner, levels->levels());
    const uint64_t voice = host.startSound(s.soundId, start / 1000.0, uint32_t(loops), owner);
    if (voice == 0)
        return Value::null();
    const Value channel = m.construct(Value::object(m.coreClass(u"flash.media", u"SoundChannel")), {});
    ChannelState& c = stateOf<ChannelState>(m, channel, u"SoundChannel");
    c.voice = voice;
    c.owner = owner;
    c.length = soundLength(m, s.soundId);
    if (levels)
        c.levels = *levels;
    held.playing[voice] = channel;
    return channel;
}

Value soundLengthGetter(Machine& m, Value self, std::span<const Value>) {
    return Value::number(soundLength(m, soundOf(m, self).soundId));
}

// A linked sound is all there as the movie loads.
Value soundBytes(Machine& m, Value self, std::span<const Value>) {
    const uint32_t id = soundOf(m, self).soundId;
    const auto* sound = id ? hostContext(m).stage.movie().characters.find<swf::Sound>(uint16_t(id)) : nullptr;
    return Value::number(sound ? double(sound->data.size()) : 0.0);
}

Value soundIsBuffering(Machine&, Value, std::span<const Value>) { return Value::boolean(false); }

// --- SoundChannel ------------------------------------------------------------------------

Value channelInit(Machine&, Value self, std::span<const Value>) {
    self.asObject()->setNativeState(std::make_unique<ChannelState>());
    return Value();
}

ChannelState& channelOf(Machine& m, Value self) { return stateOf<ChannelState>(m, self, u"SoundChannel"); }

Value channelPosition(Machine& m, Value self, std::span<const Value>) {
    const ChannelState& c = channelOf(m, self);
    return Value::number(c.voice ? hostContext(m).host.soundPosition(c.voice) : c.endPosition);
}

Value channelStop(Machine& m, Value self, std::span<const Value>) {
    ChannelState& c = channelOf(m, self);
    if (c.voice == 0)
        return Value();
    script::Host& host = hostContext(m).host;
    c.endPosition = host.soundPosition(c.voice);
    host.stopSounds(c.owner, 0);
    mediaHeld(m).playing.erase(c.voice);
    c.voice = 0;
    return Value();
}

Value channelTransform(Machine& m, Value self, std::span<const Value>) {
    return newTransform(m, channelOf(m, self).levels);
}
Value setChannelTransform(Machine& m, Value self, std::span<const Value> args) {
    ChannelState& c = channelOf(m, self);
    const TransformState* levels = transformArgument(m, argument(args, 0));
    if (!levels)
        m.throwError("TypeError", 2007, u"Parameter soundTransform must be non-null.");
    c.levels = *levels;
    hostContext(m).host.setSoundLevels(c.owner, c.levels.levels());
    return Value();
}

// --- SoundMixer --------------------------------------------------------------------------

Value mixerStopAll(Machine& m, Value, std::span<const Value>) {
    hostContext(m).host.stopAllSounds();
    MediaHeld& held = mediaHeld(m);
    for (const auto& [voice, channel] : held.playing) {
        ChannelState& c = channelOf(m, channel);
        c.endPosition = 0;
        c.voice = 0;
    }
    held.playing.clear();
    return Value();
}

Value mixerTransform(Machine& m, Value, std::span<const Value>) {
    TransformState levels;
    levels.take(hostContext(m).host.soundLevels(0));
    return newTransform(m, levels);
}
Value setMixerTransform(Machine& m, Value, std::span<const Value> args) {
    const TransformState* levels = transformArgument(m, argument(args, 0));
    if (!levels)
        m.throwError("TypeError", 2007, u"Parameter soundTransform must be non-null.");
    hostContext(m).host.setSoundLevels(0, levels->levels());
    return Value();
}

const avm2::NativeAccessor TransformAccessors[] = {
    {u"volume", getLevel<&TransformState::volume>, setLevel<&TransformState::volume>},
    {u"leftToLeft", getLevel<&TransformState::ll>, setLevel<&TransformState::ll>},
    {u"leftToRight", getLevel<&TransformState::lr>, setLevel<&TransformState::lr>},
    {u"rightToLeft", getLevel<&TransformState::rl>, setLevel<&TransformState::rl>},
    {u"rightToRight", getLevel<&TransformState::rr>, setLevel<&TransformState::rr>},
    {u"pan", getPan, setPan}};

const avm2::NativeMember SoundMethods[] = {{u"play", soundPlay}};
const avm2::NativeAccessor SoundAccessors[] = {{u"length", soundLengthGetter},
                                               {u"bytesLoaded", soundBytes},
                                               {u"bytesTotal", soundBytes},
                                               {u"isBuffering", soundIsBuffering}};

const avm2::NativeMember ChannelMethods[] = {{u"stop", channelStop}};
const avm2::NativeAccessor ChannelAccessors[] = {{u"position", channelPosition},
                                                 {u"soundTransform", channelTransform, setChannelTransform}};

const avm2::NativeMember MixerStatics[] = {{u"stopAll", mixerStopAll}};
const avm2::NativeAccessor MixerAccessors[] = {{u"soundTransform", mixerTransform, setMixerTransform}};

const avm2::CoreClassSpec Classes[] = {
    {.name = u"SoundTransform",
     .base = nullptr,
     .init = transformInit,
     .sealed = true,
     .package = u"flash.media",
     .accessors = TransformAccessors,
     .final = true},
    {.name = u"Sound",
     .base = u"flash.events.EventDispatcher",
     .init = soundInit,
     .package = u"flash.media",
     .methods = SoundMethods,
     .accessors = SoundAccessors},
    {.name = u"SoundChannel",
     .base = u"flash.events.EventDispatcher",
     .init = channelInit,
     .sealed = true,
     .package = u"flash.media",
     .methods = ChannelMethods,
     .accessors = ChannelAccessors,
     .final = true},
    {.name = u"SoundMixer",
     .base = nullptr,
     .sealed = true,
     .statics = MixerStatics,
     .package = u"flash.media",
     .staticAccessors = MixerAccessors,
     .final = true},
};

}  // namespace

std::span<const avm2::CoreClassSpec> mediaClasses() { return Classes; }

script::SoundLevels soundTransformLevels(Machine& m, Value transform) { return transformOf(m, transform).levels(); }

Value makeSoundTransform(Machine& m, const script::SoundLevels& levels) {
    TransformState state;
    state.take(levels);
    return newTransform(m, state);
}

void deliverSoundCompletions(Machine& m) {
    const HeldValues& held = hostContext(m).held;
    std::vector<uint64_t> finished = hostContext(m).host.finishedSounds();
    if (!held.media.isObject() || finished.empty())
        return;
    MediaHeld& media = mediaHeld(m);
    for (const uint64_t voice : finished) {
        const auto it = media.playing.find(voice);
        if (it == media.playing.end())
            continue;
        const Value channel = it->second;
        media.playing.erase(it);
        Machine::Pin keep(m, channel);
        ChannelState& c = channelOf(m, channel);
        c.voice = 0;
        c.endPosition = c.length;
        Value event = makeEvent(m, u"soundComplete");
        Machine::Pin keepEvent(m, event);
        (void)dispatch(m, channel.asObject(), event);
    }
}

}  // namespace as3
