// Event sound playback: in/out points, loops and envelopes.
#include "media/event_sound.h"

#include "media/pcm.h"

#include <algorithm>
#include <cstring>

namespace media {

EventPlayback EventPlayback::fromInfo(const swf::SoundInfo& info, uint32_t soundRate) {
    EventPlayback p;
    if (info.inPoint)
        p.inFrame = outputFrames(*info.inPoint, soundRate);
    if (info.outPoint)
        p.outFrame = outputFrames(*info.outPoint, soundRate);
    p.loops = info.loops;
    p.envelope = info.envelope;
    std::stable_sort(p.envelope.begin(), p.envelope.end(),
                     [](const auto& a, const auto& b) { return a.position44 < b.position44; });
    return p;
}

EventSound::EventSound(std::shared_ptr<const DecodedSound> sound, EventPlayback playback)
    : m_sound(std::move(sound)), m_playback(std::move(playback)) {
    m_end = m_sound->frames;
    if (m_playback.outFrame > 0)
        m_end = std::min(m_end, m_playback.outFrame);
    m_begin = std::min(m_playback.inFrame, m_end);
    m_loopsLeft = m_begin < m_end ? m_playback.loops : 0;
    m_cursor = std::min(m_begin + m_playback.startOffset, m_end);
}

uint64_t EventSound::length() const {
    if (m_loopsLeft == 0)
        return 0;
    uint64_t loop = m_end - m_begin;
    return (m_end - std::min(m_begin + m_playback.startOffset, m_end)) + loop * (m_playback.loops - 1);
}

size_t EventSound::read(std::span<int16_t> out) {
    size_t want = out.size() / OutputChannels;
    size_t done = 0;
    const uint64_t stored = m_sound->storedFrames();
    while (done < want && m_loopsLeft > 0) {
        if (m_cursor >= m_end) {
            if (--m_loopsLeft == 0)
                break;
            m_cursor = m_begin;
            continue;
        }
        size_t n = size_t(std::min<uint64_t>(want - done, m_end - m_cursor));
        int16_t* dst = out.data() + done * OutputChannels;
        // Frames past the stored ones are the silent tail of the sound.
        size_t fromStore = m_cursor < stored ? size_t(std::min<uint64_t>(n, stored - m_cursor)) : 0;
        if (fromStore > 0)
            std::memcpy(dst, m_sound->samples.data() + m_cursor * OutputChannels,
                        fromStore * OutputChannels * sizeof(int16_t));
        std::fill(dst + fromStore * OutputChannels, dst + n * OutputChannels, int16_t(0));
        if (!m_playback.envelope.empty())
            applyEnvelope({dst, n * OutputChannels}, m_cursor);
        m_cursor += n;
        done += n;
    }
    m_produced += done;
    return done;
}

void EventSound::applyEnvelope(std::span<int16_t> out, uint64_t from) const {
    const auto& env = m_playback.envelope;
    size_t next = size_t(
        std::upper_bound(env.begin(), env.end(), from, [](uint64_t pos, const auto& p) { return pos < p.position44; }) -
        env.begin());
    for (size_t i = 0; i < out.size() / OutputChannels; ++i) {
        uint64_t pos = from + i;
        while (next < env.size() && env[next].position44 <= pos)
            ++next;
        // Levels hold before the first point and after the last, and run
        // linearly between neighbours.
        double left = 0;
        double right = 0;
        if (next == 0) {
            left = env.front().left;
            right = env.front().right;
        } else if (next == env.size()) {
            left = env.back().left;
            right = env.back().right;
        } else {
            const auto& a = env[next - 1];
            const auto& b = env[next];
            double t = double(pos - a.position44) / double(b.position44 - a.position44);
            left = a.left + (double(b.left) - a.left) * t;
            right = a.right + (double(b.right) - a.right) * t;
        }
        // Levels above 32768 would amplify; the format means 32768 as full.
        left = std::min(left, 32768.0) / 32768.0;
        right = std::min(right, 32768.0) / 32768.0;
        out[i * 2] = int16_t(out[i * 2] * left);
        out[i * 2 + 1] = int16_t(out[i * 2 + 1] * right);
    }
}

}  // namespace media
