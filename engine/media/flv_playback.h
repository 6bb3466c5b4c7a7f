// A NetStream's playback of a local FLV file, driven by the control's clock:
// play, pause, seek and close as scripts ask, the pictures and sound of the
// file at the clock's time, and the status events the format's NetStream
// reports, in order. The scripting side (ActionScript 1/2 now, 3 later)
// turns events into onStatus and onMetaData calls.
//
//   media::FlvPlayback playback;
//   playback.play(path, nowMs);                 // Play.Start, or StreamNotFound
//   mixer.play(playback.takeVoice());           // once after each play
//   playback.update(nowMs);                     // every tick
//   for (auto event : playback.takeEvents()) ...
//
// A local file is all there as soon as it opens: the buffer counts as full
// (bufferLength is the buffer time, or what is left of the file when less).
// Each update reads at most MaxPacketsPerUpdate packets, so a jump far ahead
// catches up over several ticks instead of stalling one.
#pragma once

#include "media/flv_stream.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace media {

enum class FlvEvent : uint8_t {
    PlayStart,
    PlayStop,
    StreamNotFound,
    BufferFull,
    BufferEmpty,
    BufferFlush,
    SeekNotify,
    SeekInvalidTime,
    PauseNotify,
    UnpauseNotify,
    MetaData,  // the file's metadata() is ready for onMetaData
    CuePoint,  // the next of takeCuePoints() is due for onCuePoint
    PlayFailed,
};

// The code an onStatus info object carries ("NetStream.Play.Start"), null for MetaData.
[[nodiscard]] const char* flvStatusCode(FlvEvent event);
// Errors have level "error", the others "status".
[[nodiscard]] bool flvStatusIsError(FlvEvent event);

class FlvPlayback {
public:
    static constexpr size_t MaxPacketsPerUpdate = 2048;
    static constexpr size_t MaxQueuedEvents = 256;
    // A download opens once this much came, or twice that when the streams
    // did not show yet, up to the most (or once complete).
    static constexpr size_t FirstOpenBytes = size_t(4) << 10;
    static constexpr size_t MaxOpenBytes = size_t(1) << 20;

    // Opens `path` (a checked local file) and plays it from its start at
    // clock time `nowMs`; a file that does not open gives StreamNotFound.
    // What played before is closed.
    void play(const std::string& path, uint64_t nowMs);
    // The file could not be reached (unresolvable): StreamNotFound; the
    // sandbox refused it: Play.Failed.
    void playRefused(bool bySandbox = false);
    // Plays a file that is downloading into `bytes` (the caller appends and
    // marks it complete). It opens once enough came, reports Play.Start
    // then, and plays as bytes arrive: the playhead waits at the end of what
    // came (Buffer.Empty) until bufferTime more is in (Buffer.Full). A file
    // that never opens gives StreamNotFound once complete. setExpectedBytes,
    // after play: the download's size when known, for bytesTotal.
    void playArriving(std::shared_ptr<ArrivingBytes> bytes, uint64_t nowMs);
    void setExpectedBytes(uint64_t total) { m_expectedBytes = total; }
    // The download broke off: what came plays to its end, or gives
    // StreamNotFound when it does not open.
    void arrivingFailed();
    // Pauses (true), resumes (false) or toggles (nullopt); nothing without a file.
    void pause(std::optional<bool> paused, uint64_t nowMs);
    // Jumps to `seconds` (negative goes to the start); past the end, or not
    // a number, reports InvalidTime and stays.
    void seek(double seconds, uint64_t nowMs);
    // Stops and forgets the file; its voice ends.
    void close();
    // Advances the playhead to the clock's time; reports the end.
    void update(uint64_t nowMs);

    // The viewer's Video.deblocking, kept for the files played later.
    void setDeblocking(uint8_t level) {
        m_deblocking = level;
        if (m_stream)
            m_stream->setDeblocking(level);
    }
    void setBufferTime(double seconds);
    [[nodiscard]] double bufferTime() const { return m_bufferTime; }
    [[nodiscard]] double bufferLength() const;
    // Seconds into the file.
    [[nodiscard]] double time() const { return double(m_positionMs) / 1000.0; }
    [[nodiscard]] uint64_t bytesLoaded() const;
    [[nodiscard]] uint64_t bytesTotal() const;
    [[nodiscard]] bool open() const { return m_stream != nullptr || m_arriving != nullptr; }
    [[nodiscard]] bool playing() const { return open() && !m_paused && !m_stopped; }
    [[nodiscard]] bool paused() const { return m_paused; }

    [[nodiscard]] const VideoImage* image() const { return m_stream ? m_stream->image() : nullptr; }
    [[nodiscard]] uint64_t pictureCount() const { return m_pictureBase + (m_stream ? m_stream->pictureCount() : 0); }
    [[nodiscard]] const std::map<std::string, std::string>* metadata() const {
        return m_stream ? &m_stream->metadata() : nullptr;
    }
    // The voice of the file played last; null when taken or without sound.
    [[nodiscard]] std::unique_ptr<SoundSource> takeVoice() { return m_stream ? m_stream->takeVoice() : nullptr; }
    [[nodiscard]] std::vector<FlvEvent> takeEvents() { return std::exchange(m_events, {}); }
    // The AMF0 bodies of the CuePoint events, in the same order.
    [[nodiscard]] std::vector<FlvScriptTag> takeCuePoints() { return std::exchange(m_cuePoints, {}); }

private:
    void report(FlvEvent event);
    // Opens the arriving file once enough came; false while it waits.
    bool openArriving(uint64_t nowMs);
    // The playhead waits at the end of what came, and goes on once the buffer refilled.
    void followArrival();
    [[nodiscard]] uint64_t endMs() const;

    std::unique_ptr<FlvStream> m_stream;
    std::shared_ptr<ArrivingBytes> m_arriving;  // a download, while it plays
    size_t m_openAt = 0;                        // bytes to try opening it at
    uint64_t m_expectedBytes = 0;
    std::vector<FlvEvent> m_events;
    std::vector<FlvScriptTag> m_cuePoints;
    double m_bufferTime = 0.1;
    uint8_t m_deblocking = 0;
    uint64_t m_positionMs = 0;
    uint64_t m_clockMs = 0;  // the clock at the last play, seek, resume or update
    uint64_t m_pictureBase = 0;
    bool m_paused = false;
    bool m_stopped = false;
    bool m_bufferFull = false;
};

}  // namespace media
