// The renderer's entry point: draws a playing movie's current picture into a
// caller's pixel buffer.
//
//   render::Renderer renderer;
//   render::Target target{pixels, width, height, stride, RowOrder::BottomUp, clipRects, {0, 0, width, height}};
//   auto error = renderer.draw(stage, target, Aspect::Opaque, Quality::High);
//
// The renderer keeps caches (bitmap surfaces, gradients) for the movie it
// last drew; drawing another movie's stage starts new ones. Paths extend the
// stage's own geometry cache. One renderer serves one thread.
#pragma once

#include "render/canvas.h"
#include "render/paint_cache.h"
#include "render/settings.h"
#include "render/stage_mapping.h"
#include "render/target.h"

#include "model/stage.h"

#include <memory>

namespace render {

class Renderer {
public:
    explicit Renderer(const CacheLimits& limits = {}) : m_limits(limits) {}

    // Draws the stage into `target`: inside the clip only; the opaque aspect
    // paints the stage's background colour first, the transparent aspect
    // composes the movie over what the target holds.
    [[nodiscard]] DrawError draw(const model::Stage& stage, const Target& target, Aspect aspect, Quality quality);

    // Drops every cache (they fill again on the next draw).
    void clearCaches() {
        m_paints.reset();
        m_loadedPaints.clear();
    }
    // Cached layers drawn again without painting (cacheAsBitmap, filters).
    [[nodiscard]] uint64_t layerHits() const { return m_paints ? m_paints->layerHits() : 0; }

private:
    CacheLimits m_limits;
    static constexpr size_t MaxLoadedCaches = 8;
    std::unique_ptr<PaintCache> m_paints;  // of the movie last drawn
    PaintCacheSet m_loadedPaints;          // of movies loaded into its clips
};

// The pixels that stage twips `r` can touch under `mapping`: rounded outwards
// with one pixel more on each side for antialiasing, limited to `limit`.
// Empty for an empty rectangle or mapping. Use it to turn changed areas into
// invalidated ones.
[[nodiscard]] PixelRect toPixels(const swf::Rect& r, const StageMapping& mapping, const PixelRect& limit);

}  // namespace render
