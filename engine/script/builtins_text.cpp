// TextFormat, the TextField format methods and the TextField properties.
// Lengths are pixels to scripts and twips to the model; sizes points.
#include "script/builtins.h"
#include "script/text_field.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"
#include "script/stage_object.h"
#include "script/variables.h"

#include "model/edit_text_object.h"
#include "model/movie_clip.h"
#include "text/device_fonts.h"
#include "text/embedded_face.h"
#include "text/glyph_rendering.h"
#include "text/style_sheet.h"
#include "text/text_layout.h"

#include <algorithm>
#include <cmath>

namespace script {

namespace {

constexpr double TwipsPerPixel = 20.0;
// Lengths a script gives are kept within this many pixels.
constexpr double MaxPixels = 100000.0;

// The constructor's argument order.
constexpr std::u16string_view ConstructorOrder[] = {u"font",        u"size",   u"color",  u"bold",  u"italic",
                                                    u"underline",   u"url",    u"target", u"align", u"leftMargin",
                                                    u"rightMargin", u"indent", u"leading"};
constexpr std::u16string_view OtherMembers[] = {u"blockIndent", u"bullet", u"tabStops", u"letterSpacing", u"kerning"};

std::optional<double> pixels(Runtime& rt, const Value& v) {
    if (v.isNullish())
        return std::nullopt;
    const double n = toNumber(rt, v);
    if (!std::isfinite(n))
        return std::nullopt;
    return std::clamp(n, -MaxPixels, MaxPixels) * TwipsPerPixel;
}

std::optional<bool> flag(Runtime& rt, const Value& v) {
    if (v.isNullish())
        return std::nullopt;
    return toBoolean(rt, v);
}

std::optional<std::string> string(Runtime& rt, const Value& v) {
    if (v.isNullish())
        return std::nullopt;
    return toString(rt, v).utf8();
}

text::TextFormat fromObject(Runtime& rt, const Value& o) {
    text::TextFormat f;
    if (!o.asObject())
        return f;
    auto get = [&](std::u16string_view name) { return getMember(rt, o, name); };
    f.font = string(rt, get(u"font"));
    if (auto size = pixels(rt, get(u"size")); size && *size >= 0)
        f.size = std::min(*size, 127.0 * TwipsPerPixel * 10);
    if (const Value c = get(u"color"); !c.isNullish())
        f.color = uint32_t(toInt32(rt, c)) & 0xFFFFFF;
    f.bold = flag(rt, get(u"bold"));
    f.italic = flag(rt, get(u"italic"));
    f.underline = flag(rt, get(u"underline"));
    f.url = string(rt, get(u"url"));
    f.target = string(rt, get(u"target"));
    if (auto a = string(rt, get(u"align"))) {
        if (*a == "left")
            f.align = text::Align::Left;
        else if (*a == "right")
            f.align = text::Align::Right;
        else if (*a == "center")
            f.align = text::Align::Center;
        else if (*a == "justify")
            f.align = text::Align::Justify;
    }
    f.leftMargin = pixels(rt, get(u"leftMargin"));
    f.rightMargin = pixels(rt, get(u"rightMargin"));
    f.indent = pixels(rt, get(u"indent"));
    f.blockIndent = pixels(rt, get(u"blockIndent"));
    f.leading = pixels(rt, get(u"leading"));
    f.letterSpacing = pixels(rt, get(u"letterSpacing"));
    f.bullet = flag(rt, get(u"bullet"));
    f.kerning = flag(rt, get(u"kerning"));
    if (const Value t = get(u"tabStops"); t.asObject() && t.asObject()->objectClass() == ObjectClass::Array) {
        const auto* a = static_cast<const ArrayObject*>(t.asObject());
        std::vector<double> stops;
        for (size_t i = 0; i < std::min<size_t>(a->length(), 100); ++i) {
            if (auto p = pixels(rt, a->at(i)); p && *p >= 0)
                stops.push_back(*p);
        }
        f.tabStops = std::move(stops);
    }
    return f;
}

Value textFormatConstruct(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!self.asObject())
        return Value();
    for (size_t i = 0; i < std::size(ConstructorOrder); ++i) {
        const Value& v = arg(args, i);
        setMember(rt, self, ConstructorOrder[i], v.isUndefined() ? Value::null() : v);
    }
    for (std::u16string_view name : OtherMembers)
        setMember(rt, self, name, Value::null());
    return Value();
}

Value number(double twips) { return Value(twips / TwipsPerPixel); }

}  // namespace

