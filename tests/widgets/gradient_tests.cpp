// Gradient fills, tiling and mirroring, transparent bitmaps and parent backgrounds,
// checked pixel by pixel in a 32-bit DIB.
#include "widgets/WkGradient.h"
#include "widgets/WkGraphics.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <set>
#include <string>

using namespace wk;
using ui::Rect;

namespace {

constexpr COLORREF kPaper = RGB(1, 2, 3);

struct Surface {
    Surface(int w, int h) : dib(w, h) { dib.Fill(kPaper); }
    COLORREF At(int x, int y) const { return dib.Pixel(x, y); }
    ui::DibSurface dib;
};

std::string Str(COLORREF c) {
    return "(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c)) + ")";
}
#define EXPECT_PIXEL(s, x, y, c) EXPECT_EQ(Str((s).At(x, y)), Str(c)) << "at (" << (x) << ", " << (y) << ")"

// Sum of channel distances: "closer to" comparisons.
int Distance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

void Fill(Surface& s, const Rect& r, TGradientDirection d, TColor start, TColor stop, std::uint8_t band = 1) {
    ui::TCanvas canvas(s.dib.Dc());
    FillGradient(canvas, r, d, start, stop, band);
}

const TGradientDirection kAll[] = {gdDiagonalUp, gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter,
                                   gdHorizontalBox, gdVerticalEnd, gdVerticalCenter, gdVerticalBox,
                                   gdSquareBox, gdBigSquareBox};

} // namespace

TEST(FillGradient, EmptyRectanglesPaintNothing) {
    for (TGradientDirection d : kAll) {
        Surface s(8, 8);
        Fill(s, Rect{2, 2, 2, 7}, d, RGB(255, 0, 0), RGB(0, 0, 255));
        Fill(s, Rect{2, 2, 7, 2}, d, RGB(255, 0, 0), RGB(0, 0, 255));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) ASSERT_EQ(s.At(x, y), kPaper) << int(d);
    }
}

TEST(FillGradient, HorizontalEndRows) {
    {
        // Two rows white -> black: the bottom row is black, the top one increment above it.
        Surface s(20, 2);
        Fill(s, Rect{0, 0, 20, 2}, gdHorizontalEnd, ui::clWhite, ui::clBlack);
        for (int x : {0, 7, 8, 19}) {
            EXPECT_PIXEL(s, x, 0, RGB(127, 127, 127));
            EXPECT_PIXEL(s, x, 1, RGB(0, 0, 0));
        }
    }
    {
        // Row y = stop + (H - 1 - y) increments, each increment truncated toward zero,
        // across the whole width (the 8-pixel strip tiled to 37 columns), at the rect's place.
        Surface s(40, 12);
        const COLORREF start = RGB(10, 200, 255), stop = RGB(250, 20, 0);
        Fill(s, Rect{3, 1, 40, 11}, gdHorizontalEnd, start, stop);
        const int h = 10;
        for (int y = 0; y < h; ++y) {
            auto channel = [&](int a, int b) { return ((b << 16) + (h - 1 - y) * (((a << 16) - (b << 16)) / h)) >> 16; };
            const COLORREF want = RGB(channel(GetRValue(start), GetRValue(stop)),
                                      channel(GetGValue(start), GetGValue(stop)),
                                      channel(GetBValue(start), GetBValue(stop)));
            EXPECT_PIXEL(s, 3, y + 1, want);
            EXPECT_PIXEL(s, 39, y + 1, want);
        }
        EXPECT_PIXEL(s, 2, 5, kPaper);
        EXPECT_PIXEL(s, 10, 0, kPaper);
        EXPECT_PIXEL(s, 10, 11, kPaper);
    }
}

