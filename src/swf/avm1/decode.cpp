// Action blocks are decoded once into instructions: payloads read, strings interned, branch
// targets turned into instruction indices. A record that runs past the block ends the block
// there; a branch that leaves the block or lands inside a record ends the running code.
#include <algorithm>
#include <cstring>

#include "swf/avm1/actions.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/vm.h"

namespace swf::avm1 {

namespace {

// Strings pushed as constants are interned when short: most are names.
constexpr size_t kInternUpTo = 64;
// Caps for hostile blocks: instructions per block and values per Push.
constexpr size_t kMaxInsns = 4u << 20;
constexpr uint8_t kFirstFused = 0xF0;
constexpr uint8_t kSkipped = 0x01;  // no action has this code

// Fuses the runs listed in actions.h. A run is fused only when none of its later actions
// starts a region or a function body's end, where the running code may stop between them.
void fuse(Code& code, const std::vector<bool>& boundary) {
    auto& insns = code.insns;
    const size_t n = insns.size();
    auto op = [&](size_t i) { return i < n ? Op(insns[i].op) : Op::End; };
    auto clear = [&](size_t i, size_t len) {
        for (size_t k = i + 1; k < i + len; ++k)
            if (boundary[k]) return false;
        return i + len <= n;
    };
    for (size_t i = 0; i < n; ++i) {
        Code::Insn& in = insns[i];
        switch (op(i)) {
        case Op::StoreRegister:
            if (op(i + 1) == Op::Pop && clear(i, 2)) in.op = uint8_t(Op::SetRegister);
            break;
        case Op::Less2:
        case Op::Greater:
        case Op::Equals2:
        case Op::StrictEquals:
            if (op(i + 1) == Op::Not && op(i + 2) == Op::If && clear(i, 3)) {
                in.b = in.op;
                in.a = insns[i + 2].a;
                in.op = uint8_t(Op::CompareNotIf);
            }
            break;
        case Op::Push: {
            const Op next = op(i + 1);
            if (in.b == 1 && code.pushes[in.a].kind == 1 && (next == Op::Increment || next == Op::Decrement) &&
                op(i + 2) == Op::StoreRegister && op(i + 3) == Op::Pop && clear(i, 4)) {
                in.op = uint8_t(next == Op::Increment ? Op::IncRegister : Op::DecRegister);
                in.a = code.pushes[in.a].index;
                in.b = insns[i + 2].a;
                break;
            }
            if (!clear(i, 2)) break;
            if (next == Op::GetMember) in.op = uint8_t(Op::PushGetMember);
            else if (next == Op::Add2) in.op = uint8_t(Op::PushAdd2);
            else if (next == Op::CallFunction) in.op = uint8_t(Op::PushCallFunction);
            else if (next == Op::CallMethod) in.op = uint8_t(Op::PushCallMethod);
            break;
        }
        default: break;
        }
    }
}

struct Payload {
    const uint8_t* p;
    size_t n;
    size_t at = 0;
    bool bad = false;
    uint8_t u8() {
        if (at + 1 > n) return bad = true, 0;
        return p[at++];
    }
    uint16_t u16() {
        if (at + 2 > n) return bad = true, 0;
        uint16_t v = uint16_t(p[at] | p[at + 1] << 8);
        at += 2;
        return v;
    }
    uint32_t u32() {
        if (at + 4 > n) return bad = true, 0;
        uint32_t v = uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 | uint32_t(p[at + 2]) << 16 | uint32_t(p[at + 3]) << 24;
        at += 4;
        return v;
    }
    std::string_view str() {
        const void* z = at < n ? std::memchr(p + at, 0, n - at) : nullptr;
        if (!z) {
            bad = true;
            at = n;
            return {};
        }
        std::string_view s(reinterpret_cast<const char*>(p + at), size_t(static_cast<const uint8_t*>(z) - (p + at)));
        at += s.size() + 1;
        return s;
    }
};

}  // namespace

std::shared_ptr<Code> decode(const uint8_t* bytes, size_t size, int version, Heap& heap) {
    auto code = std::make_shared<Code>();
    code->version = version;
    auto text = [&](std::string_view raw) { return decode_file_string(raw, version); };
    auto intern = [&](std::string_view raw) {
        code->strings.push_back(heap.intern(text(raw)));
        return uint32_t(code->strings.size() - 1);
    };
    // Byte targets to resolve once every record's position is known.
    struct Fix {
        size_t insn;
        int field;  // 0: a, 1: b, 2: try catch end, 3: try finally end
        int64_t byte;
    };
    std::vector<Fix> fixes;
    size_t pos = 0;
    while (pos < size && code->insns.size() < kMaxInsns) {
        const uint8_t op = bytes[pos];
        Code::Insn in;
        // Codes no file action uses are the machine's own fused runs: a file's unknown action
        // with such a code is kept as one that is skipped.
        in.op = op >= kFirstFused ? kSkipped : op;
        in.pos = uint32_t(pos);
        if (op == 0) {
            code->insns.push_back(in);
            break;
        }
        size_t len = 0;
        if (op >= 0x80) {
            if (pos + 3 > size) {
                code->malformed = true;
                break;
            }
            len = size_t(bytes[pos + 1] | bytes[pos + 2] << 8);
            if (pos + 3 + len > size) {
                code->malformed = true;
                break;
            }
        }
        const size_t next = pos + (op >= 0x80 ? 3 + len : 1);
        Payload r{bytes + pos + 3, len};
        const size_t index = code->insns.size();
        switch (Op(op)) {
        case Op::GotoFrame: in.a = r.u16(); break;
        case Op::GetURL:
            in.a = intern(r.str());
            in.b = intern(r.str());
            break;
        case Op::WaitForFrame:
            in.a = r.u16();
            in.b = r.u8();
            break;
        case Op::SetTarget:
        case Op::GoToLabel: in.a = intern(r.str()); break;
        case Op::WaitForFrame2:
        case Op::GetURL2:
        case Op::StoreRegister:
        case Op::StrictMode: in.a = r.u8(); break;
        case Op::GotoFrame2:
            in.a = r.u8();
            if (in.a & 2) in.b = r.u16();
            break;
        case Op::Jump:
        case Op::If: fixes.push_back({index, 0, int64_t(next) + int16_t(r.u16())}); break;
        case Op::ConstantPool: {
            unsigned n = r.u16();
            std::vector<Str*> pool;
            for (unsigned i = 0; i < n && !r.bad; ++i) {
                std::string_view s = r.str();
                if (!r.bad) pool.push_back(heap.intern(text(s)));
            }
            code->pools.push_back(std::move(pool));
            in.a = uint32_t(code->pools.size() - 1);
            r.bad = false;  // a short pool keeps the strings it has
            break;
        }
        case Op::Push: {
            in.a = uint32_t(code->pushes.size());
            while (r.at < r.n && !r.bad) {
                const uint8_t type = r.u8();
                Code::PushItem item{0, 0, Value()};
                switch (type) {
                case 0: {
                    std::string s = text(r.str());
                    item.value = s.size() <= kInternUpTo ? heap.intern(s) : heap.str(std::move(s));
                    if (!item.value.s->interned) code->strings.push_back(item.value.s);
                    break;
                }
                case 1: {
                    uint32_t bits = r.u32();
                    float f;
                    std::memcpy(&f, &bits, 4);
                    item.value = double(f);
                    break;
                }
                case 2: item.value = Value::null(); break;
                case 3: break;
                case 4:
                    item.kind = 1;
                    item.index = r.u8();
                    break;
                case 5: item.value = r.u8() != 0; break;
                case 6: {
                    // Doubles are stored with their two 32-bit halves swapped.
                    uint64_t hi = r.u32(), lo = r.u32();
                    uint64_t bits = hi << 32 | lo;
                    double d;
                    std::memcpy(&d, &bits, 8);
                    item.value = d;
                    break;
                }
                case 7: item.value = double(int32_t(r.u32())); break;
                case 8:
                    item.kind = 2;
                    item.index = r.u8();
                    break;
                case 9:
                    item.kind = 2;
                    item.index = r.u16();
                    break;
                default: r.bad = true; break;
                }
                if (!r.bad) code->pushes.push_back(item);
            }
            in.b = uint32_t(code->pushes.size()) - in.a;
            break;
        }
        case Op::With: fixes.push_back({index, 0, int64_t(next) + r.u16()}); break;
        case Op::DefineFunction:
        case Op::DefineFunction2: {
            Code::FuncDef f;
            f.v2 = op == uint8_t(Op::DefineFunction2);
            f.name = heap.intern(text(r.str()));
            unsigned n = r.u16();
            if (f.v2) {
                f.register_count = r.u8();
                f.flags = r.u16();
            }
            for (unsigned i = 0; i < n && !r.bad; ++i) {
                uint8_t reg = f.v2 ? r.u8() : 0;
                Str* name = heap.intern(text(r.str()));
                f.params.push_back(name);
                f.regs.push_back(reg);
            }
            const unsigned body = r.u16();
            code->funcs.push_back(std::move(f));
            in.a = uint32_t(code->funcs.size() - 1);
            fixes.push_back({index, 1, int64_t(next) + body});
            break;
        }
        case Op::Try: {
            Code::TryDef t{};
            t.flags = r.u8();
            const unsigned try_size = r.u16(), catch_size = r.u16(), finally_size = r.u16();
            t.name = nullptr;
            if (t.flags & 4)
                t.reg = r.u8();
            else
                t.name = heap.intern(text(r.str()));
            code->tries.push_back(t);
            in.a = uint32_t(code->tries.size() - 1);
            fixes.push_back({index, 0, int64_t(next) + try_size});
            fixes.push_back({index, 2, int64_t(next) + try_size + catch_size});
            fixes.push_back({index, 3, int64_t(next) + try_size + catch_size + finally_size});
            break;
        }
        default: break;
        }
        if (r.bad) {
            // A payload that does not hold what its action needs: the block ends before it, and
            // the branch targets it asked for go with it.
            while (!fixes.empty() && fixes.back().insn == index) fixes.pop_back();
            code->malformed = true;
            break;
        }
        code->insns.push_back(in);
        pos = next;
    }
    // Branch targets: the instruction starting at that byte, or the end.
    const uint32_t end = uint32_t(code->insns.size());
    auto resolve = [&](int64_t byte) -> uint32_t {
        if (byte < 0) return end;
        auto it = std::lower_bound(code->insns.begin(), code->insns.end(), uint32_t(std::min<int64_t>(byte, UINT32_MAX)),
                                   [](const Code::Insn& in, uint32_t b) { return in.pos < b; });
        if (it == code->insns.end() || it->pos != byte) return end;
        return uint32_t(it - code->insns.begin());
    };
    for (const Fix& f : fixes) {
        const uint32_t target = resolve(f.byte);
        Code::Insn& in = code->insns[f.insn];
        switch (f.field) {
        case 0: (Op(in.op) == Op::Try ? code->tries[in.a].try_end : in.a) = target; break;
        case 1: in.b = target; break;
        case 2: code->tries[in.a].catch_end = target; break;
        case 3: code->tries[in.a].finally_end = target; break;
        }
        if (Op(in.op) == Op::Jump || Op(in.op) == Op::If) in.a = target;
    }
    // Bodies that end inside a record or past the block end the block there.
    std::vector<bool> boundary(size_t(end) + 1, false);
    for (Code::Insn& in : code->insns)
        if ((Op(in.op) == Op::DefineFunction || Op(in.op) == Op::DefineFunction2) && in.b < 1) in.b = end;
    for (const Fix& f : fixes) boundary[resolve(f.byte)] = true;
    for (uint32_t i = 0; i < end; ++i) {
        const Op o = Op(code->insns[i].op);
        // Regions start after With and Try, bodies after their definitions.
        if (o == Op::With || o == Op::Try || o == Op::DefineFunction || o == Op::DefineFunction2) boundary[i + 1] = true;
        if (o == Op::DefineFunction || o == Op::DefineFunction2) boundary[std::min(code->insns[i].b, end)] = true;
    }
    fuse(*code, boundary);
    return code;
}

}  // namespace swf::avm1
