// A least-recently-used cache bounded by entry count and by bytes.
//
// Values are shared pointers, so an entry evicted while a painter still uses
// it stays alive until that painter lets go. An entry larger than the whole
// byte budget is handed back but not kept.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <unordered_map>
#include <utility>

namespace render {

template <typename Key, typename Value, typename Hash = std::hash<Key>>
class LruCache {
public:
    LruCache(size_t maxEntries, size_t maxBytes) : m_maxEntries(maxEntries), m_maxBytes(maxBytes) {}

    // The value for `key`, now the most recently used; null when absent.
    [[nodiscard]] std::shared_ptr<Value> find(const Key& key) {
        auto it = m_index.find(key);
        if (it == m_index.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second);
        return it->second->value;
    }

    // Stores `value` under `key` (replacing what was there) and evicts the
    // least recently used entries until both bounds hold again.
    void insert(const Key& key, std::shared_ptr<Value> value, size_t bytes) {
        erase(key);
        if (bytes > m_maxBytes || m_maxEntries == 0)
            return;
        m_order.push_front({key, std::move(value), bytes});
        m_index.emplace(key, m_order.begin());
        m_bytes += bytes;
        while (m_order.size() > m_maxEntries || m_bytes > m_maxBytes) {
            Entry& last = m_order.back();
            m_bytes -= last.bytes;
            m_index.erase(last.key);
            m_order.pop_back();
        }
    }

    void erase(const Key& key) {
        auto it = m_index.find(key);
        if (it == m_index.end())
            return;
        m_bytes -= it->second->bytes;
        m_order.erase(it->second);
        m_index.erase(it);
    }

    void clear() {
        m_index.clear();
        m_order.clear();
        m_bytes = 0;
    }

    [[nodiscard]] size_t size() const { return m_order.size(); }
    [[nodiscard]] size_t bytes() const { return m_bytes; }

private:
    struct Entry {
        Key key;
        std::shared_ptr<Value> value;
        size_t bytes = 0;
    };

    size_t m_maxEntries = 0;
    size_t m_maxBytes = 0;
    size_t m_bytes = 0;
    std::list<Entry> m_order;  // most recently used first
    std::unordered_map<Key, typename std::list<Entry>::iterator, Hash> m_index;
};

// Combines hashes the usual way.
inline size_t hashCombine(size_t seed, size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

}  // namespace render
