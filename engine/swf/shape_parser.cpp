// DefineShape 1-4, DefineMorphShape 1-2 and the SHAPE records they share with glyphs.
#include "swf/parse_context.h"
#include "swf/records.h"

namespace swf {

namespace {

constexpr size_t RecordsPerCharge = 1024;

Gradient readGradient(BitReader& r, uint8_t shapeVersion, bool focal) {
    Gradient g;
    r.align();
    unsigned spread = r.ub(2);
    unsigned interpolation = r.ub(2);
    unsigned count = r.ub(4);
    g.spread = spread == 1 ? SpreadMode::Reflect : spread == 2 ? SpreadMode::Repeat : SpreadMode::Pad;
    g.interpolation = interpolation == 1 ? InterpolationMode::LinearRgb : InterpolationMode::Normal;
    g.stops.reserve(count);
    for (unsigned i = 0; i < count && !r.failed(); ++i) {
        GradientStop stop;
        stop.ratio = r.u8();
        stop.color = shapeVersion >= 3 ? readRgba(r) : readRgb(r);
        g.stops.push_back(stop);
    }
    if (focal)
        g.focalPoint = r.fixed8();
    return g;
}

// The flags of LINESTYLE2, shared by DefineShape4 and DefineMorphShape2.
template <typename Style>
void readLineStyle2Flags(BitReader& r, Style& ls) {
    auto cap = [](unsigned v) { return v == 1 ? CapStyle::None : v == 2 ? CapStyle::Square : CapStyle::Round; };
    ls.startCap = cap(r.ub(2));
    unsigned join = r.ub(2);
    ls.join = join == 1 ? JoinStyle::Bevel : join == 2 ? JoinStyle::Miter : JoinStyle::Round;
    ls.hasFill = r.flag();
    ls.noHScale = r.flag();
    ls.noVScale = r.flag();
    ls.pixelHinting = r.flag();
    (void)r.ub(5);
    ls.noClose = r.flag();
    ls.endCap = cap(r.ub(2));
    if (ls.join == JoinStyle::Miter)
        ls.miterLimit = r.fixed8();
}

// Extended counts (0xFF then UI16) exist from DefineShape2 on.
uint32_t readStyleCount(BitReader& r, uint8_t shapeVersion) {
    uint32_t count = r.u8();
    if (count == 0xFF && shapeVersion >= 2)
        count = r.u16();
    return count;
}

LineStyle readLineStyle(ParseContext& ctx, BitReader& r, uint8_t shapeVersion) {
    LineStyle ls;
    ls.width = r.u16();
    if (shapeVersion < 4) {
        ls.color = shapeVersion >= 3 ? readRgba(r) : readRgb(r);
        return ls;
    }
    readLineStyle2Flags(r, ls);
    if (ls.hasFill)
        ls.fill = readFillStyle(ctx, r, shapeVersion);
    else
        ls.color = readRgba(r);
    return ls;
}

// Appends one style group (fill and line arrays) to a shape.
bool readStyleGroup(ParseContext& ctx, BitReader& r, Shape& shape) {
    uint32_t fills = readStyleCount(r, shape.version);
    if (!ctx.charge(size_t(fills) * sizeof(FillStyle)))
        return false;
    for (uint32_t i = 0; i < fills && !r.failed(); ++i)
        shape.fillStyles.push_back(readFillStyle(ctx, r, shape.version));
    uint32_t lines = readStyleCount(r, shape.version);
    if (!ctx.charge(size_t(lines) * sizeof(LineStyle)))
        return false;
    for (uint32_t i = 0; i < lines && !r.failed(); ++i)
        shape.lineStyles.push_back(readLineStyle(ctx, r, shape.version));
    return !r.failed();
}

// Maps a record's style index to the flattened 1-based index.
struct StyleMap {
    Shape* shape = nullptr;  // receives new style groups; null for glyphs and morph shapes
    bool validate = true;
    uint32_t fillBase = 0;
    uint32_t lineBase = 0;
    uint32_t fillCount = 0;
    uint32_t lineCount = 0;
    bool reported = false;

