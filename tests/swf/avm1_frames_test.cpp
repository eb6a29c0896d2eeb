// The script side of a playing movie: the order in which frame scripts, init actions and clip
// events run, the collector, the time and recursion limits, and damaged action blocks. Expected
// orders are the ones Flash Player showed (the execution-order corpus movies and the observations
// in the AVM1 reference).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "avm1_test_util.h"

namespace {

using namespace avm1test;

struct OrderCase {
    const char* what;
    int version;
    std::function<void(TestMovie&)> build;
    int frames;  // advanced after loading
    Lines want;
};

void expect_orders(const std::vector<OrderCase>& cases) {
    for (const OrderCase& c : cases) {
        TestMovie m(c.version);
        c.build(m);
        Playing run(m.bytes(), c.frames);
        EXPECT_EQ(run.lines, c.want) << c.what;
    }
}

Asm say(const char* text) { return Asm().trace(text); }
Asm say_and_stop(const char* text) { return Asm().trace(text).op(a::Stop); }

// this.<handler> = function() { trace(text); }
Asm handler(const char* name, const char* text) {
    return Asm().get("this").push(name).function("", {}, say(text)).op(a::SetMember);
}

// A string of 16 * 2^doublings characters on the stack, made by doubling.
Asm big_string(int doublings) {
    Asm code = Asm().push("0123456789abcdef");
    for (int i = 0; i < doublings; ++i) code.op(a::PushDuplicate).op(a::Add2);
    return code;
}

double seconds_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

// =============================================================================================
// Order of scripts and events
// =============================================================================================

TEST(Avm1Frames, InitActionsRunOnceBeforeTheFramesOtherScripts) {
    auto sprite = [](TestMovie& m) { m.sprite(1, 1).frame().end_sprite(); };
    expect_orders({
        {"before a DoAction earlier in the file", 7,
         [&](TestMovie& m) {
             sprite(m);
             m.action(say("frame 1")).init_action(1, say("init")).frame();
         },
         0, {"init", "frame 1"}},
        {"once while the root loops", 7,
         [&](TestMovie& m) {
             sprite(m);
             m.init_action(1, say("init")).action(say("f1")).frame();
             m.action(say("f2")).frame();
         },
         2, {"init", "f1", "f2", "f1"}},
        {"in the frame that holds it", 7,
         [&](TestMovie& m) {
             sprite(m);
             m.action(say("f1")).frame();
             m.action(say_and_stop("f2")).init_action(1, say("init 2")).frame();
         },
         1, {"f1", "init 2", "f2"}},
        {"this is the root", 7,
         [&](TestMovie& m) {
             sprite(m);
             m.init_action(1, Asm().get("this").trace()).frame();
         },
         0, {"_level0"}},
    });
}

TEST(Avm1Frames, PlacedSpritesRunAfterTheirParentsFrameScript) {
    expect_orders({
        // avm1__execution_order1
        {"load and frame 1 of a new clip", 7,
         [](TestMovie& m) {
             m.sprite(1, 1).action(say("child 1")).frame().end_sprite();
             m.action(say("root 1")).place(1, 1, "c", {{OnLoad, say("child load")}}).frame();
         },
         0, {"root 1", "child load", "child 1"}},
        {"a clip, then its own child", 7,
         [](TestMovie& m) {
             m.sprite(2, 1).action(say("grandchild 1")).frame().end_sprite();
             m.sprite(1, 1).action(say("child 1")).place(2, 1, "g", {{OnLoad, say("grandchild load")}}).frame().end_sprite();
             m.action(say("root 1")).place(1, 1, "c", {{OnLoad, say("child load")}}).frame();
         },
         0, {"root 1", "child load", "child 1", "grandchild load", "grandchild 1"}},
        {"initialize runs at once", 7,
         [](TestMovie& m) {
             m.sprite(1, 1).action(say("child 1")).frame().end_sprite();
             m.action(say("root 1")).place(1, 1, "c", {{OnInitialize, say("init")}, {OnLoad, say("load")}}).frame();
         },
         0, {"init", "root 1", "load", "child 1"}},
        {"a clip placed between two blocks", 7,
         [](TestMovie& m) {
             m.sprite(1, 1).action(say("child 1")).frame().end_sprite();
             m.action(say("A")).place(1, 1, "c").action(say("B")).frame();
         },
         0, {"A", "child 1", "B"}},
        // avm1__execution_order2
        {"clips placed in a later frame", 7,
         [](TestMovie& m) {
             m.sprite(1, 2).action(say("childA 1")).frame().action(say_and_stop("childA 2")).frame().end_sprite();
             m.action(say("root 1")).frame();
             m.action(say_and_stop("root 2")).place(1, 1, "a").frame();
         },
         2, {"root 1", "root 2", "childA 1", "childA 2"}},
    });
}

// A sprite wraps to frame 1 only when its last frame was closed by a ShowFrame and the End tag
// followed; otherwise it counts as still loading and holds on the last frame (avm1__looping_child).
TEST(Avm1Frames, ASpriteLoopsOnlyWhenItsTagsAreComplete) {
    auto two_frames = [](bool show_last, bool with_end) {
        return [=](TestMovie& m) {
            m.sprite(1, 2).action(say("c1")).frame().action(say("c2"));
            if (show_last) m.frame();
            m.end_sprite(with_end);
            m.place(1, 1, "c").frame();
            m.frame();
        };
    };
    expect_orders({
        {"closed and ended: wraps", 7, two_frames(true, true), 3, {"c1", "c2", "c1", "c2"}},
        {"no End tag: holds", 7, two_frames(true, false), 3, {"c1", "c2"}},
        {"last frame without ShowFrame: holds", 7, two_frames(false, true), 3, {"c1", "c2"}},
    });
}

TEST(Avm1Frames, AnInitObjectIsCopiedOldestFirst) {
    // MovieClip.prototype gets setters p and q; attachMovie("clip", "n", 1, init) with init.p set
    // before init.q (avm1__init_object_order)
    auto setter = [](const char* name) {
        return Asm().function("", {"v"}, Asm().push(std::string(name) + " set ").get("v").op(a::Add2).trace())
            .function("", {}, Asm().push(0).op(a::Return)).push(name).call_method("mp", "addProperty", 3).op(a::Pop);
    };
    TestMovie m(8);
    m.sprite(1, 1).frame().end_sprite();
    m.export_symbol(1, "clip");
    m.action(Asm()
                 .member("MovieClip", "prototype").assign("mp")
                 .append(setter("p")).append(setter("q"))
                 .new_object("init").set_member("init", "p", 2).set_member("init", "q", 1)
                 .get("init").push(1, "n", "clip", 4).get("_root").push("attachMovie")
                 .op(a::CallMethod).op(a::Pop))
        .frame();
    Playing run(m.bytes());
    EXPECT_EQ(run.lines, (Lines{"p set 2", "q set 1"}));
}

TEST(Avm1Frames, ADuplicateAtItsSourcesDepthReplacesTheSource) {
    TestMovie m(7);
    m.sprite(1, 1).frame().end_sprite();
    m.place(1, 1, "c", {{OnEnterFrame, Asm()}})
        .action(Asm().push("c", "d", 1).op(a::CloneSprite).get("d").op(a::TypeOf).trace())
        .frame();
    Playing run(m.bytes(), 1);
    EXPECT_EQ(run.lines, (Lines{"movieclip"}));
}

TEST(Avm1Frames, EnterFrameComesBeforeTheFramesScripts) {
    expect_orders({
        {"clip event, handler, then the new frame", 7,
         [](TestMovie& m) {
             m.sprite(1, 2)
                 .action(Asm().append(say("S 1")).append(handler("onEnterFrame", "S onEnterFrame")))
                 .frame()
                 .action(say_and_stop("S 2"))
                 .frame()
                 .end_sprite();
             m.action(say("root 1")).place(1, 1, "s", {{OnLoad, say("S load")}, {OnEnterFrame, say("S enterFrame")}}).frame();
             m.action(say_and_stop("root 2")).frame();
         },
         2,
         {"root 1", "S load", "S 1",                                  // loading
          "S enterFrame", "S onEnterFrame", "S 2", "root 2",          // frame 2
          "S enterFrame", "S onEnterFrame"}},                         // stopped clips too
    });
}

TEST(Avm1Frames, UnloadRunsForChildrenFirst) {
    expect_orders({
        {"a removed clip and its child", 7,
         [](TestMovie& m) {
             m.sprite(2, 1).action(handler("onUnload", "child onUnload")).frame().end_sprite();
             m.sprite(1, 1).place(2, 1, "c", {{OnUnload, say("child unload")}}).frame().end_sprite();
             m.place(1, 1, "p", {{OnUnload, say("parent unload")}}).action(say("root 1")).frame();
             m.remove(1).action(say_and_stop("root 2")).frame();
         },
         1, {"root 1", "child unload", "child onUnload", "parent unload", "root 2"}},
    });
}

// Going back to frame 1 rebuilds the timeline's depths (below script depth 0) from the tags,
// whoever put what there now; the script depths keep what they hold.
TEST(Avm1Frames, ARewindRebuildsOnlyTheTimelineDepths) {
    auto typeof_after_rewind = [](const char* name) {
        return Asm().goto_frame(0).op(a::Stop).get(name).op(a::TypeOf).trace();
    };
    expect_orders({
        {"a clip the timeline placed at a script depth stays", 7,
         [&](TestMovie& m) {
             m.sprite(1, 1).frame().end_sprite();
             m.frame();
             m.place(1, 16384 + 10, "s").action(typeof_after_rewind("s")).frame();
         },
         1, {"movieclip"}},
        {"a script clip at a timeline depth goes", 7,
         [&](TestMovie& m) {
             m.frame();
             m.action(Asm().push(-16380, "e", 2).get("this").push("createEmptyMovieClip").op(a::CallMethod).op(a::Pop))
                 .action(typeof_after_rewind("e"))
                 .frame();
         },
         1, {"undefined"}},
        {"a clip swapped to a script depth stays", 7,
         [&](TestMovie& m) {
             m.sprite(1, 1).frame().end_sprite();
             m.frame();
             m.place(1, 5, "s", {{OnLoad, say("s load")}})
                 .action(Asm().push(10, 1).get("s").push("swapDepths").op(a::CallMethod).op(a::Pop))
                 .action(typeof_after_rewind("s"))
                 .frame();
         },
         1, {"s load", "movieclip"}},
        {"a clip swapped into a depth the first frame fills stands in for it", 7,
         [&](TestMovie& m) {
             m.sprite(1, 1).frame().end_sprite();
             m.sprite(2, 1).frame().end_sprite();
             m.place(1, 3, "a", {{OnLoad, say("a load")}}).frame();
             m.place(2, 4, "b", {{OnLoad, say("b load")}})
                 .action(Asm().get("b").push(1).get("a").push("swapDepths").op(a::CallMethod).op(a::Pop))
                 .action(Asm()
                             .goto_frame(0)
                             .op(a::Stop)
                             .get("a")
                             .op(a::TypeOf)
                             .trace()
                             .push(0)
                             .get("b")
                             .push("getDepth")
                             .op(a::CallMethod)
                             .trace())
                 .frame();
         },
         1, {"a load", "b load", "undefined", "-16381"}},
    });
}

TEST(Avm1Frames, InstanceNamesAndTargets) {
    auto name_of = [](const char* clip) { return Asm().member(clip, "_name").trace(); };
    expect_orders({
        {"an empty name in the tag stays empty and takes no number", 7,
         [&](TestMovie& m) {
             m.sprite(1, 1).frame().end_sprite();
             // place() writes no name for "": the second clip is the first numbered one.
             swftest::Bits b;
             b.u8(0x02 | 0x04 | 0x20);
             b.u16(1);
             b.u16(1);
             b.matrix(0, 0);
             b.str("");
             m.m.tag(26, b.bytes, true);
             m.place(1, 2, "");
             m.action(Asm()
                          .push(-16383, 1)
                          .get("this")
                          .push("getInstanceAtDepth")
                          .op(a::CallMethod)
                          .push("_name")
                          .op(a::GetMember)
                          .trace()
                          .push(-16382, 1)
                          .get("this")
                          .push("getInstanceAtDepth")
                          .op(a::CallMethod)
                          .push("_name")
                          .op(a::GetMember)
                          .trace())
                 .frame();
         },
         0, {"", "instance1"}},
        {"a copy of an empty clip, named as asked", 7,
         [&](TestMovie& m) {
             m.action(Asm()
                          .push(1, "e", 2)
                          .get("this")
                          .push("createEmptyMovieClip")
                          .op(a::CallMethod)
                          .op(a::Pop)
                          .push(2, "", 2)
                          .get("e")
                          .push("duplicateMovieClip")
                          .op(a::CallMethod)
                          .push("_name")
                          .op(a::GetMember)
                          .op(a::TypeOf)
                          .trace()
                          .push(2, 1)
                          .get("this")
                          .push("getInstanceAtDepth")
                          .op(a::CallMethod)
                          .push("_name")
                          .op(a::GetMember)
                          .trace())
                 .frame();
         },
         0, {"string", ""}},
        {"a copy into the source's own depth takes its place", 7,
         [&](TestMovie& m) {
             m.sprite(1, 1).frame().end_sprite();
             m.place(1, 1, "mc")
                 .action(Asm().push("/:mc/", "copy", -16383).op(a::CloneSprite))
                 .action(name_of("copy"))
                 .action(Asm().push("", "not a number").op(a::GetProperty).trace())  // NaN names no property
                 .frame();
         },
         0, {"copy", "undefined"}},
        {"a colon parts the names of a target path", 7,
         [&](TestMovie& m) {
             m.sprite(1, 1).frame().end_sprite();
             m.place(1, 1, "mc").action(Asm().push("/:mc/", "copy", 5).op(a::CloneSprite)).action(name_of("copy")).frame();
         },
         0, {"copy"}},
        {"tellTarget tries the code's own clip when the current target lacks the path", 7,
         [&](TestMovie& m) {
             m.sprite(2, 1).frame().end_sprite();
             m.sprite(1, 1).place(2, 1, "b").frame().end_sprite();
             m.place(1, 1, "a")
                 .action(Asm().set_target("a").set_target("a.b").push("").push(11).op(a::GetProperty).trace().set_target(""))
                 .frame();
         },
         0, {"/a/b"}},
    });
}

TEST(Avm1Frames, GotoFromAScriptQueuesTheTargetFramesScripts) {
    auto three_frames = [](TestMovie& m, const Asm& first) {
        m.action(first).frame();
        m.action(say("f2")).frame();
        m.label("three");
        m.action(say_and_stop("f3")).frame();
    };
    expect_orders({
        {"gotoAndStop", 7, [&](TestMovie& m) { three_frames(m, Asm().trace("a").goto_frame(2).trace("b")); }, 0,
         {"a", "b", "f3"}},
        {"a label", 7, [&](TestMovie& m) { three_frames(m, Asm().trace("a").goto_label("three").trace("b")); }, 0,
         {"a", "b", "f3"}},
        {"GotoFrame2 with a frame number", 7,
         [&](TestMovie& m) { three_frames(m, Asm().trace("a").push(3).rec(a::GotoFrame2, {0}).trace("b")); }, 0,
         {"a", "b", "f3"}},
        // avm1__execution_order3
        {"a clip placed in a skipped frame", 7,
         [](TestMovie& m) {
             m.sprite(1, 1).action(say("child 1")).frame().end_sprite();
             m.action(Asm().trace("a").goto_frame(2).trace("b")).frame();
             m.place(1, 1, "c").frame();
             m.action(say_and_stop("f3")).frame();
         },
         0, {"a", "b", "child 1", "f3"}},
        {"back to the first frame", 7,
         [](TestMovie& m) {
             m.action(say("f1")).frame();
             m.action(Asm().trace("f2").goto_frame(0)).frame();
         },
         1, {"f1", "f2", "f1"}},
        {"call() runs a frame's scripts at once", 7,
         [&](TestMovie& m) { three_frames(m, Asm().trace("before").push("three").rec(a::Call, {}).trace("after").op(a::Stop)); }, 0,
         {"before", "f3", "after"}},
    });
}

// =============================================================================================
// The collector
// =============================================================================================

TEST(Avm1Collector, ACycleThroughARemovedClipIsFreed) {
    // The clip's own script: this.o = {back: this, f: function() { return this; }, big: <1 MB>}
    const Asm cycle = Asm()
                          .get("this").push("o").push(0).op(a::InitObject).op(a::SetMember)
                          .member("this", "o").push("back").get("this").op(a::SetMember)
                          .member("this", "o").push("f").function("", {}, Asm().get("this").op(a::Return)).op(a::SetMember)
                          .member("this", "o").push("big").append(big_string(16)).op(a::SetMember);
    TestMovie m(7);
    m.sprite(1, 1).action(cycle).frame().end_sprite();
    m.place(1, 1, "c").frame();
    m.remove(1).action(Asm().op(a::Stop)).frame();
    Playing run(m.bytes());
    run.vm().collect();
    const size_t held = run.vm().heap.live_bytes();
    run.advance();
    run.vm().collect();
    const size_t freed = held - std::min(held, run.vm().heap.live_bytes());
    EXPECT_GT(freed, size_t(1) << 20) << "held " << held << " bytes, now " << run.vm().heap.live_bytes();
}

namespace {
// A two-frame movie that runs `code` in each of its frames, looping.
std::vector<uint8_t> every_frame(const Asm& code) {
    TestMovie m(7);
    m.action(code).frame();
    m.action(code).frame();
    return m.bytes();
}
}  // namespace

TEST(Avm1Collector, TenThousandFramesOfGarbageKeepTheHeapFlat) {
    // Every frame replaces last frame's objects: a self-cycle, an array, a closure over the
    // frame's variables, a 1 KB string and a boxed number.
    const Asm garbage = Asm()
                            .new_object("o")
                            .get("o").push("self").get("o").op(a::SetMember)
                            .get("o").push("list").push(3, 2, 1, 3).op(a::InitArray).op(a::SetMember)
                            .get("o").push("f").function("", {}, Asm().get("o").op(a::Return)).op(a::SetMember)
                            .push("s").append(big_string(6)).op(a::SetVariable)
                            .push("n").push(5, 1, "Number").op(a::NewObject).op(a::SetVariable)
                            .get("o").trace_names();
    Playing run(every_frame(garbage), 200);
    const size_t lines_per_frame = run.lines.size() / 201;
    run.lines.clear();
    run.vm().collect();
    const size_t base = run.vm().heap.live_bytes();
    size_t most = 0;
    for (int i = 0; i < 10000; ++i) {
        run.advance();
        most = std::max(most, run.vm().heap.live_bytes());
        if (run.lines.size() > 1000) run.lines.clear();
    }
    run.vm().collect();
    const size_t after = run.vm().heap.live_bytes();
    EXPECT_EQ(lines_per_frame, 3u);
    EXPECT_LE(after, base + 16 * 1024) << "live bytes went from " << base << " to " << after;
    EXPECT_LT(most, size_t(64) << 20) << "the heap grew to " << most << " bytes between collections";
}

// An array made small and then filled is counted at its filled size: a frame script making a
// 1000-element array every frame sets off collections long before thousands of them pile up.
TEST(Avm1Collector, ArraysFilledAfterTheyAreMadeCountAtTheirSize) {
    const Asm garbage = Asm().push("o").push(1000, 1, "Array").op(a::NewObject).op(a::SetVariable);
    Playing run(every_frame(garbage), 10);
    run.vm().collect();
    const size_t base = run.vm().heap.cell_count();
    size_t most = 0;
    for (int i = 0; i < 5000; ++i) {
        run.advance();
        most = std::max(most, run.vm().heap.cell_count());
    }
    // 8 MiB between collections is about 500 such arrays, a few cells each; counted at birth,
    // all 5000 of them (15,000 cells, 80 MB) stayed.
    EXPECT_LT(most - base, 5000u) << "cells went from " << base << " to " << most;
}

// =============================================================================================
// Limits
// =============================================================================================

TEST(Avm1Limits, AnEndlessLoopIsStoppedAndTheMovieGoesOn) {
    const Asm forever = Asm().label("top").jump("top");
    const struct {
        const char* what;
        Asm code;
    } cases[] = {
        {"a jump to itself", forever},
        {"in a function", Asm().function("spin", {}, forever).call("spin")},
        {"in try with catch and finally",
         Asm().try_(Try(forever).catch_(Asm().trace("caught")).finally_(Asm().trace("finally")))},
        {"calling natives", Asm().label("top").push(0).get("Math").push("random").op(a::CallMethod).op(a::Pop).jump("top")},
        {"in a with block", Asm().get("_root").with(forever)},
        {"in a getter", Asm()
                            .new_object("o").push(Null).function("", {}, forever).push("v").call_method("o", "addProperty", 3)
                            .op(a::Pop).member("o", "v")},
    };
    for (const auto& c : cases) {
        TestMovie m(7);
        m.action(say("f1")).frame();
        m.action(Asm().trace("before").append(c.code).trace("after")).frame();
        m.action(say_and_stop("f3")).frame();
        Playing run(m.bytes());
        run.vm().timeout_seconds = 0.3;
        const auto start = std::chrono::steady_clock::now();
        run.advance(2);
        const double took = seconds_since(start);
        EXPECT_EQ(run.lines, (Lines{"f1", "before", "f3"})) << c.what;
        EXPECT_EQ(run.errors.size(), 1u) << c.what;
        EXPECT_LT(took, 5.0) << c.what;
    }
}

TEST(Avm1Limits, TheScriptLimitsTagSetsTheTimeLimit) {
    TestMovie m(7);
    m.limits(256, 1);
    m.action(say("f1")).frame();
    m.action(Asm().label("top").jump("top")).frame();
    m.action(say_and_stop("f3")).frame();
    Playing run(m.bytes());
    const auto start = std::chrono::steady_clock::now();
    run.advance(2);
    const double took = seconds_since(start);
    EXPECT_EQ(run.lines, (Lines{"f1", "f3"}));
    EXPECT_EQ(run.errors.size(), 1u);
    EXPECT_GT(took, 0.9);
    EXPECT_LT(took, 5.0);
}

TEST(Avm1Limits, DeepRecursionIsStopped) {
    // function f(n) { trace(n); f(n + 1); }  f(1); trace("after")
    const Asm recurse = Asm().function("f", {"n"}, Asm().get("n").trace().get("n").push(1).op(a::Add2).call("f", 1));
    const struct {
        const char* what;
        int limit;  // ScriptLimits, 0 for none
        Asm code;
        size_t calls;  // how many levels ran
    } cases[] = {
        {"256 by default", 0, Asm().append(recurse).push(1).call("f", 1).trace("after"), 255},
        {"not catchable", 0,
         Asm().append(recurse).try_(Try(Asm().push(1).call("f", 1)).catch_(Asm().trace("caught")).finally_(Asm().trace("finally")))
             .trace("after"),
         255},
        // the list itself counts one level: a limit of 5 lets 4 calls nest
        {"ScriptLimits 5", 5, Asm().append(recurse).push(1).call("f", 1).trace("after"), 4},
        {"ScriptLimits 1000", 1000, Asm().append(recurse).push(1).call("f", 1).trace("after"), 999},
    };
    for (const auto& c : cases) {
        TestMovie m(7);
        if (c.limit) m.limits(uint16_t(c.limit), 15);
        m.action(c.code).frame();
        m.action(say_and_stop("frame 2")).frame();
        Playing run(m.bytes(), 1);
        ASSERT_EQ(run.lines.size(), c.calls + 1) << c.what;
        EXPECT_EQ(run.lines[c.calls - 1], std::to_string(c.calls)) << c.what;
        EXPECT_EQ(run.lines.back(), "frame 2") << c.what;
        EXPECT_EQ(run.errors.size(), 1u) << c.what;
    }
}

TEST(Avm1Limits, BlocksRunFromInsideBlocksCountAsLevels) {
    const struct {
        const char* what;
        std::function<void(TestMovie&)> build;
    } cases[] = {
        // a frame script that calls its own frame
        {"call() of the running frame",
         [](TestMovie& m) {
             m.label("again").action(Asm().trace("in").push("again").rec(a::Call, {})).frame();
         }},
        // a clip whose initialize handler duplicates it: each copy's handler runs at once
        {"a clip event that makes its own clip again",
         [](TestMovie& m) {
             m.sprite(1, 1).frame().end_sprite();
             m.place(1, 1, "c",
                     {{OnInitialize, Asm().trace("in").push("", "d").push(1000000).op(a::RandomNumber).push(16384)
                                         .op(a::Add2).op(a::CloneSprite)}})
                 .frame();
         }},
    };
    for (const auto& c : cases) {
        TestMovie m(7);
        c.build(m);
        m.action(say_and_stop("frame 2")).frame();
        Playing run(m.bytes(), 1);
        ASSERT_FALSE(run.lines.empty()) << c.what;
        EXPECT_EQ(run.lines.back(), "frame 2") << c.what;
        EXPECT_LE(run.lines.size(), 258u) << c.what;
        EXPECT_FALSE(run.errors.empty()) << c.what;
    }
}

TEST(Avm1Limits, AFrameThatKeepsQueueingScriptsIsCut) {
    // Each copy's handlers copy the clip again onto one depth: every copy replaces (and unloads)
    // the one before, and every unload and load queues more work than it does.
    const Asm copy = Asm().push("", "x", 20000).op(a::CloneSprite);
    TestMovie m(7);
    m.sprite(1, 1).frame().end_sprite();
    m.place(1, 1, "c", {{OnInitialize | OnLoad | OnUnload, copy}}).frame();
    m.action(say_and_stop("frame 2")).frame();
    const auto start = std::chrono::steady_clock::now();
    Playing run(m.bytes(), 1);
    EXPECT_LT(seconds_since(start), 10.0);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "frame 2");
    EXPECT_FALSE(run.errors.empty());
}

