// TWkAction and TWkActionLink: sharing a command's state among controls.
#include "widgets/WkAction.h"
#include "ui/Layout.h"
#include <algorithm>

namespace wk {

// =========================================================================================
// Action
// =========================================================================================

TWkAction::TWkAction(ui::TComponent* owner) : ui::TComponent(owner) {}

TWkAction::~TWkAction() {
    // The controls keep their links (they own them) but forget the action.
    for (TWkActionLink* link : FLinks) link->FAction = nullptr;
}

template <typename T, typename Tell>
void TWkAction::Change(T& field, const T& value, Tell tell) {
    if (field == value) return;
    // A link's control may run handlers of its own while it takes the value; links that
    // leave meanwhile are skipped.
    const std::vector<TWkActionLink*> links = FLinks;
    for (TWkActionLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) tell(*link);
    field = value;
}

void TWkAction::SetCaption(const std::wstring& value) {
    Change(FCaption, value, [&](TWkActionLink& l) { l.CaptionChanging(value); });
}

void TWkAction::SetHint(const std::wstring& value) {
    Change(FHint, value, [&](TWkActionLink& l) { l.HintChanging(value); });
}

void TWkAction::SetEnabled(bool value) {
    Change(FEnabled, value, [&](TWkActionLink& l) { l.EnabledChanging(value); });
}

void TWkAction::SetVisible(bool value) {
    Change(FVisible, value, [&](TWkActionLink& l) { l.VisibleChanging(value); });
}

void TWkAction::SetChecked(bool value) {
    Change(FChecked, value, [&](TWkActionLink& l) { l.CheckedChanging(value); });
}

void TWkAction::SetImageIndex(int value) {
    Change(FImageIndex, value, [&](TWkActionLink& l) { l.ImageIndexChanging(value); });
}

bool TWkAction::Execute() {
    // Copied: the command may destroy the action.
    ui::TNotifyEvent handler = OnExecute;
    if (!handler) return false;
    handler(this);
    return true;
}

// =========================================================================================
// Link
// =========================================================================================

void TWkActionLink::SetAction(TWkAction* action) {
    if (action == FAction) return;
    if (FAction) std::erase(FAction->FLinks, this);
    FAction = action;
    if (FAction) FAction->FLinks.push_back(this);
}

// Each property follows the action only while the control still shows the action's value:
// one set on the control directly is the control's own from then on.
void TWkActionLink::CaptionChanging(const std::wstring& value) {
    if (FClient.Caption() == FAction->Caption()) FClient.SetCaption(value);
}

void TWkActionLink::HintChanging(const std::wstring& value) {
    if (FClient.Hint() == FAction->Hint()) FClient.SetHint(value);
}

void TWkActionLink::EnabledChanging(bool value) {
    if (FClient.Enabled() == FAction->Enabled()) FClient.SetEnabled(value);
}

void TWkActionLink::VisibleChanging(bool value) {
    if (FClient.Visible() == FAction->Visible()) FClient.SetVisible(value);
}

void ApplyActionDefaults(ui::TControl& control, const TWkAction& action, bool checkDefaults) {
    if (!checkDefaults || control.Caption().empty()) control.SetCaption(action.Caption());
    if (!checkDefaults || control.Enabled()) control.SetEnabled(action.Enabled());
    if (!checkDefaults || control.Hint().empty()) control.SetHint(action.Hint());
    if (!checkDefaults || control.Visible()) control.SetVisible(action.Visible());
}

void CopyControlToAction(const ui::TControl& control, TWkAction& action) {
    action.SetCaption(control.Caption());
    action.SetHint(control.Hint());
    action.SetEnabled(control.Enabled());
    action.SetVisible(control.Visible());
}

void RunControlClick(ui::TControl& control, TWkAction* action) {
    if (ui::TNotifyEvent handler = control.OnClick) handler(&control);
    else if (action) action->Execute();
}

// =========================================================================================
// Registration
// =========================================================================================

void RegisterWkActionClasses(ui::TClassRegistry& r) {
    ui::RegisterComponentClass<TWkAction, ui::TComponent>(r, L"TWkAction");
    r.Property<TWkAction>(L"Caption", &TWkAction::SetCaption);
    r.Property<TWkAction>(L"Hint", &TWkAction::SetHint);
    r.Property<TWkAction>(L"Enabled", &TWkAction::SetEnabled);
    r.Property<TWkAction>(L"Visible", &TWkAction::SetVisible);
    r.Property<TWkAction>(L"Checked", &TWkAction::SetChecked);
    r.Property<TWkAction>(L"ImageIndex", &TWkAction::SetImageIndex);
    r.Property<TWkAction>(L"OnExecute", &TWkAction::OnExecute);
}

} // namespace wk
