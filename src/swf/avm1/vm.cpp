// The machine's core: start-up, conversions, property access and calls.
#include "swf/avm1/vm.h"

#include <algorithm>
#include <cmath>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/interpreter.h"

namespace swf::avm1 {

namespace {
// How far a prototype chain is followed: chains made into loops by scripts end here.
constexpr int kMaxChain = 256;
}  // namespace

Vm::Vm(Host& h, int v) : host(h), version(v) {
#define SWF_AVM1_NAME_INIT(n, text) names.n = heap.intern(text);
    SWF_AVM1_NAMES(SWF_AVM1_NAME_INIT)
#undef SWF_AVM1_NAME_INIT
    started = std::chrono::steady_clock::now();
    install_builtins();
}

Vm::~Vm() = default;

void Vm::install_builtins() {
    object_proto = heap.make<Object>(nullptr);
    function_proto = heap.make<Object>(object_proto);  // a plain object: typeof gives "object"
    global = heap.make<Object>(nullptr);  // bare: no toString, no valueOf
    install_object(*this);
    install_globals(*this);
    install_string(*this);
    install_number(*this);
    install_math(*this);
    install_array(*this);
    install_date(*this);
    install_error(*this);
    install_movieclip(*this);
    install_system(*this);
    install_color(*this);
    install_geom(*this);
    install_shared_object(*this);
    install_xml(*this);
    install_sound(*this);
    install_filters(*this);
    install_bitmapdata(*this);
    install_textsnapshot(*this);
    install_net(*this);
    install_file_reference(*this);
    install_player_classes(*this);
    install_stylesheet(*this);
    // Last: it looks up the functions the others installed.
    install_natives(*this);
}

// ---------------------------------------------------------------------------------------------
// Objects
// ---------------------------------------------------------------------------------------------
Object* Vm::new_object(Object* proto) { return heap.make<Object>(proto); }

ArrayObject* Vm::new_array() { return heap.make<ArrayObject>(array_proto); }

FunctionObject* Vm::new_native(NativeFn fn, Object* proto_for_new) {
    FunctionObject* f = heap.make<FunctionObject>(function_proto);
    f->native = fn;
    if (proto_for_new) {
        define(f, "prototype", proto_for_new, DontEnum | DontDelete);
        define(proto_for_new, "constructor", f, DontEnum | DontDelete);
    }
    return f;
}

void Vm::define(Object* o, std::string_view name, const Value& v, uint16_t flags) {
    o->put(intern(name), v, flags, true);
}

FunctionObject* Vm::define_method(Object* o, std::string_view name, NativeFn fn, uint16_t flags) {
    FunctionObject* f = new_native(fn);
    define(o, name, f, flags);
    return f;
}

FunctionObject* Vm::make_class(std::string_view global_name, NativeFn ctor, Object* proto) {
    FunctionObject* f = new_native(ctor, proto);
    if (!global_name.empty()) define(global, global_name, f, DontEnum);
    return f;
}

// ---------------------------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------------------------
Str* Vm::number_string(double n) {
    if (n == 0) return intern("0");
    if (n >= 0 && n < 10 && n == double(int(n))) {
        char c[2] = {char('0' + int(n)), 0};
        return intern(c);
    }
    return str(number_to_string(n));
}

double Vm::to_number(const Value& v) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null: return version >= 7 ? NAN : 0.0;
    case Type::Bool: return v.b ? 1 : 0;
    case Type::Number: return v.n;
    case Type::String: return string_to_number(v.s->text, version);
    case Type::Object: {
        if (is_display_object(v.o)) return NAN;
        Value p = call_method(v, names.valueOf, {});
        if (p.is_object()) return NAN;
        if (p.is_undefined() && version < 7) return 0;
        return to_number(p);
    }
    }
    return NAN;
}

int32_t Vm::to_int32(const Value& v) { return swf::avm1::to_int32(to_number(v)); }

Str* Vm::to_string(const Value& v) {
    switch (v.type) {
    case Type::Undefined: return version >= 7 ? names.undefined_ : names.empty;
    case Type::Null: return names.null_;
    case Type::Bool: return v.b ? names.true_ : names.false_;
    case Type::Number: return number_string(v.n);
    case Type::String: return v.s;
    case Type::Object: {
        if (is_display_object(v.o)) return str(display_path(*this, v.o, false));
        // Only a string from toString counts; anything else prints as the object's type.
        Value r = call_method(v, names.toString, {});
        if (r.is_string()) return r.s;
        if (v.o->kind == ObjKind::Function) return intern("[type Function]");
        return intern("[type Object]");
    }
    }
    return names.empty;
}

