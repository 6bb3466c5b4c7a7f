#include "bitmap.h"

#include <cassert>
#include <cstdint>
#include <cstdlib>

namespace platform::gdi {

namespace {

// The platform keeps an image's byte count in a signed 32-bit value.
constexpr std::uint64_t MaxImageBytes = 0x7FFFFFFF;

}  // namespace

std::optional<Bitmap> Bitmap::createDib(const BITMAPINFOHEADER& header) {
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biBitCount != 32 ||
        header.biCompression != BI_RGB)
        return std::nullopt;
    if (header.biWidth <= 0 || header.biHeight == 0)
        return std::nullopt;
    // 64-bit arithmetic: biHeight may be INT_MIN, and width * 4 * height may
    // not fit in 32 bits; both are refused before anything is allocated.
    const std::uint64_t height =
        header.biHeight < 0 ? std::uint64_t(-std::int64_t{header.biHeight}) : std::uint64_t(header.biHeight);
    const std::uint64_t stride = std::uint64_t(header.biWidth) * 4;
    if (stride > MaxImageBytes || height > MaxImageBytes / stride)
        return std::nullopt;

    Bitmap bitmap;
    bitmap.m_width = header.biWidth;
    bitmap.m_height = static_cast<LONG>(height);
    bitmap.m_bitsPerPixel = 32;
    bitmap.m_topDown = header.biHeight < 0;
    bitmap.m_stride = static_cast<std::size_t>(stride);
    bitmap.m_header = header;
    bitmap.m_header.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.m_header.biSizeImage = static_cast<DWORD>(stride * height);
    // calloc: fresh pages come zeroed from the system, so a large surface
    // costs nothing until it is drawn on.
    bitmap.m_bits.reset(static_cast<std::byte*>(std::calloc(static_cast<std::size_t>(stride * height), 1)));
    if (!bitmap.m_bits)
        return std::nullopt;
    bitmap.checkInvariants();
    return bitmap;
}

Bitmap Bitmap::stockMonochrome() { return Bitmap{}; }

std::byte* Bitmap::row(LONG y) const {
    assert(m_bits && y >= 0 && y < m_height && "row() inside the bitmap");
    const std::size_t stored = m_topDown ? std::size_t(y) : std::size_t(m_height - 1 - y);
    return m_bits.get() + stored * m_stride;
}

BITMAP Bitmap::describe() const {
    BITMAP bm{};
    bm.bmType = 0;
    bm.bmWidth = m_width;
    bm.bmHeight = m_height;
    // Rows of device bitmaps are padded to 16 bits; 32-bit rows need no padding.
    bm.bmWidthBytes = m_bits ? static_cast<LONG>(m_stride) : ((m_width * m_bitsPerPixel + 15) / 16) * 2;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = m_bitsPerPixel;
    bm.bmBits = m_bits.get();
    return bm;
}

DIBSECTION Bitmap::describeDib() const {
    DIBSECTION ds{};
    ds.dsBm = describe();
    ds.dsBmih = m_header;
    return ds;
}

void Bitmap::checkInvariants() const {
#ifndef NDEBUG
    assert(m_width > 0 && m_height > 0);
    assert(m_stride == std::size_t(m_width) * 4 && "32-bit rows are not padded");
    assert(std::uint64_t(m_stride) * std::uint64_t(m_height) <= MaxImageBytes);
    assert(m_bits != nullptr);
    assert((m_header.biHeight < 0) == m_topDown && "row order follows the sign of biHeight");
#endif
}

}  // namespace platform::gdi
