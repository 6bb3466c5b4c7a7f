// Depth-ordered children.
#include "model/display_list.h"

#include "model/display_object.h"

namespace model {

bool namesEqual(std::string_view a, std::string_view b, bool caseSensitive) {
    if (a.size() != b.size())
        return false;
    if (caseSensitive)
        return a == b;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

DisplayList::~DisplayList() {
    for (auto& [depth, object] : m_entries)
        object->m_parent = nullptr;
}

DisplayObject* DisplayList::at(int32_t depth) const {
    auto it = m_entries.find(depth);
    return it == m_entries.end() ? nullptr : it->second.get();
}

DisplayObject* DisplayList::findByName(std::string_view name, bool caseSensitive) const {
    for (const auto& [depth, object] : m_entries) {
        if (!object->name().empty() && namesEqual(object->name(), name, caseSensitive))
            return object.get();
    }
    return nullptr;
}

std::shared_ptr<DisplayObject> DisplayList::insert(int32_t depth, std::shared_ptr<DisplayObject> object) {
    std::shared_ptr<DisplayObject> previous = remove(depth);
    object->m_depth = depth;
    object->m_parent = m_owner;
    m_entries.emplace(depth, std::move(object));
    return previous;
}

std::shared_ptr<DisplayObject> DisplayList::remove(int32_t depth) {
    auto it = m_entries.find(depth);
    if (it == m_entries.end())
        return nullptr;
    std::shared_ptr<DisplayObject> object = std::move(it->second);
    m_entries.erase(it);
    object->m_parent = nullptr;
    return object;
}

void DisplayList::swap(int32_t from, int32_t to) {
    if (from == to)
        return;
    std::shared_ptr<DisplayObject> a = remove(from);
    std::shared_ptr<DisplayObject> b = remove(to);
    if (a)
        insert(to, std::move(a));
    if (b)
        insert(from, std::move(b));
}

}  // namespace model
