// The clock and the status events around FlvStream.
#include "media/flv_playback.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace media {

const char* flvStatusCode(FlvEvent event) {
    switch (event) {
    case FlvEvent::PlayStart:
        return "NetStream.Play.Start";
    case FlvEvent::PlayStop:
        return "NetStream.Play.Stop";
    case FlvEvent::StreamNotFound:
        return "NetStream.Play.StreamNotFound";
    case FlvEvent::BufferFull:
        return "NetStream.Buffer.Full";
    case FlvEvent::BufferEmpty:
        return "NetStream.Buffer.Empty";
    case FlvEvent::BufferFlush:
        return "NetStream.Buffer.Flush";
    case FlvEvent::SeekNotify:
        return "NetStream.Seek.Notify";
    case FlvEvent::SeekInvalidTime:
        return "NetStream.Seek.InvalidTime";
    case FlvEvent::PauseNotify:
        return "NetStream.Pause.Notify";
    case FlvEvent::UnpauseNotify:
        return "NetStream.Unpause.Notify";
    case FlvEvent::PlayFailed:
        return "NetStream.Play.Failed";
    case FlvEvent::MetaData:
    case FlvEvent::CuePoint:
        break;
    }
    return nullptr;
}

bool flvStatusIsError(FlvEvent event) {
    return event == FlvEvent::StreamNotFound || event == FlvEvent::SeekInvalidTime || event == FlvEvent::PlayFailed;
}

void FlvPlayback::report(FlvEvent event) {
    // A script that never lets a tick pass cannot make the queue grow.
    if (m_events.size() < MaxQueuedEvents)
        m_events.push_back(event);
}

void FlvPlayback::play(const std::string& path, uint64_t nowMs) {
    close();
    auto opened = FlvStream::open(path);
    if (!opened) {
        report(FlvEvent::StreamNotFound);
        return;
    }
    m_stream = std::move(opened).value();
    m_stream->setDeblocking(m_deblocking);
    m_positionMs = 0;
    m_clockMs = nowMs;
    m_paused = false;
    m_stopped = false;
    m_bufferFull = false;
    m_stream->advanceTo(0, MaxPacketsPerUpdate);
    report(FlvEvent::PlayStart);
    report(FlvEvent::MetaData);
}

void FlvPlayback::playArriving(std::shared_ptr<ArrivingBytes> bytes, uint64_t nowMs) {
    close();
    m_arriving = std::move(bytes);
    m_openAt = FirstOpenBytes;
    m_clockMs = nowMs;
    (void)openArriving(nowMs);
}

bool FlvPlayback::openArriving(uint64_t nowMs) {
    if (m_stream)
        return true;
    if (!m_arriving)
        return false;
    const bool complete = m_arriving->complete;
    if (!complete && FlvStream::visibleBytes(*m_arriving) < m_openAt)
        return false;
    auto opened = FlvStream::openArriving(m_arriving);
    // The header says which streams there are: one that has not shown yet
    // is waited for, up to the most.
    const uint8_t flags = m_arriving->bytes.size() > 4 ? m_arriving->bytes[4] : 0;
    if (opened && !complete && m_openAt < MaxOpenBytes &&
        (((flags & 0x04) && !opened.value()->hasSound()) || ((flags & 0x01) && !opened.value()->hasVideo())))
        opened = moviehost::Unexpected(MediaError::CodecOpenFailed);
    if (!opened) {
        // Too little for the streams to show yet: try again with twice as much.
        if (complete) {
            m_arriving.reset();
            report(FlvEvent::StreamNotFound);
        }
        m_openAt = std::min(m_openAt * 2, MaxOpenBytes);
        return false;
    }
    m_stream = std::move(opened).value();
    m_stream->setDeblocking(m_deblocking);
    m_positionMs = 0;
    m_clockMs = nowMs;
    m_bufferFull = false;
    m_stream->advanceTo(0, MaxPacketsPerUpdate);
    report(FlvEvent::PlayStart);
    report(FlvEvent::MetaData);
    return true;
}

void FlvPlayback::arrivingFailed() {
    if (!m_arriving)
        return;
    m_arriving->complete = true;
    (void)openArriving(m_clockMs);
}

uint64_t FlvPlayback::bytesLoaded() const {
    if (m_arriving)
        return m_arriving->bytes.size();
    return m_stream ? m_stream->bytesRead() : 0;
}

