#include "avm2/object.h"

#include "avm2/traits.h"

namespace avm2 {

Object::Object(Object* proto, const Traits* traits, const Cell* keeper, bool dynamic)
    : m_proto(proto), m_traits(traits), m_keeper(keeper), m_slots(traits->slotDefaults), m_dynamic(dynamic) {}

const Value* Object::findOwn(const std::u16string& name) const {
    auto it = m_index.find(name);
    return it == m_index.end() ? nullptr : &m_properties[it->second].second;
}

void Object::setOwn(const std::u16string& name, Value v) {
    auto [it, added] = m_index.try_emplace(name, m_properties.size());
    if (added)
        m_properties.emplace_back(name, v);
    else
        m_properties[it->second].second = v;
}

void Object::setEnumerable(const std::u16string& name, bool enumerable) {
    if (enumerable)
        m_hidden.erase(name);
    else if (m_index.contains(name))
        m_hidden.insert(name);
}

bool Object::deleteOwn(const std::u16string& name) {
    m_hidden.erase(name);
    auto it = m_index.find(name);
    if (it == m_index.end())
        return false;
    const size_t at = it->second;
    m_index.erase(it);
    m_properties.erase(m_properties.begin() + ptrdiff_t(at));
    for (auto& [key, index] : m_index) {
        if (index > at)
            --index;
    }
    return true;
}

const Value* Object::find(const std::u16string& name) const {
    for (const Object* o = this; o; o = o->m_proto) {
        if (const Value* v = o->findOwn(name))
            return v;
    }
    return nullptr;
}

void Object::trace(Tracer& tracer) const {
    tracer.cell(m_proto);
    tracer.cell(m_keeper);
    tracer.values(m_slots);
    for (const auto& [name, value] : m_properties)
        tracer.value(value);
    if (m_native)
        m_native->trace(tracer);
}

size_t Object::extraBytes() const {
    size_t bytes = m_slots.capacity() * sizeof(Value);
    for (const auto& [name, value] : m_properties)
        bytes += sizeof(Value) + name.capacity() * sizeof(char16_t) + 48;
    if (m_native)
        bytes += m_native->extraBytes();
    return bytes;
}

void ArrayObject::trace(Tracer& tracer) const {
    Object::trace(tracer);
    tracer.values(m_elements);
}

bool arrayIndex(std::u16string_view name, uint32_t& index) {
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == u'0'))
        return false;
    uint64_t value = 0;
    for (char16_t c : name) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    if (value >= 0xFFFFFFFFull)
        return false;
    index = uint32_t(value);
    return true;
}

void FunctionObject::trace(Tracer& tracer) const {
    Object::trace(tracer);
    tracer.values(m_scope);
}

}  // namespace avm2
