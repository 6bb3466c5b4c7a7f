// Owner of every string, namespace and object of the machine, with a
// mark-and-sweep collector.
//
// Roots are listed in one place: the RootSource the heap is given (the
// machine) traces its globals, its value stack and every value a native
// function has pinned. Marking uses an explicit work list, so a long chain of
// objects cannot overflow the C++ stack. A collection runs only when the
// owner asks (between frames, or at a safe point once allocation has passed
// the threshold): never inside an allocation, so a native function may hold
// fresh cells in C++ locals until it next lets script run.
#pragma once

#include "avm2/value.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace avm2 {

class Tracer;

// Something that holds references weakly (a Dictionary's weak keys, weak
// event listeners). It registers itself while it is traced; once strong
// marking is done the collector asks every holder to trace what its live
// keys keep (traceWeak), repeating until nothing new is marked, and then to
// drop the entries whose keys did not survive (sweepWeak).
class WeakHolder {
public:
    virtual void traceWeak(Tracer& tracer) const = 0;
    virtual void sweepWeak(const Tracer& tracer) = 0;

protected:
    ~WeakHolder() = default;
};

class Cell {
public:
    Cell() = default;
    Cell(const Cell&) = delete;
    Cell& operator=(const Cell&) = delete;
    virtual ~Cell() = default;
    // Reports every cell this one keeps alive.
    virtual void trace(Tracer& tracer) const = 0;
    // Bytes outside the cell (buffers, maps) charged to the heap limit;
    // asked again after each collection.
    [[nodiscard]] virtual size_t extraBytes() const { return 0; }

private:
    friend class Heap;
    friend class Tracer;
    size_t m_bytes = 0;  // sizeof the most derived class
    mutable bool m_marked = false;
};

class Tracer {
public:
    void cell(const Cell* c) {
        if (c && !c->m_marked) {
            c->m_marked = true;
            m_work.push_back(c);
        }
    }
    void value(const Value& v) {
        if (v.isCell())
            cell(v.asCell());
    }
    template <typename Range>
    void values(const Range& range) {
        for (const Value& v : range)
            value(v);
    }
    void weakHolder(WeakHolder* holder) { m_weak.push_back(holder); }
    // Whether the cell has been reached so far (during weak tracing and sweeping).
    [[nodiscard]] bool reached(const Cell* c) const { return c && c->m_marked; }

private:
    friend class Heap;
    std::vector<const Cell*> m_work;
    std::vector<WeakHolder*> m_weak;
};

class RootSource {
public:
    virtual void traceRoots(Tracer& tracer) const = 0;

protected:
    ~RootSource() = default;
};

class HeapLimitExceeded {};

class Heap {
public:
    Heap(size_t limitBytes, const RootSource& roots) : m_limit(limitBytes), m_roots(&roots) {}
    Heap(const Heap&) = delete;
    Heap& operator=(const Heap&) = delete;
    ~Heap();

    // A new cell. Throws HeapLimitExceeded when the live bytes would pass
    // the limit even after the owner's next collection could not help
    // (the owner turns that into a stopped script).
    template <typename T, typename... Args>
    T* make(Args&&... args) {
        T* c = new T(std::forward<Args>(args)...);
        const size_t bytes = sizeof(T) + c->extraBytes();
        if (m_live + bytes > m_limit) {
            delete c;
            throw HeapLimitExceeded{};
        }
        c->m_bytes = sizeof(T);
        m_cells.push_back(c);
        m_live += bytes;
        m_sinceCollection += bytes;
        return c;
    }
    // Charges bytes a cell took later (a grown array); throws like make().
    void charge(size_t bytes);

    // Marks from the roots and frees the rest. Returns the cells freed.
    size_t collect();
    // True once enough has been allocated since the last collection that
    // the owner should collect at its next safe point.
    [[nodiscard]] bool wantsCollection() const { return m_sinceCollection >= m_threshold; }

    [[nodiscard]] size_t cellCount() const { return m_cells.size(); }
    [[nodiscard]] size_t liveBytes() const { return m_live; }
    [[nodiscard]] size_t limit() const { return m_limit; }

private:
    size_t m_limit = 0;
    const RootSource* m_roots = nullptr;
    std::vector<Cell*> m_cells;
    size_t m_live = 0;
    size_t m_sinceCollection = 0;
    size_t m_threshold = size_t(4) << 20;
};

}  // namespace avm2
