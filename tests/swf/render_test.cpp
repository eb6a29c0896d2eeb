// Rasteriser and player rendering: exact pixels of fills, fill rules, anti-aliased edges,
// gradients, masks, stage scaling and pixel formats.
#include <gtest/gtest.h>

#include <cmath>

#include "swf/player.h"
#include "swf/raster.h"
#include "swf/render.h"
#include "swf_writer.h"

namespace {

struct Image {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};

Image render(const std::vector<uint8_t>& bytes, int frames = 1, swf::Quality q = swf::Quality::Low, int w = 0,
             int h = 0, int scale = 3, int align = 0) {
    swf::Player p;
    auto r = p.load(bytes.data(), bytes.size());
    EXPECT_TRUE(r.ok());
    p.set_quality(q);
    p.set_scale_mode(scale);
    p.set_align_mode(align);
    for (int i = 1; i < frames; ++i) p.advance();
    Image img;
    img.w = w ? w : p.stage_width();
    img.h = h ? h : p.stage_height();
    img.px.assign(size_t(img.w) * img.h, 0);
    p.render({img.px.data(), img.w, img.h, img.w * 4, swf::PixelFormat::BgraPremultiplied});
    return img;
}

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kGreen = 0xFF00FF00;

// Collects coverage rows from the rasteriser.
struct Collect : swf::SpanSink {
    std::vector<uint8_t> cov = std::vector<uint8_t>(16 * 16, 0);
    void row(int y, int x0, int x1, const uint8_t* c) override {
        for (int x = x0; x < x1; ++x) cov[y * 16 + x] = c[x - x0];
    }
};

void square(swf::EdgeList& e, int x0, int y0, int x1, int y1, bool clockwise = true) {
    swf::PathBuilder pb(e);
    using swf::FixPoint;
    FixPoint a{x0, y0}, b{x1, y0}, c{x1, y1}, d{x0, y1};
    pb.move_to(a);
    if (clockwise) {
        pb.line_to(b), pb.line_to(c), pb.line_to(d);
    } else {
        pb.line_to(d), pb.line_to(c), pb.line_to(b);
    }
    pb.close();
}

}  // namespace

TEST(Rasterizer, CoverageOfPixelAlignedAndHalfPixelEdges) {
    swf::Rasterizer r;
    swf::EdgeList e;
    const int k = swf::kOne;
    square(e, 2 * k, 2 * k, 6 * k + k / 2, 5 * k);
    Collect c;
    r.fill(e, swf::FillRule::NonZero, {0, 0, 16, 16}, true, c);
    EXPECT_EQ(c.cov[1 * 16 + 3], 0);
    EXPECT_EQ(c.cov[2 * 16 + 2], 255);
    EXPECT_EQ(c.cov[4 * 16 + 5], 255);
    EXPECT_NEAR(c.cov[3 * 16 + 6], 128, 1);  // half-covered column
    EXPECT_EQ(c.cov[5 * 16 + 3], 0);         // bottom edge is exclusive
    EXPECT_EQ(c.cov[3 * 16 + 7], 0);

    // Aliased: a pixel is in when its centre is; 6.5 is exactly a centre on the right edge.
    Collect a;
    e.clear();
    square(e, 2 * k, 2 * k, 6 * k + k / 2, 5 * k);
    r.fill(e, swf::FillRule::NonZero, {0, 0, 16, 16}, false, a);
    EXPECT_EQ(a.cov[3 * 16 + 5], 255);
    EXPECT_EQ(a.cov[3 * 16 + 6], 0);
}

