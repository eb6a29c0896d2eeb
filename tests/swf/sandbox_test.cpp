// What a movie may open and read: the address and path checks, and hostile movies that try to
// open programs or files, or load from outside their folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "avm1_test_util.h"
#include "swf/sandbox.h"

using namespace avm1test;
using swf::check_load_path;
using swf::check_open_url;
using Value = swf::avm1::Value;

TEST(Sandbox, OpensOnlyWebAndMailAddressesAndOnlyForTheUser) {
    for (const char* bad : {"file:///c:/x", "javascript:alert(1)", "JavaScript:alert(1)", "vbscript:msgbox(1)",
                            "data:text/html,<b>x</b>", "C:\\Windows\\system32\\cmd.exe", "cmd.exe", "\\\\srv\\s\\x.exe",
                            "http:cmd.exe", "http:///x", "ms-settings:", "http://example.com/\nx", ""})
        EXPECT_FALSE(check_open_url(bad, true).allowed) << bad;
    for (const char* good : {"http://example.com/", "HTTPS://example.com/a?b=1", "mailto:me@example.com"}) {
        EXPECT_TRUE(check_open_url(good, true).allowed) << good;
        auto no_user = check_open_url(good, false);
        EXPECT_FALSE(no_user.allowed) << good;
        EXPECT_FALSE(no_user.refusal.empty());
    }
    EXPECT_EQ(check_open_url("  http://example.com/ ", true).value, "http://example.com/");
}

TEST(Sandbox, LoadsStayInsideTheMovieFolder) {
    const std::string dir = "C:\\Games\\Fun";
    struct Case {
        const char* request;
        const char* path;  // null: refused
    } cases[] = {
        {"data.txt", "C:\\Games\\Fun\\data.txt"},
        {"sub/level2.swf", "C:\\Games\\Fun\\sub\\level2.swf"},
        {"./sub\\..\\x.txt?nocache=3", "C:\\Games\\Fun\\x.txt"},
        {"c:/games/FUN/a.txt", "c:\\games\\FUN\\a.txt"},
        {"\\Games\\Fun\\a.txt", "C:\\Games\\Fun\\a.txt"},
        {"file:///C:/Games/Fun/a%20b.txt", "C:\\Games\\Fun\\a b.txt"},
        {"file://localhost/c|/Games/Fun/x.xml", "c:\\Games\\Fun\\x.xml"},
        {"..\\..\\x.swf", nullptr},
        {"sub/../../x.swf", nullptr},
        {"file:///C:/Games/Fun/%2e%2e/x.swf", nullptr},
        {"file:///C:/Games/Fun/%zz", nullptr},
        {"C:\\Windows\\x.swf", nullptr},
        {"C:\\Games\\Fun2\\x.swf", nullptr},
        {"C:\\Games", nullptr},
        {"C:x.swf", nullptr},
        {"D:\\Games\\Fun\\x.swf", nullptr},
        {"http://example.com/x.swf", nullptr},
        {"ftp://example.com/x.swf", nullptr},
        {"file://server/share/x.swf", nullptr},
        {"\\\\server\\share\\x.swf", nullptr},
        {"\\\\.\\PhysicalDrive0", nullptr},
        {"//?/C:/Games/Fun/x.swf", nullptr},
        {"CON", nullptr},
        {"sub/nul.txt", nullptr},
        {"Aux", nullptr},
        {"com1.swf", nullptr},
        {"x.txt:hidden", nullptr},
        {"x.txt.", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        auto answer = check_load_path(dir, c.request);
        EXPECT_EQ(answer.allowed, c.path != nullptr) << c.request;
        if (c.path) {
            EXPECT_EQ(answer.value, c.path) << c.request;
        } else {
            EXPECT_FALSE(answer.refusal.empty()) << c.request;
        }
    }
    // Without a folder (a movie given as bytes) nothing is read.
    EXPECT_FALSE(check_load_path("", "data.txt").allowed);
    // Folders written with forward slashes, as elsewhere.
    EXPECT_EQ(check_load_path("/srv/games", "sub/x.txt").value, "/srv/games/sub/x.txt");
    EXPECT_FALSE(check_load_path("/srv/games", "/srv/x.txt").allowed);
}

namespace {

// A movie played from its own file in a fresh temporary folder, with what it traced, the errors
// it reported and the addresses it handed to the host.
class SandboxMovie : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("plumora_sandbox_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "sub");
        player.set_trace_handler([this](const std::string& s) { lines.push_back(s); });
        player.set_error_handler([this](const std::string& s) { errors.push_back(s); });
        player.set_url_handler([this](const std::string& u, const std::string& t) { urls.push_back(u + " " + t); });
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    void play(const std::vector<uint8_t>& swf) {
        const auto path = dir / "game.swf";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(swf.data()), std::streamsize(swf.size()));
        ASSERT_TRUE(player.load_file(path.string()).ok());
    }
    swf::avm1::Vm& vm() { return player.scripts()->vm; }
    Value root() { return player.scripts()->level(0); }
    Value make(const char* ctor) { return vm().construct(vm().get(vm().global, vm().intern(ctor)), nullptr, 0); }
    Value call(const Value& obj, const char* method, std::vector<Value> args) {
        return vm().call(vm().get(obj, vm().intern(method)), obj, args.data(), int(args.size()));
    }
    void set(const Value& obj, const char* name, const Value& v) { vm().set(obj.object(), vm().intern(name), v); }
    Value get(const Value& obj, const char* name) { return vm().get(obj, vm().intern(name)); }
    Value str(const std::string& s) { return vm().str(s); }

    std::filesystem::path dir;
    swf::Player player;
    std::vector<std::string> lines, errors, urls;
};

// A root with the clip "mc" and `report(a, b)`, which traces both arguments.
std::vector<uint8_t> movie_with_report(const Asm& more = Asm()) {
    TestMovie m(8);
    m.sprite(1, 1).frame().end_sprite();
    m.place(1, 1, "mc");
    m.action(Asm().function("report", {"a", "b"}, Asm().get("a").op(a::Trace).get("b").op(a::Trace)).append(more));
    m.frame();
    return m.bytes();
}

}  // namespace

