// flash.text.TextSnapshot: DisplayObjectContainer.textSnapshot, a live view
// of the container's static text (model::TextSnapshot).
#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/text_values.h"

#include "avm2/conversions.h"
#include "avm2/object.h"
#include "avm2/string.h"

#include "model/text_snapshot.h"

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

std::span<const avm2::CoreClassSpec> textSnapshotClasses();

namespace {

struct SnapshotState final : avm2::NativeState {
    explicit SnapshotState(std::shared_ptr<const model::DisplayObject> container) : view(std::move(container)) {}
    model::TextSnapshot view;
};

// Only the container's getter makes them; a script-made one is empty.
const model::TextSnapshot& viewOf(Value self) {
    static const model::TextSnapshot none(nullptr);
    auto* s = self.isObject() ? self.asObject()->nativeAs<SnapshotState>() : nullptr;
    return s ? s->view : none;
}

double numberArg(Machine& m, std::span<const Value> args, size_t i, double fallback) {
    return i < args.size() && !args[i].isUndefined() ? m.toNumber(args[i]) : fallback;
}

Value charCount(Machine&, Value t, std::span<const Value>) { return Value::fromInt(int32_t(viewOf(t).count())); }

Value getText(Machine& m, Value t, std::span<const Value> args) {
    return m.string(
        viewOf(t).text(numberArg(m, args, 0, 0), numberArg(m, args, 1, 0), avm2::toBoolean(argument(args, 2))));
}

Value findText(Machine& m, Value t, std::span<const Value> args) {
    const std::u16string needle = m.toString(argument(args, 1))->text();
    return Value::fromInt(
        int32_t(viewOf(t).find(numberArg(m, args, 0, 0), needle, avm2::toBoolean(argument(args, 2)))));
}

Value setSelected(Machine& m, Value t, std::span<const Value> args) {
    viewOf(t).setSelected(numberArg(m, args, 0, 0), numberArg(m, args, 1, 0), avm2::toBoolean(argument(args, 2)));
    return Value();
}

Value getSelected(Machine& m, Value t, std::span<const Value> args) {
    return Value::boolean(viewOf(t).selected(numberArg(m, args, 0, 0), numberArg(m, args, 1, 0)));
}

Value getSelectedText(Machine& m, Value t, std::span<const Value> args) {
    return m.string(viewOf(t).selectedText(args.empty() ? false : avm2::toBoolean(args[0])));
}

Value setSelectColor(Machine& m, Value t, std::span<const Value> args) {
    viewOf(t).setSelectColor(args.empty() ? model::StaticTextObject::DefaultSelectColor
                                          : uint32_t(avm2::toInt32(m.toNumber(args[0]))));
    return Value();
}

// Coordinates are the container's pixels.
Value hitTestTextNearPos(Machine& m, Value t, std::span<const Value> args) {
    const double x = numberArg(m, args, 0, 0) * 20.0;
    const double y = numberArg(m, args, 1, 0) * 20.0;
    return Value::number(double(viewOf(t).hitTestNear(x, y, numberArg(m, args, 2, 0) * 20.0)));
}

Value getTextRunInfo(Machine& m, Value t, std::span<const Value> args) {
    const auto runs = viewOf(t).runInfo(numberArg(m, args, 0, 0), numberArg(m, args, 1, 0));
    avm2::ArrayObject* list = m.newArray();
    Machine::Pin keep(m, Value::object(list));
    m.resizeArray(list, runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        const model::TextSnapshot::RunInfo& r = runs[i];
        avm2::Object* o = m.newObject();
        list->elements()[i] = Value::object(o);
        o->setOwn(u"indexInRun", Value::fromInt(int32_t(r.index)));
        o->setOwn(u"selected", Value::boolean(r.selected));
        o->setOwn(u"font", m.string(avm2::utf8ToUtf16(r.font)));
        o->setOwn(u"color", Value::fromUInt(r.color));
        o->setOwn(u"height", Value::number(r.height));
        const double matrix[6] = {r.matrix.a, r.matrix.b, r.matrix.c, r.matrix.d, r.matrix.tx, r.matrix.ty};
        const char16_t* const matrixNames[6] = {u"matrix_a", u"matrix_b",  u"matrix_c",
                                                u"matrix_d", u"matrix_tx", u"matrix_ty"};
        for (int k = 0; k < 6; ++k)
            o->setOwn(matrixNames[k], Value::number(matrix[k]));
        for (int k = 0; k < 4; ++k) {
            const std::u16string corner = u"corner" + std::u16string(1, char16_t(u'0' + k));
            o->setOwn(corner + u"x", Value::number(r.corners[k].x));
            o->setOwn(corner + u"y", Value::number(r.corners[k].y));
        }
    }
    return Value::object(list);
}

Value snapshotInit(Machine&, Value, std::span<const Value>) { return Value(); }

const avm2::NativeAccessor SnapshotAccessors[] = {{u"charCount", charCount}};
const avm2::NativeMember SnapshotMethods[] = {
    {u"getText", getText},
    {u"findText", findText},
    {u"setSelected", setSelected},
    {u"getSelected", getSelected},
    {u"getSelectedText", getSelectedText},
    {u"setSelectColor", setSelectColor},
    {u"hitTestTextNearPos", hitTestTextNearPos},
    {u"getTextRunInfo", getTextRunInfo},
};

const avm2::CoreClassSpec SnapshotClasses[] = {
    {.name = u"TextSnapshot",
     .base = u"Object",
     .init = snapshotInit,
     .sealed = true,
     .package = u"flash.text",
     .methods = SnapshotMethods,
     .accessors = SnapshotAccessors,
     .final = true},
};

Value textSnapshot(Machine& m, Value t, std::span<const Value>) {
    const Value made = m.construct(Value::object(m.coreClass(u"flash.text", u"TextSnapshot")), {});
    made.asObject()->setNativeState(std::make_unique<SnapshotState>(displayOf(m, t).object));
    return made;
}

const avm2::NativeAccessor ContainerSnapshotAccessors[] = {{u"textSnapshot", textSnapshot}};

}  // namespace

std::span<const avm2::CoreClassSpec> textSnapshotClasses() { return SnapshotClasses; }
std::span<const avm2::NativeAccessor> containerSnapshotAccessors() { return ContainerSnapshotAccessors; }

}  // namespace as3