TEST(Avm1Limits, TheDeepestRecursionAMovieMayAskForDoesNotOverflowTheNativeStack) {
    // ScriptLimits allows 65535 levels and every level is native stack: the machine has to stop
    // the script before the thread's stack runs out. A child process runs it, so that a crash
    // fails this test only.
    auto deep = [] {
        TestMovie m(7);
        m.limits(65535, 15);
        m.action(Asm().function("f", {}, Asm().call("f")).call("f").trace("after")).frame();
        m.action(say_and_stop("frame 2")).frame();
        Playing run(m.bytes(), 1);
        std::exit(!run.lines.empty() && run.lines.back() == "frame 2" ? 0 : 1);
    };
    EXPECT_EXIT(deep(), ::testing::ExitedWithCode(0), "");
}

// =============================================================================================
// Damaged action blocks
// =============================================================================================

TEST(Avm1Malformed, ADamagedBlockStopsOnlyItself) {
    // DefineFunction "f" whose body claims 500 bytes; the block ends after its first action.
    auto long_function = [] {
        std::vector<uint8_t> p = {'f', 0, 0, 0};
        Asm::put_u16(p, 500);
        return Asm().trace("a").rec(a::DefineFunction, p).trace("in f");
    };
    auto long_with = [] { return Asm().trace("a").get("_root").rec(a::With, {0xF4, 0x01}).trace("in with"); };
    auto long_try = [] { return Asm().trace("a").rec(a::Try, {0x03, 0xF4, 0x01, 10, 0, 10, 0, 'e', 0}).trace("in try"); };
    // Every popping action once, on an empty stack.
    auto underflow = [] {
        Asm code;
        for (uint8_t op : {a::Add, a::Subtract, a::Multiply, a::Divide, a::Equals, a::Less, a::And, a::Or, a::Not,
                           a::StringEquals, a::StringLength, a::StringExtract, a::Pop, a::ToInteger, a::GetVariable,
                           a::SetVariable, a::StringAdd, a::GetProperty, a::SetProperty, a::StringLess, a::CastOp,
                           a::ImplementsOp, a::RandomNumber, a::MBStringLength, a::CharToAscii, a::AsciiToChar,
                           a::MBStringExtract, a::Delete, a::Delete2, a::DefineLocal, a::CallFunction, a::Modulo,
                           a::NewObject, a::DefineLocal2, a::InitArray, a::InitObject, a::TypeOf, a::TargetPath,
                           a::Enumerate, a::Add2, a::Less2, a::Equals2, a::ToNumber, a::ToString, a::PushDuplicate,
                           a::StackSwap, a::GetMember, a::SetMember, a::Increment, a::Decrement, a::CallMethod,
                           a::NewMethod, a::InstanceOf, a::Enumerate2, a::BitAnd, a::BitOr, a::BitXor, a::BitLShift,
                           a::BitRShift, a::BitURShift, a::StrictEquals, a::Greater, a::StringGreater, a::Extends})
            code.op(op).push(Undef).op(a::Pop);  // the Push keeps the loop from building up values
        return code.trace("after");
    };
    const struct {
        const char* what;
        std::vector<uint8_t> block;
        Lines want;
        bool ends_only;  // the machine chooses what runs: only the first and last lines are fixed
    } cases[] = {
        {"a jump past the end", Asm().trace("a").jump_by(1000).trace("b").block(), {"a", "next"}, false},
        {"a jump before the start", Asm().trace("a").jump_by(-1000).trace("b").block(), {"a", "next"}, false},
        {"a jump into a record", Asm().trace("a").jump_by(2).trace("b").block(), {"a", "next"}, false},
        {"a branch into a record", Asm().trace("a").push(B(true)).if_by(1).trace("b").block(), {"a", "next"}, false},
        {"stack underflow", Asm().op(a::Pop).op(a::Pop).op(a::Add2).trace().trace("after").block(), {"NaN", "after", "next"},
         false},
        {"every action on an empty stack", underflow().block(), {"after", "next"}, true},
        {"a pool index past the pool", Asm().pool({"x"}).push(C8(5)).trace().push(C16(300)).trace().block(),
         {"undefined", "undefined", "next"}, false},
        {"a pool index with no pool", Asm().push(C8(0)).trace().block(), {"undefined", "next"}, false},
        {"a record longer than the block", Asm().trace("a").raw({a::Push, 50, 0, 0, 'x'}).block(), {"a", "next"}, false},
        {"a payload cut short", Asm().trace("a").rec(a::Push, {0, 'x'}).trace("b").block(), {"a", "next"}, false},
        {"a length field cut short", std::vector<uint8_t>{a::Push, 3}, {"next"}, false},
        // records cut short after asking for a branch target: the block ends before them
        {"a Try whose catch name runs out", Asm().trace("a").rec(a::Try, {0x01, 5, 0, 5, 0, 0, 0, 'e'}).trace("b").block(),
         {"a", "next"}, false},
        {"a Jump with one byte of offset", Asm().trace("a").rec(a::Jump, {5}).trace("b").block(), {"a", "next"}, false},
        {"a DefineFunction whose parameters run out", Asm().trace("a").rec(a::DefineFunction, {'f', 0, 2, 0, 'x'}).trace("b").block(),
         {"a", "next"}, false},
        {"a Push of an unknown type", Asm().trace("a").push({P("s"), BadType(10)}).trace().trace("b").block(),
         {"a", "next"}, true},
        {"a function body longer than the block", long_function().block(), {"a", "next"}, true},
        {"a with body longer than the block", long_with().block(), {"a", "next"}, true},
        {"try sizes past the block", long_try().block(), {"a", "next"}, true},
        {"a register count of 0 and a parameter in register 200", 
         Asm().function2("f", 0, PreloadThis | PreloadGlobal | PreloadArguments, {{200, "x"}}, Asm().trace(R(200)).trace(R(1)))
             .push(1).call("f", 1).op(a::Pop).trace("c").block(),
         {"undefined", "undefined", "c", "next"}, true},
        {"a catch register past the registers", Asm().try_(Try(Asm().push("x").op(a::Throw)).catch_reg(200, Asm().trace("caught"))).block(),
         {"caught", "next"}, false},
        {"StoreRegister 255", Asm().push(1).store(255).trace(R(255)).block(), {"undefined", "next"}, false},
        {"a goto past the last frame", Asm().goto_frame(60000).trace("b").block(), {"b", "next"}, false},
        {"unknown actions are skipped", Asm().op(0x01).op(0x7F).rec(0xFE, {1, 2, 3}).trace("a").block(), {"a", "next"}, false},
        {"a pool shorter than its count", Asm().rec(a::ConstantPool, {5, 0, 'x', 0}).push(C8(0)).trace().block(), {"x", "next"},
         true},
        {"huge counts", Asm().trace("s").push(1000000000).op(a::InitArray).trace().push(1e9, 5).op(a::ImplementsOp)
                            .push(-5, "f").op(a::CallFunction).trace("c").block(),
         {"s", "c", "next"}, true},
        // avm1__init_object_invalid (SWF8): a count the stack cannot hold gives undefined
        {"InitObject with a count past the stack", Asm().push("a", "b", "c", 4294967297.0).op(a::InitObject)
                                                        .trace().trace().trace().trace().block(),
         {"undefined", "c", "b", "a", "next"}, false},
        {"no End", Asm().trace("a").bytes(), {"a", "next"}, false},
        {"an empty block", std::vector<uint8_t>{}, {"next"}, false},
    };
    for (const auto& c : cases) {
        TestMovie m(7);
        m.action_bytes(c.block).action(say("next")).frame();
        Playing run(m.bytes());
        if (c.ends_only) {
            ASSERT_FALSE(run.lines.empty()) << c.what;
            EXPECT_EQ(run.lines.front(), c.want.front()) << c.what;
            EXPECT_EQ(run.lines.back(), c.want.back()) << c.what;
        } else {
            EXPECT_EQ(run.lines, c.want) << c.what;
        }
    }
}

