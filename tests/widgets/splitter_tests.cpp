// Splitter geometry: the main window's panes and bar, the resize rules (the tree keeps its
// width, squeezing and getting it back, the lower-right pane kept, percent placement),
// limits, hidden panes, the vertical orientation, and reading the main window's layout form.
#include "splitter_fixture.h"
#include "ui/Layout.h"
#include <memory>

using namespace wk;
using ui::Rect;

namespace {

using SplitterTest = SplitterFixture;

TEST_F(SplitterTest, MainWindowPanesBarAndHotSpot) {
    EXPECT_EQ(splitter->UpperLeftPane()->BoundsRect(), Rect(4, 4, 240, 388));
    EXPECT_EQ(splitter->LowerRightPane()->BoundsRect(), Rect(247, 4, 708, 388));
    EXPECT_EQ(splitter->BarSize(), Rect(240, 4, 247, 388));
    EXPECT_EQ(splitter->HotSpotRect(), Rect(240, 119, 247, 273));
    EXPECT_EQ(splitter->Percent(), 33);
    // Inside each pane's 1-pixel flat frame.
    EXPECT_EQ(tree->BoundsRect(), Rect(1, 1, 235, 383));
    EXPECT_EQ(player->BoundsRect(), Rect(1, 1, 460, 383));
    // The same position again is no change.
    splitter->SetPosition(236);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(SplitterTest, ResizingKeepsTheTreeWidthAndGivesItBackAfterSqueezing) {
    splitter->SetBounds(0, 0, 900, 392);
    EXPECT_EQ(splitter->Position(), 236);
    EXPECT_EQ(TakeEvents(), (Events{"changing 236", "change 236"}));  // once per resize, unchanged or not
    EXPECT_EQ(splitter->LowerRightPane()->BoundsRect(), Rect(247, 4, 896, 388));

    splitter->SetBounds(0, 0, 240, 392);  // narrower than 251: the player pane closes
    EXPECT_EQ(splitter->Position(), 240 - 15);
    EXPECT_EQ(splitter->LowerRightPane()->Width(), 0);
    EXPECT_EQ(TakeEvents().back(), "change 225");

    splitter->SetBounds(0, 0, 712, 392);
    EXPECT_EQ(splitter->Position(), 236);
    EXPECT_EQ(splitter->LowerRightPane()->BoundsRect(), Rect(247, 4, 708, 388));

    // Too small for borders and bar: the upper limit wins and the position goes negative;
    // the panes shrink to nothing rather than to negative sizes.
    splitter->SetBounds(0, 0, 10, 392);
    EXPECT_EQ(splitter->Position(), 2 - 7);
    EXPECT_EQ(splitter->UpperLeftPane()->Width(), 0);
    EXPECT_GE(splitter->LowerRightPane()->Width(), 0);
}

TEST_F(SplitterTest, LowerRightFixedPaneKeepsItsSize) {
    splitter->SetFixedPane(fpLowerRight);
    splitter->SetBounds(0, 0, 900, 392);
    EXPECT_EQ(splitter->Position(), 900 - 476);
    EXPECT_EQ(splitter->LowerRightPane()->Width(), 461);
    splitter->SetBounds(0, 0, 600, 392);
    EXPECT_EQ(splitter->LowerRightPane()->Width(), 461);
}

TEST_F(SplitterTest, PercentModePlacesTheBarByPercentWithinThePercentLimits) {
    splitter->SetPercentMin(10);
    splitter->SetPercentMax(90);
    splitter->SetUsePercent(true);
    EXPECT_EQ(splitter->MarginMin(), 71);  // round(0.1 * 709)
    EXPECT_EQ(splitter->MarginMax(), 71);  // 709 - round(0.9 * 709)
    splitter->SetPosition(10);
    EXPECT_EQ(splitter->Position(), 71);
    splitter->SetPosition(700);
    EXPECT_EQ(splitter->Position(), 704 - 71 - 7);
    EXPECT_EQ(splitter->Percent(), 88);
    splitter->SetBounds(0, 0, 1000, 392);
    EXPECT_EQ(splitter->Position(), 877);  // round(0.88 * 997)
    splitter->SetPercent(50);
    EXPECT_EQ(splitter->Position(), 498);  // round(0.5 * 997): the half goes to the even neighbour
}

TEST_F(SplitterTest, HiddenPaneLetsTheOtherFillAndLiftsTheLimits) {
    splitter->LowerRight().SetVisible(false);
    EXPECT_EQ(splitter->UpperLeftPane()->BoundsRect(), Rect(4, 4, 708, 388));
    EXPECT_EQ(splitter->BarSize().Width(), 0);
    EXPECT_EQ(splitter->HotSpotRect().Width(), 0);
    splitter->MoveSplitterTo(5000);
    EXPECT_EQ(splitter->Position(), 5000);
    EXPECT_EQ(splitter->UpperLeftPane()->BoundsRect(), Rect(4, 4, 708, 388));

    splitter->LowerRight().SetVisible(true);
    splitter->UpperLeft().SetVisible(false);
    EXPECT_EQ(splitter->LowerRightPane()->BoundsRect(), Rect(4, 4, 708, 388));
    EXPECT_EQ(splitter->UpperLeftPane()->Width(), 0);
}

TEST_F(SplitterTest, VerticalOrientationStacksThePanes) {
    splitter->SetOrientation(orVertical);
    EXPECT_EQ(splitter->UpperLeftPane()->BoundsRect(), Rect(4, 4, 708, 240));
    EXPECT_EQ(splitter->BarSize(), Rect(4, 240, 708, 247));
    EXPECT_EQ(splitter->LowerRightPane()->BoundsRect(), Rect(4, 247, 708, 388));
    EXPECT_EQ(splitter->HotSpotRect(), Rect(215, 240, 497, 247));
    splitter->SetPosition(1000);  // limited by the height now
    EXPECT_EQ(splitter->Position(), 384 - 7);
}

// Grooves sink (shadow left/top), bumps rise: two 3-pixel strips in the middle of the bar.
TEST_F(SplitterTest, GrooveAndBumpBars) {
    const auto render = [this] {
        auto dib = std::make_unique<ui::DibSurface>(splitter->Width(), splitter->Height());
        splitter->PaintTo(dib->Dc(), Rect{0, 0, splitter->Width(), splitter->Height()});
        return dib;
    };
    const COLORREF shadow = ui::ColorToRGB(ui::clBtnShadow), light = ui::ColorToRGB(ui::clBtnHighlight);
    splitter->SetSplitterStyle(ssGroove);
    auto dib = render();
    EXPECT_EQ((std::vector<COLORREF>{dib->Pixel(240, 50), dib->Pixel(242, 50), dib->Pixel(243, 50), dib->Pixel(245, 50)}),
              (std::vector<COLORREF>{shadow, light, shadow, light}));
    EXPECT_EQ(dib->Pixel(246, 50), RGB(255, 255, 255));
    splitter->SetSplitterStyle(ssBump);
    dib = render();
    EXPECT_EQ((std::vector<COLORREF>{dib->Pixel(240, 50), dib->Pixel(242, 50), dib->Pixel(243, 50), dib->Pixel(245, 50)}),
              (std::vector<COLORREF>{light, shadow, light, shadow}));
}

TEST_F(SplitterTest, RefusedChangeLeavesEverythingAsItWas) {
    refuse = true;
    splitter->SetPosition(300);
    EXPECT_EQ(splitter->Position(), 236);
    EXPECT_EQ(splitter->Percent(), 33);
    EXPECT_EQ(splitter->UpperLeftPane()->Width(), 236);
    EXPECT_EQ(TakeEvents(), (Events{"changing 300"}));
}

// The form the main window's layout stores the splitter in: its controls are written as the
// splitter's children and named in UpperLeftControls / LowerRightControls.
TEST(SplitterLayout, ReadsPaneControlListsBarAndCollapsedState) {
    SetKitSettings(true, xcsNormal);
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkPanelClasses(registry);
    RegisterWkSplitterClasses(registry);
    ui::TForm root;
    int changes = 0;
    root.RegisterHandler(L"WkSplitter1Change", ui::TNotifyEvent([&](ui::TObject*) { ++changes; }));
    ui::LoadLayoutText(root, L"Main.layout", R"(object FrmTest: TForm
  Width = 760
  Height = 500
  object WkSplitter1: TWkSplitter
    Left = 0
    Top = 0
    Width = 712
    Height = 392
    Position = 236
    BorderColor = clWhite
    BorderWidth = 4
    Color = clWhite
    Percent = 33
    SplitterWidth = 7
    HotSpotVisible = True
    UpperLeft.BorderInner = fsFlat
    UpperLeft.FlatColor = 9718842
    LowerRight.BorderInner = fsFlat
    LowerRight.FlatColor = 9718842
    OnChange = WkSplitter1Change
    BarSize = (240 4 247 388)
    PositionMin = 10
    PositionMax = 20
    UpperLeftControls = (Tree, NoSuchControl)
    LowerRightControls = (Player)
    object Tree: TWkPanel
      Left = 1
      Top = 1
      Width = 234
      Height = 382
      Align = alClient
    end
    object Player: TWkPanel
      Left = 1
      Top = 1
      Width = 459
      Height = 382
      Align = alClient
    end
    object Stray: TWkPanel
    end
  end
  object Collapsed: TWkSplitter
    Top = 400
    Width = 300
    Height = 50
    HotSpotClosed = True
    HotSpotClosedToMin = True
    HotSpotPosition = 120
    Position = 0
  end
end
)", registry);
    auto* s = dynamic_cast<TWkSplitter*>(root.FindComponent(L"WkSplitter1"));
    auto* tree = dynamic_cast<ui::TControl*>(root.FindComponent(L"Tree"));
    auto* player = dynamic_cast<ui::TControl*>(root.FindComponent(L"Player"));
    auto* stray = dynamic_cast<ui::TControl*>(root.FindComponent(L"Stray"));
    ASSERT_TRUE(s && tree && player && stray);
    EXPECT_EQ(tree->Parent(), s->UpperLeftPane());
    EXPECT_EQ(player->Parent(), s->LowerRightPane());
    EXPECT_EQ(stray->Parent(), s->SelectedPaneControl());  // never left under the panes
    EXPECT_EQ(tree->BoundsRect(), Rect(1, 1, 235, 383));
    EXPECT_EQ(player->BoundsRect(), Rect(1, 1, 460, 383));
    EXPECT_EQ(s->Position(), 236);
    EXPECT_EQ(s->Percent(), 33);
    EXPECT_FALSE(s->UsePercent());
    EXPECT_EQ(s->BarSize(), Rect(240, 4, 247, 388));
    EXPECT_EQ(s->HotSpotRect(), Rect(240, 119, 247, 273));
    EXPECT_EQ(s->PreferredFixedSize(), 236);
    s->SetBounds(0, 0, 800, 392);
    EXPECT_EQ(changes, 1);

    auto* collapsed = dynamic_cast<TWkSplitter*>(root.FindComponent(L"Collapsed"));
    ASSERT_TRUE(collapsed);
    EXPECT_TRUE(collapsed->HotSpotClosed());
    EXPECT_TRUE(collapsed->HotSpotClosedToMin());
    EXPECT_EQ(collapsed->HotSpotPosition(), 120);
    EXPECT_EQ(collapsed->Position(), 0);
}

} // namespace