std::string Vm::trace_string(const Value& v) {
    if (v.is_undefined()) return "undefined";
    return to_string(v)->text;
}

bool Vm::to_boolean(const Value& v) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null: return false;
    case Type::Bool: return v.b;
    case Type::Number: return !(v.n == 0 || std::isnan(v.n));
    case Type::String:
        if (version >= 7) return !v.s->text.empty();
        {
            double n = string_to_number(v.s->text, version);
            return !(n == 0 || std::isnan(n));
        }
    case Type::Object: return true;
    }
    return false;
}

Value Vm::to_primitive(const Value& v, bool prefer_string) {
    if (!v.is_object()) return v;
    if (is_display_object(v.o)) return str(display_path(*this, v.o, false));
    if (!prefer_string) {
        Value r = call_method(v, names.valueOf, {});
        if (!r.is_object() && !(r.is_undefined() && !find(v.o, names.valueOf))) return r;
    }
    if (!find(v.o, names.toString) && !find(v.o, names.valueOf)) return Value();
    return to_string(v);
}

Object* Vm::to_object(const Value& v) {
    switch (v.type) {
    case Type::Object: return v.o;
    case Type::String: {
        Object* o = heap.make<Object>(string_proto, ObjKind::String);
        o->primitive = v;
        o->put(names.length, get(v, names.length), DontEnum, true);
        return o;
    }
    case Type::Number: {
        Object* o = heap.make<Object>(number_proto, ObjKind::Number);
        o->primitive = v;
        return o;
    }
    case Type::Bool: {
        Object* o = heap.make<Object>(boolean_proto, ObjKind::Boolean);
        o->primitive = v;
        return o;
    }
    default: return nullptr;
    }
}

Str* Vm::type_of(const Value& v) {
    switch (v.type) {
    case Type::Undefined: return names.undefined_;
    case Type::Null: return names.null_;
    case Type::Bool: return names.boolean_type;
    case Type::Number: return names.number_type;
    case Type::String: return names.string_type;
    case Type::Object:
        if (v.o->kind == ObjKind::Clip) return names.movieclip_type;
        if (v.o->kind == ObjKind::Function) return names.function_type;
        return names.object_type;
    }
    return names.undefined_;
}

// ---------------------------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------------------------
Str* Vm::key_of(const Value& name) {
    if (name.is_string()) return name.s->interned ? name.s : intern(name.s->text);
    return intern(to_string(name)->text);
}

Property* Vm::find(Object* o, Str* name, Object** holder) {
    const bool cs = case_sensitive();
    const uint16_t hidden = hidden_mask(version);
    for (int i = 0; o && i < kMaxChain; ++i, o = o->proto) {
        Property* p = o->find_own(name, cs);
        if (p && !(p->flags & hidden)) {
            if (holder) *holder = o;
            return p;
        }
    }
    return nullptr;
}

Watch* Vm::find_watch(Object* o, Str* name) {
    if (!o->watches) return nullptr;
    const bool cs = case_sensitive();
    for (Watch& w : *o->watches)
        if (cs ? w.name == name : w.name->folded == name->folded) return &w;
    return nullptr;
}

bool Vm::watch_saturated(Object* o, Str* name) {
    const Watch* w = o->watches ? find_watch(o, name) : nullptr;
    return w && w->depth >= kMaxWatchDepth;
}

Value Vm::get(Object* obj, Str* name) {
    const bool cs = case_sensitive();
    if (name == names.__proto__ || (!cs && name->folded == names.__proto__)) return obj->proto ? Value(obj->proto) : Value();
    const uint16_t hidden = hidden_mask(version);
    Object* o = obj;
    for (int i = 0; o; ++i, o = o->proto) {
        if (i == kMaxChain) {
            // A prototype chain that loops: the script stops, as in the original.
            host.error("A script read through a prototype chain that loops and was stopped.");
            aborting = true;
            return Value();
        }
        Value out;
        if (o->get_virtual(*this, name, out)) return out;
        Property* p = o->find_own(name, cs);
        if (p && !(p->flags & hidden)) {
            if (p->flags & Accessor) {
                auto* pair = reinterpret_cast<AccessorPair*>(p->value.o);
                if (watch_saturated(obj, name)) return pair->raw;
                return call_accessor(pair, false, obj, nullptr, 0);
            }
            return p->value;
        }
    }
    return Value();
}

