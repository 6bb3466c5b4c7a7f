// The host's side of the frame stream: frame messages (kind 1, width, height,
// then the pixels) and the end marker (a single 32-bit zero), all integers
// little-endian.
//
// A write that fails asks the host thread to end by posting QUIT_MESSAGE to
// it, and reports false; nothing is retried. Writing to a reader that has gone
// is such a failure, never a signal.
#pragma once

#include "frame_geometry.h"

#include "platform/types.h"

#include <array>
#include <cstdint>

class OutputWriter {
public:
    static constexpr DWORD kFrameKind = 1;
    static constexpr DWORD kEndMarker = 0;

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

// The little-endian bytes of a stream integer.
[[nodiscard]] std::array<BYTE, 4> LittleEndianBytes(DWORD value) noexcept;
