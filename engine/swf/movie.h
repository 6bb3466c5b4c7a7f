// A loaded movie: header, dictionary, root timeline, and the problems met.
//
//   auto loaded = swf::parseMovie(bytes);            // or parseMovieFile(path)
//   if (!loaded) ... loaded.error().code ...         // not a movie at all
//   const swf::Movie& movie = *loaded.value();
//   movie.characters.find<swf::Shape>(id), movie.root.frames[i].tags ...
//
// A damaged file still loads what was complete: movie.problems lists what was
// skipped or replaced, and movie.truncated says the data ended early.
#pragma once

#include "swf/character.h"
#include "swf/error.h"
#include "swf/timeline.h"
#include "swf/types.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace swf {

enum class Compression : uint8_t { None, Zlib, Lzma };  // FWS, CWS, ZWS

struct Header {
    Compression compression = Compression::None;
    uint8_t version = 0;
    uint32_t declaredLength = 0;  // FileLength: the whole uncompressed file including the 8-byte prefix
    Rect stage;                   // twips; normally xMin = yMin = 0
    uint16_t frameRate88 = 0;     // 8.8 fixed point frames per second as stored
    uint16_t declaredFrameCount = 0;

    [[nodiscard]] double frameRate() const { return frameRate88 / 256.0; }
};

struct FileAttributes {
    bool present = false;
    bool actionScript3 = false;  // the movie's scripts are ActionScript 3 (DoABC); its DoActions do not run
    bool useNetwork = false;
    bool hasMetadata = false;
    bool useDirectBlit = false;
    bool useGpu = false;
};

struct Problem {
    ErrorCode code = ErrorCode::None;
    uint16_t tagCode = 0;  // the tag in which it happened
    size_t offset = 0;     // byte offset of that tag's header in the uncompressed file
};

struct Movie {
    // Which machine runs the movie's scripts: FileAttributes decides, as
    // the player decided; DoABC blocks of a movie without the flag never run.
    [[nodiscard]] bool usesActionScript3() const { return attributes.actionScript3; }

    Header header;
    FileAttributes attributes;
    std::optional<Rgba> backgroundColor;  // the first SetBackgroundColor of the root timeline
    Dictionary characters;
    Timeline root;
    std::map<std::string, uint16_t> exports;        // ExportAssets: name -> character id
    std::map<uint16_t, TextSettings> textSettings;  // CSMTextSettings by text character id
    bool hasAbc = false;                            // DoABC tags were present (they run only with actionScript3)
    bool truncated = false;                         // the data ended before End
    std::vector<Problem> problems;                  // at most ParseOptions::maxProblems, first ones kept
    size_t decodedImageBytes = 0;                   // pixel memory held by bitmaps
    // ActionScript 3 movies only (LoaderInfo.bytes): the whole file as if
    // stored uncompressed.
    std::vector<uint8_t> file;
};

// Limits that keep a hostile file from taking unbounded memory or time.
struct ParseOptions {
    // Decompressed movie data is capped at the smaller of this and
    // 2 * declared length + 1 MiB, so a small file that inflates without end
    // stops early, while a file whose declared length is a little short still
    // loads. Uncompressed files larger than this are cut to it.
    size_t maxMovieBytes = size_t(256) << 20;
    // Per image: width * height; the file format's own limit is 16,777,215 pixels.
    uint64_t maxImagePixels = 16777216;
    // All decoded bitmaps of one movie together.
    size_t maxTotalImageBytes = size_t(1) << 30;
    // Rough bound on what parsed records may take in memory (shape records,
    // glyphs, action bytes...), besides images. Past it parsing stops.
    size_t maxRecordBytes = size_t(1) << 30;
    size_t maxProblems = 256;
    // Decode bitmaps while loading (false: bitmap characters keep error None
    // but no pixels; useful for tools that only inspect structure).
    bool decodeImages = true;
};

[[nodiscard]] moviehost::Expected<std::shared_ptr<const Movie>, Error> parseMovie(std::span<const uint8_t> file,
                                                                                  const ParseOptions& options = {});

// Reads a file (at most options.maxMovieBytes of it) and parses it.
[[nodiscard]] moviehost::Expected<std::shared_ptr<const Movie>, Error> parseMovieFile(const std::string& path,
                                                                                      const ParseOptions& options = {});

}  // namespace swf
