// Sound objects (shared per-clip volume, paths looked up again at each call, attached sounds),
// flash.filters objects (conversions, gradient slots, MovieClip.filters to the display list) and
// the natives reached by number. Expected values follow recorded runs of the original player.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "avm1_test_util.h"
#include "swf/avm1/clip.h"
#include "swf/avm1/sound.h"
#include "swf/avm1/vm.h"

namespace {

using namespace avm1test;
using swf::avm1::ClipObject;
using swf::avm1::Runtime;
using swf::avm1::SoundTransform;
using swf::avm1::Value;
using swf::avm1::Vm;

// A root holding clip "mc" (sprite 1) and sound 2 exported as "beep": 16008 samples at 11 kHz.
std::vector<uint8_t> sound_movie(int version) {
    TestMovie m(version);
    m.sprite(1, 1).frame().end_sprite();
    std::vector<uint8_t> snd = {2, 0, uint8_t(2 << 4 | 1 << 2 | 2), 0, 0, 0, 0, 0xAA, 0xBB};
    const uint32_t samples = 16008;
    for (int i = 0; i < 4; ++i) snd[3 + i] = uint8_t(samples >> (8 * i));
    m.m.tag(14, snd, true);
    m.export_symbol(2, "beep");
    m.place(1, 1, "mc").frame();
    return m.bytes();
}

// The sound movie, its objects called from the test.
struct SoundScript : Script {
    explicit SoundScript(int version = 8) : Script(sound_movie(version)) {}
};

// ---------------------------------------------------------------------------------------------
// Sound
// ---------------------------------------------------------------------------------------------
TEST(Avm1Sound, PanReadsFromTheLeftWeightUnlessItIsFull) {
    struct Case {
        int32_t ll, rr, pan;
    } cases[] = {
        {100, 100, 0}, {50, 100, 50}, {-150, 7, -50}, {0, -150, 100}, {100, -50, -50},
        {100, 150, 50}, {100, 0, -100}, {INT32_MIN, 100, int32_t(0x80000064u)},  // 100 - 2^31 wraps
    };
    for (const Case& c : cases) {
        SoundTransform t;
        t.ll = c.ll, t.rr = c.rr;
        EXPECT_EQ(t.pan(), c.pan) << c.ll << "," << c.rr;
    }
}

TEST(Avm1Sound, SetPanTurnsOneSideDownAndWrapsAtTheEdges) {
    SoundTransform t;
    t.lr = t.rl = 999;
    t.set_pan(200);
    EXPECT_EQ(t.ll, -100);
    EXPECT_EQ(t.rr, 100);
    EXPECT_EQ(t.lr, 0);
    EXPECT_EQ(t.pan(), 0);
    t.set_pan(INT32_MIN);
    EXPECT_EQ(t.ll, 100);
    EXPECT_EQ(t.rr, -2147483548);
    EXPECT_EQ(t.pan(), 2147483448);
}

TEST(Avm1Sound, VolumeConversionSaturatesToTheLowestInteger) {
    SoundScript sc;
    Value snd = sc.make("Sound");
    struct Case {
        std::vector<Value> args;
        double volume;
    } cases[] = {
        {{}, 0},
        {{50.5}, 50},
        {{NAN}, -2147483648.0},
        {{2147483648.0}, -2147483648.0},
        {{-3e9}, -2147483648.0},
        {{2147483647.0}, 2147483647.0},
        {{Value(true)}, 1},
    };
    for (const Case& c : cases) {
        sc.call(snd, "setVolume", c.args);
        EXPECT_EQ(sc.call(snd, "getVolume").n, c.volume);
    }
}

TEST(Avm1Sound, SetTransformWrapsOwnFieldsAndLeavesTheRest) {
    SoundScript sc;
    Value snd = sc.make("Sound");
    Value proto = sc.vm.new_object();
    sc.set(proto, "lr", 22.0);
    Value o = sc.vm.new_object(proto.object());
    sc.set(o, "ll", 3e9);
    sc.set(o, "rr", NAN);
    sc.call(snd, "setTransform", {o});
    Value t = sc.call(snd, "getTransform");
    EXPECT_EQ(sc.get(t, "ll").n, -1294967296.0);
    EXPECT_EQ(sc.get(t, "rr").n, 0);
    EXPECT_EQ(sc.get(t, "lr").n, 0);  // only own properties count
}

TEST(Avm1Sound, SoundsOfOneClipShareItsVolumeAndOthersKeepTheirs) {
    SoundScript sc;
    Value a = sc.make("Sound", {sc.clip()}), b = sc.make("Sound", {sc.s("mc")}), g = sc.make("Sound");
    sc.call(a, "setVolume", {30.0});
    EXPECT_EQ(sc.call(b, "getVolume").n, 30);
    EXPECT_EQ(sc.call(g, "getVolume").n, 100);
    sc.call(g, "setVolume", {7.0});
    EXPECT_EQ(sc.call(sc.make("Sound"), "getVolume").n, 7);
    EXPECT_EQ(static_cast<ClipObject*>(sc.clip().object())->sound.volume, 30);
}

TEST(Avm1Sound, TargetIsAPathLookedUpAtEachCall) {
    SoundScript sc;
    Value snd = sc.make("Sound", {sc.clip()});
    sc.call(snd, "setVolume", {40.0});
    sc.set(sc.clip(), "_name", sc.s("other"));
    EXPECT_TRUE(sc.call(snd, "getVolume").is_undefined());
    sc.call(snd, "setVolume", {5.0});  // dropped: nothing answers to the path
    sc.set(sc.get(sc.root(), "other"), "_name", sc.s("mc"));
    EXPECT_EQ(sc.call(snd, "getVolume").n, 40);
    EXPECT_TRUE(sc.call(sc.make("Sound", {sc.s("nothing")}), "getPan").is_undefined());
}

TEST(Avm1Sound, AttachedSoundGivesDurationAndPlayingState) {
    SoundScript sc;
    Value snd = sc.make("Sound");
    EXPECT_TRUE(sc.get(snd, "duration").is_undefined());
    EXPECT_TRUE(sc.call(snd, "getPosition").is_undefined());
    sc.call(snd, "attachSound", {sc.s("nope")});
    EXPECT_TRUE(sc.call(snd, "getDuration").is_undefined());
    sc.call(snd, "attachSound", {sc.s("beep")});
    EXPECT_EQ(sc.get(snd, "duration").n, 1452);  // 16008 / 11025 s, rounded
    EXPECT_EQ(sc.get(snd, "position").n, 0);

    swf::avm1::SoundHub* hub = swf::avm1::sound_hub(sc.vm);
    ASSERT_NE(hub, nullptr);
    sc.call(snd, "start", {1.5, 3.0});
    auto* state = swf::avm1::native_of<swf::avm1::SoundState>(snd);
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(state->playing);
    EXPECT_EQ(state->start_offset, 1.5);
    EXPECT_EQ(state->loops, 3);
    EXPECT_EQ(hub->playing.size(), 1u);
    sc.call(snd, "stop", {sc.s("beep")});
    EXPECT_FALSE(state->playing);
    EXPECT_TRUE(hub->playing.empty());

    // stop() without a name: a clip's Sound stops that clip's sounds, the movie's stops all.
    Value mine = sc.make("Sound", {sc.clip()});
    sc.call(mine, "attachSound", {sc.s("beep")});
    sc.call(mine, "start");
    sc.call(snd, "start");
    sc.call(sc.make("Sound", {sc.clip()}), "stop");
    ASSERT_EQ(hub->playing.size(), 1u);
    EXPECT_EQ(hub->playing[0], snd.object());
    sc.call(mine, "start");
    sc.call(sc.make("Sound"), "stop");
    EXPECT_TRUE(hub->playing.empty());
    EXPECT_EQ(hub->stop_all, 1);
}

TEST(Avm1Sound, DurationAndPositionCanBeShadowedOnTheObject) {
    SoundScript sc;
    Value snd = sc.make("Sound");
    sc.set(snd, "duration", sc.s("test"));
    EXPECT_EQ(sc.text(sc.get(snd, "duration")), "test");
    snd.object()->remove(sc.vm.intern("duration"), true);
    EXPECT_TRUE(sc.get(snd, "duration").is_undefined());
}

TEST(Avm1Sound, LoaderKeepsTheSoundHeader) {
    SoundScript sc;
    const swf::Character* ch = sc.run.player.movie()->find(2);
    ASSERT_NE(ch, nullptr);
    ASSERT_EQ(ch->kind, swf::CharKind::Sound);
    const auto& def = static_cast<const swf::SoundDef&>(*ch);
    EXPECT_EQ(def.format, 2);
    EXPECT_EQ(def.sample_rate(), 11025);
    EXPECT_TRUE(def.sixteen_bit);
    EXPECT_FALSE(def.stereo);
    EXPECT_EQ(def.sample_count, 16008u);
    EXPECT_EQ(def.data, (std::vector<uint8_t>{0xAA, 0xBB}));
}

// ---------------------------------------------------------------------------------------------
// flash.filters
// ---------------------------------------------------------------------------------------------
TEST(Avm1Filters, SettersClampAndConvertLikeTheOriginal) {
    SoundScript sc;
    struct Case {
        const char* cls;
        const char* prop;
        Value in;
        const char* out;
    } cases[] = {
        {"GlowFilter", "alpha", 0.5, "0.498039215686275"},
        {"GlowFilter", "alpha", 1.5, "1"},
        {"GlowFilter", "color", 16777471.0, "255"},
        {"GlowFilter", "color", -305419896.0, "13347208"},
        {"GlowFilter", "quality", 2.5, "2"},
        {"GlowFilter", "quality", 100.0, "15"},
        {"GlowFilter", "strength", 256.0, "255"},
        {"BlurFilter", "blurX", -1.0, "0"},
        {"BlurFilter", "blurY", 100.5, "100.5"},
        {"BevelFilter", "angle", 366.0, "6"},
        {"BevelFilter", "angle", -1.0, "-1"},
        {"BevelFilter", "distance", -1.0, "-1"},
        {"BevelFilter", "type", sc.s("INNER"), "full"},
        {"BevelFilter", "type", sc.s("outer"), "outer"},
        {"DropShadowFilter", "hideObject", Value::null(), "false"},
        {"DisplacementMapFilter", "mode", sc.s("Color"), "wrap"},
        {"DisplacementMapFilter", "mode", sc.s("ignore"), "ignore"},
        {"DisplacementMapFilter", "scaleX", 65536.0, "65535"},
        {"DisplacementMapFilter", "componentX", -234.5, "-234"},
        {"ConvolutionFilter", "matrixX", 100.0, "15"},
    };
    for (const Case& c : cases) {
        Value f = sc.make(std::string("flash.filters.") + c.cls);
        sc.set(f, c.prop, c.in);
        EXPECT_EQ(sc.text(sc.get(f, c.prop)), c.out) << c.cls << "." << c.prop;
    }
}

TEST(Avm1Filters, GradientArraysShareOneCountOverSixteenSlots) {
    SoundScript sc;
    Value f = sc.make("flash.filters.GradientGlowFilter");
    auto show = [&] {
        return sc.text(sc.get(f, "colors")) + "|" + sc.text(sc.get(f, "alphas")) + "|" + sc.text(sc.get(f, "ratios"));
    };
    sc.set(f, "alphas", sc.array({1.0}));
    EXPECT_EQ(show(), "||");
    sc.set(f, "colors", sc.array({-305419896.0, 10.0}));
    EXPECT_EQ(show(), "13347208,10|0,0|0,0");
    sc.set(f, "ratios", sc.array({500.0, 50.5, 100.0}));
    EXPECT_EQ(show(), "13347208,10|0,0|255,50");
    sc.set(f, "colors", sc.s("ASDF"));
    EXPECT_EQ(show(), "0,0,0,0|0,0,0,0|255,50,0,0");
    sc.set(f, "alphas", sc.array({0.5, 1.5, -0.5}));
    EXPECT_EQ(show(), "0,0,0,0|0.501960784313725,1,0,1|255,50,0,0");
    sc.set(f, "ratios", sc.array({50.0}));
    EXPECT_EQ(show(), "0|0.501960784313725|50");
    sc.set(f, "colors", 5.0);
    EXPECT_EQ(show(), "||");
}

TEST(Avm1Filters, ConvolutionKernelGrowsToItsSizeButNeverShrinks) {
    SoundScript sc;
    Value f = sc.make("flash.filters.ConvolutionFilter");
    sc.set(f, "matrix", sc.array({1.0, 2.0, 3.0, 4.0, 5.0}));
    sc.set(f, "matrixX", 3.5);
    EXPECT_EQ(sc.text(sc.get(f, "matrix")), "1,2,3,4,5");
    sc.set(f, "matrixY", 2.0);
    EXPECT_EQ(sc.text(sc.get(f, "matrix")), "1,2,3,4,5,0");
    sc.set(f, "matrix", sc.s("ASD"));  // a string's length, its entries NaN
    EXPECT_EQ(sc.text(sc.get(f, "matrix")), "NaN,NaN,NaN,0,0,0");
}

TEST(Avm1Filters, ColorMatrixFillsMissingEntriesWithNaN) {
    SoundScript sc;
    Value f = sc.make("flash.filters.ColorMatrixFilter", {Value::null()});
    EXPECT_EQ(sc.text(sc.get(f, "matrix")), "1,0,0,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,1,0");
    sc.set(f, "matrix", sc.array({Value(true), Value::null()}));
    EXPECT_EQ(sc.text(sc.get(f, "matrix")), "1,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN,NaN");
}

TEST(Avm1Filters, ConstructorRunsOnceAndCloneCopies) {
    SoundScript sc;
    Value f = sc.make("flash.filters.BlurFilter", {10.0, 20.0, 4.0});
    Value ctor = sc.global("flash.filters.BlurFilter");
    Value args[3] = {1.0, 2.0, 3.0};
    sc.vm.call(ctor, f, args, 3);  // as super() a second time
    EXPECT_EQ(sc.get(f, "blurX").n, 10);
    Value copy = sc.call(f, "clone");
    sc.set(copy, "blurX", 30.0);
    EXPECT_EQ(sc.get(copy, "blurY").n, 20);
    EXPECT_EQ(sc.get(f, "blurX").n, 10);
    // A plain object of the class has no settings to read.
    Value bare = sc.vm.new_object(sc.get(ctor, "prototype").object());
    EXPECT_TRUE(sc.get(bare, "blurX").is_undefined());
}

TEST(Avm1Filters, ClipFiltersReachTheDisplayListAndReadBack) {
    SoundScript sc;
    Value glow = sc.make("flash.filters.GlowFilter", {0x336699, 0.5, 8.0, 9.0, 3.0, 2.0, Value(true)});
    Value shadow = sc.make("flash.filters.DropShadowFilter", {5.0, 45.0});
    Value map = sc.make("flash.filters.DisplacementMapFilter");
    sc.set(sc.clip(), "filters", sc.array({glow, sc.s("junk"), map, shadow}));
    ASSERT_TRUE(sc.inst()->filters);
    const swf::FilterList& list = *sc.inst()->filters;
    ASSERT_EQ(list.size(), 2u);  // the string and the displacement map are left out
    EXPECT_EQ(list[0].type, swf::FilterType::Glow);
    EXPECT_EQ(list[0].color, (swf::RGBA{0x33, 0x66, 0x99, 127}));
    EXPECT_EQ(list[0].blur_x, 8);
    EXPECT_EQ(list[0].passes, 2);
    EXPECT_TRUE(list[0].inner);
    EXPECT_EQ(list[1].type, swf::FilterType::DropShadow);

    Value back = sc.get(sc.clip(), "filters");
    EXPECT_EQ(sc.get(back, "length").n, 2);
    Value first = sc.get(back, "0");
    EXPECT_EQ(sc.get(first, "color").n, 0x336699);
    EXPECT_FALSE(swf::avm1::strictly_equal(first, glow));  // copies, not the objects set
    EXPECT_EQ(sc.text(sc.get(sc.get(back, "1"), "angle")), "44.9999999772279");

    sc.set(sc.clip(), "filters", sc.array({}));
    EXPECT_FALSE(sc.inst()->filters);
}

// ---------------------------------------------------------------------------------------------
// Natives by number
// ---------------------------------------------------------------------------------------------
TEST(Avm1Natives, AsNativeTakesExactlyTwoIntegers) {
    SoundScript sc;
    Value asnative = sc.global("ASnative");
    EXPECT_EQ(sc.text(sc.call_fn(sc.call_fn(asnative, {100.0, 0.0}), {sc.s("&")})), "%26");
    EXPECT_EQ(sc.text(sc.call_fn(sc.call_fn(asnative, {sc.s("100"), 4294967297.0}), {sc.s("%26")})), "&");
    EXPECT_TRUE(sc.call_fn(asnative, {100.0}).is_undefined());
    EXPECT_TRUE(sc.call_fn(asnative, {100.0, 0.0, 0.0}).is_undefined());
    EXPECT_TRUE(sc.call_fn(asnative, {100.0, 65536.0}).is_undefined());
}

TEST(Avm1Natives, SetNativeNumbersNamesFromTheFirstIndex) {
    SoundScript sc;
    Value d = sc.make("Date", {1234.0});
    sc.call_fn(sc.global("ASSetNative"), {d, 103.0, sc.s(",,t"), 14.0});
    EXPECT_EQ(sc.call(d, "t").n, 1234);

    Value f = sc.make("flash.filters.ConvolutionFilter");
    // Two numbers per name: "alpha2" gets the getter 17 and the setter 18.
    sc.call_fn(sc.global("ASSetNativeAccessor"), {f, 1109.0, sc.s(",alpha2"), 15.0});
    sc.set(f, "alpha2", 0.8);
    EXPECT_EQ(sc.text(sc.get(f, "alpha")), "0.8");
    EXPECT_EQ(sc.text(sc.get(f, "alpha2")), "0.8");
}

}  // namespace
