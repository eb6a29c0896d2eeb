// Filters: box blur sums, shadow offsets and flags, colour matrices, filter lists read from
// movies (whole and cut short) and filtered objects drawn by the player.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>

#include "swf/filter.h"
#include "swf/player.h"
#include "swf_writer.h"

namespace {

using swf::Filter;
using swf::FilterImage;
using swf::FilterType;

FilterImage blank(int w, int h) {
    FilterImage img;
    img.width = w, img.height = h;
    img.pixels.assign(size_t(w) * h, 0);
    return img;
}

void put_fixed(swftest::Bits& b, double v) { b.u32(uint32_t(int32_t(std::lround(v * 65536)))); }
void put_float(swftest::Bits& b, float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    b.u32(u);
}

// A movie with a 10x10 px red square at (40, 40) (or `at` twips) placed by PlaceObject3 with
// `filters` (a FILTERLIST).
std::vector<uint8_t> filtered_square(const std::vector<uint8_t>& filters, int stage = 100, int at = 800) {
    swftest::Movie m(stage, stage, 8);
    m.background(255, 255, 255);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 200, 200), 200);
    swftest::Bits b;
    b.u8(0x06);  // character, matrix
    b.u8(0x01);  // filter list
    b.u16(1);
    b.u16(1);
    b.matrix(at, at);
    b.append(filters);
    m.tag(70, b.bytes);
    m.show_frame();
    return m.fws();
}

std::vector<uint8_t> render_movie(const std::vector<uint8_t>& bytes, int w = 100, int h = 100,
                                  swf::Quality quality = swf::Quality::Low) {
    swf::Player p;
    EXPECT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(quality);
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    p.render({rgba.data(), w, h, w * 4, swf::PixelFormat::RgbaStraight});
    return rgba;
}

const swf::FilterList* placed_filters(const swf::Player& p) {
    const auto& list = const_cast<swf::Player&>(p).root()->display_list();
    return list.empty() || !list.begin()->second.filters ? nullptr : list.begin()->second.filters.get();
}

}  // namespace

TEST(Filters, BoxBlurSpreadsByTheCoveredShareOfEachPixel) {
    // Odd sizes cover whole pixels: a 3-wide box spreads one pixel evenly over 3x3.
    std::vector<uint8_t> p(9 * 9, 0);
    p[4 * 9 + 4] = 255;
    swf::blur_plane(p.data(), 9, 9, 3, 3, 1);
    EXPECT_EQ(p[4 * 9 + 4], 28);
    EXPECT_EQ(p[3 * 9 + 3], 28);
    EXPECT_EQ(p[2 * 9 + 4], 0);
    // Even sizes reach half into the next pixel: 2 gives 1/4, 1/2, 1/4 per direction, each pass
    // keeping the whole part (127 across, then 63).
    std::fill(p.begin(), p.end(), 0);
    p[4 * 9 + 4] = 255;
    swf::blur_plane(p.data(), 9, 9, 2, 2, 1);
    EXPECT_EQ(p[4 * 9 + 4], 63);
    EXPECT_EQ(p[4 * 9 + 5], 31);
    EXPECT_EQ(p[3 * 9 + 3], 15);
    // An edge: a 5-wide box ramps over 5 pixels in steps of 1/5 and keeps the total.
    std::vector<uint8_t> edge(20, 0);
    std::fill(edge.begin() + 10, edge.end(), 255);
    swf::blur_plane(edge.data(), 20, 1, 5, 0, 1);
    EXPECT_EQ((std::vector<int>{edge[7], edge[8], edge[9], edge[10], edge[11], edge[12]}),
              (std::vector<int>{0, 51, 102, 153, 204, 255}));
    // More passes spread further; sizes up to one pixel, or no passes (quality 0), change nothing.
    std::vector<uint8_t> two(20, 0);
    two[10] = 255;
    swf::blur_plane(two.data(), 20, 1, 3, 0, 2);
    EXPECT_GT(two[8], 0);
    EXPECT_NEAR(std::accumulate(two.begin(), two.end(), 0), 255, 3);
    std::vector<uint8_t> same(20, 7);
    same[3] = 200;
    const std::vector<uint8_t> before = same;
    swf::blur_plane(same.data(), 20, 1, 1, 1, 3);
    swf::blur_plane(same.data(), 20, 1, 5, 5, 0);
    EXPECT_EQ(same, before);
}

