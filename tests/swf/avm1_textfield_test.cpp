// Text fields: formatted text runs, the htmlText subset both ways, line measurement, and the
// TextFormat class as scripts use it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "avm1_test_util.h"
#include "swf/avm1/convert.h"
#include "swf/avm1/textfield.h"

namespace swf::avm1 {
namespace {

using avm1test::Playing;
using avm1test::TestMovie;

std::u16string u16(const std::string& s) { return utf8_to_utf16(s); }
std::string u8(const std::u16string& s) { return utf16_to_utf8(s); }

TextFormat noto6() {
    TextFormat f = default_field_format();
    f.font = "Noto Sans";
    f.size = 6;
    return f;
}

// The text as the test tables write it: breaks shown as "\r".
std::string shown(const std::u16string& s) {
    std::string out;
    for (char c : u8(s)) out += c == '\r' ? std::string("\\r") : std::string(1, c);
    return out;
}

const char* kP = "<P ALIGN=\"LEFT\"><FONT FACE=\"Noto Sans\" SIZE=\"6\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">";
const char* kLi = "<LI><FONT FACE=\"Noto Sans\" SIZE=\"6\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">";

std::string para(const std::string& inner) { return kP + inner + "</FONT></P>"; }
std::string item(const std::string& inner) { return kLi + inner + "</FONT></LI>"; }

struct HtmlCase {
    const char* html;
    bool multiline;
    std::string text;      // with "\r" written out
    std::string html_out;  // what htmlText reads back
};

TEST(Avm1TextField, HtmlReadsAndWritesBack) {
    const HtmlCase cases[] = {
        // Whitespace-only text between tags is dropped; newlines in text are breaks.
        {"   \n ", false, "", ""},
        {" test ", false, " test ", para(" test ")},
        {"\ntest\n", false, "\\rtest\\r", para("") + para("test")},
        {"<b> </b>", false, "", ""},
        // Paragraph and list ends break only in multiline fields; an item starts a line.
        {"<p>test</p>\n", false, "test", para("test")},
        {"<p>test</p>\n", true, "test\\r", para("test")},
        {"<p>first</p><li>second</li>", true, "first\\rsecond\\r", para("first") + item("second")},
        {"text<li>a<li>b</li>c</li>", true, "text\\ra\\rb\\rc\\r", para("text") + item("a") + item("b") + item("c")},
        {"<p>a<p>b<p>c</p>d</p>e</p>", true, "abc\\rde", para("abc") + para("de")},
        {"<p><p><li>test</li></p></p>", true, "test\\r\\r", item("test") + para("")},
        {"<li>test</li>", false, "test", item("test")},
        {"line 1 <br> line 2", true, "line 1 \\r line 2", para("line 1 ") + para(" line 2")},
        {"line 1 <br> line 2", false, "line 1  line 2", para("line 1  line 2")},
        // Character formats nest B, I, U inside A inside FONT, whatever order they came in.
        {"<u><i><b>test</b></i></u>", false, "test", para("<B><I><U>test</U></I></B>")},
        {"<i><a href=\"http://x/\"><b>t</b></a></i>", false, "t",
         para("<A HREF=\"http://x/\" TARGET=\"\"><B><I>t</I></B></A>")},
        // A closing tag only closes the innermost element.
        {"<b>a<i>b</b>c</i>d</b>e", false, "abcde", para("<B>a</B><B><I>bc</I></B><B>d</B>e")},
        // Font levels: back out to an equal enclosing one, else nest the difference.
        {"<font face=\"Noto Sans\">test <font color=\"#aaaaaa\">test <font size=\"16\">test</font></font> test</font>",
         false, "test test test test",
         para("test <FONT COLOR=\"#AAAAAA\">test <FONT SIZE=\"16\">test</FONT></FONT> test")},
        {"test <font color=\"#aaaaaa\">test</font><font size=\"16\">test</font>", false, "test testtest",
         para("test <FONT COLOR=\"#AAAAAA\">test<FONT SIZE=\"16\" COLOR=\"#000000\">test</FONT></FONT>")},
        // Sizes: leading digits, relative with a sign, 1 to 127.
        {"<font size=\"12\">a<font size=\"-1\">b</font></font>", false, "ab",
         "<P ALIGN=\"LEFT\"><FONT FACE=\"Noto Sans\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\">a<FONT SIZE=\"11\">b</FONT></FONT></P>"},
        {"<font size=\"1.9\">a</font><font size=\"0\">b</font><font size=\"x\">c</font>", false, "abc",
         "<P ALIGN=\"LEFT\"><FONT FACE=\"Noto Sans\" SIZE=\"1\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\">ab<FONT SIZE=\"6\">c</FONT></FONT></P>"},
        // Paragraph formats come from the paragraph's first character.
        {"<p align=\"right\">a</p><p align=\"left\">b</p>", false, "ab",
         "<P ALIGN=\"RIGHT\"><FONT FACE=\"Noto Sans\" SIZE=\"6\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\">ab</FONT></P>"},
        {"<textformat leftmargin=\"1\">a</textformat><textformat rightmargin=\"1\">b</textformat>", false, "ab",
         "<TEXTFORMAT LEFTMARGIN=\"1\">" + para("ab") + "</TEXTFORMAT>"},
        // A paragraph end takes the characters' format of the last <font> closed.
        {"<p>test<font color=\"#121212\"></font><p>test</p></p>", true, "testtest\\r",
         para("testtest<FONT COLOR=\"#121212\"></FONT>")},
        {"<b><p align=\"right\"></p></b>", true, "\\r",
         "<P ALIGN=\"RIGHT\"><FONT FACE=\"Noto Sans\" SIZE=\"6\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\"></FONT></P>"},
        // Entities in text and attributes; text written back escaped.
        {"&amp;&lt;p&gt;&quot;&apos;&#65;&unknown;", false, "&<p>\"'A&unknown;",
         para("&amp;&lt;p&gt;&quot;&apos;A&amp;unknown;")},
    };
    for (const HtmlCase& c : cases) {
        HtmlOptions o;
        o.multiline = c.multiline;
        const FieldText t = parse_html(u16(c.html), noto6(), o);
        EXPECT_EQ(shown(t.text()), c.text) << c.html << (c.multiline ? " (multiline)" : "");
        EXPECT_EQ(u8(write_html(t)), c.html_out) << c.html << (c.multiline ? " (multiline)" : "");
    }
}

TEST(Avm1TextField, CondenseWhiteFollowsTheVersion) {
    struct Case {
        const char* html;
        int version;
        std::string text;
    };
    const Case cases[] = {
        // SWF7 collapses runs inside a piece of text and still drops whitespace-only pieces.
        {"\n \tasdf \t  \n", 7, " asdf "},
        {"<b>test</b> \n", 7, "test"},
        // SWF8 condenses across tags, dropping a space at a paragraph's start or after a space.
        {"\n \tasdf \t  \n", 8, "asdf "},
        {"<b>test</b> \n", 8, "test "},
        {" <b> </b> ", 8, ""},
        {"test\n \ntest \n", 8, "test test "},
    };
    for (const Case& c : cases) {
        HtmlOptions o;
        o.condense_white = true;
        o.version = c.version;
        EXPECT_EQ(shown(parse_html(u16(c.html), noto6(), o).text()), c.text) << c.html << " in SWF" << c.version;
    }
}

TEST(Avm1TextField, FormatsApplyToRangesAndWholeParagraphs) {
    FieldText t;
    t.append(u"ab\rcd", noto6());
    TextFormat bold;
    bold.bold = true;
    t.apply(1, 2, bold);
    EXPECT_TRUE(t.format_at(1).bold.value());
    EXPECT_FALSE(t.format_at(2).bold.value());
    EXPECT_FALSE(t.common_format(0, 2).bold.has_value()) << "members that differ read as null";
    EXPECT_EQ(t.common_format(0, 2).font, std::optional<std::string>("Noto Sans"));

    TextFormat center;
    center.align = TextAlign::Center;
    t.apply(1, 2, center);  // one character, but the whole first paragraph
    EXPECT_EQ(t.format_at(0).align, TextAlign::Center);
    EXPECT_EQ(t.format_at(2).align, TextAlign::Center) << "the break belongs to its paragraph";
    EXPECT_EQ(t.format_at(3).align, TextAlign::Left);

    t.replace(1, 4, u"XY", noto6());
    EXPECT_EQ(u8(t.text()), "aXYd");
    EXPECT_FALSE(t.format_at(1).bold.value());
    EXPECT_EQ(t.format_at(99).font, std::optional<std::string>("Noto Sans")) << "past the end: the last character";
    EXPECT_EQ(u8(field_newlines(u"a\r\nb\nc")), "a\r\rb\rc");
}

// ---------------------------------------------------------------------------------------------
// Fields in a playing movie
// ---------------------------------------------------------------------------------------------

// DefineFont3 "Box" with layout: em 20480, ascent 0.8 em, descent 0.2 em; 'a' half an em wide,
// 'b' and ' ' a quarter, 'c' 7000 units (not a whole twip at 20 points).
std::vector<uint8_t> box_font(uint16_t id) {
    const std::vector<std::pair<char16_t, int>> glyphs = {{u' ', 5120}, {u'a', 10240}, {u'b', 5120}, {u'c', 7000}};
    swftest::Bits b;
    b.u16(id);
    b.u8(0x80 | 0x04);  // layout, wide codes
    b.u8(0);
    b.u8(3);
    b.append({'B', 'o', 'x'});
    const size_t n = glyphs.size();
    b.u16(uint16_t(n));
    for (size_t i = 0; i < n; ++i) b.u16(uint16_t((n + 1) * 2 + i * 2));
    b.u16(uint16_t((n + 1) * 2 + n * 2));
    for (size_t i = 0; i < n; ++i) b.append({0x10, 0x00});  // an empty outline
    for (auto& g : glyphs) b.u16(g.first);
    b.u16(16384), b.u16(4096), b.u16(0);
    for (auto& g : glyphs) b.u16(uint16_t(g.second));
    for (size_t i = 0; i < n; ++i) b.u8(0);
    b.u16(0);
    return b.bytes;
}

// DefineEditText in the Box font at 20 points.
std::vector<uint8_t> edit_text(uint16_t id, int w, int h, const std::string& variable, const std::string& text,
                               bool html = false) {
    swftest::Bits b;
    b.u16(id);
    b.rect(0, w, 0, h);
    b.u8(uint8_t((text.empty() ? 0 : 0x80) | 0x01));
    b.u8(html ? 0x02 : 0x00);
    b.u16(1);
    b.u16(400);
    b.str(variable);
    if (!text.empty()) b.str(text);
    return b.bytes;
}

class Stage {
public:
    // A movie of `version` with the Box font and, from `fields`, DefineEditText placements.
    struct Placed {
        std::string name, variable, text;
        bool html = false;
    };
    explicit Stage(int version, const std::vector<Placed>& fields = {}) : run(movie(version, fields), 1), vm(run.vm()) {}

