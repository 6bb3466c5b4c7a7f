// Days from civil dates and back.
#include "calendar/date_math.h"

#include <ctime>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace calendar {

namespace {

constexpr double MsPerDay = 86400000.0;
constexpr double MaxTime = 8.64e15;

// Days since 1970-01-01 of a y-m-d in the proleptic Gregorian calendar.
double daysFromCivil(double y, double m, double d) {
    y -= m <= 2 ? 1 : 0;
    double era = std::floor(y / 400);
    double yoe = y - era * 400;
    double mp = m > 2 ? m - 3 : m + 9;
    double doy = std::floor((153 * mp + 2) / 5) + d - 1;
    double doe = yoe * 365 + std::floor(yoe / 4) - std::floor(yoe / 100) + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(double z, double& y, double& m, double& d) {
    z += 719468;
    double era = std::floor(z / 146097);
    double doe = z - era * 146097;
    double yoe = std::floor((doe - std::floor(doe / 1460) + std::floor(doe / 36524) - std::floor(doe / 146096)) / 365);
    y = yoe + era * 400;
    double doy = doe - (365 * yoe + std::floor(yoe / 4) - std::floor(yoe / 100));
    double mp = std::floor((5 * doy + 2) / 153);
    d = doy - std::floor((153 * mp + 2) / 5) + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2)
        y += 1;
}

}  // namespace

double makeDate(const DateParts& p) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double v : {p.year, p.month, p.day, p.hours, p.minutes, p.seconds, p.milliseconds}) {
        if (!std::isfinite(v))
            return nan;
    }
    double y = std::trunc(p.year);
    double m = std::trunc(p.month);
    y += std::floor(m / 12);
    m = m - std::floor(m / 12) * 12;
    if (std::fabs(y) > 400000)
        return nan;
    double days = daysFromCivil(y, m + 1, 1) + std::trunc(p.day) - 1;
    double time = std::trunc(p.hours) * 3600000 + std::trunc(p.minutes) * 60000 + std::trunc(p.seconds) * 1000 +
                  std::trunc(p.milliseconds);
    double t = days * MsPerDay + time;
    if (!std::isfinite(t) || std::fabs(t) > MaxTime)
        return nan;
    return t;
}

DateParts splitDate(double t) {
    DateParts p;
    double days = std::floor(t / MsPerDay);
    double ms = t - days * MsPerDay;
    civilFromDays(days, p.year, p.month, p.day);
    p.month -= 1;
    p.hours = std::floor(ms / 3600000);
    ms -= p.hours * 3600000;
    p.minutes = std::floor(ms / 60000);
    ms -= p.minutes * 60000;
    p.seconds = std::floor(ms / 1000);
    p.milliseconds = ms - p.seconds * 1000;
    p.weekday = std::fmod(std::fmod(days + 4, 7) + 7, 7);
    return p;
}

double localOffset(double utcTime) {
    if (!std::isfinite(utcTime))
        return 0;
    // The zone's rules past what time_t and the database describe repeat
    // the last known ones; clamp into a range localtime_r always takes.
    const double seconds = std::clamp(std::floor(utcTime / 1000), -6.0e10, 6.0e10);
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!localtime_r(&t, &parts))
        return 0;
    return double(parts.tm_gmtoff) * 1000;
}

double toLocal(double utcTime) { return utcTime + localOffset(utcTime); }

double toUtc(double localTime) {
    // The offset in force an offset's width before: in a gap this lands
    // after the change, in an overlap on its first occurrence.
    const double guess = localTime - localOffset(localTime);
    const double first = localTime - localOffset(guess);
    return localOffset(first) == localTime - first ? first : guess;
}

}  // namespace calendar
