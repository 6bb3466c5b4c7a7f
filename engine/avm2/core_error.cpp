// Error and its subclasses. Each instance carries its message and errorID;
// each class's prototype names it, so toString reads "TypeError: ...".
#include "avm2/conversions.h"
#include "avm2/core_library.h"

namespace avm2 {

namespace {

// Where the error was made: the frames at construction, which
// getStackTrace shows below the error's line.
class ErrorState final : public NativeState {
public:
    explicit ErrorState(std::u16string frames) : m_frames(std::move(frames)) {}
    [[nodiscard]] const std::u16string& frames() const { return m_frames; }
    [[nodiscard]] size_t extraBytes() const override { return m_frames.capacity() * sizeof(char16_t); }

private:
    std::u16string m_frames;
};

}  // namespace

void recordErrorFrames(Machine& m, Object* error) {
    if (!error->nativeState())
        error->setNativeState(std::make_unique<ErrorState>(m.stackTrace()));
}

Value errorInit(Machine& m, Value self, std::span<const Value> args) {
    Object* o = self.asObject();
    recordErrorFrames(m, o);
    const Value message = argument(args, 0);
    o->setOwn(u"message", message.isUndefined() ? m.string(u"") : Value::string(m.toString(message)));
    o->setOwn(u"errorID", args.size() > 1 ? Value::number(m.toNumber(args[1])) : Value::fromInt(0));
    return Value();
}

namespace {

Value errorCall(Machine& m, Value, std::span<const Value> args) {
    return m.construct(Value::object(m.coreClass(u"Error")), args);
}

Value errorToString(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject())
        return m.string(u"Error");
    const Object* o = self.asObject();
    const Value* name = o->find(u"name");
    const Value* message = o->find(u"message");
    std::u16string text = name ? m.toString(*name)->text() : u"Error";
    if (message) {
        const std::u16string& m2 = m.toString(*message)->text();
        if (!m2.empty())
            text += u": " + m2;
    }
    return m.string(std::move(text));
}

// The error's line and the frames where it was made, innermost first. A
// version 10 release player answered null here, but the runtimes of today's
// compilers (haxe's exceptions) read the text unchecked, as every player has
// offered it since; the frames carry no file and line, as a player without
// a debugger names none.
Value errorGetStackTrace(Machine& m, Value self, std::span<const Value>) {
    Value text = errorToString(m, self, {});
    const ErrorState* state = self.isObject() ? self.asObject()->nativeAs<ErrorState>() : nullptr;
    if (!state || state->frames().empty())
        return text;
    return m.string(text.asString()->text() + state->frames());
}

const NativeMember ErrorPrototype[] = {{u"toString", errorToString}, {u"getStackTrace", errorGetStackTrace}};

constexpr CoreClassSpec subclass(const char16_t* name) { return {.name = name, .base = u"Error", .init = errorInit}; }

const CoreClassSpec Classes[] = {
    {.name = u"Error", .base = u"Object", .init = errorInit, .callAsFunction = errorCall, .prototype = ErrorPrototype},
    subclass(u"ArgumentError"),
    subclass(u"DefinitionError"),
    subclass(u"EvalError"),
    subclass(u"RangeError"),
    subclass(u"ReferenceError"),
    subclass(u"SecurityError"),
    subclass(u"SyntaxError"),
    subclass(u"TypeError"),
    subclass(u"URIError"),
    subclass(u"VerifyError"),
    subclass(u"UninitializedError"),
};

}  // namespace

std::span<const CoreClassSpec> errorClasses() { return Classes; }

}  // namespace avm2
