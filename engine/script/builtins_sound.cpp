// Sound: exported sounds started, stopped and levelled from scripts, on the
// control's mixer (through Host). A Sound made for a clip speaks for that
// clip's sounds (the timeline's too); one made without a clip for every
// sound. Completion reaches onSoundComplete at the next tick after the
// sound's last sample was mixed, so it follows the control's clock.
//
// The object's own state lives in hidden members: the clip (__owner, a
// display object id), the attached sound (__sound, a character id, or the
// host's id of a loaded MP3 file) and the voice it started last (__voice).
// A loaded MP3's ID3 tags become its own id3 object (onID3 hears of it).
#include "script/builtins.h"

#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/net_session.h"
#include "script/runtime.h"

#include "media/sound_tags.h"

#include "model/target_path.h"

#include <algorithm>
#include <cmath>

namespace script {

namespace {

constexpr uint8_t Hidden = PropertyFlag::DontEnum;

uint64_t hiddenId(Runtime& rt, const Value& self, std::u16string_view name) {
    const double n = toNumber(rt, getMember(rt, self, name));
    return n > 0 && std::isfinite(n) ? uint64_t(n) : 0;
}

uint64_t ownerOf(Runtime& rt, const Value& self) { return hiddenId(rt, self, u"__owner"); }

// The movie a Sound names sounds from: its clip's, else the running code's
// (null: the root's).
std::shared_ptr<const swf::Movie> libraryOf(Runtime& rt, const Value& self) {
    const auto it = rt.soundOwners.find(ownerOf(rt, self));
    if (it != rt.soundOwners.end()) {
        if (const auto display = it->second.lock())
            return display->library();
    }
    if (rt.codeTarget && rt.codeTarget->display())
        return rt.codeTarget->display()->library();
    return nullptr;
}

// A linkage name's sound as the host names it, or 0.
uint32_t exportedSound(Runtime& rt, const Value& self, const Value& name) {
    if (name.isNullish())
        return 0;
    const auto library = libraryOf(rt, self);
    const swf::Movie& movie = library ? *library : rt.movie();
    const auto it = movie.exports.find(toString(rt, name).utf8());
    if (it == movie.exports.end() || !movie.characters.find<swf::Sound>(it->second))
        return 0;
    return &movie == &rt.stage.movie() ? it->second : rt.host.movieSound(library, it->second);
}

// new Sound([target]): the target clip as an object or a path.
Value initialise(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object)
        return Value();
    uint64_t owner = 0;
    const Value& target = arg(args, 0);
    model::DisplayObject* display = nullptr;
    if (Object* o = target.asObject(); o && o->objectClass() == ObjectClass::Stage)
        display = static_cast<StageObject*>(o)->display();
    else if (!target.isNullish())
        display = model::resolveTarget(rt.root(), nullptr, toString(rt, target).utf8(), rt.caseSensitive);
    if (display) {
        owner = display->id();
        rt.soundOwners.try_emplace(owner, display->weak_from_this());
    }
    putOwn(rt, object, u"__owner", Value(double(owner)), Hidden);
    putOwn(rt, object, u"__sound", Value(0.0), Hidden);
    putOwn(rt, object, u"__voice", Value(0.0), Hidden);
    return Value();
}

Value attachSound(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    const uint32_t id = object ? exportedSound(rt, self, arg(args, 0)) : 0;
    if (id == 0)
        return Value::fromBool(false);
    putOwn(rt, object, u"__sound", Value(double(id)), Hidden);
    return Value::fromBool(true);
}

// start([offset seconds [, loops]])
Value start(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    const auto id = uint32_t(object ? hiddenId(rt, self, u"__sound") : 0);
    if (id == 0)
        return Value();
    double offset = arg(args, 0).isUndefined() ? 0.0 : toNumber(rt, args[0]);
    double loops = arg(args, 1).isUndefined() ? 1.0 : toNumber(rt, args[1]);
    offset = std::isfinite(offset) ? std::max(0.0, offset) : 0.0;
    loops = std::isfinite(loops) ? std::clamp(std::floor(loops), 1.0, 65535.0) : 1.0;
    const uint64_t voice = rt.host.startSound(id, offset, uint32_t(loops), ownerOf(rt, self));
    putOwn(rt, object, u"__voice", Value(double(voice)), Hidden);
    if (voice == 0)
        return Value();
    rt.playingSounds[voice] = object;
    if (const auto it = rt.soundOwners.find(ownerOf(rt, self)); it != rt.soundOwners.end()) {
        if (const auto clip = it->second.lock())
            rt.host.soundsInsideClips(*clip);
    }
    return Value();
}

// stop([linkage name])
Value stop(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object)
        return Value();
    uint32_t only = 0;
    if (!arg(args, 0).isUndefined()) {
        only = exportedSound(rt, self, args[0]);
        if (only == 0)
            return Value();
    }
    rt.host.stopSounds(ownerOf(rt, self), only);
    std::erase_if(rt.playingSounds, [&](const auto& entry) { return !rt.host.soundPlaying(entry.first); });
    return Value();
}

