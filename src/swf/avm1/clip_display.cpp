// The Flash 8 display properties of movie clips: blendMode, cacheAsBitmap, opaqueBackground and
// scrollRect. They read and write the placed instance, so the drawing follows what a script sets.
#include <algorithm>
#include <cmath>

#include "swf/avm1/clip.h"
#include "swf/avm1/native_data.h"

namespace swf::avm1 {

namespace {

// Blend mode names by BlendMode (Unset and Normal both read as normal).
constexpr const char* kBlendNames[] = {"normal",     "normal", "layer",  "multiply", "screen",
                                       "lighten",    "darken", "difference", "add", "subtract",
                                       "invert",     "alpha",  "erase",  "overlay",  "hardlight"};
constexpr int kBlendCount = int(sizeof kBlendNames / sizeof kBlendNames[0]);
static_assert(kBlendCount == int(BlendMode::HardLight) + 1);

Instance* placed(const Value& self) {
    if (!self.is_object() || !is_display_object(self.o)) return nullptr;
    auto* c = static_cast<ClipObject*>(self.o);
    return c->alive() ? c->inst : nullptr;
}

Value get_blend_mode(Vm& vm, Value self, const Args&) {
    const Instance* inst = placed(self);
    if (!inst) return Value();
    return Value(vm.intern(kBlendNames[inst->blend < kBlendCount ? inst->blend : 0]));
}

// A name sets its mode (names are case-sensitive), a number its mode's number taken as a byte;
// null and undefined go back to normal, and anything else leaves the mode as it was.
Value set_blend_mode(Vm& vm, Value self, const Args& args) {
    Instance* inst = placed(self);
    if (!inst) return Value();
    const Value& v = args[0];
    if (v.is_nullish()) {
        inst->blend = uint8_t(BlendMode::Normal);
    } else if (v.is_number()) {
        if (!std::isfinite(v.n)) return Value();
        const int mode = int(int64_t(v.n) & 0xFF);
        if (mode < kBlendCount) inst->blend = uint8_t(mode ? BlendMode(mode) : BlendMode::Normal);
    } else if (v.is_string()) {
        const std::string name = vm.to_std_string(v);
        for (int i = 1; i < kBlendCount; ++i)
            if (name == kBlendNames[i]) inst->blend = uint8_t(i);
    }
    return Value();
}

Value get_cache_as_bitmap(Vm&, Value self, const Args&) {
    const Instance* inst = placed(self);
    return inst ? Value(inst->cache_as_bitmap) : Value();
}

Value set_cache_as_bitmap(Vm& vm, Value self, const Args& args) {
    if (Instance* inst = placed(self)) inst->cache_as_bitmap = vm.to_boolean(args[0]);
    return Value();
}

Value get_opaque_background(Vm&, Value self, const Args&) {
    const Instance* inst = placed(self);
    if (!inst || !inst->background) return Value();
    return Value(double(inst->background & 0xFFFFFF));
}

// A colour as a number (its alpha is ignored: the background is always opaque); null or
// undefined removes it.
Value set_opaque_background(Vm& vm, Value self, const Args& args) {
    Instance* inst = placed(self);
    if (!inst) return Value();
    if (args[0].is_nullish()) {
        inst->background = 0;
        return Value();
    }
    const double n = vm.to_number(args[0]);
    const uint32_t rgb = std::isfinite(n) ? uint32_t(int64_t(n)) & 0xFFFFFF : 0;
    inst->background = 0xFF000000u | rgb;
    return Value();
}

// flash.geom.Rectangle as installed, found even where `flash` is hidden from the movie.
Value rectangle_class(Vm& vm) {
    Object* o = vm.global;
    Value v;
    for (const char* name : {"flash", "geom", "Rectangle"}) {
        Property* p = o ? o->find_own(vm.intern(name), true) : nullptr;
        if (!p || (p->flags & Accessor)) return Value();
        v = p->value;
        o = v.is_object() ? v.o : nullptr;
    }
    return v;
}

// Pixels to twips, kept within what a rectangle in twips can hold (NaN counts as 0).
int32_t to_twips(double px) {
    if (!(std::fabs(px) < 1e8)) return std::isnan(px) ? 0 : px < 0 ? -2000000000 : 2000000000;
    return int32_t(std::lround(px * 20));
}

// A new Rectangle each time, in pixels; undefined when none is set.
Value get_scroll_rect(Vm& vm, Value self, const Args&) {
    const Instance* inst = placed(self);
    if (!inst || !inst->scrolled) return Value();
    const Rect& r = inst->scroll_rect;
    const Value args[4] = {Value(r.xmin / 20.0), Value(r.ymin / 20.0), Value(r.width() / 20.0),
                           Value(r.height() / 20.0)};
    return vm.construct(rectangle_class(vm), args, 4);
}

// Any object's x, y, width and height (read as numbers) set the window; anything else removes it.
Value set_scroll_rect(Vm& vm, Value self, const Args& args) {
    Instance* inst = placed(self);
    if (!inst) return Value();
    const Value& v = args[0];
    if (!v.is_object()) {
        inst->scrolled = false;
        return Value();
    }
    auto field = [&](const char* name) { return vm.to_number(vm.get(v, vm.intern(name))); };
    const double x = field("x"), y = field("y"), w = field("width"), h = field("height");
    if (vm.throwing) return Value();
    Rect r;
    r.xmin = to_twips(x);
    r.ymin = to_twips(y);
    r.xmax = int32_t(std::clamp<int64_t>(int64_t(r.xmin) + std::max(0, to_twips(w)), INT32_MIN, INT32_MAX));
    r.ymax = int32_t(std::clamp<int64_t>(int64_t(r.ymin) + std::max(0, to_twips(h)), INT32_MIN, INT32_MAX));
    inst->scroll_rect = r;
    inst->scrolled = true;
    return Value();
}

}  // namespace

void install_movieclip_display(Vm& vm, Object* mc) {
    define_accessor(vm, mc, "blendMode", get_blend_mode, set_blend_mode, DontEnum | HideBelow8);
    define_accessor(vm, mc, "cacheAsBitmap", get_cache_as_bitmap, set_cache_as_bitmap, DontEnum | HideBelow8);
    define_accessor(vm, mc, "opaqueBackground", get_opaque_background, set_opaque_background, DontEnum | HideBelow8);
    define_accessor(vm, mc, "scrollRect", get_scroll_rect, set_scroll_rect, DontEnum | HideBelow8);
}

}  // namespace swf::avm1