TEST(Rasterizer, FillRulesOnOverlappingLoops) {
    swf::Rasterizer r;
    const int k = swf::kOne;
    for (bool same_direction : {true, false}) {
        swf::EdgeList e;
        square(e, 1 * k, 1 * k, 9 * k, 9 * k);
        square(e, 4 * k, 4 * k, 6 * k, 6 * k, same_direction);
        Collect eo, nz;
        swf::EdgeList e2 = e;
        r.fill(e, swf::FillRule::EvenOdd, {0, 0, 16, 16}, false, eo);
        r.fill(e2, swf::FillRule::NonZero, {0, 0, 16, 16}, false, nz);
        EXPECT_EQ(eo.cov[5 * 16 + 5], 0) << "even-odd punches the hole";
        EXPECT_EQ(nz.cov[5 * 16 + 5], same_direction ? 255 : 0) << "non-zero fills only same-wound loops";
        EXPECT_EQ(eo.cov[2 * 16 + 2], 255);
    }
}

TEST(Rasterizer, CurvesAndClipping) {
    // A curve far outside the clip must neither crash nor paint.
    swf::Rasterizer r;
    swf::EdgeList e;
    swf::PathBuilder pb(e);
    pb.move_to({-(1 << 25), -(1 << 25)});
    pb.quad_to({1 << 25, -(1 << 25)}, {1 << 25, 1 << 25});
    pb.line_to({-(1 << 25), 1 << 25});
    pb.close();
    Collect c;
    r.fill(e, swf::FillRule::NonZero, {0, 0, 16, 16}, true, c);
    for (uint8_t v : c.cov) EXPECT_EQ(v, 255);  // the whole clip lies inside
    EXPECT_EQ(swf::PathBuilder::curve_steps({0, 0}, {0, 0}, {100, 0}), 1);  // flat curve: one line
    EXPECT_GT(swf::PathBuilder::curve_steps({0, 0}, {25600, 25600}, {51200, 0}), 8);
}

namespace {

std::vector<uint8_t> square_movie(bool use_fill0 = false) {
    swftest::Movie m(20, 20);
    m.background(0, 0, 255);
    if (use_fill0) {
        // Same square walked anticlockwise with the fill on its left: same region.
        swftest::ShapeRecords s;
        s.style(100, 100, 1, -1);
        s.line(0, 200);
        s.line(200, 0);
        s.line(0, -200);
        s.line(-200, 0);
        m.shape_rgba(1, 255, 0, 0, 255, s.end());
    } else {
        m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(100, 100, 200, 200));
    }
    m.place(1, 1);
    m.show_frame();
    return m.fws();
}

}  // namespace

TEST(Player, FillsEitherSideOfEdgesAndBackground) {
    for (bool fill0 : {false, true}) {
        Image img = render(square_movie(fill0));
        EXPECT_EQ(img.at(0, 0), kBlue);
        EXPECT_EQ(img.at(5, 5), kRed);    // twips 100..300 = pixels 5..14
        EXPECT_EQ(img.at(14, 14), kRed);
        EXPECT_EQ(img.at(15, 15), kBlue);
        EXPECT_EQ(img.at(4, 10), kBlue);
    }
}

