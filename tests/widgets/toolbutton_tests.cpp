// Tool button: the main window's gradient look (idle, hot, held), where its colours come
// from, the disabled image, the press/drag/release rules, latching groups, growing to the
// image list, the drop-down menu's open/close guard, and the names layouts store.
#include "widgets/WkToolButton.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkColors.h"
#include "widgets/WkKit.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace wk;

namespace {

constexpr COLORREF kImageColor = RGB(0, 64, 0);
constexpr COLORREF kBackground = RGB(10, 20, 30);

// Makes the pointer-entry handler reachable: the parent's mouse routing calls it.
class TProbeButton : public TWkToolButton {
public:
    using TWkToolButton::TWkToolButton;
    void PointerEnters() { MouseEnter(); }
};

// `count` solid images of size x size; the top-left pixel of each is transparent (magenta).
void FillImages(ui::TImageList& list, int size, int count) {
    list.SetWidth(size);
    list.SetHeight(size);
    ui::DibSurface strip(size * count, size);
    strip.Fill(kImageColor);
    for (int i = 0; i < count; ++i) SetPixelV(strip.Dc(), i * size, 0, ui::kImageListMaskColor);
    // The strip must not stay selected in a DC while the list copies it.
    ui::BitmapOwner copy(CreateCompatibleBitmap(strip.Dc(), size * count, size));
    {
        ui::MemoryDcOwner dc(CreateCompatibleDC(strip.Dc()));
        ui::SelectGuard select(dc, copy);
        BitBlt(dc, 0, 0, size * count, size, strip.Dc(), 0, 0, SRCCOPY);
    }
    list.AddStrip(copy);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class ToolButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKitSettings(true, xcsNormal);
        form.SetBounds(0, 0, 200, 120);
        FillImages(*images, 16, 5);
        button->SetParent(&form);
        // The main window's BtnFit.
        button->SetBounds(10, 10, 20, 20);
        button->SetVisualStyle(vsGradient);
        button->SetGradientColorStyle(gcsMSOffice);
        button->SetSelectionColorStart(10839119);
        button->SetSelectionColorStop(16710907);
        button->SetSelectionFrameColor(9718842);
        button->SetImages(images);
        button->SetImageIndex(3);
        button->OnClick = [this](ui::TObject*) { ++clicks; };
    }

    std::unique_ptr<ui::DibSurface> Render(TWkToolButton& b) {
        auto dib = std::make_unique<ui::DibSurface>(b.Width(), b.Height());
        dib->Fill(kBackground);
        b.PaintTo(dib->Dc(), ui::Rect{0, 0, b.Width(), b.Height()});
        return dib;
    }

    static void Press(ui::TControl& c, int x, int y) { c.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    static void Move(ui::TControl& c, int x, int y) { c.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y)); }
    static void Release(ui::TControl& c, int x, int y) { c.Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

    ui::TForm form;
    ui::TImageList* images = new ui::TImageList(&form);
    TProbeButton* button = new TProbeButton(&form);
    int clicks = 0;
};

