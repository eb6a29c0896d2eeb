#include "swf/avm1/object.h"

#include "swf/avm1/convert.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

// Small tables are scanned; past this many properties a hash index keyed by the folded name
// keeps lookups constant.
constexpr size_t kIndexFrom = 12;

Property* Object::find_own(Str* name, bool cs) {
    if (index_) {
        auto it = index_->find(name->folded);
        if (it == index_->end()) return nullptr;
        for (uint32_t slot : it->second) {
            Property& p = props_[slot];
            if (!cs || p.name == name) return &p;
        }
        return nullptr;
    }
    if (cs) {
        for (Property& p : props_)
            if (p.name == name) return &p;
    } else {
        Str* f = name->folded;
        for (Property& p : props_)
            if (p.name->folded == f) return &p;
    }
    return nullptr;
}

Property& Object::put(Str* name, const Value& v, uint16_t flags, bool cs) {
    if (Property* p = find_own(name, cs)) {
        p->value = v;
        p->flags = flags;
        return *p;
    }
    props_.push_back({name, v, flags});
    if (index_) {
        (*index_)[name->folded].push_back(uint32_t(props_.size() - 1));
    } else if (props_.size() > kIndexFrom) {
        rebuild_index();
    }
    return props_.back();
}

bool Object::remove(Str* name, bool cs) {
    Property* p = find_own(name, cs);
    if (!p) return false;
    props_.erase(props_.begin() + (p - props_.data()));
    if (index_) rebuild_index();
    return true;
}

void Object::rebuild_index() {
    index_ = std::make_unique<std::unordered_map<Str*, std::vector<uint32_t>>>();
    for (uint32_t i = 0; i < props_.size(); ++i) (*index_)[props_[i].name->folded].push_back(i);
}

void Object::trace(Tracer& t) {
    t.mark(proto);
    t.mark(primitive);
    for (Property& p : props_) {
        t.mark_str(p.name);
        if (p.flags & Accessor)
            t.mark(reinterpret_cast<Cell*>(p.value.o));
        else
            t.mark(p.value);
    }
    for (Object* o : interfaces) t.mark(o);
    if (watches)
        for (Watch& w : *watches) {
            t.mark_str(w.name);
            t.mark(w.callback);
            t.mark(w.data);
        }
}

void FunctionObject::trace(Tracer& t) {
    Object::trace(t);
    t.mark(native_data);
    for (Str* s : params) t.mark_str(s);
    for (Str* s : pool) t.mark_str(s);
    t.mark_str(name);
    t.mark(scope);
    t.mark(base_clip);
}

// ---------------------------------------------------------------------------------------------
// Arrays: dense items plus the ordinary table for everything else.
// ---------------------------------------------------------------------------------------------
bool ArrayObject::get_virtual(Vm& vm, Str* name, Value& out) {
    if (name == vm.names.length) {
        out = double(items.size());
        return true;
    }
    int32_t i = name->array_index();
    if (i < 0) return false;
    out = size_t(i) < items.size() ? items[size_t(i)] : Value();
    return size_t(i) < items.size();
}

bool ArrayObject::set_virtual(Vm& vm, Str* name, const Value& v) {
    if (name == vm.names.length) {
        const double n = vm.to_number(v);
        if (n >= 0 && n < 1e7) set_length(size_t(n));
        return true;
    }
    int32_t i = name->array_index();
    if (i < 0 || i >= 10000000) return false;
    if (size_t(i) >= items.size()) set_length(size_t(i) + 1);
    items[size_t(i)] = v;
    return true;
}

bool ArrayObject::has_virtual(Vm& vm, Str* name) {
    int32_t i = name->array_index();
    return i >= 0 && size_t(i) < items.size();
}

void ArrayObject::list_virtual(Vm& vm, std::vector<Str*>& out) {
    for (size_t i = 0; i < items.size(); ++i) out.push_back(vm.intern(number_to_string(double(i))));
}

void ArrayObject::set_length(size_t n) { items.resize(n); }

void ArrayObject::trace(Tracer& t) {
    Object::trace(t);
    for (Value& v : items) t.mark(v);
}

}  // namespace swf::avm1
