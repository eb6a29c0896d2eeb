// Fill painting and compositing: gradient tables and their sampling, curve splitting, blend
// modes, and loader inputs that once read out of bounds or overflowed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "swf/movie.h"
#include "swf/paint.h"
#include "swf/player.h"
#include "swf/raster.h"
#include "swf_writer.h"

namespace {

int red(uint32_t c) { return int(c >> 16 & 255); }
int green(uint32_t c) { return int(c >> 8 & 255); }
int blue(uint32_t c) { return int(c & 255); }

swf::Gradient gradient(std::initializer_list<std::pair<int, swf::RGBA>> stops) {
    swf::Gradient g;
    for (const auto& [ratio, colour] : stops) {
        g.ratio[g.count] = uint8_t(ratio);
        g.color[g.count] = colour;
        ++g.count;
    }
    return g;
}

constexpr swf::RGBA kR{255, 0, 0, 255}, kG{0, 255, 0, 255}, kB{0, 0, 255, 255}, kC{0, 255, 255, 255},
    kM{255, 0, 255, 255}, kY{255, 255, 0, 255}, kBlack{0, 0, 0, 255}, kWhite{255, 255, 255, 255};

// Paints one fully covered row of `width` pixels with a linear gradient whose square spans
// `span` pixels starting at x = 0.
std::vector<uint32_t> linear_row(const swf::Gradient& g, int width, double span,
                                 swf::SpreadMode spread = swf::SpreadMode::Pad) {
    std::vector<uint32_t> px(width, 0);
    swf::Canvas canvas{px.data(), width, 1, width};
    swf::FillStyle fill;
    fill.type = swf::FillType::Linear;
    fill.gradient = g;
    fill.gradient.spread = spread;
    const swf::Matrix to_device{span / 32768, 0, 0, 1, span / 2, 0};
    swf::GradientPainter painter(canvas, nullptr, fill, to_device, swf::CxForm{});
    std::vector<uint8_t> cov(width, 255);
    painter.row(0, 0, width, cov.data());
    return px;
}

}  // namespace

TEST(GradientTable, StopsAreSearchedInFileOrder) {
    // Ratios out of order: each position takes the piece ending at the first stop at or past it.
    swf::Gradient g = gradient({{31, kR}, {80, kG}, {50, kC}, {100, kM}, {200, kB}, {150, kY}});
    uint32_t t[256];
    swf::build_gradient_lut(g, swf::CxForm{}, t);
    EXPECT_EQ(t[10], 0xFFFF0000u);   // before the first stop
    EXPECT_EQ(t[220], 0xFFFFFF00u);  // past every stop: the last colour, not the highest ratio's
    EXPECT_NEAR(red(t[60]), 104, 1);  // red -> green
    EXPECT_NEAR(green(t[60]), 151, 1);
    EXPECT_NEAR(red(t[90]), 204, 1);  // cyan -> magenta, not green -> cyan
    EXPECT_NEAR(green(t[90]), 51, 1);
    EXPECT_NEAR(red(t[170]), 76, 1);  // magenta -> blue, although yellow's ratio is lower
    EXPECT_EQ(blue(t[170]), 255);

    // Two stops at one ratio make a hard edge.
    swf::build_gradient_lut(gradient({{0, kR}, {128, kR}, {128, kB}, {255, kB}}), swf::CxForm{}, t);
    EXPECT_EQ(t[128], 0xFFFF0000u);
    EXPECT_EQ(t[129], 0xFF0000FFu);
}

TEST(GradientPainter, BlendsBetweenTableEntries) {
    const swf::Gradient g = gradient({{0, kBlack}, {255, kWhite}});
    // One table entry per pixel: every entry once, in order.
    auto row = linear_row(g, 256, 256);
    for (int x = 0; x < 256; ++x) EXPECT_NEAR(blue(row[x]), x, 1) << x;
    // Four pixels per entry: the ramp is smooth instead of stepping every fourth pixel.
    row = linear_row(g, 1024, 1024);
    for (int x = 0; x < 1024; ++x) {
        const double expected = std::clamp((x + 0.5) / 4 - 0.5, 0.0, 255.0);
        ASSERT_NEAR(blue(row[x]), expected, 0.6) << x;
        if (x) {
            ASSERT_LE(blue(row[x]) - blue(row[x - 1]), 1) << x;
        }
    }
}