// =============================================================================================
// Timeline and display properties under scripts
// =============================================================================================

// Once a script sets a clip's position, scale, rotation, alpha or colour, the timeline's later
// moves leave its transform alone; a clip no script touched still follows them.
TEST(Avm1Frames, AScriptTransformedClipIgnoresTheTimelinesMoves) {
    struct Case {
        const char* what;
        Asm touch;
        const char* want;
    };
    const Case cases[] = {
        {"untouched", Asm(), "100"},
        {"_x set", Asm().set_member("s", "_x", 5), "5"},
        {"_alpha set", Asm().set_member("s", "_alpha", 50), "0"},
        {"colour set through Color", Asm().push(0).get("s").construct("Color", 1).push("c").op(a::StackSwap)
                                         .op(a::SetVariable).call_method("c", "setRGB", 1).op(a::Pop), "0"},
    };
    for (const Case& c : cases) {
        TestMovie m(7);
        m.sprite(1, 1).frame().end_sprite();
        m.place(1, 1, "s").action(c.touch).frame();
        m.m.move(1, 2000, 0);
        m.action(Asm().member("s", "_x").trace().op(a::Stop)).frame();
        Playing run(m.bytes(), 1);
        EXPECT_EQ(run.lines, (Lines{c.want})) << c.what;
    }
}

