// Stream sound: the blocks of a timeline's SoundStreamHead, decoded as the
// playhead delivers them and played as one continuous voice.
//
// The timeline pushes each frame's block when the frame is entered; after a
// seek it calls restart() and pushes the block of the new frame. The voice
// plays silence while it waits for data and ends only after finish().
#pragma once

#include "media/audio_decoder.h"
#include "media/pcm.h"
#include "media/sound_source.h"
#include "swf/sound.h"

#include <deque>
#include <memory>

namespace media {

class StreamSound final : public SoundSource {
public:
    // Null when the stream's codec cannot be decoded: the timeline then plays without it.
    [[nodiscard]] static std::unique_ptr<StreamSound> create(const swf::SoundStreamHead& head);

    void pushBlock(std::span<const uint8_t> block);
    // Drops what is queued and what the decoder holds (the playhead jumped).
    void restart();
    // No more blocks: the voice ends once the queue is empty.
    void finish();

    size_t read(std::span<int16_t> out) override;
    [[nodiscard]] uint64_t position() const override { return m_produced; }
    [[nodiscard]] size_t queuedFrames() const { return m_queue.size() / OutputChannels; }

    // More than this many queued frames (two seconds) means the consumer fell
    // behind the timeline; the oldest are dropped to stay in sync.
    static constexpr size_t MaxQueuedFrames = OutputRate * 2;

private:
    explicit StreamSound(AudioDecoder decoder) : m_decoder(std::move(decoder)) {}

    AudioDecoder m_decoder;
    std::deque<int16_t> m_queue;
    std::vector<int16_t> m_scratch;
    uint64_t m_produced = 0;
    bool m_finished = false;
    bool m_fresh = true;  // no block since the start or the last restart
    uint64_t m_skipFrames = 0;
};

}  // namespace media