TEST(GradientPainter, SpreadModesOutsideTheSquare) {
    const swf::Gradient g = gradient({{0, kBlack}, {255, kWhite}});
    auto pad = linear_row(g, 256, 64, swf::SpreadMode::Pad), reflect = linear_row(g, 256, 64, swf::SpreadMode::Reflect),
         repeat = linear_row(g, 256, 64, swf::SpreadMode::Repeat);
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(pad[x], repeat[x]);
        EXPECT_EQ(pad[x], reflect[x]);
        EXPECT_EQ(pad[64 + x], 0xFFFFFFFFu);             // pad holds the end colour
        EXPECT_EQ(repeat[64 + x], repeat[x]) << x;        // repeat starts over
        EXPECT_EQ(reflect[127 - x], reflect[x]) << x;     // reflect runs back
    }
}

TEST(CurveSplitting, PiecesStayWithinTheToleranceAndFollowTheBend) {
    struct P {
        double x, y;
    };
    const P a{0, 0}, c{100, 100}, b{200, 0};
    auto at = [&](double t) {
        const double u = 1 - t;
        return P{u * u * a.x + 2 * u * t * c.x + t * t * b.x, u * u * a.y + 2 * u * t * c.y + t * t * b.y};
    };
    double ts[swf::kMaxCurveSteps];
    const int n = swf::flatten_quad(a.x, a.y, c.x, c.y, b.x, b.y, 0.1, ts, swf::kMaxCurveSteps);
    ASSERT_GT(n, 4);
    std::vector<double> all{0};
    for (int i = 0; i + 1 < n; ++i) all.push_back(ts[i]);
    all.push_back(1);
    for (size_t i = 1; i < all.size(); ++i) {
        ASSERT_GT(all[i], all[i - 1]);
        // The curve between two split points stays close to the straight piece joining them.
        const P p = at(all[i - 1]), q = at(all[i]);
        const double len = std::hypot(q.x - p.x, q.y - p.y);
        for (int k = 1; k < 16; ++k) {
            const P m = at(all[i - 1] + (all[i] - all[i - 1]) * k / 16);
            const double dist = std::fabs((q.x - p.x) * (m.y - p.y) - (q.y - p.y) * (m.x - p.x)) / len;
            EXPECT_LE(dist, 0.1 * 1.1) << "piece " << i;
        }
    }
    // Tighter tolerance, more pieces; the sharpest bend (at t = 0.5) gets the shortest pieces.
    EXPECT_GT(swf::flatten_quad(a.x, a.y, c.x, c.y, b.x, b.y, 0.01, ts, swf::kMaxCurveSteps), 2 * n);
    // Straight or degenerate curves are left to the caller; huge ones are capped.
    EXPECT_EQ(swf::flatten_quad(0, 0, 50, 50, 100, 100, 0.1, ts, swf::kMaxCurveSteps), 0);
    EXPECT_EQ(swf::flatten_quad(5, 5, 5, 5, 5, 5, 0.1, ts, swf::kMaxCurveSteps), 0);
    EXPECT_EQ(swf::flatten_quad(0, 0, 1e9, 1e9, 2e9, 0, 0.1, ts, 16), 16);
}

