#include "shape_builder.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace swfwriter {

Matrix FillStyle::gradientBox(int32_t x, int32_t y, int32_t width, int32_t height) {
    Matrix m;
    m.a = width / 32768.0;
    m.d = height / 32768.0;
    m.tx = x + width / 2;
    m.ty = y + height / 2;
    return m;
}

uint32_t ShapeBuilder::addFill(const FillStyle& f) {
    m_groups.back().fills.push_back(f);
    return uint32_t(m_groups.back().fills.size());
}

uint32_t ShapeBuilder::addLine(const LineStyle& l) {
    m_groups.back().lines.push_back(l);
    return uint32_t(m_groups.back().lines.size());
}

ShapeBuilder::Record& ShapeBuilder::pendingChange() {
    // A record that brings new styles stays alone: its own style indices are
    // written with the old group's bit widths, so selections go in the next one.
    if (m_records.empty() || m_records.back().edge || m_records.back().newGroup >= 0)
        m_records.push_back(Record{});
    return m_records.back();
}

ShapeBuilder& ShapeBuilder::newStyleGroup() {
    m_groups.push_back(Group{});
    m_records.push_back(Record{});
    m_records.back().newGroup = int(m_groups.size() - 1);
    return *this;
}

ShapeBuilder& ShapeBuilder::setFill0(uint32_t index) {
    pendingChange().fill0 = index;
    return *this;
}

ShapeBuilder& ShapeBuilder::setFill1(uint32_t index) {
    pendingChange().fill1 = index;
    return *this;
}

ShapeBuilder& ShapeBuilder::setLine(uint32_t index) {
    pendingChange().line = index;
    return *this;
}

void ShapeBuilder::extend(int32_t x, int32_t y) {
    if (!m_hasBounds) {
        m_bounds = {x, x, y, y};
        m_hasBounds = true;
        return;
    }
    m_bounds.xMin = std::min(m_bounds.xMin, x);
    m_bounds.xMax = std::max(m_bounds.xMax, x);
    m_bounds.yMin = std::min(m_bounds.yMin, y);
    m_bounds.yMax = std::max(m_bounds.yMax, y);
}

ShapeBuilder& ShapeBuilder::moveTo(int32_t x, int32_t y) {
    pendingChange().move = std::make_pair(x, y);
    m_x = x;
    m_y = y;
    extend(x, y);
    return *this;
}

ShapeBuilder& ShapeBuilder::lineTo(int32_t x, int32_t y) {
    Record r;
    r.edge = true;
    r.adx = x - m_x;
    r.ady = y - m_y;
    m_records.push_back(r);
    m_x = x;
    m_y = y;
    extend(x, y);
    return *this;
}

ShapeBuilder& ShapeBuilder::curveTo(int32_t controlX, int32_t controlY, int32_t anchorX, int32_t anchorY) {
    Record r;
    r.edge = true;
    r.curved = true;
    r.cdx = controlX - m_x;
    r.cdy = controlY - m_y;
    r.adx = anchorX - controlX;
    r.ady = anchorY - controlY;
    m_records.push_back(r);
    m_x = anchorX;
    m_y = anchorY;
    extend(controlX, controlY);
    extend(anchorX, anchorY);
    return *this;
}

ShapeBuilder& ShapeBuilder::rectangle(int32_t x, int32_t y, int32_t width, int32_t height) {
    return moveTo(x, y).lineTo(x + width, y).lineTo(x + width, y + height).lineTo(x, y + height).lineTo(x, y);
}

ShapeBuilder& ShapeBuilder::circle(int32_t cx, int32_t cy, int32_t radius) {
    // Eight 45-degree arcs; each control point sits where the tangents at the
    // arc's ends meet, at radius / cos(22.5 degrees).
    const double pi = 3.14159265358979323846;
    const double controlRadius = radius / std::cos(pi / 8);
    moveTo(cx + radius, cy);
    for (int i = 1; i <= 8; ++i) {
        double mid = (i - 0.5) * pi / 4;
        double end = i * pi / 4;
        curveTo(cx + int32_t(std::lround(controlRadius * std::cos(mid))),
                cy + int32_t(std::lround(controlRadius * std::sin(mid))),
                cx + int32_t(std::lround(radius * std::cos(end))), cy + int32_t(std::lround(radius * std::sin(end))));
    }
    return *this;
}

Rect ShapeBuilder::bounds() const {
    Rect b = m_bounds;
    uint16_t widest = 0;
    for (const Group& g : m_groups)
        for (const LineStyle& l : g.lines)
            widest = std::max(widest, l.width);
    b.xMin -= widest / 2;
    b.yMin -= widest / 2;
    b.xMax += widest / 2;
    b.yMax += widest / 2;
    return b;
}

void ShapeBuilder::writeFillStyle(BitWriter& w, const FillStyle& f, int version) {
    w.u8(f.type);
    if (f.type == 0x00) {
        version >= 3 ? w.rgba(f.color) : w.rgb(f.color);
    } else if (f.type == 0x10 || f.type == 0x12 || f.type == 0x13) {
        w.matrix(f.matrix);
        w.ub(2, f.spread).ub(2, f.interpolation).ub(4, uint32_t(f.stops.size()));
        for (const GradientStop& s : f.stops) {
            w.u8(s.ratio);
            version >= 3 ? w.rgba(s.color) : w.rgb(s.color);
        }
        if (f.type == 0x13)
            w.fixed8(f.focalPoint);
    } else {
        w.u16(f.bitmapId);
        w.matrix(f.matrix);
    }
}

