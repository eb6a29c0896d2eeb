// Movie clips as objects: display properties, children by name, paths and timeline control.
#include "swf/avm1/clip.h"

#include <cmath>
#include <cstring>

#include "swf/avm1/convert.h"
#include "swf/avm1/runtime.h"

namespace swf::avm1 {

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr const char* kPropNames[PropCount] = {
    "_x", "_y", "_xscale", "_yscale", "_currentframe", "_totalframes", "_alpha", "_visible",
    "_width", "_height", "_rotation", "_target", "_framesloaded", "_name", "_droptarget",
    "_url", "_highquality", "_focusrect", "_soundbuftime", "_quality", "_xmouse", "_ymouse"};

constexpr const char* kQualityNames[4] = {"LOW", "MEDIUM", "HIGH", "BEST"};

// The player-wide settings, written through any clip. Values that are no number are ignored.
void set_setting(Vm& vm, int index, const Value& v) {
    Runtime* rt = vm.runtime;
    if (!rt) return;
    auto& s = rt->settings;
    if (index == PropQuality) {
        const std::string want = fold_case(vm.to_string(v)->text);
        for (int q = 0; q < 4; ++q)
            if (want == fold_case(kQualityNames[q])) s.quality = q;
        return;
    }
    if (index == PropFocusRect && v.is_object()) {
        s.focus_rect = false;  // an object turns it off without being converted
        return;
    }
    if (v.is_undefined() || v.is_null()) return;
    const double n = vm.to_number(v);
    if (std::isnan(n)) return;
    switch (index) {
    case PropHighQuality: {
        const double t = std::trunc(n);
        s.quality = t >= 2 ? 3 : t == 0 ? 0 : 2;
        break;
    }
    case PropFocusRect: s.focus_rect = n != 0; break;
    case PropSoundBufTime: s.sound_buf_time = std::isfinite(n) ? to_int32(n) : INT32_MIN; break;
    default: break;
    }
}

ClipObject* as_clip(Object* o) { return is_display_object(o) ? static_cast<ClipObject*>(o) : nullptr; }

// A removed clip's object finds a clip of the same path again, if one is there now.
ClipObject* live(Vm& vm, Object* o) {
    ClipObject* c = as_clip(o);
    if (!c) return nullptr;
    if (c->alive()) return c;
    if (c->dead_path.empty() || !vm.runtime) return nullptr;
    Object* again = resolve_clip_path(vm, nullptr, c->dead_path, nullptr);
    ClipObject* a = as_clip(again);
    return a && a->alive() ? a : nullptr;
}

}  // namespace

Object* clip_now(Vm& vm, Object* o) { return live(vm, o); }