TEST(Filters, BlurPassesRoundDownYetKeepFlatAreas) {
    // One pixel under a 30 wide box: 255 / 30 is 8.5, kept as 8; the half-covered ends get 4.
    std::vector<uint8_t> dot(41, 0);
    dot[20] = 255;
    swf::blur_plane(dot.data(), 41, 1, 30, 0, 1);
    EXPECT_EQ(dot[20], 8);
    EXPECT_EQ(dot[6], 8);
    EXPECT_EQ(dot[5], 4);
    EXPECT_EQ(dot[4], 0);
    // A faint pixel spread that thin leaves nothing.
    std::vector<uint8_t> faint(41, 0);
    faint[20] = 20;
    swf::blur_plane(faint.data(), 41, 1, 30, 0, 1);
    EXPECT_EQ(std::accumulate(faint.begin(), faint.end(), 0), 0);
    // Flat areas keep their value through any size and number of passes, fractional ends included.
    for (double size : {2.0, 7.3, 30.0, 64.5}) {
        std::vector<uint8_t> flat(200 * 200, 255);
        swf::blur_plane(flat.data(), 200, 200, size, size, 3);
        EXPECT_EQ(flat[100 * 200 + 100], 255) << size;
        EXPECT_EQ(flat[100 * 200 + 99], 255) << size;
    }
}

TEST(Filters, PictureColourTransformsRoundToTheNearestValue) {
    swf::CxForm alpha30;
    alpha30.am = 76;  // _alpha 30
    // Opaque blue: 255 * 76 / 256 = 75.7 gives alpha 76, and the colour stays full.
    EXPECT_EQ(swf::cxform_picture_pixel(0xFF0000FF, alpha30), 0x4C00004Cu);
    // Half-covered blue (alpha 127): 37.7 gives 38.
    EXPECT_EQ(swf::cxform_picture_pixel(0x7F00007F, alpha30) >> 24, 38u);
    // Add terms, negative multipliers and clamping work on the straight colour.
    swf::CxForm tint;
    tint.rm = -256, tint.ra = 300;  // 300 - 10, clamped
    tint.gm = 128, tint.ga = 10;    // 200 / 2 + 10
    tint.bm = 384;                  // 100 * 1.5
    EXPECT_EQ(swf::cxform_picture_pixel(0xFF0AC864, tint), 0xFFFF6E96u);
    EXPECT_EQ(swf::cxform_picture_pixel(0, alpha30), 0u);
}

TEST(Filters, WorkStopsWhenTheFrameBudgetRunsOut) {
    Filter blur;
    blur.type = FilterType::Blur;
    blur.blur_x = blur.blur_y = 3;
    const swf::FilterList list(3, blur);
    FilterImage once = blank(10, 10), limited = blank(10, 10);
    once.pixels[55] = limited.pixels[55] = 0xFFFFFFFF;
    swf::apply_filter(blur, once);
    uint64_t budget = 100 * 9 + 50;  // one blur pass over 10x10 pixels and a little
    swf::apply_filters(list, limited, budget);
    EXPECT_EQ(limited.pixels, once.pixels);
    EXPECT_EQ(budget, 0u);
}

TEST(Filters, DropShadowFollowsAngleDistanceAndFlags) {
    Filter f;
    f.type = FilterType::DropShadow;
    f.color = {0, 0, 0, 255};
    f.distance = 4;
    auto one_pixel = [] {
        FilterImage img = blank(20, 20);
        img.pixels[5 * 20 + 5] = 0xFFFF0000;
        return img;
    };
    FilterImage img = one_pixel();
    swf::apply_filter(f, img);  // angle 0: to the right
    EXPECT_EQ(img.pixels[5 * 20 + 9], 0xFF000000u);
    EXPECT_EQ(img.pixels[5 * 20 + 5], 0xFFFF0000u);
    f.angle = 3.14159265 / 2;  // down
    f.strength = 0.5;
    img = one_pixel();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[9 * 20 + 5], 0x80000000u);
    EXPECT_EQ(img.pixels[5 * 20 + 9], 0u);
    // Knockout: the shadow stays, the object goes.
    f.strength = 1;
    f.knockout = true;
    img = one_pixel();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[5 * 20 + 5], 0u);
    EXPECT_EQ(img.pixels[9 * 20 + 5], 0xFF000000u);
}

