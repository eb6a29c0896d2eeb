// The player's side of input: the pointer from device pixels to the stage, the topmost button,
// button-like clip or text field under it, the button state machine with its condition actions
// and handler events, dragging, the keys and typing into the focused input field.
//
// Every clip hears every mouse and key event through the script side (Runtime::mouse_down and
// friends); what is tracked here is the one object the pointer is over or pressed, which gets
// the button events. Whatever scripts that runs goes through the script side's queue, so it is
// done, with what it queued in turn, before the call returns.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

#include "swf/avm1/convert.h"
#include "swf/avm1/runtime.h"
#include "swf/avm1/textfield.h"
#include "swf/focus.h"
#include "swf/player.h"
#include "swf/text.h"
#include "swf/text_editing.h"

namespace swf {

using avm1::ClipObject;
using avm1::ObjKind;
using avm1::Object;
using avm1::stage_point_hits;

namespace {

// Button transitions, as the condition bits of DefineButton2 actions.
enum Transition : uint16_t {
    IdleToOverUp = 0x1, OverUpToIdle = 0x2, OverUpToOverDown = 0x4, OverDownToOverUp = 0x8,
    OverDownToOutDown = 0x10, OutDownToOverDown = 0x20, OutDownToIdle = 0x40, IdleToOverDown = 0x80,
    OverDownToIdle = 0x100,
};

struct TransitionInfo {
    uint16_t bit;
    uint8_t shown;  // button records shown after it: 1 up, 2 over, 4 down
    uint32_t clip_event;
    const char* handler;
};

constexpr TransitionInfo kTransitions[] = {
    {IdleToOverUp, 2, avm1::EvRollOver, "onRollOver"},
    {OverUpToIdle, 1, avm1::EvRollOut, "onRollOut"},
    {OverUpToOverDown, 4, avm1::EvPress, "onPress"},
    {OverDownToOverUp, 2, avm1::EvRelease, "onRelease"},
    {OverDownToOutDown, 2, avm1::EvDragOut, "onDragOut"},
    {OutDownToOverDown, 4, avm1::EvDragOver, "onDragOver"},
    {OutDownToIdle, 1, avm1::EvReleaseOutside, "onReleaseOutside"},
    {IdleToOverDown, 4, avm1::EvDragOver, "onDragOver"},
    {OverDownToIdle, 1, avm1::EvDragOut, "onDragOut"},
};

constexpr uint32_t kButtonClipEvents = avm1::EvPress | avm1::EvRelease | avm1::EvReleaseOutside |
                                       avm1::EvRollOver | avm1::EvRollOut | avm1::EvDragOver | avm1::EvDragOut;
constexpr const char* kButtonHandlers[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                           "onRollOut", "onDragOver", "onDragOut"};

ClipObject* as_clip(Object* o) {
    return avm1::is_display_object(o) && static_cast<ClipObject*>(o)->alive() ? static_cast<ClipObject*>(o) : nullptr;
}

// A property that is set and false (undefined leaves the default on).
bool set_false(avm1::Vm& vm, Object* o, const char* name) {
    const avm1::Value v = vm.get(o, vm.intern(name));
    return !v.is_nullish() && !vm.to_boolean(v);
}

// obj.method(args) from outside any script, as the script side calls handlers: a fresh time
// budget, an uncaught exception reported and dropped.
avm1::Value call_now(avm1::Runtime& rt, const avm1::Value& obj, const char* method,
                     std::initializer_list<avm1::Value> args) {
    avm1::Vm& vm = rt.vm;
    const bool top = vm.depth == 0;
    if (top) vm.started = std::chrono::steady_clock::now();
    avm1::Value r = vm.call_method(obj, vm.intern(method), args);
    if (vm.throwing) {
        rt.trace("Warning: Uncaught exception, " + vm.trace_string(vm.exception));
        vm.throwing = false;
        vm.exception = avm1::Value();
    }
    if (top) vm.aborting = false;
    return r;
}

}  // namespace

struct Player::InputState {
    double x = 0, y = 0;  // stage twips
    bool button = false;  // the mouse button is held
    bool menu = false;    // held after leaving a trackAsMenu button: other buttons take the press
    Object* over = nullptr;     // the button or button-like clip the pointer is over (button up)
    Object* pressed = nullptr;  // the one pressed, while the button is held
    bool pressed_inside = false;
    bool captured = false;
    int key_chars[256] = {};  // what each held key typed, for Key.getAscii when it is let go
    Cursor cursor = Cursor::Arrow;
    // Each button's hit-test state, built once, for hit tests.
    std::map<const ButtonDef*, std::unique_ptr<Clip>> hit_lists;