Value getVolume(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value(rt.host.soundLevels(ownerOf(rt, self)).volume);
}

Value setVolume(Runtime& rt, const Value& self, std::span<const Value> args) {
    const double volume = toNumber(rt, arg(args, 0));
    if (!std::isfinite(volume))
        return Value();
    SoundLevels levels = rt.host.soundLevels(ownerOf(rt, self));
    levels.volume = volume;
    rt.host.setSoundLevels(ownerOf(rt, self), levels);
    return Value();
}

// Pan -100 (left only) .. 100 (right only): the far side is turned down.
Value getPan(Runtime& rt, const Value& self, std::span<const Value>) {
    const SoundLevels l = rt.host.soundLevels(ownerOf(rt, self));
    return Value(std::abs(l.rr) - std::abs(l.ll));
}

Value setPan(Runtime& rt, const Value& self, std::span<const Value> args) {
    const double pan = toNumber(rt, arg(args, 0));
    if (!std::isfinite(pan))
        return Value();
    const double p = std::clamp(pan, -100.0, 100.0);
    SoundLevels levels = rt.host.soundLevels(ownerOf(rt, self));
    levels.ll = p > 0 ? 100 - p : 100;
    levels.rr = p < 0 ? 100 + p : 100;
    levels.lr = 0;
    levels.rl = 0;
    rt.host.setSoundLevels(ownerOf(rt, self), levels);
    return Value();
}

Value getTransform(Runtime& rt, const Value& self, std::span<const Value>) {
    const SoundLevels l = rt.host.soundLevels(ownerOf(rt, self));
    Object* out = rt.newObject();
    putOwn(rt, out, u"ll", Value(l.ll));
    putOwn(rt, out, u"lr", Value(l.lr));
    putOwn(rt, out, u"rl", Value(l.rl));
    putOwn(rt, out, u"rr", Value(l.rr));
    return Value(out);
}

// setTransform({ll, lr, rl, rr}): members left out keep their value.
Value setTransform(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!arg(args, 0).asObject())
        return Value();
    SoundLevels levels = rt.host.soundLevels(ownerOf(rt, self));
    const std::pair<std::u16string_view, double*> fields[] = {
        {u"ll", &levels.ll}, {u"lr", &levels.lr}, {u"rl", &levels.rl}, {u"rr", &levels.rr}};
    for (const auto& [name, field] : fields) {
        const Value v = getMember(rt, args[0], name);
        const double n = v.isUndefined() ? NAN : toNumber(rt, v);
        if (std::isfinite(n))
            *field = n;
    }
    rt.host.setSoundLevels(ownerOf(rt, self), levels);
    return Value();
}

Value duration(Runtime& rt, const Value& self, std::span<const Value>) {
    const auto id = uint32_t(hiddenId(rt, self, u"__sound"));
    return Value(id ? std::floor(rt.host.soundDuration(id)) : 0.0);
}

// Where the last started voice is; its sound's length once it has played out.
Value position(Runtime& rt, const Value& self, std::span<const Value>) {
    const uint64_t voice = hiddenId(rt, self, u"__voice");
    if (voice == 0)
        return Value(0.0);
    if (rt.host.soundPlaying(voice))
        return Value(std::floor(rt.host.soundPosition(voice)));
    return duration(rt, self, {});
}

// An attached sound's bytes; for a loaded one, the load's progress.
Value bytesOfSound(Runtime& rt, const Value& self, bool total) {
    const uint64_t id = hiddenId(rt, self, u"__sound");
    if (id > 0 && id <= 0xFFFF) {
        const auto* sound = rt.movie().characters.find<swf::Sound>(uint16_t(id));
        return sound ? Value(double(sound->data.size())) : Value();
    }
    return getMember(rt, self, total ? u"_bytesTotal" : u"_bytesLoaded");
}

Value bytesLoaded(Runtime& rt, const Value& self, std::span<const Value>) { return bytesOfSound(rt, self, false); }
Value bytesTotal(Runtime& rt, const Value& self, std::span<const Value>) { return bytesOfSound(rt, self, true); }

NetSession& session(Runtime& rt) {
    if (!rt.net)
        rt.net = std::make_unique<NetSession>(rt);
    return *rt.net;
}

// loadSound(url, isStreaming): the file loads in the background; onLoad
// hears how it went, and a streaming sound starts as soon as it is there.
Value loadSound(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!object || arg(args, 0).isNullish())
        return Value();
    const bool streaming = toBoolean(rt, arg(args, 1));
    // A download this one replaces ends with what it brought.
    if (const auto arriving = uint32_t(hiddenId(rt, self, u"__arriving")); arriving != 0)
        rt.host.addArrivingSound(arriving, {}, true);
    putOwn(rt, object, u"__streaming", Value::fromBool(streaming), Hidden);
    putOwn(rt, object, u"__arriving", Value(0.0), Hidden);
    (void)session(rt).start(object, LoadKind::Sound, toString(rt, args[0]).utf8(), std::nullopt, {}, {}, streaming);
    return Value();
}

