// TWkToolButton: behaviour. Sections: construction and properties · interaction · drop-down ·
// action · registration. The painting is in WkToolButtonPaint.cpp.
#include "widgets/WkToolButton.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkGraphics.h"
#include <algorithm>

namespace wk {

using ui::Rect;
using ui::TCanvas;

// =========================================================================================
// Construction and properties
// =========================================================================================

TWkToolButton::TWkToolButton(ui::TComponent* owner) : ui::TGraphicControl(owner) {
    // The button clicks on its own release; a double click arrives as a second press.
    SetControlStyle(ui::csCaptureMouse);
    SetBounds(Left(), Top(), 25, 25);
    FUseToolbarButtonSize = true; // the default size is no choice of the button's own
    SetColor(ui::clBtnFace);
}

TWkToolButton::~TWkToolButton() {
    if (FImages) FImages->RemoveFreeNotification(this);
    if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
}

TWkAction* TWkToolButton::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TWkToolButton::SetBounds(int left, int top, int width, int height) {
    // A size chosen outside loading is the button's own, not a toolbar's.
    if (!IsLoading() && (width != Width() || height != Height())) FUseToolbarButtonSize = false;
    ui::TGraphicControl::SetBounds(left, top, width, height);
}

void TWkToolButton::SetAllowAllUp(bool value) {
    if (FAllowAllUp == value) return;
    FAllowAllUp = value;
    BroadcastGroup();
}

void TWkToolButton::SetDisabledIndex(int value) { SetAndInvalidate(FDisabledIndex, value); }
void TWkToolButton::SetGradientColorStyle(TWkGradientColorStyle value) { SetAndInvalidate(FGradientColorStyle, value); }
void TWkToolButton::SetSelectionColorStart(TColor value) { SetAndInvalidate(FSelectionColorStart, value); }
void TWkToolButton::SetSelectionColorStop(TColor value) { SetAndInvalidate(FSelectionColorStop, value); }
void TWkToolButton::SetSelectionFrameColor(TColor value) { SetAndInvalidate(FSelectionFrameColor, value); }

void TWkToolButton::SetGroupIndex(int value) {
    // A drop-down button never latches: its press belongs to the menu.
    if (FToolStyle == tsDropDown) value = 0;
    if (FGroupIndex == value) return;
    FGroupIndex = value;
    BroadcastGroup();
}

void TWkToolButton::SetDown(bool value) {
    if (FGroupIndex == 0) value = false;
    if (value == FDown) return;
    // A latched button cannot be raised unless its whole group may be up.
    if (FDown && !FAllowAllUp) return;
    FDown = value;
    if (value) {
        if (FFaceState == fstUp) Invalidate();
        FFaceState = fstLatched;
        BroadcastGroup();
    } else {
        FFaceState = fstUp;
        Repaint();
    }
}

void TWkToolButton::SetDownIndex(int value) { SetAndInvalidate(FDownIndex, value); }

void TWkToolButton::SetDropDownMenu(ui::TPopupMenu* value) {
    if (FDropDownMenu == value) return;
    if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = value;
    if (FDropDownMenu) FDropDownMenu->FreeNotification(this);
}

void TWkToolButton::SetFlat(bool value) {
    if (FFlat == value) return;
    FFlat = value;
    Repaint();
}

void TWkToolButton::SetHotIndex(int value) { SetAndInvalidate(FHotIndex, value); }
void TWkToolButton::SetImageIndex(int value) { SetAndInvalidate(FImageIndex, value); }

void TWkToolButton::SetImages(ui::TImageList* value) {
    // Set even when unchanged: growing again is harmless and makes a resized list take effect.
    if (FImages && FImages != value) FImages->RemoveFreeNotification(this);
    FImages = value;
    FImageLink.SetImages(value);
    if (FImages) {
        FImages->FreeNotification(this);
        GrowToImages();
    }
    Invalidate();
}

void TWkToolButton::ImagesChanged() {
    // The list's images or their size changed: take the new size and show the new pictures.
    GrowToImages();
    Invalidate();
}

void TWkToolButton::SetLayout(TButtonLayout value) {
    FUseToolbarButtonLayout = false;
    if (FLayout == value) return;
    FLayout = value;
    Invalidate();
}

void TWkToolButton::SetShowCaption(bool value) {
    FUseToolbarShowCaption = false;
    if (FShowCaption == value) return;
    FShowCaption = value;
    Invalidate();
}

void TWkToolButton::SetTransparent(bool value) { SetAndInvalidate(FTransparent, value); }

void TWkToolButton::SetVisualStyle(TWkVisualStyle value) {
    FUseToolbarVisualStyle = false;
    if (FVisualStyle == value) return;
    FVisualStyle = value;
    Invalidate();
}

void TWkToolButton::SetToolStyle(TWkToolStyle value) {
    if (FToolStyle == value) return;
    FToolStyle = value;
    FGroupIndex = 0;
    if (!IsLoading()) {
        // The arrow part is added to (or taken from) the button's width; the toolbar-size
        // flag keeps its value although the width changes here.
        const bool keep = FUseToolbarButtonSize;
        SetBounds(Left(), Top(), Width() + (value == tsDropDown ? kToolButtonArrowWidth : -kToolButtonArrowWidth),
                  Height());
        FUseToolbarButtonSize = keep;
    }
    Invalidate();
}

// The kit has no toolbar container, so the four requests below find none and change
// nothing; the flags still decide which properties are stored.
void TWkToolButton::SetUseToolbarButtonLayout(bool value) {
    if (FUseToolbarButtonLayout == value) return;
    FUseToolbarButtonLayout = value;
    if (!IsLoading() && Parent()) AdoptToolbarSettings();
}

void TWkToolButton::SetUseToolbarButtonSize(bool value) {
    if (FUseToolbarButtonSize == value) return;
    FUseToolbarButtonSize = value;
    if (!IsLoading() && Parent()) AdoptToolbarSettings();
}

void TWkToolButton::SetUseToolbarShowCaption(bool value) {
    if (FUseToolbarShowCaption == value) return;
    FUseToolbarShowCaption = value;
    if (!IsLoading() && Parent()) AdoptToolbarSettings();
}

void TWkToolButton::SetUseToolbarVisualStyle(bool value) {
    if (FUseToolbarVisualStyle == value) return;
    FUseToolbarVisualStyle = value;
    if (!IsLoading() && Parent()) AdoptToolbarSettings();
}

void TWkToolButton::AdoptToolbarSettings() {
    // No parent of this kit is a toolbar container: there is nothing to adopt.
}

void TWkToolButton::GrowToImages() {
    if (!FImages) return;
    const bool keep = FUseToolbarButtonSize;
    SetBounds(Left(), Top(), std::max(Width(), FImages->Width()), std::max(Height(), FImages->Height()));
    FUseToolbarButtonSize = keep;
}

void TWkToolButton::Notification(ui::TComponent* component, ui::TOperation operation) {
    ui::TGraphicControl::Notification(component, operation);
    if (operation != ui::opRemove) return;
    if (component == FImages) FImages = nullptr;
    if (component == FDropDownMenu) FDropDownMenu = nullptr;
}

void TWkToolButton::Loaded() {
    ui::TGraphicControl::Loaded();
    AdoptToolbarSettings();
}

void TWkToolButton::ParentChanged() {
    ui::TGraphicControl::ParentChanged();
    AdoptToolbarSettings();
}

void TWkToolButton::TextChanged() {
    ui::TGraphicControl::TextChanged();
    AdoptToolbarSettings();
    Invalidate();
}

void TWkToolButton::EnabledChanged() {
    ui::TGraphicControl::EnabledChanged();
    Invalidate();
}

bool TWkToolButton::IsThemed() const { return FVisualStyle == vsWinXP && VisualThemesActive(); }

// A split button has a click of its own besides the menu.
bool TWkToolButton::IsSplit() const {
    return FToolStyle == tsDropDown && (static_cast<bool>(OnClick) || Action() != nullptr);
}

// The program has no form designer.
bool TWkToolButton::IsDesigning() const { return false; }

bool TWkToolButton::PressedLook() const {
    return PressedOrLatched() || (FFaceState == fstArrowPressed && !IsSplit());
}

bool TWkToolButton::InArrowStrip(int x) const { return x >= Width() - kToolButtonArrowWidth; }

// =========================================================================================
// Interaction: press, drag, release, hot tracking, groups
// =========================================================================================

void TWkToolButton::Click() {
    if (FToolStyle == tsDropDown && !FClickArmed) return;
    RunControlClick(*this, Action());
}

void TWkToolButton::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    const TWkLifetime::TWatch life = FLifetime.Watch();
    ui::TGraphicControl::MouseDown(button, shift, x, y); // fires OnMouseDown
    if (!life.Alive()) return;
    if (FToolStyle == tsDropDown && FDropDownMenu && (shift & ~ui::ssDouble) == ui::ssLeft &&
        (InArrowStrip(x) || !IsSplit())) {
        MenuPress(button, shift, x, y);
        return;
    }
    if (FToolStyle == tsDropDown && !FClickArmed) {
        // The press that follows a menu's closing click re-arms the body and is swallowed.
        FClickArmed = true;
        return;
    }
    if (button != ui::mbLeft || !Enabled()) return;
    if (!FDown || FFaceState == fstLatched) {
        FFaceState = fstPressed;
        Invalidate();
    }
    FTracking = true;
}