Value Vm::get(const Value& v, Str* name) {
    if (v.is_object()) return get(v.o, name);
    if (v.is_nullish()) return Value();
    if (v.is_string() && name == names.length) {
        Str* s = v.s;
        if (version >= 6 && !s->is_ascii()) return double(utf8_to_utf16(s->text).size());
        return double(s->text.size());
    }
    Object* proto = v.is_string() ? string_proto : v.is_number() ? number_proto : boolean_proto;
    // Built-in members of primitives are found without boxing; getters see a boxed value.
    Property* p = find(proto, name);
    if (p && !(p->flags & Accessor)) return p->value;
    if (name == names.__proto__) return proto;
    return get(to_object(v), name);
}

void Vm::set(Object* o, Str* name, const Value& v0) {
    if (name->text.empty()) return;  // a property with no name cannot be made
    const bool cs = case_sensitive();
    if (name == names.__proto__ || (!cs && name->folded == names.__proto__)) {
        o->proto = v0.object();
        return;
    }
    Value v = v0;
    if (Watch* w = find_watch(o, name); w && w->depth < kMaxWatchDepth) {
        // The watcher is told what the slot holds; a getter is not run for it.
        Property* p = find(o, name);
        Value old = p && (p->flags & Accessor) ? reinterpret_cast<AccessorPair*>(p->value.o)->raw : get(o, name);
        Value args[4] = {name, old, v, w->data};
        Value callback = w->callback;
        ++w->depth;
        v = call(callback, o, args, 4);
        // The callback may have unwatched or replaced the entry; look it up again.
        if (Watch* after = find_watch(o, name); after && after->depth > 0) --after->depth;
    }
    const bool saturated = watch_saturated(o, name);
    if (o->set_virtual(*this, name, v)) return;
    Property* own = o->find_own(name, cs);
    // A property this version cannot see is written over as a new one.
    if (own && (own->flags & hidden_mask(version))) own = nullptr;
    if (own) {
        if (own->flags & Accessor) {
            auto* pair = reinterpret_cast<AccessorPair*>(own->value.o);
            if (saturated)
                pair->raw = v;
            else
                call_accessor(pair, true, o, &v, 1);
            return;
        }
        if (own->flags & ReadOnly) return;
        own->value = v;
        return;
    }
    // A setter up the chain takes the write.
    Object* holder = nullptr;
    Property* p = o->proto ? find(o->proto, name, &holder) : nullptr;
    if (p && (p->flags & Accessor)) {
        auto* pair = reinterpret_cast<AccessorPair*>(p->value.o);
        if (saturated)
            pair->raw = v;
        else
            call_accessor(pair, true, o, &v, 1);
        return;
    }
    o->put(name, v, 0, cs);
}

bool Vm::has_property(Object* o, Str* name) {
    for (int i = 0; o && i < kMaxChain; ++i, o = o->proto) {
        if (o->has_virtual(*this, name)) return true;
        Value out;
        Property* p = o->find_own(name, case_sensitive());
        if (p && !(p->flags & hidden_mask(version))) return true;
    }
    return false;
}

std::vector<Str*> Vm::enumerate(Object* o) {
    // Own names newest first, then each prototype's; a name is listed once.
    std::vector<Str*> out;
    std::vector<Str*> seen;
    auto listed = [&](Str* n) {
        for (Str* s : seen)
            if (case_sensitive() ? s == n : s->folded == n->folded) return true;
        return false;
    };
    for (int i = 0; o && i < kMaxChain; ++i, o = o->proto) {
        std::vector<Str*> extra;
        o->list_virtual(*this, extra);
        const auto& props = o->properties();
        // A clip's children come after its variables.
        std::vector<Str*> level(extra.begin(), extra.end());
        for (const Property& p : props) level.push_back(p.name);
        for (auto it = level.rbegin(); it != level.rend(); ++it) {
            Str* n = *it;
            if (listed(n)) continue;
            seen.push_back(n);
            Property* p = o->find_own(n, case_sensitive());
            if (p && (p->flags & DontEnum)) continue;
            out.push_back(n);
        }
    }
    return out;
}

