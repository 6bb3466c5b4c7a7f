// Property storage.
#include "script/property_map.h"

namespace script {

namespace {
constexpr size_t SlotBytes = sizeof(Property) + 16;
}

PropertyMap::~PropertyMap() {
    if (m_meter)
        m_meter->release(m_props.size() * SlotBytes);
}

int64_t PropertyMap::indexOf(std::u16string_view name) const {
    const bool exact = caseSensitive();
    if (m_index) {
        // Several slots may match without case (made by case-sensitive
        // code): the earliest wins, as in a scan.
        int64_t found = -1;
        auto [first, last] = m_index->equal_range(hashName(name, false));
        for (auto it = first; it != last; ++it) {
            if ((found < 0 || int64_t(it->second) < found) && namesMatch(m_props[it->second].name.view(), name, exact))
                found = int64_t(it->second);
        }
        return found;
    }
    for (size_t i = 0; i < m_props.size(); ++i) {
        if (namesMatch(m_props[i].name.view(), name, exact))
            return int64_t(i);
    }
    return -1;
}

Property* PropertyMap::find(std::u16string_view name) {
    int64_t i = indexOf(name);
    return i < 0 ? nullptr : &m_props[size_t(i)];
}

const Property* PropertyMap::find(std::u16string_view name) const {
    int64_t i = indexOf(name);
    return i < 0 ? nullptr : &m_props[size_t(i)];
}

Property& PropertyMap::add(String name, Value value, uint8_t flags) {
    if (m_meter)
        m_meter->charge(SlotBytes);
    Property p;
    p.name = std::move(name);
    p.value = std::move(value);
    p.flags = flags;
    m_props.push_back(std::move(p));
    if (m_index) {
        m_index->emplace(hashName(m_props.back().name.view(), false), uint32_t(m_props.size() - 1));
    } else if (m_props.size() >= IndexFrom) {
        rebuildIndex();
    }
    return m_props.back();
}

bool PropertyMap::erase(std::u16string_view name) {
    int64_t i = indexOf(name);
    if (i < 0)
        return false;
    m_props.erase(m_props.begin() + i);
    if (m_meter)
        m_meter->release(SlotBytes);
    if (m_index) {
        if (m_props.size() < IndexFrom / 2)
            m_index.reset();
        else
            rebuildIndex();
    }
    return true;
}

void PropertyMap::clear() {
    if (m_meter)
        m_meter->release(m_props.size() * SlotBytes);
    m_props.clear();
    m_index.reset();
}

void PropertyMap::rebuildIndex() {
    m_index = std::make_unique<Index>(m_props.size() * 2);
    for (size_t i = 0; i < m_props.size(); ++i)
        m_index->emplace(hashName(m_props[i].name.view(), false), uint32_t(i));
}

}  // namespace script