namespace {

// PlaceObject3 of a character at a depth with a blend mode.
void place_blend(swftest::Movie& m, uint16_t id, uint16_t depth, swf::BlendMode blend) {
    swftest::Bits b;
    b.u8(0x02 | 0x04);  // character, matrix
    b.u8(0x02);         // blend mode
    b.u16(depth);
    b.u16(id);
    b.matrix();
    b.u8(uint8_t(blend));
    m.tag(70, b.bytes);
}

uint32_t render_pixel(const std::vector<uint8_t>& bytes, int x, int y) {
    swf::Player p;
    EXPECT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(swf::Quality::Low);
    std::vector<uint32_t> px(20 * 20);
    p.render({px.data(), 20, 20, 20 * 4, swf::PixelFormat::BgraPremultiplied});
    return px[size_t(y) * 20 + x];
}

// A (64,128,192) backdrop over the whole stage and a (200,100,30) square on its left half.
std::vector<uint8_t> blend_movie(swf::BlendMode mode) {
    swftest::Movie m(20, 20);
    m.background(255, 255, 255);
    m.shape_rgba(1, 64, 128, 192, 255, swftest::Movie::rect_records(0, 0, 400, 400), 400);
    m.shape_rgba(2, 200, 100, 30, 255, swftest::Movie::rect_records(0, 0, 200, 400), 400);
    m.place(1, 1);
    place_blend(m, 2, 2, mode);
    m.show_frame();
    return m.fws();
}

}  // namespace

TEST(BlendModes, OverlayAndHardLightPickMultiplyOrScreenPerChannel) {
    // Overlay chooses by the backdrop, hard light by the source.
    const uint32_t overlay = render_pixel(blend_movie(swf::BlendMode::Overlay), 5, 5);
    EXPECT_NEAR(red(overlay), 100, 1);  // dark backdrop: 2sd
    EXPECT_NEAR(green(overlay), 101, 1);
    EXPECT_NEAR(blue(overlay), 144, 1);  // light backdrop: screen
    const uint32_t hard = render_pixel(blend_movie(swf::BlendMode::HardLight), 5, 5);
    EXPECT_NEAR(red(hard), 173, 1);  // light source: screen
    EXPECT_NEAR(green(hard), 100, 1);
    EXPECT_NEAR(blue(hard), 45, 1);
    EXPECT_EQ(render_pixel(blend_movie(swf::BlendMode::HardLight), 15, 5), 0xFF4080C0u);  // outside the square
}

TEST(BlendModes, AlphaAndEraseActOnlyInsideALayer) {
    for (swf::BlendMode mode : {swf::BlendMode::Alpha, swf::BlendMode::Erase})
        EXPECT_EQ(render_pixel(blend_movie(mode), 5, 5), 0xFF4080C0u) << int(mode);

    // In a layer, erase cuts the layer's own backdrop away and the stage shows through.
    swftest::Movie m(20, 20);
    m.background(255, 255, 255);
    m.shape_rgba(1, 64, 128, 192, 255, swftest::Movie::rect_records(0, 0, 400, 400), 400);
    m.shape_rgba(2, 0, 0, 0, 255, swftest::Movie::rect_records(0, 0, 200, 400), 400);
    m.begin_sprite(3, 1);
    m.place(1, 1);
    place_blend(m, 2, 2, swf::BlendMode::Erase);
    m.show_frame();
    m.end_sprite();
    place_blend(m, 3, 1, swf::BlendMode::Layer);
    m.show_frame();
    const auto bytes = m.fws();
    EXPECT_EQ(render_pixel(bytes, 5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(render_pixel(bytes, 15, 5), 0xFF4080C0u);
}

TEST(LoaderInputs, FontOffsetTableCutShort) {
    // DefineFont claiming ten glyphs (first offset 20) in a tag that ends after two offsets.
    swftest::Movie m;
    m.tag(10, {1, 0, 20, 0, 4, 0, 7});
    m.show_frame();
    const auto bytes = m.fws();
    auto movie = swf::load_movie(bytes.data(), bytes.size());
    ASSERT_TRUE(movie.ok());
    const auto* font = static_cast<const swf::FontDef*>(movie.value()->find(1));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphs.size(), 2u);
}

TEST(LoaderInputs, TextAdvancesThatWouldOverflow) {
    // DefineText with 200 glyphs advancing by nearly -2^31 twips each.
    swftest::Bits b;
    b.u16(1);
    b.rect(0, 100, 0, 100);
    b.matrix();
    b.u8(1);   // glyph bits
    b.u8(32);  // advance bits
    b.u8(0x80 | 0x01);  // style record: x offset
    b.u16(0);
    b.u8(200);
    for (int i = 0; i < 200; ++i) {
        b.ub(0, 1);
        b.sb(-2147483600, 32);
    }
    b.align();
    b.u8(0);
    swftest::Movie m;
    m.tag(11, b.bytes);
    m.show_frame();
    const auto bytes = m.fws();
    auto movie = swf::load_movie(bytes.data(), bytes.size());
    ASSERT_TRUE(movie.ok());
    const auto* text = static_cast<const swf::TextDef*>(movie.value()->find(1));
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->runs.size(), 1u);
    ASSERT_EQ(text->runs[0].glyphs.size(), 200u);
    for (const auto& [index, x] : text->runs[0].glyphs) EXPECT_GE(x, -(1 << 28));
}

