#include "timer_heap.h"

#include <algorithm>
#include <atomic>
#include <cassert>

namespace platform::detail {

namespace {

// Min-heap on (due, id): equal due times tick in the order the ids were made.
bool laterThan(const auto& a, const auto& b) { return a.due != b.due ? a.due > b.due : a.id > b.id; }

UINT_PTR newTimerId() {
    // Unique across the process, so an id from one thread never names a
    // timer of another.
    static std::atomic<UINT_PTR> next{1};
    UINT_PTR id = next.fetch_add(1, std::memory_order_relaxed);
    if (id == 0)
        id = next.fetch_add(1, std::memory_order_relaxed);
    return id;
}

}  // namespace

UINT_PTR TimerHeap::set(UINT_PTR id, ULONGLONG period, TIMERPROC proc, ULONGLONG now) {
    auto found = m_timers.find(id);
    if (id == 0 || found == m_timers.end()) {
        if (m_timers.size() >= MaxTimers)
            return 0;
        id = newTimerId();
        found = m_timers.emplace(id, Timer{}).first;
    }
    Timer& timer = found->second;
    timer.period = period;
    timer.proc = proc;
    schedule(id, timer, now + period);
    compactIfStale();
    return id;
}

bool TimerHeap::kill(UINT_PTR id) {
    if (m_timers.erase(id) == 0)
        return false;
    compactIfStale();
    return true;
}

TIMERPROC TimerHeap::matchingProc(UINT_PTR id, LPARAM proc) const {
    const auto found = m_timers.find(id);
    if (found == m_timers.end() || reinterpret_cast<LPARAM>(found->second.proc) != proc)
        return nullptr;
    return found->second.proc;
}

std::optional<ULONGLONG> TimerHeap::nextDue() {
    dropStaleTop();
    if (m_heap.empty())
        return std::nullopt;
    return m_heap.front().due;
}

std::optional<TimerHeap::Tick> TimerHeap::takeDue(ULONGLONG now, bool consume) {
    dropStaleTop();
    if (m_heap.empty() || m_heap.front().due > now)
        return std::nullopt;
    const UINT_PTR id = m_heap.front().id;
    Timer& timer = m_timers.at(id);
    const Tick tick{id, timer.proc};
    if (consume) {
        std::pop_heap(m_heap.begin(), m_heap.end(), laterThan<Entry, Entry>);
        m_heap.pop_back();
        ULONGLONG next = timer.due + timer.period;
        if (next <= now)
            next = now + timer.period;
        schedule(id, timer, next);
    }
    return tick;
}

void TimerHeap::schedule(UINT_PTR id, Timer& timer, ULONGLONG due) {
    timer.due = due;
    timer.generation = m_nextGeneration++;
    m_heap.push_back(Entry{due, id, timer.generation});
    std::push_heap(m_heap.begin(), m_heap.end(), laterThan<Entry, Entry>);
}

bool TimerHeap::isCurrent(const Entry& entry) const {
    const auto found = m_timers.find(entry.id);
    return found != m_timers.end() && found->second.generation == entry.generation;
}

void TimerHeap::dropStaleTop() {
    while (!m_heap.empty() && !isCurrent(m_heap.front())) {
        std::pop_heap(m_heap.begin(), m_heap.end(), laterThan<Entry, Entry>);
        m_heap.pop_back();
    }
    assert(m_heap.size() >= m_timers.size());
}

void TimerHeap::compactIfStale() {
    // Restarting a timer over and over leaves stale entries far down the heap;
    // rebuilding keeps the heap within twice the live timers.
    if (m_heap.size() <= 2 * m_timers.size() + 16)
        return;
    std::erase_if(m_heap, [this](const Entry& entry) { return !isCurrent(entry); });
    std::make_heap(m_heap.begin(), m_heap.end(), laterThan<Entry, Entry>);
}

}  // namespace platform::detail
