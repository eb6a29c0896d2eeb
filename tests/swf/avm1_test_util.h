// Helpers for script tests: a small writer for action bytecode (records, every Push type,
// branches by label, function, with and try bodies), movies that carry it in DoAction,
// DoInitAction and clip-event records, and a player run that collects what the movie traced and
// the errors it reported.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "swf/avm1/runtime.h"
#include "swf/player.h"
#include "swf_writer.h"

namespace avm1test {

// Action codes, written out here rather than taken from the machine's table so that a wrong
// code there shows up as a failing test.
namespace a {
constexpr uint8_t End = 0x00, NextFrame = 0x04, PrevFrame = 0x05, Play = 0x06, Stop = 0x07, Add = 0x0A,
                  Subtract = 0x0B, Multiply = 0x0C, Divide = 0x0D, Equals = 0x0E, Less = 0x0F, And = 0x10,
                  Or = 0x11, Not = 0x12, StringEquals = 0x13, StringLength = 0x14, StringExtract = 0x15,
                  Pop = 0x17, ToInteger = 0x18, GetVariable = 0x1C, SetVariable = 0x1D, SetTarget2 = 0x20,
                  StringAdd = 0x21, GetProperty = 0x22, SetProperty = 0x23, CloneSprite = 0x24,
                  RemoveSprite = 0x25, Trace = 0x26, StringLess = 0x29, Throw = 0x2A, CastOp = 0x2B,
                  ImplementsOp = 0x2C, RandomNumber = 0x30, MBStringLength = 0x31, CharToAscii = 0x32,
                  AsciiToChar = 0x33, GetTime = 0x34, MBStringExtract = 0x35, Delete = 0x3A, Delete2 = 0x3B,
                  DefineLocal = 0x3C, CallFunction = 0x3D, Return = 0x3E, Modulo = 0x3F, NewObject = 0x40,
                  DefineLocal2 = 0x41, InitArray = 0x42, InitObject = 0x43, TypeOf = 0x44, TargetPath = 0x45,
                  Enumerate = 0x46, Add2 = 0x47, Less2 = 0x48, Equals2 = 0x49, ToNumber = 0x4A, ToString = 0x4B,
                  PushDuplicate = 0x4C, StackSwap = 0x4D, GetMember = 0x4E, SetMember = 0x4F, Increment = 0x50,
                  Decrement = 0x51, CallMethod = 0x52, NewMethod = 0x53, InstanceOf = 0x54, Enumerate2 = 0x55,
                  BitAnd = 0x60, BitOr = 0x61, BitXor = 0x62, BitLShift = 0x63, BitRShift = 0x64,
                  BitURShift = 0x65, StrictEquals = 0x66, Greater = 0x67, StringGreater = 0x68, Extends = 0x69,
                  GotoFrame = 0x81, GetURL = 0x83, StoreRegister = 0x87, ConstantPool = 0x88, SetTarget = 0x8B,
                  GoToLabel = 0x8C, DefineFunction2 = 0x8E, Try = 0x8F, With = 0x94, Push = 0x96, Jump = 0x99,
                  GetURL2 = 0x9A, DefineFunction = 0x9B, If = 0x9D, Call = 0x9E, GotoFrame2 = 0x9F;
}  // namespace a

// DefineFunction2 flags.
enum : uint16_t {
    PreloadThis = 0x1, SuppressThis = 0x2, PreloadArguments = 0x4, SuppressArguments = 0x8,
    PreloadSuper = 0x10, SuppressSuper = 0x20, PreloadRoot = 0x40, PreloadParent = 0x80, PreloadGlobal = 0x100,
};

// Clip event flags (SWF6+ layout).
enum : uint32_t {
    OnLoad = 0x1, OnEnterFrame = 0x2, OnUnload = 0x4, OnInitialize = 0x200, OnConstruct = 0x40000,
};

// One value of a Push record.
struct P {
    enum Kind : uint8_t { Str = 0, Float = 1, Null = 2, Undef = 3, Reg = 4, Bool = 5, Dbl = 6, Int = 7, Pool8 = 8, Pool16 = 9, Raw };
    Kind kind = Undef;
    std::string s;
    double d = 0;
    uint32_t i = 0;

