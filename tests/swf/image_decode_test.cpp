// The GIF decoder on frames whose own size disagrees with the screen they are drawn on (the
// first input came out of fuzzing, tools/swf/fuzz_images.cpp, cut down by hand), and the PNG
// decoder's steps: why it refuses a file, and rows unfiltered and placed as the file lays them out.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "swf/parse.h"

namespace {

// GIF89a, a screen of w x h with a two-colour table (black, then 0x204080), and one frame at
// (0, 0) of fw x fh whose LZW data is `lzw` (minimum code size 2), then the trailer.
std::vector<uint8_t> gif(uint16_t w, uint16_t h, uint16_t fw, uint16_t fh, const std::vector<uint8_t>& lzw) {
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8),
                              0x80, 0, 0, 0, 0, 0, 0x20, 0x40, 0x80};
    const std::vector<uint8_t> frame = {0x2C, 0, 0, 0, 0, uint8_t(fw), uint8_t(fw >> 8), uint8_t(fh), uint8_t(fh >> 8), 0, 2};
    b.insert(b.end(), frame.begin(), frame.end());
    b.push_back(uint8_t(lzw.size()));
    b.insert(b.end(), lzw.begin(), lzw.end());
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

constexpr uint32_t kBlack = 0xFF000000u, kBlue = 0xFF204080u;

TEST(GifDecode, FrameFarLargerThanAnyBitmapIsRefused) {
    // A 65535 x 65535 frame on a 4 x 4 screen: the indices for it alone would take 4 GiB.
    const std::vector<uint8_t> data = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0, 0, 0,
                                       0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 1, 0x44, 0, 0x3B};
    swf::BitmapDef out;
    EXPECT_FALSE(swf::decode_gif(data.data(), data.size(), out));
}

TEST(GifDecode, FrameWiderThanTheScreenIsCut) {
    // A 3 x 3 frame of indices 1 0 1 / 0 1 0 / 1 1 1 on a 2 x 2 screen.
    const std::vector<uint8_t> data = gif(2, 2, 3, 3, {0x0C, 0x02, 0x01, 0x11, 0x51});
    swf::BitmapDef out;
    ASSERT_TRUE(swf::decode_gif(data.data(), data.size(), out));
    ASSERT_EQ(out.width, 2);
    ASSERT_EQ(out.height, 2);
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{kBlue, kBlack, kBlack, kBlue}));
}

TEST(GifDecode, ShortDataLeavesTheRestClear) {
    // The same frame on a 3 x 3 screen with the data cut after the first row.
    const std::vector<uint8_t> data = gif(3, 3, 3, 3, {0x0C, 0x02});
    swf::BitmapDef out;
    ASSERT_TRUE(swf::decode_gif(data.data(), data.size(), out));
    ASSERT_EQ(out.pixels.size(), 9u);
    EXPECT_EQ(out.pixels[0], kBlue);
    EXPECT_EQ(out.pixels[8], 0u);
}

// ---------------------------------------------------------------------------------------------
// PNG
// ---------------------------------------------------------------------------------------------

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

// A zlib stream holding `raw` in one stored block (under 64 KiB).
std::vector<uint8_t> zlib_stored(const std::vector<uint8_t>& raw) {
    const size_t n = raw.size();
    std::vector<uint8_t> z = {0x78, 0x01, 1, uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)};
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        z.push_back(v);
        a = (a + v) % 65521, b = (b + a) % 65521;
    }
    put32(z, b << 16 | a);
    return z;
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> body;
};

// The signature and the chunks (the decoder does not look at checksums: they are left 0).
std::vector<uint8_t> png(const std::vector<Chunk>& chunks) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Chunk& c : chunks) {
        put32(out, uint32_t(c.body.size()));
        out.insert(out.end(), c.type.begin(), c.type.end());
        out.insert(out.end(), c.body.begin(), c.body.end());
        put32(out, 0);
    }
    return out;
}

Chunk ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t colour, bool interlaced = false) {
    Chunk c{"IHDR", {}};
    put32(c.body, w);
    put32(c.body, h);
    c.body.insert(c.body.end(), {depth, colour, 0, 0, uint8_t(interlaced)});
    return c;
}