namespace {

bool object_bounds(ClipObject* c, Rect& out) { return clip_local_bounds(c, out, true); }

Matrix& own_matrix(ClipObject* c) { return c->inst ? c->inst->matrix : c->root_matrix; }
CxForm& own_cxform(ClipObject* c) { return c->inst ? c->inst->cxform : c->root_cxform; }
bool& own_visible(ClipObject* c) { return c->inst ? c->inst->visible : c->root_visible; }
Matrix local_matrix(ClipObject* c) { return own_matrix(c); }

// A matrix as scripts see it: the length of each axis and the angle it points at. A mirrored
// matrix reads as a negative y scale, its y axis turned half a turn back.
struct Axes {
    double sx, sy, rx, ry;  // rx, ry in radians
};

Axes axes_of(const Matrix& m) {
    Axes a{std::hypot(m.a, m.b), std::hypot(m.c, m.d), std::atan2(m.b, m.a), std::atan2(-m.c, m.d)};
    if (m.determinant() < 0) {
        a.sy = -a.sy;
        a.ry = std::atan2(m.c, -m.d);
    }
    return a;
}

void update_scale_cache(ClipObject* c) {
    const Matrix m = local_matrix(c);
    if (c->have_scale && c->scale_for == m) return;
    const Axes a = axes_of(m);
    c->xscale = a.sx * 100;
    c->yscale = a.sy * 100;
    c->rotation = a.rx * 180 / kPi;
    c->have_scale = true;
    c->scale_for = m;
}

// Writes the cached scales and rotation back into the matrix. A skew the matrix had (its axes
// not at right angles) turns along with the rotation. Infinite scales stay out of the products
// where the angle's sine or cosine is zero, so an unrotated clip scaled to Infinity keeps a
// usable matrix.
void rebuild_matrix(ClipObject* c) {
    Matrix& m = own_matrix(c);
    if (!std::isfinite(c->rotation)) {
        c->scale_for = m;
        return;
    }
    const Axes now = axes_of(m);
    const bool both_axes = now.sx != 0 && now.sy != 0 && std::isfinite(now.rx) && std::isfinite(now.ry);
    const double rx = c->rotation * kPi / 180;
    const double ry = rx + (both_axes ? now.ry - now.rx : 0);
    auto mul = [](double s, double trig) { return trig == 0 || s == 0 ? 0.0 : s * trig; };
    const double sx = c->xscale / 100, sy = c->yscale / 100;
    const double cx = std::cos(rx), sxn = std::sin(rx), cy = std::cos(ry), syn = std::sin(ry);
    m.a = mul(sx, std::fabs(cx) < 1e-15 ? 0 : cx);
    m.b = mul(sx, std::fabs(sxn) < 1e-15 ? 0 : sxn);
    m.c = -mul(sy, std::fabs(syn) < 1e-15 ? 0 : syn);
    m.d = mul(sy, std::fabs(cy) < 1e-15 ? 0 : cy);
    c->scale_for = m;
}

// _width and _height: the scale along the clip's own axis that makes its box in the parent
// that wide or high, the other axis and the rotation kept. A box of w by h turned by the matrix
// is |a|w + |c|h wide and |b|w + |d|h high.
void set_extent(ClipObject* c, bool width, double value) {
    Rect r;
    if (!object_bounds(c, r)) return;
    const double w = r.width(), h = r.height();
    if ((width ? w : h) == 0) return;
    update_scale_cache(c);
    const Matrix m = local_matrix(c);
    const Axes a = axes_of(m);
    const double rx = c->rotation * kPi / 180;
    const double ry = rx + (a.sx != 0 && a.sy != 0 ? a.ry - a.rx : 0);
    double along, across;  // the axis being set projects by `along`; the other adds `across`
    if (width) {
        along = std::fabs(std::cos(rx)) * w;
        across = std::fabs(m.c) * h;
    } else {
        along = std::fabs(std::cos(ry)) * h;
        across = std::fabs(m.b) * w;
    }
    if (along < 1e-9) return;
    const double scale = (value * 20 - across) / along * 100;
    (width ? c->xscale : c->yscale) = scale;
    rebuild_matrix(c);
}

Runtime* runtime_of(Vm& vm) { return vm.runtime; }

// Frame labels match without regard to the case of ASCII letters only.
std::string ascii_lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace

int clip_prop_index(const std::string& name) {
    if (name.size() < 2 || name[0] != '_') return -1;
    for (int i = 0; i < PropCount; ++i) {
        const char* p = kPropNames[i];
        size_t n = std::strlen(p);
        if (n != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < n && same; ++k) same = std::tolower(uint8_t(name[k])) == p[k];
        if (same) return i;
    }
    return -1;
}

bool is_display_object(Object* o) {
    return o && (o->kind == ObjKind::Clip || o->kind == ObjKind::Button || o->kind == ObjKind::TextField);
}

bool clip_alive(Object* o) {
    ClipObject* c = as_clip(o);
    return c && c->alive();
}

// ---------------------------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------------------------
namespace {

std::string instance_name(ClipObject* c) {
    return c->inst ? c->inst->name : c->root_name;
}

}  // namespace

std::string display_path(Vm& vm, Object* o, bool slash) {
    ClipObject* c = as_clip(o);
    if (!c) return {};
    if (!c->alive()) {
        if (c->unloading) return c->dead_path;
        // A removed clip reads as the clip now at its path, or as nothing.
        ClipObject* again = live(vm, c);
        if (!again) return {};
        c = again;
    }
    std::vector<std::string> parts;
    int level = 0;
    for (ClipObject* p = c; p;) {
        if (!p->inst) {
            level = p->runtime ? p->runtime->level_of(p) : 0;
            break;
        }
        parts.push_back(p->inst->name);
        Clip* parent = p->parent;
        p = parent ? as_clip(parent->object) : nullptr;
    }
    std::string out;
    if (slash) {
        if (parts.empty()) return level ? "_level" + std::to_string(level) + "/" : "/";
        if (level) out = "_level" + std::to_string(level);
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) out += "/" + *it;
        return out;
    }
    out = "_level" + std::to_string(level);
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) out += "." + *it;
    return out;
}

