// setInterval / setTimeout timers on the host's clock. A timer that fell
// behind fires once and is rescheduled from now: never a burst to catch up.
#pragma once

#include "script/value.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace script {

struct Timer {
    uint32_t id = 0;
    double interval = 0;  // milliseconds
    double due = 0;       // host milliseconds
    bool repeat = true;   // setInterval; setTimeout fires once
    Value self;           // `this` of the call
    Value function;       // the function, or the object whose method is called
    String method;        // setInterval(object, "name", ...): the method name
    std::vector<Value> args;
};

class TimerQueue {
public:
    // The new timer's id (ids count up from 1 and are never reused).
    uint32_t add(Timer timer);
    bool remove(uint32_t id);
    [[nodiscard]] Timer* find(uint32_t id);
    [[nodiscard]] size_t size() const { return m_timers.size(); }
    // The earliest due time of all timers.
    [[nodiscard]] std::optional<double> nextDue() const;
    // Ids of timers due at `now`, earliest first (ties by id).
    [[nodiscard]] std::vector<uint32_t> due(double now) const;
    // After firing: repeating timers are due one interval from now, others go.
    void fired(uint32_t id, double now);
    void traceRefs(std::vector<Object*>& out) const;

private:
    std::vector<Timer> m_timers;
    uint32_t m_nextId = 1;
};

}  // namespace script