// Encodes `rows` (bytes per pixel `bpp`) with the given filter per row, each against the row
// above, as a writer would.
std::vector<uint8_t> filter_rows(const std::vector<std::vector<uint8_t>>& rows, const std::vector<uint8_t>& filters,
                                 size_t bpp) {
    std::vector<uint8_t> out;
    for (size_t y = 0; y < rows.size(); ++y) {
        out.push_back(filters[y]);
        for (size_t i = 0; i < rows[y].size(); ++i) {
            const int a = i >= bpp ? rows[y][i - bpp] : 0, b = y ? rows[y - 1][i] : 0,
                      c = y && i >= bpp ? rows[y - 1][i - bpp] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predicted[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
            out.push_back(uint8_t(rows[y][i] - predicted[filters[y]]));
        }
    }
    return out;
}

TEST(PngDecode, EachRefusalSaysWhy) {
    const Chunk end{"IEND", {}};
    struct Case {
        std::vector<uint8_t> file;
        std::string reason;
    };
    const Case cases[] = {
        {{0x89, 'P', 'N', 'G'}, "PNG: shorter than its signature"},
        {png({end}), "PNG: no IHDR chunk"},
        {png({{"IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8}}, end}), "PNG: no IHDR chunk"},  // cut short: not a header
        {png({ihdr(0, 4, 8, 0), end}), "PNG: empty image"},
        {png({ihdr(8192, 1, 8, 0), end}), "PNG: image too large"},
        {png({ihdr(8000, 8000, 8, 0), end}), "PNG: image too large"},
        {png({ihdr(1, 1, 8, 5), end}), "PNG: unknown colour type 5"},
        {png({ihdr(1, 1, 3, 0), end}), "PNG: unsupported bit depth 3"},
    };
    for (const Case& c : cases) {
        swf::BitmapDef out;
        const swf::Result<bool> r = swf::decode_png(c.file.data(), c.file.size(), out);
        ASSERT_FALSE(r.ok()) << c.reason;
        EXPECT_EQ(r.error().reason, c.reason);
        EXPECT_TRUE(out.pixels.empty()) << c.reason;
    }
}

TEST(PngDecode, EveryRowFilterIsUndone) {
    // Two RGB pixels per row; each row uses another filter, the later ones leaning on the rows
    // above and on the pixel to the left, with sums that wrap past 255.
    const std::vector<std::vector<uint8_t>> rows = {{10, 20, 30, 200, 210, 220},
                                                    {250, 5, 128, 3, 255, 77},
                                                    {0, 99, 1, 250, 250, 250},
                                                    {13, 200, 40, 180, 2, 90},
                                                    {255, 0, 255, 1, 128, 64}};
    const std::vector<uint8_t> file =
        png({ihdr(2, 5, 8, 2), {"IDAT", zlib_stored(filter_rows(rows, {0, 1, 2, 3, 4}, 3))}, {"IEND", {}}});
    swf::BitmapDef out;
    ASSERT_TRUE(swf::decode_png(file.data(), file.size(), out).ok());
    ASSERT_EQ(out.pixels.size(), 10u);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < 2; ++x) {
            const uint8_t* p = rows[y].data() + 3 * x;
            EXPECT_EQ(out.pixels[y * 2 + x], 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2])
                << "row " << y << " pixel " << x;
        }
}

TEST(PngDecode, SamplesLandWhereTheLayoutPutsThem) {
    // Interlaced grey 3 x 3 holds five passes: (0,0); (2,0); (0,2) (2,2); (1,0) then (1,2); and
    // the middle row. Grey 80, at (1,2), is the transparent key.
    auto grey = [](int x, int y) { return uint8_t(10 + 10 * (3 * y + x)); };
    const std::vector<uint8_t> raw = {0, grey(0, 0), 0, grey(2, 0), 0, grey(0, 2), grey(2, 2),
                                      0, grey(1, 0), 0, grey(1, 2), 0, grey(0, 1), grey(1, 1), grey(2, 1)};
    const Chunk key{"tRNS", {0, 80}};
    for (const size_t kept : {raw.size(), raw.size() - 4}) {
        const std::vector<uint8_t> file =
            png({ihdr(3, 3, 8, 0, true), key, {"IDAT", zlib_stored({raw.begin(), raw.begin() + ptrdiff_t(kept)})}});
        swf::BitmapDef out;
        ASSERT_TRUE(swf::decode_png(file.data(), file.size(), out).ok());
        ASSERT_EQ(out.pixels.size(), 9u);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) {
                const uint32_t v = grey(x, y);
                // Data cut inside the last pass leaves the whole middle row clear.
                const bool clear = v == 80 || (kept < raw.size() && y == 1);
                EXPECT_EQ(out.pixels[size_t(3 * y + x)], clear ? 0u : 0xFF000000u | v << 16 | v << 8 | v)
                    << x << "," << y << " of " << kept << " bytes";
            }
    }

    // Two-bit palette indices, four to a byte, the first in the high bits; a tRNS entry makes
    // its colour translucent, premultiplied.
    const std::vector<uint8_t> file = png({ihdr(4, 1, 2, 3),
                                           {"PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255, 200, 100, 50}},
                                           {"tRNS", {255, 128}},
                                           {"IDAT", zlib_stored({0, 0b00011011})}});
    swf::BitmapDef out;
    ASSERT_TRUE(swf::decode_png(file.data(), file.size(), out).ok());
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0x80008000u, 0xFF0000FFu, 0xFFC86432u}));
}

}  // namespace
