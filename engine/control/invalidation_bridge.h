// Turns what changed on the stage into the site's invalidations. Changed
// areas (stage twips) become surface pixels through the very mapping drawing
// uses (the stage shown whole in the object's position rectangle, centred),
// rounded outwards with a pixel to spare for antialiasing and limited to that
// rectangle. A change of everything (a new movie, a new background colour)
// invalidates the whole object; nothing changed, nothing is invalidated.
#pragma once

#include "model/change_set.h"
#include "model/stage_layout.h"

#include "platform/ole.h"

#include <vector>

namespace control {

struct Invalidation {
    bool everything = false;
    std::vector<RECT> rects;  // distinct, none empty; unused when everything

    [[nodiscard]] bool empty() const { return !everything && rects.empty(); }
};

[[nodiscard]] Invalidation invalidationFor(const model::ChangeSet& changes, const swf::Rect& stage,
                                           const RECT& position, const model::StageLayout& layout = {});

// One InvalidateRect per rectangle, or one with no rectangle for everything.
void sendInvalidation(IOleInPlaceSiteWindowless* site, const Invalidation& invalidation);

}  // namespace control