TEST(Filters, InnerShadowStaysInsideTheSource) {
    Filter f;
    f.type = FilterType::DropShadow;
    f.color = {0, 0, 255, 255};
    f.distance = 1;
    f.inner = true;
    auto block = [] {
        FilterImage img = blank(10, 10);
        for (int y = 3; y < 6; ++y)
            for (int x = 3; x < 6; ++x) img.pixels[y * 10 + x] = 0xFFFF0000;
        return img;
    };
    FilterImage img = block();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[4 * 10 + 3], 0xFF0000FFu);  // lit from the left: the left column is shaded
    EXPECT_EQ(img.pixels[4 * 10 + 4], 0xFFFF0000u);
    EXPECT_EQ(img.pixels[4 * 10 + 2], 0u);  // nothing outside
    // Over a half-transparent source the shade keeps the source's alpha; the see-through inside
    // counts as half outside.
    img = block();
    for (uint32_t& px : img.pixels) px = px ? 0x80800000 : 0;
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[4 * 10 + 3], 0x80000080u);
    EXPECT_EQ(img.pixels[4 * 10 + 4], 0x80400040u);
    f.knockout = true;
    img = block();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[4 * 10 + 3], 0xFF0000FFu);
    EXPECT_EQ(img.pixels[4 * 10 + 4], 0u);
}

TEST(Filters, GradientGlowColoursByStrengthAndCanLieOnTop) {
    Filter f;
    f.type = FilterType::GradientGlow;
    f.gradient_colors = {{0, 0, 255, 0}, {0, 0, 255, 255}};
    f.gradient_ratios = {0, 255};
    f.distance = 1;
    f.strength = 0.5;
    auto block = [] {
        FilterImage img = blank(10, 1);
        for (int x = 3; x < 6; ++x) img.pixels[x] = 0xFFFF0000;
        return img;
    };
    FilterImage img = block();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[6], swf::premultiply({0, 0, 255, 128}));  // half way up the gradient
    EXPECT_EQ(img.pixels[4], 0xFFFF0000u);                          // behind the source
    f.on_top = true;
    f.strength = 1;
    img = block();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[4], 0xFF0000FFu);  // the full kind lies on top
    EXPECT_EQ(img.pixels[3], 0xFFFF0000u);  // nothing reaches in from the left
}

TEST(Filters, ColorMatrixWorksOnStraightColour) {
    Filter f;
    f.type = FilterType::ColorMatrix;
    const float identity[20] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    std::memcpy(f.cm, identity, sizeof identity);
    FilterImage img = blank(3, 1);
    img.pixels = {swf::premultiply({200, 100, 50, 255}), swf::premultiply({255, 0, 0, 128}), 0};
    const std::vector<uint32_t> before = img.pixels;
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels, before);
    // Red and blue swapped, green halved plus 10 (offsets in 0..255 units), alpha kept.
    const float swap[20] = {0, 0, 1, 0, 0, 0, 0.5f, 0, 0, 10, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    std::memcpy(f.cm, swap, sizeof swap);
    img.pixels = {swf::premultiply({200, 100, 50, 255}), swf::premultiply({255, 0, 0, 128}), 0};
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[0], swf::premultiply({50, 60, 200, 255}));
    EXPECT_EQ(img.pixels[1], swf::premultiply({0, 10, 255, 128}));
}

TEST(Filters, ConvolutionDividesAddsBiasAndTreatsEdges) {
    Filter f;
    f.type = FilterType::Convolution;
    f.matrix_x = f.matrix_y = 3;
    f.kernel.assign(9, 1.0f);
    f.divisor = 9;
    f.bias = 10;
    f.color = {0, 0, 0, 0};
    auto grey = [] {
        FilterImage img = blank(3, 3);
        img.pixels.assign(9, swf::premultiply({90, 90, 90, 255}));
        return img;
    };
    // Clamped edges repeat the border: every pixel averages to itself, plus the bias.
    FilterImage img = grey();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[0], swf::premultiply({100, 100, 100, 255}));
    // Unclamped edges read the default colour (clear here); alpha is convolved unless preserved.
    f.clamp = false;
    img = grey();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[4], swf::premultiply({100, 100, 100, 255}));
    EXPECT_EQ(img.pixels[0], swf::premultiply({50, 50, 50, 123}));
    f.preserve_alpha = true;
    img = grey();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[0], swf::premultiply({50, 50, 50, 255}));
    // Sums that overflow to infinity or NaN still give a colour.
    f.kernel[0] = 3e38f, f.kernel[1] = -3e38f;
    img = grey();
    swf::apply_filter(f, img);
    EXPECT_EQ(img.pixels[4] >> 24, 255u);
}

