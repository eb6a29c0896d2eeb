// Array: the constructor, the list methods and the two sorts.
//
// Real arrays (ArrayObject) are worked on through their dense `items`. The same methods called
// on any other object (Array.prototype.push.call(obj, ...)) read `length` and the index
// properties into a list, work on that, and write back what changed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "swf/avm1/builtins.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

// Longest list a method builds; ArrayObject refuses lengths from here on as well.
constexpr size_t kMaxItems = 10000000;

enum SortFlags : int {
    kCaseInsensitive = 1,
    kDescending = 2,
    kUniqueSort = 4,
    kReturnIndexedArray = 8,
    kNumeric = 16,
};

ArrayObject* as_array(const Value& v) {
    return v.is_object() && v.o->kind == ObjKind::Array ? static_cast<ArrayObject*>(v.o) : nullptr;
}

bool is_function(const Value& v) { return v.is_object() && v.o->kind == ObjKind::Function; }

Str* index_name(Vm& vm, size_t i) { return vm.intern(std::to_string(i)); }


// The list a method works on. For arrays it is the array's own storage; for other objects a
// copy made from `length` and the own index properties, written back by commit().
class Elements {
public:
    Elements(Vm& vm, const Value& self) : vm_(vm) {
        obj_ = self.is_object() ? self.o : vm.to_object(self);
        if (!obj_) return;
        if (obj_->kind == ObjKind::Array) {
            arr_ = static_cast<ArrayObject*>(obj_);
            return;
        }
        double n = vm.to_number(vm.get(obj_, vm.names.length));
        size_t len = 0;
        if (n > 0) len = n >= double(kMaxItems) ? kMaxItems : size_t(n);
        // Elements are the object's own data properties: Flash's array code saw neither the
        // prototype's elements nor getters (`{length: 3, __proto__: [1, 2, 3]}` joins as three
        // undefined).
        // They are taken from the property list, not asked for index by index: a `length` of
        // millions over a few properties must not mean millions of lookups.
        loaded_.assign(len, Value());
        for (const Property& p : obj_->properties()) {
            const int32_t i = p.name->array_index();
            if (i >= 0 && size_t(i) < len && !(p.flags & Accessor)) loaded_[size_t(i)] = p.value;
        }
        copy_ = loaded_;
    }

    bool ok() const { return obj_ != nullptr; }
    Object* object() const { return obj_; }
    std::vector<Value>& items() { return arr_ ? arr_->items : copy_; }

    // Writes a changed list back to a non-array object: changed indices, indices past the new
    // end removed, and the new length.
    void commit() {
        if (arr_ || !obj_) return;
        const bool cs = vm_.case_sensitive();
        for (size_t i = 0; i < copy_.size(); ++i)
            if (i >= loaded_.size() || !strictly_equal(copy_[i], loaded_[i])) vm_.set(obj_, index_name(vm_, i), copy_[i]);
        std::vector<Str*> gone;  // from the property list, as they were read
        for (const Property& p : obj_->properties()) {
            const int32_t i = p.name->array_index();
            if (i >= 0 && size_t(i) >= copy_.size() && size_t(i) < loaded_.size()) gone.push_back(p.name);
        }
        for (Str* name : gone) obj_->remove(name, cs);
        vm_.set(obj_, vm_.names.length, double(copy_.size()));
    }

private:
    Vm& vm_;
    Object* obj_ = nullptr;
    ArrayObject* arr_ = nullptr;
    std::vector<Value> loaded_, copy_;
};

ArrayObject* make_array(Vm& vm, std::vector<Value> items) {
    ArrayObject* a = vm.new_array();
    a->items = std::move(items);
    return a;
}

// A position argument as the methods read it: whole number, negative counts from the end,
// clamped into [0, len].
size_t position(Vm& vm, const Value& v, size_t len) {
    double d = double(vm.to_int32(v));
    if (d < 0) d += double(len);
    if (d < 0) return 0;
    return d > double(len) ? len : size_t(d);
}

// ---------------------------------------------------------------------------------------------
// Strings in UTF-16 code-unit order, straight from UTF-8.
// ---------------------------------------------------------------------------------------------
uint32_t decode_at(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return k < s.size() ? uint32_t(uint8_t(s[k])) : 0u; };
    uint32_t c = b(i);
    if (c < 0x80) return c;
    if (c >= 0xF0 && i + 3 < s.size())
        return ((c & 7) << 18) | ((b(i + 1) & 63) << 12) | ((b(i + 2) & 63) << 6) | (b(i + 3) & 63);
    if (c >= 0xE0 && i + 2 < s.size()) return ((c & 15) << 12) | ((b(i + 1) & 63) << 6) | (b(i + 2) & 63);
    if (c >= 0xC0 && i + 1 < s.size()) return ((c & 31) << 6) | (b(i + 1) & 63);
    return c;
}