    static std::vector<uint8_t> movie(int version, const std::vector<Placed>& fields) {
        TestMovie m(version);
        m.m.tag(75, box_font(1), true);
        uint16_t id = 10;
        for (const Placed& p : fields) {
            m.m.tag(37, edit_text(id, 2000, 1000, p.variable, p.text, p.html), true);
            m.place(id, id, p.name);
            ++id;
        }
        m.frame();
        return m.bytes();
    }

    Value root() { return run.player.scripts()->level(0); }
    Value global(const char* name) { return vm.get(vm.global, vm.intern(name)); }
    Value get(const Value& o, const char* name) { return vm.get(o, vm.intern(name)); }
    void set(const Value& o, const char* name, const Value& v) { vm.set(o.object(), vm.intern(name), v); }
    Value call(const Value& o, const char* name, std::vector<Value> args = {}) {
        return vm.call(vm.get(o, vm.intern(name)), o, args.data(), int(args.size()));
    }
    Value make(const char* ctor, std::vector<Value> args = {}) {
        return vm.construct(global(ctor), args.data(), int(args.size()));
    }
    std::string text(const Value& v) { return vm.trace_string(v); }
    Value s(const std::string& t) { return vm.str(t); }

    // createTextField(name, depth, 0, 0, w, h) in the Box font at 20 points, fonts embedded.
    Value field(const std::string& name, double w, double h, int depth = 1) {
        call(root(), "createTextField", {s(name), depth, 0, 0, w, h});
        Value f = get(root(), name.c_str());
        Value fmt = call(f, "getNewTextFormat");
        set(fmt, "font", s("Box"));
        set(fmt, "size", 20);
        call(f, "setNewTextFormat", {fmt});
        set(f, "embedFonts", true);
        return f;
    }

