// Actions and the buttons linked to them: what a button takes when it is given an action,
// which later changes it follows (only properties that still show the action's value),
// clicks running the action's command, the action going away, copying a button into an
// action, and actions named in layouts.
#include "widgets/WkAction.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkButton.h"
#include "widgets/WkToolButton.h"
#include <gtest/gtest.h>
#include <vector>

using namespace wk;

namespace {

void Press(ui::TControl& c, int x, int y) { c.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
void Release(ui::TControl& c, int x, int y) { c.Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

class ActionLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 300, 120);
        tool->SetParent(&form);
        tool->SetBounds(10, 10, 25, 25);
        action->SetCaption(L"Fit");
        action->SetHint(L"最合适");
        action->SetImageIndex(3);
        action->OnExecute = [this](ui::TObject* sender) { executed.push_back(sender); };
    }

    ui::TForm form;
    TWkAction* action = new TWkAction(&form);
    TWkToolButton* tool = new TWkToolButton(&form);
    std::vector<ui::TObject*> executed;
};

TEST_F(ActionLinkTest, ToolButtonTakesTheActionsStateAndFollowsLinkedChanges) {
    tool->SetGroupIndex(1);
    tool->SetAllowAllUp(true);
    action->SetChecked(true);
    tool->SetAction(action);
    EXPECT_EQ(tool->Action(), action);
    EXPECT_EQ(tool->Caption(), L"Fit");
    EXPECT_EQ(tool->Hint(), L"最合适");
    EXPECT_EQ(tool->ImageIndex(), 3);
    EXPECT_TRUE(tool->Down());

    // Changes of the action reach the button while it still shows the action's value.
    action->SetImageIndex(4);
    action->SetChecked(false);
    action->SetEnabled(false);
    action->SetCaption(L"Fit to window");
    EXPECT_EQ(tool->ImageIndex(), 4);
    EXPECT_FALSE(tool->Down());
    EXPECT_FALSE(tool->Enabled());
    EXPECT_EQ(tool->Caption(), L"Fit to window");
    action->SetEnabled(true);
    action->SetVisible(false);
    EXPECT_TRUE(tool->Enabled());
    EXPECT_FALSE(tool->Visible());
    action->SetVisible(true);

    // A property set on the button itself is the button's own from then on.
    tool->SetImageIndex(1);
    tool->SetCaption(L"Own");
    action->SetImageIndex(2);
    action->SetCaption(L"Other");
    EXPECT_EQ(tool->ImageIndex(), 1);
    EXPECT_EQ(tool->Caption(), L"Own");
    action->SetHint(L"new hint"); // the hint was still linked
    EXPECT_EQ(tool->Hint(), L"new hint");
}

TEST_F(ActionLinkTest, ClickRunsTheActionUnlessTheButtonHasItsOwnHandler) {
    tool->SetAction(action);
    Press(*tool, 5, 5);
    Release(*tool, 5, 5);
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_EQ(executed[0], action);

    int own = 0;
    tool->OnClick = [&](ui::TObject*) { ++own; };
    Press(*tool, 5, 5);
    Release(*tool, 5, 5);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(executed.size(), 1u);

    // Without the action the button has nothing to run.
    tool->OnClick = nullptr;
    tool->SetAction(nullptr);
    Press(*tool, 5, 5);
    Release(*tool, 5, 5);
    EXPECT_EQ(executed.size(), 1u);
}

TEST_F(ActionLinkTest, AnActionMakesADropDownButtonSplit) {
    auto* menu = new ui::TPopupMenu(&form);
    auto* item = new ui::TMenuItem(&form);
    item->SetCaption(L"Item");
    menu->Items().Add(item);
    int opened = 0;
    menu->SetTracker([&](HMENU, int, int, HWND) -> UINT {
        ++opened;
        return 0;
    });
    tool->SetToolStyle(tsDropDown); // 39 wide: the arrow strip starts at 25
    tool->SetDropDownMenu(menu);
    tool->SetAction(action);
    // The body runs the action; only the arrow strip opens the menu.
    Press(*tool, 5, 5);
    Release(*tool, 5, 5);
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(executed.size(), 1u);
    Press(*tool, 30, 5);
    EXPECT_EQ(opened, 1);
}

TEST_F(ActionLinkTest, DestroyedActionIsForgotten) {
    tool->SetAction(action);
    delete action;
    EXPECT_EQ(tool->Action(), nullptr);
    Press(*tool, 5, 5);
    Release(*tool, 5, 5);
    EXPECT_TRUE(executed.empty());
}

TEST_F(ActionLinkTest, ButtonCopiesItselfIntoAnAction) {
    tool->SetCaption(L"Real size");
    tool->SetGroupIndex(1);
    tool->SetDown(true);
    tool->SetImageIndex(4);
    TWkAction copy;
    tool->AssignTo(copy);
    EXPECT_EQ(copy.Caption(), L"Real size");
    EXPECT_TRUE(copy.Checked());
    EXPECT_EQ(copy.ImageIndex(), 4);
}

TEST_F(ActionLinkTest, PushButtonTakesTheActionAndRunsIt) {
    auto* push = new TWkButton(&form);
    push->SetParent(&form);
    push->SetBounds(100, 10, 75, 23);
    push->SetModalResult(ui::mrOk);
    push->SetGroupIndex(1);
    push->SetAllowAllUp(true);
    action->SetChecked(true);
    push->SetAction(action);
    EXPECT_EQ(push->Caption(), L"Fit");
    EXPECT_TRUE(push->Down());
    action->SetChecked(false);
    EXPECT_FALSE(push->Down());
    action->SetEnabled(false);
    EXPECT_FALSE(push->Enabled());
    action->SetEnabled(true);

    form.Show();
    Press(*push, 5, 5);
    Release(*push, 5, 5);
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_EQ(executed[0], action);
    EXPECT_EQ(form.ModalResult(), ui::mrOk); // the modal result still comes first
    form.Hide();
}

TEST(ActionLayout, ActionsAreReadAndFillOnlyDefaults) {
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkToolButtonClasses(registry);
    RegisterWkButtonClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"Action.layout", R"(object Form: TForm
  object ActFit: TWkAction
    Caption = 'Fit'
    Hint = 'fit hint'
    Checked = True
    ImageIndex = 3
  end
  object BtnFit: TWkToolButton
    Caption = 'Own'
    GroupIndex = 1
    Action = ActFit
  end
  object BtnOk: TWkButton
    Action = ActFit
  end
end
)",
                        registry);
    auto* act = dynamic_cast<TWkAction*>(form.FindComponent(L"ActFit"));
    auto* fit = dynamic_cast<TWkToolButton*>(form.FindComponent(L"BtnFit"));
    auto* ok = dynamic_cast<TWkButton*>(form.FindComponent(L"BtnOk"));
    ASSERT_NE(act, nullptr);
    ASSERT_NE(fit, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(fit->Action(), act);
    // While the layout is read only properties still at their defaults are filled.
    EXPECT_EQ(fit->Caption(), L"Own");
    EXPECT_EQ(fit->Hint(), L"fit hint");
    EXPECT_EQ(fit->ImageIndex(), 3);
    EXPECT_TRUE(fit->Down());
    EXPECT_EQ(ok->Action(), act);
    EXPECT_EQ(ok->Caption(), L"Fit");
}

} // namespace
