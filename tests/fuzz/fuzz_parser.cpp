// libFuzzer target: parse a movie, then build the geometry of every shape,
// every morph shape at a few ratios and every glyph.
#include "swf/geometry.h"
#include "swf/movie.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    swf::ParseOptions options;
    options.maxMovieBytes = size_t(16) << 20;
    options.maxTotalImageBytes = size_t(64) << 20;
    options.maxRecordBytes = size_t(64) << 20;
    auto result = swf::parseMovie({data, size}, options);
    if (!result.has_value())
        return 0;
    result.value()->characters.forEach([](uint16_t, const swf::CharacterData& c) {
        if (const auto* shape = std::get_if<swf::Shape>(&c)) {
            (void)swf::buildGeometry(*shape);
        } else if (const auto* morph = std::get_if<swf::MorphShape>(&c)) {
            for (uint16_t ratio : {uint16_t(0), uint16_t(21845), uint16_t(65535)})
                (void)swf::buildGeometry(swf::morphShapeAt(*morph, ratio));
        } else if (const auto* font = std::get_if<swf::Font>(&c)) {
            for (const swf::Glyph& glyph : font->glyphs)
                (void)swf::buildGlyphPath(glyph);
        }
    });
    return 0;
}
