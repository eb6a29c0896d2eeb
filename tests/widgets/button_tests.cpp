// Push button: a click's modal result closing a modal dialog, the press/drag/release rules,
// which button Enter, Escape, Space and the accelerator click, grouped buttons, and the
// hot-tracking look. Windows are real (run under Xvfb).
#include "widgets/WkButton.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkColors.h"
#include "widgets/WkKit.h"
#include <gtest/gtest.h>
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

TEST(ButtonLayout, DialogButtonIsRead) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkButtonClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"Button.layout", R"(object Form: TForm
  object WkButton1: TWkButton
    Left = 246
    Top = 9
    Width = 75
    Height = 23
    Caption = '确定(&O)'
    Default = True
    ModalResult = 1
    HotTrack = True
    TabOrder = 0
  end
  object Old: TWkButton
    FrameFlat = True
  end
end
)",
                        registry);
    auto* ok = dynamic_cast<TWkButton*>(form.FindComponent(L"WkButton1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->Caption(), L"确定(&O)");
    EXPECT_TRUE(ok->Default());
    EXPECT_EQ(ok->ModalResult(), 1);
    EXPECT_TRUE(ok->HotTrack());
    EXPECT_TRUE(ok->Transparent());
    EXPECT_EQ(ok->Height(), 23);
    auto* old = dynamic_cast<TWkButton*>(form.FindComponent(L"Old"));
    ASSERT_NE(old, nullptr);
    EXPECT_TRUE(old->HotTrack());
}

} // namespace