// Gotos with frames the timeline does not have, or on another clip's timeline.
TEST(Avm1Frames, GotoTargets) {
    auto current_frame = [] { return Asm().push("", 4).op(a::GetProperty).trace(); };
    auto goto_and_stop = [](const P& frame) { return Asm().push({frame}).rec(a::GotoFrame2, {0}); };
    const struct {
        const char* what;
        Asm code;
        Lines want;
    } cases[] = {
        {"past the last frame: lands there, its script does not run", goto_and_stop(99).append(current_frame()),
         {"3"}},
        {"a fractional frame goes nowhere", goto_and_stop(2.5).append(current_frame()), {"1"}},
        {"the frame's script runs after the one that jumped", goto_and_stop(3).append(current_frame()),
         {"3", "frame 3"}},
        {"\"/:3\" from a child's gotoAndStop moves the root",
         Asm().push("/:3").call_method("s", "gotoAndStop", 1).op(a::Pop).append(current_frame()),
         {"3", "frame 3"}},
    };
    for (const auto& c : cases) {
        TestMovie m(7);
        m.sprite(1, 1).frame().end_sprite();
        m.place(1, 1, "s").action(c.code).action(Asm().op(a::Stop)).frame();
        m.frame();
        m.action(say("frame 3")).frame();
        Playing run(m.bytes());
        EXPECT_EQ(run.lines, c.want) << c.what;
    }
}