Value textFormatObject(Runtime& rt, const text::TextFormat& f) {
    const Value o = construct(rt, getMember(rt, Value(rt.protos.textFormat), u"constructor"), {});
    if (!o.asObject())
        return o;
    auto set = [&](std::u16string_view name, const Value& v) { setMember(rt, o, name, v); };
    if (f.font)
        set(u"font", Value(rt.makeStringUtf8(*f.font)));
    if (f.size)
        set(u"size", number(*f.size));
    if (f.color)
        set(u"color", Value(double(*f.color)));
    if (f.bold)
        set(u"bold", Value::fromBool(*f.bold));
    if (f.italic)
        set(u"italic", Value::fromBool(*f.italic));
    if (f.underline)
        set(u"underline", Value::fromBool(*f.underline));
    if (f.url)
        set(u"url", Value(rt.makeStringUtf8(*f.url)));
    if (f.target)
        set(u"target", Value(rt.makeStringUtf8(*f.target)));
    if (f.align) {
        static constexpr std::u16string_view Names[] = {u"left", u"right", u"center", u"justify"};
        set(u"align", Value(String(Names[size_t(*f.align)])));
    }
    if (f.leftMargin)
        set(u"leftMargin", number(*f.leftMargin));
    if (f.rightMargin)
        set(u"rightMargin", number(*f.rightMargin));
    if (f.indent)
        set(u"indent", number(*f.indent));
    if (f.blockIndent)
        set(u"blockIndent", number(*f.blockIndent));
    if (f.leading)
        set(u"leading", number(*f.leading));
    if (f.letterSpacing)
        set(u"letterSpacing", number(*f.letterSpacing));
    if (f.bullet)
        set(u"bullet", Value::fromBool(*f.bullet));
    if (f.kerning)
        set(u"kerning", Value::fromBool(*f.kerning));
    if (f.tabStops) {
        std::vector<Value> stops;
        for (double t : *f.tabStops)
            stops.push_back(number(t));
        set(u"tabStops", Value(rt.newArray(std::move(stops))));
    }
    return o;
}

