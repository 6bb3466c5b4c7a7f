// What changed on the stage since the last collection, in stage twips (the
// movie's own coordinates, the stage rectangle of the header included).
#pragma once

#include "swf/types.h"

#include <vector>

namespace model {

struct ChangeSet {
    // Redraw the whole surface, letterbox included: the first collection, or
    // the background changed. `rects` still lists the stage rectangle and the
    // differences found.
    bool everything = false;
    // Old and new bounds of what was added, removed, moved, recoloured, hidden,
    // reordered or changed its content. None is empty; they may overlap.
    std::vector<swf::Rect> rects;

    [[nodiscard]] bool empty() const { return !everything && rects.empty(); }
};

}  // namespace model
