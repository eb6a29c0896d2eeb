// Keyboard focus: the Tab order (by position, by tabIndex, what is left out), Tab and Shift+Tab,
// the button states and events that go with the focus, Enter and Space on the focused button,
// the focus rectangle, and swfrun's scripted input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "avm1_test_util.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/textfield.h"
#include "swf/focus.h"
#include "swf/paint.h"

namespace {

using namespace avm1test;
using swf::Player;
using swf::avm1::Object;
using swf::avm1::Value;

constexpr uint16_t kSquare = 1, kClip = 2, kBox = 3, kButton = 4, kField = 5, kLabel = 6, kOther = 7;
constexpr int kTab = 9, kEnter = 13, kShift = 16, kSpace = 32;

// DefineButton2 `id` showing the 10-px square in every state, with the given condition actions.
void define_button(TestMovie& m, uint16_t id, const std::vector<std::pair<uint16_t, Asm>>& conds) {
    swftest::Bits b;
    b.u16(id);
    b.u8(0);
    b.u16(0);  // action offset: patched below
    b.u8(0x0F);
    b.u16(kSquare);
    b.u16(1);
    b.matrix(0, 0);
    b.u8(0);  // colour transform without terms
    b.u8(0);
    b.bytes[3] = uint8_t(b.bytes.size() - 3);
    for (size_t i = 0; i < conds.size(); ++i) {
        std::vector<uint8_t> code = conds[i].second.block();
        b.u16(i + 1 < conds.size() ? uint16_t(code.size() + 4) : 0);
        b.u16(conds[i].first);
        b.append(code);
    }
    m.m.tag(34, b.bytes, true);
}

// DefineEditText `id`, 20 x 10 px, without text; an input field unless `read_only`.
void define_field(TestMovie& m, uint16_t id, bool read_only) {
    swftest::Bits b;
    b.u16(id);
    b.rect(0, 400, 0, 200);
    b.u8(read_only ? 0x08 : 0);
    b.u8(0);
    b.str("");
    m.m.tag(37, b.bytes, true);
}

// The 10-px red square, the clip holding it and the box holding that clip as "inner" 20 px down.
void define_parts(TestMovie& m) {
    m.m.shape_rgba(kSquare, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 200, 200), 200);
    m.sprite(kClip, 1);
    m.m.place(kSquare, 1);
    m.frame().end_sprite();
    m.sprite(kBox, 1);
    place_at(m, kClip, 1, "inner", 0, 20);
    m.frame().end_sprite();
}

// obj.name = function () { trace("obj.name"); }
Asm& tracing_handler(Asm& code, const std::string& obj, const std::string& name) {
    return code.get(obj).push({P(name)}).function("", {}, Asm().trace(P(obj + "." + name))).op(a::SetMember);
}

// Five clips placed out of depth order: a, b, c along the top row, d, e below.
std::vector<uint8_t> grid_movie() {
    TestMovie m(8);
    define_parts(m);
    place_at(m, kClip, 1, "c", 50, 10);
    place_at(m, kClip, 2, "e", 30, 40);
    place_at(m, kClip, 3, "b", 30, 10);
    place_at(m, kClip, 4, "d", 10, 40);
    place_at(m, kClip, 5, "a", 10, 10);
    m.frame();
    return m.bytes();
}

// A clip, the box with its inner clip, a button, an input field and a dynamic one.
std::vector<uint8_t> mixed_movie() {
    TestMovie m(8);
    define_parts(m);
    define_button(m, kButton, {});
    define_field(m, kField, false);
    define_field(m, kLabel, true);
    place_at(m, kClip, 1, "clip", 10, 10);
    place_at(m, kBox, 2, "box", 30, 10);  // inner at (30, 30)
    place_at(m, kButton, 3, "btn", 50, 10);
    place_at(m, kField, 4, "field", 10, 50);
    place_at(m, kLabel, 5, "label", 40, 50);
    m.frame();
    return m.bytes();
}

Object* object(Playing& run, const std::string& path) {
    return swf::avm1::resolve_clip_path(run.vm(), nullptr, "_level0." + path, nullptr);
}

void set(Playing& run, const std::string& path, const char* name, const Value& v) {
    run.vm().set(object(run, path), run.vm().intern(name), v);
}

std::string path_of(Playing& run, Object* o) {
    return o ? swf::avm1::display_path(run.vm(), o, false) : "null";
}

Lines order(Playing& run) {
    Lines names;
    for (Object* o : swf::tab_order(run.vm(), {run.player.root()})) names.push_back(path_of(run, o));
    return names;
}

std::string focus(Playing& run) { return path_of(run, swf::avm1::focused_object(run.vm())); }

void press(Player& p, int vk, int ch = 0) {
    p.key_down(vk, ch);
    if (ch) p.char_typed(uint32_t(ch));
    p.key_up(vk);
}

