#include "avm2/heap.h"

#include <algorithm>

namespace avm2 {

Heap::~Heap() {
    for (Cell* c : m_cells)
        delete c;
}

void Heap::charge(size_t bytes) {
    if (m_live + bytes > m_limit)
        throw HeapLimitExceeded{};
    m_live += bytes;
    m_sinceCollection += bytes;
}

size_t Heap::collect() {
    Tracer tracer;
    m_roots->traceRoots(tracer);
    auto drain = [&] {
        while (!tracer.m_work.empty()) {
            const Cell* c = tracer.m_work.back();
            tracer.m_work.pop_back();
            c->trace(tracer);
        }
    };
    drain();
    // What weakly held keys keep alive, until nothing new is reached (a
    // holder found meanwhile joins the list).
    for (bool more = !tracer.m_weak.empty(); more;) {
        for (size_t i = 0; i < tracer.m_weak.size(); ++i)
            tracer.m_weak[i]->traceWeak(tracer);
        more = !tracer.m_work.empty();
        drain();
    }
    for (WeakHolder* holder : tracer.m_weak)
        holder->sweepWeak(tracer);
    size_t freed = 0;
    size_t live = 0;
    auto keep = std::remove_if(m_cells.begin(), m_cells.end(), [&](Cell* c) {
        if (c->m_marked) {
            c->m_marked = false;
            live += c->m_bytes + c->extraBytes();
            return false;
        }
        delete c;
        ++freed;
        return true;
    });
    m_cells.erase(keep, m_cells.end());
    m_live = live;
    m_sinceCollection = 0;
    // Collect again after the heap has grown by half, at least 4 MB.
    m_threshold = std::max(size_t(4) << 20, live / 2);
    return freed;
}

}  // namespace avm2
