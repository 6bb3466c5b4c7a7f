// flash.text.StyleSheet over the text layer's sheet, the one ActionScript 2
// fields use. A TextField holding a sheet shares it: markup set later reads
// the sheet as it is then.
#include "as3/event_dispatch.h"
#include "as3/text_values.h"

#include "avm2/conversions.h"
#include "avm2/string.h"

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

struct StyleSheetState final : DispatcherState {
    std::shared_ptr<text::StyleSheet> sheet = std::make_shared<text::StyleSheet>();
};

StyleSheetState* stateOf(Value v) { return v.isObject() ? v.asObject()->nativeAs<StyleSheetState>() : nullptr; }

text::StyleSheet& sheetOf(Machine& m, Value v) {
    StyleSheetState* state = stateOf(v);
    if (!state)
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.text.StyleSheet.");
    return *state->sheet;
}

std::string utf8(Machine& m, Value v) { return avm2::utf16ToUtf8(m.toString(v)->text()); }

// A style from an object's own dynamic members, their values as text.
text::StyleSheet::Style styleFrom(Machine& m, avm2::Object* o) {
    text::StyleSheet::Style style;
    for (size_t i = 0; i < o->dynamicCount() && style.size() < text::MaxStyleProperties; ++i) {
        const auto& [name, value] = o->dynamicAt(i);
        if (o->enumerableAt(i) && !value.isUndefined())
            style[avm2::utf16ToUtf8(name)] = utf8(m, value);
    }
    return style;
}

Value styleSheetInit(Machine&, Value t, std::span<const Value>) {
    t.asObject()->setNativeState(std::make_unique<StyleSheetState>());
    return Value();
}

// Text that does not read as CSS adds nothing, silently.
Value parseCss(Machine& m, Value t, std::span<const Value> args) {
    (void)sheetOf(m, t).parse(utf8(m, argument(args, 0)));
    return Value();
}

Value setStyle(Machine& m, Value t, std::span<const Value> args) {
    text::StyleSheet& sheet = sheetOf(m, t);
    const Value style = argument(args, 1);
    sheet.setStyle(utf8(m, argument(args, 0)),
                   style.isObject() ? std::optional(styleFrom(m, style.asObject())) : std::nullopt);
    return Value();
}

Value styleObject(Machine& m, const text::StyleSheet::Style& style) {
    avm2::Object* o = m.newObject();
    for (const auto& [name, value] : style)
        o->setOwn(avm2::utf8ToUtf16(name), m.string(avm2::utf8ToUtf16(value)));
    return Value::object(o);
}

// A copy: changing it changes nothing until it is set again.
Value getStyle(Machine& m, Value t, std::span<const Value> args) {
    const text::StyleSheet::Style* style = sheetOf(m, t).style(utf8(m, argument(args, 0)));
    return style ? styleObject(m, *style) : Value::null();
}

Value styleNamesGet(Machine& m, Value t, std::span<const Value>) {
    std::vector<Value> names;
    for (const std::string& name : sheetOf(m, t).names())
        names.push_back(m.string(avm2::utf8ToUtf16(name)));
    return Value::object(m.newArray(names));
}

Value clear(Machine& m, Value t, std::span<const Value>) {
    sheetOf(m, t).clear();
    return Value();
}

// transform(style): the TextFormat a style object sets; null for no object.
Value transform(Machine& m, Value t, std::span<const Value> args) {
    (void)sheetOf(m, t);
    const Value style = argument(args, 0);
    if (!style.isObject())
        return Value::null();
    return newTextFormat(m, text::StyleSheet::transform(styleFrom(m, style.asObject())));
}

const avm2::NativeMember Methods[] = {
    {u"parseCSS", parseCss}, {u"setStyle", setStyle},   {u"getStyle", getStyle},
    {u"clear", clear},       {u"transform", transform},
};
const avm2::NativeAccessor Accessors[] = {{u"styleNames", styleNamesGet}};

}  // namespace

std::shared_ptr<text::StyleSheet> styleSheetOf(Value v) {
    StyleSheetState* state = stateOf(v);
    return state ? state->sheet : nullptr;
}

std::span<const avm2::CoreClassSpec> styleSheetClasses();
std::span<const avm2::CoreClassSpec> styleSheetClasses() {
    static const avm2::CoreClassSpec Classes[] = {
        {.name = u"StyleSheet",
         .base = u"flash.events.EventDispatcher",
         .init = styleSheetInit,
         .package = u"flash.text",
         .methods = Methods,
         .accessors = Accessors},
    };
    return Classes;
}

}  // namespace as3