void TWkToolButton::MouseMove(ui::TShiftState shift, int x, int y) {
    const TWkLifetime::TWatch life = FLifetime.Watch();
    ui::TGraphicControl::MouseMove(shift, x, y); // fires OnMouseMove
    if (!life.Alive()) return;
    if (FTracking) {
        const TFaceState next = FDown ? fstLatched : (InClientArea(x, y) ? fstPressed : fstUp);
        if (next != FFaceState) {
            FFaceState = next;
            Invalidate();
        }
    } else if (!FMouseInside) {
        UpdateHotState();
    }
}

void TWkToolButton::MouseCaptureLost() {
    ui::TGraphicControl::MouseCaptureLost();
    // A release takes the capture back just before the framework hands it to MouseUp, which
    // ends the press where the button was released. Losing the capture while the button is
    // still held (a window popping up, a menu taking the mouse) ends the press here, unclicked.
    const bool held = (GetKeyState(VK_LBUTTON) & 0x8000) != 0;
    if (FTracking && held) EndPress(false);
}

void TWkToolButton::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    const TWkLifetime::TWatch life = FLifetime.Watch();
    ui::TGraphicControl::MouseUp(button, shift, x, y); // fires OnMouseUp before any click
    if (!life.Alive()) return;
    if (FTracking && button == ui::mbLeft) {
        // Inside or not is judged where the button was released, not at the last move.
        EndPress(InClientArea(x, y));
        if (!life.Alive()) return;
    }
    if (FToolStyle == tsDropDown) DropDownReleased();
}

