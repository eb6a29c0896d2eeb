// Object, Function, Error, AsBroadcaster and ASSetPropFlags.
#include <cmath>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

Object* self_object(Vm& vm, const Value& self) { return self.is_object() ? self.o : vm.to_object(self); }

// ---------------------------------------------------------------------------------------------
// Object
// ---------------------------------------------------------------------------------------------
Value object_ctor(Vm& vm, Value self, const Args& args) {
    // new Object(v) boxes primitives and hands objects back unchanged; Object() makes one.
    if (args.size() > 0 && !args[0].is_nullish()) return vm.to_object(args[0]);
    if (args.constructing) return self;
    // Called as a plain function it makes an object with no prototype at all.
    return vm.new_object(nullptr);
}

Value object_to_string(Vm& vm, Value self, const Args&) {
    if (self.is_object() && self.o->kind == ObjKind::Function && !static_cast<FunctionObject*>(self.o)->shows_as_object)
        return vm.intern("[type Function]");
    return vm.intern("[object Object]");
}

Value object_value_of(Vm& vm, Value self, const Args&) { return self; }

Value object_add_property(Vm& vm, Value self, const Args& args) {
    Object* o = self_object(vm, self);
    if (!o || args.size() < 2) return false;
    Str* name = vm.key(args[0]);
    Value getter = args[1], setter = args[2];
    if (name->text.empty() || !getter.is_object() || getter.o->kind != ObjKind::Function) return false;
    if (!setter.is_null() && !(setter.is_object() && setter.o->kind == ObjKind::Function) && args.size() > 2 &&
        !setter.is_undefined())
        return false;
    AccessorPair* pair = vm.heap.make<AccessorPair>();
    pair->getter = getter;
    pair->setter = setter;
    Property* existing = o->find_own(name, vm.case_sensitive());
    uint16_t flags = existing ? uint16_t(existing->flags & ~Accessor) : 0;
    Value v;
    v.type = Type::Object;
    v.o = reinterpret_cast<Object*>(pair);
    o->put(name, v, flags | Accessor, vm.case_sensitive());
    return true;
}

Value object_has_own(Vm& vm, Value self, const Args& args) {
    Object* o = self_object(vm, self);
    if (!o || args.size() < 1) return false;
    Str* name = vm.key(args[0]);
    if (name == vm.names.__proto__ || (!vm.case_sensitive() && name->folded == vm.names.__proto__)) return o->proto != nullptr;
    if (o->has_virtual(vm, name)) return true;
    // Properties hidden from this version still count as present.
    return o->find_own(name, vm.case_sensitive()) != nullptr;
}

Value object_is_enumerable(Vm& vm, Value self, const Args& args) {
    Object* o = self_object(vm, self);
    if (!o || args.size() < 1) return false;
    Property* p = o->find_own(vm.key(args[0]), vm.case_sensitive());
    return p && !(p->flags & (DontEnum | hidden_mask(vm.version)));
}

Value object_is_prototype_of(Vm& vm, Value self, const Args& args) {
    Object* o = self_object(vm, self);
    Object* v = args[0].object();
    if (!o || !v) return false;
    for (Object* p = v->proto; p; p = p->proto)
        if (p == o) return true;
    return false;
}

Value object_watch(Vm& vm, Value self, const Args& args) {
    Object* o = self_object(vm, self);
    if (!o || args.size() < 2 || !args[1].is_object()) return false;
    Str* name = vm.key(args[0]);
    if (!o->watches) o->watches = std::make_unique<std::vector<Watch>>();
    for (Watch& w : *o->watches)
        if (w.name == name) {
            w.callback = args[1];
            w.data = args[2];
            return true;
        }
    o->watches->push_back({name, args[1], args[2]});
    return true;
}

Value object_unwatch(Vm& vm, Value self, const Args& args) {
    Object* o = self_object(vm, self);
    if (!o || !o->watches || args.size() < 1) return false;
    Str* name = vm.key(args[0]);
    auto& list = *o->watches;
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->name == name || (!vm.case_sensitive() && it->name->folded == name->folded)) {
            list.erase(it);
            return true;
        }
    return false;
}