    struct Target {
        Object* obj = nullptr;
        bool field = false;  // a selectable or input text field (not a button)
    };

    bool interactive_clip(avm1::Vm& vm, ClipObject* c) const {
        if (c->clip_actions)
            for (const ClipAction& a : *c->clip_actions)
                if (a.events & kButtonClipEvents) return true;
        for (const char* h : kButtonHandlers)
            if (vm.get(c, vm.intern(h)).is_object()) return true;
        return false;
    }

    const Clip& hit_list(const Movie& movie, const ButtonDef& def) {
        auto& slot = hit_lists[&def];
        if (!slot) {
            slot = std::make_unique<Clip>(movie, nullptr, 1);
            slot->set_button_state(def, 8);
        }
        return *slot;
    }

    // The topmost button, button-like clip or text field of `clip` (drawn with `m`) under the
    // point, in depth order, within clip layers, skipping hidden and disabled ones.
    Target pick(Player& p, Clip& clip, const Matrix& m, int nesting) {
        if (nesting >= kMaxNesting) return {};
        avm1::Vm& vm = p.script_->vm;
        auto& list = clip.display_list();
        // For each depth, whether the clip layers over it let the point through.
        std::vector<std::pair<const Instance*, bool>> order;
        struct Layer {
            int until;
            bool covers;
        };
        std::vector<Layer> layers;
        for (auto& [depth, inst] : list) {
            layers.erase(std::remove_if(layers.begin(), layers.end(), [at = depth](const Layer& l) { return at > l.until; }),
                         layers.end());
            if (inst.clip_depth) {
                layers.push_back({inst.clip_depth, stage_point_hits(inst, m * inst.matrix, x, y)});
                continue;
            }
            const bool open = std::all_of(layers.begin(), layers.end(), [](const Layer& l) { return l.covers; });
            order.push_back({&inst, open});
        }
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const Instance& inst = *it->first;
            if (!it->second || !inst.visible || !inst.character) continue;
            const Matrix im = m * inst.matrix;
            ClipObject* obj = as_clip(inst.clip ? inst.clip->object : inst.object);
            if (obj && obj->mask_of && avm1::clip_alive(obj->mask_of)) continue;  // drawn only as a mask
            if (obj && obj->masked_by) {
                ClipObject* mask = as_clip(obj->masked_by);
                if (mask && mask != obj && !avm1::stage_point_hits(mask, x, y)) continue;
            }
            switch (inst.character->kind) {
            case CharKind::Button: {
                if (!obj || !inst.clip || set_false(vm, obj, "enabled")) break;
                // A button inside the shown state of another takes the pointer before it (a
                // text field there is the button's label and does not).
                if (Target inner = pick(p, *inst.clip, im, nesting + 1); inner.obj && !inner.field) return inner;
                const auto& def = static_cast<const ButtonDef&>(*inst.character);
                if (stage_point_hits(hit_list(inst.clip->movie(), def), im, x, y)) return {obj, false};
                break;
            }
            case CharKind::Sprite: {
                if (!obj || !inst.clip) break;
                if (interactive_clip(vm, obj) && !set_false(vm, obj, "enabled")) {
                    ClipObject* area = as_clip(vm.get(obj, vm.intern("hitArea")).object());
                    const bool hit = area && area != obj ? avm1::stage_point_hits(area, x, y)
                                                         : stage_point_hits(inst, im, x, y);
                    if (hit) return {obj, false};
                    break;
                }
                Target t = pick(p, *inst.clip, im, nesting + 1);
                if (t.obj) return t;
                break;
            }
            case CharKind::EditText: {
                avm1::EditState* s = obj ? avm1::field_state(vm, obj) : nullptr;
                if (s && (s->selectable || s->editable) && stage_point_hits(inst, im, x, y)) return {obj, true};
                break;
            }
            default: break;
            }
        }
        return {};
    }

