// The seam a host adds its classes through: classes in packages with native
// state, trait-bound native methods and accessors, package functions, and
// lookups by the names getDefinitionByName takes.
#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "abc_writer.h"

#include <gtest/gtest.h>

using namespace avm2;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

struct Counter final : NativeState {
    int32_t value = 0;
};

Counter& counter(Machine& m, Value self) {
    auto* c = self.isObject() ? self.asObject()->nativeAs<Counter>() : nullptr;
    if (!c)
        m.throwError("TypeError", 1034, u"not a Counter");
    return *c;
}

Value init(Machine&, Value self, std::span<const Value>) {
    self.asObject()->setNativeState(std::make_unique<Counter>());
    return Value();
}
Value getValue(Machine& m, Value self, std::span<const Value>) { return Value::fromInt(counter(m, self).value); }
Value setValue(Machine& m, Value self, std::span<const Value> args) {
    counter(m, self).value = int32_t(m.toNumber(argument(args, 0)));
    return Value();
}
Value twice(Machine& m, Value self, std::span<const Value>) { return Value::fromInt(2 * counter(m, self).value); }
Value seven(Machine&, Value, std::span<const Value>) { return Value::fromInt(7); }

const NativeMember Methods[] = {{u"twice", twice}};
const NativeAccessor Accessors[] = {{u"value", getValue, setValue}, {u"readOnly", getValue}};

void declare(Machine& m) {
    m.defineCoreClass({.name = u"Counter",
                       .base = u"Object",
                       .init = init,
                       .sealed = true,
                       .package = u"host.things",
                       .methods = Methods,
                       .accessors = Accessors});
    m.definePackageFunction({u"host.things", u"seven", seven});
}

TEST(HostSeam, NamesAsGetDefinitionByNameTakesThem) {
    Machine m;
    declare(m);
    const struct {
        const char16_t* name;
        bool found;
    } cases[] = {
        {u"host.things.Counter", true},
        {u"host.things::Counter", true},
        {u"host.things.seven", true},
        {u"Array", true},
        {u"Counter", false},
        {u"host.things.Nothing", false},
        {u"host.Counter", false},
        {u"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!m.findDefinitionByName(c.name).isUndefined(), c.found) << utf16ToUtf8(c.name);
}

// new Counter(); c.value = 20 + seven(); result = c.twice() + c.value; c.readOnly = 1 (an error)
std::string run(bool writeReadOnly) {
    Machine m;
    declare(m);
    AbcWriter a;
    const uint32_t counterName = a.publicName("Counter", "host.things");
    const uint32_t sevenName = a.publicName("seven", "host.things");
    const uint32_t value = a.publicName("value");
    const uint32_t readOnly = a.publicName("readOnly");
    const uint32_t twiceName = a.publicName("twice");
    const uint32_t method = a.method({});
    Code c;
    c.op(Op::FindPropStrict, counterName).op(Op::ConstructProp, {counterName, 0}).op(Op::SetLocal1);
    c.op(Op::GetLocal1).op(Op::PushByte, 20).op(Op::FindPropStrict, sevenName).op(Op::CallProperty, {sevenName, 0});
    c.op(Op::Add).op(Op::SetProperty, value);
    if (writeReadOnly)
        c.op(Op::GetLocal1).op(Op::PushByte, 1).op(Op::SetProperty, readOnly);
    c.op(Op::GetLocal1).op(Op::CallProperty, {twiceName, 0}).op(Op::GetLocal1).op(Op::GetProperty, value);
    c.op(Op::Add).op(Op::ReturnValue);
    a.body({.method = method, .maxStack = 4, .localCount = 2, .code = c.bytes()});
    a.script(method);
    auto file = m.load(a.bytes());
    if (!file)
        return "load: " + file.error().describe();
    auto result = m.callMethod(**file, method, Value::object(m.global()), {});
    if (!result)
        return "error: " + result.error().what;
    return utf16ToUtf8(m.toString(*result)->text());
}

TEST(HostSeam, NativeMembersThroughTraits) {
    EXPECT_EQ(run(false), "81");
    EXPECT_NE(run(true).find("Error #1074"), std::string::npos) << run(true);
}

}  // namespace
