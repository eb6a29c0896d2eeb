// Push button: a click's modal result closing a modal dialog, the press/drag/release rules
// and their order, which button Enter, Escape, Space and the accelerator click, grouped
// buttons, handlers that destroy the button, the hot-tracking and classic looks and the
// caption's text styles.
// Windows are real (run under Xvfb).
#include "widgets/WkButton.h"
#include "freed_object.h"
#include "pixel_box.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Layout.h"
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

// A focusable control that is not a button (stands in for the dialogs' memo).
class TFocusBox : public ui::TCustomControl {
public:
    explicit TFocusBox(ui::TComponent* owner) : ui::TCustomControl(owner) { SetTabStop(true); }
};

// Makes the pointer-entry and exit handlers reachable: the window's mouse tracking calls them.
class TProbeButton : public TWkButton {
public:
    using TWkButton::TWkButton;
    void PointerEnters() { MouseEnter(); }
    void PointerLeaves() { MouseLeave(); }
};

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::unique_ptr<ui::DibSurface> Render(ui::TControl& c) {
    auto dib = std::make_unique<ui::DibSurface>(c.Width(), c.Height());
    dib->Fill(RGB(1, 2, 3));
    c.PaintTo(dib->Dc(), ui::Rect{0, 0, c.Width(), c.Height()});
    return dib;
}

void Press(ui::TControl& c, int x, int y) { c.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
void Move(ui::TControl& c, int x, int y) { c.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y)); }
void Release(ui::TControl& c, int x, int y) { c.Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKitSettings(true, xcsNormal);
        form = std::make_unique<ui::TForm>();
        form->SetBounds(100, 100, 400, 200);
        box = new TFocusBox(form.get());
        box->SetParent(form.get());
        box->SetBounds(10, 10, 100, 50);
    }

    // The dialogs' OK button.
    TWkButton* AddButton(const std::wstring& caption, int left, std::vector<std::wstring>& log) {
        auto* b = new TWkButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(left, 120, 75, 23);
        b->SetCaption(caption);
        b->OnClick = [&log, caption](ui::TObject*) { log.push_back(caption); };
        return b;
    }

    TProbeButton* AddProbe(int left) {
        auto* b = new TProbeButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(left, 120, 75, 23);
        return b;
    }

    std::unique_ptr<ui::TForm> form;
    TFocusBox* box = nullptr;
};

TEST_F(ButtonTest, ClickStoresModalResultAndEndsTheModalLoop) {
    std::vector<std::wstring> log;
    TWkButton* ok = AddButton(L"确定(&O)", 200, log);
    ok->SetDefault(true);
    ok->SetHotTrack(true);
    ok->SetModalResult(ui::mrOk);
    ui::Application().QueueCall([&] {
        Press(*ok, 10, 10);
        Release(*ok, 10, 10);
    });
    EXPECT_EQ(form->ShowModal(), ui::mrOk);
    EXPECT_EQ(log, std::vector<std::wstring>{L"确定(&O)"});

    // ModalResult 0: the click only fires OnClick; the dialog stays until closed.
    ok->SetModalResult(ui::mrNone);
    log.clear();
    ui::Application().QueueCall([&] {
        Press(*ok, 10, 10);
        Release(*ok, 10, 10);
        log.push_back(form->ModalResult() == ui::mrNone ? L"still open" : L"closing");
        form->Close();
    });
    EXPECT_EQ(form->ShowModal(), ui::mrCancel);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"确定(&O)", L"still open"}));
}

TEST_F(ButtonTest, ClickNeedsPressAndReleaseInside) {
    std::vector<std::wstring> log;
    TWkButton* ok = AddButton(L"OK", 200, log);
    form->Show();
    Press(*ok, 10, 10);
    EXPECT_TRUE(ok->Focused());
    EXPECT_TRUE(ok->PressedLook());
    Move(*ok, 80, 10); // out: the face pops up
    EXPECT_FALSE(ok->PressedLook());
    Release(*ok, 80, 10);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(ok->Tracking());

    Press(*ok, 10, 10);
    Move(*ok, 80, 10);
    Move(*ok, 74, 22); // back in: pressed again
    EXPECT_TRUE(ok->PressedLook());
    Release(*ok, 74, 22);
    EXPECT_EQ(log.size(), 1u);
    EXPECT_FALSE(ok->PressedLook());
    form->Hide();
}

