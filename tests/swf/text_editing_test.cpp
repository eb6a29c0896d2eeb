// Editing input fields as a desktop text box edits: the caret and selection by keys and by the
// pointer, typing and deleting, the clipboard under the field's rules, and what is drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1_test_util.h"
#include "swf/text_editing.h"

namespace {

using namespace avm1test;
using swf::Player;
using swf::avm1::Value;

constexpr int kVkShift = 16, kVkCtrl = 17, kVkEnd = 35, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39,
              kVkDown = 40, kVkInsert = 45, kVkDelete = 46, kVkBack = 8;

// DefineFont2 "Mono": every glyph 10 px wide at 20 px (512 of 1024 units), drawn as a box 5 px
// wide; ascent 15 px and descent 5 px, so lines are 20 px apart.
std::vector<uint8_t> mono_font(uint16_t id) {
    return swftest::box_font(id, "Mono", " *.0123456789abcdefghijklmnopqrstuvwxyz", 512, 768, 256);
}

struct Field {
    std::string name;
    int x = 0, y = 0, w = 150, h = 25;  // pixels
    std::string text;
    bool multiline = false, password = false, no_select = false;
};

// DefineEditText in Mono at 20 px, black, embedded outlines, editable, from the top left of
// its box: the first letter starts 2 px in and the first line's top is 2 px down.
std::vector<uint8_t> edit_text(uint16_t id, const Field& f) {
    swftest::Bits b;
    b.u16(id);
    b.rect(0, f.w * 20, 0, f.h * 20);
    b.u8(uint8_t(0x01 | 0x04 | (f.text.empty() ? 0 : 0x80) | (f.multiline ? 0x20 : 0) | (f.password ? 0x10 : 0)));
    b.u8(uint8_t(0x01 | (f.no_select ? 0x10 : 0)));
    b.u16(1);
    b.u16(400);
    b.u8(0), b.u8(0), b.u8(0), b.u8(255);
    b.str("");
    if (!f.text.empty()) b.str(f.text);
    return b.bytes;
}

// A white 200 x 100 px stage holding the fields; every field traces "name: text" when it
// changes.
std::vector<uint8_t> fields_movie(const std::vector<Field>& fields) {
    swftest::Movie m(200, 100, 8);
    m.background(255, 255, 255);
    m.tag(48, mono_font(1), true);
    uint16_t id = 10;
    Asm script;
    for (const Field& f : fields) {
        m.tag(37, edit_text(id, f), true);
        swftest::Bits place;
        place.u8(0x02 | 0x04 | 0x20);
        place.u16(id);
        place.u16(id);
        place.matrix(f.x * 20, f.y * 20);
        place.str(f.name);
        m.tag(26, place.bytes);
        script.function("ch_" + f.name, {},
                        Asm().push({P(f.name + ": "), P(f.name)}).op(a::GetVariable).push({P("text")})
                            .op(a::GetMember).op(a::Add2).trace())
            .get(f.name).push({P("onChanged")}).get("ch_" + f.name).op(a::SetMember);
        ++id;
    }
    m.tag(12, script.block(), true);
    m.show_frame();
    return m.fws();
}

// A playing movie with keys, clicks and the field's state at hand.
struct Editing {
    explicit Editing(const std::vector<Field>& fields) : run(fields_movie(fields)), p(run.player) {}

    void key(int vk, bool shift = false, bool ctrl = false) {
        if (shift) p.key_down(kVkShift, 0);
        if (ctrl) p.key_down(kVkCtrl, 0);
        p.key_down(vk, 0);
        p.key_up(vk);
        if (ctrl) p.key_up(kVkCtrl);
        if (shift) p.key_up(kVkShift);
    }
    void ctrl(char letter) { key(letter, false, true); }
    void type(const std::string& s) {
        for (char c : s) p.char_typed(uint32_t(uint8_t(c)));
    }
    void click(int x, int y, bool shift = false) {
        if (shift) p.key_down(kVkShift, 0);
        p.mouse_down(x, y);
        p.mouse_up(x, y);
        if (shift) p.key_up(kVkShift);
    }
    // "begin end caret" as Selection reports them.
    std::string selection() {
        auto& vm = run.vm();
        const Value sel = vm.get(vm.global, vm.intern("Selection"));
        auto index = [&](const char* m) { return vm.trace_string(vm.call_method(sel, vm.intern(m), {})); };
        return index("getBeginIndex") + " " + index("getEndIndex") + " " + index("getCaretIndex");
    }
    Value field(const char* name) { return run.vm().get(p.scripts()->level(0), run.vm().intern(name)); }
    std::string text(const char* name) {
        return run.vm().trace_string(run.vm().get(field(name), run.vm().intern("text")));
    }
    void set(const char* name, const char* prop, const Value& v) {
        run.vm().set(field(name).object(), run.vm().intern(prop), v);
    }

