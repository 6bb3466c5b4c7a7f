// Edge model -> fill contours and stroke polylines.
#include "swf/geometry.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace swf {

void Bounds::add(Point p) {
    if (empty) {
        xMin = xMax = p.x;
        yMin = yMax = p.y;
        empty = false;
        return;
    }
    xMin = std::min(xMin, p.x);
    xMax = std::max(xMax, p.x);
    yMin = std::min(yMin, p.y);
    yMax = std::max(yMax, p.y);
}

void Bounds::add(const Bounds& other) {
    if (other.empty)
        return;
    add(Point{other.xMin, other.yMin});
    add(Point{other.xMax, other.yMax});
}

namespace {

constexpr double HairlineHalfWidth = 10.0;  // a hairline is one pixel (20 twips) wide

struct GeoEdge {
    Point from;
    Point control;
    Point to;
    bool curved = false;

    [[nodiscard]] GeoEdge reversed() const { return {to, control, from, curved}; }
};

int64_t clampCoordinate(int64_t v) {
    const auto limit = int64_t(CoordinateLimit);
    return std::clamp(v, -limit, limit);
}

// Links edges end to start into closed contours, appended to `path`.
void linkContours(const std::vector<GeoEdge>& edges, Path& path) {
    std::map<std::pair<double, double>, std::vector<size_t>> byStart;
    for (size_t i = 0; i < edges.size(); ++i)
        byStart[{edges[i].from.x, edges[i].from.y}].push_back(i);
    std::vector<bool> used(edges.size(), false);

    auto takeFrom = [&](Point p) -> std::optional<size_t> {
        auto it = byStart.find({p.x, p.y});
        if (it == byStart.end())
            return std::nullopt;
        auto& list = it->second;
        while (!list.empty()) {
            size_t i = list.back();
            list.pop_back();
            if (!used[i])
                return i;
        }
        return std::nullopt;
    };

    for (size_t first = 0; first < edges.size(); ++first) {
        if (used[first])
            continue;
        const Point start = edges[first].from;
        path.push_back({PathVerb::MoveTo, start, {}});
        size_t current = first;
        for (;;) {
            used[current] = true;
            const GeoEdge& e = edges[current];
            if (e.curved)
                path.push_back({PathVerb::QuadTo, e.to, e.control});
            else
                path.push_back({PathVerb::LineTo, e.to, {}});
            if (e.to == start)
                break;
            auto next = takeFrom(e.to);
            if (!next)
                break;  // an open contour: the fill closes it with a straight line
            current = *next;
        }
        path.push_back({PathVerb::Close, {}, {}});
    }
}

void addPathBounds(const Path& path, Bounds& bounds) {
    for (const PathCommand& c : path) {
        if (c.verb == PathVerb::Close)
            continue;
        bounds.add(c.to);
        if (c.verb == PathVerb::QuadTo)
            bounds.add(c.control);
    }
}

// Walks shape records, giving each edge with absolute points and the styles
// in force. `onGroup` is called before a new style group starts.
template <typename OnEdge, typename OnMove, typename OnGroup>
void walkRecords(const std::vector<ShapeRecord>& records, OnEdge onEdge, OnMove onMove, OnGroup onGroup) {
    int64_t x = 0;
    int64_t y = 0;
    uint32_t fill0 = 0;
    uint32_t fill1 = 0;
    uint32_t line = 0;
    for (const ShapeRecord& record : records) {
        if (const auto* sc = std::get_if<StyleChange>(&record)) {
            if (sc->newStyles) {
                onGroup();
                fill0 = fill1 = line = 0;
            }
            if (sc->hasFill0)
                fill0 = sc->fill0;
            if (sc->hasFill1)
                fill1 = sc->fill1;
            if (sc->hasLine)
                line = sc->line;
            if (sc->hasMove) {
                x = clampCoordinate(sc->moveX);
                y = clampCoordinate(sc->moveY);
                onMove();
            }
            continue;
        }
        const Edge& e = std::get<Edge>(record);
        GeoEdge g;
        g.from = {double(x), double(y)};
        g.curved = e.curved;
        if (e.curved) {
            int64_t cx = clampCoordinate(x + e.controlDx);
            int64_t cy = clampCoordinate(y + e.controlDy);
            x = clampCoordinate(cx + e.anchorDx);
            y = clampCoordinate(cy + e.anchorDy);
            g.control = {double(cx), double(cy)};
        } else {
            x = clampCoordinate(x + e.anchorDx);
            y = clampCoordinate(y + e.anchorDy);
        }
        g.to = {double(x), double(y)};
        onEdge(g, fill0, fill1, line);
    }
}

}  // namespace

