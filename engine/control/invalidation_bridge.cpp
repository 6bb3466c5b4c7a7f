#include "control/invalidation_bridge.h"

#include "render/renderer.h"

#include <algorithm>

namespace control {

Invalidation invalidationFor(const model::ChangeSet& changes, const swf::Rect& stage, const RECT& position,
                             const model::StageLayout& layout) {
    Invalidation out;
    if (changes.everything) {
        out.everything = true;
        return out;
    }
    const render::PixelRect surface{position.left, position.top, position.right, position.bottom};
    const render::StageMapping mapping = render::mapStage(stage, surface, layout);
    for (const swf::Rect& changed : changes.rects) {
        const render::PixelRect px = render::toPixels(changed, mapping, surface);
        if (px.isEmpty())
            continue;
        const RECT rect{px.left, px.top, px.right, px.bottom};
        const bool seen = std::any_of(out.rects.begin(), out.rects.end(), [&](const RECT& r) {
            return r.left == rect.left && r.top == rect.top && r.right == rect.right && r.bottom == rect.bottom;
        });
        if (!seen)
            out.rects.push_back(rect);
    }
    return out;
}

void sendInvalidation(IOleInPlaceSiteWindowless* site, const Invalidation& invalidation) {
    if (site == nullptr || invalidation.empty())
        return;
    if (invalidation.everything) {
        site->InvalidateRect(nullptr, FALSE);
        return;
    }
    for (const RECT& rect : invalidation.rects)
        site->InvalidateRect(&rect, FALSE);
}

}  // namespace control
