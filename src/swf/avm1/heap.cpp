#include "swf/avm1/heap.h"

#include "swf/avm1/convert.h"

namespace swf::avm1 {

bool Str::is_ascii() {
    if (ascii < 0) ascii = swf::avm1::is_ascii(text) ? 1 : 0;
    return ascii == 1;
}

int32_t Str::array_index() {
    if (index != -2) return index;
    index = -1;
    const size_t n = text.size();
    if (n == 0 || n > 10 || (n > 1 && text[0] == '0')) return index;
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return index;
        v = v * 10 + (c - '0');
    }
    if (v < INT32_MAX) index = int32_t(v);
    return index;
}

bool Str::names_path() {
    if (path < 0) {
        const size_t dot = text.find('.');
        path = text.find(':') != std::string::npos || text.find('/') != std::string::npos ||
               (dot != std::string::npos && text.size() > 1);
    }
    return path == 1;
}

void Str::settle_grown() {
    text.assign(grown->data(), grown_len);
    grown.reset();
}

Str* Heap::concat(Str* a, Str* b) {
    // Short results are copied: sharing only pays once the text is long.
    constexpr size_t kShareFrom = 256;
    const std::string_view x = a->view(), y = b->view();
    const size_t n = x.size() + y.size();
    if (a->grown && a->grown_len == a->grown->size()) {
        // `a` is the newest string of its buffer: extend the buffer in place.
        std::string& buf = *a->grown;
        if (b->grown == a->grown)
            buf.append(std::string(y));  // appending a string to itself
        else
            buf.append(y);
        Str* s = make<Str>(std::string());
        s->grown = a->grown;
        s->grown_len = n;
        allocated_since_ += y.size();
        return s;
    }
    if (n < kShareFrom) {
        std::string r;
        r.reserve(n);
        r.append(x);
        r.append(y);
        return make<Str>(std::move(r));
    }
    auto buf = std::make_shared<std::string>();
    buf->reserve(n * 2);
    buf->append(x);
    buf->append(y);
    Str* s = make<Str>(std::string());
    s->grown = std::move(buf);
    s->grown_len = n;
    allocated_since_ += n * 2;
    return s;
}

void Tracer::mark(Cell* c) {
    if (!c || c->marked) return;
    c->marked = true;
    if (!c->is_string) pending_.push_back(c);
}

void Tracer::mark_str(Str* s) {
    if (s) s->marked = true;
}

void Tracer::mark(const Value& v) {
    if (v.type == Type::String)
        v.s->marked = true;
    else if (v.type == Type::Object)
        mark(reinterpret_cast<Cell*>(v.o));
}

Heap::Heap() = default;

Heap::~Heap() {
    while (all_) {
        Cell* next = all_->next_cell;
        delete all_;
        all_ = next;
    }
}

void Heap::link(Cell* c) {
    c->next_cell = all_;
    all_ = c;
    ++cells_;
}

void Heap::count_new_cells() {
    for (Cell* c = all_; c && c != counted_; c = c->next_cell) {
        const size_t size = c->cell_size();
        live_bytes_ += size;
        allocated_since_ += size;
    }
    counted_ = all_;
}

Str* Heap::find_interned(std::string_view text) const {
    auto it = interned_.find(text);
    return it == interned_.end() ? nullptr : it->second;
}

Str* Heap::intern(std::string_view text) {
    auto it = interned_.find(text);
    if (it != interned_.end()) return it->second;
    Str* s = make<Str>(std::string(text));
    s->interned = true;
    interned_.emplace(std::string_view(s->text), s);
    std::string low = fold_case(s->text);
    if (low == s->text) {
        s->folded = s;
    } else {
        Str* f = intern(low);
        s->folded = f;
    }
    return s;
}

void Heap::collect(const std::function<void(Tracer&)>& mark_roots) {
    Tracer t;
    mark_roots(t);
    while (!t.pending_.empty()) {
        Cell* c = t.pending_.back();
        t.pending_.pop_back();
        c->trace(t);
    }
    // Interned strings stay while anything uses them; a folded twin lives with its original.
    for (auto& [text, s] : interned_)
        if (s->marked && s->folded && !s->folded->marked) s->folded->marked = true;
    for (auto it = interned_.begin(); it != interned_.end();) {
        if (!it->second->marked)
            it = interned_.erase(it);
        else
            ++it;
    }
    Cell** link = &all_;
    live_bytes_ = 0;
    while (Cell* c = *link) {
        if (c->marked) {
            c->marked = false;
            live_bytes_ += c->cell_size();
            link = &c->next_cell;
        } else {
            *link = c->next_cell;
            --cells_;
            delete c;
        }
    }
    counted_ = all_;
    allocated_since_ = 0;
    threshold_ = std::max<size_t>(8u << 20, live_bytes_);
}

}  // namespace swf::avm1
