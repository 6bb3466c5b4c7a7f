// Allocation and collection of script objects.
#include "script/heap.h"

namespace script {

Heap::~Heap() {
    for (Object* o : m_objects)
        o->finalize();
    for (Object* o : m_objects) {
        m_meter->release(o->m_charged);
        delete o;
    }
}

void Heap::collect(const std::function<void(std::vector<Object*>&)>& roots) {
    std::vector<Object*> work;
    roots(work);
    while (!work.empty()) {
        Object* o = work.back();
        work.pop_back();
        if (!o || o->m_marked)
            continue;
        o->m_marked = true;
        o->traceRefs(work);
    }
    std::vector<Object*> dead;
    size_t kept = 0;
    for (Object* o : m_objects) {
        if (o->m_marked) {
            o->m_marked = false;
            m_objects[kept++] = o;
        } else {
            dead.push_back(o);
        }
    }
    m_objects.resize(kept);
    for (Object* o : dead)
        o->finalize();
    for (Object* o : dead) {
        m_meter->release(o->m_charged);
        delete o;
    }
}

}  // namespace script