ShapeGeometry buildGeometry(const Shape& shape) {
    ShapeGeometry out;
    out.nonZeroWinding = shape.nonZeroWinding;

    std::map<uint32_t, std::vector<GeoEdge>> fillEdges;  // by 0-based style
    std::map<uint32_t, Path> strokes;                    // by 0-based style
    uint32_t lastLine = 0;                               // 1-based style of the previous edge, 0 after a move
    Point lastEnd;

    auto flushGroup = [&] {
        for (auto& [style, edges] : fillEdges) {
            ShapePath p;
            p.kind = PaintKind::Fill;
            p.style = style;
            linkContours(edges, p.path);
            addPathBounds(p.path, out.bounds);
            if (!p.path.empty())
                out.paths.push_back(std::move(p));
        }
        for (auto& [style, path] : strokes) {
            if (path.empty())
                continue;
            const LineStyle& ls = shape.lineStyles[style];
            // Close a polyline that returns to its start, so it gets a join there instead of caps.
            Path closed;
            Point subStart;
            for (size_t i = 0; i < path.size(); ++i) {
                if (path[i].verb == PathVerb::MoveTo)
                    subStart = path[i].to;
                closed.push_back(path[i]);
                bool subEnds = i + 1 == path.size() || path[i + 1].verb == PathVerb::MoveTo;
                if (subEnds && path[i].verb != PathVerb::MoveTo && path[i].to == subStart && !ls.noClose)
                    closed.push_back({PathVerb::Close, {}, {}});
            }
            Bounds b;
            addPathBounds(closed, b);
            double half = std::max(ls.width / 2.0, HairlineHalfWidth);
            if (!b.empty) {
                out.bounds.add(Point{b.xMin - half, b.yMin - half});
                out.bounds.add(Point{b.xMax + half, b.yMax + half});
            }
            out.paths.push_back({PaintKind::Stroke, style, std::move(closed)});
        }
        fillEdges.clear();
        strokes.clear();
        lastLine = 0;
    };

    const auto fillCount = uint32_t(shape.fillStyles.size());
    const auto lineCount = uint32_t(shape.lineStyles.size());
    walkRecords(
        shape.records,
        [&](const GeoEdge& e, uint32_t fill0, uint32_t fill1, uint32_t line) {
            bool degenerate = !e.curved && e.from == e.to;
            if (fill0 != fill1 && !degenerate) {
                if (fill1 != 0 && fill1 <= fillCount)
                    fillEdges[fill1 - 1].push_back(e);
                if (fill0 != 0 && fill0 <= fillCount)
                    fillEdges[fill0 - 1].push_back(e.reversed());
            }
            if (line != 0 && line <= lineCount) {
                Path& path = strokes[line - 1];
                if (line != lastLine || !(lastEnd == e.from))
                    path.push_back({PathVerb::MoveTo, e.from, {}});
                if (e.curved)
                    path.push_back({PathVerb::QuadTo, e.to, e.control});
                else
                    path.push_back({PathVerb::LineTo, e.to, {}});
                lastLine = line;
                lastEnd = e.to;
            } else {
                lastLine = 0;
            }
        },
        [&] { lastLine = 0; }, flushGroup);
    flushGroup();
    return out;
}

Path buildGlyphPath(const Glyph& glyph) {
    std::vector<GeoEdge> edges;
    walkRecords(
        glyph.records,
        [&](const GeoEdge& e, uint32_t fill0, uint32_t fill1, uint32_t) {
            if (fill0 == fill1 || (!e.curved && e.from == e.to))
                return;
            if (fill1 != 0)
                edges.push_back(e);
            if (fill0 != 0)
                edges.push_back(e.reversed());
        },
        [] {}, [] {});
    Path path;
    linkContours(edges, path);
    return path;
}

}  // namespace swf