    Playing run;
    Player& p;
};

// "abc def" over "ghi": letters are 10 px from x = 2 px; lines 20 px apart from y = 2 px.
const Field kTwoLines{"t", 0, 0, 150, 60, "abc def\rghi", true};

// Keys pressed one after another and the selection after each.
struct Step {
    int vk;
    bool shift, ctrl;
    const char* selection;
};
void expect_steps(Editing& e, std::initializer_list<Step> steps) {
    for (const Step& s : steps) {
        e.key(s.vk, s.shift, s.ctrl);
        EXPECT_EQ(e.selection(), s.selection) << "key " << s.vk << (s.shift ? " shift" : "") << (s.ctrl ? " ctrl" : "");
    }
}

TEST(TextEditing, KeysMoveTheCaretByCharactersWordsAndLines) {
    Editing e({kTwoLines});
    e.click(3, 10);
    EXPECT_EQ(e.selection(), "0 0 0");
    expect_steps(e, {
        {kVkEnd, false, false, "7 7 7"},    // the end of the first line, before its break
        {kVkRight, false, false, "8 8 8"},  // over the break to the next line
        {kVkLeft, false, false, "7 7 7"},
        {kVkHome, false, false, "0 0 0"},
        {kVkRight, false, true, "4 4 4"},   // to the next word
        {kVkRight, false, true, "7 7 7"},   // the end of the line's last word
        {kVkRight, false, true, "8 8 8"},   // a break is a word of its own
        {kVkLeft, false, true, "7 7 7"},
        {kVkLeft, false, true, "4 4 4"},
        {kVkLeft, false, true, "0 0 0"},
        {kVkRight, false, false, "1 1 1"},
        {kVkDown, false, false, "9 9 9"},   // the same column on the next line
        {kVkUp, false, false, "1 1 1"},
        {kVkUp, false, false, "1 1 1"},     // no line above
        {kVkEnd, false, true, "11 11 11"},  // the end of the text
        {kVkHome, false, true, "0 0 0"},
    });
    // Up and Down keep aiming at the column they started from over a shorter line.
    for (int i = 0; i < 6; ++i) e.key(kVkRight);
    expect_steps(e, {{kVkDown, false, false, "11 11 11"}, {kVkUp, false, false, "6 6 6"}});
    EXPECT_TRUE(e.run.lines.empty()) << "moving changes nothing";
}

TEST(TextEditing, ShiftExtendsTheSelectionFromWhereItStarted) {
    Editing e({kTwoLines});
    e.click(13, 10);  // after "a"
    expect_steps(e, {
        {kVkEnd, true, false, "1 7 7"},
        {kVkLeft, true, false, "1 6 6"},
        {kVkHome, true, false, "0 1 0"},  // back past where it started: the caret is the start
        {kVkDown, true, false, "1 8 8"},
        {kVkRight, true, true, "1 11 11"},
        {kVkLeft, false, false, "1 1 1"},  // an arrow without Shift collapses to its side
        {kVkEnd, true, false, "1 7 7"},
        {kVkRight, false, false, "7 7 7"},
    });
    e.ctrl('A');
    EXPECT_EQ(e.selection(), "0 11 11");
}

TEST(TextEditing, TypingAndDeletingTellOnChangedEachTime) {
    Editing e({kTwoLines, {"s", 0, 70, 150, 25, "one"}});
    e.click(3, 10);
    e.key(kVkRight, true), e.key(kVkRight, true);  // "ab" selected
    e.type("x");                                   // replaces it
    e.key(kVkDelete);                              // "c"
    e.p.char_typed(8);                             // backspace: "x"
    e.key(kVkDelete);                              // " "
    e.key(kVkEnd);
    e.p.char_typed(13);                            // Enter breaks the line
    e.key(kVkBack, false, true);                   // Ctrl+Backspace: back over the new break
    e.key(kVkBack, false, true);                   // and the word "def"
    e.key(kVkDelete, false, true);                 // Ctrl+Delete: the next "word", the break
    e.key(kVkDelete);                              // "g"
    EXPECT_EQ(e.run.lines, (Lines{"t: xc def\rghi", "t: x def\rghi", "t:  def\rghi", "t: def\rghi",
                                  "t: def\r\rghi", "t: def\rghi", "t: \rghi", "t: ghi", "t: hi"}));
    e.run.lines.clear();
    e.p.char_typed(1);       // Ctrl+A's character types nothing
    e.p.char_typed(127);     // nor does Ctrl+Backspace's
    e.key(kVkHome);
    e.p.char_typed(8);       // nothing before the caret
    EXPECT_TRUE(e.run.lines.empty());

    // A single-line field takes no line break; a character outside the basic plane goes in as
    // a surrogate pair that the caret and Backspace treat as one.
    e.click(140, 80);
    e.p.char_typed(13);
    e.p.char_typed(0x1F600);
    EXPECT_EQ(e.run.lines, (Lines{"s: one\xF0\x9F\x98\x80"}));
    EXPECT_EQ(e.selection(), "5 5 5");
    e.key(kVkLeft);
    EXPECT_EQ(e.selection(), "3 3 3");
    e.key(kVkRight);
    e.p.char_typed(8);
    EXPECT_EQ(e.text("s"), "one");
}

TEST(TextEditing, ClipboardCarriesTextUnderTheTargetFieldsRules) {
    Editing e({{"a", 0, 0, 150, 45, "ab12\rcd", true},
               {"b", 0, 50, 150, 20, ""},
               {"p", 0, 75, 60, 20, "secret", false, true},
               {"n", 100, 75, 60, 20, "hidden", false, false, true}});
    std::u16string host = u"before";
    int writes = 0;
    e.p.set_clipboard([&] { return host; }, [&](const std::u16string& s) { host = s, ++writes; });
    e.set("b", "restrict", e.run.vm().str("a-z"));
    e.set("b", "maxChars", 4.0);

    e.click(3, 10);
    e.ctrl('A'), e.ctrl('C');
    EXPECT_EQ(host, u"ab12\ncd") << "line breaks go out as \\n";
    e.click(3, 60);
    e.ctrl('V');  // digits and the break are dropped, and it stops at four characters
    EXPECT_EQ(e.text("b"), "abcd");
    e.ctrl('V');  // full
    e.key(kVkLeft, true), e.key(kVkLeft, true);
    e.key(kVkInsert, false, true);  // Ctrl+Insert copies
    EXPECT_EQ(host, u"cd");
    e.key(kVkDelete, true);  // Shift+Delete cuts
    EXPECT_EQ(e.text("b"), "ab");
    e.key(kVkInsert, true);  // Shift+Insert pastes
    e.key(kVkHome), e.key(kVkRight, true);
    e.ctrl('X');
    EXPECT_EQ(host, u"a");
    EXPECT_EQ(e.run.lines, (Lines{"b: abcd", "b: ab", "b: abcd", "b: bcd"}));

    // A password field gives nothing out but takes what is pasted.
    writes = 0;
    e.run.lines.clear();
    e.click(5, 85);
    e.ctrl('A'), e.ctrl('C'), e.ctrl('X');
    e.key(kVkInsert, false, true);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(e.text("p"), "secret");
    e.ctrl('V');
    EXPECT_EQ(e.run.lines, (Lines{"p: a"}));
    // A field that cannot be selected neither selects all nor copies.
    e.click(105, 85);
    e.ctrl('A'), e.ctrl('C');
    EXPECT_EQ(writes, 0);
    // Pasting into a multiline field keeps its line breaks, each "\r\n" one break.
    host = u"x\r\ny\nz";
    e.click(3, 10);
    e.ctrl('A'), e.ctrl('V');
    EXPECT_EQ(e.run.lines.back(), "a: x\ry\rz");
}

TEST(TextEditing, WithoutAHostClipboardThePlayerKeepsItsOwn) {
    Editing e({kTwoLines});
    e.click(3, 10);
    e.key(kVkRight, true, true);  // "abc "
    e.ctrl('C');
    e.key(kVkEnd, false, true);
    e.ctrl('V');
    EXPECT_EQ(e.text("t"), "abc def\rghiabc ");
}

TEST(TextEditing, ThePointerPlacesTheCaretAndDragsASelection) {
    Editing e({kTwoLines});
    struct Press {
        int x, y;
        const char* selection;
    };
    // "c" spans 22-32 px: its left half puts the caret before it, its right half after.
    // Presses in a row stay apart, or they would make double clicks.
    const Press presses[] = {{26, 10, "2 2 2"}, {14, 30, "9 9 9"}, {28, 10, "3 3 3"}, {120, 10, "7 7 7"},
                             {120, 55, "11 11 11"}, {1, 1, "0 0 0"}};
    for (const Press& at : presses) {
        e.click(at.x, at.y);
        EXPECT_EQ(e.selection(), at.selection) << at.x << ", " << at.y;
    }
    e.p.mouse_down(23, 10);
    e.p.mouse_move(45, 10);
    EXPECT_EQ(e.selection(), "2 4 4");
    e.p.mouse_move(14, 30);
    e.p.mouse_up(14, 30);
    EXPECT_EQ(e.selection(), "2 9 9");
    e.p.mouse_move(150, 10);  // the button is up: nothing follows
    EXPECT_EQ(e.selection(), "2 9 9");
    e.click(3, 10, true);  // Shift+press extends from the same start
    EXPECT_EQ(e.selection(), "0 2 0");

    // A double click takes the word; dragging on grows the selection by words.
    e.click(55, 10);
    e.p.mouse_down(55, 10);
    EXPECT_EQ(e.selection(), "4 7 7");
    e.p.mouse_move(3, 10);
    e.p.mouse_up(3, 10);
    EXPECT_EQ(e.selection(), "0 7 0");

    // The caret in window pixels, for an input method's window.
    e.click(26, 10);
    swf::Rect caret;
    ASSERT_TRUE(e.p.caret_rect(caret));
    EXPECT_EQ(caret, (swf::Rect{22, 23, 2, 22}));
}

// Pixels of the stage as 0xRRGGBB.
std::vector<uint32_t> render(Player& p) {
    std::vector<uint32_t> px(200 * 100);
    swf::RenderTarget t;
    t.pixels = px.data();
    t.width = 200, t.height = 100, t.stride = 200 * 4;
    p.set_quality(swf::Quality::Low);
    p.render(t);
    for (uint32_t& v : px) v &= 0xFFFFFF;
    return px;
}

TEST(TextEditing, TheFocusedFieldShowsItsCaretAndSelection) {
    Editing e({kTwoLines, {"s", 0, 70, 150, 25, "x"}});
    auto at = [](const std::vector<uint32_t>& px, int x, int y) { return px[size_t(y) * 200 + x]; };
    constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;
    e.click(120, 10);  // the caret after "def", at 72 px
    auto px = render(e.p);
    EXPECT_EQ(at(px, 72, 10), kBlack) << "caret";
    EXPECT_EQ(at(px, 29, 10), kWhite) << "between letters";
    EXPECT_EQ(at(px, 24, 10), kBlack) << "the letter c";
    e.ctrl('A');
    px = render(e.p);
    EXPECT_EQ(at(px, 29, 10), kBlack) << "highlight between letters";
    EXPECT_EQ(at(px, 24, 10), kWhite) << "a selected letter";
    EXPECT_EQ(at(px, 76, 10), kWhite) << "past the line's end";
    // Focus elsewhere: plain text again.
    e.click(50, 80);
    px = render(e.p);
    EXPECT_EQ(at(px, 29, 10), kWhite);
    EXPECT_EQ(at(px, 24, 10), kBlack);
    EXPECT_EQ(at(px, 72, 10), kWhite) << "no caret in a field without focus";
}

TEST(TextEditing, WordsAndRestrictRules) {
    const std::u16string t = u"ab, cd\r\ref_9";
    struct Case {
        size_t from, next, previous, word_begin, word_end;
    };
    const Case cases[] = {
        {0, 2, 0, 0, 2},    // "ab": next is the comma
        {2, 4, 0, 2, 3},    // ", " then "cd"
        {4, 6, 2, 4, 6},
        {6, 7, 4, 4, 6},    // at a break: the word before it
        {7, 8, 6, 7, 7},    // an empty line
        {8, 12, 7, 8, 12},  // letters, digits and '_' make one word
        {12, 12, 8, 8, 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(swf::next_word(t, c.from), c.next) << c.from;
        EXPECT_EQ(swf::previous_word(t, c.from), c.previous) << c.from;
        const swf::TextSelection w = swf::word_at(t, c.from);
        EXPECT_EQ(w.begin(), c.word_begin) << c.from;
        EXPECT_EQ(w.end(), c.word_end) << c.from;
    }
    struct Rule {
        const char16_t* rule;
        char32_t c;
        bool allowed;
    };
    const Rule rules[] = {
        {u"a-z", U'q', true}, {u"a-z", U'Q', false}, {u"^0-9", U'x', true}, {u"^0-9", U'5', false},
        {u"a-z^q", U'q', false}, {u"\\-", U'-', true}, {u"", U'a', false}, {u"\\^a", U'^', true},
    };
    for (const Rule& r : rules) EXPECT_EQ(swf::restrict_allows(r.rule, r.c), r.allowed) << int(r.c);
}

}  // namespace