TEST(EditText, FrameCoversTheRowAndColumnPastItsBoundsButNotThatCorner) {
    // A bordered, empty field over pixels 2..10 on a grey stage.
    swftest::Bits b;
    b.u16(1);
    b.rect(40, 200, 40, 200);
    b.u8(0x00);
    b.u8(0x08);  // border
    b.u8(0);     // no variable name
    swftest::Movie m(20, 20);
    m.background(128, 128, 128);
    m.tag(37, b.bytes);
    m.place(1, 1);
    m.show_frame();
    const auto bytes = m.fws();
    constexpr uint32_t black = 0xFF000000u, white = 0xFFFFFFFFu, grey = 0xFF808080u;
    for (int i = 2; i <= 9; ++i) {
        EXPECT_EQ(render_pixel(bytes, i, 2), black) << "top " << i;
        EXPECT_EQ(render_pixel(bytes, 2, i), black) << "left " << i;
        EXPECT_EQ(render_pixel(bytes, i, 10), black) << "bottom " << i;
        EXPECT_EQ(render_pixel(bytes, 10, i), black) << "right " << i;
    }
    EXPECT_EQ(render_pixel(bytes, 10, 10), grey);
    EXPECT_EQ(render_pixel(bytes, 5, 5), white);
    EXPECT_EQ(render_pixel(bytes, 11, 5), grey);
    EXPECT_EQ(render_pixel(bytes, 5, 11), grey);
}

TEST(Strokes, StretchWithAShapeScaledUnevenly) {
    // A square outline 1 px wide (in the shape's units) stretched four times horizontally: the
    // vertical sides become 4 px wide, the horizontal ones stay 1 px.
    swftest::Bits b;
    b.u16(1);
    b.rect(0, 200, 0, 200);
    b.u8(0);  // no fills
    b.u8(1);  // one line style: 20 twips, black
    b.u16(20);
    b.u8(0), b.u8(0), b.u8(0);
    swftest::ShapeRecords s(0, 1);
    s.style(10, 10, -1, -1, 1);
    s.line(80, 0);
    s.line(0, 80);
    s.line(-80, 0);
    s.line(0, -80);
    b.append(s.end());
    swftest::Bits place;
    place.u8(0x02 | 0x04);
    place.u16(1);
    place.u16(1);
    place.matrix_scale(4, 1, 0, 0);
    swftest::Movie m(20, 20);
    m.background(255, 255, 255);
    m.tag(2, b.bytes);
    m.tag(26, place.bytes);
    m.show_frame();
    const auto bytes = m.fws();
    // The left side runs along x = 2 px (10 twips * 4 / 20), covering 0..4; the top along y = 0.5.
    constexpr uint32_t black = 0xFF000000u, white = 0xFFFFFFFFu;
    EXPECT_EQ(render_pixel(bytes, 0, 2), black);
    EXPECT_EQ(render_pixel(bytes, 3, 2), black);
    EXPECT_EQ(render_pixel(bytes, 4, 2), white);
    EXPECT_EQ(render_pixel(bytes, 8, 0), black);
    EXPECT_EQ(render_pixel(bytes, 8, 1), white);
}

