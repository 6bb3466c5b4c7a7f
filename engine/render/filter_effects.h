// The eight display filters of the movie format and the scripts'
// displacement map, drawn on premultiplied ARGB32 pixels.
//
// A filter works on a picture that already has room around its content:
// filterReach() says how much, and the caller grows its surface (and any
// area it redraws) by that much. Parameters come as the file or a script
// gave them and are held to what the format's player accepts: blur 0..255
// movie pixels, passes 1..15, strength 0..255, matrices up to 15x15, with
// NaN read as 0. A filter that cannot be made sense of (a convolution
// matrix of the wrong size, a colour matrix of fewer than 20 entries)
// leaves the picture as it is.
//
// Shadows, glows and bevels: `inner` draws the effect inside the object
// only, `knockout` removes the object and keeps the effect, and a false
// `compositeSource` (the scripts' hideObject) draws the effect alone. Bevels
// are outer, inner, or with `onTop` both ("full"), drawn over the object.
// Strength multiplies the effect's alpha; the angle points from the object
// to its shadow (light comes from the other side).
#pragma once

#include "model/filter_margin.h"
#include "render/pixel_view.h"
#include "swf/filter.h"

#include <cstdint>
#include <span>
#include <vector>

namespace render {

// Device pixels per movie pixel: blur sizes and distances are movie
// (stage) pixels whatever the clip's own scale.
struct FilterScale {
    double x = 1.0;
    double y = 1.0;
    // Where the object's origin lies in the picture, device pixels: a
    // displacement map is placed from it.
    double originX = 0.0;
    double originY = 0.0;
    // The object's own box in the picture, device pixels: a displacement
    // reads what lies outside it by its mode. Empty means the whole picture.
    int32_t boxLeft = 0;
    int32_t boxTop = 0;
    int32_t boxRight = 0;
    int32_t boxBottom = 0;
};

// Pixels a filter may draw outside its input on each side.
struct FilterReach {
    static constexpr int32_t kMax = 8192;

    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    [[nodiscard]] bool isZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    friend bool operator==(const FilterReach&, const FilterReach&) = default;
};

// Lists longer than this apply their first MaxFilters only, which keeps
// the cost of a frame bounded.
constexpr size_t MaxFilters = 16;

[[nodiscard]] FilterReach filterReach(const swf::Filter& filter, FilterScale scale = {});
// A list's reach: each filter works on what the ones before it drew.
[[nodiscard]] FilterReach filterReach(std::span<const swf::Filter> filters, FilterScale scale = {});

// A list's reach in stage twips, for invalidation: generous by what
// rounding to device pixels can add at any zoom.
[[nodiscard]] model::FilterMargin filterMargin(const std::vector<swf::Filter>& filters);

// Applies one filter, or a list in order, in place.
void applyFilter(const swf::Filter& filter, const PixelView& pixels, FilterScale scale = {});
void applyFilters(std::span<const swf::Filter> filters, const PixelView& pixels, FilterScale scale = {});

}  // namespace render
