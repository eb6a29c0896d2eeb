// Tool button: the main window's gradient look (idle, hot, held, latched), where its colours
// come from, the disabled image, the press/drag/release rules and their order, latching
// groups, growing with the image list, the drop-down menu and its arrow, handlers that
// destroy the button, and the names layouts store.
#include "widgets/WkToolButton.h"
#include "freed_object.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkColors.h"
#include "widgets/WkKit.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
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
    void PointerLeaves() { MouseLeave(); }
};

// `count` solid images of size x size; the top-left pixel of each is transparent (magenta).
void FillImages(ui::TImageList& list, int size, int count, COLORREF color = kImageColor) {
    list.SetWidth(size);
    list.SetHeight(size);
    ui::DibSurface strip(size * count, size);
    strip.Fill(color);
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
    EXPECT_PRED3(Near, hot->Pixel(10, 1), ui::ColorToRGB(scheme.Start), 3);
    EXPECT_EQ(hot->Pixel(3, 3), kImageColor);

    // Held: the gradient turns upside down; the image stays where it was.
    Press(*button, 5, 5);
    EXPECT_EQ(button->FaceState(), fstPressed);
    auto held = Render(*button);
    EXPECT_EQ(held->Pixel(0, 0), ui::ColorToRGB(scheme.Frame));
    EXPECT_EQ(held->Pixel(10, 18), ui::ColorToRGB(scheme.Start));
    EXPECT_PRED3(Near, held->Pixel(10, 1), ui::ColorToRGB(scheme.Stop), 3);
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
    EXPECT_PRED3(Near, custom->Pixel(10, 1), ui::ColorToRGB(10839119), 12);
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

    // A light glyph is embossed too, not lost: every opaque pixel takes the shadow colour.
    auto* light = new ui::TImageList(&form);
    FillImages(*light, 16, 5, RGB(240, 240, 240));
    button->SetImages(light);
    button->SetEnabled(false);
    auto lightDisabled = Render(*button);
    EXPECT_EQ(lightDisabled->Pixel(5, 5), ui::ColorToRGB(ui::clBtnShadow));
    EXPECT_EQ(lightDisabled->Pixel(18, 18), ui::ColorToRGB(ui::clBtnHighlight));
    button->SetEnabled(true);

    // ImageIndex -1 shows no image at all, even with a hot image set.
    button->SetImageIndex(-1);
    button->SetHotIndex(1);
    button->PointerEnters();
    auto none = Render(*button);
    EXPECT_NE(none->Pixel(5, 5), kImageColor);
}

TEST_F(ToolButtonTest, ClassicLooksAndNoLeakedHandles) {
    // Classic, not flat, latched in a group: a lowered frame around a checkerboard of
    // button face and highlight (highlight where x + y is even).
    button->SetVisualStyle(vsClassic);
    button->SetFlat(false);
    button->SetImageIndex(-1);
    button->SetGroupIndex(1);
    button->SetDown(true);
    Render(*button); // builds the dither bitmap the process keeps for this colour pair
    const long handlesBefore = ui::GdiLiveHandleCount();
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

TEST_F(ToolButtonTest, LatchedDitherIsBuiltOncePerColourPair) {
    button->SetImageIndex(-1);
    button->SetVisualStyle(vsClassic);
    button->SetFlat(false);
    button->SetGroupIndex(1);
    button->SetDown(true);
    Render(*button);
    const long kept = ui::GdiLiveHandleCount();
    Render(*button);
    EXPECT_EQ(ui::GdiLiveHandleCount(), kept);
    // An opaque button in a colour of its own dithers Color with a lighter shade of it:
    // one more bitmap, kept as well.
    button->SetTransparent(false);
    button->SetColor(RGB(1, 77, 3));
    auto opaque = Render(*button);
    EXPECT_EQ(opaque->Pixel(5, 4), RGB(1, 77, 3));
    EXPECT_EQ(opaque->Pixel(4, 4), ui::ColorToRGB(LightenColor(RGB(1, 77, 3), 20)));
    opaque.reset();
    EXPECT_EQ(ui::GdiLiveHandleCount(), kept + 1);
    Render(*button);
    EXPECT_EQ(ui::GdiLiveHandleCount(), kept + 1);
}

TEST_F(ToolButtonTest, LatchedGradientLook) {
    auto* second = new TProbeButton(&form);
    second->SetParent(&form);
    second->SetGroupIndex(1);
    button->SetGroupIndex(1);
    button->SetAllowAllUp(true);
    button->SetImageIndex(-1);
    const TSelectionColors scheme = ToolButtonSelectionColors(gcsMSOffice);

    // Latched with the pointer away: from the darkened stop colour at the top to the start
    // colour at the bottom.
    button->SetDown(true);
    auto away = Render(*button);
    EXPECT_EQ(away->Pixel(0, 0), ui::ColorToRGB(scheme.Frame));
    EXPECT_PRED3(Near, away->Pixel(10, 1), ui::ColorToRGB(DarkenColor(scheme.Stop, 40)), 8);
    EXPECT_EQ(away->Pixel(10, 18), ui::ColorToRGB(scheme.Start));

    // Pointer over it while down: stop at the top, start at the bottom.
    button->PointerEnters();
    auto over = Render(*button);
    EXPECT_PRED3(Near, over->Pixel(10, 1), ui::ColorToRGB(scheme.Stop), 3);
    EXPECT_EQ(over->Pixel(10, 18), ui::ColorToRGB(scheme.Start));
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

    // Released outside without a move in between: the release point decides, no click.
    Press(*button, 5, 5);
    Release(*button, 50, 5);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(button->FaceState(), fstUp);
    // Dragged out, released back inside with no move there: a click.
    Press(*button, 5, 5);
    Move(*button, 50, 5);
    Release(*button, 10, 10);
    EXPECT_EQ(clicks, 4);

    // The right button and a disabled button never click.
    button->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    button->Perform(WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    button->SetEnabled(false);
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    EXPECT_EQ(clicks, 4);
}

TEST_F(ToolButtonTest, OnMouseUpFiresBeforeTheClick) {
    std::vector<std::wstring> log;
    button->OnMouseUp = [&](ui::TObject*, ui::TMouseButton, ui::TShiftState, int x, int y) {
        log.push_back(L"up " + std::to_wstring(x) + L"," + std::to_wstring(y));
    };
    button->OnClick = [&](ui::TObject*) { log.push_back(L"click"); };
    Press(*button, 5, 5);
    Release(*button, 6, 7);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"up 6,7", L"click"}));
}

