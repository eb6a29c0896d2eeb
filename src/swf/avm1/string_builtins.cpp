// String: the constructor (a conversion when called without `new`), String.fromCharCode and the
// methods of String.prototype.
//
// Positions count UTF-16 code units, so a character outside the Basic Multilingual Plane takes
// two and a method can cut it in half (the half is kept as a lone surrogate). Strings are stored
// as UTF-8; an all-ASCII string is worked on byte by byte, where bytes and units agree. Numeric
// arguments go through ToInt32, so huge positions wrap (`charAt(4294967297)` is `charAt(1)`).
// indexOf, lastIndexOf, slice, substring and substr called with no argument at all return
// undefined, while charAt and charCodeAt read position 0 (observed).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "swf/avm1/builtins.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

// ---------------------------------------------------------------------------------------------
// Code units
// ---------------------------------------------------------------------------------------------

// The string `this` stands for: string primitives and String objects give their text, anything
// else its ToString.
Str* this_string(Vm& vm, const Value& self) {
    if (self.is_string()) return self.s;
    if (Object* o = self.object(); o && o->kind == ObjKind::String && o->primitive.is_string()) return o->primitive.s;
    return vm.to_string(self);
}

Str* make(Vm& vm, std::string_view bytes) { return vm.str(std::string(bytes)); }
Str* make(Vm& vm, std::u16string_view units) { return vm.str(utf16_to_utf8(units)); }

// Runs `f` on the code units of `s`: a std::string_view when the text is ASCII, else a
// std::u16string_view.
template <typename F>
auto with_units(Str* s, F&& f) {
    if (s->is_ascii()) return f(std::string_view(s->text));
    const std::u16string u = utf8_to_utf16(s->text);
    return f(std::u16string_view(u));
}

// The same for two strings that must be compared unit by unit.
template <typename F>
auto with_units(Str* s, Str* t, F&& f) {
    if (s->is_ascii() && t->is_ascii()) return f(std::string_view(s->text), std::string_view(t->text));
    const std::u16string u = utf8_to_utf16(s->text), v = utf8_to_utf16(t->text);
    return f(std::u16string_view(u), std::u16string_view(v));
}

size_t unit_count(Str* s) { return with_units(s, [](auto u) { return u.size(); }); }

// A position argument; `fallback` when it is missing or undefined.
int32_t position(Vm& vm, const Args& args, int i, int32_t fallback) {
    if (i >= args.size() || args[i].is_undefined()) return fallback;
    return vm.to_int32(args[i]);
}

// ---------------------------------------------------------------------------------------------
// Constructor and String.fromCharCode
// ---------------------------------------------------------------------------------------------

Value string_ctor(Vm& vm, Value self, const Args& args) {
    Str* s = args.size() > 0 ? vm.to_string(args[0]) : vm.names.empty;
    if (vm.throwing) return Value();
    if (!args.constructing) return s;
    Object* o = self.object();
    if (!o) return s;
    o->kind = ObjKind::String;
    o->primitive = s;
    vm.define(o, "length", double(unit_count(s)), DontEnum | DontDelete | ReadOnly);
    return Value();
}

Value string_from_char_code(Vm& vm, Value, const Args& args) {
    std::u16string u;
    for (int i = 0; i < args.size(); ++i) {
        const auto c = char16_t(vm.to_int32(args[i]) & 0xFFFF);
        if (vm.throwing) return Value();
        if (c == 0) break;  // the text ends at a NUL, as in the player's C strings
        u.push_back(c);
    }
    return make(vm, std::u16string_view(u));
}

// ---------------------------------------------------------------------------------------------
// String.prototype
// ---------------------------------------------------------------------------------------------

Value string_to_string(Vm&, Value self, const Args&) {
    if (self.is_string()) return self;
    if (Object* o = self.object(); o && o->kind == ObjKind::String) return o->primitive;
    // Not a string: handing back the object makes ToString fall back to "[type Object]"
    // instead of asking this method again.
    return self;
}

Value string_char_at(Vm& vm, Value self, const Args& args) {
    Str* s = this_string(vm, self);
    const int32_t i = position(vm, args, 0, 0);
    return with_units(s, [&](auto u) -> Value {
        if (i < 0 || size_t(i) >= u.size()) return vm.names.empty;
        return make(vm, u.substr(size_t(i), 1));
    });
}

Value string_char_code_at(Vm& vm, Value self, const Args& args) {
    Str* s = this_string(vm, self);
    const int32_t i = position(vm, args, 0, 0);
    return with_units(s, [&](auto u) -> Value {
        if (i < 0 || size_t(i) >= u.size()) return double(NAN);
        return double(uint32_t(u[size_t(i)]) & 0xFFFF);
    });
}

Value string_concat(Vm& vm, Value self, const Args& args) {
    std::string out = this_string(vm, self)->text;
    for (int i = 0; i < args.size(); ++i) {
        out += vm.to_string(args[i])->text;
        if (vm.throwing) return Value();
    }
    return vm.str(std::move(out));
}

Value string_index_of(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = this_string(vm, self);
    Str* sub = vm.to_string(args[0]);
    const int32_t from = std::max(position(vm, args, 1, 0), 0);
    return with_units(s, sub, [&](auto u, auto v) -> Value {
        // A start past the end finds nothing, not even the empty string.
        for (size_t i = size_t(from); i + v.size() <= u.size(); ++i)
            if (u.compare(i, v.size(), v) == 0) return double(i);
        return -1;
    });
}

