// The splitter's hot spot and dragging: grip dots and the hot spot's rectangle, its pixels
// on the main window (frame, arrows both ways, 41 dots), clicks that collapse and restore
// (events in order), drags from the hot spot and from a collapsed bar, hsdBoth halves,
// LockBar, a refusing OnChanging, Escape and a lost capture during an outline drag, and
// live dragging. Mouse and keys are real messages to the splitter's window.
#include "../common/pointer.h"
#include "splitter_fixture.h"
#include "ui/Application.h"
#include "widgets/WkColors.h"
#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace wk;
using ui::Rect;

namespace {

COLORREF Rgb(TColor c) { return ui::ColorToRGB(c); }

TEST(HotSpotGeometry, GripDotsStartFifteenInAndLeaveTheDividerFree) {
    struct Case { int length; size_t dots; };
    for (Case c : {Case{29, 0}, {30, 1}, {34, 1}, {35, 2}, {154, 41}}) {
        auto dots = HotSpotGripDots(100, 100 + c.length, false);
        EXPECT_EQ(dots.size(), c.dots) << c.length;
        if (!dots.empty()) {
            EXPECT_EQ(dots.front(), 115) << c.length;
        }
    }
    // hsdBoth while open: the two dots within 3 pixels of the middle (77) go.
    auto both = HotSpotGripDots(0, 154, true);
    EXPECT_EQ(both.size(), 39u);
    for (int d : both) EXPECT_GT(std::abs(d - 77), 3);

    EXPECT_EQ(ComputeHotSpotRect(Rect(240, 4, 247, 388), orHorizontal, 40), Rect(240, 119, 247, 273));
    EXPECT_EQ(ComputeHotSpotRect(Rect(4, 240, 708, 247), orVertical, 40), Rect(215, 240, 497, 247));
}

class HotSpotTest : public SplitterFixture {
protected:
    std::unique_ptr<ui::DibSurface> Render() {
        auto dib = std::make_unique<ui::DibSurface>(splitter->Width(), splitter->Height());
        splitter->PaintTo(dib->Dc(), Rect{0, 0, splitter->Width(), splitter->Height()});
        return dib;
    }
};

TEST_F(HotSpotTest, MainWindowHotSpotPixelsOpenAndCollapsed) {
    auto dib = Render();
    const COLORREF dot = Rgb(ui::clHighlight), face = Rgb(ui::clBtnFace), frame = Rgb(ui::clBtnShadow);
    EXPECT_EQ(dib->Pixel(240, 119), frame);
    EXPECT_EQ(dib->Pixel(246, 272), frame);
    EXPECT_EQ(dib->Pixel(241, 150), face);
    EXPECT_EQ(dib->Pixel(243, 50), RGB(255, 255, 255));  // the bar outside the hot spot
    EXPECT_EQ(dib->Pixel(2, 2), RGB(255, 255, 255));     // the border band
    // Both arrows point left (toward min): tip at x - 1, base at x + 1 two rows up.
    for (int y : {127, 265}) {
        EXPECT_EQ(dib->Pixel(243, y), dot) << y;
        EXPECT_EQ(dib->Pixel(242, y), dot) << y;
        EXPECT_EQ(dib->Pixel(244, y - 2), dot) << y;
        EXPECT_NE(dib->Pixel(242, y - 2), dot) << y;
    }
    for (int i = 0; i <= 40; ++i) EXPECT_EQ(dib->Pixel(243, 134 + 3 * i), dot) << i;
    EXPECT_EQ(dib->Pixel(243, 135), face);
    EXPECT_EQ(dib->Pixel(243, 257), face);  // no 42nd dot

    Click(243, 196);
    ASSERT_EQ(splitter->HotSpotRect(), Rect(4, 119, 11, 273));
    dib = Render();
    for (int y : {127, 265}) {  // now toward max: tip at x + 1
        EXPECT_EQ(dib->Pixel(8, y), dot) << y;
        EXPECT_EQ(dib->Pixel(6, y - 2), dot) << y;
        EXPECT_NE(dib->Pixel(8, y - 2), dot) << y;
    }
}

TEST_F(HotSpotTest, ClickCollapsesAndSecondClickRestores) {
    Click(243, 196);
    EXPECT_EQ(TakeEvents(), (Events{"changing 0", "change 0", "hotspot"}));
    EXPECT_EQ(splitter->Position(), 0);
    EXPECT_TRUE(splitter->HotSpotClosed());
    EXPECT_EQ(splitter->HotSpotPosition(), 236);
    EXPECT_EQ(splitter->UpperLeftPane()->Width(), 0);
    EXPECT_EQ(splitter->LowerRightPane()->BoundsRect(), Rect(11, 4, 708, 388));
    EXPECT_FALSE(splitter->BarDragging());
    EXPECT_NE(GetCapture(), Wnd());

    Click(7, 196);
    EXPECT_EQ(TakeEvents(), (Events{"changing 236", "change 236", "hotspot"}));
    EXPECT_EQ(splitter->Position(), 236);
    EXPECT_FALSE(splitter->HotSpotClosed());
    EXPECT_EQ(splitter->PreferredFixedSize(), 236);

    // A resize while collapsed keeps the bar collapsed.
    Click(243, 196);
    splitter->SetBounds(0, 0, 800, 392);
    EXPECT_EQ(splitter->Position(), 0);
}

TEST_F(HotSpotTest, DraggingMovesTheBarAndIsNoClick) {
    Down(243, 196);
    EXPECT_TRUE(splitter->HotSpotPressed());
    Move(283, 196);
    EXPECT_EQ(splitter->Position(), 236);  // outline mode: the panes wait for the release
    Up(283, 196);
    EXPECT_EQ(splitter->Position(), 276);
    EXPECT_FALSE(splitter->HotSpotClosed());
    EXPECT_EQ(splitter->PreferredFixedSize(), 276);
    Events events = TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "hotspot"), 0);
    EXPECT_EQ(events.back(), "change 276");

    // A collapsed bar that is dragged is no longer collapsed.
    Click(283, 196);
    ASSERT_TRUE(splitter->HotSpotClosed());
    Down(7, 50);
    Move(57, 50);
    Up(57, 50);
    EXPECT_EQ(splitter->Position(), 50);
    EXPECT_FALSE(splitter->HotSpotClosed());

    // Live dragging moves the panes with the mouse.
    splitter->SetRealTimeDrag(true);
    TakeEvents();
    Down(57, 50);
    Move(107, 50);
    EXPECT_EQ(splitter->Position(), 100);
    EXPECT_EQ(splitter->UpperLeftPane()->Width(), 100);
    Up(107, 50);
    EXPECT_EQ(splitter->Position(), 100);
    EXPECT_EQ(TakeEvents(), (Events{"changing 100", "changing 100", "change 100"}));
}

