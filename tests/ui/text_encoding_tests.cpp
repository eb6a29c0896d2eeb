// The encoding of a description file: by its mark, as well-formed UTF-8, or in the code page.
#include <gtest/gtest.h>

#include <string>

#include "ui/TextEncoding.h"

using namespace ui;

namespace {
bool WellFormed(const std::string& s) { return IsWellFormedUtf8(s.data(), s.size()); }
TTextEncoding EncodingOf(const std::string& s) { return DetectTextFormat(s.data(), s.size()).Encoding; }
}  // namespace

TEST(TextEncoding, WellFormedUtf8AllowsEveryLengthAndRefusesWhatTheFormForbids) {
    EXPECT_TRUE(WellFormed(""));
    EXPECT_TRUE(WellFormed("plain"));
    EXPECT_TRUE(WellFormed("\xC3\xA8 \xE5\x9D\xA6 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));  // è 坦 😀 U+10FFFF
    for (const char* bad : {"\x80", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xED\xA0\x80", "\xF0\x80\x80\x80",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\xE5\x9D", "\xE5\x9D\x41"})
        EXPECT_FALSE(WellFormed(bad)) << bad;
}

TEST(TextEncoding, MarksComeFirstThenWellFormedUtf8ThenTheCodePage) {
    EXPECT_EQ(DetectTextFormat("\xEF\xBB\xBFx", 4).MarkBytes, 3u);
    EXPECT_EQ(EncodingOf("\xEF\xBB\xBFx"), TTextEncoding::Utf8);
    EXPECT_EQ(EncodingOf("\xFF\xFEx"), TTextEncoding::Utf16Le);
    EXPECT_EQ(EncodingOf("\xFE\xFFx"), TTextEncoding::Utf16Be);
    EXPECT_EQ(EncodingOf("\xE5\x9D\xA6\xE5\x85\x8B"), TTextEncoding::Utf8);      // 坦克, no mark
    EXPECT_EQ(EncodingOf("\xCC\xB9\xBF\xCB"), TTextEncoding::CodePage);          // 坦克 in GBK
    EXPECT_EQ(EncodingOf("\xC1\xAA\xCD\xA8"), TTextEncoding::CodePage);          // 联通 in GBK
    EXPECT_EQ(EncodingOf("ascii only"), TTextEncoding::CodePage);
    EXPECT_EQ(DecodeUtf16("\x2C\x7B\x41", 3, false), std::wstring(1, wchar_t(0x7B2C)));  // odd byte left out
    EXPECT_EQ(DecodeUtf16("\x7B\x2C", 2, true), std::wstring(1, wchar_t(0x7B2C)));
}
