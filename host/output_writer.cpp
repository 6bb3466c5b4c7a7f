#include "output_writer.h"

#include "host_messages.h"

#include "platform/kernel.h"
#include "platform/user.h"

#include <moviehost/wire_protocol.h>

bool OutputWriter::Write(const void* bytes, DWORD count) noexcept {
    DWORD written = 0;
    if (WriteFile(m_output, bytes, count, &written, nullptr) && written == count)
        return true;
    PostThreadMessageW(m_hostThreadId, QUIT_MESSAGE, 0, 0);
    return false;
}

bool OutputWriter::WriteInteger(DWORD value) noexcept {
    const auto bytes = moviehost::wire::integerBytes(value);
    return Write(bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool OutputWriter::WriteFrameHeader(const FrameGeometry& geometry) noexcept {
    return WriteInteger(moviehost::wire::FrameKind) && WriteInteger(static_cast<DWORD>(geometry.Width())) &&
           WriteInteger(static_cast<DWORD>(geometry.Height()));
}

bool OutputWriter::WriteFrame(const FrameGeometry& geometry, const BYTE* pixels) noexcept {
    return WriteFrameHeader(geometry) && Write(pixels, geometry.PixelBytes());
}

bool OutputWriter::WriteEndMarker() noexcept { return WriteInteger(moviehost::wire::EndMarker); }