Lines tab_through(Playing& run, int times, bool backwards = false) {
    Lines seen;
    if (backwards) run.player.key_down(kShift, 0);
    for (int i = 0; i < times; ++i) {
        press(run.player, kTab, kTab);
        seen.push_back(focus(run));
    }
    if (backwards) run.player.key_up(kShift);
    return seen;
}

TEST(Focus, AutomaticOrderGoesRowByRowFromTheTop) {
    Playing run(grid_movie());
    for (const char* name : {"a", "b", "c", "d", "e"}) set(run, name, "tabEnabled", true);
    EXPECT_EQ(order(run), (Lines{"_level0.a", "_level0.b", "_level0.c", "_level0.d", "_level0.e"}));
    // The order follows the objects as they move.
    set(run, "d", "_y", 5.0);
    EXPECT_EQ(order(run), (Lines{"_level0.d", "_level0.a", "_level0.b", "_level0.c", "_level0.e"}));
}

TEST(Focus, TabIndexMakesAnOrderOfItsOwn) {
    Playing run(mixed_movie());
    set(run, "field", "tabIndex", 2.0);
    set(run, "btn", "tabIndex", -1.0);  // reads as unset
    set(run, "clip", "tabIndex", 0.0);  // a clip takes part by its tabIndex alone
    EXPECT_EQ(order(run), (Lines{"_level0.clip", "_level0.field"}));
    set(run, "box.inner", "tabIndex", -5.0);
    set(run, "label", "tabIndex", 1.0);  // a dynamic field still stays out
    EXPECT_EQ(order(run), (Lines{"_level0.box.inner", "_level0.clip", "_level0.field"}));
    set(run, "box.inner", "tabIndex", run.vm().str("7"));
    EXPECT_EQ(order(run), (Lines{"_level0.clip", "_level0.field", "_level0.box.inner"}));
}

TEST(Focus, OrderLeavesOutWhatTheKeyboardCannotReach) {
    Playing run(mixed_movie());
    // Clips without button handlers and dynamic fields are never reached.
    EXPECT_EQ(order(run), (Lines{"_level0.btn", "_level0.field"}));
    // A button handler brings a clip in, even one set to undefined; so does tabEnabled.
    set(run, "clip", "onRelease", Value());
    set(run, "box.inner", "tabEnabled", true);
    set(run, "label", "tabEnabled", true);
    EXPECT_EQ(order(run), (Lines{"_level0.clip", "_level0.btn", "_level0.box.inner", "_level0.field"}));
    set(run, "box", "tabChildren", false);
    EXPECT_EQ(order(run), (Lines{"_level0.clip", "_level0.btn", "_level0.field"}));
    set(run, "btn", "enabled", false);
    set(run, "field", "tabEnabled", false);
    EXPECT_EQ(order(run), (Lines{"_level0.clip"}));
    set(run, "clip", "_visible", false);
    EXPECT_EQ(order(run), Lines{});
    set(run, "clip", "_visible", true);
    run.vm().set(run.player.scripts()->level(0), run.vm().intern("tabChildren"), false);
    EXPECT_EQ(order(run), Lines{});
}

TEST(Focus, TabAndShiftTabWalkTheOrderAndWrapAround) {
    Playing run(grid_movie());
    for (const char* name : {"a", "b", "c", "d", "e"}) set(run, name, "tabEnabled", true);
    EXPECT_EQ(tab_through(run, 6), (Lines{"_level0.a", "_level0.b", "_level0.c", "_level0.d", "_level0.e", "_level0.a"}));
    EXPECT_EQ(tab_through(run, 2, true), (Lines{"_level0.e", "_level0.d"}));
    // From an object out of the order, Tab starts at the first and Shift+Tab at the last.
    set(run, "b", "tabEnabled", false);
    set(run, "b", "focusEnabled", true);
    run.vm().call_method(run.vm().get(run.vm().global, run.vm().intern("Selection")), run.vm().intern("setFocus"),
                         {object(run, "b")});
    EXPECT_EQ(focus(run), "_level0.b");
    EXPECT_EQ(tab_through(run, 1, true), (Lines{"_level0.e"}));
    set(run, "c", "tabIndex", 1.0);  // the only stop: Tab keeps the focus there
    EXPECT_EQ(tab_through(run, 2), (Lines{"_level0.c", "_level0.c"}));
}

TEST(Focus, TabNeverReachesTheFocusedField) {
    TestMovie m(8);
    define_parts(m);
    define_field(m, kField, false);
    place_at(m, kField, 1, "one", 10, 10);
    place_at(m, kField, 2, "two", 10, 40);
    m.frame();
    Playing run(m.bytes());
    tab_through(run, 1);
    press(run.player, 'A', 'a');
    tab_through(run, 1);
    auto text = [&](const char* name) {
        return swf::avm1::utf16_to_utf8(swf::avm1::field_state(run.vm(), object(run, name))->content.text());
    };
    EXPECT_EQ(focus(run), "_level0.two");
    EXPECT_EQ(text("one"), "a");
    EXPECT_EQ(text("two"), "");
}

