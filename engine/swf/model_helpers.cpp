// Small behaviour of the data model types.
#include "swf/character.h"
#include "swf/error.h"
#include "swf/font.h"
#include "swf/timeline.h"
#include "swf/types.h"

#include <algorithm>

namespace swf {

namespace {
uint8_t clampChannel(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }
}  // namespace

Rgba ColorTransform::apply(Rgba c) const {
    return {clampChannel(c.r * rMult / 256 + rAdd), clampChannel(c.g * gMult / 256 + gAdd),
            clampChannel(c.b * bMult / 256 + bAdd), clampChannel(c.a * aMult / 256 + aAdd)};
}

const char* describe(ErrorCode code) {
    switch (code) {
    case ErrorCode::None:
        return "no error";
    case ErrorCode::NotAMovie:
        return "not a movie file";
    case ErrorCode::UnsupportedCompression:
        return "unsupported compression";
    case ErrorCode::CorruptCompressedData:
        return "corrupt compressed data";
    case ErrorCode::ReadFailed:
        return "the file could not be read";
    case ErrorCode::Truncated:
        return "the data ends early";
    case ErrorCode::LimitExceeded:
        return "a size limit was reached";
    case ErrorCode::MalformedTag:
        return "malformed tag";
    case ErrorCode::LengthMismatch:
        return "the declared file length disagrees with the data";
    case ErrorCode::DuplicateCharacter:
        return "character id defined twice";
    case ErrorCode::UndefinedCharacter:
        return "reference to an undefined character";
    case ErrorCode::WrongCharacterKind:
        return "reference to a character of the wrong kind";
    case ErrorCode::InvalidStyleIndex:
        return "invalid style index";
    case ErrorCode::TagNotAllowedHere:
        return "tag not allowed here";
    case ErrorCode::UnknownFilter:
        return "unknown filter";
    case ErrorCode::UnsupportedImage:
        return "unsupported image format";
    case ErrorCode::ImageTooLarge:
        return "image too large";
    case ErrorCode::ImageDecodeFailed:
        return "corrupt image data";
    }
    return "unknown error";
}

std::optional<uint32_t> Timeline::findLabel(const std::string& name) const {
    for (const Label& label : labels) {
        if (label.name == name)
            return label.frame;
    }
    return std::nullopt;
}

int32_t Font::glyphForCode(uint16_t code) const {
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i].code == code)
            return int32_t(i);
    }
    return -1;
}

bool Dictionary::add(uint16_t id, CharacterData data) { return m_characters.try_emplace(id, std::move(data)).second; }

}  // namespace swf
