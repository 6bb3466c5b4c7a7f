// A movie's sounds on one mixer: event sounds started by frames, button
// sounds, scripts' sounds by id, and each clip's stream sound following its
// playhead. The timeline and the scripts call in; the host's output pulls
// frames with mixer().mix().
//
// Owners are the caller's ids for clips (0: the root); a clip's stream and
// its script-controlled levels are kept under its owner id.
//
// Movies loaded into the root's clips play on the same mixer from their own
// characters. Their voices carry tags of their own (so a sync stop of the
// root's sound 5 leaves a loaded movie's sound 5 alone) and stop when the
// movie is unloaded (stopMovie).
#pragma once

#include "media/decoded_sound.h"
#include "media/event_sound.h"
#include "media/mixer.h"
#include "media/stream_sound.h"
#include "swf/movie.h"

#include <map>
#include <memory>
#include <vector>

namespace media {

class SoundPlayer {
public:
    explicit SoundPlayer(std::shared_ptr<const swf::Movie> movie, DecodeLimits limits = {});

    [[nodiscard]] Mixer& mixer() { return m_mixer; }
    [[nodiscard]] const Mixer& mixer() const { return m_mixer; }

    // A frame's StartSound or StartSound2: sync stop stops every voice of the
    // sound, no-multiple starts none while one plays. Returns the voice, or 0.
    VoiceId startSound(const swf::StartSound& tag, uint64_t owner) { return startSound(m_movie, tag, owner); }
    // The same from the characters of `movie` (the root's or a loaded one).
    VoiceId startSound(const std::shared_ptr<const swf::Movie>& movie, const swf::StartSound& tag, uint64_t owner);
    // DefineButtonSound's sound for a transition (swf::ButtonSoundSlot).
    VoiceId buttonSound(uint16_t buttonId, size_t slot, uint64_t owner) {
        return buttonSound(m_movie, buttonId, slot, owner);
    }
    VoiceId buttonSound(const std::shared_ptr<const swf::Movie>& movie, uint16_t buttonId, size_t slot, uint64_t owner);
    // Forgets the sounds of loaded movies that no longer exist; voices still
    // playing them play on (stopMovie is what silences a movie).
    void forgetUnloaded();
    // Stops the voices of a loaded movie being unloaded and forgets its sounds.
    void stopMovie(const swf::Movie& movie);
    // Scripts name a loaded movie's sound by the tag its voices carry (the
    // character id for the root's): 0 when the movie has no such sound.
    [[nodiscard]] uint32_t soundTag(const std::shared_ptr<const swf::Movie>& movie, uint16_t soundId);
    // Plays a sound by tag; 0 when it is gone or was never there.
    VoiceId playTagged(uint32_t tag, const EventPlayback& playback, uint64_t owner);
    [[nodiscard]] std::shared_ptr<const DecodedSound> soundByTag(uint32_t tag);
    // Loaded movies' tags lie above every script sound id.
    static constexpr uint32_t LoadedTagBase = 0x80000000u;
    // A sound by character id with the given playback (scripts' Sound.start).
    VoiceId playSound(uint16_t soundId, const EventPlayback& playback, uint64_t owner);

    // The clip `owner` shows frame `frame` of `timeline`. Entering the frame
    // after the last one continues the stream; any other frame is a jump and
    // restarts it at that frame's block.
    void streamFrame(uint64_t owner, const swf::Timeline& timeline, uint32_t frame);
    // The clip stopped or left the stage: its stream stops.
    void stopStream(uint64_t owner);

    // The decoded sound of a character (decoded once, on first use), or null.
    [[nodiscard]] std::shared_ptr<const DecodedSound> sound(uint16_t soundId);

private:
    struct Stream {
        const swf::Timeline* timeline = nullptr;
        uint32_t frame = 0;
        VoiceId voice = 0;
        StreamSound* source = nullptr;  // owned by the mixer while voice plays
    };
    [[nodiscard]] static const swf::SoundStreamHead* headFor(const swf::Timeline& timeline, uint32_t frame);

    using SoundCache = std::map<uint16_t, std::shared_ptr<const DecodedSound>>;
    // A movie's characters, its decoded sounds and the base of its voices'
    // tags (0 for the root: tags are the character ids).
    struct Library {
        const swf::Movie* movie = nullptr;
        SoundCache* sounds = nullptr;
        uint32_t tagBase = 0;
    };
    struct LoadedMovie {
        std::weak_ptr<const swf::Movie> movie;
        const swf::Movie* address = nullptr;
        uint32_t tagBase = 0;
        SoundCache sounds;
    };
    static constexpr uint32_t LoadedTagSlots = 0x8000;

    [[nodiscard]] Library libraryOf(const std::shared_ptr<const swf::Movie>& movie);
    // The live library whose tags `tag` lies among; false when none.
    [[nodiscard]] bool libraryOfTag(uint32_t tag, Library& out);
    [[nodiscard]] std::shared_ptr<const DecodedSound> sound(Library& library, uint16_t soundId);
    VoiceId startSound(Library& library, const swf::StartSound& tag, uint64_t owner);

    std::shared_ptr<const swf::Movie> m_movie;
    DecodeLimits m_limits;
    Mixer m_mixer;
    SoundCache m_sounds;
    std::map<uint64_t, Stream> m_streams;
    std::vector<LoadedMovie> m_loaded;
    uint32_t m_nextSlot = 0;
};

}  // namespace media