    Target pick(Player& p) {
        if (!p.root_ || !p.script_) return {};
        // The highest level first: levels lie over the root in order.
        const auto& levels = p.script_->levels();
        for (auto it = levels.rbegin(); it != levels.rend(); ++it)
            if (Target t = pick(p, *it->second, avm1::clip_to_stage(it->second->object), 0); t.obj) return t;
        return pick(p, *p.root_, avm1::clip_to_stage(p.root_->object), 0);
    }

    // The path of the topmost clip under the point other than `dragged` and what it holds, for
    // _droptarget: the innermost clip holding what was hit.
    ClipObject* drop_target(Clip& clip, const Matrix& m, ClipObject* dragged, int nesting) {
        if (nesting >= kMaxNesting) return nullptr;
        auto& list = clip.display_list();
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            Instance& inst = it->second;
            if (inst.clip_depth || !inst.visible || !inst.character) continue;
            ClipObject* obj = as_clip(inst.clip ? inst.clip->object : inst.object);
            if (obj && obj == dragged) continue;
            const Matrix im = m * inst.matrix;
            if (inst.clip && inst.character->kind == CharKind::Sprite) {
                if (ClipObject* inner = drop_target(*inst.clip, im, dragged, nesting + 1)) return inner;
                if (inst.clip->drawing && stage_point_hits(*inst.clip, im, x, y)) return obj;
                continue;
            }
            if (stage_point_hits(inst, im, x, y)) return as_clip(clip.object);
        }
        return nullptr;
    }

    // One transition of a button or button-like clip: the button's records for the new state,
    // its condition actions on its parent's timeline, then the handlers; run at once unless
    // `run` is false (they then wait in the script queue).
    void fire(Player& p, Object* o, uint16_t bit, bool run = true) {
        ClipObject* c = as_clip(o);
        if (!c) return;
        const TransitionInfo* info = nullptr;
        for (const TransitionInfo& t : kTransitions)
            if (t.bit == bit) info = &t;
        if (!info) return;
        avm1::Runtime& rt = *p.script_;
        // A button disabled while the pointer is over it or pressing it goes on changing state,
        // but runs nothing: no actions, handlers or sounds until it is enabled again.
        const bool disabled = set_false(rt.vm, c, "enabled");
        if (c->kind == ObjKind::Button && c->inst && c->inst->character &&
            c->inst->character->kind == CharKind::Button) {
            const auto& def = static_cast<const ButtonDef&>(*c->inst->character);
            if (c->clip) c->clip->set_button_state(def, info->shown);
            if (disabled) return;
            p.button_sound(def, bit, c->clip);
            Object* parent = c->parent ? c->parent->object : nullptr;
            for (const ButtonAction& a : def.actions)
                if (a.conditions & bit) rt.queue_actions(parent, a.bytes);
            rt.queue_event(c, 0, info->handler);
        } else {
            // A clip acting as a button shows its "_up", "_over" or "_down" frame if it has one.
            if (c->clip) {
                const char* label = info->shown == 4 ? "_down" : info->shown == 2 ? "_over" : "_up";
                if (c->clip->goto_label(label)) c->clip->stop();
            }
            if (disabled) return;
            rt.queue_event(c, info->clip_event, info->handler);
        }
        if (run) rt.run_input();
    }

    bool track_as_menu(avm1::Vm& vm, Object* o) {
        ClipObject* c = as_clip(o);
        if (!c) return false;
        const avm1::Value v = vm.get(c, vm.intern("trackAsMenu"));
        if (!v.is_nullish()) return vm.to_boolean(v);
        return c->kind == ObjKind::Button && c->inst && c->inst->character &&
               c->inst->character->kind == CharKind::Button &&
               static_cast<const ButtonDef&>(*c->inst->character).track_as_menu;
    }

    // The pointer is over `hit` now: the transitions that follow from where it was.
    void track(Player& p, Object* hit) {
        avm1::Vm& vm = p.script_->vm;
        if (!button) {
            if (hit == over) return;
            Object* was = over;
            over = hit;
            if (was) fire(p, was, OverUpToIdle);
            if (hit && over == hit) fire(p, hit, IdleToOverUp);
            return;
        }
        if (pressed) {
            const bool inside = hit == pressed;
            if (inside == pressed_inside) return;
            pressed_inside = inside;
            if (inside) {
                fire(p, pressed, OutDownToOverDown);
            } else if (menu || track_as_menu(vm, pressed)) {
                Object* was = pressed;
                pressed = over = nullptr;
                menu = true;
                fire(p, was, OverDownToIdle);
                if (hit) track(p, hit);
            } else {
                fire(p, pressed, OverDownToOutDown);
            }
            return;
        }
        // A press that began outside every button still drags over a menu button.
        if (hit && (menu || track_as_menu(vm, hit))) {
            pressed = over = hit;
            pressed_inside = true;
            fire(p, hit, IdleToOverDown);
        }
    }

    void update_cursor(Player& p, const Target& t) {
        avm1::Vm& vm = p.script_->vm;
        if (p.script_->input.cursor_hidden)
            cursor = Cursor::Hidden;
        else if (t.obj && t.field)
            cursor = Cursor::IBeam;
        else if (Object* o = pressed ? pressed : t.obj; o && as_clip(o) && !set_false(vm, o, "useHandCursor"))
            cursor = Cursor::Hand;
        else
            cursor = Cursor::Arrow;
    }

    // The pointer now at device (x, y): stage twips for the scripts, a dragged clip moved along.
    void point_at(Player& p, double x, double y);

    // The dragged clip follows the pointer; its _droptarget is what lies under it.
    void follow_drag(Player& p) {
        avm1::Runtime& rt = *p.script_;
        ClipObject* dragged = rt.dragging();
        if (!dragged || !dragged->alive()) return;
        rt.move_drag();
        ClipObject* under = drop_target(*p.root_, avm1::clip_to_stage(p.root_->object), dragged, 0);
        rt.drop_clip = dragged;
        rt.drop_target = under && under->inst ? avm1::display_path(rt.vm, under, true) : std::string();
    }

    avm1::EditState* focused_field(Player& p, ClipObject** field_out) {
        avm1::Vm& vm = p.script_->vm;
        const avm1::Value sel = vm.get(vm.global, vm.intern("Selection"));
        if (!sel.is_object()) return nullptr;
        const avm1::Value path = call_now(*p.script_, sel, "getFocus", {});
        if (!path.is_string()) return nullptr;
        ClipObject* field = as_clip(avm1::resolve_clip_path(vm, nullptr, path.s->text, nullptr));
        if (!field || field->kind != ObjKind::TextField) return nullptr;
        avm1::EditState* s = avm1::field_state(vm, field);
        if (field_out) *field_out = field;
        return s;
    }

    void set_focus(Player& p, Object* to) {
        if (p.focus_) p.focus_->move(to, KeyboardFocus::Cause::Pointer);
    }

    // ---- Text editing in the focused field (text_editing.h) ----
    TextEditor editor;
    ClipObject* selecting = nullptr;  // the field a press is selecting in, while the button is held
    std::chrono::steady_clock::time_point blink_from = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_click{};
    double last_click_x = 0, last_click_y = 0;

    KeyModifiers modifiers(Player& p) const {
        const auto& down = p.script_->input.down;
        // AltGr arrives as Ctrl+Alt: characters typed with it are no shortcuts.
        return {down[16], down[17] && !down[18]};
    }

    // After an edit: the caret shows at once; a changed text is redrawn, written to the field's
    // variable and told to its onChanged listeners (a field is among its own listeners).
    void edited(Player& p, ClipObject* field, avm1::EditState& s, EditResult r) {
        if (r == EditResult::None) return;
        blink_from = std::chrono::steady_clock::now();
        if (r != EditResult::Changed) return;
        avm1::Vm& vm = p.script_->vm;
        avm1::field_changed(vm, field, s, true);
        if (vm.get(field, vm.intern("_listeners")).is_object())
            call_now(*p.script_, field, "broadcastMessage", {vm.intern("onChanged"), field});
        else if (vm.get(field, vm.intern("onChanged")).is_object())
            call_now(*p.script_, field, "onChanged", {field});
        p.script_->run_input();
    }

    // A character typed into the focused field.
    void type(Player& p, uint32_t ch) {
        ClipObject* field = nullptr;
        avm1::EditState* s = focused_field(p, &field);
        if (s) edited(p, field, *s, editor.type(*s, ch));
    }

    // A key for the focused field: moving, selecting, deleting and the clipboard.
    void edit_key(Player& p, int vk) {
        ClipObject* field = nullptr;
        avm1::EditState* s = is_editing_key(vk) ? focused_field(p, &field) : nullptr;
        if (!s) return;
        const CaretMap map = caret_map(*s, p.fonts_);
        edited(p, field, *s, editor.key(*s, map, vk, modifiers(p), p.clipboard_));
    }

    // The pointer in `field`'s own twips.
    static bool field_point(ClipObject* field, double sx, double sy, double& x, double& y) {
        Matrix inv;
        if (!avm1::clip_to_stage(field).invert(inv)) return false;
        x = inv.apply_x(sx, sy);
        y = inv.apply_y(sx, sy);
        return true;
    }

    // A press in a focused field puts its caret under the pointer; a second press soon after at
    // the same spot is a double click.
    void press_field(Player& p, ClipObject* field) {
        avm1::EditState* s = avm1::field_state(p.script_->vm, field);
        double fx, fy;
        if (!s || !s->focused || !field_point(field, x, y, fx, fy)) return;
        const auto now = std::chrono::steady_clock::now();
        const bool twice = now - last_click < std::chrono::milliseconds(500) && std::abs(x - last_click_x) < 80 &&
                           std::abs(y - last_click_y) < 80;
        last_click = twice ? std::chrono::steady_clock::time_point{} : now;
        last_click_x = x, last_click_y = y;
        selecting = field;
        const CaretMap map = caret_map(*s, p.fonts_);
        edited(p, field, *s, editor.press(*s, map, fx, fy, modifiers(p).shift, twice));
    }

    void drag_selection(Player& p) {
        ClipObject* field = selecting && selecting->alive() ? selecting : nullptr;
        avm1::EditState* s = field ? avm1::field_state(p.script_->vm, field) : nullptr;
        double fx, fy;
        if (!s || !s->focused || !field_point(field, x, y, fx, fy)) return;
        const CaretMap map = caret_map(*s, p.fonts_);
        edited(p, field, *s, editor.drag(*s, map, fx, fy));
    }

    void mark(avm1::Tracer& t) {
        t.mark(over);
        t.mark(pressed);
        t.mark(selecting);
    }
};