    P(const char* text) : kind(Str), s(text) {}
    P(std::string text) : kind(Str), s(std::move(text)) {}
    P(double v) : kind(Dbl), d(v) {}
    P(int v) : kind(Int), i(uint32_t(v)) {}
    P(bool) = delete;  // write B(true)
    P(Kind k, uint32_t index = 0) : kind(k), i(index) {}
};
inline const P Null{P::Null}, Undef{P::Undef};
inline P R(int reg) { return P(P::Reg, uint32_t(reg)); }
inline P B(bool b) { return P(P::Bool, b ? 1u : 0u); }
inline P C8(int index) { return P(P::Pool8, uint32_t(index)); }
inline P C16(int index) { return P(P::Pool16, uint32_t(index)); }
inline P F32(float f) {
    P p(P::Float);
    std::memcpy(&p.i, &f, 4);
    return p;
}
// A type byte no version defines, with no payload after it.
inline P BadType(uint8_t type) { return P(P::Raw, type); }

class Asm;

// try { body } catch (var) { ... } finally { ... }, laid out as compilers lay it out: the try
// body ends with a jump over the catch body.
class Try;

class Asm {
public:
    Asm() = default;

    // An action with no payload.
    Asm& op(uint8_t code) {
        b_.push_back(code);
        return *this;
    }
    Asm& ops(std::initializer_list<uint8_t> codes) {
        for (uint8_t c : codes) op(c);
        return *this;
    }
    // An action record with a payload (code >= 0x80), its length written as the payload's size.
    Asm& rec(uint8_t code, const std::vector<uint8_t>& payload) {
        return rec_sized(code, payload, payload.size());
    }
    // The same with any length field (for damaged records).
    Asm& rec_sized(uint8_t code, const std::vector<uint8_t>& payload, size_t length) {
        b_.push_back(code);
        b_.push_back(uint8_t(length));
        b_.push_back(uint8_t(length >> 8));
        b_.insert(b_.end(), payload.begin(), payload.end());
        return *this;
    }
    Asm& raw(const std::vector<uint8_t>& bytes) {
        b_.insert(b_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    // Another Asm's actions (its labels resolved on their own).
    Asm& append(const Asm& other) { return raw(other.bytes()); }

    Asm& push(std::initializer_list<P> values) {
        std::vector<uint8_t> p;
        for (const P& v : values) {
            if (v.kind == P::Raw) {
                p.push_back(uint8_t(v.i));
                continue;
            }
            p.push_back(uint8_t(v.kind));
            switch (v.kind) {
            case P::Str: put_str(p, v.s); break;
            case P::Float:
            case P::Int: put_u32(p, v.i); break;
            case P::Reg:
            case P::Bool:
            case P::Pool8: p.push_back(uint8_t(v.i)); break;
            case P::Pool16: put_u16(p, uint16_t(v.i)); break;
            case P::Dbl: {
                uint64_t bits;
                std::memcpy(&bits, &v.d, 8);
                put_u32(p, uint32_t(bits >> 32));  // the high word comes first
                put_u32(p, uint32_t(bits));
                break;
            }
            default: break;
            }
        }
        return rec(a::Push, p);
    }
    template <typename... T>
    Asm& push(T... values) {
        return push({P(values)...});
    }

    Asm& pool(std::initializer_list<std::string> strings) {
        std::vector<uint8_t> p;
        put_u16(p, uint16_t(strings.size()));
        for (const std::string& s : strings) put_str(p, s);
        return rec(a::ConstantPool, p);
    }
    Asm& store(int reg) { return rec(a::StoreRegister, {uint8_t(reg)}); }
    Asm& goto_frame(int frame0) { return rec(a::GotoFrame, {uint8_t(frame0), uint8_t(frame0 >> 8)}); }
    Asm& goto_label(const std::string& label) {
        std::vector<uint8_t> p;
        put_str(p, label);
        return rec(a::GoToLabel, p);
    }
    Asm& set_target(const std::string& path) {
        std::vector<uint8_t> p;
        put_str(p, path);
        return rec(a::SetTarget, p);
    }
    Asm& get_url(const std::string& url, const std::string& target) {
        std::vector<uint8_t> p;
        put_str(p, url);
        put_str(p, target);
        return rec(a::GetURL, p);
    }

    // Branches to a label of this Asm, placed before or after.
    Asm& label(const std::string& name) {
        labels_[name] = b_.size();
        return *this;
    }
    Asm& jump(const std::string& to) { return branch(a::Jump, to); }
    Asm& if_true(const std::string& to) { return branch(a::If, to); }
    // Branches by a raw offset from the next action.
    Asm& jump_by(int offset) { return rec(a::Jump, {uint8_t(offset), uint8_t(offset >> 8)}); }
    Asm& if_by(int offset) { return rec(a::If, {uint8_t(offset), uint8_t(offset >> 8)}); }

    // function name(params) { body }  ("" pushes the function).
    Asm& function(const std::string& name, std::initializer_list<std::string> params, const Asm& body) {
        std::vector<uint8_t> code = body.bytes();
        std::vector<uint8_t> p;
        put_str(p, name);
        put_u16(p, uint16_t(params.size()));
        for (const std::string& s : params) put_str(p, s);
        put_u16(p, uint16_t(code.size()));
        rec(a::DefineFunction, p);
        return raw(code);
    }
    struct Param {
        int reg;
        std::string name;
    };
    Asm& function2(const std::string& name, int registers, uint16_t flags, std::initializer_list<Param> params,
                   const Asm& body) {
        std::vector<uint8_t> code = body.bytes();
        std::vector<uint8_t> p;
        put_str(p, name);
        put_u16(p, uint16_t(params.size()));
        p.push_back(uint8_t(registers));
        put_u16(p, flags);
        for (const Param& q : params) {
            p.push_back(uint8_t(q.reg));
            put_str(p, q.name);
        }
        put_u16(p, uint16_t(code.size()));
        rec(a::DefineFunction2, p);
        return raw(code);
    }
    // with (object on the stack) { body }
    Asm& with(const Asm& body) {
        std::vector<uint8_t> code = body.bytes();
        rec(a::With, {uint8_t(code.size()), uint8_t(code.size() >> 8)});
        return raw(code);
    }
    inline Asm& try_(const Try& t);

    // Sugar for the common shapes.
    Asm& trace() { return op(a::Trace); }
    Asm& trace(const P& v) { return push({v}).op(a::Trace); }
    Asm& get(const std::string& name) { return push({P(name)}).op(a::GetVariable); }
    Asm& set(const std::string& name, const P& v) { return push({P(name), v}).op(a::SetVariable); }
    Asm& local(const std::string& name, const P& v) { return push({P(name), v}).op(a::DefineLocal); }
    // Pushes obj.member (obj by variable name).
    Asm& member(const std::string& obj, const std::string& name) {
        return get(obj).push({P(name)}).op(a::GetMember);
    }
    // The value on the stack goes into variable `name`.
    Asm& assign(const std::string& name) { return push({P(name)}).op(a::StackSwap).op(a::SetVariable); }
    // obj.name = v (obj by variable name).
    Asm& set_member(const std::string& obj, const std::string& name, const P& v) {
        return get(obj).push({P(name), v}).op(a::SetMember);
    }
    // The calls below expect their arguments pushed already, last argument first.
    Asm& call(const std::string& name, int argc = 0) { return push({P(argc), P(name)}).op(a::CallFunction); }
    Asm& call_method(const std::string& obj, const std::string& method, int argc = 0) {
        return push({P(argc)}).get(obj).push({P(method)}).op(a::CallMethod);
    }
    Asm& construct(const std::string& ctor, int argc = 0) { return push({P(argc), P(ctor)}).op(a::NewObject); }
    // name = {}
    Asm& new_object(const std::string& name) { return push({P(name), P(0)}).op(a::InitObject).op(a::SetVariable); }
    // Traces each name a for..in lists: the value on the stack is enumerated (Enumerate2), or
    // with Enumerate the variable it names.
    Asm& trace_names(uint8_t enumerate = a::Enumerate2) {
        const std::string loop = "enum" + std::to_string(b_.size()), done = loop + "done";
        op(enumerate).label(loop).store(0).push({Null}).op(a::Equals2).if_true(done);
        return push({R(0)}).op(a::Trace).jump(loop).label(done);
    }

    // The bytes with labels resolved, without an End.
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out = b_;
        for (const Fix& f : fixes_) {
            auto it = labels_.find(f.label);
            if (it == labels_.end()) {
                ADD_FAILURE() << "unknown label " << f.label;
                continue;
            }
            const int offset = int(it->second) - int(f.next);
            out[f.at] = uint8_t(offset);
            out[f.at + 1] = uint8_t(offset >> 8);
        }
        return out;
    }
    // A whole action list: the bytes and an End.
    std::vector<uint8_t> block() const {
        std::vector<uint8_t> out = bytes();
        out.push_back(0);
        return out;
    }
    size_t size() const { return b_.size(); }

    static void put_u16(std::vector<uint8_t>& p, uint16_t v) {
        p.push_back(uint8_t(v));
        p.push_back(uint8_t(v >> 8));
    }
    static void put_u32(std::vector<uint8_t>& p, uint32_t v) {
        put_u16(p, uint16_t(v));
        put_u16(p, uint16_t(v >> 16));
    }
    static void put_str(std::vector<uint8_t>& p, const std::string& s) {
        p.insert(p.end(), s.begin(), s.end());
        p.push_back(0);
    }

private:
    Asm& branch(uint8_t code, const std::string& to) {
        rec(code, {0, 0});
        fixes_.push_back({b_.size() - 2, b_.size(), to});
        return *this;
    }
    struct Fix {
        size_t at, next;
        std::string label;
    };
    std::vector<uint8_t> b_;
    std::map<std::string, size_t> labels_;
    std::vector<Fix> fixes_;
};

class Try {
public:
    explicit Try(const Asm& body) : body(body) {}
    Try& catch_(const Asm& code, const std::string& name = "e") {
        catch_body = code;
        var = name;
        return *this;
    }
    // The exception goes to a register.
    Try& catch_reg(int r, const Asm& code) {
        catch_body = code;
        reg = r;
        return *this;
    }
    Try& finally_(const Asm& code) {
        finally_body = code;
        return *this;
    }

