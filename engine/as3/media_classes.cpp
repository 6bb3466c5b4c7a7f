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
#include "as3/display_state.h"
#include "as3/event_dispatch.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/net_loads.h"
#include "as3/timeline_instances.h"

#include "avm2/byte_array.h"
#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/string.h"

#include "media/decoded_sound.h"
#include "media/progressive_sound.h"
#include "media/sound_tags.h"
#include "media/spectrum.h"
#include "swf/sound.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
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

// The length of an ID3v2 tag at the start of an MP3 file (header, body
// and footer), 0 when there is none; what is known from the first 10 bytes.
size_t id3v2Size(std::span<const uint8_t> file) {
    if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3')
        return 0;
    const size_t body = size_t(file[6] & 0x7F) << 21 | size_t(file[7] & 0x7F) << 14 | size_t(file[8] & 0x7F) << 7 |
                        size_t(file[9] & 0x7F);
    return 10 + body + ((file[5] & 0x10) ? 10 : 0);
}

// Bytes of the file read before the tags are looked for while it loads: an
// ID3v2 tag comes first, and a longer wait would read the tags over and over.
constexpr size_t MaxEarlyTagBytes = size_t(1) << 20;
// Channels that may wait for their sounds' first bytes at once; plays past
// it give null, as with no mixer (a script playing in a loop).
constexpr size_t MaxWaitingChannels = 256;

// Channels played before their sound's first bytes start as those arrive.
void startWaitingChannels(Machine& m, Value sound, bool failed);

struct SoundState final : DispatcherState, LoadClient {
    uint32_t soundId = 0;  // the linked DefineSound, or the host's sound of a loaded file; 0 for none
    // A loaded movie's linked sound: its movie (not kept alive) and character.
    std::weak_ptr<const swf::Movie> library;
    uint16_t character = 0;
    // Sound.load: the file's bytes so far, and the load's progress.
    bool fromFile = false;
    bool loading = false;
    bool opened = false;
    uint64_t bytesLoaded = 0;
    uint64_t bytesTotal = 0;
    std::vector<uint8_t> file;
    std::string url;  // as error events name it
    Value id3;        // the ID3Info, once the tags were read
    bool id3Read = false;
    // extract(): the decoded sound, decoded again when more bytes came.
    std::shared_ptr<const media::DecodedSound> decoded;
    size_t decodedBytes = 0;
    uint64_t extractAt = 0;  // where the next extract without a start goes on

    void trace(avm2::Tracer& tracer) const override {
        DispatcherState::trace(tracer);
        tracer.value(id3);
    }
    [[nodiscard]] size_t extraBytes() const override {
        return DispatcherState::extraBytes() + file.capacity() + (decoded ? decoded->samples.capacity() * 2 : 0);
    }

    void dispatchPlain(Machine& m, Value self, const char16_t* type) {
        Value event = makeEvent(m, type);
        Machine::Pin keep(m, event);
        (void)dispatch(m, self.asObject(), event);
    }
    void open(Machine& m, Value self) {
        if (!std::exchange(opened, true))
            dispatchPlain(m, self, u"open");
    }

    // The tags, once: while loading when the whole ID3v2 tag is in, else
    // at the end (ID3v1 sits there).
    void readTags(Machine& m, Value self, bool complete) {
        if (id3Read)
            return;
        if (!complete) {
            const size_t tagSize = id3v2Size(file);
            if (tagSize == 0 || file.size() < tagSize || file.size() > MaxEarlyTagBytes)
                return;
        }
        const auto tags = media::readSoundTags(file);
        if (tags.empty())
            return;
        id3Read = true;
        const Value info = m.construct(Value::object(m.coreClass(u"flash.media", u"ID3Info")), {});
        Machine::Pin keep(m, info);
        const std::pair<const char*, const char16_t*> names[] = {
            {"songname", u"songName"}, {"artist", u"artist"}, {"album", u"album"}, {"year", u"year"},
            {"comment", u"comment"},   {"genre", u"genre"},   {"track", u"track"}};
        for (const auto& [name, text] : tags) {
            std::u16string key = avm2::utf8ToUtf16(name);
            for (const auto& [from, to] : names) {
                if (name == from)
                    key = to;
            }
            info.asObject()->setOwn(key, m.string(avm2::utf8ToUtf16(text)));
        }
        id3 = info;
        dispatchPlain(m, self, u"id3");
    }