TEST_F(HotSpotTest, BothDirectionsCollapseTowardTheClickedHalf) {
    splitter->SetHotSpotDirection(hsdBoth);
    Click(243, 150);  // before the centre (y 196)
    EXPECT_EQ(splitter->Position(), 0);
    EXPECT_TRUE(splitter->HotSpotClosedToMin());
    Click(7, 150);
    EXPECT_EQ(splitter->Position(), 236);
    Click(243, 250);  // after it: the largest position the borders and bar allow
    EXPECT_EQ(splitter->Position(), 712 - 7 - 8);
    EXPECT_TRUE(splitter->HotSpotClosedToMax());
    EXPECT_EQ(splitter->LowerRightPane()->Width(), 0);
}

TEST_F(HotSpotTest, LockBarStopsDraggingButNotTheHotSpot) {
    splitter->SetLockBar(true);
    Down(243, 50);
    Move(300, 50);
    Up(300, 50);
    EXPECT_EQ(splitter->Position(), 236);
    EXPECT_TRUE(TakeEvents().empty());
    Down(243, 196);
    Move(300, 196);  // a pressed hot spot does not drag a locked bar
    Up(243, 196);
    EXPECT_EQ(splitter->Position(), 0);
    EXPECT_EQ(TakeEvents(), (Events{"changing 0", "change 0", "hotspot"}));
}