namespace {

Value toObject(Runtime& rt, const text::TextFormat& f) { return textFormatObject(rt, f); }

// A bound field's variable follows what a script did to the field, or the
// next binding pass would put the old content back.
void syncVariable(Runtime& rt, model::EditTextObject& field) {
    model::MovieClip* parent = field.parentClip();
    if (field.variableName().empty() || !parent)
        return;
    Frame f = timelineFrame(rt, rt.objectFor(*parent));
    setVariable(rt, f, utf8ToUtf16(field.variableName()), Value(rt.makeStringUtf8(field.text())));
}

model::EditTextObject* thisField(const Value& self) {
    Object* o = self.asObject();
    if (!o || o->objectClass() != ObjectClass::Stage)
        return nullptr;
    model::DisplayObject* d = static_cast<StageObject*>(o)->display();
    return d ? d->as<model::EditTextObject>() : nullptr;
}

// A script's character index, within 0..length.
size_t index(Runtime& rt, const Value& v, size_t length) {
    const double n = toNumber(rt, v);
    if (!std::isfinite(n) || n < 0)
        return 0;
    return size_t(std::min(n, double(length)));
}

// (format), (index, format) or (begin, end, format).
Value setTextFormat(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::EditTextObject* field = thisField(self);
    if (!field || args.empty())
        return Value();
    const size_t length = field->document().size();
    size_t begin = 0;
    size_t end = length;
    if (args.size() == 2) {
        begin = index(rt, args[0], length);
        end = begin + 1;
    } else if (args.size() >= 3) {
        begin = index(rt, args[0], length);
        end = index(rt, args[1], length);
    }
    if (!args[args.size() >= 3 ? 2 : args.size() - 1].asObject())
        return Value();
    field->applyFormat(begin, end, fromObject(rt, args[args.size() >= 3 ? 2 : args.size() - 1]));
    syncVariable(rt, *field);
    return Value();
}

Value getTextFormat(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::EditTextObject* field = thisField(self);
    if (!field)
        return Value();
    const size_t length = field->document().size();
    size_t begin = 0;
    size_t end = length;
    if (args.size() == 1) {
        begin = index(rt, args[0], length);
        end = begin + 1;
    } else if (args.size() >= 2) {
        begin = index(rt, args[0], length);
        end = index(rt, args[1], length);
    }
    if (length == 0)
        return toObject(rt, field->newTextFormat());
    return toObject(rt, field->document().formatOf(begin, std::max(end, begin)));
}

Value setNewTextFormat(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (model::EditTextObject* field = thisField(self); field && arg(args, 0).asObject())
        field->setNewTextFormat(fromObject(rt, args[0]));
    return Value();
}

Value getNewTextFormat(Runtime& rt, const Value& self, std::span<const Value>) {
    model::EditTextObject* field = thisField(self);
    return field ? toObject(rt, field->newTextFormat()) : Value();
}

// replaceSel(text): the selection becomes the text, in the new-text format;
// the caret follows it.
Value replaceSel(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::EditTextObject* field = thisField(self);
    if (!field || args.empty())
        return Value();
    const std::u32string added = text::fromUtf8(toString(rt, args[0]).utf8());
    const text::TextSelection sel = field->selection();
    text::FormattedText document = field->document();
    document.replace(sel.begin(), sel.end(), added, field->newTextFormat());
    field->setDocument(std::move(document));
    field->setSelection({sel.begin() + added.size(), sel.begin() + added.size()});
    syncVariable(rt, *field);
    return Value();
}

// replaceText(begin, end, text): in the format of the first replaced
// character (the new-text format in an empty field).
Value replaceText(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::EditTextObject* field = thisField(self);
    if (!field || args.size() < 3)
        return Value();
    text::FormattedText document = field->document();
    const size_t begin = index(rt, args[0], document.size());
    const size_t end = std::max(begin, index(rt, args[1], document.size()));
    const text::TextFormat format = document.size() ? document.formatAt(begin) : field->newTextFormat();
    document.replace(begin, end, text::fromUtf8(toString(rt, args[2]).utf8()), format);
    field->setDocument(std::move(document));
    syncVariable(rt, *field);
    return Value();
}

// TextField.getFontList(): the device font families.
Value getFontList(Runtime& rt, const Value&, std::span<const Value>) {
    std::vector<Value> names;
    for (const std::string& family : text::deviceFontFamilies())
        names.push_back(Value(rt.makeStringUtf8(family)));
    return Value(rt.newArray(std::move(names)));
}

// format.getTextExtent(text[, width]): the size of the text in this format
// (with the movie's embedded font of that name, else a device font), wrapped at `width` pixels when given.
Value getTextExtent(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (!self.asObject())
        return Value();
    text::TextFormat format = text::defaultFormat();
    format.apply(fromObject(rt, self));
    const text::FormattedText content(text::fromUtf8(toString(rt, arg(args, 0)).utf8()), format);
    text::FieldBox box;
    box.multiline = true;
    box.xMax = 1e7;
    if (const auto width = pixels(rt, arg(args, 1)); width && *width > 0) {
        box.wordWrap = true;
        box.xMax = *width + 2 * text::Gutter;
    }
    box.yMax = 1e7;
    // A font the movie embeds measures with its own outlines.
    const swf::Movie& movie = rt.movie();
    const text::TextLayout layout = text::layoutText(content, box, [&](const text::TextFormat& f) {
        const std::string name = f.font.value_or("");
        const bool bold = f.bold.value_or(false);
        const bool italic = f.italic.value_or(false);
        if (const model::EmbeddedFont embedded = model::findEmbeddedFont(movie, name, bold, italic); embedded.font)
            return std::shared_ptr<const text::Face>(std::make_shared<text::EmbeddedFace>(embedded.id, *embedded.font));
        return text::deviceFace(name, bold, italic);
    });
    const auto face =
        layout.faces.empty() ? text::deviceFace(format.font.value_or(""), false, false) : layout.faces.front();
    const double size = format.size.value_or(240.0);
    Object* o = rt.newObject();
    const Value out(o);
    setMember(rt, out, u"width", number(std::ceil(layout.textWidth)));
    setMember(rt, out, u"height", number(std::ceil(layout.textHeight)));
    setMember(rt, out, u"ascent", number(face->ascent() * size));
    setMember(rt, out, u"descent", number(face->descent() * size));
    setMember(rt, out, u"textFieldWidth", number(std::ceil(layout.textWidth) + 2 * text::Gutter));
    setMember(rt, out, u"textFieldHeight", number(std::ceil(layout.textHeight) + 2 * text::Gutter));
    return out;
}

}  // namespace

void installTextFormat(Runtime& rt) {
    Object* proto = rt.newObject();
    rt.protos.textFormat = proto;
    rt.defineMethod(proto, u"getTextExtent", getTextExtent);
    NativeFunction* ctor = rt.newNative(textFormatConstruct);
    rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(ctor));
    rt.defineValue(rt.global, u"TextFormat", Value(ctor));

    Object* t = rt.protos.textField;
    if (!t)
        return;
    rt.defineMethod(t, u"setTextFormat", setTextFormat);
    rt.defineMethod(t, u"getTextFormat", getTextFormat);
    rt.defineMethod(t, u"setNewTextFormat", setNewTextFormat);
    rt.defineMethod(t, u"getNewTextFormat", getNewTextFormat);
    rt.defineMethod(t, u"replaceSel", replaceSel);
    rt.defineMethod(t, u"replaceText", replaceText);
    if (Object* textField = getMember(rt, Value(rt.global), u"TextField").asObject())
        rt.defineMethod(textField, u"getFontList", getFontList);
}

