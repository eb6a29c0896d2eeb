// Date arithmetic: calendar fields, composition and clipping, Flash's constructor quirks, and
// local time under fixed zones (Kathmandu, +05:45 with no daylight saving, is the zone the
// recorded Flash output was made in).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <utility>

#include "swf/avm1/date_math.h"

namespace {

using namespace swf::avm1;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The Windows C library knows only "NAME-hh:mm"-style zones, without daylight rules of its own.
#ifdef _WIN32
constexpr const char* kKathmandu = "NPT-5:45";
#else
constexpr const char* kKathmandu = "Asia/Kathmandu";
#endif

void set_tz(const char* tz) {  // nullptr removes TZ
#ifdef _WIN32
    _putenv_s("TZ", tz ? tz : "");
    _tzset();
#else
    if (tz) setenv("TZ", tz, 1);
    else unsetenv("TZ");
    tzset();
#endif
}

class ZoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        had_tz_ = old != nullptr;
        if (had_tz_) old_tz_ = old;
        set_tz("UTC0");
    }
    void TearDown() override { set_tz(had_tz_ ? old_tz_.c_str() : nullptr); }

private:
    bool had_tz_ = false;
    std::string old_tz_;
};

// year, month, date, weekday, hours, minutes, seconds, ms
using Fields = std::array<double, 8>;
Fields fields(const DateFields& f) {
    return {f.year, f.month, f.date, f.day, f.hours, f.minutes, f.seconds, f.ms};
}

TEST(DateMath, SplitsUtcTimesIntoCalendarFields) {
    struct Case { double t; Fields expected; };
    const Case cases[] = {
        {0, {1970, 0, 1, 4, 0, 0, 0, 0}},
        {-1, {1969, 11, 31, 3, 23, 59, 59, 999}},      // negative times floor, not truncate
        {951782400000, {2000, 1, 29, 2, 0, 0, 0, 0}},  // 2000 is a leap year
        {-2203891200000, {1900, 2, 1, 4, 0, 0, 0, 0}}, // 1900 is not: day 60 is 1 March
        {1594844387653, {2020, 6, 15, 3, 20, 19, 47, 653}},
        {-62150211612347, {0, 6, 15, 6, 20, 19, 47, 653}},
        {8.64e15, {275760, 8, 13, 6, 0, 0, 0, 0}},
        {-8.64e15, {-271821, 3, 20, 2, 0, 0, 0, 0}},
        {5.5, {1970, 0, 1, 4, 0, 0, 0, 5}},  // unclipped fractions give whole ms
        {-0.5, {1969, 11, 31, 3, 23, 59, 59, 999}},
    };
    for (const Case& c : cases) EXPECT_EQ(fields(split(c.t, false)), c.expected) << c.t;
}

TEST(DateMath, LeapYearsFollowTheGregorianRule) {
    const std::pair<double, double> cases[] = {{2001, 365}, {2004, 366}, {1900, 365},
                                               {2000, 366}, {0, 366},    {-1, 365},
                                               {-4, 366},   {-100, 365}, {-400, 366}};
    for (auto [year, days] : cases) {
        EXPECT_EQ(DaysInYear(year), days) << year;
        EXPECT_EQ(DayFromYear(year + 1) - DayFromYear(year), days) << year;
        EXPECT_EQ(YearFromTime(TimeFromYear(year)), year);
        EXPECT_EQ(YearFromTime(TimeFromYear(year) - 1), year - 1);
    }
}