// WaitForFrame2 skips its actions only for frames past the most a movie may have (16000 frames
// counted from 0), the number wrapping as a 32-bit integer.
TEST(Avm1Frames, WaitForFrame2SkipsOnlyFramesNoMovieHas) {
    const struct {
        double frame;
        bool loaded;
    } cases[] = {{1, true}, {-43, true}, {16001, true}, {16002, false}, {2147483647, false}, {2147483648.0, false},
                 {2147483649.0, true}, {16002.5, true}};
    for (const auto& c : cases) {
        TestMovie m(7);
        m.action(Asm().push(c.frame).rec(0x8D, {2}).trace("loaded").trace("after")).frame();
        Playing run(m.bytes());
        EXPECT_EQ(run.lines, c.loaded ? (Lines{"loaded", "after"}) : (Lines{"after"})) << c.frame;
    }
}

// tellTarget: a clip is found again by its path; a target that names nothing reads as nothing.
TEST(Avm1Frames, SetTargetResolvesClipsByPath) {
    auto name_in = [](Asm target) {
        return target.op(a::SetTarget2).push("", 13).op(a::GetProperty).set_target("").trace();
    };
    const struct {
        const char* what;
        Asm code;
        const char* want;
    } cases[] = {
        {"a clip", name_in(Asm().get("a")), "a"},
        {"the higher of two same-named clips gives the lower", name_in(Asm().get("b")), "a"},
        {"a path string", name_in(Asm().push("a")), "a"},
        {"no such clip", name_in(Asm().push("nothing")), "undefined"},
        {"a plain object", name_in(Asm().new_object("o").get("o")), "undefined"},
    };
    for (const auto& c : cases) {
        TestMovie m(7);
        m.sprite(1, 1).frame().end_sprite();
        m.place(1, 1, "a").place(1, 2, "a");
        // b = the clip at file depth 2
        m.action(Asm().push("b").push(-16382).call_method("this", "getInstanceAtDepth", 1).op(a::SetVariable))
            .action(c.code)
            .frame();
        Playing run(m.bytes());
        EXPECT_EQ(run.lines, (Lines{c.want})) << c.what;
    }
}

