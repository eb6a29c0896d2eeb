#include "test_jpeg.h"
#include "ui/Gdi.h"
#include "ui/Image.h"
#include "ui/ImageList.h"
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

// ---------------------------------------------------------------------------------------------
// TImage
// ---------------------------------------------------------------------------------------------

namespace {

constexpr COLORREF kGreen = RGB(0, 200, 0);

void PaintInto(TControl& control, DibSurface& dib) {
    dib.Fill(kGreen);
    control.PaintTo(dib.Dc(), Rect{0, 0, dib.Width(), dib.Height()});
}

} // namespace

TEST(Image, DrawsUnscaledCentredOrStretched) {
    long before = GdiLiveHandleCount();
    {
        TImage image;
        image.SetBounds(0, 0, 32, 16);
        image.Picture().LoadFromJpeg(kRedBlueJpeg, sizeof kRedBlueJpeg); // 16 x 8
        DibSurface dib(32, 16);

        PaintInto(image, dib);
        EXPECT_PRED4(Near, dib.Pixel(0, 0), 255, 0, 0);
        EXPECT_PRED4(Near, dib.Pixel(15, 7), 0, 0, 255);
        EXPECT_EQ(dib.Pixel(16, 0), kGreen); // outside the picture nothing is painted
        EXPECT_EQ(dib.Pixel(0, 8), kGreen);

        image.SetCenter(true);
        PaintInto(image, dib);
        EXPECT_EQ(dib.Pixel(7, 3), kGreen);
        EXPECT_PRED4(Near, dib.Pixel(8, 4), 255, 0, 0);
        EXPECT_PRED4(Near, dib.Pixel(23, 11), 0, 0, 255);
        EXPECT_EQ(dib.Pixel(24, 12), kGreen);

        image.SetStretch(true); // wins over Center
        PaintInto(image, dib);
        EXPECT_PRED4(Near, dib.Pixel(0, 0), 255, 0, 0);
        EXPECT_PRED4(Near, dib.Pixel(14, 15), 255, 0, 0);
        EXPECT_PRED4(Near, dib.Pixel(17, 0), 0, 0, 255);
        EXPECT_PRED4(Near, dib.Pixel(31, 15), 0, 0, 255);
    }
    EXPECT_EQ(GdiLiveHandleCount(), before);
}

TEST(Image, AutoSizeTakesThePicturesSizeAndKeepsIt) {
    TImage image;
    image.SetBounds(5, 6, 100, 90);
    image.SetAutoSize(true);
    EXPECT_EQ(image.BoundsRect(), Rect::FromXYWH(5, 6, 100, 90)); // no picture yet
    image.Picture().LoadFromJpeg(kRedBlueJpeg, sizeof kRedBlueJpeg);
    EXPECT_EQ(image.BoundsRect(), Rect::FromXYWH(5, 6, 16, 8));
    image.SetWidth(50);
    EXPECT_EQ(image.Width(), 16);
    // A damaged picture fails and leaves the old one in place.
    EXPECT_THROW(image.Picture().LoadFromJpeg(kRedBlueJpeg, 100), TJpegError);
    EXPECT_EQ(image.Picture().Width(), 16);
    image.SetAutoSize(false);
    image.SetWidth(50);
    EXPECT_EQ(image.Width(), 50);
}

// ---------------------------------------------------------------------------------------------
// TImageList
// ---------------------------------------------------------------------------------------------

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kDarkRed = RGB(128, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A 24-bit strip of two 8 x 8 images: the first magenta with a dark red square at (2..5)
// and a yellow pixel row at y = 7, the second all blue.
struct Strip {
    BitmapOwner Bitmap;
    BYTE* Bits = nullptr;
    static constexpr int Stride = 16 * 3; // already a multiple of 4

    Strip() {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 16;
        info.bmiHeader.biHeight = -8;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        Bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        Bits = static_cast<BYTE*>(bits);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                COLORREF c = x >= 8 ? kBlue : (x >= 2 && x < 6 && y >= 2 && y < 6) ? kDarkRed : y == 7 ? kYellow : kMagenta;
                Set(x, y, c);
            }
    }
    void Set(int x, int y, COLORREF c) {
        BYTE* p = Bits + y * Stride + x * 3;
        p[0] = GetBValue(c);
        p[1] = GetGValue(c);
        p[2] = GetRValue(c);
    }
    COLORREF Get(int x, int y) const {
        const BYTE* p = Bits + y * Stride + x * 3;
        return RGB(p[2], p[1], p[0]);
    }
};

} // namespace

