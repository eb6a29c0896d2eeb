// Text fields: layout of embedded-font glyphs (kerning from HTML formats).
#include <gtest/gtest.h>

#include <string>

#include "swf/player.h"
#include "swf_writer.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;

// DefineFont2 (1024 units to the em) whose glyphs for `codes` are boxes 256 units wide and a full
// em tall, advancing `advance` units, with one kerning pair.
std::vector<uint8_t> box_font(uint16_t id, const std::string& codes, char kern_a, char kern_b, int16_t kern,
                              uint16_t advance = 512, uint16_t ascent = 1024) {
    return swftest::box_font(id, "box", codes, advance, ascent, 0, {{kern_a, kern_b, kern}});
}

// DefineEditText with an embedded font, HTML text, 20 px high, black; align 0 left, 2 centre.
std::vector<uint8_t> html_field(uint16_t id, uint16_t font, int width, const std::string& html, int align = -1) {
    swftest::Bits b;
    b.u16(id);
    b.rect(-40, width, -40, 440);
    b.u8(0x80 | 0x04 | 0x01);                   // text, colour, font
    b.u8(0x02 | 0x01 | (align >= 0 ? 0x20 : 0));  // HTML, embedded outlines, layout
    b.u16(font);
    b.u16(400);
    b.u8(0), b.u8(0), b.u8(0), b.u8(255);
    if (align >= 0) {
        b.u8(uint8_t(align));
        b.u16(0), b.u16(0), b.u16(0), b.u16(0);  // margins, indent, leading
    }
    b.str("");
    b.str(html);
    return b.bytes;
}

std::vector<uint32_t> render(const std::vector<uint8_t>& bytes, int w, int h) {
    swf::Player p;
    EXPECT_TRUE(p.load(bytes.data(), bytes.size()).ok());
    p.set_quality(swf::Quality::Low);
    p.set_scale_mode(3);
    std::vector<uint32_t> px(size_t(w) * h, 0);
    p.render({px.data(), w, h, w * 4, swf::PixelFormat::BgraPremultiplied});
    return px;
}

// A white w x h stage holding one font and one text field placed at (x, y) twips, rendered.
std::vector<uint32_t> render_field(int w, int h, const std::vector<uint8_t>& font, const std::vector<uint8_t>& field,
                                   int x = 0, int y = 0) {
    swftest::Movie m(w, h);
    m.background(255, 255, 255);
    m.tag(48, font);
    m.tag(37, field);
    m.place(2, 1, x, y);
    m.show_frame();
    return render(m.fws(), w, h);
}

// An empty bordered field, 10 x 10 px, in black on a white 50 x 50 stage, placed with the matrix
// that `write_matrix` writes into its PlaceObject2, rendered.
template <typename WriteMatrix>
std::vector<uint32_t> render_bordered_field(WriteMatrix write_matrix) {
    swftest::Bits f;
    f.u16(1);
    f.rect(0, 200, 0, 200);
    f.u8(0);
    f.u8(0x08);  // border
    f.str("");
    swftest::Movie m(50, 50);
    m.background(255, 255, 255);
    m.tag(37, f.bytes);
    swftest::Bits place;
    place.u8(0x02 | 0x04);
    place.u16(1);
    place.u16(1);
    write_matrix(place);
    m.tag(26, place.bytes);
    m.show_frame();
    return render(m.fws(), 50, 50);
}

}  // namespace

TEST(EditText, KerningPairsApplyWhereTheFontFormatAsksForThem) {
    // "AV" with a pair pulling V back 256 units (5 px at 20 px): kerned, V's box covers 5..9 px
    // right after A's 0..4; unkerned it sits at 10..14. One field per row of 25 px.
    swftest::Movie m(40, 100);
    m.background(255, 255, 255);
    m.tag(48, box_font(1, "AV", 'A', 'V', -256));
    const char* rows[] = {
        "<font kerning=\"1\">AV</font>",                               // kerned
        "<font kerning=\"0\">AV</font>",                               // asked off
        "AV",                                                          // no format: off
        "<font kerning='1'><font face=\"box\">AV</font></font>",    // inherited by a nested font
    };
    for (int i = 0; i < 4; ++i) {
        m.tag(37, html_field(uint16_t(10 + i), 1, 800, rows[i]));
        m.place(uint16_t(10 + i), uint16_t(i + 1), 0, i * 500);
    }
    m.show_frame();
    const auto px = render(m.fws(), 40, 100);
    const bool kerned[] = {true, false, false, true};
    for (int i = 0; i < 4; ++i) {
        const int y = i * 25 + 10;
        EXPECT_EQ(px[size_t(y) * 40 + 2], kBlack) << i;
        EXPECT_EQ(px[size_t(y) * 40 + 7], kerned[i] ? kBlack : kWhite) << i;
        EXPECT_EQ(px[size_t(y) * 40 + 12], kerned[i] ? kWhite : kBlack) << i;
    }
}

