// Date. Local time is UTC here: the engine runs headless and its clock comes
// from the host, so getTimezoneOffset() is 0 and the local and UTC methods
// agree.
#include "script/builtins.h"

#include "calendar/date_math.h"
#include "script/conversions.h"
#include "script/runtime.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace script {

namespace {

using calendar::DateParts;
using calendar::makeDate;
using calendar::splitDate;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

DateObject* thisDate(const Value& self) {
    Object* o = self.asObject();
    return o && o->objectClass() == ObjectClass::Date ? static_cast<DateObject*>(o) : nullptr;
}

double timeClip(double t) { return std::isfinite(t) && std::fabs(t) <= 8.64e15 ? std::trunc(t) : NaN; }

double fromArgs(Runtime& rt, std::span<const Value> args) {
    DateParts p;
    double year = toNumber(rt, arg(args, 0));
    if (std::isfinite(year) && year >= 0 && year <= 99)
        year += 1900;
    p.year = year;
    p.month = toNumber(rt, arg(args, 1));
    p.day = args.size() > 2 ? toNumber(rt, args[2]) : 1;
    p.hours = args.size() > 3 ? toNumber(rt, args[3]) : 0;
    p.minutes = args.size() > 4 ? toNumber(rt, args[4]) : 0;
    p.seconds = args.size() > 5 ? toNumber(rt, args[5]) : 0;
    p.milliseconds = args.size() > 6 ? toNumber(rt, args[6]) : 0;
    return makeDate(p);
}

Value dateConstruct(Runtime& rt, const Value&, std::span<const Value> args) {
    double t = 0;
    if (args.empty())
        t = timeClip(rt.host.epochMilliseconds());
    else if (args.size() == 1)
        t = timeClip(toNumber(rt, args[0]));
    else
        t = fromArgs(rt, args);
    return Value(rt.heap.make<DateObject>(rt.protos.date, t));
}

Value dateUTC(Runtime& rt, const Value&, std::span<const Value> args) { return Value(fromArgs(rt, args)); }

enum class Part : uint8_t { Year, ShortYear, Month, Day, Weekday, Hours, Minutes, Seconds, Milliseconds };

template <Part P>
Value getPart(Runtime&, const Value& self, std::span<const Value>) {
    DateObject* d = thisDate(self);
    if (!d || std::isnan(d->time()))
        return Value(NaN);
    DateParts p = splitDate(d->time());
    switch (P) {
    case Part::Year:
        return Value(p.year);
    case Part::ShortYear:
        return Value(p.year - 1900);
    case Part::Month:
        return Value(p.month);
    case Part::Day:
        return Value(p.day);
    case Part::Weekday:
        return Value(p.weekday);
    case Part::Hours:
        return Value(p.hours);
    case Part::Minutes:
        return Value(p.minutes);
    case Part::Seconds:
        return Value(p.seconds);
    case Part::Milliseconds:
        return Value(p.milliseconds);
    }
    return Value(NaN);
}

// Setters take the named part and optionally the smaller ones after it
// (setHours(h, m, s, ms)). An invalid date starts from 1970 for setFullYear.
template <Part P>
Value setPart(Runtime& rt, const Value& self, std::span<const Value> args) {
    DateObject* d = thisDate(self);
    if (!d)
        return Value(NaN);
    double t = d->time();
    if (std::isnan(t)) {
        if (P != Part::Year && P != Part::ShortYear)
            return Value(NaN);
        t = 0;
    }
    DateParts p = splitDate(t);
    double* fields[] = {&p.year, &p.month, &p.day, &p.hours, &p.minutes, &p.seconds, &p.milliseconds};
    size_t first = 0;
    size_t count = 1;
    switch (P) {
    case Part::Year:
    case Part::ShortYear:
        first = 0;
        count = 3;
        break;
    case Part::Month:
        first = 1;
        count = 2;
        break;
    case Part::Day:
        first = 2;
        count = 1;
        break;
    case Part::Hours:
        first = 3;
        count = 4;
        break;
    case Part::Minutes:
        first = 4;
        count = 3;
        break;
    case Part::Seconds:
        first = 5;
        count = 2;
        break;
    default:
        first = 6;
        count = 1;
        break;
    }
    for (size_t i = 0; i < count && i < std::max<size_t>(args.size(), 1); ++i)
        *fields[first + i] = toNumber(rt, arg(args, i));
    if (P == Part::ShortYear && std::isfinite(p.year) && p.year >= 0 && p.year <= 99)
        p.year += 1900;
    d->setTime(makeDate(p));
    return Value(d->time());
}

Value getTime(Runtime&, const Value& self, std::span<const Value>) {
    DateObject* d = thisDate(self);
    return Value(d ? d->time() : NaN);
}

Value setTime(Runtime& rt, const Value& self, std::span<const Value> args) {
    DateObject* d = thisDate(self);
    if (!d)
        return Value(NaN);
    d->setTime(timeClip(toNumber(rt, arg(args, 0))));
    return Value(d->time());
}

Value timezoneOffset(Runtime&, const Value& self, std::span<const Value>) {
    DateObject* d = thisDate(self);
    return Value(d && !std::isnan(d->time()) ? 0.0 : NaN);
}

Value dateToString(Runtime& rt, const Value& self, std::span<const Value>) {
    DateObject* d = thisDate(self);
    if (!d || std::isnan(d->time()))
        return Value(String(u"Invalid Date"));
    static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    DateParts p = splitDate(d->time());
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %s %d %02d:%02d:%02d GMT+0000 %.0f", Days[int(p.weekday) % 7],
                  Months[int(p.month) % 12], int(p.day), int(p.hours), int(p.minutes), int(p.seconds), p.year);
    return Value(rt.makeStringUtf8(buf));
}

}  // namespace