TEST_F(ToolButtonTest, GradientLookAtRestHotAndHeld) {
    // At rest: only the image, centred (a 16 x 16 image in 20 x 20 starts at 2, 2).
    auto idle = Render(*button);
    EXPECT_EQ(idle->Pixel(0, 0), kBackground);
    EXPECT_EQ(idle->Pixel(1, 1), kBackground);
    EXPECT_EQ(idle->Pixel(3, 3), kImageColor);
    EXPECT_EQ(idle->Pixel(17, 17), kImageColor);
    EXPECT_EQ(idle->Pixel(18, 18), kBackground);

    // Hot: a one-pixel frame, then the gradient from start (top) to stop (bottom row exact).
    const TSelectionColors scheme = ToolButtonSelectionColors(gcsMSOffice);
    button->PointerEnters();
    auto hot = Render(*button);
    for (auto [x, y] : {std::pair{0, 0}, {19, 0}, {0, 19}, {19, 19}, {10, 0}, {0, 10}})
        EXPECT_EQ(hot->Pixel(x, y), ui::ColorToRGB(scheme.Frame)) << x << "," << y;
    EXPECT_EQ(hot->Pixel(10, 18), ui::ColorToRGB(scheme.Stop));
    EXPECT_TRUE(Near(hot->Pixel(10, 1), ui::ColorToRGB(scheme.Start), 3));
    EXPECT_EQ(hot->Pixel(3, 3), kImageColor);

    // Held: the gradient turns upside down; the image stays where it was.
    Press(*button, 5, 5);
    EXPECT_EQ(button->FaceState(), fstPressed);
    auto held = Render(*button);
    EXPECT_EQ(held->Pixel(0, 0), ui::ColorToRGB(scheme.Frame));
    EXPECT_EQ(held->Pixel(10, 18), ui::ColorToRGB(scheme.Start));
    EXPECT_TRUE(Near(held->Pixel(10, 1), ui::ColorToRGB(scheme.Stop), 3));
    EXPECT_EQ(held->Pixel(2, 1), held->Pixel(10, 1));
    EXPECT_EQ(held->Pixel(3, 3), kImageColor);
    EXPECT_EQ(held->Pixel(18, 18), held->Pixel(10, 18));
}

TEST_F(ToolButtonTest, SelectionColoursApplyOnlyToTheCustomStyle) {
    button->PointerEnters();
    // gcsMSOffice: the scheme's colours, whatever the Selection properties say.
    const TSelectionColors scheme = ToolButtonSelectionColors(gcsMSOffice);
    auto office = Render(*button);
    EXPECT_EQ(office->Pixel(0, 0), ui::ColorToRGB(scheme.Frame));
    EXPECT_NE(office->Pixel(0, 0), ui::ColorToRGB(9718842));

    button->SetGradientColorStyle(gcsCustom);
    auto custom = Render(*button);
    EXPECT_EQ(custom->Pixel(0, 0), ui::ColorToRGB(9718842));
    EXPECT_EQ(custom->Pixel(10, 18), ui::ColorToRGB(16710907));
    EXPECT_TRUE(Near(custom->Pixel(10, 1), ui::ColorToRGB(10839119), 12));
}

TEST_F(ToolButtonTest, ImageChoiceFollowsStateAndIndexes) {
    // Disabled without DisabledIndex: the image embossed in shadow, highlight one pixel down-right.
    button->SetEnabled(false);
    auto disabled = Render(*button);
    EXPECT_EQ(button->FaceState(), fstDisabled);
    EXPECT_EQ(disabled->Pixel(5, 5), ui::ColorToRGB(ui::clBtnShadow));
    EXPECT_EQ(disabled->Pixel(18, 18), ui::ColorToRGB(ui::clBtnHighlight));

    // Enabled again: the face comes back up at the next paint.
    button->SetEnabled(true);
    auto enabled = Render(*button);
    EXPECT_EQ(button->FaceState(), fstUp);
    EXPECT_EQ(enabled->Pixel(5, 5), kImageColor);

    // ImageIndex -1 shows no image at all, even with a hot image set.
    button->SetImageIndex(-1);
    button->SetHotIndex(1);
    button->PointerEnters();
    auto none = Render(*button);
    EXPECT_NE(none->Pixel(5, 5), kImageColor);
}