TEST(EditText, LayoutMovesInWholeTwips) {
    // At 20 px an advance of 514 units is 200.78 twips and an ascent of 1026 units 400.78: both
    // count as whole twips (200, 400). Ten boxes from a field placed 4 twips right and 10 down:
    // the tenth box spans 1804..1904 twips (90.2..95.2 px), the boxes' tops lie at 0.5 px.
    const auto px = render_field(100, 20, box_font(1, "A", 'A', 'A', 0, 514, 1026),
                                 html_field(2, 1, 2400, "AAAAAAAAAA"), 4, 10);
    auto at = [&px](int x, int y) { return px[size_t(y) * 100 + x]; };
    EXPECT_EQ(at(90, 5), kBlack);
    EXPECT_EQ(at(94, 5), kBlack);
    EXPECT_EQ(at(95, 5), kWhite);
    EXPECT_EQ(at(89, 5), kWhite);
    EXPECT_EQ(at(92, 0), kBlack);
    EXPECT_EQ(at(2, 0), kBlack);

    // Centred in 401 twips, a 200-twip line starts 100 twips in, not 100.5: placed 10 twips
    // right, its box covers 110..210 twips (5.5..10.5 px).
    const auto centred = render_field(20, 20, box_font(1, "A", 'A', 'A', 0), html_field(2, 1, 441, "A", 2), 10);
    EXPECT_EQ(centred[5 * 20 + 5], kBlack);
    EXPECT_EQ(centred[5 * 20 + 9], kBlack);
    EXPECT_EQ(centred[5 * 20 + 10], kWhite);

    // A kerning pair of -2 units joins A's 514-unit advance before the cut: 512 units make 200
    // twips exactly (cutting 200.78 and -0.78 apart would give 199). Placed 11 twips right, V's
    // box covers 211..311 twips (10.55..15.55 px).
    const auto kerned = render_field(20, 20, box_font(1, "AV", 'A', 'V', -2, 514),
                                     html_field(2, 1, 800, "<font kerning=\"1\">AV</font>"), 11);
    EXPECT_EQ(kerned[5 * 20 + 10], kWhite);
    EXPECT_EQ(kerned[5 * 20 + 11], kBlack);
    EXPECT_EQ(kerned[5 * 20 + 15], kBlack);
}

TEST(EditText, FontColoursApplyInsideTheirTagsOnly) {
    // Boxes 10 px apart: A in the font's red, V in the nested blue, the last A back in red and
    // the V after the tags in the field's own black; a malformed colour keeps the outer one.
    const auto px = render_field(
        60, 20, box_font(1, "AV", 'A', 'V', 0),
        html_field(2, 1, 1200, "<font color=\"#ff0000\">A<font color='#0000FF'>V</font>A<font color=\"red\">A</font></font>V"));
    constexpr uint32_t red = 0xFFFF0000u, blue = 0xFF0000FFu;
    const uint32_t expected[] = {red, blue, red, red, kBlack};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(px[5 * 60 + i * 10 + 2], expected[i]) << i;
}

TEST(EditText, TheFrameIsOnePixelWideOnWholePixelsAtAnyScale) {
    // An empty bordered field, 10 x 10 px, in black. Scaled 2.5 times from (10.5, 10.5) px its
    // bounds run from 10.5 to 35.5 px: halves round down, so the frame lies on rows and columns
    // 10 and 35, one pixel wide, with the bottom right corner left out.
    const auto px = render_bordered_field([](swftest::Bits& place) { place.matrix_scale(2.5, 2.5, 210, 210); });
    auto at = [&](int x, int y) { return px[size_t(y) * 50 + x]; };
    for (int i = 10; i < 35; ++i) {
        EXPECT_EQ(at(i, 10), kBlack) << "top " << i;
        EXPECT_EQ(at(10, i), kBlack) << "left " << i;
        if (i == 10) continue;
        EXPECT_EQ(at(i, 11), kWhite) << "inside the top " << i;
        EXPECT_EQ(at(11, i), kWhite) << "inside the left " << i;
    }
    EXPECT_EQ(at(20, 35), kBlack);
    EXPECT_EQ(at(35, 20), kBlack);
    EXPECT_EQ(at(35, 35), kWhite);
    EXPECT_EQ(at(20, 36), kWhite);
}

