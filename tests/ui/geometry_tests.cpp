#include "ui/Canvas.h"
#include "ui/Geometry.h"
#include <gtest/gtest.h>

using namespace ui;

namespace ui {
// Readable placements in failure messages.
std::ostream& operator<<(std::ostream& os, const TDockPlacement& p) { return os << p.Request << " at " << p.Bounds; }
} // namespace ui

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

// The alignment pass's rules: top, bottom, left, right, then fill; along each side the
// outermost child first (ties in request order); strips keep their own thickness while the
// space left never turns inside out; every fill child gets all that is left.
TEST(Docking, SidesAreServedInOrderOutermostFirstAndFillTakesTheRest) {
    using enum TDockSide;
    const std::vector<TDockRequest> requests = {
        {Fill, Rect{0, 0, 10, 10}, {10, 10}},       // 0
        {Top, Rect{0, 50, 5, 60}, {5, 10}},         // 1: below the other tops
        {Top, Rect{0, 0, 5, 5}, {5, 5}},            // 2
        {Bottom, Rect{0, 60, 5, 80}, {5, 20}},      // 3: the outermost bottom
        {Left, Rect{0, 0, 30, 5}, {30, 5}},         // 4
        {Right, Rect{90, 0, 100, 5}, {15, 5}},      // 5: the outermost right
        {Top, Rect{0, 0, 5, 7}, {5, 7}},            // 6: ties with 2, comes after it
        {Bottom, Rect{0, 36, 5, 40}, {5, 4}},       // 7
        {Right, Rect{45, 0, 50, 5}, {5, 5}},        // 8
    };
    EXPECT_EQ(DockRects(Rect{0, 0, 100, 80}, requests),
              (std::vector<TDockPlacement>{{2, {0, 0, 100, 5}},
                                           {6, {0, 5, 100, 12}},
                                           {1, {0, 12, 100, 22}},
                                           {3, {0, 60, 100, 80}},
                                           {7, {0, 56, 100, 60}},
                                           {4, {0, 22, 30, 56}},
                                           {5, {85, 22, 100, 56}},
                                           {8, {80, 22, 85, 56}},
                                           {0, {30, 22, 80, 56}}}));

    // Too little room: the second top strip runs past the bottom at its own height, what is
    // left is an empty row, and the later strips and the fill are empty, never inside out.
    const std::vector<TDockRequest> crowded = {
        {Top, Rect{0, 0, 5, 20}, {5, 20}},
        {Top, Rect{0, 10, 5, 30}, {5, 20}},
        {Left, Rect{0, 0, 10, 5}, {10, 5}},
        {Fill, Rect{}, {}},
        {Fill, Rect{}, {}},
    };
    EXPECT_EQ(DockRects(Rect{0, 0, 50, 30}, crowded),
              (std::vector<TDockPlacement>{{0, {0, 0, 50, 20}},
                                           {1, {0, 20, 50, 40}},
                                           {2, {0, 30, 10, 30}},
                                           {3, {10, 30, 50, 30}},
                                           {4, {10, 30, 50, 30}}}));
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