TEST(FillGradient, VerticalEndIsHorizontalEndTurned) {
    Surface h(13, 29), v(29, 13);
    Fill(h, Rect{0, 0, 13, 29}, gdHorizontalEnd, RGB(0, 100, 200), RGB(255, 0, 30));
    Fill(v, Rect{0, 0, 29, 13}, gdVerticalEnd, RGB(0, 100, 200), RGB(255, 0, 30));
    for (int i = 0; i < 29; ++i)
        for (int j = 0; j < 13; ++j) ASSERT_EQ(h.At(j, i), v.At(i, j)) << i << "," << j;
}

TEST(FillGradient, CenteredDirectionsMeetInTheMiddle) {
    Surface s(10, 10);
    const COLORREF start = RGB(0, 0, 255), stop = RGB(255, 255, 0);
    Fill(s, Rect{0, 0, 10, 10}, gdHorizontalCenter, start, stop);
    EXPECT_PIXEL(s, 0, 5, stop);
    EXPECT_PIXEL(s, 9, 9, start); // the lower run starts exactly on start
    for (int y = 1; y < 9; ++y) {
        EXPECT_LT(Distance(s.At(0, 0), start), Distance(s.At(0, y), start)) << y;
        EXPECT_LE(Distance(s.At(0, 9), start), Distance(s.At(0, y), start)) << y;
    }
    // Colours approach stop monotonically toward the centre from both sides.
    for (int y = 0; y < 5; ++y) EXPECT_GT(Distance(s.At(0, y), stop), Distance(s.At(0, y + 1), stop)) << y;
    for (int y = 6; y < 9; ++y) EXPECT_LT(Distance(s.At(0, y), stop), Distance(s.At(0, y + 1), stop)) << y;

    Surface v(10, 10);
    Fill(v, Rect{0, 0, 10, 10}, gdVerticalCenter, start, stop);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(v.At(i, 3), s.At(3, i)) << i;
}

TEST(FillGradient, BandSizeMergesRows) {
    // Band size 4: every band spans at least 4 rows.
    Surface s(8, 32);
    Fill(s, Rect{0, 0, 8, 32}, gdHorizontalEnd, RGB(255, 255, 255), RGB(0, 0, 0), 4);
    int run = 1;
    std::set<COLORREF> colours;
    for (int y = 30; y >= 0; --y) {
        colours.insert(s.At(0, y));
        if (s.At(0, y) == s.At(0, y + 1)) {
            ++run;
        } else {
            EXPECT_GE(run, 4) << "band ending at row " << y + 1;
            run = 1;
        }
    }
    EXPECT_EQ(s.At(0, 31), RGB(0, 0, 0));
    // The colour changes on every row, so 32 rows make exactly 8 bands of 4.
    EXPECT_EQ(colours.size(), 8u);
}

TEST(FillGradient, BoxDirectionsAreSymmetricWithStopInTheCore) {
    const COLORREF start = RGB(0, 0, 0), stop = RGB(240, 120, 60);
    for (TGradientDirection d : {gdSquareBox, gdBigSquareBox, gdHorizontalBox, gdVerticalBox}) {
        for (auto [w, h] : {std::pair{9, 9}, {10, 8}, {11, 6}, {24, 17}}) {
            Surface s(w, h);
            Fill(s, Rect{0, 0, w, h}, d, start, stop);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    ASSERT_NE(s.At(x, y), kPaper);
                    ASSERT_EQ(s.At(x, y), s.At(w - 1 - x, y)) << int(d) << " " << w << "x" << h << " at " << x << "," << y;
                    ASSERT_EQ(s.At(x, y), s.At(x, h - 1 - y)) << int(d) << " " << w << "x" << h << " at " << x << "," << y;
                }
            EXPECT_PIXEL(s, (w - 1) / 2, (h - 1) / 2, stop);
            EXPECT_LT(Distance(s.At(0, 0), start), Distance(s.At(w / 2, h / 2), start));
        }
    }
    // The big box keeps a stop-coloured core of about half the width and height.
    Surface big(24, 16);
    Fill(big, Rect{0, 0, 24, 16}, gdBigSquareBox, start, stop);
    EXPECT_PIXEL(big, 7, 5, stop);
    EXPECT_PIXEL(big, 16, 10, stop);
    EXPECT_NE(big.At(2, 2), stop);
}

