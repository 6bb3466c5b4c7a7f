// Script drawing: styles and paths kept in the file's shape model.
#include "model/drawing.h"

#include <algorithm>
#include <cmath>

namespace model {

namespace {

double coordinate(double v) {
    return std::isfinite(v) ? std::clamp(v, -swf::CoordinateLimit, swf::CoordinateLimit) : 0.0;
}

swf::Point point(double x, double y) { return {coordinate(x), coordinate(y)}; }

swf::Point lastPoint(const swf::Path& path) {
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (it->verb != swf::PathVerb::Close)
            return it->to;
    }
    return {};
}

}  // namespace

void Drawing::changed() {
    ++m_version;
    extension.reset();
}

void Drawing::beginFill(const swf::FillStyle& style, std::shared_ptr<const FillBitmap> bitmap) {
    endFill();
    if (!roomFor(1))
        return;
    ++m_commands;
    m_styles.fillStyles.push_back(style);
    m_bitmaps.push_back(std::move(bitmap));
    m_fill = uint32_t(m_styles.fillStyles.size() - 1);
    // Lines drawn from now on lie above this fill.
    m_strokePath.reset();
    m_contourStart = m_pen;
}

void Drawing::endFill() {
    if (!m_fill)
        return;
    closeFill();
    m_fill.reset();
    m_fillPath.reset();
    m_nonZero = false;
}

void Drawing::setNonZeroWinding(bool nonZero) {
    if (!m_fill || m_nonZero == nonZero)
        return;
    m_nonZero = nonZero;
    if (swf::Path* path = fillPath()) {
        m_geometry.paths[*m_fillPath].nonZeroWinding = nonZero;
        if (!path->empty())
            changed();
    }
}

const swf::FillStyle* Drawing::openFill() const { return m_fill ? &m_styles.fillStyles[*m_fill] : nullptr; }

std::shared_ptr<const FillBitmap> Drawing::openFillBitmap() const { return m_fill ? m_bitmaps[*m_fill] : nullptr; }

void Drawing::copyFrom(const Drawing& other) {
    if (&other == this)
        return;
    const uint32_t version = this->version();
    *this = other;
    extension.reset();
    m_version = version + 1;
}

void Drawing::closeFill() {
    swf::Path* path = fillPath();
    if (!path || path->empty())
        return;
    const swf::Point end = lastPoint(*path);
    if (end != m_contourStart && roomFor(1)) {
        ++m_commands;
        path->push_back({swf::PathVerb::LineTo, m_contourStart, {}});
        changed();
    }
}

void Drawing::lineStyle(const std::optional<swf::LineStyle>& style) {
    m_strokePath.reset();
    if (!style || !roomFor(1)) {
        m_line.reset();
        return;
    }
    ++m_commands;
    m_styles.lineStyles.push_back(*style);
    m_lineBitmaps.emplace_back();
    m_line = uint32_t(m_styles.lineStyles.size() - 1);
}

void Drawing::lineGradientStyle(const swf::FillStyle& fill, std::shared_ptr<const FillBitmap> bitmap) {
    if (!m_line)
        return;
    swf::LineStyle style = m_styles.lineStyles[*m_line];
    style.hasFill = true;
    style.fill = fill;
    lineStyle(style);
    if (m_line && *m_line + 1 == m_styles.lineStyles.size())
        m_lineBitmaps.back() = std::move(bitmap);
}

swf::Path* Drawing::fillPath() { return m_fillPath ? &m_geometry.paths[*m_fillPath].path : nullptr; }

swf::Path* Drawing::strokePath() { return m_strokePath ? &m_geometry.paths[*m_strokePath].path : nullptr; }

void Drawing::moveTo(double x, double y) {
    // A fill's contour closes before the pen jumps.
    if (m_fill)
        closeFill();
    m_pen = point(x, y);
    m_contourStart = m_pen;
}

void Drawing::lineTo(double x, double y) { addEdge({swf::PathVerb::LineTo, point(x, y), {}}); }

void Drawing::curveTo(double controlX, double controlY, double x, double y) {
    addEdge({swf::PathVerb::QuadTo, point(x, y), point(controlX, controlY)});
}

void Drawing::addEdge(const swf::PathCommand& command) {
    const swf::Point from = m_pen;
    m_pen = command.to;
    // Each part may need a MoveTo besides the edge.
    if (!roomFor(4))
        return;
    if (m_fill) {
        if (!m_fillPath) {
            m_fillPath = m_geometry.paths.size();
            m_geometry.paths.push_back({swf::PaintKind::Fill, *m_fill, {}, m_nonZero});
        }
        swf::Path& path = *fillPath();
        if (path.empty() || lastPoint(path) != from) {
            path.push_back({swf::PathVerb::MoveTo, from, {}});
            m_contourStart = from;
            ++m_commands;
        }
        path.push_back(command);
        ++m_commands;
        m_geometry.bounds.add(from);
        m_geometry.bounds.add(command.to);
        if (command.verb == swf::PathVerb::QuadTo)
            m_geometry.bounds.add(command.control);
    }
    if (m_line) {
        if (!m_strokePath) {
            m_strokePath = m_geometry.paths.size();
            m_geometry.paths.push_back({swf::PaintKind::Stroke, *m_line, {}});
        }
        swf::Path& path = *strokePath();
        if (path.empty() || lastPoint(path) != from) {
            path.push_back({swf::PathVerb::MoveTo, from, {}});
            ++m_commands;
        }
        path.push_back(command);
        ++m_commands;
        // Half the pen, at least a pixel, around every point.
        const double half = std::max(m_styles.lineStyles[*m_line].width / 2.0, 20.0);
        auto widen = [this, half](swf::Point p) {
            m_geometry.bounds.add(swf::Point{p.x - half, p.y - half});
            m_geometry.bounds.add(swf::Point{p.x + half, p.y + half});
        };
        widen(from);
        widen(command.to);
        if (command.verb == swf::PathVerb::QuadTo)
            widen(command.control);
    }
    if (m_fill || m_line)
        changed();
}

void Drawing::setPixelSnapping(PixelSnapping snapping) {
    if (snapping == m_snapping)
        return;
    m_snapping = snapping;
    changed();
}

void Drawing::clear() {
    // The version keeps counting up across the reset, so trackers see it.
    const uint32_t version = this->version();
    *this = Drawing{};
    m_version = version + 1;
}

const FillBitmap* Drawing::bitmapOf(uint32_t fillStyle) const {
    return fillStyle < m_bitmaps.size() ? m_bitmaps[fillStyle].get() : nullptr;
}

const FillBitmap* Drawing::lineBitmapOf(uint32_t lineStyle) const {
    return lineStyle < m_lineBitmaps.size() ? m_lineBitmaps[lineStyle].get() : nullptr;
}

uint32_t Drawing::version() const {
    uint64_t v = m_version;
    for (const auto* list : {&m_bitmaps, &m_lineBitmaps}) {
        for (const auto& b : *list) {
            if (b)
                v += b->version();
        }
    }
    return uint32_t(v);
}

}  // namespace model
