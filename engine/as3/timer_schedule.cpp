#include "as3/timer_schedule.h"

#include <algorithm>

namespace as3 {

uint32_t TimerSchedule::add(ScheduledTimer timer) {
    timer.id = m_nextId++;
    timer.interval = std::max(timer.interval, 1.0);
    m_timers.push_back(std::move(timer));
    return m_timers.back().id;
}

bool TimerSchedule::remove(uint32_t id) {
    return std::erase_if(m_timers, [id](const ScheduledTimer& t) { return t.id == id; }) > 0;
}

ScheduledTimer* TimerSchedule::find(uint32_t id) {
    auto it = std::find_if(m_timers.begin(), m_timers.end(), [id](const ScheduledTimer& t) { return t.id == id; });
    return it == m_timers.end() ? nullptr : &*it;
}

std::optional<double> TimerSchedule::nextDue() const {
    std::optional<double> best;
    for (const ScheduledTimer& t : m_timers) {
        if (!best || t.due < *best)
            best = t.due;
    }
    return best;
}

std::vector<uint32_t> TimerSchedule::due(double now) const {
    std::vector<const ScheduledTimer*> ready;
    for (const ScheduledTimer& t : m_timers) {
        if (t.due <= now)
            ready.push_back(&t);
    }
    std::sort(ready.begin(), ready.end(), [](const ScheduledTimer* a, const ScheduledTimer* b) {
        return a->due != b->due ? a->due < b->due : a->id < b->id;
    });
    std::vector<uint32_t> ids;
    for (const ScheduledTimer* t : ready)
        ids.push_back(t->id);
    return ids;
}

void TimerSchedule::fired(uint32_t id, double now) {
    ScheduledTimer* t = find(id);
    if (!t)
        return;
    if (!t->repeat) {
        remove(id);
        return;
    }
    // On time the cadence stays exact; one that fell a whole interval
    // behind starts again from now.
    const double next = t->due + t->interval;
    t->due = next > now ? next : now + t->interval;
}

void TimerSchedule::trace(avm2::Tracer& tracer) const {
    for (const ScheduledTimer& t : m_timers) {
        tracer.value(t.target);
        tracer.values(t.args);
    }
}

}  // namespace as3
