// A small action-record assembler for the script benchmarks: writes the byte code a Flash 8
// compiler would emit (Push of strings/numbers/registers/pool entries, the stack, arithmetic and
// compare actions, jumps with labels, DefineFunction2 with registers, ConstantPool) and wraps
// action blocks into DoAction tags of a minimal uncompressed movie held in memory.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace avm1asm {

// Action codes used by the benchmarks.
enum Code : uint8_t {
    End = 0x00, Play = 0x06, Stop = 0x07, Add = 0x0A, Subtract = 0x0B, Multiply = 0x0C, Divide = 0x0D,
    Not = 0x12, Pop = 0x17, GetVariable = 0x1C, SetVariable = 0x1D, Trace = 0x26, Delete = 0x3A,
    DefineLocal = 0x3C, CallFunction = 0x3D, Return = 0x3E, Modulo = 0x3F, NewObject = 0x40,
    DefineLocal2 = 0x41, InitArray = 0x42, InitObject = 0x43, Add2 = 0x47, Less2 = 0x48, Equals2 = 0x49,
    ToNumber = 0x4A, ToString = 0x4B, PushDuplicate = 0x4C, StackSwap = 0x4D, GetMember = 0x4E,
    SetMember = 0x4F, Increment = 0x50, Decrement = 0x51, CallMethod = 0x52, NewMethod = 0x53,
    BitAnd = 0x60, BitOr = 0x61, StrictEquals = 0x66, Greater = 0x67,
    StoreRegister = 0x87, ConstantPool = 0x88, DefineFunction2 = 0x8E, Push = 0x96, Jump = 0x99, If = 0x9D,
};

// DefineFunction2 flags.
enum FnFlags : uint16_t {
    PreloadThis = 0x1, SuppressThis = 0x2, PreloadArguments = 0x4, SuppressArguments = 0x8,
    PreloadSuper = 0x10, SuppressSuper = 0x20, PreloadRoot = 0x40, PreloadParent = 0x80, PreloadGlobal = 0x100,
};

struct R {  // a register operand of Push
    uint8_t n;
};
struct C {  // a constant-pool entry operand of Push
    uint16_t n;
};
struct Undefined {};
struct Null {};

// One Push value, typed as a compiler writes it: whole numbers that fit 32 bits as integers,
// other numbers as doubles.
class Val {
public:
    Val(const char* s) : type_(0), s_(s) {}
    Val(std::string s) : type_(0), s_(std::move(s)) {}
    Val(int v) : type_(7), i_(v) {}
    Val(double v) {
        if (v == double(int32_t(v)) && !(v == 0 && std::signbit(v))) {
            type_ = 7;
            i_ = int32_t(v);
        } else {
            type_ = 6;
            d_ = v;
        }
    }
    Val(bool b) : type_(5), i_(b) {}
    Val(R r) : type_(4), i_(r.n) {}
    Val(C c) : type_(c.n < 256 ? 8 : 9), i_(c.n) {}
    Val(Undefined) : type_(3) {}
    Val(Null) : type_(2) {}

    void write(std::vector<uint8_t>& out) const {
        out.push_back(type_);
        switch (type_) {
        case 0:
            out.insert(out.end(), s_.begin(), s_.end());
            out.push_back(0);
            break;
        case 4:
        case 5:
        case 8: out.push_back(uint8_t(i_)); break;
        case 9:
            out.push_back(uint8_t(i_));
            out.push_back(uint8_t(i_ >> 8));
            break;
        case 7:
            for (int k = 0; k < 4; ++k) out.push_back(uint8_t(uint32_t(i_) >> (8 * k)));
            break;
        case 6: {
            // Two 32-bit halves, high half first, each little-endian.
            uint64_t bits;
            std::memcpy(&bits, &d_, 8);
            for (int k = 4; k < 8; ++k) out.push_back(uint8_t(bits >> (8 * k)));
            for (int k = 0; k < 4; ++k) out.push_back(uint8_t(bits >> (8 * k)));
            break;
        }
        default: break;
        }
    }

private:
    uint8_t type_;
    std::string s_;
    int32_t i_ = 0;
    double d_ = 0;
};

struct Param {
    uint8_t reg;  // 0: a named local on the activation
    std::string name;
};