    void loadChunk(Machine& m, Value self, std::string_view bytes) override {
        open(m, self);
        if (file.size() + bytes.size() > (size_t(256) << 20))
            return;  // past the fetcher's own limit: the load fails at its end
        file.insert(file.end(), bytes.begin(), bytes.end());
        script::Host& host = hostContext(m).host;
        // The first bytes make the sound: it can play while the rest comes.
        if (soundId == 0)
            soundId = host.openArrivingSound();
        if (soundId != 0) {
            host.addArrivingSound(soundId, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, false);
            startWaitingChannels(m, self, false);
        }
    }

    void loadProgress(Machine& m, Value self, uint64_t loaded, uint64_t total) override {
        open(m, self);
        bytesLoaded = loaded;
        bytesTotal = total;
        Value event = makeProgressEvent(m, loaded, total);
        Machine::Pin keep(m, event);
        (void)dispatch(m, self.asObject(), event);
        readTags(m, self, false);
    }

    void loadFinished(Machine& m, Value self, const FetchResult& result) override {
        loading = false;
        script::Host& host = hostContext(m).host;
        if (soundId != 0)
            host.addArrivingSound(soundId, {}, true);
        if (!result) {
            startWaitingChannels(m, self, true);
            const LoadFailure failure = loadFailure(result.error(), url, false);
            dispatchErrorEvent(m, self.asObject(),
                               makeErrorEvent(m, failure.className, failure.type, failure.text, failure.id));
            return;
        }
        const std::string& body = result->body;
        if (file.size() != body.size())
            file.assign(body.begin(), body.end());
        if (soundId == 0 && !file.empty())
            soundId = host.loadSound(file, true);
        startWaitingChannels(m, self, soundId == 0);
        if (bytesLoaded != body.size() || !opened)
            loadProgress(m, self, body.size(), body.size());
        readTags(m, self, true);
        dispatchPlain(m, self, u"complete");
    }
};

struct ChannelState final : DispatcherState {
    uint64_t voice = 0;  // 0 once stopped or done
    uint64_t owner = 0;
    // Played before the sound's first bytes: how to start when they come.
    bool waiting = false;
    bool ownLevels = false;
    double start = 0;  // ms
    uint32_t loops = 1;
    double endPosition = 0;  // ms, once not playing
    double length = 0;       // of the sound, ms
    TransformState levels;
};

// The channels whose voices play, by voice, and the owners handed out.
struct MediaHeld final : avm2::NativeState {
    std::map<uint64_t, Value> playing;
    // Channels waiting for their sound's first bytes, with the sound.
    std::vector<std::pair<Value, Value>> waiting;
    uint64_t nextOwner = uint64_t(1) << 48;
    // Display objects given a soundTransform, by their mixer owner: their
    // levels are dropped once the object is gone.
    std::map<uint64_t, std::weak_ptr<model::DisplayObject>> objectOwners;