Value nothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

void addGetter(Runtime& rt, Object* on, std::u16string_view name, NativeFn getter) {
    Property& p = on->properties().add(String(name), Value(), PropertyFlag::DontDelete | PropertyFlag::DontEnum);
    p.getter = rt.newNative(getter);
}

}  // namespace

void soundArrived(Runtime& rt, Object* sound, std::span<const uint8_t> bytes) {
    const Value self(sound);
    if (const auto id = uint32_t(hiddenId(rt, self, u"__arriving")); id != 0) {
        rt.host.addArrivingSound(id, bytes, false);
        return;
    }
    // The first bytes: the sound starts now and plays on as the rest comes.
    const uint32_t id = rt.host.openArrivingSound();
    if (id == 0)
        return;
    putOwn(rt, sound, u"__arriving", Value(double(id)), Hidden);
    putOwn(rt, sound, u"__sound", Value(double(id)), Hidden);
    rt.host.addArrivingSound(id, bytes, false);
    (void)start(rt, self, {});
}

void soundLoaded(Runtime& rt, Object* sound, std::span<const uint8_t> mp3, bool success) {
    const Value self(sound);
    const bool streaming = toBoolean(rt, getMember(rt, self, u"__streaming"));
    const auto arriving = uint32_t(hiddenId(rt, self, u"__arriving"));
    uint32_t id = 0;
    if (arriving != 0) {
        // Already playing from its chunks: what came is all there is.
        rt.host.addArrivingSound(arriving, {}, true);
        putOwn(rt, sound, u"__arriving", Value(0.0), Hidden);
        id = success ? arriving : 0;
    } else if (success) {
        id = rt.host.loadSound(mp3, streaming);
        if (id != 0)
            putOwn(rt, sound, u"__sound", Value(double(id)), Hidden);
        if (id != 0 && streaming)
            (void)start(rt, self, {});
    }
    if (id != 0) {
        // The file's tags, before onLoad as the format's player gives them.
        const auto tags = media::readSoundTags(mp3);
        if (!tags.empty()) {
            Object* id3 = rt.newObject();
            for (const auto& [name, text] : tags)
                putOwn(rt, id3, rt.makeStringUtf8(name).view(), Value(rt.makeStringUtf8(text)));
            putOwn(rt, sound, u"id3", Value(id3), Hidden);
            (void)callMethod(rt, self, u"onID3", {});
        }
    }
    const Value ok = Value::fromBool(id != 0);
    (void)callMethod(rt, self, u"onLoad", std::span<const Value>(&ok, 1));
}

void deliverSoundCompletions(Runtime& rt) {
    for (uint64_t voice : rt.host.finishedSounds()) {
        const auto it = rt.playingSounds.find(voice);
        if (it == rt.playingSounds.end())
            continue;
        Object* sound = it->second;
        rt.playingSounds.erase(it);
        (void)callMethod(rt, Value(sound), u"onSoundComplete", {});
    }
    // Voices dropped for newer ones, or stopped, never complete.
    std::erase_if(rt.playingSounds, [&](const auto& entry) { return !rt.host.soundPlaying(entry.first); });
    // A clip that left the stage never comes back; its sounds keep their
    // levels until they end.
    std::erase_if(rt.soundOwners, [&](const auto& entry) {
        const auto clip = entry.second.lock();
        if (clip && clip->isOnStage())
            return false;
        rt.host.forgetSoundOwner(entry.first);
        return true;
    });
}

void installSound(Runtime& rt) {
    Object* prototype = rt.newObject();
    const struct {
        std::u16string_view name;
        NativeFn fn;
    } methods[] = {
        {u"attachSound", attachSound},
        {u"start", start},
        {u"stop", stop},
        {u"getVolume", getVolume},
        {u"setVolume", setVolume},
        {u"getPan", getPan},
        {u"setPan", setPan},
        {u"getTransform", getTransform},
        {u"setTransform", setTransform},
        {u"getBytesLoaded", bytesLoaded},
        {u"getBytesTotal", bytesTotal},
        {u"onSoundComplete", nothing},
        {u"loadSound", loadSound},
        {u"onLoad", nothing},
        {u"onID3", nothing},
    };
    for (const auto& method : methods)
        rt.defineMethod(prototype, method.name, method.fn);
    addGetter(rt, prototype, u"duration", duration);
    addGetter(rt, prototype, u"position", position);
    rt.defineValue(prototype, u"id3", Value(rt.newObject()));
    NativeFunction* constructor = rt.newNative(initialise);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineValue(rt.global, u"Sound", Value(constructor));
}

}  // namespace script