TEST(Filters, FilterListsAreReadFromPlacements) {
    swftest::Bits fl;
    fl.u8(3);
    fl.u8(0);  // drop shadow
    fl.u8(10), fl.u8(20), fl.u8(30), fl.u8(255);
    put_fixed(fl, 4), put_fixed(fl, 6), put_fixed(fl, 0.5), put_fixed(fl, 3);
    fl.u16(2 << 8);  // strength 2
    fl.u8(0x80 | 0x20 | 2);  // inner, composite, 2 passes
    fl.u8(1);  // blur
    put_fixed(fl, 300), put_fixed(fl, 2);  // past the largest size
    fl.u8(3 << 3);
    fl.u8(6);  // colour matrix
    for (int i = 0; i < 20; ++i) put_float(fl, float(i));
    const auto bytes = filtered_square(fl.bytes);
    swf::Player p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    const swf::FilterList* list = placed_filters(p);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 3u);
    const Filter& s = (*list)[0];
    EXPECT_EQ(s.type, FilterType::DropShadow);
    EXPECT_EQ(s.color, (swf::RGBA{10, 20, 30, 255}));
    EXPECT_EQ(s.blur_x, 4);
    EXPECT_EQ(s.blur_y, 6);
    EXPECT_EQ(s.distance, 3);
    EXPECT_EQ(s.strength, 2);
    EXPECT_TRUE(s.inner && s.composite_source && !s.knockout);
    EXPECT_EQ(s.passes, 2);
    EXPECT_EQ((*list)[1].blur_x, swf::kMaxBlur);
    EXPECT_EQ((*list)[1].passes, 3);
    EXPECT_EQ((*list)[2].cm[19], 19.0f);
    // Past the kept number of filters the rest is read but not kept.
    swftest::Bits many;
    many.u8(200);
    for (int i = 0; i < 200; ++i) {
        many.u8(1);
        put_fixed(many, 2), put_fixed(many, 2);
        many.u8(1 << 3);
    }
    const auto crowded = filtered_square(many.bytes);
    swf::Player q;
    ASSERT_TRUE(q.load(crowded.data(), crowded.size()).ok());
    ASSERT_TRUE(placed_filters(q));
    EXPECT_EQ(placed_filters(q)->size(), swf::kMaxFilters);
}

TEST(Filters, CutShortOrLyingFilterListsEndCleanly) {
    // Count 5, one whole blur, then a glow cut off in its colour.
    swftest::Bits fl;
    fl.u8(5);
    fl.u8(1);
    put_fixed(fl, 2), put_fixed(fl, 2);
    fl.u8(1 << 3);
    fl.u8(2);
    fl.u8(255);
    swf::Player p;
    const auto bytes = filtered_square(fl.bytes);
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    const swf::FilterList* list = placed_filters(p);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), 1u);
    // A convolution claiming a 255x255 matrix in a few bytes, and an unknown filter id.
    for (std::vector<uint8_t> body : {std::vector<uint8_t>{1, 5, 255, 255, 0, 0, 0, 0}, std::vector<uint8_t>{2, 9, 0}}) {
        const auto bad = filtered_square(body);
        swf::Player q;
        ASSERT_TRUE(q.load(bad.data(), bad.size()).ok());
        EXPECT_EQ(placed_filters(q), nullptr);
        render_movie(bad);
    }
}