Value object_register_class(Vm& vm, Value self, const Args& args) {
    if (args.size() < 2) return false;
    std::string id = vm.to_string(args[0])->text;
    if (!vm.case_sensitive()) id = fold_case(id);
    if (args[1].is_object() && args[1].o->kind == ObjKind::Function)
        vm.registered_classes[id] = args[1];
    else
        vm.registered_classes.erase(id);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Function
// ---------------------------------------------------------------------------------------------
Value function_ctor(Vm& vm, Value self, const Args& args) {
    if (args.constructing) return self;
    // Called plainly it hands back its first argument, or a bare object without one.
    if (args.size() > 0) return args[0];
    return vm.new_object(nullptr);
}

Value function_call(Vm& vm, Value self, const Args& args) {
    Value this_v = args.size() > 0 && !args[0].is_nullish() ? args[0] : Value();
    if (this_v.is_undefined() || this_v.is_null()) this_v = Value();
    else if (!this_v.is_object()) this_v = vm.to_object(this_v);
    return vm.call(self, this_v, args.n > 1 ? args.v + 1 : nullptr, args.n > 1 ? args.n - 1 : 0);
}

Value function_apply(Vm& vm, Value self, const Args& args) {
    Value this_v = args.size() > 0 && !args[0].is_nullish() ? args[0] : Value();
    if (!this_v.is_nullish() && !this_v.is_object()) this_v = vm.to_object(this_v);
    std::vector<Value> list;
    if (Object* a = args[1].object()) {
        if (a->kind == ObjKind::Array) {
            list = static_cast<ArrayObject*>(a)->items;
        } else {
            double n = vm.to_number(vm.get(a, vm.names.length));
            for (int i = 0; i < n && i < 100000; ++i) list.push_back(vm.get(a, vm.intern(std::to_string(i))));
        }
    }
    return vm.call(self, this_v, list.data(), int(list.size()));
}

// ---------------------------------------------------------------------------------------------
// ASSetPropFlags(obj, props, set, clear)
// ---------------------------------------------------------------------------------------------
Value as_set_prop_flags(Vm& vm, Value self, const Args& args) {
    Object* o = args[0].object();
    if (!o) return Value();
    const uint16_t set = uint16_t(vm.to_int32(args[2]) & 0x7FFF);
    const uint16_t clear = args.size() > 3 ? uint16_t(vm.to_int32(args[3]) & 0x7FFF) : 0;
    std::vector<Str*> names;
    const Value& props = args[1];
    bool all = props.is_null();
    if (Object* a = props.object(); a && a->kind == ObjKind::Array) {
        for (Value& v : static_cast<ArrayObject*>(a)->items) names.push_back(vm.key(v));
    } else if (!all) {
        std::string list = vm.to_string(props)->text;
        size_t start = 0;
        while (start <= list.size()) {
            size_t comma = list.find(',', start);
            names.push_back(vm.intern(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    auto apply = [&](Property& p) { p.flags = uint16_t((p.flags & ~clear & 0x7FFF) | set) | (p.flags & Accessor); };
    if (all) {
        for (Property& p : o->properties()) apply(p);
    } else {
        for (Str* n : names)
            if (Property* p = o->find_own(n, vm.case_sensitive())) apply(*p);
    }
    return Value();
}

// ---------------------------------------------------------------------------------------------
// AsBroadcaster
// ---------------------------------------------------------------------------------------------
// Listeners match by `==` on primitives (undefined meets null, 1 meets "1") and by identity for
// objects.
bool same_listener(Vm& vm, Value a, Value b) {
    for (int guard = 0; guard < 4; ++guard) {
        if (a.type == b.type) return strictly_equal(a, b);
        if (a.is_nullish() || b.is_nullish()) return a.is_nullish() && b.is_nullish();
        if (a.is_object() || b.is_object()) return false;
        if (a.is_bool()) a = a.b ? 1.0 : 0.0;
        if (b.is_bool()) b = b.b ? 1.0 : 0.0;
        if (a.is_string() && b.is_number()) a = vm.to_number(a);
        if (b.is_string() && a.is_number()) b = vm.to_number(b);
    }
    return false;
}

ArrayObject* listeners_of(Vm& vm, const Value& self) {
    Object* o = self_object(vm, self);
    Object* a = o ? vm.get(o, vm.names._listeners).object() : nullptr;
    return a && a->kind == ObjKind::Array ? static_cast<ArrayObject*>(a) : nullptr;
}

bool remove_listener(Vm& vm, ArrayObject* list, const Value& l) {
    auto& items = list->items;
    for (auto it = items.begin(); it != items.end(); ++it)
        if (same_listener(vm, *it, l)) {
            items.erase(it);
            return true;
        }
    return false;
}

// addListener moves a listener that is already there (or one equal to it) to the end.
Value broadcaster_add(Vm& vm, Value self, const Args& args) {
    ArrayObject* list = listeners_of(vm, self);
    if (!list) return true;
    remove_listener(vm, list, args[0]);
    list->items.push_back(args[0]);
    return true;
}

Value broadcaster_remove(Vm& vm, Value self, const Args& args) {
    ArrayObject* list = listeners_of(vm, self);
    return list ? remove_listener(vm, list, args[0]) : false;
}

Value broadcaster_broadcast(Vm& vm, Value self, const Args& args) {
    Object* o = self_object(vm, self);
    if (!o || args.size() < 1) return Value();
    Object* a = vm.get(o, vm.names._listeners).object();
    if (!a || a->kind != ObjKind::Array) return Value();
    Str* name = vm.key(args[0]);
    std::vector<Value> listeners = static_cast<ArrayObject*>(a)->items;  // listeners may change while called
    for (Value& l : listeners) {
        // A removed clip stands for the clip now at its path; with none there, nobody hears.
        if (l.is_object() && is_display_object(l.o) && !clip_alive(l.o)) {
            Object* now = clip_now(vm, l.o);
            if (!now) continue;
            l = now;
        }
        // An empty message name calls each listener itself.
        Value fn = name->text.empty() ? l : vm.get(l, name);
        vm.call(fn, l, args.n > 1 ? args.v + 1 : nullptr, args.n > 1 ? args.n - 1 : 0);
    }
    return listeners.empty() ? Value() : Value(true);
}

Value broadcaster_initialize(Vm& vm, Value self, const Args& args) {
    Object* o = args[0].object();
    if (!o) return Value();
    Object* bc = self.object();
    auto copy = [&](const char* n) {
        Str* key = vm.intern(n);
        o->put(key, bc ? vm.get(bc, key) : Value(), DontEnum, vm.case_sensitive());
    };
    copy("addListener");
    copy("removeListener");
    copy("broadcastMessage");
    o->put(vm.names._listeners, vm.new_array(), DontEnum, vm.case_sensitive());
    return Value();
}

// ---------------------------------------------------------------------------------------------
// Error
// ---------------------------------------------------------------------------------------------
Value error_ctor(Vm& vm, Value self, const Args& args) {
    Object* o = self.object();
    if (!args.constructing || !o) {
        o = vm.new_object(vm.error_proto);
    }
    if (args.size() > 0 && !args[0].is_undefined()) vm.set(o, vm.intern("message"), args[0]);
    return o;
}

Value error_to_string(Vm& vm, Value self, const Args&) {
    return vm.get(self, vm.intern("message"));
}

}  // namespace

void install_object(Vm& vm) {
    Object* op = vm.object_proto;
    Object* fp = vm.function_proto;
    fp->proto = op;
    FunctionObject* object = vm.make_class("Object", object_ctor, op);
    vm.object_ctor = object;
    vm.define_method(op, "toString", object_to_string);
    vm.define_method(op, "valueOf", object_value_of);
    vm.define_method(op, "addProperty", object_add_property);
    vm.define_method(op, "hasOwnProperty", object_has_own, DontEnum | HideFrom5);
    vm.define_method(op, "isPropertyEnumerable", object_is_enumerable, DontEnum | HideFrom5);
    vm.define_method(op, "isPrototypeOf", object_is_prototype_of, DontEnum | HideFrom5);
    vm.define_method(op, "watch", object_watch, DontEnum | HideFrom5);
    vm.define_method(op, "unwatch", object_unwatch, DontEnum | HideFrom5);
    vm.define_method(object, "registerClass", object_register_class);

    FunctionObject* function = vm.make_class("Function", function_ctor, fp);
    vm.function_ctor = function;
    vm.define_method(fp, "call", function_call, DontEnum | HideFrom5);
    vm.define_method(fp, "apply", function_apply, DontEnum | HideFrom5);
    // Function itself is hidden from SWF5 movies.
    if (Property* p = vm.global->find_own(vm.intern("Function"), true)) p->flags |= HideFrom5;

    vm.define_method(vm.global, "ASSetPropFlags", as_set_prop_flags);

    FunctionObject* bc = vm.new_native(function_ctor, vm.new_object());
    bc->shows_as_object = true;  // it prints as a plain object
    vm.define_method(bc, "addListener", broadcaster_add);
    vm.define_method(bc, "removeListener", broadcaster_remove);
    vm.define_method(bc, "broadcastMessage", broadcaster_broadcast);
    vm.define_method(bc, "initialize", broadcaster_initialize);
    vm.define(vm.global, "AsBroadcaster", bc);
}

void install_error(Vm& vm) {
    vm.error_proto = vm.new_object();
    vm.make_class("Error", error_ctor, vm.error_proto);
    vm.define(vm.error_proto, "message", vm.intern("Error"));
    vm.define(vm.error_proto, "name", vm.intern("Error"));
    vm.define_method(vm.error_proto, "toString", error_to_string);
}

}  // namespace swf::avm1