TEST(Masks, OnlyTheMaskShapesFillsLetContentThrough) {
    // Mask: a 20 px square (pixels 10..29) with a 10 px outline; content: red over the stage.
    swftest::Bits b;
    b.u16(1);
    b.rect(0, 800, 0, 800);
    b.u8(1);
    b.u8(0x00);
    b.u8(0), b.u8(0), b.u8(0), b.u8(255);
    b.u8(1);
    b.u16(200);
    b.u8(0), b.u8(0), b.u8(0), b.u8(255);
    swftest::ShapeRecords s(1, 1);
    s.style(200, 200, -1, 1, 1);
    s.line(400, 0);
    s.line(0, 400);
    s.line(-400, 0);
    s.line(0, -400);
    b.append(s.end());
    swftest::Movie m(40, 40);
    m.background(255, 255, 255);
    m.tag(32, b.bytes);
    m.shape_rgba(2, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 800, 800), 800);
    m.place(1, 1, 0, 0, /*clip_depth=*/2);
    m.place(2, 2);
    m.show_frame();
    const auto bytes = m.fws();
    swf::Player p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(swf::Quality::Low);
    std::vector<uint32_t> px(40 * 40);
    p.render({px.data(), 40, 40, 40 * 4, swf::PixelFormat::BgraPremultiplied});
    EXPECT_EQ(px[20 * 40 + 20], 0xFFFF0000u);  // inside the fill
    EXPECT_EQ(px[20 * 40 + 10], 0xFFFF0000u);
    EXPECT_EQ(px[20 * 40 + 7], 0xFFFFFFFFu);   // under the outline only
    EXPECT_EQ(px[32 * 40 + 20], 0xFFFFFFFFu);
    EXPECT_EQ(px[2 * 40 + 2], 0xFFFFFFFFu);
}

TEST(GradientPainter, RadialDistancesAndSpreads) {
    // Radial black -> white over a radius of 64 px, centred on pixel (0, 0)'s corner.
    std::vector<uint32_t> px(128 * 128, 0);
    swf::Canvas canvas{px.data(), 128, 128, 128};
    for (swf::SpreadMode spread : {swf::SpreadMode::Pad, swf::SpreadMode::Reflect, swf::SpreadMode::Repeat}) {
        swf::FillStyle fill;
        fill.type = swf::FillType::Radial;
        fill.gradient = gradient({{0, kBlack}, {255, kWhite}});
        fill.gradient.spread = spread;
        swf::GradientPainter painter(canvas, nullptr, fill, swf::Matrix{64.0 / 16384, 0, 0, 64.0 / 16384, 0, 0},
                                     swf::CxForm{});
        std::vector<uint8_t> cov(128, 255);
        for (int y = 0; y < 128; ++y) painter.row(y, 0, 128, cov.data());
        for (int y = 0; y < 128; y += 9) {
            for (int x = 0; x < 128; x += 7) {
                const double d = std::hypot(x + 0.5, y + 0.5) / 64;  // in gradient radii
                double t = d;
                if (spread == swf::SpreadMode::Pad) t = std::min(d, 1.0);
                if (spread == swf::SpreadMode::Reflect)
                    t = std::fmod(d, 2.0) > 1 ? 2 - std::fmod(d, 2.0) : std::fmod(d, 2.0);
                if (spread == swf::SpreadMode::Repeat) t = std::fmod(d, 1.0);
                // Near a repeat's wrap the colour jumps; leave those pixels out.
                if (spread == swf::SpreadMode::Repeat && (t < 0.03 || t > 0.97)) continue;
                EXPECT_NEAR(blue(px[y * 128 + x]), std::clamp(t * 256 - 0.5, 0.0, 255.0), 1.5)
                    << "spread " << int(spread) << " at " << x << "," << y;
            }
        }
    }
}

