// The timer schedule's cadence: exact on time, never a burst after a stall.
#include "as3/timer_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct FireCase {
    const char* name;
    double interval;
    bool repeat;
    double firedAt;                 // the timer was due at its interval
    std::optional<double> nextDue;  // none: gone
};

class Fired : public testing::TestWithParam<FireCase> {};

TEST_P(Fired, NextDue) {
    const FireCase& c = GetParam();
    as3::TimerSchedule schedule;
    as3::ScheduledTimer t;
    t.interval = c.interval;
    t.due = std::max(c.interval, 1.0);
    t.repeat = c.repeat;
    const uint32_t id = schedule.add(std::move(t));
    schedule.fired(id, c.firedAt);
    EXPECT_EQ(schedule.nextDue(), c.nextDue);
}

void PrintTo(const FireCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Cases, Fired,
                         testing::Values(FireCase{"OnTime", 100, true, 100, 200},
                                         FireCase{"LateKeepsCadence", 100, true, 150, 200},
                                         FireCase{"StalledStartsFromNow", 100, true, 350, 450},
                                         FireCase{"ZeroIntervalIsOneMillisecond", 0, true, 1, 2},
                                         FireCase{"OnceIsGone", 100, false, 100, std::nullopt}));

TEST(TimerSchedule, DueInOrderOfTimeThenId) {
    as3::TimerSchedule schedule;
    const double dues[] = {30, 10, 30, 50};
    for (double due : dues) {
        as3::ScheduledTimer t;
        t.interval = 10;
        t.due = due;
        (void)schedule.add(std::move(t));
    }
    EXPECT_EQ(schedule.due(30), (std::vector<uint32_t>{2, 1, 3}));
    EXPECT_TRUE(schedule.remove(2));
    EXPECT_FALSE(schedule.remove(2));
    EXPECT_EQ(schedule.nextDue(), 30);
}

}  // namespace
