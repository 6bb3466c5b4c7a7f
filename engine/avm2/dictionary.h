// flash.utils.Dictionary: an object whose object keys are compared by
// identity rather than by their string form. Other keys (strings, numbers)
// are ordinary dynamic properties, as the library treats them.
#pragma once

#include "avm2/object.h"

#include <unordered_map>
#include <vector>

namespace avm2 {

class DictionaryObject final : public Object, private WeakHolder {
public:
    DictionaryObject(Object* proto, bool weakKeys) : Object(proto, 0), m_weakKeys(weakKeys) {}

    [[nodiscard]] const Value* find(const Object* key) const;
    // Returns whether the key was new (the caller charges the heap for it).
    bool set(Object* key, Value value);
    bool remove(const Object* key);

    // Enumeration slots: removed entries stay as holes until the next
    // compaction, so indices of an enumeration in progress stay valid.
    [[nodiscard]] size_t slotCount() const { return m_entries.size(); }
    [[nodiscard]] bool liveAt(size_t i) const { return m_entries[i].key != nullptr; }
    [[nodiscard]] Object* keyAt(size_t i) const { return m_entries[i].key; }
    [[nodiscard]] const Value& valueAt(size_t i) const { return m_entries[i].value; }

    // With weak keys an entry lives only while its key is reachable from
    // elsewhere; its value is kept alive only by a live key.
    [[nodiscard]] bool weakKeys() const { return m_weakKeys; }

    void trace(Tracer& tracer) const override;
    [[nodiscard]] size_t extraBytes() const override;

    // Bytes one new entry is charged.
    static constexpr size_t EntryBytes = 64;

private:
    struct Entry {
        Object* key = nullptr;
        Value value;
    };
    void compact();
    void traceWeak(Tracer& tracer) const override;
    void sweepWeak(const Tracer& tracer) override;

    std::vector<Entry> m_entries;
    std::unordered_map<const Object*, size_t> m_index;
    size_t m_holes = 0;
    bool m_weakKeys = false;
};

}  // namespace avm2
