// Helpers for renderer tests: a pixel buffer in either row order, movies
// built from hand-made characters, and shapes described by their geometry.
#pragma once

#include "render/canvas.h"
#include "render/paint_cache.h"
#include "render/painter.h"
#include "render/target.h"
#include "swf/movie.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rendertest {

// 0xAARRGGBB as the renderer stores it.
constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }
constexpr uint32_t Sentinel = 0x5A3C1E07;  // a value drawing never produces by chance

inline uint32_t alphaOf(uint32_t p) { return p >> 24; }
inline uint32_t redOf(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t greenOf(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blueOf(uint32_t p) { return p & 0xFF; }
std::string hex(uint32_t p);

class PixelBuffer {
public:
    PixelBuffer(int32_t width, int32_t height, render::RowOrder order = render::RowOrder::TopDown, int32_t padding = 0,
                uint32_t fill = Sentinel);

    // The buffer with the whole surface as clip and bounds unless given.
    [[nodiscard]] render::Target target() const;
    [[nodiscard]] render::Target target(std::vector<render::PixelRect> clip, render::PixelRect bounds) const;

    // Pixel at picture position (x, y), row 0 at the top whatever the order.
    [[nodiscard]] uint32_t at(int32_t x, int32_t y) const;
    // Raw memory row (0 = lowest address).
    [[nodiscard]] uint32_t memoryAt(int32_t x, int32_t memoryRow) const;
    void fill(uint32_t value);
    // Bytes after each row's pixels, checked by padIntact().
    [[nodiscard]] bool padIntact() const;

    [[nodiscard]] int32_t width() const { return m_width; }
    [[nodiscard]] int32_t height() const { return m_height; }

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_strideWords = 0;
    render::RowOrder m_order = render::RowOrder::TopDown;
    mutable std::vector<uint32_t> m_words;
};

// Builds a movie in memory.
class MovieBuilder {
public:
    explicit MovieBuilder(swf::Rect stage = {0, 2000, 0, 2000}, swf::Rgba background = {255, 255, 255, 255});

    MovieBuilder& add(uint16_t id, swf::CharacterData data);
    // Gives a character a linkage name.
    MovieBuilder& exportAs(const std::string& name, uint16_t id);
    // A CSMTextSettings tag for a text character.
    MovieBuilder& textSettings(uint16_t id, const swf::TextSettings& settings);
    // Appends a frame of control tags to the root timeline.
    MovieBuilder& frame(std::vector<swf::ControlTag> tags);
    [[nodiscard]] std::shared_ptr<const swf::Movie> build() const;

private:
    std::shared_ptr<swf::Movie> m_movie;
};

// A PlaceObject2 of a new object.
swf::PlaceObject place(uint16_t depth, uint16_t id, swf::Matrix m = {}, swf::ColorTransform cx = {},
                       uint16_t clipDepth = 0);
// A sprite of one frame holding `tags`.
swf::Sprite sprite(std::vector<swf::ControlTag> tags);

// Records for a closed polygon filled with fill style 1 (twips).
std::vector<swf::ShapeRecord> polygonRecords(const std::vector<swf::Point>& points, uint32_t fill = 1,
                                             uint32_t line = 0);
// A shape holding one rectangle with `style`.
swf::Shape rectShape(swf::Rect r, const swf::FillStyle& style);
swf::FillStyle solid(swf::Rgba c);
// An open polyline stroked with one line style.
swf::Shape lineShape(const std::vector<swf::Point>& points, const swf::LineStyle& style);

// Draws one character of `movie` at `matrix` (character twips -> stage twips)
// with the given transform. Returns the canvas' finish() result.
struct DrawCall {
    DrawCall(uint16_t character, swf::Matrix at = {}, render::ColorTransform transform = {}, uint16_t morphRatio = 0)
        : id(character), matrix(at), cx(transform), ratio(morphRatio) {}
    uint16_t id = 0;
    swf::Matrix matrix;
    render::ColorTransform cx;
    uint16_t ratio = 0;
};
render::DrawError drawCharacters(const std::shared_ptr<const swf::Movie>& movie, const render::Target& target,
                                 const std::vector<DrawCall>& calls, render::Aspect aspect = render::Aspect::Opaque,
                                 render::Quality quality = render::Quality::High);

cairo_matrix_t toCairo(const swf::Matrix& m);

}  // namespace rendertest
