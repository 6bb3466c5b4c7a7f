// Built-once geometry of shapes, morph shapes at a ratio, glyphs and texts.
#include "model/geometry_cache.h"

#include "model/transform.h"
#include "text/device_fonts.h"

#include "swf/text_layout.h"

#include <algorithm>

namespace model {

std::shared_ptr<const CachedShape> GeometryCache::cachedShape(uint16_t id) {
    auto it = m_shapes.find(id);
    if (it != m_shapes.end())
        return it->second;
    const auto* s = m_movie->characters.find<swf::Shape>(id);
    if (!s)
        return nullptr;
    auto entry = std::make_shared<CachedShape>();
    entry->shape = s;
    entry->geometry = swf::buildGeometry(*s);
    m_shapes.emplace(id, entry);
    return entry;
}

std::shared_ptr<const swf::ShapeGeometry> GeometryCache::shape(uint16_t id) {
    auto entry = cachedShape(id);
    return entry ? std::shared_ptr<const swf::ShapeGeometry>(entry, &entry->geometry) : nullptr;
}

std::shared_ptr<const MorphedShape> GeometryCache::morph(uint16_t id, uint16_t ratio) {
    const uint64_t key = uint64_t(id) << 16 | ratio;
    auto it = m_morphs.find(key);
    if (it != m_morphs.end())
        return it->second;
    const auto* m = m_movie->characters.find<swf::MorphShape>(id);
    if (!m)
        return nullptr;
    auto blended = std::make_shared<MorphedShape>();
    blended->shape = swf::morphShapeAt(*m, ratio);
    blended->geometry = swf::buildGeometry(blended->shape);
    // A tween touches a few ratios per morph at a time; dropping everything
    // now and then keeps memory bounded without bookkeeping.
    if (m_morphs.size() >= MorphEntries)
        m_morphs.clear();
    m_morphs.emplace(key, blended);
    return blended;
}

std::shared_ptr<const CachedGlyph> GeometryCache::glyph(uint16_t fontId, uint32_t index) {
    const uint64_t key = uint64_t(fontId) << 32 | index;
    auto it = m_glyphs.find(key);
    if (it != m_glyphs.end())
        return it->second;
    const auto* font = m_movie->characters.find<swf::Font>(fontId);
    if (!font || index >= font->glyphs.size())
        return nullptr;
    auto entry = std::make_shared<CachedGlyph>();
    entry->path = swf::buildGlyphPath(font->glyphs[index]);
    m_glyphs.emplace(key, entry);
    return entry;
}

namespace {

// Glyphs without any outline name characters of a system face.
bool isDeviceFont(const swf::Font& font) {
    return std::all_of(font.glyphs.begin(), font.glyphs.end(), [](const swf::Glyph& g) { return g.records.empty(); });
}

}  // namespace

swf::Bounds GeometryCache::textBounds(uint16_t id) {
    auto it = m_textBounds.find(id);
    if (it != m_textBounds.end())
        return it->second;
    swf::Bounds out;
    const auto* text = m_movie->characters.find<swf::Text>(id);
    if (!text)
        return out;
    for (const swf::PlacedGlyph& g : swf::layoutText(*text, m_movie->characters)) {
        if (g.font->emSquare == 0)
            continue;
        const double scale = double(g.height) / g.font->emSquare;
        const swf::Matrix m = multiply(text->matrix, swf::Matrix{scale, 0.0, 0.0, scale, g.x, g.y});
        if (isDeviceFont(*g.font)) {
            // The system's face draws it: the outline it draws, measured
            // (the record's own bounds are often wrong for device text).
            const swf::Matrix em =
                multiply(text->matrix, swf::Matrix{double(g.height), 0.0, 0.0, double(g.height), g.x, g.y});
            const auto face = text::deviceFace(g.font->name, g.font->bold, g.font->italic);
            const auto glyph = face->glyph(g.font->glyphs[g.glyphIndex].code);
            if (!glyph || glyph->steps.empty()) {
                if (glyph) {
                    // A space: its advance from ascent to descent.
                    out.add(apply(em, {0.0, -face->ascent()}));
                    out.add(apply(em, {glyph->advance, face->descent()}));
                }
                continue;
            }
            for (const text::OutlineStep& step : glyph->steps) {
                using Kind = text::OutlineStep::Kind;
                if (step.kind == Kind::Close)
                    continue;
                out.add(apply(em, {step.x1, step.y1}));
                if (step.kind == Kind::Quad || step.kind == Kind::Cubic)
                    out.add(apply(em, {step.x2, step.y2}));
                if (step.kind == Kind::Cubic)
                    out.add(apply(em, {step.x3, step.y3}));
            }
            continue;
        }
        for (const swf::PathCommand& c : swf::buildGlyphPath(g.font->glyphs[g.glyphIndex])) {
            if (c.verb == swf::PathVerb::Close)
                continue;
            out.add(apply(m, c.to));
            if (c.verb == swf::PathVerb::QuadTo)
                out.add(apply(m, c.control));
        }
    }
    m_textBounds.emplace(id, out);
    return out;
}

}  // namespace model
