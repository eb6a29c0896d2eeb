#include "ui/Canvas.h"
#include "ui/Geometry.h"
#include <gtest/gtest.h>

using namespace ui;

TEST(Rect, CarvingNeverTurnsTheRemainderInsideOut) {
    Rect r{0, 0, 100, 50};
    EXPECT_EQ(r.TakeFromTop(10), (Rect{0, 0, 100, 10}));
    EXPECT_EQ(r.TakeFromLeft(30), (Rect{0, 10, 30, 50}));
    EXPECT_EQ(r.TakeFromRight(200), (Rect{30, 10, 100, 50}));
    EXPECT_EQ(r, (Rect{30, 10, 30, 50}));
    EXPECT_TRUE(r.IsEmpty());
    EXPECT_EQ(r.TakeFromBottom(5), (Rect{30, 45, 30, 50}));
}

TEST(Rect, IntersectionOfDisjointRectsIsEmptyAndUnionSkipsEmpty) {
    Rect a{0, 0, 10, 10}, b{20, 20, 30, 30};
    EXPECT_TRUE(a.Intersected(b).IsEmpty());
    EXPECT_EQ(a.United(Rect{}), a);
    EXPECT_EQ(a.United(b), (Rect{0, 0, 30, 30}));
    EXPECT_EQ(Rect::FromAxes(TOrientationAxis::Vertical, 1, 2, 3, 4), (Rect{3, 1, 4, 2}));
}

TEST(Canvas, DrawsIntoADibAndReleasesEveryObject) {
    long before = GdiLiveHandleCount();
    {
        DibSurface dib(8, 8);
        dib.Fill(RGB(255, 255, 255));
        TCanvas canvas(dib.Dc());
        canvas.SetBrush(RGB(10, 20, 30));
        canvas.FillRect({2, 2, 4, 4});
        canvas.SetPen(RGB(200, 0, 0));
        canvas.MoveTo(0, 7);
        canvas.LineTo(8, 7);
        EXPECT_EQ(dib.Pixel(2, 2), RGB(10, 20, 30));
        EXPECT_EQ(dib.Pixel(4, 4), RGB(255, 255, 255)); // right/bottom excluded
        EXPECT_EQ(dib.Pixel(7, 7), RGB(200, 0, 0));
    }
    EXPECT_EQ(GdiLiveHandleCount(), before);
}

TEST(Font, NinePointsIsHeightMinusTwelve) {
    TFont f;
    f.SetSize(9);
    EXPECT_EQ(f.Height, -12);
    f.Height = -11;
    EXPECT_EQ(f.Size(), 8);
}