TEST(Player, ScaleAlignAndHostBackground) {
    auto bytes = square_movie();
    // Show all into 40x20: scale 1 vertically, centred horizontally with 10 px bars.
    Image a = render(bytes, 1, swf::Quality::Low, 40, 20, 0, 0);
    EXPECT_EQ(a.at(10 + 5, 5), kRed);
    EXPECT_EQ(a.at(10 + 4, 5), kBlue);
    // Left aligned.
    Image b = render(bytes, 1, swf::Quality::Low, 40, 20, 0, swf::AlignLeft);
    EXPECT_EQ(b.at(5, 5), kRed);
    // Exact fit stretches: 2x horizontally.
    Image c = render(bytes, 1, swf::Quality::Low, 40, 20, 2, 0);
    EXPECT_EQ(c.at(10, 5), kRed);
    EXPECT_EQ(c.at(9, 5), kBlue);
    EXPECT_EQ(c.at(29, 5), kRed);
    // The host colour fills the letterbox; the stage keeps the movie's colour.
    swf::Player p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_background_color(0x00FF00);
    p.set_quality(swf::Quality::Low);
    std::vector<uint8_t> rgba(40 * 20 * 4);
    p.render({rgba.data(), 40, 20, 40 * 4, swf::PixelFormat::RgbaStraight});
    EXPECT_EQ(rgba[0], 0);
    EXPECT_EQ(rgba[1], 255);
    EXPECT_EQ(rgba[(5 * 40 + 15) * 4], 255);  // red in RGBA order
    const uint8_t* bar_edge = &rgba[(19 * 40 + 9) * 4];
    EXPECT_EQ(bar_edge[0] + bar_edge[1] * 256 + bar_edge[2] * 65536, 0x00FF00);
    const uint8_t* stage_edge = &rgba[(19 * 40 + 10) * 4];
    EXPECT_EQ(stage_edge[0] + stage_edge[1] * 256 + stage_edge[2] * 65536, 0xFF0000);  // blue
    const uint8_t* right_bar = &rgba[(0 * 40 + 30) * 4];
    EXPECT_EQ(right_bar[1], 255);
    // Unscaled and off to the right, the stage is cut by the target: only what shows is filled.
    p.set_scale_mode(3);
    p.set_align_mode(swf::AlignRight | swf::AlignBottom);
    std::vector<uint8_t> small(10 * 30 * 4);
    p.render({small.data(), 10, 30, 10 * 4, swf::PixelFormat::RgbaStraight});
    EXPECT_EQ(small[(5 * 10 + 0) * 4 + 1], 255);  // above the stage: the host colour
    EXPECT_EQ(small[(29 * 10 + 0) * 4 + 2], 255);  // the stage's last row: the movie's blue
}

TEST(Player, AntialiasedEdgesBlendPremultiplied) {
    swftest::Movie m(20, 20);
    m.background(255, 255, 255);
    m.shape_rgba(1, 0, 0, 0, 128, swftest::Movie::rect_records(100, 100, 210, 200));  // right edge at 15.5 px
    m.place(1, 1);
    m.show_frame();
    Image img = render(m.fws(), 1, swf::Quality::High);
    // Half-transparent black over white: 127 grey inside, about 191 on the half-covered column.
    uint32_t inside = img.at(8, 8), edge = img.at(15, 8);
    EXPECT_NEAR(int(inside & 0xFF), 127, 1);
    EXPECT_NEAR(int(edge & 0xFF), 191, 2);
    EXPECT_EQ(inside >> 24, 255u);
}

TEST(Player, MasksClipOnlyTheirDepthRange) {
    swftest::Movie m(20, 20);
    m.background(255, 255, 255);
    m.shape_rgba(1, 0, 0, 0, 255, swftest::Movie::rect_records(0, 0, 200, 400));  // mask: left half
    m.shape_rgba(2, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 400, 200));   // top band
    m.shape_rgba(3, 0, 255, 0, 255, swftest::Movie::rect_records(0, 200, 400, 200)); // bottom band
    m.place(1, 1, 0, 0, /*clip_depth=*/2);
    m.place(2, 2);
    m.place(3, 3);
    m.show_frame();
    Image img = render(m.fws());
    EXPECT_EQ(img.at(2, 2), kRed);     // inside mask
    EXPECT_EQ(img.at(15, 2), kWhite);  // clipped away
    EXPECT_EQ(img.at(15, 15), kGreen); // depth 3 is above the clip range
    EXPECT_EQ(img.at(2, 15), kGreen);
}

TEST(Player, LinearGradientRunsAcrossTheGradientSquare) {
    // A 256 px wide square with a black-to-white gradient scaled to fill it.
    swftest::Bits b;
    b.u16(1);
    b.rect(0, 5120, 0, 400);
    b.u8(1);
    b.u8(0x10);
    b.matrix_scale(5120.0 / 32768, 1, 2560, 0);
    b.u8(2);
    b.u8(0), b.u8(0), b.u8(0), b.u8(0), b.u8(255);
    b.u8(255), b.u8(255), b.u8(255), b.u8(255), b.u8(255);
    b.u8(0);
    b.append(swftest::Movie::rect_records(0, 0, 5120, 400));
    swftest::Movie m(256, 20);
    m.tag(32, b.bytes);
    m.place(1, 1);
    m.show_frame();
    Image img = render(m.fws());
    for (int x : {0, 64, 128, 200, 255}) EXPECT_NEAR(int(img.at(x, 5) & 0xFF), x, 1) << x;
}

