// Built-once geometry of shapes, morph shapes at a ratio, glyphs and texts.
#include "model/character_cache.h"

#include "model/transform.h"

namespace model {

std::shared_ptr<const swf::ShapeGeometry> CharacterCache::shape(uint16_t id)
{
    auto it = m_shapes.find(id);
    if (it != m_shapes.end())
        return it->second;
    const auto* s = m_movie->characters.find<swf::Shape>(id);
    if (!s)
        return nullptr;
    auto geometry = std::make_shared<const swf::ShapeGeometry>(swf::buildGeometry(*s));
    m_shapes.emplace(id, geometry);
    return geometry;
}

std::shared_ptr<const MorphedShape> CharacterCache::morph(uint16_t id, uint16_t ratio)
{
    auto key = std::make_pair(id, ratio);
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
    if (m_morphs.size() >= kMorphEntries)
        m_morphs.clear();
    m_morphs.emplace(key, blended);
    return blended;
}

std::shared_ptr<const swf::Path> CharacterCache::glyph(uint16_t fontId, uint32_t index)
{
    auto key = std::make_pair(fontId, index);
    auto it = m_glyphs.find(key);
    if (it != m_glyphs.end())
        return it->second;
    const auto* font = m_movie->characters.find<swf::Font>(fontId);
    if (!font || index >= font->glyphs.size())
        return nullptr;
    auto path = std::make_shared<const swf::Path>(swf::buildGlyphPath(font->glyphs[index]));
    m_glyphs.emplace(key, path);
    return path;
}

swf::Bounds CharacterCache::textBounds(uint16_t id)
{
    auto it = m_textBounds.find(id);
    if (it != m_textBounds.end())
        return it->second;
    swf::Bounds out;
    const auto* text = m_movie->characters.find<swf::Text>(id);
    if (!text)
        return out;
    // Font, height, colour and position carry over from record to record;
    // the pen starts at the origin and moves by each glyph's advance.
    std::optional<uint16_t> fontId;
    double height = 0.0;
    double x = 0.0;
    double y = 0.0;
    for (const swf::TextRecord& record : text->records) {
        if (record.fontId) {
            fontId = record.fontId;
            height = record.height.value_or(0);
        }
        if (record.xOffset)
            x = *record.xOffset;
        if (record.yOffset)
            y = *record.yOffset;
        const swf::Font* font = fontId ? m_movie->characters.find<swf::Font>(*fontId) : nullptr;
        for (const swf::GlyphEntry& entry : record.glyphs) {
            if (font && font->emSquare > 0) {
                if (auto path = glyph(*fontId, entry.index)) {
                    double scale = height / font->emSquare;
                    swf::Matrix place{scale, 0.0, 0.0, scale, x, y};
                    swf::Matrix m = multiply(text->matrix, place);
                    for (const swf::PathCommand& c : *path) {
                        if (c.verb == swf::PathVerb::Close)
                            continue;
                        out.add(apply(m, c.to));
                        if (c.verb == swf::PathVerb::QuadTo)
                            out.add(apply(m, c.control));
                    }
                }
            }
            x += entry.advance;
        }
    }
    m_textBounds.emplace(id, out);
    return out;
}

} // namespace model
