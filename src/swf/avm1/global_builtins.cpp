// The global functions parseInt, parseFloat, isNaN, isFinite, escape and unescape, and the NaN
// and Infinity properties of _global. (String, Number and Boolean as conversion functions are
// their constructors called without `new`.)
#include <cmath>

#include "swf/avm1/builtins.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

// The number and text rules themselves are in convert.h (parse_int, parse_float, escape,
// unescape); these wrap them as functions. Each returns undefined when called with no argument
// at all (observed for parseInt, parseFloat, escape and unescape).

Value global_parse_int(Vm& vm, Value, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = vm.to_string(args[0]);
    // An undefined radix counts as none, so parseInt(s, undefined) reads "0x" and octal too.
    const bool radix_given = args.size() > 1 && !args[1].is_undefined();
    const double radix = radix_given ? vm.to_number(args[1]) : 10;
    if (vm.throwing) return Value();
    return parse_int(s->text, radix_given, radix);
}

Value global_parse_float(Vm& vm, Value, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = vm.to_string(args[0]);
    if (vm.throwing) return Value();
    return parse_float(s->text);
}

// isNaN and isFinite take ToNumber by the version's rules (isNaN(undefined) is false before SWF7
// and true from it), but no argument at all is NaN in every version (observed).
double number_argument(Vm& vm, const Args& args) { return args.size() > 0 ? vm.to_number(args[0]) : NAN; }

Value global_is_nan(Vm& vm, Value, const Args& args) { return std::isnan(number_argument(vm, args)); }

Value global_is_finite(Vm& vm, Value, const Args& args) { return std::isfinite(number_argument(vm, args)); }

Value global_escape(Vm& vm, Value, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = vm.to_string(args[0]);
    if (vm.throwing) return Value();
    return vm.str(escape(s->text));
}

Value global_unescape(Vm& vm, Value, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = vm.to_string(args[0]);
    if (vm.throwing) return Value();
    return vm.str(unescape(s->text));
}

}  // namespace

void install_globals(Vm& vm) {
    vm.define(vm.global, "NaN", NAN, DontEnum | DontDelete);
    vm.define(vm.global, "Infinity", INFINITY, DontEnum | DontDelete);
    vm.define_method(vm.global, "parseInt", global_parse_int);
    vm.define_method(vm.global, "parseFloat", global_parse_float);
    vm.define_method(vm.global, "isNaN", global_is_nan);
    vm.define_method(vm.global, "isFinite", global_is_finite);
    vm.define_method(vm.global, "escape", global_escape);
    vm.define_method(vm.global, "unescape", global_unescape);
}

}  // namespace swf::avm1