TEST(FillGradient, SmallBoxesAreFlatStart) {
    for (TGradientDirection d : {gdSquareBox, gdBigSquareBox, gdHorizontalBox, gdVerticalBox}) {
        for (auto [w, h] : {std::pair{4, 12}, {12, 4}, {3, 3}}) {
            Surface s(w, h);
            Fill(s, Rect{0, 0, w, h}, d, RGB(9, 90, 190), RGB(200, 0, 0));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) ASSERT_EQ(s.At(x, y), RGB(9, 90, 190)) << int(d) << " " << w << "x" << h;
        }
    }
}

TEST(FillGradient, DiagonalsSweepCornerToCorner) {
    const COLORREF start = RGB(255, 0, 0), stop = RGB(0, 0, 255);
    Surface up(30, 20), down(30, 20);
    Fill(up, Rect{0, 0, 30, 20}, gdDiagonalUp, start, stop);
    Fill(down, Rect{0, 0, 30, 20}, gdDiagonalDown, start, stop);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            ASSERT_NE(up.At(x, y), kPaper) << x << "," << y;
            ASSERT_NE(down.At(x, y), kPaper) << x << "," << y;
            ASSERT_NE(up.At(x, y), RGB(0, 0, 0)) << x << "," << y; // every pixel is a band colour
        }
    // Up: start at the bottom-left, stop at the top-right. Down: start top-left, stop bottom-right.
    EXPECT_LT(Distance(up.At(0, 19), start), 30);
    EXPECT_LT(Distance(up.At(29, 0), stop), 30);
    EXPECT_LT(Distance(down.At(0, 0), start), 30);
    EXPECT_LT(Distance(down.At(29, 19), stop), 30);
    // Along the bands: the diagonal of each sweep is one colour band wide.
    EXPECT_LT(Distance(up.At(0, 0), up.At(29, 19)), 30);
    EXPECT_LT(Distance(down.At(29, 0), down.At(0, 19)), 30);
    // Progress along the sweep is monotonic.
    for (int x = 0; x + 1 < 30; ++x) EXPECT_LE(GetBValue(up.At(x, 10)), GetBValue(up.At(x + 1, 10))) << x;

    Surface flat(7, 5);
    Fill(flat, Rect{0, 0, 7, 5}, gdDiagonalDown, RGB(5, 6, 7), RGB(5, 6, 7));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(flat.At(x, y), RGB(5, 6, 7));
}

TEST(Bitmaps, DrawBitmapTransparentLeavesOutOneColour) {
    // A 2x2 source: magenta top-left is transparent.
    Surface src(2, 2);
    SetPixelV(src.dib.Dc(), 0, 0, RGB(255, 0, 255));
    SetPixelV(src.dib.Dc(), 1, 0, RGB(10, 20, 30));
    SetPixelV(src.dib.Dc(), 0, 1, RGB(0, 0, 0));
    SetPixelV(src.dib.Dc(), 1, 1, RGB(255, 255, 255));
    ui::BitmapOwner bitmap(CreateBitmap(2, 2, 1, 32, nullptr));
    {
        ui::MemoryDcOwner dc(CreateCompatibleDC(src.dib.Dc()));
        ui::SelectGuard sel(dc, bitmap);
        BitBlt(dc, 0, 0, 2, 2, src.dib.Dc(), 0, 0, SRCCOPY);
    }
    {
        // Stretched 2x, drawn at the canvas origin whatever the destination's position.
        Surface s(6, 6);
        ui::TCanvas canvas(s.dib.Dc());
        DrawBitmapTransparent(canvas, Rect{3, 3, 7, 7}, bitmap, Rect{0, 0, 2, 2}, RGB(255, 0, 255));
        EXPECT_PIXEL(s, 0, 0, kPaper);
        EXPECT_PIXEL(s, 1, 1, kPaper);
        EXPECT_PIXEL(s, 2, 0, RGB(10, 20, 30));
        EXPECT_PIXEL(s, 3, 1, RGB(10, 20, 30));
        EXPECT_PIXEL(s, 0, 2, RGB(0, 0, 0));
        EXPECT_PIXEL(s, 3, 3, RGB(255, 255, 255));
        EXPECT_PIXEL(s, 4, 4, kPaper);
    }
    {
        // A transparent colour that does not occur: drawn opaque.
        Surface s(2, 2);
        ui::TCanvas canvas(s.dib.Dc());
        DrawBitmapTransparent(canvas, Rect{0, 0, 2, 2}, bitmap, Rect{0, 0, 2, 2}, RGB(1, 1, 1));
        EXPECT_PIXEL(s, 0, 0, RGB(255, 0, 255));
        EXPECT_PIXEL(s, 1, 0, RGB(10, 20, 30));
        EXPECT_PIXEL(s, 0, 1, RGB(0, 0, 0));
    }
}