// An action list under construction. Labels are resolved by `bytes()`; branch offsets are
// relative to the record after the branch, so a finished list can be nested as a body.
class Asm {
public:
    // One action without payload.
    Asm& op(uint8_t code) {
        b_.push_back(code);
        return *this;
    }
    Asm& record(uint8_t code, const std::vector<uint8_t>& payload) {
        b_.push_back(code);
        b_.push_back(uint8_t(payload.size()));
        b_.push_back(uint8_t(payload.size() >> 8));
        b_.insert(b_.end(), payload.begin(), payload.end());
        return *this;
    }
    // Bytes of a finished list (branches already resolved), appended as they are.
    Asm& raw(const std::vector<uint8_t>& bytes) {
        b_.insert(b_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Asm& push(std::initializer_list<Val> vals) {
        std::vector<uint8_t> p;
        for (const Val& v : vals) v.write(p);
        return record(Push, p);
    }
    Asm& store(uint8_t reg) { return record(StoreRegister, {reg}); }
    // StoreRegister + Pop: what `r = value;` compiles to.
    Asm& set_reg(uint8_t reg) { return store(reg).op(Pop); }
    Asm& pool(const std::vector<std::string>& names) {
        std::vector<uint8_t> p{uint8_t(names.size()), uint8_t(names.size() >> 8)};
        for (const std::string& s : names) {
            p.insert(p.end(), s.begin(), s.end());
            p.push_back(0);
        }
        return record(ConstantPool, p);
    }

    int label() {
        labels_.push_back(-1);
        return int(labels_.size()) - 1;
    }
    Asm& bind(int l) {
        labels_[size_t(l)] = int(b_.size());
        return *this;
    }
    Asm& jump(int l) { return branch(Jump, l); }
    Asm& if_true(int l) { return branch(If, l); }

    // DefineFunction2: `name` empty pushes the function, else defines it like `var name`.
    Asm& function2(const std::string& name, const std::vector<Param>& params, uint8_t register_count, uint16_t flags,
                   const Asm& body) {
        std::vector<uint8_t> code = body.bytes();
        std::vector<uint8_t> p(name.begin(), name.end());
        p.push_back(0);
        p.push_back(uint8_t(params.size()));
        p.push_back(uint8_t(params.size() >> 8));
        p.push_back(register_count);
        p.push_back(uint8_t(flags));
        p.push_back(uint8_t(flags >> 8));
        for (const Param& a : params) {
            p.push_back(a.reg);
            p.insert(p.end(), a.name.begin(), a.name.end());
            p.push_back(0);
        }
        p.push_back(uint8_t(code.size()));
        p.push_back(uint8_t(code.size() >> 8));
        record(DefineFunction2, p);
        b_.insert(b_.end(), code.begin(), code.end());
        return *this;
    }

    // The finished list, branches resolved (no End byte: add op(End) for a top-level block).
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out = b_;
        for (const Fix& f : fixes_) {
            const int target = labels_[size_t(f.label)];
            const int offset = target - (f.at + 2);
            out[size_t(f.at)] = uint8_t(offset);
            out[size_t(f.at) + 1] = uint8_t(offset >> 8);
        }
        return out;
    }

private:
    struct Fix {
        int at;  // offset of the SI16 field
        int label;
    };
    Asm& branch(uint8_t code, int l) {
        record(code, {0, 0});
        fixes_.push_back({int(b_.size()) - 2, l});
        return *this;
    }
    std::vector<uint8_t> b_;
    std::vector<int> labels_;
    std::vector<Fix> fixes_;
};

// A ConstantPool being filled: `pool("name")` is the Push operand for that entry.
struct Pool {
    std::vector<std::string> names;
    Val operator()(const std::string& s) {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == s) return C{uint16_t(i)};
        names.push_back(s);
        return C{uint16_t(names.size() - 1)};
    }
};

// `for (r = from; r < limit; r++) { body }` as a Flash 8 compiler lays it out; `limit` may be a
// number or a register.
template <typename Body>
void for_loop(Asm& a, uint8_t r, Val from, Val limit, Body body) {
    a.push({from}).set_reg(r);
    const int top = a.label(), done = a.label();
    a.bind(top).push({R{r}, limit}).op(Less2).op(Not).if_true(done);
    body();
    a.push({R{r}}).op(Increment).set_reg(r);
    a.jump(top).bind(done);
}

// A minimal uncompressed movie: header, then for each frame its action blocks (DoAction tags)
// and a ShowFrame.
inline std::vector<uint8_t> movie(const std::vector<std::vector<std::vector<uint8_t>>>& frames, int version = 8,
                                  double fps = 30, int width_px = 550, int height_px = 400) {
    std::vector<uint8_t> body;
    auto u16 = [&](uint32_t v) {
        body.push_back(uint8_t(v));
        body.push_back(uint8_t(v >> 8));
    };
    // Frame rectangle: 5-bit field size 16, then four signed 16-bit fields: 69 bits -> 9 bytes.
    {
        const uint32_t nbits = 16;
        const int32_t f[4] = {0, width_px * 20, 0, height_px * 20};
        std::vector<bool> bits;
        for (int i = 4; i >= 0; --i) bits.push_back((nbits >> i) & 1);
        for (int32_t v : f)
            for (int i = int(nbits) - 1; i >= 0; --i) bits.push_back((uint32_t(v) >> i) & 1);
        std::vector<uint8_t> rect((bits.size() + 7) / 8, 0);
        for (size_t i = 0; i < bits.size(); ++i)
            if (bits[i]) rect[i / 8] |= uint8_t(0x80 >> (i % 8));
        body.insert(body.end(), rect.begin(), rect.end());
    }
    u16(uint32_t(fps * 256));  // 8.8 frame rate
    u16(uint32_t(frames.size()));
    auto tag = [&](int code, const std::vector<uint8_t>& data) {
        u16(uint32_t(code << 6 | 63));  // long form always
        const uint32_t n = uint32_t(data.size());
        u16(n & 0xFFFF);
        u16(n >> 16);
        body.insert(body.end(), data.begin(), data.end());
    };
    tag(9, {255, 255, 255});  // background
    for (const auto& frame : frames) {
        for (const auto& block : frame) tag(12, block);
        body.push_back(uint8_t(1 << 6));  // ShowFrame
        body.push_back(0);
    }
    body.push_back(0);  // End
    body.push_back(0);
    std::vector<uint8_t> out = {'F', 'W', 'S', uint8_t(version)};
    const uint32_t len = uint32_t(body.size() + 8);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(len >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace avm1asm