    Asm body;
    std::optional<Asm> catch_body;
    std::optional<Asm> finally_body;
    std::string var = "e";
    int reg = -1;
};

inline Asm& Asm::try_(const Try& t) {
    std::vector<uint8_t> body = t.body.bytes();
    std::vector<uint8_t> catch_code = t.catch_body ? t.catch_body->bytes() : std::vector<uint8_t>{};
    std::vector<uint8_t> finally_code = t.finally_body ? t.finally_body->bytes() : std::vector<uint8_t>{};
    if (t.catch_body) {
        // try ends with a jump over the catch body
        const int skip = int(catch_code.size());
        body.insert(body.end(), {a::Jump, 2, 0, uint8_t(skip), uint8_t(skip >> 8)});
    }
    std::vector<uint8_t> p;
    p.push_back(uint8_t((t.catch_body ? 1 : 0) | (t.finally_body ? 2 : 0) | (t.reg >= 0 ? 4 : 0)));
    put_u16(p, uint16_t(body.size()));
    put_u16(p, uint16_t(catch_code.size()));
    put_u16(p, uint16_t(finally_code.size()));
    if (t.reg >= 0)
        p.push_back(uint8_t(t.reg));
    else
        put_str(p, t.var);
    rec(a::Try, p);
    raw(body);
    raw(catch_code);
    return raw(finally_code);
}

// A movie holding test scripts. Frames are closed with frame(); sprites are defined between
// sprite() and end_sprite().
class TestMovie {
public:
    explicit TestMovie(int version = 8) : version(version), m(100, 100, version) {}