TEST(BlendModes, LayersStartClearEveryTime) {
    // A difference-blended square moves between frames: the old position must not linger in
    // the reused layer.
    swftest::Movie m(20, 20);
    m.background(0, 0, 0);
    m.shape_rgba(1, 255, 255, 255, 255, swftest::Movie::rect_records(0, 0, 100, 100), 400);
    place_blend(m, 1, 1, swf::BlendMode::Difference);
    m.show_frame();
    m.move(1, 200, 200);
    m.show_frame();
    const auto bytes = m.fws();
    swf::Player p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(swf::Quality::Low);
    std::vector<uint32_t> px(20 * 20);
    p.render({px.data(), 20, 20, 20 * 4, swf::PixelFormat::BgraPremultiplied});
    EXPECT_EQ(px[2 * 20 + 2], 0xFFFFFFFFu);
    p.advance();
    p.render({px.data(), 20, 20, 20 * 4, swf::PixelFormat::BgraPremultiplied});
    EXPECT_EQ(px[2 * 20 + 2], 0xFF000000u);
    EXPECT_EQ(px[12 * 20 + 12], 0xFFFFFFFFu);
}

namespace {
size_t count_clips(const swf::Clip& c) {
    size_t n = 0;
    for (const auto& [depth, inst] : c.display_list())
        if (inst.clip) n += 1 + count_clips(*inst.clip);
    return n;
}
}  // namespace

TEST(LoaderInputs, SpritesPlacingThemselvesStayBounded) {
    // Sprite 1 places itself at two depths: unchecked, that is 2^64 instances.
    swftest::Movie m(20, 20);
    m.begin_sprite(1, 1);
    m.place(1, 1);
    m.place(1, 2);
    m.show_frame();
    m.end_sprite();
    m.place(1, 1);
    m.show_frame();
    const auto bytes = m.fws();
    swf::Player p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.advance();
    EXPECT_LE(count_clips(*p.root()), swf::kMaxClips);
    EXPECT_GT(count_clips(*p.root()), 1000u);
}

TEST(GradientPainter, PartlyCoveredPixelsBlendTheFullRowsColour) {
    // One table entry per pixel, so each pixel's colour is the same however the row is split into
    // fully and partly covered runs.
    const swf::Gradient g = gradient({{0, kR}, {128, kG}, {255, kB}});
    const std::vector<uint32_t> solid = linear_row(g, 256, 256);
    const uint32_t under = 0xFF204060;
    std::vector<uint32_t> px(256, under);
    swf::Canvas canvas{px.data(), 256, 1, 256};
    swf::FillStyle fill;
    fill.type = swf::FillType::Linear;
    fill.gradient = g;
    swf::GradientPainter painter(canvas, nullptr, fill, swf::Matrix{256.0 / 32768, 0, 0, 1, 128, 0}, swf::CxForm{});
    std::vector<uint8_t> cov(256);
    for (int x = 0; x < 256; ++x) cov[x] = x % 37 < 20 ? 255 : x % 37 < 24 ? 0 : uint8_t(x * 7);
    painter.row(0, 0, 256, cov.data());
    for (int x = 0; x < 256; ++x) {
        if (cov[x] == 255) {
            EXPECT_EQ(px[x], solid[x]) << x;
        } else if (cov[x] == 0) {
            EXPECT_EQ(px[x], under) << x;
        } else {
            for (int shift : {0, 8, 16}) {
                const double s = solid[x] >> shift & 255, d = under >> shift & 255, c = cov[x] / 255.0;
                EXPECT_NEAR(px[x] >> shift & 255, s * c + d * (1 - c), 1.0) << x << " channel " << shift;
            }
            EXPECT_EQ(px[x] >> 24, 255u);
        }
    }
}