// SetProperty: values that are no number leave the property alone; the root keeps its own
// alpha, visibility and name; the quality settings are the player's.
TEST(Avm1Frames, SetPropertyValues) {
    auto set = [](int index, const P& v) { return Asm().push({P(""), P(index), v}).op(a::SetProperty); };
    auto get = [](int index) { return Asm().push("", index).op(a::GetProperty).trace(); };
    const struct {
        const char* what;
        int version;
        Asm code;
        Lines want;
    } cases[] = {
        {"undefined keeps _x", 5, set(0, 7).append(set(0, Undef)).append(get(0)), {"7"}},
        {"a non-number keeps _x", 7, set(0, 7).append(set(0, "7x")).append(get(0)), {"7"}},
        {"the root's alpha", 6, set(6, 50).append(get(6)), {"50"}},
        {"the root's visibility", 6, set(7, 0).append(get(7)), {"false"}},
        {"the root's name", 6, set(13, "r").append(get(13)), {"r"}},
        {"an infinite alpha is 0", 6, set(6, 1.0 / 0.0).append(get(6)), {"0"}},
        {"_highquality 0 reads LOW", 6, set(16, 0).append(get(16)).append(get(19)), {"0", "LOW"}},
        {"_highquality past 2 is BEST", 6, set(16, 7).append(get(16)).append(get(19)), {"2", "BEST"}},
        {"_quality by name", 6, set(19, "medium").append(get(19)), {"MEDIUM"}},
        {"_focusrect reads as a number in SWF5", 5, set(17, 0).append(get(17)), {"0"}},
        {"an infinite _soundbuftime", 6, set(18, 1.0 / 0.0).append(get(18)), {"-2147483648"}},
    };
    for (const auto& c : cases) {
        TestMovie m(c.version);
        m.action(c.code).frame();
        Playing run(m.bytes());
        EXPECT_EQ(run.lines, c.want) << c.what;
    }
}

