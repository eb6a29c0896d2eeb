// Keyboard and mouse from the host, between frames: the state Key and Mouse report, the clips'
// key and mouse events, and the Key and Mouse listeners.
//
// Every clip hears every key and mouse event (no hit test): its onClipEvent handlers and, for the
// mouse, its onMouseDown/onMouseUp/onMouseMove functions, newest clip first as for enterFrame.
// The listeners registered with Key.addListener / Mouse.addListener are told after the clips.
#include "swf/avm1/runtime.h"

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

Str* intern(Vm& vm, const char* s) { return vm.intern(s); }

}  // namespace

void Runtime::key_down(int code, int ascii) {
    if (code < 0 || code > 255) return;
    user_action = true;
    if (!input.down[code]) input.toggled[code] = !input.toggled[code];
    input.down[code] = true;
    input.last_code = code;
    input.last_ascii = ascii;
    vm.new_tick();
    if (Object* focus = key_focus ? key_focus() : nullptr) queue_event(focus, 0, "onKeyDown");
    for (auto it = world_.clips.rbegin(); it != world_.clips.rend(); ++it) {
        Object* o = it->second->removed() ? nullptr : it->second->object;
        if (is_display_object(o)) queue_.push_back({Task::Event, o, nullptr, EvKeyDown, nullptr});
    }
    run_queue();
    broadcast_input("Key", intern(vm, "onKeyDown"), nullptr, 0);
}

void Runtime::key_up(int code, int ascii) {
    if (code < 0 || code > 255) return;
    user_action = true;
    input.down[code] = false;
    input.last_code = code;
    input.last_ascii = ascii;
    vm.new_tick();
    if (Object* focus = key_focus ? key_focus() : nullptr) queue_event(focus, 0, "onKeyUp");
    for (auto it = world_.clips.rbegin(); it != world_.clips.rend(); ++it) {
        Object* o = it->second->removed() ? nullptr : it->second->object;
        if (is_display_object(o)) queue_.push_back({Task::Event, o, nullptr, EvKeyUp, nullptr});
    }
    run_queue();
    broadcast_input("Key", intern(vm, "onKeyUp"), nullptr, 0);
}

void Runtime::mouse_event(uint32_t event, const char* handler) {
    vm.new_tick();
    Str* name = intern(vm, handler);
    for (auto it = world_.clips.rbegin(); it != world_.clips.rend(); ++it) {
        Object* o = it->second->removed() ? nullptr : it->second->object;
        if (is_display_object(o) && o->kind == ObjKind::Clip) queue_.push_back({Task::Event, o, nullptr, event, name});
    }
    run_queue();
    broadcast_input("Mouse", name, nullptr, 0);
}

void Runtime::mouse_move(double x, double y) {
    user_action = false;
    set_mouse(x, y);
    mouse_event(EvMouseMove, "onMouseMove");
}

void Runtime::mouse_down(double x, double y) {
    set_mouse(x, y);
    input.button = true;
    // Key reports the left button as key 1 (VK_LBUTTON), toggled by each press like a key.
    if (!input.down[1]) input.toggled[1] = !input.toggled[1];
    input.down[1] = true;
    user_action = true;
    mouse_event(EvMouseDown, "onMouseDown");
}

void Runtime::mouse_up(double x, double y) {
    set_mouse(x, y);
    input.button = false;
    input.down[1] = false;
    user_action = true;
    mouse_event(EvMouseUp, "onMouseUp");
}

void Runtime::mouse_wheel(int delta) {
    vm.new_tick();
    Value d = double(delta);
    broadcast_input("Mouse", intern(vm, "onMouseWheel"), &d, 1);
}

void Runtime::queue_actions(Object* clip, const std::vector<uint8_t>& bytes) {
    if (is_display_object(clip)) queue_.push_back({Task::Actions, clip, code_for(bytes)});
}

void Runtime::queue_event(Object* clip, uint32_t event, const char* handler) {
    if (is_display_object(clip)) queue_.push_back({Task::Event, clip, nullptr, event, handler ? intern(vm, handler) : nullptr});
}

void Runtime::run_input() {
    vm.new_tick();
    run_queue();
    run_deferred();
    vm.maybe_collect();
}

// The dragged clip's position follows the pointer, in its parent's space and within the
// rectangle startDrag gave.
void Runtime::move_drag() {
    ClipObject* c = dragging_;
    if (!c || !c->alive() || !c->inst) return;
    Matrix inv;
    if (!clip_to_stage(clip_parent(c)).invert(inv)) return;
    double x = inv.apply_x(mouse_x_, mouse_y_) - drag_.dx;
    double y = inv.apply_y(mouse_x_, mouse_y_) - drag_.dy;
    if (drag_.constrain) {
        x = std::clamp(x, drag_.x1 * 20, drag_.x2 * 20);
        y = std::clamp(y, drag_.y1 * 20, drag_.y2 * 20);
    }
    if (x == c->inst->matrix.tx && y == c->inst->matrix.ty) return;
    clip_set_property(vm, c, PropX, std::round(x) / 20);
    clip_set_property(vm, c, PropY, std::round(y) / 20);
}

// `_global[object].broadcastMessage(name, args…)`, then whatever the listeners queued.
void Runtime::broadcast_input(const char* object, Str* name, const Value* args, int argc) {
    Value target = vm.get(vm.global, vm.intern(object));
    if (target.is_object()) {
        std::vector<Value> call_args{name};
        call_args.insert(call_args.end(), args, args + argc);
        Value fn = vm.get(target, vm.names.broadcastMessage);
        vm.started = std::chrono::steady_clock::now();
        vm.call(fn, target, call_args.data(), int(call_args.size()));
        if (vm.throwing) {
            trace("Warning: Uncaught exception, " + vm.trace_string(vm.exception));
            vm.throwing = false;
            vm.exception = Value();
        }
        vm.aborting = false;
    }
    run_queue();
    vm.maybe_collect();
}

}  // namespace swf::avm1