TEST_F(ToolButtonTest, ClassicLooksAndNoLeakedHandles) {
    const long handlesBefore = ui::GdiLiveHandleCount();
    // Classic, not flat, latched in a group: a lowered frame around a checkerboard of
    // button face and highlight (highlight where x + y is even).
    button->SetVisualStyle(vsClassic);
    button->SetFlat(false);
    button->SetImageIndex(-1);
    button->SetGroupIndex(1);
    button->SetDown(true);
    auto latched = Render(*button);
    EXPECT_EQ(latched->Pixel(0, 0), ui::ColorToRGB(ui::clBtnShadow));
    EXPECT_EQ(latched->Pixel(19, 19), ui::ColorToRGB(ui::clBtnHighlight));
    EXPECT_EQ(latched->Pixel(4, 4), ui::ColorToRGB(ui::clBtnHighlight));
    EXPECT_EQ(latched->Pixel(5, 4), ui::ColorToRGB(ui::clBtnFace));
    // Up and not flat: the raised button border, no dither.
    button->SetAllowAllUp(true);
    button->SetDown(false);
    auto up = Render(*button);
    EXPECT_EQ(up->Pixel(0, 0), ui::ColorToRGB(ui::clBtnHighlight));
    EXPECT_EQ(up->Pixel(19, 19), ui::ColorToRGB(ui::cl3DDkShadow));
    EXPECT_EQ(up->Pixel(4, 4), kBackground);
    // Flat classic at rest draws nothing; a drop-down adds its arrow (5, 3, 1 pixels wide).
    button->SetFlat(true);
    button->SetToolStyle(tsDropDown);
    auto arrow = Render(*button);
    const int ax = button->Width() - 8, ay = button->Height() / 2 + 2;
    EXPECT_EQ(arrow->Pixel(0, 0), kBackground);
    EXPECT_EQ(arrow->Pixel(ax, ay), ui::ColorToRGB(ui::clWindowText));
    EXPECT_EQ(arrow->Pixel(ax - 2, ay - 2), ui::ColorToRGB(ui::clWindowText));
    EXPECT_EQ(arrow->Pixel(ax - 1, ay), kBackground);
    latched.reset();
    up.reset();
    arrow.reset();
    EXPECT_EQ(ui::GdiLiveHandleCount(), handlesBefore);
}

TEST_F(ToolButtonTest, ClickNeedsPressAndReleaseInside) {
    // Press, drag out (face pops up), drag back in (pressed again), release: one click.
    Press(*button, 5, 5);
    EXPECT_TRUE(button->Tracking());
    Move(*button, 30, 5);
    EXPECT_EQ(button->FaceState(), fstUp);
    Move(*button, 19, 19);
    EXPECT_EQ(button->FaceState(), fstPressed);
    Release(*button, 19, 19);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->Tracking());
    EXPECT_EQ(button->FaceState(), fstUp);

    // Press, drag out, release outside: no click, the face is up.
    Press(*button, 5, 5);
    Move(*button, 20, 5);
    Release(*button, 20, 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->FaceState(), fstUp);

    // A double click is two presses: two clicks.
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    button->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    Release(*button, 5, 5);
    EXPECT_EQ(clicks, 3);

    // The right button and a disabled button never click.
    button->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    button->Perform(WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    button->SetEnabled(false);
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    EXPECT_EQ(clicks, 3);
}

TEST_F(ToolButtonTest, GroupLatchesOneButton) {
    auto* second = new TProbeButton(&form);
    second->SetParent(&form);
    second->SetBounds(40, 10, 20, 20);
    int secondClicks = 0;
    second->OnClick = [&](ui::TObject*) { ++secondClicks; };

    // Without a group Down cannot be set.
    button->SetDown(true);
    EXPECT_FALSE(button->Down());

    button->SetGroupIndex(1);
    second->SetGroupIndex(1);
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(button->FaceState(), fstLatched);
    Press(*second, 5, 5);
    Release(*second, 5, 5);
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(button->FaceState(), fstUp);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(secondClicks, 1);

    // AllowAllUp False: the latched button stays down and does not click.
    Press(*second, 5, 5);
    Release(*second, 5, 5);
    EXPECT_TRUE(second->Down());
    EXPECT_EQ(second->FaceState(), fstLatched);
    EXPECT_EQ(secondClicks, 1);

    // AllowAllUp is shared by the group: set on one, the other raises itself with a click.
    button->SetAllowAllUp(true);
    EXPECT_TRUE(second->AllowAllUp());
    Press(*second, 5, 5);
    Release(*second, 5, 5);
    EXPECT_FALSE(second->Down());
    EXPECT_EQ(secondClicks, 2);
}

