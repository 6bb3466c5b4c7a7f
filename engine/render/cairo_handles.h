// Owning handles for cairo objects: unique_ptr with cairo's own destroy
// functions, so every early return releases what was made.
#pragma once

#include <cairo.h>

#include <memory>

namespace render {

struct CairoDestroy {
    void operator()(cairo_t* p) const { cairo_destroy(p); }
    void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};

using ContextHandle = std::unique_ptr<cairo_t, CairoDestroy>;
using SurfaceHandle = std::unique_ptr<cairo_surface_t, CairoDestroy>;
using PatternHandle = std::unique_ptr<cairo_pattern_t, CairoDestroy>;

// Shared ownership for objects kept in caches and handed to painters.
[[nodiscard]] inline std::shared_ptr<cairo_surface_t> shareSurface(cairo_surface_t* p) { return {p, CairoDestroy{}}; }
[[nodiscard]] inline std::shared_ptr<cairo_pattern_t> sharePattern(cairo_pattern_t* p) { return {p, CairoDestroy{}}; }

}  // namespace render
