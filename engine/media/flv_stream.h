// A local FLV file played by time, the engine side of NetStream: demuxed with
// libavformat, its video decoded into pictures, its sound decoded into a
// voice that plays through the one mixer.
//
//   auto flv = media::FlvStream::open(path);        // local files only
//   mixer.play(flv.value()->takeVoice());           // once, when playback starts
//   flv.value()->advanceTo(ms);                     // each frame, by the control's clock
//   flv.value()->image();                           // what the Video object shows
#pragma once

#include "media/audio_decoder.h"
#include "media/media_error.h"
#include "media/progressive_sound.h"
#include "media/sound_source.h"
#include "media/video_decoder.h"
#include "moviehost/expected.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct AVFormatContext;
struct AVIOContext;

namespace media {

// Decoded sound shared between a stream that fills it and the voice that plays it.
struct PcmQueue {
    std::deque<int16_t> samples;  // interleaved stereo
    bool finished = false;        // no more will come: the voice ends when it runs dry
};

class QueuedSound final : public SoundSource {
public:
    explicit QueuedSound(std::shared_ptr<PcmQueue> queue) : m_queue(std::move(queue)) {}
    size_t read(std::span<int16_t> out) override;
    [[nodiscard]] uint64_t position() const override { return m_produced; }

private:
    std::shared_ptr<PcmQueue> m_queue;
    uint64_t m_produced = 0;
};

// A script data tag other than onMetaData (onCuePoint): its AMF0 body and time.
struct FlvScriptTag {
    uint64_t ms = 0;
    std::vector<uint8_t> body;
};

class FlvStream {
public:
    static constexpr size_t MaxQueuedCuePoints = 256;

    ~FlvStream();
    FlvStream(const FlvStream&) = delete;
    FlvStream& operator=(const FlvStream&) = delete;

    // Opens a file on the local file system (no other protocol is allowed).
    [[nodiscard]] static moviehost::Expected<std::unique_ptr<FlvStream>, MediaError> open(const std::string& path);
    // Plays a file that is still arriving (a download): the demuxer sees
    // only whole tags, so it waits at the end of what came instead of
    // ending there. Open once enough came for the streams to show
    // (visibleBytes), or the whole file.
    [[nodiscard]] static moviehost::Expected<std::unique_ptr<FlvStream>, MediaError> openArriving(
        std::shared_ptr<const ArrivingBytes> bytes);
    // The bytes of `file` the demuxer may read: up to the end of its last whole tag (all once complete).
    [[nodiscard]] static size_t visibleBytes(const ArrivingBytes& file, size_t knownVisible = 0);

    // The file's onMetaData values as text: what libavformat kept, and the
    // stream facts it took for itself (duration, width, height, framerate ...).
    [[nodiscard]] const std::map<std::string, std::string>& metadata() const { return m_metadata; }
    [[nodiscard]] uint64_t durationMs() const { return m_durationMs; }
    [[nodiscard]] bool hasVideo() const { return m_video.has_value(); }
    [[nodiscard]] bool hasSound() const { return m_audio.has_value(); }

    // Plays forward to `ms` from the file's start: every picture up to it is
    // decoded, every sound up to it queued, handling at most `maxPackets`
    // packets (a bounded step); false when it stopped short of `ms`.
    bool advanceTo(uint64_t ms, size_t maxPackets = SIZE_MAX);
    // Jumps to `ms`: decoding restarts at the key frame at or before it, the
    // queued sound is dropped.
    void seek(uint64_t ms);
    [[nodiscard]] uint64_t timeMs() const { return m_timeMs; }
    // Time of the last packet read ahead of the playhead (of a download:
    // the last whole tag that came), minus the playhead.
    [[nodiscard]] uint64_t bufferMs() const;
    // A download: takes note of the tags that came since the last call.
    void noteArrived();
    // A download: the time of the last whole sound or video tag that came.
    [[nodiscard]] uint64_t arrivedMs() const { return m_arriving ? m_arriving->lastMs : m_readAheadMs; }
    // Time of the latest packet read so far.
    [[nodiscard]] uint64_t lastPacketMs() const { return m_readAheadMs; }
    [[nodiscard]] bool ended() const { return m_eof && !m_hasPending; }
    // Arriving: every byte has come and been read.
    [[nodiscard]] bool waiting() const { return m_arriving && !m_eof && !m_hasPending; }

    // onCuePoint tags the playhead has passed since the last call, in order.
    [[nodiscard]] std::vector<FlvScriptTag> takeCuePoints();

    // Video.deblocking of the viewer (see VideoDecoder::setDeblocking).
    void setDeblocking(uint8_t level) {
        if (m_video)
            m_video->setDeblocking(level);
    }
    [[nodiscard]] const VideoImage* image() const;
    // Counts new pictures, so a viewer knows when to redraw.
    [[nodiscard]] uint64_t pictureCount() const { return m_pictures; }
    // The file's size and how far into it reading has got.
    [[nodiscard]] uint64_t bytesTotal() const;
    [[nodiscard]] uint64_t bytesRead() const;
    // The voice of the file's sound; null after the first call or without sound.
    [[nodiscard]] std::unique_ptr<SoundSource> takeVoice();

private:
    FlvStream() = default;
    // Streams, decoders and facts of an opened file.
    [[nodiscard]] std::optional<MediaError> setUp();
    void addStreamFacts();
    bool readPacket();
    void keepCuePoint();
    void handlePending(bool keepSound);
    [[nodiscard]] uint64_t packetMs() const;

    struct ArrivingReader {
        std::shared_ptr<const ArrivingBytes> file;
        size_t at = 0;
        size_t visible = 0;  // the demuxer's end while the file arrives
        size_t scanned = 0;  // noteArrived's tag boundary
        uint64_t lastMs = 0;
    };
    static int readArriving(void* opaque, uint8_t* buffer, int size);
    static int64_t seekArriving(void* opaque, int64_t offset, int whence);

    std::unique_ptr<ArrivingReader> m_arriving;  // null for local files
    AVIOContext* m_io = nullptr;                 // ours, for arriving files
    AVFormatContext* m_format = nullptr;
    PacketPtr m_pending;  // read, not yet handled
    bool m_hasPending = false;
    int m_videoIndex = -1;
    int m_audioIndex = -1;
    std::optional<VideoDecoder> m_video;
    std::optional<AudioDecoder> m_audio;
    std::shared_ptr<PcmQueue> m_queue = std::make_shared<PcmQueue>();
    bool m_voiceTaken = false;
    std::vector<int16_t> m_scratch;
    std::map<std::string, std::string> m_metadata;
    std::deque<FlvScriptTag> m_cuePoints;  // read, time not reached or not taken
    uint64_t m_durationMs = 0;
    uint64_t m_timeMs = 0;
    uint64_t m_readAheadMs = 0;
    bool m_eof = false;
    bool m_havePicture = false;
    uint64_t m_pictures = 0;
};

}  // namespace media
