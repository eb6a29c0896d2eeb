// Frame controller: joining and leaving its list (by moving, by either side's destruction),
// which changes reach the controls and how often, the notification set, what the memo, tree,
// labels and status panes take, and reading a controller and the controls' two properties
// from a layout.
#include "widgets/WkFrameController.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkColors.h"
#include "widgets/WkKit.h"
#include "widgets/WkLabel.h"
#include "widgets/WkMemo.h"
#include "widgets/WkPanel.h"
#include "widgets/WkStatusBar.h"
#include "widgets/WkTreeView.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace wk;
using ui::TColor;

namespace {

// A control reduced to its link: it records the controller colour each time settings arrive.
class TRecordingControl : public ui::TComponent {
public:
    explicit TRecordingControl(ui::TComponent* owner = nullptr) : ui::TComponent(owner) {}
    TWkFrameControllerLink Link{*this, [this](const TWkFrameController& fc) {
        Applied.push_back(fc.Color());
        if (OnApply) OnApply();
    }};
    std::vector<TColor> Applied;
    std::function<void()> OnApply;
};

using Controls = std::vector<ui::TComponent*>;

TEST(FrameController, ControlsJoinLeaveAndMoveBetweenControllers) {
    TWkFrameController first, second;
    first.SetColor(RGB(1, 1, 1));
    second.SetColor(RGB(2, 2, 2));
    auto a = std::make_unique<TRecordingControl>();
    TRecordingControl b;

    a->Link.SetController(&first);
    b.Link.SetController(&first);
    EXPECT_EQ(first.Controls(), (Controls{a.get(), &b}));
    EXPECT_EQ(a->Applied, std::vector<TColor>{RGB(1, 1, 1)});  // takes the settings on joining

    a->Link.SetController(&first);                               // the same one: nothing happens
    EXPECT_EQ(a->Applied.size(), 1u);
    EXPECT_EQ(first.Controls().size(), 2u);

    a->Link.SetController(&second);                              // leaves the old list, joins the new
    EXPECT_EQ(first.Controls(), Controls{&b});
    EXPECT_EQ(second.Controls(), Controls{a.get()});
    EXPECT_EQ(a->Applied.back(), RGB(2, 2, 2));

    first.SetColor(RGB(3, 3, 3));                                // reaches b only
    EXPECT_EQ(a->Applied.back(), RGB(2, 2, 2));
    EXPECT_EQ(b.Applied.back(), RGB(3, 3, 3));

    a.reset();                                                   // a destroyed control leaves
    EXPECT_TRUE(second.Controls().empty());
    second.SetColor(RGB(4, 4, 4));                               // and is not called

    b.Link.SetController(nullptr);
    EXPECT_TRUE(first.Controls().empty());
    EXPECT_EQ(b.Link.Controller(), nullptr);
}

TEST(FrameController, ADestroyedControllerIsForgottenByEveryControl) {
    TRecordingControl a, b;
    {
        TWkFrameController controller;
        a.Link.SetController(&controller);
        b.Link.SetController(&controller);
    }
    EXPECT_EQ(a.Link.Controller(), nullptr);
    EXPECT_EQ(b.Link.Controller(), nullptr);
    EXPECT_FALSE(a.Link.Supplies(fcpColor));
    // Joining another one afterwards works as usual (nothing stale is removed from it).
    TWkFrameController next;
    a.Link.SetController(&next);
    EXPECT_EQ(next.Controls(), Controls{&a});

    // Owned by a form, the controller dies with it, before or after the control.
    auto form = std::make_unique<ui::TForm>();
    auto* owned = new TWkFrameController(form.get());
    b.Link.SetController(owned);
    form.reset();
    EXPECT_EQ(b.Link.Controller(), nullptr);
}

TEST(FrameController, EachRealChangeNotifiesOnceAndLoadingNotifiesAtTheEnd) {
    TWkFrameController controller;
    TRecordingControl control;
    control.Link.SetController(&controller);
    control.Applied.clear();

    controller.SetFrameStyle(fsLowered);
    controller.SetFrameStyle(fsLowered);      // unchanged
    controller.SetFrameSides(kAllSides);      // unchanged (the default)
    controller.SetFrameVisible(true);
    controller.SetFramingPreference(fpCustomFraming);
    EXPECT_EQ(control.Applied.size(), 3u);

    // Out-of-range values are clamped: fsFlatRounded is no style the framed controls draw.
    controller.SetFrameStyle(fsFlatRounded);
    EXPECT_EQ(controller.FrameStyle(), fsFlatBold);
    controller.SetFrameSides(0xFF);
    EXPECT_EQ(controller.FrameSides(), kAllSides);

    control.Applied.clear();
    controller.BeginLoading();
    controller.SetColor(RGB(9, 9, 9));
    controller.SetFrameColor(RGB(8, 8, 8));
    EXPECT_TRUE(control.Applied.empty());
    controller.Loaded();
    EXPECT_EQ(control.Applied, std::vector<TColor>{RGB(9, 9, 9)});
}

TEST(FrameController, NotificationSetDecidesWhatIsSupplied) {
    TRecordingControl control;
    EXPECT_EQ(control.Link.Notifications(), 65535u);
    EXPECT_TRUE(control.Link.Takes(fcpFramingPreference));
    EXPECT_FALSE(control.Link.Supplies(fcpColor));       // no controller: nothing supplied

    TWkFrameController controller;
    control.Link.SetController(&controller);
    control.Applied.clear();
    control.Link.SetNotifications(FrameControllerSet({fcpColor, fcpFrameStyle}) | 0x30000);
    EXPECT_EQ(control.Link.Notifications(), (1u << 0) | (1u << 13));  // members past 15 dropped
    EXPECT_EQ(control.Applied.size(), 1u);                            // a changed set applies at once
    EXPECT_TRUE(control.Link.Supplies(fcpColor));
    EXPECT_FALSE(control.Link.Supplies(fcpFrameColor));
    control.Link.SetNotifications(FrameControllerSet({fcpColor, fcpFrameStyle}));
    EXPECT_EQ(control.Applied.size(), 1u);                            // unchanged set: nothing
}

TEST(FrameController, AControlLeavingDuringANotificationIsNotCalledAfterwards) {
    TWkFrameController controller;
    TRecordingControl first;
    auto second = std::make_unique<TRecordingControl>();
    first.Link.SetController(&controller);
    second->Link.SetController(&controller);
    second->Applied.clear();
    first.OnApply = [&] { second.reset(); };
    controller.SetColor(RGB(5, 5, 5));
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(controller.Controls(), Controls{&first});
}

TEST(FrameControllerLayout, ControllerAndPanelReferenceAreRead) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkPanelClasses(registry);
    ui::TForm root;
    // The panel names the controller before the controller's object appears.
    ui::LoadLayoutText(root, L"Shared.layout", R"(object Root: TForm
  object P1: TWkPanel
    FrameController = FC1
    FrameControllerNotifications = [fcpColor, fcpFrameStyle, fcpFrameVisible]
  end
  object FC1: TWkFrameController
    Color = clWhite
    FrameStyle = fsLowered
    FrameSides = [sdTop]
    FrameVisible = True
    FramingPreference = fpCustomFraming
    ReadOnlyColorOnFocus = True
  end
end
)", registry);
    auto* panel = dynamic_cast<TWkPanel*>(root.FindComponent(L"P1"));
    auto* fc = dynamic_cast<TWkFrameController*>(root.FindComponent(L"FC1"));
    ASSERT_TRUE(panel && fc);
    EXPECT_EQ(panel->FrameController(), fc);
    EXPECT_EQ(panel->FrameControllerNotifications(), (1u << 0) | (1u << 13) | (1u << 14));
    // Taken when the reference was resolved: style and colour, not the sides.
    EXPECT_EQ(panel->BorderOuter(), fsLowered);
    EXPECT_EQ(panel->Color(), ui::clWhite);
    EXPECT_EQ(panel->BorderSides(), kAllSides);
    EXPECT_EQ(fc->FrameSides(), static_cast<TSides>(sdTop));
    EXPECT_EQ(fc->FramingPreference(), fpCustomFraming);
    EXPECT_TRUE(fc->ReadOnlyColorOnFocus());