void TWkToolButton::EndPress(bool inside) {
    FTracking = false;
    if (FGroupIndex == 0) {
        FFaceState = fstUp;
        FMouseInside = false;
        if (inside) Repaint();
    } else if (inside) {
        const bool wasDown = FDown;
        SetDown(!FDown);
        if (FDown == wasDown) inside = false; // refused: the latched button of an all-down group
        if (FDown) {
            FFaceState = fstLatched;
            Repaint();
        }
    } else {
        if (FDown) FFaceState = fstLatched;
        Repaint();
    }
    if (inside) {
        const TWkLifetime::TWatch life = FLifetime.Watch();
        Click();
        if (!life.Alive()) return; // the click handler destroyed the button
    }
    UpdateHotState();
}

void TWkToolButton::DropDownReleased() {
    // A release whose pointer has left the button re-arms the body click.
    if (!PointerOverClientArea()) FClickArmed = true;
    FFaceState = fstUp;
    Repaint();
    UpdateHotState();
}

bool TWkToolButton::PointerOverClientArea() const {
    POINT screen{};
    if (!GetCursorPos(&screen)) return false;
    const ui::Point p = ScreenToClient(screen);
    return InClientArea(p.x, p.y);
}

void TWkToolButton::UpdateHotState() {
    if (!IsFlatLook() || !Enabled()) return;
    bool over = false;
    POINT screen{};
    if (Parent() && GetCursorPos(&screen)) over = Parent()->ControlAtPos(Parent()->ScreenToClient(screen)) == this;
    if (over) MouseEnter();
    else MouseLeave();
}

void TWkToolButton::MouseEnter() {
    if (IsDesigning()) return;
    FMouseInside = true;
    ui::TGraphicControl::MouseEnter(); // fires OnMouseEnter
    if (IsFlatLook()) Repaint();
}

void TWkToolButton::MouseLeave() {
    // While the drop-down menu is up the pointer is over the menu, yet the button stays hot.
    if (!FMenuShowing) FMouseInside = false;
    ui::TGraphicControl::MouseLeave(); // fires OnMouseLeave
    if (IsFlatLook()) Repaint();
}

