#include "movie_probe.h"

#ifndef _WIN32
#include <lzma.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <vector>

namespace moviecapture {

namespace {

using Result = moviehost::Expected<MovieInfo, ProbeError>;

constexpr std::size_t SignatureBytes = 8;  // signature, version, file length
// Enough of an uncompressed body for the largest stage rectangle (5 + 4 * 31
// bits) plus rate and count.
constexpr std::size_t HeaderBodyBytes = 21;
// The header sits at the start: a bounded read is enough to find it.
constexpr std::size_t ProbeBytes = 256 * 1024;

ProbeError notAMovie(std::string what) { return {"not a movie: " + std::move(what)}; }

class BitCursor {
public:
    explicit BitCursor(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint32_t read(unsigned count) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t byte = m_bit / 8;
            const unsigned bit = 7 - static_cast<unsigned>(m_bit % 8);
            value = (value << 1) | ((m_bytes[byte] >> bit) & 1u);
            ++m_bit;
        }
        return value;
    }
    std::int32_t readSigned(unsigned count) {
        const std::uint32_t raw = read(count);
        if (count == 0)
            return 0;
        const std::uint32_t sign = 1u << (count - 1);
        return static_cast<std::int32_t>((raw ^ sign)) - static_cast<std::int32_t>(sign);
    }
    [[nodiscard]] std::size_t bytePosition() const { return (m_bit + 7) / 8; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_bit{0};
};

Result parseBody(std::uint8_t version, std::span<const std::uint8_t> body) {
    if (body.empty())
        return notAMovie("the header is cut short");
    const unsigned bits = body[0] >> 3;
    const std::size_t rectBytes = (5 + 4 * bits + 7) / 8;
    if (body.size() < rectBytes + 4)
        return notAMovie("the header is cut short");
    BitCursor cursor(body);
    cursor.read(5);
    const std::int64_t xMin = cursor.readSigned(bits);
    const std::int64_t xMax = cursor.readSigned(bits);
    const std::int64_t yMin = cursor.readSigned(bits);
    const std::int64_t yMax = cursor.readSigned(bits);
    const std::size_t at = cursor.bytePosition();
    MovieInfo info;
    info.version = version;
    // Twips to pixels, rounded; an empty or inverted stage reads as zero.
    info.width = static_cast<std::int32_t>(std::max<std::int64_t>(0, (xMax - xMin + 10) / 20));
    info.height = static_cast<std::int32_t>(std::max<std::int64_t>(0, (yMax - yMin + 10) / 20));
    info.frameRate = body[at + 1] + body[at] / 256.0;
    info.frameCount = static_cast<std::uint16_t>(body[at + 2] | (body[at + 3] << 8));
    return info;
}

// Feeds the compressed body in chunks; an empty chunk means the input ended.
using ChunkSource = std::function<std::span<const std::uint8_t>()>;

// Inflates a zlib body, keeping its first `limit` bytes. When `toEnd` is set
// the whole stream is inflated (into a scratch buffer) and must end cleanly;
// otherwise inflating stops once `limit` bytes are there.
moviehost::Expected<std::vector<std::uint8_t>, ProbeError> inflateStart(const ChunkSource& next, std::size_t limit,
                                                                        bool toEnd) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return ProbeError{"out of memory"};
    std::vector<std::uint8_t> out(limit);
    std::array<std::uint8_t, 16384> scratch{};
    std::size_t produced = 0;
    int status = Z_OK;
    bool inputEnded = false;
    while (status == Z_OK && !inputEnded && (toEnd || produced < limit)) {
        if (stream.avail_in == 0) {
            const auto chunk = next();
            if (chunk.empty()) {
                inputEnded = true;
                break;
            }
            stream.next_in = const_cast<Bytef*>(chunk.data());
            stream.avail_in = static_cast<uInt>(chunk.size());
        }
        const bool keeping = produced < limit;
        stream.next_out = keeping ? out.data() + produced : scratch.data();
        stream.avail_out = static_cast<uInt>(keeping ? limit - produced : scratch.size());
        const uInt before = stream.avail_out;
        status = inflate(&stream, Z_NO_FLUSH);
        if (keeping)
            produced += before - stream.avail_out;
        if (status == Z_BUF_ERROR)
            status = Z_OK;  // needs more input; the loop reads it
    }
    inflateEnd(&stream);
    if (status != Z_OK && status != Z_STREAM_END)
        return notAMovie("the compressed body does not inflate");
    if (toEnd && status != Z_STREAM_END)
        return notAMovie("the compressed body ends early");
    out.resize(produced);
    return out;
}

#ifdef _WIN32
// Debian packages no liblzma for Windows: LZMA movies are refused there.
moviehost::Expected<std::vector<std::uint8_t>, ProbeError> unpackLzma(std::span<const std::uint8_t>, std::size_t) {
    return ProbeError{"LZMA-compressed movies (ZWS) cannot be read by this Windows build"};
}
#else
moviehost::Expected<std::vector<std::uint8_t>, ProbeError> unpackLzma(std::span<const std::uint8_t> data,
                                                                      std::size_t limit) {
    // ZWS: 8-byte head, 4-byte compressed length, 5 bytes of LZMA properties,
    // then raw LZMA data without the alone-format's size field.
    if (data.size() < 17)
        return notAMovie("the header is cut short");
    std::vector<std::uint8_t> alone(data.begin() + 12, data.begin() + 17);
    for (int i = 0; i < 8; ++i)
        alone.push_back(0xFF);  // size unknown
    alone.insert(alone.end(), data.begin() + 17, data.end());
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&stream, UINT64_MAX) != LZMA_OK)
        return ProbeError{"out of memory"};
    std::vector<std::uint8_t> out(limit);
    stream.next_in = alone.data();
    stream.avail_in = alone.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    lzma_ret status = LZMA_OK;
    while (status == LZMA_OK && stream.avail_out > 0 && stream.avail_in > 0)
        status = lzma_code(&stream, LZMA_RUN);
    const std::size_t produced = out.size() - stream.avail_out;
    lzma_end(&stream);
    if (status != LZMA_OK && status != LZMA_STREAM_END)
        return notAMovie("the compressed body does not unpack");
    out.resize(produced);
    return out;
}
#endif