// A button "btn" tracing its transitions, a clip "clip" tracing its handlers, both tabbable, and
// a Key listener; frame 2 focuses the button from a script.
std::vector<uint8_t> events_movie(bool enter_key_press = false) {
    TestMovie m(8);
    define_parts(m);
    define_button(m, kButton,
                  {{0x1, Asm().trace(P("btn rollOver"))}, {0x2, Asm().trace(P("btn rollOut"))},
                   {0x4, Asm().trace(P("btn press"))}, {0x8, Asm().trace(P("btn release"))}});
    define_button(m, kOther, {{13 << 9, Asm().trace(P("enter key"))}});
    place_at(m, kButton, 1, "btn", 10, 10);
    place_at(m, kClip, 2, "clip", 30, 10);
    if (enter_key_press) place_at(m, kOther, 3, "other", 70, 70);
    Asm code;
    for (const char* h : {"onSetFocus", "onKillFocus", "onKeyDown", "onKeyUp"}) tracing_handler(code, "btn", h);
    for (const char* h : {"onSetFocus", "onKillFocus", "onRollOver", "onRollOut", "onPress", "onRelease", "onKeyDown", "onKeyUp"})
        tracing_handler(code, "clip", h);
    code.new_object("keys");
    tracing_handler(code, "keys", "onKeyDown");
    code.get("keys").call_method("Key", "addListener", 1).op(a::Pop);
    m.action(code);
    m.frame();
    m.action(Asm().get("btn").call_method("Selection", "setFocus", 1).op(a::Pop).trace(P("set")));
    m.frame();
    return m.bytes();
}

TEST(Focus, ButtonsRollWithTheFocus) {
    Playing run(events_movie());
    run.advance();  // the script's focus: the rolls wait for the script to end
    EXPECT_EQ(run.lines, (Lines{"btn.onSetFocus", "set", "btn rollOver"}));
    run.lines.clear();
    // Tab: the states change first, then the focus events; the keys go to the focused object.
    press(run.player, kTab, kTab);
    EXPECT_EQ(run.lines, (Lines{"btn.onKeyDown", "keys.onKeyDown", "btn rollOut", "clip.onRollOver",
                                "btn.onKillFocus", "clip.onSetFocus", "clip.onKeyUp"}));
    run.lines.clear();
    // Once the pointer moves the focus no longer shows: the keys go to the listeners alone, and
    // the pointer takes the "over" state.
    run.player.mouse_move(90, 90);
    press(run.player, 'A', 'a');
    EXPECT_EQ(run.lines, (Lines{"clip.onRollOut", "keys.onKeyDown"}));
    run.lines.clear();
    // A press elsewhere takes the focus away.
    run.player.mouse_down(90, 90);
    run.player.mouse_up(90, 90);
    EXPECT_EQ(run.lines, (Lines{"clip.onKillFocus"}));
    EXPECT_EQ(focus(run), "null");
}

TEST(Focus, EnterAndSpacePressTheFocusedButton) {
    Playing run(events_movie(true));
    run.advance();
    run.lines.clear();
    press(run.player, kSpace, ' ');
    EXPECT_EQ(run.lines, (Lines{"btn.onKeyDown", "keys.onKeyDown", "btn press", "btn release", "btn.onKeyUp"}));
    run.lines.clear();
    // A keyPress condition for the key comes first and takes it.
    press(run.player, kEnter, 13);
    EXPECT_EQ(run.lines, (Lines{"btn.onKeyDown", "keys.onKeyDown", "enter key", "btn.onKeyUp"}));
    run.lines.clear();
    press(run.player, kTab, kTab);
    run.lines.clear();
    press(run.player, kSpace, ' ');
    EXPECT_EQ(run.lines, (Lines{"clip.onKeyDown", "keys.onKeyDown", "clip.onPress", "clip.onRelease", "clip.onKeyUp"}));
    run.lines.clear();
    // Without the focus rectangle the keys only reach the handlers.
    run.vm().set(run.player.scripts()->level(0), run.vm().intern("_focusrect"), false);
    press(run.player, kSpace, ' ');
    EXPECT_EQ(run.lines, (Lines{"clip.onKeyDown", "keys.onKeyDown", "clip.onKeyUp"}));
}

uint32_t pixel(const std::vector<uint32_t>& px, int width, int x, int y) { return px[size_t(y) * width + x]; }

