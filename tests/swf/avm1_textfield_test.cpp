// Text fields: formatted text runs, the htmlText subset both ways, line measurement, and the
// TextFormat class as scripts use it.
#include <gtest/gtest.h>

#include <string>

#include "swf/avm1/convert.h"
#include "swf/avm1/textfield.h"

namespace swf::avm1 {
namespace {

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

}  // namespace
}  // namespace swf::avm1