TEST_F(ButtonTest, OnMouseUpComesFirstAndTheReleasePointDecides) {
    std::vector<std::wstring> log;
    TWkButton* ok = AddButton(L"OK", 200, log);
    ok->OnMouseUp = [&](ui::TObject*, ui::TMouseButton, ui::TShiftState, int x, int y) {
        log.push_back(L"up " + std::to_wstring(x) + L"," + std::to_wstring(y));
    };
    form->Show();
    Press(*ok, 5, 5);
    Release(*ok, 6, 7);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"up 6,7", L"OK"}));

    // Released outside with no move in between: no click.
    log.clear();
    Press(*ok, 5, 5);
    Release(*ok, 80, 5);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"up 80,5"}));
    EXPECT_FALSE(ok->PressedLook());

    // Dragged out, released inside with no move there: a click.
    log.clear();
    Press(*ok, 5, 5);
    Move(*ok, 80, 5);
    Release(*ok, 10, 10);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"up 10,10", L"OK"}));
    form->Hide();
}

TEST_F(ButtonTest, HandlersMayDestroyTheButton) {
    form->Show();
    auto make = [&] {
        auto* b = new freed::Kept<TWkButton>(form.get());
        b->SetParent(form.get());
        b->SetBounds(200, 120, 75, 23);
        b->OnClick = [b](ui::TObject*) { delete b; };
        return b;
    };
    auto gone = [&](TWkButton* b) {
        return std::count(form->Controls().begin(), form->Controls().end(), b) == 0;
    };
    // By mouse.
    TWkButton* b = make();
    Press(*b, 5, 5);
    Release(*b, 5, 5);
    EXPECT_TRUE(gone(b));
    EXPECT_FALSE(freed::TouchedAfterDelete());
    // By mouse, grouped: Down toggles before the click.
    b = make();
    b->SetGroupIndex(3);
    Press(*b, 5, 5);
    Release(*b, 5, 5);
    EXPECT_TRUE(gone(b));
    EXPECT_FALSE(freed::TouchedAfterDelete());
    // By Space.
    b = make();
    b->SetFocus();
    b->Perform(WM_KEYDOWN, VK_SPACE, 0);
    b->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_TRUE(gone(b));
    EXPECT_FALSE(freed::TouchedAfterDelete());
    // By Enter, as the default button.
    b = make();
    b->SetDefault(true);
    box->SetFocus();
    EXPECT_TRUE(form->DialogKey(VK_RETURN, 0));
    EXPECT_TRUE(gone(b));
    EXPECT_FALSE(freed::TouchedAfterDelete());
    form->Hide();
    freed::ReleaseDeleted();
}

TEST_F(ButtonTest, GroupMessageFromOutsideIsIgnored) {
    std::vector<std::wstring> log;
    TWkButton* a = AddButton(L"A", 100, log);
    TWkButton* b = AddButton(L"B", 200, log);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    a->SetDown(true);
    form->Show();
    // Any process may send this number to the window with anything in LParam; it once
    // carried the sending button's address.
    SendMessageW(a->Handle(), 0x2421, 1, 0x10);
    SendMessageW(a->Handle(), 0x2421, 0, 0x10);
    EXPECT_TRUE(a->Down());
    // The group itself still works.
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    form->Hide();
}

TEST_F(ButtonTest, EnterEscapeAndAcceleratorPickTheRightButton) {
    std::vector<std::wstring> log;
    TWkButton* ok = AddButton(L"确定(&O)", 200, log);
    TWkButton* other = AddButton(L"Other", 100, log);
    TWkButton* cancel = AddButton(L"Cancel", 300, log);
    ok->SetDefault(true);
    cancel->SetCancel(true);
    form->Show();

    // Focus on a control that is not a button: Enter clicks the default button.
    box->SetFocus();
    EXPECT_TRUE(ok->ActsAsDefault());
    EXPECT_TRUE(form->DialogKey(VK_RETURN, 0));
    // With Ctrl (or Shift, Alt) held Enter clicks nothing.
    EXPECT_FALSE(form->DialogKey(VK_RETURN, ui::ssCtrl));
    // Another push button has the focus: Enter clicks that one.
    other->SetFocus();
    EXPECT_FALSE(ok->ActsAsDefault());
    EXPECT_TRUE(other->ActsAsDefault());
    form->DialogKey(VK_RETURN, 0);
    // Focus back on the box: the default button takes Enter again.
    box->SetFocus();
    form->DialogKey(VK_RETURN, 0);
    // Escape clicks the cancel button; Alt+O (either case) clicks "确定(&O)".
    form->DialogKey(VK_ESCAPE, 0);
    EXPECT_TRUE(form->DialogChar(L'o'));
    form->DialogChar(L'O');
    EXPECT_FALSE(form->DialogChar(L'x'));
    EXPECT_EQ(log, (std::vector<std::wstring>{L"确定(&O)", L"Other", L"确定(&O)", L"Cancel", L"确定(&O)",
                                              L"确定(&O)"}));
    form->Hide();
}