TEST(DateMath, CompositionCarriesOverflowAndRejectsNonFinite) {
    EXPECT_EQ(MakeDay(2020, 13, 1), MakeDay(2021, 1, 1));
    EXPECT_EQ(MakeDay(2020, -1, 1), MakeDay(2019, 11, 1));
    EXPECT_EQ(MakeDay(2020, 0, 0), MakeDay(2019, 11, 31));
    EXPECT_EQ(MakeDay(2020, 1, 30), MakeDay(2020, 2, 1));
    EXPECT_EQ(MakeDay(2020.9, 1.9, 3.9), MakeDay(2020, 1, 3));
    EXPECT_EQ(MakeTime(-1, 59, 59, 1000), 0);
    EXPECT_EQ(MakeDate(MakeDay(2020, 6, 15), MakeTime(20, 19, 47, 653)), 1594844387653);
    for (double bad : {kNaN, kInf, -kInf}) {
        EXPECT_TRUE(std::isnan(MakeDay(bad, 0, 1)));
        EXPECT_TRUE(std::isnan(MakeDay(2000, 0, bad)));
        EXPECT_TRUE(std::isnan(MakeTime(0, 0, 0, bad)));
        EXPECT_TRUE(std::isnan(MakeDate(0, bad)));
    }
}

TEST(DateMath, TimeClipKeepsTheRangeInWholeMilliseconds) {
    EXPECT_EQ(TimeClip(8.64e15), 8.64e15);
    EXPECT_EQ(TimeClip(-8.64e15), -8.64e15);
    EXPECT_EQ(TimeClip(5.7), 5);
    EXPECT_EQ(TimeClip(-5.7), -5);
    EXPECT_FALSE(std::signbit(TimeClip(-0.3)));
    for (double bad : {8.64e15 + 1, -8.64e15 - 1, kNaN, kInf, -kInf})
        EXPECT_TRUE(std::isnan(TimeClip(bad))) << bad;
}

// Date.UTC results recorded from Flash, including the int conversion of the year.
TEST(DateMath, MakeFromPartsMatchesRecordedDateUtc) {
    struct Case { double y, m, d, h, mi, s, ms, expected; };
    const Case cases[] = {
        {1, 2, 1, 0, 0, 0, 0, -2172355200000},
        {0, 0, 0, 0, 0, 0, 0, -2209075200000},
        {2000, 11, 31, 23, 59, 59, 999, 978307199999},
        {7002.5, 13.5, 32.5, 24.5, 60.5, 60.5, 1000.5, 158831542861000},
        {-1, -2, -3, -4, -5, -6, -7, -2246155506007},  // -1 counts as 1899
        {123456789, 123, 456, 789, 123, 456, 2000, 3.89585816285464e18},
        {kNaN, 0, 0, 0, 0, 0, 0, -6.77681005680576e19},  // year becomes -2^31
        {-kInf, 0, 0, 0, 0, 0, 0, -6.77681005680576e19},
        {0, 0, kInf, 0, 0, 0, 0, kInf},
        {0, 0, 0, 0, 0, 0, -kInf, -kInf},
        {0, kInf, 0, 0, 0, 0, 0, kNaN},
        {0, 0, 0, kNaN, 0, 0, 0, kNaN},
    };
    for (const Case& c : cases) {
        double t = make_from_parts(c.y, c.m, c.d, c.h, c.mi, c.s, c.ms, false);
        SCOPED_TRACE(c.expected);
        if (std::isnan(c.expected)) EXPECT_TRUE(std::isnan(t));
        else if (std::isinf(c.expected)) EXPECT_EQ(t, c.expected);
        else EXPECT_NEAR(t, c.expected, std::fabs(c.expected) * 1e-14);
    }
}

TEST(DateMath, InvalidDatesSplitLikeFlash) {
    DateFields n = split(kNaN, true);
    for (double v : {n.year, n.month, n.date, n.hours, n.minutes, n.seconds, n.ms, n.day})
        EXPECT_TRUE(std::isnan(v));
    const double m = -2147483648.0;
    for (double t : {kInf, -kInf})
        for (bool local : {false, true})
            EXPECT_EQ(fields(split(t, local)),
                      (Fields{m + 1970, 0, m + 1, m + 7, m + 24, m + 60, m + 60, m + 1000}));
    EXPECT_EQ(date_to_string(kNaN), "Invalid Date");
    EXPECT_EQ(date_to_string(-kInf), "Invalid Date");
    EXPECT_TRUE(std::isnan(timezone_offset_minutes(kInf)));
}

