#include "output_writer.h"

#include "host_messages.h"

#include "platform/kernel.h"
#include "platform/user.h"

std::array<BYTE, 4> LittleEndianBytes(DWORD value) noexcept {
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

bool OutputWriter::Write(const void* bytes, DWORD count) noexcept {
    DWORD written = 0;
    if (WriteFile(m_output, bytes, count, &written, nullptr) && written == count)
        return true;
    PostThreadMessageW(m_hostThreadId, QUIT_MESSAGE, 0, 0);
    return false;
}

bool OutputWriter::WriteInteger(DWORD value) noexcept {
    const std::array<BYTE, 4> bytes = LittleEndianBytes(value);
    return Write(bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool OutputWriter::WriteFrameHeader(const FrameGeometry& geometry) noexcept {
    return WriteInteger(kFrameKind) && WriteInteger(static_cast<DWORD>(geometry.Width())) &&
           WriteInteger(static_cast<DWORD>(geometry.Height()));
}

bool OutputWriter::WriteFrame(const FrameGeometry& geometry, const BYTE* pixels) noexcept {
    return WriteFrameHeader(geometry) && Write(pixels, geometry.PixelBytes());
}

bool OutputWriter::WriteEndMarker() noexcept { return WriteInteger(kEndMarker); }
