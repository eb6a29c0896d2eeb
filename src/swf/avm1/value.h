// Script values: undefined, null, booleans, numbers, strings and objects. Strings and objects
// live on the collected heap (heap.h); a Value is a small tagged word that copies freely.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace swf::avm1 {

class Object;
struct Str;

enum class Type : uint8_t { Undefined, Null, Bool, Number, String, Object };

struct Value {
    Type type = Type::Undefined;
    union {
        bool b;
        double n;
        Str* s;
        Object* o;
    };

    Value() : n(0) {}
    static Value undefined() { return Value(); }
    static Value null() {
        Value v;
        v.type = Type::Null;
        return v;
    }
    Value(bool x) : type(Type::Bool), n(0) { b = x; }
    Value(double x) : type(Type::Number), n(x) {}
    Value(int x) : type(Type::Number), n(x) {}
    Value(Str* x) : type(Type::String), s(x) {}
    Value(Object* x) : type(x ? Type::Object : Type::Null), o(x) {}

    bool is_undefined() const { return type == Type::Undefined; }
    bool is_null() const { return type == Type::Null; }
    bool is_nullish() const { return type <= Type::Null; }
    bool is_bool() const { return type == Type::Bool; }
    bool is_number() const { return type == Type::Number; }
    bool is_string() const { return type == Type::String; }
    bool is_object() const { return type == Type::Object; }
    Object* object() const { return type == Type::Object ? o : nullptr; }
};

}  // namespace swf::avm1
