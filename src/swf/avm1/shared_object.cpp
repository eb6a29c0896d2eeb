// SharedObject: local save data. getLocal(name[, path]) gives the one object for that name in
// this run, with its `data` read back from the save file.
//
// Files live in Runtime::shared_object_dir, one per movie and name, named by a hash of the
// movie's address, the path and the name. With no folder, or a relative one, nothing is read or
// written and the data lasts for this run. Files are written only by flush() and when the movie
// is unloaded. A movie may keep at most 100 KB across its shared objects; a flush that would pass
// that fails and writes nothing.
//
// File format (little-endian): "PLSO", format byte 1, payload length (u32), FNV-1a hash of the
// payload (u32), payload. The payload is one value:
//   'u' undefined, 'n' null, 'f' false, 't' true, 'd' double (8 bytes), 's' string (u32 length,
//   UTF-8), 'D' date (double), 'o' object (u32 count, then name string + value each),
//   'a' array (u32 length, the items, u32 count, then name + value for other properties),
//   'r' an object written before (u32 index, in order of first appearance).
// Enumerable own properties are saved; functions, clips and getters are not. A file that does not
// read back cleanly gives an empty `data`.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/native_data.h"
#include "swf/avm1/runtime.h"
#include "swf/sandbox.h"

namespace swf::avm1 {

namespace {

constexpr size_t kMovieLimit = 100 * 1024;
constexpr int kMaxDepth = 256;
constexpr char kMagic[4] = {'P', 'L', 'S', 'O'};
constexpr uint8_t kFormat = 1;

class SharedObjectData final : public NativeData {
public:
    std::string key;   // path and name: the registry key
    std::string file;  // empty: kept in memory only
};

uint64_t fnv64(std::string_view s) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : s) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

uint32_t fnv32(std::string_view s) {
    uint32_t h = 0x811c9dc5u;
    for (unsigned char c : s) h = (h ^ c) * 0x01000193u;
    return h;
}

// Names the original player refuses.
bool valid_name(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (std::strchr("~%&\\;:\"',<>?# ", c)) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------------
class Writer {
public:
    explicit Writer(Vm& vm) : vm_(vm) {}
    std::string out;

    void value(const Value& v, int depth) {
        switch (v.type) {
        case Type::Undefined: out += 'u'; return;
        case Type::Null: out += 'n'; return;
        case Type::Bool: out += v.b ? 't' : 'f'; return;
        case Type::Number: number('d', v.n); return;
        case Type::String: string(v.s->text); return;
        case Type::Object: object(v.o, depth); return;
        }
    }

    static bool saved(const Property& p) {
        if (p.flags & (DontEnum | Accessor)) return false;
        const Value& v = p.value;
        return !(v.is_object() && (v.o->kind == ObjKind::Function || is_display_object(v.o)));
    }

private:
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out += char(v >> (8 * i));
    }
    void number(char tag, double d) {
        out += tag;
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        for (int i = 0; i < 8; ++i) out += char(bits >> (8 * i));
    }
    void string(const std::string& s) {
        out += 's';
        raw_string(s);
    }
    void raw_string(const std::string& s) {
        u32(uint32_t(s.size()));
        out += s;
    }

    void object(Object* o, int depth) {
        switch (o->kind) {
        case ObjKind::String:
        case ObjKind::Number:
        case ObjKind::Boolean: value(o->primitive.is_object() ? Value() : o->primitive, depth); return;
        case ObjKind::Date: number('D', o->primitive.is_number() ? o->primitive.n : 0); return;
        case ObjKind::Plain:
        case ObjKind::Array: break;
        default: out += 'u'; return;
        }
        for (size_t i = 0; i < seen_.size(); ++i)
            if (seen_[i] == o) {
                out += 'r';
                u32(uint32_t(i));
                return;
            }
        if (depth > kMaxDepth) {
            out += 'u';
            return;
        }
        seen_.push_back(o);
        if (o->kind == ObjKind::Array) {
            auto& items = static_cast<ArrayObject*>(o)->items;
            out += 'a';
            u32(uint32_t(items.size()));
            for (const Value& item : items) {
                const bool skip = item.is_object() && (item.o->kind == ObjKind::Function || is_display_object(item.o));
                value(skip ? Value() : item, depth + 1);
            }
        } else {
            out += 'o';
        }
        std::vector<const Property*> props;
        for (const Property& p : o->properties())
            if (saved(p)) props.push_back(&p);
        u32(uint32_t(props.size()));
        for (const Property* p : props) {
            raw_string(p->name->text);
            value(p->value, depth + 1);
        }
    }

    Vm& vm_;
    std::vector<Object*> seen_;
};

std::string payload_of(Vm& vm, Object* data) {
    Writer w(vm);
    w.value(data, 0);
    return w.out;
}

// ---------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------
class Reader {
public:
    Reader(Vm& vm, std::string_view in) : vm_(vm), in_(in) {}

