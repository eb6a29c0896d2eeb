// Date: the constructor, Date.UTC, the getters and setters in local time and UTC. The calendar
// arithmetic is in date_math; this file reads arguments the way Flash did and keeps the time
// value in the object's `primitive`.
#include <algorithm>
#include <cmath>
#include <limits>

#include "swf/avm1/builtins.h"
#include "swf/avm1/date_math.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Object* date_object(const Value& self) {
    return self.is_object() && self.o->kind == ObjKind::Date ? self.o : nullptr;
}

// The time value of `self`, or false when it is not a date.
bool time_of(const Value& self, double& t) {
    Object* d = date_object(self);
    if (!d) return false;
    t = d->primitive.is_number() ? d->primitive.n : kNaN;
    return true;
}

// Parts of a date in the order the setters name them.
enum Field { kYear, kMonth, kDate, kHours, kMinutes, kSeconds, kMs, kFieldCount };

// The seven parts, with year and month as numbers the setters can recompose.
void parts_of(double t, bool local, double (&out)[kFieldCount]) {
    DateFields f = split(t, local);
    out[kYear] = f.year;
    out[kMonth] = f.month;
    out[kDate] = f.date;
    out[kHours] = f.hours;
    out[kMinutes] = f.minutes;
    out[kSeconds] = f.seconds;
    out[kMs] = f.ms;
}

// Flash read the arguments of setMinutes and setUTCMinutes as 32-bit ints with the x86
// conversion: NaN, infinities and anything out of range became -2^31 instead of spoiling the date.
double int_minutes_arg(double v) {
    v = std::trunc(v);
    return (v >= -2147483648.0 && v <= 2147483647.0) ? v : -2147483648.0;
}

// ---------------------------------------------------------------------------------------------
// Constructor and Date.UTC
// ---------------------------------------------------------------------------------------------

// The parts of new Date(y, m, ...) and Date.UTC: date 1 and zeros for those left out.
double from_parts(Vm& vm, const Args& args, bool local) {
    double p[kFieldCount] = {0, 0, 1, 0, 0, 0, 0};
    for (int i = 0; i < kFieldCount && i < args.size(); ++i) p[i] = vm.to_number(args[i]);
    return make_from_parts(p[0], p[1], p[2], p[3], p[4], p[5], p[6], local);
}

Value date_ctor(Vm& vm, Value self, const Args& args) {
    // Date() as a function: the present moment as text, whatever the arguments.
    if (!args.constructing || !self.is_object()) return vm.str(date_to_string(current_time_ms()));
    double t;
    if (args.size() == 0) t = current_time_ms();
    else if (args.size() == 1) t = vm.to_number(args[0]);  // kept as given, unclipped
    else t = from_parts(vm, args, true);
    self.o->kind = ObjKind::Date;
    self.o->primitive = t;
    return self;
}

Value date_utc(Vm& vm, Value, const Args& args) {
    if (args.size() < 2) return Value();
    return from_parts(vm, args, false);
}

// ---------------------------------------------------------------------------------------------
// Getters
// ---------------------------------------------------------------------------------------------
template <Field F, bool Local>
Value date_get(Vm&, Value self, const Args&) {
    double t;
    if (!time_of(self, t)) return Value();
    double p[kFieldCount];
    parts_of(t, Local, p);
    return p[F];
}

template <bool Local>
Value date_get_day(Vm&, Value self, const Args&) {
    double t;
    if (!time_of(self, t)) return Value();
    return split(t, Local).day;
}

// getYear: years counted from 1900 (2001 is 101).
template <bool Local>
Value date_get_year(Vm&, Value self, const Args&) {
    double t;
    if (!time_of(self, t)) return Value();
    return split(t, Local).year - 1900.0;
}

Value date_get_time(Vm&, Value self, const Args&) {
    double t;
    if (!time_of(self, t)) return Value();
    return t;
}

Value date_get_timezone_offset(Vm&, Value self, const Args&) {
    double t;
    if (!time_of(self, t)) return Value();
    return timezone_offset_minutes(t);
}

Value date_to_string_fn(Vm& vm, Value self, const Args&) {
    double t;
    if (!time_of(self, t)) return Value();
    return vm.str(date_to_string(t));
}

// ---------------------------------------------------------------------------------------------
// Setters
// ---------------------------------------------------------------------------------------------
void store(const Value& self, double t) { self.o->primitive = t; }

