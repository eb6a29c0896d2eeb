// The MovieClip drawing methods, bounds, hit tests, script masks and the transform properties,
// called on a running movie the way scripts call them. Where a rule came from a recorded Flash
// Player run, the case says so.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "swf/avm1/clip.h"
#include "swf/avm1/runtime.h"
#include "swf/player.h"
#include "swf_writer.h"

namespace {

using namespace swf::avm1;
using swf::FillType;

// A movie of one empty frame, with its machine at hand.
struct Stage {
    explicit Stage(int version = 8, int size = 100, const std::function<void(swftest::Movie&)>& build = nullptr)
        : size(size) {
        swftest::Movie m(size, size, version);
        m.background(255, 255, 255);
        if (build) build(m);
        m.show_frame();
        const std::vector<uint8_t> bytes = m.fws();
        EXPECT_TRUE(player.load(bytes.data(), bytes.size()).ok());
        vm = &player.scripts()->vm;
        root = static_cast<ClipObject*>(player.root()->object);
    }

    Value num(double n) { return n; }
    Value text(const char* s) { return vm->str(s); }
    Value call(Value obj, const char* name, const std::vector<Value>& args = {}) {
        Value fn = vm->get(obj, vm->intern(name));
        return vm->call(fn, obj, args.data(), int(args.size()));
    }
    Value get(Value obj, const char* name) { return vm->get(obj, vm->intern(name)); }
    double number(Value obj, const char* name) { return vm->to_number(get(obj, name)); }
    void set(Value obj, const char* name, Value v) { vm->set(obj.object(), vm->intern(name), v); }
    Value object(const std::vector<std::pair<const char*, Value>>& fields) {
        Object* o = vm->new_object();
        for (const auto& [name, v] : fields) vm->set(o, vm->intern(name), v);
        return o;
    }
    Value array(const std::vector<double>& items) {
        ArrayObject* a = vm->new_array();
        for (double d : items) a->items.push_back(d);
        return a;
    }
    ClipObject* clip(const char* name, int depth, ClipObject* parent = nullptr) {
        Value c = call(parent ? parent : root, "createEmptyMovieClip", {text(name), num(depth)});
        return static_cast<ClipObject*>(c.object());
    }
    // A filled axis-aligned rectangle, in pixels.
    void rect(Value mc, double x0, double y0, double x1, double y1, double rgb = 0xFF0000) {
        call(mc, "beginFill", {num(rgb)});
        call(mc, "moveTo", {num(x0), num(y0)});
        call(mc, "lineTo", {num(x1), num(y0)});
        call(mc, "lineTo", {num(x1), num(y1)});
        call(mc, "lineTo", {num(x0), num(y1)});
        call(mc, "lineTo", {num(x0), num(y0)});
        call(mc, "endFill");
    }
    // xMin, xMax, yMin, yMax of getBounds/getRect.
    std::vector<double> box(Value mc, const char* method, const std::vector<Value>& args = {}) {
        Value b = call(mc, method, args);
        if (!b.is_object()) return {};
        return {number(b, "xMin"), number(b, "xMax"), number(b, "yMin"), number(b, "yMax")};
    }
    // Straight RGB of one stage pixel (no anti-aliasing).
    uint32_t pixel(int x, int y) {
        std::vector<uint8_t> px(size_t(size) * size * 4);
        player.set_quality(swf::Quality::Low);
        player.render({px.data(), size, size, size * 4, swf::PixelFormat::RgbaStraight});
        const uint8_t* p = &px[(size_t(y) * size + x) * 4];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }

