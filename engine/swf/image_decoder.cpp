// Lossless bitmaps, alpha planes, format sniffing and JPEG stream joining.
#include "swf/image_decoder.h"

#include <zlib.h>

#include <algorithm>

namespace swf {

ImageFormat sniffImageFormat(std::span<const uint8_t> d) {
    if (d.size() >= 8 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G')
        return ImageFormat::Png;
    if (d.size() >= 6 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8')
        return ImageFormat::Gif;
    if (d.size() >= 2 && d[0] == 0xFF && (d[1] == 0xD8 || d[1] == 0xD9))
        return ImageFormat::Jpeg;
    return ImageFormat::Unknown;
}

namespace {

void appendSegments(std::vector<uint8_t>& out, std::span<const uint8_t> src) {
    size_t i = 0;
    const size_t n = src.size();
    while (i < n) {
        if (src[i] != 0xFF) {
            out.insert(out.end(), src.begin() + i, src.end());  // not a marker: leave it to the decoder
            return;
        }
        while (i + 1 < n && src[i + 1] == 0xFF)  // fill bytes
            ++i;
        if (i + 1 >= n)
            return;
        uint8_t marker = src[i + 1];
        if (marker == 0xD8 || marker == 0xD9) {  // SOI, EOI: dropped, the joined stream has its own
            i += 2;
            continue;
        }
        if (marker == 0xDA) {  // start of scan: the rest is entropy-coded data through EOI
            out.insert(out.end(), src.begin() + i, src.end());
            return;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            out.insert(out.end(), src.begin() + i, src.begin() + i + 2);
            i += 2;
            continue;
        }
        if (i + 4 > n)
            return;
        size_t length = size_t(src[i + 2]) << 8 | src[i + 3];
        size_t end = std::min(n, i + 2 + length);
        out.insert(out.end(), src.begin() + i, src.begin() + end);
        i = end;
    }
}

}  // namespace

std::vector<uint8_t> joinJpegStreams(std::span<const uint8_t> tables, std::span<const uint8_t> data) {
    std::vector<uint8_t> out{0xFF, 0xD8};
    out.reserve(tables.size() + data.size() + 4);
    appendSegments(out, tables);
    appendSegments(out, data);
    return out;
}

void storeDecoded(ErrorCode rc, uint32_t width, uint32_t height, std::vector<uint32_t>&& pixels, Bitmap& out) {
    if (rc != ErrorCode::None) {
        out.error = rc;
        out.width = out.height = 0;
        out.pixels.clear();
        return;
    }
    out.width = width;
    out.height = height;
    out.pixels = std::move(pixels);
}

bool inflateBounded(std::span<const uint8_t> in, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(std::min<size_t>(in.size(), UINT32_MAX));
    bool ok = true;
    while (out.size() < limit) {
        size_t used = out.size();
        size_t room = std::min<size_t>(limit - used, 1 << 20);
        out.resize(used + room);
        z.next_out = out.data() + used;
        z.avail_out = uInt(room);
        int rc = inflate(&z, Z_NO_FLUSH);
        out.resize(used + (room - std::min<size_t>(room, z.avail_out)));
        if (rc == Z_STREAM_END || rc == Z_BUF_ERROR)
            break;
        if (rc != Z_OK) {
            ok = false;
            break;
        }
        if (z.avail_in == 0 && z.avail_out != 0)
            break;
    }
    inflateEnd(&z);
    return ok;
}

void decodeLossless(uint8_t format, uint16_t width, uint16_t height, uint32_t colorTableSize,
                    std::span<const uint8_t> zlibData, bool withAlpha, const ImageBudget& budget, Bitmap& out) {
    out.source = withAlpha ? BitmapSource::LosslessAlpha : BitmapSource::Lossless;
    if (format != 3 && format != 4 && format != 5) {
        out.error = ErrorCode::UnsupportedImage;
        return;
    }
    if (width == 0 || height == 0) {
        out.error = ErrorCode::ImageDecodeFailed;
        return;
    }
    if (!budget(width, height)) {
        out.error = ErrorCode::ImageTooLarge;
        return;
    }
    const size_t entrySize = withAlpha ? 4 : 3;
    const size_t tableBytes = format == 3 ? colorTableSize * entrySize : 0;
    size_t rowBytes = format == 3 ? width : format == 4 ? size_t(width) * 2 : size_t(width) * 4;
    rowBytes = (rowBytes + 3) & ~size_t(3);  // rows are padded to 32 bits
    const size_t needed = tableBytes + rowBytes * height;

    std::vector<uint8_t> raw;
    if (!inflateBounded(zlibData, needed, raw) || raw.size() < needed) {
        out.error = ErrorCode::ImageDecodeFailed;
        return;
    }

    out.width = width;
    out.height = height;
    out.pixels.assign(size_t(width) * height, 0);
    std::vector<uint32_t> table;
    if (format == 3) {
        table.resize(colorTableSize);
        for (uint32_t i = 0; i < colorTableSize; ++i) {
            const uint8_t* e = raw.data() + i * entrySize;
            table[i] = withAlpha ? packPremultiplied(e[3], e[0], e[1], e[2]) : premultiply(255, e[0], e[1], e[2]);
        }
    }
    const uint8_t* rows = raw.data() + tableBytes;
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* row = rows + y * rowBytes;
        uint32_t* dst = out.pixels.data() + y * width;
        for (size_t x = 0; x < width; ++x) {
            if (format == 3) {
                uint8_t index = row[x];
                dst[x] = index < table.size() ? table[index] : 0;  // outside the table: transparent
            } else if (format == 4) {
                uint16_t v = uint16_t(row[2 * x] << 8 | row[2 * x + 1]);
                auto expand = [](unsigned c) { return uint8_t((c << 3) | (c >> 2)); };
                dst[x] = premultiply(255, expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
            } else {
                const uint8_t* p = row + 4 * x;
                dst[x] = withAlpha ? packPremultiplied(p[0], p[1], p[2], p[3]) : premultiply(255, p[1], p[2], p[3]);
            }
        }
    }
}

void applyAlphaPlane(std::span<const uint8_t> zlibAlpha, Bitmap& bitmap) {
    if (bitmap.pixels.empty())
        return;
    std::vector<uint8_t> alpha;
    (void)inflateBounded(zlibAlpha, bitmap.pixels.size(), alpha);  // a broken plane keeps what it gave
    for (size_t i = 0; i < alpha.size(); ++i) {
        uint32_t p = bitmap.pixels[i];
        bitmap.pixels[i] = premultiply(alpha[i], uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
    }
}

}  // namespace swf
