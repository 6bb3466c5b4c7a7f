// libFuzzer target: the filter records of PlaceObject3 and button records,
// and DefineScalingGrid, from the parser through to the pixels. Every
// filter list is applied to a small picture, which must stay premultiplied
// (no channel above alpha); every grid is laid out at a few scales, and the
// content's box must map onto itself.
#include "model/scale_grid.h"
#include "render/filter_effects.h"
#include "swf/movie.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t Side = 24;

void filterPicture(const std::vector<swf::Filter>& filters) {
    for (const render::FilterScale scale : {render::FilterScale{1.0, 1.0}, render::FilterScale{0.05, 3.0}}) {
        const render::FilterReach reach = render::filterReach(filters, scale);
        if (reach.left < 0 || reach.top < 0 || reach.right < 0 || reach.bottom < 0 ||
            reach.left > render::FilterReach::kMax || reach.right > render::FilterReach::kMax)
            __builtin_trap();
        (void)render::filterMargin(filters);
        // A half transparent square in the middle of the picture.
        std::vector<uint32_t> pixels(size_t(Side) * Side, 0);
        for (int32_t y = 8; y < 16; ++y)
            for (int32_t x = 8; x < 16; ++x)
                pixels[size_t(y * Side + x)] = 0x80402010u;
        render::applyFilters(filters, render::PixelView{pixels.data(), Side, Side, Side}, scale);
        for (uint32_t p : pixels) {
            const uint32_t a = p >> 24;
            if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
                __builtin_trap();
        }
    }
}

void layOut(const swf::Rect& grid) {
    swf::Bounds content;
    content.add(swf::Point{-2000.0, -1000.0});
    content.add(swf::Point{3000.0, 4000.0});
    swf::Bounds g;
    g.add(swf::Point{double(grid.xMin), double(grid.yMin)});
    g.add(swf::Point{double(grid.xMax), double(grid.yMax)});
    for (double scale : {0.0, 1e-12, 0.1, 1.0, 3.0, -2.0, 1e9, double(NAN)}) {
        const auto map = model::sliceMap(g, content, scale, 1.0 / (scale + 0.5));
        if (!map)
            continue;
        const swf::Point low = map->map({content.xMin, content.yMin});
        const swf::Point high = map->map({content.xMax, content.yMax});
        if (std::fabs(low.x - content.xMin) > 1e-6 * 4000 || std::fabs(high.y - content.yMax) > 1e-6 * 4000 ||
            !(map->x.toMin <= map->x.toMax) || !(map->y.toMin <= map->y.toMax))
            __builtin_trap();
    }
}

void visit(const swf::Timeline& timeline) {
    for (const swf::Frame& frame : timeline.frames) {
        for (const swf::ControlTag& tag : frame.tags) {
            if (const auto* place = std::get_if<swf::PlaceObject>(&tag); place && place->filters)
                filterPicture(*place->filters);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    swf::ParseOptions options;
    options.maxMovieBytes = size_t(16) << 20;
    options.maxTotalImageBytes = size_t(16) << 20;
    options.maxRecordBytes = size_t(16) << 20;
    options.decodeImages = false;
    auto result = swf::parseMovie({data, size}, options);
    if (!result.has_value())
        return 0;
    const swf::Movie& movie = *result.value();
    visit(movie.root);
    movie.characters.forEach([](uint16_t, const swf::CharacterData& c) {
        if (const auto* sprite = std::get_if<swf::Sprite>(&c)) {
            visit(sprite->timeline);
            if (sprite->scalingGrid)
                layOut(*sprite->scalingGrid);
        } else if (const auto* button = std::get_if<swf::Button>(&c)) {
            for (const swf::ButtonRecord& record : button->records)
                filterPicture(record.filters);
            if (button->scalingGrid)
                layOut(*button->scalingGrid);
        }
    });
    return 0;
}
