#include "movie_writer.h"

#include <zlib.h>
#ifdef SWFWRITER_HAVE_LZMA
#include <lzma.h>
#endif

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace swfwriter {

namespace {

void writeMorphFill(BitWriter& w, const MorphFill& f) {
    w.u8(f.type);
    if (f.type == 0x00) {
        w.rgba(f.startColor).rgba(f.endColor);
    } else if (f.type == 0x10 || f.type == 0x12 || f.type == 0x13) {
        w.matrix(f.startMatrix).matrix(f.endMatrix);
        w.u8(uint8_t(f.spread << 6 | f.interpolation << 4 | (f.stops.size() & 0x0F)));
        for (const auto& s : f.stops)
            w.u8(s.startRatio).rgba(s.startColor).u8(s.endRatio).rgba(s.endColor);
    } else {
        w.u16(f.bitmapId).matrix(f.startMatrix).matrix(f.endMatrix);
    }
}

}  // namespace

// ---- Movie

MovieWriter::MovieWriter(MovieOptions options) : TimelineWriter(options.version), m_options(options) {}

uint16_t MovieWriter::defineTag(uint16_t code, uint16_t id, const std::vector<uint8_t>& rest) {
    BitWriter w;
    w.u16(id).bytes(rest);
    tag(code, w.data());
    return id;
}

uint16_t MovieWriter::defineShape(const ShapeBuilder& shape, int version) {
    static constexpr uint16_t codes[] = {2, 22, 32, 83};
    BitWriter w;
    w.rect(shape.bounds());
    if (version >= 4)
        w.rect(shape.bounds()).u8(0);
    w.bytes(shape.shapeWithStyle(version));
    return defineTag(codes[std::clamp(version, 1, 4) - 1], nextId(), w.data());
}

uint16_t MovieWriter::rectangle(int32_t x, int32_t y, int32_t width, int32_t height, Color fill) {
    ShapeBuilder s;
    s.setFill1(s.addSolidFill(fill)).rectangle(x, y, width, height);
    return defineShape(s, 3);
}

uint16_t MovieWriter::circle(int32_t cx, int32_t cy, int32_t radius, Color fill) {
    ShapeBuilder s;
    s.setFill1(s.addSolidFill(fill)).circle(cx, cy, radius);
    return defineShape(s, 3);
}

uint16_t MovieWriter::gradientRectangle(int32_t x, int32_t y, int32_t width, int32_t height,
                                        std::vector<GradientStop> stops, bool radial) {
    ShapeBuilder s;
    Matrix box = FillStyle::gradientBox(x, y, width, height);
    uint32_t fill =
        s.addFill(radial ? FillStyle::radial(box, std::move(stops)) : FillStyle::linear(box, std::move(stops)));
    s.setFill1(fill).rectangle(x, y, width, height);
    return defineShape(s, 3);
}

uint16_t MovieWriter::defineMorphShape(const MorphShapeSpec& spec) {
    BitWriter w;
    w.rect(spec.start.bounds()).rect(spec.end.bounds());
    if (spec.version >= 2)
        w.rect(spec.start.bounds()).rect(spec.end.bounds()).u8(0);
    BitWriter styles;
    styles.u8(uint8_t(spec.fills.size()));
    for (const MorphFill& f : spec.fills)
        writeMorphFill(styles, f);
    styles.u8(uint8_t(spec.lines.size()));
    for (const MorphLine& l : spec.lines) {
        styles.u16(l.startWidth).u16(l.endWidth);
        if (spec.version < 2) {
            styles.rgba(l.startColor).rgba(l.endColor);
            continue;
        }
        styles.ub(2, l.startCap).ub(2, l.join).flag(l.fill.has_value()).flag(l.noHScale).flag(l.noVScale);
        styles.flag(l.pixelHinting).ub(5, 0).flag(l.noClose).ub(2, l.endCap);
        if (l.join == 2)
            styles.fixed8(l.miterLimit);
        if (l.fill)
            writeMorphFill(styles, *l.fill);
        else
            styles.rgba(l.startColor).rgba(l.endColor);
    }
    auto startEdges = spec.start.shapeOnly();
    // Offset from after the offset field to the end edges.
    w.u32(uint32_t(styles.size() + startEdges.size()));
    w.bytes(styles.data()).bytes(startEdges).bytes(spec.end.shapeOnly());
    return defineTag(spec.version >= 2 ? 84 : 46, nextId(), w.data());
}

uint16_t MovieWriter::defineBitsLossless(const Image& image, bool withAlpha) {
    std::vector<uint8_t> raw(size_t(image.width) * image.height * 4);
    for (size_t i = 0; i < size_t(image.width) * image.height; ++i) {
        const uint8_t* p = image.rgba.data() + 4 * i;
        uint8_t a = withAlpha ? p[3] : 255;
        // DefineBitsLossless2 stores premultiplied colour.
        auto mul = [a, withAlpha](uint8_t c) { return withAlpha ? uint8_t((c * a + 127) / 255) : c; };
        raw[4 * i] = withAlpha ? a : 0xFF;
        raw[4 * i + 1] = mul(p[0]);
        raw[4 * i + 2] = mul(p[1]);
        raw[4 * i + 3] = mul(p[2]);
    }
    return defineBitsLosslessRaw(withAlpha ? 2 : 1, 5, uint16_t(image.width), uint16_t(image.height), 0, raw);
}

uint16_t MovieWriter::defineBitsLosslessRaw(int version, uint8_t format, uint16_t width, uint16_t height,
                                            uint8_t colorTableSizeMinusOne, const std::vector<uint8_t>& pixelData) {
    BitWriter w;
    w.u8(format).u16(width).u16(height);
    if (format == 3)
        w.u8(colorTableSizeMinusOne);
    w.bytes(deflateBytes(pixelData));
    return defineTag(version >= 2 ? 36 : 20, nextId(), w.data());
}

uint16_t MovieWriter::defineBitsJpeg2(const std::vector<uint8_t>& imageData) {
    return defineTag(21, nextId(), imageData);
}

uint16_t MovieWriter::defineBitsJpeg3(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha) {
    BitWriter w;
    w.u32(uint32_t(jpeg.size())).bytes(jpeg).bytes(deflateBytes(alpha));
    return defineTag(35, nextId(), w.data());
}

uint16_t MovieWriter::defineBitsJpeg4(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha,
                                      uint16_t deblock) {
    BitWriter w;
    w.u32(uint32_t(jpeg.size())).u16(deblock).bytes(jpeg).bytes(deflateBytes(alpha));
    return defineTag(90, nextId(), w.data());
}

void MovieWriter::jpegTables(const std::vector<uint8_t>& tables) { tag(8, tables); }

uint16_t MovieWriter::defineBits(const std::vector<uint8_t>& abbreviatedJpeg) {
    return defineTag(6, nextId(), abbreviatedJpeg);
}

uint16_t MovieWriter::bitmapRectangle(uint16_t bitmapId, uint32_t widthPx, uint32_t heightPx, int32_t x, int32_t y,
                                      bool clipped, bool smoothed) {
    ShapeBuilder s;
    // Bitmap fills map one bitmap pixel to one unit: scale by 20 for twips.
    uint32_t fill = s.addFill(FillStyle::bitmap(bitmapId, Matrix::scale(20.0, 20.0, x, y), clipped, smoothed));
    s.setFill1(fill).rectangle(x, y, int32_t(widthPx * 20), int32_t(heightPx * 20));
    return defineShape(s, 3);
}

uint16_t MovieWriter::defineSprite(const SpriteWriter& sprite, std::optional<uint16_t> frameCount) {
    BitWriter w;
    w.u16(frameCount.value_or(sprite.framesWritten())).bytes(sprite.tags()).u16(0);  // End
    return defineTag(39, nextId(), w.data());
}

namespace {
void writeButtonRecord(BitWriter& w, const ButtonRecordSpec& r, int version) {
    uint8_t flags = uint8_t((r.hit ? 8 : 0) | (r.down ? 4 : 0) | (r.over ? 2 : 0) | (r.up ? 1 : 0));
    if (version >= 2 && r.blendMode)
        flags |= 0x20;
    if (version >= 2 && r.filters)
        flags |= 0x10;
    w.u8(flags).u16(r.characterId).u16(r.depth).matrix(r.matrix);
    if (version >= 2) {
        w.cxform(r.cxform, true);
        if (r.filters)
            w.bytes(*r.filters);
        if (r.blendMode)
            w.u8(*r.blendMode);
    }
}
}  // namespace

uint16_t MovieWriter::defineButton(const std::vector<ButtonRecordSpec>& records, const std::vector<uint8_t>& actions) {
    BitWriter w;
    for (const auto& r : records)
        writeButtonRecord(w, r, 1);
    w.u8(0).bytes(actions);
    return defineTag(7, nextId(), w.data());
}

uint16_t MovieWriter::defineButton2(const std::vector<ButtonRecordSpec>& records,
                                    const std::vector<ButtonActionSpec>& actions, bool trackAsMenu) {
    BitWriter w;
    w.u8(trackAsMenu ? 1 : 0);
    size_t offsetField = w.size();
    w.u16(0);
    for (const auto& r : records)
        writeButtonRecord(w, r, 2);
    w.u8(0);
    if (!actions.empty())
        w.patchU16(offsetField, uint16_t(w.size() - offsetField));
    for (size_t i = 0; i < actions.size(); ++i) {
        const auto& a = actions[i];
        bool last = i + 1 == actions.size();
        w.u16(last ? 0 : uint16_t(4 + a.actions.size()));
        w.u8(uint8_t(a.conditions >> 8)).u8(uint8_t(a.keyCode << 1 | (a.conditions & 1)));
        w.bytes(a.actions);
    }
    return defineTag(34, nextId(), w.data());
}

void MovieWriter::defineButtonCxform(uint16_t buttonId, const CxForm& cxform) {
    BitWriter w;
    w.u16(buttonId).cxform(cxform, false);
    tag(23, w.data());
}

void MovieWriter::defineScalingGrid(uint16_t characterId, const Rect& grid) {
    BitWriter w;
    w.u16(characterId).rect(grid);
    tag(78, w.data());
}

uint16_t MovieWriter::defineFont(const FontSpec& f) {
    std::vector<std::vector<uint8_t>> shapes;
    for (const GlyphSpec& g : f.glyphs)
        shapes.push_back(g.outline.shapeOnly());
    BitWriter w;
    if (f.version == 1) {
        size_t offset = shapes.size() * 2;
        for (const auto& s : shapes) {
            w.u16(uint16_t(offset));
            offset += s.size();
        }
        for (const auto& s : shapes)
            w.bytes(s);
        return defineTag(10, nextId(), w.data());
    }
    uint8_t flags =
        uint8_t((f.hasLayout ? 0x80 : 0) | (f.shiftJis ? 0x40 : 0) | (f.smallText ? 0x20 : 0) | (f.ansi ? 0x10 : 0) |
                (f.wideOffsets ? 0x08 : 0) | (f.wideCodes ? 0x04 : 0) | (f.italic ? 0x02 : 0) | (f.bold ? 0x01 : 0));
    w.u8(flags)
        .u8(f.language)
        .u8(uint8_t(f.name.size()))
        .bytes({reinterpret_cast<const uint8_t*>(f.name.data()), f.name.size()});
    w.u16(uint16_t(f.glyphs.size()));
    size_t entry = f.wideOffsets ? 4 : 2;
    size_t offset = entry * (shapes.size() + 1);
    for (const auto& s : shapes) {
        f.wideOffsets ? (void)w.u32(uint32_t(offset)) : (void)w.u16(uint16_t(offset));
        offset += s.size();
    }
    f.wideOffsets ? (void)w.u32(uint32_t(offset)) : (void)w.u16(uint16_t(offset));  // code table offset
    for (const auto& s : shapes)
        w.bytes(s);
    for (const GlyphSpec& g : f.glyphs)
        f.wideCodes ? (void)w.u16(g.code) : (void)w.u8(uint8_t(g.code));
    if (f.hasLayout) {
        w.u16(f.ascent).u16(f.descent).s16(f.leading);
        for (const GlyphSpec& g : f.glyphs)
            w.s16(g.advance);
        for (const GlyphSpec& g : f.glyphs)
            w.rect(g.bounds);
        w.u16(uint16_t(f.kerning.size()));
        for (const auto& k : f.kerning) {
            if (f.wideCodes)
                w.u16(k.code1).u16(k.code2);
            else
                w.u8(uint8_t(k.code1)).u8(uint8_t(k.code2));
            w.s16(k.adjustment);
        }
    }
    return defineTag(f.version == 3 ? 75 : 48, nextId(), w.data());
}

void MovieWriter::defineFontInfo(uint16_t fontId, const FontSpec& info, int version) {
    BitWriter w;
    w.u16(fontId)
        .u8(uint8_t(info.name.size()))
        .bytes({reinterpret_cast<const uint8_t*>(info.name.data()), info.name.size()});
    bool wide = version >= 2 || info.wideCodes;
    w.u8(uint8_t((info.smallText ? 0x20 : 0) | (info.shiftJis ? 0x10 : 0) | (info.ansi ? 0x08 : 0) |
                 (info.italic ? 0x04 : 0) | (info.bold ? 0x02 : 0) | (wide ? 0x01 : 0)));
    if (version >= 2)
        w.u8(info.language);
    for (const GlyphSpec& g : info.glyphs)
        wide ? (void)w.u16(g.code) : (void)w.u8(uint8_t(g.code));
    tag(version >= 2 ? 62 : 13, w.data());
}

uint16_t MovieWriter::defineText(const TextSpec& t) {
    uint32_t maxIndex = 0;
    int32_t maxAdvance = 0;
    for (const auto& r : t.records)
        for (const auto& [index, advance] : r.glyphs) {
            maxIndex = std::max(maxIndex, index);
            maxAdvance = std::max(maxAdvance, std::abs(advance));
        }
    unsigned glyphBits = std::max(1u, BitWriter::bitsUnsigned(maxIndex));
    unsigned advanceBits = std::max(2u, BitWriter::bitsSigned(maxAdvance));
    BitWriter w;
    w.rect(t.bounds).matrix(t.matrix).u8(uint8_t(glyphBits)).u8(uint8_t(advanceBits));
    for (const auto& r : t.records) {
        w.u8(uint8_t(0x80 | (r.fontId ? 0x08 : 0) | (r.color ? 0x04 : 0) | (r.y ? 0x02 : 0) | (r.x ? 0x01 : 0)));
        if (r.fontId)
            w.u16(*r.fontId);
        if (r.color)
            t.version >= 2 ? w.rgba(*r.color) : w.rgb(*r.color);
        if (r.x)
            w.s16(*r.x);
        if (r.y)
            w.s16(*r.y);
        if (r.fontId)
            w.u16(r.height);
        w.u8(uint8_t(r.glyphs.size()));
        for (const auto& [index, advance] : r.glyphs)
            w.ub(glyphBits, index).sb(advanceBits, advance);
        w.align();
    }
    w.u8(0);
    return defineTag(t.version >= 2 ? 33 : 11, nextId(), w.data());
}

uint16_t MovieWriter::defineEditText(const EditTextSpec& e) {
    BitWriter w;
    w.rect(e.bounds);
    w.flag(e.initialText.has_value()).flag(e.wordWrap).flag(e.multiline).flag(e.password).flag(e.readOnly);
    w.flag(e.color.has_value()).flag(e.maxLength.has_value()).flag(e.fontId.has_value());
    w.flag(e.fontClass.has_value()).flag(e.autoSize).flag(e.hasLayout).flag(e.noSelect).flag(e.border);
    w.flag(e.wasStatic).flag(e.html).flag(e.useOutlines);
    if (e.fontId)
        w.u16(*e.fontId);
    if (e.fontClass)
        w.string(*e.fontClass);
    if (e.fontId || e.fontClass)
        w.u16(e.fontHeight);
    if (e.color)
        w.rgba(*e.color);
    if (e.maxLength)
        w.u16(*e.maxLength);
    if (e.hasLayout)
        w.u8(e.align).u16(e.leftMargin).u16(e.rightMargin).u16(e.indent).s16(e.leading);
    w.string(e.variableName);
    if (e.initialText)
        w.string(*e.initialText);
    return defineTag(37, nextId(), w.data());
}

FontSpec boxFont(const std::string& chars, int version) {
    const int32_t scale = version == 3 ? 20 : 1;
    FontSpec f;
    f.version = version;
    f.name = "Boxes";
    f.hasLayout = version >= 2;
    f.ascent = uint16_t(800 * scale);
    f.descent = uint16_t(224 * scale);
    for (char c : chars) {
        GlyphSpec g;
        g.outline.setFill1(1).rectangle(0, -800 * scale, 800 * scale, 800 * scale);
        g.code = uint8_t(c);
        g.advance = int16_t(1024 * scale);
        g.bounds = {0, 800 * scale, -800 * scale, 0};
        f.glyphs.push_back(std::move(g));
    }
    return f;
}

uint16_t MovieWriter::staticText(uint16_t fontId, const FontSpec& font, const std::string& text, uint16_t height,
                                 Color color, int16_t x, int16_t y) {
    const int32_t em = font.version == 3 ? 20480 : 1024;
    TextRecordSpec record;
    record.fontId = fontId;
    record.height = height;
    record.color = color;
    record.x = x;
    record.y = y;
    int32_t width = 0;
    for (char c : text) {
        for (size_t i = 0; i < font.glyphs.size(); ++i) {
            if (font.glyphs[i].code != uint8_t(c))
                continue;
            int32_t advance = font.glyphs[i].advance * height / em;
            record.glyphs.emplace_back(uint32_t(i), advance);
            width += advance;
            break;
        }
    }
    TextSpec spec;
    spec.version = 2;
    spec.bounds = {x, x + width, y - height, y + height / 4};
    spec.records.push_back(std::move(record));
    return defineText(spec);
}

void MovieWriter::doInitAction(uint16_t spriteId, const Actions& actions) {
    BitWriter w;
    w.u16(spriteId).bytes(actions.bytes());
    tag(59, w.data());
}

void MovieWriter::exportAssets(const std::vector<std::pair<uint16_t, std::string>>& assets) {
    BitWriter w;
    w.u16(uint16_t(assets.size()));
    for (const auto& [id, name] : assets)
        w.u16(id).string(name);
    tag(56, w.data());
}

void MovieWriter::fileAttributes(bool actionScript3, bool useNetwork) {
    BitWriter w;
    w.u8(uint8_t((actionScript3 ? 0x08 : 0) | (useNetwork ? 0x01 : 0))).u8(0).u8(0).u8(0);
    tag(69, w.data());
}

std::vector<uint8_t> movieBytes(const std::vector<uint8_t>& tags, const MovieOptions& o) {
    BitWriter body;
    body.rect({0, o.width * 20, 0, o.height * 20});
    body.u16(uint16_t(std::lround(o.frameRate * 256.0)));
    body.u16(o.frameCount.value_or(1));
    body.bytes(tags);
    const std::vector<uint8_t>& data = body.data();
    const auto fileLength = uint32_t(8 + data.size());

    BitWriter file;
    const char* signature = o.compression == Compression::Zlib   ? "CWS"
                            : o.compression == Compression::Lzma ? "ZWS"
                                                                 : "FWS";
    file.u8(uint8_t(signature[0])).u8(uint8_t(signature[1])).u8(uint8_t(signature[2])).u8(o.version).u32(fileLength);
    if (o.compression == Compression::None) {
        file.bytes(data);
    } else if (o.compression == Compression::Zlib) {
        file.bytes(deflateBytes(data));
    } else {
#ifdef SWFWRITER_HAVE_LZMA
        // liblzma's .lzma ("alone") output is 5 property bytes, an 8-byte
        // size, then the data: the file wants the data length, then the
        // properties, then the data.
        lzma_options_lzma opts;
        lzma_lzma_preset(&opts, 6);
        lzma_stream z = LZMA_STREAM_INIT;
        if (lzma_alone_encoder(&z, &opts) != LZMA_OK)
            throw std::runtime_error("lzma encoder");
        std::vector<uint8_t> out(data.size() + data.size() / 2 + 1024);
        z.next_in = data.data();
        z.avail_in = data.size();
        z.next_out = out.data();
        z.avail_out = out.size();
        if (lzma_code(&z, LZMA_FINISH) != LZMA_STREAM_END)
            throw std::runtime_error("lzma encoding");
        out.resize(out.size() - z.avail_out);
        lzma_end(&z);
        file.u32(uint32_t(out.size() - 13));
        file.bytes(std::span<const uint8_t>(out).first(5));
        file.bytes(std::span<const uint8_t>(out).subspan(13));
#else
        throw std::runtime_error("swfwriter built without liblzma");
#endif
    }
    return file.data();
}

std::vector<uint8_t> MovieWriter::finish() {
    MovieOptions o = m_options;
    if (!o.frameCount)
        o.frameCount = framesWritten();
    std::vector<uint8_t> tags = m_tags;
    tags.push_back(0);
    tags.push_back(0);  // End
    return movieBytes(tags, o);
}

void MovieWriter::save(const std::string& path) {
    auto bytes = finish();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace swfwriter
