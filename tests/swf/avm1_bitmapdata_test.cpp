// flash.display.BitmapData: premultiplied storage as scripts see it, construction limits,
// dispose, the counting and comparing methods, the noise generator, and a bitmap shown through
// attachBitmap. Expected numbers are what the original player printed in recorded runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1_test_util.h"
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
