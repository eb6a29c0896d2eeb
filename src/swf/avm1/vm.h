// The ActionScript 1/2 machine: conversions, property access through prototype chains, calls,
// and the interpreter for action blocks (interpreter.cpp). The display side (clips, text
// fields, the per-frame order) is in clip.h and runtime.h; the machine reaches it through Host.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/avm1/heap.h"
#include "swf/avm1/object.h"

namespace swf::avm1 {

class ClipObject;
class Runtime;

// A file dialog's question and answer (Host::choose_files).
struct FileDialogRequest {
    struct Filter {
        std::string description, extensions, mac_type;  // extensions as "*.txt;*.log"
    };
    bool save = false;      // a save dialog (download) rather than an open one (browse)
    bool multiple = false;  // FileReferenceList
    std::vector<Filter> filters;
    std::string default_name;  // save dialogs: the name suggested
};

struct ChosenFile {
    std::string name;  // without folders
    double size = 0;   // bytes
    double created_ms = 0, modified_ms = 0;  // since 1970, 0 when unknown
};

// What the machine needs from the player around it.
class Host {
public:
    virtual ~Host() = default;
    virtual void trace(const std::string& line) = 0;
    virtual void error(const std::string& message) = 0;
    // getURL/fscommand. Target is the window or level name.
    virtual void get_url(const std::string& url, const std::string& target, int method) = 0;
    virtual double timer_ms() = 0;  // since the movie started
    virtual ClipObject* level(int n) = 0;
    // A file dialog for FileReference(List): true with the files the user picked, false when
    // cancelled. Without a user nothing is picked.
    virtual bool choose_files(const FileDialogRequest&, std::vector<ChosenFile>&) { return false; }
};

// Names the machine looks up often, interned once.
struct Names {
#define SWF_AVM1_NAMES(X) \
    X(length, "length") X(prototype, "prototype") X(__proto__, "__proto__") \
    X(constructor, "constructor") X(__constructor__, "__constructor__") X(toString, "toString") \
    X(valueOf, "valueOf") X(_global, "_global") X(_root, "_root") X(_parent, "_parent") \
    X(this_, "this") X(arguments, "arguments") X(super_, "super") X(callee, "callee") \
    X(caller, "caller") X(onEnterFrame, "onEnterFrame") X(onLoad, "onLoad") \
    X(onUnload, "onUnload") X(_listeners, "_listeners") X(empty, "") X(undefined_, "undefined") \
    X(null_, "null") X(true_, "true") X(false_, "false") X(object_type, "object") \
    X(function_type, "function") X(number_type, "number") X(string_type, "string") \
    X(boolean_type, "boolean") X(movieclip_type, "movieclip") X(NaN_, "NaN") \
    X(__resolve, "__resolve") X(onData, "onData") X(addListener, "addListener") \
    X(removeListener, "removeListener") X(broadcastMessage, "broadcastMessage") \
    X(_level0, "_level0") X(onConstruct, "onConstruct") X(x, "x") X(y, "y")
#define SWF_AVM1_NAME_FIELD(n, text) Str* n = nullptr;
    SWF_AVM1_NAMES(SWF_AVM1_NAME_FIELD)
#undef SWF_AVM1_NAME_FIELD
};

struct Code {
    struct Insn {
        uint8_t op = 0;
        uint32_t a = 0, b = 0;  // operands: jump target, register, sizes...
        uint32_t pos = 0;       // byte offset in the block
    };
    struct PushItem {
        uint8_t kind;  // 0 value, 1 register, 2 pool index
        uint32_t index;
        Value value;
    };
    std::vector<Insn> insns;
    std::vector<PushItem> pushes;
    std::vector<Str*> strings;   // strings the instructions name, interned
    std::vector<std::vector<Str*>> pools;  // ConstantPool contents
    struct FuncDef {
        Str* name;
        std::vector<Str*> params;
        std::vector<uint8_t> regs;
        uint16_t flags = 0;
        uint8_t register_count = 0;
        bool v2 = false;
    };
    std::vector<FuncDef> funcs;
    struct TryDef {
        uint8_t flags;
        uint32_t try_end, catch_end, finally_end;  // instruction indices
        Str* name;
        uint8_t reg;
    };
    std::vector<TryDef> tries;
    int version = 6;
    bool malformed = false;
};

std::shared_ptr<Code> decode(const uint8_t* bytes, size_t size, int version, Heap& heap);

struct ExecState;

// The operand stack. Pushes stay inline in the interpreter's loop; only growing is a call.
class ValueStack {
public:
    size_t size() const { return size_t(top_ - base_); }
    bool empty() const { return top_ == base_; }
    Value& back() { return top_[-1]; }
    void pop_back() { --top_; }
    // By value: the pushed value may live in the stack itself.
#if defined(__GNUC__)
    __attribute__((always_inline))
#endif
    void push_back(Value v) {
        if (top_ == end_) grow();
        *top_++ = v;
    }
    void resize(size_t n) {
        while (size() < n) push_back(Value());
        top_ = base_ + n;
    }
    void clear() { top_ = base_; }
    Value* begin() { return base_; }
    Value* end() { return top_; }
    Value& operator[](size_t i) { return base_[i]; }

private:
    void grow();
    std::vector<Value> store_;
    Value* base_ = nullptr;
    Value* top_ = nullptr;
    Value* end_ = nullptr;
};

class Vm {
public:
    Vm(Host& host, int version);
    ~Vm();

