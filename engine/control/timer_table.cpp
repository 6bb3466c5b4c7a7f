#include "control/timer_table.h"

#include <mutex>
#include <vector>

namespace control::timer_table {

namespace {

struct Entry {
    DWORD thread = 0;
    UINT_PTR id = 0;
    void* owner = nullptr;
};

std::mutex g_mutex;
std::vector<Entry> g_entries;

}  // namespace

void add(DWORD thread, UINT_PTR id, void* owner) {
    std::lock_guard lock(g_mutex);
    g_entries.push_back({thread, id, owner});
}

void* find(DWORD thread, UINT_PTR id) {
    std::lock_guard lock(g_mutex);
    for (const Entry& entry : g_entries)
        if (entry.thread == thread && entry.id == id)
            return entry.owner;
    return nullptr;
}

void forget(DWORD thread, UINT_PTR id) {
    std::lock_guard lock(g_mutex);
    std::erase_if(g_entries, [&](const Entry& e) { return e.thread == thread && e.id == id; });
}

}  // namespace control::timer_table
