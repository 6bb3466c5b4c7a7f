// The movie's timers on the host's clock (Host::milliseconds): running
// flash.utils.Timer objects and setTimeout / setInterval calls. A timer
// that fell behind fires once and is due again one interval after it ran:
// never a burst to catch up. Intervals below a millisecond count as one so
// that a zero delay cannot spin.
#pragma once

#include "avm2/heap.h"
#include "avm2/value.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace as3 {

struct ScheduledTimer {
    uint32_t id = 0;
    double interval = 0;  // milliseconds
    double due = 0;       // host milliseconds
    bool repeat = true;   // setTimeout fires once; a Timer decides itself
    // A Timer object, or the function setTimeout / setInterval calls.
    avm2::Value target;
    bool isTimerObject = false;
    std::vector<avm2::Value> args;
};

class TimerSchedule {
public:
    // The new timer's id (ids count up from 1 and are never reused).
    uint32_t add(ScheduledTimer timer);
    bool remove(uint32_t id);
    [[nodiscard]] ScheduledTimer* find(uint32_t id);
    [[nodiscard]] size_t size() const { return m_timers.size(); }
    [[nodiscard]] std::optional<double> nextDue() const;
    // Ids of timers due at `now`, earliest first (ties by id).
    [[nodiscard]] std::vector<uint32_t> due(double now) const;
    // After firing: due again one interval from `now` if it repeats, else gone.
    void fired(uint32_t id, double now);
    void trace(avm2::Tracer& tracer) const;

private:
    std::vector<ScheduledTimer> m_timers;
    uint32_t m_nextId = 1;
};

}  // namespace as3
