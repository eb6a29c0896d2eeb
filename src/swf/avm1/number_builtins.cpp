// Number and Boolean: constructors that convert when called without `new` and box with it, the
// Number constants, and toString/valueOf on both prototypes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "swf/avm1/builtins.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

// Makes the object `new` created into a box of `kind` holding `v`.
void box(Value self, ObjKind kind, const Value& v) {
    if (Object* o = self.object()) {
        o->kind = kind;
        o->primitive = v;
    }
}

// The primitive of `type` that `this` stands for: the value itself or the one a box of `kind`
// holds. Anything else has none.
bool this_primitive(const Value& self, Type type, ObjKind kind, Value& out) {
    if (self.type == type) {
        out = self;
        return true;
    }
    Object* o = self.object();
    if (o && o->kind == kind && o->primitive.type == type) {
        out = o->primitive;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Number
// ---------------------------------------------------------------------------------------------

Value number_ctor(Vm& vm, Value self, const Args& args) {
    const double n = args.size() > 0 ? vm.to_number(args[0]) : 0.0;
    if (!args.constructing || vm.throwing) return n;
    box(self, ObjKind::Number, n);
    return Value();
}

// Digits in radix 2..36 the way the player wrote them (observed): the value becomes a 32-bit
// integer by C truncation, which turns NaN, the infinities and anything out of range into
// -2147483648. That one cannot be negated, so its remainders stay negative and come out as the
// characters below '0' (NaN.toString(2) is "-/0000000000000000000000000000000").
std::string radix_string(double v, int radix) {
    int32_t n = v > -2147483649.0 && v < 2147483648.0 ? int32_t(v) : INT32_MIN;
    const bool negative = n < 0;
    if (negative && n != INT32_MIN) n = -n;
    std::string out;
    do {
        const int d = n % radix;
        out.push_back(char(d < 10 ? '0' + d : 'a' + d - 10));
        n /= radix;
    } while (n != 0);
    if (negative) out.push_back('-');
    std::reverse(out.begin(), out.end());
    return out;
}

// toString([radix]): radix 10, a missing one and any outside 2..36 give the usual decimal form
// (observed: `toString(0)`, `toString(37)`).
Value number_to_string_method(Vm& vm, Value self, const Args& args) {
    Value v;
    if (!this_primitive(self, Type::Number, ObjKind::Number, v)) return Value();
    const int32_t radix = args.size() > 0 ? vm.to_int32(args[0]) : 10;
    if (radix < 2 || radix > 36 || radix == 10 || vm.throwing) return vm.number_string(v.n);
    return vm.str(radix_string(v.n, radix));
}

Value number_value_of(Vm&, Value self, const Args&) {
    Value v;
    return this_primitive(self, Type::Number, ObjKind::Number, v) ? v : Value();
}

// ---------------------------------------------------------------------------------------------
// Boolean
// ---------------------------------------------------------------------------------------------

// Boolean() with no argument gives undefined, not false (observed); new Boolean() holds false.
Value boolean_ctor(Vm& vm, Value self, const Args& args) {
    if (args.constructing) {
        box(self, ObjKind::Boolean, args.size() > 0 && vm.to_boolean(args[0]));
        return Value();
    }
    if (args.size() == 0) return Value();
    return vm.to_boolean(args[0]);
}

Value boolean_to_string(Vm& vm, Value self, const Args&) {
    Value v;
    if (!this_primitive(self, Type::Bool, ObjKind::Boolean, v)) return Value();
    return v.b ? vm.names.true_ : vm.names.false_;
}

Value boolean_value_of(Vm&, Value self, const Args&) {
    Value v;
    return this_primitive(self, Type::Bool, ObjKind::Boolean, v) ? v : Value();
}

}  // namespace

void install_number(Vm& vm) {
    constexpr uint16_t kConstant = DontEnum | DontDelete | ReadOnly;

    Object* number_proto = vm.new_object();
    vm.number_proto = number_proto;
    FunctionObject* number = vm.make_class("Number", number_ctor, number_proto);
    // Built-in constructors carry their own `constructor` (observed: Number.hasOwnProperty).
    if (vm.function_ctor) vm.define(number, "constructor", vm.function_ctor);
    vm.define(number, "MAX_VALUE", std::numeric_limits<double>::max(), kConstant);
    vm.define(number, "MIN_VALUE", std::numeric_limits<double>::denorm_min(), kConstant);
    vm.define(number, "NaN", NAN, kConstant);
    vm.define(number, "POSITIVE_INFINITY", INFINITY, kConstant);
    vm.define(number, "NEGATIVE_INFINITY", -INFINITY, kConstant);
    vm.define_method(number_proto, "toString", number_to_string_method);
    vm.define_method(number_proto, "valueOf", number_value_of);

    Object* boolean_proto = vm.new_object();
    vm.boolean_proto = boolean_proto;
    FunctionObject* boolean = vm.make_class("Boolean", boolean_ctor, boolean_proto);
    if (vm.function_ctor) vm.define(boolean, "constructor", vm.function_ctor);
    vm.define_method(boolean_proto, "toString", boolean_to_string);
    vm.define_method(boolean_proto, "valueOf", boolean_value_of);
}

}  // namespace swf::avm1