    const auto loadError = [&](const std::string& body) {
        ui::TForm other;
        try {
            ui::LoadLayoutText(other, L"Bad.layout", "object Root: TForm\n" + body + "end\n", registry);
        } catch (const ui::TLayoutError& e) {
            return e.Message();
        }
        return std::wstring(L"no error");
    };
    EXPECT_EQ(loadError("  object P: TWkPanel\n    FrameControllerNotifications = [fcpShadow]\n  end\n"),
              L"unknown value 'fcpShadow'");
    EXPECT_EQ(loadError("  object F: TWkFrameController\n    FrameStyle = fsFlatRounded\n  end\n"),
              L"fsFlatRounded is not a frame style of a frame controller");
    EXPECT_EQ(loadError("  object P: TWkPanel\n    FrameController = P\n  end\n"),
              L"component 'P' is of the wrong class");
}


// The framed controls take every member of their set, with or without a visible frame.
TEST(FrameControllerControls, MemoAndTreeTakeTheirColoursAndFrame) {
    SetKitSettings(true, xcsNormal);
    ui::TForm form;
    auto* memo = new TWkMemo(&form);
    memo->SetParent(&form);
    memo->SetReadOnly(true);
    auto* tree = new TWkTreeView(&form);
    tree->SetParent(&form);
    TWkFrameController controller;
    controller.SetColor(RGB(250, 250, 240));
    controller.SetReadOnlyColor(RGB(240, 240, 250));
    controller.SetFrameStyle(fsLowered);
    controller.SetFrameColor(RGB(10, 20, 30));
    // Hot tracking frames all four sides when switched on; the sides asked for come after it.
    controller.SetFrameHotTrack(true);
    controller.SetFrameSides(sdTop);
    controller.SetFramingPreference(fpCustomFraming);
    controller.SetFrameVisible(true);
    memo->SetFrameController(&controller);
    tree->SetFrameController(&controller);

    EXPECT_EQ(memo->Color(), RGB(240, 240, 250));  // read-only: the read-only colour shows
    EXPECT_EQ(memo->ReadOnlyColor(), RGB(240, 240, 250));
    EXPECT_EQ(memo->FrameStyle(), fsLowered);
    EXPECT_EQ(memo->FrameSides(), static_cast<TSides>(sdTop));
    EXPECT_TRUE(memo->FrameVisible());
    EXPECT_EQ(memo->FramingPreference(), fpCustomFraming);
    EXPECT_EQ(tree->Color(), RGB(250, 250, 240));
    EXPECT_EQ(tree->FrameColor(), RGB(10, 20, 30));
    EXPECT_TRUE(tree->FrameHotTrack());
    memo->SetReadOnly(false);
    EXPECT_EQ(memo->Color(), RGB(250, 250, 240));  // the controller's colour is the normal one

    tree->SetFrameControllerNotifications(FrameControllerSet({fcpFrameStyle}));
    controller.SetColor(RGB(1, 2, 3));
    controller.SetFrameStyle(fsRaised);
    EXPECT_EQ(tree->Color(), RGB(250, 250, 240));
    EXPECT_EQ(tree->FrameStyle(), fsRaised);
    EXPECT_TRUE(tree->FrameController() == &controller);
    EXPECT_EQ(memo->Color(), RGB(1, 2, 3));
}