    struct Event {
        uint32_t events;
        Asm code;
    };

    TestMovie& action(const Asm& code) {
        m.tag(12, code.block(), true);
        return *this;
    }
    TestMovie& action_bytes(const std::vector<uint8_t>& bytes) {
        m.tag(12, bytes, true);
        return *this;
    }
    TestMovie& init_action(uint16_t sprite, const Asm& code) {
        std::vector<uint8_t> p;
        Asm::put_u16(p, sprite);
        std::vector<uint8_t> c = code.block();
        p.insert(p.end(), c.begin(), c.end());
        m.tag(59, p, true);
        return *this;
    }
    // ScriptLimits: recursion depth and timeout in seconds.
    TestMovie& limits(uint16_t recursion, uint16_t seconds) {
        std::vector<uint8_t> p;
        Asm::put_u16(p, recursion);
        Asm::put_u16(p, seconds);
        m.tag(65, p);
        return *this;
    }
    TestMovie& export_symbol(uint16_t id, const std::string& name) {
        std::vector<uint8_t> p;
        Asm::put_u16(p, 1);
        Asm::put_u16(p, id);
        Asm::put_str(p, name);
        m.tag(56, p);
        return *this;
    }
    // An empty sprite with `frames` frames holds scripts in its own frames when they are written
    // between sprite() and end_sprite().
    TestMovie& sprite(uint16_t id, uint16_t frames) {
        m.begin_sprite(id, frames);
        return *this;
    }
    TestMovie& end_sprite(bool with_end = true) {
        m.end_sprite(with_end);
        return *this;
    }
    // PlaceObject2 with a name and, when given, clip-event handlers.
    TestMovie& place(uint16_t id, uint16_t depth, const std::string& name, const std::vector<Event>& events = {}) {
        swftest::Bits b;
        b.u8(uint8_t(0x02 | 0x04 | (name.empty() ? 0 : 0x20) | (events.empty() ? 0 : 0x80)));
        b.u16(depth);
        b.u16(id);
        b.matrix(0, 0);
        if (!name.empty()) b.str(name);
        if (!events.empty()) {
            const bool wide = version >= 6;
            uint32_t all = 0;
            for (const Event& e : events) all |= e.events;
            b.u16(0);
            wide ? b.u32(all) : b.u16(uint16_t(all));
            for (const Event& e : events) {
                std::vector<uint8_t> code = e.code.block();
                wide ? b.u32(e.events) : b.u16(uint16_t(e.events));
                b.u32(uint32_t(code.size()));
                b.append(code);
            }
            wide ? b.u32(0) : b.u16(0);
        }
        m.tag(26, b.bytes, true);
        return *this;
    }
    TestMovie& remove(uint16_t depth) {
        m.remove(depth);
        return *this;
    }
    TestMovie& label(const std::string& name) {
        m.label(name);
        return *this;
    }
    TestMovie& frame() {
        m.show_frame();
        return *this;
    }
    std::vector<uint8_t> bytes() { return m.fws(); }

