#include "test_jpeg.h"
#include "ui/Gdi.h"
#include "ui/Jpeg.h"
#include <gtest/gtest.h>
#include <cstdlib>

using namespace ui;

namespace {

bool Near(COLORREF c, int r, int g, int b) {
    const int tolerance = 24;
    return std::abs(GetRValue(c) - r) <= tolerance && std::abs(GetGValue(c) - g) <= tolerance &&
           std::abs(GetBValue(c) - b) <= tolerance;
}

} // namespace

TEST(Jpeg, DecodesToExactSizeAndColoursIntoADib) {
    long before = GdiLiveHandleCount();
    {
        TJpegBitmap jpeg = DecodeJpeg(kRedBlueJpeg, sizeof kRedBlueJpeg);
        EXPECT_EQ(jpeg.Dimensions, (Size{16, 8}));
        DibSurface dib(16, 8);
        MemoryDcOwner src(CreateCompatibleDC(nullptr));
        SelectGuard sel(src, jpeg.Bitmap);
        BitBlt(dib.Dc(), 0, 0, 16, 8, src, 0, 0, SRCCOPY);
        EXPECT_PRED4(Near, dib.Pixel(2, 1), 255, 0, 0);
        EXPECT_PRED4(Near, dib.Pixel(3, 6), 255, 0, 0);   // the DIB is not upside down
        EXPECT_PRED4(Near, dib.Pixel(13, 1), 0, 0, 255);
        EXPECT_PRED4(Near, dib.Pixel(12, 7), 0, 0, 255);
    }
    EXPECT_EQ(GdiLiveHandleCount(), before);
}

TEST(Jpeg, DamagedDataIsAnErrorNotACrash) {
    auto fails = [](const void* data, size_t size) {
        try {
            DecodeJpeg(data, size);
        } catch (const TJpegError& e) {
            return std::string(e.what()).rfind("bad JPEG data: ", 0) == 0;
        }
        return false;
    };
    EXPECT_TRUE(fails(kRedBlueJpeg, 0));
    EXPECT_TRUE(fails(kRedBlueJpeg, 2));                        // just the start marker
    EXPECT_TRUE(fails(kRedBlueJpeg, sizeof kRedBlueJpeg - 20)); // truncated inside the scan
    const char text[] = "this is not a picture at all";
    EXPECT_TRUE(fails(text, sizeof text));
    std::vector<unsigned char> scrambled(kRedBlueJpeg, kRedBlueJpeg + sizeof kRedBlueJpeg);
    for (size_t i = 20; i < scrambled.size() - 2; i += 7) scrambled[i] ^= 0x5A;
    EXPECT_TRUE(fails(scrambled.data(), scrambled.size()));
}