namespace {

// Renders the frame a host would show now, into a small target.
void show(swf::Player& p) {
    std::vector<uint32_t> px(40 * 40);
    p.render({px.data(), 40, 40, 160, swf::PixelFormat::BgraPremultiplied});
}

}  // namespace

// A host skips drawing when nothing could have changed since the last render; every way a
// picture changes must still ask for one.
TEST(Avm1Frames, APictureIsRedrawnOnlyWhenSomethingCouldHaveChanged) {
    using namespace avm1test;
    {
        // A root stopped by its first frame's script: after the one render nothing changes.
        TestMovie m;
        m.sprite(1, 1).frame().end_sprite();
        m.place(1, 1, "mc").action(Asm().op(a::Stop)).frame();
        m.remove(1).frame();
        Playing run(m.bytes());
        EXPECT_TRUE(run.player.picture_changed());  // nothing rendered yet
        show(run.player);
        EXPECT_FALSE(run.player.picture_changed());
        for (int i = 0; i < 3; ++i) EXPECT_FALSE(run.advance().player.picture_changed());
        // The second frame removes the clip; back on the first, it is placed anew.
        run.player.goto_frame(1);
        EXPECT_TRUE(run.player.picture_changed());
        show(run.player);
        run.player.goto_frame(0);
        EXPECT_TRUE(run.player.picture_changed());
    }
    {
        // A clip's enterFrame handler runs every frame: whatever it did, the frame is drawn.
        TestMovie m;
        m.sprite(1, 1).frame().end_sprite();
        m.place(1, 1, "mc", {{swf::avm1::EvEnterFrame, Asm().push({P(1)}).op(a::Pop)}}).frame();
        Playing run(m.bytes());
        show(run.player);
        EXPECT_TRUE(run.advance().player.picture_changed());
    }
    {
        // A one-frame movie with no script loops onto the frame it shows; a call from the host
        // (as an interval's would be) counts as a change.
        TestMovie m;
        m.sprite(1, 1).frame().end_sprite();
        m.place(1, 1, "mc").frame();
        Playing run(m.bytes());
        show(run.player);
        EXPECT_FALSE(run.advance().player.picture_changed());
        swf::avm1::Vm& vm = run.vm();
        vm.call(vm.get(vm.global, vm.intern("escape")), swf::avm1::Value(), nullptr, 0);
        EXPECT_TRUE(run.player.picture_changed());
    }
}

