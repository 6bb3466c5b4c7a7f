// flash.text.TextFormat and the constant classes of flash.text. A member
// left unset reads as null, as a format of a mixed range does.
#include "as3/member_tables.h"
#include "as3/text_values.h"

#include "avm2/conversions.h"
#include "avm2/string.h"

#include <cmath>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

struct TextFormatState final : avm2::NativeState {
    text::TextFormat format;
};

text::TextFormat& formatOf(Machine& m, Value v) {
    auto* state = v.isObject() ? v.asObject()->nativeAs<TextFormatState>() : nullptr;
    if (!state) {
        if (v.isNullish())
            m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.text.TextFormat.");
    }
    return state->format;
}

std::u16string utf16(const std::string& s) { return avm2::utf8ToUtf16(s); }
std::string utf8(Machine& m, Value v) { return avm2::utf16ToUtf8(m.toString(v)->text()); }

// Lengths: pixels for scripts, twips in the format.
template <std::optional<double> text::TextFormat::*Field>
Value lengthGet(Machine& m, Value t, std::span<const Value>) {
    const auto& v = formatOf(m, t).*Field;
    return v ? Value::number(*v / 20.0) : Value::null();
}
template <std::optional<double> text::TextFormat::*Field>
Value lengthSet(Machine& m, Value t, std::span<const Value> args) {
    auto& field = formatOf(m, t).*Field;
    const Value v = argument(args, 0);
    const double n = v.isNullish() ? NAN : m.toNumber(v);
    if (std::isfinite(n))
        field = n * 20.0;
    else
        field.reset();
    return Value();
}
template <std::optional<bool> text::TextFormat::*Field>
Value flagGet(Machine& m, Value t, std::span<const Value>) {
    const auto& v = formatOf(m, t).*Field;
    return v ? Value::boolean(*v) : Value::null();
}
template <std::optional<bool> text::TextFormat::*Field>
Value flagSet(Machine& m, Value t, std::span<const Value> args) {
    auto& field = formatOf(m, t).*Field;
    const Value v = argument(args, 0);
    if (v.isNullish())
        field.reset();
    else
        field = avm2::toBoolean(v);
    return Value();
}
template <std::optional<std::string> text::TextFormat::*Field>
Value textGet(Machine& m, Value t, std::span<const Value>) {
    const auto& v = formatOf(m, t).*Field;
    return v ? m.string(utf16(*v)) : Value::null();
}
template <std::optional<std::string> text::TextFormat::*Field>
Value textSet(Machine& m, Value t, std::span<const Value> args) {
    auto& field = formatOf(m, t).*Field;
    const Value v = argument(args, 0);
    if (v.isNullish())
        field.reset();
    else
        field = utf8(m, v);
    return Value();
}

Value colorGet(Machine& m, Value t, std::span<const Value>) {
    const auto& v = formatOf(m, t).color;
    return v ? Value::fromUInt(*v) : Value::null();
}
Value colorSet(Machine& m, Value t, std::span<const Value> args) {
    auto& field = formatOf(m, t).color;
    const Value v = argument(args, 0);
    if (v.isNullish())
        field.reset();
    else
        field = avm2::toUInt32(m.toNumber(v)) & 0xFFFFFF;
    return Value();
}

constexpr std::pair<text::Align, const char16_t*> AlignNames[] = {
    {text::Align::Left, u"left"},
    {text::Align::Right, u"right"},
    {text::Align::Center, u"center"},
    {text::Align::Justify, u"justify"},
};

Value alignGet(Machine& m, Value t, std::span<const Value>) {
    const auto& v = formatOf(m, t).align;
    if (!v)
        return Value::null();
    for (const auto& [align, name] : AlignNames) {
        if (align == *v)
            return m.string(name);
    }
    return Value::null();
}
Value alignSet(Machine& m, Value t, std::span<const Value> args) {
    auto& field = formatOf(m, t).align;
    const Value v = argument(args, 0);
    if (v.isNullish()) {
        field.reset();
        return Value();
    }
    const std::u16string name = m.toString(v)->text();
    for (const auto& [align, text] : AlignNames) {
        if (name == text) {
            field = align;
            return Value();
        }
    }
    m.throwError("ArgumentError", 2008, u"Parameter align must be one of the accepted values.");
}