namespace {

// PlaceObject2 of `id` at `depth` with a uniform scale and a translation.
void place_scaled(swftest::Movie& m, uint16_t id, uint16_t depth, double scale, int tx, int ty) {
    swftest::Bits b;
    b.u8(0x02 | 0x04);
    b.u16(depth);
    b.u16(id);
    b.matrix_scale(scale, scale, tx, ty);
    m.tag(26, b.bytes);
}

}  // namespace

TEST(Player, TranslationsComposeOntoWholeTwips) {
    // A sprite scaled by 0.3 moves its child 34 twips: 10.2 twips on the stage, which lands on
    // 10 twips (half a pixel), so pixel 0's centre is inside the child's square. The same holds
    // for a glyph of static text offset inside a scaled text block.
    swftest::Movie m(20, 20);
    m.background(255, 255, 255);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 200, 200));
    m.begin_sprite(2, 1);
    m.place(1, 1, 34, 34);
    m.show_frame();
    m.end_sprite();
    place_scaled(m, 2, 1, 0.3, 0, 0);
    // DefineFont with one square glyph (1024 units) and a DefineText placing it 34 twips in.
    swftest::Bits font;
    font.u16(3);
    font.u16(2);  // offset of the only glyph
    font.append(swftest::box_glyph(1024));
    m.tag(10, font.bytes);
    swftest::Bits text;
    text.u16(4);
    text.rect(0, 400, 0, 400);
    text.matrix();
    text.u8(1), text.u8(8);  // glyph bits, advance bits
    text.u8(0x8F);
    text.u16(3);
    text.u8(0), text.u8(0), text.u8(255);
    text.u16(34), text.u16(234), text.u16(200);  // x, y (baseline), height
    text.u8(1);
    text.ub(0, 1), text.sb(0, 8);
    text.u8(0);
    m.tag(11, text.bytes);
    place_scaled(m, 4, 2, 0.3, 200, 0);  // ten pixels to the right
    m.show_frame();
    Image img = render(m.fws());
    for (int x0 : {0, 10}) {
        const uint32_t colour = x0 ? kBlue : kRed;
        EXPECT_EQ(img.at(x0, 0), colour) << x0;
        EXPECT_EQ(img.at(x0 + 1, 1), colour) << x0;
        EXPECT_EQ(img.at(x0 + 3, 3), kWhite) << x0;
    }
}

TEST(Player, NonScalingStrokesKeepTheirWidthWhereTheShapeIsSqueezedMost) {
    // A one-pixel stroke marked not to scale, drawn under a 4:1 horizontal stretch: vertically
    // the shape keeps its size, so the horizontal line stays 1 px tall, and the vertical line
    // widens with the stretch to 4 px. No caps, so the lines end where they are drawn.
    swftest::Bits b;
    b.u16(1);
    b.rect(0, 200, 0, 400);
    b.rect(0, 200, 0, 400);
    b.u8(0);     // shape flags
    b.u8(0);     // no fills
    b.u8(1);     // one line style
    b.u16(20);   // 1 px
    b.u8(0x56);  // no caps, bevel joins, no horizontal or vertical scaling
    b.u8(0x01);  // no end caps
    b.u8(0), b.u8(0), b.u8(0), b.u8(255);
    swftest::ShapeRecords s(0, 1);
    s.style(100, 20, -1, -1, 1);
    s.line(0, 200);
    s.style(20, 310, -1, -1, 1);
    s.line(160, 0);
    b.append(s.end());
    swftest::Movie m(40, 20);
    m.background(255, 255, 255);
    m.tag(83, b.bytes);
    swftest::Bits place;
    place.u8(0x02 | 0x04);
    place.u16(1);
    place.u16(1);
    place.matrix_scale(4, 1, 0, 0);
    m.tag(26, place.bytes);
    m.show_frame();
    Image img = render(m.fws());
    constexpr uint32_t kBlack = 0xFF000000u;
    for (int x = 18; x <= 21; ++x) EXPECT_EQ(img.at(x, 5), kBlack) << x;
    EXPECT_EQ(img.at(17, 5), kWhite);
    EXPECT_EQ(img.at(22, 5), kWhite);
    EXPECT_EQ(img.at(10, 15), kBlack);
    EXPECT_EQ(img.at(10, 14), kWhite);
    EXPECT_EQ(img.at(10, 16), kWhite);
}