    Host& host;
    Runtime* runtime = nullptr;  // the display side, when there is one
    Heap heap;
    Names names;
    int version;  // of the movie whose code runs
    Object* global = nullptr;
    Object* object_proto = nullptr;
    Object* function_proto = nullptr;
    Object* array_proto = nullptr;
    Object* string_proto = nullptr;
    Object* number_proto = nullptr;
    Object* boolean_proto = nullptr;
    Object* date_proto = nullptr;
    Object* movieclip_proto = nullptr;
    Object* button_proto = nullptr;
    Object* textfield_proto = nullptr;
    Object* error_proto = nullptr;
    Object* object_ctor = nullptr;
    Object* array_ctor = nullptr;
    Object* function_ctor = nullptr;
    // Symbols registered with Object.registerClass, by linkage name.
    std::unordered_map<std::string, Value> registered_classes;
    // Extra roots the built-ins keep (listeners of Key, Mouse, ...).
    std::vector<Value> roots;
    // Set while a script's exception is unwinding; read by the interpreter after each call.
    bool throwing = false;
    Value exception;
    // Set when a limit stopped the running code: nothing can catch it.
    bool aborting = false;
    // Code blocks, script functions and deferred built-in work entered so far: while it stands
    // still, nothing a script can change has changed.
    uint64_t runs = 0;
    // Instructions left until the interpreter next looks at the clock and the collector.
    uint32_t check_countdown = 4096;
    // Set by a native constructor whose arguments it refuses: that `new` gives undefined.
    bool reject_construction = false;
    int max_depth = 256;
    bool log_actions = false;  // print every action run (a developer aid)
    double timeout_seconds = 15;

    bool case_sensitive() const { return version >= 7; }
    // Uniform in [0, 1), from the machine's own generator (Math.random, random()).
    double random() {
        rng ^= rng << 13;
        rng ^= rng >> 7;
        rng ^= rng << 17;
        return double(rng >> 11) * (1.0 / 9007199254740992.0);
    }
    uint64_t rng = 0x9E3779B97F4A7C15ull;
    Str* intern(std::string_view s) { return heap.intern(s); }
    Str* str(std::string s) { return heap.str(std::move(s)); }