Player::InputState& Player::input() {
    if (!input_) {
        input_ = std::make_shared<InputState>();
        if (script_) {
            auto& hook = script_->vm.mark_host_roots;
            std::weak_ptr<InputState> weak = input_;
            hook = [earlier = hook, weak](avm1::Tracer& t) {
                if (earlier) earlier(t);
                if (auto in = weak.lock()) in->mark(t);
            };
        }
    }
    return *input_;
}

namespace {

// Windows virtual keys as Key.getCode reports them: the left and right Shift, Control and Alt
// keys as the plain ones, everything else as it is.
int flash_key(int vk) {
    switch (vk) {
    case 160:
    case 161: return 16;
    case 162:
    case 163: return 17;
    case 164:
    case 165: return 18;
    default: return vk;
    }
}

}  // namespace

// Device pixels of the last render target to stage twips; before any render, the stage's own
// size is taken for the target.
static void device_to_stage(const Player& p, int w, int h, double x, double y, double& sx, double& sy) {
    const Matrix m = p.stage_matrix(w > 0 ? w : p.stage_width(), h > 0 ? h : p.stage_height());
    Matrix inv;
    if (!m.invert(inv)) {
        sx = sy = 0;
        return;
    }
    sx = inv.apply_x(x, y);
    sy = inv.apply_y(x, y);
}