    Playing run;
    Vm& vm;
};

TEST(Avm1TextField, TextFormatMembersCoerceByVersion) {
    struct Case {
        int version;
        const char* member;
        Value value;
        const char* read;
    };
    const Case cases[] = {
        {8, "size", 3.5, "4"},  // half to even
        {8, "size", 2.5, "2"},
        {8, "size", NAN, "-2147483648"},
        {7, "size", -10.9, "-10"},  // older movies cut
        {8, "color", -3.5, "4294967293"},
        {8, "leftMargin", -3.0, "0"},
        {8, "leftMargin", 4294967295.0, "-2147483648"},
        {8, "indent", -3.5, "-4"},
        {7, "indent", -11.0, "0"},
        {8, "letterSpacing", 2.5, "2.5"},
        {8, "bold", Value(0.5), "true"},
        {8, "align", Value(), "right"},  // anything but the four names leaves it
        {8, "display", Value(), "block"},
    };
    for (const Case& c : cases) {
        Stage st(c.version);
        Value f = st.make("TextFormat");
        st.set(f, "align", st.s("right"));
        Value v = c.value;
        st.set(f, c.member, v);
        EXPECT_EQ(st.text(st.get(f, c.member)), c.read) << c.member << " = " << st.text(v) << " in SWF" << c.version;
    }
}

TEST(Avm1TextField, TextFormatTakesItsArgumentsInOrder) {
    Stage st(8);
    Value f = st.make("TextFormat", {st.s("Box"), -10.9, -10.9, 1, 0, Value(), st.s("u"), st.s("t"), st.s("CENTER"),
                                     -11, 4, 5, 6});
    const std::pair<const char*, const char*> members[] = {
        {"font", "Box"},      {"size", "-10"},       {"color", "4294967286"}, {"bold", "true"},
        {"italic", "false"},  {"underline", "null"}, {"url", "u"},            {"target", "t"},
        {"align", "center"},  {"leftMargin", "-11"}, {"rightMargin", "4"},    {"indent", "5"},
        {"leading", "6"},     {"blockIndent", "null"}, {"bullet", "null"},    {"display", "block"},
    };
    for (auto& [name, want] : members) EXPECT_EQ(st.text(st.get(f, name)), want) << name;
}

TEST(Avm1TextField, MeasuresWithTheFieldsFont) {
    struct Case {
        int version;
        const char* align;
        bool wrap;
        double width;
        const char* text;
        double leading;
        int text_width, text_height;
    };
    const Case cases[] = {
        // Advances are cut to whole twips one by one: 'c' is 136 twips, not 136.7.
        {8, "left", false, 200, "ccccc", 0, 34, 20},
        // Leading counts once for one line, then between lines only.
        {8, "left", false, 200, "a", 5, 10, 25},
        {8, "left", false, 200, "a\nb\na", 5, 10, 70},
        // Wrapping keeps the space a line breaks at.
        {8, "left", true, 29, "aa aa", 0, 25, 40},
        // Trailing spaces hang past right and centred lines from SWF8 on.
        {8, "right", false, 200, "a  ", 0, 10, 20},
        {7, "right", false, 200, "a  ", 0, 20, 20},
        {8, "left", false, 200, "a  ", 0, 20, 20},
    };
    for (const Case& c : cases) {
        Stage st(c.version);
        Value f = st.field("f", c.width, 100);
        st.set(f, "wordWrap", c.wrap);
        st.set(f, "multiline", true);
        Value fmt = st.call(f, "getNewTextFormat");
        st.set(fmt, "align", st.s(c.align));
        st.set(fmt, "leading", c.leading);
        st.call(f, "setNewTextFormat", {fmt});
        st.set(f, "text", st.s(c.text));
        EXPECT_EQ(st.text(st.get(f, "textWidth")), std::to_string(c.text_width)) << c.text << " " << c.align;
        EXPECT_EQ(st.text(st.get(f, "textHeight")), std::to_string(c.text_height)) << c.text << " " << c.align;
    }
}

TEST(Avm1TextField, ScrollStaysAmongTheLinesThatFit) {
    Stage st(8);
    // 20-pixel lines in a box 44 pixels high (40 inside the gutters): two show at a time.
    Value f = st.field("f", 200, 44);
    st.set(f, "multiline", true);
    st.set(f, "text", st.s("a\na\na\na\na"));
    EXPECT_EQ(st.text(st.get(f, "maxscroll")), "4");
    EXPECT_EQ(st.text(st.get(f, "bottomScroll")), "2");
    const std::pair<Value, const char*> sets[] = {
        {Value(3.0), "3"}, {Value(-10.0), "1"}, {Value(100.0), "4"}, {Value(1.5), "1"},
        {Value(767100486418432.0), "4"},  // wraps to the lowest int, which wraps again below one
        {Value(767100486418433.0), "1"},
    };
    for (auto& [v, want] : sets) {
        st.set(f, "scroll", v);
        EXPECT_EQ(st.text(st.get(f, "scroll")), want) << st.text(v);
    }
    st.set(f, "scroll", 2);
    EXPECT_EQ(st.text(st.get(f, "bottomScroll")), "3");
}

TEST(Avm1TextField, AutoSizeKeepsTheAnchoredSide) {
    struct Case {
        const char* mode;
        const char* x;
        const char* width;
    };
    // "aa" is 20 pixels wide; with the gutters the box becomes 24 wide from 100.
    const Case cases[] = {{"none", "0", "100"}, {"left", "0", "24"}, {"right", "76", "24"}, {"center", "38", "24"}};
    for (const Case& c : cases) {
        Stage st(8);
        Value f = st.field("f", 100, 30);
        st.set(f, "autoSize", st.s(c.mode));
        st.set(f, "text", st.s("aa"));
        EXPECT_EQ(st.text(st.get(f, "_x")), c.x) << c.mode;
        EXPECT_EQ(st.text(st.get(f, "_width")), c.width) << c.mode;
        EXPECT_EQ(st.text(st.get(f, "_height")), c.mode == std::string("none") ? "30" : "24") << c.mode;
    }
}

TEST(Avm1TextField, WidthSetsTheBoxNotTheScale) {
    Stage st(8);
    Value f = st.field("f", 100, 30);
    st.set(f, "_xscale", 200);
    st.set(f, "_width", 20);
    EXPECT_EQ(st.text(st.get(f, "_width")), "40");
    EXPECT_EQ(st.text(st.get(f, "_xscale")), "200");
    st.set(f, "_xscale", 100);
    st.set(f, "_width", 100);
    st.set(f, "_rotation", 20);
    EXPECT_EQ(st.text(st.get(f, "_width")), "104.2") << "corners land on whole twips";
}

TEST(Avm1TextField, PropertiesLiveOnThePrototype) {
    Stage st(8);
    Value proto = st.get(st.global("TextField"), "prototype");
    std::vector<std::string> names;
    for (Str* n : st.vm.enumerate(proto.object())) names.push_back(n->text);
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names.front(), "styleSheet");
    EXPECT_EQ(names.back(), "gridFitType");

