#include "swf/avm1/date_math.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>

namespace swf::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInt32Min = -2147483648.0;
constexpr double kInt32Max = 2147483647.0;

// Modulo with the sign of the divisor (b > 0). A tiny negative a would round up to b itself;
// keep the result below b so floor() of it stays in range. Never returns -0.
double pos_mod(double a, double b) {
    double r = std::fmod(a, b);
    if (r < 0) {
        r += b;
        if (r >= b) r = std::nextafter(b, 0.0);
    }
    return r + 0.0;
}

// Flash turned these numbers into 32-bit ints with the x86 conversion: NaN, infinities and
// anything out of range all become -2^31.
double to_int32_like(double v) {
    v = std::trunc(v);
    return (v >= kInt32Min && v <= kInt32Max) ? v : kInt32Min;
}

bool is_leap(double y) { return DaysInYear(y) == 366.0; }

// Day within the year on which month m (0..11) starts.
double month_start(int m, bool leap) {
    static constexpr int kStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kStart[m] + ((leap && m >= 2) ? 1 : 0);
}

// Month of a 0-based day within the year. Days before the start of the year count as January
// and days past its end as December, as happens when YearFromTime saturates.
int month_of(double day_in_year, bool leap) {
    for (int m = 11; m > 0; --m)
        if (day_in_year >= month_start(m, leap)) return m;
    return 0;
}

// Exact year holding a finite day number. The estimate is off by at most one year; the loops
// are bounded because far out y - 1 == y in doubles.
double year_of_day(double day) {
    double y = std::floor(day / 365.2425) + 1970.0;
    for (int i = 0; i < 4 && DayFromYear(y) > day; ++i) y -= 1.0;
    for (int i = 0; i < 4 && DayFromYear(y + 1.0) <= day; ++i) y += 1.0;
    return y;
}

// A year with the same length and the same weekday on 1 January as y, taken from the 28 years
// starting at `from`. Years already in that window stand for themselves.
double equivalent_year(double y, double from) {
    if (y >= from && y < from + 28.0) return y;
    bool leap = is_leap(y);
    double weekday = WeekDay(TimeFromYear(y));
    // 40 rather than 28 so that a window crossing a non-leap century year still has every kind.
    for (double c = from; c < from + 40.0; c += 1.0)
        if (is_leap(c) == leap && WeekDay(TimeFromYear(c)) == weekday) return c;
    return from;
}

// The C library's broken-down local time for a count of seconds since 1970.
bool local_broken_down(int64_t secs, std::tm& out) {
#ifdef _WIN32
    __time64_t t = secs;
    return _localtime64_s(&out, &t) == 0;
#else
    std::time_t t = static_cast<std::time_t>(secs);
    return localtime_r(&t, &out) != nullptr;
#endif
}

// MakeDay as Flash ran it for the constructor and Date.UTC: only the month is checked, so an
// infinite date passes through as an infinite day.
double loose_make_day(double year, double month, double date) {
    month = std::trunc(month);
    if (!std::isfinite(month)) return kNaN;
    double ym = year + std::floor(month / 12.0);
    int mn = static_cast<int>(pos_mod(month, 12.0));
    return DayFromYear(ym) + month_start(mn, is_leap(ym)) + std::trunc(date) - 1.0;
}

double loose_make_time(double h, double mi, double s, double ms) {
    return std::trunc(h) * kMsPerHour + std::trunc(mi) * kMsPerMinute +
           std::trunc(s) * kMsPerSecond + std::trunc(ms);
}

bool all_finite(double a, double b, double c, double d = 0.0) {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

}  // namespace

double Day(double t) { return std::floor(t / kMsPerDay); }

double TimeWithinDay(double t) { return pos_mod(t, kMsPerDay); }

double DaysInYear(double y) {
    if (!std::isfinite(y)) return kNaN;
    if (std::fmod(y, 4.0) != 0.0) return 365.0;
    if (std::fmod(y, 100.0) != 0.0) return 366.0;
    if (std::fmod(y, 400.0) != 0.0) return 365.0;
    return 366.0;
}

double DayFromYear(double y) {
    return 365.0 * (y - 1970.0) + std::floor((y - 1969.0) / 4.0) -
           std::floor((y - 1901.0) / 100.0) + std::floor((y - 1601.0) / 400.0);
}

double TimeFromYear(double y) { return kMsPerDay * DayFromYear(y); }

double YearFromTime(double t) {
    if (!std::isfinite(t)) return kNaN;
    double y = year_of_day(Day(t));
    double from_1970 = y - 1970.0;
    if (!(from_1970 >= kInt32Min && from_1970 <= kInt32Max)) y = 1970.0 + kInt32Min;
    return y;
}

bool InLeapYear(double t) { return is_leap(YearFromTime(t)); }

double DayWithinYear(double t) { return Day(t) - DayFromYear(YearFromTime(t)); }

double MonthFromTime(double t) {
    if (!std::isfinite(t)) return kNaN;
    return month_of(DayWithinYear(t), InLeapYear(t));
}