TEST_F(SandboxMovie, HostileAddressesNeverReachTheHost) {
    Asm code;
    for (const char* u : {"file:///c:/x", "javascript:alert(1)", "vbscript:msgbox(1)", "C:\\Windows\\notepad.exe",
                          "mailto:me@example.com", "http://example.com/"})
        code.get_url(u, "_blank");
    // getURL2 with the address and window from the stack.
    code.push({P("javascript:alert(2)"), P("_self")}).rec(a::GetURL2, {0});
    code.get_url("FSCommand:exec", "cmd.exe");
    play(movie_with_report(code));
    // Only fscommand reaches the handler, untouched; every refusal is reported.
    EXPECT_EQ(urls, std::vector<std::string>{"FSCommand:exec cmd.exe"});
    EXPECT_EQ(errors.size(), 7u);
    EXPECT_FALSE(player.quit_requested());
}

TEST_F(SandboxMovie, WebAddressesOpenInAnswerToAKey) {
    TestMovie m(8);
    m.sprite(1, 1).frame().end_sprite();
    m.place(1, 1, "mc", {{0x40, Asm().get_url("http://example.com/", "_blank").get_url("file:///c:/x", "_blank")}});
    m.frame();
    play(m.bytes());
    EXPECT_TRUE(urls.empty());
    player.scripts()->key_down(65, 'a');
    EXPECT_EQ(urls, std::vector<std::string>{"http://example.com/ _blank"});
    EXPECT_EQ(errors.size(), 1u);
    // The key's moment ends with the frame.
    player.advance();
    player.scripts()->get_url("http://example.com/later", "_blank", 0);
    EXPECT_EQ(urls.size(), 1u);
}