    int version;
    swftest::Movie m;
};

// PlaceObject2 of `id` at `depth`, named, at (x, y) pixels, on the timeline being written.
inline void place_at(TestMovie& m, uint16_t id, uint16_t depth, const std::string& name, int x, int y) {
    swftest::Bits b;
    b.u8(0x02 | 0x04 | 0x20);
    b.u16(depth);
    b.u16(id);
    b.matrix(x * 20, y * 20);
    b.str(name);
    m.m.tag(26, b.bytes);
}

// A movie playing in a player, with what it traced and the errors it reported.
class Playing {
public:
    explicit Playing(const std::vector<uint8_t>& swf, int frames = 0) {
        player.set_trace_handler([this](const std::string& s) { lines.push_back(s); });
        player.set_error_handler([this](const std::string& s) { errors.push_back(s); });
        loaded = player.load(swf.data(), swf.size()).ok();
        EXPECT_TRUE(loaded) << "the test movie did not load";
        advance(frames);
    }
    Playing(const Playing&) = delete;
    Playing& operator=(const Playing&) = delete;

    Playing& advance(int frames = 1) {
        for (int i = 0; i < frames && loaded; ++i) player.advance();
        return *this;
    }
    swf::avm1::Vm& vm() { return player.scripts()->vm; }