Value string_last_index_of(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = this_string(vm, self);
    Str* sub = vm.to_string(args[0]);
    const int32_t from = position(vm, args, 1, INT32_MAX);
    return with_units(s, sub, [&](auto u, auto v) -> Value {
        if (from < 0 || v.size() > u.size()) return -1;
        for (size_t i = std::min(size_t(from), u.size() - v.size()) + 1; i-- > 0;)
            if (u.compare(i, v.size(), v) == 0) return double(i);
        return -1;
    });
}

// slice(start [, end]): negative positions count from the end.
Value string_slice(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = this_string(vm, self);
    const int32_t a = position(vm, args, 0, 0), b = position(vm, args, 1, INT32_MAX);
    return with_units(s, [&](auto u) -> Value {
        const int64_t n = int64_t(u.size());
        auto clamp = [n](int64_t p) { return std::clamp(p < 0 ? p + n : p, int64_t(0), n); };
        const int64_t start = clamp(a), end = clamp(b);
        if (start >= end) return vm.names.empty;
        return make(vm, u.substr(size_t(start), size_t(end - start)));
    });
}

// substring(a [, b]): negative positions are 0, and the smaller one starts.
Value string_substring(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = this_string(vm, self);
    const int32_t a = position(vm, args, 0, 0), b = position(vm, args, 1, INT32_MAX);
    return with_units(s, [&](auto u) -> Value {
        const int64_t n = int64_t(u.size());
        int64_t start = std::clamp(int64_t(a), int64_t(0), n), end = std::clamp(int64_t(b), int64_t(0), n);
        if (start > end) std::swap(start, end);
        return make(vm, u.substr(size_t(start), size_t(end - start)));
    });
}

// substr(start [, count]): a negative start counts from the end. A negative count has the length
// added to it, and then the piece must end before the string does: "hello world".substr(0, -1)
// is "hello worl", but .substr(8, -4) and .substr(3, -3) are "" (observed).
Value string_substr(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0) return Value();
    Str* s = this_string(vm, self);
    const int32_t a = position(vm, args, 0, 0);
    const bool has_count = args.size() > 1 && !args[1].is_undefined();
    const int32_t b = has_count ? vm.to_int32(args[1]) : 0;
    return with_units(s, [&](auto u) -> Value {
        const int64_t n = int64_t(u.size());
        int64_t start = a < 0 ? std::max(int64_t(a) + n, int64_t(0)) : std::min(int64_t(a), n);
        int64_t count = has_count ? int64_t(b) : n - start;
        if (count < 0) {
            count += n;
            if (count <= 0 || start + count >= n) return vm.names.empty;
        }
        count = std::min(count, n - start);
        if (count <= 0) return vm.names.empty;
        return make(vm, u.substr(size_t(start), size_t(count)));
    });
}

// split([separator [, limit]]): no separator (or undefined) gives the whole string whatever the
// limit; "" gives the units one by one; a limit of 0, less, or null gives an empty array.
Value string_split(Vm& vm, Value self, const Args& args) {
    Str* s = this_string(vm, self);
    ArrayObject* out = vm.new_array();
    if (args.size() == 0 || args[0].is_undefined()) {
        out->items.push_back(s);
        return out;
    }
    Str* sep = vm.to_string(args[0]);
    int64_t limit = INT64_MAX;
    if (args.size() > 1 && !args[1].is_undefined()) limit = vm.to_int32(args[1]);
    if (vm.throwing) return Value();
    if (limit <= 0) return out;
    with_units(s, sep, [&](auto u, auto v) {
        // Adds a piece; false once the limit is reached.
        auto add = [&](size_t from, size_t count) {
            out->items.push_back(make(vm, u.substr(from, count)));
            return int64_t(out->items.size()) < limit;
        };
        if (v.empty()) {
            for (size_t i = 0; i < u.size(); ++i)
                if (!add(i, 1)) return;
            return;
        }
        size_t begin = 0;
        for (size_t at = u.find(v); at != decltype(u)::npos; at = u.find(v, begin)) {
            if (!add(begin, at - begin)) return;
            begin = at + v.size();
        }
        add(begin, u.size() - begin);
    });
    return out;
}

// Case changes one UTF-16 unit for one by the player's own tables (convert.h).
Value string_to_upper_case(Vm& vm, Value self, const Args&) { return vm.str(to_upper(this_string(vm, self)->text)); }

Value string_to_lower_case(Vm& vm, Value self, const Args&) { return vm.str(to_lower(this_string(vm, self)->text)); }

}  // namespace

void install_string(Vm& vm) {
    Object* proto = vm.new_object();
    vm.string_proto = proto;
    FunctionObject* ctor = vm.make_class("String", string_ctor, proto);
    if (vm.function_ctor) vm.define(ctor, "constructor", vm.function_ctor);
    vm.define_method(ctor, "fromCharCode", string_from_char_code);

    vm.define_method(proto, "toString", string_to_string);
    vm.define_method(proto, "valueOf", string_to_string);
    vm.define_method(proto, "charAt", string_char_at);
    vm.define_method(proto, "charCodeAt", string_char_code_at);
    vm.define_method(proto, "concat", string_concat);
    vm.define_method(proto, "indexOf", string_index_of);
    vm.define_method(proto, "lastIndexOf", string_last_index_of);
    vm.define_method(proto, "slice", string_slice);
    vm.define_method(proto, "substring", string_substring);
    vm.define_method(proto, "substr", string_substr);
    vm.define_method(proto, "split", string_split);
    vm.define_method(proto, "toUpperCase", string_to_upper_case);
    vm.define_method(proto, "toLowerCase", string_to_lower_case);
}

}  // namespace swf::avm1
