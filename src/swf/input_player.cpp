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
#include "swf/player.h"

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

// The key codes of button keyPress conditions for a Windows virtual key and the character it
// typed: the named keys by code, others by their printable character.
int button_key_code(int vk, int ch) {
    switch (vk) {
    case 37: return 1;   // left
    case 39: return 2;   // right
    case 36: return 3;   // home
    case 35: return 4;   // end
    case 45: return 5;   // insert
    case 46: return 6;   // delete
    case 8: return 8;    // backspace
    case 13: return 13;  // enter
    case 38: return 14;  // up
    case 40: return 15;  // down
    case 33: return 16;  // page up
    case 34: return 17;  // page down
    case 9: return 18;   // tab
    case 27: return 19;  // escape
    default: break;
    }
    return ch >= 32 && ch <= 126 ? ch : 0;
}

// Whether a field's `restrict` string lets `c` in: ranges "a-z", "^" switching to characters
// left out, "\\" taking the next character as it is. An empty string lets nothing in.
bool restrict_allows(const std::u16string& rule, char16_t c) {
    bool allowed = false, excluding = false;
    for (size_t i = 0; i < rule.size(); ++i) {
        char16_t lo = rule[i];
        if (lo == u'^') {
            excluding = !excluding;
            if (i == 0) allowed = true;  // a rule opening with ^ lets in everything else
            continue;
        }
        if (lo == u'\\' && i + 1 < rule.size()) lo = rule[++i];
        char16_t hi = lo;
        if (i + 2 < rule.size() && rule[i + 1] == u'-') {
            hi = rule[i + 2];
            if (hi == u'\\' && i + 3 < rule.size()) ++i, hi = rule[i + 2];
            i += 2;
        }
        if (c >= lo && c <= hi) allowed = !excluding;
    }
    return allowed;
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
            layers.erase(std::remove_if(layers.begin(), layers.end(), [&](const Layer& l) { return depth > l.until; }),
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
    // its condition actions on its parent's timeline, then the handlers.
    void fire(Player& p, Object* o, uint16_t bit) {
        ClipObject* c = as_clip(o);
        if (!c) return;
        const TransitionInfo* info = nullptr;
        for (const TransitionInfo& t : kTransitions)
            if (t.bit == bit) info = &t;
        if (!info) return;
        avm1::Runtime& rt = *p.script_;
        if (c->kind == ObjKind::Button && c->inst && c->inst->character &&
            c->inst->character->kind == CharKind::Button) {
            const auto& def = static_cast<const ButtonDef&>(*c->inst->character);
            if (c->clip) c->clip->set_button_state(def, info->shown);
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
            rt.queue_event(c, info->clip_event, info->handler);
        }
        rt.run_input();
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
        if (menu && hit) {
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
        avm1::Vm& vm = p.script_->vm;
        const avm1::Value sel = vm.get(vm.global, vm.intern("Selection"));
        if (!sel.is_object()) return;
        call_now(*p.script_, sel, "setFocus", {to ? avm1::Value(to) : avm1::Value::null()});
        p.script_->run_input();
    }

    // Typing into the focused input field: `ch` replaces the selection or goes in at the caret
    // (the end when nothing was placed); 8 deletes before it, 127 after it.
    void type(Player& p, uint32_t ch) {
        ClipObject* field = nullptr;
        avm1::EditState* s = focused_field(p, &field);
        if (!s || !s->editable) return;
        avm1::Vm& vm = p.script_->vm;
        const size_t n = s->content.size();
        size_t begin = n, end = n;
        if (s->selection_begin >= 0 && s->selection_end >= s->selection_begin) {
            begin = std::min(size_t(s->selection_begin), n);
            end = std::min(size_t(s->selection_end), n);
        }
        if (ch == 8 || ch == 127) {
            if (begin == end) {
                if (ch == 8 && begin > 0) --begin;
                if (ch == 127 && end < n) ++end;
            }
            if (begin == end) return;
            s->content.replace(begin, end, u"", s->content.format_at(begin));
        } else {
            if (ch == 13) {
                if (!s->multiline) return;
            } else if (ch < 32 || ch > 0xFFFF) {
                return;
            }
            const char16_t c = ch == 13 ? u'\r' : char16_t(ch);
            if (s->restrict_chars && !restrict_allows(avm1::utf8_to_utf16(*s->restrict_chars), c)) return;
            if (s->max_chars && *s->max_chars > 0 && double(n - (end - begin)) >= *s->max_chars) return;
            // Typed text takes the format of the character before it.
            const avm1::TextFormat f = n ? s->content.format_at(begin ? begin - 1 : 0) : s->new_format;
            s->content.replace(begin, end, std::u16string(1, c), f);
            ++begin;
        }
        s->selection_begin = s->selection_end = s->selection_caret = int(begin);
        avm1::field_changed(vm, field, *s, true);
        // A field is among its own listeners.
        if (vm.get(field, vm.intern("_listeners")).is_object())
            call_now(*p.script_, field, "broadcastMessage", {vm.intern("onChanged"), field});
        else if (vm.get(field, vm.intern("onChanged")).is_object())
            call_now(*p.script_, field, "onChanged", {field});
        p.script_->run_input();
    }

    void mark(avm1::Tracer& t) {
        t.mark(over);
        t.mark(pressed);
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
    in.point_at(*this, x, y);
    script_->mouse_move(in.x, in.y);
    InputState::Target t = in.pick(*this);
    in.track(*this, t.field ? nullptr : t.obj);
    in.update_cursor(*this, in.pick(*this));
}

void Player::mouse_down(double x, double y) {
    if (!script_ || !root_) return;
    InputState& in = input();
    in.point_at(*this, x, y);
    InputState::Target t = in.pick(*this);
    Object* hit = t.field ? nullptr : t.obj;
    in.track(*this, hit);  // arriving here without a move first
    script_->mouse_down(in.x, in.y);
    in.button = true;
    in.menu = false;
    in.captured = t.obj != nullptr;
    if (hit && avm1::clip_alive(hit)) {
        in.pressed = in.over = hit;
        in.pressed_inside = true;
        in.fire(*this, hit, OverUpToOverDown);
    }
    // A press on a field gives it the focus; one elsewhere takes it from the field holding it.
    if (t.field && avm1::clip_alive(t.obj))
        in.set_focus(*this, t.obj);
    else if (!hit && in.focused_field(*this, nullptr))
        in.set_focus(*this, nullptr);
    in.update_cursor(*this, in.pick(*this));
}

void Player::mouse_up(double x, double y) {
    if (!script_ || !root_) return;
    InputState& in = input();
    in.point_at(*this, x, y);
    InputState::Target t = in.pick(*this);
    in.track(*this, t.field ? nullptr : t.obj);
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
    // Delete makes no character: it edits the focused field from here.
    if (vk == 46) in.type(*this, 127);
    const int key = button_key_code(vk, ch);
    if (!key) return;
    // keyPress: buttons' conditions on their parents' timelines, clips' onClipEvent(keyPress).
    std::vector<Clip*> clips;
    for (auto& [serial, clip] : world_->clips) clips.push_back(clip);
    for (Clip* clip : clips) {
        ClipObject* c = as_clip(clip->object);
        if (!c || clip->removed()) continue;
        if (c->kind == ObjKind::Button && c->inst && c->inst->character &&
            c->inst->character->kind == CharKind::Button) {
            Object* parent = c->parent ? c->parent->object : nullptr;
            for (const ButtonAction& a : static_cast<const ButtonDef&>(*c->inst->character).actions)
                if (((a.conditions >> 9) & 0x7F) == key) script_->queue_actions(parent, a.bytes);
        } else if (c->clip_actions) {
            for (const ClipAction& a : *c->clip_actions)
                if ((a.events & avm1::EvKeyPress) && a.key == key) script_->queue_actions(c, a.bytes);
        }
    }
    script_->run_input();
}

void Player::key_up(int vk) {
    if (!script_ || !root_) return;
    const int code = flash_key(vk);
    const int ch = code >= 0 && code < 256 ? input().key_chars[code] : 0;
    script_->key_up(code, ch);
}

void Player::char_typed(uint32_t ch) {
    if (script_ && root_) input().type(*this, ch);
}

Player::Cursor Player::cursor() const {
    if (script_ && script_->input.cursor_hidden) return Cursor::Hidden;
    return input_ ? input_->cursor : Cursor::Arrow;
}

bool Player::wants_capture() const { return input_ && input_->captured; }

}  // namespace swf
