// Array.
#include "script/builtins.h"

#include "script/array_object.h"
#include "script/array_sort.h"
#include "script/conversions.h"
#include "script/runtime.h"

#include <cmath>

namespace script {

namespace {

ArrayObject* thisArray(const Value& self) {
    Object* o = self.asObject();
    return o && o->objectClass() == ObjectClass::Array ? static_cast<ArrayObject*>(o) : nullptr;
}

// A relative index (negative counts from the end) clamped to 0..length.
size_t clampIndex(Runtime& rt, const Value& v, size_t length, size_t fallback) {
    if (v.isUndefined())
        return fallback;
    double n = toNumber(rt, v);
    if (std::isnan(n))
        return 0;
    n = std::trunc(n);
    if (n < 0)
        n = std::max(0.0, double(length) + n);
    return size_t(std::min(n, double(length)));
}

Value arrayConstruct(Runtime& rt, const Value&, std::span<const Value> args) {
    ArrayObject* a = rt.newArray();
    if (args.size() == 1 && args[0].isNumber()) {
        double n = args[0].asNumber();
        if (n >= 0 && n == std::trunc(n)) {
            size_t length = size_t(std::min(n, double(rt.limits.maxArrayLength) + 1));
            rt.chargeWork(length / 16);
            a->resize(length, rt.limits.maxArrayLength);
        }
        return Value(a);
    }
    a->assign(std::vector<Value>(args.begin(), args.end()), rt.limits.maxArrayLength);
    return Value(a);
}

Value arrayPush(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    if (!a)
        return Value();
    for (const Value& v : args)
        a->push(v, rt.limits.maxArrayLength);
    return Value(double(a->length()));
}

Value arrayPop(Runtime&, const Value& self, std::span<const Value>) {
    ArrayObject* a = thisArray(self);
    if (!a || a->length() == 0)
        return Value();
    Value last = a->at(a->length() - 1);
    a->erase(a->length() - 1, 1);
    return last;
}

Value arrayShift(Runtime& rt, const Value& self, std::span<const Value>) {
    ArrayObject* a = thisArray(self);
    if (!a || a->length() == 0)
        return Value();
    rt.chargeWork(a->length() / 16);
    Value first = a->at(0);
    a->erase(0, 1);
    return first;
}

Value arrayUnshift(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    if (!a)
        return Value();
    rt.chargeWork(a->length() / 16);
    a->insert(0, args, rt.limits.maxArrayLength);
    return Value(double(a->length()));
}

Value arraySlice(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    if (!a)
        return Value();
    size_t from = clampIndex(rt, arg(args, 0), a->length(), 0);
    size_t to = clampIndex(rt, arg(args, 1), a->length(), a->length());
    std::vector<Value> out;
    for (size_t i = from; i < to; ++i)
        out.push_back(a->at(i));
    return Value(rt.newArray(std::move(out)));
}

Value arraySplice(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    if (!a || args.empty())
        return Value();
    rt.chargeWork(a->length() / 16);
    size_t from = clampIndex(rt, arg(args, 0), a->length(), 0);
    size_t count = a->length() - from;
    if (args.size() > 1) {
        double n = toNumber(rt, args[1]);
        count = (std::isnan(n) || n < 0) ? 0 : size_t(std::min(std::trunc(n), double(count)));
    }
    std::vector<Value> removed(a->elements().begin() + ptrdiff_t(from),
                               a->elements().begin() + ptrdiff_t(from + count));
    a->erase(from, count);
    if (args.size() > 2)
        a->insert(from, args.subspan(2), rt.limits.maxArrayLength);
    return Value(rt.newArray(std::move(removed)));
}

Value arrayConcat(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    std::vector<Value> out;
    if (a)
        out = a->elements();
    for (const Value& v : args) {
        if (ArrayObject* other = thisArray(v))
            out.insert(out.end(), other->elements().begin(), other->elements().end());
        else
            out.push_back(v);
        if (out.size() > rt.limits.maxArrayLength)
            abortScript(ScriptErrorKind::MemoryLimit, "an array grew past the length limit");
    }
    return Value(rt.newArray(std::move(out)));
}

String joinArray(Runtime& rt, ArrayObject& a, std::u16string_view separator) {
    rt.chargeWork(a.length());
    std::u16string out;
    for (size_t i = 0; i < a.length(); ++i) {
        if (i > 0)
            out.append(separator);
        String s = toString(rt, a.at(i));
        out.append(s.view());
        if (out.size() > rt.limits.maxStringLength)
            abortScript(ScriptErrorKind::MemoryLimit, "a string grew past the length limit");
    }
    return rt.makeString(out);
}

Value arrayJoin(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    if (!a)
        return Value();
    String separator = arg(args, 0).isUndefined() ? String(u",") : toString(rt, arg(args, 0));
    return Value(joinArray(rt, *a, separator.view()));
}

Value arrayToString(Runtime& rt, const Value& self, std::span<const Value>) {
    ArrayObject* a = thisArray(self);
    return a ? Value(joinArray(rt, *a, u",")) : Value(String(u"[object Object]"));
}

Value arrayReverse(Runtime& rt, const Value& self, std::span<const Value>) {
    ArrayObject* a = thisArray(self);
    if (!a)
        return Value();
    rt.chargeWork(a->length() / 16);
    std::vector<Value> items(a->elements().rbegin(), a->elements().rend());
    a->assign(std::move(items), rt.limits.maxArrayLength);
    return self;
}

Value arraySort(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    if (!a)
        return Value();
    Value comparator;
    uint32_t options = 0;
    if (Object* f = arg(args, 0).asObject(); f && f->isCallable()) {
        comparator = args[0];
        options = uint32_t(toInt32(rt, arg(args, 1)));
    } else if (!arg(args, 0).isUndefined()) {
        options = uint32_t(toInt32(rt, args[0]));
    }
    return sortArray(rt, *a, comparator, options);
}

Value arraySortOn(Runtime& rt, const Value& self, std::span<const Value> args) {
    ArrayObject* a = thisArray(self);
    if (!a)
        return Value();
    return sortArrayOn(rt, *a, arg(args, 0), arg(args, 1));
}

}  // namespace

void installArray(Runtime& rt) {
    Object* p = rt.heap.make<ArrayObject>(rt.protos.object);
    rt.protos.array = p;
    rt.defineMethod(p, u"push", arrayPush);
    rt.defineMethod(p, u"pop", arrayPop);
    rt.defineMethod(p, u"shift", arrayShift);
    rt.defineMethod(p, u"unshift", arrayUnshift);
    rt.defineMethod(p, u"slice", arraySlice);
    rt.defineMethod(p, u"splice", arraySplice);
    rt.defineMethod(p, u"concat", arrayConcat);
    rt.defineMethod(p, u"join", arrayJoin);
    rt.defineMethod(p, u"toString", arrayToString);
    rt.defineMethod(p, u"reverse", arrayReverse);
    rt.defineMethod(p, u"sort", arraySort);
    rt.defineMethod(p, u"sortOn", arraySortOn);
    NativeFunction* ctor = rt.newNative(arrayConstruct, arrayConstruct);
    rt.defineValue(ctor, u"prototype", Value(p), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(p, u"constructor", Value(ctor));
    rt.defineValue(ctor, u"CASEINSENSITIVE", Value(double(SortOption::CaseInsensitive)));
    rt.defineValue(ctor, u"DESCENDING", Value(double(SortOption::Descending)));
    rt.defineValue(ctor, u"UNIQUESORT", Value(double(SortOption::UniqueSort)));
    rt.defineValue(ctor, u"RETURNINDEXEDARRAY", Value(double(SortOption::ReturnIndexedArray)));
    rt.defineValue(ctor, u"NUMERIC", Value(double(SortOption::Numeric)));
    rt.defineValue(rt.global, u"Array", Value(ctor));
}

}  // namespace script
