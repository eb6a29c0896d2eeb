// flash.display.BitmapData: premultiplied storage as scripts see it, construction limits,
// dispose, the counting and comparing methods, the noise generators, pixel dissolves, filters
// applied to bitmaps, and a bitmap shown through attachBitmap. Expected numbers are what the
// original player printed in recorded runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "avm1_test_util.h"
#include "swf/avm1/bitmap_effects.h"
#include "swf/avm1/clip.h"

namespace {

using namespace swf::avm1;
using avm1test::Playing;
using avm1test::TestMovie;

class Bitmaps : public avm1test::Script {
public:
    explicit Bitmaps(int version = 8) : Script(version) {}

    Value make(std::vector<Value> args) {
        Value cls = get(get(get(vm.global, "flash"), "display"), "BitmapData");
        return vm.construct(cls, args.data(), int(args.size()));
    }
    Value geom(const char* cls, std::vector<Value> args) {
        Value c = get(get(get(vm.global, "flash"), "geom"), cls);
        return vm.construct(c, args.data(), int(args.size()));
    }
    double num(const Value& v) { return vm.to_number(v); }
    uint32_t pixel32(const Value& bmp, int x, int y) { return uint32_t(int32_t(num(call(bmp, "getPixel32", {x, y})))); }
};

TEST(Avm1BitmapData, ColoursWithAlphaComeBackAsStoredPremultiplied) {
    Bitmaps b;
    Value t = b.make({4, 1, true, 0.0});
    Value o = b.make({4, 1, false, 0.0});
    struct Case {
        double in;
        uint32_t transparent, opaque;
    } cases[] = {
        {double(0xAABBCCDDu), 0xAABBCCDCu, 0xFFBBCCDDu},  // rounded in, truncated out
        {double(0x12345678u), 0x12395571u, 0xFF345678u},
        {double(0x00FFFFFFu), 0x00000000u, 0xFFFFFFFFu},  // no alpha keeps no colour
        {double(0xFF010203u), 0xFF010203u, 0xFF010203u},  // opaque is exact
    };
    for (const Case& c : cases) {
        b.call(t, "setPixel32", {1, 0, c.in});
        b.call(o, "setPixel32", {1, 0, c.in});
        EXPECT_EQ(b.pixel32(t, 1, 0), c.transparent) << std::hex << uint32_t(c.in);
        EXPECT_EQ(b.pixel32(o, 1, 0), c.opaque) << std::hex << uint32_t(c.in);
    }
    // setPixel keeps the pixel's alpha and goes through the same rounding.
    b.call(t, "setPixel32", {2, 0, double(0xAABBCCDDu)});
    b.call(t, "setPixel", {2, 0, double(0x12345678u)});
    EXPECT_EQ(b.pixel32(t, 2, 0), 0xAA345578u);
    EXPECT_EQ(b.num(b.call(t, "getPixel", {2, 0})), double(0x345578));
    // Outside the bitmap reads 0; too few arguments is -1.
    EXPECT_EQ(b.num(b.call(t, "getPixel32", {4, 0})), 0);
    EXPECT_EQ(b.num(b.call(t, "getPixel32", {1})), -1);
}

TEST(Avm1BitmapData, ConstructionLimitsFollowTheFileVersion) {
    struct Case {
        int version, w, h;
        bool made;
    } cases[] = {
        {8, 2880, 2880, true},  {8, 2881, 1, false},   {8, 1, 2881, false},     {8, 0, 5, false},
        {10, 8191, 1, true},    {10, 8192, 1, false},  {10, 4095, 4096, true},  {10, 4096, 4096, false},
        {10, -3, 4, false},
    };
    for (const Case& c : cases) {
        Bitmaps b(c.version);
        Value v = b.make({c.w, c.h});
        EXPECT_EQ(v.is_object(), c.made) << c.version << ": " << c.w << "x" << c.h;
    }
    Bitmaps b;
    EXPECT_TRUE(b.make({5}).is_undefined());
    Value v = b.make({5, 6});
    EXPECT_EQ(b.vm.trace_string(b.get(v, "transparent")), "true");
    EXPECT_EQ(b.pixel32(v, 4, 5), 0xFFFFFFFFu);
}

TEST(Avm1BitmapData, DisposedBitmapsAnswerMinusOne) {
    Bitmaps b;
    Value v = b.make({3, 3, true, double(0xFF00FF00u)});
    Value keep = b.call(v, "clone");
    b.call(v, "dispose");
    for (const char* name : {"width", "height", "transparent", "rectangle"}) EXPECT_EQ(b.num(b.get(v, name)), -1) << name;
    EXPECT_EQ(b.num(b.call(v, "getPixel", {0, 0})), -1);
    EXPECT_EQ(b.num(b.call(v, "compare", {keep})), -1);
    // The clone has its own pixels.
    EXPECT_EQ(b.pixel32(keep, 2, 2), 0xFF00FF00u);
    EXPECT_EQ(b.num(b.call(keep, "compare", {v})), -2);
}

TEST(Avm1BitmapData, CompareGivesZeroCodesOrDifferences) {
    Bitmaps b;
    Value a = b.make({3, 3, true, 0.0});
    EXPECT_EQ(b.num(b.call(a, "compare", {b.make({3, 3, true, 0.0})})), 0);
    EXPECT_EQ(b.num(b.call(a, "compare", {b.make({2, 3, true, 0.0})})), -3);
    EXPECT_EQ(b.num(b.call(a, "compare", {b.make({3, 2, true, 0.0})})), -4);
    EXPECT_EQ(b.num(b.call(a, "compare", {b.make({2, 2, true, 0.0})})), -3);

    Value p = b.make({2, 1, true, double(0xFFCCCCCCu)});
    Value q = b.make({2, 1, true, double(0xFFCCCCCCu)});
    b.call(q, "setPixel32", {0, 0, double(0xFF999999u)});  // colour differs: difference, opaque
    b.call(p, "setPixel32", {1, 0, double(0xFFFFFFFFu)});
    b.call(q, "setPixel32", {1, 0, double(0x80FFFFFFu)});  // only alpha differs: white, alpha difference
    Value d = b.call(p, "compare", {q});
    ASSERT_TRUE(d.is_object());
    EXPECT_EQ(b.pixel32(d, 0, 0), 0xFF333333u);
    EXPECT_EQ(b.pixel32(d, 1, 0), 0x7FFFFFFFu);
}

TEST(Avm1BitmapData, ThresholdCountsAndPaintsPassingPixels) {
    Bitmaps b;
    Value src = b.make({3, 1, false, double(0xFF000010u)});
    b.call(src, "setPixel32", {1, 0, double(0xFF000020u)});
    b.call(src, "setPixel32", {2, 0, double(0xFF000030u)});
    struct Case {
        const char* op;
        int count;
        uint32_t p0, p1, p2;
    } cases[] = {
        {">=", 2, 0xFF111111u, 0xFFFF0000u, 0xFFFF0000u},
        {"<", 1, 0xFFFF0000u, 0xFF111111u, 0xFF111111u},
        {"!=", 2, 0xFFFF0000u, 0xFF111111u, 0xFFFF0000u},
        {"~", 1, 0xFFFF0000u, 0xFF111111u, 0xFF111111u},  // unknown operations act as "<"
    };
    for (const Case& c : cases) {
        Value dst = b.make({3, 1, false, double(0xFF111111u)});
        Value n = b.call(dst, "threshold",
                         {src, b.geom("Rectangle", {0, 0, 3, 1}), b.geom("Point", {0, 0}), b.vm.str(c.op),
                          double(0xFF000020u), double(0xFFFF0000u), double(0x000000FFu)});
        EXPECT_EQ(b.num(n), c.count) << c.op;
        EXPECT_EQ(b.pixel32(dst, 0, 0), c.p0) << c.op;
        EXPECT_EQ(b.pixel32(dst, 1, 0), c.p1) << c.op;
        EXPECT_EQ(b.pixel32(dst, 2, 0), c.p2) << c.op;
    }
}

TEST(Avm1BitmapData, NoiseFollowsTheRecordedSequence) {
    Bitmaps b;
    Value v = b.make({1, 3, false, 0.0});
    b.call(v, "noise", {1});
    EXPECT_EQ(b.pixel32(v, 0, 0), 0xFFA7F1D9u);
    b.call(v, "noise", {1, 0, 255, 1, true});
    EXPECT_EQ(b.pixel32(v, 0, 0), 0xFFA7A7A7u);
    EXPECT_EQ(b.pixel32(v, 0, 1), 0xFFF1F1F1u);
    EXPECT_EQ(b.pixel32(v, 0, 2), 0xFFD9D9D9u);
}

TEST(Avm1BitmapData, PerlinNoiseMatchesRecordedPixels) {
    Bitmaps b;
    struct Case {
        double base_x, base_y;
        int octaves, seed;
        bool stitch, fractal;
        std::vector<Value> offsets;
        int x, y;
        uint32_t expected;
    } cases[] = {
        {100, 100, 1, 42, false, true, {}, 2, 0, 0xFF817D7Du},
        {310, 70, 2, 20, false, false, {}, 60, 30, 0xFF8F7A39u},  // turbulence
        {130, 70, 2, 20, true, true, {}, 37, 61, 0xFF9B9860u},    // stitched
        {130, 70, 2, 20, true, true, {}, 99, 0, 0xFF7F8182u},
        {100, 100, 3, 137, false, true, {b.geom("Point", {10, 20}), b.geom("Point", {-30, -40}), b.geom("Point", {135, 15})}, 50, 50, 0xFF89BA21u},
    };
    for (const Case& c : cases) {
        Value v = b.make({100, 100, true, 0.0});
        ArrayObject* offsets = b.vm.new_array();
        offsets->items = c.offsets;
        b.call(v, "perlinNoise", {c.base_x, c.base_y, c.octaves, c.seed, c.stitch, c.fractal, Value(), Value(false), offsets});
        EXPECT_EQ(b.pixel32(v, c.x, c.y), c.expected) << std::hex << c.expected;
        // Fractal noise is mid-grey on the lattice's points.
        if (c.fractal && c.offsets.empty()) {
            EXPECT_EQ(b.pixel32(v, 0, 0), 0xFF7F7F7Fu);
        }
    }
    EXPECT_EQ(b.num(b.call(b.make({2, 2}), "perlinNoise", {10, 10, 1, 1, false})), -1);
}

TEST(Avm1BitmapData, PerlinNoiseChannelsTakeTablesInTurn) {
    const int w = 16, h = 16;
    auto render = [&](int channels, bool gray, bool transparent) {
        std::vector<uint32_t> px(w * h);
        PerlinOptions o;
        o.base_x = o.base_y = 7;
        o.octaves = 3;
        o.seed = 578;
        o.fractal = true;
        o.channels = channels;
        o.gray = gray;
        perlin_noise(px.data(), w, h, transparent, o);
        return px;
    };
    const auto rgb = render(7, false, true), green = render(2, false, true), gray = render(4, true, true);
    for (int i = 0; i < w * h; ++i) {
        // The only channel asked for gets the first table; grey ignores the colour bits.
        EXPECT_EQ(green[i], 0xFF000000u | (rgb[i] >> 16 & 255) << 8);
        EXPECT_EQ(gray[i], 0xFF000000u | (rgb[i] >> 16 & 255) * 0x010101u);
    }
    EXPECT_EQ(render(7, false, true), rgb);  // the seed alone decides
    // With alpha the colour is stored as already multiplied, never above the alpha; opaque
    // bitmaps leave alpha out.
    for (uint32_t p : render(15, false, true))
        for (int sh = 0; sh < 24; sh += 8) EXPECT_LE(p >> sh & 255, p >> 24);
    EXPECT_EQ(render(15, false, false), rgb);
}

TEST(Avm1BitmapData, DissolveOrderReachesEveryPixelOncePerRound) {
    for (auto [w, h] : {std::pair{2, 1}, {3, 5}, {100, 100}, {1, 17}, {129, 2}}) {
        std::vector<int> seen(w * h);
        auto visit = [&](int x, int y) { ++seen[y * w + x]; };
        // Area - 1 from the start is a whole round; split in two calls it is the same round.
        const int first = std::max(1, (w * h - 1) / 3);
        const int32_t next = dissolve_pixels(w, h, 0, first, visit);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), std::min(first + 1, w * h)) << w << "x" << h;
        dissolve_pixels(w, h, next, w * h - 1 - first, visit);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), w * h) << w << "x" << h;
    }
}