TEST(Focus, RectangleFramesTheKeyboardFocusOnly) {
    Playing run(grid_movie());
    set(run, "a", "tabEnabled", true);
    Player& p = run.player;
    constexpr uint32_t yellow = 0xFFFFFF00, red = 0xFFFF0000;
    std::vector<uint32_t> px(100 * 100);
    auto render = [&](int size) {
        px.assign(size_t(size) * size, 0);
        p.render({px.data(), size, size, size * 4});
    };
    press(p, kTab, kTab);
    render(100);
    // The square "a" covers (10, 10) to (20, 20): a 3-px frame inside it, drawn over it.
    for (auto [x, y] : {std::pair{10, 10}, {19, 19}, {12, 15}, {15, 17}}) EXPECT_EQ(pixel(px, 100, x, y), yellow) << x << "," << y;
    EXPECT_EQ(pixel(px, 100, 13, 13), red);
    EXPECT_EQ(pixel(px, 100, 9, 9), 0xFFFFFFFF);
    // Scaled twice, the frame is twice as wide.
    render(200);
    EXPECT_EQ(pixel(px, 200, 25, 30), yellow);
    EXPECT_EQ(pixel(px, 200, 26, 30), red);
    // A pointer press takes it away; Tab brings it back unless _focusrect is off.
    p.mouse_down(90, 90);
    p.mouse_up(90, 90);
    render(100);
    EXPECT_EQ(pixel(px, 100, 10, 10), red);
    press(p, kTab, kTab);
    run.vm().set(p.scripts()->level(0), run.vm().intern("_focusrect"), false);
    render(100);
    EXPECT_EQ(pixel(px, 100, 10, 10), red);
}

TEST(Focus, FrameIsClippedToTheCanvas) {
    std::vector<uint32_t> px(8 * 8, 0);
    const swf::Canvas canvas{px.data(), 8, 8, 8};
    swf::draw_focus_frame(canvas, swf::Rect{-4, 6, 2, 20}, 2);
    EXPECT_EQ(pixel(px, 8, 0, 2), 0xFFFFFF00u);  // top edge, its left end off the canvas
    EXPECT_EQ(pixel(px, 8, 5, 7), 0xFFFFFF00u);  // right edge
    EXPECT_EQ(pixel(px, 8, 3, 5), 0u);           // inside
    EXPECT_EQ(pixel(px, 8, 6, 3), 0u);           // outside
    swf::draw_focus_frame(canvas, swf::Rect{7, 7, 5, 8}, 2);  // empty: nothing
    EXPECT_EQ(pixel(px, 8, 7, 6), 0u);
}

#ifndef _WIN32
TEST(Swfrun, InputScriptPlaysBetweenFrames) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("plumora-input-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // Four frames; a Key and a Mouse listener trace what they hear and the frame it came in.
    TestMovie m(8);
    Asm code;
    code.new_object("l");
    for (const char* h : {"onKeyDown", "onMouseDown"})
        code.get("l").push({P(h)})
            .function("", {}, Asm().push({P(std::string(h) + " ")}).call_method("Key", "getCode").op(a::Add2)
                                  .push({P(" ")}).op(a::Add2).member("_root", "_xmouse").op(a::Add2)
                                  .push({P(" @")}).op(a::Add2).member("_root", "_currentframe").op(a::Add2).trace())
            .op(a::SetMember);
    code.get("l").call_method("Key", "addListener", 1).op(a::Pop);
    code.get("l").call_method("Mouse", "addListener", 1).op(a::Pop);
    m.action(code);
    for (int i = 0; i < 4; ++i) m.frame();
    const std::vector<uint8_t> movie = m.bytes();
    std::ofstream(dir / "movie.swf", std::ios::binary).write(reinterpret_cast<const char*>(movie.data()), std::streamsize(movie.size()));
    auto run = [&](const std::string& script) {
        std::ofstream(dir / "in.events") << script;
        const std::string cmd = std::string(PLUMORA_SWFRUN) + " --frames 4 --trace --input " + (dir / "in.events").string() +
                                " " + (dir / "movie.swf").string() + " >" + (dir / "out.txt").string() + " 2>/dev/null";
        const int status = std::system(cmd.c_str());
        std::ifstream in(dir / "out.txt");
        Lines lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return std::pair{status, lines};
    };
    auto [status, lines] = run("# a comment, then a blank line\n\nkey 65 97\nwait 2\n  move 30 5\ndown 30 5 # held\nkeydown 66\nwait 9\nkeyup 66\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lines, (Lines{"onKeyDown 65 0 @1", "onMouseDown 65 30 @3", "onKeyDown 66 30 @3"}));
    EXPECT_NE(run("key 65\nmove 1\n").first, 0) << "a position needs two numbers";
    EXPECT_NE(run("jump 3\n").first, 0);
    fs::remove_all(dir);
}
#endif

}  // namespace
