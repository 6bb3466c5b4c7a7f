// What the script layer asks of the program that hosts it (the control).
//
// Every call arrives on the thread that runs the engine, synchronously, from
// inside one of the engine's entry points. The host may call the engine back
// from inside them (a FlashCall listener that sets a variable): such nested
// calls run at once but leave queue draining and garbage collection to the
// outer entry. Text crosses in UTF-16, the control's and the container's
// encoding; the values inside an ExternalCall's args keep the codec's UTF-8.
#pragma once

#include "script/external_value.h"

#include "media/sound_source.h"
#include "swf/geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace swf {
struct Movie;
}  // namespace swf

namespace model {
class DisplayObject;
}  // namespace model

namespace script {

enum class ScriptErrorKind : uint8_t {
    ActionLimit,        // Limits::maxActionsPerEntry: a script ran too long (an endless loop)
    RecursionLimit,     // Limits::maxCallDepth
    StackLimit,         // Limits::maxStackSize
    MemoryLimit,        // Limits::maxHeapBytes, maxStringLength, maxArrayLength, maxTimers
    MalformedActions,   // action bytes that cannot be decoded; the block stopped there
    UncaughtException,  // a Throw no Try caught
};

struct ScriptError {
    ScriptErrorKind kind = ScriptErrorKind::ActionLimit;
    std::u16string message;  // one line, for error information and logs
};

// getURL, loadMovie and loadVariables requests other than "FSCommand:".
struct UrlRequest {
    enum class Method : uint8_t { None, Get, Post };
    enum class Kind : uint8_t { Navigate, LoadMovie, LoadVariables };
    std::u16string url;
    std::u16string target;  // window name, or the clip path for LoadMovie/LoadVariables
    Method method = Method::None;
    Kind kind = Kind::Navigate;
};

// One ExternalInterface.call. `xml` is the request in the call-exchange
// format, ready for the FlashCall event; name and args are the same call
// decoded, for hosts that prefer values.
struct ExternalCall {
    std::u16string name;
    std::vector<ExternalValue> args;
    std::u16string xml;
};

// A Sound object's levels: percentages of each input side in each output
// side, and a volume over them (the Sound class's setTransform and setVolume).
struct SoundLevels {
    double ll = 100;
    double lr = 0;
    double rl = 0;
    double rr = 100;
    double volume = 100;
};

class Host {
public:
    virtual ~Host() = default;

    // The Trace action and trace().
    virtual void trace(const std::u16string& message) {}
    // fscommand(command, args), also getURL("FSCommand:command", args).
    virtual void fscommand(const std::u16string& command, const std::u16string& args) {}
    // ExternalInterface.call. The answer is the call-exchange XML of the
    // value the embedding application returned (SetReturnValue); none when
    // nobody answered, which the script sees as undefined (as it sees an
    // answer that does not decode).
    virtual std::optional<std::u16string> externalCall(const ExternalCall& call) { return std::nullopt; }
    // The name the container gave the control's object (ExternalInterface.objectID);
    // none when it gave none.
    [[nodiscard]] virtual std::optional<std::u16string> objectId() { return std::nullopt; }
    // Other getURL / loadMovie / loadVariables requests. We load nothing.
    virtual void urlRequest(const UrlRequest& request) {}
    // A script was stopped (or threw and nobody caught it).
    virtual void scriptError(const ScriptError& error) {}
    // stopAllSounds(): every sound playing stops.
    virtual void stopAllSounds() {}
    // The Sound class. `owner` is the display object id of the clip a Sound
    // object was made for, 0 for one made without a clip (it speaks for
    // every sound). Voices are the host's ids of started sounds, never 0.
    // Starts a sound character `offsetSeconds` in, played `loops` times; 0 when it cannot.
    virtual uint64_t startSound(uint32_t soundId, double offsetSeconds, uint32_t loops, uint64_t owner) { return 0; }
    // The clip's started sounds are levelled by every clip around it too, as
    // its timeline's are.
    virtual void soundsInsideClips(const model::DisplayObject& clip) {}
    // A sound character of a movie loaded into a clip as the id the calls
    // here take (the root's characters are their own ids); 0 when none.
    [[nodiscard]] virtual uint32_t movieSound(const std::shared_ptr<const swf::Movie>& movie, uint16_t soundId) {
        return 0;
    }
    // Stops the owner's sounds (owner 0: all), only those of `soundId` when it is not 0.
    virtual void stopSounds(uint64_t owner, uint32_t soundId) {}
    [[nodiscard]] virtual bool soundPlaying(uint64_t voice) { return false; }
    // Milliseconds: a sound character's length, and how far a voice is into its sound.
    [[nodiscard]] virtual double soundDuration(uint32_t soundId) { return 0; }
    [[nodiscard]] virtual double soundPosition(uint64_t voice) { return 0; }
    virtual void setSoundLevels(uint64_t owner, const SoundLevels& levels) {}
    [[nodiscard]] virtual SoundLevels soundLevels(uint64_t owner) { return {}; }
    // The owner is gone (its clip left the stage, its channel ended or
    // stopped): its levels are dropped once none of its sounds plays.
    virtual void forgetSoundOwner(uint64_t owner) {}
    // An MP3 file's bytes (Sound.loadSound) made a sound of its own: its id
    // (above every character id), or 0 when nothing decoded. A streaming
    // sound decodes while it plays, and its duration grows as it does.
    virtual uint32_t loadSound(std::span<const uint8_t> mp3, bool streaming) { return 0; }
    // A streaming sound whose MP3 is still downloading: its id (0 when none
    // could be made); bytes join it as they arrive, `complete` with the last.
    virtual uint32_t openArrivingSound() { return 0; }
    virtual void addArrivingSound(uint32_t soundId, std::span<const uint8_t> bytes, bool complete) {}
    // Voices that played to their end since the last call, in the order they ended.
    [[nodiscard]] virtual std::vector<uint64_t> finishedSounds() { return {}; }
    // A NetStream's sound, played through the movie's mixer until it ends
    // by itself, under `owner`'s levels; the voice, or 0 when there is no mixer.
    virtual uint64_t playStreamSound(std::unique_ptr<media::SoundSource> source, uint64_t owner = 0) { return 0; }
    // A voice's largest levels (0..1) left and right in the latest mix.
    [[nodiscard]] virtual std::pair<double, double> soundPeaks(uint64_t voice) { return {0.0, 0.0}; }
    // The latest mixed output, interleaved stereo 44.1 kHz, oldest first, into
    // the end of `out` (what is older than the mixer's start stays as given);
    // the frames written.
    virtual size_t recentSound(std::span<int16_t> out) { return 0; }

    // Milliseconds since the movie started: getTimer(), GetTime, intervals.
    virtual double milliseconds() { return 0.0; }
    // Wall-clock time in milliseconds since 1970-01-01 UTC: new Date().
    virtual double epochMilliseconds() { return 0.0; }
    // The pointer in stage twips, when the host knows better than the last
    // position the engine's input calls gave (none: use that one).
    virtual std::optional<swf::Point> mousePosition() { return std::nullopt; }
    // Where the movie came from (_url).
    virtual std::u16string movieUrl() { return {}; }
    // The control's AllowScriptAccess ("always", "sameDomain", "never"):
    // whether movies may call the host (fscommand, getURL, ExternalInterface).
    virtual std::u16string allowScriptAccess() { return u"sameDomain"; }
};

}  // namespace script
