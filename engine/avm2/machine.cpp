#include "avm2/machine.h"

#include "avm2/abc_parser.h"
#include "avm2/conversions.h"
#include "avm2/verifier.h"

#include <utility>

namespace avm2 {

Machine::Machine(Limits limits)
    : m_limits(limits),
      m_heap(limits.maxHeapBytes, *this),
      m_values(new Value[limits.valueStackSize]),
      m_valuesEnd(m_values.get() + limits.valueStackSize),
      m_valuesTop(m_values.get()) {
    m_objectProto = m_heap.make<Object>(nullptr, 0);
    m_functionProto = m_heap.make<Object>(m_objectProto, 0);
    m_global = m_heap.make<Object>(m_objectProto, 0);
}

Machine::~Machine() = default;

void Machine::traceRoots(Tracer& tracer) const {
    tracer.cell(m_objectProto);
    tracer.cell(m_functionProto);
    tracer.cell(m_global);
    tracer.value(m_thrown);
    tracer.values(m_pinned);
    for (const auto& file : m_files) {
        for (const String* s : file->strings)
            tracer.cell(s);
    }
    // Each frame's registers, its operand stack up to the published top and
    // its scope stack: nothing above a top is live (and may be stale).
    for (const Frame* f = m_frame; f; f = f->caller) {
        for (const Value* v = f->registers; v < f->stack; ++v)
            tracer.value(*v);
        for (const Value* v = f->stack; v < f->stackTop; ++v)
            tracer.value(*v);
        for (const Value* v = f->scope; v < f->scopeTop; ++v)
            tracer.value(*v);
    }
}

moviehost::Expected<const LoadedAbc*, Error> Machine::load(std::span<const uint8_t> bytes) {
    auto parsed = parseAbc(bytes);
    if (!parsed)
        return moviehost::Unexpected(parsed.error());
    if (auto verified = verifyAbc(*parsed); !verified)
        return moviehost::Unexpected(verified.error());
    auto file = std::make_unique<LoadedAbc>();
    file->abc = std::move(*parsed);
    const AbcFile& abc = file->abc;
    file->bodies.reserve(abc.bodies.size());
    for (uint32_t i = 0; i < abc.bodies.size(); ++i)
        file->bodies.push_back(prepareBody(abc, i));
    try {
        file->strings.reserve(abc.strings.size());
        for (const std::string& s : abc.strings)
            file->strings.push_back(m_heap.make<String>(utf8ToUtf16(s)));
    } catch (const HeapLimitExceeded&) {
        return moviehost::Unexpected(Error{.what = "the file's strings pass the heap limit"});
    }
    m_files.push_back(std::move(file));
    return m_files.back().get();
}

template <typename Body>
moviehost::Expected<Value, Error> Machine::enter(Body&& body) {
    const bool outermost = m_depth == 0;
    if (outermost)
        m_budget = m_limits.maxInstructionsPerEntry;
    Frame* const frame = m_frame;
    Value* const top = m_valuesTop;
    const uint32_t depth = m_depth;
    const size_t pinned = m_pinned.size();
    auto unwind = [&] {
        m_frame = frame;
        m_valuesTop = top;
        m_depth = depth;
        m_pinned.resize(pinned);
    };
    try {
        Value result = body();
        if (outermost && m_heap.wantsCollection()) {
            Pin keep(*this, result);
            m_heap.collect();
        }
        return result;
    } catch (const ScriptThrow&) {
        unwind();
        Value thrown = m_thrown;
        m_thrown = Value();
        std::u16string text;
        try {
            text = toString(thrown)->text();
        } catch (...) {
            text = u"(an exception that cannot be shown)";
        }
        return moviehost::Unexpected(Error{.what = "uncaught exception: " + utf16ToUtf8(text)});
    } catch (const ScriptStop& stop) {
        unwind();
        return moviehost::Unexpected(Error{.what = stop.what});
    } catch (const HeapLimitExceeded&) {
        unwind();
        return moviehost::Unexpected(Error{.what = "the script passed the heap limit"});
    }
}

moviehost::Expected<Value, Error> Machine::callMethod(const LoadedAbc& file, uint32_t method, Value thisValue,
                                                      std::span<const Value> args) {
    if (method >= file.abc.methods.size() || file.abc.methods[method].body == UINT32_MAX)
        return moviehost::Unexpected(Error{.what = "no such method with a body", .method = method});
    return enter([&] { return execute(file, method, thisValue, args.data(), uint32_t(args.size()), nullptr); });
}

moviehost::Expected<Value, Error> Machine::callFunction(Value function, Value thisValue, std::span<const Value> args) {
    return enter([&] { return call(function, thisValue, args); });
}

Value Machine::call(Value function, Value thisValue, std::span<const Value> args) {
    Object* o = function.isObject() ? function.asObject() : nullptr;
    if (auto* f = dynamic_cast<FunctionObject*>(o))
        return execute(f->file(), f->method(), thisValue, args.data(), uint32_t(args.size()), &f->scope());
    if (auto* n = dynamic_cast<NativeFunction*>(o)) {
        if (++m_depth > m_limits.maxCallDepth) {
            --m_depth;
            throwError("Error", 1023, u"Stack overflow occurred.");
        }
        struct Leave {
            uint32_t& depth;
            ~Leave() { --depth; }
        } leave{m_depth};
        charge(1);
        return n->code()(*this, thisValue, args);
    }
    throwError("TypeError", 1006, u"value is not a function.");
}

void Machine::charge(uint64_t instructions) {
    if (instructions > m_budget) {
        m_budget = 0;
        stop("Error #1502: A script has executed for longer than the default timeout period of 15 seconds.");
    }
    m_budget -= instructions;
}

void Machine::safePoint() {
    if (m_heap.wantsCollection())
        m_heap.collect();
}

void Machine::stop(std::string what) { throw ScriptStop{std::move(what)}; }

Value Machine::string(std::u16string text) { return Value::string(m_heap.make<String>(std::move(text))); }

Object* Machine::newObject() { return m_heap.make<Object>(m_objectProto, 0); }

NativeFunction* Machine::newNative(NativeCode code) { return m_heap.make<NativeFunction>(m_functionProto, code); }

void Machine::throwValue(Value v) {
    m_thrown = v;
    throw ScriptThrow{};
}

void Machine::throwError(const char* errorClass, int number, const std::u16string& message) {
    // Until the Error classes are in, an error is a plain object with the
    // members scripts read.
    Object* error = newObject();
    Pin keep(*this, Value::object(error));
    const std::u16string name = utf8ToUtf16(errorClass);
    const std::u16string text = u"Error #" + numberToString(number) + u": " + message;
    error->setOwn(u"name", string(name));
    error->setOwn(u"message", string(text));
    error->setOwn(u"errorID", Value::fromInt(number));
    throwValue(Value::object(error));
}

Value Machine::toPrimitive(Value v, bool preferString) {
    if (!v.isObject())
        return v;
    Object* o = v.asObject();
    Pin keep(*this, v);
    const char16_t* const order[2] = {preferString ? u"toString" : u"valueOf", preferString ? u"valueOf" : u"toString"};
    for (const char16_t* method : order) {
        const Value* f = o->find(method);
        if (f && f->isObject()) {
            Value result = call(*f, v, {});
            if (!result.isObject())
                return result;
        }
    }
    // The error objects of this stage have no toString of their own.
    if (const Value* message = o->find(u"message"); message && message->isString()) {
        const Value* name = o->find(u"name");
        std::u16string text = name && name->isString() ? name->asString()->text() + u": " : u"";
        return string(text + message->asString()->text());
    }
    return string(u"[object Object]");
}

double Machine::toNumber(Value v) {
    if (v.isNumeric())
        return v.numeric();
    return primitiveToNumber(toPrimitive(v, false));
}

String* Machine::toString(Value v) {
    switch (v.tag()) {
    case Tag::Undefined:
        return string(u"undefined").asString();
    case Tag::Null:
        return string(u"null").asString();
    case Tag::Boolean:
        return string(v.asBoolean() ? u"true" : u"false").asString();
    case Tag::Int:
    case Tag::UInt:
    case Tag::Number:
        return string(numberToString(v.numeric())).asString();
    case Tag::String:
        return v.asString();
    case Tag::Namespace:
        return string(u"").asString();
    case Tag::Object:
        return toString(toPrimitive(v, true));
    }
    return string(u"").asString();
}

}  // namespace avm2