// A clip with many children finds them by name through an index; it must find what a search of
// the list would: the lowest depth of a name, names as renamed, swapped, removed and, before
// version 7, in any case.
TEST(Avm1Frames, ChildrenOfALongListAreFoundByTheirNamesNow) {
    using avm1test::Script;
    for (int version : {6, 8}) {
        Script s(version);
        const Script::Value root = s.root();
        for (int i = 1; i <= 40; ++i) s.call(root, "createEmptyMovieClip", {s.s(("c" + std::to_string(i)).c_str()), i});
        auto depth_of = [&](const char* name) {
            const Script::Value c = s.get(root, name);
            return c.is_object() ? int(s.vm.to_number(s.call(c, "getDepth"))) : -1;
        };
        EXPECT_EQ(depth_of("c7"), 7);
        EXPECT_EQ(depth_of("C7"), version < 7 ? 7 : -1);
        EXPECT_EQ(depth_of("c41"), -1);
        // Renamed: found by the new name only.
        s.set(s.get(root, "c7"), "_name", s.s("seven"));
        EXPECT_EQ(depth_of("seven"), 7);
        EXPECT_EQ(depth_of("c7"), -1);
        // Two of one name: the lower depth answers, and the other once that one is gone.
        s.set(s.get(root, "c30"), "_name", s.s("seven"));
        EXPECT_EQ(depth_of("seven"), 7);
        s.call(s.get(root, "seven"), "removeMovieClip");
        EXPECT_EQ(depth_of("seven"), 30);
        // Swapped depths.
        s.call(s.get(root, "c2"), "swapDepths", {50});
        EXPECT_EQ(depth_of("c2"), 50);
        s.call(root, "createEmptyMovieClip", {s.s("c2"), 2});
        EXPECT_EQ(depth_of("c2"), 2);
    }
}
