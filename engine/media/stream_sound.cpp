// Stream sound playback.
#include "media/stream_sound.h"

#include "media/pcm.h"

#include <algorithm>

namespace media {

std::unique_ptr<StreamSound> StreamSound::create(const swf::SoundStreamHead& head) {
    auto decoder = AudioDecoder::create(head.stream);
    if (!decoder)
        return nullptr;
    return std::unique_ptr<StreamSound>(new StreamSound(std::move(decoder.value())));
}

void StreamSound::pushBlock(std::span<const uint8_t> block) {
    m_scratch.clear();
    if (m_decoder.format().codec == swf::SoundCodec::Mp3) {
        auto mp3 = swf::splitMp3StreamBlock(block);
        if (!mp3)
            return;
        // After a (re)start the first block's seek count skips the samples
        // that belong before this frame (the decoder may hold them a while).
        if (m_fresh && mp3->seekSamples > 0)
            m_skipFrames = outputFrames(uint64_t(mp3->seekSamples), m_decoder.format().sampleRate());
        m_decoder.decode(mp3->frames, m_scratch);
        size_t skip = size_t(std::min<uint64_t>(m_skipFrames, m_scratch.size() / OutputChannels));
        m_scratch.erase(m_scratch.begin(), m_scratch.begin() + ptrdiff_t(skip * OutputChannels));
        m_skipFrames -= skip;
    } else {
        m_decoder.decode(block, m_scratch);
    }
    m_fresh = false;
    m_queue.insert(m_queue.end(), m_scratch.begin(), m_scratch.end());
    if (m_queue.size() > MaxQueuedFrames * OutputChannels)
        m_queue.erase(m_queue.begin(), m_queue.end() - ptrdiff_t(MaxQueuedFrames * OutputChannels));
    m_finished = false;
}

void StreamSound::restart() {
    m_decoder.reset();
    m_fresh = true;
    m_skipFrames = 0;
    m_queue.clear();
    m_finished = false;
}

void StreamSound::finish() {
    m_scratch.clear();
    m_decoder.flush(m_scratch);
    m_queue.insert(m_queue.end(), m_scratch.begin(), m_scratch.end());
    m_finished = true;
}

size_t StreamSound::read(std::span<int16_t> out) {
    size_t want = out.size() / OutputChannels;
    size_t have = std::min(want, queuedFrames());
    std::copy_n(m_queue.begin(), have * OutputChannels, out.begin());
    m_queue.erase(m_queue.begin(), m_queue.begin() + ptrdiff_t(have * OutputChannels));
    size_t done = have;
    if (!m_finished) {
        std::fill(out.begin() + ptrdiff_t(have * OutputChannels), out.begin() + ptrdiff_t(want * OutputChannels),
                  int16_t(0));
        done = want;
    }
    m_produced += done;
    return done;
}

}  // namespace media