// A setter replaces `Count` parts starting at `First` with its arguments (the first part always,
// undefined when left out; later ones only when given), composes the parts again and stores the
// clipped result, which it also returns. An invalid or infinite date stays invalid.
template <Field First, int Count, bool Local>
Value date_set(Vm& vm, Value self, const Args& args) {
    double t;
    if (!time_of(self, t)) return Value();
    double given[Count];
    int n = 0;
    for (; n < Count && (n == 0 || n < args.size()); ++n) given[n] = vm.to_number(args[n]);
    if (!std::isfinite(t)) {
        store(self, kNaN);
        return kNaN;
    }
    double p[kFieldCount];
    parts_of(t, Local, p);
    for (int i = 0; i < n; ++i) {
        double v = given[i];
        if (First == kMinutes) v = int_minutes_arg(v);
        // setMonth(NaN) is setMonth(0); infinite months still spoil the date.
        else if (First == kMonth && i == 0 && std::isnan(v)) v = 0;
        p[First + i] = v;
    }
    t = MakeDate(MakeDay(p[kYear], p[kMonth], p[kDate]), MakeTime(p[kHours], p[kMinutes], p[kSeconds], p[kMs]));
    t = TimeClip(Local ? UTC(t) : t);
    store(self, t);
    return t;
}

// setYear(year [, month [, date]]): setFullYear, except that years 0 to 99 mean 1900 to 1999.
Value date_set_year(Vm& vm, Value self, const Args& args) {
    if (!date_object(self)) return Value();
    double year = std::trunc(vm.to_number(args[0]));
    if (year >= 0 && year <= 99) year += 1900;
    Value argv[3] = {year, args[1], args[2]};
    Args adjusted{argv, std::clamp(args.size(), 1, 3), false, args.callee};
    return date_set<kYear, 3, true>(vm, self, adjusted);
}

Value date_set_time(Vm& vm, Value self, const Args& args) {
    double t;
    if (!time_of(self, t)) return Value();
    double result = TimeClip(vm.to_number(args[0]));
    store(self, result);
    return result;
}

}  // namespace

void install_date(Vm& vm) {
    Object* proto = vm.new_object(vm.object_proto);
    vm.date_proto = proto;
    FunctionObject* ctor = vm.make_class("Date", date_ctor, proto);
    vm.define_method(ctor, "UTC", date_utc);

    vm.define_method(proto, "getFullYear", date_get<kYear, true>);
    vm.define_method(proto, "getYear", date_get_year<true>);
    vm.define_method(proto, "getMonth", date_get<kMonth, true>);
    vm.define_method(proto, "getDate", date_get<kDate, true>);
    vm.define_method(proto, "getDay", date_get_day<true>);
    vm.define_method(proto, "getHours", date_get<kHours, true>);
    vm.define_method(proto, "getMinutes", date_get<kMinutes, true>);
    vm.define_method(proto, "getSeconds", date_get<kSeconds, true>);
    vm.define_method(proto, "getMilliseconds", date_get<kMs, true>);
    vm.define_method(proto, "getUTCFullYear", date_get<kYear, false>);
    vm.define_method(proto, "getUTCYear", date_get_year<false>);
    vm.define_method(proto, "getUTCMonth", date_get<kMonth, false>);
    vm.define_method(proto, "getUTCDate", date_get<kDate, false>);
    vm.define_method(proto, "getUTCDay", date_get_day<false>);
    vm.define_method(proto, "getUTCHours", date_get<kHours, false>);
    vm.define_method(proto, "getUTCMinutes", date_get<kMinutes, false>);
    vm.define_method(proto, "getUTCSeconds", date_get<kSeconds, false>);
    vm.define_method(proto, "getUTCMilliseconds", date_get<kMs, false>);
    vm.define_method(proto, "getTime", date_get_time);
    vm.define_method(proto, "getTimezoneOffset", date_get_timezone_offset);
    vm.define_method(proto, "valueOf", date_get_time);
    vm.define_method(proto, "toString", date_to_string_fn);

    vm.define_method(proto, "setFullYear", date_set<kYear, 3, true>);
    vm.define_method(proto, "setYear", date_set_year);
    vm.define_method(proto, "setMonth", date_set<kMonth, 2, true>);
    vm.define_method(proto, "setDate", date_set<kDate, 1, true>);
    vm.define_method(proto, "setHours", date_set<kHours, 4, true>);
    vm.define_method(proto, "setMinutes", date_set<kMinutes, 3, true>);
    vm.define_method(proto, "setSeconds", date_set<kSeconds, 2, true>);
    vm.define_method(proto, "setMilliseconds", date_set<kMs, 1, true>);
    vm.define_method(proto, "setUTCFullYear", date_set<kYear, 3, false>);
    vm.define_method(proto, "setUTCMonth", date_set<kMonth, 2, false>);
    vm.define_method(proto, "setUTCDate", date_set<kDate, 1, false>);
    vm.define_method(proto, "setUTCHours", date_set<kHours, 4, false>);
    vm.define_method(proto, "setUTCMinutes", date_set<kMinutes, 3, false>);
    vm.define_method(proto, "setUTCSeconds", date_set<kSeconds, 2, false>);
    vm.define_method(proto, "setUTCMilliseconds", date_set<kMs, 1, false>);
    vm.define_method(proto, "setTime", date_set_time);
}

}  // namespace swf::avm1
