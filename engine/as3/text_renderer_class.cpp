// flash.text.TextRenderer and CSMSettings: the stage's advanced
// anti-aliasing settings (text::TextRendererSettings), with the
// TextDisplayMode and TextColorType names.
#include "as3/host_context.h"
#include "as3/member_tables.h"

#include "avm2/conversions.h"
#include "avm2/object.h"
#include "avm2/string.h"

#include "text/text_renderer.h"

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

std::span<const avm2::CoreClassSpec> textRendererClasses();

namespace {

constexpr const char16_t* Text = u"flash.text";

text::TextRendererSettings& settingsOf(Machine& m) { return hostContext(m).stage.textRenderer(); }

// --- CSMSettings ----------------------------------------------------------------

struct CsmState final : avm2::NativeState {
    text::CsmSettings row;
};

CsmState* csmOf(Value v) { return v.isObject() ? v.asObject()->nativeAs<CsmState>() : nullptr; }
CsmState& csmOf(Machine& m, Value v) {
    CsmState* state = csmOf(v);
    if (!state)
        m.throwError("TypeError", 1034, u"Type Coercion failed: the value is not a flash.text.CSMSettings.");
    return *state;
}

Value csmInit(Machine& m, Value t, std::span<const Value> args) {
    auto state = std::make_unique<CsmState>();
    state->row = {m.toNumber(argument(args, 0)), m.toNumber(argument(args, 1)), m.toNumber(argument(args, 2))};
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

template <double text::CsmSettings::*Field>
Value csmGet(Machine& m, Value t, std::span<const Value>) {
    return Value::number(csmOf(m, t).row.*Field);
}
template <double text::CsmSettings::*Field>
Value csmSet(Machine& m, Value t, std::span<const Value> args) {
    csmOf(m, t).row.*Field = m.toNumber(argument(args, 0));
    return Value();
}

const avm2::NativeAccessor CsmAccessors[] = {
    {u"fontSize", csmGet<&text::CsmSettings::fontSize>, csmSet<&text::CsmSettings::fontSize>},
    {u"insideCutoff", csmGet<&text::CsmSettings::insideCutoff>, csmSet<&text::CsmSettings::insideCutoff>},
    {u"outsideCutoff", csmGet<&text::CsmSettings::outsideCutoff>, csmSet<&text::CsmSettings::outsideCutoff>},
};

// --- TextRenderer ---------------------------------------------------------------

[[noreturn]] void notAccepted(Machine& m, std::u16string_view parameter) {
    m.throwError("ArgumentError", 2008,
                 u"Parameter " + std::u16string(parameter) + u" must be one of the accepted values.");
}

std::u16string nonNullString(Machine& m, const Value& v, std::u16string_view parameter) {
    if (v.isNullish())
        m.throwError("TypeError", 2007, u"Parameter " + std::u16string(parameter) + u" must be non-null.");
    return m.toString(v)->text();
}

Value displayModeGet(Machine& m, Value, std::span<const Value>) {
    return m.string(std::u16string(text::displayModeName(settingsOf(m).displayMode())));
}
Value displayModeSet(Machine& m, Value, std::span<const Value> args) {
    const auto mode = text::displayModeNamed(nonNullString(m, argument(args, 0), u"displayMode"));
    if (!mode)
        notAccepted(m, u"displayMode");
    settingsOf(m).setDisplayMode(*mode);
    return Value();
}

Value maxLevelGet(Machine& m, Value, std::span<const Value>) { return Value::fromInt(settingsOf(m).maxLevel()); }
Value maxLevelSet(Machine& m, Value, std::span<const Value> args) {
    if (!settingsOf(m).setMaxLevel(avm2::toInt32(m.toNumber(argument(args, 0)))))
        notAccepted(m, u"maxLevel");
    return Value();
}

// setAdvancedAntiAliasingTable(fontName, fontStyle, colorType, table): the
// table is an Array of CSMSettings.
Value setAdvancedAntiAliasingTable(Machine& m, Value, std::span<const Value> args) {
    const std::u16string fontName = nonNullString(m, argument(args, 0), u"fontName");
    const auto style = text::fontStyleNamed(nonNullString(m, argument(args, 1), u"fontStyle"));
    if (!style)
        notAccepted(m, u"fontStyle");
    const auto color = text::colorTypeNamed(nonNullString(m, argument(args, 2), u"colorType"));
    if (!color)
        notAccepted(m, u"colorType");
    const Value table = argument(args, 3);
    if (table.isNullish())
        m.throwError("TypeError", 2007, u"Parameter advancedAntiAliasingTable must be non-null.");
    auto* array = table.isObject() ? dynamic_cast<avm2::ArrayObject*>(table.asObject()) : nullptr;
    if (!array)
        m.throwError("TypeError", 1034, u"Type Coercion failed: the table is not an Array.");
    if (array->elements().size() > text::TextRendererSettings::MaxRows)
        m.throwError("ArgumentError", 2004, u"One of the parameters is invalid.");
    std::vector<text::CsmSettings> rows;
    for (const Value& row : array->elements())
        rows.push_back(csmOf(m, row).row);
    if (!settingsOf(m).setTable(avm2::utf16ToUtf8(fontName), *style, *color, std::move(rows)))
        m.throwError("ArgumentError", 2004, u"One of the parameters is invalid.");
    return Value();
}

Value noConstruct(Machine& m, Value, std::span<const Value>) {
    m.throwError("ArgumentError", 2012, u"The class cannot be instantiated.");
}

const avm2::NativeAccessor RendererAccessors[] = {
    {u"displayMode", displayModeGet, displayModeSet},
    {u"maxLevel", maxLevelGet, maxLevelSet},
};
const avm2::NativeMember RendererStatics[] = {{u"setAdvancedAntiAliasingTable", setAdvancedAntiAliasingTable}};

const avm2::NativeStringConstant DisplayModeNames[] = {{u"DEFAULT", u"default"}, {u"LCD", u"lcd"}, {u"CRT", u"crt"}};
const avm2::NativeStringConstant ColorTypeNames[] = {{u"DARK_COLOR", u"dark"}, {u"LIGHT_COLOR", u"light"}};

}  // namespace

std::span<const avm2::CoreClassSpec> textRendererClasses() {
    static const avm2::CoreClassSpec Classes[] = {
        sealedClass(Text, u"CSMSettings", u"Object", csmInit, {.accessors = CsmAccessors}, true),
        staticsClass(Text, u"TextRenderer", {.statics = RendererStatics, .staticAccessors = RendererAccessors},
                     noConstruct),
        staticsClass(Text, u"TextDisplayMode", {.strings = DisplayModeNames}, noConstruct),
        staticsClass(Text, u"TextColorType", {.strings = ColorTypeNames}, noConstruct),
    };
    return Classes;
}

}  // namespace as3
