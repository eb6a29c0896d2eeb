// TWkToolButton: a small windowless picture button. It shows one image of an image list
// (optionally with a caption), lights up while the pointer is over it and clicks when the
// left button is pressed and released over it. It can latch in a group (GroupIndex, Down,
// AllowAllUp) and can carry a 14-pixel drop-down arrow part that pops up a menu. An action
// (TWkAction) can drive its caption, hint, states, Down and ImageIndex, and its click.
//
// Contents: enumerations · TWkToolButton (properties, interaction, painting) · its action
// link · registration.
#pragma once
#include "ui/Control.h"
#include "ui/ImageList.h"
#include "widgets/WkAction.h"
#include "widgets/WkColors.h"
#include "widgets/WkEnums.h"
#include <cstdint>
#include <functional>
#include <memory>

namespace ui {
class TClassRegistry;
class TPopupMenu;
} // namespace ui

namespace wk {

// What the face shows.
enum TFaceState : unsigned char { fstUp, fstDisabled, fstPressed, fstLatched, fstArrowPressed };
enum TWkToolStyle : unsigned char { tsButton, tsDropDown };
inline constexpr ui::TEnumName<TWkToolStyle> kToolStyleNames[] = {{L"tsButton", tsButton}, {L"tsDropDown", tsDropDown}};
constexpr const auto& EnumNames(TWkToolStyle) { return kToolStyleNames; }
// Side of the caption on which the image stands.
enum TButtonLayout : unsigned char { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
inline constexpr ui::TEnumName<TButtonLayout> kButtonLayoutNames[] = {
    {L"blGlyphLeft", blGlyphLeft}, {L"blGlyphRight", blGlyphRight}, {L"blGlyphTop", blGlyphTop}, {L"blGlyphBottom", blGlyphBottom}};
constexpr const auto& EnumNames(TButtonLayout) { return kButtonLayoutNames; }

class TWkToolButtonActionLink;

// Width of the drop-down arrow part.
constexpr int kToolButtonArrowWidth = 14;

class TWkToolButton : public ui::TGraphicControl {
public:
    explicit TWkToolButton(ui::TComponent* owner = nullptr);
    ~TWkToolButton() override;
    std::wstring ClassName() const override { return L"TWkToolButton"; }

