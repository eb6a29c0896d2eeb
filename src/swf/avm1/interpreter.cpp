// The interpreter: runs decoded action blocks and script functions.
//
// [Frames]     one ExecState per running block or function, linked innermost first
// [Names]      variable lookup on the scope chain, paths, special names
// [Blocks]     with and try regions
// [Actions]    the dispatch loop
// [Calls]      script function calls
#include "swf/avm1/interpreter.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "swf/avm1/actions.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"

namespace swf::avm1 {

namespace {
// A property number from a script's value: NaN, infinities and numbers far out of range name no
// property (-1) rather than wrapping onto one.
int property_index(double d) { return std::isfinite(d) && std::fabs(d) < 1e9 ? int(d) : -1; }
}  // namespace

// ---------------------------------------------------------------------------------------------
// [Frames]
// ---------------------------------------------------------------------------------------------
struct Region {
    enum Kind : uint8_t { With, Try } kind = With;
    uint32_t begin = 0, end = 0;  // instructions the region covers now
    Scope* saved_scope = nullptr;
    // Try regions.
    const Code::TryDef* def = nullptr;
    uint32_t try_end = 0, catch_end = 0, finally_end = 0;
    enum Phase : uint8_t { InTry, InCatch, InFinally } phase = InTry;
    size_t stack_height = 0;
    bool pending_throw = false, pending_return = false;
    Value pending;
    uint32_t resume = 0;
};

struct ExecState {
    ExecState* parent = nullptr;
    const Code* code = nullptr;
    std::shared_ptr<const Code> hold;
    uint32_t pc = 0, end = 0;
    // Below this index the loop need not look at the end, the regions or a return again; 0
    // makes it look. Whatever moves the innermost region's bounds, or jumps back while a region
    // is open, resets it.
    uint32_t limit = 0;
    Scope* scope = nullptr;  // innermost first; _global is searched after it
    Value self;
    Object* target = nullptr;  // current target clip (tellTarget changes it)
    // tellTarget named no clip: names go to the root, but the target itself ("") is nothing.
    bool target_lost = false;
    Object* base = nullptr;    // the clip the code belongs to
    Object* activation = nullptr;
    FunctionObject* fn = nullptr;
    Object* super_holder = nullptr;
    Object* arguments = nullptr;
    const std::vector<Str*>* pool = nullptr;
    Value* regs = nullptr;
    int nregs = 4;
    // A function's own registers: inline when few, so most calls allocate none.
    static constexpr int kSmallRegs = 8;
    union SmallRegs {
        SmallRegs() {}
        Value at[kSmallRegs];
    } small_regs;  // set up by the call, as many as the function has
    std::vector<Value> own_regs;
    std::vector<Region> regions;
    size_t stack_base = 0;
    int version = 6;
    bool returned = false;
    Value result;
};

Object* current_target(Vm& vm) { return vm.exec ? vm.exec->target : nullptr; }

void trace_exec_states(Vm& vm, Tracer& t) {
    for (ExecState* e = vm.exec; e; e = e->parent) {
        t.mark(e->scope);
        t.mark(e->self);
        t.mark(e->target);
        t.mark(e->base);
        t.mark(e->activation);
        t.mark(e->fn);
        t.mark(e->super_holder);
        t.mark(e->arguments);
        t.mark(e->result);
        if (e->regs != vm.regs)
            for (int i = 0; i < e->nregs; ++i) t.mark(e->regs[i]);
        for (Region& r : e->regions) {
            t.mark(r.saved_scope);
            t.mark(r.pending);
        }
        if (e->pool)
            for (Str* s : *e->pool) t.mark_str(s);
    }
}

// `super` as a value: member lookups start above the prototype the running method came from.
class SuperObject final : public Object {
public:
    SuperObject(Value self, Object* holder)
        : Object(holder ? holder->proto : nullptr, ObjKind::Other), self(self), holder(holder) {}
    Value self;
    Object* holder;
    void trace(Tracer& t) override {
        Object::trace(t);
        t.mark(self);
        t.mark(holder);
    }
};

namespace {

// The stack operations run for nearly every action: keep them in the loop.
#if defined(__GNUC__)
#define SWF_INLINE inline __attribute__((always_inline))
#else
#define SWF_INLINE inline
#endif

// Checked every this many instructions: the time limit and a chance to collect.
constexpr uint32_t kCheckEvery = 4096;
// The highest 0-based frame a movie can have: WaitForFrame2 counts frames past it as never loaded.
constexpr int32_t kMaxLoadableFrame = 16000;

struct Interp {
    Interp(Vm& vm, ExecState& f) : vm(vm), f(f) {}
    Vm& vm;
    ExecState& f;

    // -- stack --------------------------------------------------------------------------------
    SWF_INLINE Value pop() {
        Value v = pop_raw();
        if (v.type == Type::String && v.s->grown) v.s->settle_grown();
        return v;
    }
    // For the actions that only append a string (and so may leave it unsettled).
    SWF_INLINE Value pop_raw() {
        if (vm.stack.size() <= f.stack_base) return Value();
        Value v = vm.stack.back();
        vm.stack.pop_back();
        return v;
    }
    SWF_INLINE void push(const Value& v) { vm.stack.push_back(v); }
    Value& top() {
        if (vm.stack.size() <= f.stack_base) vm.stack.push_back(Value());
        return vm.stack.back();
    }
    bool v4() const { return f.version <= 4; }
    // Conversions with the common case inline.
    double num(const Value& v) { return v.type == Type::Number ? v.n : vm.to_number(v); }
    int32_t int32(const Value& v) {
        if (v.type == Type::Number && v.n >= -2147483648.0 && v.n < 2147483648.0) return int32_t(v.n);
        return vm.to_int32(v);
    }
    bool truth(const Value& v) { return v.type == Type::Bool ? v.b : vm.to_boolean(v); }
    // Registers past a function's own count are the top-level ones.
    Value& reg(uint32_t i) {
        if (int(i) < f.nregs) return f.regs[i];
        if (i < 4) return vm.regs[i];
        scratch_ = Value();
        return scratch_;
    }
    Value scratch_;
    void push_result(const Value& v) {
        if (v.is_bool())
            push_bool(v.b);
        else
            push(v);
    }
    void push_bool(bool b) {
        if (v4())
            push(b ? 1.0 : 0.0);
        else
            push(b);
    }
    // Argument counts from the stack: capped by what the stack holds.
    int count(const Value& n) {
        const double c = n.is_number() ? n.n : vm.to_number(n);
        if (!(c > 0)) return 0;
        const size_t avail = vm.stack.size() - std::min(vm.stack.size(), f.stack_base);
        return int(std::min<double>(c, double(avail)));
    }
    // Arguments of a call, first on top of the stack; inline when few, so calls allocate none.
    struct ArgList {
        static constexpr int kSmall = 8;
        // Left unset: pop_args writes the ones a call uses.
        union Slots {
            Slots() {}
            Value at[kSmall];
        } small;
        std::vector<Value> big;
        Value* v = small.at;
        int n = 0;
        ArgList() = default;
        ArgList(const ArgList&) = delete;
        Value* data() { return v; }
        int size() const { return n; }
    };
    void pop_args(int n, ArgList& out) {
        if (n > ArgList::kSmall) {
            out.big.resize(size_t(n));
            out.v = out.big.data();
        }
        out.n = n;
        for (int i = 0; i < n; ++i) out.v[i] = pop();
    }
    std::vector<Value> pop_args(int n) {
        std::vector<Value> args(static_cast<size_t>(n), Value());
        for (int i = 0; i < n; ++i) args[size_t(i)] = pop();
        return args;
    }

    // -- [Names] -------------------------------------------------------------------------------
    bool same(Str* a, Str* b) const { return a == b || (!vm.case_sensitive() && a->folded == b->folded); }

    Object* root() { return clip_root(vm, f.base ? f.base : f.target); }