TEST_F(SandboxMovie, MovieLoadsOutsideTheFolderFailWithOnLoadError) {
    write("x.swf", "not read");
    play(movie_with_report());
    Value loader = make("MovieClipLoader");
    set(loader, "onLoadError", get(root(), "report"));
    set(loader, "onLoadInit", get(root(), "report"));
    Value mc = get(root(), "mc");
    for (const char* u : {"..\\..\\x.swf", "C:\\Windows\\x.swf", "http://example.com/x.swf"})
        EXPECT_TRUE(vm().to_boolean(call(loader, "loadClip", {str(u), mc})));
    call(mc, "loadMovie", {str("sub/../../x.swf")});
    EXPECT_TRUE(lines.empty());  // failures are told the next frame
    EXPECT_EQ(errors.size(), 4u);
    player.advance();
    EXPECT_EQ(lines, (std::vector<std::string>{"_level0.mc", "URLNotFound", "_level0.mc", "URLNotFound",
                                               "_level0.mc", "URLNotFound"}));
    EXPECT_EQ(player.scripts()->level(0)->clip->display_list().size(), 1u);
}

TEST_F(SandboxMovie, LoadVarsAndXmlReadFilesBesideTheMovie) {
    write("vars.txt", "\xEF\xBB\xBFscore=10&name=a%20b");
    write("sub/doc.xml", "<top><item n=\"1\"/></top>");
    play(movie_with_report());
    Value vars = make("LoadVars");
    set(vars, "onLoad", get(root(), "report"));
    EXPECT_TRUE(vm().to_boolean(call(vars, "load", {str("vars.txt")})));
    Value doc = make("XML");
    set(doc, "onLoad", get(root(), "report"));
    EXPECT_TRUE(vm().to_boolean(call(doc, "load", {str("sub\\doc.xml")})));
    Value missing = make("LoadVars");
    set(missing, "onLoad", get(root(), "report"));
    EXPECT_FALSE(vm().to_boolean(call(missing, "load", {str("http://example.com/vars.txt")})));
    call(root(), "loadVariables", {str("vars.txt")});
    EXPECT_TRUE(lines.empty());
    player.advance();
    EXPECT_EQ(lines, (std::vector<std::string>{"true", "undefined", "true", "undefined", "false", "undefined"}));
    EXPECT_EQ(vm().to_std_string(get(vars, "name")), "a b");
    EXPECT_EQ(vm().to_std_string(get(vars, "score")), "10");
    EXPECT_EQ(vm().to_std_string(get(get(doc, "firstChild"), "nodeName")), "top");
    EXPECT_EQ(vm().to_std_string(get(root(), "name")), "a b");
    EXPECT_EQ(errors.size(), 1u);  // the web address
}

