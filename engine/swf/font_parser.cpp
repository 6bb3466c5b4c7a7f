// Fonts (DefineFont 1-3, DefineFontInfo 1/2) and text (DefineText 1/2, DefineEditText).
#include "swf/parse_context.h"
#include "swf/records.h"

namespace swf {

namespace {

// One glyph's SHAPE from bytes [begin, end) of the tag.
bool readGlyph(ParseContext& ctx, std::span<const uint8_t> tagData, size_t begin, size_t end, Glyph& glyph) {
    if (begin > end || end > tagData.size())
        return false;
    BitReader g(tagData.subspan(begin, end - begin));
    if (g.atEnd())
        return true;  // an empty glyph (space) may have no records at all
    return readShapeRecords(ctx, g, 1, nullptr, glyph.records);
}

}  // namespace

void parseDefineFont(ParseContext& ctx, BitReader& r, uint8_t fontVersion) {
    const auto data = r.rest();
    BitReader t(data);
    uint16_t id = t.u16();
    Font font;
    font.version = fontVersion;
    font.emSquare = fontVersion == 3 ? 20480 : 1024;

    if (fontVersion == 1) {
        const size_t tableStart = t.position();
        uint16_t first = t.remaining() >= 2 ? t.u16() : 0;
        size_t count = first / 2;
        if (!ctx.charge(count * sizeof(Glyph)))
            return r.fail();
        std::vector<size_t> offsets;
        if (count > 0) {
            offsets.push_back(first);
            for (size_t i = 1; i < count && !t.failed(); ++i)
                offsets.push_back(t.u16());
        }
        if (t.failed())
            return r.fail();
        font.glyphs.resize(count);
        for (size_t i = 0; i < count; ++i) {
            size_t begin = tableStart + offsets[i];
            size_t end = i + 1 < count ? tableStart + offsets[i + 1] : data.size();
            if (!readGlyph(ctx, data, begin, end, font.glyphs[i]))
                return r.fail();
        }
        font.wideCodes = false;
        ctx.define(id, std::move(font));
        return;
    }

    uint8_t flags = t.u8();
    font.hasLayout = flags & 0x80;
    font.shiftJis = flags & 0x40;
    font.smallText = flags & 0x20;
    font.ansi = flags & 0x10;
    bool wideOffsets = flags & 0x08;
    font.wideCodes = flags & 0x04;
    font.italic = flags & 0x02;
    font.bold = flags & 0x01;
    font.hasInfo = true;
    font.languageCode = t.u8();
    uint8_t nameLength = t.u8();
    font.name = t.fixedString(nameLength, ctx.version());
    uint16_t count = t.u16();
    if (t.failed() || !ctx.charge(size_t(count) * sizeof(Glyph)))
        return r.fail();

    const size_t tableStart = t.position();
    std::vector<size_t> offsets(count);
    for (size_t i = 0; i < count; ++i)
        offsets[i] = wideOffsets ? t.u32() : t.u16();
    size_t codeTableOffset = 0;
    if (count > 0 || t.remaining() >= (wideOffsets ? 4u : 2u))
        codeTableOffset = wideOffsets ? t.u32() : t.u16();
    if (t.failed())
        return r.fail();
    font.glyphs.resize(count);
    for (size_t i = 0; i < count; ++i) {
        size_t begin = tableStart + offsets[i];
        size_t end = tableStart + (i + 1 < count ? offsets[i + 1] : codeTableOffset);
        if (!readGlyph(ctx, data, begin, end, font.glyphs[i]))
            return r.fail();
    }
    if (count > 0 || codeTableOffset != 0) {
        t.seek(tableStart + codeTableOffset);
        for (size_t i = 0; i < count; ++i)
            font.glyphs[i].code = font.wideCodes ? t.u16() : t.u8();
    }
    if (t.failed())
        return r.fail();
    if (font.hasLayout) {
        font.ascent = t.u16();
        font.descent = t.u16();
        font.leading = t.s16();
        for (size_t i = 0; i < count; ++i)
            font.glyphs[i].advance = t.s16();
        for (size_t i = 0; i < count; ++i)
            font.glyphs[i].bounds = readRect(t);
        if (t.failed())
            return r.fail();
        // Kerning tables are often cut short by writers; keep the pairs that are complete.
        uint16_t pairs = t.remaining() >= 2 ? t.u16() : 0;
        for (size_t i = 0; i < pairs; ++i) {
            KerningPair k;
            k.code1 = font.wideCodes ? t.u16() : t.u8();
            k.code2 = font.wideCodes ? t.u16() : t.u8();
            k.adjustment = t.s16();
            if (t.failed())
                break;
            font.kerning.push_back(k);
        }
    }
    ctx.define(id, std::move(font));
}

void parseDefineFontInfo(ParseContext& ctx, BitReader& r, uint8_t infoVersion) {
    uint16_t id = r.u16();
    uint8_t nameLength = r.u8();
    std::string name = r.fixedString(nameLength, ctx.version());
    uint8_t flags = r.u8();
    uint8_t language = infoVersion >= 2 ? r.u8() : 0;
    if (r.failed())
        return;
    Font* font = ctx.movie().characters.findMutable<Font>(id);
    if (!font) {
        ctx.problem(ctx.movie().characters.contains(id) ? ErrorCode::WrongCharacterKind
                                                        : ErrorCode::UndefinedCharacter);
        return;
    }
    bool wide = infoVersion >= 2 || (flags & 0x01);
    std::vector<uint16_t> codes(font->glyphs.size());
    for (uint16_t& code : codes)
        code = wide ? r.u16() : r.u8();
    if (r.failed())
        return;
    font->name = std::move(name);
    font->hasInfo = true;
    font->smallText = flags & 0x20;
    font->shiftJis = flags & 0x10;
    font->ansi = flags & 0x08;
    font->italic = flags & 0x04;
    font->bold = flags & 0x02;
    font->wideCodes = wide;
    font->languageCode = language;
    for (size_t i = 0; i < codes.size(); ++i)
        font->glyphs[i].code = codes[i];
}

void parseDefineText(ParseContext& ctx, BitReader& r, uint8_t textVersion) {
    uint16_t id = r.u16();
    Text text;
    text.version = textVersion;
    text.bounds = readRect(r);
    text.matrix = readMatrix(r);
    unsigned glyphBits = r.u8();
    unsigned advanceBits = r.u8();
    if (glyphBits > 32 || advanceBits > 32)
        return r.fail();
    while (!r.failed()) {
        uint8_t flags = r.u8();
        if (flags == 0)
            break;
        TextRecord rec;
        if (flags & 0x08)
            rec.fontId = r.u16();
        if (flags & 0x04)
            rec.color = textVersion >= 2 ? readRgba(r) : readRgb(r);
        if (flags & 0x01)
            rec.xOffset = r.s16();
        if (flags & 0x02)
            rec.yOffset = r.s16();
        if (flags & 0x08)
            rec.height = r.u16();
        unsigned count = r.u8();
        if (!ctx.charge(sizeof(TextRecord) + count * sizeof(GlyphEntry)))
            return r.fail();
        rec.glyphs.resize(count);
        for (GlyphEntry& e : rec.glyphs) {
            e.index = r.ub(glyphBits);
            e.advance = r.sb(advanceBits);
        }
        r.align();
        text.records.push_back(std::move(rec));
    }
    if (r.failed())
        return;
    ctx.define(id, std::move(text));
}

void parseDefineEditText(ParseContext& ctx, BitReader& r) {
    uint16_t id = r.u16();
    EditText e;
    e.bounds = readRect(r);
    uint8_t f1 = r.u8();
    uint8_t f2 = r.u8();
    bool hasText = f1 & 0x80;
    e.wordWrap = f1 & 0x40;
    e.multiline = f1 & 0x20;
    e.password = f1 & 0x10;
    e.readOnly = f1 & 0x08;
    bool hasColor = f1 & 0x04;
    bool hasMaxLength = f1 & 0x02;
    bool hasFont = f1 & 0x01;
    bool hasFontClass = f2 & 0x80;
    e.autoSize = f2 & 0x40;
    e.hasLayout = f2 & 0x20;
    e.noSelect = f2 & 0x10;
    e.border = f2 & 0x08;
    e.wasStatic = f2 & 0x04;
    e.html = f2 & 0x02;
    e.useOutlines = f2 & 0x01;
    if (hasFont)
        e.fontId = r.u16();
    if (hasFontClass)
        e.fontClass = r.string(ctx.version());
    if (hasFont || hasFontClass)
        e.fontHeight = r.u16();
    if (hasColor)
        e.textColor = readRgba(r);
    if (hasMaxLength)
        e.maxLength = r.u16();
    if (e.hasLayout) {
        uint8_t align = r.u8();
        e.align = align <= 3 ? TextAlign(align) : TextAlign::Left;
        e.leftMargin = r.u16();
        e.rightMargin = r.u16();
        e.indent = r.u16();
        e.leading = r.s16();
    }
    e.variableName = r.string(ctx.version());
    if (hasText)
        e.initialText = r.string(ctx.version());
    if (r.failed())
        return;
    ctx.define(id, std::move(e));
}

}  // namespace swf
