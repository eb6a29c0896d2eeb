// Panel: the frames of the program's three panels and where their children go, frames on
// some sides only, the band, fills, grid and caption placement, children's enabled state
// across disabling, the bottom-aligned growth rule, what a frame controller hands over and the
// names old layouts carry.
#include "widgets/WkPanel.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkColors.h"
#include "widgets/WkKit.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>

using namespace wk;
using ui::Rect;

namespace {

constexpr COLORREF kBackground = RGB(1, 2, 3);

COLORREF Rgb(TColor c) { return ui::ColorToRGB(c); }

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKitSettings(true, xcsNormal);
        form.SetBounds(0, 0, 400, 300);
    }

    // A panel of the given size on the form, with an alClient child to show its client area.
    TWkPanel* MakePanel(int width, int height) {
        auto* panel = new TWkPanel(&form);
        panel->SetParent(&form);
        panel->SetBounds(0, 0, width, height);
        child = new TWkPanel(&form);
        child->SetParent(panel);
        child->SetAlign(ui::alClient);
        return panel;
    }

    std::unique_ptr<ui::DibSurface> Render(ui::TControl& c) {
        auto dib = std::make_unique<ui::DibSurface>(c.Width(), c.Height());
        dib->Fill(kBackground);
        c.PaintTo(dib->Dc(), Rect{0, 0, c.Width(), c.Height()});
        return dib;
    }

    ui::TForm form;
    TWkPanel* child = nullptr;
};