TEST_F(ToolButtonTest, GrowsToItsImages) {
    auto* plain = new TWkToolButton(&form);
    EXPECT_EQ(plain->Width(), 25);
    plain->SetImages(images); // 16 x 16: the button keeps its size
    EXPECT_EQ(plain->Width(), 25);
    EXPECT_EQ(plain->Height(), 25);
    auto* big = new ui::TImageList(&form);
    FillImages(*big, 32, 1);
    plain->SetImages(big);
    EXPECT_EQ(plain->Width(), 32);
    EXPECT_EQ(plain->Height(), 32);
    // Destroying the list clears the reference.
    delete big;
    EXPECT_EQ(plain->Images(), nullptr);
}

TEST_F(ToolButtonTest, DropDownMenuOpensOncePerPress) {
    auto* menu = new ui::TPopupMenu(&form);
    int opened = 0;
    menu->SetTracker([&](HMENU, int, int, HWND) -> UINT {
        ++opened;
        return 0;
    });
    button->SetToolStyle(tsDropDown);
    EXPECT_EQ(button->Width(), 20 + kToolButtonArrowWidth);
    button->SetDropDownMenu(menu);
    std::vector<ui::TObject*> dropDownSenders;
    button->OnDropDown = [&](ui::TObject* sender) { dropDownSenders.push_back(sender); };
    button->OnClick = nullptr; // not split: the whole button opens the menu

    // An empty menu ignores presses.
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(dropDownSenders.empty());

    auto* item = new ui::TMenuItem(&form);
    item->SetCaption(L"Item");
    menu->Items().Add(item);
    Press(*button, 5, 5);
    EXPECT_EQ(opened, 1);
    ASSERT_EQ(dropDownSenders.size(), 1u);
    EXPECT_EQ(dropDownSenders[0], menu);
    EXPECT_EQ(button->FaceState(), fstUp);
    Release(*button, 5, 5);
    // The press that closed the menu (within 100 ms) does not open it again ...
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    EXPECT_EQ(opened, 1);
    // ... a later one does.
    Sleep(120);
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    EXPECT_EQ(opened, 2);

    // Destroying the menu clears the reference.
    delete menu;
    EXPECT_EQ(button->DropDownMenu(), nullptr);
}

TEST(ToolButtonLayout, StoredAndLegacyNamesAreRead) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkToolButtonClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"ToolButton.layout", R"(object Form: TForm
  object ImageList1: TImageList
    Width = 16
    Height = 16
  end
  object BtnFit: TWkToolButton
    Left = 623
    Top = 55
    Width = 20
    Height = 20
    Hint = '最合适'
    Images = ImageList1
    ImageIndex = 3
    VisualStyle = vsGradient
    GradientColorStyle = gcsMSOffice
    SelectionColorStart = 10839119
    SelectionColorStop = 16710907
    SelectionFrameColor = 9718842
    UseToolbarButtonSize = False
    UseToolbarVisualStyle = False
  end
  object Old: TWkToolButton
    ThemeAware = True
    GradientColorDefault = False
    GradientColorStart = clBtnFace
    FrameColor = 255
    UseGradients = True
  end
end
)",
                        registry);
    auto* fit = dynamic_cast<TWkToolButton*>(form.FindComponent(L"BtnFit"));
    ASSERT_NE(fit, nullptr);
    EXPECT_EQ(fit->Images(), form.FindComponent(L"ImageList1"));
    EXPECT_EQ(fit->ImageIndex(), 3);
    EXPECT_EQ(fit->VisualStyle(), vsGradient);
    EXPECT_EQ(fit->GradientColorStyle(), gcsMSOffice);
    EXPECT_EQ(fit->SelectionFrameColor(), 9718842u);
    EXPECT_EQ(fit->Width(), 20);
    EXPECT_EQ(fit->Hint(), L"最合适");
    auto* old = dynamic_cast<TWkToolButton*>(form.FindComponent(L"Old"));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->SelectionColorStart(), ui::clBtnFace);
    EXPECT_EQ(old->SelectionFrameColor(), 255u);
    EXPECT_EQ(old->VisualStyle(), vsGradient);
}

} // namespace
