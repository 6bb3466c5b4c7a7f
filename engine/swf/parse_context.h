// State shared by the tag parsers while one movie loads (private to the parser).
#pragma once

#include "swf/bit_reader.h"
#include "swf/movie.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace swf {

class ParseContext {
public:
    ParseContext(Movie& movie, const ParseOptions& options) : m_movie(movie), m_options(options) {}

    [[nodiscard]] Movie& movie() { return m_movie; }
    [[nodiscard]] const ParseOptions& options() const { return m_options; }
    [[nodiscard]] uint8_t version() const { return m_movie.header.version; }

    void beginTag(uint16_t code, size_t offset) {
        m_tagCode = code;
        m_tagOffset = offset;
    }
    [[nodiscard]] uint16_t tagCode() const { return m_tagCode; }

    // Every problem goes through here (one place to break on).
    void problem(ErrorCode code);

    // Charges parsed-record memory against ParseOptions::maxRecordBytes.
    // False once the budget is gone; the parser then stops adding records.
    [[nodiscard]] bool charge(size_t bytes);
    // Reserves pixel memory for one image; false (and a problem) past the per-image or per-movie limit.
    [[nodiscard]] bool reserveImage(uint64_t width, uint64_t height);
    [[nodiscard]] bool stopped() const { return m_stopped; }

    // Adds a character; a duplicate id is a problem and the first stays.
    void define(uint16_t id, CharacterData data);

    std::vector<uint8_t> jpegTables;

private:
    Movie& m_movie;
    const ParseOptions& m_options;
    uint16_t m_tagCode = 0;
    size_t m_tagOffset = 0;
    size_t m_recordBytes = 0;
    bool m_stopped = false;
};

// Tag parsers. Each reads one tag body; a reader that failed afterwards means
// the tag was malformed and the caller drops what it produced.
void parseDefineShape(ParseContext& ctx, BitReader& r, uint8_t shapeVersion);
void parseDefineMorphShape(ParseContext& ctx, BitReader& r, uint8_t morphVersion);
void parseDefineBits(ParseContext& ctx, BitReader& r, uint16_t code);
void parseDefineBitsLossless(ParseContext& ctx, BitReader& r, uint8_t losslessVersion);
void parseDefineFont(ParseContext& ctx, BitReader& r, uint8_t fontVersion);
void parseDefineFontInfo(ParseContext& ctx, BitReader& r, uint8_t infoVersion);
void parseDefineText(ParseContext& ctx, BitReader& r, uint8_t textVersion);
void parseDefineEditText(ParseContext& ctx, BitReader& r);
void parseDefineButton(ParseContext& ctx, BitReader& r, uint8_t buttonVersion);
void parseDefineButtonCxform(ParseContext& ctx, BitReader& r);
// The place tag, or MalformedTag when its fields do not fit the tag.
[[nodiscard]] moviehost::Expected<PlaceObject, ErrorCode> parsePlaceObject(ParseContext& ctx, BitReader& r,
                                                                           uint8_t placeVersion);
// A FILTERLIST; false when an unknown filter stopped it (the rest of the record is then unreadable).
[[nodiscard]] bool readFilterList(ParseContext& ctx, BitReader& r, std::vector<Filter>& out);

// Shape pieces shared by shapes, morph shapes and glyphs.
[[nodiscard]] FillStyle readFillStyle(ParseContext& ctx, BitReader& r, uint8_t shapeVersion);
// Reads SHAPE records (with the given style bit widths already read by the
// caller or from `r`). `styles` may be null for glyphs and morph end edges.
[[nodiscard]] bool readShapeRecords(ParseContext& ctx, BitReader& r, uint8_t shapeVersion, Shape* styles,
                                    std::vector<ShapeRecord>& out);

}  // namespace swf