TEST_F(ButtonTest, SpaceAndGroupsToggleOnlyOnPresses) {
    std::vector<std::wstring> log;
    TWkButton* a = AddButton(L"&A", 100, log);
    TWkButton* b = AddButton(L"B", 200, log);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    form->Show();

    // Space held shows the button pressed; its release clicks and latches it.
    a->SetFocus();
    a->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(a->PressedLook());
    EXPECT_TRUE(log.empty());
    a->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(a->PressedLook());
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(log.size(), 1u);

    // A mouse click on the other button latches it and raises the first.
    Press(*b, 5, 5);
    Release(*b, 5, 5);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());

    // Enter and the accelerator click without toggling.
    b->SetFocus();
    form->DialogKey(VK_RETURN, 0);
    form->DialogChar(L'a');
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(log, (std::vector<std::wstring>{L"&A", L"B", L"B", L"&A"}));
    form->Hide();
}

TEST_F(ButtonTest, HotTrackLook) {
    std::vector<std::wstring> log;
    TWkButton* ok = AddButton(L"", 200, log);
    ok->SetHotTrack(true);
    const COLORREF face = ui::ColorToRGB(ui::clBtnFace);
    const COLORREF w1 = ui::ColorToRGB(DarkenColor(ui::clBtnFace, 20));
    const COLORREF w2 = ui::ColorToRGB(LightenColor(ui::clBtnFace, 20));
    auto render = [&] {
        auto dib = std::make_unique<ui::DibSurface>(75, 23);
        dib->Fill(RGB(1, 2, 3));
        ok->PaintTo(dib->Dc(), ui::Rect{0, 0, 75, 23});
        return dib;
    };
    auto up = render();
    // The soft well: lines with cut corners, darker left/top, lighter right/bottom.
    EXPECT_EQ(up->Pixel(0, 2), w1);
    EXPECT_EQ(up->Pixel(0, 20), w1);
    EXPECT_EQ(up->Pixel(2, 0), w1);
    EXPECT_EQ(up->Pixel(72, 0), w1);
    EXPECT_EQ(up->Pixel(74, 2), w2);
    EXPECT_EQ(up->Pixel(2, 22), w2);
    EXPECT_EQ(up->Pixel(1, 1), w1);
    EXPECT_EQ(up->Pixel(73, 21), w2);
    EXPECT_NE(up->Pixel(0, 0), w1);
    // The frame one pixel inside, corners left out.
    const COLORREF frame = ui::ColorToRGB(ui::cl3DDkShadow);
    EXPECT_EQ(up->Pixel(1, 2), frame);
    EXPECT_EQ(up->Pixel(10, 1), frame);
    EXPECT_EQ(up->Pixel(73, 10), frame);
    EXPECT_EQ(up->Pixel(10, 21), frame);
    // The standard face: two dark rows at the bottom, a gradient above them.
    EXPECT_EQ(up->Pixel(10, 19), ui::ColorToRGB(DarkenColor(ui::clBtnFace, 20)));
    EXPECT_EQ(up->Pixel(10, 20), ui::ColorToRGB(DarkenColor(ui::clBtnFace, 30)));
    EXPECT_EQ(up->Pixel(10, 18), ui::ColorToRGB(DarkenColor(ui::clBtnFace, 10)));

    // Disabled: no well, a pale frame, a flat face.
    ok->SetEnabled(false);
    auto disabled = render();
    EXPECT_EQ(disabled->Pixel(0, 10), face);
    EXPECT_EQ(disabled->Pixel(1, 10), ui::ColorToRGB(LightenColor(ui::clBtnShadow, 30)));
    EXPECT_EQ(disabled->Pixel(10, 19), face);

    // Without full colour the face is flat.
    ok->SetEnabled(true);
    SetKitSettings(false, xcsNormal);
    auto flat = render();
    EXPECT_EQ(flat->Pixel(10, 5), face);
    SetKitSettings(true, xcsNormal);
}