// A code point as the UTF-16 unit sequence compares: supplementary characters sort by their
// surrogates, below U+E000..U+FFFF.
uint64_t unit_rank(uint32_t cp) {
    if (cp < 0x10000) return uint64_t(cp) << 16;
    cp -= 0x10000;
    return (uint64_t(0xD800 + (cp >> 10)) << 16) | (0xDC00 + (cp & 0x3FF));
}

int compare_units(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    if (i == n) return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    const uint8_t ca = uint8_t(a[i]), cb = uint8_t(b[i]);
    if (ca < 0x80 && cb < 0x80) return ca < cb ? -1 : 1;
    while (i > 0 && (uint8_t(a[i]) & 0xC0) == 0x80) --i;  // back to the start of the character
    const uint64_t ra = unit_rank(decode_at(a, i)), rb = unit_rank(decode_at(b, i));
    if (ra != rb) return ra < rb ? -1 : 1;
    return ca < cb ? -1 : 1;  // malformed bytes: byte order
}

std::string lower_key(std::string_view s) {
    bool ascii = true;
    for (char c : s)
        if (uint8_t(c) >= 0x80) ascii = false;
    if (!ascii) return to_lower(s);
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

// ---------------------------------------------------------------------------------------------
// Merge sort. Stable; never reads outside the list whatever the comparator answers; stops
// without a result when the comparator reports a failure. `cmp(a, b)` returns <0, 0 or >0 and
// sets `stop` to give up.
// ---------------------------------------------------------------------------------------------
template <typename Cmp>
bool merge_sort(std::vector<uint32_t>& order, Cmp&& cmp, bool& stop, size_t run) {
    const size_t n = order.size();
    if (n < 2) return !stop;
    // Insertion-sorted runs first (a run of 1 makes this a plain merge sort, fewest calls).
    for (size_t lo = 0; lo < n; lo += run) {
        const size_t hi = std::min(n, lo + run);
        for (size_t i = lo + 1; i < hi; ++i) {
            uint32_t x = order[i];
            size_t j = i;
            while (j > lo) {
                int c = cmp(order[j - 1], x);
                if (stop) return false;
                if (c <= 0) break;
                order[j] = order[j - 1];
                --j;
            }
            order[j] = x;
        }
    }
    std::vector<uint32_t> buf(n);
    std::vector<uint32_t>* from = &order;
    std::vector<uint32_t>* to = &buf;
    for (size_t width = run; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(n, lo + width), hi = std::min(n, lo + 2 * width);
            uint32_t* src = from->data();
            uint32_t* dst = to->data();
            if (mid == hi) {
                std::copy(src + lo, src + hi, dst + lo);
                continue;
            }
            // Already in order: one comparison instead of a merge.
            int c = cmp(src[mid - 1], src[mid]);
            if (stop) return false;
            if (c <= 0) {
                std::copy(src + lo, src + hi, dst + lo);
                continue;
            }
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                int d = cmp(src[j], src[i]);
                if (stop) return false;
                dst[k++] = d < 0 ? src[j++] : src[i++];
            }
            while (i < mid) dst[k++] = src[i++];
            while (j < hi) dst[k++] = src[j++];
        }
        std::swap(from, to);
    }
    if (from != &order) order.swap(buf);
    return true;
}

// How elements compare under one set of flags, with the keys worked out once per element.
struct KeyColumn {
    int flags = 0;
    std::vector<double> numbers;           // NUMERIC
    std::vector<std::string_view> texts;   // otherwise: into the strings below or heap strings
    std::vector<std::string> folded;       // CASEINSENSITIVE keys
    // The first 8 bytes of each text, big-endian and zero-padded, when they are ASCII (where
    // byte order is code-unit order): most comparisons end here without touching the strings.
    std::vector<uint64_t> prefixes;
    std::vector<uint8_t> has_prefix;