TEST(GradientPainter, PaddedRowsLeaveTheSquareAtBothEnds) {
    // A mirrored black -> white gradient 100 px wide centred on x = 100: the row starts past the
    // white end, runs down through the square and out past the black end.
    const swf::Gradient g = gradient({{0, kBlack}, {255, kWhite}});
    for (double sign : {-1.0, 1.0}) {
        std::vector<uint32_t> px(200, 0);
        swf::Canvas canvas{px.data(), 200, 1, 200};
        swf::FillStyle fill;
        fill.type = swf::FillType::Linear;
        fill.gradient = g;
        swf::GradientPainter painter(canvas, nullptr, fill, swf::Matrix{sign * 100 / 32768, 0, 0, 1, 100, 0},
                                     swf::CxForm{});
        std::vector<uint8_t> cov(200, 255);
        painter.row(0, 0, 200, cov.data());
        for (int x = 0; x < 200; ++x) {
            const double t = 0.5 + sign * (x + 0.5 - 100) / 100;  // 0..1 across the square
            EXPECT_NEAR(blue(px[x]), std::clamp(t * 256 - 0.5, 0.0, 255.0), 1.5) << "sign " << sign << " x " << x;
        }
    }
}

TEST(GradientCache, FindsEachRampByContentThroughGrowthAndRestart) {
    // More distinct gradients than the cache keeps: the table grows, starts over when full, and
    // every lookup still returns the ramp built from that gradient and transform.
    swf::GradientCache cache;
    auto make = [](int i) {
        swf::Gradient g = gradient({{0, kBlack}, {255, swf::RGBA{uint8_t(i), uint8_t(i >> 8), 7, 255}}});
        g.ratio[1] = uint8_t(200 + i % 50);
        return g;
    };
    swf::GradientRamp want;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 5000; i += round ? 7 : 1) {
            swf::CxForm cx;
            cx.ra = i % 3;
            const swf::GradientRamp& got = cache.get(make(i), cx);
            swf::build_gradient_ramp(make(i), cx, want);
            ASSERT_EQ(std::memcmp(got.colours, want.colours, sizeof want.colours), 0) << "gradient " << i;
            ASSERT_EQ(&cache.get(make(i), cx), &got) << "a second lookup finds the same ramp";
        }
    }
}

TEST(GradientPainter, EachPixelsColourIsTheSameHoweverTheRowIsSplit) {
    // Rotated, unevenly scaled squares at odd offsets, so positions fall between table entries and
    // rows run through several spread cycles. Painted whole, then in pieces of 1 to 9 pixels.
    const swf::Gradient g = gradient({{0, kR}, {90, kG}, {200, kB}, {255, kY}});
    const swf::Matrix to_device{37.3 / 32768, 21.1 / 32768, -13.7 / 32768, 29.9 / 32768, 101.37, 3.61};
    constexpr int kWidth = 300, kRows = 3;
    std::vector<uint8_t> cov(kWidth);
    for (int x = 0; x < kWidth; ++x) cov[x] = x % 23 < 15 ? 255 : uint8_t(x * 11);
    swf::CxForm translucent;
    translucent.am = 150;
    for (const swf::CxForm& cx : {swf::CxForm{}, translucent})
    for (swf::FillType type : {swf::FillType::Linear, swf::FillType::Radial, swf::FillType::Focal}) {
        for (swf::SpreadMode spread : {swf::SpreadMode::Pad, swf::SpreadMode::Reflect, swf::SpreadMode::Repeat}) {
            swf::FillStyle fill;
            fill.type = type;
            fill.gradient = g;
            fill.gradient.spread = spread;
            fill.gradient.focal = 0.6;
            std::vector<uint32_t> whole(kWidth * kRows, 0xFF102030), split = whole;
            swf::Canvas a{whole.data(), kWidth, kRows, kWidth}, b{split.data(), kWidth, kRows, kWidth};
            swf::GradientPainter pa(a, nullptr, fill, to_device, cx);
            swf::GradientPainter pb(b, nullptr, fill, to_device, cx);
            for (int y = 0; y < kRows; ++y) {
                pa.row(y, 0, kWidth, cov.data());
                for (int x = 0, k = 0; x < kWidth; ++k) {
                    const int end = std::min(kWidth, x + 1 + (k * 7 + y) % 9);
                    pb.row(y, x, end, cov.data() + x);
                    x = end;
                }
            }
            for (int i = 0; i < kWidth * kRows; ++i)
                ASSERT_EQ(whole[i], split[i]) << "type " << int(type) << " spread " << int(spread) << " pixel " << i;
        }
    }
}

