// A movie's sounds on one mixer: event sounds started by frames, button
// sounds, scripts' sounds by id, and each clip's stream sound following its
// playhead. The timeline and the scripts call in; the host's output pulls
// frames with mixer().mix().
//
// Owners are the caller's ids for clips (0: the root); a clip's stream and
// its script-controlled levels are kept under its owner id.
#pragma once

#include "media/decoded_sound.h"
#include "media/event_sound.h"
#include "media/mixer.h"
#include "media/stream_sound.h"
#include "swf/movie.h"

#include <map>
#include <memory>

namespace media {

class SoundPlayer {
public:
    explicit SoundPlayer(std::shared_ptr<const swf::Movie> movie, DecodeLimits limits = {});

    [[nodiscard]] Mixer& mixer() { return m_mixer; }
    [[nodiscard]] const Mixer& mixer() const { return m_mixer; }

    // A frame's StartSound or StartSound2: sync stop stops every voice of the
    // sound, no-multiple starts none while one plays. Returns the voice, or 0.
    VoiceId startSound(const swf::StartSound& tag, uint64_t owner);
    // DefineButtonSound's sound for a transition (swf::ButtonSoundSlot).
    VoiceId buttonSound(uint16_t buttonId, size_t slot, uint64_t owner);
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

    std::shared_ptr<const swf::Movie> m_movie;
    DecodeLimits m_limits;
    Mixer m_mixer;
    std::map<uint16_t, std::shared_ptr<const DecodedSound>> m_sounds;
    std::map<uint64_t, Stream> m_streams;
};

}  // namespace media