// Recorded in Kathmandu. Flash used today's +05:45 for every year, though the zone was +05:30
// until 1986 and local mean time before 1920.
TEST_F(ZoneTest, KathmanduMatchesRecordedFlashOutput) {
    set_tz(kKathmandu);
    const std::pair<double, const char*> cases[] = {
        {981152406000, "Sat Feb 3 04:05:06 GMT+0545 2001"},
        {0, "Thu Jan 1 05:45:00 GMT+0545 1970"},
        {-1000, "Thu Jan 1 05:44:59 GMT+0545 1970"},
        {-1594844387653, "Thu Jun 19 09:25:12 GMT+0545 1919"},
        {8.64e15, "Sat Sep 13 05:45:00 GMT+0545 275760"},
        {-8.64e15, "Tue Apr 20 05:45:00 GMT+0545 -271821"},
        {make_from_parts(kNaN, 0, 0, 0, 0, 0, 0, true),
         "Mon Jan -719528 00:00:00 GMT+0545 -2147481678"},
    };
    for (auto [t, text] : cases) EXPECT_EQ(date_to_string(t), text);
    EXPECT_EQ(timezone_offset_minutes(-1594844387653), -345);
    // Far out, adding the offset rounds; Flash reported the rounded difference.
    EXPECT_NEAR(timezone_offset_minutes(cases[6].first), -345.019733333333, 1e-9);
    EXPECT_EQ(make_from_parts(1, 2, 3, 4, 5, 6, 0, true), -2172188394000);
    EXPECT_EQ(make_from_parts(2000, 11, 31, 23, 59, 59, 999, true), 978286499999);
    EXPECT_EQ(fields(split(1594844387653, true)), (Fields{2020, 6, 16, 4, 2, 4, 47, 653}));
}

TEST_F(ZoneTest, DaylightSavingUsesTodaysRulesAndResolvesGapsAndOverlaps) {
#ifdef _WIN32
    GTEST_SKIP() << "daylight rules come from the system zone on Windows";
#endif
    set_tz("America/New_York");
    const double jan = make_from_parts(2020, 0, 15, 12, 0, 0, 0, false);
    const double jul = make_from_parts(2020, 6, 15, 12, 0, 0, 0, false);
    const double jul1850 = make_from_parts(1850, 6, 15, 12, 0, 0, 0, false);
    EXPECT_EQ(timezone_offset_minutes(jan), 300);
    EXPECT_EQ(timezone_offset_minutes(jul), 240);
    EXPECT_EQ(timezone_offset_minutes(jul1850), 240);  // not local mean time, no DST-free past
    EXPECT_EQ(date_to_string(jul), "Wed Jul 15 08:00:00 GMT-0400 2020");
    const double fall_back = make_from_parts(2020, 10, 1, 5, 45, 0, 0, false);  // 01:45 EDT
    for (double t : {jan, jul, jul1850, fall_back}) EXPECT_EQ(UTC(LocalTime(t)), t);
    // Noon on the day clocks go forward is already EDT.
    EXPECT_EQ(make_from_parts(2020, 2, 8, 12, 0, 0, 0, true),
              make_from_parts(2020, 2, 8, 16, 0, 0, 0, false));
    // 02:30 on 8 March 2020 never happened: read with EST it is 03:30 EDT.
    EXPECT_EQ(make_from_parts(2020, 2, 8, 2, 30, 0, 0, true),
              make_from_parts(2020, 2, 8, 7, 30, 0, 0, false));
    // 01:30 on 1 November 2020 happened twice: the EDT one comes first.
    EXPECT_EQ(make_from_parts(2020, 10, 1, 1, 30, 0, 0, true),
              make_from_parts(2020, 10, 1, 5, 30, 0, 0, false));
}

TEST_F(ZoneTest, UtcZoneAndWallClock) {
    EXPECT_EQ(date_to_string(0), "Thu Jan 1 00:00:00 GMT+0000 1970");
    EXPECT_EQ(local_tza(1594844387653), 0);
    double now = current_time_ms();
    EXPECT_GT(now, 1.6e12);  // milliseconds, not seconds
    EXPECT_EQ(now, std::floor(now));
}

}  // namespace