    Value f = st.field("f", 100, 30);
    EXPECT_FALSE(f.o->find_own(st.vm.intern("text"), true));
    EXPECT_EQ(st.text(st.get(f, "type")), "dynamic") << "a field made by script";
    EXPECT_EQ(st.text(st.get(f, "_listeners")), "_level0.f") << "a field hears itself";
    // On anything but a field the getters read nothing; the newer members take what is set.
    Value plain = st.make("TextField");
    st.set(plain, "text", st.s("x"));
    st.set(plain, "sharpness", st.s("x"));
    EXPECT_EQ(st.text(st.get(plain, "text")), "undefined");
    EXPECT_EQ(st.text(st.get(plain, "sharpness")), "x");
    EXPECT_EQ(st.text(st.get(proto, "replaceText")), "[type Function]");
    Stage old(6);
    EXPECT_EQ(old.text(old.get(old.get(old.global("TextField"), "prototype"), "replaceText")), "undefined");
}

TEST(Avm1TextField, VariablesAndFieldsFollowEachOther) {
    Stage st(8, {{"f", "v", "hello"}, {"g", "u", ""}, {"h", "w", "<b>x</b>", true}});
    Value root = st.root(), f = st.get(root, "f");
    EXPECT_EQ(st.text(st.get(root, "v")), "hello") << "a field's first text sets its unset variable";
    EXPECT_EQ(st.text(st.get(root, "u")), "undefined") << "an empty field leaves it unset";
    EXPECT_EQ(st.text(st.get(root, "w")), "<P ALIGN=\"LEFT\"><FONT FACE=\"Box\" SIZE=\"20\" COLOR=\"#000000\" "
                                         "LETTERSPACING=\"0\" KERNING=\"0\"><B>x</B></FONT></P>")
        << "an HTML field's variable holds HTML";

    st.set(root, "v", st.s("bye"));
    EXPECT_EQ(st.text(st.get(f, "text")), "bye");
    st.set(f, "text", st.s("typed"));
    EXPECT_EQ(st.text(st.get(root, "v")), "typed");
    st.set(root, "w", st.s("<i>y</i>"));
    EXPECT_EQ(st.text(st.get(st.get(root, "h"), "text")), "y");

    // A variable that cannot change keeps its value; the field keeps what was set.
    Str* v = st.vm.intern("v");
    root.o->find_own(v, true)->flags |= ReadOnly;
    st.set(f, "text", st.s("mine"));
    EXPECT_EQ(st.text(st.get(root, "v")), "typed");
    EXPECT_EQ(st.text(st.get(f, "text")), "mine");

    // Bound to a variable nobody set, a field starts over from its first text.
    st.set(f, "variable", st.s("fresh"));
    EXPECT_EQ(st.text(st.get(f, "text")), "hello");
    EXPECT_EQ(st.text(st.get(root, "fresh")), "hello");
}

std::vector<std::string> heard;
Value hear(Vm& vm, Value, const Args& args) {
    std::string line;
    for (int i = 0; i < args.size(); ++i) line += (i ? "," : "") + vm.trace_string(args[i]);
    heard.push_back(line);
    return Value();
}

TEST(Avm1TextField, SelectionMovesFocusAndSelects) {
    Stage st(8);
    Value sel = st.global("Selection");
    Value a = st.field("a", 100, 30, 1), b = st.field("b", 100, 30, 2);
    st.set(a, "text", st.s("Input text"));
    Value listener = st.vm.new_object();
    st.set(listener, "onSetFocus", st.vm.new_native(hear));
    st.call(sel, "addListener", {listener});
    heard.clear();

    EXPECT_EQ(st.text(st.call(sel, "setFocus", {false})), "false") << "not something to focus";
    EXPECT_EQ(st.text(st.call(sel, "setFocus", {Value::null()})), "true");
    EXPECT_EQ(st.text(st.call(sel, "setFocus", {a})), "true");
    EXPECT_EQ(st.text(st.call(sel, "getFocus")), "_level0.a");
    EXPECT_EQ(st.text(st.call(sel, "getBeginIndex")), "-1") << "focus alone selects nothing yet";
    st.call(sel, "setFocus", {st.s("_level0.b")});
    EXPECT_EQ(heard, (std::vector<std::string>{"null,_level0.a", "_level0.a,_level0.b"}));

    st.call(sel, "setFocus", {a});
    st.call(sel, "setSelection", {5, 1});
    EXPECT_EQ(st.text(st.call(sel, "getBeginIndex")), "1");
    EXPECT_EQ(st.text(st.call(sel, "getEndIndex")), "5");
    EXPECT_EQ(st.text(st.call(sel, "getCaretIndex")), "1");
    st.call(sel, "setSelection", {1, 3});
    st.call(a, "replaceSel", {st.s("blah")});
    st.call(a, "replaceSel", {st.s("!")});
    EXPECT_EQ(st.text(st.get(a, "text")), "Iblah!ut text");

    // Focus given again selects everything; without focus the caret starts at 0.
    st.call(sel, "setFocus", {a});
    st.call(a, "replaceSel", {st.s("|")});
    EXPECT_EQ(st.text(st.get(a, "text")), "|");
    st.set(b, "text", st.s("abcd"));
    st.call(b, "replaceSel", {st.s("|")});
    EXPECT_EQ(st.text(st.get(b, "text")), "|abcd");
}

TEST(Avm1TextField, FocusLeavesHiddenAndRemovedObjects) {
    Stage st(8);
    Value sel = st.global("Selection");
    Value a = st.field("a", 100, 30, 1), b = st.field("b", 100, 30, 2);
    Value listener = st.vm.new_object();
    st.set(listener, "onSetFocus", st.vm.new_native(hear));
    st.call(sel, "addListener", {listener});

    st.call(sel, "setFocus", {a});
    heard.clear();
    st.set(a, "_visible", false);
    EXPECT_EQ(heard, std::vector<std::string>{"_level0.a,null"}) << "hiding it takes the focus at once";
    EXPECT_EQ(st.text(st.call(sel, "getFocus")), "null");

    st.call(sel, "setFocus", {b});
    heard.clear();
    st.call(b, "removeTextField");
    EXPECT_EQ(st.text(st.call(sel, "getFocus")), "null");
    EXPECT_EQ(heard, std::vector<std::string>{"_level0.b,null"}) << "a removed object is named by its path";
}

TEST(Avm1TextField, TextFormatsOfRangesAndNewText) {
    Stage st(8);
    Value f = st.field("f", 200, 100);
    st.set(f, "html", true);
    st.set(f, "htmlText", st.s("ab<b>cd</b>"));
    const std::pair<std::vector<Value>, const char*> reads[] = {
        {{}, "null"}, {{2}, "true"}, {{0, 2}, "false"}, {{1, 3}, "null"}, {{2, 99}, "true"},
    };
    for (auto& [args, bold] : reads)
        EXPECT_EQ(st.text(st.get(st.call(f, "getTextFormat", args), "bold")), bold) << args.size();

    Value red = st.make("TextFormat");
    st.set(red, "color", 0xFF0000);
    st.call(f, "setTextFormat", {1, 3, red});
    EXPECT_EQ(st.text(st.get(f, "htmlText")),
              "<P ALIGN=\"LEFT\"><FONT FACE=\"Box\" SIZE=\"20\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">a"
              "<FONT COLOR=\"#FF0000\">b<B>c</B></FONT><B>d</B></FONT></P>");
    st.call(f, "replaceText", {0, 1, st.s("Z")});
    EXPECT_EQ(st.text(st.get(f, "text")), "Zbcd");
    EXPECT_EQ(st.text(st.get(st.call(f, "getNewTextFormat"), "color")), "0") << "new text keeps its own format";
    st.set(f, "textColor", 0x123456);
    EXPECT_EQ(st.text(st.get(st.call(f, "getTextFormat"), "color")), std::to_string(0x123456));
}

}  // namespace
}  // namespace swf::avm1
