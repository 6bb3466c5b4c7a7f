// The host's side of the frame stream: frame messages (header, then the
// pixels) and the end marker, as the wire protocol lays them out.
//
// A write that fails asks the host thread to end by posting QUIT_MESSAGE to
// it, and reports false; nothing is retried. Writing to a reader that has gone
// is such a failure, never a signal.
#pragma once

#include "frame_geometry.h"

#include "platform/types.h"

class OutputWriter {
public:
    OutputWriter(HANDLE output, DWORD hostThreadId) noexcept : m_output(output), m_hostThreadId(hostThreadId) {}

    // One write of a byte range.
    [[nodiscard]] bool Write(const void* bytes, DWORD count) noexcept;

    // The three header integers, each in a write of its own; stops at the
    // first that fails.
    [[nodiscard]] bool WriteFrameHeader(const FrameGeometry& geometry) noexcept;
    // The header, then all pixels in one write. `pixels` holds
    // geometry.PixelBytes() bytes.
    [[nodiscard]] bool WriteFrame(const FrameGeometry& geometry, const BYTE* pixels) noexcept;
    [[nodiscard]] bool WriteEndMarker() noexcept;

private:
    [[nodiscard]] bool WriteInteger(DWORD value) noexcept;

    HANDLE m_output = nullptr;
    DWORD m_hostThreadId = 0;
};
