// Keyboard focus: the order Tab walks over buttons, button-like clips and input fields, the keys
// that belong to the focused button (its onKeyDown/onKeyUp, Enter and Space pressing it) and to
// buttons' keyPress conditions, and the yellow rectangle around the focused button or clip.
//
// The focus itself is Selection's (textfield.cpp); what is kept here is whether it shows as
// keyboard focus. Tab and Selection.setFocus show it; using the pointer hides it. While it shows,
// the focused button or clip holds the pointer's "over" state too: it rolls over when it gets
// the focus and out when it loses it, as if the pointer had moved onto it.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/player.h"

namespace swf {

namespace avm1 {
class ClipObject;
class Object;
class Vm;
}  // namespace avm1
struct Canvas;

// What Tab can move the focus to under `roots` (the root, then the levels above it), in the
// order Tab visits it. Without any tabIndex the order is by position: the top edges on the stage
// from the top down, then the left edges from the left. Once something has a tabIndex, only
// what has one takes part, by its tabIndex.
std::vector<avm1::ClipObject*> tab_order(avm1::Vm& vm, const std::vector<Clip*>& roots);

// The stop after `current` in `order` (before it with `backwards`), wrapping around; the first
// (the last) when `current` is not in the order; null for an empty order.
avm1::ClipObject* next_tab_stop(const std::vector<avm1::ClipObject*>& order, avm1::Object* current,
                                bool backwards);

// The yellow frame drawn `thickness` pixels wide inside `box` (target pixels, right and bottom
// exclusive), over whatever is there, clipped to the canvas.
void draw_focus_frame(const Canvas& canvas, const Rect& box, int thickness);

class Player::KeyboardFocus {
public:
    // Why the focus moves: Tab and scripts show it as keyboard focus, the pointer does not.
    enum class Cause : uint8_t { Script, Keyboard, Pointer };

    // Hooks itself into the player's script side, which must exist.
    explicit KeyboardFocus(Player& player);
    ~KeyboardFocus();
    KeyboardFocus(const KeyboardFocus&) = delete;
    KeyboardFocus& operator=(const KeyboardFocus&) = delete;

    // A key went down, after the clips and Key listeners heard it: buttons' keyPress conditions,
    // then Tab moving the focus and Enter or Space pressing the focused button. True when the
    // key was used up here, so that the focused text field does not see it.
    bool key_down(int vk, int ch);
    // The typed character of a key used up here: it types nothing.
    bool swallows(uint32_t ch);
    // The pointer moved or pressed: the focus no longer shows.
    void pointer_used();
    // Moves the focus as Selection.setFocus does (null: nowhere).
    void move(avm1::Object* to, Cause cause);
    // The focus rectangle over a rendered frame; `stage` maps stage twips to target pixels.
    void draw(const Canvas& canvas, const Matrix& stage) const;

private:
    void moved(avm1::Object* from, avm1::Object* to);
    avm1::Object* key_target() const;
    bool key_press(int vk, int ch);
    void tab(bool backwards);
    bool activate(int vk);

    Player& p_;
    bool shown_ = false;
    Cause cause_ = Cause::Script;  // of the move under way, until Selection reports it
    uint32_t swallow_ = 0;         // the character of the last key used up here
};

}  // namespace swf
