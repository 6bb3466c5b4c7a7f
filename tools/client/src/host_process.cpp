// Reading frames from and writing records to a running host: the protocol,
// the same on every system. The pipes and the process itself are in
// host_process_posix.cpp and host_process_win32.cpp.

#include "deadline.h"
#include "host_process_timing.h"

#include <moviehost/client/host_process.h>
#include <moviehost/wire_protocol.h>

#include <array>
#include <new>
#include <utility>

namespace moviehost::client {

using detail::EndGrace;
using detail::milliseconds;

// One move for both systems: only the process handle is Windows' own.
HostProcess::HostProcess(HostProcess&& other) noexcept { *this = std::move(other); }

HostProcess& HostProcess::operator=(HostProcess&& other) noexcept {
    if (this != &other) {
        release();
        m_pid = std::exchange(other.m_pid, NoProcess);
#ifdef _WIN32
        m_process = std::move(other.m_process);
#endif
        m_input = std::move(other.m_input);
        m_output = std::move(other.m_output);
        m_errors = std::move(other.m_errors);
        m_sound = std::move(other.m_sound);
        m_soundBytes = std::move(other.m_soundBytes);
        m_width = other.m_width;
        m_height = other.m_height;
        m_timeout = other.m_timeout;
        m_framesRead = other.m_framesRead;
        m_queuedInput = std::move(other.m_queuedInput);
        m_queuedFrom = std::exchange(other.m_queuedFrom, 0);
        m_inputBytesSent = other.m_inputBytesSent;
        m_streamError = std::move(other.m_streamError);
        m_exitStatus = other.m_exitStatus;
        m_capturedErrors = std::move(other.m_capturedErrors);
    }
    return *this;
}

// ---- reading -------------------------------------------------------------

Error HostProcess::streamError(ErrorCode code, std::string message) {
    m_streamError = Error{code, std::move(message), m_exitStatus};
    return *m_streamError;
}

Error HostProcess::endedError(std::string what) {
    const auto status = wait(EndGrace);
    what += status.has_value() ? " (" + status->describe() + ")" : " (the host is still running)";
    return streamError(ErrorCode::HostEnded, std::move(what));
}

Expected<MessageKind> HostProcess::readMessageBefore(Frame& into, const Deadline& deadline) {
    if (m_streamError)
        return *m_streamError;
    const std::uint64_t frameNumber = m_framesRead + 1;
    std::array<std::uint8_t, wire::FrameHeaderBytes> header{};

    const auto failed = [&](const ShortRead& failure, const std::string& during, std::size_t had, std::size_t want) {
        switch (failure.reason) {
        case ShortRead::Reason::EndOfStream:
            return endedError("the host's output ended in the middle of " + during + " (" +
                              std::to_string(had + failure.got) + " of " + std::to_string(want) + " bytes)");
        case ShortRead::Reason::TimedOut:
            return streamError(ErrorCode::Timeout,
                               "the host did not send " + during + " within " + milliseconds(m_timeout));
        case ShortRead::Reason::Failed:
            break;
        }
        return readFailure(failure);
    };
    const std::string headerName = "the header of frame " + std::to_string(frameNumber);

    auto read = readFully(std::span(header).first(wire::IntegerBytes), deadline);
    if (!read && read.error().reason == ShortRead::Reason::EndOfStream && read.error().got == 0)
        return endedError("the host's output ended without an end marker after " + std::to_string(m_framesRead) +
                          (m_framesRead == 1 ? " frame" : " frames"));
    if (!read)
        return failed(read.error(), headerName, 0, wire::FrameHeaderBytes);

    const std::uint32_t kind = wire::readInteger(header.data() + wire::FrameKindAt);
    if (kind == wire::EndMarker) {
        m_streamError = Error{ErrorCode::HostEnded, "the host's output has ended with its end marker", std::nullopt};
        return MessageKind::EndMarker;
    }
    if (kind != wire::FrameKind)
        return streamError(ErrorCode::MalformedStream,
                           "the host sent a message of unknown kind " + std::to_string(kind) + " where frame " +
                               std::to_string(frameNumber) + " was due (a frame is 1, the end marker 0)");

    read = readFully(std::span(header).subspan(wire::IntegerBytes), deadline);
    if (!read)
        return failed(read.error(), headerName, wire::IntegerBytes, wire::FrameHeaderBytes);
    const auto width = static_cast<std::int32_t>(wire::readInteger(header.data() + wire::FrameWidthAt));
    const auto height = static_cast<std::int32_t>(wire::readInteger(header.data() + wire::FrameHeightAt));
    if (width != m_width || height != m_height)
        return streamError(ErrorCode::MalformedStream, "the host sent frame " + std::to_string(frameNumber) + " as " +
                                                           std::to_string(width) + "x" + std::to_string(height) +
                                                           " but was started for " + std::to_string(m_width) + "x" +
                                                           std::to_string(m_height));

    try {
        into.resize(m_width, m_height);
    } catch (const std::bad_alloc&) {
        return streamError(ErrorCode::SystemError, "no memory for frame " + std::to_string(frameNumber) + " of " +
                                                       std::to_string(m_width) + "x" + std::to_string(m_height));
    }
    read = readFully(into.bytes(), deadline);
    if (!read)
        return failed(read.error(), "frame " + std::to_string(frameNumber), 0, into.byteCount());
    ++m_framesRead;
    return MessageKind::Frame;
}

Expected<MessageKind> HostProcess::readMessage(Frame& into) { return readMessageBefore(into, Deadline(m_timeout)); }

Expected<Frame> HostProcess::readFrame() {
    Frame frame;
    auto kind = readMessage(frame);
    if (!kind)
        return kind.error();
    if (*kind == MessageKind::EndMarker)
        return Error{ErrorCode::UnexpectedEndMarker,
                     "the host sent its end marker where frame " + std::to_string(m_framesRead + 1) + " was due",
                     std::nullopt};
    return frame;
}

Expected<std::size_t> HostProcess::finish(std::vector<Frame>* framesBefore) {
    if (m_streamError)
        return *m_streamError;
    if (auto sent = send(InputRecord::control(wire::Finish)); !sent)
        return sent.error();

    // The marker must arrive within one timeout of the request, however many
    // frames the host still writes before it.
    const Deadline deadline(m_timeout);
    std::size_t passed = 0;
    Frame frame;
    for (;;) {
        auto kind = readMessageBefore(frame, deadline);
        if (!kind && kind.error().code == ErrorCode::Timeout)
            return streamError(ErrorCode::Timeout,
                               "the host sent no end marker within " + milliseconds(m_timeout) + " of the request");
        if (!kind)
            return kind.error();
        if (*kind == MessageKind::EndMarker)
            break;
        ++passed;
        if (framesBefore)
            framesBefore->push_back(frame);
    }

    std::uint8_t extra = 0;
    const auto after = readFully(std::span(&extra, 1), deadline);
    if (after)
        return streamError(ErrorCode::MalformedStream, "the host wrote more after its end marker");
    switch (after.error().reason) {
    case ShortRead::Reason::EndOfStream:
        return passed;
    case ShortRead::Reason::TimedOut:
        return streamError(ErrorCode::Timeout,
                           "the host kept its output open for " + milliseconds(m_timeout) + " after its end marker");
    case ShortRead::Reason::Failed:
        break;
    }
    return readFailure(after.error());
}

Status HostProcess::readExactly(std::span<std::uint8_t> into) {
    if (m_streamError)
        return *m_streamError;
    const auto read = readFully(into, Deadline(m_timeout));
    if (read)
        return {};
    const std::string progress = std::to_string(read.error().got) + " of " + std::to_string(into.size()) + " bytes";
    switch (read.error().reason) {
    case ShortRead::Reason::EndOfStream:
        return endedError("the host's output ended after " + progress);
    case ShortRead::Reason::TimedOut:
        return streamError(ErrorCode::Timeout, "the host sent " + progress + " within " + milliseconds(m_timeout));
    case ShortRead::Reason::Failed:
        break;
    }
    return readFailure(read.error());
}

Expected<std::vector<std::uint8_t>> HostProcess::readToEnd(std::size_t limit) {
    if (m_streamError)
        return *m_streamError;
    const Deadline deadline(m_timeout);
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 64 * 1024> chunk{};
    for (;;) {
        // Asking for one byte more than the limit allows tells "exactly the
        // limit" from "too much" without reading unbounded amounts.
        const std::size_t room = limit - bytes.size();
        const std::size_t want = room >= chunk.size() ? chunk.size() : room + 1;
        const auto read = readFully(std::span(chunk).first(want), deadline);
        const std::size_t got = read ? want : read.error().got;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
        if (bytes.size() > limit)
            return streamError(ErrorCode::MalformedStream,
                               "the host wrote more than " + std::to_string(limit) + " bytes");
        if (read)
            continue;
        switch (read.error().reason) {
        case ShortRead::Reason::EndOfStream:
            return bytes;
        case ShortRead::Reason::TimedOut:
            return streamError(ErrorCode::Timeout, "the host kept its output open for " + milliseconds(m_timeout) +
                                                       " after " + std::to_string(bytes.size()) + " bytes");
        case ShortRead::Reason::Failed:
            break;
        }
        return readFailure(read.error());
    }
}

const std::string& HostProcess::capturedErrors() {
    drainErrors();
    return m_capturedErrors;
}

// ---- writing -------------------------------------------------------------

Status HostProcess::flushInput(bool untilDone) {
    if (queuedInputBytes() == 0)
        return {};
    auto written = writeInput(m_queuedInput, m_queuedFrom, untilDone);
    if (queuedInputBytes() == 0) {
        m_queuedInput = {};
        m_queuedFrom = 0;
    }
    return written;
}

Status HostProcess::sendBytes(std::span<const std::uint8_t> bytes) {
    // Queued input goes first: the host reads one stream, in order.
    if (auto flushed = flushInput(true); !flushed)
        return flushed;
    std::size_t sent = 0;
    return writeInput(bytes, sent, true);
}

Status HostProcess::send(const InputRecord& record) {
    const auto bytes = record.encode();
    return sendBytes(bytes);
}

Status HostProcess::moveMouse(std::uint16_t x, std::uint16_t y) {
    return send(InputRecord::mouse(wire::MouseMove, x, y));
}

Status HostProcess::pressMouse(std::uint16_t x, std::uint16_t y) {
    return send(InputRecord::mouse(wire::LeftButtonDown, x, y));
}

Status HostProcess::releaseMouse(std::uint16_t x, std::uint16_t y) {
    return send(InputRecord::mouse(wire::LeftButtonUp, x, y));
}

Status HostProcess::click(std::uint16_t x, std::uint16_t y) {
    if (auto pressed = pressMouse(x, y); !pressed)
        return pressed;
    return releaseMouse(x, y);
}

Status HostProcess::quit() {
    // Only the rest of a record already begun must still go before the quit.
    const auto begun =
        static_cast<std::size_t>((wire::RecordBytes - m_inputBytesSent % wire::RecordBytes) % wire::RecordBytes);
    if (queuedInputBytes() > begun)
        m_queuedInput.resize(m_queuedFrom + begun);
    return send(InputRecord::control(wire::Quit));
}

void HostProcess::closeInput() { m_input.reset(); }

void HostProcess::closeOutput() { m_output.reset(); }

}  // namespace moviehost::client