// The banner, help and default panels: frame pixels and the rectangle children fill.
TEST_F(PanelTest, FramesOfTheProgramsPanelsAndTheirClientAreas) {
    TWkPanel* banner = MakePanel(712, 75);
    banner->SetBorderOuter(fsNone);
    EXPECT_EQ(child->BoundsRect(), Rect(0, 0, 712, 75));
    auto dib = Render(*banner);
    for (auto [x, y] : {std::pair{0, 0}, {711, 74}, {356, 37}}) EXPECT_EQ(dib->Pixel(x, y), Rgb(ui::clBtnFace)) << x << "," << y;

    TWkPanel* help = MakePanel(60, 40);
    help->SetBorderOuter(fsStatus);
    help->SetColor(ui::clWhite);
    EXPECT_EQ(child->BoundsRect(), Rect(1, 1, 59, 39));
    dib = Render(*help);
    EXPECT_EQ(dib->Pixel(0, 0), Rgb(ui::clBtnShadow));
    EXPECT_EQ(dib->Pixel(0, 20), Rgb(ui::clBtnShadow));
    EXPECT_EQ(dib->Pixel(59, 0), Rgb(ui::clBtnHighlight));  // corners take the lower-right colour
    EXPECT_EQ(dib->Pixel(0, 39), Rgb(ui::clBtnHighlight));
    EXPECT_EQ(dib->Pixel(59, 39), Rgb(ui::clBtnHighlight));
    EXPECT_EQ(dib->Pixel(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(dib->Pixel(58, 38), RGB(255, 255, 255));

    TWkPanel* plain = MakePanel(60, 40); // fsRaised: two rings
    EXPECT_EQ(child->BoundsRect(), Rect(2, 2, 58, 38));
    dib = Render(*plain);
    EXPECT_EQ(dib->Pixel(0, 0), Rgb(ui::cl3DLight));
    EXPECT_EQ(dib->Pixel(1, 1), Rgb(ui::clBtnHighlight));
    EXPECT_EQ(dib->Pixel(59, 39), Rgb(ui::cl3DDkShadow));
    EXPECT_EQ(dib->Pixel(58, 38), Rgb(ui::clBtnShadow));
    EXPECT_EQ(dib->Pixel(2, 2), Rgb(ui::clBtnFace));
}

// Frames and band on chosen sides; the band insets children on all four sides regardless.
TEST_F(PanelTest, FramesOnSomeSidesAndTheBand) {
    TWkPanel* panel = MakePanel(50, 30);
    panel->SetBorderOuter(fsFlat);
    panel->SetBorderSides(sdLeft | sdTop);
    panel->SetColor(RGB(0, 0, 200));
    EXPECT_EQ(child->BoundsRect(), Rect(1, 1, 50, 30));
    auto dib = Render(*panel);
    const COLORREF flat = Rgb(ShiftColorLuminance(ui::clBtnShadow, 30));
    EXPECT_EQ(dib->Pixel(0, 15), flat);
    EXPECT_EQ(dib->Pixel(25, 0), flat);
    EXPECT_EQ(dib->Pixel(49, 15), RGB(0, 0, 200));
    EXPECT_EQ(dib->Pixel(25, 29), RGB(0, 0, 200));

    panel->SetBorderOuter(fsNone);
    panel->SetBorderSides(sdLeft);
    panel->SetBorderWidth(4);
    panel->SetBorderColor(RGB(200, 0, 0));
    EXPECT_EQ(child->BoundsRect(), Rect(4, 4, 46, 26));
    dib = Render(*panel);
    EXPECT_EQ(dib->Pixel(0, 15), RGB(200, 0, 0));
    EXPECT_EQ(dib->Pixel(3, 15), RGB(200, 0, 0));
    EXPECT_EQ(dib->Pixel(4, 15), RGB(0, 0, 200));
    EXPECT_EQ(dib->Pixel(48, 15), RGB(0, 0, 200));  // no band on the right
    EXPECT_EQ(dib->Pixel(25, 1), RGB(0, 0, 200));   // nor at the top
}

TEST_F(PanelTest, GradientGridAndCaptionPlacement) {
    TWkPanel* panel = MakePanel(64, 48);
    child->SetVisible(false);
    panel->SetBorderOuter(fsNone);
    panel->SetVisualStyle(vsGradient);
    panel->SetGradientColorStyle(gcsCustom);
    auto dib = Render(*panel);
    EXPECT_GE(GetGValue(dib->Pixel(30, 0)), 253);            // start (white) at the top
    EXPECT_EQ(dib->Pixel(30, 47), Rgb(ui::clBtnFace));       // stop at the bottom

    panel->SetVisualStyle(vsWinXP);
    panel->SetColor(RGB(255, 255, 255));
    panel->SetShowGrid(true);
    panel->SetGridColor(RGB(0, 0, 0));
    dib = Render(*panel);
    EXPECT_EQ(dib->Pixel(7, 7), RGB(0, 0, 0));
    EXPECT_EQ(dib->Pixel(63, 47), RGB(0, 0, 0));
    EXPECT_EQ(dib->Pixel(7, 6), RGB(255, 255, 255));
    EXPECT_EQ(dib->Pixel(8, 8), RGB(255, 255, 255));
    panel->SetGridStyle(gsDottedLines);
    dib = Render(*panel);
    EXPECT_EQ(dib->Pixel(7, 1), RGB(0, 0, 0));   // every second pixel, one after the start
    EXPECT_EQ(dib->Pixel(7, 2), RGB(255, 255, 255));
    EXPECT_EQ(dib->Pixel(1, 15), RGB(0, 0, 0));
    panel->SetShowGrid(false);

    // Caption rows: where any text pixel lies for each vertical alignment.
    panel->SetCaption(L"Xy");
    ui::TFont font = panel->Font();
    font.Color = RGB(0, 0, 0);
    panel->SetFont(font);
    const auto inkRows = [&](TWkPanel& p) {
        auto d = Render(p);
        int first = -1, last = -1;
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x)
                if (d->Pixel(x, y) != RGB(255, 255, 255)) {
                    if (first < 0) first = y;
                    last = y;
                }
        struct { int first, last; } rows{first, last};
        return rows;
    };
    panel->SetAlignmentVertical(avTop);
    auto top = inkRows(*panel);
    panel->SetAlignmentVertical(avBottom);
    auto bottom = inkRows(*panel);
    ASSERT_GE(top.first, 0);
    EXPECT_LT(top.last, 24);
    EXPECT_GT(bottom.first, 24);
    panel->SetTextMargin(6);
    EXPECT_LT(inkRows(*panel).last, bottom.last);

    // Disabled: engraved in the highlight and shadow colours; nothing as dark as the font
    // colour (text may be smoothed, so shades between shadow and white appear).
    panel->SetEnabled(false);
    dib = Render(*panel);
    int ink = 0, darkest = 255;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            if (dib->Pixel(x, y) != RGB(255, 255, 255)) {
                ++ink;
                darkest = std::min<int>(darkest, GetGValue(dib->Pixel(x, y)));
            }
    EXPECT_GT(ink, 0);
    EXPECT_GE(darkest, GetGValue(Rgb(ui::clBtnShadow)) - 2);
}

TEST_F(PanelTest, DisablingRemembersWhichChildrenWereDisabled) {
    TWkPanel* panel = MakePanel(100, 50);
    auto* second = new TWkPanel(&form);
    second->SetParent(panel);
    auto* third = new TWkPanel(&form);
    third->SetParent(panel);
    second->SetEnabled(false);

    panel->SetEnabled(false);
    EXPECT_FALSE(child->Enabled());
    EXPECT_FALSE(third->Enabled());
    auto* added = new TWkPanel(&form);  // arrives while the panel is disabled
    added->SetParent(panel);
    added->SetEnabled(false);

    panel->SetEnabled(true);
    EXPECT_TRUE(child->Enabled());
    EXPECT_FALSE(second->Enabled());
    EXPECT_TRUE(third->Enabled());
    EXPECT_TRUE(added->Enabled());

    // A child destroyed meanwhile leaves no dangling entry behind.
    panel->SetEnabled(false);
    delete third;
    panel->SetEnabled(true);
    EXPECT_TRUE(child->Enabled());
}

TEST_F(PanelTest, BottomAndRightAlignedPanelsKeepTheirFarEdge) {
    TWkPanel loose;
    loose.SetBounds(0, 50, 100, 20);
    loose.SetAlign(ui::alBottom);
    loose.SetHeight(30);
    EXPECT_EQ(loose.BoundsRect(), Rect(0, 40, 100, 70));
    loose.SetAlign(ui::alRight);
    loose.SetWidth(110);
    EXPECT_EQ(loose.BoundsRect(), Rect(-10, 40, 100, 70));
    loose.SetAlign(ui::alNone);
    loose.SetHeight(10);
    EXPECT_EQ(loose.BoundsRect(), Rect(-10, 40, 100, 50));
}

// Each setting only when its member is in the panel's set, and only while the controller's
// frame is visible; the frame then shows the controller's colour unshifted and the children
// move inside the new frame.
TEST_F(PanelTest, FrameControllerHandsOverTheSettingsThePanelTakes) {
    TWkPanel* panel = MakePanel(40, 40);
    panel->SetFrameControllerNotifications(FrameControllerSet({fcpFrameStyle, fcpFrameColor, fcpColor}));
    TWkFrameController controller;
    controller.SetFrameStyle(fsFlat);
    controller.SetFrameSides(sdTop);
    controller.SetFrameColor(RGB(10, 20, 30));
    controller.SetColor(RGB(128, 128, 128));
    controller.SetParentColor(true);
    panel->SetFrameController(&controller);
    EXPECT_EQ(panel->BorderOuter(), fsRaised);   // the controller's frame is hidden: nothing taken

    controller.SetFrameVisible(true);
    EXPECT_EQ(panel->BorderOuter(), fsFlat);
    EXPECT_EQ(panel->BorderSides(), kAllSides);  // not in the set
    EXPECT_FALSE(panel->ParentColor());          // nor this
    EXPECT_EQ(panel->FlatColor(), RGB(10, 20, 30));
    EXPECT_EQ(panel->FlatColorAdjustment(), 0);
    EXPECT_EQ(panel->Color(), RGB(128, 128, 128));
    EXPECT_EQ(panel->BorderHighlight(), LightenColor(RGB(128, 128, 128), 100));
    EXPECT_EQ(panel->BorderShadow(), DarkenColor(RGB(128, 128, 128), 50));
    EXPECT_EQ(child->BoundsRect(), Rect(1, 1, 39, 39));
    auto dib = Render(*panel);
    EXPECT_EQ(dib->Pixel(0, 20), RGB(10, 20, 30));
    EXPECT_EQ(dib->Pixel(20, 20), RGB(128, 128, 128));

    // The whole set: sides and the parent's colour as well.
    panel->SetFrameControllerNotifications(kAllFrameControllerNotifications);
    EXPECT_EQ(panel->BorderSides(), static_cast<TSides>(sdTop));
    EXPECT_TRUE(panel->ParentColor());
    EXPECT_EQ(panel->Color(), form.Color());
    EXPECT_EQ(child->BoundsRect(), Rect(0, 1, 40, 40));
}

TEST_F(PanelTest, PanelAndControllerMayBeDestroyedInEitherOrder) {
    auto controller = std::make_unique<TWkFrameController>();
    TWkPanel* panel = MakePanel(40, 40);
    panel->SetFrameController(controller.get());
    delete panel;
    EXPECT_TRUE(controller->Controls().empty());
    controller->SetFrameVisible(true);  // reaches nobody

    panel = MakePanel(40, 40);
    panel->SetFrameController(controller.get());
    controller.reset();
    EXPECT_EQ(panel->FrameController(), nullptr);
    panel->SetFrameControllerNotifications(0);  // no controller to apply from any more
}

TEST_F(PanelTest, LayoutsReadObsoleteNames) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkPanelClasses(registry);
    ui::TForm root;
    ui::LoadLayoutText(root, L"Old.layout", R"(object Root: TForm
  object P1: TWkPanel
    FrameSides = 15
    ThemeAware = True
    UseGradients = True
    BorderOuter = fsStatus
    BorderSides = [sdLeft, sdBottom]
  end
  object P2: TWkPanel
    UseGradients = False
  end
end
)", registry);
    auto* p1 = dynamic_cast<TWkPanel*>(root.FindComponent(L"P1"));
    auto* p2 = dynamic_cast<TWkPanel*>(root.FindComponent(L"P2"));
    ASSERT_TRUE(p1 && p2);
    EXPECT_EQ(p1->VisualStyle(), vsGradient);
    EXPECT_EQ(p1->BorderOuter(), fsStatus);
    EXPECT_EQ(p1->BorderSides(), static_cast<TSides>(sdLeft | sdBottom));
    EXPECT_EQ(p2->VisualStyle(), vsWinXP);
}

} // namespace