double DateFromTime(double t) {
    if (!std::isfinite(t)) return kNaN;
    double d = DayWithinYear(t);
    bool leap = InLeapYear(t);
    return d - month_start(month_of(d, leap), leap) + 1.0;
}

double WeekDay(double t) { return pos_mod(Day(t) + 4.0, 7.0); }

double HourFromTime(double t) { return pos_mod(std::floor(t / kMsPerHour), 24.0); }
double MinFromTime(double t) { return pos_mod(std::floor(t / kMsPerMinute), 60.0); }
double SecFromTime(double t) { return pos_mod(std::floor(t / kMsPerSecond), 60.0); }
double msFromTime(double t) { return std::floor(pos_mod(t, kMsPerSecond)); }

double MakeTime(double hour, double min, double sec, double ms) {
    if (!all_finite(hour, min, sec, ms)) return kNaN;
    return loose_make_time(hour, min, sec, ms);
}

double MakeDay(double year, double month, double date) {
    if (!all_finite(year, month, date)) return kNaN;
    return loose_make_day(std::trunc(year), month, date);
}

double MakeDate(double day, double time) {
    if (!std::isfinite(day) || !std::isfinite(time)) return kNaN;
    return day * kMsPerDay + time;
}

double TimeClip(double t) {
    if (!std::isfinite(t) || std::fabs(t) > kMaxTime) return kNaN;
    return std::trunc(t) + 0.0;  // + 0.0 turns -0 into +0
}

double local_tza(double utc_ms) {
    if (!std::isfinite(utc_ms)) return 0.0;
    double year = year_of_day(Day(utc_ms));
    double into_year = utc_ms - TimeFromYear(year);
    // Far out the subtraction loses precision; any point of the year will do there.
    if (!(into_year >= 0.0 && into_year < 366.0 * kMsPerDay)) into_year = 0.0;
    double this_year = year_of_day(Day(current_time_ms()));
    double probe = TimeFromYear(equivalent_year(year, this_year)) + into_year;

    int64_t secs = static_cast<int64_t>(std::floor(probe / kMsPerSecond));
    std::tm tm{};
    if (!local_broken_down(secs, tm)) return 0.0;
    double wall = MakeDate(MakeDay(tm.tm_year + 1900.0, tm.tm_mon, tm.tm_mday),
                           MakeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, 0));
    return wall - static_cast<double>(secs) * kMsPerSecond;
}

double LocalTime(double t) { return t + local_tza(t); }

double UTC(double t) {
    if (!std::isfinite(t)) return t;
    // Offsets a day either side are certainly on either side of any change of offset near t.
    double before = local_tza(t - kMsPerDay);
    double after = local_tza(t + kMsPerDay);
    double first = t - before;
    if (before == after || local_tza(first) == before) return first;
    double second = t - after;
    if (local_tza(second) == after) return second;
    return first;  // skipped by the clocks: read with the earlier offset
}

DateFields split(double t, bool local) {
    if (std::isnan(t)) return {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
    double lt = local ? LocalTime(t) : t;
    if (!std::isfinite(lt)) {
        // Observed for new Date(±Infinity), local and UTC alike.
        constexpr double m = kInt32Min;
        return {m + 1970.0, 0.0, m + 1.0, m + 24.0, m + 60.0, m + 60.0, m + 1000.0, m + 7.0};
    }
    return {YearFromTime(lt), MonthFromTime(lt), DateFromTime(lt), HourFromTime(lt),
            MinFromTime(lt),  SecFromTime(lt),   msFromTime(lt),   WeekDay(lt)};
}

double make_from_parts(double y, double m, double d, double h, double mi, double s, double ms,
                       bool local) {
    double year = std::trunc(y);
    if (year < 100.0) year += 1900.0;
    year = to_int32_like(year);
    double t = loose_make_day(year, m, d) * kMsPerDay + loose_make_time(h, mi, s, ms);
    return local ? UTC(t) : t;
}

std::string date_to_string(double t) {
    if (!std::isfinite(t)) return "Invalid Date";
    static constexpr const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    DateFields f = split(t, true);
    double offset = local_tza(t);
    long long offset_min = static_cast<long long>(std::fabs(offset) / kMsPerMinute);
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s %s %.0f %02d:%02d:%02d GMT%c%02lld%02lld %.0f",
                  kDays[static_cast<int>(f.day)], kMonths[static_cast<int>(f.month)], f.date,
                  static_cast<int>(f.hours), static_cast<int>(f.minutes),
                  static_cast<int>(f.seconds), offset < 0 ? '-' : '+', offset_min / 60,
                  offset_min % 60, f.year);
    return buf;
}

double timezone_offset_minutes(double t) { return (t - LocalTime(t)) / kMsPerMinute; }

double current_time_ms() {
    using namespace std::chrono;
    auto now = time_point_cast<milliseconds>(system_clock::now());
    return static_cast<double>(now.time_since_epoch().count());
}

}  // namespace swf::avm1