bool Vm::instance_of(Object* o, Object* ctor) {
    if (!o || !ctor) return false;
    Object* target = get(ctor, names.prototype).object();
    int steps = 0;
    for (Object* p = o->proto; p && steps < kMaxChain; p = p->proto, ++steps) {
        if (p == target) return true;
        // Interfaces named by ImplementsOp are kept on the class's prototype; an interface may
        // itself extend others.
        std::vector<Object*> pending(p->interfaces.begin(), p->interfaces.end());
        for (size_t i = 0; i < pending.size() && i < 256; ++i) {
            if (pending[i] == ctor) return true;
            if (Object* ip = get(pending[i], names.prototype).object())
                pending.insert(pending.end(), ip->interfaces.begin(), ip->interfaces.end());
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Calls
// ---------------------------------------------------------------------------------------------
Value Vm::call(const Value& fn, const Value& self, const Value* args, int argc) {
    auto* f = fn.is_object() && fn.o->kind == ObjKind::Function ? static_cast<FunctionObject*>(fn.o) : nullptr;
    if (!f || aborting) return Value();
    if (f->native) {
        Args a{args, argc, false, f};
        ++runs;
        ++native_depth;
        Value r = f->native(*this, self, a);
        --native_depth;
        return r;
    }
    return call_script(*this, f, self, args, argc, nullptr);
}

// A getter or setter that reaches itself stops after this many levels. Each half of each property
// counts on its own: a getter and setter calling each other run twice as deep. A written value also
// lands in the plain slot once the setter is done, so the outermost write is what a stopped getter
// reads back.
Value Vm::call_accessor(AccessorPair* pair, bool setter, const Value& self, const Value* args, int argc) {
    constexpr int kMaxAccessorDepth = 65;
    int& depth = setter ? pair->set_depth : pair->get_depth;
    Value r;
    if (depth < kMaxAccessorDepth) {
        ++depth;
        // The script may delete the property meanwhile; keep the pair alive until the count is undone.
        roots.push_back(Value(reinterpret_cast<Object*>(pair)));
        r = call(setter ? pair->setter : pair->getter, self, args, argc);
        roots.pop_back();
        --depth;
    } else if (!setter) {
        return pair->raw;
    }
    if (setter) pair->raw = argc > 0 ? args[0] : Value();
    return r;
}

Value Vm::call_method(const Value& obj, Str* name, std::initializer_list<Value> args) {
    Value fn = get(obj, name);
    if (!fn.is_object()) return Value();
    Value self = obj.is_object() ? obj : Value(to_object(obj));
    return call(fn, self, args.begin(), int(args.size()));
}

Value Vm::construct(const Value& ctor, const Value* args, int argc) {
    auto* f = ctor.is_object() && ctor.o->kind == ObjKind::Function ? static_cast<FunctionObject*>(ctor.o) : nullptr;
    if (!f) return Value();
    Value proto = get(f, names.prototype);
    Object* o = new_object(proto.object());
    o->put(names.__constructor__, f, DontEnum, true);
    if (version <= 6) o->put(names.constructor, f, DontEnum, true);
    if (f->native) {
        Args a{args, argc, true, f};
        ++native_depth;
        reject_construction = false;
        Value r = f->native(*this, o, a);
        --native_depth;
        if (reject_construction) {
            reject_construction = false;
            return Value();
        }
        if (r.is_object()) return r;
        return o;
    }
    call_script(*this, f, o, args, argc, nullptr);
    return o;
}

void ValueStack::grow() {
    const size_t n = size();
    std::vector<Value> bigger(std::max<size_t>(64, store_.size() * 2));
    std::copy(base_, top_, bigger.begin());
    store_.swap(bigger);
    base_ = store_.data();
    top_ = base_ + n;
    end_ = base_ + store_.size();
}

void Vm::new_tick() {
    stack.clear();
    for (Value& r : regs) r = Value();
}

// ---------------------------------------------------------------------------------------------
// Collection
// ---------------------------------------------------------------------------------------------
void Vm::collect() {
    heap.collect([this](Tracer& t) {
#define SWF_AVM1_NAME_MARK(n, text) t.mark_str(names.n);
        SWF_AVM1_NAMES(SWF_AVM1_NAME_MARK)
#undef SWF_AVM1_NAME_MARK
        for (Object* o : {global, object_proto, function_proto, array_proto, string_proto, number_proto,
                          boolean_proto, date_proto, movieclip_proto, button_proto, textfield_proto, error_proto,
                          object_ctor, array_ctor, function_ctor})
            t.mark(o);
        for (auto& [name, v] : registered_classes) t.mark(v);
        for (Value& v : roots) t.mark(v);
        for (Value& v : stack) t.mark(v);
        for (Value& v : regs) t.mark(v);
        t.mark(exception);
        for (auto& [key, code] : code_cache) {
            for (Str* s : code->strings) t.mark_str(s);
            for (auto& p : code->pushes) t.mark(p.value);
            for (auto& pool : code->pools)
                for (Str* s : pool) t.mark_str(s);
            for (auto& f : code->funcs) {
                t.mark_str(f.name);
                for (Str* s : f.params) t.mark_str(s);
            }
            for (auto& tr : code->tries) t.mark_str(tr.name);
        }
        trace_exec_states(*this, t);
        if (mark_host_roots) mark_host_roots(t);
    });
}

void Vm::maybe_collect() {
    if (native_depth == 0 && heap.wants_collection()) collect();
}

}  // namespace swf::avm1
