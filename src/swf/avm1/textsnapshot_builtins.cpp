// TextSnapshot: the static text (DefineText) a clip shows directly, read as one string of
// characters, and MovieClip.getTextSnapshot. The text is taken when the snapshot is made, from
// the clip's own display list in depth order (text inside child clips and text fields is not
// part of it); each text object, and each record that moves to a new baseline, starts a line.
//
// A duplicated clip takes its static text with it: the copy's snapshot has the text and the
// source's is empty from then on (ClipObject::static_text_moved).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/native_data.h"

namespace swf::avm1 {

namespace {

struct SnapChar {
    std::string text;  // UTF-8
    bool line_start = false;
    bool selected = false;
    const FontDef* font = nullptr;
    RGBA color;
    double height = 0;  // twips
    double x = 0, y = 0, advance = 0;  // in the text's own twips
    Matrix matrix;  // text twips -> the clip's twips
};

class Snapshot final : public NativeData {
public:
    std::vector<SnapChar> chars;
    uint32_t select_color = 0xFFFF00;
};

void append_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void read_text(const Movie& movie, const TextDef& text, const Matrix& placed, std::vector<SnapChar>& out) {
    const Matrix m = placed * text.matrix;
    bool new_line = true;
    int last_y = 0;
    bool have_y = false;
    for (const GlyphRun& run : text.runs) {
        const Character* ch = movie.find(run.font);
        const FontDef* font = ch && ch->kind == CharKind::Font ? static_cast<const FontDef*>(ch) : nullptr;
        if (have_y && run.y != last_y) new_line = true;
        last_y = run.y, have_y = true;
        for (size_t i = 0; i < run.glyphs.size(); ++i) {
            const auto [index, x] = run.glyphs[i];
            SnapChar c;
            if (font && index >= 0 && size_t(index) < font->codes.size()) append_utf8(c.text, font->codes[index]);
            c.line_start = new_line;
            new_line = false;
            c.font = font;
            c.color = run.color;
            c.height = run.height;
            c.x = x;
            c.y = run.y;
            if (i + 1 < run.glyphs.size())
                c.advance = run.glyphs[i + 1].second - x;
            else if (font && index >= 0 && size_t(index) < font->glyphs.size())
                c.advance = font->glyphs[index].advance * run.height / font->units_per_em;
            c.matrix = m;
            out.push_back(std::move(c));
        }
    }
}

// The static text of `clip`'s own display list, in depth order.
void take_snapshot(Object* clip, Snapshot& snap) {
    if (!is_display_object(clip)) return;
    auto* c = static_cast<ClipObject*>(clip);
    if (!c->clip || c->static_text_moved) return;
    for (const auto& [depth, inst] : c->clip->display_list()) {
        if (!inst.character || inst.character->kind != CharKind::Text) continue;
        const size_t before = snap.chars.size();
        read_text(c->clip->movie(), static_cast<const TextDef&>(*inst.character), inst.matrix, snap.chars);
        if (snap.chars.size() > before) snap.chars[before].line_start = true;
    }
}

Snapshot* snapshot_of(const Value& self) { return native_of<Snapshot>(self); }

int index_arg(Vm& vm, const Value& v) {
    const double d = vm.to_number(v);
    if (d != d) return 0;
    return int(std::clamp(std::trunc(d), -1e9, 1e9));
}

// [start, end) with start inside the text and at least one character.
bool char_range(Vm& vm, const Snapshot& s, const Args& args, size_t& start, size_t& end) {
    const int count = int(s.chars.size());
    if (count == 0) return false;
    const int a = std::clamp(index_arg(vm, args[0]), 0, count - 1);
    const int b = std::clamp(index_arg(vm, args[1]), a + 1, count);
    start = size_t(a), end = size_t(b);
    return true;
}

std::string text_of(const Snapshot& s, size_t start, size_t end, bool line_endings, bool only_selected) {
    std::string out;
    bool any = false;
    for (size_t i = start; i < end; ++i) {
        const SnapChar& c = s.chars[i];
        if (only_selected && !c.selected) continue;
        if (line_endings && c.line_start && any) out += '\n';
        out += c.text;
        any = true;
    }
    return out;
}

Value ts_ctor(Vm& vm, Value self, const Args& args) {
    if (args.size() < 1) return Value();
    Snapshot* snap = native_attach<Snapshot>(vm, self);
    if (snap) take_snapshot(args[0].object(), *snap);
    return Value();
}

Value ts_get_count(Vm&, Value self, const Args&) {
    Snapshot* s = snapshot_of(self);
    if (!s) return Value();
    return double(s->chars.size());
}

// getText(start, end[, includeLineEndings])
Value ts_get_text(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    size_t start, end;
    if (!s || args.size() < 2 || args.size() > 3 || !char_range(vm, *s, args, start, end)) return Value();
    const bool line_endings = args.size() > 2 && vm.to_boolean(args[2]);
    return vm.str(text_of(*s, start, end, line_endings, false));
}

// findText(start, text, caseSensitive): the index of the first match at or after start, or -1.
Value ts_find_text(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    if (!s || args.size() < 3) return Value();
    const int from = index_arg(vm, args[0]);
    const std::string wanted = vm.to_string(args[1])->text;
    const bool cs = vm.to_boolean(args[2]);
    if (wanted.empty() || from < 0) return -1.0;
    // Character i starts at byte offsets[i] of the whole text.
    std::string all;
    std::vector<size_t> offsets;
    for (const SnapChar& c : s->chars) {
        offsets.push_back(all.size());
        all += c.text;
    }
    const std::string hay = cs ? all : fold_case(all);
    const std::string needle = cs ? wanted : fold_case(wanted);
    for (size_t i = size_t(from); i < offsets.size(); ++i)
        if (hay.compare(offsets[i], needle.size(), needle) == 0) return double(i);
    return -1.0;
}

Value ts_get_selected(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    size_t start, end;
    if (!s || args.size() < 2) return Value();
    if (!char_range(vm, *s, args, start, end)) return false;
    for (size_t i = start; i < end; ++i)
        if (s->chars[i].selected) return true;
    return false;
}

Value ts_set_selected(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    size_t start, end;
    if (!s || args.size() < 3 || !char_range(vm, *s, args, start, end)) return Value();
    const bool on = vm.to_boolean(args[2]);
    for (size_t i = start; i < end; ++i) s->chars[i].selected = on;
    return Value();
}

Value ts_get_selected_text(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    if (!s) return Value();
    const bool line_endings = args.size() > 0 && vm.to_boolean(args[0]);
    return vm.str(text_of(*s, 0, s->chars.size(), line_endings, true));
}

Value ts_set_select_color(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    if (!s || args.size() < 1) return Value();
    s->select_color = uint32_t(to_int32(vm.to_number(args[0]))) & 0xFFFFFF;
    return Value();
}

// hitTestTextNearPos(x, y[, maxDistance]): the character whose box is nearest to the point (in
// the clip's pixels), if within maxDistance (default 0: the point must be inside), else -1.
Value ts_hit_test(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    if (!s || args.size() < 2) return Value();
    const double px = vm.to_number(args[0]) * 20, py = vm.to_number(args[1]) * 20;
    const double max = args.size() > 2 ? vm.to_number(args[2]) * 20 : 0;
    double best = max;
    int found = -1;
    for (size_t i = 0; i < s->chars.size(); ++i) {
        const SnapChar& c = s->chars[i];
        Matrix inv;
        if (!c.matrix.invert(inv)) continue;
        const double lx = inv.apply_x(px, py), ly = inv.apply_y(px, py);
        const double top = c.y - c.height, bottom = c.y;
        const double dx = lx < c.x ? c.x - lx : lx > c.x + c.advance ? lx - (c.x + c.advance) : 0;
        const double dy = ly < top ? top - ly : ly > bottom ? ly - bottom : 0;
        const double dist = std::hypot(dx, dy);
        if (dist <= best) {
            best = dist;
            found = int(i);
            if (dist == 0) break;
        }
    }
    return double(found);
}

// getTextRunInfo(start, end): one object per character with its place, font and colour.
Value ts_get_text_run_info(Vm& vm, Value self, const Args& args) {
    Snapshot* s = snapshot_of(self);
    size_t start, end;
    if (!s || args.size() < 2) return Value();
    ArrayObject* out = vm.new_array();
    if (!char_range(vm, *s, args, start, end)) return out;
    for (size_t i = start; i < end; ++i) {
        const SnapChar& c = s->chars[i];
        Object* info = vm.new_object();
        auto put = [&](const char* name, const Value& v) { vm.set(info, vm.intern(name), v); };
        put("indexInRun", double(i));
        put("selected", c.selected);
        put("font", c.font ? Value(vm.str(c.font->name)) : Value());
        put("color", double((uint32_t(c.color.a) << 24) | (uint32_t(c.color.r) << 16) | (c.color.g << 8) | c.color.b));
        put("height", c.height / 20);
        // The glyph's own frame: its origin on the baseline, scaled by the text's matrix.
        const Matrix g = c.matrix * Matrix{1, 0, 0, 1, c.x, c.y};
        put("matrix_a", g.a);
        put("matrix_b", g.b);
        put("matrix_c", g.c);
        put("matrix_d", g.d);
        put("matrix_tx", g.tx / 20);
        put("matrix_ty", g.ty / 20);
        const double xs[4] = {c.x, c.x + c.advance, c.x + c.advance, c.x};
        const double ys[4] = {c.y, c.y, c.y - c.height, c.y - c.height};
        for (int k = 0; k < 4; ++k) {
            const std::string n = "corner" + std::to_string(k);
            put((n + "x").c_str(), c.matrix.apply_x(xs[k], ys[k]) / 20);
            put((n + "y").c_str(), c.matrix.apply_y(xs[k], ys[k]) / 20);
        }
        out->items.push_back(info);
    }
    return out;
}

// MovieClip.getTextSnapshot(): `new TextSnapshot(this)` with whatever _global.TextSnapshot is now.
Value mc_get_text_snapshot(Vm& vm, Value self, const Args&) {
    if (!is_display_object(self.object())) return Value();
    Value ctor = vm.get(vm.global, vm.intern("TextSnapshot"));
    return vm.construct(ctor, &self, 1);
}

}  // namespace

void install_textsnapshot(Vm& vm) {
    Object* proto = vm.new_object();
    vm.make_class("TextSnapshot", ts_ctor, proto);
    // Enumerable, as the original's are; listed newest first.
    const struct {
        const char* name;
        NativeFn fn;
    } methods[] = {
        {"getCount", ts_get_count},
        {"setSelected", ts_set_selected},
        {"getSelected", ts_get_selected},
        {"getText", ts_get_text},
        {"getSelectedText", ts_get_selected_text},
        {"hitTestTextNearPos", ts_hit_test},
        {"findText", ts_find_text},
        {"setSelectColor", ts_set_select_color},
        {"getTextRunInfo", ts_get_text_run_info},
    };
    for (const auto& m : methods) vm.define_method(proto, m.name, m.fn, 0);
    vm.define_method(vm.movieclip_proto, "getTextSnapshot", mc_get_text_snapshot, DontEnum | HideFrom5);
}

}  // namespace swf::avm1
