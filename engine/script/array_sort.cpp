// Sorting arrays.
#include "script/array_sort.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include <cmath>

namespace script {

void mergeSortIndices(std::vector<size_t>& v, const std::function<bool(size_t, size_t)>& less) {
    std::vector<size_t> tmp(v.size());
    for (size_t width = 1; width < v.size(); width *= 2) {
        for (size_t lo = 0; lo < v.size(); lo += 2 * width) {
            size_t mid = std::min(lo + width, v.size());
            size_t hi = std::min(lo + 2 * width, v.size());
            size_t i = lo;
            size_t j = mid;
            size_t k = lo;
            while (i < mid && j < hi)
                tmp[k++] = less(v[j], v[i]) ? v[j++] : v[i++];
            while (i < mid)
                tmp[k++] = v[i++];
            while (j < hi)
                tmp[k++] = v[j++];
        }
        v.swap(tmp);
    }
}

namespace {

// -1, 0, 1 for two values under the options (no comparator).
int compareValues(Runtime& rt, const Value& a, const Value& b, uint32_t options) {
    if (options & SortOption::Numeric) {
        double x = toNumber(rt, a);
        double y = toNumber(rt, b);
        if (std::isnan(x) || std::isnan(y))
            return std::isnan(x) == std::isnan(y) ? 0 : (std::isnan(x) ? 1 : -1);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    String sa = toString(rt, a);
    String sb = toString(rt, b);
    std::u16string_view x = sa.view();
    std::u16string_view y = sb.view();
    size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t cx = x[i];
        char16_t cy = y[i];
        if (options & SortOption::CaseInsensitive) {
            cx = foldAscii(cx);
            cy = foldAscii(cy);
        }
        if (cx != cy)
            return cx < cy ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

// Applies the result options to a computed order.
Value finish(Runtime& rt, ArrayObject& array, const std::vector<Value>& values, std::vector<size_t>& order,
             const std::function<int(size_t, size_t)>& compare, uint32_t options) {
    if (options & SortOption::UniqueSort) {
        for (size_t i = 1; i < order.size(); ++i) {
            if (compare(order[i - 1], order[i]) == 0)
                return Value(0.0);
        }
    }
    if (options & SortOption::ReturnIndexedArray) {
        std::vector<Value> indices;
        for (size_t i : order)
            indices.emplace_back(double(i));
        return Value(rt.newArray(std::move(indices)));
    }
    std::vector<Value> sorted;
    sorted.reserve(order.size());
    for (size_t i : order)
        sorted.push_back(values[i]);
    array.assign(std::move(sorted), rt.limits.maxArrayLength);
    return Value(&array);
}

}  // namespace

Value sortArray(Runtime& rt, ArrayObject& array, const Value& comparator, uint32_t options) {
    const std::vector<Value> values = array.elements();
    std::vector<size_t> order(values.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const bool descending = options & SortOption::Descending;
    std::function<int(size_t, size_t)> compare;
    Object* fn = comparator.asObject();
    if (fn && fn->isCallable()) {
        compare = [&](size_t a, size_t b) {
            Value args[] = {values[a], values[b]};
            double r = toNumber(rt, callFunction(rt, comparator, Value(), args));
            return std::isnan(r) ? 0 : (r < 0 ? -1 : (r > 0 ? 1 : 0));
        };
    } else {
        compare = [&](size_t a, size_t b) {
            rt.chargeWork(1);
            return compareValues(rt, values[a], values[b], options);
        };
    }
    mergeSortIndices(order, [&](size_t a, size_t b) {
        int c = compare(a, b);
        return descending ? c > 0 : c < 0;
    });
    return finish(rt, array, values, order, compare, options);
}

Value sortArrayOn(Runtime& rt, ArrayObject& array, const Value& fieldsValue, const Value& optionsValue) {
    std::vector<String> fields;
    std::vector<uint32_t> options;
    if (Object* f = fieldsValue.asObject(); f && f->objectClass() == ObjectClass::Array) {
        for (const Value& v : static_cast<ArrayObject*>(f)->elements())
            fields.push_back(toString(rt, v));
    } else {
        fields.push_back(toString(rt, fieldsValue));
    }
    if (Object* o = optionsValue.asObject(); o && o->objectClass() == ObjectClass::Array) {
        for (const Value& v : static_cast<ArrayObject*>(o)->elements())
            options.push_back(uint32_t(toInt32(rt, v)));
    }
    uint32_t common = optionsValue.isObject() ? 0 : uint32_t(toInt32(rt, optionsValue));
    const std::vector<Value> values = array.elements();
    std::vector<std::vector<Value>> keys(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        for (const String& field : fields)
            keys[i].push_back(getMember(rt, values[i], field.view()));
    }
    auto optionFor = [&](size_t k) { return k < options.size() ? options[k] : common; };
    std::function<int(size_t, size_t)> compare = [&](size_t a, size_t b) {
        rt.chargeWork(1);
        for (size_t k = 0; k < fields.size(); ++k) {
            int c = compareValues(rt, keys[a][k], keys[b][k], optionFor(k));
            if (optionFor(k) & SortOption::Descending)
                c = -c;
            if (c != 0)
                return c;
        }
        return 0;
    };
    std::vector<size_t> order(values.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    mergeSortIndices(order, [&](size_t a, size_t b) { return compare(a, b) < 0; });
    return finish(rt, array, values, order, compare, optionFor(0) & ~SortOption::Descending);
}

}  // namespace script
