// Vector.<T>: the generic class __AS3__.vec::Vector, its specialisations
// made on demand by applytype, and the methods they share through the
// generic class's prototype.
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/sequence.h"
#include "avm2/vector.h"

#include <cmath>
#include <map>

namespace avm2 {

VectorObject::VectorObject(Object* proto, const ClassObject* type, VectorKind kind, const ClassObject* element)
    : Object(proto, &type->instanceTraits(), type, false), m_type(type), m_element(element), m_kind(kind) {}

size_t VectorObject::size() const {
    switch (m_kind) {
    case VectorKind::Int:
        return m_ints.size();
    case VectorKind::UInt:
        return m_uints.size();
    case VectorKind::Number:
        return m_numbers.size();
    default:
        return m_values.size();
    }
}

size_t VectorObject::capacity() const {
    switch (m_kind) {
    case VectorKind::Int:
        return m_ints.capacity();
    case VectorKind::UInt:
        return m_uints.capacity();
    case VectorKind::Number:
        return m_numbers.capacity();
    default:
        return m_values.capacity();
    }
}

size_t VectorObject::elementBytes() const {
    switch (m_kind) {
    case VectorKind::Int:
    case VectorKind::UInt:
        return 4;
    case VectorKind::Number:
        return 8;
    default:
        return sizeof(Value);
    }
}

Value VectorObject::defaultValue() const {
    switch (m_kind) {
    case VectorKind::Int:
    case VectorKind::UInt:
    case VectorKind::Number:
        return Value::fromInt(0);
    case VectorKind::Boolean:
        return Value::boolean(false);
    case VectorKind::Any:
        return Value();
    default:
        return Value::null();
    }
}

Value VectorObject::get(size_t i) const {
    switch (m_kind) {
    case VectorKind::Int:
        return Value::fromInt(m_ints[i]);
    case VectorKind::UInt:
        return Value::fromUInt(m_uints[i]);
    case VectorKind::Number:
        return Value::number(m_numbers[i]);
    default:
        return m_values[i];
    }
}

void VectorObject::set(size_t i, Value v) {
    switch (m_kind) {
    case VectorKind::Int:
        m_ints[i] = v.isInt() ? v.asInt() : toInt32(v.numeric());
        return;
    case VectorKind::UInt:
        m_uints[i] = v.tag() == Tag::UInt ? v.asUInt() : toUInt32(v.numeric());
        return;
    case VectorKind::Number:
        m_numbers[i] = v.numeric();
        return;
    default:
        m_values[i] = v;
    }
}

void VectorObject::resize(size_t n) {
    switch (m_kind) {
    case VectorKind::Int:
        m_ints.resize(n);
        return;
    case VectorKind::UInt:
        m_uints.resize(n);
        return;
    case VectorKind::Number:
        m_numbers.resize(n);
        return;
    default:
        m_values.resize(n, defaultValue());
    }
}

void VectorObject::reserve(size_t n) {
    switch (m_kind) {
    case VectorKind::Int:
        m_ints.reserve(n);
        return;
    case VectorKind::UInt:
        m_uints.reserve(n);
        return;
    case VectorKind::Number:
        m_numbers.reserve(n);
        return;
    default:
        m_values.reserve(n);
    }
}

void VectorObject::trace(Tracer& tracer) const {
    Object::trace(tracer);
    tracer.cell(m_type);
    tracer.cell(m_element);
    tracer.values(m_values);
}

size_t VectorObject::extraBytes() const { return Object::extraBytes() + capacity() * elementBytes(); }

namespace {

// What a specialised class knows of its elements.
struct VectorType final : NativeState {
    VectorKind kind = VectorKind::Any;
    const ClassObject* element = nullptr;
    void trace(Tracer& tracer) const override { tracer.cell(element); }
};

// The specialisations made so far, on the generic class (null key: Vector.<*>).
struct VectorTypes final : NativeState {
    std::map<const ClassObject*, ClassObject*> made;
    void trace(Tracer& tracer) const override {
        for (const auto& [element, type] : made) {
            tracer.cell(element);
            tracer.cell(type);
        }
    }
};

[[noreturn]] void cannotConvert(Machine& m, Value v, const std::u16string& to) {
    m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert " + classNameOf(v) + u" to " + to + u".");
}

[[noreturn]] void fixedLength(Machine& m) {
    m.throwError("RangeError", 1126, u"Cannot change the length of a fixed Vector.");
}

VectorObject* thisVector(Machine& m, Value self) {
    VectorObject* v = asVector(self);
    if (!v)
        cannotConvert(m, self, u"__AS3__.vec::Vector");
    return v;
}

VectorObject* newVector(Machine& m, const ClassObject* type) {
    const auto* t = type->nativeAs<VectorType>();
    return m.heap().make<VectorObject>(type->prototype(), type, t->kind, t->element);
}

// The specialised class a constructor or conversion was called on; the
// generic class itself stands for Vector.<*>.
const ClassObject* calledType(Machine& m, Value self) {
    auto* c = self.isObject() ? dynamic_cast<ClassObject*>(self.asObject()) : nullptr;
    if (c && c->nativeAs<VectorType>())
        return c;
    return applyVectorType(m, Value::object(m.coreClass(u"__AS3__.vec", u"Vector")), Value::null());
}

// Replaces the elements with values already coerced.
void assign(Machine& m, VectorObject* v, const std::vector<Value>& values) {
    resizeVector(m, v, values.size());
    for (size_t i = 0; i < values.size(); ++i)
        v->set(i, values[i]);
}

std::vector<Value> elementsOf(const VectorObject& v) {
    std::vector<Value> out(v.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = v.get(i);
    return out;
}

// Keeps a list of values alive while script may run.
struct PinAll {
    Machine& m;
    size_t n;
    PinAll(Machine& machine, const std::vector<Value>& values) : m(machine), n(values.size()) {
        for (const Value& v : values)
            m.pin(v);
    }
    ~PinAll() { m.unpin(n); }
    PinAll(const PinAll&) = delete;
    PinAll& operator=(const PinAll&) = delete;
};

// A length argument: a whole number within the array limit (RangeError 1005).
size_t lengthArgument(Machine& m, Value v) {
    const double length = v.isUndefined() ? 0 : m.toNumber(v);
    if (!(length >= 0) || length != std::trunc(length) || length > double(m.limits().maxArrayLength))
        m.throwError("RangeError", 1005, u"Array index is not a positive integer (" + numberToString(length) + u").");
    return size_t(length);
}

Value vectorCreate(Machine& m, Value self, std::span<const Value> args) {
    const ClassObject* type = calledType(m, self);
    const size_t length = lengthArgument(m, argument(args, 0));
    VectorObject* v = newVector(m, type);
    resizeVector(m, v, length);
    v->setFixed(toBoolean(argument(args, 1)));
    return Value::object(v);
}

// Vector.<T>(list): a new vector of the elements of an Array or a Vector.
Value vectorConvert(Machine& m, Value self, std::span<const Value> args) {
    const ClassObject* type = calledType(m, self);
    const Value from = argument(args, 0);
    std::vector<Value> source;
    if (auto* a = from.isObject() ? dynamic_cast<ArrayObject*>(from.asObject()) : nullptr)
        source = a->elements();
    else if (VectorObject* other = asVector(from))
        source = elementsOf(*other);
    else
        cannotConvert(m, from, type->displayName());
    PinAll keepSource(m, source);
    VectorObject* v = newVector(m, type);
    Machine::Pin keep(m, Value::object(v));
    resizeVector(m, v, source.size());
    for (size_t i = 0; i < source.size() && i < v->size(); ++i)
        v->set(i, coerceElement(m, *v, source[i]));
    return Value::object(v);
}

Value vectorLength(Machine& m, Value self, std::span<const Value>) {
    return Value::fromUInt(uint32_t(thisVector(m, self)->size()));
}

Value vectorSetLength(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    resizeVector(m, v, lengthArgument(m, argument(args, 0)));
    return Value();
}

Value vectorFixed(Machine& m, Value self, std::span<const Value>) {
    return Value::boolean(thisVector(m, self)->fixed());
}

Value vectorSetFixed(Machine& m, Value self, std::span<const Value> args) {
    thisVector(m, self)->setFixed(toBoolean(argument(args, 0)));
    return Value();
}

Value vectorPush(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    if (v->fixed() && !args.empty())
        fixedLength(m);
    for (const Value& arg : args) {
        // Coercion may run script; nothing runs between it and the store.
        const Value x = coerceElement(m, *v, arg);
        const size_t at = v->size();
        resizeVector(m, v, at + 1);
        v->set(at, x);
    }
    return Value::fromUInt(uint32_t(v->size()));
}

Value vectorPop(Machine& m, Value self, std::span<const Value>) {
    VectorObject* v = thisVector(m, self);
    if (v->fixed())
        fixedLength(m);
    if (v->size() == 0)
        return v->defaultValue();
    const Value last = v->get(v->size() - 1);
    v->resize(v->size() - 1);
    return last;
}

Value vectorShift(Machine& m, Value self, std::span<const Value>) {
    VectorObject* v = thisVector(m, self);
    if (v->fixed())
        fixedLength(m);
    if (v->size() == 0)
        return v->defaultValue();
    std::vector<Value> values = elementsOf(*v);
    const Value first = values.front();
    values.erase(values.begin());
    assign(m, v, values);
    return first;
}

// Coerces each argument, pinning the results: a later coercion may run script.
std::vector<Value> coerceAll(Machine& m, const VectorObject& v, std::span<const Value> args) {
    std::vector<Value> out;
    for (const Value& a : args) {
        out.push_back(coerceElement(m, v, a));
        m.pin(out.back());
    }
    m.unpin(out.size());
    return out;
}

Value vectorUnshift(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    if (v->fixed() && !args.empty())
        fixedLength(m);
    std::vector<Value> values = coerceAll(m, *v, args);
    const std::vector<Value> old = elementsOf(*v);
    values.insert(values.end(), old.begin(), old.end());
    assign(m, v, values);
    return Value::fromUInt(uint32_t(v->size()));
}

Value vectorSplice(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    const size_t size = v->size();
    const size_t from = relativePosition(m, argument(args, 0), size, 0);
    size_t count = size - from;
    if (args.size() > 1) {
        const double d = std::trunc(m.toNumber(args[1]));
        count = std::isnan(d) || d < 0 ? 0 : size_t(std::min(d, double(size - from)));
    }
    const auto inserted = args.size() > 2 ? args.subspan(2) : std::span<const Value>();
    if (v->fixed() && inserted.size() != count)
        fixedLength(m);
    const std::vector<Value> items = coerceAll(m, *v, inserted);
    PinAll keepItems(m, items);
    // The conversions above may have run script that changed the vector.
    std::vector<Value> values = elementsOf(*v);
    const size_t at = std::min(from, values.size());
    const size_t n = std::min(count, values.size() - at);
    VectorObject* removed = newVector(m, v->type());
    Machine::Pin keep(m, Value::object(removed));
    assign(m, removed, std::vector<Value>(values.begin() + long(at), values.begin() + long(at + n)));
    values.erase(values.begin() + long(at), values.begin() + long(at + n));
    values.insert(values.begin() + long(at), items.begin(), items.end());
    const bool wasFixed = v->fixed();
    v->setFixed(false);
    assign(m, v, values);
    v->setFixed(wasFixed);
    return Value::object(removed);
}

Value vectorSlice(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    const size_t size = v->size();
    const size_t from = relativePosition(m, argument(args, 0), size, 0);
    const size_t to = std::min(relativePosition(m, argument(args, 1), size, size), v->size());
    VectorObject* out = newVector(m, v->type());
    Machine::Pin keep(m, Value::object(out));
    const std::vector<Value> values = elementsOf(*v);
    if (from < to)
        assign(m, out, std::vector<Value>(values.begin() + long(from), values.begin() + long(to)));
    return Value::object(out);
}

Value vectorConcat(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    VectorObject* out = newVector(m, v->type());
    Machine::Pin keep(m, Value::object(out));
    std::vector<Value> all = elementsOf(*v);
    for (const Value& arg : args) {
        VectorObject* other = asVector(arg);
        if (!other)
            cannotConvert(m, arg, v->type()->displayName());
        for (size_t i = 0; i < other->size(); ++i) {
            if (all.size() >= m.limits().maxArrayLength)
                m.throwError("RangeError", 1005, u"Array index is not a positive integer.");
            // Elements of another type must fit this one (a TypeError otherwise).
            all.push_back(coerceElement(m, *out, other->get(i)));
        }
    }
    assign(m, out, all);
    return Value::object(out);
}

Value vectorIndexOf(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    const Value search = coerceElement(m, *v, argument(args, 0));
    for (size_t i = relativePosition(m, argument(args, 1), v->size(), 0); i < v->size(); ++i) {
        if (strictlyEqual(v->get(i), search))
            return Value::fromInt(int32_t(i));
    }
    return Value::fromInt(-1);
}

Value vectorLastIndexOf(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    const Value search = coerceElement(m, *v, argument(args, 0));
    if (v->size() == 0)
        return Value::fromInt(-1);
    const size_t from = std::min(relativePosition(m, argument(args, 1), v->size(), v->size() - 1), v->size() - 1);
    for (size_t i = std::min(from + 1, v->size()); i-- > 0;) {
        if (strictlyEqual(v->get(i), search))
            return Value::fromInt(int32_t(i));
    }
    return Value::fromInt(-1);
}

Value vectorJoin(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    const Value separator = argument(args, 0);
    const std::u16string sep = separator.isUndefined() ? u"," : m.toString(separator)->text();
    std::u16string out;
    for (size_t i = 0; i < v->size(); ++i) {
        if (i)
            out += sep;
        const Value x = v->get(i);
        if (!x.isNullish())
            out += m.toString(x)->text();
    }
    return m.string(std::move(out));
}

Value vectorToString(Machine& m, Value self, std::span<const Value>) { return vectorJoin(m, self, {}); }

Value vectorReverse(Machine& m, Value self, std::span<const Value>) {
    VectorObject* v = thisVector(m, self);
    std::vector<Value> values = elementsOf(*v);
    std::reverse(values.begin(), values.end());
    for (size_t i = 0; i < values.size(); ++i)
        v->set(i, values[i]);
    return self;
}

// Calls fn(element, index, vector) for each element; `each` sees the result.
template <typename Each>
void visit(Machine& m, Value self, std::span<const Value> args, Each each) {
    VectorObject* v = thisVector(m, self);
    const Value fn = argument(args, 0);
    const Value receiver = argument(args, 1);
    Machine::Pin keep(m, self);
    for (size_t i = 0; i < v->size(); ++i) {
        const Value element = v->get(i);
        const Value call[3] = {element, Value::fromInt(int32_t(i)), self};
        if (!each(element, m.call(fn, receiver, call)))
            break;
    }
}

Value vectorForEach(Machine& m, Value self, std::span<const Value> args) {
    visit(m, self, args, [](const Value&, const Value&) { return true; });
    return Value();
}

Value vectorEvery(Machine& m, Value self, std::span<const Value> args) {
    bool all = true;
    visit(m, self, args, [&](const Value&, const Value& r) { return all = toBoolean(r); });
    return Value::boolean(all);
}

Value vectorSome(Machine& m, Value self, std::span<const Value> args) {
    bool any = false;
    visit(m, self, args, [&](const Value&, const Value& r) { return !(any = toBoolean(r)); });
    return Value::boolean(any);
}

// map and filter make a vector of the same type.
template <typename Keep>
Value collect(Machine& m, Value self, std::span<const Value> args, Keep keep) {
    VectorObject* out = newVector(m, thisVector(m, self)->type());
    Machine::Pin pinOut(m, Value::object(out));
    visit(m, self, args, [&](const Value& element, const Value& r) {
        if (const Value* x = keep(element, r)) {
            const Value coerced = coerceElement(m, *out, *x);
            const size_t at = out->size();
            resizeVector(m, out, at + 1);
            out->set(at, coerced);
        }
        return true;
    });
    return Value::object(out);
}

Value vectorMap(Machine& m, Value self, std::span<const Value> args) {
    return collect(m, self, args, [](const Value&, const Value& r) { return &r; });
}

Value vectorFilter(Machine& m, Value self, std::span<const Value> args) {
    return collect(m, self, args, [](const Value& e, const Value& r) { return toBoolean(r) ? &e : nullptr; });
}

// sort(compareFunction) or sort(flags), with Array's flags and answers:
// UNIQUESORT finding two equal elements leaves the vector as it was and
// answers 0, RETURNINDEXEDARRAY answers the sorted order as an Array of
// indices and leaves the vector as it was; otherwise it sorts in place.
Value vectorSort(Machine& m, Value self, std::span<const Value> args) {
    VectorObject* v = thisVector(m, self);
    const Value how = argument(args, 0);
    const uint32_t flags = how.isNumeric() ? toUInt32(how.numeric()) : 0;
    const std::vector<Value> values = elementsOf(*v);
    PinAll keep(m, values);
    std::vector<uint32_t> order(values.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    bool tie = false;
    mergeSort(order, [&](uint32_t x, uint32_t y) {
        int c = 0;
        if (how.isObject()) {
            const Value pair[2] = {values[x], values[y]};
            const double r = m.toNumber(m.call(how, Value::null(), pair));
            c = r < 0 ? -1 : r > 0 ? 1 : 0;
        } else {
            c = compareByFlags(m, values[x], values[y], flags);
        }
        tie = tie || c == 0;
        return (flags & Descending) ? c > 0 : c < 0;
    });
    if ((flags & UniqueSort) && tie)
        return Value::fromInt(0);
    if (flags & ReturnIndexedArray) {
        std::vector<Value> indices;
        for (uint32_t i : order)
            indices.push_back(Value::fromInt(int32_t(i)));
        return Value::object(m.newArray(indices));
    }
    // A compare function may have resized the vector.
    for (size_t i = 0; i < order.size() && i < v->size(); ++i)
        v->set(i, values[order[i]]);
    return self;
}

const NativeMember VectorPrototype[] = {{u"push", vectorPush},
                                        {u"pop", vectorPop},
                                        {u"shift", vectorShift},
                                        {u"unshift", vectorUnshift},
                                        {u"splice", vectorSplice},
                                        {u"slice", vectorSlice},
                                        {u"concat", vectorConcat},
                                        {u"indexOf", vectorIndexOf},
                                        {u"lastIndexOf", vectorLastIndexOf},
                                        {u"join", vectorJoin},
                                        {u"reverse", vectorReverse},
                                        {u"sort", vectorSort},
                                        {u"every", vectorEvery},
                                        {u"some", vectorSome},
                                        {u"filter", vectorFilter},
                                        {u"forEach", vectorForEach},
                                        {u"map", vectorMap},
                                        {u"toString", vectorToString},
                                        {u"toLocaleString", vectorToString}};

const NativeAccessor VectorAccessors[] = {{u"length", vectorLength, vectorSetLength},
                                          {u"fixed", vectorFixed, vectorSetFixed}};

const CoreClassSpec Classes[] = {{.name = u"Vector",
                                  .base = u"Object",
                                  .create = vectorCreate,
                                  .callAsFunction = vectorConvert,
                                  .sealed = true,
                                  .prototype = VectorPrototype,
                                  .package = u"__AS3__.vec",
                                  .accessors = VectorAccessors,
                                  .final = true,
                                  .prototypeInAs3 = true}};

VectorKind kindOf(Machine& m, const ClassObject* element) {
    if (!element)
        return VectorKind::Any;
    static const std::pair<const char16_t*, VectorKind> primitives[] = {{u"int", VectorKind::Int},
                                                                        {u"uint", VectorKind::UInt},
                                                                        {u"Number", VectorKind::Number},
                                                                        {u"String", VectorKind::String},
                                                                        {u"Boolean", VectorKind::Boolean}};
    for (const auto& [name, kind] : primitives) {
        if (element == m.coreClass(name))
            return kind;
    }
    return VectorKind::Object;
}

}  // namespace

Value newVectorOf(Machine& m, ClassObject* element) {
    const Value type = Value::object(applyVectorType(m, Value::object(m.coreClass(u"__AS3__.vec", u"Vector")),
                                                     element ? Value::object(element) : Value::null()));
    return m.construct(type, {});
}

ClassObject* applyVectorType(Machine& m, Value genericValue, Value param) {
    ClassObject* generic = m.coreClass(u"__AS3__.vec", u"Vector");
    if (!generic || !genericValue.isObject() || genericValue.asObject() != generic)
        m.throwError("TypeError", 1127, u"Type application attempted on a non-parameterized type.");
    const ClassObject* element = nullptr;
    if (!param.isNullish()) {
        element = param.isObject() ? dynamic_cast<const ClassObject*>(param.asObject()) : nullptr;
        if (!element)
            cannotConvert(m, param, u"Class");
    }
    auto* types = generic->nativeAs<VectorTypes>();
    if (!types) {
        generic->setNativeState(std::make_unique<VectorTypes>());
        types = generic->nativeAs<VectorTypes>();
    }
    if (auto it = types->made.find(element); it != types->made.end())
        return it->second;
    ClassObject* objectClass = m.coreClass(u"Object");
    ClassObject::Parts parts;
    parts.name = QName{generic->name().ns,
                       m.intern(u"Vector.<" + (element ? element->displayName() : std::u16string(u"*")) + u">")};
    parts.base = objectClass;
    parts.staticTraits = std::make_unique<Traits>();
    parts.instanceTraits = std::make_unique<Traits>(generic->instanceTraits());
    parts.instanceTraits->types.clear();
    parts.prototype = m.heap().make<Object>(generic->prototype(), 0);
    Machine::Pin keepPrototype(m, Value::object(parts.prototype));
    parts.create = vectorCreate;
    parts.callAsFunction = vectorConvert;
    parts.sealed = true;
    parts.final = true;
    ClassObject* c = m.heap().make<ClassObject>(generic->proto(), std::move(parts));
    c->mutableInstanceTraits().types.push_back(c);
    c->prototype()->setOwn(u"constructor", Value::object(c));
    auto type = std::make_unique<VectorType>();
    type->kind = kindOf(m, element);
    type->element = element;
    c->setNativeState(std::move(type));
    types->made.emplace(element, c);
    return c;
}

Value coerceElement(Machine& m, const VectorObject& v, Value x) {
    switch (v.kind()) {
    case VectorKind::Int:
        return Value::fromInt(x.isInt() ? x.asInt() : toInt32(m.toNumber(x)));
    case VectorKind::UInt:
        return Value::fromUInt(x.tag() == Tag::UInt ? x.asUInt() : toUInt32(m.toNumber(x)));
    case VectorKind::Number:
        return x.isNumeric() ? x : Value::number(m.toNumber(x));
    case VectorKind::Any:
        return x;
    case VectorKind::String:
        return x.isNullish() ? Value::null() : Value::string(m.toString(x));
    case VectorKind::Boolean:
        return Value::boolean(toBoolean(x));
    case VectorKind::Object:
        break;
    }
    if (x.isNullish())
        return Value::null();
    if (!m.isInstance(x, v.elementClass()))
        cannotConvert(m, x, v.elementClass()->displayName());
    return x;
}

void resizeVector(Machine& m, VectorObject* v, size_t length) {
    if (length == v->size())
        return;
    if (v->fixed())
        fixedLength(m);
    if (length > m.limits().maxArrayLength)
        m.throwError("RangeError", 1005,
                     u"Array index is not a positive integer (" + numberToString(double(length)) + u").");
    if (length > v->capacity()) {
        const size_t capacity = std::max(length, std::min<size_t>(v->capacity() * 2, m.limits().maxArrayLength));
        m.chargeExternal((capacity - v->capacity()) * v->elementBytes());
        v->reserve(capacity);
    }
    v->resize(length);
}

void vectorIndexOutOfRange(Machine& m, double index, size_t size) {
    m.throwError("RangeError", 1125,
                 u"The index " + numberToString(index) + u" is out of range " + numberToString(double(size)) + u".");
}

std::span<const CoreClassSpec> vectorClasses() { return Classes; }

}  // namespace avm2
