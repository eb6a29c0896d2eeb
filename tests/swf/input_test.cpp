// Input from the host: the pointer through the stage's scale and align, the button state
// machine with its condition actions and handlers, button-like clips, keys, typing into input
// fields and the cursor.
#include <gtest/gtest.h>

#include <vector>

#include "avm1_test_util.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/textfield.h"

namespace {

using namespace avm1test;
using swf::Player;
using swf::avm1::Object;

constexpr uint16_t kUp = 1, kOver = 3, kDown = 4, kButton = 2;

struct Cond {
    uint16_t conditions;
    Asm code;
};

// DefineButton2 `id`: shape kUp in the up and hit states, kOver over, kDown down, each a 40-px
// square at the origin, with the given condition actions.
void define_button(TestMovie& m, uint16_t id, const std::vector<Cond>& conds, bool track_as_menu = false) {
    swftest::Bits b;
    b.u16(id);
    b.u8(track_as_menu ? 1 : 0);
    b.u16(0);  // action offset: patched below
    const size_t offset_at = 3;
    const uint8_t states[3] = {0x1 | 0x8, 0x2, 0x4};
    const uint16_t shapes[3] = {kUp, kOver, kDown};
    for (int i = 0; i < 3; ++i) {
        b.u8(states[i]);
        b.u16(shapes[i]);
        b.u16(uint16_t(i + 1));
        b.matrix(0, 0);
        b.u8(0);  // colour transform without terms
    }
    b.u8(0);
    const size_t first = b.bytes.size();
    b.bytes[offset_at] = uint8_t(first - offset_at);
    for (size_t i = 0; i < conds.size(); ++i) {
        std::vector<uint8_t> code = conds[i].code.block();
        b.u16(i + 1 < conds.size() ? uint16_t(code.size() + 4) : 0);
        b.u16(conds[i].conditions);
        b.append(code);
    }
    m.m.tag(34, b.bytes, true);
}

void define_shapes(TestMovie& m) {
    const auto square = swftest::Movie::rect_records(0, 0, 800, 800);
    m.m.shape_rgba(kUp, 255, 0, 0, 255, square);
    m.m.shape_rgba(kOver, 0, 255, 0, 255, square);
    m.m.shape_rgba(kDown, 0, 0, 255, 255, square);
}

uint16_t shown(Playing& run, const char* name) {
    auto* c = static_cast<swf::avm1::ClipObject*>(run.vm().get(run.player.scripts()->level(0), run.vm().intern(name)).object());
    if (!c || !c->clip || c->clip->display_list().empty()) return 0;
    return c->clip->display_list().begin()->second.character_id;
}

Asm say(const char* s) { return Asm().trace(P(s)); }

// A button "b" at (10, 10) px whose every transition traces its name, and an onRelease handler.
std::vector<uint8_t> button_movie() {
    TestMovie m(8);
    define_shapes(m);
    define_button(m, kButton,
                  {{0x1, say("rollOver")}, {0x2, say("rollOut")}, {0x4, say("press")}, {0x8, say("release")},
                   {0x10, say("dragOut")}, {0x20, say("dragOver")}, {0x40, say("releaseOutside")},
                   {13 << 9, say("enter key")}, {'a' << 9, say("a key")}});
    place_at(m, kButton, 1, "b", 10, 10);
    m.action(Asm()
                 .function("rel", {}, Asm().trace(P("onRelease")))
                 .get("b")
                 .push({P("onRelease")})
                 .get("rel")
                 .op(a::SetMember));
    m.frame();
    return m.bytes();
}

TEST(Input, ButtonWalksEveryStateWithItsActions) {
    Playing run(button_movie());
    Player& p = run.player;
    EXPECT_EQ(shown(run, "b"), kUp);

    p.mouse_move(20, 20);
    EXPECT_EQ(shown(run, "b"), kOver);
    p.mouse_down(20, 20);
    EXPECT_EQ(shown(run, "b"), kDown);
    EXPECT_TRUE(p.wants_capture());
    p.mouse_move(80, 80);  // out while held
    EXPECT_EQ(shown(run, "b"), kOver);
    p.mouse_move(20, 20);  // back in
    EXPECT_EQ(shown(run, "b"), kDown);
    p.mouse_up(20, 20);
    EXPECT_EQ(shown(run, "b"), kOver);
    EXPECT_FALSE(p.wants_capture());

    p.mouse_down(20, 20);
    p.mouse_move(80, 80);
    p.mouse_up(80, 80);  // released outside: idle, no rollOut
    EXPECT_EQ(shown(run, "b"), kUp);

    p.mouse_move(30, 30);
    p.mouse_move(5, 5);
    EXPECT_EQ(shown(run, "b"), kUp);

    const Lines want = {"rollOver", "press", "dragOut", "dragOver", "release", "onRelease",
                        "press", "dragOut", "releaseOutside", "rollOver", "rollOut"};
    EXPECT_EQ(run.lines, want);
}

TEST(Input, ButtonKeyPressConditionsMatchTheKey) {
    Playing run(button_movie());
    run.player.key_down(13, 13);
    run.player.key_up(13);
    run.player.key_down(65, 'a');
    run.player.key_down(66, 'b');
    EXPECT_EQ(run.lines, (Lines{"enter key", "a key"}));
}

TEST(Input, MasksAndHiddenButtonsTakeNoPointer) {
    TestMovie m(8);
    define_shapes(m);
    m.m.shape_rgba(8, 0, 0, 0, 255, swftest::Movie::rect_records(0, 0, 400, 2000));  // the left 20 px
    define_button(m, kButton, {{0x1, say("over")}, {0x2, say("out")}});
    m.m.place(8, 1, 0, 0, 3);
    place_at(m, kButton, 2, "b", 0, 0);
    m.frame();
    Playing run(m.bytes());
    Player& p = run.player;
    p.mouse_move(10, 10);
    p.mouse_move(30, 10);  // on the button, outside the mask
    EXPECT_EQ(p.cursor(), Player::Cursor::Arrow);
    p.mouse_move(5, 5);
    auto& vm = run.vm();
    vm.set(vm.get(p.scripts()->level(0), vm.intern("b")).object(), vm.intern("_visible"), false);
    p.mouse_move(6, 6);
    p.mouse_move(10, 10);
    EXPECT_EQ(run.lines, (Lines{"over", "out", "over", "out"}));
}

TEST(Input, TrackAsMenuHandsThePressToTheButtonEntered) {
    TestMovie m(8);
    define_shapes(m);
    define_button(m, 2, {{0x4, say("A press")}, {0x100, say("A out (menu)")}, {0x8, say("A release")}}, true);
    define_button(m, 5, {{0x80, say("B over (menu)")}, {0x8, say("B release")}, {0x40, say("B outside")}}, true);
    place_at(m, 2, 1, "a", 0, 0);
    place_at(m, 5, 2, "b", 50, 0);
    m.frame();
    Playing run(m.bytes());
    run.player.mouse_down(10, 10);
    run.player.mouse_move(60, 10);
    run.player.mouse_up(60, 10);
    EXPECT_EQ(run.lines, (Lines{"A press", "A out (menu)", "B over (menu)", "B release"}));
    EXPECT_EQ(shown(run, "a"), kUp);
    EXPECT_EQ(shown(run, "b"), kOver);
}

// A 100x100 stage with clip "mc" (a 40-px square at the origin) that traces its presses.
std::vector<uint8_t> pressable_clip_movie() {
    TestMovie m(8);
    define_shapes(m);
    m.sprite(6, 1);
    m.m.place(kUp, 1);
    m.frame().end_sprite();
    m.place(6, 1, "mc");
    m.action(Asm()
                 .function("pr", {}, Asm().push({P("press "), P("_xmouse")}).op(a::GetVariable).op(a::Add2).trace())
                 .function("rel", {}, Asm().trace(P("release")))
                 .get("mc").push({P("onPress")}).get("pr").op(a::SetMember)
                 .get("mc").push({P("onRelease")}).get("rel").op(a::SetMember));
    m.frame();
    return m.bytes();
}

TEST(Input, ClipHandlersFollowTheScaledAndAlignedStage) {
    Playing run(pressable_clip_movie());
    Player& p = run.player;
    std::vector<uint8_t> pixels(400 * 200 * 4);
    // Shown whole in 400x200: twice the size, centred across (100 px either side).
    p.render({pixels.data(), 400, 200, 400 * 4});
    p.mouse_down(90, 10);  // left of the stage
    p.mouse_up(90, 10);
    p.mouse_down(110, 10);  // stage (5, 5)
    p.mouse_up(110, 10);
    EXPECT_EQ(p.cursor(), Player::Cursor::Hand);
    // Against the right edge the stage starts at 200.
    p.set_align_mode(swf::AlignRight);
    p.render({pixels.data(), 400, 200, 400 * 4});
    p.mouse_down(170, 10);
    p.mouse_up(170, 10);
    p.mouse_down(278, 78);  // stage (39, 39): the square's far corner
    p.mouse_up(278, 78);
    EXPECT_EQ(run.lines, (Lines{"press 5", "release", "press 39", "release"}));
}

TEST(Input, ButtonLikeClipShowsItsStateFrames) {
    TestMovie m(8);
    define_shapes(m);
    m.sprite(6, 3);
    m.m.place(kUp, 1);
    m.label("_up").frame().label("_over").frame().label("_down").frame().end_sprite();
    m.place(6, 1, "mc");
    m.action(Asm().function("none", {}, Asm()).get("mc").push({P("onPress")}).get("none").op(a::SetMember));
    m.frame();
    Playing run(m.bytes());
    Player& p = run.player;
    auto frame = [&] {
        auto* c = static_cast<swf::avm1::ClipObject*>(
            run.vm().get(p.scripts()->level(0), run.vm().intern("mc")).object());
        return c->clip->current_frame();
    };
    p.mouse_move(10, 10);
    EXPECT_EQ(frame(), 1);
    p.mouse_down(10, 10);
    EXPECT_EQ(frame(), 2);
    p.mouse_move(80, 80);
    EXPECT_EQ(frame(), 1);
    p.mouse_up(80, 80);
    EXPECT_EQ(frame(), 0);
}

TEST(Input, KeysReachKeyAndItsListeners) {
    Script st;
    Player& p = st.run.player;
    p.key_down(65, 'a');
    EXPECT_TRUE(st.vm.to_boolean(st.call(st.global("Key"), "isDown", {65.0})));
    EXPECT_EQ(st.text(st.call(st.global("Key"), "getCode")), "65");
    EXPECT_EQ(st.text(st.call(st.global("Key"), "getAscii")), "97");
    p.key_up(65);
    EXPECT_FALSE(st.vm.to_boolean(st.call(st.global("Key"), "isDown", {65.0})));
    EXPECT_EQ(st.text(st.call(st.global("Key"), "getAscii")), "97") << "the released key's character";
    // The left and right modifier keys report as the plain ones.
    p.key_down(161, 0);
    EXPECT_EQ(st.text(st.call(st.global("Key"), "getCode")), "16");
    EXPECT_TRUE(st.vm.to_boolean(st.call(st.global("Key"), "isDown", {16.0})));
}

// Button "b" at (10, 10) and an input field "t" at (60, 60) px, 30x20, holding at most 3
// characters, that traces its text when it changes.
std::vector<uint8_t> field_movie() {
    TestMovie m(8);
    define_shapes(m);
    define_button(m, kButton, {});
    place_at(m, kButton, 1, "b", 10, 10);
    m.action(Asm()
                 .push({P(20), P(30), P(60), P(60), P(5), P("t"), P(6)})
                 .get("_root").push({P("createTextField")}).op(a::CallMethod).op(a::Pop)
                 .set_member("t", "type", P("input"))
                 .set_member("t", "maxChars", P(3))
                 .function("ch", {}, Asm().push({P("changed "), P("t")}).op(a::GetVariable).push({P("text")})
                                         .op(a::GetMember).op(a::Add2).trace())
                 .get("t").push({P("onChanged")}).get("ch").op(a::SetMember));
    m.frame();
    return m.bytes();
}

TEST(Input, TypingGoesIntoTheFocusedInputField) {
    Playing run(field_movie());
    Player& p = run.player;
    p.char_typed('x');  // nothing has focus yet
    p.mouse_down(70, 70);
    p.mouse_up(70, 70);
    for (char c : std::string("abcd")) p.char_typed(uint32_t(c));  // the fourth is over maxChars
    p.char_typed(8);                                               // backspace
    p.key_down(46, 0);                                             // delete at the end: nothing
    run.vm().set(run.vm().get(run.player.scripts()->level(0), run.vm().intern("t")).object(),
                 run.vm().intern("restrict"), run.vm().str("0-9"));
    p.char_typed('z');
    p.char_typed('7');
    EXPECT_EQ(run.lines, (Lines{"changed a", "changed ab", "changed abc", "changed ab", "changed ab7"}));
    // A press elsewhere takes the focus away: typing goes nowhere.
    p.mouse_down(95, 5);
    p.mouse_up(95, 5);
    p.char_typed('1');
    EXPECT_EQ(run.lines.size(), 5u);
}

TEST(Input, CursorShowsWhatIsUnderThePointer) {
    Playing run(field_movie());
    Player& p = run.player;
    EXPECT_EQ(p.cursor(), Player::Cursor::Arrow);
    p.mouse_move(20, 20);
    EXPECT_EQ(p.cursor(), Player::Cursor::Hand);
    p.mouse_move(70, 70);
    EXPECT_EQ(p.cursor(), Player::Cursor::IBeam);
    p.mouse_move(95, 5);
    EXPECT_EQ(p.cursor(), Player::Cursor::Arrow);
    auto& vm = run.vm();
    vm.set(vm.get(p.scripts()->level(0), vm.intern("b")).object(), vm.intern("useHandCursor"), false);
    p.mouse_move(20, 20);
    EXPECT_EQ(p.cursor(), Player::Cursor::Arrow) << "useHandCursor false";
    vm.call_method(vm.get(vm.global, vm.intern("Mouse")), vm.intern("hide"), {});
    EXPECT_EQ(p.cursor(), Player::Cursor::Hidden);
}

TEST(Input, DraggedClipFollowsThePointerAndReportsItsDropTarget) {
    TestMovie m(8);
    define_shapes(m);
    m.sprite(6, 1);
    m.m.place(kUp, 1);
    m.frame().end_sprite();
    m.place(6, 1, "target");
    place_at(m, 6, 2, "drag", 50, 50);
    m.action(Asm().push({P(0)}).get("drag").push({P("startDrag")}).op(a::CallMethod).op(a::Pop));
    m.frame();
    Playing run(m.bytes());
    Player& p = run.player;
    p.mouse_move(60, 60);  // the clip keeps its offset from where the pointer was (0, 0)
    auto& vm = run.vm();
    Object* drag = vm.get(p.scripts()->level(0), vm.intern("drag")).object();
    EXPECT_EQ(vm.trace_string(vm.get(drag, vm.intern("_x"))), "110");
    p.mouse_move(10, 10);
    EXPECT_EQ(vm.trace_string(vm.get(drag, vm.intern("_x"))), "60");
    EXPECT_EQ(vm.trace_string(vm.get(drag, vm.intern("_droptarget"))), "/target");
    p.mouse_move(90, 90);
    EXPECT_EQ(vm.trace_string(vm.get(drag, vm.intern("_droptarget"))), "");
}

}  // namespace
