// Owner of every script object, with a mark-and-sweep collector.
//
// The collector runs only between entry points, when no script is running:
// then everything a script can still reach hangs off the roots the Runtime
// lists (the global object, the stage's clips, timers, callbacks...), and
// values on C++ stacks do not exist. Objects are charged to the
// MemoryMeter when made and released when freed.
#pragma once

#include "script/memory_meter.h"
#include "script/object.h"

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace script {

class Heap {
public:
    // `caseSensitive` is the runtime's rule of the running code; it outlives the heap.
    Heap(MemoryMeter& meter, const bool& caseSensitive) : m_meter(&meter), m_caseSensitive(&caseSensitive) {}
    Heap(const Heap&) = delete;
    Heap& operator=(const Heap&) = delete;
    // Finalizes and frees every object.
    ~Heap();

    // A new object of type T (T's constructor takes an ObjectInit first).
    // Throws ScriptAbort (MemoryLimit) when the meter refuses it.
    template <typename T, typename... Args>
    T* make(Object* proto, Args&&... args) {
        const size_t bytes = sizeof(T) + ObjectOverhead;
        m_meter->charge(bytes);
        T* object = nullptr;
        try {
            object = new T(ObjectInit{proto, m_meter, m_caseSensitive}, std::forward<Args>(args)...);
            m_objects.push_back(object);
        } catch (...) {
            delete object;
            m_meter->release(bytes);
            throw;
        }
        object->m_charged = bytes;
        return object;
    }

    // Marks from the roots the callback adds, frees the rest.
    void collect(const std::function<void(std::vector<Object*>&)>& roots);

    [[nodiscard]] size_t objectCount() const { return m_objects.size(); }
    [[nodiscard]] bool caseSensitive() const { return *m_caseSensitive; }
    [[nodiscard]] MemoryMeter& meter() const { return *m_meter; }

private:
    static constexpr size_t ObjectOverhead = 32;

    MemoryMeter* m_meter = nullptr;
    const bool* m_caseSensitive = nullptr;
    std::vector<Object*> m_objects;
};

}  // namespace script
