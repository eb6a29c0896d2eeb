// Clip layers: several masks in one list with nested or overlapping ranges, masks inside masked
// sprites, sprites as masks and masks that are not visible. Pictures are read as a 4 x 4 grid of
// 10 px cells, one letter a cell: R, G, B for the content colours, '.' for the white stage.
#include <gtest/gtest.h>

#include "swf/player.h"
#include "swf_writer.h"

namespace {

using swftest::Movie;

// A rectangle of grid cells in colour `c` (R, G, B, or K for the black of mask shapes).
void cells(Movie& m, uint16_t id, int x, int y, int w, int h, char c = 'K') {
    m.shape_rgba(id, c == 'R' ? 255 : 0, c == 'G' ? 255 : 0, c == 'B' ? 255 : 0, 255,
                 Movie::rect_records(x * 200, y * 200, w * 200, h * 200), 800);
}

std::string grid(Movie& m) {
    m.show_frame();
    const auto bytes = m.fws();
    swf::Player p;
    EXPECT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(swf::Quality::Low);
    std::vector<uint32_t> px(40 * 40);
    p.render({px.data(), 40, 40, 40 * 4, swf::PixelFormat::BgraPremultiplied});
    std::string out;
    for (int y = 5; y < 40; y += 10) {
        for (int x = 5; x < 40; x += 10) {
            const uint32_t c = px[size_t(y) * 40 + x];
            out += c == 0xFFFFFFFF ? '.' : c == 0xFFFF0000 ? 'R' : c == 0xFF00FF00 ? 'G' : c == 0xFF0000FF ? 'B' : '?';
        }
        out += y < 35 ? "/" : "";
    }
    return out;
}

Movie stage() {
    Movie m(40, 40);
    m.background(255, 255, 255);
    return m;
}

}  // namespace

TEST(Masks, EachClipLayerCutsItsOwnRangeAndSharedDepthsByAll) {
    Movie m = stage();  // overlapping: columns 0-1 mask depths 2-3, rows 0-1 mask depths 3-5
    cells(m, 1, 0, 0, 2, 4), cells(m, 2, 0, 0, 4, 2);
    cells(m, 3, 0, 0, 4, 1, 'R'), cells(m, 4, 0, 1, 4, 1, 'G'), cells(m, 5, 0, 3, 4, 1, 'B');
    m.place(1, 1, 0, 0, 3), m.place(2, 2, 0, 0, 5), m.place(3, 3), m.place(4, 4), m.place(5, 6);
    EXPECT_EQ(grid(m), "RR../GGGG/..../BBBB");

    Movie n = stage();  // nested: columns 0-2 mask depths 2-10, columns 1-3 depths 3-4
    cells(n, 1, 0, 0, 3, 4), cells(n, 2, 1, 0, 3, 4);
    cells(n, 3, 0, 0, 4, 1, 'R'), cells(n, 4, 0, 1, 4, 1, 'G'), cells(n, 5, 0, 2, 4, 1, 'B');
    n.place(1, 1, 0, 0, 10), n.place(2, 2, 0, 0, 4), n.place(3, 3), n.place(4, 5), n.place(5, 11);
    EXPECT_EQ(grid(n), ".RR./GGG./BBBB/....");
}

TEST(Masks, MasksInsideAMaskedSpriteAreCutByTheOuterMask) {
    Movie m = stage();
    cells(m, 1, 0, 0, 4, 3), cells(m, 2, 0, 0, 3, 4), cells(m, 3, 1, 0, 3, 4);
    cells(m, 4, 0, 0, 4, 1, 'R'), cells(m, 5, 0, 1, 4, 3, 'G'), cells(m, 6, 0, 2, 4, 2, 'B');
    m.begin_sprite(7, 1);  // columns 0-2 over depths 2-3, columns 1-3 over 3-5
    m.place(2, 1, 0, 0, 3), m.place(3, 2, 0, 0, 5), m.place(4, 3), m.place(5, 4), m.place(6, 6);
    m.show_frame();
    m.end_sprite();
    m.place(1, 1, 0, 0, 2), m.place(7, 2);  // rows 0-2 over the whole sprite
    EXPECT_EQ(grid(m), ".RR./.GGG/BBBB/....");
}

TEST(Masks, SpriteMasksWithAllItDrawsUnderItsOwnMasks) {
    Movie m = stage();
    cells(m, 1, 0, 0, 1, 4), cells(m, 2, 3, 0, 1, 4), cells(m, 3, 0, 0, 4, 2), cells(m, 4, 1, 0, 1, 4);
    cells(m, 5, 0, 0, 4, 4, 'R'), cells(m, 6, 0, 0, 4, 3);
    m.begin_sprite(7, 1);  // column 0, column 3, and column 1 cut to rows 0-1 by the sprite's own mask
    m.place(1, 1), m.place(2, 2), m.place(3, 3, 0, 0, 4), m.place(4, 4);
    m.show_frame();
    m.end_sprite();
    m.begin_sprite(8, 1);  // the sprite mask inside a sprite masked to rows 0-2
    m.place(7, 1, 0, 0, 2), m.place(5, 2);
    m.show_frame();
    m.end_sprite();
    m.place(6, 1, 0, 0, 2), m.place(8, 2);
    EXPECT_EQ(grid(m), "RR.R/RR.R/R..R/....");
}

TEST(Masks, InvisibleClipLayersStillMask) {
    Movie m = stage();
    cells(m, 1, 0, 0, 2, 4), cells(m, 2, 0, 0, 4, 1, 'G');
    swftest::Bits b;  // PlaceObject3: character, matrix, clip depth 2, visible 0
    b.u8(0x02 | 0x04 | 0x40), b.u8(0x20), b.u16(1), b.u16(1), b.matrix(), b.u16(2), b.u8(0);
    m.tag(70, b.bytes);
    m.place(2, 2);
    EXPECT_EQ(grid(m), "GG../..../..../....");
}
