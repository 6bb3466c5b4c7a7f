#include "text/device_fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace text {

namespace {

// Past this many distinct glyphs a face's cache starts over: memory stays
// bounded whatever text a movie throws at it.
constexpr size_t MaxCachedGlyphs = 4096;
// Faces cached by name: movies may name fonts at will.
constexpr size_t MaxCachedFaces = 64;

std::mutex& freetypeLock() {
    static std::mutex m;
    return m;
}

FT_Library library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return lib;
}

struct Decompose {
    std::vector<OutlineStep>* steps;
    double scale;
    bool open = false;
};

float fx(const FT_Vector* v, const Decompose* d) { return float(double(v->x) * d->scale); }
float fy(const FT_Vector* v, const Decompose* d) { return float(-double(v->y) * d->scale); }

int moveTo(const FT_Vector* to, void* user) {
    auto* d = static_cast<Decompose*>(user);
    if (d->open)
        d->steps->push_back({OutlineStep::Kind::Close});
    d->steps->push_back({OutlineStep::Kind::Move, fx(to, d), fy(to, d)});
    d->open = true;
    return 0;
}

int lineTo(const FT_Vector* to, void* user) {
    auto* d = static_cast<Decompose*>(user);
    d->steps->push_back({OutlineStep::Kind::Line, fx(to, d), fy(to, d)});
    return 0;
}

int conicTo(const FT_Vector* c, const FT_Vector* to, void* user) {
    auto* d = static_cast<Decompose*>(user);
    d->steps->push_back({OutlineStep::Kind::Quad, fx(c, d), fy(c, d), fx(to, d), fy(to, d)});
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* d = static_cast<Decompose*>(user);
    d->steps->push_back({OutlineStep::Kind::Cubic, fx(c1, d), fy(c1, d), fx(c2, d), fy(c2, d), fx(to, d), fy(to, d)});
    return 0;
}

class DeviceFace final : public Face {
public:
    explicit DeviceFace(FT_Face face) : m_face(face) {
        const double em = face->units_per_EM > 0 ? double(face->units_per_EM) : 1000.0;
        m_unit = 1.0 / em;
        m_ascent = face->ascender > 0 ? face->ascender * m_unit : 0.9;
        m_descent = face->descender < 0 ? -face->descender * m_unit : 0.2;
    }
    DeviceFace(const DeviceFace&) = delete;
    DeviceFace& operator=(const DeviceFace&) = delete;
    ~DeviceFace() override {
        const std::lock_guard lock(freetypeLock());
        FT_Done_Face(m_face);
    }

    double ascent() const override { return m_ascent; }
    double descent() const override { return m_descent; }

    std::shared_ptr<const GlyphOutline> glyph(char32_t code) const override {
        const std::lock_guard lock(freetypeLock());
        if (auto it = m_glyphs.find(code); it != m_glyphs.end())
            return it->second;
        if (m_glyphs.size() >= MaxCachedGlyphs)
            m_glyphs.clear();
        std::shared_ptr<const GlyphOutline> made;
        const FT_UInt index = FT_Get_Char_Index(m_face, FT_ULong(code));
        if (index != 0 && FT_Load_Glyph(m_face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) {
            auto g = std::make_shared<GlyphOutline>();
            g->advance = double(m_face->glyph->advance.x) * m_unit;
            if (m_face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
                Decompose d{&g->steps, m_unit};
                const FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
                if (FT_Outline_Decompose(&m_face->glyph->outline, &funcs, &d) != 0)
                    g->steps.clear();
                else if (d.open)
                    g->steps.push_back({OutlineStep::Kind::Close});
            }
            made = std::move(g);
        }
        m_glyphs.emplace(code, made);
        return made;
    }

    double kerning(char32_t left, char32_t right) const override {
        if (!FT_HAS_KERNING(m_face))
            return 0.0;
        const std::lock_guard lock(freetypeLock());
        FT_Vector k{};
        const FT_UInt a = FT_Get_Char_Index(m_face, FT_ULong(left));
        const FT_UInt b = FT_Get_Char_Index(m_face, FT_ULong(right));
        if (a == 0 || b == 0 || FT_Get_Kerning(m_face, a, b, FT_KERNING_UNSCALED, &k) != 0)
            return 0.0;
        return double(k.x) * m_unit;
    }

private:
    FT_Face m_face = nullptr;
    double m_unit = 1.0 / 1000.0;
    double m_ascent = 0.9;
    double m_descent = 0.2;
    mutable std::unordered_map<char32_t, std::shared_ptr<const GlyphOutline>> m_glyphs;
};

// When no font file can be found at all: text still lays out.
class GuessedFace final : public Face {
public:
    double ascent() const override { return 0.9; }
    double descent() const override { return 0.2; }
    std::shared_ptr<const GlyphOutline> glyph(char32_t code) const override {
        auto g = std::make_shared<GlyphOutline>();
        g->advance = code == U' ' ? 0.25 : 0.5;
        return g;
    }
    double kerning(char32_t, char32_t) const override { return 0.0; }
};

std::shared_ptr<const Face> load(const std::string& family, bool bold, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    std::shared_ptr<const Face> face;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        const std::lock_guard lock(freetypeLock());
        FT_Face ft = nullptr;
        if (library() && FT_New_Face(library(), reinterpret_cast<const char*>(file), index, &ft) == 0) {
            if (FT_IS_SCALABLE(ft))
                face = std::make_shared<DeviceFace>(ft);
            else
                FT_Done_Face(ft);
        }
    }
    FcPatternDestroy(match);
    return face;
}

}  // namespace

std::string deviceFamily(const std::string& name) {
    if (name == "_sans" || name.empty())
        return "sans-serif";
    if (name == "_serif")
        return "serif";
    if (name == "_typewriter")
        return "monospace";
    return name;
}

std::vector<std::string> deviceFontFamilies() {
    std::vector<std::string> out;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (pattern && objects) {
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        if (FcFontSet* set = FcFontList(nullptr, pattern, objects)) {
            for (int i = 0; i < set->nfont; ++i) {
                FcChar8* family = nullptr;
                // The first name is the family's own; later ones are translations.
                if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family)
                    out.emplace_back(reinterpret_cast<const char*>(family));
            }
            FcFontSetDestroy(set);
        }
    }
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::shared_ptr<const Face> deviceFace(const std::string& name, bool bold, bool italic) {
    static std::mutex cacheLock;
    static std::map<std::tuple<std::string, bool, bool>, std::shared_ptr<const Face>> cache;
    const std::string family = deviceFamily(name);
    const auto key = std::make_tuple(family, bold, italic);
    {
        const std::lock_guard lock(cacheLock);
        if (auto it = cache.find(key); it != cache.end())
            return it->second;
    }
    std::shared_ptr<const Face> face = load(family, bold, italic);
    if (!face)
        face = std::make_shared<GuessedFace>();
    const std::lock_guard lock(cacheLock);
    if (cache.size() >= MaxCachedFaces)
        cache.clear();
    cache.emplace(key, face);
    return face;
}

}  // namespace text