namespace {
// A parent window that paints each pixel as (x, y, 77) of its client coordinates, the way
// our framework's windows paint into a given DC on WM_PRINTCLIENT.
LRESULT CALLBACK PatternParentProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PRINTCLIENT) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) SetPixelV(dc, x, y, RGB(x, y, 77));
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcW(wnd, msg, wParam, lParam);
}
} // namespace

TEST(Bitmaps, PaintParentBackgroundAlignsTheParentsPicture) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PatternParentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WkTestPatternParent";
    RegisterClassW(&wc);
    HWND parent = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_TRUE(parent);
    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 20, 16, 16, parent, nullptr,
                                 nullptr, nullptr);
    ASSERT_TRUE(child);
    Surface s(16, 16);
    POINT before{};
    GetViewportOrgEx(s.dib.Dc(), &before);
    PaintParentBackground(child, s.dib.Dc());
    EXPECT_PIXEL(s, 0, 0, RGB(10, 20, 77));
    EXPECT_PIXEL(s, 15, 15, RGB(25, 35, 77));
    POINT after{};
    GetViewportOrgEx(s.dib.Dc(), &after);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);

    // A window without a parent: nothing happens.
    Surface t(4, 4);
    PaintParentBackground(parent, t.dib.Dc());
    EXPECT_PIXEL(t, 0, 0, kPaper);
    DestroyWindow(parent);
}

TEST(Bitmaps, PaintingLeaksNoHandles) {
    Surface s(40, 30);
    ui::BitmapOwner bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
    const long ownedBefore = ui::GdiLiveHandleCount();
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 50; ++i) {
        ui::TCanvas canvas(s.dib.Dc());
        for (TGradientDirection d : kAll) FillGradient(canvas, Rect{0, 0, 40, 30}, d, RGB(i, 0, 0), ui::clBtnFace);
        DrawBitmapTransparent(canvas, Rect{0, 0, 8, 8}, bitmap, Rect{0, 0, 4, 4}, ui::clBlack);
        const TFrameSettings frame{.BorderOuter = fsFlatRounded, .BorderInner = fsGroove, .BorderWidth = 2,
                                   .BorderColor = ui::clRed, .BorderHighlight = ui::clWhite,
                                   .BorderShadow = ui::clBlack, .FlatColorAdjustment = 10};
        PaintInnerOuterFrames(canvas, Rect{0, 0, 40, 30}, frame, ui::clBtnFace, ui::clWindow, false);
        PaintTintedFrameStyle(canvas, Rect{0, 0, 40, 30}, RGB(30, 60, 90), fsButtonUp);
        PaintGradientRing(canvas, Rect{0, 0, 40, 30}, gdSquareBox, ui::clRed, ui::clBlue);
    }
    EXPECT_EQ(ui::GdiLiveHandleCount(), ownedBefore);
    const DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (gdiBefore > 0) { // Wine reports 0: nothing to compare
        EXPECT_LE(gdiAfter, gdiBefore + 2);
    }
}
