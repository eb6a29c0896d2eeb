// setInterval, setTimeout and their clearing functions, on the player's clock.
#include "swf/avm1/runtime.h"

namespace swf::avm1 {

namespace {

// setInterval(fn, ms, args…) or setInterval(obj, "method", ms, args…).
Value add_timer(Vm& vm, const Args& args, bool repeat) {
    if (!vm.runtime || args.size() < 2) return Value();
    Value fn, self;
    Str* method = nullptr;
    int at;
    if (args[0].is_object() && args[0].o->kind == ObjKind::Function) {
        fn = args[0];
        at = 1;
    } else if (args[0].is_object() && args.size() >= 3) {
        self = args[0];
        method = vm.key(args[1]);
        at = 2;
    } else {
        return Value();
    }
    const double ms = vm.to_number(args[at]);
    std::vector<Value> extra(args.v + at + 1, args.v + std::max(args.n, at + 1));
    return double(vm.runtime->add_timer(fn, self, method, ms, std::move(extra), repeat));
}

Value set_interval(Vm& vm, Value, const Args& args) { return add_timer(vm, args, true); }
Value set_timeout(Vm& vm, Value, const Args& args) { return add_timer(vm, args, false); }

Value clear_timer(Vm& vm, Value, const Args& args) {
    if (vm.runtime && args.size() > 0) vm.runtime->clear_timer(vm.to_int32(args[0]));
    return Value();
}

Value update_after_event(Vm&, Value, const Args&) { return Value(); }

}  // namespace

void install_runtime_globals(Vm& vm) {
    vm.define_method(vm.global, "setInterval", set_interval);
    vm.define_method(vm.global, "clearInterval", clear_timer);
    vm.define_method(vm.global, "setTimeout", set_timeout, DontEnum | HideBelow8);
    vm.define_method(vm.global, "clearTimeout", clear_timer, DontEnum | HideBelow8);
    vm.define_method(vm.global, "updateAfterEvent", update_after_event);
}

}  // namespace swf::avm1