void ShapeBuilder::writeStyles(BitWriter& w, const Group& g, int version) {
    auto count = [&](size_t n) {
        if (n >= 0xFF && version >= 2) {
            w.u8(0xFF).u16(uint16_t(n));
        } else {
            w.u8(uint8_t(n));
        }
    };
    count(g.fills.size());
    for (const FillStyle& f : g.fills)
        writeFillStyle(w, f, version);
    count(g.lines.size());
    for (const LineStyle& l : g.lines) {
        w.u16(l.width);
        if (version < 4) {
            version >= 3 ? w.rgba(l.color) : w.rgb(l.color);
            continue;
        }
        w.ub(2, l.startCap).ub(2, l.join).flag(l.fill.has_value()).flag(l.noHScale).flag(l.noVScale);
        w.flag(l.pixelHinting).ub(5, 0).flag(l.noClose).ub(2, l.endCap);
        if (l.join == 2)
            w.fixed8(l.miterLimit);
        if (l.fill)
            writeFillStyle(w, *l.fill, version);
        else
            w.rgba(l.color);
    }
}

void ShapeBuilder::writeRecords(BitWriter& w, int version, bool withStyles) const {
    auto groupBits = [&](size_t group) {
        const Group& g = m_groups[group];
        return std::make_pair(BitWriter::bitsUnsigned(uint32_t(g.fills.size())),
                              BitWriter::bitsUnsigned(uint32_t(g.lines.size())));
    };
    auto [fillBits, lineBits] = withStyles ? groupBits(0) : std::make_pair(1u, 0u);
    if (!withStyles) {
        // Glyph and morph edges: size the fields for whatever indices the records use.
        for (const Record& r : m_records) {
            if (r.fill0)
                fillBits = std::max(fillBits, BitWriter::bitsUnsigned(*r.fill0));
            if (r.fill1)
                fillBits = std::max(fillBits, BitWriter::bitsUnsigned(*r.fill1));
            if (r.line)
                lineBits = std::max(lineBits, BitWriter::bitsUnsigned(*r.line));
        }
    }
    w.align();
    w.ub(4, fillBits).ub(4, lineBits);
    for (const Record& r : m_records) {
        if (r.edge) {
            w.flag(true);
            if (r.curved) {
                unsigned bits = std::max({BitWriter::bitsSigned(r.cdx), BitWriter::bitsSigned(r.cdy),
                                          BitWriter::bitsSigned(r.adx), BitWriter::bitsSigned(r.ady), 2u});
                w.flag(false).ub(4, bits - 2).sb(bits, r.cdx).sb(bits, r.cdy).sb(bits, r.adx).sb(bits, r.ady);
            } else {
                unsigned bits = std::max({BitWriter::bitsSigned(r.adx), BitWriter::bitsSigned(r.ady), 2u});
                w.flag(true).ub(4, bits - 2);
                if (r.adx != 0 && r.ady != 0) {
                    w.flag(true).sb(bits, r.adx).sb(bits, r.ady);
                } else if (r.adx == 0) {
                    w.flag(false).flag(true).sb(bits, r.ady);
                } else {
                    w.flag(false).flag(false).sb(bits, r.adx);
                }
            }
            continue;
        }
        bool newStyles = withStyles && r.newGroup >= 0;
        if (!newStyles && !r.line && !r.fill0 && !r.fill1 && !r.move)
            continue;  // six zero bits would read as the end of the shape
        w.flag(false).flag(newStyles).flag(r.line.has_value()).flag(r.fill1.has_value()).flag(r.fill0.has_value());
        w.flag(r.move.has_value());
        if (r.move) {
            unsigned bits = std::max(BitWriter::bitsSigned(r.move->first), BitWriter::bitsSigned(r.move->second));
            w.ub(5, bits).sb(bits, r.move->first).sb(bits, r.move->second);
        }
        if (r.fill0)
            w.ub(fillBits, *r.fill0);
        if (r.fill1)
            w.ub(fillBits, *r.fill1);
        if (r.line)
            w.ub(lineBits, *r.line);
        if (newStyles) {
            writeStyles(w, m_groups[size_t(r.newGroup)], version);
            std::tie(fillBits, lineBits) = groupBits(size_t(r.newGroup));
            w.ub(4, fillBits).ub(4, lineBits);
        }
    }
    w.ub(6, 0);  // end of shape
    w.align();
}

std::vector<uint8_t> ShapeBuilder::shapeWithStyle(int version) const {
    BitWriter w;
    writeStyles(w, m_groups[0], version);
    writeRecords(w, version, true);
    return w.data();
}

std::vector<uint8_t> ShapeBuilder::shapeOnly() const {
    BitWriter w;
    writeRecords(w, 3, false);
    return w.data();
}

}  // namespace swfwriter
