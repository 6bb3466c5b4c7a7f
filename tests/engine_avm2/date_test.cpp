// Date in local time (a zone with daylight saving, set by the test) and UTC.
#include "avm2/conversions.h"
#include "avm2/machine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

using namespace avm2;

namespace {

// New York: the clocks went from 02:00 EST to 03:00 EDT on 2021-03-14.
class NewYorkTime : public testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            m_saved = tz;
        setenv("TZ", "America/New_York", 1);
        tzset();
    }
    void TearDown() override {
        if (m_saved)
            setenv("TZ", m_saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_saved;
};

struct DateCase {
    const char* name;
    std::vector<double> fields;  // new Date(...) with these; one string when `text` is set
    const char16_t* text;
    const char16_t* method;
    std::vector<double> args;
    const char* expected;
};

std::string run(const DateCase& c) {
    Machine m;
    auto result = m.run([&] {
        std::vector<Value> ctor;
        if (c.text)
            ctor.push_back(m.string(c.text));
        for (double d : c.fields)
            ctor.push_back(Value::number(d));
        const Value date = m.construct(Value::object(m.coreClass(u"Date")), ctor);
        Machine::Pin keep(m, date);
        std::vector<Value> args;
        for (double d : c.args)
            args.push_back(Value::number(d));
        const Value r = m.callMember(date, c.method, args);
        // A setter's date read back through toString.
        return std::u16string_view(c.method).starts_with(u"set") ? m.callMember(date, u"toString", {}) : r;
    });
    return result ? utf16ToUtf8(m.toString(*result)->text()) : "error: " + result.error().what;
}

class DateFields : public NewYorkTime, public testing::WithParamInterface<DateCase> {};

TEST_P(DateFields, Value) { EXPECT_EQ(run(GetParam()), GetParam().expected); }

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(
    Cases, DateFields,
    testing::Values(
        DateCase{"BeforeChangeOffset", {2021, 2, 14, 1, 30}, nullptr, u"getTimezoneOffset", {}, "300"},
        DateCase{"BeforeChangeUtcHours", {2021, 2, 14, 1, 30}, nullptr, u"getUTCHours", {}, "6"},
        DateCase{"AfterChangeOffset", {2021, 2, 14, 3, 30}, nullptr, u"getTimezoneOffset", {}, "240"},
        DateCase{"AfterChangeUtcHours", {2021, 2, 14, 3, 30}, nullptr, u"getUTCHours", {}, "7"},
        DateCase{"SkippedHourMovesOn", {2021, 2, 14, 2, 30}, nullptr, u"getHours", {}, "3"},
        DateCase{
            "SetDateKeepsLocalHour", {2021, 2, 13, 12}, nullptr, u"setDate", {14}, "Sun Mar 14 12:00:00 GMT-0400 2021"},
        DateCase{"SetUTCHours", {2021, 6, 4}, nullptr, u"setUTCHours", {0, 15}, "Sat Jul 3 20:15:00 GMT-0400 2021"},
        DateCase{"MonthRollsOver", {2021, 0, 31}, nullptr, u"setMonth", {1}, "Wed Mar 3 00:00:00 GMT-0500 2021"},
        DateCase{"ToString", {2021, 6, 4, 12, 0, 5}, nullptr, u"toString", {}, "Sun Jul 4 12:00:05 GMT-0400 2021"},
        DateCase{"ToUTCString", {2021, 6, 4, 12, 0, 5}, nullptr, u"toUTCString", {}, "Sun Jul 4 16:00:05 2021 UTC"},
        DateCase{"ToLocaleString", {2021, 6, 4, 0, 0, 5}, nullptr, u"toLocaleString", {}, "Sun Jul 4 2021 12:00:05 AM"},
        DateCase{"ToTimeString", {2021, 0, 4, 13}, nullptr, u"toTimeString", {}, "13:00:00 GMT-0500"},
        DateCase{"ShortYear", {99, 0}, nullptr, u"getFullYear", {}, "1999"},
        DateCase{"ParseOwnForm", {}, u"Sun Jul 4 12:00:05 GMT-0400 2021", u"getTime", {}, "1625414405000"},
        DateCase{"ParseUtcForm", {}, u"Sun Jul 4 16:00:05 2021 UTC", u"getTime", {}, "1625414405000"},
        DateCase{"ParseSlashesIsLocal", {}, u"07/04/2021", u"getTime", {}, "1625371200000"},
        DateCase{"ParseMonthNamePm", {}, u"July 4, 2021 1:30 PM", u"getHours", {}, "13"},
        DateCase{"ParseYearFirst", {}, u"2021/07/04 12:00:05", u"getTime", {}, "1625414405000"},
        DateCase{"ParseMonthSlashes", {}, u"Jul/04/2021 12:00:05 GMT-0400", u"getTime", {}, "1625414405000"},
        DateCase{"ParseIsoRefused", {}, u"2021-07-04T12:00:05Z", u"getTime", {}, "NaN"},
        DateCase{"ParseGarbage", {}, u"next tuesday", u"getTime", {}, "NaN"},
        DateCase{"InvalidText", {NAN}, nullptr, u"toString", {}, "Invalid Date"},
        DateCase{"SetterKeepsInvalid", {NAN}, nullptr, u"setMonth", {1}, "Invalid Date"},
        DateCase{"SetFullYearRevives", {NAN}, nullptr, u"setFullYear", {2000}, "Sat Jan 1 00:00:00 GMT-0500 2000"},
        DateCase{"OutOfRange", {9e15}, nullptr, u"getTime", {}, "NaN"}));

TEST_F(NewYorkTime, UtcAndNowFromTheMachineClock) {
    Machine m;
    m.setEpochClock([] { return 1609459200000.0 + 1234; });
    auto result = m.run([&] {
        const Value c = Value::object(m.coreClass(u"Date"));
        const Value fields[3] = {Value::number(2021), Value::number(0), Value::number(1)};
        const Value utc = m.callMember(c, u"UTC", fields);
        const Value now = m.construct(c, {});
        return m.string(m.toString(utc)->text() + u" " + m.toString(now)->text() + u" " +
                        numberToString(m.toNumber(now)));
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(utf16ToUtf8(m.toString(*result)->text()),
              "1609459200000 Thu Dec 31 19:00:01 GMT-0500 2020 1609459201234");
}

}  // namespace