TEST(Player, NearlyStraightCurvesDrawAsTheirChord) {
    // A curve from (92,23) to (142,273) twips bowing less than a tenth of a pixel from its chord
    // bounds a red area on its right. Pixel (5,5)'s centre, (110,110) twips, lies between the
    // chord (x = 109.4 there) and the curve (x = 111.3): drawn as its chord, the curve takes it in.
    swftest::ShapeRecords s;
    s.style(92, 23, 1, -1);
    s.curve(9, 26, 41, 224);
    s.line(158, 0);
    s.line(0, -250);
    s.line(-208, 0);
    swftest::Movie m(20, 20);
    m.background(255, 255, 255);
    m.shape_rgba(1, 255, 0, 0, 255, s.end());
    m.place(1, 1);
    m.show_frame();
    Image img = render(m.fws());
    EXPECT_EQ(img.at(5, 5), kRed);
    EXPECT_EQ(img.at(4, 5), kWhite);
    EXPECT_EQ(img.at(8, 5), kRed);
}

namespace {

// A red square from (x, y) twips, 100 twips a side, as a shape of four edges.
void set_square(swf::ShapeData& s, int x, int y) {
    s.groups.assign(1, {});
    swf::FillStyle f;
    f.color = {255, 0, 0, 255};
    s.groups[0].fills.push_back(f);
    const int px[] = {x, x + 100, x + 100, x, x}, py[] = {y, y, y + 100, y + 100, y};
    for (int i = 0; i < 4; ++i) {
        swf::Segment sg;
        sg.x0 = px[i], sg.y0 = py[i], sg.x1 = px[i + 1], sg.y1 = py[i + 1];
        sg.fill1 = 1;
        s.groups[0].segments.push_back(sg);
    }
}

}  // namespace