TEST_F(ToolButtonTest, GroupMessageFromOutsideIsIgnored) {
    // The number the group notification once travelled under, with a pointer in LParam: a
    // message with that number and junk in LParam must change nothing.
    button->SetGroupIndex(1);
    button->SetDown(true);
    button->Perform(0xB018, 1, 0x10);
    button->Perform(0xB018, 0, 0x10);
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(button->FaceState(), fstLatched);
}

TEST_F(ToolButtonTest, HandlersMayDestroyTheButton) {
    // OnClick deletes the button.
    auto* doomed = new freed::Kept<TWkToolButton>(&form);
    doomed->SetParent(&form);
    doomed->SetBounds(40, 10, 20, 20);
    doomed->OnClick = [victim = static_cast<ui::TControl*>(doomed)](ui::TObject*) { delete victim; };
    Press(*doomed, 5, 5);
    Release(*doomed, 5, 5);
    EXPECT_EQ(std::count(form.Controls().begin(), form.Controls().end(), doomed), 0);
    EXPECT_FALSE(freed::TouchedAfterDelete());

    // A grouped one, raised by the click that deletes it.
    auto* grouped = new freed::Kept<TWkToolButton>(&form);
    grouped->SetParent(&form);
    grouped->SetGroupIndex(2);
    grouped->OnClick = [victim = static_cast<ui::TControl*>(grouped)](ui::TObject*) { delete victim; };
    Press(*grouped, 5, 5);
    Release(*grouped, 5, 5);
    EXPECT_FALSE(freed::TouchedAfterDelete());

    // The command chosen from its drop-down menu deletes it.
    auto* menuButton = new freed::Kept<TWkToolButton>(&form);
    menuButton->SetParent(&form);
    menuButton->SetToolStyle(tsDropDown);
    auto* menu = new ui::TPopupMenu(&form);
    auto* item = new ui::TMenuItem(&form);
    item->SetCaption(L"Remove");
    item->OnClick = [victim = static_cast<ui::TControl*>(menuButton)](ui::TObject*) { delete victim; };
    menu->Items().Add(item);
    menu->SetTracker([](HMENU, int, int, HWND) -> UINT { return 1; });
    menuButton->SetDropDownMenu(menu);
    Press(*menuButton, 5, 5);
    EXPECT_EQ(std::count(form.Controls().begin(), form.Controls().end(), menuButton), 0);
    EXPECT_FALSE(freed::TouchedAfterDelete());
    freed::ReleaseDeleted();
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

TEST_F(ToolButtonTest, FollowsChangesOfItsImageList) {
    form.Show();
    UpdateWindow(form.Handle());
    // New images: the button is repainted.
    FillImages(*images, 16, 1);
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(form.Handle(), &dirty, FALSE));
    EXPECT_EQ(ui::Rect(dirty).Intersected(button->BoundsRect()), button->BoundsRect());
    // Larger images: the button grows to them.
    images->SetWidth(32);
    EXPECT_EQ(button->Width(), 32);
    images->SetHeight(24);
    EXPECT_EQ(button->Height(), 24);
    // A list the button no longer uses is not followed.
    auto* other = new ui::TImageList(&form);
    button->SetImages(other);
    images->SetWidth(48);
    EXPECT_EQ(button->Width(), 32);
    form.Hide();
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

TEST_F(ToolButtonTest, MenuPressHandlesItsReleaseAtOnce) {
    auto* menu = new ui::TPopupMenu(&form);
    auto* item = new ui::TMenuItem(&form);
    item->SetCaption(L"Item");
    menu->Items().Add(item);
    std::vector<std::wstring> log;
    menu->SetTracker([&](HMENU, int, int, HWND) -> UINT {
        log.push_back(L"menu");
        return 0;
    });
    button->SetToolStyle(tsDropDown);
    button->SetDropDownMenu(menu);
    button->OnMouseUp = [&](ui::TObject*, ui::TMouseButton b, ui::TShiftState shift, int x, int y) {
        log.push_back(L"up " + std::to_wstring(x) + L"," + std::to_wstring(y) + (b == ui::mbLeft ? L" left" : L"") +
                      ((shift & ui::ssLeft) ? L" held" : L""));
    };
    // The pointer stays over the button, as it does when the menu is closed by a choice.
    form.Show();
    const ui::Point screen = button->ClientToScreen({30, 5});
    SetCursorPos(screen.x, screen.y);
    // The arrow of a split button: the menu, then the release with the press's arguments,
    // all inside the press; the body's click stays disarmed until the next press.
    Press(*button, 30, 5);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"menu", L"up 30,5 left held"}));
    EXPECT_EQ(button->FaceState(), fstUp);
    EXPECT_FALSE(button->ClickArmed());
    EXPECT_FALSE(button->MenuShowing());
    EXPECT_EQ(clicks, 0);
    // The next press on the body only re-arms it.
    Press(*button, 5, 5);
    Release(*button, 5, 5);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(button->ClickArmed());
    form.Hide();
}

