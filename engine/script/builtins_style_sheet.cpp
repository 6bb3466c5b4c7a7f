// TextField.StyleSheet: a script object over a text::StyleSheet, which a
// field's styleSheet property hands to the field's markup reader.
#include "script/builtins.h"
#include "script/text_field.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/net_session.h"
#include "script/runtime.h"

#include "text/style_sheet.h"

namespace script {

namespace {

class StyleSheetObject final : public Object {
public:
    explicit StyleSheetObject(const ObjectInit& init) : Object(init) {}
    // Copied when a field holds the sheet, so later changes wait for the
    // next assignment as they do in the player.
    std::shared_ptr<text::StyleSheet> sheet = std::make_shared<text::StyleSheet>();
};

text::StyleSheet* sheetOf(const Value& self) {
    auto* o = dynamic_cast<StyleSheetObject*>(self.asObject());
    return o ? o->sheet.get() : nullptr;
}

Value constructSheet(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(rt.heap.make<StyleSheetObject>(rt.protos.styleSheet));
}

Value parseCss(Runtime& rt, const Value& self, std::span<const Value> args) {
    text::StyleSheet* sheet = sheetOf(self);
    return Value::fromBool(sheet && sheet->parse(toString(rt, arg(args, 0)).utf8()));
}

// A style from an object's enumerable members (their values as strings).
text::StyleSheet::Style styleFrom(Runtime& rt, Object* o) {
    text::StyleSheet::Style style;
    for (const Property& p : o->properties().entries()) {
        if (p.flags & PropertyFlag::DontEnum)
            continue;
        const Value v = getMember(rt, Value(o), p.name.view());
        if (!v.isUndefined())
            style[p.name.utf8()] = toString(rt, v).utf8();
    }
    return style;
}

Value setStyle(Runtime& rt, const Value& self, std::span<const Value> args) {
    text::StyleSheet* sheet = sheetOf(self);
    if (!sheet || args.empty())
        return Value();
    const std::string name = toString(rt, args[0]).utf8();
    Object* o = arg(args, 1).asObject();
    sheet->setStyle(name, o ? std::optional(styleFrom(rt, o)) : std::nullopt);
    return Value();
}

Value styleObject(Runtime& rt, const text::StyleSheet::Style& style) {
    Object* o = rt.newObject();
    for (const auto& [name, value] : style)
        setMember(rt, Value(o), utf8ToUtf16(name), Value(rt.makeStringUtf8(value)));
    return Value(o);
}

Value getStyle(Runtime& rt, const Value& self, std::span<const Value> args) {
    text::StyleSheet* sheet = sheetOf(self);
    const text::StyleSheet::Style* style = sheet ? sheet->style(toString(rt, arg(args, 0)).utf8()) : nullptr;
    return style ? styleObject(rt, *style) : Value::null();
}

Value getStyleNames(Runtime& rt, const Value& self, std::span<const Value>) {
    std::vector<Value> names;
    if (text::StyleSheet* sheet = sheetOf(self)) {
        for (const std::string& n : sheet->names())
            names.push_back(Value(rt.makeStringUtf8(n)));
    }
    return Value(rt.newArray(std::move(names)));
}

Value clear(Runtime&, const Value& self, std::span<const Value>) {
    if (text::StyleSheet* sheet = sheetOf(self))
        sheet->clear();
    return Value();
}

// load(url): fetched as LoadVars fetch their text; onData parses it.
Value load(Runtime& rt, const Value& self, std::span<const Value> args) {
    Object* object = self.asObject();
    if (!sheetOf(self) || arg(args, 0).isNullish())
        return Value::fromBool(false);
    if (!rt.net)
        rt.net = std::make_unique<NetSession>(rt);
    putOwn(rt, object, u"loaded", Value::fromBool(false), PropertyFlag::DontEnum);
    return Value::fromBool(rt.net->start(object, LoadKind::LoadVars, toString(rt, args[0]).utf8()).has_value());
}

// The default onData: the text parsed as CSS, then onLoad(success); a file
// that is not CSS counts as a failure.
Value onData(Runtime& rt, const Value& self, std::span<const Value> args) {
    text::StyleSheet* sheet = sheetOf(self);
    if (!sheet)
        return Value();
    const bool success = !arg(args, 0).isUndefined() && sheet->parse(toString(rt, args[0]).utf8());
    putOwn(rt, self.asObject(), u"loaded", Value::fromBool(success), PropertyFlag::DontEnum);
    const Value flag = Value::fromBool(success);
    (void)callMethod(rt, self, u"onLoad", std::span<const Value>(&flag, 1));
    return Value();
}

Value onLoad(Runtime&, const Value&, std::span<const Value>) { return Value(); }

// transform(style): the TextFormat a style object sets, null for no object.
Value transform(Runtime& rt, const Value&, std::span<const Value> args) {
    Object* o = arg(args, 0).asObject();
    if (!o)
        return Value::null();
    return textFormatObject(rt, text::StyleSheet::transform(styleFrom(rt, o)));
}

}  // namespace

std::shared_ptr<const text::StyleSheet> styleSheetOf(const Value& value) {
    auto* o = dynamic_cast<StyleSheetObject*>(value.asObject());
    return o ? std::make_shared<const text::StyleSheet>(*o->sheet) : nullptr;
}

void installStyleSheet(Runtime& rt) {
    Object* proto = rt.newObject();
    rt.protos.styleSheet = proto;
    rt.defineMethod(proto, u"parseCSS", parseCss);
    rt.defineMethod(proto, u"setStyle", setStyle);
    rt.defineMethod(proto, u"getStyle", getStyle);
    rt.defineMethod(proto, u"getStyleNames", getStyleNames);
    rt.defineMethod(proto, u"clear", clear);
    rt.defineMethod(proto, u"transform", transform);
    rt.defineMethod(proto, u"load", load);
    rt.defineMethod(proto, u"onData", onData);
    rt.defineMethod(proto, u"onLoad", onLoad);
    NativeFunction* ctor = rt.newNative(constructSheet, constructSheet);
    rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(ctor));
    if (Object* textField = getMember(rt, Value(rt.global), u"TextField").asObject())
        rt.defineValue(textField, u"StyleSheet", Value(ctor));
}

}  // namespace script