void installDate(Runtime& rt) {
    Object* p = rt.heap.make<DateObject>(rt.protos.object, NaN);
    rt.protos.date = p;
    struct Method {
        std::u16string_view name;
        NativeFn fn;
    };
    const Method methods[] = {
        {u"getTime", getTime},
        {u"valueOf", getTime},
        {u"setTime", setTime},
        {u"toString", dateToString},
        {u"getTimezoneOffset", timezoneOffset},
        {u"getFullYear", getPart<Part::Year>},
        {u"getYear", getPart<Part::ShortYear>},
        {u"getMonth", getPart<Part::Month>},
        {u"getDate", getPart<Part::Day>},
        {u"getDay", getPart<Part::Weekday>},
        {u"getHours", getPart<Part::Hours>},
        {u"getMinutes", getPart<Part::Minutes>},
        {u"getSeconds", getPart<Part::Seconds>},
        {u"getMilliseconds", getPart<Part::Milliseconds>},
        {u"getUTCFullYear", getPart<Part::Year>},
        {u"getUTCMonth", getPart<Part::Month>},
        {u"getUTCDate", getPart<Part::Day>},
        {u"getUTCDay", getPart<Part::Weekday>},
        {u"getUTCHours", getPart<Part::Hours>},
        {u"getUTCMinutes", getPart<Part::Minutes>},
        {u"getUTCSeconds", getPart<Part::Seconds>},
        {u"getUTCMilliseconds", getPart<Part::Milliseconds>},
        {u"setFullYear", setPart<Part::Year>},
        {u"setYear", setPart<Part::ShortYear>},
        {u"setMonth", setPart<Part::Month>},
        {u"setDate", setPart<Part::Day>},
        {u"setHours", setPart<Part::Hours>},
        {u"setMinutes", setPart<Part::Minutes>},
        {u"setSeconds", setPart<Part::Seconds>},
        {u"setMilliseconds", setPart<Part::Milliseconds>},
        {u"setUTCFullYear", setPart<Part::Year>},
        {u"setUTCMonth", setPart<Part::Month>},
        {u"setUTCDate", setPart<Part::Day>},
        {u"setUTCHours", setPart<Part::Hours>},
        {u"setUTCMinutes", setPart<Part::Minutes>},
        {u"setUTCSeconds", setPart<Part::Seconds>},
        {u"setUTCMilliseconds", setPart<Part::Milliseconds>},
    };
    for (const Method& m : methods)
        rt.defineMethod(p, m.name, m.fn);
    NativeFunction* ctor = rt.newNative(dateConstruct, dateConstruct);
    rt.defineValue(ctor, u"prototype", Value(p), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(p, u"constructor", Value(ctor));
    rt.defineMethod(ctor, u"UTC", dateUTC);
    rt.defineValue(rt.global, u"Date", Value(ctor));
}

}  // namespace script
