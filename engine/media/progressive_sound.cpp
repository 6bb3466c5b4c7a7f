// Decoding on demand, one slice at a time.
#include "media/progressive_sound.h"

#include "media/av_handles.h"
#include "media/pcm.h"

#include <algorithm>

namespace media {

uint64_t mp3OutputFrames(std::span<const uint8_t> mp3) {
    quietLibav();
    ParserPtr parser(av_parser_init(AV_CODEC_ID_MP3));
    CodecContextPtr context(avcodec_alloc_context3(nullptr));
    if (!parser || !context || mp3.empty())
        return 0;
    // The parser may read a little past what it is given.
    std::vector<uint8_t> padded(mp3.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::copy(mp3.begin(), mp3.end(), padded.begin());
    uint64_t frames = 0;
    const uint8_t* p = padded.data();
    size_t left = mp3.size();
    for (bool flushing = false;;) {
        uint8_t* frame = nullptr;
        int frameSize = 0;
        const int used =
            av_parser_parse2(parser.get(), context.get(), &frame, &frameSize, flushing ? nullptr : p,
                             flushing ? 0 : int(std::min<size_t>(left, 1 << 30)), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0)
            break;
        p += used;
        left -= std::min(left, size_t(used));
        if (frameSize > 0 && parser->duration > 0 && context->sample_rate > 0)
            frames += uint64_t(parser->duration) * OutputRate / uint64_t(context->sample_rate);
        // Nothing taken and nothing made: a parser that stalls ends the count.
        if (frameSize == 0 && (flushing || used == 0))
            break;
        if (left == 0)
            flushing = true;
    }
    return frames;
}

moviehost::Expected<std::unique_ptr<ProgressiveSound>, MediaError> ProgressiveSound::create(
    std::shared_ptr<const ArrivingBytes> mp3, std::shared_ptr<StreamProgress> progress) {
    auto decoder = AudioDecoder::create(swf::SoundFormat{swf::SoundCodec::Mp3, 3, true, true});
    if (!decoder)
        return decoder.error();
    progress->decodedFrames = 0;
    progress->complete = false;
    return std::unique_ptr<ProgressiveSound>(
        new ProgressiveSound(std::move(mp3), std::move(progress), std::move(decoder).value()));
}

ProgressiveSound::Slice ProgressiveSound::decodeSlice() {
    if (m_flushed)
        return Slice::Done;
    const std::vector<uint8_t>& bytes = m_mp3->bytes;
    if (m_fed >= bytes.size() && !m_mp3->complete)
        return Slice::Waiting;
    // Played samples are dropped before more are added, so memory stays at a slice or two.
    m_ready.erase(m_ready.begin(), m_ready.begin() + ptrdiff_t(m_readyAt));
    m_readyAt = 0;
    const size_t before = m_ready.size();
    if (m_fed < bytes.size()) {
        const size_t n = std::min(SliceBytes, bytes.size() - m_fed);
        m_decoder.decode(std::span<const uint8_t>(bytes.data() + m_fed, n), m_ready);
        m_fed += n;
    } else {
        m_decoder.flush(m_ready);
        m_flushed = true;
        m_progress->complete = true;
    }
    m_progress->decodedFrames += (m_ready.size() - before) / OutputChannels;
    return Slice::Decoded;
}

size_t ProgressiveSound::read(std::span<int16_t> out) {
    const size_t want = out.size() / OutputChannels;
    size_t done = 0;
    while (done < want) {
        const size_t have = (m_ready.size() - m_readyAt) / OutputChannels;
        if (have == 0) {
            const Slice slice = decodeSlice();
            if (slice == Slice::Decoded)
                continue;
            if (slice == Slice::Waiting) {
                // The download is behind: silence now, the rest when it comes.
                std::fill(out.begin() + ptrdiff_t(done * OutputChannels), out.end(), int16_t(0));
                m_position += done;
                return want;
            }
            break;
        }
        const size_t n = std::min(have, want - done);
        std::copy_n(m_ready.begin() + ptrdiff_t(m_readyAt), n * OutputChannels,
                    out.begin() + ptrdiff_t(done * OutputChannels));
        m_readyAt += n * OutputChannels;
        done += n;
    }
    m_position += done;
    return done;
}

}  // namespace media
