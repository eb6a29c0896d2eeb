// Script objects: a property table in insertion order (for..in lists it newest first), the
// prototype link, and the kinds the machine treats specially (functions, arrays, boxed
// primitives). Movie clips and text fields are objects too (clip.h).
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/avm1/heap.h"

namespace swf::avm1 {

class Vm;
struct Scope;

enum PropFlags : uint16_t {
    DontEnum = 0x1,
    DontDelete = 0x2,
    ReadOnly = 0x4,
    // Built-ins that older movies must not see.
    HideFrom5 = 0x80,
    HideFrom6 = 0x100,
    HideBelow7 = 0x400,
    HideBelow8 = 0x1000,
    HideBelow9 = 0x2000,
    HideBelow10 = 0x4000,
    Accessor = 0x8000,  // value.o is an AccessorPair
};

// Which flags hide a property from code of this file version.
inline uint16_t hidden_mask(int version) {
    // Read on every property access: one entry per version, 10 and later alike.
    constexpr uint16_t kBelow7 = HideBelow7 | HideBelow8 | HideBelow9 | HideBelow10;
    static constexpr uint16_t kByVersion[11] = {
        kBelow7, kBelow7, kBelow7, kBelow7, kBelow7,  // up to 4
        HideFrom5 | kBelow7,
        HideFrom6 | kBelow7,
        HideBelow8 | HideBelow9 | HideBelow10,
        HideBelow9 | HideBelow10,
        HideBelow10,
        0,
    };
    return kByVersion[version < 0 ? 0 : version > 10 ? 10 : version];
}

struct Property {
    Str* name = nullptr;  // interned
    Value value;
    uint16_t flags = 0;
};

enum class ObjKind : uint8_t {
    Plain, Function, Array, String, Number, Boolean, Date, Clip, Button, TextField, Arguments, Other
};

struct Watch {
    Str* name;
    Value callback;
    Value data;
    int depth = 0;  // callbacks of this watch now running, to stop runaway recursion
};

class Object : public Cell {
public:
    explicit Object(Object* proto = nullptr, ObjKind kind = ObjKind::Plain) : proto(proto), kind(kind) {}
    Object* proto;
    ObjKind kind;
    // Constructors whose instances also count as instances of these (ImplementsOp).
    std::vector<Object*> interfaces;
    std::unique_ptr<std::vector<Watch>> watches;
    Value primitive;  // boxed value of String/Number/Boolean/Date objects

    // Own table. `cs`: names compare case-sensitively (SWF7+).
    Property* find_own(Str* name, bool cs);
    const std::vector<Property>& properties() const { return props_; }
    std::vector<Property>& properties() { return props_; }
    // Adds or replaces an own property, keeping its place when it exists.
    Property& put(Str* name, const Value& v, uint16_t flags, bool cs);
    bool remove(Str* name, bool cs);

    // Hooks for kinds with properties that are not in the table (array indices, clip
    // display properties). Return true when handled.
    virtual bool get_virtual(Vm&, Str*, Value&) { return false; }
    virtual bool set_virtual(Vm&, Str*, const Value&) { return false; }
    virtual bool has_virtual(Vm&, Str*) { return false; }
    // Whether the hooks take part in a read of the name at all (as has_virtual or get_virtual).
    virtual bool hooked(Vm& vm, Str* name) {
        Value unused;
        return has_virtual(vm, name) || get_virtual(vm, name, unused);
    }
    // Names the hooks add to for..in, oldest first.
    virtual void list_virtual(Vm&, std::vector<Str*>&) {}

    void trace(Tracer& t) override;
    size_t cell_size() const override { return sizeof(Object) + props_.capacity() * sizeof(Property); }

protected:
    void rebuild_index();
    std::vector<Property> props_;
    std::unique_ptr<std::unordered_map<Str*, std::vector<uint32_t>>> index_;  // folded name -> slots
};

// A getter/setter pair made by addProperty.
struct AccessorPair final : Cell {
    Value getter, setter;
    // What the slot holds under the accessor: a watcher sees it as the old value, and reads and
    // writes fall through to it while the property's watch is too deep to run again.
    Value raw;
    // Calls of each half now running; recursion is limited per property, not per machine.
    int get_depth = 0, set_depth = 0;
    void trace(Tracer& t) override {
        t.mark(getter);
        t.mark(setter);
        t.mark(raw);
    }
};

struct Args {
    const Value* v = nullptr;
    int n = 0;
    bool constructing = false;
    class FunctionObject* callee = nullptr;
    Value operator[](int i) const { return i < n ? v[i] : Value(); }
    int size() const { return n; }
};

using NativeFn = Value (*)(Vm& vm, Value self, const Args& args);

// Decoded action code shared by every function made from one action block.
struct Code;

class FunctionObject : public Object {
public:
    FunctionObject(Object* proto) : Object(proto, ObjKind::Function) {}
    // Native functions.
    NativeFn native = nullptr;
    Value native_data;  // for natives that carry a value
    // Script functions.
    std::shared_ptr<const Code> hold_code;
    const Code* code_ptr = nullptr;
    uint32_t begin = 0, end = 0;  // instruction range of the body
    std::vector<Str*> params;
    std::vector<uint8_t> param_regs;  // DefineFunction2 registers (0 = named local)
    uint16_t flags = 0;  // DefineFunction2 flags
    uint8_t register_count = 0;
    bool v2 = false;
    int version = 6;
    Str* name = nullptr;
    Scope* scope = nullptr;  // chain captured at definition (SWF6+)
    std::vector<Str*> pool;  // constant pool in force where it was defined
    Object* base_clip = nullptr;  // the timeline that defined it
    bool shows_as_object = false;  // toString gives "[object Object]" (AsBroadcaster)
    bool needs_activation = true;  // false: calls would only ever have an empty activation

    void trace(Tracer& t) override;
};

class ArrayObject : public Object {
public:
    explicit ArrayObject(Object* proto) : Object(proto, ObjKind::Array) {}
    std::vector<Value> items;

    bool get_virtual(Vm& vm, Str* name, Value& out) override;
    bool set_virtual(Vm& vm, Str* name, const Value& v) override;
    bool has_virtual(Vm& vm, Str* name) override;
    void list_virtual(Vm& vm, std::vector<Str*>& out) override;
    void trace(Tracer& t) override;
    size_t cell_size() const override { return Object::cell_size() + items.capacity() * sizeof(Value); }
    void set_length(size_t n);
};

// One link of a scope chain.
struct Scope final : Cell {
    Object* object;
    Scope* parent;
    Scope(Object* o, Scope* p) : object(o), parent(p) {}
    void trace(Tracer& t) override {
        t.mark(object);
        t.mark(parent);
    }
};

}  // namespace swf::avm1
