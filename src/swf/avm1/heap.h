// The collected heap: every string and object the scripts make is a Cell, linked into one list.
// Collection is mark and sweep from the roots the runtime names (display list, _global, timers,
// the operand stack of running code); it runs only at points where no native code holds values
// in C++ locals (see Vm::maybe_collect).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "swf/avm1/value.h"

namespace swf::avm1 {

class Heap;

class Tracer {
public:
    void mark(const Value& v);
    void mark(struct Cell* c);
    void mark_str(Str* s);

private:
    friend class Heap;
    std::vector<Cell*> pending_;
};

struct Cell {
    Cell* next_cell = nullptr;
    bool marked = false;
    bool is_string = false;
    virtual ~Cell() = default;
    virtual void trace(Tracer&) {}
    virtual size_t cell_size() const { return sizeof(Cell); }
};

// An immutable UTF-8 string. Interned strings (every property name) are unique per spelling and
// carry their case-folded twin, so name lookups compare pointers.
struct Str final : Cell {
    std::string text;
    Str* folded = nullptr;  // interned strings only: the interned lower-case form (may be this)
    bool interned = false;
    int8_t ascii = -1;  // -1 not known yet
    int8_t path = -1;   // names a path (has ':', '/' or an inner '.'): -1 not known yet
    int32_t index = -2;  // as an array index: -2 not known yet, -1 not an index
    // Long strings grown one append at a time share a buffer: this string is its first
    // `grown_len` bytes and `text` stays empty until settle(). Only the interpreter's stack and
    // registers hold such strings; everything it hands on is settled first.
    std::shared_ptr<std::string> grown;
    size_t grown_len = 0;

    explicit Str(std::string t) : text(std::move(t)) { is_string = true; }
    size_t cell_size() const override { return sizeof(Str) + text.capacity(); }
    bool is_ascii();
    // The index this string names ("0", "17"), or -1.
    int32_t array_index();
    bool names_path();
    std::string_view view() const { return grown ? std::string_view(grown->data(), grown_len) : std::string_view(text); }
    void settle() {
        if (grown) settle_grown();
    }
    void settle_grown();
};

class Heap {
public:
    Heap();
    ~Heap();
    Heap(const Heap&) = delete;
    Heap& operator=(const Heap&) = delete;

    template <typename T, typename... A>
    T* make(A&&... args) {
        T* c = new T(std::forward<A>(args)...);
        link(c);
        return c;
    }
    Str* str(std::string text) { return make<Str>(std::move(text)); }
    // a + b. Appending to the newest string of a shared buffer costs only the appended text, so
    // a loop of `s += x` is linear; the result may be unsettled (see Str::grown).
    Str* concat(Str* a, Str* b);
    Str* intern(std::string_view text);
    Str* intern(Str* s) { return s->interned ? s : intern(std::string_view(s->text)); }
    // The interned string for `text` if one exists, else null (no allocation).
    Str* find_interned(std::string_view text) const;

    // Collects everything the callback does not reach. The callback marks the roots.
    void collect(const std::function<void(Tracer&)>& mark_roots);
    bool wants_collection() {
        count_new_cells();
        return allocated_since_ > threshold_;
    }
    size_t live_bytes() {
        count_new_cells();
        return live_bytes_;
    }
    size_t cell_count() const { return cells_; }
    // Adds to what a cell owns outside its own size (arrays growing, property tables).
    void note_external(size_t bytes) { allocated_since_ += bytes; }

private:
    void link(Cell* c);
    // Adds the cells made since the last count at their size now, not at birth: most grow right
    // after they are made (an array filled, an object given its properties).
    void count_new_cells();

    Cell* all_ = nullptr;  // newest first
    Cell* counted_ = nullptr;  // the newest cell counted so far
    size_t cells_ = 0;
    size_t live_bytes_ = 0;
    size_t allocated_since_ = 0;
    size_t threshold_ = 8u << 20;
    std::unordered_map<std::string_view, Str*> interned_;
};

}  // namespace swf::avm1