    bool value(Value& out, int depth) {
        if (depth > kMaxDepth || pos_ >= in_.size()) return false;
        const char tag = in_[pos_++];
        switch (tag) {
        case 'u': out = Value(); return true;
        case 'n': out = Value::null(); return true;
        case 't': out = true; return true;
        case 'f': out = false; return true;
        case 'd': return number(out);
        case 'D': {
            Value t;
            if (!number(t)) return false;
            Object* d = vm_.new_object(vm_.date_proto);
            d->kind = ObjKind::Date;
            d->primitive = t;
            out = d;
            return true;
        }
        case 's': {
            std::string s;
            if (!string(s)) return false;
            out = vm_.str(std::move(s));
            return true;
        }
        case 'r': {
            uint32_t i;
            if (!u32(i) || i >= objects_.size()) return false;
            out = objects_[i];
            return true;
        }
        case 'a': {
            uint32_t n;
            if (!u32(n) || n > in_.size() - pos_) return false;
            ArrayObject* a = vm_.new_array();
            objects_.push_back(a);
            out = a;
            for (uint32_t i = 0; i < n; ++i) {
                Value item;
                if (!value(item, depth + 1)) return false;
                a->items.push_back(item);
            }
            return props(a, depth);
        }
        case 'o': {
            Object* o = vm_.new_object();
            objects_.push_back(o);
            out = o;
            return props(o, depth);
        }
        default: return false;
        }
    }

    bool at_end() const { return pos_ == in_.size(); }

private:
    bool u32(uint32_t& v) {
        if (in_.size() - pos_ < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(in_[pos_ + size_t(i)])) << (8 * i);
        pos_ += 4;
        return true;
    }
    bool number(Value& out) {
        if (in_.size() - pos_ < 8) return false;
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= uint64_t(uint8_t(in_[pos_ + size_t(i)])) << (8 * i);
        pos_ += 8;
        double d;
        std::memcpy(&d, &bits, 8);
        out = d;
        return true;
    }
    bool string(std::string& s) {
        uint32_t n;
        if (!u32(n) || n > in_.size() - pos_) return false;
        s.assign(in_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool props(Object* o, int depth) {
        uint32_t n;
        if (!u32(n) || n > in_.size() - pos_) return false;
        for (uint32_t i = 0; i < n; ++i) {
            std::string name;
            Value v;
            if (!string(name) || !value(v, depth + 1)) return false;
            if (name.empty()) continue;
            o->put(vm_.intern(name), v, 0, true);
        }
        return true;
    }

    Vm& vm_;
    std::string_view in_;
    size_t pos_ = 0;
    std::vector<Object*> objects_;
};

std::filesystem::path fs_path(const std::string& utf8) { return path_from_utf8(utf8); }

// The saved data object, or null when there is no file or it does not read back cleanly.
Object* read_file(Vm& vm, const std::string& path) {
    std::ifstream f(fs_path(path), std::ios::binary);
    if (!f) return nullptr;
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (bytes.size() < 13 || bytes.size() > 16 * kMovieLimit || std::memcmp(bytes.data(), kMagic, 4) != 0 ||
        uint8_t(bytes[4]) != kFormat)
        return nullptr;
    auto u32_at = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes[at + size_t(i)])) << (8 * i);
        return v;
    };
    const uint32_t length = u32_at(5), hash = u32_at(9);
    std::string_view payload(bytes.data() + 13, bytes.size() - 13);
    if (payload.size() != length || fnv32(payload) != hash) return nullptr;
    Reader r(vm, payload);
    Value v;
    if (!r.value(v, 0) || !r.at_end() || !v.is_object() || v.o->kind != ObjKind::Plain) return nullptr;
    return v.o;
}

bool write_file(const std::string& path, const std::string& payload) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs_path(path).parent_path(), ec);
    std::string bytes(kMagic, 4);
    bytes += char(kFormat);
    for (uint32_t v : {uint32_t(payload.size()), fnv32(payload)})
        for (int i = 0; i < 4; ++i) bytes += char(v >> (8 * i));
    bytes += payload;
    const std::string temp = path + ".tmp";
    {
        std::ofstream f(fs_path(temp), std::ios::binary | std::ios::trunc);
        if (!f) return false;
        f.write(bytes.data(), std::streamsize(bytes.size()));
        f.flush();
        if (!f) {
            f.close();
            fs::remove(fs_path(temp), ec);
            return false;
        }
    }
    fs::rename(fs_path(temp), fs_path(path), ec);
    if (ec) {
        fs::remove(fs_path(temp), ec);
        return false;
    }
    return true;
}

// The `data` object as stored (no script runs: this is also used while the movie unloads).
Object* data_of(Vm& vm, Object* so) {
    Property* p = so ? so->find_own(vm.intern("data"), true) : nullptr;
    return p && !(p->flags & Accessor) ? p->value.object() : nullptr;
}

// Bytes the movie's shared objects would take if `so` were saved with `payload`.
size_t movie_total(Vm& vm, Object* so, size_t payload) {
    size_t total = payload;
    if (!vm.runtime) return total;
    for (auto& [key, other] : vm.runtime->shared_objects) {
        if (other == so) continue;
        if (Object* d = data_of(vm, other)) total += payload_of(vm, d).size();
    }
    return total;
}

