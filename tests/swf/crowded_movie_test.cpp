// Movies at the format's own limits: more display objects than one timeline can hold, and a font
// with as many glyphs as its count field allows. They load, play, take input and draw what they
// hold.
#include <gtest/gtest.h>

#include <vector>

#include "swf/player.h"
#include "swf_writer.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

struct Frame {
    std::vector<uint32_t> px;
    int w, h;
    uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};

Frame Show(swf::Player& p, int w, int h) {
    Frame f{std::vector<uint32_t>(size_t(w) * h), w, h};
    p.render({f.px.data(), w, h, w * 4, swf::PixelFormat::BgraPremultiplied});
    return f;
}

}  // namespace

// 100,000 shapes: a sprite of 50,000 one-pixel squares (a 250 x 200 grid, depths 1..50,000)
// placed twice, the second copy shifted down by its height. Every square is drawn.
TEST(CrowdedMovies, AHundredThousandDisplayObjectsPlayAndDraw) {
    swftest::Movie m(250, 400);
    m.background(0, 0, 255);
    m.shape_rgba(1, 255, 0, 0, 255, swftest::Movie::rect_records(0, 0, 20, 20), 20);
    m.begin_sprite(2, 1);
    for (int i = 0; i < 50000; ++i) m.place(1, uint16_t(i + 1), (i % 250) * 20, (i / 250) * 20);
    m.show_frame();
    m.end_sprite();
    m.place(2, 1);
    m.place(2, 2, 0, 200 * 20);
    m.show_frame();
    const std::vector<uint8_t> bytes = m.fws();

    swf::Player p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(swf::Quality::Low);
    for (int i = 0; i < 3; ++i) {
        p.mouse_move(10 + i, 10);
        p.advance();
    }
    const Frame f = Show(p, 250, 400);
    for (auto [x, y] : {std::pair{0, 0}, {249, 0}, {123, 199}, {0, 200}, {249, 399}, {77, 333}})
        EXPECT_EQ(f.at(x, y), kRed) << x << "," << y;
    // Removing the sprites empties the stage again.
    p.root()->remove_depth(1);
    p.root()->remove_depth(2);
    EXPECT_EQ(Show(p, 250, 400).at(100, 100), kBlue);
}

// A DefineFont2 of 65,535 glyphs (wide offsets and codes, no layout): every glyph is empty but
// the last, a box. Static text naming the last glyph shows the box; naming the first shows
// nothing.
TEST(CrowdedMovies, AFontOfTheMostGlyphsDrawsItsLast) {
    constexpr uint32_t kGlyphs = 65535;
    swftest::Bits font;
    font.u16(1);
    font.u8(0x08 | 0x04);  // wide offsets, wide codes
    font.u8(0);
    font.u8(3);
    font.append({'B', 'i', 'g'});
    font.u16(uint16_t(kGlyphs));
    swftest::ShapeRecords none(1, 0);
    const std::vector<uint8_t> empty = none.end(), box = swftest::box_glyph(256);
    const uint32_t table = 4 * (kGlyphs + 1);
    for (uint32_t i = 0; i < kGlyphs; ++i) font.u32(table + i * uint32_t(empty.size()));
    font.u32(table + (kGlyphs - 1) * uint32_t(empty.size()) + uint32_t(box.size()));  // the code table
    for (uint32_t i = 0; i + 1 < kGlyphs; ++i) font.append(empty);
    font.append(box);
    for (uint32_t i = 0; i < kGlyphs; ++i) font.u16(uint16_t(i));

    // DefineText: glyph 65534 at x 5 px and glyph 0 at x 40 px, both 20 px high on a baseline
    // at y 30 px, in red.
    swftest::Bits text;
    text.u16(2);
    text.rect(0, 1200, 0, 800);
    text.matrix();
    text.u8(16);  // glyph bits
    text.u8(16);  // advance bits
    for (auto [glyph, x] : {std::pair{kGlyphs - 1, 100}, {0u, 800}}) {
        text.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
        text.u16(1);
        text.u8(255), text.u8(0), text.u8(0);
        text.u16(uint16_t(x));
        text.u16(600);
        text.u16(400);
        text.u8(1);
        text.ub(glyph, 16);
        text.sb(100, 16);
    }
    text.u8(0);

    swftest::Movie m(60, 40);
    m.background(0, 0, 255);
    m.tag(48, font.bytes);
    m.tag(11, text.bytes);
    m.place(2, 1);
    m.show_frame();
    const std::vector<uint8_t> bytes = m.fws();

    swf::Player p;
    ASSERT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(swf::Quality::Low);
    p.advance();
    const Frame f = Show(p, 60, 40);
    EXPECT_EQ(f.at(7, 20), kRed);    // the box: 5 px wide from x 5, 20 px up from y 30
    EXPECT_EQ(f.at(12, 20), kBlue);
    EXPECT_EQ(f.at(42, 20), kBlue);  // glyph 0 has no outline
}