    uint32_t map(ParseContext& ctx, uint32_t index, uint32_t base, uint32_t count) {
        if (index == 0 || !validate)
            return index;
        if (index > count) {
            if (!reported)
                ctx.problem(ErrorCode::InvalidStyleIndex);
            reported = true;
            return 0;
        }
        return base + index;
    }
};

bool readRecords(ParseContext& ctx, BitReader& r, uint8_t shapeVersion, StyleMap& styles,
                 std::vector<ShapeRecord>& out) {
    r.align();
    unsigned fillBits = r.ub(4);
    unsigned lineBits = r.ub(4);
    size_t sinceCharge = 0;
    while (!r.failed()) {
        if (++sinceCharge == RecordsPerCharge) {
            sinceCharge = 0;
            if (!ctx.charge(RecordsPerCharge * sizeof(ShapeRecord)))
                return false;
        }
        bool isEdge = r.flag();
        if (!isEdge) {
            unsigned flags = r.ub(5);
            if (flags == 0)
                return !r.failed();  // EndShapeRecord
            StyleChange sc;
            bool newStyles = flags & 0x10;
            sc.hasLine = flags & 0x08;
            sc.hasFill1 = flags & 0x04;
            sc.hasFill0 = flags & 0x02;
            sc.hasMove = flags & 0x01;
            if (sc.hasMove) {
                unsigned bits = r.ub(5);
                sc.moveX = r.sb(bits);
                sc.moveY = r.sb(bits);
            }
            uint32_t fill0 = sc.hasFill0 ? r.ub(fillBits) : 0;
            uint32_t fill1 = sc.hasFill1 ? r.ub(fillBits) : 0;
            uint32_t line = sc.hasLine ? r.ub(lineBits) : 0;
            if (newStyles) {
                if (!styles.shape)
                    return false;  // only shapes may bring new styles
                Shape& shape = *styles.shape;
                styles.fillBase = uint32_t(shape.fillStyles.size());
                styles.lineBase = uint32_t(shape.lineStyles.size());
                if (!readStyleGroup(ctx, r, shape))
                    return false;
                styles.fillCount = uint32_t(shape.fillStyles.size()) - styles.fillBase;
                styles.lineCount = uint32_t(shape.lineStyles.size()) - styles.lineBase;
                shape.fillGroupStarts.push_back(styles.fillBase);
                shape.lineGroupStarts.push_back(styles.lineBase);
                sc.newStyles = true;
                fillBits = r.ub(4);
                lineBits = r.ub(4);
            }
            // Indices in a record that brings new styles select from the new arrays.
            sc.fill0 = styles.map(ctx, fill0, styles.fillBase, styles.fillCount);
            sc.fill1 = styles.map(ctx, fill1, styles.fillBase, styles.fillCount);
            sc.line = styles.map(ctx, line, styles.lineBase, styles.lineCount);
            out.emplace_back(sc);
        } else {
            Edge e;
            bool straight = r.flag();
            unsigned bits = r.ub(4) + 2;
            if (straight) {
                e.curved = false;
                if (r.flag()) {
                    e.anchorDx = r.sb(bits);
                    e.anchorDy = r.sb(bits);
                } else if (r.flag()) {
                    e.anchorDy = r.sb(bits);
                } else {
                    e.anchorDx = r.sb(bits);
                }
            } else {
                e.curved = true;
                e.controlDx = r.sb(bits);
                e.controlDy = r.sb(bits);
                e.anchorDx = r.sb(bits);
                e.anchorDy = r.sb(bits);
            }
            out.emplace_back(e);
        }
    }
    return false;
}

MorphGradient readMorphGradient(BitReader& r) {
    MorphGradient g;
    uint8_t head = r.u8();
    unsigned spread = head >> 6;
    g.spread = spread == 1 ? SpreadMode::Reflect : spread == 2 ? SpreadMode::Repeat : SpreadMode::Pad;
    g.interpolation = ((head >> 4) & 3) == 1 ? InterpolationMode::LinearRgb : InterpolationMode::Normal;
    unsigned count = head & 0x0F;
    for (unsigned i = 0; i < count && !r.failed(); ++i) {
        MorphGradientStop s;
        s.startRatio = r.u8();
        s.startColor = readRgba(r);
        s.endRatio = r.u8();
        s.endColor = readRgba(r);
        g.stops.push_back(s);
    }
    return g;
}

MorphFillStyle readMorphFillStyle(BitReader& r) {
    MorphFillStyle f;
    uint8_t type = r.u8();
    switch (type) {
    case 0x00:
        f.kind = FillKind::Solid;
        f.startColor = readRgba(r);
        f.endColor = readRgba(r);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        f.kind = type == 0x10 ? FillKind::LinearGradient : FillKind::RadialGradient;
        f.startMatrix = readMatrix(r);
        f.endMatrix = readMatrix(r);
        f.gradient = readMorphGradient(r);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.kind = (type & 1) ? FillKind::ClippedBitmap : FillKind::RepeatingBitmap;
        f.smoothed = type < 0x42;
        f.bitmapId = r.u16();
        f.startMatrix = readMatrix(r);
        f.endMatrix = readMatrix(r);
        break;
    default:
        r.fail();  // unknown fill type: its length is unknown
        break;
    }
    return f;
}

MorphLineStyle readMorphLineStyle(BitReader& r, uint8_t morphVersion) {
    MorphLineStyle ls;
    ls.startWidth = r.u16();
    ls.endWidth = r.u16();
    if (morphVersion < 2) {
        ls.startColor = readRgba(r);
        ls.endColor = readRgba(r);
        return ls;
    }
    readLineStyle2Flags(r, ls);
    if (ls.hasFill) {
        ls.fill = readMorphFillStyle(r);
    } else {
        ls.startColor = readRgba(r);
        ls.endColor = readRgba(r);
    }
    return ls;
}

}  // namespace

FillStyle readFillStyle(ParseContext& ctx, BitReader& r, uint8_t shapeVersion) {
    (void)ctx;
    FillStyle f;
    uint8_t type = r.u8();
    switch (type) {
    case 0x00:
        f.kind = FillKind::Solid;
        f.color = shapeVersion >= 3 ? readRgba(r) : readRgb(r);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        f.kind = type == 0x10   ? FillKind::LinearGradient
                 : type == 0x12 ? FillKind::RadialGradient
                                : FillKind::FocalGradient;
        f.matrix = readMatrix(r);
        f.gradient = readGradient(r, shapeVersion, type == 0x13);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.kind = (type & 1) ? FillKind::ClippedBitmap : FillKind::RepeatingBitmap;
        f.smoothed = type < 0x42;
        f.bitmapId = r.u16();
        f.matrix = readMatrix(r);
        break;
    default:
        r.fail();  // unknown fill type: the rest of the record cannot be read
        break;
    }
    return f;
}

bool readShapeRecords(ParseContext& ctx, BitReader& r, uint8_t shapeVersion, Shape* styles,
                      std::vector<ShapeRecord>& out) {
    StyleMap map;
    map.shape = styles;
    if (styles) {
        map.fillCount = uint32_t(styles->fillStyles.size());
        map.lineCount = uint32_t(styles->lineStyles.size());
    } else {
        map.fillCount = 1;  // glyphs: style 1 is the glyph's colour
        map.lineCount = 0;
    }
    return readRecords(ctx, r, shapeVersion, map, out);
}

void parseDefineShape(ParseContext& ctx, BitReader& r, uint8_t shapeVersion) {
    uint16_t id = r.u16();
    Shape shape;
    shape.version = shapeVersion;
    shape.bounds = readRect(r);
    shape.edgeBounds = shape.bounds;
    if (shapeVersion >= 4) {
        shape.edgeBounds = readRect(r);
        uint8_t flags = r.u8();
        shape.nonZeroWinding = flags & 0x04;
        shape.usesNonScalingStrokes = flags & 0x02;
        shape.usesScalingStrokes = flags & 0x01;
    }
    if (!readStyleGroup(ctx, r, shape))
        return r.fail();
    std::vector<ShapeRecord> records;
    if (!readShapeRecords(ctx, r, shapeVersion, &shape, records))
        return r.fail();
    shape.records = std::move(records);
    ctx.define(id, std::move(shape));
}

void parseDefineMorphShape(ParseContext& ctx, BitReader& r, uint8_t morphVersion) {
    uint16_t id = r.u16();
    MorphShape m;
    m.version = morphVersion;
    m.startBounds = readRect(r);
    m.endBounds = readRect(r);
    m.startEdgeBounds = m.startBounds;
    m.endEdgeBounds = m.endBounds;
    if (morphVersion >= 2) {
        m.startEdgeBounds = readRect(r);
        m.endEdgeBounds = readRect(r);
        uint8_t flags = r.u8();
        m.usesNonScalingStrokes = flags & 0x02;
        m.usesScalingStrokes = flags & 0x01;
    }
    uint32_t offset = r.u32();
    size_t endEdgesAt = r.position() + offset;
    uint32_t fills = readStyleCount(r, 2);
    if (!ctx.charge(size_t(fills) * sizeof(MorphFillStyle)))
        return r.fail();
    for (uint32_t i = 0; i < fills && !r.failed(); ++i)
        m.fillStyles.push_back(readMorphFillStyle(r));
    uint32_t lines = readStyleCount(r, 2);
    if (!ctx.charge(size_t(lines) * sizeof(MorphLineStyle)))
        return r.fail();
    for (uint32_t i = 0; i < lines && !r.failed(); ++i)
        m.lineStyles.push_back(readMorphLineStyle(r, morphVersion));
    if (r.failed())
        return;

    StyleMap startMap;
    startMap.fillCount = uint32_t(m.fillStyles.size());
    startMap.lineCount = uint32_t(m.lineStyles.size());
    if (!readRecords(ctx, r, 3, startMap, m.startRecords))
        return r.fail();
    // The offset says where the end edges start; a bad offset (some writers
    // leave 0) falls back to right after the start edges.
    if (offset != 0 && endEdgesAt < r.size())
        r.seek(endEdgesAt);
    StyleMap endMap;
    endMap.validate = false;
    if (!readRecords(ctx, r, 3, endMap, m.endRecords))
        return r.fail();
    ctx.define(id, std::move(m));
}

}  // namespace swf
