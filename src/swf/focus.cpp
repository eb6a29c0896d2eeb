// Keyboard focus: the Tab order, the keys of the focused button and of keyPress conditions, and
// the focus rectangle (see focus.h).
#include "swf/focus.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>

#include "swf/avm1/convert.h"
#include "swf/avm1/runtime.h"
#include "swf/avm1/textfield.h"
#include "swf/paint.h"

namespace swf {

using avm1::ClipObject;
using avm1::Object;
using avm1::ObjKind;
using avm1::Value;

namespace {

// ---------------------------------------------------------------------------------------------
// What takes part in the Tab order
// ---------------------------------------------------------------------------------------------
ClipObject* live_clip(Object* o) {
    return avm1::is_display_object(o) && static_cast<ClipObject*>(o)->alive() ? static_cast<ClipObject*>(o) : nullptr;
}

// A property that is set and false (undefined leaves the default on).
bool set_false(avm1::Vm& vm, Object* o, const char* name) {
    const Value v = vm.get(o, vm.intern(name));
    return !v.is_nullish() && !vm.to_boolean(v);
}

bool button_like(Object* o) {
    ClipObject* c = live_clip(o);
    return c && c->inst && (c->kind == ObjKind::Button || c->kind == ObjKind::Clip);
}

// A clip acts as a button once it has any of the button handlers, even one set to undefined, or
// button events among its onClipEvent handlers.
bool has_button_handler(avm1::Vm& vm, ClipObject* c) {
    constexpr uint32_t kButtonEvents = avm1::EvPress | avm1::EvRelease | avm1::EvReleaseOutside |
                                       avm1::EvRollOver | avm1::EvRollOut | avm1::EvDragOver | avm1::EvDragOut;
    if (c->clip_actions)
        for (const ClipAction& a : *c->clip_actions)
            if (a.events & kButtonEvents) return true;
    for (const char* h : {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut", "onDragOver", "onDragOut"})
        if (vm.has_property(c, vm.intern(h))) return true;
    return false;
}

// A tabIndex that places the object in a custom order. -1 is what an unset one reads as inside
// the player, so it places nothing either.
std::optional<int32_t> tab_index(avm1::Vm& vm, ClipObject* c) {
    const Value v = vm.get(c, vm.intern("tabIndex"));
    if (v.is_nullish()) return std::nullopt;
    const double d = vm.to_number(v);
    if (!std::isfinite(d)) return std::nullopt;
    const int32_t i = avm1::to_int32(d);
    if (i == -1) return std::nullopt;
    return i;
}

// Input fields, enabled buttons and clips that act as buttons, unless tabEnabled is false; a clip
// also when tabEnabled is true or it has a tabIndex. Dynamic fields never take part.
bool takes_tab(avm1::Vm& vm, ClipObject* c, bool has_index) {
    if (set_false(vm, c, "tabEnabled")) return false;
    switch (c->kind) {
    case ObjKind::TextField: {
        const avm1::EditState* s = avm1::field_state(vm, c);
        return s && s->editable;
    }
    case ObjKind::Button: return !set_false(vm, c, "enabled");
    case ObjKind::Clip:
        if (set_false(vm, c, "enabled")) return false;
        return has_index || vm.to_boolean(vm.get(c, vm.intern("tabEnabled"))) || has_button_handler(vm, c);
    default: return false;
    }
}

// An object's bounds on the stage, in twips; its origin alone when it shows nothing.
struct StageBox {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

StageBox stage_box(ClipObject* c) {
    const Matrix m = avm1::clip_to_stage(c);
    Rect r;
    if (!avm1::clip_local_bounds(c, r, true)) return {m.tx, m.ty, m.tx, m.ty};
    StageBox b{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (double x : {double(r.xmin), double(r.xmax)})
        for (double y : {double(r.ymin), double(r.ymax)}) {
            const double sx = m.apply_x(x, y), sy = m.apply_y(x, y);
            b.x0 = std::min(b.x0, sx), b.x1 = std::max(b.x1, sx);
            b.y0 = std::min(b.y0, sy), b.y1 = std::max(b.y1, sy);
        }
    return b;
}

struct TabStop {
    ClipObject* obj;
    StageBox box;
    std::optional<int32_t> index;
};

// The stops of `clip`'s display list in depth order, children after their clip. Hidden objects
// and clip layers hide what they hold; tabChildren false hides a clip's children.
void collect_stops(avm1::Vm& vm, Clip& clip, int nesting, std::vector<TabStop>& out) {
    if (nesting >= kMaxNesting) return;
    for (auto& [depth, inst] : clip.display_list()) {
        if (inst.clip_depth || !inst.visible || !inst.character) continue;
        ClipObject* obj = live_clip(inst.clip ? inst.clip->object : inst.object);
        if (!obj || (obj->mask_of && avm1::clip_alive(obj->mask_of))) continue;
        const std::optional<int32_t> index = tab_index(vm, obj);
        if (takes_tab(vm, obj, index.has_value())) out.push_back({obj, stage_box(obj), index});
        if (obj->kind == ObjKind::Clip && inst.clip && !set_false(vm, obj, "tabChildren"))
            collect_stops(vm, *inst.clip, nesting + 1, out);
    }
}

// Keeps an object from the collector while the player's own calls run scripts.
class Held {
public:
    Held(avm1::Vm& vm, Object* o) : vm_(vm), value_(o) { vm_.roots.push_back(value_); }
    ~Held() {
        auto& roots = vm_.roots;
        for (auto it = roots.rbegin(); it != roots.rend(); ++it)
            if (it->is_object() && it->object() == value_.object()) {
                roots.erase(std::next(it).base());
                break;
            }
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    avm1::Vm& vm_;
    Value value_;
};

// The key codes of keyPress conditions for a Windows virtual key and the character it typed: the
// named keys by code, others by their printable character.
int key_press_code(int vk, int ch) {
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

constexpr int kVkTab = 9, kVkEnter = 13, kVkShift = 16, kVkSpace = 32;
constexpr uint32_t kFocusYellow = 0xFFFFFF00;  // opaque (255, 255, 0), premultiplied ARGB
constexpr double kFrameWidth = 3;              // stage pixels

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tab order
// ---------------------------------------------------------------------------------------------
std::vector<ClipObject*> tab_order(avm1::Vm& vm, const std::vector<Clip*>& roots) {
    std::vector<TabStop> stops;
    for (Clip* root : roots) {
        ClipObject* obj = root ? live_clip(root->object) : nullptr;
        if (obj && !set_false(vm, obj, "tabChildren")) collect_stops(vm, *root, 0, stops);
    }
    std::stable_sort(stops.begin(), stops.end(), [](const TabStop& a, const TabStop& b) {
        return a.box.y0 != b.box.y0 ? a.box.y0 < b.box.y0 : a.box.x0 < b.box.x0;
    });
    const bool custom = std::any_of(stops.begin(), stops.end(), [](const TabStop& s) { return s.index.has_value(); });
    if (custom) {
        stops.erase(std::remove_if(stops.begin(), stops.end(), [](const TabStop& s) { return !s.index; }), stops.end());
        std::stable_sort(stops.begin(), stops.end(), [](const TabStop& a, const TabStop& b) { return *a.index < *b.index; });
    }
    std::vector<ClipObject*> order;
    order.reserve(stops.size());
    for (const TabStop& s : stops) order.push_back(s.obj);
    return order;
}

ClipObject* next_tab_stop(const std::vector<ClipObject*>& order, Object* current, bool backwards) {
    if (order.empty()) return nullptr;
    const auto it = std::find(order.begin(), order.end(), current);
    if (it == order.end()) return backwards ? order.back() : order.front();
    const size_t n = order.size(), at = size_t(it - order.begin());
    return order[backwards ? (at + n - 1) % n : (at + 1) % n];
}

// ---------------------------------------------------------------------------------------------
// The focus rectangle
// ---------------------------------------------------------------------------------------------
void draw_focus_frame(const Canvas& canvas, const Rect& box, int thickness) {
    if (box.width() <= 0 || box.height() <= 0 || thickness <= 0) return;
    auto fill = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0);
        x1 = std::min(x1, int32_t(canvas.width)), y1 = std::min(y1, int32_t(canvas.height));
        if (x0 >= x1 || y0 >= y1) return;
        for (int32_t y = y0; y < y1; ++y) std::fill(canvas.row(y) + x0, canvas.row(y) + x1, kFocusYellow);
        if (canvas.dirty) canvas.dirty->add(x0, y0, x1, y1);
    };
    const int32_t t = std::min({thickness, (box.width() + 1) / 2, (box.height() + 1) / 2});
    fill(box.xmin, box.ymin, box.xmax, box.ymin + t);
    fill(box.xmin, box.ymax - t, box.xmax, box.ymax);
    fill(box.xmin, box.ymin + t, box.xmin + t, box.ymax - t);
    fill(box.xmax - t, box.ymin + t, box.xmax, box.ymax - t);
}

// ---------------------------------------------------------------------------------------------
// KeyboardFocus
// ---------------------------------------------------------------------------------------------
Player::KeyboardFocus::KeyboardFocus(Player& player) : p_(player) {
    p_.script_->focus_moved = [this](Object* from, Object* to) { moved(from, to); };
    p_.script_->key_focus = [this] { return key_target(); };
}

Player::KeyboardFocus::~KeyboardFocus() {
    if (p_.script_) {
        p_.script_->focus_moved = nullptr;
        p_.script_->key_focus = nullptr;
    }
}

bool Player::KeyboardFocus::key_down(int vk, int ch) {
    bool taken = key_press(vk, ch);
    if (!taken && vk == kVkTab) {
        tab(p_.script_->input.down[kVkShift]);
        taken = true;  // never typed into a field
    } else if (!taken) {
        taken = activate(vk);
    }
    // The character the key types is used up with it.
    swallow_ = taken ? uint32_t(ch) : 0;
    return taken;
}

bool Player::KeyboardFocus::swallows(uint32_t ch) {
    const bool taken = swallow_ && ch == swallow_;
    swallow_ = 0;
    return taken;
}

void Player::KeyboardFocus::pointer_used() { shown_ = false; }

void Player::KeyboardFocus::move(Object* to, Cause cause) {
    avm1::Runtime& rt = *p_.script_;
    avm1::Vm& vm = rt.vm;
    // The listeners run as the player's own call: a fresh time budget, an uncaught exception
    // reported and dropped.
    const bool top = vm.depth == 0;
    if (top) vm.started = std::chrono::steady_clock::now();
    cause_ = cause;
    avm1::set_focused_object(vm, to);
    cause_ = Cause::Script;
    if (vm.throwing) {
        rt.trace("Warning: Uncaught exception, " + vm.trace_string(vm.exception));
        vm.throwing = false;
        vm.exception = Value();
    }
    if (top) vm.aborting = false;
    rt.run_input();
}

void Player::KeyboardFocus::draw(const Canvas& canvas, const Matrix& stage) const {
    if (!shown_ || !p_.script_ || !p_.script_->settings.focus_rect) return;
    Object* o = avm1::focused_object(p_.script_->vm);
    if (!button_like(o)) return;
    const StageBox b = stage_box(static_cast<ClipObject*>(o));
    const double x0 = stage.apply_x(b.x0, b.y0), y0 = stage.apply_y(b.x0, b.y0);
    const double x1 = stage.apply_x(b.x1, b.y1), y1 = stage.apply_y(b.x1, b.y1);
    auto px = [](double v) { return int32_t(std::clamp(std::round(v), -1e8, 1e8)); };
    const Rect box{px(std::min(x0, x1)), px(std::max(x0, x1)), px(std::min(y0, y1)), px(std::max(y0, y1))};
    const double scale = std::hypot(stage.a, stage.b) * 20;
    draw_focus_frame(canvas, box, std::max(1, int(std::lround(kFrameWidth * scale))));
}

// Selection moved the focus. A move from Tab has rolled the buttons already; one from the pointer
// hides the keyboard focus; one from a script shows it, and the rolls wait for the script.
void Player::KeyboardFocus::moved(Object*, Object* to) {
    const Cause cause = std::exchange(cause_, Cause::Script);
    if (cause == Cause::Keyboard) return;
    if (cause == Cause::Pointer) {
        shown_ = false;
        return;
    }
    shown_ = to != nullptr;
    p_.hover_button(button_like(to) ? to : nullptr, false);
}

// The focused button or clip, while the focus shows.
Object* Player::KeyboardFocus::key_target() const {
    if (!shown_) return nullptr;
    Object* o = avm1::focused_object(p_.script_->vm);
    return button_like(o) ? o : nullptr;
}

// keyPress: the conditions of the first button that has one for the key, on its parent's
// timeline, and every clip's onClipEvent(keyPress). True when a button took the key.
bool Player::KeyboardFocus::key_press(int vk, int ch) {
    const int key = key_press_code(vk, ch);
    if (!key) return false;
    avm1::Runtime& rt = *p_.script_;
    bool taken = false;
    std::vector<Clip*> clips;
    for (auto& [serial, clip] : p_.world_->clips) clips.push_back(clip);
    for (Clip* clip : clips) {
        ClipObject* c = live_clip(clip->object);
        if (!c || clip->removed()) continue;
        if (c->kind == ObjKind::Button && c->inst && c->inst->character &&
            c->inst->character->kind == CharKind::Button) {
            if (taken) continue;
            Object* parent = c->parent ? c->parent->object : nullptr;
            for (const ButtonAction& a : static_cast<const ButtonDef&>(*c->inst->character).actions)
                if (((a.conditions >> 9) & 0x7F) == key) {
                    rt.queue_actions(parent, a.bytes);
                    taken = true;
                }
        } else if (c->clip_actions) {
            for (const ClipAction& a : *c->clip_actions)
                if ((a.events & avm1::EvKeyPress) && a.key == key) rt.queue_actions(c, a.bytes);
        }
    }
    rt.run_input();
    return taken;
}

void Player::KeyboardFocus::tab(bool backwards) {
    avm1::Vm& vm = p_.script_->vm;
    std::vector<Clip*> roots{p_.root_.get()};
    for (const auto& [n, level] : p_.script_->levels()) roots.push_back(level.get());
    Object* current = avm1::focused_object(vm);
    ClipObject* next = next_tab_stop(tab_order(vm, roots), current, backwards);
    if (!next) return;
    if (next != current) {
        Held hold(vm, next);
        // The button states change first, then the objects and listeners hear of the focus.
        p_.hover_button(button_like(next) ? next : nullptr, true);
        if (!avm1::clip_alive(next)) return;
        move(next, Cause::Keyboard);
    }
    shown_ = true;
}

// Enter and Space press and release the focused button or clip while its focus shows, unless
// _focusrect is off.
bool Player::KeyboardFocus::activate(int vk) {
    if ((vk != kVkEnter && vk != kVkSpace) || !shown_ || !p_.script_->settings.focus_rect) return false;
    avm1::Vm& vm = p_.script_->vm;
    Object* o = avm1::focused_object(vm);
    if (!button_like(o) || set_false(vm, o, "enabled")) return false;
    p_.click_button(o);
    return true;
}

}  // namespace swf