std::optional<Value> getTextFieldProperty(Runtime& rt, model::EditTextObject& field, std::u16string_view name) {
    const model::FieldSettings& s = field.settings();
    auto is = [&](std::u16string_view n) { return namesMatch(name, n, rt.caseSensitive); };
    if (is(u"text"))
        return Value(rt.makeStringUtf8(field.plainText()));
    if (is(u"htmlText"))
        return Value(rt.makeStringUtf8(field.htmlText()));
    if (is(u"html"))
        return Value::fromBool(s.html);
    if (is(u"wordWrap"))
        return Value::fromBool(s.wordWrap);
    if (is(u"multiline"))
        return Value::fromBool(s.multiline);
    if (is(u"password"))
        return Value::fromBool(s.password);
    if (is(u"selectable"))
        return Value::fromBool(s.selectable);
    if (is(u"embedFonts"))
        return Value::fromBool(s.embedFonts);
    if (is(u"condenseWhite"))
        return Value::fromBool(s.condenseWhite);
    if (is(u"border"))
        return Value::fromBool(s.border);
    if (is(u"background"))
        return Value::fromBool(s.background);
    if (is(u"borderColor"))
        return Value(double(s.borderColor));
    if (is(u"backgroundColor"))
        return Value(double(s.backgroundColor));
    if (is(u"textColor")) {
        const text::TextFormat f = field.document().size() ? field.document().formatAt(0) : field.newTextFormat();
        return Value(double(f.color.value_or(0)));
    }
    if (is(u"autoSize")) {
        static constexpr std::u16string_view Names[] = {u"none", u"left", u"center", u"right"};
        return Value(String(Names[size_t(s.autoSize)]));
    }
    if (is(u"type"))
        return Value(String(s.editable ? u"input" : u"dynamic"));
    if (is(u"antiAliasType"))
        return Value(String(s.glyphs.advanced ? u"advanced" : u"normal"));
    if (is(u"gridFitType"))
        return Value(String(text::gridFitName(s.glyphs.gridFit)));
    if (is(u"sharpness"))
        return Value(s.glyphs.sharpness);
    if (is(u"thickness"))
        return Value(s.glyphs.thickness);
    if (is(u"restrict"))
        return s.restrict ? Value(rt.makeStringUtf8(*s.restrict)) : Value::null();
    if (is(u"maxChars"))
        return s.maxChars ? Value(double(*s.maxChars)) : Value::null();
    if (is(u"length"))
        return Value(double(rt.makeStringUtf8(field.plainText()).size()));
    if (is(u"scroll"))
        return Value(double(field.scroll()));
    if (is(u"maxscroll"))
        return Value(double(field.maxScroll()));
    if (is(u"bottomScroll"))
        return Value(double(field.bottomScroll()));
    if (is(u"hscroll"))
        return Value(std::round(field.hscroll() / TwipsPerPixel));
    if (is(u"maxhscroll"))
        return Value(std::round(field.maxHscroll() / TwipsPerPixel));
    if (is(u"textWidth"))
        return Value(std::ceil(field.layout().textWidth / TwipsPerPixel));
    if (is(u"textHeight"))
        return Value(std::ceil(field.layout().textHeight / TwipsPerPixel));
    return std::nullopt;
}