Object* clip_root(Vm& vm, Object* clip) {
    ClipObject* c = as_clip(clip);
    if (c && c->alive()) {
        for (ClipObject* p = c; p;) {
            if (!p->inst) return p;
            Clip* parent = p->parent;
            ClipObject* up = parent ? as_clip(parent->object) : nullptr;
            if (!up) return p;
            p = up;
        }
    }
    return clip_level(vm, 0);
}

Object* clip_parent(Object* clip) {
    ClipObject* c = as_clip(clip);
    if (!c || !c->inst || !c->parent) return nullptr;
    return c->parent->object;
}

Object* clip_level(Vm& vm, int n) {
    Runtime* rt = runtime_of(vm);
    return rt ? rt->level(n) : nullptr;
}

namespace {

// A shape has no object of its own: the clip that holds it answers for it.
Object* child_object(ClipObject* c, Instance& inst) {
    return inst.clip ? inst.clip->object : inst.object ? inst.object : c;
}

// Lists up to this long are searched in full: the index costs more than it saves.
constexpr size_t kIndexChildrenFrom = 32;

}  // namespace

Object* find_child(Vm& vm, ClipObject* c, Str* name) {
    if (!c || !c->clip) return nullptr;
    const bool cs = vm.case_sensitive();
    const std::string& want = name->text;
    std::string folded;
    if (!cs) folded = name->folded ? name->folded->text : fold_case(want);
    auto& list = c->clip->display_list();
    if (list.size() >= kIndexChildrenFrom) {
        auto& index = c->child_index;
        if (!index) index = std::make_unique<ClipObject::ChildIndex>();
        if (index->clip != c->clip || index->version != c->clip->names_version() || index->folded != !cs) {
            index->clip = c->clip;
            index->version = c->clip->names_version();
            index->folded = !cs;
            index->depths.clear();
            for (auto& [depth, inst] : list)
                if (!inst.name.empty()) index->depths.emplace(cs ? inst.name : fold_case(inst.name), depth);
        }
        auto at = index->depths.find(cs ? want : folded);
        if (at == index->depths.end()) return nullptr;
        auto it = list.find(at->second);
        if (it != list.end())
            if (Object* obj = child_object(c, it->second)) return obj;
        // The lowest one has no object yet: a higher one may answer, as in the search below.
    }
    for (auto& [depth, inst] : list) {  // the lowest depth wins
        if (inst.name.empty()) continue;
        Object* obj = child_object(c, inst);
        if (obj && (cs ? inst.name == want
                       : (inst.name.size() == want.size() || !is_ascii(inst.name)) && fold_case(inst.name) == folded))
            return obj;
    }
    return nullptr;
}

bool level_name(Vm& vm, const std::string& name, int& level) {
    if (name.size() < 6) return false;
    const std::string head = vm.case_sensitive() ? name.substr(0, 6) : fold_case(name.substr(0, 6));
    if (head != "_level" && head != "_flash") return false;
    // The number is the leading digits, counted round 2^32 ("_level" alone, or "_level0a", is 0).
    size_t i = 6;
    const bool negative = i < name.size() && name[i] == '-';
    if (negative) ++i;
    uint32_t n = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) n = n * 10 + uint32_t(name[i] - '0');
    if (negative) n = 0u - n;
    level = int32_t(n);
    return true;
}