    swf::Player player;
    Vm* vm = nullptr;
    ClipObject* root = nullptr;
    int size;
};

constexpr double kEmpty = 6710886.35;
constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST(Avm1ClipGeometry, BoundsCoverEdgesAndHalfTheStrokes) {
    struct Case {
        const char* what;
        std::function<void(Stage&, Value)> draw;
        std::vector<double> bounds, rect;
    };
    const std::vector<Case> cases = {
        {"filled square", [](Stage& s, Value mc) { s.rect(mc, 10, 10, 50, 50); }, {10, 50, 10, 50}, {10, 50, 10, 50}},
        {"4 px line: bounds grow by 2, the rectangle does not",
         [](Stage& s, Value mc) {
             s.call(mc, "lineStyle", {s.num(4)});
             s.call(mc, "moveTo", {s.num(10), s.num(20)});
             s.call(mc, "lineTo", {s.num(30), s.num(20)});
         },
         {8, 32, 18, 22}, {10, 30, 20, 20}},
        {"hairline curve reaches half way to its control point",
         [](Stage& s, Value mc) {
             s.call(mc, "lineStyle", {s.num(0)});
             s.call(mc, "curveTo", {s.num(50), s.num(100), s.num(100), s.num(0)});
         },
         {0, 100, 0, 50}, {0, 100, 0, 50}},
        {"moves alone draw nothing",
         [](Stage& s, Value mc) {
             s.call(mc, "moveTo", {s.num(10), s.num(10)});
             s.call(mc, "lineTo", {s.num(90), s.num(90)});
         },
         {kEmpty, kEmpty, kEmpty, kEmpty}, {kEmpty, kEmpty, kEmpty, kEmpty}},
        {"clear takes everything away",
         [](Stage& s, Value mc) {
             s.rect(mc, 10, 10, 50, 50);
             s.call(mc, "clear");
         },
         {kEmpty, kEmpty, kEmpty, kEmpty}, {kEmpty, kEmpty, kEmpty, kEmpty}},
        {"an open fill counts its closing edge, stroked",
         [](Stage& s, Value mc) {
             s.call(mc, "lineStyle", {s.num(2)});
             s.call(mc, "beginFill", {s.num(0xFF)});
             s.call(mc, "lineTo", {s.num(40), s.num(0)});
             s.call(mc, "lineTo", {s.num(40), s.num(40)});
         },
         {-1, 41, -1, 41}, {0, 40, 0, 40}},
    };
    for (const Case& c : cases) {
        Stage s;
        ClipObject* mc = s.clip("mc", 1);
        c.draw(s, mc);
        EXPECT_EQ(s.box(mc, "getBounds"), c.bounds) << c.what;
        EXPECT_EQ(s.box(mc, "getRect"), c.rect) << c.what;
    }
}

TEST(Avm1ClipGeometry, BoundsTurnIntoTheSpaceAsked) {
    Stage s;
    ClipObject* parent = s.clip("parent", 1);
    ClipObject* child = s.clip("child", 1, parent);
    s.rect(child, 0, 0, 10, 10);
    s.set(parent, "_x", s.num(100));
    s.set(child, "_x", s.num(5));
    s.set(child, "_y", s.num(50));
    s.set(child, "_xscale", s.num(200));
    struct Case {
        const char* what;
        Value mc;
        std::vector<Value> args;
        std::vector<double> expect;
    };
    const std::vector<Case> cases = {
        {"own space by default", child, {}, {0, 10, 0, 10}},
        {"the parent", child, {parent}, {5, 25, 50, 60}},
        {"the root", child, {s.root}, {105, 125, 50, 60}},
        {"a slash path", child, {s.text("/")}, {105, 125, 50, 60}},
        {"a path with a colon, from the clip asked", parent, {s.text("child:")}, {0, 10, 0, 10}},
        {"a child's space from its parent", parent, {child}, {0, 10, 0, 10}},
        {"an empty path names no clip", child, {s.text("")}, {}},
        {"nor does a missing one", child, {s.text("nothing")}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(s.box(c.mc, "getBounds", c.args), c.expect) << c.what;
}

TEST(Avm1ClipGeometry, GradientFillsCheckTheirArguments) {
    enum Outcome { Kept, NoFill, Made };
    struct Case {
        const char* what;
        std::function<std::vector<Value>(Stage&)> args;
        Outcome outcome;
        FillType type = FillType::Linear;
    };
    auto box = [](Stage& s) {
        return s.object({{"matrixType", s.text("box")}, {"x", s.num(0)}, {"y", s.num(0)}, {"w", s.num(100)},
                         {"h", s.num(100)}, {"r", s.num(0)}});
    };
    auto with = [box](const char* type, std::vector<double> ratios, std::vector<Value> extra = {}) {
        return [=](Stage& s) {
            std::vector<Value> a = {s.text(type), s.array({0xFF0000, 0xFF}), s.array({100, 100}), s.array(ratios),
                                    box(s)};
            a.insert(a.end(), extra.begin(), extra.end());
            return a;
        };
    };
    // Recorded: every case here as the corpus's gradient test drew it.
    const std::vector<Case> cases = {
        {"linear", with("linear", {0, 255}), Made, FillType::Linear},
        {"radial", with("radial", {0, 255}), Made, FillType::Radial},
        {"radial with a focal point", [&](Stage& s) { return with("radial", {0, 255}, {s.text("pad"), s.text("RGB"), s.num(0.5)})(s); }, Made, FillType::Focal},
        {"a ratio a little past 255 is 255", with("linear", {0, 255.9}), Made},
        {"NaN ratios are 0", with("linear", {NAN, 200}), Made},
        {"a ratio below 0", with("linear", {-1, 255}), Kept},
        {"a ratio of 256", with("linear", {0, 256}), Kept},
        {"the type's case matters", with("LINEAR", {0, 255}), Kept},
        {"lists of different lengths", with("linear", {255}), Kept},
        {"no matrix", [&](Stage& s) { auto a = with("linear", {0, 255})(s); a.pop_back(); return a; }, Kept},
        {"nine arguments", [&](Stage& s) { return with("linear", {0, 255}, {s.text("pad"), s.text("RGB"), s.num(0), s.num(1)})(s); }, Kept},
        {"a box short of its fields", [&](Stage& s) { auto a = with("linear", {0, 255})(s); a[4] = s.object({{"matrixType", s.text("box")}, {"x", s.num(0)}}); return a; }, Kept},
        {"null as the type", [&](Stage& s) { auto a = with("linear", {0, 255})(s); a[0] = Value::null(); return a; }, Kept},
        {"undefined as the type ends the fill", [&](Stage& s) { auto a = with("linear", {0, 255})(s); a[0] = Value(); return a; }, NoFill},
    };
    for (const Case& c : cases) {
        Stage s;
        ClipObject* mc = s.clip("mc", 1);
        s.call(mc, "lineStyle", {s.num(1)});
        s.call(mc, "beginFill", {s.num(0x00FF00)});
        s.call(mc, "beginGradientFill", c.args(s));
        s.call(mc, "lineTo", {s.num(10), s.num(0)});
        s.call(mc, "lineTo", {s.num(10), s.num(10)});
        const swf::ShapeData& shape = *mc->clip->drawing;
        const swf::Segment& edge = shape.groups.back().segments.front();
        const Outcome got = edge.fill1 == 0 ? NoFill : shape.groups.back().fills[0].type == FillType::Solid ? Kept : Made;
        EXPECT_EQ(got, c.outcome) << c.what;
        if (got == Made && c.outcome == Made) {
            EXPECT_EQ(shape.groups.back().fills[0].type, c.type) << c.what;
        }
    }
}

TEST(Avm1ClipGeometry, GradientMatricesAndFocalPoints) {
    struct Case {
        const char* what;
        std::function<Value(Stage&)> matrix;
        double focal;
        swf::Matrix expect;
        double expect_focal;
    };
    const std::vector<Case> cases = {
        {"a box is turned, then stretched to its size",
         [](Stage& s) {
             return s.object({{"matrixType", s.text("box")}, {"x", s.num(10)}, {"y", s.num(20)}, {"w", s.num(1638.4)},
                              {"h", s.num(819.2)}, {"r", s.num(3.14159265358979323846 / 2)}});
         },
         0.5, {0, 0.5, -1, 0, (10 + 819.2) * 20, (20 + 409.6) * 20}, 0.5},
        {"nine fields a…i in pixels",
         [](Stage& s) {
             return s.object({{"a", s.num(0.1)}, {"b", s.num(0.2)}, {"c", s.num(0)}, {"d", s.num(0.3)}, {"e", s.num(0.4)},
                              {"f", s.num(0)}, {"g", s.num(30)}, {"h", s.num(40)}, {"i", s.num(1)}});
         },
         0.9, {0.1, 0.2, 0.3, 0.4, 600, 800}, 230 / 256.0},
        {"a Matrix's six fields; the focal point stops at 0.98 (recorded)",
         [](Stage& s) {
             return s.object({{"a", s.num(1)}, {"b", s.num(0)}, {"c", s.num(0)}, {"d", s.num(2)}, {"tx", s.num(5)}, {"ty", s.num(6)}});
         },
         -0.995, {1, 0, 0, 2, 100, 120}, -0.98},
    };
    for (const Case& c : cases) {
        Stage s;
        ClipObject* mc = s.clip("mc", 1);
        s.call(mc, "beginGradientFill", {s.text("radial"), s.array({0, 0xFF}), s.array({100, 100}), s.array({0, 255}),
                                         c.matrix(s), s.text("reflect"), s.text("linearRGB"), s.num(c.focal)});
        const swf::FillStyle& f = mc->clip->drawing->groups.back().fills.at(0);
        const swf::Matrix& m = f.matrix;
        EXPECT_NEAR(m.a, c.expect.a, 1e-9) << c.what;
        EXPECT_NEAR(m.b, c.expect.b, 1e-9) << c.what;
        EXPECT_NEAR(m.c, c.expect.c, 1e-9) << c.what;
        EXPECT_NEAR(m.d, c.expect.d, 1e-9) << c.what;
        EXPECT_NEAR(m.tx, c.expect.tx, 1e-6) << c.what;
        EXPECT_NEAR(m.ty, c.expect.ty, 1e-6) << c.what;
        EXPECT_EQ(f.type, FillType::Focal) << c.what;
        EXPECT_DOUBLE_EQ(f.gradient.focal, c.expect_focal) << c.what;
        EXPECT_EQ(f.gradient.spread, swf::SpreadMode::Reflect) << c.what;
        EXPECT_EQ(f.gradient.interpolation, swf::InterpolationMode::LinearRgb) << c.what;
    }
}

TEST(Avm1ClipGeometry, LineStyleArguments) {
    struct Case {
        const char* what;
        int version;
        std::vector<const char*> extra;  // pixelHinting, noScale, caps, joints as text; miter as a number
        double thickness, alpha;
        uint16_t width;
        uint8_t a;
        swf::Cap cap;
        swf::Join join;
        bool no_h, no_v;
    };
    const std::vector<Case> cases = {
        {"defaults", 8, {}, 2, 100, 40, 255, swf::Cap::Round, swf::Join::Round, false, false},
        {"thickness stops at 255, alpha 50 is 127 (recorded)", 8, {}, 300, 50, 5100, 127, swf::Cap::Round, swf::Join::Round, false, false},
        {"caps, joints and scaling", 8, {"true", "vertical", "square", "bevel"}, 1, 100, 20, 255, swf::Cap::Square, swf::Join::Bevel, false, true},
        {"no caps, miter, no scaling", 8, {"true", "none", "none", "miter"}, 1, 100, 20, 255, swf::Cap::None, swf::Join::Miter, true, true},
        {"before SWF 8 the extra arguments mean nothing", 7, {"true", "none", "none", "miter"}, 1, 100, 20, 255, swf::Cap::Round, swf::Join::Round, false, false},
    };
    for (const Case& c : cases) {
        Stage s(c.version);
        ClipObject* mc = s.clip("mc", 1);
        std::vector<Value> args = {s.num(c.thickness), s.num(0x123456), s.num(c.alpha)};
        for (const char* e : c.extra) args.push_back(s.text(e));
        s.call(mc, "lineStyle", args);
        s.call(mc, "lineTo", {s.num(10), s.num(10)});
        const swf::LineStyle& ls = mc->clip->drawing->groups.back().lines.at(0);
        EXPECT_EQ(ls.width, c.width) << c.what;
        EXPECT_EQ(ls.color.a, c.a) << c.what;
        EXPECT_EQ(ls.color.r, 0x12) << c.what;
        EXPECT_EQ(ls.start_cap, c.cap) << c.what;
        EXPECT_EQ(ls.end_cap, c.cap) << c.what;
        EXPECT_EQ(ls.join, c.join) << c.what;
        EXPECT_EQ(ls.no_hscale, c.no_h) << c.what;
        EXPECT_EQ(ls.no_vscale, c.no_v) << c.what;
    }
}

TEST(Avm1ClipGeometry, DrawingShowsWhatTheCommandsMade) {
    struct Case {
        const char* what;
        std::function<void(Stage&, Value)> draw;
        int x, y;
        uint32_t expect;
    };
    auto triangle = [](Stage& s, Value mc) {
        s.call(mc, "beginFill", {s.num(kRed)});
        s.call(mc, "moveTo", {s.num(10), s.num(10)});
        s.call(mc, "lineTo", {s.num(90), s.num(10)});
        s.call(mc, "lineTo", {s.num(90), s.num(90)});
    };
    const std::vector<Case> cases = {
        {"an open fill shows closed", triangle, 80, 20, kRed},
        {"and only its outline", triangle, 20, 80, kWhite},
        {"the closing edge goes when the outline grows",
         [&](Stage& s, Value mc) {
             triangle(s, mc);
             s.call(mc, "lineTo", {s.num(10), s.num(90)});
         },
         20, 80, kRed},
        {"a second outline of the same fill cuts a hole",
         [](Stage& s, Value mc) {
             s.rect(mc, 0, 0, 100, 100, kRed);
             s.call(mc, "beginFill", {s.num(kGreen)});
             s.call(mc, "moveTo", {s.num(0), s.num(0)});
             s.call(mc, "lineTo", {s.num(100), s.num(0)});
             s.call(mc, "lineTo", {s.num(100), s.num(100)});
             s.call(mc, "lineTo", {s.num(0), s.num(100)});
             s.call(mc, "moveTo", {s.num(40), s.num(40)});
             s.call(mc, "lineTo", {s.num(60), s.num(40)});
             s.call(mc, "lineTo", {s.num(60), s.num(60)});
             s.call(mc, "lineTo", {s.num(40), s.num(60)});
             s.call(mc, "endFill");
         },
         50, 50, kRed},  // the first square shows through the second one's hole
        {"a later fill covers earlier lines",
         [](Stage& s, Value mc) {
             s.call(mc, "lineStyle", {s.num(10), s.num(kBlue)});
             s.call(mc, "moveTo", {s.num(0), s.num(50)});
             s.call(mc, "lineTo", {s.num(100), s.num(50)});
             s.call(mc, "lineStyle");
             s.rect(mc, 40, 40, 60, 60, kGreen);
         },
         50, 50, kGreen},
        {"lines drawn in a fill lie over it",
         [](Stage& s, Value mc) {
             s.call(mc, "beginFill", {s.num(kGreen)});
             s.call(mc, "moveTo", {s.num(0), s.num(0)});
             s.call(mc, "lineTo", {s.num(100), s.num(0)});
             s.call(mc, "lineStyle", {s.num(10), s.num(kBlue)});
             s.call(mc, "lineTo", {s.num(100), s.num(100)});
             s.call(mc, "lineStyle");
             s.call(mc, "lineTo", {s.num(0), s.num(100)});
             s.call(mc, "endFill");
         },
         98, 50, kBlue},
        {"beginFill without a colour leaves no fill",
         [](Stage& s, Value mc) {
             s.call(mc, "beginFill", {s.num(kRed)});
             s.call(mc, "beginFill");
             s.call(mc, "lineTo", {s.num(100), s.num(0)});
             s.call(mc, "lineTo", {s.num(100), s.num(100)});
             s.call(mc, "endFill");
         },
         80, 20, kWhite},
    };
    for (const Case& c : cases) {
        Stage s;
        c.draw(s, s.clip("mc", 1));
        EXPECT_EQ(s.pixel(c.x, c.y), c.expect) << c.what;
    }
}

TEST(Avm1ClipGeometry, HitTestsPointsInRootCoordinates) {
    // Recorded: points are in the root's space; with the shape flag only what is drawn counts,
    // without it the box around the clip on the stage.
    struct Case {
        const char* what;
        double root_rotation;
        double x, y;
        bool shape, expect;
    };
    const std::vector<Case> cases = {
        {"in the ring", 0, 10, 10, true, true},
        {"in the hole", 0, 50, 50, true, false},
        {"in the hole, box only", 0, 50, 50, false, true},
        {"outside", 0, 150, 150, false, false},
        {"on the stroke", 0, 150, 14, true, true},
        {"just off the stroke", 0, 150, 16, true, false},
        {"NaN", 0, NAN, 10, true, false},
        {"the root turned: the shape follows", 45, 10, 10, true, true},
        {"the root turned: the hole too", 45, 50, 50, true, false},
        {"the root turned: its box on the stage grows", 45, -10, 20, false, true},
        {"outside the shape all the same", 45, -10, 20, true, false},
    };
    for (const Case& c : cases) {
        Stage s(8, 200);
        ClipObject* mc = s.clip("mc", 1);
        s.call(mc, "beginFill", {s.num(kRed)});
        for (double side : {0.0, 25.0}) {  // two squares, one fill: a ring
            s.call(mc, "moveTo", {s.num(side), s.num(side)});
            s.call(mc, "lineTo", {s.num(100 - side), s.num(side)});
            s.call(mc, "lineTo", {s.num(100 - side), s.num(100 - side)});
            s.call(mc, "lineTo", {s.num(side), s.num(100 - side)});
        }
        s.call(mc, "endFill");
        s.call(mc, "lineStyle", {s.num(10)});
        s.call(mc, "moveTo", {s.num(120), s.num(10)});
        s.call(mc, "lineTo", {s.num(180), s.num(10)});
        s.set(s.root, "_rotation", s.num(c.root_rotation));
        Value got = s.call(mc, "hitTest", {s.num(c.x), s.num(c.y), Value(c.shape)});
        ASSERT_TRUE(got.is_bool()) << c.what;
        EXPECT_EQ(got.b, c.expect) << c.what;
    }
}

TEST(Avm1ClipGeometry, HitTestsClipsAndMasks) {
    Stage s;
    ClipObject* a = s.clip("a", 1);
    ClipObject* b = s.clip("b", 2);
    ClipObject* mask = s.clip("m", 3);
    s.rect(a, 0, 0, 10, 10);
    s.rect(b, 0, 0, 10, 10);
    s.rect(mask, 0, 0, 5, 5);
    s.set(b, "_x", s.num(20));
    EXPECT_FALSE(s.call(a, "hitTest", {b}).b) << "boxes apart";
    s.set(b, "_x", s.num(8));
    EXPECT_TRUE(s.call(a, "hitTest", {b}).b) << "boxes overlapping";
    EXPECT_TRUE(s.call(a, "hitTest", {s.text("/b")}).b) << "a target path";
    // Recorded: a script mask limits the shape test of the clip it masks.
    s.call(a, "setMask", {mask});
    EXPECT_TRUE(s.call(a, "hitTest", {s.num(2), s.num(2), Value(true)}).b) << "under the mask";
    EXPECT_FALSE(s.call(a, "hitTest", {s.num(8), s.num(8), Value(true)}).b) << "outside the mask";
    EXPECT_TRUE(s.call(a, "hitTest", {s.num(8), s.num(8)}).b) << "boxes ignore masks";
    s.call(a, "setMask", {Value::null()});
    EXPECT_TRUE(s.call(a, "hitTest", {s.num(8), s.num(8), Value(true)}).b) << "mask removed";
}

TEST(Avm1ClipGeometry, ScriptMasksCutWhatTheyMask) {
    struct Case {
        const char* what;
        bool masked;
        int x, y;
        uint32_t expect;
    };
    const std::vector<Case> cases = {
        {"the masked clip shows under its mask", true, 25, 25, kRed},
        {"and not outside it", true, 75, 75, kWhite},
        {"the mask itself is not drawn", true, 10, 60, kRed},
        {"unmasked, the clip shows everywhere", false, 75, 75, kRed},
        {"and the former mask is drawn again", false, 10, 60, kGreen},
    };
    for (const Case& c : cases) {
        Stage s;
        ClipObject* shown = s.clip("shown", 1);
        ClipObject* mask = s.clip("mask", 2);
        s.rect(shown, 0, 0, 100, 100, kRed);
        s.rect(mask, 0, 0, 50, 70, kGreen);
        s.call(shown, "setMask", {mask});
        if (!c.masked) s.call(shown, "setMask", {Value::null()});
        EXPECT_EQ(s.pixel(c.x, c.y), c.expect) << c.what;
    }
}

TEST(Avm1ClipGeometry, ClipLayersAndScriptMasksBothCut) {
    // A clip layer at depth 1 covers x < 60 up to depth 3; the script-masked clip sits at depth 2.
    Stage s(8, 100, [](swftest::Movie& m) {
        m.shape_rgba(1, 0, 0, 0, 255, swftest::Movie::rect_records(0, 0, 1200, 2000));
        m.place(1, 1, 0, 0, 3);
    });
    ClipObject* shown = s.clip("shown", 2 - 16384);
    ClipObject* mask = s.clip("mask", 10);
    s.rect(shown, 0, 0, 100, 100, kRed);
    s.rect(mask, 0, 0, 100, 50, kGreen);
    s.call(shown, "setMask", {mask});
    EXPECT_EQ(s.pixel(30, 25), kRed);
    EXPECT_EQ(s.pixel(80, 25), kWhite);
    EXPECT_EQ(s.pixel(30, 75), kWhite);
}

TEST(Avm1ClipGeometry, TransformPropertiesReadBackAsWritten) {
    struct Write {
        const char* name;
        double value;
    };
    struct Case {
        const char* what;
        std::vector<Write> writes;
        const char* read;
        double expect;
        double tolerance = 0;
    };
    const std::vector<Case> cases = {
        {"_rotation past 180 turns back", {{"_rotation", 190}}, "_rotation", -170},
        {"_rotation keeps the scale", {{"_xscale", 50}, {"_rotation", 30}}, "_xscale", 50},
        {"_xscale keeps the rotation", {{"_rotation", 30}, {"_xscale", 50}}, "_rotation", 30},
        {"a negative _yscale mirrors and reads back", {{"_yscale", -100}}, "_yscale", -100},
        {"an infinite scale reads back", {{"_xscale", INFINITY}}, "_xscale", INFINITY},
        {"_width scales along x", {{"_width", 50}}, "_xscale", 50},
        {"_width of a turned clip reads back", {{"_rotation", 30}, {"_width", 120}}, "_width", 120, 0.05},
        {"_height of a turned clip reads back", {{"_rotation", 30}, {"_height", 90}}, "_height", 90, 0.05},
        {"_width turned a quarter cannot change", {{"_rotation", 90}, {"_width", 77}}, "_width", 50},
        {"_width counts the turned box", {{"_rotation", 90}}, "_height", 100},
    };
    for (const Case& c : cases) {
        Stage s;
        ClipObject* mc = s.clip("mc", 1);
        s.rect(mc, 0, 0, 100, 50);
        for (const Write& w : c.writes) s.set(mc, w.name, s.num(w.value));
        const double got = s.number(mc, c.read);
        if (std::isinf(c.expect))
            EXPECT_EQ(got, c.expect) << c.what;
        else
            EXPECT_NEAR(got, c.expect, c.tolerance + 1e-9) << c.what;
    }
}

TEST(Avm1ClipGeometry, SkewTurnsWithTheRotation) {
    Stage s;
    ClipObject* mc = s.clip("mc", 1);
    mc->inst->matrix = {1, 0, 0.5, 1, 0, 0};  // x axis along x, y axis leaning right
    s.set(mc, "_rotation", s.num(90));
    const swf::Matrix& m = mc->inst->matrix;
    // Both axes turn a quarter: x axis points down, the y axis keeps its lean against it.
    EXPECT_NEAR(m.a, 0, 1e-12);
    EXPECT_NEAR(m.b, 1, 1e-12);
    EXPECT_NEAR(m.c, -1, 1e-12);
    EXPECT_NEAR(m.d, 0.5, 1e-12);
}

TEST(Avm1ClipGeometry, TheRootTransformsTheStage) {
    Stage s;
    s.rect(s.clip("mc", 1), 0, 0, 10, 10);
    s.set(s.root, "_x", s.num(50));
    s.set(s.root, "_xscale", s.num(200));
    EXPECT_EQ(s.number(s.root, "_x"), 50);
    EXPECT_EQ(s.number(s.root, "_xscale"), 200);
    EXPECT_EQ(s.pixel(65, 5), kRed);
    EXPECT_EQ(s.pixel(5, 5), kWhite);
}

}  // namespace

TEST(Avm1ClipDisplay, OpaqueBackgroundFillsTheClipsBoundsBehindIt) {
    Stage s;
    ClipObject* mc = s.clip("mc", 1);
    s.rect(mc, 20, 20, 40, 40);
    s.call(mc, "moveTo", {s.num(60), s.num(60)});  // bounds reach (60, 60) with nothing drawn there
    s.call(mc, "beginFill", {s.num(kBlue)});
    s.call(mc, "lineTo", {s.num(61), s.num(60)});
    s.call(mc, "lineTo", {s.num(60), s.num(61)});
    s.call(mc, "endFill");
    EXPECT_TRUE(s.get(mc, "opaqueBackground").is_undefined());
    EXPECT_EQ(s.pixel(50, 50), kWhite);
    s.set(mc, "opaqueBackground", s.num(double(0x8000FF00u)));  // the alpha byte is ignored
    EXPECT_EQ(s.number(mc, "opaqueBackground"), double(kGreen));
    EXPECT_EQ(s.pixel(50, 50), kGreen);
    EXPECT_EQ(s.pixel(30, 30), kRed);  // the clip is drawn over it
    EXPECT_EQ(s.pixel(10, 10), kWhite);
    s.set(mc, "opaqueBackground", Value::null());
    EXPECT_EQ(s.pixel(50, 50), kWhite);
}

TEST(Avm1ClipDisplay, BlendModeTakesNamesAndNumbers) {
    Stage s;
    ClipObject* mc = s.clip("mc", 1);
    struct Step {
        Value set;
        const char* then;
    };
    const std::vector<Step> steps = {
        {s.text("layer"), "layer"},   {Value::null(), "normal"},  {s.num(3), "multiply"},
        {s.num(259), "multiply"},     {s.num(13.5), "overlay"},   {s.num(-1), "overlay"},
        {s.text("lAyEr"), "overlay"}, {s.text("hardlight"), "hardlight"}, {Value(), "normal"},
    };
    for (const Step& step : steps) {
        s.set(mc, "blendMode", step.set);
        EXPECT_EQ(s.vm->to_std_string(s.get(mc, "blendMode")), step.then) << s.vm->to_std_string(step.set);
    }
}
