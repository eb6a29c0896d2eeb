// TWkFrameController: one non-visual component holding a set of frame and colour settings that
// several controls take over, so a form's panels, memos, trees, labels and panes can share one
// look and change it in one place.
//
// A control holds a TWkFrameControllerLink. Setting its controller leaves the old controller's
// list, joins the new one's and takes the settings at once; afterwards every change of a
// controller setting reaches each control in the list. A controller that is destroyed first
// tells each link, which forgets it; a control that is destroyed first leaves the list.
// Which settings a control takes is its FrameControllerNotifications set.
//
// Wiring a control is a member and three one-line accessors:
//
//   TWkFrameControllerLink FFrameLink{*this, [this](const TWkFrameController& fc) { ApplyFrameController(fc); }};
//   TWkFrameController* FrameController() const { return FFrameLink.Controller(); }
//   void SetFrameController(TWkFrameController* c) { FFrameLink.SetController(c); }
//   ... FrameControllerNotifications() / SetFrameControllerNotifications(...) likewise
//
// and, in the control's layout registration, RegisterFrameControllerProperties<TControlClass>().
#pragma once
#include "ui/Color.h"
#include "ui/Component.h"
#include "ui/LayoutRegistry.h"
#include "widgets/WkColors.h"
#include "widgets/WkEnums.h"
#include <functional>
#include <initializer_list>
#include <vector>

namespace wk {

// The settings a controller can hand over. The values are bit numbers in a
// TWkFrameControllerNotifications set and are fixed: stored sets depend on them.
enum TWkFrameControllerProperty : unsigned char {
    fcpColor = 0,
    fcpFocusColor = 1,
    fcpDisabledColor = 2,
    fcpReadOnlyColor = 3,
    fcpReadOnlyColorOnFocus = 4,
    fcpParentColor = 5,
    fcpFlatButtonColor = 6,
    fcpFlatButtons = 7,
    fcpFrameColor = 8,
    fcpFrameHotColor = 9,
    fcpFrameHotTrack = 10,
    fcpFrameHotStyle = 11,
    fcpFrameSides = 12,
    fcpFrameStyle = 13,
    fcpFrameVisible = 14,
    fcpFramingPreference = 15
};
inline constexpr ui::TEnumName<TWkFrameControllerProperty> kFrameControllerPropertyNames[] = {
    {L"fcpColor", fcpColor}, {L"fcpFocusColor", fcpFocusColor}, {L"fcpDisabledColor", fcpDisabledColor},
    {L"fcpReadOnlyColor", fcpReadOnlyColor}, {L"fcpReadOnlyColorOnFocus", fcpReadOnlyColorOnFocus},
    {L"fcpParentColor", fcpParentColor}, {L"fcpFlatButtonColor", fcpFlatButtonColor},
    {L"fcpFlatButtons", fcpFlatButtons}, {L"fcpFrameColor", fcpFrameColor},
    {L"fcpFrameHotColor", fcpFrameHotColor}, {L"fcpFrameHotTrack", fcpFrameHotTrack},
    {L"fcpFrameHotStyle", fcpFrameHotStyle}, {L"fcpFrameSides", fcpFrameSides},
    {L"fcpFrameStyle", fcpFrameStyle}, {L"fcpFrameVisible", fcpFrameVisible},
    {L"fcpFramingPreference", fcpFramingPreference},
};
constexpr const auto& EnumNames(TWkFrameControllerProperty) { return kFrameControllerPropertyNames; }
// The labels' name for the same members.
using TWkFrameControllerPropertyConnection = TWkFrameControllerProperty;

// A set of TWkFrameControllerProperty: bit n stands for the member numbered n.
using TWkFrameControllerNotifications = unsigned;
constexpr TWkFrameControllerNotifications kAllFrameControllerNotifications = 0xFFFF;

constexpr TWkFrameControllerNotifications FrameControllerSet(std::initializer_list<TWkFrameControllerProperty> members) {
    TWkFrameControllerNotifications set = 0;
    for (TWkFrameControllerProperty p : members) set |= 1u << p;
    return set;
}
constexpr bool InFrameControllerSet(TWkFrameControllerNotifications set, TWkFrameControllerProperty p) {
    return (set >> p) & 1u;
}

class TWkFrameControllerLink;

class TWkFrameController : public ui::TComponent {
public:
    explicit TWkFrameController(ui::TComponent* owner = nullptr) : ui::TComponent(owner) {}
    // Every control still in the list forgets this controller.
    ~TWkFrameController() override;
    std::wstring ClassName() const override { return L"TWkFrameController"; }

    // Each setter stores a different value and then hands the settings to every control in
    // the list (once after loading instead, while the controller is being loaded).
    ui::TColor Color() const { return FColor; }
    void SetColor(ui::TColor value);
    ui::TColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(ui::TColor value);
    ui::TColor DisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(ui::TColor value);
    ui::TColor ReadOnlyColor() const { return FReadOnlyColor; }
    void SetReadOnlyColor(ui::TColor value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    ui::TColor FlatButtonColor() const { return FFlatButtonColor; }
    void SetFlatButtonColor(ui::TColor value);
    bool FlatButtons() const { return FFlatButtons; }
    void SetFlatButtons(bool value);
    ui::TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(ui::TColor value);
    ui::TColor FrameHotColor() const { return FFrameHotColor; }
    void SetFrameHotColor(ui::TColor value);
    bool FrameHotTrack() const { return FFrameHotTrack; }
    void SetFrameHotTrack(bool value);
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    void SetFrameHotStyle(TFrameStyle value);      // fsNone .. fsFlatBold
    TSides FrameSides() const { return FFrameSides; }
    void SetFrameSides(TSides value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TFrameStyle value);         // fsNone .. fsFlatBold
    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool value);
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    void SetFramingPreference(TFramingPreference value);