TEST(Painter, TranslucentColoursBlendAlikeFourAtATimeAndOneByOne) {
    // Random canvas pixels (premultiplied) and coverages under translucent colours: a whole row is
    // blended four pixels at a time, single pixels one by one; both must agree exactly.
    constexpr int kWidth = 4096;
    uint32_t seed = 7;
    auto rnd = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    std::vector<uint32_t> canvas(kWidth);
    std::vector<uint8_t> cov(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        const uint32_t a = rnd() & 255;
        auto ch = [&] { return a ? rnd() % (a + 1) : 0; };
        canvas[x] = a << 24 | ch() << 16 | ch() << 8 | ch();
        cov[x] = x % 5 == 0 ? 255 : x % 7 == 0 ? 0 : uint8_t(rnd());
    }
    for (swf::RGBA colour : {swf::RGBA{200, 30, 90, 128}, swf::RGBA{0, 255, 10, 1}, swf::RGBA{255, 255, 255, 254}}) {
        std::vector<uint32_t> whole = canvas, single = canvas;
        swf::Canvas a{whole.data(), kWidth, 1, kWidth}, b{single.data(), kWidth, 1, kWidth};
        swf::SolidPainter pa(a, nullptr, swf::premultiply(colour)), pb(b, nullptr, swf::premultiply(colour));
        pa.row(0, 0, kWidth, cov.data());
        for (int x = 0; x < kWidth; ++x) pb.row(0, x, x + 1, cov.data() + x);
        for (int x = 0; x < kWidth; ++x) ASSERT_EQ(whole[x], single[x]) << "pixel " << x;
    }
}

TEST(GradientTable, LinearLightRampsWorkOnWholeLightLevels) {
    // Red to blue blended as light: halfway both channels are about 73 % (188), where stored
    // colours give 50 %. Channels with little light lose their fraction: 20 is one whole level
    // of light, which encodes back as 13, at the stops too.
    swf::Gradient g = gradient({{0, {255, 20, 0, 255}}, {255, {0, 20, 255, 255}}});
    g.interpolation = swf::InterpolationMode::LinearRgb;
    uint32_t t[256];
    swf::build_gradient_lut(g, swf::CxForm{}, t);
    EXPECT_EQ(red(t[0]), 255);
    EXPECT_EQ(green(t[0]), 13);
    EXPECT_EQ(green(t[255]), 13);
    EXPECT_NEAR(red(t[128]), 186, 2);
    EXPECT_NEAR(blue(t[128]), 188, 2);
    EXPECT_EQ(t[255] >> 24, 255u);
    // Translucent entries are weighted by alpha once more through the encoding curve: blue at
    // 55 % alpha comes out as 100 rather than 140.
    swf::Gradient faint = gradient({{0, {0, 0, 255, 140}}, {255, {0, 0, 255, 140}}});
    faint.interpolation = swf::InterpolationMode::LinearRgb;
    swf::build_gradient_lut(faint, swf::CxForm{}, t);
    EXPECT_EQ(t[0] >> 24, 140u);
    EXPECT_NEAR(blue(t[0]), 100, 1);
    // Stored colours keep the plain premultiplied value.
    faint.interpolation = swf::InterpolationMode::Rgb;
    swf::build_gradient_lut(faint, swf::CxForm{}, t);
    EXPECT_EQ(blue(t[0]), 140);
}
