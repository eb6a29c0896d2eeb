// Color: reads and writes the colour transform of the clip in its `target` property (a clip, or
// a path resolved from _level0 at each call).
//
// The transform is kept the way the file stores it: multipliers in 1/256 and offsets, both
// 16-bit. setTransform takes percentages (ra 50 → 128/256) and offsets; each value is truncated
// and wrapped to 16 bits (ra 12800 reads back as -12800), NaN and infinities count as 0, and
// only the object's own ra…ab properties are read. getTransform gives percentages back
// (2/256 reads 0.78125). setRGB sets the colour offsets and zeroes the colour multipliers,
// leaving alpha; getRGB ORs the three colour offsets together as signed numbers.
#include <cmath>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/runtime.h"

namespace swf::avm1 {

namespace {

// The placed instance whose colour the Color object controls, or null.
Instance* color_target(Vm& vm, const Value& self) {
    Value t = vm.get(self, vm.intern("target"));
    Object* o = nullptr;
    if (t.is_object() && is_display_object(t.o)) {
        o = t.o;
    } else if (t.is_string() && !t.s->text.empty()) {
        Object* root = clip_level(vm, 0);
        o = root ? resolve_clip_path(vm, root, t.s->text, nullptr) : nullptr;
    }
    if (!o || !is_display_object(o)) return nullptr;
    auto* c = static_cast<ClipObject*>(o);
    return c->alive() ? c->inst : nullptr;
}

int32_t wrap16(double v) {
    if (!std::isfinite(v)) return 0;
    return int16_t(uint16_t(uint32_t(to_int32(v))));
}

Value color_ctor(Vm& vm, Value self, const Args& args) {
    if (Object* o = self.object()) o->put(vm.intern("target"), args[0], 0, vm.case_sensitive());
    return Value();
}

Value color_set_rgb(Vm& vm, Value self, const Args& args) {
    Instance* inst = color_target(vm, self);
    if (!inst || args.size() < 1) return Value();
    inst->scripted = true;
    const int32_t rgb = vm.to_int32(args[0]);
    CxForm& cx = inst->cxform;
    cx.rm = cx.gm = cx.bm = 0;
    cx.ra = (rgb >> 16) & 0xFF;
    cx.ga = (rgb >> 8) & 0xFF;
    cx.ba = rgb & 0xFF;
    return Value();
}

Value color_get_rgb(Vm& vm, Value self, const Args&) {
    Instance* inst = color_target(vm, self);
    if (!inst) return Value();
    const CxForm& cx = inst->cxform;
    return double(int32_t(uint32_t(cx.ra) << 16) | int32_t(uint32_t(cx.ga) << 8) | cx.ba);
}

Value color_set_transform(Vm& vm, Value self, const Args& args) {
    Instance* inst = color_target(vm, self);
    Object* t = args[0].object();
    if (!inst || !t) return Value();
    inst->scripted = true;
    CxForm& cx = inst->cxform;
    const struct {
        const char* name;
        int32_t* field;
        bool percent;
    } fields[] = {
        {"ra", &cx.rm, true}, {"ga", &cx.gm, true}, {"ba", &cx.bm, true}, {"aa", &cx.am, true},
        {"rb", &cx.ra, false}, {"gb", &cx.ga, false}, {"bb", &cx.ba, false}, {"ab", &cx.aa, false},
    };
    for (const auto& f : fields) {
        Str* key = vm.intern(f.name);
        if (!t->find_own(key, vm.case_sensitive())) continue;
        double v = vm.to_number(vm.get(t, key));
        if (vm.throwing) return Value();
        *f.field = wrap16(f.percent ? v * 256 / 100 : v);
    }
    return Value();
}

Value color_get_transform(Vm& vm, Value self, const Args&) {
    Instance* inst = color_target(vm, self);
    if (!inst) return Value();
    const CxForm& cx = inst->cxform;
    Object* o = vm.new_object();
    auto put = [&](const char* name, double v) { vm.set(o, vm.intern(name), v); };
    put("ra", cx.rm * 100.0 / 256);
    put("rb", cx.ra);
    put("ga", cx.gm * 100.0 / 256);
    put("gb", cx.ga);
    put("ba", cx.bm * 100.0 / 256);
    put("bb", cx.ba);
    put("aa", cx.am * 100.0 / 256);
    put("ab", cx.aa);
    return o;
}

}  // namespace

void install_color(Vm& vm) {
    Object* proto = vm.new_object();
    vm.make_class("Color", color_ctor, proto);
    constexpr uint16_t kMethod = DontEnum | DontDelete | ReadOnly;
    vm.define_method(proto, "setRGB", color_set_rgb, kMethod);
    vm.define_method(proto, "getRGB", color_get_rgb, kMethod);
    vm.define_method(proto, "setTransform", color_set_transform, kMethod);
    vm.define_method(proto, "getTransform", color_get_transform, kMethod);
}

}  // namespace swf::avm1