void Player::InputState::point_at(Player& p, double dx, double dy) {
    device_to_stage(p, p.view_width_, p.view_height_, dx, dy, x, y);
    p.script_->set_mouse(x, y);
    follow_drag(p);
}

void Player::mouse_move(double x, double y) {
    if (!script_ || !root_) return;
    InputState& in = input();
    const double was_x = in.x, was_y = in.y;
    in.point_at(*this, x, y);
    if (focus_ && (in.x != was_x || in.y != was_y)) focus_->pointer_used();
    script_->mouse_move(in.x, in.y);
    if (in.button && in.selecting) in.drag_selection(*this);
    InputState::Target t = in.pick(*this);
    in.track(*this, t.field ? nullptr : t.obj);
    in.update_cursor(*this, in.pick(*this));
}

void Player::mouse_down(double x, double y) {
    if (!script_ || !root_) return;
    InputState& in = input();
    in.point_at(*this, x, y);
    if (focus_) focus_->pointer_used();
    InputState::Target t = in.pick(*this);
    Object* hit = t.field ? nullptr : t.obj;
    in.track(*this, hit);  // arriving here without a move first
    script_->mouse_down(in.x, in.y);
    in.button = true;
    in.menu = false;
    in.captured = t.obj != nullptr;
    // A press anywhere but on a selectable field takes the focus from what holds it, before the
    // press is told.
    const avm1::EditState* field = t.field ? avm1::field_state(script_->vm, t.obj) : nullptr;
    const bool on_field = field && field->selectable;
    if (!on_field && avm1::focused_object(script_->vm)) in.set_focus(*this, nullptr);
    if (hit && avm1::clip_alive(hit)) {
        in.pressed = in.over = hit;
        in.pressed_inside = true;
        in.fire(*this, hit, OverUpToOverDown);
    }
    // A press on a field gives it the focus and puts its caret under the pointer.
    in.selecting = nullptr;
    if (on_field && avm1::clip_alive(t.obj)) {
        ClipObject* focused = nullptr;
        if (!in.focused_field(*this, &focused) || focused != t.obj) in.set_focus(*this, t.obj);
        if (ClipObject* field = as_clip(t.obj)) in.press_field(*this, field);
    }
    in.update_cursor(*this, in.pick(*this));
}