// The group is told by direct calls among the parent's tool buttons: nothing that arrives
// from outside (a window message with a pointer in it, say) can pose as a sibling.
void TWkToolButton::BroadcastGroup() {
    ui::TWinControl* parent = Parent();
    if (!parent) return;
    for (ui::TControl* control : parent->Controls())
        if (auto* sibling = dynamic_cast<TWkToolButton*>(control); sibling && sibling != this)
            sibling->GroupChanged(*this);
}

void TWkToolButton::GroupChanged(const TWkToolButton& sender) {
    if (sender.FGroupIndex != FGroupIndex) return;
    if (sender.FDown && FDown) {
        // Raised directly: no setter, no click, no action update.
        FDown = false;
        FFaceState = fstUp;
        Invalidate();
    }
    FAllowAllUp = sender.FAllowAllUp;
}

bool TWkToolButton::DialogChar(wchar_t ch) {
    if (!ui::IsAccel(ch, Caption()) || !Enabled() || !Visible() || !Parent() || !Parent()->Showing())
        return ui::TGraphicControl::DialogChar(ch);
    if (FToolStyle == tsDropDown && !IsSplit()) OpenDropDownMenu();
    else Click();
    return true;
}

// =========================================================================================
// Drop-down menu
// =========================================================================================

void TWkToolButton::MenuPress(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    if (FDropDownMenu->Items().Count() == 0) return;
    const TWkLifetime::TWatch life = FLifetime.Watch();
    const DWORD now = GetTickCount();
    if (FMenuClosedAt != 0 && now - FMenuClosedAt < 100) {
        // This press is the click that just closed the menu: do not open it again.
        FClickArmed = true;
        FMenuClosedAt = 0;
        if (Parent()) Parent()->ReleaseMouseCapture();
    } else {
        FFaceState = fstArrowPressed;
        Repaint();
        OpenDropDownMenu(); // modal: returns when the menu has closed
        if (!life.Alive()) return; // a menu command destroyed the button
        FClickArmed = false;
        FMenuClosedAt = GetTickCount();
        if (FMenuClosedAt == 0) FMenuClosedAt = 1; // 0 means "no menu closed"
    }
    // The menu loop ate the real release: handle it now, with the press's arguments
    // (OnMouseUp included).
    MouseUp(button, shift, x, y);
}