    // Names the machine answers itself, whatever the scope holds.
    bool special(Str* name, Value& out) {
        const std::string& t = name->text;
        if (t.empty() || (t[0] != '_' && t[0] != 't' && t[0] != 'T' && t[0] != 's' && t[0] != 'S')) return false;
        if (same(name, vm.names.this_)) {
            // Code with no `this` of its own (top level, or a function that suppresses it) sees
            // its target clip.
            const bool suppressed = f.fn && f.fn->v2 && (f.fn->flags & 0x3);  // in a register or gone
            // (SWF5 functions that keep `this` in a register have none by name.)
            if (suppressed && f.version < 6) out = Value();
            else out = (f.self.is_undefined() && !f.fn) || suppressed ? Value(f.target) : f.self;
            return true;
        }
        if (same(name, vm.names._root)) {
            out = root();
            return true;
        }
        if (same(name, vm.names._parent)) {
            Object* p = f.target ? clip_parent(f.target) : nullptr;
            out = p ? Value(p) : Value();
            return true;
        }
        if (same(name, vm.names._global) && f.version >= 6) {
            out = vm.global;
            return true;
        }
        if (same(name, vm.names.super_) && f.fn && f.version >= 6) {
            // A function that preloads or suppresses super has no name for it.
            out = f.fn->v2 && (f.fn->flags & 0x30) ? Value() : make_super();
            return true;
        }
        int level = 0;
        if (level_name(vm, t, level)) {
            Object* l = level >= 0 ? clip_level(vm, level) : nullptr;
            out = l ? Value(l) : Value();
            return true;
        }
        return false;
    }

    Value make_super() {
        Object* holder = f.super_holder;
        if (!holder && f.self.is_object()) holder = f.self.o->proto;
        return vm.heap.make<SuperObject>(f.self, holder);
    }

    // vm.has_property and then vm.get (or, given `holder`, vm.get and vm.find) in one walk of
    // the chain, for when no hook and no getter takes part: 1 found, 0 absent, -1 take the
    // general path.
    int find_plain(Object* o, Str* name, Value& out, Object** holder = nullptr) {
        if (name->folded == vm.names.__proto__) return -1;
        const bool cs = vm.case_sensitive();
        const uint16_t hidden = hidden_mask(vm.version);
        for (int i = 0; o; ++i, o = o->proto) {
            if (i == 64) return -1;  // long or looping chains: the general path reports them
            Value v;
            if (holder ? o->get_virtual(vm, name, v) : o->hooked(vm, name)) return -1;
            Property* p = o->find_own(name, cs);
            if (p && !(p->flags & hidden)) {
                if (p->flags & Accessor) return -1;
                out = p->value;
                if (holder) *holder = o;
                return 1;
            }
        }
        return 0;
    }

    // A removed clip on the scope chain stands for the clip now at its path, or for the root.
    Object* scope_object(Object* o) {
        if (!is_display_object(o) || clip_alive(o) || static_cast<ClipObject*>(o)->unloading) return o;
        Object* now = clip_now(vm, o);
        if (!now) now = clip_level(vm, 0);
        return now ? now : o;
    }

    Value lookup(Str* name) {
        Value out;
        // `this` is always the machine's; a variable called `_root`, `_parent`, `_global` or
        // `_levelN` on the scope chain wins over the clip of that name.
        if (same(name, vm.names.this_) && special(name, out)) return out;
        for (Scope* s = f.scope; s; s = s->parent) {
            if (!s->object) continue;
            Object* o = scope_object(s->object);
            const int found = find_plain(o, name, out);
            if (found == 1) return out;
            if (found == 0) continue;
            if (vm.has_property(o, name)) return vm.get(o, name);
        }
        if (special(name, out)) return out;
        // SWF4 code sees no globals (NaN and Infinity are plain undefined names there).
        if (f.version >= 5 && vm.has_property(vm.global, name)) return vm.get(vm.global, name);
        return Value();
    }