void Player::mouse_up(double x, double y) {
    if (!script_ || !root_) return;
    InputState& in = input();
    in.point_at(*this, x, y);
    InputState::Target t = in.pick(*this);
    in.track(*this, t.field ? nullptr : t.obj);
    if (in.selecting) in.drag_selection(*this);
    in.selecting = nullptr;
    script_->mouse_up(in.x, in.y);
    in.button = false;
    in.menu = false;
    in.captured = false;
    if (Object* was = in.pressed) {
        in.pressed = nullptr;
        if (in.pressed_inside) {
            in.over = was;
            in.fire(*this, was, OverDownToOverUp);
        } else {
            in.over = nullptr;
            in.fire(*this, was, OutDownToIdle);
        }
    }
    t = in.pick(*this);
    in.track(*this, t.field ? nullptr : t.obj);
    in.update_cursor(*this, in.pick(*this));
}

void Player::mouse_leave() {
    if (!script_ || !root_) return;
    InputState& in = input();
    if (in.button) return;
    in.track(*this, nullptr);
    in.cursor = Cursor::Arrow;
}

void Player::mouse_wheel(int delta) {
    if (script_) script_->mouse_wheel(delta);
}

void Player::key_down(int vk, int ch) {
    if (!script_ || !root_) return;
    InputState& in = input();
    const int code = flash_key(vk);
    if (code >= 0 && code < 256) in.key_chars[code] = ch;
    script_->key_down(code, ch);
    // keyPress conditions, Tab and the focused button's keys (focus.cpp) come first.
    if (focus_ && focus_->key_down(vk, ch)) return;
    // Keys that make no character (arrows, Delete, the clipboard's) edit the focused field here.
    in.edit_key(*this, vk);
}