TEST_F(ButtonTest, HotTrackHoverAndFocusRings) {
    TProbeButton* b = AddProbe(200);
    b->SetHotTrack(true);
    form->Show();
    box->SetFocus();
    // The faces inside the frame are (2, 2)-(73, 21); the rings fill their two outer pixels.
    auto plain = Render(*b);

    // Pointer over it: the hover ring from a whitened HotTrackColor down to HotTrackColor.
    b->PointerEnters();
    auto hover = Render(*b);
    const COLORREF hoverTop = ui::ColorToRGB(MixColors(ui::clWhite, b->HotTrackColor(), 190));
    EXPECT_EQ(hover->Pixel(10, 20), ui::ColorToRGB(b->HotTrackColor()));
    EXPECT_PRED3(Near, hover->Pixel(10, 2), hoverTop, 12);
    // Both pixels of the band, the same colour on each row.
    EXPECT_NE(hover->Pixel(2, 10), plain->Pixel(2, 10));
    EXPECT_EQ(hover->Pixel(3, 10), hover->Pixel(2, 10));
    EXPECT_EQ(hover->Pixel(72, 10), hover->Pixel(2, 10));
    EXPECT_EQ(hover->Pixel(10, 10), plain->Pixel(10, 10)); // the face inside the ring is unchanged
    // The complementary hue instead.
    b->SetHotTrackColorType(htctComplement);
    auto complement = Render(*b);
    const TColor q = OppositeHueColor(b->HotTrackColor(), 180);
    EXPECT_EQ(complement->Pixel(10, 20), ui::ColorToRGB(DarkenColor(q, 30)));
    b->PointerLeaves();

    // Focused, pointer away: the focus ring, then the dotted focus frame 3 pixels in.
    b->SetFocus();
    ASSERT_TRUE(b->Focused());
    auto focused = Render(*b);
    TColor h = b->HighlightColor();
    if (ColorsAreSimilar(h, ui::clBtnFace)) h = DarkenColor(h, 30);
    const TColor light = LightenColor(ui::clBtnFace, 30);
    EXPECT_EQ(focused->Pixel(10, 20), ui::ColorToRGB(MixColors(h, light, 160)));
    EXPECT_EQ(focused->Pixel(4, 3), RGB(0, 0, 0));
    EXPECT_EQ(focused->Pixel(3, 4), RGB(0, 0, 0));
    EXPECT_NE(focused->Pixel(5, 3), RGB(0, 0, 0));
    // Without ShowFocusRect only the ring shows.
    b->SetShowFocusRect(false);
    auto noDots = Render(*b);
    EXPECT_NE(noDots->Pixel(4, 3), RGB(0, 0, 0));
    EXPECT_EQ(noDots->Pixel(10, 20), focused->Pixel(10, 20));
    form->Hide();
}

TEST_F(ButtonTest, ClassicLookMarksTheDefaultAndShowsPresses) {
    TProbeButton* b = AddProbe(200);
    b->SetThemeAware(false); // the desktop theme must not decide the look
    form->Show();
    box->SetFocus();
    auto rgb = [](TColor c) { return ui::ColorToRGB(c); };

    // A plain button: the raised two-ring border.
    auto plain = Render(*b);
    EXPECT_EQ(plain->Pixel(0, 0), rgb(ui::clBtnHighlight));
    EXPECT_EQ(plain->Pixel(74, 22), rgb(ui::cl3DDkShadow));
    EXPECT_EQ(plain->Pixel(1, 1), rgb(ui::cl3DLight));
    EXPECT_EQ(plain->Pixel(73, 21), rgb(ui::clBtnShadow));

    // The active default button: a window-frame line around it, the border inside.
    b->SetDefault(true);
    EXPECT_TRUE(b->ActsAsDefault());
    auto defaulted = Render(*b);
    EXPECT_EQ(defaulted->Pixel(0, 0), rgb(ui::clWindowFrame));
    EXPECT_EQ(defaulted->Pixel(74, 22), rgb(ui::clWindowFrame));
    EXPECT_EQ(defaulted->Pixel(1, 1), rgb(ui::clBtnHighlight));

    // Held down: no default line, the pressed border; the dotted focus frame 4 pixels in.
    Press(*b, 5, 5);
    auto held = Render(*b);
    EXPECT_EQ(held->Pixel(0, 0), rgb(ui::clBtnText));
    EXPECT_EQ(held->Pixel(1, 1), rgb(ui::clBtnShadow));
    EXPECT_EQ(held->Pixel(5, 4), RGB(0, 0, 0));
    EXPECT_EQ(held->Pixel(4, 5), RGB(0, 0, 0));
    Release(*b, 80, 5);

    // Latched in a group: the lowered frame and the down pattern, a grey dot wherever x and
    // y have the same parity.
    b->SetDefault(false);
    b->SetGroupIndex(1);
    b->SetDown(true);
    box->SetFocus();
    auto latched = Render(*b);
    const COLORREF face = rgb(ui::clBtnFace);
    const COLORREF dot = face == RGB(192, 192, 192) ? RGB(128, 128, 128) : RGB(192, 192, 192);
    EXPECT_EQ(latched->Pixel(0, 0), rgb(ui::clBtnShadow));
    EXPECT_EQ(latched->Pixel(4, 4), dot);
    EXPECT_EQ(latched->Pixel(5, 4), face);
    EXPECT_EQ(latched->Pixel(9, 7), dot);
    b->SetShowDownPattern(false);
    auto plainLatched = Render(*b);
    EXPECT_EQ(plainLatched->Pixel(4, 4), face);
    form->Hide();
}