Value tabStopsGet(Machine& m, Value t, std::span<const Value>) {
    const auto& v = formatOf(m, t).tabStops;
    if (!v)
        return Value::null();
    std::vector<Value> stops;
    for (double stop : *v)
        stops.push_back(Value::number(stop / 20.0));
    return Value::object(m.newArray(stops));
}
Value tabStopsSet(Machine& m, Value t, std::span<const Value> args) {
    auto& field = formatOf(m, t).tabStops;
    const Value v = argument(args, 0);
    auto* array = v.isObject() ? dynamic_cast<avm2::ArrayObject*>(v.asObject()) : nullptr;
    if (!array) {
        field.reset();
        return Value();
    }
    std::vector<double> stops;
    for (size_t i = 0; i < array->elements().size() && i < 1000; ++i) {
        const double n = m.toNumber(array->elements()[i]);
        if (std::isfinite(n))
            stops.push_back(n * 20.0);
    }
    field = std::move(stops);
    return Value();
}

Value displayGet(Machine& m, Value, std::span<const Value>) { return m.string(u"block"); }
Value ignoreSet(Machine&, Value, std::span<const Value>) { return Value(); }

// TextFormat(font, size, color, bold, italic, underline, url, target,
// align, leftMargin, rightMargin, indent, leading): each one given and not
// null is set.
Value textFormatInit(Machine& m, Value t, std::span<const Value> args) {
    t.asObject()->setNativeState(std::make_unique<TextFormatState>());
    const avm2::NativeCode setters[] = {
        textSet<&text::TextFormat::font>,
        lengthSet<&text::TextFormat::size>,
        colorSet,
        flagSet<&text::TextFormat::bold>,
        flagSet<&text::TextFormat::italic>,
        flagSet<&text::TextFormat::underline>,
        textSet<&text::TextFormat::url>,
        textSet<&text::TextFormat::target>,
        alignSet,
        lengthSet<&text::TextFormat::leftMargin>,
        lengthSet<&text::TextFormat::rightMargin>,
        lengthSet<&text::TextFormat::indent>,
        lengthSet<&text::TextFormat::leading>,
    };
    for (size_t i = 0; i < std::size(setters) && i < args.size(); ++i) {
        if (!args[i].isNullish())
            (void)setters[i](m, t, args.subspan(i, 1));
    }
    return Value();
}

const avm2::NativeAccessor TextFormatAccessors[] = {
    {u"font", textGet<&text::TextFormat::font>, textSet<&text::TextFormat::font>},
    {u"size", lengthGet<&text::TextFormat::size>, lengthSet<&text::TextFormat::size>},
    {u"color", colorGet, colorSet},
    {u"bold", flagGet<&text::TextFormat::bold>, flagSet<&text::TextFormat::bold>},
    {u"italic", flagGet<&text::TextFormat::italic>, flagSet<&text::TextFormat::italic>},
    {u"underline", flagGet<&text::TextFormat::underline>, flagSet<&text::TextFormat::underline>},
    {u"url", textGet<&text::TextFormat::url>, textSet<&text::TextFormat::url>},
    {u"target", textGet<&text::TextFormat::target>, textSet<&text::TextFormat::target>},
    {u"align", alignGet, alignSet},
    {u"leftMargin", lengthGet<&text::TextFormat::leftMargin>, lengthSet<&text::TextFormat::leftMargin>},
    {u"rightMargin", lengthGet<&text::TextFormat::rightMargin>, lengthSet<&text::TextFormat::rightMargin>},
    {u"indent", lengthGet<&text::TextFormat::indent>, lengthSet<&text::TextFormat::indent>},
    {u"blockIndent", lengthGet<&text::TextFormat::blockIndent>, lengthSet<&text::TextFormat::blockIndent>},
    {u"leading", lengthGet<&text::TextFormat::leading>, lengthSet<&text::TextFormat::leading>},
    {u"letterSpacing", lengthGet<&text::TextFormat::letterSpacing>, lengthSet<&text::TextFormat::letterSpacing>},
    {u"bullet", flagGet<&text::TextFormat::bullet>, flagSet<&text::TextFormat::bullet>},
    {u"kerning", flagGet<&text::TextFormat::kerning>, flagSet<&text::TextFormat::kerning>},
    {u"tabStops", tabStopsGet, tabStopsSet},
    {u"display", displayGet, ignoreSet},
};

