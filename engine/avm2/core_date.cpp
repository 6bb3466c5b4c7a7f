// Date: a time in milliseconds since 1970 UTC, read and written in local
// time (the system's time-zone data) or in UTC, through methods and the
// matching properties (fullYear, hoursUTC ...). "Now" is the machine's
// epoch clock, which the host sets to its virtual clock. Text forms are
// those the format's player prints ("Tue Feb 1 00:00:00 GMT-0800 2005").
#include "calendar/date_math.h"

#include "avm2/conversions.h"
#include "avm2/core_library.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace avm2 {

namespace {

using calendar::DateParts;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr const char* DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct DateState final : NativeState {
    double time = NaN;
};

DateState& state(Machine& m, Value self) {
    auto* s = self.isObject() ? self.asObject()->nativeAs<DateState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to Date.");
    return *s;
}

double timeClip(double t) { return std::isfinite(t) && std::fabs(t) <= 8.64e15 ? std::trunc(t) + 0.0 : NaN; }

// Fields given as (year, month[, day, hours, minutes, seconds, ms]); years
// 0 to 99 are 1900 to 1999.
double fromFields(Machine& m, std::span<const Value> args) {
    DateParts p;
    double* fields[] = {&p.year, &p.month, &p.day, &p.hours, &p.minutes, &p.seconds, &p.milliseconds};
    for (size_t i = 0; i < args.size() && i < 7; ++i)
        *fields[i] = m.toNumber(args[i]);
    if (std::isfinite(p.year) && std::trunc(p.year) >= 0 && std::trunc(p.year) <= 99)
        p.year = 1900 + std::trunc(p.year);
    return calendar::makeDate(p);
}

// --- parse ----------------------------------------------------------------

bool startsWithWord(const std::u16string& word, const char* name) {
    for (size_t i = 0; i < 3; ++i) {
        if (i >= word.size() || char16_t(word[i] | 0x20) != char16_t(name[i] | 0x20))
            return false;
    }
    return true;
}

// The forms the player reads: its own toString and toUTCString output,
// "Month Day Year", "Day Month Year", "MM/DD/YYYY", "YYYY/MM/DD",
// "Mon/DD/YYYY", with an optional "HH:MM[:SS]", AM/PM and "GMT+HHMM" /
// "UTC"; local time without a zone. ISO 8601 ("2021-07-04T12:00Z") is not
// among them: the player answers NaN, and so do we.
double parseDate(std::u16string_view text) {
    std::optional<double> year, month, day, offset;
    double hours = 0, minutes = 0, seconds = 0;
    int meridian = 0;  // 1 am, 2 pm
    std::vector<double> numbers;
    size_t i = 0;
    auto readNumber = [&](double& out) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        out = 0;
        for (int digits = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (++digits > 9)
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    bool afterMonthName = false;
    while (i < text.size()) {
        const char16_t c = text[i];
        const bool monthName = afterMonthName;
        afterMonthName = false;
        if (c == ' ' || c == ',' || c == '\t') {
            ++i;
        } else if (c == '/' && monthName) {
            // "Mon/DD/YYYY": the slashes part words and numbers.
            ++i;
            afterMonthName = true;

        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            std::u16string word;
            while (i < text.size() && ((text[i] | 0x20) >= 'a' && (text[i] | 0x20) <= 'z'))
                word += text[i++];
            bool known = false;
            for (int k = 0; k < 12; ++k) {
                if (word.size() >= 3 && startsWithWord(word, MonthNames[k])) {
                    month = k;
                    known = true;
                    afterMonthName = true;
                }
            }
            for (const char* d : DayNames)
                known = known || (word.size() >= 3 && startsWithWord(word, d));
            if (word == u"AM" || word == u"am") {
                meridian = 1;
                known = true;
            } else if (word == u"PM" || word == u"pm") {
                meridian = 2;
                known = true;
            } else if (word == u"GMT" || word == u"UTC" || word == u"Z") {
                offset = 0;
                known = true;
                if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
                    const double sign = text[i++] == '-' ? -1 : 1;
                    double hhmm = 0;
                    if (!readNumber(hhmm))
                        return NaN;
                    offset = sign * (std::floor(hhmm / 100) * 60 + std::fmod(hhmm, 100)) * 60000;
                }
            }
            if (!known)
                return NaN;
        } else if (c >= '0' && c <= '9') {
            double n = 0;
            if (!readNumber(n))
                return NaN;
            if (i < text.size() && text[i] == ':') {
                hours = n;
                ++i;
                if (!readNumber(minutes))
                    return NaN;
                if (i < text.size() && text[i] == ':') {
                    ++i;
                    if (!readNumber(seconds))
                        return NaN;
                }
            } else if (i < text.size() && text[i] == '/' && monthName) {
                // "Mon/DD/YYYY": the day, its slash, then the year.
                numbers.push_back(n);
                ++i;
            } else if (i < text.size() && text[i] == '/') {
                double d = 0, y = 0;
                ++i;
                if (!readNumber(d) || i >= text.size() || text[i] != '/')
                    return NaN;
                ++i;
                if (!readNumber(y))
                    return NaN;
                // A first part past any month is the year: "YYYY/MM/DD".
                const bool yearFirst = n > 31;
                month = (yearFirst ? d : n) - 1;
                day = yearFirst ? y : d;
                year = yearFirst ? n : y;
            } else {
                numbers.push_back(n);
            }
        } else {
            return NaN;
        }
    }
    // Loose numbers: the day then the year, or the year then the day.
    for (double n : numbers) {
        if (!day && n >= 1 && n <= 31 && (!year || month))
            day = n;
        else if (!year)
            year = n;
        else
            return NaN;
    }
    if (!year || !month || !day)
        return NaN;
    if (meridian) {
        if (hours < 1 || hours > 12)
            return NaN;
        hours = std::fmod(hours, 12) + (meridian == 2 ? 12 : 0);
    }
    DateParts p;
    p.year = *year;
    p.month = *month;
    p.day = *day;
    p.hours = hours;
    p.minutes = minutes;
    p.seconds = seconds;
    const double t = calendar::makeDate(p);
    if (std::isnan(t))
        return NaN;
    return timeClip(offset ? t - *offset : calendar::toUtc(t));
}

// --- construction ---------------------------------------------------------

Value dateInit(Machine& m, Value self, std::span<const Value> args) {
    auto s = std::make_unique<DateState>();
    if (args.empty()) {
        s->time = timeClip(m.epochMilliseconds());
    } else if (args.size() == 1) {
        const Value v = args[0];
        if (auto* other = v.isObject() ? v.asObject()->nativeAs<DateState>() : nullptr)
            s->time = other->time;
        else if (v.isString())
            s->time = parseDate(v.asString()->text());
        else
            s->time = timeClip(m.toNumber(v));
    } else {
        const double local = fromFields(m, args);
        s->time = std::isnan(local) ? NaN : timeClip(calendar::toUtc(local));
    }
    self.asObject()->setNativeState(std::move(s));
    return Value();
}

// --- text -----------------------------------------------------------------

std::u16string ascii(const char* s) { return std::u16string(s, s + std::strlen(s)); }

enum class Form : uint8_t { Full, DateOnly, TimeOnly, Locale, LocaleDate, LocaleTime, Utc };

std::u16string format(double time, Form form) {
    if (std::isnan(time))
        return u"Invalid Date";
    const bool utc = form == Form::Utc;
    const double offset = utc ? 0 : calendar::localOffset(time);
    const DateParts p = calendar::splitDate(time + offset);
    const char* dayName = DayNames[int(p.weekday) % 7];
    const char* monthName = MonthNames[int(p.month) % 12];
    const int minutesEast = int(offset / 60000);
    const int zone = std::abs(minutesEast) / 60 * 100 + std::abs(minutesEast) % 60;
    const int hour12 = int(p.hours) % 12 == 0 ? 12 : int(p.hours) % 12;
    const char* meridian = p.hours < 12 ? "AM" : "PM";
    char b[128];
    switch (form) {
    case Form::Full:
        std::snprintf(b, sizeof b, "%s %s %d %02d:%02d:%02d GMT%c%04d %.0f", dayName, monthName, int(p.day),
                      int(p.hours), int(p.minutes), int(p.seconds), minutesEast < 0 ? '-' : '+', zone, p.year);
        break;
    case Form::DateOnly:
    case Form::LocaleDate:
        std::snprintf(b, sizeof b, "%s %s %d %.0f", dayName, monthName, int(p.day), p.year);
        break;
    case Form::TimeOnly:
        std::snprintf(b, sizeof b, "%02d:%02d:%02d GMT%c%04d", int(p.hours), int(p.minutes), int(p.seconds),
                      minutesEast < 0 ? '-' : '+', zone);
        break;
    case Form::Locale:
        std::snprintf(b, sizeof b, "%s %s %d %.0f %02d:%02d:%02d %s", dayName, monthName, int(p.day), p.year, hour12,
                      int(p.minutes), int(p.seconds), meridian);
        break;
    case Form::LocaleTime:
        std::snprintf(b, sizeof b, "%02d:%02d:%02d %s", hour12, int(p.minutes), int(p.seconds), meridian);
        break;
    case Form::Utc:
        std::snprintf(b, sizeof b, "%s %s %d %02d:%02d:%02d %.0f UTC", dayName, monthName, int(p.day), int(p.hours),
                      int(p.minutes), int(p.seconds), p.year);
        break;
    }
    return ascii(b);
}

template <Form F>
Value toText(Machine& m, Value self, std::span<const Value>) {
    return m.string(format(state(m, self).time, F));
}

Value dateCall(Machine& m, Value, std::span<const Value>) {
    return m.string(format(timeClip(m.epochMilliseconds()), Form::Full));
}

// --- fields ---------------------------------------------------------------

enum class Field : uint8_t { Year, Month, Day, Hours, Minutes, Seconds, Milliseconds, Weekday };

double fieldOf(const DateParts& p, Field f) {
    const double values[] = {p.year, p.month, p.day, p.hours, p.minutes, p.seconds, p.milliseconds, p.weekday};
    return values[size_t(f)];
}

template <Field F, bool Utc>
Value getField(Machine& m, Value self, std::span<const Value>) {
    const double t = state(m, self).time;
    if (std::isnan(t))
        return Value::number(NaN);
    return Value::number(fieldOf(calendar::splitDate(Utc ? t : calendar::toLocal(t)), F));
}

// setHours(h[, min, s, ms]) and the like: the named field and the smaller
// ones after it that are given. setFullYear on an invalid date starts from
// time 0; the other setters leave it invalid.
template <Field F, bool Utc>
Value setField(Machine& m, Value self, std::span<const Value> args) {
    DateState& s = state(m, self);
    std::vector<double> values;
    constexpr size_t most[] = {3, 2, 1, 4, 3, 2, 1, 0};
    for (size_t i = 0; i < most[size_t(F)] && i < std::max<size_t>(args.size(), 1); ++i)
        values.push_back(m.toNumber(argument(args, i)));
    // An invalid date's year is set on time 0 read as it is, local or not.
    const bool invalid = std::isnan(s.time);
    if (invalid && F != Field::Year)
        return Value::number(NaN);
    DateParts p = calendar::splitDate(invalid ? 0 : Utc ? s.time : calendar::toLocal(s.time));
    double* fields[] = {&p.year, &p.month, &p.day, &p.hours, &p.minutes, &p.seconds, &p.milliseconds};
    for (size_t i = 0; i < values.size(); ++i)
        *fields[size_t(F) + i] = values[i];
    const double made = calendar::makeDate(p);
    s.time = std::isnan(made) ? NaN : timeClip(Utc ? made : calendar::toUtc(made));
    return Value::number(s.time);
}

Value getTime(Machine& m, Value self, std::span<const Value>) { return Value::number(state(m, self).time); }

Value setTime(Machine& m, Value self, std::span<const Value> args) {
    DateState& s = state(m, self);
    s.time = timeClip(m.toNumber(argument(args, 0)));
    return Value::number(s.time);
}

Value timezoneOffset(Machine& m, Value self, std::span<const Value>) {
    const double t = state(m, self).time;
    if (std::isnan(t))
        return Value::number(NaN);
    return Value::number(-calendar::localOffset(t) / 60000 + 0.0);
}

Value dateParse(Machine& m, Value, std::span<const Value> args) {
    return Value::number(parseDate(m.toString(argument(args, 0))->text()));
}

Value dateUtc(Machine& m, Value, std::span<const Value> args) { return Value::number(timeClip(fromFields(m, args))); }

#define DATE_FIELD(Name, F)                                                               \
    {u"get" Name, getField<Field::F, false>}, {u"getUTC" Name, getField<Field::F, true>}, \
        {u"set" Name, setField<Field::F, false>}, {                                       \
        u"setUTC" Name, setField<Field::F, true>                                          \
    }

const NativeMember Methods[] = {
    DATE_FIELD(u"FullYear", Year),
    DATE_FIELD(u"Month", Month),
    DATE_FIELD(u"Date", Day),
    DATE_FIELD(u"Hours", Hours),
    DATE_FIELD(u"Minutes", Minutes),
    DATE_FIELD(u"Seconds", Seconds),
    DATE_FIELD(u"Milliseconds", Milliseconds),
    {u"getDay", getField<Field::Weekday, false>},
    {u"getUTCDay", getField<Field::Weekday, true>},
    {u"getTime", getTime},
    {u"setTime", setTime},
    {u"valueOf", getTime},
    {u"getTimezoneOffset", timezoneOffset},
    {u"toString", toText<Form::Full>},
    {u"toDateString", toText<Form::DateOnly>},
    {u"toTimeString", toText<Form::TimeOnly>},
    {u"toLocaleString", toText<Form::Locale>},
    {u"toLocaleDateString", toText<Form::LocaleDate>},
    {u"toLocaleTimeString", toText<Form::LocaleTime>},
    {u"toUTCString", toText<Form::Utc>},
};

#undef DATE_FIELD

#define DATE_PROPERTY(Name, F)                                              \
    {u"" Name, getField<Field::F, false>, setField<Field::F, false>}, {     \
        u"" Name u"UTC", getField<Field::F, true>, setField<Field::F, true> \
    }

const NativeAccessor Accessors[] = {
    DATE_PROPERTY(u"fullYear", Year),
    DATE_PROPERTY(u"month", Month),
    DATE_PROPERTY(u"date", Day),
    DATE_PROPERTY(u"hours", Hours),
    DATE_PROPERTY(u"minutes", Minutes),
    DATE_PROPERTY(u"seconds", Seconds),
    DATE_PROPERTY(u"milliseconds", Milliseconds),
    {u"day", getField<Field::Weekday, false>},
    {u"dayUTC", getField<Field::Weekday, true>},
    {u"time", getTime, setTime},
    {u"timezoneOffset", timezoneOffset},
};

#undef DATE_PROPERTY

const NativeMember Statics[] = {{u"parse", dateParse}, {u"UTC", dateUtc}};

const CoreClassSpec Classes[] = {{.name = u"Date",
                                  .base = u"Object",
                                  .init = dateInit,
                                  .callAsFunction = dateCall,
                                  .prototype = Methods,
                                  .statics = Statics,
                                  .accessors = Accessors,
                                  .final = true}};

}  // namespace

std::span<const CoreClassSpec> dateClasses() { return Classes; }

bool isDateObject(const Object* o) { return o && o->nativeAs<DateState>(); }

}  // namespace avm2
