// Finds what changed on the stage by comparing snapshots of the visible
// leaves taken at each collection.
//
// A snapshot lists, in paint order, every leaf whose ancestors and itself
// are visible: its identity, character, full matrix and colour transform,
// ratio, content version, mask flag, blend mode and stage bounds (limited by
// the masks above it, which is cheap and exact enough). Masks are listed
// too, flagged, since moving one changes what shows. What a script drew
// into a clip is listed as a leaf of the clip, its content the drawing's
// version. Comparing two lists: a leaf only in the new one adds its bounds, one only in the old one its
// old bounds, one that differs (or moved in paint order relative to the
// others) both. Bounds under an object with filters grow by the filters'
// margin. Matching is by identity through an index each object keeps
// of its place in the previous snapshot, so the diff is linear.
#pragma once

#include "model/change_set.h"
#include "model/display_object.h"
#include "model/filter_margin.h"

#include "swf/geometry.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace model {

class ChangeTracker {
public:
    // `everything`: report the whole stage rectangle as well (first
    // collection, new background). Past maxRects rectangles, their union.
    [[nodiscard]] ChangeSet collect(const DisplayObject& root, bool everything, const swf::Rect& stage,
                                    size_t maxRects);
    // Grows the bounds of everything under an object with filters by their
    // margin; without it, filters are taken to draw inside the bounds.
    void setFilterMargin(FilterMarginFn margin) { m_filterMargin = margin; }

private:
    struct Leaf {
        uint64_t id = 0;
        uint32_t previous = 0;  // index in the previous snapshot, kNone when new
        uint16_t characterId = 0;
        uint16_t ratio = 0;
        uint32_t content = 0;
        uint64_t style = 0;  // the style versions of the leaf and its ancestors, summed
        bool mask = false;
        swf::BlendMode blend = swf::BlendMode::Normal;
        swf::Matrix matrix;
        swf::ColorTransform color;
        swf::Bounds bounds;
    };
    static constexpr uint32_t kNone = UINT32_MAX;

    void walk(const DisplayObject& object, const swf::Matrix& parentMatrix, const swf::ColorTransform& parentColor,
              const std::optional<swf::Bounds>& clip, bool inMask, swf::Bounds* maskArea, FilterMargin margin,
              uint64_t style);
    [[nodiscard]] static bool same(const Leaf& a, const Leaf& b);

    std::vector<Leaf> m_previous;
    std::vector<Leaf> m_current;
    std::vector<bool> m_matched;
    FilterMarginFn m_filterMargin = nullptr;
    // Inside an object placed in 3D: where the stage shows it, which every
    // leaf in it is listed with (their flat matrices do not say).
    std::optional<swf::Bounds> m_projectedArea;
    uint64_t m_serial = 1;  // objects start at 0: never in a snapshot
};

}  // namespace model
