// Helpers for built-in classes whose instances carry native state (XML nodes, ColorTransform,
// Transform, SharedObject): the state is a hidden cell held in the object's `primitive`, so a
// script subclass that calls super() on its own plain object gets it too. Also: native getter /
// setter pairs, and the `_global.flash.*` packages.
#pragma once

#include <string_view>

#include "swf/avm1/vm.h"

namespace swf::avm1 {

// Native state hung on a script object. Never visible to scripts.
class NativeData : public Object {
public:
    NativeData() : Object(nullptr, ObjKind::Other) {}
};

template <typename T>
T* native_of(const Value& self) {
    Object* o = self.object();
    if (!o || o->kind != ObjKind::Plain) return nullptr;
    return dynamic_cast<T*>(o->primitive.object());
}

// The state of `self`, made when it has none. Null when `self` is not a plain object or already
// carries another kind of state.
template <typename T>
T* native_attach(Vm& vm, const Value& self) {
    Object* o = self.object();
    if (!o || o->kind != ObjKind::Plain) return nullptr;
    if (!o->primitive.is_undefined()) return dynamic_cast<T*>(o->primitive.object());
    T* data = vm.heap.make<T>();
    o->primitive = Value(static_cast<Object*>(data));
    return data;
}

// A property read and written through natives (a null setter drops writes).
inline void define_accessor(Vm& vm, Object* o, std::string_view name, NativeFn get, NativeFn set,
                            uint16_t flags = DontEnum) {
    AccessorPair* pair = vm.heap.make<AccessorPair>();
    pair->getter = vm.new_native(get);
    pair->setter = set ? Value(vm.new_native(set)) : Value::null();
    Value v;
    v.type = Type::Object;
    v.o = reinterpret_cast<Object*>(pair);
    o->put(vm.intern(name), v, uint16_t(flags | Accessor), true);
}

// `_global.flash.<name>`, made on first use; `flash` is hidden from movies before SWF8.
inline Object* flash_package(Vm& vm, std::string_view name) {
    Object* flash = nullptr;
    if (Property* p = vm.global->find_own(vm.intern("flash"), true);
        p && p->value.is_object() && !(p->flags & Accessor))
        flash = p->value.o;
    if (!flash) {
        flash = vm.new_object();
        vm.define(vm.global, "flash", flash, DontEnum | HideBelow8);
    }
    if (Property* p = flash->find_own(vm.intern(name), true); p && p->value.is_object() && !(p->flags & Accessor))
        return p->value.o;
    Object* package = vm.new_object();
    vm.define(flash, name, package, 0);
    return package;
}

}  // namespace swf::avm1