TEST_F(HotSpotTest, RefusingOnChangingKeepsTheBarAndTheOpenState) {
    refuse = true;
    Down(243, 50);
    Move(300, 50);
    Up(300, 50);
    EXPECT_EQ(splitter->Position(), 236);
    Click(243, 196);
    EXPECT_EQ(splitter->Position(), 236);
    EXPECT_FALSE(splitter->HotSpotClosed());  // the arrows must not claim a collapse
    Events events = TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "hotspot"), 0);
    for (const auto& e : events) EXPECT_EQ(e.rfind("changing", 0), 0u) << e;
}

// The outline is inverted onto the screen; ending the drag must put every pixel back.
TEST_F(HotSpotTest, EscapeOrLostCaptureEndsAnOutlineDragWithoutMoving) {
    form.Show();
    UpdateWindow(form.Handle());
    const auto screenRow = [this] {
        POINT origin{290, 100};
        ClientToScreen(Wnd(), &origin);
        ui::WindowDc screen(nullptr);
        std::vector<COLORREF> row;
        for (int x = 0; x < 20; ++x) row.push_back(GetPixel(screen, origin.x + x, origin.y));
        return row;
    };
    const auto before = screenRow();
    Down(243, 50);
    Move(300, 50);  // outline now at client x 297..304
    EXPECT_NE(screenRow(), before);
    Key(VK_ESCAPE);
    EXPECT_EQ(screenRow(), before);
    EXPECT_FALSE(splitter->BarDragging());
    EXPECT_NE(GetCapture(), Wnd());
    EXPECT_EQ(splitter->Position(), 236);
    Up(300, 50);  // the release after Escape does nothing
    EXPECT_EQ(splitter->Position(), 236);

    // Another window taking the mouse cancels the same way.
    Down(243, 50);
    Move(300, 50);
    SetCapture(form.Handle());
    ReleaseCapture();
    EXPECT_FALSE(splitter->BarDragging());
    EXPECT_EQ(screenRow(), before);
    EXPECT_EQ(splitter->Position(), 236);
    for (const auto& e : TakeEvents()) EXPECT_EQ(e.rfind("changing", 0), 0u) << e;
}

// Stacked panes: the same rules along y, arrows pointing up.
TEST_F(HotSpotTest, VerticalBarDragsAndCollapsesAlongY) {
    splitter->SetOrientation(orVertical);
    ASSERT_EQ(splitter->HotSpotRect(), Rect(215, 240, 497, 247));
    auto dib = Render();
    const COLORREF dot = Rgb(ui::clHighlight);
    for (int x : {223, 489}) {
        EXPECT_EQ(dib->Pixel(x, 242), dot) << x;      // tip above the centre row 243
        EXPECT_EQ(dib->Pixel(x - 2, 244), dot) << x;  // base below it
        EXPECT_NE(dib->Pixel(x - 2, 242), dot) << x;
    }
    EXPECT_EQ(dib->Pixel(230, 243), dot);  // first grip dot, 15 in

    Down(100, 243);
    Move(100, 283);
    Up(100, 283);
    EXPECT_EQ(splitter->Position(), 276);
    EXPECT_EQ(splitter->LowerRightPane()->BoundsRect(), Rect(4, 287, 708, 388));
    TakeEvents();
    Click(356, 283);
    EXPECT_EQ(TakeEvents(), (Events{"changing 0", "change 0", "hotspot"}));
    EXPECT_EQ(splitter->UpperLeftPane()->Height(), 0);
}

// Cursor requests light the hot spot up and pick the bar cursors (the stock ones here: the
// test program carries no cursor resources); a locked bar leaves the cursor alone.
TEST_F(HotSpotTest, CursorRequestsTrackTheHotSpotAndChooseTheCursor) {
    form.Show();
    UpdateWindow(form.Handle());
    const auto hover = [this](int x, int y) {
        POINT p{x, y};
        ClientToScreen(Wnd(), &p);
        testsupport::MovePointerTo(p.x, p.y);
        // Let the mouse moves the jump produced be handled first, as they would be.
        ui::Application().ProcessMessages();
        SetCursor(nullptr);
        SendMessageW(Wnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Wnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        ui::WindowDc dc(Wnd());
        return GetPixel(dc, 241, 150);  // inside the hot spot's frame
    };
    EXPECT_EQ(hover(243, 196), Rgb(ui::clWindow));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(hover(243, 50), Rgb(ui::clBtnFace));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
    splitter->SetLockBar(true);
    hover(243, 50);
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
}

} // namespace
