// One frame's drawing surface: the caller's pixels wrapped for cairo, the
// clip set, the background painted, the stage mapped into the bounds.
//
//   auto canvas = Canvas::open(target, stage, background, settings);
//   if (!canvas) ... canvas.error() ...
//   Painter painter(canvas.value(), geometry, paints);  ... draw ...
//   canvas.value().finish();
//
// Bottom-up buffers are wrapped with a negative stride starting at their last
// row, so cairo sees the picture the right way up and clip rectangles mean
// the same pixels in both row orders.
#pragma once

#include "render/cairo_handles.h"
#include "render/settings.h"
#include "render/stage_mapping.h"
#include "render/target.h"
#include "swf/types.h"

#include "moviehost/expected.h"

#include <cairo.h>

#include <memory>
#include <vector>

namespace render {

enum class DrawError : uint8_t {
    None,
    InvalidTarget,  // the buffer description is unusable (see validate())
    CairoFailed,    // cairo could not wrap the buffer or ran out of memory
};

class Canvas {
public:
    // Prepares a frame. In the opaque aspect the background (alpha forced to
    // 255) fills the clip at once; in the transparent aspect nothing is
    // touched until finish().
    [[nodiscard]] static moviehost::Expected<Canvas, DrawError> open(const Target& target, const swf::Rect& stage,
                                                                     swf::Rgba background, Aspect aspect,
                                                                     Quality quality,
                                                                     const model::StageLayout& layout = {});

    Canvas(Canvas&&) noexcept = default;
    Canvas& operator=(Canvas&&) noexcept = default;
    ~Canvas();

    [[nodiscard]] cairo_t* context() const { return m_context.get(); }
    [[nodiscard]] const StageMapping& mapping() const { return m_mapping; }
    // The pixels drawing may change, as rectangles inside the surface.
    [[nodiscard]] const std::vector<PixelRect>& clip() const { return m_clip; }
    [[nodiscard]] PixelRect clipBox() const { return m_clipBox; }
    [[nodiscard]] Quality quality() const { return m_quality; }
    // False when there is nothing to draw the movie into (empty clip or stage).
    [[nodiscard]] bool canDraw() const { return !m_clip.empty() && !m_mapping.isEmpty(); }

    // Composes the movie onto the target (transparent aspect) and flushes.
    // Reports a cairo failure met while drawing; the target may then be partly drawn.
    [[nodiscard]] DrawError finish();

private:
    Canvas() = default;

    SurfaceHandle m_surface;
    ContextHandle m_context;
    StageMapping m_mapping;
    std::vector<PixelRect> m_clip;
    PixelRect m_clipBox;
    Aspect m_aspect = Aspect::Opaque;
    Quality m_quality = Quality::High;
    bool m_grouped = false;
    bool m_finished = false;
};

}  // namespace render
