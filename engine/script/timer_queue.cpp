// Interval timers.
#include "script/timer_queue.h"

#include <algorithm>

namespace script {

uint32_t TimerQueue::add(Timer timer) {
    timer.id = m_nextId++;
    m_timers.push_back(std::move(timer));
    return m_timers.back().id;
}

bool TimerQueue::remove(uint32_t id) {
    auto it = std::find_if(m_timers.begin(), m_timers.end(), [id](const Timer& t) { return t.id == id; });
    if (it == m_timers.end())
        return false;
    m_timers.erase(it);
    return true;
}

Timer* TimerQueue::find(uint32_t id) {
    for (Timer& t : m_timers) {
        if (t.id == id)
            return &t;
    }
    return nullptr;
}

std::optional<double> TimerQueue::nextDue() const {
    std::optional<double> earliest;
    for (const Timer& t : m_timers) {
        if (!earliest || t.due < *earliest)
            earliest = t.due;
    }
    return earliest;
}

std::vector<uint32_t> TimerQueue::due(double now) const {
    std::vector<const Timer*> ready;
    for (const Timer& t : m_timers) {
        if (t.due <= now)
            ready.push_back(&t);
    }
    std::sort(ready.begin(), ready.end(),
              [](const Timer* a, const Timer* b) { return a->due != b->due ? a->due < b->due : a->id < b->id; });
    std::vector<uint32_t> ids;
    for (const Timer* t : ready)
        ids.push_back(t->id);
    return ids;
}

void TimerQueue::fired(uint32_t id, double now) {
    Timer* t = find(id);
    if (!t)
        return;
    if (!t->repeat) {
        remove(id);
        return;
    }
    t->due = now + std::max(t->interval, 1.0);
}

void TimerQueue::traceRefs(std::vector<Object*>& out) const {
    for (const Timer& t : m_timers) {
        if (Object* o = t.self.asObject())
            out.push_back(o);
        if (Object* o = t.function.asObject())
            out.push_back(o);
        for (const Value& v : t.args) {
            if (Object* o = v.asObject())
                out.push_back(o);
        }
    }
}

}  // namespace script