TEST(Filters, PlayerDrawsFilteredObjectsWithinABoundedMargin) {
    // A knockout glow: a halo around the square and nothing of the square itself.
    swftest::Bits fl;
    fl.u8(1);
    fl.u8(2);
    fl.u8(0), fl.u8(0), fl.u8(255), fl.u8(255);
    put_fixed(fl, 5), put_fixed(fl, 5);
    fl.u16(1 << 8);
    fl.u8(0x40 | 0x20 | 1);
    const auto px = render_movie(filtered_square(fl.bytes));
    auto at = [&](int x, int y) {
        const uint8_t* p = &px[(size_t(y) * 100 + x) * 4];
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(at(45, 45), (std::vector<int>{255, 255, 255}));   // knocked out
    EXPECT_EQ(at(39, 45), (std::vector<int>{153, 153, 255}));   // 2/5 blue, one pixel out
    EXPECT_EQ(at(37, 45), (std::vector<int>{255, 255, 255}));   // past the reach of the blur
    // An inner glow shades the square's own edge, from the clear pixels around it.
    swftest::Bits ig;
    ig.u8(1);
    ig.u8(2);
    ig.u8(0), ig.u8(0), ig.u8(255), ig.u8(255);
    put_fixed(ig, 5), put_fixed(ig, 5);
    ig.u16(1 << 8);
    ig.u8(0x80 | 0x20 | 1);
    const auto inner = render_movie(filtered_square(ig.bytes));
    EXPECT_EQ(inner[(45 * 100 + 40) * 4 + 2], 102);  // 2/5 blue at the edge...
    EXPECT_EQ(inner[(45 * 100 + 45) * 4 + 2], 0);    // ...none in the middle
    EXPECT_EQ(inner[(45 * 100 + 39) * 4 + 0], 255);  // and nothing outside
    // Shown at twice the stage size, a shadow 4 stage pixels away lands 8 target pixels away.
    swftest::Bits ds;
    ds.u8(1);
    ds.u8(0);
    ds.u8(0), ds.u8(0), ds.u8(0), ds.u8(255);
    put_fixed(ds, 0), put_fixed(ds, 0), put_fixed(ds, 0), put_fixed(ds, 4);
    ds.u16(1 << 8);
    ds.u8(0x20 | 1);
    const auto twice = render_movie(filtered_square(ds.bytes), 200, 200);
    auto red_at = [&](int x, int y) { return int(twice[(size_t(y) * 200 + x) * 4]); };
    EXPECT_EQ(red_at(99, 90), 255);   // the square, 80..99
    EXPECT_EQ(red_at(100, 90), 0);    // its shadow, 88..107
    EXPECT_EQ(red_at(107, 90), 0);
    EXPECT_EQ(red_at(108, 90), 255);
    // The largest blur reaches no further than the margin clamp, which small areas lower.
    swf::FilterList list(1);
    list[0].blur_x = list[0].blur_y = swf::kMaxBlur;
    list[0].passes = swf::kMaxPasses;
    EXPECT_EQ(swf::filter_margin(list).left, swf::kMaxFilterMargin);
    EXPECT_EQ(swf::filter_margin(list, swf::filter_margin_limit(64, 48)).left, swf::kMinFilterMargin);
    EXPECT_EQ(swf::filter_margin(list, swf::filter_margin_limit(800, 600)).top, 400);
}

TEST(Filters, FilteredObjectsSitOnWholePixels) {
    // The top-left corner of the bounds rounds to the nearest pixel, halves upwards.
    const swf::Rect bounds{-50, 5710, -50, 5710};
    swf::Matrix m = swf::on_whole_pixels(bounds, {0.05, 0, 0, 0.05, 108, 43});
    EXPECT_DOUBLE_EQ(m.tx, 108.5);
    EXPECT_DOUBLE_EQ(m.ty, 43.5);
    m = swf::on_whole_pixels(bounds, {0.05, 0, 0, 0.05, 6.05, 4.95});
    EXPECT_NEAR(m.tx, 6.5, 1.0 / 256);  // within the rasteriser's 1/256 pixel
    EXPECT_NEAR(m.ty, 4.5, 1.0 / 256);
    // Drawn anti-aliased at x = 40.4 px, a square with an (identity) colour matrix lands on
    // whole pixels: crisp at 40 and clear at 50.
    swftest::Bits cm;
    cm.u8(1);
    cm.u8(6);
    for (int i = 0; i < 20; ++i) put_float(cm, i % 6 == 0 ? 1.0f : 0.0f);
    const auto px = render_movie(filtered_square(cm.bytes, 100, 808), 100, 100, swf::Quality::High);
    auto green = [&](int x) { return int(px[(size_t(45) * 100 + x) * 4 + 1]); };
    EXPECT_EQ(green(40), 0);
    EXPECT_EQ(green(49), 0);
    EXPECT_EQ(green(50), 255);
}

TEST(Filters, NestedFilteredClipsStayWithinABoundedPicture) {
    // Sixty sprites inside each other, each with the largest blur: every level would widen the
    // off-screen picture by its margin; past the area limit the inner levels draw unfiltered.
    swftest::Bits blur;
    blur.u8(1);
    blur.u8(1);
    put_fixed(blur, 255), put_fixed(blur, 255);
    blur.u8(15 << 3);
    swftest::Movie m(100, 100, 8);
    m.background(255, 255, 255);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 200, 200), 200);
    auto place3 = [&](uint16_t id, int tx) {
        swftest::Bits b;
        b.u8(0x06);
        b.u8(0x01);
        b.u16(1);
        b.u16(id);
        b.matrix(tx, tx);
        b.append(blur.bytes);
        m.tag(70, b.bytes);
    };
    for (uint16_t id = 2; id <= 61; ++id) {
        m.begin_sprite(id, 1);
        place3(uint16_t(id - 1), 0);
        m.show_frame();
        m.end_sprite();
    }
    place3(61, 800);
    m.show_frame();
    const auto px = render_movie(m.fws());
    EXPECT_LT(px[(45 * 100 + 45) * 4 + 1], 255);  // the blurred square still shows
}
