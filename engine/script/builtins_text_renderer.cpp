// flash.text.TextRenderer (ActionScript 2): the stage's advanced
// anti-aliasing settings. Values it does not take are ignored, as the
// version 8 player does; tables are Arrays of objects with fontSize,
// insideCutoff and outsideCutoff.
#include "script/array_object.h"
#include "script/builtins.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include "model/stage.h"
#include "text/text_renderer.h"

#include <cmath>

namespace script {

namespace {

text::TextRendererSettings& settingsOf(Runtime& rt) { return rt.stage.textRenderer(); }

const Value& argument(std::span<const Value> args, size_t i) {
    static const Value undefined;
    return i < args.size() ? args[i] : undefined;
}

Value displayModeGet(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(String(text::displayModeName(settingsOf(rt).displayMode())));
}
Value displayModeSet(Runtime& rt, const Value&, std::span<const Value> args) {
    if (const auto mode = text::displayModeNamed(toString(rt, argument(args, 0)).view()))
        settingsOf(rt).setDisplayMode(*mode);
    return Value();
}

Value maxLevelGet(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(double(settingsOf(rt).maxLevel()));
}
Value maxLevelSet(Runtime& rt, const Value&, std::span<const Value> args) {
    const double level = toNumber(rt, argument(args, 0));
    if (std::isfinite(level) && level == std::trunc(level) && std::abs(level) < 100)
        (void)settingsOf(rt).setMaxLevel(int(level));
    return Value();
}

Value setAdvancedAntiAliasingTable(Runtime& rt, const Value&, std::span<const Value> args) {
    const auto style = text::fontStyleNamed(toString(rt, argument(args, 1)).view());
    const auto color = text::colorTypeNamed(toString(rt, argument(args, 2)).view());
    const Value& table = argument(args, 3);
    if (argument(args, 0).isNullish() || !style || !color || !table.asObject() ||
        table.asObject()->objectClass() != ObjectClass::Array)
        return Value();
    const auto* array = static_cast<const ArrayObject*>(table.asObject());
    if (array->length() > text::TextRendererSettings::MaxRows)
        return Value();
    std::vector<text::CsmSettings> rows;
    for (const Value& row : array->elements()) {
        if (!row.asObject())
            continue;
        rows.push_back({toNumber(rt, getMember(rt, row, u"fontSize")),
                        toNumber(rt, getMember(rt, row, u"insideCutoff")),
                        toNumber(rt, getMember(rt, row, u"outsideCutoff"))});
    }
    (void)settingsOf(rt).setTable(toString(rt, argument(args, 0)).utf8(), *style, *color, std::move(rows));
    return Value();
}

}  // namespace

void installTextRenderer(Runtime& rt) {
    Object* renderer = rt.newObject();
    rt.defineValue(packageObject(rt, u"flash.text"), u"TextRenderer", Value(renderer));
    defineAccessor(rt, renderer, u"displayMode", displayModeGet, displayModeSet);
    defineAccessor(rt, renderer, u"maxLevel", maxLevelGet, maxLevelSet);
    rt.defineMethod(renderer, u"setAdvancedAntiAliasingTable", setAdvancedAntiAliasingTable);
}

}  // namespace script