Result probe(std::span<const std::uint8_t> bytes, bool wholeFile) {
    if (bytes.size() < 3)
        return notAMovie("the file is too short for a movie signature");
    const char kind = static_cast<char>(bytes[0]);
    if ((kind != 'F' && kind != 'C' && kind != 'Z') || bytes[1] != 'W' || bytes[2] != 'S')
        return notAMovie("it does not start with FWS, CWS or ZWS");
    if (bytes.size() < SignatureBytes)
        return notAMovie("the header is cut short");
    const std::uint8_t version = bytes[3];
    const auto rest = bytes.subspan(SignatureBytes);
    if (kind == 'F')
        return parseBody(version, rest.first(std::min(rest.size(), HeaderBodyBytes)));
    if (kind == 'C') {
        bool given = false;
        auto body = inflateStart(
            [&]() -> std::span<const std::uint8_t> {
                if (given)
                    return {};
                given = true;
                return rest;
            },
            HeaderBodyBytes, wholeFile);
        if (!body)
            return body.error();
        return parseBody(version, body.value());
    }
    auto body = unpackLzma(bytes, HeaderBodyBytes);
    if (!body)
        return body.error();
    return parseBody(version, body.value());
}

}  // namespace

moviehost::Expected<MovieInfo, ProbeError> probeMovie(std::span<const std::uint8_t> bytes) {
    return probe(bytes, false);
}

moviehost::Expected<MovieInfo, ProbeError> probeMovieFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ProbeError{"cannot read the file"};
    std::array<std::uint8_t, SignatureBytes> head{};
    in.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got < head.size() || head[0] != 'C') {
        // Uncompressed and LZMA headers sit within a bounded start of the file.
        std::vector<std::uint8_t> bytes(head.begin(), head.begin() + got);
        if (got == head.size()) {
            bytes.resize(ProbeBytes);
            in.read(reinterpret_cast<char*>(bytes.data() + got), static_cast<std::streamsize>(ProbeBytes - got));
            bytes.resize(got + static_cast<std::size_t>(in.gcount()));
        }
        return probe(bytes, false);
    }
    if (head[1] != 'W' || head[2] != 'S')
        return notAMovie("it does not start with FWS, CWS or ZWS");
    // A compressed body is inflated to its end in a streaming pass, so a
    // body that breaks anywhere is refused while memory stays bounded.
    std::vector<std::uint8_t> chunk(ProbeBytes);
    auto body = inflateStart(
        [&]() -> std::span<const std::uint8_t> {
            in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
            return {chunk.data(), static_cast<std::size_t>(in.gcount())};
        },
        HeaderBodyBytes, true);
    if (!body)
        return body.error();
    return parseBody(head[3], body.value());
}

}  // namespace moviecapture