    // ---- Properties -------------------------------------------------------------------
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    int DisabledIndex() const { return FDisabledIndex; }
    void SetDisabledIndex(int value);
    TWkGradientColorStyle GradientColorStyle() const { return FGradientColorStyle; }
    void SetGradientColorStyle(TWkGradientColorStyle value);
    TColor SelectionColorStart() const { return FSelectionColorStart; }
    void SetSelectionColorStart(TColor value);
    TColor SelectionColorStop() const { return FSelectionColorStop; }
    void SetSelectionColorStop(TColor value);
    TColor SelectionFrameColor() const { return FSelectionFrameColor; }
    void SetSelectionFrameColor(TColor value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    bool Down() const { return FDown; }
    void SetDown(bool value);
    int DownIndex() const { return FDownIndex; }
    void SetDownIndex(int value);
    ui::TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(ui::TPopupMenu* value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    int HotIndex() const { return FHotIndex; }
    void SetHotIndex(int value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    ui::TImageList* Images() const { return FImages; }
    void SetImages(ui::TImageList* value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool UseToolbarButtonLayout() const { return FUseToolbarButtonLayout; }
    void SetUseToolbarButtonLayout(bool value);
    bool UseToolbarButtonSize() const { return FUseToolbarButtonSize; }
    void SetUseToolbarButtonSize(bool value);
    bool UseToolbarShowCaption() const { return FUseToolbarShowCaption; }
    void SetUseToolbarShowCaption(bool value);
    bool UseToolbarVisualStyle() const { return FUseToolbarVisualStyle; }
    void SetUseToolbarVisualStyle(bool value);
    TWkToolStyle ToolStyle() const { return FToolStyle; }
    void SetToolStyle(TWkToolStyle value);
    TWkVisualStyle VisualStyle() const { return FVisualStyle; }
    void SetVisualStyle(TWkVisualStyle value);
    // The action whose state the button shows and whose command its click runs (when the
    // button has no OnClick of its own); nullptr for none.
    TWkAction* Action() const;
    void SetAction(TWkAction* action);
    // Copies the button's caption, hint, states, Down (as Checked) and ImageIndex into an action.
    void AssignTo(TWkAction& action) const;

    // Fired just before the drop-down menu pops up; the sender is the menu.
    ui::TNotifyEvent OnDropDown;
    void SetBounds(int left, int top, int width, int height) override;

    // ---- Operations -------------------------------------------------------------------
    // Fires OnClick (or the action), except on a drop-down button whose click is disarmed by
    // its menu.
    void Click() override;
    virtual void OpenDropDownMenu();

    // Interaction state, read by tests and by the painting.
    TFaceState FaceState() const { return FFaceState; }
    bool MouseInside() const { return FMouseInside; }
    bool Tracking() const { return FTracking; }
    bool ClickArmed() const { return FClickArmed; }
    bool MenuShowing() const { return FMenuShowing; }

protected:
    // The one paint entry: the parent's WM_PAINT and PaintTo (pixel tests) come through here.
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;

    // ---- Painting (virtual so that descendants can restyle a piece) ----------------------
    virtual void AdoptToolbarSettings();
    virtual void PaintFace(ui::TCanvas& canvas, ui::Rect& rect);
    virtual void PaintImage(ui::TCanvas& canvas, const ui::Rect& imageRect);
    virtual void PaintArrowPart(ui::TCanvas& canvas);
    virtual void PaintCaption(ui::TCanvas& canvas, const ui::Rect& captionRect);
    virtual ui::Point ImageSize() const;
    virtual void ComputeContentRects(ui::TCanvas& canvas, ui::Rect& imageRect, ui::Rect& captionRect);

    // ---- Framework handlers -------------------------------------------------------------
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseCaptureLost() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Notification(ui::TComponent* component, ui::TOperation operation) override;
    void Loaded() override;
    void ParentChanged() override;
    void EnabledChanged() override;
    void TextChanged() override;
    bool DialogChar(wchar_t ch) override;
    // The action was assigned (checkDefaults: it is still being read from a layout, so only
    // properties at their defaults are filled).
    virtual void ActionChange(const TWkAction& action, bool checkDefaults);

private:
    friend void RegisterWkToolButtonClasses(ui::TClassRegistry& registry);

    bool IsFlatLook() const { return FVisualStyle != vsClassic || FFlat; }
    bool IsThemed() const;
    bool IsSplit() const;
    bool IsDesigning() const;
    bool PressedOrLatched() const { return FFaceState == fstPressed || FFaceState == fstLatched; }
    bool PressedLook() const; // pressed, latched, or arrow-pressed on a whole-menu button
    bool InClientArea(int x, int y) const { return x >= 0 && x < Width() && y >= 0 && y < Height(); }
    bool InArrowStrip(int x) const;
    ui::TImageList* EffectiveImages() const { return FImages; }

    void PaintGradientFace(ui::TCanvas& canvas, ui::Rect& rect);
    void PaintThemedFace(ui::TCanvas& canvas, const ui::Rect& rect);
    void PaintClassicFace(ui::TCanvas& canvas, ui::Rect& rect);
    void PaintLatchedDither(ui::TCanvas& canvas, const ui::Rect& rect);
    TSelectionColors FaceColors() const;

    void MenuPress(ui::TMouseButton button, ui::TShiftState shift, int x, int y);
    void EndPress(bool inside);
    void DropDownReleased();
    bool PointerOverClientArea() const;
    void UpdateHotState();
    void BroadcastGroup();
    // Another button of the parent changed Down, AllowAllUp or GroupIndex.
    void GroupChanged(const TWkToolButton& sender);
    void GrowToImages();
    void ImagesChanged();
    int MenuWidthEstimate() const;

    bool FAllowAllUp = false;
    int FDisabledIndex = -1;
    TWkGradientColorStyle FGradientColorStyle = gcsSystem;
    TColor FSelectionColorStart = ui::clBtnFace;
    TColor FSelectionColorStop = ui::clBtnShadow;
    TColor FSelectionFrameColor = ui::cl3DDkShadow;
    int FGroupIndex = 0;
    bool FDown = false;
    int FDownIndex = -1;
    ui::TPopupMenu* FDropDownMenu = nullptr;
    bool FFlat = true;
    int FHotIndex = -1;
    int FImageIndex = -1;
    ui::TImageList* FImages = nullptr;
    TButtonLayout FLayout = blGlyphLeft;
    bool FShowCaption = false;
    bool FTransparent = true;
    bool FUseToolbarButtonLayout = true;
    bool FUseToolbarButtonSize = true;
    bool FUseToolbarShowCaption = true;
    bool FUseToolbarVisualStyle = true;
    TWkToolStyle FToolStyle = tsButton;
    TWkVisualStyle FVisualStyle = vsWinXP;

    TFaceState FFaceState = fstUp;
    bool FMouseInside = false;
    bool FTracking = false;
    bool FClickArmed = true;
    bool FMenuShowing = false;
    DWORD FMenuClosedAt = 0; // tick count when the menu closed; 0 = none

    ui::TImageChangeLink FImageLink{[this] { ImagesChanged(); }};
    std::unique_ptr<TWkToolButtonActionLink> FActionLink;
    // Tells the press and menu code whether a handler they called destroyed the button.
    TWkLifetime FLifetime;
};

// Adds Down (from Checked) and ImageIndex to what a control takes from its action, each only
// while the button still shows the action's old value.
class TWkToolButtonActionLink : public TWkActionLink {
public:
    explicit TWkToolButtonActionLink(TWkToolButton& client) : TWkActionLink(client), FButton(client) {}

protected:
    void CheckedChanging(bool value) override;
    void ImageIndexChanging(int value) override;

private:
    TWkToolButton& FButton;
};

// Registers TWkToolButton and its stored properties (and the legacy names it still reads).
void RegisterWkToolButtonClasses(ui::TClassRegistry& registry);

} // namespace wk