int TWkToolButton::MenuWidthEstimate() const {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    ui::FontOwner font(CreateFontIndirectW(&metrics.lfMenuFont));
    ui::WindowDc screen(nullptr);
    ui::SelectGuard select(screen, font);
    int widest = 0;
    const ui::TMenuItem& items = FDropDownMenu->Items();
    for (int i = 0; i < items.Count(); ++i) {
        const std::wstring& caption = items.Item(i)->Caption();
        SIZE size{};
        GetTextExtentPoint32W(screen, caption.c_str(), static_cast<int>(caption.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    return widest + 56;
}

void TWkToolButton::OpenDropDownMenu() {
    if (!FDropDownMenu) return;
    const TWkLifetime::TWatch life = FLifetime.Watch();
    FMenuShowing = true;
    // Cleared on every way out, unless a handler destroyed the button.
    struct ResetOnExit {
        const TWkLifetime::TWatch& life;
        bool& flag;
        ~ResetOnExit() {
            if (life.Alive()) flag = false;
        }
    } reset{life, FMenuShowing};
    if (ui::TNotifyEvent handler = OnDropDown) handler(FDropDownMenu);
    if (!life.Alive() || !FDropDownMenu) return; // the handler destroyed the button or the menu
    ui::Point p = ClientToScreen({0, Height()});
    const int menuWidth = MenuWidthEstimate();
    HMONITOR monitor = MonitorFromPoint(p, MONITOR_DEFAULTTONULL);
    // Off every monitor, the width of the work area nearest the parent stands in for its right edge.
    const int workRight = monitor ? MonitorWorkArea(monitor).right
                                  : WorkAreaOfWindow(Parent() ? Parent()->Handle() : nullptr).Width();
    // Keep the menu on the monitor: end it at the button's right edge instead.
    if (workRight < p.x + menuWidth) p.x -= menuWidth - Width();
    FDropDownMenu->Popup(p.x, p.y);
    if (!life.Alive()) return;
    if (FGroupIndex > 0 && !FDown) Click();
}

// =========================================================================================
// Action
// =========================================================================================

void TWkToolButton::SetAction(TWkAction* action) {
    if (action == Action()) return;
    if (!action) {
        FActionLink.reset();
        Invalidate();
        return;
    }
    if (!FActionLink) FActionLink = std::make_unique<TWkToolButtonActionLink>(*this);
    FActionLink->SetAction(action);
    ActionChange(*action, action->IsLoading());
}

void TWkToolButton::ActionChange(const TWkAction& action, bool checkDefaults) {
    ApplyActionDefaults(*this, action, checkDefaults);
    if (!checkDefaults || !FDown) SetDown(action.Checked());
    if (!checkDefaults || FImageIndex == -1) SetImageIndex(action.ImageIndex());
    Invalidate(); // a split button's look depends on whether it has an action
}

void TWkToolButton::AssignTo(TWkAction& action) const {
    CopyControlToAction(*this, action);
    action.SetChecked(FDown);
    action.SetImageIndex(FImageIndex);
}

void TWkToolButtonActionLink::CheckedChanging(bool value) {
    if (FButton.Down() == FAction->Checked()) FButton.SetDown(value);
}

void TWkToolButtonActionLink::ImageIndexChanging(int value) {
    if (FButton.ImageIndex() == FAction->ImageIndex()) FButton.SetImageIndex(value);
}

} // namespace wk

// =========================================================================================
// Registration
// =========================================================================================

namespace wk {

void RegisterWkToolButtonClasses(ui::TClassRegistry& r) {
    using B = TWkToolButton;
    RegisterWkActionClasses(r);
    ui::RegisterControlClass<B, ui::TControl>(r, L"TWkToolButton");
    r.Property<B>(L"Action", &B::SetAction);
    r.Property<B>(L"AllowAllUp", &B::SetAllowAllUp);
    r.Property<B>(L"DisabledIndex", &B::SetDisabledIndex);
    r.Property<B>(L"GradientColorStyle", &B::SetGradientColorStyle);
    r.Property<B>(L"SelectionColorStart", &B::SetSelectionColorStart);
    r.Property<B>(L"SelectionColorStop", &B::SetSelectionColorStop);
    r.Property<B>(L"SelectionFrameColor", &B::SetSelectionFrameColor);
    r.Property<B>(L"GroupIndex", &B::SetGroupIndex);
    r.Property<B>(L"Down", &B::SetDown);
    r.Property<B>(L"DownIndex", &B::SetDownIndex);
    r.Property<B>(L"DropDownMenu", &B::SetDropDownMenu);
    r.Property<B>(L"Flat", &B::SetFlat);
    r.Property<B>(L"HotIndex", &B::SetHotIndex);
    r.Property<B>(L"ImageIndex", &B::SetImageIndex);
    r.Property<B>(L"Images", &B::SetImages);
    r.Property<B>(L"Layout", &B::SetLayout);
    r.Property<B>(L"ShowCaption", &B::SetShowCaption);
    r.Property<B>(L"Transparent", &B::SetTransparent);
    r.Property<B>(L"UseToolbarButtonLayout", &B::SetUseToolbarButtonLayout);
    r.Property<B>(L"UseToolbarButtonSize", &B::SetUseToolbarButtonSize);
    r.Property<B>(L"UseToolbarShowCaption", &B::SetUseToolbarShowCaption);
    r.Property<B>(L"UseToolbarVisualStyle", &B::SetUseToolbarVisualStyle);
    r.Property<B>(L"ToolStyle", &B::SetToolStyle);
    r.Property<B>(L"VisualStyle", &B::SetVisualStyle);
    r.Property<B>(L"OnDropDown", &B::OnDropDown);
    // Names older layouts still carry.
    r.Ignored<B>(L"GradientColorDefault");
    r.Ignored<B>(L"ThemeAware");
    r.Property<B>(L"GradientColorStart", &B::SetSelectionColorStart);
    r.Property<B>(L"GradientColorStop", &B::SetSelectionColorStop);
    r.Property<B>(L"FrameColor", &B::SetSelectionFrameColor);
    r.Property<B>(L"UseGradients", [](B& b, const ui::TLayoutValue& v, ui::TLayoutContext& c) {
        if (c.Bool(v)) b.SetVisualStyle(vsGradient);
    });
}

} // namespace wk
