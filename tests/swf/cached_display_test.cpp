// Bitmap-cached clips and scroll windows set by scripts: what the drawing shows of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/avm1/clip.h"
#include "swf/avm1/runtime.h"
#include "swf/player.h"
#include "swf_writer.h"

namespace {

using namespace swf::avm1;

// A movie of one empty frame, with clips made and drawn into the way scripts do it.
struct Stage {
    Stage() {
        swftest::Movie m(100, 100, 8);
        m.background(255, 255, 255);
        m.show_frame();
        const std::vector<uint8_t> bytes = m.fws();
        EXPECT_TRUE(player.load(bytes.data(), bytes.size()).ok());
        vm = &player.scripts()->vm;
        root = static_cast<ClipObject*>(player.root()->object);
    }
    Value call(Value obj, const char* name, const std::vector<Value>& args = {}) {
        return vm->call(vm->get(obj, vm->intern(name)), obj, args.data(), int(args.size()));
    }
    Value get(Value obj, const char* name) { return vm->get(obj, vm->intern(name)); }
    double number(Value obj, const char* name) { return vm->to_number(get(obj, name)); }
    void set(Value obj, const char* name, Value v) { vm->set(obj.object(), vm->intern(name), v); }
    ClipObject* clip(const char* name, int depth, ClipObject* parent = nullptr) {
        Value c = call(parent ? parent : root, "createEmptyMovieClip", {vm->str(name), Value(double(depth))});
        return static_cast<ClipObject*>(c.object());
    }
    void rect(Value mc, double x0, double y0, double x1, double y1, double rgb) {
        call(mc, "beginFill", {Value(rgb)});
        call(mc, "moveTo", {Value(x0), Value(y0)});
        for (auto [x, y] : {std::pair{x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) call(mc, "lineTo", {Value(x), Value(y)});
        call(mc, "endFill");
    }
    Value rectangle(double x, double y, double w, double h) {
        Value cls = get(get(get(Value(vm->global), "flash"), "geom"), "Rectangle");
        const Value args[4] = {Value(x), Value(y), Value(w), Value(h)};
        return vm->construct(cls, args, 4);
    }
    // Straight RGB of one stage pixel (no anti-aliasing).
    uint32_t pixel(int x, int y) {
        std::vector<uint8_t> px(100 * 100 * 4);
        player.set_quality(swf::Quality::Low);
        player.render({px.data(), 100, 100, 100 * 4, swf::PixelFormat::RgbaStraight});
        const uint8_t* p = &px[(size_t(y) * 100 + x) * 4];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }

    swf::Player player;
    Vm* vm = nullptr;
    ClipObject* root = nullptr;
};

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

}  // namespace

TEST(CachedDisplay, ScrollRectShowsItsWindowMovedToTheClipsOrigin) {
    Stage s;
    ClipObject* mc = s.clip("mc", 1);
    s.rect(mc, 0, 0, 60, 60, kRed);
    s.rect(mc, 20, 20, 30, 30, kBlue);
    s.set(mc, "_x", Value(10.0));
    EXPECT_TRUE(s.get(mc, "scrollRect").is_undefined());
    s.set(mc, "scrollRect", s.rectangle(20, 20, 30, 25));
    // The content point (20, 20) now sits at the clip's origin, and only 30 x 25 of it shows.
    EXPECT_EQ(s.pixel(10, 0), kBlue);
    EXPECT_EQ(s.pixel(19, 9), kBlue);
    EXPECT_EQ(s.pixel(20, 10), kRed);
    EXPECT_EQ(s.pixel(39, 24), kRed);
    EXPECT_EQ(s.pixel(40, 10), kWhite);
    EXPECT_EQ(s.pixel(30, 25), kWhite);
    EXPECT_EQ(s.pixel(9, 5), kWhite);
    // Read back as a new rectangle in pixels; changing that copy changes nothing.
    Value r = s.get(mc, "scrollRect");
    EXPECT_EQ(s.number(r, "x"), 20);
    EXPECT_EQ(s.number(r, "height"), 25);
    s.set(r, "x", Value(0.0));
    EXPECT_EQ(s.number(s.get(mc, "scrollRect"), "x"), 20);
    // The window scales with its parent, and whole pixels hold for a cached clip inside a scaled one.
    ClipObject* outer = s.clip("outer", 2);
    ClipObject* inner = s.clip("inner", 1, outer);
    s.rect(inner, 0, 0, 40, 40, kRed);
    s.set(inner, "cacheAsBitmap", Value(true));
    s.set(inner, "scrollRect", s.rectangle(10, 10, 10, 10));
    s.set(outer, "_xscale", Value(200.0));
    s.set(outer, "_yscale", Value(200.0));
    s.set(outer, "_y", Value(60.0));
    EXPECT_EQ(s.pixel(0, 60), kRed);
    EXPECT_EQ(s.pixel(19, 79), kRed);
    EXPECT_EQ(s.pixel(20, 70), kWhite);
    EXPECT_EQ(s.pixel(10, 80), kWhite);
    // Anything but an object takes the window away.
    s.set(mc, "scrollRect", Value());
    EXPECT_TRUE(s.get(mc, "scrollRect").is_undefined());
    EXPECT_EQ(s.pixel(69, 59), kRed);
}

TEST(CachedDisplay, ACachedClipTakesItsColourTransformAsOnePicture) {
    // Red, and blue overlapping it on the right; the clip at 50% alpha.
    Stage s;
    ClipObject* mc = s.clip("mc", 1);
    s.rect(mc, 0, 0, 40, 20, kRed);
    s.rect(mc, 20, 0, 60, 20, kBlue);
    s.set(mc, "_alpha", Value(50.0));
    // Drawn one shape after the other, the red shows through the overlap and darkens its green...
    const uint32_t overlap = s.pixel(30, 10), blue_only = s.pixel(50, 10);
    EXPECT_LT((overlap >> 8) & 255, (blue_only >> 8) & 255);
    // ...but as one picture the overlap is plain blue faded once.
    s.set(mc, "cacheAsBitmap", Value(true));
    EXPECT_EQ(s.pixel(30, 10), s.pixel(50, 10));
    EXPECT_EQ(s.pixel(50, 10), 0x7F7FFFu);  // alpha 255 * 128 / 256 = 127.5, to 128
    EXPECT_EQ(s.pixel(10, 10), 0xFF7F7Fu);
    // _alpha 30 (a multiplier of 76/256) fades opaque blue to alpha 76: 179 of the white remains.
    s.set(mc, "_alpha", Value(30.0));
    EXPECT_EQ(s.pixel(50, 10), 0xB3B3FFu);
}