const avm2::NativeStringConstant AutoSizeNames[] = {
    {u"NONE", u"none"}, {u"LEFT", u"left"}, {u"CENTER", u"center"}, {u"RIGHT", u"right"}};
const avm2::NativeStringConstant AlignConstants[] = {{u"LEFT", u"left"},     {u"RIGHT", u"right"},
                                                     {u"CENTER", u"center"}, {u"JUSTIFY", u"justify"},
                                                     {u"START", u"start"},   {u"END", u"end"}};
const avm2::NativeStringConstant TypeNames[] = {{u"DYNAMIC", u"dynamic"}, {u"INPUT", u"input"}};
const avm2::NativeStringConstant AntiAliasNames[] = {{u"NORMAL", u"normal"}, {u"ADVANCED", u"advanced"}};
const avm2::NativeStringConstant GridFitNames[] = {
    {u"NONE", u"none"}, {u"PIXEL", u"pixel"}, {u"SUBPIXEL", u"subpixel"}};
const avm2::NativeStringConstant FontStyleNames[] = {
    {u"REGULAR", u"regular"}, {u"BOLD", u"bold"}, {u"ITALIC", u"italic"}, {u"BOLD_ITALIC", u"boldItalic"}};
const avm2::NativeStringConstant FontTypeNames[] = {
    {u"EMBEDDED", u"embedded"}, {u"EMBEDDED_CFF", u"embeddedCFF"}, {u"DEVICE", u"device"}};

Value noConstruct(Machine& m, Value, std::span<const Value>) {
    m.throwError("ArgumentError", 2012, u"The class cannot be instantiated.");
}

constexpr const char16_t* Text = u"flash.text";

}  // namespace

Value newTextFormat(Machine& m, const text::TextFormat& format) {
    Value v = m.construct(Value::object(m.coreClass(Text, u"TextFormat")), {});
    formatOf(m, v) = format;
    return v;
}

text::TextFormat readTextFormat(Machine& m, Value v) { return formatOf(m, v); }

std::span<const avm2::CoreClassSpec> textFormatClasses();
std::span<const avm2::CoreClassSpec> textFormatClasses() {
    static const avm2::CoreClassSpec Classes[] = {
        sealedClass(Text, u"TextFormat", u"Object", textFormatInit, {.accessors = TextFormatAccessors}),
        staticsClass(Text, u"TextFieldAutoSize", {.strings = AutoSizeNames}, noConstruct),
        staticsClass(Text, u"TextFormatAlign", {.strings = AlignConstants}, noConstruct),
        staticsClass(Text, u"TextFieldType", {.strings = TypeNames}, noConstruct),
        staticsClass(Text, u"AntiAliasType", {.strings = AntiAliasNames}, noConstruct),
        staticsClass(Text, u"GridFitType", {.strings = GridFitNames}, noConstruct),
        staticsClass(Text, u"FontStyle", {.strings = FontStyleNames}, noConstruct),
        staticsClass(Text, u"FontType", {.strings = FontTypeNames}, noConstruct),
    };
    return Classes;
}

}  // namespace as3
