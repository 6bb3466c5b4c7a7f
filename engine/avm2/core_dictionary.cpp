// flash.utils.Dictionary: identity-keyed entries beside the ordinary
// dynamic properties. The interpreter reaches the entries through the
// object key a runtime name carries.
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/dictionary.h"

namespace avm2 {

const Value* DictionaryObject::find(const Object* key) const {
    auto it = m_index.find(key);
    return it == m_index.end() ? nullptr : &m_entries[it->second].value;
}

bool DictionaryObject::set(Object* key, Value value) {
    if (auto it = m_index.find(key); it != m_index.end()) {
        m_entries[it->second].value = value;
        return false;
    }
    // Compacting only here keeps the holes an enumeration may be walking
    // past; a script that adds keys while enumerating sees what it sees.
    if (m_holes > 16 && m_holes * 2 > m_entries.size())
        compact();
    m_index.emplace(key, m_entries.size());
    m_entries.push_back({key, value});
    return true;
}

bool DictionaryObject::remove(const Object* key) {
    auto it = m_index.find(key);
    if (it == m_index.end())
        return false;
    m_entries[it->second] = Entry{};
    m_index.erase(it);
    ++m_holes;
    return true;
}

void DictionaryObject::compact() {
    std::vector<Entry> live;
    live.reserve(m_entries.size() - m_holes);
    m_index.clear();
    for (const Entry& e : m_entries) {
        if (e.key) {
            m_index.emplace(e.key, live.size());
            live.push_back(e);
        }
    }
    m_entries = std::move(live);
    m_holes = 0;
}

void DictionaryObject::trace(Tracer& tracer) const {
    Object::trace(tracer);
    if (m_weakKeys) {
        tracer.weakHolder(const_cast<DictionaryObject*>(this));
        return;
    }
    for (const Entry& e : m_entries) {
        if (e.key) {
            tracer.cell(e.key);
            tracer.value(e.value);
        }
    }
}

void DictionaryObject::traceWeak(Tracer& tracer) const {
    for (const Entry& e : m_entries) {
        if (e.key && tracer.reached(e.key))
            tracer.value(e.value);
    }
}

void DictionaryObject::sweepWeak(const Tracer& tracer) {
    for (const Entry& e : m_entries) {
        if (e.key && !tracer.reached(e.key))
            remove(e.key);
    }
}

size_t DictionaryObject::extraBytes() const { return Object::extraBytes() + m_entries.size() * EntryBytes; }

namespace {

Value dictionaryCreate(Machine& m, Value, std::span<const Value> args) {
    ClassObject* c = m.coreClass(u"flash.utils", u"Dictionary");
    return Value::object(m.heap().make<DictionaryObject>(c->prototype(), toBoolean(argument(args, 0))));
}

const CoreClassSpec Classes[] = {
    {.name = u"Dictionary", .base = u"Object", .create = dictionaryCreate, .package = u"flash.utils"},
};

}  // namespace

std::span<const CoreClassSpec> dictionaryClasses() { return Classes; }

}  // namespace avm2
