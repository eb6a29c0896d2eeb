// ASnative, ASSetNative and ASSetNativeAccessor: the built-ins reached by number. Each category
// number stands for a family of built-ins and each index for one function of it; the families
// register the numbers they answer to (register_native) as they install.
//
// ASnative(category, index) takes exactly two arguments, both converted to 32-bit integers, and
// gives a new function object running that native, or undefined for an unknown pair.
// ASSetNative(object, category, "a,b,c", first) puts the natives first, first+1, ... on the
// object under those names (an empty name skips its number); ASSetNativeAccessor does the same
// with getter/setter pairs, two numbers per name.
#include <map>
#include <utility>

#include "swf/avm1/builtins.h"
#include "swf/avm1/native_data.h"

namespace swf::avm1 {

namespace {

class NativeTable final : public NativeData {
public:
    std::map<std::pair<int32_t, int32_t>, FunctionObject*> fns;
    void trace(Tracer& t) override {
        NativeData::trace(t);
        for (auto& [id, fn] : fns) t.mark(fn);
    }
};

NativeTable* native_table(Vm& vm) {
    for (const Value& v : vm.roots)
        if (auto* table = dynamic_cast<NativeTable*>(v.object())) return table;
    auto* table = vm.heap.make<NativeTable>();
    vm.roots.push_back(Value(static_cast<Object*>(table)));
    return table;
}

// A fresh function object running the registered native, or undefined.
Value native_function(Vm& vm, int32_t category, int32_t index) {
    NativeTable* table = native_table(vm);
    auto it = table->fns.find({category, index});
    if (it == table->fns.end()) return Value();
    FunctionObject* fn = vm.new_native(it->second->native);
    fn->native_data = it->second->native_data;
    return fn;
}

Value as_native(Vm& vm, Value, const Args& args) {
    if (args.size() != 2) return Value();
    const int32_t category = vm.to_int32(args[0]);
    if (vm.throwing) return Value();
    const int32_t index = vm.to_int32(args[1]);
    if (vm.throwing) return Value();
    return native_function(vm, category, index);
}

// The shared part of the two setters: calls `put(name, number)` for each name of the list.
template <typename Put>
Value set_natives(Vm& vm, const Args& args, int step, Put put) {
    Object* target = args[0].object();
    if (!target || args.size() < 3) return Value();
    const int32_t category = vm.to_int32(args[1]);
    if (vm.throwing) return Value();
    const std::string names = vm.to_std_string(args[2]);
    if (vm.throwing) return Value();
    const int32_t first = args.size() >= 4 ? vm.to_int32(args[3]) : 0;
    if (vm.throwing) return Value();
    int32_t index = first;
    size_t start = 0;
    while (start <= names.size()) {
        size_t comma = names.find(',', start);
        if (comma == std::string::npos) comma = names.size();
        const std::string name = names.substr(start, comma - start);
        if (!name.empty()) put(target, vm.intern(name), category, index);
        index += step;
        start = comma + 1;
    }
    return Value();
}

Value as_set_native(Vm& vm, Value, const Args& args) {
    return set_natives(vm, args, 1, [&](Object* o, Str* name, int32_t category, int32_t index) {
        Value fn = native_function(vm, category, index);
        if (fn.is_object()) o->put(name, fn, 0, vm.case_sensitive());
    });
}

Value as_set_native_accessor(Vm& vm, Value, const Args& args) {
    return set_natives(vm, args, 2, [&](Object* o, Str* name, int32_t category, int32_t index) {
        Value get = native_function(vm, category, index);
        if (!get.is_object()) return;
        AccessorPair* pair = vm.heap.make<AccessorPair>();
        pair->getter = get;
        Value set = native_function(vm, category, index + 1);
        pair->setter = set.is_object() ? set : Value::null();
        Value v;
        v.type = Type::Object;
        v.o = reinterpret_cast<Object*>(pair);
        o->put(name, v, Accessor, vm.case_sensitive());
    });
}

// trace() as a function (the action has no function object of its own).
Value native_trace(Vm& vm, Value, const Args& args) {
    const std::string line = vm.trace_string(args[0]);
    if (!vm.throwing) vm.host.trace(line);
    return Value();
}

FunctionObject* builtin_at(Vm& vm, Object* o, const char* name) {
    if (!o) return nullptr;
    Property* p = o->find_own(vm.intern(name), true);
    if (!p || (p->flags & Accessor) || !p->value.is_object() || p->value.o->kind != ObjKind::Function) return nullptr;
    auto* fn = static_cast<FunctionObject*>(p->value.o);
    return fn->native ? fn : nullptr;
}

}  // namespace

void register_native(Vm& vm, int32_t category, int32_t index, FunctionObject* fn) {
    if (fn && fn->native) native_table(vm)->fns[{category, index}] = fn;
}

void install_natives(Vm& vm) {
    register_native(vm, 100, 0, builtin_at(vm, vm.global, "escape"));
    register_native(vm, 100, 1, builtin_at(vm, vm.global, "unescape"));
    register_native(vm, 100, 4, vm.new_native(native_trace));
    register_native(vm, 103, 16, builtin_at(vm, vm.date_proto, "getTime"));
    vm.define_method(vm.global, "ASnative", as_native);
    vm.define_method(vm.global, "ASSetNative", as_set_native);
    vm.define_method(vm.global, "ASSetNativeAccessor", as_set_native_accessor);
}

}  // namespace swf::avm1