Object* resolve_clip_path(Vm& vm, Object* base, const std::string& path, const std::function<Value(Str*)>& lookup) {
    if (path.empty()) return base;
    // A path may end in one colon, not two.
    if (path.size() >= 2 && path.compare(path.size() - 2, 2, "::") == 0) return nullptr;
    size_t i = 0;
    Object* cur = base;
    // Once a slash is seen, dots belong to the names ("a/b.c" names a clip "b.c").
    bool slashed = path[0] == '/';
    if (slashed) {
        cur = clip_root(vm, base);
        i = 1;
    }
    bool first = true;
    while (i < path.size()) {
        // A colon parts names too ("/:mc1/" names mc1).
        size_t j = path.find_first_of(slashed ? "/:" : "/.:", i);
        if (j == std::string::npos) j = path.size();
        // ".." is a step up, not two dots.
        if (!slashed && path.compare(i, 2, "..") == 0 && (i + 2 == path.size() || path[i + 2] == '/')) j = i + 2;
        std::string seg = path.substr(i, j - i);
        if (j < path.size() && path[j] == '/') slashed = true;
        i = j < path.size() ? j + 1 : j;
        if (seg.empty()) continue;
        int level = 0;
        if (seg == ".." || (!vm.case_sensitive() ? fold_case(seg) == "_parent" : seg == "_parent")) {
            cur = cur ? clip_parent(cur) : nullptr;
        } else if (fold_case(seg) == "_root" && (vm.version < 7 || seg == "_root")) {
            cur = clip_root(vm, cur ? cur : base);
        } else if (level_name(vm, seg, level)) {
            cur = clip_level(vm, level);
        } else if (seg == "this" && first && !lookup) {
            // `this` in a path is the clip the path starts from; given a lookup, that decides.
        } else {
            Str* key = vm.intern(seg);
            Object* next = find_child(vm, as_clip(cur), key);
            // A variable may stand for a step, unless it holds a clip that has since gone.
            if (!next && cur) {
                Value v = vm.get(cur, key);
                if (v.is_object() && (!is_display_object(v.o) || clip_alive(v.o))) next = v.o;
            }
            if (!next && first && lookup) {
                Value v = lookup(key);
                if (v.is_object() && (!is_display_object(v.o) || clip_alive(v.o))) next = v.o;
            }
            cur = next;
        }
        first = false;
        if (!cur) return nullptr;
    }
    return cur;
}

// ---------------------------------------------------------------------------------------------
// Timeline control
// ---------------------------------------------------------------------------------------------
void clip_goto(Vm& vm, Object* o, int frame, bool play) {
    ClipObject* c = live(vm, o);
    if (!c || !c->clip || !c->clip->timeline()) return;
    const bool past_end = frame >= c->clip->frame_count();
    if (past_end) frame = c->clip->frame_count() - 1;
    if (frame < 0) return;
    if (play)
        c->clip->script_play();
    else
        c->clip->script_stop();
    c->clip->goto_frame(frame, !past_end);
}

bool clip_goto_label(Vm& vm, Object* o, const std::string& label, bool play, int bias) {
    ClipObject* c = live(vm, o);
    if (!c || !c->clip || !c->clip->timeline()) return false;
    const Timeline* tl = c->clip->timeline();
    const std::string want = ascii_lower(label);
    for (const auto& [name, frame] : tl->labels) {
        if (ascii_lower(name) != want) continue;
        clip_goto(vm, c, frame + bias, play);
        return true;
    }
    return false;
}

void clip_control(Vm& vm, Object* o, ClipControl what) {
    ClipObject* c = live(vm, o);
    if (!c || !c->clip) return;
    Clip& clip = *c->clip;
    switch (what) {
    case ClipControl::Play: clip.script_play(); break;
    case ClipControl::Stop: clip.script_stop(); break;
    case ClipControl::Next:
        clip.script_stop();
        if (clip.current_frame() + 1 < clip.frame_count()) clip.goto_frame(clip.current_frame() + 1);
        break;
    case ClipControl::Prev:
        clip.script_stop();
        if (clip.current_frame() > 0) clip.goto_frame(clip.current_frame() - 1);
        break;
    }
}