bool save(Vm& vm, Object* so) {
    SharedObjectData* d = native_of<SharedObjectData>(so);
    Object* data = data_of(vm, so);
    if (!d || !data) return false;
    const std::string payload = payload_of(vm, data);
    if (movie_total(vm, so, payload.size()) > kMovieLimit) return false;
    if (d->file.empty()) return true;
    return write_file(d->file, payload);
}

// ---------------------------------------------------------------------------------------------
// Script side
// ---------------------------------------------------------------------------------------------
Object* so_proto(Vm& vm) {
    Value ctor = vm.get(vm.global, vm.intern("SharedObject"));
    Value p = ctor.is_object() ? vm.get(ctor, vm.names.prototype) : Value();
    return p.is_object() ? p.o : vm.object_proto;
}

std::string file_for(Vm& vm, const std::string& path, const std::string& name) {
    // Only a folder the host named outright: a relative one would land beside the program.
    if (!vm.runtime || vm.runtime->shared_object_dir.empty() ||
        !fs_path(vm.runtime->shared_object_dir).is_absolute())
        return std::string();
    std::string safe;
    for (char c : name) {
        if (safe.size() >= 32) break;
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        safe += plain ? c : '_';
    }
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(fnv64(vm.runtime->url() + '\n' + path + '\n' + name)));
    return vm.runtime->shared_object_dir + "/" + std::string(hash) + "-" + safe + ".plso";
}

Value so_get_local(Vm& vm, Value, const Args& args) {
    if (args.size() < 1) return Value::null();
    const std::string name = vm.to_string(args[0])->text;
    const std::string path = args[1].is_nullish() ? std::string() : vm.to_string(args[1])->text;
    if (!valid_name(name)) return Value::null();
    const std::string key = path + "\n" + name;
    if (vm.runtime) {
        auto it = vm.runtime->shared_objects.find(key);
        if (it != vm.runtime->shared_objects.end()) return it->second;
    }
    Object* so = vm.new_object(so_proto(vm));
    SharedObjectData* d = native_attach<SharedObjectData>(vm, so);
    d->key = key;
    d->file = file_for(vm, path, name);
    Object* data = d->file.empty() ? nullptr : read_file(vm, d->file);
    if (!data) data = vm.new_object();
    vm.define(so, "data", data, DontDelete);
    if (vm.runtime) {
        vm.runtime->shared_objects.emplace(key, so);
        vm.roots.push_back(so);
    }
    return so;
}

Value so_flush(Vm& vm, Value self, const Args&) {
    Object* so = self.object();
    if (!so || !native_of<SharedObjectData>(self)) return Value();
    return save(vm, so);
}

Value so_get_size(Vm& vm, Value self, const Args&) {
    Object* so = self.object();
    Object* data = so && native_of<SharedObjectData>(self) ? data_of(vm, so) : nullptr;
    if (!data) return Value();
    return double(payload_of(vm, data).size());
}

// Empties the data and deletes the file.
Value so_clear(Vm& vm, Value self, const Args&) {
    SharedObjectData* d = native_of<SharedObjectData>(self);
    if (!d) return Value();
    if (Object* data = data_of(vm, self.o)) {
        std::vector<Str*> names;
        for (const Property& p : data->properties()) names.push_back(p.name);
        for (Str* n : names) data->remove(n, true);
    }
    if (!d->file.empty()) {
        std::error_code ec;
        std::filesystem::remove(fs_path(d->file), ec);
    }
    return Value();
}

Value answer_nothing(Vm&, Value, const Args&) { return Value(); }
Value answer_false(Vm&, Value, const Args&) { return false; }
Value answer_null(Vm&, Value, const Args&) { return Value::null(); }
Value answer_zero(Vm&, Value, const Args&) { return 0.0; }
Value so_ctor(Vm&, Value, const Args&) { return Value(); }

}  // namespace

void Runtime::save_shared_objects() {
    for (auto& [key, so] : shared_objects) save(vm, so);
}

void install_shared_object(Vm& vm) {
    Object* proto = vm.new_object();
    FunctionObject* ctor = vm.make_class("SharedObject", so_ctor, proto);
    vm.define_method(ctor, "getLocal", so_get_local);
    vm.define_method(ctor, "getRemote", answer_null);
    vm.define_method(ctor, "deleteAll", answer_false);
    vm.define_method(ctor, "getDiskUsage", answer_zero);
    vm.define_method(proto, "flush", so_flush);
    vm.define_method(proto, "clear", so_clear);
    vm.define_method(proto, "getSize", so_get_size);
    vm.define_method(proto, "close", answer_nothing);
    vm.define_method(proto, "connect", answer_false);
    vm.define_method(proto, "send", answer_nothing);
    vm.define_method(proto, "setFps", answer_false);
}

}  // namespace swf::avm1