    // Heap strings made here stay alive: no collection runs while a native is on the stack.
    void build(Vm& vm, const std::vector<Value>& values, int f) {
        flags = f;
        if (flags & kNumeric) {
            numbers.reserve(values.size());
            for (const Value& v : values) numbers.push_back(v.is_number() ? v.n : vm.to_number(v));
            return;
        }
        texts.reserve(values.size());
        if (flags & kCaseInsensitive) {
            folded.reserve(values.size());
            for (const Value& v : values) folded.push_back(lower_key(vm.to_string(v)->text));
            for (const std::string& k : folded) texts.push_back(k);
        } else {
            for (const Value& v : values) texts.push_back(vm.to_string(v)->text);
        }
        prefixes.resize(texts.size());
        has_prefix.resize(texts.size());
        for (size_t i = 0; i < texts.size(); ++i) {
            uint64_t p = 0;
            bool ascii = true;
            for (size_t k = 0; k < 8; ++k) {
                const uint8_t c = k < texts[i].size() ? uint8_t(texts[i][k]) : 0;
                ascii = ascii && c < 0x80;
                p = (p << 8) | c;
            }
            prefixes[i] = p;
            has_prefix[i] = ascii;
        }
    }

    // Ascending order, before DESCENDING: NaN after every number.
    int compare(uint32_t a, uint32_t b) const {
        int c;
        if (flags & kNumeric) {
            const double x = numbers[a], y = numbers[b];
            if (x < y) c = -1;
            else if (x > y) c = 1;
            else if (x == y) c = 0;
            else c = std::isnan(x) ? (std::isnan(y) ? 0 : 1) : -1;
        } else if (prefixes[a] != prefixes[b] && has_prefix[a] && has_prefix[b]) {
            c = prefixes[a] < prefixes[b] ? -1 : 1;
        } else {
            c = compare_units(texts[a], texts[b]);
        }
        return flags & kDescending ? -c : c;
    }
};

// Sorts `values` (the list as it was when the sort began) by the comparator, then applies the
// result flags: UNIQUESORT answers 0 when two elements compared equal, RETURNINDEXEDARRAY
// answers the order as a new array and leaves the list alone. Otherwise the list is rearranged
// and `self` returned. A comparator that throws leaves the list as it was.
template <typename Cmp>
Value finish_sort(Vm& vm, Elements& el, const Value& self, const std::vector<Value>& values, int flags, Cmp&& cmp,
                  bool& stop, size_t run) {
    std::vector<uint32_t> order(values.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    bool equal_seen = false;
    auto counting = [&](uint32_t a, uint32_t b) {
        int c = cmp(a, b);
        if (c == 0) equal_seen = true;
        return c;
    };
    if (!merge_sort(order, counting, stop, run)) return Value();
    // Any two elements that end up side by side were compared, so a tie shows up above.
    if ((flags & kUniqueSort) && equal_seen) return 0.0;
    if (flags & kReturnIndexedArray) {
        std::vector<Value> idx;
        idx.reserve(order.size());
        for (uint32_t i : order) idx.push_back(double(i));
        return make_array(vm, std::move(idx));
    }
    std::vector<Value>& items = el.items();
    items.resize(order.size());
    for (size_t i = 0; i < order.size(); ++i) items[i] = values[order[i]];
    el.commit();
    return self.is_object() ? self : Value(el.object());
}

// ---------------------------------------------------------------------------------------------
// Constructor
// ---------------------------------------------------------------------------------------------
Value array_ctor(Vm& vm, Value self, const Args& args) {
    ArrayObject* a = vm.new_array();
    if (args.size() == 1 && args[0].is_number()) {
        const int32_t n = to_int32(args[0].n);
        if (n > 0 && size_t(n) < kMaxItems) a->set_length(size_t(n));
    } else {
        a->items.assign(args.v, args.v + args.size());
    }
    // `new` put the hidden constructor links on the object it made; the array takes its place.
    if (args.constructing && self.is_object())
        for (const Property& p : self.o->properties())
            if (!(p.flags & Accessor)) a->put(p.name, p.value, p.flags, true);
    return a;
}

// ---------------------------------------------------------------------------------------------
// Methods
// ---------------------------------------------------------------------------------------------
Value array_push(Vm& vm, Value self, const Args& args) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    auto& items = el.items();
    if (items.size() + size_t(args.size()) > kMaxItems) return double(items.size());
    items.insert(items.end(), args.v, args.v + args.size());
    const double n = double(items.size());
    el.commit();
    return n;
}

Value array_pop(Vm& vm, Value self, const Args&) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    auto& items = el.items();
    if (items.empty()) return Value();
    Value v = items.back();
    items.pop_back();
    el.commit();
    return v;
}

