// Array: dense elements, the methods of the language's Array and its sort
// flags (the sort itself is shared with Vector, in sequence.h).
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/sequence.h"

#include <algorithm>
#include <cmath>

namespace avm2 {

namespace {

ArrayObject* thisArray(Machine& m, Value self) {
    auto* a = self.isObject() ? dynamic_cast<ArrayObject*>(self.asObject()) : nullptr;
    if (!a)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to Array.");
    return a;
}

Value arrayCreate(Machine& m, Value, std::span<const Value> args) {
    if (args.size() == 1 && args[0].isNumeric()) {
        const double n = args[0].numeric();
        if (n != double(toUInt32(n)))
            m.throwError("RangeError", 1005, u"Array index is not a positive integer (" + numberToString(n) + u").");
        ArrayObject* a = m.newArray();
        Machine::Pin keep(m, Value::object(a));
        m.resizeArray(a, size_t(n));
        return Value::object(a);
    }
    return Value::object(m.newArray(args));
}

Value arrayPush(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    const size_t at = a->elements().size();
    m.resizeArray(a, at + args.size());
    std::copy(args.begin(), args.end(), a->elements().begin() + long(at));
    return Value::number(double(a->elements().size()));
}

Value arrayPop(Machine& m, Value self, std::span<const Value>) {
    ArrayObject* a = thisArray(m, self);
    if (a->elements().empty())
        return Value();
    Value v = a->elements().back();
    a->elements().pop_back();
    return v;
}

Value arrayShift(Machine& m, Value self, std::span<const Value>) {
    ArrayObject* a = thisArray(m, self);
    if (a->elements().empty())
        return Value();
    Value v = a->elements().front();
    a->elements().erase(a->elements().begin());
    return v;
}

Value arrayUnshift(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    const size_t old = a->elements().size();
    m.resizeArray(a, old + args.size());
    auto& e = a->elements();
    std::move_backward(e.begin(), e.begin() + long(old), e.end());
    std::copy(args.begin(), args.end(), e.begin());
    return Value::number(double(e.size()));
}

Value arraySlice(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    const size_t size = a->elements().size();
    const size_t from = relativePosition(m, argument(args, 0), size, 0);
    const size_t to = relativePosition(m, argument(args, 1), size, size);
    std::vector<Value> part;
    if (from < to)
        part.assign(a->elements().begin() + long(from), a->elements().begin() + long(to));
    return Value::object(m.newArray(part));
}

Value arraySplice(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    if (args.empty())
        return Value::object(m.newArray());
    const size_t size = a->elements().size();
    const size_t from = relativePosition(m, args[0], size, 0);
    size_t count = size - from;
    if (args.size() > 1) {
        const double d = std::trunc(m.toNumber(args[1]));
        count = std::isnan(d) || d < 0 ? 0 : size_t(std::min(d, double(size - from)));
    }
    std::vector<Value> removed(a->elements().begin() + long(from), a->elements().begin() + long(from + count));
    ArrayObject* result = m.newArray(removed);
    Machine::Pin keep(m, Value::object(result));
    const auto inserted = args.size() > 2 ? args.subspan(2) : std::span<const Value>();
    std::vector<Value> rest(a->elements().begin() + long(from + count), a->elements().end());
    m.resizeArray(a, from + inserted.size() + rest.size());
    std::copy(inserted.begin(), inserted.end(), a->elements().begin() + long(from));
    std::copy(rest.begin(), rest.end(), a->elements().begin() + long(from + inserted.size()));
    return Value::object(result);
}

Value arrayConcat(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    std::vector<Value> all = a->elements();
    for (const Value& v : args) {
        auto* other = v.isObject() ? dynamic_cast<ArrayObject*>(v.asObject()) : nullptr;
        if (other)
            all.insert(all.end(), other->elements().begin(), other->elements().end());
        else
            all.push_back(v);
    }
    if (all.size() > m.limits().maxArrayLength)
        m.throwError("RangeError", 1005, u"Array index is not a positive integer.");
    return Value::object(m.newArray(all));
}

Value arrayJoin(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    const Value separator = argument(args, 0);
    const std::u16string sep = separator.isUndefined() ? u"," : m.toString(separator)->text();
    std::u16string out;
    for (size_t i = 0; i < a->elements().size(); ++i) {
        if (i)
            out += sep;
        const Value v = a->elements()[i];
        if (!v.isNullish())
            out += m.toString(v)->text();
    }
    return m.string(std::move(out));
}

Value arrayToString(Machine& m, Value self, std::span<const Value>) { return arrayJoin(m, self, {}); }

Value arrayReverse(Machine& m, Value self, std::span<const Value>) {
    ArrayObject* a = thisArray(m, self);
    std::reverse(a->elements().begin(), a->elements().end());
    return self;
}

Value arrayIndexOf(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    const auto& e = a->elements();
    for (size_t i = relativePosition(m, argument(args, 1), e.size(), 0); i < e.size(); ++i) {
        if (strictlyEqual(e[i], argument(args, 0)))
            return Value::fromInt(int32_t(i));
    }
    return Value::fromInt(-1);
}

Value arrayLastIndexOf(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* a = thisArray(m, self);
    const auto& e = a->elements();
    if (e.empty())
        return Value::fromInt(-1);
    size_t from = std::min(relativePosition(m, argument(args, 1), e.size(), e.size() - 1), e.size() - 1);
    for (size_t i = from + 1; i-- > 0;) {
        if (strictlyEqual(e[i], argument(args, 0)))
            return Value::fromInt(int32_t(i));
    }
    return Value::fromInt(-1);
}

// Calls fn(element, index, array) for each element; `each` sees the result.
template <typename Each>
void visit(Machine& m, Value self, std::span<const Value> args, Each each) {
    ArrayObject* a = thisArray(m, self);
    const Value fn = argument(args, 0);
    const Value receiver = argument(args, 1);
    for (size_t i = 0; i < a->elements().size(); ++i) {
        const Value call[3] = {a->elements()[i], Value::fromInt(int32_t(i)), self};
        if (!each(a->elements()[i], m.call(fn, receiver, call)))
            break;
    }
}

Value arrayForEach(Machine& m, Value self, std::span<const Value> args) {
    visit(m, self, args, [](const Value&, const Value&) { return true; });
    return Value();
}

Value arrayEvery(Machine& m, Value self, std::span<const Value> args) {
    bool all = true;
    visit(m, self, args, [&](const Value&, const Value& r) { return all = toBoolean(r); });
    return Value::boolean(all);
}

Value arraySome(Machine& m, Value self, std::span<const Value> args) {
    bool any = false;
    visit(m, self, args, [&](const Value&, const Value& r) { return !(any = toBoolean(r)); });
    return Value::boolean(any);
}

Value arrayMap(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* out = m.newArray();
    Machine::Pin keep(m, Value::object(out));
    visit(m, self, args, [&](const Value&, const Value& r) {
        m.resizeArray(out, out->elements().size() + 1);
        out->elements().back() = r;
        return true;
    });
    return Value::object(out);
}

Value arrayFilter(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* out = m.newArray();
    Machine::Pin keep(m, Value::object(out));
    visit(m, self, args, [&](const Value& element, const Value& r) {
        if (toBoolean(r)) {
            m.resizeArray(out, out->elements().size() + 1);
            out->elements().back() = element;
        }
        return true;
    });
    return Value::object(out);
}

Value sortBy(Machine& m, Value self, uint32_t flags, const std::function<int(const Value&, const Value&)>& compare) {
    ArrayObject* a = thisArray(m, self);
    const std::vector<Value> values = a->elements();
    for (const Value& v : values)
        m.pin(v);
    struct Unpin {
        Machine& m;
        size_t n;
        ~Unpin() { m.unpin(n); }
    } unpin{m, values.size()};
    std::vector<uint32_t> order(values.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    bool tie = false;
    mergeSort(order, [&](uint32_t x, uint32_t y) {
        int c = compare(values[x], values[y]);
        if (c == 0)
            tie = true;
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
    for (size_t i = 0; i < order.size() && i < a->elements().size(); ++i)
        a->elements()[i] = values[order[i]];
    return self;
}

Value arraySort(Machine& m, Value self, std::span<const Value> args) {
    Value fn;
    uint32_t flags = 0;
    for (const Value& v : args) {
        if (v.isObject())
            fn = v;
        else if (v.isNumeric())
            flags = toUInt32(v.numeric());
    }
    if (fn.isObject()) {
        return sortBy(m, self, flags, [&](const Value& a, const Value& b) {
            const Value pair[2] = {a, b};
            const double r = m.toNumber(m.call(fn, Value::null(), pair));
            return r < 0 ? -1 : r > 0 ? 1 : 0;
        });
    }
    return sortBy(m, self, flags, [&](const Value& a, const Value& b) { return compareByFlags(m, a, b, flags); });
}

Value arraySortOn(Machine& m, Value self, std::span<const Value> args) {
    const std::u16string field = m.toString(argument(args, 0))->text();
    const uint32_t flags = args.size() > 1 && args[1].isNumeric() ? toUInt32(args[1].numeric()) : 0;
    auto fieldOf = [&](const Value& v) -> Value {
        if (!v.isObject())
            return Value();
        const Value* f = v.asObject()->find(field);
        return f ? *f : Value();
    };
    return sortBy(m, self, flags,
                  [&](const Value& a, const Value& b) { return compareByFlags(m, fieldOf(a), fieldOf(b), flags); });
}

const NativeMember ArrayPrototype[] = {{u"push", arrayPush},
                                       {u"pop", arrayPop},
                                       {u"shift", arrayShift},
                                       {u"unshift", arrayUnshift},
                                       {u"slice", arraySlice},
                                       {u"splice", arraySplice},
                                       {u"concat", arrayConcat},
                                       {u"join", arrayJoin},
                                       {u"reverse", arrayReverse},
                                       {u"indexOf", arrayIndexOf},
                                       {u"lastIndexOf", arrayLastIndexOf},
                                       {u"forEach", arrayForEach},
                                       {u"every", arrayEvery},
                                       {u"some", arraySome},
                                       {u"map", arrayMap},
                                       {u"filter", arrayFilter},
                                       {u"sort", arraySort},
                                       {u"sortOn", arraySortOn},
                                       {u"toString", arrayToString},
                                       {u"toLocaleString", arrayToString}};

const NativeConstant ArrayConstants[] = {
    {u"CASEINSENSITIVE", 1}, {u"DESCENDING", 2}, {u"UNIQUESORT", 4}, {u"RETURNINDEXEDARRAY", 8}, {u"NUMERIC", 16}};

const CoreClassSpec Classes[] = {{.name = u"Array",
                                  .base = u"Object",
                                  .create = arrayCreate,
                                  .callAsFunction = arrayCreate,
                                  .prototype = ArrayPrototype,
                                  .constants = ArrayConstants,
                                  .prototypeInAs3 = true}};

}  // namespace

bool strictlyEqual(const Value& a, const Value& b) {
    if (a.isNumeric() && b.isNumeric())
        return a.numeric() == b.numeric();
    if (a.tag() != b.tag())
        return false;
    if (a.isString())
        return a.asString()->text() == b.asString()->text();
    if (a.isBoolean())
        return a.asBoolean() == b.asBoolean();
    return a.isNullish() || a.asCell() == b.asCell();
}

// Compares two values by the flags: -1, 0 or 1.
int compareByFlags(Machine& m, const Value& a, const Value& b, uint32_t flags) {
    // undefined sorts after everything.
    if (a.isUndefined() || b.isUndefined())
        return a.isUndefined() == b.isUndefined() ? 0 : a.isUndefined() ? 1 : -1;
    if (flags & Numeric) {
        const double x = m.toNumber(a), y = m.toNumber(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    std::u16string x = m.toString(a)->text(), y = m.toString(b)->text();
    if (flags & CaseInsensitive) {
        for (auto* s : {&x, &y}) {
            for (char16_t& c : *s) {
                if (c >= u'A' && c <= u'Z')
                    c = char16_t(c + 32);
            }
        }
    }
    return x < y ? -1 : x > y ? 1 : 0;
}

size_t relativePosition(Machine& m, Value v, size_t size, size_t fallback) {
    if (v.isUndefined())
        return fallback;
    const double d = std::trunc(m.toNumber(v));
    if (std::isnan(d))
        return 0;
    if (d < 0)
        return size_t(std::max(0.0, double(size) + d));
    return size_t(std::min(d, double(size)));
}

std::span<const CoreClassSpec> arrayClasses() { return Classes; }

}  // namespace avm2
