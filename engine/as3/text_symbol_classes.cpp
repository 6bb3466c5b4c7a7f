// flash.text.Font and StaticText, and the family's table. Fonts are the
// movie's embedded ones (every DefineFont with glyphs: a font the movie
// carries is registered from the start, so registerFont only checks its
// argument) and, when asked, the three device faces every movie may name.
#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/text_values.h"

#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/string.h"

#include "model/static_text_object.h"
#include "swf/font.h"
#include "text/device_fonts.h"

#include <algorithm>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

std::span<const avm2::CoreClassSpec> textFormatClasses();
std::span<const avm2::CoreClassSpec> textFieldClasses();
std::span<const avm2::CoreClassSpec> styleSheetClasses();
std::span<const avm2::CoreClassSpec> textRendererClasses();
std::span<const avm2::CoreClassSpec> textSnapshotClasses();

namespace {

struct FontState final : avm2::NativeState {
    std::optional<uint16_t> id;  // an embedded font's character; none for a device face
    std::string name;
    bool bold = false;
    bool italic = false;
};

FontState& fontOf(Machine& m, Value v) {
    auto* state = v.isObject() ? v.asObject()->nativeAs<FontState>() : nullptr;
    if (!state)
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.text.Font.");
    return *state;
}

const swf::Font* movieFont(Machine& m, uint16_t id) {
    return hostContext(m).stage.movie().characters.find<swf::Font>(id);
}

// A class linked by SymbolClass to a font makes that font.
Value fontInit(Machine& m, Value t, std::span<const Value>) {
    auto state = std::make_unique<FontState>();
    HostContext& ctx = hostContext(m);
    for (const auto& [id, name] : ctx.symbolClasses) {
        const Value c = m.findDefinitionByName(name, m.mainDomain());
        auto* type = c.isObject() ? dynamic_cast<avm2::ClassObject*>(c.asObject()) : nullptr;
        const swf::Font* font = type && &type->instanceTraits() == t.asObject()->traits() ? movieFont(m, id) : nullptr;
        if (font) {
            state->id = id;
            state->name = font->name;
            state->bold = font->bold;
            state->italic = font->italic;
            break;
        }
    }
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

Value makeFont(Machine& m, std::optional<uint16_t> id, std::string name, bool bold, bool italic) {
    Value v = m.construct(Value::object(m.coreClass(u"flash.text", u"Font")), {});
    FontState& f = fontOf(m, v);
    f.id = id;
    f.name = std::move(name);
    f.bold = bold;
    f.italic = italic;
    return v;
}

Value fontName(Machine& m, Value t, std::span<const Value>) {
    const FontState& f = fontOf(m, t);
    return f.name.empty() && !f.id ? Value::null() : m.string(avm2::utf8ToUtf16(f.name));
}
Value fontStyle(Machine& m, Value t, std::span<const Value>) {
    const FontState& f = fontOf(m, t);
    return m.string(f.bold && f.italic ? u"boldItalic" : f.bold ? u"bold" : f.italic ? u"italic" : u"regular");
}
Value fontType(Machine& m, Value t, std::span<const Value>) {
    const FontState& f = fontOf(m, t);
    if (!f.id)
        return m.string(u"device");
    const swf::Font* font = movieFont(m, *f.id);
    return m.string(font && font->version == 4 ? u"embeddedCFF" : u"embedded");
}
Value hasGlyphs(Machine& m, Value t, std::span<const Value> args) {
    const FontState& f = fontOf(m, t);
    const std::u16string s = m.toString(argument(args, 0))->text();
    if (f.id) {
        const swf::Font* font = movieFont(m, *f.id);
        return Value::boolean(
            font && std::all_of(s.begin(), s.end(), [&](char16_t c) { return font->glyphForCode(uint16_t(c)) >= 0; }));
    }
    const auto face = text::deviceFace(f.name, f.bold, f.italic);
    return Value::boolean(std::all_of(s.begin(), s.end(), [&](char16_t c) { return face->glyph(c) != nullptr; }));
}

Value enumerateFonts(Machine& m, Value, std::span<const Value> args) {
    std::vector<std::pair<uint16_t, const swf::Font*>> fonts;
    hostContext(m).stage.movie().characters.forEach([&](uint16_t id, const swf::CharacterData& data) {
        const auto* font = std::get_if<swf::Font>(&data);
        if (font && !font->glyphs.empty())
            fonts.emplace_back(id, font);
    });
    std::sort(fonts.begin(), fonts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Value> out;
    // Each font made stays pinned until the array holds it.
    struct Unpin {
        Machine& m;
        size_t n = 0;
        ~Unpin() { m.unpin(n); }
    } unpin{m};
    auto add = [&](Value font) {
        out.push_back(font);
        m.pin(font);
        ++unpin.n;
    };
    for (const auto& [id, font] : fonts)
        add(makeFont(m, id, font->name, font->bold, font->italic));
    if (avm2::toBoolean(argument(args, 0))) {
        for (const char* name : {"_sans", "_serif", "_typewriter"})
            add(makeFont(m, std::nullopt, name, false, false));
    }
    return Value::object(m.newArray(out));
}

Value registerFont(Machine& m, Value, std::span<const Value> args) {
    const Value c = argument(args, 0);
    auto* type = c.isObject() ? dynamic_cast<avm2::ClassObject*>(c.asObject()) : nullptr;
    if (!type || !type->instanceTraits().isA(m.coreClass(u"flash.text", u"Font")))
        m.throwError("ArgumentError", 1508, u"The value specified for argument font is invalid.");
    return Value();
}

const avm2::NativeAccessor FontAccessors[] = {
    {u"fontName", fontName},
    {u"fontStyle", fontStyle},
    {u"fontType", fontType},
};
const avm2::NativeMember FontMethods[] = {{u"hasGlyphs", hasGlyphs}};
const avm2::NativeMember FontStatics[] = {{u"enumerateFonts", enumerateFonts}, {u"registerFont", registerFont}};

// --- StaticText ---------------------------------------------------------------

// Only the timeline makes them.
Value staticTextInit(Machine& m, Value t, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    if (!t.asObject()->nativeAs<DisplayState>() &&
        !(ctx.pendingObject && ctx.pendingObject->as<model::StaticTextObject>()))
        m.throwError("ArgumentError", 2012, u"StaticText$ class cannot be instantiated.");
    (void)initInteractiveObject(m, t, args);
    displayOf(m, t).isInteractive = false;
    return Value();
}

// The characters of the glyphs, as their fonts' code tables give them.
Value staticTextText(Machine& m, Value t, std::span<const Value>) {
    const DisplayState& d = displayOf(m, t);
    const auto* object = d.object ? d.object->as<model::StaticTextObject>() : nullptr;
    std::u16string out;
    if (!object)
        return m.string(out);
    std::optional<uint16_t> fontId;
    for (const swf::TextRecord& record : object->text().records) {
        if (record.fontId)
            fontId = record.fontId;
        const swf::Font* font = fontId ? movieFont(m, *fontId) : nullptr;
        for (const swf::GlyphEntry& g : record.glyphs) {
            if (font && g.index < font->glyphs.size() && font->glyphs[g.index].code)
                out.push_back(char16_t(font->glyphs[g.index].code));
        }
    }
    return m.string(out);
}
const avm2::NativeAccessor StaticTextAccessors[] = {{u"text", staticTextText}};

const avm2::CoreClassSpec SymbolClasses[] = {
    {.name = u"Font",
     .base = u"Object",
     .init = fontInit,
     .sealed = true,
     .statics = FontStatics,
     .package = u"flash.text",
     .methods = FontMethods,
     .accessors = FontAccessors},
    {.name = u"StaticText",
     .base = u"flash.display.DisplayObject",
     .init = staticTextInit,
     .sealed = true,
     .package = u"flash.text",
     .accessors = StaticTextAccessors,
     .final = true},
};

}  // namespace

std::span<const avm2::CoreClassSpec> textClasses() {
    static const std::vector<avm2::CoreClassSpec> all = [] {
        std::vector<avm2::CoreClassSpec> out;
        for (auto family : {textFormatClasses(), textFieldClasses(), styleSheetClasses(), textRendererClasses(),
                            textSnapshotClasses(), std::span<const avm2::CoreClassSpec>(SymbolClasses)})
            out.insert(out.end(), family.begin(), family.end());
        return out;
    }();
    return all;
}

}  // namespace as3