void clip_call_frame(Vm& vm, Object* o, const Value& frame, const std::function<Object*(const std::string&)>& resolve) {
    ClipObject* c = live(vm, o);
    int index = -1;
    if (frame.is_number()) {
        index = int(frame.n) - 1;
    } else {
        std::string s = vm.to_string(frame)->text;
        size_t colon = s.rfind(':');
        if (colon != std::string::npos) {
            c = live(vm, resolve(s.substr(0, colon)));
            s = s.substr(colon + 1);
        }
        if (!c || !c->clip || !c->clip->timeline()) return;
        double n = string_to_number(s, 6);
        if (!std::isnan(n) && !s.empty()) {
            index = int(n) - 1;
        } else {
            const std::string want = ascii_lower(s);
            for (const auto& [name, f] : c->clip->timeline()->labels)
                if (ascii_lower(name) == want) index = f;
        }
    }
    if (!c || !c->clip || !c->clip->timeline()) return;
    if (index < 0 || index >= c->clip->frame_count()) return;
    if (Runtime* rt = runtime_of(vm)) rt->call_frame(*c->clip, index);
}

void clip_load(Vm& vm, Object* clip, const std::string& url, int flags) {
    if (Runtime* rt = runtime_of(vm)) rt->load_into(clip, url, flags);
}

// ---------------------------------------------------------------------------------------------
// Display properties
// ---------------------------------------------------------------------------------------------
Value clip_get_property(Vm& vm, Object* o, int index) {
    ClipObject* c = live(vm, o);
    if (!c) return Value();
    Runtime* rt = runtime_of(vm);
    Clip* clip = c->clip;
    switch (index) {
    case PropX: return local_matrix(c).tx / 20;
    case PropY: return local_matrix(c).ty / 20;
    case PropXScale: update_scale_cache(c); return c->xscale;
    case PropYScale: update_scale_cache(c); return c->yscale;
    case PropCurrentFrame: return clip ? double(std::max(1, clip->current_frame() + 1)) : 1.0;
    case PropTotalFrames:
    case PropFramesLoaded: return clip ? double(clip->frame_count()) : 1.0;
    case PropAlpha: return own_cxform(c).am * 100.0 / 256;
    case PropVisible: return own_visible(c);
    case PropWidth:
    case PropHeight: {
        Rect r;
        if (!object_bounds(c, r)) return 0.0;
        Matrix m = local_matrix(c);
        const double xs[2] = {double(r.xmin), double(r.xmax)}, ys[2] = {double(r.ymin), double(r.ymax)};
        double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
        for (double x : xs)
            for (double y : ys) {
                x0 = std::min(x0, m.apply_x(x, y)), x1 = std::max(x1, m.apply_x(x, y));
                y0 = std::min(y0, m.apply_y(x, y)), y1 = std::max(y1, m.apply_y(x, y));
            }
        // The box's sides land on whole twips before they are measured.
        return index == PropWidth ? (std::round(x1) - std::round(x0)) / 20 : (std::round(y1) - std::round(y0)) / 20;
    }
    case PropRotation: update_scale_cache(c); return c->rotation;
    case PropTarget: return vm.str(display_path(vm, c, true));
    case PropName: return vm.str(instance_name(c));
    case PropDropTarget:
        return rt && rt->drop_clip == c ? Value(vm.str(rt->drop_target)) : Value(vm.names.empty);
    case PropUrl: return vm.str(rt ? rt->url() : std::string());
    case PropHighQuality: {
        const int q = rt ? rt->settings.quality : 2;
        return q == 3 ? 2.0 : q == 0 ? 0.0 : 1.0;
    }
    case PropFocusRect: {
        const bool on = rt ? rt->settings.focus_rect : true;
        return vm.version >= 6 ? Value(on) : Value(on ? 1.0 : 0.0);
    }
    case PropSoundBufTime: return double(rt ? rt->settings.sound_buf_time : 5);
    case PropQuality: return vm.intern(kQualityNames[rt ? rt->settings.quality : 2]);
    case PropXMouse:
    case PropYMouse: {
        if (!rt) return 0.0;
        double x, y;
        rt->mouse_in(c, x, y);
        return index == PropXMouse ? x : y;
    }
    default: return Value();
    }
}