uint64_t FlvPlayback::bytesTotal() const {
    if (m_arriving)
        return m_arriving->complete ? m_arriving->bytes.size() : std::max(m_expectedBytes, bytesLoaded());
    return m_stream ? m_stream->bytesTotal() : 0;
}

void FlvPlayback::followArrival() {
    if (!m_arriving || m_arriving->complete)
        return;
    m_stream->noteArrived();
    const uint64_t last = m_stream->arrivedMs();
    if (m_positionMs > last) {
        m_positionMs = last;
        if (m_bufferFull) {
            m_bufferFull = false;
            report(FlvEvent::BufferEmpty);
        }
    }
}

void FlvPlayback::playRefused(bool bySandbox) {
    close();
    report(bySandbox ? FlvEvent::PlayFailed : FlvEvent::StreamNotFound);
}

void FlvPlayback::pause(std::optional<bool> paused, uint64_t nowMs) {
    if (!m_stream)
        return;
    const bool pause = paused.value_or(!m_paused);
    if (pause == m_paused)
        return;
    update(nowMs);
    m_paused = pause;
    m_clockMs = nowMs;
    report(pause ? FlvEvent::PauseNotify : FlvEvent::UnpauseNotify);
}

void FlvPlayback::seek(double seconds, uint64_t nowMs) {
    if (!m_stream)
        return;
    const uint64_t end = endMs();
    if (std::isnan(seconds) || (end > 0 && seconds * 1000.0 > double(end))) {
        report(FlvEvent::SeekInvalidTime);
        return;
    }
    const auto target = uint64_t(std::max(0.0, std::floor(seconds * 1000.0)));
    m_stream->seek(target);
    m_positionMs = target;
    m_clockMs = nowMs;
    m_stopped = false;
    m_bufferFull = false;
    report(FlvEvent::SeekNotify);
}

void FlvPlayback::close() {
    m_arriving.reset();
    m_expectedBytes = 0;
    m_cuePoints.clear();
    std::erase(m_events, FlvEvent::CuePoint);
    if (m_stream)
        m_pictureBase += m_stream->pictureCount() + 1;
    m_stream.reset();
    m_positionMs = 0;
    m_paused = false;
    m_stopped = false;
}

uint64_t FlvPlayback::endMs() const { return m_stream ? m_stream->durationMs() : 0; }

void FlvPlayback::update(uint64_t nowMs) {
    if (!m_stream && !openArriving(nowMs))
        return;
    // A download's playhead stands while its buffer fills.
    const bool arrived = !m_arriving || m_arriving->complete;
    if (playing() && nowMs > m_clockMs && (m_bufferFull || arrived))
        m_positionMs += nowMs - m_clockMs;
    m_clockMs = std::max(m_clockMs, nowMs);
    if (m_stopped)
        return;
    followArrival();
    if (!m_bufferFull && (arrived || double(m_stream->bufferMs()) >= m_bufferTime * 1000.0)) {
        m_bufferFull = true;
        report(FlvEvent::BufferFull);
    }
    if (m_paused)
        return;
    const uint64_t end = endMs();
    if (end > 0)
        m_positionMs = std::min(m_positionMs, end);
    const bool caughtUp = m_stream->advanceTo(m_positionMs, MaxPacketsPerUpdate);
    for (FlvScriptTag& cue : m_stream->takeCuePoints()) {
        if (m_events.size() >= MaxQueuedEvents)
            break;
        m_cuePoints.push_back(std::move(cue));
        report(FlvEvent::CuePoint);
    }
    // The last picture shows until the file's duration; a damaged file whose
    // header claims more ends a second after its last packet.
    const uint64_t last = m_stream->lastPacketMs();
    const uint64_t stopAt = end > 0 ? std::min(end, last + 1000) : last;
    if (caughtUp && m_stream->ended() && m_positionMs >= stopAt) {
        m_stopped = true;
        report(FlvEvent::BufferFlush);
        report(FlvEvent::PlayStop);
        report(FlvEvent::BufferEmpty);
    }
}

void FlvPlayback::setBufferTime(double seconds) {
    if (std::isfinite(seconds))
        m_bufferTime = std::max(0.0, seconds);
}

double FlvPlayback::bufferLength() const {
    if (!m_stream || m_stopped)
        return 0.0;
    if (m_arriving && !m_arriving->complete)
        return double(m_stream->bufferMs()) / 1000.0;
    const uint64_t end = endMs();
    const double left = end > m_positionMs ? double(end - m_positionMs) / 1000.0 : 0.0;
    return std::min(m_bufferTime, left);
}

}  // namespace media