    void trace(avm2::Tracer& tracer) const override {
        for (const auto& [voice, channel] : playing)
            tracer.value(channel);
        for (const auto& [sound, channel] : waiting) {
            tracer.value(sound);
            tracer.value(channel);
        }
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

// The DefineSound the instance's class is linked to by SymbolClass, as the
// host names it (a loaded movie's by its tag), or 0.
uint32_t linkedSound(Machine& m, Object* self, SoundState& s) {
    const auto symbol = linkedLibraryCharacter(m, self);
    if (!symbol)
        return 0;
    HostContext& ctx = hostContext(m);
    if (!symbol->movie)
        return ctx.stage.movie().characters.find<swf::Sound>(symbol->id) ? symbol->id : 0;
    s.library = symbol->movie;
    s.character = symbol->id;
    return ctx.host.movieSound(symbol->movie, symbol->id);
}

SoundState& soundOf(Machine& m, Value self) { return stateOf<SoundState>(m, self, u"Sound"); }

// load(stream, context = null): the file loads in the background; the
// events tell how it goes, and the sound plays from its first bytes on.
Value soundLoad(Machine& m, Value self, std::span<const Value> args) {
    SoundState& s = soundOf(m, self);
    if (s.soundId != 0 || s.loading)
        m.throwError("Error", 2037, u"Functions called in incorrect sequence, or earlier call was unsuccessful.");
    RequestParts parts = requestParts(m, argument(args, 0));
    parts.streamBody = true;
    NetLoads& loads = netLoads(m);
    s.url = loads.resolvedUrl(parts.url);
    s.fromFile = true;
    s.loading = true;
    (void)loads.start(hostContext(m).held, self, parts);
    return Value();
}

// Sound(stream = null, context = null)
Value soundInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<SoundState>();
    s->soundId = linkedSound(m, self.asObject(), *s);
    self.asObject()->setNativeState(std::move(s));
    if (!argument(args, 0).isNullish())
        (void)soundLoad(m, self, args);
    return Value();
}

double soundLength(Machine& m, uint32_t soundId) { return soundId ? hostContext(m).host.soundDuration(soundId) : 0.0; }

// A loading file's length grows with the frames its bytes so far hold.
double soundLength(Machine& m, const SoundState& s) {
    double ms = soundLength(m, s.soundId);
    if (s.fromFile && !s.file.empty()) {
        const std::span<const uint8_t> file(s.file);
        const size_t skip = std::min(id3v2Size(file), file.size());
        ms = std::max(ms, double(media::mp3OutputFrames(file.subspan(skip))) * 1000.0 / media::OutputRate);
    }
    return ms;
}

// play(startTime = 0 ms, loops = 0, sndTransform = null): a new channel, or
// null when there is nothing to play (no sound, or no mixer).
Value soundPlay(Machine& m, Value self, std::span<const Value> args) {
    const SoundState& s = soundOf(m, self);
    const double start = std::max(0.0, finiteOr(m, argument(args, 0), 0));
    const double loops = std::clamp(std::floor(finiteOr(m, argument(args, 1), 0)), 1.0, 65535.0);
    const TransformState* levels = transformArgument(m, argument(args, 2));
    if (s.soundId == 0 && !s.loading)
        return Value::null();
    script::Host& host = hostContext(m).host;
    MediaHeld& held = mediaHeld(m);
    const uint64_t owner = held.nextOwner++;
    if (s.soundId == 0) {
        if (held.waiting.size() >= MaxWaitingChannels)
            return Value::null();
        // Nothing arrived yet: the channel starts with the first bytes, at
        // the position asked for, and reads that position until then.
        const Value channel = m.construct(Value::object(m.coreClass(u"flash.media", u"SoundChannel")), {});
        ChannelState& c = stateOf<ChannelState>(m, channel, u"SoundChannel");
        c.waiting = true;
        c.owner = owner;
        c.start = start;
        c.loops = uint32_t(loops);
        c.endPosition = start;
        if (levels) {
            c.levels = *levels;
            c.ownLevels = true;
        }
        held.waiting.emplace_back(self, channel);
        return channel;
    }
    if (levels)
        host.setSoundLevels(owner, levels->levels());
    const uint64_t voice = host.startSound(s.soundId, start / 1000.0, uint32_t(loops), owner);
    if (voice == 0) {
        host.forgetSoundOwner(owner);
        return Value::null();
    }
    const Value channel = m.construct(Value::object(m.coreClass(u"flash.media", u"SoundChannel")), {});
    ChannelState& c = stateOf<ChannelState>(m, channel, u"SoundChannel");
    c.voice = voice;
    c.owner = owner;
    c.length = soundLength(m, s);
    if (levels)
        c.levels = *levels;
    held.playing[voice] = channel;
    return channel;
}

ChannelState& channelOf(Machine& m, Value self);

void startWaitingChannels(Machine& m, Value sound, bool failed) {
    if (!hostContext(m).held.media.isObject())
        return;
    MediaHeld& held = mediaHeld(m);
    std::vector<Value> starting;
    std::erase_if(held.waiting, [&](const std::pair<Value, Value>& entry) {
        if (entry.first.asObject() != sound.asObject())
            return false;
        starting.push_back(entry.second);
        return true;
    });
    const SoundState& s = soundOf(m, sound);
    script::Host& host = hostContext(m).host;
    for (const Value& channel : starting) {
        ChannelState& c = channelOf(m, channel);
        if (!std::exchange(c.waiting, false))
            continue;
        uint64_t voice = 0;
        if (!failed && s.soundId != 0) {
            if (c.ownLevels)
                host.setSoundLevels(c.owner, c.levels.levels());
            voice = host.startSound(s.soundId, c.start / 1000.0, c.loops, c.owner);
        }
        if (voice == 0) {
            // Nothing to play after all: the channel ends silently.
            host.forgetSoundOwner(c.owner);
            continue;
        }
        c.voice = voice;
        c.length = soundLength(m, s);
        held.playing[voice] = channel;
    }
}

Value soundLengthGetter(Machine& m, Value self, std::span<const Value>) {
    return Value::number(soundLength(m, soundOf(m, self)));
}

// The linked DefineSound, in the main movie or a loaded one still there.
const swf::Sound* linkedDefinition(Machine& m, const SoundState& s) {
    if (s.character != 0) {
        const auto library = s.library.lock();
        return library ? library->characters.find<swf::Sound>(s.character) : nullptr;
    }
    const uint32_t id = s.soundId;
    return id && id <= 0xFFFF ? hostContext(m).stage.movie().characters.find<swf::Sound>(uint16_t(id)) : nullptr;
}

// A linked sound is all there as the movie loads; a loaded one counts its load.
double soundBytes(Machine& m, const SoundState& s, bool total) {
    if (s.fromFile)
        return double(total ? s.bytesTotal : s.bytesLoaded);
    const swf::Sound* sound = linkedDefinition(m, s);
    return sound ? double(sound->data.size()) : 0.0;
}
Value soundBytesLoaded(Machine& m, Value self, std::span<const Value>) {
    return Value::number(soundBytes(m, soundOf(m, self), false));
}
Value soundBytesTotal(Machine& m, Value self, std::span<const Value>) {
    return Value::number(soundBytes(m, soundOf(m, self), true));
}

// Waiting for data: loading with nothing playable yet.
Value soundIsBuffering(Machine& m, Value self, std::span<const Value>) {
    const SoundState& s = soundOf(m, self);
    return Value::boolean(s.loading && soundLength(m, s) <= 0);
}

Value soundUrl(Machine& m, Value self, std::span<const Value>) {
    const SoundState& s = soundOf(m, self);
    return s.fromFile ? m.string(avm2::utf8ToUtf16(s.url)) : Value::null();
}

Value soundId3(Machine& m, Value self, std::span<const Value>) {
    const SoundState& s = soundOf(m, self);
    return s.id3.isObject() ? s.id3 : m.construct(Value::object(m.coreClass(u"flash.media", u"ID3Info")), {});
}

Value soundClose(Machine& m, Value self, std::span<const Value>) {
    SoundState& s = soundOf(m, self);
    if (!s.loading)
        m.throwError("IOError", 2029, u"This URLStream object does not have a stream opened.");
    HeldValues& held = hostContext(m).held;
    for (auto it = held.loads.begin(); it != held.loads.end(); ++it) {
        if (it->second.asObject() == self.asObject()) {
            netLoads(m).cancel(held, it->first);
            break;
        }
    }
    s.loading = false;
    if (s.soundId != 0)
        hostContext(m).host.addArrivingSound(s.soundId, {}, true);
    return Value();
}

// The sound decoded to the output format (44.1 kHz stereo): the linked
// character's, or the loaded file's so far.
const media::DecodedSound* decodedOf(Machine& m, SoundState& s) {
    if (s.fromFile) {
        if (s.file.empty())
            return nullptr;
        if (!s.decoded || s.decodedBytes != s.file.size()) {
            swf::Sound sound;
            sound.format = {swf::SoundCodec::Mp3, 3, true, true};
            const size_t skip = std::min(id3v2Size(s.file), s.file.size());
            sound.data.assign(s.file.begin() + ptrdiff_t(skip), s.file.end());
            s.decoded = media::decodeSound(sound);
            s.decodedBytes = s.file.size();
        }
    } else if (!s.decoded) {
        if (const swf::Sound* sound = linkedDefinition(m, s))
            s.decoded = media::decodeSound(*sound);
    }
    return s.decoded.get();
}

// extract(target, length, startPosition = -1): `length` samples (stereo
// frames at 44.1 kHz) from `startPosition`, or on from where the last call
// ended, written as pairs of 32-bit floats; how many were written.
Value soundExtract(Machine& m, Value self, std::span<const Value> args) {
    SoundState& s = soundOf(m, self);
    auto* target = argument(args, 0).isObject() ? args[0].asObject()->nativeAs<avm2::ByteArrayState>() : nullptr;
    if (!target)
        m.throwError("TypeError", 2007, u"Parameter target must be non-null.");
    const double wanted = finiteOr(m, argument(args, 1), 0);
    const double from = finiteOr(m, argument(args, 2), -1);
    const media::DecodedSound* decoded = decodedOf(m, s);
    const uint64_t frames = decoded ? decoded->frames : 0;
    const uint64_t start = from >= 0 ? uint64_t(std::min(from, double(frames))) : std::min(s.extractAt, frames);
    const uint64_t count = wanted > 0 ? std::min(uint64_t(std::min(wanted, 1e12)), frames - start) : 0;
    // Each frame takes 8 bytes; what the heap refuses throws before anything is written.
    if (count > (uint64_t(1) << 26))
        m.throwError("Error", 1000, u"The system is out of memory.");
    const size_t at = target->position;
    if (at + count * 8 > target->bytes.size())
        avm2::resizeByteArray(m, *target, at + size_t(count) * 8);
    for (uint64_t i = 0; i < count; ++i) {
        for (size_t channel = 0; channel < 2; ++channel) {
            const size_t index = size_t((start + i) * 2 + channel);
            const float v = index < decoded->samples.size() ? float(decoded->samples[index]) / 32768.0f : 0.0f;
            uint32_t bits = 0;
            std::memcpy(&bits, &v, 4);
            uint8_t* out = target->bytes.data() + at + size_t(i) * 8 + channel * 4;
            for (size_t b = 0; b < 4; ++b)
                out[b] = uint8_t(bits >> (target->littleEndian ? 8 * b : 8 * (3 - b)));
        }
    }
    target->position = at + size_t(count) * 8;
    s.extractAt = start + count;
    return Value::number(double(count));
}

// --- SoundChannel ------------------------------------------------------------------------

Value channelInit(Machine&, Value self, std::span<const Value>) {
    self.asObject()->setNativeState(std::make_unique<ChannelState>());
    return Value();
}

ChannelState& channelOf(Machine& m, Value self) { return stateOf<ChannelState>(m, self, u"SoundChannel"); }

Value channelPosition(Machine& m, Value self, std::span<const Value>) {
    const ChannelState& c = channelOf(m, self);
    if (c.waiting)
        return Value::number(c.start);
    return Value::number(c.voice ? hostContext(m).host.soundPosition(c.voice) : c.endPosition);
}

Value channelStop(Machine& m, Value self, std::span<const Value>) {
    ChannelState& c = channelOf(m, self);
    if (std::exchange(c.waiting, false)) {
        std::erase_if(mediaHeld(m).waiting,
                      [&](const auto& entry) { return entry.second.asObject() == self.asObject(); });
        hostContext(m).host.forgetSoundOwner(c.owner);
        return Value();
    }
    if (c.voice == 0)
        return Value();
    script::Host& host = hostContext(m).host;
    c.endPosition = host.soundPosition(c.voice);
    host.stopSounds(c.owner, 0);
    host.forgetSoundOwner(c.owner);
    mediaHeld(m).playing.erase(c.voice);
    c.voice = 0;
    return Value();
}

// The levels the channel's voice reached in the latest mix; 0 once it ended.
template <bool Left>
Value channelPeak(Machine& m, Value self, std::span<const Value>) {
    const ChannelState& c = channelOf(m, self);
    if (c.voice == 0)
        return Value::number(0);
    const auto [left, right] = hostContext(m).host.soundPeaks(c.voice);
    return Value::number(Left ? left : right);
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
    c.ownLevels = true;
    // A finished channel's owner is forgotten: its levels stay on the object.
    if (c.voice != 0)
        hostContext(m).host.setSoundLevels(c.owner, c.levels.levels());
    return Value();
}

// --- SoundMixer --------------------------------------------------------------------------

Value mixerStopAll(Machine& m, Value, std::span<const Value>) {
    hostContext(m).host.stopAllSounds();
    MediaHeld& held = mediaHeld(m);
    for (const auto& [voice, channel] : held.playing) {
        ChannelState& c = channelOf(m, channel);
        hostContext(m).host.forgetSoundOwner(c.owner);
        c.endPosition = 0;
        c.voice = 0;
    }
    held.playing.clear();
    for (const auto& [sound, channel] : held.waiting) {
        ChannelState& c = channelOf(m, channel);
        hostContext(m).host.forgetSoundOwner(c.owner);
        c.waiting = false;
    }
    held.waiting.clear();
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

// computeSpectrum(outputArray, FFTMode = false, stretchFactor = 0): 512
// floats from the start of the array, 256 for the left side then 256 for
// the right, of the latest mixed sound: its samples, or with FFTMode the
// magnitudes of its frequencies. stretchFactor n takes every 2^n-th sample.
Value mixerComputeSpectrum(Machine& m, Value, std::span<const Value> args) {
    auto* target = argument(args, 0).isObject() ? args[0].asObject()->nativeAs<avm2::ByteArrayState>() : nullptr;
    if (!target)
        m.throwError("TypeError", 2007, u"Parameter outputArray must be non-null.");
    const bool fft = avm2::toBoolean(argument(args, 1));
    const size_t step = size_t(1) << size_t(std::clamp(finiteOr(m, argument(args, 2), 0), 0.0, 2.0));
    const size_t window = fft ? media::SpectrumWindow : media::SpectrumBins;
    std::vector<int16_t> recent(window * step * 2, 0);
    (void)hostContext(m).host.recentSound(recent);
    avm2::resizeByteArray(m, *target, 512 * 4);
    for (size_t channel = 0; channel < 2; ++channel) {
        std::array<float, media::SpectrumWindow> samples{};
        for (size_t i = 0; i < window; ++i)
            samples[i] = float(recent[(i * step) * 2 + channel]) / 32768.0f;
        std::array<float, media::SpectrumBins> values{};
        if (fft)
            values = media::spectrum(samples);
        else
            std::copy_n(samples.begin(), media::SpectrumBins, values.begin());
        for (size_t i = 0; i < media::SpectrumBins; ++i) {
            uint32_t bits = 0;
            std::memcpy(&bits, &values[i], 4);
            uint8_t* out = target->bytes.data() + (channel * media::SpectrumBins + i) * 4;
            for (size_t b = 0; b < 4; ++b)
                out[b] = uint8_t(bits >> (target->littleEndian ? 8 * b : 8 * (3 - b)));
        }
    }
    target->position = 0;
    return Value();
}

const avm2::NativeAccessor TransformAccessors[] = {
    {u"volume", getLevel<&TransformState::volume>, setLevel<&TransformState::volume>},
    {u"leftToLeft", getLevel<&TransformState::ll>, setLevel<&TransformState::ll>},
    {u"leftToRight", getLevel<&TransformState::lr>, setLevel<&TransformState::lr>},
    {u"rightToLeft", getLevel<&TransformState::rl>, setLevel<&TransformState::rl>},
    {u"rightToRight", getLevel<&TransformState::rr>, setLevel<&TransformState::rr>},
    {u"pan", getPan, setPan}};

const avm2::NativeMember SoundMethods[] = {
    {u"play", soundPlay}, {u"load", soundLoad}, {u"close", soundClose}, {u"extract", soundExtract}};
const avm2::NativeAccessor SoundAccessors[] = {{u"length", soundLengthGetter},
                                               {u"bytesLoaded", soundBytesLoaded},
                                               {u"bytesTotal", soundBytesTotal},
                                               {u"isBuffering", soundIsBuffering},
                                               {u"url", soundUrl},
                                               {u"id3", soundId3}};

const avm2::NativeMember ChannelMethods[] = {{u"stop", channelStop}};
const avm2::NativeAccessor ChannelAccessors[] = {{u"position", channelPosition},
                                                 {u"leftPeak", channelPeak<true>},
                                                 {u"rightPeak", channelPeak<false>},
                                                 {u"soundTransform", channelTransform, setChannelTransform}};

const avm2::NativeMember MixerStatics[] = {{u"stopAll", mixerStopAll}, {u"computeSpectrum", mixerComputeSpectrum}};
const avm2::NativeAccessor MixerAccessors[] = {{u"soundTransform", mixerTransform, setMixerTransform}};

const avm2::CoreClassSpec Classes[] = {
    sealedClass(u"flash.media", u"SoundTransform", nullptr, transformInit, {.accessors = TransformAccessors}, true),
    {.name = u"Sound",
     .base = u"flash.events.EventDispatcher",
     .init = soundInit,
     .package = u"flash.media",
     .methods = SoundMethods,
     .accessors = SoundAccessors},
    {.name = u"ID3Info", .base = nullptr, .package = u"flash.media", .final = true},
    sealedClass(u"flash.media", u"SoundChannel", u"flash.events.EventDispatcher", channelInit,
                {.methods = ChannelMethods, .accessors = ChannelAccessors}, true),
    sealedClass(u"flash.media", u"SoundMixer", nullptr, nullptr,
                {.statics = MixerStatics, .staticAccessors = MixerAccessors}, true),
};

}  // namespace

std::span<const avm2::CoreClassSpec> mediaClasses() { return Classes; }

script::SoundLevels soundTransformLevels(Machine& m, Value transform) { return transformOf(m, transform).levels(); }

Value makeSoundTransform(Machine& m, const script::SoundLevels& levels) {
    TransformState state;
    state.take(levels);
    return newTransform(m, state);
}

namespace {

// A display object's own sounds are those the mixer keeps under its id.
Value objectSoundTransform(Machine& m, Value self, std::span<const Value>) {
    const auto& object = displayOf(m, self).object;
    return makeSoundTransform(m, object ? hostContext(m).host.soundLevels(object->id()) : script::SoundLevels{});
}
Value setObjectSoundTransform(Machine& m, Value self, std::span<const Value> args) {
    if (argument(args, 0).isNullish())
        m.throwError("TypeError", 2007, u"Parameter soundTransform must be non-null.");
    const script::SoundLevels levels = soundTransformLevels(m, args[0]);
    const auto& object = displayOf(m, self).object;
    if (!object)
        return Value();
    hostContext(m).host.setSoundLevels(object->id(), levels);
    mediaHeld(m).objectOwners.try_emplace(object->id(), object);
    return Value();
}

const avm2::NativeAccessor SpriteSoundAccessors[] = {
    {u"soundTransform", objectSoundTransform, setObjectSoundTransform}};

}  // namespace

std::span<const avm2::NativeAccessor> spriteSoundAccessors() { return SpriteSoundAccessors; }

void deliverSoundCompletions(Machine& m) {
    const HeldValues& held = hostContext(m).held;
    script::Host& host = hostContext(m).host;
    std::vector<uint64_t> finished = host.finishedSounds();
    if (!held.media.isObject())
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
        host.forgetSoundOwner(c.owner);
        c.voice = 0;
        c.endPosition = c.length;
        Value event = makeEvent(m, u"soundComplete");
        Machine::Pin keepEvent(m, event);
        (void)dispatch(m, channel.asObject(), event);
    }
    std::erase_if(media.objectOwners, [&](const auto& entry) {
        if (!entry.second.expired())
            return false;
        host.forgetSoundOwner(entry.first);
        return true;
    });
    // Voices dropped for newer ones never complete: their channels end silently.
    for (auto it = media.playing.begin(); it != media.playing.end();) {
        if (host.soundPlaying(it->first)) {
            ++it;
            continue;
        }
        ChannelState& c = channelOf(m, it->second);
        host.forgetSoundOwner(c.owner);
        c.endPosition = 0;
        c.voice = 0;
        it = media.playing.erase(it);
    }
}

}  // namespace as3
