// The file container: signature, header, and the decompressed tag data.
#pragma once

#include "swf/error.h"
#include "swf/movie.h"

#include <cstdint>
#include <span>
#include <vector>

namespace swf {

// The uncompressed file: data() starts with the 8-byte prefix (signature,
// version, length) as if the file had been stored uncompressed, so offsets
// into it are offsets into the uncompressed file.
struct Container {
    Header header;                      // all fields read
    size_t tagsOffset = 0;              // where the first tag header starts in `data`
    std::vector<uint8_t> storage;       // decompressed files
    std::span<const uint8_t> borrowed;  // FWS: the caller's bytes (cut to the limit)
    bool truncated = false;             // the compressed stream ended or broke before its end
    bool limitReached = false;          // decompression stopped at the size limit
    bool lengthMismatch = false;        // declared length disagrees with the data we have

    [[nodiscard]] std::span<const uint8_t> data() const {
        return header.compression == Compression::None ? borrowed : std::span<const uint8_t>(storage);
    }
};

// Limit for decompressed data, see ParseOptions::maxMovieBytes.
[[nodiscard]] size_t decompressionLimit(uint32_t declaredLength, size_t maxMovieBytes);

// Fails with NotAMovie (no signature or no complete header), UnsupportedCompression
// or CorruptCompressedData (nothing usable could be decompressed).
[[nodiscard]] moviehost::Expected<Container, Error> openContainer(std::span<const uint8_t> file, size_t maxMovieBytes);

// The container's data as a file stored uncompressed: signature "FWS" and
// the length field set to its size (what ActionScript 3 reads back).
[[nodiscard]] std::vector<uint8_t> uncompressedFile(const Container& c);

}  // namespace swf
