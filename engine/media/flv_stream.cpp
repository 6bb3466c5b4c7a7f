// libavformat behind FlvStream.
#include "media/flv_stream.h"

#include "media/pcm.h"

#include <algorithm>
#include <cstdio>

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {

size_t QueuedSound::read(std::span<int16_t> out) {
    auto& q = m_queue->samples;
    size_t want = out.size() / OutputChannels;
    size_t have = std::min(want, q.size() / OutputChannels);
    std::copy_n(q.begin(), have * OutputChannels, out.begin());
    q.erase(q.begin(), q.begin() + ptrdiff_t(have * OutputChannels));
    size_t done = have;
    if (!m_queue->finished) {
        // Waiting for data (a slow read or a pause) plays silence.
        std::fill(out.begin() + ptrdiff_t(have * OutputChannels), out.begin() + ptrdiff_t(want * OutputChannels),
                  int16_t(0));
        done = want;
    }
    m_produced += done;
    return done;
}

FlvStream::~FlvStream() {
    // The voice may outlive the file: it ends with what it has.
    m_queue->samples.clear();
    m_queue->finished = true;
    avformat_close_input(&m_format);
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

size_t FlvStream::visibleBytes(const ArrivingBytes& file, size_t knownVisible) {
    const std::vector<uint8_t>& b = file.bytes;
    if (file.complete)
        return b.size();
    size_t at = knownVisible;
    if (at == 0) {
        // The header (its length in bytes 5..8) and the first previous-tag size.
        if (b.size() < 9)
            return 0;
        const uint64_t header = uint64_t(b[5]) << 24 | uint64_t(b[6]) << 16 | uint64_t(b[7]) << 8 | b[8];
        if (header + 4 > b.size())
            return 0;
        at = size_t(header) + 4;
    }
    // Tags: 11 bytes of header, the data, and the tag's size again.
    while (at + 11 <= b.size()) {
        const size_t end = at + 11 + (size_t(b[at + 1]) << 16 | size_t(b[at + 2]) << 8 | b[at + 3]) + 4;
        if (end > b.size())
            break;
        at = end;
    }
    return at;
}

int FlvStream::readArriving(void* opaque, uint8_t* buffer, int size) {
    auto& reader = *static_cast<ArrivingReader*>(opaque);
    const ArrivingBytes& file = *reader.file;
    reader.visible = visibleBytes(file, reader.visible);
    const size_t end = std::min(reader.visible, file.bytes.size());
    if (reader.at >= end || size <= 0)
        return AVERROR_EOF;
    const size_t n = std::min(size_t(size), end - reader.at);
    std::copy_n(file.bytes.data() + reader.at, n, buffer);
    reader.at += n;
    return int(n);
}

int64_t FlvStream::seekArriving(void* opaque, int64_t offset, int whence) {
    auto& reader = *static_cast<ArrivingReader*>(opaque);
    const ArrivingBytes& file = *reader.file;
    // The size is known only once all of it came.
    if (whence & AVSEEK_SIZE)
        return file.complete ? int64_t(file.bytes.size()) : -1;
    const auto end = int64_t(std::min(reader.visible, file.bytes.size()));
    int64_t target = offset;
    if ((whence & ~AVSEEK_FORCE) == SEEK_CUR)
        target += int64_t(reader.at);
    else if ((whence & ~AVSEEK_FORCE) == SEEK_END)
        target = file.complete ? target + end : -1;
    if (target < 0 || target > end)
        return -1;
    reader.at = size_t(target);
    return target;
}

moviehost::Expected<std::unique_ptr<FlvStream>, MediaError> FlvStream::openArriving(
    std::shared_ptr<const ArrivingBytes> bytes) {
    quietLibav();
    if (!bytes)
        return MediaError::CodecOpenFailed;
    std::unique_ptr<FlvStream> s(new FlvStream());
    s->m_pending.reset(av_packet_alloc());
    s->m_arriving = std::make_unique<ArrivingReader>(ArrivingReader{std::move(bytes)});
    constexpr int BufferSize = 16384;
    auto* buffer = static_cast<uint8_t*>(av_malloc(BufferSize));
    if (buffer)
        s->m_io = avio_alloc_context(buffer, BufferSize, 0, s->m_arriving.get(), readArriving, nullptr, seekArriving);
    if (!s->m_io)
        av_free(buffer);
    s->m_format = avformat_alloc_context();
    if (!s->m_pending || !s->m_io || !s->m_format)
        return MediaError::OutOfMemory;
    s->m_format->pb = s->m_io;
    s->m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // avformat_open_input frees the context when it fails.
    if (avformat_open_input(&s->m_format, nullptr, av_find_input_format("flv"), nullptr) < 0)
        return MediaError::CodecOpenFailed;
    if (auto failed = s->setUp())
        return *failed;
    return s;
}

moviehost::Expected<std::unique_ptr<FlvStream>, MediaError> FlvStream::open(const std::string& path) {
    quietLibav();
    std::unique_ptr<FlvStream> s(new FlvStream());
    s->m_pending.reset(av_packet_alloc());
    if (!s->m_pending)
        return MediaError::OutOfMemory;
    // A script names the file: only the local file system may be reached.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const AVInputFormat* flv = av_find_input_format("flv");
    int rc = avformat_open_input(&s->m_format, path.c_str(), flv, &options);
    av_dict_free(&options);
    if (rc < 0)
        return MediaError::CodecOpenFailed;
    if (auto failed = s->setUp())
        return *failed;
    return s;
}

std::optional<MediaError> FlvStream::setUp() {
    FlvStream* s = this;
    if (avformat_find_stream_info(s->m_format, nullptr) < 0)
        return MediaError::CodecOpenFailed;
    // What the stream info read ran into the end of what came so far.
    if (m_arriving)
        m_format->pb->eof_reached = 0;
    s->m_videoIndex = av_find_best_stream(s->m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    s->m_audioIndex = av_find_best_stream(s->m_format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (s->m_videoIndex >= 0) {
        auto video = VideoDecoder::create(*s->m_format->streams[s->m_videoIndex]->codecpar);
        if (video)
            s->m_video.emplace(std::move(video).value());
    }
    if (s->m_audioIndex >= 0) {
        auto audio = AudioDecoder::create(*s->m_format->streams[s->m_audioIndex]->codecpar);
        if (audio)
            s->m_audio.emplace(std::move(audio).value());
    }
    if (!s->m_video && !s->m_audio)
        return MediaError::CodecUnavailable;
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(s->m_format->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
        s->m_metadata.emplace(e->key, e->value);
    if (s->m_format->duration > 0)
        s->m_durationMs = uint64_t(s->m_format->duration / (AV_TIME_BASE / 1000));
    s->addStreamFacts();
    return std::nullopt;
}

// libavformat keeps onMetaData's stream facts (duration, size, rates) for
// itself rather than in the dictionary; scripts read them there.
void FlvStream::addStreamFacts() {
    auto add = [&](const char* key, double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.15g", value);
        m_metadata.emplace(key, text);
    };
    if (m_durationMs > 0)
        add("duration", double(m_durationMs) / 1000.0);
    if (m_videoIndex >= 0) {
        const AVStream* st = m_format->streams[m_videoIndex];
        add("width", st->codecpar->width);
        add("height", st->codecpar->height);
        if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
            add("framerate", av_q2d(st->avg_frame_rate));
        const std::pair<AVCodecID, int> videoCodecs[] = {{AV_CODEC_ID_FLV1, 2},     {AV_CODEC_ID_FLASHSV, 3},
                                                         {AV_CODEC_ID_VP6F, 4},     {AV_CODEC_ID_VP6A, 5},
                                                         {AV_CODEC_ID_FLASHSV2, 6}, {AV_CODEC_ID_H264, 7}};
        for (const auto& [id, number] : videoCodecs) {
            if (st->codecpar->codec_id == id)
                add("videocodecid", number);
        }
    }
    if (m_audioIndex >= 0) {
        const AVStream* st = m_format->streams[m_audioIndex];
        add("audiosamplerate", st->codecpar->sample_rate);
        m_metadata.emplace("stereo", st->codecpar->ch_layout.nb_channels > 1 ? "true" : "false");
    }
    const uint64_t size = bytesTotal();
    if (size > 0)
        add("filesize", double(size));
}

uint64_t FlvStream::packetMs() const {
    const AVStream* st = m_format->streams[m_pending->stream_index];
    int64_t pts = m_pending->pts != AV_NOPTS_VALUE ? m_pending->pts : m_pending->dts;
    if (pts == AV_NOPTS_VALUE || pts < 0)
        return 0;
    return uint64_t(av_rescale_q(pts, st->time_base, AVRational{1, 1000}));
}

bool FlvStream::readPacket() {
    while (!m_eof) {
        // An arriving file ends only where it is complete; before, its end
        // is a pause until more comes.
        if (m_arriving)
            m_format->pb->eof_reached = 0;
        if (av_read_frame(m_format, m_pending.get()) < 0) {
            if (m_arriving && !m_arriving->file->complete)
                return false;
            m_eof = true;
            break;
        }
        int index = m_pending->stream_index;
        if ((index == m_videoIndex && m_video) || (index == m_audioIndex && m_audio)) {
            m_hasPending = true;
            m_readAheadMs = std::max(m_readAheadMs, packetMs());
            return true;
        }
        keepCuePoint();
        av_packet_unref(m_pending.get());
    }
    return false;
}

// libavformat hands script data tags it does not read itself (onCuePoint)
// out as packets of a text stream, the tag's AMF0 body as they are.
void FlvStream::keepCuePoint() {
    static constexpr uint8_t Name[] = {0x02, 0x00, 0x0A, 'o', 'n', 'C', 'u', 'e', 'P', 'o', 'i', 'n', 't'};
    const auto size = size_t(std::max(m_pending->size, 0));
    if (size < sizeof Name || !std::equal(std::begin(Name), std::end(Name), m_pending->data) ||
        m_cuePoints.size() >= MaxQueuedCuePoints)
        return;
    m_cuePoints.push_back(FlvScriptTag{packetMs(), std::vector<uint8_t>(m_pending->data, m_pending->data + size)});
}

std::vector<FlvScriptTag> FlvStream::takeCuePoints() {
    std::vector<FlvScriptTag> due;
    while (!m_cuePoints.empty() && m_cuePoints.front().ms <= m_timeMs) {
        due.push_back(std::move(m_cuePoints.front()));
        m_cuePoints.pop_front();
    }
    return due;
}

void FlvStream::handlePending(bool keepSound) {
    std::span<const uint8_t> data(m_pending->data, size_t(std::max(m_pending->size, 0)));
    if (m_pending->stream_index == m_videoIndex) {
        if (m_video->decode(data, (m_pending->flags & AV_PKT_FLAG_KEY) != 0)) {
            m_havePicture = true;
            ++m_pictures;
        }
    } else {
        m_scratch.clear();
        m_audio->decode(data, m_scratch);
        if (keepSound)
            m_queue->samples.insert(m_queue->samples.end(), m_scratch.begin(), m_scratch.end());
    }
    av_packet_unref(m_pending.get());
    m_hasPending = false;
}

bool FlvStream::advanceTo(uint64_t ms, size_t maxPackets) {
    m_timeMs = std::max(m_timeMs, ms);
    for (size_t handled = 0;; ++handled) {
        if (!m_hasPending && !readPacket())
            break;
        if (packetMs() > m_timeMs)
            break;
        if (handled == maxPackets)
            return false;
        handlePending(true);
    }
    if (ended() && m_audio) {
        m_scratch.clear();
        m_audio->flush(m_scratch);
        m_queue->samples.insert(m_queue->samples.end(), m_scratch.begin(), m_scratch.end());
        m_queue->finished = true;
    }
    return true;
}

uint64_t FlvStream::bytesTotal() const {
    const int64_t size = m_format->pb ? avio_size(m_format->pb) : 0;
    return size > 0 ? uint64_t(size) : 0;
}

uint64_t FlvStream::bytesRead() const {
    if (m_eof)
        return bytesTotal();
    const int64_t at = m_format->pb ? avio_tell(m_format->pb) : 0;
    return at > 0 ? std::min(uint64_t(at), bytesTotal()) : 0;
}

void FlvStream::seek(uint64_t ms) {
    int64_t target = int64_t(std::min<uint64_t>(ms, uint64_t(INT64_MAX / 1000))) * (AV_TIME_BASE / 1000);
    if (m_hasPending) {
        av_packet_unref(m_pending.get());
        m_hasPending = false;
    }
    if (av_seek_frame(m_format, -1, target, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(m_format, -1, 0, AVSEEK_FLAG_BACKWARD);
    m_eof = false;
    m_readAheadMs = 0;
    if (m_video)
        m_video->reset();
    if (m_audio)
        m_audio->reset();
    m_queue->samples.clear();
    m_queue->finished = false;
    m_cuePoints.clear();
    // Pictures from the key frame on are decoded to reach the target; sound
    // before the target is decoded (to prime the codec) and dropped.
    for (;;) {
        if (!m_hasPending && !readPacket())
            break;
        if (packetMs() > ms)
            break;
        bool keep = packetMs() == ms && m_pending->stream_index == m_audioIndex;
        handlePending(keep);
    }
    m_timeMs = ms;
    ++m_pictures;
}

uint64_t FlvStream::bufferMs() const {
    const uint64_t ahead = m_arriving ? std::max(m_readAheadMs, m_arriving->lastMs) : m_readAheadMs;
    return ahead > m_timeMs ? ahead - m_timeMs : 0;
}

void FlvStream::noteArrived() {
    if (!m_arriving)
        return;
    ArrivingReader& r = *m_arriving;
    const std::vector<uint8_t>& b = r.file->bytes;
    const size_t visible = visibleBytes(*r.file, r.scanned);
    size_t at = r.scanned;
    if (at == 0) {
        if (b.size() < 9)
            return;
        const uint64_t header = uint64_t(b[5]) << 24 | uint64_t(b[6]) << 16 | uint64_t(b[7]) << 8 | b[8];
        if (header + 4 > b.size())
            return;
        at = size_t(header) + 4;
    }
    while (at + 11 <= visible) {
        const uint8_t type = b[at] & 0x1F;
        const uint64_t ms =
            uint64_t(b[at + 7]) << 24 | uint64_t(b[at + 4]) << 16 | uint64_t(b[at + 5]) << 8 | b[at + 6];
        if (type == 8 || type == 9)
            r.lastMs = std::max(r.lastMs, ms);
        at += 11 + (size_t(b[at + 1]) << 16 | size_t(b[at + 2]) << 8 | b[at + 3]) + 4;
    }
    r.scanned = std::min(at, b.size());
}

const VideoImage* FlvStream::image() const {
    return m_video && m_havePicture && !m_video->image().empty() ? &m_video->image() : nullptr;
}

std::unique_ptr<SoundSource> FlvStream::takeVoice() {
    if (!m_audio || m_voiceTaken)
        return nullptr;
    m_voiceTaken = true;
    return std::make_unique<QueuedSound>(m_queue);
}

}  // namespace media
