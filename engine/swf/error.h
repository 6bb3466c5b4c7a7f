// Error codes of the parser layer.
//
// Fatal errors stop a load (the file is not a movie, its compressed data cannot
// be opened). Everything else is a Problem: recorded on the movie, the damaged
// piece left out or replaced by a documented neutral value, parsing goes on.
#pragma once

#include "moviehost/expected.h"

#include <cstddef>
#include <cstdint>

namespace swf {

enum class ErrorCode : uint8_t {
    None = 0,
    // fatal for a load
    NotAMovie,               // no FWS/CWS/ZWS signature, or no complete header
    UnsupportedCompression,  // ZWS while liblzma was not available at build time
    CorruptCompressedData,   // the compressed stream is broken before any tag data
    ReadFailed,              // the file could not be read
    // problems recorded on a loaded movie
    Truncated,           // data ended inside a tag or before End; what was complete is kept
    LimitExceeded,       // a size, count or memory budget was reached; the rest is dropped
    MalformedTag,        // a tag's fields do not fit its length or are inconsistent
    LengthMismatch,      // the header's file length disagrees with the data
    DuplicateCharacter,  // a character id was defined again; the first definition stays
    UndefinedCharacter,  // a tag refers to an id that was never defined
    WrongCharacterKind,  // a tag refers to an id of an unsuitable kind
    InvalidStyleIndex,   // a shape record names a style that does not exist; read as none
    TagNotAllowedHere,   // e.g. a definition or a sprite inside a sprite; skipped
    UnknownFilter,       // a filter list holds an unknown filter; the rest of the list is dropped
    UnsupportedImage,    // image data in a format we do not decode (GIF, unknown)
    ImageTooLarge,       // width * height above the per-image or per-movie limit
    ImageDecodeFailed,   // JPEG/PNG/zlib image data is corrupt
};

// A short English description of the code, for error information.
[[nodiscard]] const char* describe(ErrorCode code);

struct Error {
    ErrorCode code = ErrorCode::None;
    size_t offset = 0;  // byte offset into the (decompressed) file where it was noticed
};

}  // namespace swf
