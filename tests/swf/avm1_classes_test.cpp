// TextSnapshot over static text, FileReference dialogs through the player's handler,
// NetConnection's status events and the sandbox type a movie's FileAttributes ask for. Expected
// results follow what the original player printed in recorded runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1_test_util.h"
#include "swf/avm1/vm.h"

namespace {

using namespace avm1test;
using swf::avm1::ChosenFile;
using swf::avm1::FileDialogRequest;

// DefineFont2 whose glyphs are the characters of `codes`, each a box advancing 512 units.
std::vector<uint8_t> font(uint16_t id, const std::string& codes) {
    swftest::Bits b;
    b.u16(id);
    b.u8(0x80), b.u8(0), b.u8(1), b.u8('f');
    const size_t n = codes.size();
    b.u16(uint16_t(n));
    const std::vector<uint8_t> glyph = swftest::box_glyph(256);
    for (size_t i = 0; i <= n; ++i) b.u16(uint16_t(2 * (n + 1) + i * glyph.size()));
    for (size_t i = 0; i < n; ++i) b.append(glyph);
    for (char c : codes) b.u8(uint8_t(c));
    b.u16(1024), b.u16(0), b.u16(0);
    for (size_t i = 0; i < n; ++i) b.u16(512);
    for (size_t i = 0; i < n; ++i) b.rect(0, 256, -1024, 0);
    b.u16(0);
    return b.bytes;
}

// DefineText with one record per line, each naming glyph indices of font 1 (whose codes are
// "ABCDEFGHIJ": index = letter - 'A').
std::vector<uint8_t> text(uint16_t id, const std::vector<std::string>& lines) {
    swftest::Bits b;
    b.u16(id);
    b.rect(0, 4000, 0, 4000);
    b.matrix();
    b.u8(4), b.u8(12);  // glyph bits, advance bits
    int y = 200;
    for (const std::string& line : lines) {
        b.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);  // font, colour, y, x
        b.u16(1);
        b.u8(0), b.u8(0), b.u8(0);
        b.u16(0), b.u16(uint16_t(y));
        b.u16(200);
        b.u8(uint8_t(line.size()));
        for (char c : line) b.ub(uint32_t(c - 'A'), 4), b.sb(200, 12);
        b.align();
        y += 300;
    }
    b.u8(0);
    return b.bytes;
}

struct Played {
    explicit Played(const std::vector<uint8_t>& swf, swf::Player::FileDialogHandler dialog = nullptr) {
        player.set_trace_handler([this](const std::string& s) { lines.push_back(s); });
        player.set_error_handler([this](const std::string& s) { errors.push_back(s); });
        if (dialog) player.set_file_dialog_handler(std::move(dialog));
        EXPECT_TRUE(player.load(swf.data(), swf.size()).ok());
    }
    swf::Player player;
    std::vector<std::string> lines, errors;
};

// trace(new TextSnapshot(<clip>).getText(args...)) for each argument list.
Asm get_texts(const std::string& clip, const std::vector<std::vector<P>>& calls, bool duplicate_first = false) {
    Asm s;
    if (duplicate_first) s.push({P("child"), P("copy"), P(10)}).op(a::CloneSprite);
    for (const auto& args : calls) {
        for (auto it = args.rbegin(); it != args.rend(); ++it) s.push({*it});
        s.push({P(int(args.size()))});
        s.get(clip).push({P(1), P("TextSnapshot")}).op(a::NewObject).push({P("getText")}).op(a::CallMethod).trace();
    }
    return s;
}

std::vector<uint8_t> text_movie(const Asm& script) {
    TestMovie m(8);
    m.m.tag(48, font(1, "ABCDEFGHIJ"));
    m.m.tag(11, text(2, {"CD"}));
    m.m.tag(11, text(3, {"AB", "EF"}));
    m.sprite(4, 1);
    m.m.place(2, 1);
    m.frame().end_sprite();
    // Depth order, not placement order: "AB/EF" (depth 1) comes before "CD" (depth 5).
    m.m.place(2, 5);
    m.m.place(3, 1);
    m.place(4, 9, "child");
    m.action(script);
    m.frame();
    return m.bytes();
}