TEST_F(SandboxMovie, MoviesLoadFromASubFolderIntoTheirClip) {
    TestMovie level(8);
    level.action(Asm().push({P("inside")}).op(a::Trace)).frame();
    const std::vector<uint8_t> bytes = level.bytes();
    std::ofstream(dir / "sub" / "level.swf", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    play(movie_with_report());
    Value loader = make("MovieClipLoader");
    for (const char* event : {"onLoadStart", "onLoadInit", "onLoadError"}) set(loader, event, get(root(), "report"));
    Value mc = get(root(), "mc");
    EXPECT_TRUE(vm().to_boolean(call(loader, "loadClip", {str("sub/level.swf"), mc})));
    EXPECT_TRUE(lines.empty());
    player.advance();
    EXPECT_EQ(lines, (std::vector<std::string>{"_level0.mc", "undefined", "inside", "_level0.mc", "undefined"}));
    EXPECT_TRUE(errors.empty());
    // The clip keeps its name and place: scripts still reach it.
    EXPECT_EQ(get(root(), "mc").object(), mc.object());
}

TEST_F(SandboxMovie, MoviesLoadIntoLevelsAndLevelZeroReplacesTheMovie) {
    auto save = [&](const std::string& name, TestMovie& m) {
        const std::vector<uint8_t> bytes = m.bytes();
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    TestMovie level(8);
    level.action(Asm().get("_root").op(a::Trace).push({P("mark"), P(3.0)}).op(a::SetVariable)).frame();
    save("level.swf", level);
    TestMovie next(8);
    next.action(Asm().push({P("next movie")}).op(a::Trace)).frame();
    save("next.swf", next);
    play(movie_with_report());

    player.scripts()->get_url("level.swf", "_level3", 0);
    EXPECT_EQ(player.scripts()->level(3), nullptr);  // it arrives with the next frame
    player.advance();
    ASSERT_NE(player.scripts()->level(3), nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{"_level3"});
    EXPECT_EQ(vm().to_number(get(Value(player.scripts()->level(3)), "mark")), 3);

    // unloadMovieNum empties the level; the old object reads as removed.
    Value old(player.scripts()->level(3));
    player.scripts()->get_url("", "_level3", 0);
    player.advance();
    EXPECT_EQ(player.scripts()->level(3), nullptr);
    EXPECT_TRUE(get(old, "_name").is_undefined());

    // A movie loaded into level 0 takes the player over between frames.
    player.scripts()->get_url("level.swf", "_level2", 0);
    player.scripts()->get_url("next.swf", "_level0", 0);
    player.advance();
    EXPECT_EQ(lines.back(), "next movie");
    EXPECT_TRUE(player.scripts()->levels().empty());
    EXPECT_TRUE(get(root(), "mc").is_undefined());
    // Outside the folder nothing loads into a level.
    player.scripts()->get_url("../x.swf", "_level1", 0);
    player.advance();
    EXPECT_EQ(player.scripts()->level(1), nullptr);
    EXPECT_FALSE(errors.empty());
}

// The control hands the player a movie's bytes and its path as the address: files beside that
// path load, whatever characters the folder's name has.
TEST_F(SandboxMovie, AMovieGivenAsBytesReadsBesideItsAddress) {
    const auto folder = dir / swf::path_from_utf8("游戏 games");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "vars.txt", std::ios::binary) << "score=12";
    const std::vector<uint8_t> bytes = movie_with_report();
    player.set_movie_address(swf::utf8_of(folder / "game.swf"));
    ASSERT_TRUE(player.load(bytes.data(), bytes.size()).ok());
    Value vars = make("LoadVars");
    EXPECT_TRUE(vm().to_boolean(call(vars, "load", {str("vars.txt")})));
    player.advance();
    EXPECT_EQ(vm().to_std_string(get(vars, "score")), "12");
    EXPECT_TRUE(errors.empty());
}

// Sound.loadSound reads MP3 files beside the movie; the Sound hears onLoad with the next frame.
TEST_F(SandboxMovie, SoundsLoadMp3FilesBesideTheMovie) {
    // MPEG-1 layer III frames of silence at 44.1 kHz, 128 kbit/s: a header and zeroed side
    // information.
    std::string mp3;
    for (int i = 0; i < 20; ++i) {
        std::string frame(417, '\0');
        frame[0] = char(0xFF), frame[1] = char(0xFB), frame[2] = char(0x90), frame[3] = char(0xC0);
        mp3 += frame;
    }
    write("music.mp3", mp3);
    write("notes.txt", "not a sound");
    play(movie_with_report());
    std::vector<Value> sounds;
    for (const char* file : {"music.mp3", "missing.mp3", "notes.txt", "../music.mp3"}) {
        Value s = make("Sound");
        set(s, "onLoad", get(root(), "report"));
        call(s, "loadSound", {str(file), false});
        sounds.push_back(s);
    }
    EXPECT_TRUE(lines.empty());
    player.advance();
    EXPECT_EQ(lines, (std::vector<std::string>{"true", "undefined", "false", "undefined", "false", "undefined", "false",
                                               "undefined"}));
    EXPECT_EQ(vm().to_number(get(sounds[0], "duration")), 522);  // 20 frames of 1152 samples
    EXPECT_EQ(vm().to_number(call(sounds[0], "getBytesTotal", {})), 20 * 417);
    EXPECT_TRUE(call(sounds[1], "getBytesTotal", {}).is_undefined());
    EXPECT_EQ(errors.size(), 3u);  // missing, not a sound, outside the folder
}
