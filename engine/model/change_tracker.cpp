// Snapshot diffing for invalidation.
#include "model/change_tracker.h"

#include "model/display_list.h"
#include "model/movie_clip.h"
#include "model/transform.h"

#include <algorithm>

namespace model {

void ChangeTracker::walk(const DisplayObject& object, const swf::Matrix& parentMatrix,
                         const swf::ColorTransform& parentColor, const std::optional<swf::Bounds>& clip, bool inMask,
                         swf::Bounds* maskArea, FilterMargin margin, uint64_t style) {
    if (!object.isVisible())
        return;
    style += object.styleVersion() + object.filterInputsVersion();
    // A script mask is listed as a mask: moving it changes what shows.
    inMask = inMask || object.isScriptMask();
    if (const auto* filters = object.filters(); m_filterMargin && filters && !filters->empty())
        margin += m_filterMargin(*filters);
    const swf::Matrix matrix = multiply(parentMatrix, object.matrix());
    struct ProjectedArea {
        std::optional<swf::Bounds>& area;
        bool set = false;
        ~ProjectedArea() {
            if (set)
                area.reset();
        }
    } projected{m_projectedArea};
    if (object.placement3D() && !m_projectedArea) {
        m_projectedArea = object.stageBounds();
        projected.set = true;
    }
    const swf::ColorTransform color = concat(parentColor, object.colorTransform());
    const DisplayList* list = object.children();
    // A leaf, or what a script drew into a container (below its children):
    // either is listed under the object's identity.
    auto addLeaf = [&](uint32_t content, swf::Bounds bounds, const std::optional<swf::Bounds>& within) {
        Leaf leaf;
        leaf.id = object.id();
        leaf.previous = object.m_snapshotSerial == m_serial ? object.m_snapshotIndex : kNone;
        leaf.characterId = object.characterId();
        leaf.ratio = object.ratio();
        leaf.content = content;
        leaf.style = style;
        leaf.mask = inMask;
        leaf.blend = object.blendMode();
        leaf.matrix = matrix;
        leaf.color = color;
        leaf.bounds = m_projectedArea ? *m_projectedArea : bounds;
        if (!leaf.bounds.empty) {
            leaf.bounds.xMin -= margin.left;
            leaf.bounds.yMin -= margin.top;
            leaf.bounds.xMax += margin.right;
            leaf.bounds.yMax += margin.bottom;
        }
        if (within)
            leaf.bounds = intersect(leaf.bounds, *within);
        if (maskArea)
            maskArea->add(leaf.bounds);
        object.m_snapshotSerial = m_serial + 1;
        object.m_snapshotIndex = uint32_t(m_current.size());
        m_current.push_back(leaf);
    };
    if (!list) {
        addLeaf(object.contentVersion(), object.boundsThrough(matrix), clip);
        return;
    }
    // A scroll window moves the content and limits what of it shows.
    std::optional<swf::Bounds> inner = clip;
    swf::Matrix content = matrix;
    if (object.scrollRect()) {
        const swf::Bounds window = object.boundsThrough(matrix);
        inner = clip ? intersect(*clip, window) : window;
        content = multiply(matrix, object.contentMatrix());
    }
    // What a script drew and the opaque background, as one leaf: the
    // background follows the bounds of everything in the clip.
    const auto* movieClip = object.as<MovieClip>();
    const Drawing* drawing = movieClip ? movieClip->drawingIfAny() : nullptr;
    if (object.opaqueBackground())
        addLeaf(drawing ? drawing->version() : 0, object.boundsThrough(matrix), clip);
    else if (drawing)
        addLeaf(drawing->version(), transformBounds(content, drawing->geometry().bounds), inner);
    // Masks active in this list: the area a mask leaves open, until its clip depth.
    struct Active {
        int32_t until = 0;
        swf::Bounds area;
    };
    std::vector<Active> masks;
    for (const auto& [depth, child] : *list) {
        masks.erase(std::remove_if(masks.begin(), masks.end(), [d = depth](const Active& a) { return a.until < d; }),
                    masks.end());
        std::optional<swf::Bounds> effective = inner;
        for (const Active& a : masks)
            effective = effective ? intersect(*effective, a.area) : a.area;
        if (child->isMask()) {
            swf::Bounds area;
            walk(*child, content, color, effective, true, &area, margin, style);
            if (child->isVisible())
                masks.push_back({child->clipDepth(), area});
            if (maskArea)
                maskArea->add(area);
        } else {
            walk(*child, content, color, effective, inMask, maskArea, margin, style);
        }
    }
}

bool ChangeTracker::same(const Leaf& a, const Leaf& b) {
    return a.characterId == b.characterId && a.ratio == b.ratio && a.content == b.content && a.style == b.style &&
           a.mask == b.mask && a.blend == b.blend && a.matrix == b.matrix && a.color == b.color &&
           a.bounds.empty == b.bounds.empty &&
           (a.bounds.empty || (a.bounds.xMin == b.bounds.xMin && a.bounds.yMin == b.bounds.yMin &&
                               a.bounds.xMax == b.bounds.xMax && a.bounds.yMax == b.bounds.yMax));
}

ChangeSet ChangeTracker::collect(const DisplayObject& root, bool everything, const swf::Rect& stage, size_t maxRects) {
    m_current.clear();
    walk(root, swf::Matrix{}, swf::ColorTransform{}, std::nullopt, false, nullptr, FilterMargin{}, 0);
    ++m_serial;

    ChangeSet changes;
    changes.everything = everything;
    auto add = [&changes](const swf::Bounds& b) {
        if (b.empty)
            return;
        swf::Rect r = coveringRect(b);
        if (r.isEmpty() || (!changes.rects.empty() && changes.rects.back() == r))
            return;
        changes.rects.push_back(r);
    };
    if (everything && !stage.isEmpty())
        changes.rects.push_back(stage);

    m_matched.assign(m_previous.size(), false);
    int64_t latest = -1;  // highest previous index met so far, to see reordering
    for (const Leaf& leaf : m_current) {
        const uint32_t p = leaf.previous;
        if (p == kNone || p >= m_previous.size() || m_previous[p].id != leaf.id) {
            add(leaf.bounds);
            continue;
        }
        m_matched[p] = true;
        const bool reordered = int64_t(p) < latest;
        latest = std::max<int64_t>(latest, p);
        if (reordered || !same(m_previous[p], leaf)) {
            add(m_previous[p].bounds);
            add(leaf.bounds);
        }
    }
    for (size_t p = 0; p < m_previous.size(); ++p) {
        if (!m_matched[p])
            add(m_previous[p].bounds);
    }
    std::swap(m_previous, m_current);

    if (changes.rects.size() > maxRects) {
        swf::Bounds all;
        for (const swf::Rect& r : changes.rects)
            all.add(toBounds(r));
        changes.rects.assign(1, coveringRect(all));
    }
    return changes;
}

}  // namespace model