TEST(EditText, FontCodeTablesAndAdvancesReadAsTheFontDeclares) {
    // A DefineFont3 (20480 units to the em) with one-byte codes, as its flags declare: boxes a
    // quarter em wide and a full em tall. A's advance of 33000 units (32.2 px at 20 px) counts as
    // unsigned and puts B far to the right, not back over A.
    auto glyph = [] {
        swftest::ShapeRecords s(1, 0);
        s.style(0, -20480, -1, 1);
        s.line(5120, 0);
        s.line(0, 20480);
        s.line(-5120, 0);
        s.line(0, -20480);
        return s.end();
    }();
    swftest::Bits font;
    font.u16(1);
    font.u8(0x80);  // layout; narrow codes and offsets
    font.u8(0);
    font.u8(3);
    font.bytes.insert(font.bytes.end(), {'b', 'o', 'x'});
    font.u16(2);
    font.u16(6), font.u16(uint16_t(6 + glyph.size())), font.u16(uint16_t(6 + 2 * glyph.size()));
    font.append(glyph), font.append(glyph);
    font.u8('A'), font.u8('B');
    font.u16(20480), font.u16(0), font.u16(0);  // ascent, descent, leading
    font.u16(33000), font.u16(10240);
    font.rect(0, 5120, -20480, 0), font.rect(0, 5120, -20480, 0);
    font.u16(0);  // no kerning
    swftest::Movie m(60, 30);
    m.background(255, 255, 255);
    m.tag(75, font.bytes);
    m.tag(37, html_field(2, 1, 1100, "AB"));
    m.place(2, 1, 0, 0);
    m.show_frame();
    const auto px = render(m.fws(), 60, 30);
    auto at = [&](int x, int y) { return px[size_t(y) * 60 + x]; };
    EXPECT_EQ(at(4, 12), kBlack) << "A";
    EXPECT_EQ(at(20, 12), kWhite) << "between";
    EXPECT_EQ(at(36, 12), kBlack) << "B";
}

TEST(EditText, ASlightShearLeavesTheFrameOnWholePixels) {
    // An empty bordered field, 10 x 10 px, scaled twice from (10.5, 10.5) px and sheared. A
    // shear that moves no corner by half a pixel keeps the one-pixel frame on whole pixels, as
    // an unturned field has it; a larger one turns the frame with the field.
    auto frame_with_shear = [](double shear) {
        return render_bordered_field([shear](swftest::Bits& place) {
            place.ub(1, 1);
            place.ub(31, 5);
            place.sb(2 * 65536, 31), place.sb(2 * 65536, 31);
            place.ub(1, 1);
            place.ub(31, 5);
            place.sb(0, 31), place.sb(int32_t(shear * 65536), 31);
            place.ub(20, 5);
            place.sb(210, 20), place.sb(210, 20);
            place.align();
        });
    };
    const auto px = frame_with_shear(0.04);
    auto at = [&px](int x, int y) { return px[size_t(y) * 50 + x]; };
    for (int i = 12; i < 29; ++i) {
        EXPECT_EQ(at(i, 10), kBlack) << "top " << i;
        EXPECT_EQ(at(i, 11), kWhite) << "inside the top " << i;
        EXPECT_EQ(at(10, i), kBlack) << "left " << i;
        EXPECT_EQ(at(11, i), kWhite) << "inside the left " << i;
        EXPECT_EQ(at(i, 30), kBlack) << "bottom " << i;
        EXPECT_EQ(at(30, i), kBlack) << "right " << i;
    }
    // Sheared by a quarter, the left side has moved 2.2 px right by row 28.
    const auto turned = frame_with_shear(0.25);
    EXPECT_EQ(turned[28 * 50 + 10], kWhite);
    EXPECT_EQ(turned[28 * 50 + 13], kBlack);
}