TEST(Avm1BitmapData, PixelDissolveFillsItselfOrCopiesFromAnother) {
    Bitmaps b;
    Value self = b.make({10, 10, true, double(0xFF0000FFu)});
    Value seed = b.call(self, "pixelDissolve", {self, b.get(self, "rectangle"), b.geom("Point", {5, 5}), 0, 99, double(0xFF00FF00u)});
    EXPECT_TRUE(seed.is_number());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(b.pixel32(self, x, y), 0xFF00FF00u) << x << "," << y;

    Value src = b.make({10, 10, true, double(0x80FF0000u)});
    Value dst = b.make({10, 10, true, double(0xFF0000FFu)});
    b.call(dst, "pixelDissolve", {src, b.geom("Rectangle", {0, 0, 4, 3}), b.geom("Point", {6, 7}), 7, 1000});
    int copied = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 6 && y >= 7;
            EXPECT_EQ(b.pixel32(dst, x, y), inside ? 0x80FF0000u : 0xFF0000FFu) << x << "," << y;
            copied += inside;
        }
    EXPECT_EQ(copied, 12);
}

TEST(Avm1BitmapData, ApplyFilterRunsTheFilterIntoTheDestination) {
    Bitmaps b;
    Value filters = b.get(b.get(b.vm.global, "flash"), "filters");
    auto matrix = [&](std::vector<double> m) {
        ArrayObject* a = b.vm.new_array();
        for (double v : m) a->items.push_back(v);
        std::vector<Value> args{Value(a)};
        return b.vm.construct(b.get(filters, "ColorMatrixFilter"), args.data(), 1);
    };
    Value v = b.make({6, 6, true, double(0xAABBCCFFu)});
    const uint32_t before = b.pixel32(v, 3, 3);
    Value origin = b.geom("Point", {0, 0});
    Value identity = matrix({1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0});
    EXPECT_EQ(b.num(b.call(v, "applyFilter", {v, b.get(v, "rectangle"), origin, identity})), 0);
    EXPECT_EQ(b.pixel32(v, 3, 3), before);
    // Channels rotated: red from green, green from blue, blue from alpha, alpha from red.
    Value rotate = matrix({0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0});
    b.call(v, "applyFilter", {v, b.geom("Rectangle", {0, 0, 2, 6}), b.geom("Point", {4, 0}), rotate});
    EXPECT_NEAR(double(b.pixel32(v, 5, 2) >> 24), 0xBB, 1);  // red went through premultiplied storage
    EXPECT_EQ(b.pixel32(v, 3, 2), before);
    EXPECT_EQ(b.num(b.call(v, "applyFilter", {v, b.get(v, "rectangle"), origin, 5})), -5);

    // A blur reaches past the rectangle by what generateFilterRect reports.
    std::vector<Value> blur_args{4, 4, 1};
    Value blur = b.vm.construct(b.get(filters, "BlurFilter"), blur_args.data(), 3);
    Value r = b.call(v, "generateFilterRect", {b.geom("Rectangle", {10, 10, 2, 2}), blur});
    EXPECT_EQ(b.num(b.get(r, "x")), 8);
    EXPECT_EQ(b.num(b.get(r, "width")), 6);
    Value dot = b.make({9, 9, true, 0.0});
    b.call(dot, "setPixel32", {4, 4, double(0xFFFFFFFFu)});
    b.call(dot, "applyFilter", {dot, b.geom("Rectangle", {4, 4, 1, 1}), b.geom("Point", {4, 4}), blur});
    EXPECT_NE(b.pixel32(dot, 2, 4), 0u);
    EXPECT_EQ(b.pixel32(dot, 1, 4), 0u);
}

TEST(Avm1BitmapData, AttachedBitmapGivesTheClipItsSize) {
    Bitmaps b;
    Value mc = b.get(b.run.player.scripts()->level(0), "mc");
    Value v = b.make({30, 12, false, double(0xFF336699u)});
    b.call(mc, "attachBitmap", {v, 1});
    EXPECT_EQ(b.num(b.get(mc, "_width")), 30);
    EXPECT_EQ(b.num(b.get(mc, "_height")), 12);
}

TEST(Avm1BitmapData, BitmapFillOutlinesCountInTheClipBounds) {
    Bitmaps b;
    Value mc = b.get(b.run.player.scripts()->level(0), "mc");
    Value v = b.make({20, 20, false});
    b.call(mc, "moveTo", {10, 10});
    b.call(mc, "beginBitmapFill", {v, b.geom("Matrix", {}), Value(false)});
    b.call(mc, "lineTo", {10, 110});
    b.call(mc, "lineTo", {160, 110});
    b.call(mc, "lineTo", {160, 10});
    b.call(v, "dispose");
    EXPECT_EQ(b.num(b.get(mc, "_width")), 150);
}

}  // namespace
