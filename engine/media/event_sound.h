// An event sound voice: a decoded sound played from its in point to its out
// point, a number of times, shaped by an envelope.
#pragma once

#include "media/decoded_sound.h"
#include "media/sound_source.h"
#include "swf/sound.h"

#include <memory>
#include <vector>

namespace media {

struct EventPlayback {
    uint64_t inFrame = 0;                           // first frame of each loop
    uint64_t outFrame = 0;                          // one past the last frame; 0: the end of the sound
    uint32_t loops = 1;                             // 0 plays nothing
    uint64_t startOffset = 0;                       // frames into the first loop (Sound.start's offset)
    std::vector<swf::SoundEnvelopePoint> envelope;  // positions in frames from the sound's start

    // From a SOUNDINFO: in and out points scaled from the sound's rate,
    // envelope points ordered by position (stable, so equal positions keep file order).
    [[nodiscard]] static EventPlayback fromInfo(const swf::SoundInfo& info, uint32_t soundRate);
};

class EventSound final : public SoundSource {
public:
    EventSound(std::shared_ptr<const DecodedSound> sound, EventPlayback playback);

    size_t read(std::span<int16_t> out) override;
    [[nodiscard]] uint64_t position() const override { return m_produced; }
    // Frame within the sound (counted from its start) that plays next.
    [[nodiscard]] uint64_t soundPosition() const { return m_cursor; }
    [[nodiscard]] uint32_t loopsLeft() const { return m_loopsLeft; }
    // Total frames this voice plays.
    [[nodiscard]] uint64_t length() const;

private:
    void applyEnvelope(std::span<int16_t> out, uint64_t from) const;

    std::shared_ptr<const DecodedSound> m_sound;
    EventPlayback m_playback;
    uint64_t m_begin = 0;
    uint64_t m_end = 0;
    uint64_t m_cursor = 0;
    uint32_t m_loopsLeft = 0;
    uint64_t m_produced = 0;
};

}  // namespace media
