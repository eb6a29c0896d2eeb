// The GIF decoder on frames whose own size disagrees with the screen they are drawn on. The
// first input came out of fuzzing (tools/swf/fuzz_images.cpp), cut down by hand.
#include <gtest/gtest.h>

#include <cstdint>
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

}  // namespace
