// The clock variables as the host reads them: defaults, accepted forms, the
// exact fractions rates become, and refusals that name the variable.
#include "clock_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

moviehost::Expected<ClockSettings, std::string> settingsOf(const std::map<std::string, std::string>& variables) {
    return ClockSettings::From([&](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

TEST(ClockSettings, RatesBecomeExactFractionsAndNearNtscRatesSnap) {
    const struct {
        const char* text;
        std::uint64_t num;
        std::uint64_t den;
        unsigned wallMs;
    } cases[] = {
        {"24", 24, 1, 42},
        {"25.0", 25, 1, 40},
        {"12.5", 25, 2, 80},
        {"29.97", 30000, 1001, 33},
        {"23.976", 24000, 1001, 42},
        {"59.94", 60000, 1001, 17},
        {"23.98", 2398, 100, 42},
        {"0.01", 1, 100, 100000},
        {"1000", 1000, 1, 1},
        {"30.000", 30, 1, 33},
        {"119.88", 120000, 1001, 8},
        {".5", 1, 2, 2000},
        {"10.1015625", 1293, 128, 99},  // an 8.8 header rate, exactly
    };
    for (const auto& c : cases) {
        const auto settings = settingsOf({{"MOVIEHOST_FRAME_RATE", c.text}});
        ASSERT_TRUE(settings) << c.text << ": " << settings.error();
        EXPECT_EQ(settings->rate, moviehost::FrameRate::fromFraction(c.num, c.den)) << c.text;
        EXPECT_EQ(settings->WallPeriodMs(), c.wallMs) << c.text;
    }
}

TEST(ClockSettings, UnsetOrEmptyVariablesKeepTodaysBehaviour) {
    for (const auto& variables : {std::map<std::string, std::string>{},
                                  {{"MOVIEHOST_CLOCK", ""}, {"MOVIEHOST_FRAME_RATE", ""}, {"MOVIEHOST_SEED", ""}},
                                  {{"MOVIEHOST_CLOCK", "realtime"}},
                                  {{"MOVIEHOST_CLOCK", "wall"}}}) {
        const auto settings = settingsOf(variables);
        ASSERT_TRUE(settings);
        EXPECT_FALSE(settings->virtualClock);
        EXPECT_EQ(settings->WallPeriodMs(), 30u);
        EXPECT_EQ(settings->rate.millisecondsAt(1000), 30000u);
        EXPECT_EQ(settings->seed, 1u);
        EXPECT_EQ(settings->epochSeconds, 946684800u);
    }
    const auto chosen = settingsOf(
        {{"MOVIEHOST_CLOCK", "virtual"}, {"MOVIEHOST_SEED", "18446744073709551615"}, {"MOVIEHOST_EPOCH", "0"}});
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(chosen->virtualClock);
    EXPECT_EQ(chosen->seed, 18446744073709551615u);
    EXPECT_EQ(chosen->epochSeconds, 0u);
}

TEST(ClockSettings, ARefusalIsOneLineNamingTheVariableAndItsValue) {
    const struct {
        const char* name;
        const char* value;
        const char* shown;
    } cases[] = {
        {"MOVIEHOST_FRAME_RATE", "0.001", "0.001"},
        {"MOVIEHOST_FRAME_RATE", "1.0000001", "1.0000001"},  // 10000001/10000000: too fine
        {"MOVIEHOST_FRAME_RATE", "1.000000000", "1.000000000"},
        {"MOVIEHOST_FRAME_RATE", " 24", " 24"},
        {"MOVIEHOST_FRAME_RATE", "24.", "24."},
        {"MOVIEHOST_SEED", "1.5", "1.5"},
        {"MOVIEHOST_SEED", "+1", "+1"},
        {"MOVIEHOST_CLOCK", "virtual\nx", "virtual?x"},
        {"MOVIEHOST_EPOCH", "-1", "-1"},
    };
    for (const auto& c : cases) {
        const auto settings = settingsOf({{c.name, c.value}});
        ASSERT_FALSE(settings) << c.name << "=" << c.value;
        EXPECT_EQ(settings.error().rfind(std::string(c.name) + "=" + c.shown + " is not allowed: ", 0), 0u)
            << settings.error();
        EXPECT_EQ(settings.error().find('\n'), std::string::npos);
    }
}

}  // namespace
