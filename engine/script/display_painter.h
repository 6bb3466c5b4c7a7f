// What scripts need of a renderer, which the script layer does not link:
// drawing a display object into a bitmap (BitmapData.draw) and running
// filters over pixels (BitmapData.applyFilter). The program that links both
// sets them; unset, those calls do nothing.
#pragma once

#include "model/display_object.h"
#include "model/filter_margin.h"

#include "swf/filter.h"
#include "swf/types.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <span>

namespace script {

struct DisplayPainter {
    // Paints the object's content into `cr` (its clip kept); `toDevice`
    // maps the object's pixels to the context's.
    std::function<void(cairo_t* cr, const model::DisplayObject& object, const swf::Matrix& toDevice,
                       const swf::ColorTransform& cx)>
        paint;
    // Filters premultiplied ARGB pixels in place (stride in pixels).
    std::function<void(std::span<const swf::Filter> filters, uint32_t* pixels, int32_t width, int32_t height,
                       int32_t stride)>
        filter;
    // How far filters reach past what they filter (generateFilterRect).
    model::FilterMarginFn margin = nullptr;
};

}  // namespace script