    // Objects.
    Object* new_object(Object* proto);
    Object* new_object() { return new_object(object_proto); }
    ArrayObject* new_array();
    FunctionObject* new_native(NativeFn fn, Object* proto_for_new = nullptr);
    // Own data property, no setters (for built-ins).
    void define(Object* o, std::string_view name, const Value& v, uint16_t flags = DontEnum);
    FunctionObject* define_method(Object* o, std::string_view name, NativeFn fn, uint16_t flags = DontEnum);
    // A constructor with its prototype: ctor.prototype = proto, proto.constructor = ctor (both
    // hidden), and, when `global_name` is given, _global[global_name] = ctor.
    FunctionObject* make_class(std::string_view global_name, NativeFn ctor, Object* proto);

    // Conversions, by the rules of the running code's version.
    double to_number(const Value& v);
    Str* to_string(const Value& v);
    std::string to_std_string(const Value& v) { return to_string(v)->text; }
    bool to_boolean(const Value& v);
    Value to_primitive(const Value& v, bool prefer_string = false);
    Object* to_object(const Value& v);  // boxes primitives; null for undefined and null
    int32_t to_int32(const Value& v);
    Str* type_of(const Value& v);
    // What trace() prints.
    std::string trace_string(const Value& v);
    Str* number_string(double n);

    // Properties.
    Value get(Object* o, Str* name);
    Value get(const Value& obj, Str* name);
    void set(Object* o, Str* name, const Value& v);
    bool has_property(Object* o, Str* name);
    Property* find(Object* o, Str* name, Object** holder = nullptr);
    // Interned property name for a value.
    Str* key(const Value& name) { return name.is_string() && name.s->interned ? name.s : key_of(name); }
    Str* key_of(const Value& name);
    std::vector<Str*> enumerate(Object* o);
    bool instance_of(Object* o, Object* ctor);

    // Calls. `self` is `this`; results of a throw come back as undefined with `throwing` set.
    Value call(const Value& fn, const Value& self, const Value* args, int argc);
    Value call(const Value& fn, const Value& self, std::initializer_list<Value> args) {
        return call(fn, self, args.begin(), int(args.size()));
    }
    Value call_method(const Value& obj, Str* name, std::initializer_list<Value> args);
    // A watch stops calling back once this many of its callbacks are running; past that, the
    // property is read and written as a plain slot, its getter and setter bypassed.
    static constexpr int kMaxWatchDepth = 65;
    Watch* find_watch(Object* o, Str* name);
    bool watch_saturated(Object* o, Str* name);
    // Runs one half of a getter/setter pair, stopping it quietly once it recurses too deep.
    Value call_accessor(AccessorPair* pair, bool setter, const Value& self, const Value* args, int argc);
    Value construct(const Value& ctor, const Value* args, int argc);

    // Runs a top-level action block with `clip` as the target and base clip.
    void run_block(const std::shared_ptr<const Code>& code, Object* clip);
    // Starts a new tick: the shared stack and top-level registers are emptied.
    void new_tick();

    // Garbage collection. The runtime adds its roots (display list, timers, queue).
    std::function<void(Tracer&)> mark_host_roots;
    void collect();
    void maybe_collect();

    ExecState* exec = nullptr;  // innermost running code
    int depth = 0;              // nested calls
    int native_depth = 0;       // natives on the C++ stack: no collection while > 0
    std::chrono::steady_clock::time_point started;  // of the running top-level block
    ValueStack stack;           // shared by the blocks of one tick
    Value regs[4];

    std::unordered_map<const void*, std::shared_ptr<Code>> code_cache;

private:
    friend struct Interpreter;
    void install_builtins();
};

// `===`: same type and value, objects by identity, NaN equal to NaN.
inline bool strictly_equal(const Value& a, const Value& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
    case Type::Undefined:
    case Type::Null: return true;
    case Type::Bool: return a.b == b.b;
    case Type::Number: return a.n == b.n || (a.n != a.n && b.n != b.n);
    case Type::String: return a.s == b.s || a.s->text == b.s->text;
    case Type::Object: return a.o == b.o;
    }
    return false;
}

}  // namespace swf::avm1
