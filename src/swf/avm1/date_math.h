// Calendar arithmetic behind the ActionScript Date object. A time value is a double counting
// milliseconds since 1970-01-01 00:00 UTC; NaN is an invalid date. The building blocks follow
// the ECMAScript ed. 3 date algorithms (and keep their names); the Flash-facing helpers at the
// bottom add what Flash did beyond them: no clipping in the constructor and Date.UTC, year
// arithmetic in 32-bit integers, and local time by today's zone rules for every year.
#pragma once

#include <string>

namespace swf::avm1 {

constexpr double kMsPerSecond = 1000.0;
constexpr double kMsPerMinute = 60000.0;
constexpr double kMsPerHour = 3600000.0;
constexpr double kMsPerDay = 86400000.0;
constexpr double kMaxTime = 8.64e15;  // 100 million days either side of 1970

// Day number and the milliseconds into that day (always in [0, kMsPerDay)).
double Day(double t);
double TimeWithinDay(double t);

// Year arithmetic on the proleptic Gregorian calendar; years are whole numbers.
double DaysInYear(double y);
double DayFromYear(double y);   // day number of 1 January of year y
double TimeFromYear(double y);  // time value of 1 January of year y, 00:00
// Year containing t. Years more than 2^31 away from 1970 come out as 1970 - 2^31, the way
// Flash's int conversion left them (only unclipped constructor values get that far).
double YearFromTime(double t);
bool InLeapYear(double t);
double DayWithinYear(double t);  // 0-based
double MonthFromTime(double t);  // 0 = January
double DateFromTime(double t);   // 1-based day of the month
double WeekDay(double t);        // 0 = Sunday

double HourFromTime(double t);
double MinFromTime(double t);
double SecFromTime(double t);
double msFromTime(double t);  // whole milliseconds, also for a fractional t

// Composition with the strict rules: any non-finite input gives NaN, fractions are truncated,
// out-of-range parts carry over (month 13 is February of the next year, hour -1 the day before).
double MakeTime(double hour, double min, double sec, double ms);
double MakeDay(double year, double month, double date);
double MakeDate(double day, double time);
// NaN outside ±kMaxTime, otherwise truncated to whole milliseconds (setters and setTime).
double TimeClip(double t);

// Offset of local time from UTC, in ms, at the instant utc_ms, daylight saving included (+05:45
// gives 20700000). Every year is judged by the zone's present-day rules: the date is moved to a
// year starting on the same weekday with the same length in the next 28 years, then asked of
// the C library. Non-finite input gives 0.
double local_tza(double utc_ms);
double LocalTime(double t);
// Inverse of LocalTime. A local time that occurs twice when clocks go back resolves to the
// first instant; one skipped when clocks go forward is read with the offset from before the
// change (02:30 on a spring-forward night becomes 03:30).
double UTC(double t);

// What the Date getters return. For NaN every field is NaN; for ±Infinity the fields carry the
// integer garbage Flash printed (an int conversion of NaN plus one wrap of each field's range).
struct DateFields {
    double year, month, date, hours, minutes, seconds, ms, day;
};
DateFields split(double t, bool local);

// The Date constructor with two or more arguments (local = true) and Date.UTC (local = false).
// The caller fills omitted parts with date 1 and zeros. Years below 100 mean 1900 + year (Flash
// applied this to -1 as well: -1 is 1899). The year goes through a 32-bit int conversion, so
// NaN and ±Infinity become -2^31 rather than an invalid date; NaN or ±Infinity in the month,
// or NaN elsewhere, give NaN; ±Infinity in the other parts gives ±Infinity. Nothing is clipped.
double make_from_parts(double y, double m, double d, double h, double mi, double s, double ms,
                       bool local);

// Date.prototype.toString and Date(): "Sat Feb 3 04:05:06 GMT+0545 2001" in local time, or
// "Invalid Date" when t is not finite.
std::string date_to_string(double t);

// getTimezoneOffset: UTC minus local time in minutes (-345 for +05:45); NaN for an invalid date.
double timezone_offset_minutes(double t);

// Wall clock as a time value (whole milliseconds).
double current_time_ms();

}  // namespace swf::avm1
