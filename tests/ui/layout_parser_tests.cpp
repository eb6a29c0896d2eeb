#include "ui/LayoutParser.h"
#include <gtest/gtest.h>

using namespace ui;

namespace {

// Runs the parser and returns the error text, or "" when the text parsed.
std::wstring ParseError(const char* text) {
    try {
        ParseLayout(L"T.layout", text);
    } catch (const TLayoutError& e) {
        return e.Text();
    }
    return L"";
}

} // namespace

TEST(LayoutParser, ReadsEveryKindOfValueWithItsLine) {
    const char* text =
        "object Form1: TForm1\n"
        "  Left = -12\n"
        "  Color = $FF00\n"
        "  Caption = 'It''s ' +\n"
        "    '游戏'#13#10'x'\n"
        "  Align = alClient\n"
        "  Anchors = [akTop, akRight]\n"
        "  Empty = []\n"
        "  Items = (\n"
        "    'a'\n"
        "    'b', 3)\n"
        "  Font.Name = 'Tahoma' // a comment\n"
        "end\n";
    TLayoutObject root = ParseLayout(L"T.layout", text);
    EXPECT_EQ(root.Name, L"Form1");
    EXPECT_EQ(root.ClassName, L"TForm1");
    ASSERT_EQ(root.Properties.size(), 8u);
    const auto& p = root.Properties;
    EXPECT_EQ(p[0].Value.Int, -12);
    EXPECT_EQ(p[0].Line, 2);
    EXPECT_EQ(p[1].Value.Int, 0xFF00);
    EXPECT_EQ(p[2].Value.Kind, TLayoutValueKind::String);
    EXPECT_EQ(p[2].Value.Text, L"It's 游戏\r\nx");
    EXPECT_EQ(p[3].Value.Kind, TLayoutValueKind::Identifier);
    EXPECT_EQ(p[3].Value.Text, L"alClient");
    ASSERT_EQ(p[4].Value.Kind, TLayoutValueKind::Set);
    ASSERT_EQ(p[4].Value.Items.size(), 2u);
    EXPECT_EQ(p[4].Value.Items[1].Text, L"akRight");
    EXPECT_TRUE(p[5].Value.Items.empty());
    ASSERT_EQ(p[6].Value.Kind, TLayoutValueKind::List);
    ASSERT_EQ(p[6].Value.Items.size(), 3u);
    EXPECT_EQ(p[6].Value.Items[1].Text, L"b");
    EXPECT_EQ(p[6].Value.Items[2].Int, 3);
    EXPECT_EQ(p[7].Name, L"Font.Name");
    EXPECT_EQ(p[7].Line, 12);
}

TEST(LayoutParser, NestedObjectsKeepFileOrderAndLines) {
    const char* text =
        "\xEF\xBB\xBF" // a byte-order mark is skipped
        "object F: TForm\n"
        "  object P: TPanel\n"
        "    object B: TButton\n"
        "    end\n"
        "  end\n"
        "  object L: TLabel\n"
        "    Caption = 'x'\n"
        "  end\n"
        "end";
    TLayoutObject root = ParseLayout(L"T.layout", text);
    ASSERT_EQ(root.Children.size(), 2u);
    EXPECT_EQ(root.Children[0].Name, L"P");
    EXPECT_EQ(root.Children[0].Line, 2);
    ASSERT_EQ(root.Children[0].Children.size(), 1u);
    EXPECT_EQ(root.Children[0].Children[0].ClassName, L"TButton");
    EXPECT_EQ(root.Children[1].Line, 6);
    EXPECT_EQ(root.Children[1].Properties[0].Line, 7);
}

TEST(LayoutParser, IntegerLimits) {
    EXPECT_EQ(ParseLayout(L"T", "object A: T X = -9223372036854775808 end").Properties[0].Value.Int, INT64_MIN);
    EXPECT_NE(ParseError("object A: T X = 9223372036854775808 end"), L"");
    EXPECT_NE(ParseError("object A: T X = 99999999999999999999999 end"), L"");
}

TEST(LayoutParser, MalformedTextNamesFileLineAndProperty) {
    EXPECT_EQ(ParseError("object A: T\n  Left 5\nend"), L"T.layout, line 2, property 'Left': expected '=', found a number");
    EXPECT_EQ(ParseError("object A: T\n  Caption = 'abc\nend"), L"T.layout, line 2: unterminated string");
    EXPECT_EQ(ParseError("object A: T\n  X = [a b]\nend"), L"T.layout, line 2, property 'X': expected ',' or ']' in a set, found 'b'");
    EXPECT_EQ(ParseError("object A: T\n  X = 1\n"), L"T.layout, line 3: missing 'end' of object 'A'");
    EXPECT_EQ(ParseError("object A: T\nend\nobject B: T\nend"), L"T.layout, line 3: text after the final 'end'");
    EXPECT_EQ(ParseError("object A: T\n  X = \"q\"\nend"), L"T.layout, line 2: unexpected character '\"'");
    EXPECT_EQ(ParseError("object A: T\n  X =\nend"), L"T.layout, line 3, property 'X': missing value");
    EXPECT_EQ(ParseError("object A T\nend"), L"T.layout, line 1: expected ':' after the object name, found 'T'");
    EXPECT_EQ(ParseError("object A: T\n\n  X = '\xC3('\nend"), L"T.layout, line 3: the text is not valid UTF-8");
    EXPECT_EQ(ParseError("object A: T\n  X = (1, 2\nend"), L"T.layout, line 3, property 'X': missing ')'");
    EXPECT_EQ(ParseError(""), L"T.layout, line 1: a layout starts with 'object'");
}

TEST(LayoutParser, DeepNestingIsRefusedNotOverflowed) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "object A: T\n";
    EXPECT_NE(ParseError(text.c_str()).find(L"nested too deeply"), std::wstring::npos);
    std::string list = "object A: T X = ";
    list += std::string(10000, '(');
    list += std::string(10000, ')');
    list += " end";
    EXPECT_NE(ParseError(list.c_str()).find(L"nested too deeply"), std::wstring::npos);
}

TEST(LayoutError, MessageIsUtf8ForWhat) {
    TLayoutError e(L"F.layout", 4, L"Caption", L"bad '游戏'");
    EXPECT_STREQ(e.what(), "F.layout, line 4, property 'Caption': bad '\xE6\xB8\xB8\xE6\x88\x8F'");
    EXPECT_EQ(FromUtf8(ToUtf8(L"a\U0001F600b")), L"a\U0001F600b");
}