TEST(Render, ShapesKeptBetweenDrawsFollowTheShapeAndItsMatrix) {
    std::vector<uint32_t> px(16 * 16);
    swf::RenderContext ctx;
    ctx.canvas = {px.data(), 16, 16, 16};
    // Anti-aliased, on a fraction of a pixel: the kept coverage has partly covered pixels.
    const swf::Matrix to_px{1 / 20.0, 0, 0, 1 / 20.0, 0.3, 0.6}, moved{1 / 20.0, 0, 0, 1 / 20.0, 8.3, 0.6},
        doubled{1 / 10.0, 0, 0, 1 / 10.0, 0.3, 0.6};
    auto draw = [&](const swf::ShapeData& s, const swf::Matrix& m) {
        std::fill(px.begin(), px.end(), kWhite);
        swf::draw_shape(ctx, s, m, swf::CxForm{});
        return px;
    };
    swf::ShapeData s;
    set_square(s, 0, 0);
    const auto first = draw(s, to_px);
    EXPECT_EQ(first[2 * 16 + 2], kRed);
    EXPECT_NE(first[0], kRed);
    EXPECT_NE(first[0], kWhite);
    EXPECT_EQ(ctx.outlines.size(), 0u);  // drawn once: nothing kept
    // Kept from the second draw, its coverage from the third, handed again from the fourth.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(draw(s, to_px), first);
    EXPECT_EQ(ctx.outlines.size(), 1u);
    // Moved: the same outline placed elsewhere, back and forth.
    for (int i = 0; i < 3; ++i) {
        const auto elsewhere = draw(s, moved);
        EXPECT_EQ(elsewhere[2 * 16 + 2], kWhite);
        EXPECT_EQ(elsewhere[2 * 16 + 10], kRed);
        EXPECT_EQ(elsewhere[0 * 16 + 8], first[0]);  // the same partly covered corner, 8 pixels on
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(draw(s, to_px), first);
    EXPECT_EQ(ctx.outlines.size(), 1u);
    // Scaled: an outline of its own.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(draw(s, doubled)[9 * 16 + 9], kRed);
    EXPECT_EQ(ctx.outlines.size(), 2u);
    EXPECT_EQ(draw(s, to_px), first);

    // The same object changed (as a morph's scratch shape changes every frame): drawn as it is now.
    set_square(s, 200, 200);
    const auto changed = draw(s, to_px);
    EXPECT_EQ(changed[2 * 16 + 2], kWhite);
    EXPECT_EQ(changed[12 * 16 + 12], kRed);

    // A shape whose outlines would not fit is drawn all the same, without being kept.
    swf::ShapeData big;
    set_square(big, 0, 0);
    big.groups[0].segments.resize(swf::OutlineCache::kBudget / sizeof(swf::Segment), big.groups[0].segments[0]);
    const size_t kept = ctx.outlines.size();
    draw(big, to_px);
    EXPECT_EQ(draw(big, to_px), first);
    EXPECT_EQ(ctx.outlines.size(), kept);
}

namespace {

// A 5 px magenta outline (aliased, at whole pixels) through the given points in pixels, drawn on
// a white 40 x 40 canvas; returns the canvas.
std::vector<uint32_t> stroke_path(const std::vector<std::pair<double, double>>& pts, swf::Join join, double limit,
                                  double width_px = 5, bool curve = false) {
    std::vector<uint32_t> px(40 * 40, kWhite);
    swf::RenderContext ctx;
    ctx.canvas = {px.data(), 40, 40, 40};
    ctx.antialias = false;
    swf::ShapeData s;
    s.groups.emplace_back();
    swf::LineStyle ls;
    ls.width = uint16_t(width_px * 20);
    ls.color = {255, 0, 255, 255};
    ls.join = join;
    ls.miter_limit = limit;
    s.groups[0].lines.push_back(ls);
    auto tw = [](double v) { return int32_t(std::lround(v * 20)); };
    const size_t step = curve ? 2 : 1;
    for (size_t i = 0; i + step < pts.size(); i += step) {
        swf::Segment seg;
        seg.x0 = tw(pts[i].first), seg.y0 = tw(pts[i].second);
        seg.x1 = tw(pts[i + step].first), seg.y1 = tw(pts[i + step].second);
        if (curve) seg.curve = true, seg.cx = tw(pts[i + 1].first), seg.cy = tw(pts[i + 1].second);
        seg.line = 1;
        s.groups[0].segments.push_back(seg);
    }
    swf::draw_shape(ctx, s, swf::Matrix{1 / 20.0, 0, 0, 1 / 20.0, 0, 0}, swf::CxForm{});
    return px;
}

constexpr uint32_t kMagenta = 0xFFFF00FF;

}  // namespace

TEST(Strokes, MitersPastTheLimitAreCutSquareNotBevelled) {
    // A right angle at (20, 20) opening downwards, 5 px wide, limit 1: the full miter reaches
    // 2.5 * sqrt(2) px above the corner and is kept whole.
    auto at = [](const std::vector<uint32_t>& px, int x, int y) { return px[size_t(y) * 40 + x]; };
    const auto right = stroke_path({{10, 30}, {20, 20}, {30, 30}}, swf::Join::Miter, 1);
    EXPECT_EQ(at(right, 19, 17), kMagenta);  // centre (19.5, 17.5): 2.5 px up, past the bevel
    EXPECT_EQ(at(right, 20, 17), kMagenta);
    EXPECT_EQ(at(right, 19, 16), kWhite);    // past the miter's tip
    // The same corner bevelled stops at the bevel, 1.77 px above the corner.
    const auto bevel = stroke_path({{10, 30}, {20, 20}, {30, 30}}, swf::Join::Bevel, 1);
    EXPECT_EQ(at(bevel, 19, 17), kWhite);
    EXPECT_EQ(at(bevel, 19, 18), kMagenta);
    // A 45 degree corner at (10, 20) (the sides run right and up-right) is cut just past its
    // bevel: a little more than the bevel, far less than the miter's 6.5 px.
    const auto sharp = stroke_path({{35, 20}, {10, 20}, {25, 5}}, swf::Join::Miter, 1);
    EXPECT_EQ(at(sharp, 8, 19), kMagenta);   // 1.2 px out along the bisector: kept
    EXPECT_EQ(at(sharp, 8, 20), kWhite);     // 1.6 px out: cut
    EXPECT_EQ(at(sharp, 7, 19), kWhite);
    // With room to spare the miter is whole: its tip 6.5 px out along the bisector.
    const auto whole = stroke_path({{35, 20}, {10, 20}, {25, 5}}, swf::Join::Miter, 3);
    EXPECT_EQ(at(whole, 5, 21), kMagenta);
}

TEST(Strokes, CurvesKeepTheirInnerSideSmooth) {
    // A 1 px line along a half ellipse bulging left to (10, 20.5) and back: at its leftmost
    // point the inner edge of the line is exactly x = 10.5, so the pixel centred there stays
    // outside, where the pieces of the flattened curve would each poke a corner over it.
    auto at = [](const std::vector<uint32_t>& px, int x, int y) { return px[size_t(y) * 40 + x]; };
    const auto px = stroke_path({{30, 9}, {10, 9}, {10, 20.5}, {10, 32}, {30, 32}}, swf::Join::Round, 3, 1, true);
    EXPECT_EQ(at(px, 9, 20), kMagenta);
    EXPECT_EQ(at(px, 10, 20), kWhite);
    EXPECT_EQ(at(px, 11, 20), kWhite);
    // A sharp corner still has both sides whole and its round join outside.
    const auto corner = stroke_path({{5, 5}, {30, 5}, {30, 30}}, swf::Join::Round, 3, 5);
    EXPECT_EQ(at(corner, 27, 7), kMagenta);
    EXPECT_EQ(at(corner, 31, 3), kMagenta);
    EXPECT_EQ(at(corner, 32, 2), kWhite);
}

// A header rectangle that cannot be a stage: its bad side falls back (550 wide, 400 high) and
// the stage then starts at the origin, not at the rectangle's corner.
TEST(Player, UnusableFrameRectanglesFallBackToTheDefaultStage) {
    struct Case {
        int x0, x1, y0, y1;
        int width, height;
        double tx;  // where the stage's left edge lands, in pixels of a target the stage's size
    };
    for (const Case& c : {Case{200, 2200, 0, 1000, 100, 50, -10}, Case{0, 0, 0, 1000, 550, 50, 0},
                          Case{0, 200000, 0, 1000, 550, 50, 0}, Case{200, 2200, 0, -20, 100, 400, 0}}) {
        swftest::Bits b;
        b.rect(c.x0, c.x1, c.y0, c.y1);
        b.u16(12 << 8);
        b.u16(1);
        b.u16(1 << 6);  // ShowFrame
        b.u16(0);
        std::vector<uint8_t> file = {'F', 'W', 'S', 8};
        const uint32_t size = uint32_t(b.bytes.size() + 8);
        for (int i = 0; i < 4; ++i) file.push_back(uint8_t(size >> (8 * i)));
        file.insert(file.end(), b.bytes.begin(), b.bytes.end());
        swf::Player p;
        ASSERT_TRUE(p.load(file.data(), file.size()).ok());
        EXPECT_EQ(p.stage_width(), c.width);
        EXPECT_EQ(p.stage_height(), c.height);
        EXPECT_DOUBLE_EQ(p.stage_matrix(c.width, c.height).tx, c.tx);
    }
}
