// Link targets: which text a link label opens, and which targets may reach the shell at all
// (web and mail addresses only, nothing a handler's command line could split or break out of).
#include "widgets/WkShellLink.h"
#include <gtest/gtest.h>

using namespace wk;

namespace {

TEST(LinkTarget, OnlyWebAndMailAddressesMayReachTheShell) {
    for (const wchar_t* ok : {L"https://plumora.example.org/", L"HTTP://example.org/a?b=c&d=%20e",
                              L"mailto:games@plumora.example.org", L"MailTo:x@y.org?subject=Hi%20there"})
        EXPECT_TRUE(IsSafeLinkTarget(ok)) << ok;
    for (const wchar_t* refused : {L"", L"file:///C:/Windows/notepad.exe", L"C:\\Windows\\notepad.exe", L"notepad.exe",
                                   L"\\\\server\\share\\setup.exe", L"javascript:alert(1)", L"ftp://example.org/",
                                   L"www.example.org", L"http://", L"mailto:", L"https:example.org",
                                   L"https://example.org/ --gpu-launcher=calc.exe", L"https://example.org/\"x",
                                   L"https://example.org/\ta", L"https://example.org/\x7F", L"Homepage: https://x.org/"})
        EXPECT_FALSE(IsSafeLinkTarget(refused)) << refused;

    // The URL when it is not blank, else the caption; surrounding blanks never count.
    EXPECT_EQ(LinkTarget(L"  https://x.org/ ", L"caption"), L"https://x.org/");
    EXPECT_EQ(LinkTarget(L"   ", L" mailto:a@b.org "), L"mailto:a@b.org");
    EXPECT_EQ(LinkTarget(L"", L"   "), L"");
    // The shell is never asked about a refused target.
    EXPECT_FALSE(OpenLinkWithShell(L"C:\\Windows\\notepad.exe"));

    // A bare www. host is a web address.
    EXPECT_EQ(LinkTarget(L"", L" www.example.org "), L"http://www.example.org");
    EXPECT_EQ(LinkTarget(L"WWW.Example.org/a", L"caption"), L"http://WWW.Example.org/a");
    EXPECT_EQ(LinkTarget(L"wwwexample.org", L""), L"wwwexample.org");
    EXPECT_TRUE(IsSafeLinkTarget(LinkTarget(L"", L"www.example.org")));
    EXPECT_FALSE(IsSafeLinkTarget(LinkTarget(L"", L"www.example.org/ x")));

    // The ideographic space is as blank as a plain one: trimmed, and refused inside.
    EXPECT_EQ(LinkTarget(L"\x3000https://x.org/\x3000", L""), L"https://x.org/");
    EXPECT_FALSE(IsSafeLinkTarget(L"https://x.org/\x3000" L"calc.exe"));
}

} // namespace
