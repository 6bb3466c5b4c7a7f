#include "swf/container.h"

#include "swf/bit_reader.h"
#include "swf/records.h"

#include <zlib.h>
#ifdef SWF_HAVE_LZMA
#include <lzma.h>
#endif

#include <algorithm>
#include <cstring>

namespace swf {

namespace {

constexpr size_t PrefixSize = 8;     // signature, version, file length
constexpr size_t Chunk = 64 * 1024;  // growth step of the output buffer
constexpr uint64_t LzmaMemoryLimit = uint64_t(128) << 20;

// Appends decompressed bytes chunk by chunk; never reserves the declared
// length up front, since a hostile header may declare 4 GiB.
struct Sink {
    std::vector<uint8_t>& out;
    size_t limit;
    uint8_t* grow(size_t& room) {
        size_t used = out.size();
        room = std::min(Chunk, limit - used);
        out.resize(used + room);
        return out.data() + used;
    }
    void shrink(size_t unused) { out.resize(out.size() - unused); }
};

enum class Outcome { Complete, Truncated, Corrupt, Limit };

Outcome inflateZlib(std::span<const uint8_t> in, Sink sink) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return Outcome::Corrupt;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(std::min<size_t>(in.size(), UINT32_MAX));
    Outcome outcome = Outcome::Truncated;
    for (;;) {
        if (sink.out.size() >= sink.limit) {
            outcome = Outcome::Limit;
            break;
        }
        size_t room = 0;
        z.next_out = sink.grow(room);
        z.avail_out = uInt(room);
        int rc = inflate(&z, Z_NO_FLUSH);
        sink.shrink(z.avail_out);
        if (rc == Z_STREAM_END) {
            outcome = Outcome::Complete;
            break;
        }
        if (rc == Z_BUF_ERROR || (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0)) {
            outcome = Outcome::Truncated;  // input ran out before the stream's end
            break;
        }
        if (rc != Z_OK) {
            outcome = Outcome::Corrupt;
            break;
        }
    }
    inflateEnd(&z);
    return outcome;
}

#ifdef SWF_HAVE_LZMA
// The LZMA data has no .lzma header of its own; we give liblzma's "alone"
// decoder one made of the file's 5 property bytes and the expected size.
Outcome inflateLzma(std::span<const uint8_t> props, uint64_t expected, std::span<const uint8_t> in, Sink sink) {
    lzma_stream z = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&z, LzmaMemoryLimit) != LZMA_OK)
        return Outcome::Corrupt;
    uint8_t head[13];
    std::memcpy(head, props.data(), 5);
    for (int i = 0; i < 8; ++i)
        head[5 + i] = uint8_t(expected >> (8 * i));

    Outcome outcome = Outcome::Truncated;
    bool headerFed = false;
    z.next_in = head;
    z.avail_in = sizeof head;
    for (;;) {
        if (z.avail_in == 0 && !headerFed) {
            headerFed = true;
            z.next_in = in.data();
            z.avail_in = in.size();
        }
        if (sink.out.size() >= sink.limit) {
            outcome = Outcome::Limit;
            break;
        }
        size_t room = 0;
        z.next_out = sink.grow(room);
        z.avail_out = room;
        lzma_ret rc = lzma_code(&z, headerFed && z.avail_in == 0 ? LZMA_FINISH : LZMA_RUN);
        sink.shrink(z.avail_out);
        if (rc == LZMA_STREAM_END) {
            outcome = Outcome::Complete;
            break;
        }
        if (rc == LZMA_OK)
            continue;
        // The data may stop at the declared size without an end marker, or
        // be cut short: what was produced stands.
        outcome = sink.out.size() >= expected + PrefixSize ? Outcome::Complete
                  : rc == LZMA_BUF_ERROR                   ? Outcome::Truncated
                                                           : Outcome::Corrupt;
        break;
    }
    lzma_end(&z);
    return outcome;
}
#endif

}  // namespace

size_t decompressionLimit(uint32_t declaredLength, size_t maxMovieBytes) {
    uint64_t generous = uint64_t(declaredLength) * 2 + (uint64_t(1) << 20);
    return size_t(std::min<uint64_t>(generous, maxMovieBytes));
}

moviehost::Expected<Container, Error> openContainer(std::span<const uint8_t> file, size_t maxMovieBytes) {
    if (file.size() < PrefixSize)
        return Error{ErrorCode::NotAMovie, 0};
    Container c;
    if (file[1] != 'W' || file[2] != 'S')
        return Error{ErrorCode::NotAMovie, 0};
    switch (file[0]) {
    case 'F':
        c.header.compression = Compression::None;
        break;
    case 'C':
        c.header.compression = Compression::Zlib;
        break;
    case 'Z':
        c.header.compression = Compression::Lzma;
        break;
    default:
        return Error{ErrorCode::NotAMovie, 0};
    }
    c.header.version = file[3];
    c.header.declaredLength =
        uint32_t(file[4]) | uint32_t(file[5]) << 8 | uint32_t(file[6]) << 16 | uint32_t(file[7]) << 24;
    maxMovieBytes = std::max(maxMovieBytes, PrefixSize + 32);

    Outcome outcome = Outcome::Complete;
    if (c.header.compression == Compression::None) {
        c.borrowed = file.first(std::min(file.size(), maxMovieBytes));
        if (c.borrowed.size() < file.size())
            outcome = Outcome::Limit;
    } else {
        size_t limit = decompressionLimit(c.header.declaredLength, maxMovieBytes);
        c.storage.assign(file.begin(), file.begin() + PrefixSize);
        c.storage[0] = 'F';
        Sink sink{c.storage, std::max(limit, PrefixSize + 1)};
        if (c.header.compression == Compression::Zlib) {
            outcome = inflateZlib(file.subspan(PrefixSize), sink);
        } else {
#ifdef SWF_HAVE_LZMA
            // ZWS: 4-byte compressed length, 5 property bytes, then the data.
            if (file.size() < PrefixSize + 4 + 5)
                return Error{ErrorCode::NotAMovie, 0};
            uint64_t expected = c.header.declaredLength > PrefixSize ? c.header.declaredLength - PrefixSize : 0;
            outcome = inflateLzma(file.subspan(12, 5), expected, file.subspan(17), sink);
#else
            return Error{ErrorCode::UnsupportedCompression, 0};
#endif
        }
    }
    c.truncated = outcome == Outcome::Truncated || outcome == Outcome::Corrupt;
    c.limitReached = outcome == Outcome::Limit;

    // Header fields after the prefix: stage RECT, frame rate, frame count.
    auto data = c.data();
    BitReader r(data);
    r.seek(PrefixSize);
    c.header.stage = readRect(r);
    c.header.frameRate88 = r.u16();
    c.header.declaredFrameCount = r.u16();
    if (r.failed()) {
        if (c.header.compression != Compression::None && outcome == Outcome::Corrupt)
            return Error{ErrorCode::CorruptCompressedData, 0};
        return Error{ErrorCode::NotAMovie, 0};
    }
    c.tagsOffset = r.position();
    c.lengthMismatch = data.size() != c.header.declaredLength;
    return c;
}

std::vector<uint8_t> uncompressedFile(const Container& c) {
    const std::span<const uint8_t> data = c.data();
    std::vector<uint8_t> out(data.begin(), data.end());
    if (out.size() >= PrefixSize) {
        out[0] = 'F';
        out[1] = 'W';
        out[2] = 'S';
        for (int i = 0; i < 4; ++i)
            out[4 + i] = uint8_t(out.size() >> (8 * i));
    }
    return out;
}

}  // namespace swf