Value array_shift(Vm& vm, Value self, const Args&) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    auto& items = el.items();
    if (items.empty()) return Value();
    Value v = items.front();
    items.erase(items.begin());
    el.commit();
    return v;
}

Value array_unshift(Vm& vm, Value self, const Args& args) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    auto& items = el.items();
    if (items.size() + size_t(args.size()) > kMaxItems) return double(items.size());
    items.insert(items.begin(), args.v, args.v + args.size());
    const double n = double(items.size());
    el.commit();
    return n;
}

// splice(start [, count [, items...]]): the removed elements as a new array. No start, an
// undefined start or count, or a negative count change nothing and answer undefined.
Value array_splice(Vm& vm, Value self, const Args& args) {
    if (args.size() == 0 || args[0].is_undefined()) return Value();
    if (args.size() >= 2 && args[1].is_undefined()) return Value();
    Elements el(vm, self);
    if (!el.ok()) return Value();
    const size_t len = el.items().size();
    const size_t start = position(vm, args[0], len);
    size_t count = len - start;
    if (args.size() >= 2) {
        const int32_t c = vm.to_int32(args[1]);
        if (c < 0) return Value();
        count = std::min(count, size_t(c));
    }
    auto& items = el.items();  // after the conversions, which can run script
    if (items.size() != len) return Value();
    if (items.size() - count + size_t(std::max(0, args.size() - 2)) > kMaxItems) return Value();
    std::vector<Value> removed(items.begin() + start, items.begin() + start + count);
    items.erase(items.begin() + start, items.begin() + start + count);
    if (args.size() > 2) items.insert(items.begin() + start, args.v + 2, args.v + args.size());
    el.commit();
    return make_array(vm, std::move(removed));
}

// slice(start [, end]): a new array; an undefined end means the end of the list.
Value array_slice(Vm& vm, Value self, const Args& args) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    const size_t len = el.items().size();
    const size_t start = position(vm, args[0], len);
    const size_t end = args[1].is_undefined() ? len : position(vm, args[1], len);
    const auto& items = el.items();
    std::vector<Value> out;
    if (end > start && end <= items.size()) out.assign(items.begin() + start, items.begin() + end);
    return make_array(vm, std::move(out));
}

// Lists being joined right now: one that holds itself (directly or further down) joins as ""
// where it recurs.
thread_local std::vector<Object*> joining;

Value join_list(Vm& vm, Elements& el, std::string_view sep) {
    if (std::find(joining.begin(), joining.end(), el.object()) != joining.end() || joining.size() > 256)
        return vm.names.empty;
    const std::vector<Value> items = el.items();  // element toString() calls may change the list
    joining.push_back(el.object());
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += sep;
        out += vm.to_string(items[i])->text;
    }
    joining.pop_back();
    return vm.str(std::move(out));
}

Value array_join(Vm& vm, Value self, const Args& args) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    const std::string sep = args[0].is_undefined() ? std::string(",") : vm.to_string(args[0])->text;
    return join_list(vm, el, sep);
}

Value array_to_string(Vm& vm, Value self, const Args&) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    return join_list(vm, el, ",");
}

// concat(v...): a new array of this list's elements and the arguments, arrays among them
// contributing their elements (one level only).
Value array_concat(Vm& vm, Value self, const Args& args) {
    Elements el(vm, self);
    std::vector<Value> out;
    if (el.ok()) out = el.items();
    for (int i = 0; i < args.size(); ++i) {
        if (ArrayObject* a = as_array(args[i])) {
            if (out.size() + a->items.size() > kMaxItems) break;
            out.insert(out.end(), a->items.begin(), a->items.end());
        } else {
            out.push_back(args[i]);
        }
    }
    return make_array(vm, std::move(out));
}

Value array_reverse(Vm& vm, Value self, const Args&) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    std::reverse(el.items().begin(), el.items().end());
    el.commit();
    return self.is_object() ? self : Value(el.object());
}