TEST_F(ToolButtonTest, DropDownArrowPart) {
    const TSelectionColors scheme = ToolButtonSelectionColors(gcsMSOffice);
    button->SetToolStyle(tsDropDown); // 34 x 20; OnClick makes it a split button
    button->SetImageIndex(-1);
    const int w = button->Width(), h = button->Height();
    const int ax = w - 8, ay = h / 2 + 2;

    // Hot: the face frame, a separator in the frame colour left of the strip, the arrow.
    button->PointerEnters();
    auto hot = Render(*button);
    EXPECT_EQ(hot->Pixel(w - kToolButtonArrowWidth - 1, 10), ui::ColorToRGB(scheme.Frame));
    EXPECT_EQ(hot->Pixel(ax, ay), ui::ColorToRGB(ui::clWindowText));
    EXPECT_EQ(hot->Pixel(ax + 2, ay - 2), ui::ColorToRGB(ui::clWindowText));
    EXPECT_NE(hot->Pixel(ax + 1, ay), ui::ColorToRGB(ui::clWindowText));
    EXPECT_NE(hot->Pixel(ax, ay + 1), ui::ColorToRGB(ui::clWindowText));

    // At rest and not hot: only the arrow.
    button->PointerLeaves();
    auto idle = Render(*button);
    EXPECT_EQ(idle->Pixel(w - kToolButtonArrowWidth - 1, 10), kBackground);
    EXPECT_EQ(idle->Pixel(ax, ay), ui::ColorToRGB(ui::clWindowText));

    // While its menu is open: a 15-pixel strip framed and filled upside down in the scheme's
    // colours, never the button's own Selection colours; the body stays as it was.
    button->SetGradientColorStyle(gcsCustom);
    const TSelectionColors custom = ToolButtonSelectionColors(gcsCustom);
    auto* menu = new ui::TPopupMenu(&form);
    auto* item = new ui::TMenuItem(&form);
    item->SetCaption(L"Item");
    menu->Items().Add(item);
    std::unique_ptr<ui::DibSurface> open;
    menu->SetTracker([&](HMENU, int, int, HWND) -> UINT {
        open = Render(*button);
        return 0;
    });
    button->SetDropDownMenu(menu);
    Press(*button, w - 3, 5);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->Pixel(w - 15, 0), ui::ColorToRGB(custom.Frame));
    EXPECT_EQ(open->Pixel(w - 1, h - 1), ui::ColorToRGB(custom.Frame));
    EXPECT_NE(open->Pixel(w - 15, 0), ui::ColorToRGB(9718842));
    EXPECT_EQ(open->Pixel(w - 3, h - 2), ui::ColorToRGB(custom.Start));
    EXPECT_PRED3(Near, open->Pixel(w - 3, 1), ui::ColorToRGB(custom.Stop), 3);
    EXPECT_EQ(open->Pixel(w - 16, 5), kBackground);
    EXPECT_EQ(open->Pixel(ax, ay), ui::ColorToRGB(ui::clWindowText));

    // Disabled: the arrow in the shadow colour.
    button->SetEnabled(false);
    auto disabled = Render(*button);
    EXPECT_EQ(disabled->Pixel(ax, ay), ui::ColorToRGB(ui::clBtnShadow));
}

// The main window's button settings are checked against the real layout in the program's
// tests; here, the names older layouts carry and what they turn into.
TEST(ToolButtonLayout, LegacyNamesMapToTheirSuccessors) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkToolButtonClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"ToolButton.layout", R"(object Form: TForm
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
    auto* old = dynamic_cast<TWkToolButton*>(form.FindComponent(L"Old"));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->SelectionColorStart(), ui::clBtnFace);
    EXPECT_EQ(old->SelectionFrameColor(), 255u);
    EXPECT_EQ(old->VisualStyle(), vsGradient);
}

} // namespace