bool setTextFieldProperty(Runtime& rt, model::EditTextObject& field, std::u16string_view name, const Value& value) {
    auto is = [&](std::u16string_view n) { return namesMatch(name, n, rt.caseSensitive); };
    auto setFlag = [&](bool model::FieldSettings::*member) {
        const bool on = toBoolean(rt, value);
        field.changeSettings([&](model::FieldSettings& s) { s.*member = on; });
        return true;
    };
    if (is(u"text")) {
        field.setPlainText(toString(rt, value).utf8());
        syncVariable(rt, field);
        return true;
    }
    if (is(u"styleSheet")) {
        // Kept as a plain member too, so scripts read back their object.
        auto sheet = styleSheetOf(value);
        if (sheet && sheet->style("a:hover"))
            rt.input.hoverStyles = true;
        field.setStyleSheet(std::move(sheet));
        return false;
    }
    if (is(u"htmlText")) {
        field.setHtmlText(toString(rt, value).utf8());
        syncVariable(rt, field);
        return true;
    }
    if (is(u"html")) {
        setFlag(&model::FieldSettings::html);
        syncVariable(rt, field);
        return true;
    }
    if (is(u"wordWrap"))
        return setFlag(&model::FieldSettings::wordWrap);
    if (is(u"multiline"))
        return setFlag(&model::FieldSettings::multiline);
    if (is(u"password"))
        return setFlag(&model::FieldSettings::password);
    if (is(u"selectable"))
        return setFlag(&model::FieldSettings::selectable);
    if (is(u"embedFonts"))
        return setFlag(&model::FieldSettings::embedFonts);
    if (is(u"condenseWhite"))
        return setFlag(&model::FieldSettings::condenseWhite);
    if (is(u"border"))
        return setFlag(&model::FieldSettings::border);
    if (is(u"background"))
        return setFlag(&model::FieldSettings::background);
    // Names other than the known ones leave the field as it is.
    if (is(u"antiAliasType") || is(u"gridFitType")) {
        const std::u16string name(toString(rt, value).view());
        const bool antiAlias = is(u"antiAliasType");
        field.changeSettings([&](model::FieldSettings& s) {
            if (antiAlias && (name == u"normal" || name == u"advanced"))
                s.glyphs.advanced = name == u"advanced";
            else if (const auto fit = text::gridFitNamed(name); !antiAlias && fit)
                s.glyphs.gridFit = *fit;
        });
        return true;
    }
    if (is(u"sharpness") || is(u"thickness")) {
        const double v = toNumber(rt, value);
        const bool sharpness = is(u"sharpness");
        field.changeSettings([&](model::FieldSettings& s) {
            if (sharpness)
                s.glyphs.sharpness = text::clampSharpness(v);
            else
                s.glyphs.thickness = text::clampThickness(v);
        });
        return true;
    }
    if (is(u"borderColor") || is(u"backgroundColor")) {
        const uint32_t rgb = uint32_t(toInt32(rt, value)) & 0xFFFFFF;
        const bool border = is(u"borderColor");
        field.changeSettings([&](model::FieldSettings& s) { (border ? s.borderColor : s.backgroundColor) = rgb; });
        return true;
    }
    if (is(u"textColor")) {
        text::TextFormat f;
        f.color = uint32_t(toInt32(rt, value)) & 0xFFFFFF;
        field.setNewTextFormat(f);
        field.applyFormat(0, field.document().size(), f);
        syncVariable(rt, field);
        return true;
    }
    if (is(u"autoSize")) {
        model::AutoSize a = model::AutoSize::None;
        if (value.isBoolean()) {
            a = value.asBool() ? model::AutoSize::Left : model::AutoSize::None;
        } else {
            const std::string v = toString(rt, value).utf8();
            a = v == "left"     ? model::AutoSize::Left
                : v == "center" ? model::AutoSize::Center
                : v == "right"  ? model::AutoSize::Right
                                : model::AutoSize::None;
        }
        field.changeSettings([&](model::FieldSettings& s) { s.autoSize = a; });
        return true;
    }
    if (is(u"type")) {
        const bool input = toString(rt, value).utf8() == "input";
        field.changeSettings([&](model::FieldSettings& s) { s.editable = input; });
        return true;
    }
    if (is(u"restrict")) {
        std::optional<std::string> r;
        if (!value.isNullish())
            r = toString(rt, value).utf8();
        field.changeSettings([&](model::FieldSettings& s) { s.restrict = std::move(r); });
        return true;
    }
    if (is(u"maxChars")) {
        std::optional<uint16_t> m;
        if (!value.isNullish()) {
            const double n = toNumber(rt, value);
            if (std::isfinite(n) && n > 0)
                m = uint16_t(std::min(n, 65535.0));
        }
        field.changeSettings([&](model::FieldSettings& s) { s.maxChars = m; });
        return true;
    }
    if (is(u"scroll")) {
        const double n = toNumber(rt, value);
        field.setScroll(std::isfinite(n) ? int(std::clamp(n, -1e6, 1e6)) : 1);
        return true;
    }
    if (is(u"hscroll")) {
        field.setHscroll(toNumber(rt, value) * TwipsPerPixel);
        return true;
    }
    // Read-only: the write is taken and dropped.
    return is(u"maxscroll") || is(u"maxhscroll") || is(u"bottomScroll") || is(u"length") || is(u"textWidth") ||
           is(u"textHeight");
}

}  // namespace script