TEST(Avm1ClassesTextSnapshot, ReadsStaticTextInDepthOrderWithClampedRanges) {
    struct Case {
        std::vector<P> args;
        const char* want;
    } cases[] = {
        {{P(0), P(100)}, "ABEFCD"},
        {{P(0), P(100), B(true)}, "AB\nEF\nCD"},  // a line per record and per text
        {{P(1), P(3)}, "BE"},
        {{P(4), P(2)}, "C"},         // end before start: one character
        {{P(50), P(60)}, "D"},       // start past the end: the last character
        {{P(-3), P(-1)}, "A"},
        {{P("2"), P("4")}, "EF"},
        {{P(0)}, "undefined"},       // too few arguments
        {{P(0), P(1), B(true), P(1)}, "undefined"},  // too many
    };
    std::vector<std::vector<P>> calls;
    for (const Case& c : cases) calls.push_back(c.args);
    Played run(text_movie(get_texts("_root", calls)));
    ASSERT_EQ(run.lines.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(run.lines[i], cases[i].want) << i;
}

TEST(Avm1ClassesTextSnapshot, ChildTextIsItsOwnAndADuplicateTakesIt) {
    Asm s;
    s.append(get_texts("child", {{P(0), P(9)}}));
    s.append(get_texts("child", {{P(0), P(9)}}, true));
    s.append(get_texts("copy", {{P(0), P(9)}}));
    s.push({P(0)}).get("_root").push({P("getTextSnapshot")}).op(a::CallMethod).push({P("getCount")});
    s.op(a::GetMember).trace();  // the method itself: a function
    Played run(text_movie(s));
    EXPECT_EQ(run.lines, (std::vector<std::string>{"CD", "undefined", "CD", "[type Function]"}));
}

// fr = new flash.net.FileReference(); fr.addListener(l); trace(fr.<call>(...)); the listener
// traces each event with the file's name and type.
std::vector<uint8_t> file_movie(const Asm& call) {
    Asm s;
    auto handler = [](const char* event) {
        Asm body;
        body.push({P(event)}).op(a::Trace);
        body.get("f").push({P("name")}).op(a::GetMember).trace();
        body.get("f").push({P("type")}).op(a::GetMember).trace();
        return body;
    };
    s.push({P("l"), P(0)}).op(a::InitObject).op(a::SetVariable);
    for (const char* ev : {"onSelect", "onCancel", "onIOError"}) {
        s.get("l").push({P(ev)});
        s.function("", {"f"}, handler(ev));
        s.op(a::SetMember);
    }
    s.push({P("fr"), P(0)}).get("flash").push({P("net")}).op(a::GetMember).push({P("FileReference")});
    s.op(a::NewMethod).op(a::SetVariable);
    s.get("l").push({P(1)}).get("fr").push({P("addListener")}).op(a::CallMethod).op(a::Pop);
    s.append(call);
    s.trace(P("after script"));
    TestMovie m(8);
    m.action(s);
    m.frame();
    return m.bytes();
}

TEST(Avm1ClassesFileReference, DialogRunsAfterTheScriptAndTellsTheListeners) {
    FileDialogRequest seen;
    auto pick = [&seen](const FileDialogRequest& r, std::vector<ChosenFile>& out) {
        seen = r;
        out.push_back({"notes.txt", 12});
        return true;
    };
    // browse([{description: "Text", extension: "*.txt"}])
    Asm browse;
    browse.push({P("description"), P("Text"), P("extension"), P("*.txt"), P(2)}).op(a::InitObject);
    browse.push({P(1)}).op(a::InitArray).push({P(1)}).get("fr").push({P("browse")}).op(a::CallMethod).trace();
    Played run(file_movie(browse), pick);
    EXPECT_EQ(run.lines, (std::vector<std::string>{"true", "after script", "onSelect", "notes.txt", ".txt"}));
    ASSERT_EQ(seen.filters.size(), 1u);
    EXPECT_EQ(seen.filters[0].description, "Text");
    EXPECT_EQ(seen.filters[0].extensions, "*.txt");
    EXPECT_FALSE(seen.save);

    // Without a handler the dialog is cancelled.
    Played cancelled(file_movie(browse));
    EXPECT_EQ(cancelled.lines, (std::vector<std::string>{"true", "after script", "onCancel", "undefined", "undefined"}));
}

TEST(Avm1ClassesFileReference, DownloadAsksWhereToSaveThenCannotOpenTheUrl) {
    FileDialogRequest seen;
    auto accept = [&seen](const FileDialogRequest& r, std::vector<ChosenFile>& out) {
        seen = r;
        out.push_back({r.default_name});
        return true;
    };
    Asm download;
    download.push({P("save.txt"), P("http://example.com/a"), P(2)}).get("fr").push({P("download")});
    download.op(a::CallMethod).trace();
    Played run(file_movie(download), accept);
    EXPECT_TRUE(seen.save);
    EXPECT_EQ(seen.default_name, "save.txt");
    EXPECT_EQ(run.lines, (std::vector<std::string>{"true", "after script", "onSelect", "save.txt", ".txt",
                                                   "Error opening URL 'http://example.com/a'", "onIOError",
                                                   "save.txt", ".txt"}));
}

TEST(Avm1ClassesFileReference, BadArgumentsOpenNoDialog) {
    const std::vector<Asm> calls = [] {
        std::vector<Asm> v;
        auto browse_with = [](Asm arg) {
            arg.push({P(1)}).get("fr").push({P("browse")}).op(a::CallMethod).trace();
            return arg;
        };
        v.push_back(browse_with(Asm().push({P(0)}).op(a::InitArray)));                       // []
        v.push_back(browse_with(Asm().push({P("x"), P(1)}).op(a::InitArray)));               // ["x"]
        v.push_back(browse_with(Asm().push({P("description"), P(""), P("extension"), P("*.a"), P(2)})
                                    .op(a::InitObject).push({P(1)}).op(a::InitArray)));    // empty description
        v.push_back(browse_with(Asm().push({P("extension"), P("*.a"), P(1)})
                                    .op(a::InitObject).push({P(1)}).op(a::InitArray)));    // no description
        v.push_back(browse_with(Asm().push({P("*.txt")})));                                  // not an array
        v.push_back(Asm().push({P("nowhere"), P(1)}).get("fr").push({P("download")}).op(a::CallMethod).trace());
        v.push_back(Asm().push({P(0)}).get("fr").push({P("download")}).op(a::CallMethod).trace());
        return v;
    }();
    for (size_t i = 0; i < calls.size(); ++i) {
        bool asked = false;
        Played run(file_movie(calls[i]), [&asked](const FileDialogRequest&, std::vector<ChosenFile>&) {
            asked = true;
            return false;
        });
        EXPECT_EQ(run.lines, (std::vector<std::string>{"false", "after script"})) << i;
        EXPECT_FALSE(asked) << i;
    }
}

TEST(Avm1ClassesNetConnection, StatusEventsFollowTheConnectionState) {
    Asm s;
    Asm on_status;
    on_status.get("e").push({P("code")}).op(a::GetMember).trace();
    s.push({P("nc"), P(0), P("NetConnection")}).op(a::NewObject).op(a::SetVariable);
    s.get("nc").push({P("onStatus")}).function("", {"e"}, on_status).op(a::SetMember);
    auto call = [&s](const char* method, std::vector<P> args) {
        for (auto it = args.rbegin(); it != args.rend(); ++it) s.push({*it});
        s.push({P(int(args.size()))}).get("nc").push({P(method)}).op(a::CallMethod).op(a::Pop);
        s.trace(P("--"));
    };
    call("close", {});           // not connected: nothing
    call("connect", {Null});     // success
    call("connect", {Null});     // the open one closes first
    call("close", {});
    TestMovie m(8);
    m.action(s);
    m.frame();
    Played run(m.bytes());
    EXPECT_EQ(run.lines, (std::vector<std::string>{
                             "--", "NetConnection.Connect.Success", "--", "NetConnection.Connect.Closed",
                             "NetConnection.Connect.Success", "--", "NetConnection.Connect.Closed", "--"}));
}

TEST(Avm1ClassesSecurity, SandboxTypeFollowsTheUseNetworkFlag) {
    for (uint8_t flags : {0x00, 0x01}) {
        TestMovie m(8);
        m.m.tag(69, {flags, 0, 0, 0});
        m.action(Asm().get("System").push({P("security")}).op(a::GetMember).push({P("sandboxType")})
                     .op(a::GetMember).trace());
        m.frame();
        Played run(m.bytes());
        EXPECT_EQ(run.lines, std::vector<std::string>{flags ? "localWithNetwork" : "localWithFile"});
    }
}

}  // namespace