void clip_set_property(Vm& vm, Object* o, int index, const Value& v) {
    ClipObject* c = live(vm, o);
    if (!c) return;
    Instance* inst = c->inst;
    if (index == PropHighQuality || index == PropFocusRect || index == PropSoundBufTime || index == PropQuality) {
        set_setting(vm, index, v);
        return;
    }
    if (index == PropName) {
        // References keep finding the clip by the path it had before its first rename: once it
        // is removed, they lead to whatever clip then holds that path.
        if (c->dead_path.empty() && c->alive()) c->dead_path = display_path(vm, c, false);
        (inst ? inst->name : c->root_name) = vm.to_string(v)->text;
        if (inst && inst->parent) inst->parent->names_changed();
        return;
    }
    // A value that is no number (undefined and null too, whatever the version) leaves the
    // property as it was.
    if (v.is_undefined() || v.is_null()) return;
    double n = vm.to_number(v);
    if (std::isnan(n)) return;
    Matrix& m = own_matrix(c);
    switch (index) {
    case PropX: case PropY: case PropXScale: case PropYScale: case PropAlpha: case PropWidth:
    case PropHeight: case PropRotation:
        if (inst) inst->scripted = true;
        break;
    default: break;
    }
    switch (index) {
    case PropX:
    case PropY: {
        double tw = n * 20;
        if (!std::isfinite(tw) || std::fabs(tw) > 2147483647.0) tw = -2147483648.0;
        const bool cached = c->have_scale && c->scale_for == m;
        (index == PropX ? m.tx : m.ty) = std::trunc(tw);
        if (cached) c->scale_for = m;
        break;
    }
    case PropXScale:
        update_scale_cache(c);
        c->xscale = n;
        rebuild_matrix(c);
        break;
    case PropYScale:
        update_scale_cache(c);
        c->yscale = n;
        rebuild_matrix(c);
        break;
    case PropRotation: {
        update_scale_cache(c);
        double r = std::fmod(n, 360.0);
        if (r > 180) r -= 360;
        if (r < -180) r += 360;
        c->rotation = r;
        rebuild_matrix(c);
        break;
    }
    case PropAlpha:
        // An infinite alpha has no 16-bit form and comes out as 0.
        own_cxform(c).am = std::isfinite(n) ? int32_t(std::clamp(n * 2.56, -32768.0, 32767.0)) : 0;
        break;
    case PropVisible: own_visible(c) = n != 0; break;
    case PropWidth:
    case PropHeight: set_extent(c, index == PropWidth, n); break;
    default: break;  // read-only or global settings with no effect here
    }
}

// ---------------------------------------------------------------------------------------------
// The object's own properties
// ---------------------------------------------------------------------------------------------
bool ClipObject::get_virtual(Vm& vm, Str* name, Value& out) {
    const std::string& t = name->text;
    if (!t.empty() && t[0] == '_') {
        int index = clip_prop_index(t);
        if (index >= 0) {
            // A child of the name hides the property from member reads (GetProperty still
            // reaches it).
            if (kind != ObjKind::TextField && alive() && !find_own(name, vm.case_sensitive())) {
                if (Object* child = find_child(vm, this, name)) {
                    out = child;
                    return true;
                }
            }
            if (kind == ObjKind::TextField && alive() && text_field_get_property(vm, this, index, out)) return true;
            out = alive() ? clip_get_property(vm, this, index) : Value();
            return true;
        }
        // The clip's links answer before anything its prototypes hold under those names; a
        // text field knows only its parent.
        if (alive() && !find_own(name, vm.case_sensitive())) {
            auto is = [&](const char* n) { return vm.case_sensitive() ? t == n : fold_case(t) == n; };
            // Levels answer before children of their name.
            int level = 0;
            if (level_name(vm, t, level)) {
                Object* l = level >= 0 ? clip_level(vm, level) : nullptr;
                out = l ? Value(l) : Value();
                return true;
            }
            if (kind == ObjKind::TextField) {
                if (is("_parent")) {
                    Object* p = clip_parent(this);
                    out = p ? Value(p) : Value();
                    return true;
                }
            } else if (is("_root")) {
                out = clip_root(vm, this);
                return true;
            }
            if (is("_parent")) {
                Object* p = clip_parent(this);
                out = p ? Value(p) : Value();
                return true;
            }
            if (vm.version >= 6 && is("_global")) {
                out = vm.global;
                return true;
            }
        }
    }
    if (kind != ObjKind::TextField) {
        if (Object* child = find_child(vm, this, name)) {
            // Own variables come first; a child is found when no variable has the name.
            if (!find_own(name, vm.case_sensitive())) {
                out = child;
                return true;
            }
        }
    }
    return false;
}

