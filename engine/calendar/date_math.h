// Calendar arithmetic for the Date of both script machines: milliseconds
// since 1970-01-01 UTC and their broken-down parts (proleptic Gregorian
// calendar), and local time through the system's time-zone data. Dates
// beyond +-8.64e15 ms are invalid (NaN).
#pragma once

#include <cstdint>

namespace calendar {

struct DateParts {
    double year = 1970;
    double month = 0;  // 0..11
    double day = 1;    // 1..31
    double hours = 0;
    double minutes = 0;
    double seconds = 0;
    double milliseconds = 0;
    double weekday = 4;  // 0 Sunday
};

// Any finite parts (month 14, day 0 ...) roll over as the calendar does;
// NaN when a part is not finite or the result is out of range.
[[nodiscard]] double makeDate(const DateParts& parts);
// The parts of a valid time (check with std::isnan first).
[[nodiscard]] DateParts splitDate(double time);

// Local time's offset from UTC at a UTC time, in milliseconds (east is
// positive), from the TZ database as the TZ variable selects it; daylight
// saving included.
[[nodiscard]] double localOffset(double utcTime);
// Local and UTC times of a valid time; a local time that a change of
// offset skips or repeats resolves to the offset before the change.
[[nodiscard]] double toLocal(double utcTime);
[[nodiscard]] double toUtc(double localTime);

}  // namespace calendar