// sort([compare] [, flags]) or sort(flags).
Value array_sort(Vm& vm, Value self, const Args& args) {
    Elements el(vm, self);
    if (!el.ok()) return Value();
    Value fn;
    int flags = 0;
    if (is_function(args[0])) {
        fn = args[0];
        if (args.size() > 1) flags = vm.to_int32(args[1]);
    } else if (args[0].is_number()) {
        flags = vm.to_int32(args[0]);
    } else if (args.size() > 1) {
        flags = vm.to_int32(args[1]);
    }
    bool stop = false;
    const std::vector<Value> values = el.items();  // script run from here on may change the list
    if (fn.is_undefined()) {
        KeyColumn keys;
        keys.build(vm, values, flags);
        if (vm.throwing || vm.aborting) return Value();
        return finish_sort(vm, el, self, values, flags, [&](uint32_t a, uint32_t b) { return keys.compare(a, b); },
                           stop, 16);
    }
    auto cmp = [&](uint32_t a, uint32_t b) {
        Value argv[2] = {values[a], values[b]};
        Value r = vm.call(fn, Value::null(), argv, 2);
        double d = r.is_number() ? r.n : vm.to_number(r);
        if (vm.throwing || vm.aborting) {
            stop = true;
            return 0;
        }
        int c = d < 0 ? -1 : d > 0 ? 1 : 0;  // NaN counts as equal
        return flags & kDescending ? -c : c;
    };
    return finish_sort(vm, el, self, values, flags, cmp, stop, 1);
}

// sortOn(field | [fields] [, flags | [flags per field]]): orders elements by their named
// properties, later fields breaking ties of earlier ones.
Value array_sort_on(Vm& vm, Value self, const Args& args) {
    Elements el(vm, self);
    if (!el.ok() || args.size() == 0) return Value();
    std::vector<Str*> fields;
    if (ArrayObject* names = as_array(args[0])) {
        for (const Value& v : std::vector<Value>(names->items)) fields.push_back(vm.key(v));
    } else {
        fields.push_back(vm.key(args[0]));
    }
    if (fields.empty()) return self.is_object() ? self : Value(el.object());
    std::vector<int> field_flags(fields.size(), 0);
    int flags = 0;
    if (ArrayObject* fa = as_array(args[1])) {
        std::vector<Value> fv = fa->items;
        // One flags value per field; a list of another length is not used.
        if (fv.size() == fields.size()) {
            for (size_t i = 0; i < fv.size(); ++i) field_flags[i] = vm.to_int32(fv[i]);
            flags = field_flags[0];
        }
    } else if (!args[1].is_undefined()) {
        flags = vm.to_int32(args[1]);
        std::fill(field_flags.begin(), field_flags.end(), flags);
    }
    const std::vector<Value> values = el.items();
    std::vector<KeyColumn> columns(fields.size());
    for (size_t f = 0; f < fields.size(); ++f) {
        std::vector<Value> keys;
        keys.reserve(values.size());
        for (const Value& v : values) keys.push_back(v.is_nullish() ? Value() : vm.get(v, fields[f]));
        columns[f].build(vm, keys, field_flags[f]);
        if (vm.throwing || vm.aborting) return Value();
    }
    bool stop = false;
    auto cmp = [&](uint32_t a, uint32_t b) {
        for (const KeyColumn& c : columns)
            if (int r = c.compare(a, b)) return r;
        return 0;
    };
    return finish_sort(vm, el, self, values, flags, cmp, stop, 16);
}

}  // namespace

void install_array(Vm& vm) {
    Object* proto = vm.new_object(vm.object_proto);
    vm.array_proto = proto;
    FunctionObject* ctor = vm.make_class("Array", array_ctor, proto);
    vm.array_ctor = ctor;

    vm.define_method(proto, "push", array_push);
    vm.define_method(proto, "pop", array_pop);
    vm.define_method(proto, "concat", array_concat);
    vm.define_method(proto, "shift", array_shift);
    vm.define_method(proto, "unshift", array_unshift);
    vm.define_method(proto, "slice", array_slice);
    vm.define_method(proto, "join", array_join);
    vm.define_method(proto, "splice", array_splice);
    vm.define_method(proto, "toString", array_to_string);
    vm.define_method(proto, "sort", array_sort);
    vm.define_method(proto, "reverse", array_reverse);
    vm.define_method(proto, "sortOn", array_sort_on);

    const uint16_t constant = DontEnum | DontDelete | ReadOnly;
    vm.define(ctor, "CASEINSENSITIVE", double(kCaseInsensitive), constant);
    vm.define(ctor, "DESCENDING", double(kDescending), constant);
    vm.define(ctor, "UNIQUESORT", double(kUniqueSort), constant);
    vm.define(ctor, "RETURNINDEXEDARRAY", double(kReturnIndexedArray), constant);
    vm.define(ctor, "NUMERIC", double(kNumeric), constant);
}

}  // namespace swf::avm1