    // Resolves a variable name or path: `a`, `a.b.c`, `/a/b:x`, `../:x`, `_root.a:x`.
    Value get_variable(Str* name) {
        if (!name->names_path()) return lookup(name);
        const std::string& t = name->text;
        const bool slash = t.find('/') != std::string::npos;
        if (slash || t.find(':') != std::string::npos) {
            // The last ':' or '.' parts the clip path from the variable's name.
            const size_t cut = t.find_last_of(":.");
            if (cut == std::string::npos) {
                // Slashes alone: a variable of that very name, else the clip the path names.
                Value v = lookup(name);
                if (!v.is_undefined()) return v;
                Object* clip = resolve_target(t);
                return clip ? Value(clip) : Value();
            }
            Object* clip = resolve_target(t.substr(0, cut));
            if (!clip) return Value();
            return vm.get(clip, vm.intern(t.substr(cut + 1)));
        }
        // Dot path: each scope that has the first name is tried in turn until the whole path
        // resolves; `_global.a.b.c` is reached when a nearer `a` has no `b.c`.
        std::vector<Str*> parts;
        for (size_t start = 0;;) {
            size_t dot = t.find('.', start);
            parts.push_back(vm.intern(t.substr(start, dot == std::string::npos ? std::string::npos : dot - start)));
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        auto walk = [&](Value cur) {
            for (size_t i = 1; i < parts.size(); ++i) {
                if (!cur.is_object()) return Value();
                Object* child = nullptr;
                if (same(parts[i], vm.names._parent)) {
                    Object* p = clip_parent(cur.o);
                    cur = p ? Value(p) : vm.get(cur, parts[i]);
                } else if (i + 1 < parts.size() && is_display_object(cur.o) &&
                           (child = find_child(vm, static_cast<ClipObject*>(cur.o), parts[i]))) {
                    cur = child;  // a step on the way is a clip even where a variable has its name
                } else {
                    cur = vm.get(cur, parts[i]);
                }
            }
            return cur;
        };
        Value first;
        if (special(parts[0], first)) return walk(first);
        Value result;
        for (Scope* s = f.scope; s; s = s->parent) {
            if (!s->object || !vm.has_property(s->object, parts[0])) continue;
            // A child clip of the name wins over a variable of the name as a path's first step.
            Object* child = is_display_object(s->object) ? find_child(vm, static_cast<ClipObject*>(s->object), parts[0]) : nullptr;
            result = walk(child ? Value(child) : vm.get(s->object, parts[0]));
            if (!result.is_undefined()) return result;
        }
        if (vm.has_property(vm.global, parts[0])) result = walk(vm.get(vm.global, parts[0]));
        return result;
    }

    void set_variable(Str* name, const Value& v) {
        const std::string& t = name->text;
        size_t colon = std::string::npos, dot = std::string::npos;
        if (name->names_path()) {
            colon = t.rfind(':');
            dot = t.rfind('.');
        }
        if (colon != std::string::npos || (dot != std::string::npos && dot > 0 && t.size() > 1)) {
            // The last ':' or '.' parts the clip path from the variable's name; slashes alone
            // make a plain (if odd) variable name.
            size_t cut = colon == std::string::npos ? dot : dot == std::string::npos ? colon : std::max(colon, dot);
            std::string path = t.substr(0, cut);
            Str* member = vm.intern(t.substr(cut + 1));
            Value holder;
            if (colon != std::string::npos || path.find('/') != std::string::npos)
                holder = resolve_target(path);
            else
                holder = get_variable(vm.intern(path));
            if (Object* o = holder.object()) vm.set(o, member, v);
            return;
        }
        for (Scope* s = f.scope; s; s = s->parent) {
            if (!s->object) continue;
            if (Object* o = scope_object(s->object); vm.has_property(o, name)) {
                vm.set(o, name, v);
                return;
            }
        }
        Object* into = f.target ? f.target : f.base;
        if (!into) into = f.scope ? f.scope->object : vm.global;
        if (into) vm.set(into, name, v);
    }

    // A clip from a path string; "" is the current target.
    // tellTarget paths (`with_this` false) do not know `this`.
    Object* resolve_target(const std::string& path, bool with_this = true) {
        if (path.empty()) return f.target_lost ? nullptr : f.target;
        // A variable may hold the path's first clip, but not one of _global's.
        return resolve_clip_path(vm, f.target ? f.target : f.base, path, [this, with_this](Str* name) {
            if (!with_this && same(name, vm.names.this_)) return Value();
            for (Scope* s = f.scope; s; s = s->parent)
                if (s->object && vm.has_property(s->object, name)) return vm.get(s->object, name);
            Value out;
            return special(name, out) ? out : Value();
        });
    }

    // tellTarget: timeline actions and top-level names go to the new target; an unresolvable
    // one sends them to the root.
    void set_target(const std::string& path) {
        if (path.empty()) {
            // Back to the base clip; if that was removed meanwhile, names go to the root.
            retarget(clip_alive(f.base) || !is_display_object(f.base) ? f.base : root());
            return;
        }
        // Paths from code whose clip was removed lead nowhere.
        const bool base_gone = is_display_object(f.base) && !clip_alive(f.base);
        if (base_gone) {
            retarget(root());
            f.target_lost = true;
            return;
        }
        Object* t = resolve_target(path, false);
        // A path the current target cannot resolve is tried from the clip the code runs in.
        if (!t && f.target != f.base && f.base)
            t = resolve_clip_path(vm, f.base, path, [this](Str* name) { return same(name, vm.names.this_) ? Value() : lookup(name); });
        retarget(t ? t : root());
        f.target_lost = !t;
    }
    void retarget(Object* t) {
        f.target = t;
        f.target_lost = false;
        if (!f.fn) f.scope = vm.heap.make<Scope>(t, nullptr);
    }

    // What timeline actions (play, goto…) address. A tellTarget that named no clip sends them to
    // the root, unless the code's own clip is gone: then they go nowhere.
    Object* timeline_target() {
        const bool base_gone = is_display_object(f.base) && !clip_alive(f.base);
        return f.target_lost && base_gone ? nullptr : f.target;
    }

    Object* target_of(const Value& v) {
        if (v.is_object() && is_display_object(v.o)) return v.o;
        if (v.is_undefined()) return f.target;
        return resolve_target(vm.to_string(v)->text);
    }

    // -- [Blocks] ------------------------------------------------------------------------------
    // Called when pc leaves the innermost region (or the code ends).
    bool leave_regions() {
        while (!f.regions.empty()) {
            Region& r = f.regions.back();
            if (f.pc >= r.begin && f.pc < r.end && !f.returned) return true;
            if (r.kind == Region::With) {
                f.scope = r.saved_scope;
                f.regions.pop_back();
                continue;
            }
            // Try: leaving the try or catch body goes through finally.
            if (r.phase != Region::InFinally && r.def->flags & 2 && r.finally_end > r.catch_end) {
                if (f.returned) {
                    r.pending_return = true;
                    r.pending = f.result;
                    f.returned = false;
                    r.resume = f.end;
                } else if (!(f.pc >= r.catch_end && f.pc < r.finally_end)) {
                    r.resume = f.pc;
                } else {
                    r.resume = r.finally_end;
                }
                r.phase = Region::InFinally;
                r.begin = r.catch_end;
                r.end = r.finally_end;
                if (f.pc < r.begin || f.pc >= r.end) f.pc = r.begin;
                if (r.begin == r.end) continue;
                return true;
            }
            // Done with the region.
            Region done = r;
            f.regions.pop_back();
            if (done.pending_throw) {
                vm.throwing = true;
                vm.exception = done.pending;
                return false;
            }
            if (done.pending_return) {
                f.returned = true;
                f.result = done.pending;
                continue;
            }
            if (done.phase == Region::InFinally && f.pc >= done.begin && f.pc <= done.end && done.resume) f.pc = done.resume;
        }
        return true;
    }

    // An exception: the innermost try of this frame that can take it, else the caller's.
    bool catch_exception() {
        while (!f.regions.empty()) {
            Region& r = f.regions.back();
            if (r.kind == Region::With) {
                f.scope = r.saved_scope;
                f.regions.pop_back();
                continue;
            }
            if (r.phase == Region::InTry && (r.def->flags & 1)) {
                Value ex = vm.exception;
                vm.throwing = false;
                vm.exception = Value();
                if (vm.stack.size() > r.stack_height) vm.stack.resize(r.stack_height);
                r.phase = Region::InCatch;
                r.begin = r.try_end;
                r.end = r.catch_end;
                f.pc = r.begin;
                if (r.def->flags & 4) {
                    reg(r.def->reg) = ex;
                } else if (r.def->name) {
                    define_local(r.def->name, ex);
                }
                return true;
            }
            if (r.phase != Region::InFinally && (r.def->flags & 2)) {
                r.pending_throw = true;
                r.pending = vm.exception;
                vm.throwing = false;
                vm.exception = Value();
                if (vm.stack.size() > r.stack_height) vm.stack.resize(r.stack_height);
                r.phase = Region::InFinally;
                r.begin = r.catch_end;
                r.end = r.finally_end;
                f.pc = r.begin;
                return true;
            }
            f.regions.pop_back();
        }
        return false;
    }

    void define_local(Str* name, const Value& v) {
        // Outside functions, a with-object that has the name as its own takes the write (one
        // that only inherits it does not).
        if (!f.activation)
            for (Scope* s = f.scope; s && s->object != f.target; s = s->parent)
                if (s->object && (s->object->find_own(name, vm.case_sensitive()) || s->object->has_virtual(vm, name))) {
                    vm.set(s->object, name, v);
                    return;
                }
        Object* into = f.activation ? f.activation : (f.target ? f.target : f.base);
        if (!into) return;
        if (f.activation)
            into->put(name, v, 0, vm.case_sensitive());
        else
            vm.set(into, name, v);
    }

    // -- helpers for actions -------------------------------------------------------------------
    Value get_member(const Value& obj, const Value& name) {
        if (obj.is_object() && obj.o->kind == ObjKind::Array && name.is_number()) {
            auto* a = static_cast<ArrayObject*>(obj.o);
            double d = name.n;
            if (d >= 0 && d < double(a->items.size()) && d == double(size_t(d))) return a->items[size_t(d)];
        }
        if (obj.is_object() && obj.o->kind == ObjKind::Other) {
            if (auto* s = dynamic_cast<SuperObject*>(obj.o)) {
                Object* from = s->holder ? s->holder->proto : nullptr;
                Str* key = vm.key(name);
                if (!from) return Value();
                if (key == vm.names.__proto__) return from->proto ? Value(from->proto) : Value();
                return vm.get(from, key);
            }
        }
        return vm.get(obj, vm.key(name));
    }

    void set_member(const Value& obj, const Value& name, const Value& v) {
        if (!obj.is_object()) return;
        if (obj.o->kind == ObjKind::Array && name.is_number()) {
            auto* a = static_cast<ArrayObject*>(obj.o);
            double d = name.n;
            if (d >= 0 && d < double(a->items.size()) && d == double(size_t(d))) {
                a->items[size_t(d)] = v;
                return;
            }
        }
        vm.set(obj.o, vm.key(name), v);
    }

    Value add2(const Value& a, const Value& b) {
        if (a.is_number() && b.is_number()) return a.n + b.n;
        // Clips have no primitive value: they join strings by their path and are NaN otherwise.
        // Dates turn primitive through toString alone; an object from it is retried as text.
        auto prim = [&](const Value& v) -> Value {
            if (!v.is_object()) return v;
            if (is_display_object(v.o)) return v;
            if (v.o->kind == ObjKind::Date) {
                Value r = vm.call_method(v, vm.names.toString, {});
                return r.is_object() ? Value(vm.to_string(v)) : r;
            }
            // Others through valueOf; one that gives no primitive stays an object, which joins a
            // string through toString and is NaN as a number.
            if (!vm.find(v.o, vm.names.valueOf) && !vm.find(v.o, vm.names.toString)) return Value();
            Value r = vm.call_method(v, vm.names.valueOf, {});
            if (!r.is_object() && !(r.is_undefined() && !vm.find(v.o, vm.names.valueOf))) return r;
            return v;
        };
        Value pa = prim(a), pb = prim(b);
        if (pa.is_string() || pb.is_string()) {
            Str* sa = vm.to_string(pa);
            Str* sb = vm.to_string(pb);
            return vm.heap.concat(sa, sb);
        }
        if (pa.is_object() || pb.is_object()) return NAN;
        return vm.to_number(pa) + vm.to_number(pb);
    }

    // a < b by the SWF5+ rules: undefined when a NaN is involved.
    Value less(const Value& a, const Value& b) {
        if (a.is_number() && b.is_number()) {
            if (std::isnan(a.n) || std::isnan(b.n)) return Value();
            return a.n < b.n;
        }
        if ((a.is_object() && is_display_object(a.o)) || (b.is_object() && is_display_object(b.o))) return Value();
        // An object whose valueOf gives no primitive compares false at once.
        Value pa = a, pb = b;
        if (pa.is_object() && (pa = value_of(pa)).is_object()) return false;
        if (pb.is_object() && (pb = value_of(pb)).is_object()) return false;
        if (pa.is_string() && pb.is_string()) return string_less(pa.s, pb.s);
        double x = vm.to_number(pa), y = vm.to_number(pb);
        if (std::isnan(x) || std::isnan(y)) return Value();
        return x < y;
    }

    // Code point order, which is UTF-8 byte order ("\uFF61" < "\uD800\uDC02").
    static bool string_less(Str* a, Str* b) { return a->text < b->text; }

    Value value_of(const Value& v) {
        if (!vm.find(v.o, vm.names.valueOf) && !vm.find(v.o, vm.names.toString)) return Value();
        return vm.call_method(v, vm.names.valueOf, {});
    }

    // An object that has neither valueOf nor toString (such as _global) compares as undefined.
    Value bare_as_undefined(const Value& v) {
        if (v.is_object() && !is_display_object(v.o) && !vm.find(v.o, vm.names.valueOf) && !vm.find(v.o, vm.names.toString))
            return Value();
        return v;
    }

    bool equals2(Value a, Value b) {
        // SWF5 compares two objects by their values.
        if (f.version <= 5 && a.is_object() && b.is_object() && a.o != b.o && !is_display_object(a.o) &&
            !is_display_object(b.o)) {
            a = value_of(a);
            b = value_of(b);
        }
        if (a.type != b.type) {
            a = bare_as_undefined(a);
            b = bare_as_undefined(b);
        }
        for (int guard = 0; guard < 8; ++guard) {
            if (a.type == b.type) return strictly_equal(a, b);
            if (a.is_nullish() && b.is_nullish()) return true;
            if (a.is_nullish() || b.is_nullish()) return false;
            if (a.is_number() && b.is_string()) return a.n == vm.to_number(b);
            if (a.is_string() && b.is_number()) return equals2(b, a);
            if (a.is_bool()) {
                a = a.b ? 1.0 : 0.0;
                continue;
            }
            if (b.is_bool()) {
                b = b.b ? 1.0 : 0.0;
                continue;
            }
            // Objects meet primitives through valueOf alone (no toString fallback).
            if (a.is_object() && !b.is_object()) {
                if (is_display_object(a.o)) return false;
                a = value_of(a);
                if (a.is_object()) return false;
                continue;
            }
            if (b.is_object() && !a.is_object()) {
                if (is_display_object(b.o)) return false;
                b = value_of(b);
                if (b.is_object()) return false;
                continue;
            }
            return false;
        }
        return false;
    }


    Str* substring(Str* s, double index, double count, bool multibyte) {
        // 1-based; index <= 0 counts as 1; negative count runs to the end.
        int32_t i = to_int32(index), n = to_int32(count);
        if (std::isnan(count)) n = 0;
        if (i < 1) i = 1;
        const bool units = f.version >= 6 || multibyte;
        if (s->is_ascii() || !units) {
            const std::string& t = s->text;
            if (size_t(i) > t.size()) return vm.names.empty;
            size_t len = n < 0 ? std::string::npos : size_t(n);
            return vm.str(t.substr(size_t(i - 1), len));
        }
        std::u16string u = utf8_to_utf16(s->text);
        if (size_t(i) > u.size()) return vm.names.empty;
        size_t len = n < 0 ? std::u16string::npos : size_t(n);
        return vm.str(utf16_to_utf8(u.substr(size_t(i - 1), len)));
    }

    double string_length(Str* s, bool multibyte) {
        if (s->is_ascii() || (f.version < 6 && !multibyte)) return double(s->text.size());
        return double(utf8_to_utf16(s->text).size());
    }

    void do_goto_frame2(uint8_t flags, uint16_t bias) {
        Value frame = pop();
        const bool play = flags & 1;
        Object* clip = timeline_target();
        if (frame.is_number() && frame.n == std::trunc(frame.n)) {
            double d = frame.n;
            int64_t n = int64_t(uint32_t(to_uint32(d))) + bias;
            if (int32_t(n) <= 0) return;
            clip_goto(vm, clip, int(n) - 1, play);
            return;
        }
        // A fractional number names no frame (and no label either).
        if (frame.is_number() && std::isfinite(frame.n)) return;
        std::string s = frame.is_string() ? frame.s->text : vm.to_string(frame)->text;
        size_t colon = s.rfind(':');
        if (colon != std::string::npos) {
            clip = resolve_target(s.substr(0, colon));
            s = s.substr(colon + 1);
            if (!clip) return;
        }
        double num = string_to_number(s, 6);
        if (!s.empty() && !std::isnan(num)) {
            int64_t n = int64_t(num) + bias;
            if (n <= 0) return;
            clip_goto(vm, clip, int(n) - 1, play);
            return;
        }
        clip_goto_label(vm, clip, s, play, bias);
    }

    void get_url(const std::string& url, const std::string& target, int method) { vm.host.get_url(url, target, method); }

    Value new_function(uint32_t def_index, uint32_t body_end) {
        const Code::FuncDef& d = f.code->funcs[def_index];
        FunctionObject* fn = vm.heap.make<FunctionObject>(vm.function_proto);
        fn->hold_code = f.fn ? f.fn->hold_code : f.hold;
        fn->code_ptr = f.code;
        fn->begin = f.pc;
        fn->end = body_end;
        fn->params = d.params;
        fn->param_regs = d.regs;
        fn->flags = d.flags;
        fn->register_count = d.register_count;
        fn->v2 = d.v2;
        fn->version = std::max(f.version, 5);
        fn->name = d.name;
        fn->scope = f.scope;
        if (f.pool) fn->pool = *f.pool;
        fn->base_clip = f.base;
        fn->needs_activation = needs_activation(d, fn->begin, body_end);
        Object* proto = vm.new_object();
        proto->put(vm.names.constructor, fn, DontEnum, true);
        fn->put(vm.names.prototype, proto, DontEnum, true);
        return fn;
    }

    // Whether calls of a function need an object for its local names. A DefineFunction2 body
    // that keeps `this`, `arguments` and its parameters in registers and never declares a name
    // (var, a named function, a catch variable) would only ever have an empty one.
    bool needs_activation(const Code::FuncDef& d, uint32_t begin, uint32_t end) const {
        if (!d.v2 || !(d.flags & 0x3) || !(d.flags & 0xC)) return true;
        for (uint8_t r : d.regs)
            if (!r) return true;
        for (uint32_t i = begin; i < end && i < f.code->insns.size(); ++i) {
            switch (Op(f.code->insns[i].op)) {
            case Op::DefineLocal:
            case Op::DefineLocal2:
            case Op::DefineFunction:
            case Op::DefineFunction2:
            case Op::Try: return true;
            default: break;
            }
        }
        return false;
    }

    Value construct_named(const Value& ctor, ArgList& args) {
        return vm.construct(ctor, args.data(), int(args.size()));
    }

    Value call_value(const Value& fn, const Value& self, ArgList& args, Object* holder) {
        if (fn.is_object() && fn.o->kind == ObjKind::Other)
            if (auto* sup = dynamic_cast<SuperObject*>(fn.o)) {
                // super(…): the constructor the prototype was made by.
                if (!sup->holder) return Value();
                Value ctor = vm.get(sup->holder, vm.names.__constructor__);
                return call_value(ctor, sup->self, args, sup->holder->proto);
            }
        auto* fo = fn.is_object() && fn.o->kind == ObjKind::Function ? static_cast<FunctionObject*>(fn.o) : nullptr;
        if (!fo) return Value();
        if (fo->native) return vm.call(fn, self, args.data(), int(args.size()));
        return call_script(vm, fo, self, args.data(), int(args.size()), holder);
    }

    // CallFunction: name, count and arguments on the stack.
    void call_function() {
        Value name = pop();
        int n = count(pop());
        ArgList args;
        pop_args(n, args);
        // A function found on a scope object (a with-object, an enclosing activation, a
        // timeline) is called on that object; otherwise on the current target.
        Str* key = vm.key(name);
        Value fn, self;
        bool found = false;
        if (!key->names_path() && !same(key, vm.names.this_)) {
            for (Scope* sc = f.scope; sc && !found; sc = sc->parent) {
                if (!sc->object) continue;
                const int plain = find_plain(sc->object, key, fn);
                if (plain == 0 || (plain < 0 && !vm.has_property(sc->object, key))) continue;
                if (plain < 0) fn = vm.get(sc->object, key);
                self = sc->object;
                found = true;
            }
        }
        if (!found && key->names_path()) {
            // `a.b.f` is called on what `a.b` names.
            const std::string& t = key->text;
            const size_t cut = t.find_last_of(".:");
            if (cut != std::string::npos && cut > 0 && cut + 1 < t.size()) {
                Value holder = get_variable(vm.intern(std::string_view(t).substr(0, cut)));
                if (holder.is_object()) {
                    fn = vm.get(holder.o, vm.intern(std::string_view(t).substr(cut + 1)));
                    self = holder;
                    found = true;
                }
            }
        }
        if (!found) {
            fn = get_variable(key);
            self = f.target ? Value(f.target) : Value();
        }
        push(call_value(fn, self, args, nullptr));
    }

    // CallMethod: name, object, count and arguments on the stack.
    void call_method() {
        Value name = pop();
        Value obj = pop();
        int n = count(pop());
        ArgList args;
        pop_args(n, args);
        const bool no_name = name.is_undefined() || (name.is_string() && name.s->text.empty());
        SuperObject* sup = obj.is_object() && obj.o->kind == ObjKind::Other ? dynamic_cast<SuperObject*>(obj.o) : nullptr;
        if (sup) {
            Object* from = sup->holder ? sup->holder->proto : nullptr;
            if (!from) {
                push(Value());
                return;
            }
            if (no_name) {
                Value ctor = vm.get(sup->holder, vm.names.__constructor__);
                push(call_value(ctor, sup->self, args, from));
            } else {
                Object* holder = nullptr;
                Str* key = vm.key(name);
                Value fn = vm.get(from, key);
                vm.find(from, key, &holder);
                push(call_value(fn, sup->self, args, holder));
            }
            return;
        }
        if (no_name) {
            push(call_value(obj, f.target ? Value(f.target) : Value(), args, nullptr));
            return;
        }
        Str* key = vm.key(name);
        Value fn, self;
        Object* holder = nullptr;
        if (obj.is_object() && find_plain(obj.o, key, fn, &holder) == 1) {
            self = obj;
        } else {
            fn = get_member(obj, key);
            self = obj.is_object() ? obj : Value(vm.to_object(obj));
            holder = nullptr;
            if (self.is_object()) vm.find(self.o, key, &holder);
        }
        // A method of the object itself counts as found on its prototype (for `super`).
        if (holder && self.is_object() && holder == self.o) holder = self.o->proto;
        if (!fn.is_object() || fn.o->kind != ObjKind::Function) {
            push(Value());
            return;
        }
        push(call_value(fn, self, args, holder));
    }

    // A branch; one that goes back may leave the innermost region.
    SWF_INLINE void jump(uint32_t to) {
        if (to < f.pc && !f.regions.empty()) f.limit = 0;
        f.pc = to;
    }
    SWF_INLINE void push_items(const Code& code, const Code::Insn& in) {
        for (uint32_t i = 0; i < in.b; ++i) {
            const Code::PushItem& item = code.pushes[in.a + i];
            if (item.kind == 0)
                push(item.value);
            else if (item.kind == 1)
                push(reg(item.index));
            else
                push(f.pool && item.index < f.pool->size() ? Value((*f.pool)[item.index]) : Value());
        }
    }
    SWF_INLINE void do_get_member() {
        Value name = pop();
        Value obj = pop();
        push(get_member(obj, name));
    }
    // The comparisons a fused CompareNotIf stands for.
    Value compare(Op op) {
        Value b = pop();
        Value a = pop();
        switch (op) {
        case Op::Less2: return less(a, b);
        case Op::Greater: return less(b, a);
        case Op::Equals2: return equals2(a, b);
        default: return strictly_equal(a, b);
        }
    }
    SWF_INLINE void do_add2() {
        Value b = pop_raw();
        Value a = pop_raw();
        push(add2(a, b));
    }

    void run();

    // Developer aid (swfrun --log-actions): each action with the top of the stack.
    void log_action(const Code::Insn& in) {
        const char* name = "?";
        switch (Op(in.op)) {
#define SWF_ACTION_NAME(code, n, v) \
    case Op::n: name = #n; break;
            SWF_ENUMERATE_ACTIONS(SWF_ACTION_NAME)
#undef SWF_ACTION_NAME
#define SWF_FUSED_NAME(code, n) \
    case Op::n: name = #n; break;
            SWF_ENUMERATE_FUSED(SWF_FUSED_NAME)
#undef SWF_FUSED_NAME
        }
        std::string top_text = vm.stack.size() > f.stack_base ? describe(vm.stack.back()) : "-";
        std::fprintf(stderr, "%*s%4u %-16s a=%u b=%u  top=%s\n", vm.depth * 2, "", f.pc, name, in.a, in.b, top_text.c_str());
    }
    std::string describe(const Value& v) {
        switch (v.type) {
        case Type::Undefined: return "undefined";
        case Type::Null: return "null";
        case Type::Bool: return v.b ? "true" : "false";
        case Type::Number: return number_to_string(v.n);
        case Type::String: {
            std::string quoted(1, '"');
            quoted.append(v.s->view()).push_back('"');
            return quoted;
        }
        case Type::Object: return v.o->kind == ObjKind::Function ? "[function]" : "[object]";
        }
        return "?";
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// [Actions]
// ---------------------------------------------------------------------------------------------
void Interp::run() {
    const Code& code = *f.code;
    const Code::Insn* const insns = code.insns.data();  // decoded code never changes
    // The countdown is the machine's, not this block's: short handlers run one after another
    // (a clip's events as a loop duplicates it) add up to the time limit too.
    uint32_t& budget = vm.check_countdown;
    while (true) {
        if (f.pc >= f.limit || f.returned) {
            f.limit = 0;
            if (f.pc >= f.end || f.returned || (!f.regions.empty() && (f.pc < f.regions.back().begin || f.pc >= f.regions.back().end))) {
                if (f.regions.empty()) break;
                if (!leave_regions()) {
                    if (!catch_exception()) return;
                    continue;
                }
                if (f.regions.empty() && (f.pc >= f.end || f.returned)) break;
                continue;
            }
            f.limit = f.regions.empty() ? f.end : std::min(f.end, f.regions.back().end);
        }
        if (--budget == 0) {
            budget = kCheckEvery;
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - vm.started).count();
            if (elapsed > vm.timeout_seconds) {
                vm.host.error("A script has run longer than " + std::to_string(int(vm.timeout_seconds)) +
                              " seconds and was stopped.");
                vm.aborting = true;
            }
            if (vm.native_depth == 0) vm.maybe_collect();
        }
        if (vm.aborting) return;
        const Code::Insn& in = insns[f.pc];
        if (vm.log_actions) log_action(in);
        ++f.pc;
        switch (Op(in.op)) {
        case Op::End: f.pc = f.end; break;
        case Op::NextFrame: clip_control(vm, timeline_target(), ClipControl::Next); break;
        case Op::PreviousFrame: clip_control(vm, timeline_target(), ClipControl::Prev); break;
        case Op::Play: clip_control(vm, timeline_target(), ClipControl::Play); break;
        case Op::Stop: clip_control(vm, timeline_target(), ClipControl::Stop); break;
        case Op::ToggleQuality: break;
        case Op::StopSounds: stop_all_sounds(vm); break;
        case Op::GotoFrame: clip_goto(vm, timeline_target(), int(in.a), false); break;
        case Op::GetURL: get_url(code.strings[in.a]->text, code.strings[in.b]->text, 0); break;
        case Op::WaitForFrame: break;  // every frame is loaded
        case Op::SetTarget: set_target(code.strings[in.a]->text); break;
        case Op::GoToLabel: clip_goto_label(vm, timeline_target(), code.strings[in.a]->text, false, 0); break;
        case Op::Push: push_items(code, in); break;
        case Op::Pop: pop_raw(); break;  // dropped unread: no need to settle
        case Op::Add: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            push(a + b);
            break;
        }
        case Op::Subtract: {
            Value vb = pop(), va = pop();
            double b = num(vb), a = num(va);  // right operand converted first
            push(a - b);
            break;
        }
        case Op::Multiply: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            push(a * b);
            break;
        }
        case Op::Divide: {
            Value vb = pop(), va = pop();
            double b = num(vb), a = num(va);  // right operand converted first
            if (b == 0 && v4())
                push(vm.intern("#ERROR#"));
            else
                push(a / b);
            break;
        }
        case Op::Equals: {
            // Converted right operand first, unlike the arithmetic actions.
            Value vb = pop(), va = pop();
            double b = num(vb), a = num(va);
            push_bool(a == b);  // NaN differs from itself, even in SWF4
            break;
        }
        case Op::Less: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            if (v4()) a = std::isfinite(a) ? a : 0, b = std::isfinite(b) ? b : 0;  // SWF4 numbers are finite
            push_bool(a < b);
            break;
        }
        case Op::And: {
            Value vb = pop(), va = pop();
            bool a = truth(va), b = truth(vb);
            push_bool(a && b);
            break;
        }
        case Op::Or: {
            Value vb = pop(), va = pop();
            bool a = truth(va), b = truth(vb);
            push_bool(a || b);
            break;
        }
        case Op::Not: push_bool(!truth(pop())); break;
        case Op::StringEquals: {
            Value vb = pop(), va = pop();
            Str* b = vm.to_string(vb);  // right operand converted first
            Str* a = vm.to_string(va);
            push_bool(a->text == b->text);
            break;
        }
        case Op::StringLess: {
            Value vb = pop(), va = pop();
            Str* b = vm.to_string(vb);  // right operand converted first
            Str* a = vm.to_string(va);
            push_bool(string_less(a, b));
            break;
        }
        case Op::StringGreater: {
            Value vb = pop(), va = pop();
            Str* a = vm.to_string(va);
            Str* b = vm.to_string(vb);
            push_bool(string_less(b, a));
            break;
        }
        case Op::StringAdd: {
            Value vb = pop_raw(), va = pop_raw();
            Str* b = vm.to_string(vb);  // right operand converted first
            Str* a = vm.to_string(va);
            push(vm.heap.concat(a, b));
            break;
        }
        case Op::StringLength:
        case Op::MBStringLength: push(string_length(vm.to_string(pop()), Op(in.op) == Op::MBStringLength)); break;
        case Op::StringExtract:
        case Op::MBStringExtract: {
            double count = num(pop()), index = num(pop());
            Str* s = vm.to_string(pop());
            push(substring(s, index, count, Op(in.op) == Op::MBStringExtract));
            break;
        }
        case Op::ToInteger: push(double(vm.to_int32(pop()))); break;
        case Op::CharToAscii:
        case Op::MBCharToAscii: {
            Str* s = vm.to_string(pop());
            if (s->text.empty()) {
                push(0.0);
            } else if (s->is_ascii() || (f.version < 6 && Op(in.op) == Op::CharToAscii)) {
                push(double(uint8_t(s->text[0])));
            } else {
                // A character outside the 16-bit range reads as the replacement character.
                const char16_t c = utf8_to_utf16(s->text)[0];
                push(double(c >= 0xD800 && c <= 0xDBFF ? 0xFFFD : c));
            }
            break;
        }
        case Op::AsciiToChar:
        case Op::MBAsciiToChar: {
            uint32_t c = uint32_t(vm.to_int32(pop())) & 0xFFFF;
            if (c == 0) {
                push(vm.names.empty);
            } else if (f.version < 6 && Op(in.op) == Op::AsciiToChar && c < 256) {
                // Older movies: one byte of the author's code page.
                push(vm.str(decode_file_string(std::string(1, char(c)), 5)));
            } else {
                push(vm.str(utf16_to_utf8(std::u16string(1, char16_t(c)))));
            }
            break;
        }
        case Op::Jump: jump(in.a); break;
        case Op::If:
            if (truth(pop())) jump(in.a);
            break;
        case Op::Call: {
            Value frame = pop();
            clip_call_frame(vm, f.target, frame, [this](const std::string& p) { return resolve_target(p); });
            break;
        }
        case Op::GetVariable: {
            Value name = pop();
            push(get_variable(vm.key(name)));
            break;
        }
        case Op::SetVariable: {
            Value v = pop();
            Value name = pop();
            set_variable(vm.key(name), v);
            break;
        }
        case Op::GetURL2: {
            Value target = pop();
            Value url = pop();
            const uint8_t flags = uint8_t(in.a);
            if (flags & 0x40) {
                // Load into a clip: resolved by path.
                Object* clip = target_of(target);
                clip_load(vm, clip, vm.to_string(url)->text, flags);
            } else {
                get_url(vm.to_string(url)->text, vm.to_string(target)->text, flags);
            }
            break;
        }
        case Op::GotoFrame2: do_goto_frame2(uint8_t(in.a), uint16_t(in.b)); break;
        case Op::SetTarget2: {
            Value t = pop();
            if (t.is_object() && is_display_object(t.o))
                set_target(display_path(vm, t.o, false));  // by its path: a same-named clip may win
            else
                set_target(vm.to_string(t)->text);  // other objects name a path by their toString
            break;
        }
        case Op::GetProperty: {
            Value index = pop();
            Value target = pop();
            const int which = property_index(vm.to_number(index));  // converted before the target
            Object* clip = target_of(target);
            push(clip ? clip_get_property(vm, clip, which) : Value());
            break;
        }
        case Op::SetProperty: {
            Value v = pop();
            Value index = pop();
            Value target = pop();
            const int which = property_index(vm.to_number(index));  // converted before the target
            Object* clip = target_of(target);
            if (clip) {
                clip_set_property(vm, clip, which, v);
            } else if (v.is_object()) {
                // With no clip the value is still read: _name (13) as text, the rest as numbers.
                if (which == 13) vm.to_string(v);
                else vm.to_number(v);
            }
            break;
        }
        case Op::CloneSprite: {
            Value depth = pop();
            Value name = pop();
            Value source = pop();
            // Converted depth, name, source: the order the original reads them in.
            const double d = vm.to_number(depth);
            Str* key = vm.key(name);
            Object* clip = target_of(source);
            if (clip) clip_duplicate(vm, clip, key, d - 16384, nullptr);
            break;
        }
        case Op::RemoveSprite: {
            Object* clip = target_of(pop());
            if (clip) clip_remove(vm, clip);
            break;
        }
        case Op::StartDrag: {
            Object* clip = target_of(pop());  // the target is resolved before the flags are read
            // Objects give their flags through valueOf, and only 1 counts as set.
            auto flag = [&](const Value& v) { return v.is_object() ? vm.to_number(v) == 1 : truth(v); };
            bool lock = flag(pop());
            bool constrain = flag(pop());
            double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            if (constrain) {
                y2 = num(pop());
                x2 = num(pop());
                y1 = num(pop());
                x1 = num(pop());
            }
            if (clip) clip_start_drag(vm, clip, lock, constrain, x1, y1, x2, y2);
            break;
        }
        case Op::EndDrag: clip_stop_drag(vm); break;
        case Op::WaitForFrame2: {
            // Every frame is loaded; the frame is still read, as a label when it is an object.
            // A frame number past the most frames a movie may have never loads: the next
            // in.a actions are skipped. The 0-based number wraps like the player's int32.
            Value frame = pop();
            if (frame.is_object()) vm.to_string(frame);
            if (frame.is_number() && std::isfinite(frame.n) && frame.n == std::trunc(frame.n)) {
                const auto index = int32_t(uint32_t(to_int32(frame.n)) - 1u);
                if (index > kMaxLoadableFrame) f.pc = std::min<size_t>(f.pc + in.a, f.end);
            }
            break;
        }
        case Op::Trace: vm.host.trace(vm.trace_string(pop())); break;
        case Op::GetTime: push(std::floor(vm.host.timer_ms())); break;
        case Op::RandomNumber: {
            int32_t max = vm.to_int32(pop());
            push(max <= 0 ? 0.0 : double(random_below(vm, uint32_t(max))));
            break;
        }
        // ---- SWF 5 ----
        case Op::ConstantPool: f.pool = &code.pools[in.a]; break;
        case Op::CallFunction: call_function(); break;
        case Op::CallMethod: call_method(); break;
        case Op::Return:
            f.result = pop();
            f.returned = true;
            break;
        case Op::Modulo: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            // Whole numbers that doubles hold exactly skip fmod; a zero result keeps the
            // dividend's sign.
            constexpr double kExact = 9007199254740992.0;  // 2^53
            if (a > -kExact && a < kExact && b > -kExact && b < kExact) {
                const int64_t ia = int64_t(a), ib = int64_t(b);
                if (a == double(ia) && b == double(ib) && ib != 0) {
                    const int64_t r = ia % ib;
                    push(r == 0 && std::signbit(a) ? -0.0 : double(r));
                    break;
                }
            }
            push(std::fmod(a, b));
            break;
        }
        case Op::NewObject: {
            Value name = pop();
            int n = count(pop());
            ArgList args;
            pop_args(n, args);
            Value ctor = get_variable(vm.key(name));
            push(construct_named(ctor, args));
            break;
        }
        case Op::NewMethod: {
            Value name = pop();
            Value obj = pop();
            int n = count(pop());
            ArgList args;
            pop_args(n, args);
            const bool no_name = name.is_undefined() || (name.is_string() && name.s->text.empty());
            Value ctor = no_name ? obj : get_member(obj, name);
            push(construct_named(ctor, args));
            break;
        }
        case Op::DefineLocal: {
            Value v = pop();
            Value name = pop();
            define_local(vm.key(name), v);
            break;
        }
        case Op::DefineLocal2: {
            Value name = pop();
            Str* key = vm.key(name);
            if (f.activation) {
                if (!f.activation->find_own(key, vm.case_sensitive())) f.activation->put(key, Value(), 0, vm.case_sensitive());
            } else {
                Object* into = f.target ? f.target : f.base;
                if (into && !vm.has_property(into, key)) vm.set(into, key, Value());
            }
            break;
        }
        case Op::Delete: {
            Value name = pop();
            Value obj = pop();
            bool ok = false;
            if (Object* o = obj.object()) {
                Property* p = o->find_own(vm.key(name), vm.case_sensitive());
                if (p && !(p->flags & DontDelete)) ok = o->remove(vm.key(name), vm.case_sensitive());
            }
            push(ok);
            break;
        }
        case Op::Delete2: {
            Str* key = vm.key(pop());
            bool ok = false;
            for (Scope* s = f.scope; s; s = s->parent) {
                if (!s->object) continue;
                Property* p = s->object->find_own(key, vm.case_sensitive());
                if (p) {
                    if (!(p->flags & DontDelete)) ok = s->object->remove(key, vm.case_sensitive());
                    break;
                }
            }
            if (!ok) {
                Property* p = vm.global->find_own(key, vm.case_sensitive());
                if (p && !(p->flags & DontDelete)) ok = vm.global->remove(key, vm.case_sensitive());
            }
            push(ok);
            break;
        }
        case Op::InitArray: {
            int n = count(pop());
            ArrayObject* a = vm.new_array();
            a->items.resize(size_t(n));
            for (int i = 0; i < n; ++i) a->items[size_t(i)] = pop();
            push(a);
            break;
        }
        case Op::InitObject: {
            const double want = num(pop());
            const size_t avail = vm.stack.size() - std::min(vm.stack.size(), f.stack_base);
            if (!(want >= 0) || want * 2 > double(avail)) {
                push(Value());  // a count the stack cannot hold makes nothing
                break;
            }
            const int n = int(want);
            Object* o = vm.new_object();
            // The pair on top (the last written in the source) is set first.
            for (int i = 0; i < n; ++i) {
                Value v = pop();
                Value name = pop();
                vm.set(o, vm.key(name), v);
            }
            push(o);
            break;
        }
        case Op::TypeOf: push(vm.type_of(pop())); break;
        case Op::TargetPath: {
            Value v = pop();
            if (v.is_object() && is_display_object(v.o))
                push(vm.str(display_path(vm, v.o, false)));
            else
                push(Value());
            break;
        }
        case Op::Enumerate:
        case Op::Enumerate2: {
            Value v = pop();
            if (Op(in.op) == Op::Enumerate) v = get_variable(vm.key(v));
            push(Value());
            if (Object* o = v.object()) {
                std::vector<Str*> names = vm.enumerate(o);
                for (auto it = names.rbegin(); it != names.rend(); ++it) push(*it);
            }
            break;
        }
        case Op::Add2: do_add2(); break;
        case Op::Less2: {
            Value b = pop();
            Value a = pop();
            push_result(less(a, b));
            break;
        }
        case Op::Greater: {
            Value b = pop();
            Value a = pop();
            push_result(less(b, a));
            break;
        }
        case Op::Equals2: {
            Value b = pop();
            Value a = pop();
            push_bool(equals2(a, b));
            break;
        }
        case Op::StrictEquals: {
            Value b = pop();
            Value a = pop();
            push_bool(strictly_equal(a, b));
            break;
        }
        case Op::ToNumber: push(num(pop())); break;
        case Op::ToString: push(vm.to_string(pop())); break;
        case Op::PushDuplicate: {
            Value v = top();
            push(v);
            break;
        }
        case Op::StackSwap: {
            Value b = pop();
            Value a = pop();
            push(b);
            push(a);
            break;
        }
        case Op::GetMember: do_get_member(); break;
        case Op::SetMember: {
            Value v = pop();
            Value name = pop();
            Value obj = pop();
            set_member(obj, name, v);
            break;
        }
        case Op::Increment: push(num(pop()) + 1); break;
        case Op::Decrement: push(num(pop()) - 1); break;
        case Op::StoreRegister: reg(in.a) = top(); break;
        // Fused runs (see actions.h); each skips the actions it stands for.
        case Op::SetRegister:
            reg(in.a) = top();
            pop_raw();
            f.pc += 1;
            break;
        case Op::CompareNotIf:
            f.pc += 2;
            if (!truth(compare(Op(in.b)))) jump(in.a);
            break;
        case Op::IncRegister:
        case Op::DecRegister: {
            const Value v = reg(in.a);
            reg(in.b) = num(v) + (Op(in.op) == Op::IncRegister ? 1 : -1);
            f.pc += 3;
            break;
        }
        case Op::PushGetMember:
            push_items(code, in);
            do_get_member();
            f.pc += 1;
            break;
        case Op::PushAdd2:
            push_items(code, in);
            do_add2();
            f.pc += 1;
            break;
        case Op::PushCallFunction:
            push_items(code, in);
            f.pc += 1;
            call_function();
            break;
        case Op::PushCallMethod:
            push_items(code, in);
            f.pc += 1;
            call_method();
            break;
        case Op::BitAnd: {
            Value vb = pop(), va = pop();
            int32_t a = int32(va), b = int32(vb);
            push(double(a & b));
            break;
        }
        case Op::BitOr: {
            Value vb = pop(), va = pop();
            int32_t a = int32(va), b = int32(vb);
            push(double(a | b));
            break;
        }
        case Op::BitXor: {
            Value vb = pop(), va = pop();
            int32_t a = int32(va), b = int32(vb);
            push(double(a ^ b));
            break;
        }
        case Op::BitLShift: {
            Value vn = pop(), va = pop();
            int32_t a = int32(va), n = int32(vn);
            push(double(int32_t(uint32_t(a) << (n & 31))));
            break;
        }
        case Op::BitRShift: {
            Value vn = pop(), va = pop();
            int32_t a = int32(va), n = int32(vn);
            push(double(a >> (n & 31)));
            break;
        }
        case Op::BitURShift: {
            Value vn = pop(), va = pop();
            uint32_t a = uint32_t(int32(va));
            int32_t n = int32(vn);
            // Up to SWF8 a shift by nothing hands the bits back as a signed number.
            push((n & 31) || f.version > 8 ? double(a >> (n & 31)) : double(int32_t(a)));
            break;
        }
        case Op::With: {
            Value v = pop();
            Object* o = v.is_object() ? v.o : vm.to_object(v);
            if (!o || in.a <= f.pc) {
                f.pc = std::max(f.pc, in.a);
                break;
            }
            Region r;
            r.kind = Region::With;
            r.begin = f.pc;
            r.end = std::min(in.a, f.end);
            r.saved_scope = f.scope;
            f.scope = vm.heap.make<Scope>(o, f.scope);
            f.regions.push_back(r);
            f.limit = 0;
            break;
        }
        case Op::DefineFunction:
        case Op::DefineFunction2: {
            const uint32_t body_end = std::min(in.b, f.end);
            Value fn = new_function(in.a, body_end);
            Str* name = code.funcs[in.a].name;
            f.pc = body_end;
            if (name->text.empty())
                push(fn);
            else
                define_local(name, fn);
            break;
        }
        // ---- SWF 6 and 7 ----
        case Op::InstanceOf: {
            Value ctor = pop();
            Value obj = pop();
            push_bool(obj.is_object() && ctor.is_object() && vm.instance_of(obj.o, ctor.o));
            break;
        }
        case Op::Extends: {
            Value super_ctor = pop();
            Value sub = pop();
            if (!sub.is_object() || !super_ctor.is_object()) break;
            Object* proto = vm.new_object(vm.get(super_ctor, vm.names.prototype).object());
            proto->put(vm.names.__constructor__, super_ctor, DontEnum, true);
            vm.set(sub.o, vm.names.prototype, proto);
            break;
        }
        case Op::CastOp: {
            Value obj = pop();
            Value ctor = pop();
            push(obj.is_object() && ctor.is_object() && vm.instance_of(obj.o, ctor.o) ? obj : Value::null());
            break;
        }
        case Op::ImplementsOp: {
            Value ctor = pop();
            int n = count(pop());
            std::vector<Value> ifaces = pop_args(n);
            Object* proto = ctor.is_object() ? vm.get(ctor, vm.names.prototype).object() : nullptr;
            if (proto)
                for (Value& i : ifaces)
                    if (Object* o = i.object()) proto->interfaces.push_back(o);
            break;
        }
        case Op::Try: {
            const Code::TryDef& t = code.tries[in.a];
            Region r;
            r.kind = Region::Try;
            r.begin = f.pc;
            r.end = std::min(t.try_end, f.end);
            r.def = &t;
            r.try_end = std::min(t.try_end, f.end);
            r.catch_end = std::max(r.try_end, std::min(t.catch_end, f.end));
            r.finally_end = std::max(r.catch_end, std::min(t.finally_end, f.end));
            r.stack_height = vm.stack.size();
            f.regions.push_back(r);
            f.limit = 0;
            break;
        }
        case Op::Throw: {
            vm.exception = pop();
            vm.throwing = true;
            break;
        }
        case Op::FSCommand2: push(Value()); break;
        case Op::StrictMode: break;
        default: break;  // unknown actions are skipped
        }
        if (vm.throwing) {
            f.limit = 0;
            if (!catch_exception()) return;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// [Calls]
// ---------------------------------------------------------------------------------------------
namespace {

struct ExecScope {
    Vm& vm;
    ExecState& state;
    ExecScope(Vm& v, ExecState& s) : vm(v), state(s) {
        s.parent = vm.exec;
        vm.exec = &s;
        ++vm.depth;
    }
    ~ExecScope() {
        vm.exec = state.parent;
        --vm.depth;
    }
};

}  // namespace

void Vm::run_block(const std::shared_ptr<const Code>& code, Object* clip) {
    if (!code || code->insns.empty()) return;
    if (aborting) return;
    ++runs;
    // Blocks run from inside others (call(), the events of a clip a script makes) count as levels
    // too: a frame that calls itself is stopped like a function that does.
    if (depth >= max_depth) {
        host.error("A script called functions more than " + std::to_string(max_depth) + " levels deep and was stopped.");
        aborting = true;
        return;
    }
    ExecState s;
    s.code = code.get();
    s.hold = code;
    s.end = uint32_t(code->insns.size());
    s.target = s.base = clip;
    s.scope = heap.make<Scope>(clip, nullptr);
    s.self = clip;
    s.regs = regs;
    s.nregs = 4;
    s.version = code->version;
    s.stack_base = 0;
    const bool top = depth == 0;
    if (top) started = std::chrono::steady_clock::now();
    ExecScope guard(*this, s);
    Interp in{*this, s};
    in.run();
    if (throwing && top) {
        host.trace("Warning: Uncaught exception, " + trace_string(exception));  // NOLINT
        throwing = false;
        exception = Value();
    }
    if (top) aborting = false;
}

Value call_script(Vm& vm, FunctionObject* fn, const Value& self, const Value* args, int argc, Object* super_holder) {
    if (vm.aborting || !fn->code_ptr) return Value();
    ++vm.runs;
    if (vm.depth >= vm.max_depth) {
        vm.host.error("A script called functions more than " + std::to_string(vm.max_depth) +
                      " levels deep and was stopped.");
        vm.aborting = true;
        return Value();
    }
    ExecState s;
    s.code = fn->code_ptr;  // kept alive by fn, which the running state marks
    s.pc = fn->begin;
    s.end = std::min<uint32_t>(fn->end, uint32_t(s.code->insns.size()));
    s.self = self;
    s.fn = fn;
    s.version = fn->version;
    s.pool = &fn->pool;
    s.super_holder = super_holder;
    s.stack_base = vm.stack.size();
    Object* base = fn->base_clip;
    if (base && !clip_alive(base) && self.is_object() && is_display_object(self.o)) base = self.o;
    s.base = s.target = base;
    // Without a target to write undeclared names into, they would go to the activation.
    Object* act = fn->needs_activation || !base ? vm.heap.make<Object>(nullptr) : nullptr;
    s.activation = act;
    // The scope: SWF6+ closures see the chain they were made in; SWF5 functions see the clip
    // they were called on.
    Scope* outer = fn->scope;
    if (fn->version < 6) {
        Object* clip = self.is_object() && is_display_object(self.o) ? self.o : base;
        outer = vm.heap.make<Scope>(clip, nullptr);
        if (clip) s.target = clip;
    }
    s.scope = act ? vm.heap.make<Scope>(act, outer) : outer;
    ExecScope guard(vm, s);
    // Arguments object.
    auto make_arguments = [&]() {
        ArrayObject* a = vm.new_array();
        a->items.assign(args, args + argc);
        a->put(vm.names.callee, fn, DontEnum, true);
        if (vm.exec->parent && vm.exec->parent->fn) a->put(vm.names.caller, vm.exec->parent->fn, DontEnum, true);
        else a->put(vm.names.caller, Value::null(), DontEnum, true);
        return a;
    };
    const bool cs = vm.case_sensitive();
    if (!fn->v2) {
        // Plain functions use the top-level registers.
        s.regs = vm.regs;
        s.nregs = 4;
        for (size_t i = 0; i < fn->params.size(); ++i)
            act->put(fn->params[i], int(i) < argc ? args[i] : Value(), 0, cs);
        s.arguments = make_arguments();
        act->put(vm.names.arguments, s.arguments, DontEnum, cs);
        act->put(vm.names.this_, self, DontEnum, cs);
    } else {
        const int count = std::max<int>(fn->register_count, 1);
        if (count <= ExecState::kSmallRegs) {
            s.regs = s.small_regs.at;
            std::fill(s.regs, s.regs + count, Value());
        } else {
            s.own_regs.assign(size_t(count), Value());
            s.regs = s.own_regs.data();
        }
        s.nregs = count;
        int r = 1;
        auto preload = [&](const Value& v) {
            if (r < count) s.regs[r] = v;
            ++r;
        };
        const uint16_t fl = fn->flags;
        // Suppressing `this` or `super` as well as preloading it keeps the register, empty.
        if (fl & 0x1) preload(fl & 0x2 ? Value() : self);
        else if (!(fl & 0x2)) act->put(vm.names.this_, self, DontEnum, cs);
        if (fl & 0x4) {
            s.arguments = make_arguments();
            preload(s.arguments);
        } else if (!(fl & 0x8)) {
            s.arguments = make_arguments();
            act->put(vm.names.arguments, s.arguments, DontEnum, cs);
        }
        if (fl & 0x10) {
            Interp tmp{vm, s};
            preload(fl & 0x20 ? Value() : tmp.make_super());
        } else if (!(fl & 0x20) && vm.version >= 6) {
            // `super` is answered by name lookup
        }
        if (fl & 0x40) preload(clip_root(vm, base));
        if (fl & 0x80) {
            Object* p = base ? clip_parent(base) : nullptr;
            if (p) preload(p);
        }
        if (fl & 0x100) preload(vm.global);
        const size_t nparams = fn->params.size();
        for (size_t i = 0; i < nparams; ++i) {
            const uint8_t reg = fn->param_regs[i];
            const Value* v = int(i) < argc ? &args[i] : &s.result;  // result: still undefined
            if (reg && reg < count)
                s.regs[reg] = *v;
            else if (!reg)
                act->put(fn->params[i], *v, 0, cs);
        }
    }
    Interp in{vm, s};
    in.run();
    if (vm.stack.size() > s.stack_base) vm.stack.resize(s.stack_base);
    return s.returned ? s.result : Value();
}

}  // namespace swf::avm1