// The caption's 3-D and shadow copies, in the button's own text colours; a right-aligned
// caption keeps its shadow inside the caption area by moving the text left instead.
TEST_F(ButtonTest, TextStylesDrawTheirCopiesAroundTheCaption) {
    TProbeButton* b = AddProbe(200);
    b->SetThemeAware(false);
    b->SetBounds(200, 120, 90, 34);
    b->SetCaption(L"HH");
    ui::TFont font = b->Font();
    font.Height = -20;
    font.Color = RGB(255, 0, 0);
    b->SetFont(font);
    b->SetTextHighlightColor(RGB(0, 200, 0));
    b->SetTextShadowColor(RGB(0, 0, 200));
    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 200, 0), blue = RGB(0, 0, 200);

    b->SetTextStyle(tsRaised);
    auto raised = Render(*b);
    const ui::Rect text = BoxOf(*raised, red);
    ASSERT_FALSE(text.IsEmpty());
    EXPECT_EQ(BoxOf(*raised, green).TopLeft(), text.TopLeft().Offset(-1, -1));
    EXPECT_EQ(BoxOf(*raised, blue).BottomRight(), text.BottomRight().Offset(1, 1));
    b->SetLightTextStyle(true); // no shadow copy
    auto light = Render(*b);
    EXPECT_TRUE(BoxOf(*light, blue).IsEmpty());
    EXPECT_EQ(BoxOf(*light, green).TopLeft(), text.TopLeft().Offset(-1, -1));

    b->SetTextStyle(tsRecessed); // still light: no highlight copy above
    auto recessedLight = Render(*b);
    EXPECT_TRUE(BoxOf(*recessedLight, blue).IsEmpty());
    EXPECT_EQ(BoxOf(*recessedLight, green).BottomRight(), text.BottomRight().Offset(1, 1));
    b->SetLightTextStyle(false);
    auto recessed = Render(*b);
    EXPECT_EQ(BoxOf(*recessed, blue).TopLeft(), text.TopLeft().Offset(-1, -1));
    EXPECT_EQ(BoxOf(*recessed, green).BottomRight(), text.BottomRight().Offset(1, 1));

    b->SetTextStyle(tsShadow);
    b->SetTextShadowDepth(3);
    auto shadowed = Render(*b);
    EXPECT_EQ(BoxOf(*shadowed, red), text); // the text stays, the shadow goes below right
    EXPECT_EQ(BoxOf(*shadowed, blue).BottomRight(), text.BottomRight().Offset(3, 3));
    EXPECT_TRUE(BoxOf(*shadowed, green).IsEmpty());

    b->SetAlignment(ui::taRightJustify);
    auto right = Render(*b);
    const ui::Rect rightText = BoxOf(*right, red), rightShadow = BoxOf(*right, blue);
    EXPECT_EQ(rightShadow.BottomRight(), rightText.BottomRight().Offset(3, 3));
    EXPECT_LE(rightShadow.right, b->Width() - 5);

    // Disabled: engraved in the system colours, whatever the style.
    b->SetEnabled(false);
    auto disabled = Render(*b);
    for (COLORREF c : {red, green, blue}) EXPECT_TRUE(BoxOf(*disabled, c).IsEmpty());
    int shadowPixels = 0;
    for (int y = 5; y < b->Height() - 5; ++y)
        for (int x = 5; x < b->Width() - 5; ++x) shadowPixels += disabled->Pixel(x, y) == ui::ColorToRGB(ui::clBtnShadow);
    EXPECT_GT(shadowPixels, 10);
}

// The dialogs' own button settings are checked against the real layouts in the program's
// tests; here, the name older layouts carry.
TEST(ButtonLayout, LegacyFrameFlatTurnsOnHotTracking) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkButtonClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"Button.layout", R"(object Form: TForm
  object Old: TWkButton
    FrameFlat = True
  end
end
)",
                        registry);
    auto* old = dynamic_cast<TWkButton*>(form.FindComponent(L"Old"));
    ASSERT_NE(old, nullptr);
    EXPECT_TRUE(old->HotTrack());
}

} // namespace