bool ClipObject::set_virtual(Vm& vm, Str* name, const Value& v) {
    const std::string& t = name->text;
    if (!t.empty() && t[0] == '_') {
        int index = clip_prop_index(t);
        if (index >= 0) {
            if (kind == ObjKind::TextField && alive() && text_field_set_property(vm, this, index, v)) return true;
            clip_set_property(vm, this, index, v);
            if (index == PropVisible) focus_visibility_changed(vm);
            return true;
        }
    }
    if (kind != ObjKind::TextField) text_variable_set(vm, this, name, v);
    return false;
}

bool ClipObject::has_virtual(Vm& vm, Str* name) {
    // A text field reads its display properties but does not own them (hasOwnProperty is false).
    if (kind == ObjKind::TextField) return false;
    const std::string& t = name->text;
    if (!t.empty() && t[0] == '_' && clip_prop_index(t) >= 0) return true;
    return find_child(vm, this, name) != nullptr;
}

bool ClipObject::hooked(Vm& vm, Str* name) {
    // Past the display properties and the links (all named with '_'), a clip answers only with
    // its children; a text field has neither.
    const std::string& t = name->text;
    if (!t.empty() && t[0] == '_') return Object::hooked(vm, name);
    return kind != ObjKind::TextField && find_child(vm, this, name) != nullptr;
}

void ClipObject::list_virtual(Vm& vm, std::vector<Str*>& out) {
    if (!clip) return;
    for (auto& [depth, inst] : clip->display_list()) {
        Object* obj = inst.clip ? inst.clip->object : inst.object;
        if (obj && !inst.name.empty()) out.push_back(vm.intern(inst.name));
    }
}

void ClipObject::trace(Tracer& t) {
    Object::trace(t);
    t.mark(mask_of);
    t.mark(masked_by);
}

void ClipObject::detach(Vm& vm) {
    if (!alive()) return;
    if (dead_path.empty()) dead_path = display_path(vm, this, false);
    clip = nullptr;
    inst = nullptr;
    parent = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Placing and removing from scripts
// ---------------------------------------------------------------------------------------------
Object* clip_duplicate(Vm& vm, Object* o, Str* name, double depth, Object* init) {
    ClipObject* c = live(vm, o);
    if (!c || !c->inst || !c->parent || !std::isfinite(depth)) return nullptr;
    Runtime* rt = runtime_of(vm);
    if (!rt) return nullptr;
    return rt->duplicate(c, name->text, int(depth) + 16384, init);
}

void clip_remove(Vm& vm, Object* o) {
    ClipObject* c = live(vm, o);
    if (!c || !c->inst || !c->parent) return;
    const int as_depth = c->inst->depth - 16384;
    if (as_depth < 0 || as_depth > 2130690031) return;
    c->parent->remove_depth(c->inst->depth);
}

void clip_start_drag(Vm& vm, Object* o, bool lock, bool constrain, double x1, double y1, double x2, double y2) {
    if (Runtime* rt = runtime_of(vm)) rt->start_drag(live(vm, o), lock, constrain, x1, y1, x2, y2);
}

void clip_stop_drag(Vm& vm) {
    if (Runtime* rt = runtime_of(vm)) rt->stop_drag();
}

uint32_t random_below(Vm& vm, uint32_t n) {
    if (n == 0) return 0;
    return uint32_t(vm.random() * n);
}

}  // namespace swf::avm1