// Labels and panes take their share only while the controller's frame is visible; the frame
// colour is then drawn as it is.
TEST(FrameControllerControls, LabelsAndPanesTakeTheirShareWhileTheFrameIsVisible) {
    SetKitSettings(true, xcsNormal);
    ui::TForm form;
    auto* label = new TWkLabel(&form);
    label->SetParent(&form);
    auto* pane = new TWkGlyphStatus(&form);
    pane->SetParent(&form);
    TWkFrameController controller;
    controller.SetFrameStyle(fsFlatBold);
    controller.SetFrameSides(sdLeft | sdBottom);
    controller.SetFrameColor(RGB(10, 20, 30));
    controller.SetColor(RGB(128, 128, 128));
    label->SetFrameController(&controller);
    pane->SetFrameController(&controller);
    EXPECT_EQ(label->BorderOuter(), fsNone);
    EXPECT_EQ(pane->FrameStyle(), fsFlat);

    controller.SetFrameVisible(true);
    EXPECT_EQ(label->BorderOuter(), fsFlatBold);
    EXPECT_EQ(label->BorderSides(), static_cast<TSides>(sdLeft | sdBottom));
    EXPECT_EQ(label->FlatColor(), RGB(10, 20, 30));
    EXPECT_EQ(label->FlatColorAdjustment(), 0);
    EXPECT_EQ(label->Color(), RGB(128, 128, 128));
    EXPECT_EQ(label->BorderHighlight(), LightenColor(RGB(128, 128, 128), 100));
    EXPECT_EQ(label->BorderShadow(), DarkenColor(RGB(128, 128, 128), 50));
    EXPECT_EQ(pane->FrameStyle(), fsFlatBold);
    EXPECT_EQ(pane->FlatColor(), RGB(10, 20, 30));
    EXPECT_EQ(pane->FlatColorAdjustment(), 0);
    EXPECT_EQ(pane->Color(), RGB(128, 128, 128));

    // Destroyed before the controller, each leaves its list.
    delete label;
    delete pane;
    EXPECT_TRUE(controller.Controls().empty());
}

TEST(FrameControllerLayout, EveryKitControlReadsItsController) {
    SetKitSettings(true, xcsNormal);
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkPanelClasses(registry);
    RegisterWkMemoClasses(registry);
    RegisterWkTreeViewClasses(registry);
    RegisterWkLabelClasses(registry);
    RegisterWkStatusBarClasses(registry);
    ui::TForm root;
    ui::LoadLayoutText(root, L"Shared.layout", R"(object Root: TForm
  object FC1: TWkFrameController
    FrameVisible = True
    FrameStyle = fsStatus
  end
  object M: TWkMemo
    FrameController = FC1
  end
  object T: TWkTreeView
    FrameController = FC1
    FrameControllerNotifications = [fcpColor]
  end
  object L: TWkLabel
    FrameController = FC1
  end
  object S: TWkStatusBar
    object G: TWkGlyphStatus
      FrameController = FC1
    end
  end
end
)", registry);
    auto* fc = dynamic_cast<TWkFrameController*>(root.FindComponent(L"FC1"));
    ASSERT_NE(fc, nullptr);
    EXPECT_EQ(fc->Controls().size(), 4u);
    EXPECT_EQ(dynamic_cast<TWkMemo*>(root.FindComponent(L"M"))->FrameStyle(), fsStatus);
    EXPECT_EQ(dynamic_cast<TWkTreeView*>(root.FindComponent(L"T"))->FrameStyle(), fsFlat);
    EXPECT_EQ(dynamic_cast<TWkLabel*>(root.FindComponent(L"L"))->BorderOuter(), fsStatus);
    EXPECT_EQ(dynamic_cast<TWkGlyphStatus*>(root.FindComponent(L"G"))->FrameStyle(), fsStatus);
}

} // namespace
