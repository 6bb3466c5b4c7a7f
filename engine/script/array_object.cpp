// Array storage.
#include "script/array_object.h"

#include "script/conversions.h"
#include "script/number_format.h"
#include "script/runtime.h"

#include <cmath>

namespace script {

namespace {
constexpr size_t ElementBytes = sizeof(Value);
}

ArrayObject::~ArrayObject() {
    if (meter())
        meter()->release(m_elements.size() * ElementBytes);
}

void ArrayObject::charge(size_t newSize, size_t maxLength) {
    if (newSize > maxLength)
        abortScript(ScriptErrorKind::MemoryLimit, "an array grew past the length limit");
    if (newSize > m_elements.size() && meter())
        meter()->charge((newSize - m_elements.size()) * ElementBytes);
}

void ArrayObject::resize(size_t n, size_t maxLength) {
    charge(n, maxLength);
    if (n < m_elements.size() && meter())
        meter()->release((m_elements.size() - n) * ElementBytes);
    m_elements.resize(n);
}

void ArrayObject::set(size_t i, Value v, size_t maxLength) {
    if (i >= m_elements.size())
        resize(i + 1, maxLength);
    m_elements[i] = std::move(v);
}

void ArrayObject::push(Value v, size_t maxLength) {
    charge(m_elements.size() + 1, maxLength);
    m_elements.push_back(std::move(v));
}

void ArrayObject::insert(size_t at, std::span<const Value> values, size_t maxLength) {
    at = std::min(at, m_elements.size());
    charge(m_elements.size() + values.size(), maxLength);
    m_elements.insert(m_elements.begin() + ptrdiff_t(at), values.begin(), values.end());
}

void ArrayObject::erase(size_t from, size_t count) {
    from = std::min(from, m_elements.size());
    count = std::min(count, m_elements.size() - from);
    m_elements.erase(m_elements.begin() + ptrdiff_t(from), m_elements.begin() + ptrdiff_t(from + count));
    if (meter())
        meter()->release(count * ElementBytes);
}

void ArrayObject::assign(std::vector<Value> values, size_t maxLength) {
    resize(values.size(), maxLength);
    m_elements = std::move(values);
}

std::optional<uint32_t> ArrayObject::parseIndex(std::u16string_view name) {
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == u'0'))
        return std::nullopt;
    uint64_t v = 0;
    for (char16_t c : name) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + uint64_t(c - u'0');
    }
    if (v >= 4294967295ull)
        return std::nullopt;
    return uint32_t(v);
}

std::optional<Value> ArrayObject::getBuiltin(Runtime& rt, std::u16string_view name) {
    if (namesMatch(name, u"length", rt.caseSensitive))
        return Value(double(m_elements.size()));
    auto index = parseIndex(name);
    if (index && *index < m_elements.size())
        return m_elements[*index];
    return std::nullopt;
}

bool ArrayObject::setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) {
    if (namesMatch(name, u"length", rt.caseSensitive)) {
        double n = toNumber(rt, value);
        if (std::isfinite(n) && n >= 0 && n == std::trunc(n)) {
            size_t wanted = size_t(std::min(n, double(rt.limits.maxArrayLength) + 1));
            if (wanted > m_elements.size())
                rt.chargeWork((wanted - m_elements.size()) / 16);
            resize(wanted, rt.limits.maxArrayLength);
        }
        return true;
    }
    auto index = parseIndex(name);
    if (!index || *index >= rt.limits.maxArrayLength)
        return false;
    if (*index >= m_elements.size())
        rt.chargeWork((*index - m_elements.size()) / 16);
    set(*index, value, rt.limits.maxArrayLength);
    return true;
}

bool ArrayObject::deleteBuiltin(Runtime&, std::u16string_view name) {
    auto index = parseIndex(name);
    if (!index || *index >= m_elements.size())
        return false;
    m_elements[*index] = Value();
    return true;
}

void ArrayObject::builtinKeys(Runtime& rt, std::vector<String>& out) {
    for (size_t i = m_elements.size(); i-- > 0;)
        out.push_back(rt.makeString(numberToString(double(i))));
}

void ArrayObject::traceRefs(std::vector<Object*>& out) const {
    Object::traceRefs(out);
    for (const Value& v : m_elements) {
        if (Object* o = v.asObject())
            out.push_back(o);
    }
}

}  // namespace script