void Player::key_up(int vk) {
    if (!script_ || !root_) return;
    const int code = flash_key(vk);
    const int ch = code >= 0 && code < 256 ? input().key_chars[code] : 0;
    script_->key_up(code, ch);
}

void Player::char_typed(uint32_t ch) {
    if (focus_ && focus_->swallows(ch)) return;
    if (script_ && root_) input().type(*this, ch);
}

// The keyboard focus's hold on the button states (focus.h).
void Player::hover_button(avm1::Object* to, bool now) {
    InputState& in = input();
    Object* was = in.over;
    if (in.button) return;  // a held press keeps the states as they are
    // Even a button that keeps the state rolls out and over again.
    in.over = to;
    if (was) in.fire(*this, was, OverUpToIdle, now);
    if (to) in.fire(*this, to, IdleToOverUp, now);
}

void Player::click_button(avm1::Object* o) {
    InputState& in = input();
    in.fire(*this, o, OverUpToOverDown);
    in.fire(*this, o, OverDownToOverUp);
}

Player::Cursor Player::cursor() const {
    if (script_ && script_->input.cursor_hidden) return Cursor::Hidden;
    return input_ ? input_->cursor : Cursor::Arrow;
}

bool Player::wants_capture() const { return input_ && input_->captured; }

// The caret blinks as the system's does, 530 ms on and off, and shows at once after each edit.
bool Player::caret_blink_on() const {
    if (!input_) return true;
    const auto since = std::chrono::steady_clock::now() - input_->blink_from;
    return std::chrono::duration_cast<std::chrono::milliseconds>(since).count() / 530 % 2 == 0;
}

bool Player::caret_rect(Rect& pixels) {
    if (!script_ || !root_) return false;
    ClipObject* field = nullptr;
    avm1::EditState* s = input().focused_field(*this, &field);
    if (!s || !s->editable) return false;
    const CaretMap map = caret_map(*s, fonts_);
    const size_t caret = selection_of(*s).caret;
    const CaretMap::Line& line = map.lines[map.line_of(caret)];
    const double x = map.x_of(caret);
    const Matrix m = stage_matrix(view_width_ > 0 ? view_width_ : stage_width(),
                                  view_height_ > 0 ? view_height_ : stage_height()) *
                     avm1::clip_to_stage(field);
    const double x0 = m.apply_x(x, line.top), y0 = m.apply_y(x, line.top);
    const double x1 = m.apply_x(x, line.bottom), y1 = m.apply_y(x, line.bottom);
    auto px = [](double v) { return int32_t(std::clamp(std::floor(v), -1e8, 1e8)); };
    pixels = Rect{px(std::min(x0, x1)), px(std::max(x0, x1)) + 1, px(std::min(y0, y1)), px(std::max(y0, y1))};
    return true;
}

}  // namespace swf
