// MovieClip, Button and TextField prototypes: timeline control, depths, placing clips.
#include <cmath>

#include "swf/avm1/builtins.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/runtime.h"

namespace swf::avm1 {

namespace {

ClipObject* this_clip(const Value& self) {
    if (!self.is_object() || !is_display_object(self.o)) return nullptr;
    auto* c = static_cast<ClipObject*>(self.o);
    return c->alive() ? c : nullptr;
}

Value mc_play(Vm& vm, Value self, const Args&) {
    clip_control(vm, this_clip(self), ClipControl::Play);
    return Value();
}
Value mc_stop(Vm& vm, Value self, const Args&) {
    clip_control(vm, this_clip(self), ClipControl::Stop);
    return Value();
}
Value mc_next(Vm& vm, Value self, const Args&) {
    clip_control(vm, this_clip(self), ClipControl::Next);
    return Value();
}
Value mc_prev(Vm& vm, Value self, const Args&) {
    clip_control(vm, this_clip(self), ClipControl::Prev);
    return Value();
}

// gotoAndPlay/gotoAndStop: a frame number, a number string or a label.
void goto_value(Vm& vm, ClipObject* c, const Value& frame, bool play) {
    if (!c) return;
    if (frame.is_number()) {
        if (std::isnan(frame.n)) return;
        int64_t n = int64_t(to_uint32(frame.n));
        if (int32_t(n) <= 0) return;
        clip_goto(vm, c, int(n) - 1, play);
        return;
    }
    std::string s = vm.to_string(frame)->text;
    // "path:frame" moves the clip at that path instead ("/:5" is the root's frame 5).
    if (size_t colon = s.rfind(':'); colon != std::string::npos) {
        Object* other = resolve_clip_path(vm, c, s.substr(0, colon), nullptr);
        if (!is_display_object(other)) return;
        c = static_cast<ClipObject*>(other);
        s = s.substr(colon + 1);
    }
    double n = string_to_number(s, 6);
    if (!s.empty() && !std::isnan(n)) {
        if (n >= 1) clip_goto(vm, c, int(n) - 1, play);
        return;
    }
    clip_goto_label(vm, c, s, play, 0);
}

Value mc_goto_play(Vm& vm, Value self, const Args& args) {
    goto_value(vm, this_clip(self), args.size() > 1 ? args[1] : args[0], true);
    return Value();
}
Value mc_goto_stop(Vm& vm, Value self, const Args& args) {
    goto_value(vm, this_clip(self), args.size() > 1 ? args[1] : args[0], false);
    return Value();
}

Value mc_get_depth(Vm& vm, Value self, const Args&) {
    ClipObject* c = this_clip(self);
    if (!c) return Value();
    return double(c->inst ? c->inst->depth - 16384 : -16384);
}

// Depths from scripts: truncated and wrapped to 32 bits.
bool script_depth(Vm& vm, const Value& v, int& out) {
    double d = vm.to_number(v);
    if (std::isnan(d)) return false;
    int64_t depth = int64_t(to_int32(d)) + 16384;
    if (depth < -16384 + 16384 - 16384 || depth > 2130706428) return false;
    out = int(depth);
    return true;
}

Value mc_swap_depths(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    if (!c || !c->inst || !c->parent) return Value();
    int target;
    if (ClipObject* other = this_clip(args[0])) {
        if (other->parent != c->parent || !other->inst) return Value();
        target = other->inst->depth;
    } else if (!script_depth(vm, args[0], target)) {
        return Value();
    }
    c->parent->swap_depths(c->inst->depth, target);
    return Value();
}

Value mc_next_depth(Vm& vm, Value self, const Args&) {
    ClipObject* c = this_clip(self);
    if (!c || !c->clip) return Value();
    int highest = -1;
    for (auto& [depth, inst] : c->clip->display_list()) highest = std::max(highest, depth - 16384);
    return double(std::max(0, highest + 1));
}

Value mc_instance_at(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    int depth;
    if (!c || !c->clip || !script_depth(vm, args[0], depth)) return Value();
    auto& list = c->clip->display_list();
    auto it = list.find(depth);
    if (it == list.end()) return Value();
    // A shape has no object of its own: the clip that holds it answers for it.
    Object* o = it->second.clip ? it->second.clip->object : it->second.object ? it->second.object : c;
    return o ? Value(o) : Value();
}

Value mc_attach(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    int depth;
    if (!c || args.size() < 3 || !script_depth(vm, args[2], depth) || !vm.runtime) return Value();
    Object* o = vm.runtime->attach(c, vm.to_string(args[0])->text, vm.to_string(args[1])->text, depth, args[3].object());
    return o && vm.version >= 6 ? Value(o) : Value();
}

Value mc_duplicate(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    int depth;
    if (!c || args.size() < 2 || !script_depth(vm, args[1], depth)) return Value();
    Object* o = clip_duplicate(vm, c, vm.key(args[0]), depth - 16384, args[2].object());
    return o && vm.version >= 6 ? Value(o) : Value();
}

Value mc_remove(Vm& vm, Value self, const Args&) {
    if (ClipObject* c = this_clip(self)) clip_remove(vm, c);
    return Value();
}

Value mc_create_empty(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    int depth;
    if (!c || args.size() < 2 || !script_depth(vm, args[1], depth) || !vm.runtime) return Value();
    Object* o = vm.runtime->create_empty(c, vm.to_string(args[0])->text, depth);
    return o ? Value(o) : Value();
}

Value mc_create_text_field(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    int depth;
    if (!c || args.size() < 6 || !script_depth(vm, args[1], depth) || !vm.runtime) return Value();
    Object* o = vm.runtime->create_text_field(c, vm.to_string(args[0])->text, depth, vm.to_number(args[2]),
                                              vm.to_number(args[3]), vm.to_number(args[4]), vm.to_number(args[5]));
    return o && vm.version >= 8 ? Value(o) : Value();
}

Value mc_bytes(Vm& vm, Value self, const Args&) {
    if (!this_clip(self) || !vm.runtime) return Value();
    return double(vm.runtime->movie_bytes());
}

Value mc_swf_version(Vm& vm, Value self, const Args&) {
    if (!this_clip(self) || !vm.runtime) return Value();
    return double(vm.runtime->movie_version());
}

void convert_point(Vm& vm, const Value& self, const Value& pt, bool to_global) {
    ClipObject* c = this_clip(self);
    Object* p = pt.object();
    if (!c || !p || !vm.runtime) return;
    Matrix m = vm.runtime->to_stage(c);
    if (!to_global && !m.invert(m)) return;
    Value vx = vm.get(p, vm.names.x), vy = vm.get(p, vm.names.y);
    if (!vx.is_number() || !vy.is_number()) {
        if (vm.version >= 7 && (vx.is_undefined() || vy.is_undefined())) return;
    }
    const double x = vm.to_number(vx) * 20, y = vm.to_number(vy) * 20;
    vm.set(p, vm.names.x, m.apply_x(x, y) / 20);
    vm.set(p, vm.names.y, m.apply_y(x, y) / 20);
}

Value mc_local_to_global(Vm& vm, Value self, const Args& args) {
    convert_point(vm, self, args[0], true);
    return Value();
}
Value mc_global_to_local(Vm& vm, Value self, const Args& args) {
    convert_point(vm, self, args[0], false);
    return Value();
}

Value mc_start_drag(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    if (!c) return Value();
    const bool constrain = args.size() >= 5;
    clip_start_drag(vm, c, vm.to_boolean(args[0]), constrain, vm.to_number(args[1]), vm.to_number(args[2]),
                    vm.to_number(args[3]), vm.to_number(args[4]));
    return Value();
}

Value mc_stop_drag(Vm& vm, Value, const Args&) {
    clip_stop_drag(vm);
    return Value();
}

Value mc_set_mask(Vm& vm, Value self, const Args& args) {
    ClipObject* c = this_clip(self);
    if (!c) return false;
    if (auto* old = static_cast<ClipObject*>(c->masked_by)) old->mask_of = nullptr;
    c->masked_by = nullptr;
    if (ClipObject* m = this_clip(args[0])) {
        if (auto* prev = static_cast<ClipObject*>(m->mask_of)) prev->masked_by = nullptr;
        m->mask_of = c;
        c->masked_by = m;
    }
    return true;
}

Value mc_get_url(Vm& vm, Value self, const Args& args) {
    vm.host.get_url(vm.to_string(args[0])->text, vm.to_string(args[1])->text, 0);
    return Value();
}

Value mc_load_movie(Vm& vm, Value self, const Args& args) {
    if (ClipObject* c = this_clip(self)) clip_load(vm, c, vm.to_string(args[0])->text, 0x40);
    return Value();
}

Value mc_load_variables(Vm& vm, Value self, const Args& args) {
    if (ClipObject* c = this_clip(self)) clip_load(vm, c, vm.to_string(args[0])->text, 0xC0);
    return Value();
}

Value mc_unload_movie(Vm& vm, Value self, const Args& args) {
    if (ClipObject* c = this_clip(self)) clip_load(vm, c, std::string(), 0x40);
    return Value();
}

Value mc_noop(Vm&, Value, const Args&) { return Value(); }

Value mc_ctor(Vm& vm, Value self, const Args&) { return self; }

// Text fields as objects: the text they show.
Value tf_ctor(Vm& vm, Value self, const Args&) { return self; }

}  // namespace

void install_movieclip(Vm& vm) {
    Object* mc = vm.movieclip_proto = vm.new_object();
    vm.make_class("MovieClip", mc_ctor, mc);
    struct M {
        const char* name;
        NativeFn fn;
    };
    const M methods[] = {
        {"play", mc_play}, {"stop", mc_stop}, {"nextFrame", mc_next}, {"prevFrame", mc_prev},
        {"gotoAndPlay", mc_goto_play}, {"gotoAndStop", mc_goto_stop}, {"nextScene", mc_noop},
        {"prevScene", mc_noop}, {"getDepth", mc_get_depth}, {"swapDepths", mc_swap_depths},
        {"getNextHighestDepth", mc_next_depth}, {"getInstanceAtDepth", mc_instance_at},
        {"attachMovie", mc_attach}, {"duplicateMovieClip", mc_duplicate}, {"removeMovieClip", mc_remove},
        {"createEmptyMovieClip", mc_create_empty}, {"createTextField", mc_create_text_field},
        {"getBytesLoaded", mc_bytes}, {"getBytesTotal", mc_bytes}, {"getSWFVersion", mc_swf_version},
        {"localToGlobal", mc_local_to_global}, {"globalToLocal", mc_global_to_local},
        {"startDrag", mc_start_drag}, {"stopDrag", mc_stop_drag}, {"setMask", mc_set_mask},
        {"getURL", mc_get_url}, {"loadMovie", mc_load_movie}, {"loadVariables", mc_load_variables},
        {"unloadMovie", mc_unload_movie},
    };
    for (const M& m : methods) vm.define_method(mc, m.name, m.fn);
    // Version 5 movies see neither of these.
    vm.define_method(mc, "getDepth", mc_get_depth, DontEnum | HideFrom5);
    vm.define_method(mc, "getInstanceAtDepth", mc_instance_at, DontEnum | HideFrom5);
    install_movieclip_geometry(vm, mc);
    install_movieclip_display(vm, mc);

    vm.button_proto = vm.new_object();
    vm.make_class("Button", mc_ctor, vm.button_proto);
    vm.define_method(vm.button_proto, "getDepth", mc_get_depth);

    vm.textfield_proto = vm.new_object();
    vm.make_class("TextField", tf_ctor, vm.textfield_proto);
    vm.define_method(vm.textfield_proto, "getDepth", mc_get_depth);
    vm.define_method(vm.textfield_proto, "removeTextField", mc_remove);
    vm.define_method(vm.textfield_proto, "swapDepths", mc_swap_depths);
    install_textfield(vm, vm.textfield_proto);
}

}  // namespace swf::avm1
