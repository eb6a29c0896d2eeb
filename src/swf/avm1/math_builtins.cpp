// Math: the constants and the functions.
//
// Every function converts its first two arguments with ToNumber, in order, whether it uses them or
// not, and ignores the rest (observed: `Math.abs(a, b, c)` asks a and b for valueOf, not c). A
// missing argument is NaN, while an explicit undefined or null follows the version's ToNumber
// (0 before SWF7). Results are those of the C library functions, so `Math.pow(1, NaN)` is 1.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>

#include "swf/avm1/builtins.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

// The first two arguments as numbers, NaN where missing. False when a valueOf threw, which ends
// the call before the next argument is looked at.
bool operands(Vm& vm, const Args& args, double& x, double& y) {
    x = y = NAN;
    if (args.size() > 0) {
        x = vm.to_number(args[0]);
        if (vm.throwing) return false;
    }
    if (args.size() > 1) {
        y = vm.to_number(args[1]);
        if (vm.throwing) return false;
    }
    return true;
}

struct MathFn {
    const char* name;
    double (*fn)(double x, double y);
};

// Round is floor(x + 0.5): halves go up, -12.5 gives -12 (observed).
constexpr MathFn kFunctions[] = {
    {"abs", [](double x, double) { return std::fabs(x); }},
    {"acos", [](double x, double) { return std::acos(x); }},
    {"asin", [](double x, double) { return std::asin(x); }},
    {"atan", [](double x, double) { return std::atan(x); }},
    {"atan2", [](double y, double x) { return std::atan2(y, x); }},
    {"ceil", [](double x, double) { return std::ceil(x); }},
    {"cos", [](double x, double) { return std::cos(x); }},
    {"exp", [](double x, double) { return std::exp(x); }},
    {"floor", [](double x, double) { return std::floor(x); }},
    {"log", [](double x, double) { return std::log(x); }},
    {"pow", [](double x, double y) { return std::pow(x, y); }},
    {"round", [](double x, double) { return std::floor(x + 0.5); }},
    {"sin", [](double x, double) { return std::sin(x); }},
    {"sqrt", [](double x, double) { return std::sqrt(x); }},
    {"tan", [](double x, double) { return std::tan(x); }},
};

// One native serves the table; the function object's native_data holds its row.
Value math_function(Vm& vm, Value, const Args& args) {
    double x, y;
    if (!operands(vm, args, x, y)) return Value();
    if (!args.callee || !args.callee->native_data.is_number()) return NAN;
    const auto row = size_t(args.callee->native_data.n);
    if (row >= std::size(kFunctions)) return NAN;
    return kFunctions[row].fn(x, y);
}

// min/max of no arguments are +Infinity/-Infinity; of one, NaN in every version (observed: the
// lone argument is compared with a missing one). Only the first two arguments count.
template <bool Max>
Value math_min_max(Vm& vm, Value, const Args& args) {
    double x, y;
    if (!operands(vm, args, x, y)) return Value();
    if (args.size() == 0) return Max ? -INFINITY : INFINITY;
    if (std::isnan(x) || std::isnan(y)) return NAN;
    return Max ? std::max(x, y) : std::min(x, y);
}

// Math.random with its generator (xorshift64*), seeded once per machine from the system.
class RandomFunction final : public FunctionObject {
public:
    RandomFunction(Object* proto, uint64_t seed) : FunctionObject(proto), state_(seed ? seed : 0x9E3779B97F4A7C15u) {}

    // Uniform in [0, 1) with 53 random bits.
    double next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return double((state_ * 0x2545F4914F6CDD1Du) >> 11) * 0x1.0p-53;
    }

private:
    uint64_t state_;
};

uint64_t random_seed() {
    uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        seed ^= (uint64_t(device()) << 32) ^ device();
    } catch (...) {
        // No system source: the clock alone seeds it.
    }
    return seed;
}

Value math_random(Vm& vm, Value, const Args& args) {
    double x, y;
    if (!operands(vm, args, x, y)) return Value();  // converted all the same (observed)
    auto* f = dynamic_cast<RandomFunction*>(args.callee);
    return f ? f->next() : 0.0;
}

}  // namespace

void install_math(Vm& vm) {
    constexpr uint16_t kConstant = DontEnum | DontDelete | ReadOnly;
    Object* math = vm.new_object();
    vm.define(vm.global, "Math", math);

    vm.define(math, "E", 2.718281828459045, kConstant);
    vm.define(math, "LN10", 2.302585092994046, kConstant);
    vm.define(math, "LN2", 0.6931471805599453, kConstant);
    vm.define(math, "LOG10E", 0.4342944819032518, kConstant);
    vm.define(math, "LOG2E", 1.4426950408889634, kConstant);
    vm.define(math, "PI", 3.141592653589793, kConstant);
    vm.define(math, "SQRT1_2", 0.7071067811865476, kConstant);
    vm.define(math, "SQRT2", 1.4142135623730951, kConstant);

    for (size_t row = 0; row < std::size(kFunctions); ++row) {
        FunctionObject* f = vm.define_method(math, kFunctions[row].name, math_function);
        f->native_data = double(row);
    }
    vm.define_method(math, "min", math_min_max<false>);
    vm.define_method(math, "max", math_min_max<true>);

    auto* random = vm.heap.make<RandomFunction>(vm.function_proto, random_seed());
    random->native = math_random;
    vm.define(math, "random", random);
}

}  // namespace swf::avm1
