// An object's own properties in creation order, found by name (without
// ASCII case for SWF 6 code and older). The rule is read through a flag the
// runtime switches to the movie of the running code, since movies of
// different versions share objects. Small maps are searched linearly;
// larger ones keep an index by case-folded hash, which serves both rules.
//
// Each slot is charged to the MemoryMeter while it exists.
#pragma once

#include "script/memory_meter.h"
#include "script/string.h"
#include "script/value.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace script {

// The bits of ASSetPropFlags.
struct PropertyFlag {
    static constexpr uint8_t DontEnum = 1;
    static constexpr uint8_t DontDelete = 2;
    static constexpr uint8_t ReadOnly = 4;
};

struct Property {
    String name;  // as first created (enumeration shows this spelling)
    Value value;
    Object* getter = nullptr;  // addProperty: read through the getter
    Object* setter = nullptr;
    uint8_t flags = 0;
};

class PropertyMap {
public:
    // `caseSensitive` outlives the map; null: names never compare by case.
    PropertyMap(MemoryMeter* meter, const bool* caseSensitive) : m_meter(meter), m_caseSensitive(caseSensitive) {}
    PropertyMap(const PropertyMap&) = delete;
    PropertyMap& operator=(const PropertyMap&) = delete;
    ~PropertyMap();

    [[nodiscard]] Property* find(std::u16string_view name);
    [[nodiscard]] const Property* find(std::u16string_view name) const;
    // Adds a property that is not there yet (may throw ScriptAbort at the
    // memory limit, adding nothing).
    Property& add(String name, Value value, uint8_t flags = 0);
    // Removes it whatever its flags (the caller checks DontDelete).
    bool erase(std::u16string_view name);
    void clear();

    [[nodiscard]] size_t size() const { return m_props.size(); }
    [[nodiscard]] bool empty() const { return m_props.empty(); }
    // Creation order; pointers stay valid until the next add or erase.
    [[nodiscard]] std::vector<Property>& entries() { return m_props; }
    [[nodiscard]] const std::vector<Property>& entries() const { return m_props; }
    [[nodiscard]] bool caseSensitive() const { return m_caseSensitive && *m_caseSensitive; }

private:
    static constexpr size_t IndexFrom = 12;

    // Folded hash to slot: names equal under either rule share a key.
    using Index = std::unordered_multimap<size_t, uint32_t>;

    [[nodiscard]] int64_t indexOf(std::u16string_view name) const;
    void rebuildIndex();

    std::vector<Property> m_props;
    std::unique_ptr<Index> m_index;  // keys view the names held in m_props (their buffers never move)
    MemoryMeter* m_meter = nullptr;
    const bool* m_caseSensitive = nullptr;
};

}  // namespace script