TEST(ImageList, MaskColourIsTransparentAndIndexesPickTheImage) {
    long before = GdiLiveHandleCount();
    {
        TImageList list(nullptr);
        list.SetWidth(8);
        list.SetHeight(8);
        Strip strip;
        EXPECT_EQ(list.AddStrip(strip.Bitmap), 0);
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(strip.Get(0, 0), kMagenta); // the caller's strip is left alone

        DibSurface dib(20, 10);
        dib.Fill(kGreen);
        list.Draw(dib.Dc(), 1, 1, 0);
        list.Draw(dib.Dc(), 10, 1, 1);
        list.Draw(dib.Dc(), 0, 0, 2);  // out of range: nothing
        list.Draw(dib.Dc(), 0, 0, -1);
        EXPECT_EQ(dib.Pixel(0, 0), kGreen);
        EXPECT_EQ(dib.Pixel(1, 1), kGreen);   // magenta became transparent
        EXPECT_EQ(dib.Pixel(3, 3), kDarkRed);
        EXPECT_EQ(dib.Pixel(6, 6), kDarkRed);
        EXPECT_EQ(dib.Pixel(7, 7), kGreen);
        EXPECT_EQ(dib.Pixel(4, 8), kYellow);
        EXPECT_EQ(dib.Pixel(10, 1), kBlue);
        EXPECT_EQ(dib.Pixel(17, 8), kBlue);
        EXPECT_EQ(dib.Pixel(18, 9), kGreen);

        // With a background colour the transparent pixels take it.
        list.SetBkColor(RGB(1, 2, 3));
        list.Draw(dib.Dc(), 1, 1, 0);
        EXPECT_EQ(dib.Pixel(1, 1), RGB(1, 2, 3));
        EXPECT_EQ(dib.Pixel(3, 3), kDarkRed);

        // A strip narrower than one image adds nothing.
        TImageList wide(nullptr);
        wide.SetWidth(32);
        EXPECT_EQ(wide.AddStrip(strip.Bitmap), -1);
        EXPECT_EQ(wide.Count(), 0);
    }
    EXPECT_EQ(GdiLiveHandleCount(), before);
}

TEST(ImageList, ChangeLinksHearOfEveryChangeAndOutliveTheList) {
    int told = 0;
    TImageChangeLink link([&] { ++told; });
    {
        TImageList list(nullptr);
        link.SetImages(&list);
        list.SetWidth(8);
        list.SetWidth(8); // unchanged: nothing to tell
        list.SetBkColor(RGB(1, 2, 3));
        Strip strip;
        list.AddStrip(strip.Bitmap);
        list.Clear();
        EXPECT_EQ(told, 4);
        {
            // A second holder that goes away first leaves the list by itself.
            TImageChangeLink other([&] { told += 100; });
            other.SetImages(&list);
        }
        list.SetHeight(8);
        EXPECT_EQ(told, 5);
        // A link that left hears nothing more.
        link.SetImages(nullptr);
        list.SetHeight(9);
        EXPECT_EQ(told, 5);
        link.SetImages(&list);
    }
    // The list went first: the link has forgotten it.
    EXPECT_EQ(link.Images(), nullptr);
}

TEST(ImageList, DisabledImageEmbossesEveryOpaquePixel) {
    TImageList list(nullptr);
    list.SetWidth(8);
    list.SetHeight(8);
    Strip strip;
    list.AddStrip(strip.Bitmap);
    DibSurface dib(10, 10);
    dib.Fill(kGreen);
    list.Draw(dib.Dc(), 0, 0, 0, false);
    const COLORREF shadow = ColorToRGB(clBtnShadow), highlight = ColorToRGB(clBtnHighlight);
    EXPECT_EQ(dib.Pixel(2, 2), shadow);
    EXPECT_EQ(dib.Pixel(5, 5), shadow);
    EXPECT_EQ(dib.Pixel(6, 6), highlight); // the highlight copy shows one pixel down-right
    EXPECT_EQ(dib.Pixel(6, 3), highlight);
    EXPECT_EQ(dib.Pixel(1, 1), kGreen);    // transparent stays transparent
    EXPECT_EQ(dib.Pixel(7, 2), kGreen);
    // The light (yellow) bottom row is embossed like the dark square: a disabled glyph keeps
    // its light parts.
    EXPECT_EQ(dib.Pixel(0, 7), shadow);
    EXPECT_EQ(dib.Pixel(4, 7), shadow);
    EXPECT_EQ(dib.Pixel(8, 8), highlight);
    EXPECT_EQ(dib.Pixel(0, 8), kGreen);
}
