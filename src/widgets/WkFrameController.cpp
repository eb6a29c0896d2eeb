// TWkFrameController and TWkFrameControllerLink: the list of controls, handing the settings
// over, and both sides' ends. Layout registration is at the end.
#include "widgets/WkFrameController.h"
#include "ui/Layout.h"
#include "widgets/WkPanel.h"
#include <algorithm>
#include <utility>

namespace wk {

// ---- Controller -------------------------------------------------------------------------

TWkFrameController::~TWkFrameController() {
    // Controls keep a pointer to us: each forgets it before we go.
    for (TWkFrameControllerLink* link : std::exchange(FLinks, {})) link->ControllerDestroyed();
}

template <typename T>
void TWkFrameController::Assign(T& field, T value) {
    if (field == value) return;
    field = value;
    if (!IsLoading()) NotifyControls();
}

void TWkFrameController::SetColor(ui::TColor value) { Assign(FColor, value); }
void TWkFrameController::SetFocusColor(ui::TColor value) { Assign(FFocusColor, value); }
void TWkFrameController::SetDisabledColor(ui::TColor value) { Assign(FDisabledColor, value); }
void TWkFrameController::SetReadOnlyColor(ui::TColor value) { Assign(FReadOnlyColor, value); }
void TWkFrameController::SetReadOnlyColorOnFocus(bool value) { Assign(FReadOnlyColorOnFocus, value); }
void TWkFrameController::SetParentColor(bool value) { Assign(FParentColor, value); }
void TWkFrameController::SetFlatButtonColor(ui::TColor value) { Assign(FFlatButtonColor, value); }
void TWkFrameController::SetFlatButtons(bool value) { Assign(FFlatButtons, value); }
void TWkFrameController::SetFrameColor(ui::TColor value) { Assign(FFrameColor, value); }
void TWkFrameController::SetFrameHotColor(ui::TColor value) { Assign(FFrameHotColor, value); }
void TWkFrameController::SetFrameHotTrack(bool value) { Assign(FFrameHotTrack, value); }
// fsFlatRounded is no style the framed controls can draw: it is clamped to the last one.
void TWkFrameController::SetFrameHotStyle(TFrameStyle value) { Assign(FFrameHotStyle, std::min(value, kLastFrameStyle)); }
void TWkFrameController::SetFrameSides(TSides value) { Assign(FFrameSides, value & kAllSides); }
void TWkFrameController::SetFrameStyle(TFrameStyle value) { Assign(FFrameStyle, std::min(value, kLastFrameStyle)); }
void TWkFrameController::SetFrameVisible(bool value) { Assign(FFrameVisible, value); }
void TWkFrameController::SetFramingPreference(TFramingPreference value) { Assign(FFramingPreference, value); }

std::vector<ui::TComponent*> TWkFrameController::Controls() const {
    std::vector<ui::TComponent*> controls;
    controls.reserve(FLinks.size());
    for (const TWkFrameControllerLink* link : FLinks) controls.push_back(&link->Control());
    return controls;
}

void TWkFrameController::NotifyControls() {
    // A control may leave the list (or take another controller) while it applies: walk a
    // copy and skip whoever is no longer ours.
    for (TWkFrameControllerLink* link : std::vector<TWkFrameControllerLink*>(FLinks))
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->Apply();
}

void TWkFrameController::Loaded() {
    ui::TComponent::Loaded();
    NotifyControls();
}

void TWkFrameController::AddLink(TWkFrameControllerLink* link) {
    if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) FLinks.push_back(link);
}

void TWkFrameController::RemoveLink(TWkFrameControllerLink* link) { std::erase(FLinks, link); }

// ---- Link -------------------------------------------------------------------------------

TWkFrameControllerLink::~TWkFrameControllerLink() {
    if (FController) FController->RemoveLink(this);
}

void TWkFrameControllerLink::SetController(TWkFrameController* value) {
    if (FController == value) return;
    if (FController) FController->RemoveLink(this);
    FController = value;
    if (!FController) return;
    FController->AddLink(this);
    Apply();
}

void TWkFrameControllerLink::SetNotifications(TWkFrameControllerNotifications value) {
    value &= kAllFrameControllerNotifications;
    if (FNotifications == value) return;
    FNotifications = value;
    if (FController) Apply();
}

void TWkFrameControllerLink::Apply() {
    if (FController && FApply) FApply(*FController);
}

// ---- Layout registration ----------------------------------------------------------------

namespace {

using ui::TLayoutContext;
using ui::TLayoutValue;

TFrameStyle ReadControllerFrameStyle(const TLayoutValue& v, TLayoutContext& c) {
    const TFrameStyleEx style = c.Enum<TFrameStyleEx>(v);
    if (style > kLastFrameStyle) c.Fail(L"fsFlatRounded is not a frame style of a frame controller");
    return style;
}

} // namespace

TWkFrameControllerNotifications ReadFrameControllerNotifications(const TLayoutValue& v, TLayoutContext& c) {
    // The members are bit numbers, not masks.
    if (v.Kind != ui::TLayoutValueKind::Set) c.FailValue(v, L"a set");
    TWkFrameControllerNotifications bits = 0;
    for (const TLayoutValue& item : v.Items) bits |= 1u << c.Enum<TWkFrameControllerProperty>(item);
    return bits;
}

void RegisterWkFrameControllerClasses(ui::TClassRegistry& registry) {
    using F = TWkFrameController;
    ui::RegisterComponentClass<F, ui::TComponent>(registry, L"TWkFrameController");
    registry.Property(L"Color", &F::SetColor);
    registry.Property(L"FocusColor", &F::SetFocusColor);
    registry.Property(L"DisabledColor", &F::SetDisabledColor);
    registry.Property(L"ReadOnlyColor", &F::SetReadOnlyColor);
    registry.Property(L"FlatButtonColor", &F::SetFlatButtonColor);
    registry.Property(L"FrameColor", &F::SetFrameColor);
    registry.Property(L"FrameHotColor", &F::SetFrameHotColor);
    registry.Property(L"ReadOnlyColorOnFocus", &F::SetReadOnlyColorOnFocus);
    registry.Property(L"ParentColor", &F::SetParentColor);
    registry.Property(L"FlatButtons", &F::SetFlatButtons);
    registry.Property(L"FrameHotTrack", &F::SetFrameHotTrack);
    registry.Property(L"FrameVisible", &F::SetFrameVisible);
    registry.Property(L"FrameStyle", &F::SetFrameStyle, ReadControllerFrameStyle);
    registry.Property(L"FrameHotStyle", &F::SetFrameHotStyle, ReadControllerFrameStyle);
    registry.Property(L"FrameSides", &F::SetFrameSides, ui::SetOf<TSide>);
    registry.Property(L"FramingPreference", &F::SetFramingPreference);
}

} // namespace wk