    // The controls in the list, in the order they joined.
    std::vector<ui::TComponent*> Controls() const;
    // Hands the settings to every control in the list.
    void NotifyControls();

    void Loaded() override;

private:
    friend class TWkFrameControllerLink;
    void AddLink(TWkFrameControllerLink* link);
    void RemoveLink(TWkFrameControllerLink* link);
    template <typename T>
    void Assign(T& field, T value);

    // Defaults are those of the framed controls, so a default controller changes nothing
    // on a default memo or tree.
    ui::TColor FColor = ui::clWindow;
    ui::TColor FFocusColor = ui::clWindow;
    ui::TColor FDisabledColor = ui::clBtnFace;
    ui::TColor FReadOnlyColor = ui::clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    bool FParentColor = false;
    ui::TColor FFlatButtonColor = ui::clBtnFace;
    bool FFlatButtons = false;
    ui::TColor FFrameColor = ui::clBtnShadow;
    ui::TColor FFrameHotColor = ui::clBtnShadow;
    bool FFrameHotTrack = false;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    TSides FFrameSides = kAllSides;
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    std::vector<TWkFrameControllerLink*> FLinks;
};

// A control's side of a frame controller: a member of the control. It keeps the controller
// and the set of settings the control takes, and calls the control's apply function when the
// settings reach it.
class TWkFrameControllerLink {
public:
    using TApply = std::function<void(const TWkFrameController&)>;

    TWkFrameControllerLink(ui::TComponent& control, TApply apply) : FControl(control), FApply(std::move(apply)) {}
    // A control being destroyed leaves its controller's list.
    ~TWkFrameControllerLink();
    TWkFrameControllerLink(const TWkFrameControllerLink&) = delete;
    TWkFrameControllerLink& operator=(const TWkFrameControllerLink&) = delete;

    ui::TComponent& Control() const { return FControl; }
    TWkFrameController* Controller() const { return FController; }
    // Leaves the old controller's list, joins the new one's and takes its settings at once.
    void SetController(TWkFrameController* value);

    TWkFrameControllerNotifications Notifications() const { return FNotifications; }
    // Members beyond the sixteen are dropped. With a controller, a changed set is applied at once.
    void SetNotifications(TWkFrameControllerNotifications value);
    bool Takes(TWkFrameControllerProperty p) const { return InFrameControllerSet(FNotifications, p); }
    // The property's value comes from the controller: one is attached and the control takes
    // it. Such a value is the controller's, not the control's own, and is not stored with it.
    bool Supplies(TWkFrameControllerProperty p) const { return FController && Takes(p); }

private:
    friend class TWkFrameController;
    void Apply();
    void ControllerDestroyed() { FController = nullptr; }

    ui::TComponent& FControl;
    TApply FApply;
    TWkFrameController* FController = nullptr;
    TWkFrameControllerNotifications FNotifications = kAllFrameControllerNotifications;
};

// Layout readers: a set of fcpXxx names, and a frame style limited to fsNone .. fsFlatBold.
TWkFrameControllerNotifications ReadFrameControllerNotifications(const ui::TLayoutValue& v, ui::TLayoutContext& c);

// The controller class and its stored settings.
void RegisterWkFrameControllerClasses(ui::TClassRegistry& registry);

// FrameController (a reference, resolved after loading) and FrameControllerNotifications for
// a control class with SetFrameController / SetFrameControllerNotifications; also registers
// the controller class, so a layout using one can make it.
template <typename T>
void RegisterFrameControllerProperties(ui::TClassRegistry& registry) {
    registry.Property<T>(L"FrameController", &T::SetFrameController);
    registry.Property<T>(L"FrameControllerNotifications", &T::SetFrameControllerNotifications, ReadFrameControllerNotifications);
    RegisterWkFrameControllerClasses(registry);
}

// What a bordered control (a panel, a label) takes from its controller while the controller's
// frame is visible: the frame style as BorderOuter, the sides, the frame colour as drawn (no
// adjustment), the colour with the bevel colours made from it, and the parent-colour flag,
// each as the link's set says; then it repaints.
template <typename T>
void ApplyFrameSettings(T& control, const TWkFrameControllerLink& link, const TWkFrameController& fc) {
    if (!fc.FrameVisible()) return;
    if (link.Takes(fcpFrameStyle)) control.SetBorderOuter(fc.FrameStyle());
    if (link.Takes(fcpFrameSides)) control.SetBorderSides(fc.FrameSides());
    if (link.Takes(fcpFrameColor)) {
        control.SetFlatColor(fc.FrameColor());
        control.SetFlatColorAdjustment(0);
    }
    if (link.Takes(fcpColor)) {
        control.SetColor(fc.Color());
        control.SetBorderHighlight(LightenColor(fc.Color(), 100));
        control.SetBorderShadow(DarkenColor(fc.Color(), 50));
    }
    if (link.Takes(fcpParentColor)) control.SetParentColor(fc.ParentColor());
    control.Invalidate();
}

} // namespace wk