    swf::Player player;
    std::vector<std::string> lines, errors;
    bool loaded = false;
};

// A root holding one clip "mc" (sprite 1).
inline std::vector<uint8_t> movie_with_clip(int version) {
    TestMovie m(version);
    m.sprite(1, 1).frame().end_sprite();
    m.place(1, 1, "mc").frame();
    return m.bytes();
}

// A running movie whose objects are called from the test as its scripts would call them.
class Script {
public:
    explicit Script(int version = 8) : Script(movie_with_clip(version)) {}
    explicit Script(const std::vector<uint8_t>& movie) : run(movie), vm(run.vm()) {}

    using Value = swf::avm1::Value;
    // A dotted path from _global ("flash.geom.Point"), read as the movie would read it.
    Value global(const std::string& path) {
        Value v = vm.global;
        size_t start = 0;
        while (start <= path.size()) {
            size_t dot = path.find('.', start);
            if (dot == std::string::npos) dot = path.size();
            v = vm.get(v, vm.intern(path.substr(start, dot - start)));
            start = dot + 1;
        }
        return v;
    }
    Value make(const std::string& ctor, std::vector<Value> args = {}) {
        return vm.construct(global(ctor), args.data(), int(args.size()));
    }
    Value call(const Value& obj, const char* method, std::vector<Value> args = {}) {
        Value fn = vm.get(obj, vm.intern(method));
        return vm.call(fn, obj.is_object() ? obj : Value(vm.to_object(obj)), args.data(), int(args.size()));
    }
    Value call_fn(const Value& fn, std::vector<Value> args = {}) {
        return vm.call(fn, Value(), args.data(), int(args.size()));
    }
    Value get(const Value& obj, const char* name) { return vm.get(obj, vm.intern(name)); }
    void set(const Value& obj, const char* name, const Value& v) { vm.set(obj.object(), vm.intern(name), v); }
    std::string text(const Value& v) { return vm.trace_string(v); }
    Value s(const char* t) { return vm.str(t); }
    Value array(std::vector<Value> items) {
        auto* a = vm.new_array();
        a->items = std::move(items);
        return a;
    }
    swf::avm1::Runtime& runtime() { return *run.player.scripts(); }
    Value root() { return runtime().level(0); }
    Value clip() { return get(root(), "mc"); }
    swf::Instance* inst() { return static_cast<swf::avm1::ClipObject*>(clip().object())->inst; }

    Playing run;
    swf::avm1::Vm& vm;
};

using Lines = std::vector<std::string>;

// What one DoAction block of a one-frame movie of this version traces.
inline Lines traced(int version, const Asm& code) {
    TestMovie m(version);
    m.action(code).frame();
    Playing run(m.bytes());
    return run.lines;
}

}  // namespace avm1test
