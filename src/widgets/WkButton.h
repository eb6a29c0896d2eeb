// TWkButton: a windowed push button that draws itself. It takes the focus, answers Space,
// Enter (while it is the active default), Escape (as the cancel button) and its accelerator
// letter, can latch in a group, and on a click stores its ModalResult in its form so that a
// modal dialog closes. Three looks: the desktop theme's push button, a flat hot-tracking
// look with gradients, or a classic 3-D border.
//
// TWkCustomButton holds the text styles, hot tracking, focus and mouse logic; TWkButton adds
// alignment, default/cancel, modal result, groups, the action link and the painting.
#pragma once
#include "ui/Control.h"
#include "widgets/WkAction.h"
#include "widgets/WkColors.h"
#include "widgets/WkEnums.h"
#include <memory>

namespace ui { class TClassRegistry; }

namespace wk {

class TWkButtonActionLink;

class TWkCustomButton : public ui::TCustomControl {
public:
    explicit TWkCustomButton(ui::TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TWkCustomButton"; }

    TAlignmentVertical AlignmentVertical() const { return FAlignmentVertical; }
    virtual void SetAlignmentVertical(TAlignmentVertical value);
    bool HotTrack() const { return FHotTrack; }
    virtual void SetHotTrack(bool value);
    TColor HighlightColor() const { return FHighlightColor; }
    virtual void SetHighlightColor(TColor value);
    TColor HotTrackColor() const { return FHotTrackColor; }
    void SetHotTrackColor(TColor value);
    TWkHotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
    void SetHotTrackColorType(TWkHotTrackColorType value);
    bool LightTextStyle() const { return FLightTextStyle; }
    virtual void SetLightTextStyle(bool value);
    TTextStyle TextStyle() const { return FTextStyle; }
    virtual void SetTextStyle(TTextStyle value);
    TColor TextHighlightColor() const { return FTextHighlightColor; }
    virtual void SetTextHighlightColor(TColor value);
    TColor TextShadowColor() const { return FTextShadowColor; }
    virtual void SetTextShadowColor(TColor value);
    int TextShadowDepth() const { return FTextShadowDepth; }
    virtual void SetTextShadowDepth(int value);
    bool ThemeAware() const { return FThemeAware; }
    virtual void SetThemeAware(bool value);
    bool Transparent() const { return FTransparent; }

    // Interaction state (tests read it).
    bool Tracking() const { return FTracking; }
    bool PressedLook() const { return FPressedLook; }
    bool MouseInside() const { return FMouseInside; }
    bool SpacePressed() const { return FSpacePressed; }

protected:
    virtual void RefreshLook() {}
    virtual void RedrawNow() { Repaint(); }
    virtual ui::Rect HotTrackArea() const { return ClientRect(); }
    // Draws text in the text style; the caller has set the canvas font and colour.
    virtual void PaintStyledText(ui::TCanvas& canvas, const ui::Rect& rect, UINT format);
    // A press completed by mouse or Space.
    virtual void PerformPress() = 0;
    virtual void SetTransparent(bool value);
    bool IsThemed() const;
    bool InClientArea(ui::Point p) const { return p.x >= 0 && p.x < Width() && p.y >= 0 && p.y < Height(); }

    // Framework handlers.
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseCaptureLost() override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool KeyDown(WORD key, ui::TShiftState shift) override;
    bool KeyUp(WORD key, ui::TShiftState shift) override;
    void FocusChanged(bool focused) override;
    void EnabledChanged() override;
    void TextChanged() override;

    bool FTracking = false;
    bool FPressedLook = false;
    bool FMouseInside = false;
    bool FSpacePressed = false;
    // Tells the press, key and click code whether a handler they called destroyed the button.
    TWkLifetime FLifetime;

private:
    TAlignmentVertical FAlignmentVertical = avCenter;
    bool FHotTrack = false;
    TColor FHighlightColor = ui::clHighlight;
    TColor FHotTrackColor = 1350640; // RGB(240, 155, 20)
    TWkHotTrackColorType FHotTrackColorType = htctActual;
    bool FLightTextStyle = false;
    TTextStyle FTextStyle = tsNormal;
    TColor FTextHighlightColor = ui::clBtnHighlight;
    TColor FTextShadowColor = ui::clBtnShadow;
    int FTextShadowDepth = 2;
    bool FThemeAware = true;
    bool FTransparent = false;
};

class TWkButton : public TWkCustomButton {
public:
    explicit TWkButton(ui::TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TWkButton"; }

    ui::TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(ui::TAlignment value);
    bool AllowAllUp() const { return FAllowAllUp; }
    virtual void SetAllowAllUp(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    bool Default() const { return FDefault; }
    virtual void SetDefault(bool value);
    bool DropDownOnEnter() const { return FDropDownOnEnter; }
    void SetDropDownOnEnter(bool value) { FDropDownOnEnter = value; }
    bool Down() const { return FDown; }
    virtual void SetDown(bool value);
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor value);
    int GroupIndex() const { return FGroupIndex; }
    virtual void SetGroupIndex(int value);
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int value) { FModalResult = value; }
    bool ShowDownPattern() const { return FShowDownPattern; }
    virtual void SetShowDownPattern(bool value);
    bool ShowFocusRect() const { return FShowFocusRect; }
    virtual void SetShowFocusRect(bool value);
    // The action whose caption, hint, states and Checked (as Down) the button shows and whose
    // command its click runs when the button has no OnClick of its own; nullptr for none.
    TWkAction* Action() const;
    void SetAction(TWkAction* action);
    // Copies the button's caption, hint, states and Down (as Checked) into an action.
    void AssignTo(TWkAction& action) const;

    // The parent form's ModalResult := ModalResult, then OnClick (or the action).
    void Click() override;

    // Enter clicks this button now.
    bool ActsAsDefault() const { return FActsAsDefault; }
    bool InClick() const { return FInClick; }
    bool EnterKeyClick() const { return FEnterKeyClick; }

protected:
    // The one paint entry: WM_PAINT, WM_PRINTCLIENT and PaintTo (pixel tests) come through here.
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;

    virtual ui::Rect CaptionRect() const;
    virtual void PaintButtonCaption(ui::TCanvas& canvas);
    void RefreshLook() override { Invalidate(); }
    void PerformPress() override;

    void CreateWnd() override;
    bool DialogKey(WORD key, ui::TShiftState shift) override;
    bool DialogChar(wchar_t ch) override;
    void ActiveControlChanged(ui::TWinControl* focused) override;
    // The action was assigned (checkDefaults: it is still being read from a layout, so only
    // properties at their defaults are filled).
    virtual void ActionChange(const TWkAction& action, bool checkDefaults);

private:
    friend void RegisterWkButtonClasses(ui::TClassRegistry& registry);

    bool ShownDown() const { return FDown || FPressedLook; }
    bool IsActiveLook() const { return (FActsAsDefault || Focused()) && !FPressedLook; }
    void PaintThemedFace(ui::TCanvas& canvas, const ui::Rect& rect);
    void PaintHotTrackFace(ui::TCanvas& canvas, ui::Rect& rect);
    void PaintClassicFace(ui::TCanvas& canvas, ui::Rect& rect);
    void PaintDownPattern(ui::TCanvas& canvas, const ui::Rect& rect);
    void ReevaluateDefault(ui::TWinControl* focused);
    void BroadcastGroup();
    // Another button of the parent changed Down, AllowAllUp or GroupIndex.
    void GroupChanged(const TWkButton& sender);

    ui::TAlignment FAlignment = ui::taCenter;
    bool FAllowAllUp = false;
    bool FCancel = false;
    bool FDefault = false;
    bool FDropDownOnEnter = true;
    bool FDown = false;
    TColor FFrameColor = ui::cl3DDkShadow;
    int FGroupIndex = 0;
    int FModalResult = 0;
    bool FShowDownPattern = true;
    bool FShowFocusRect = true;

    bool FActsAsDefault = false;
    bool FInClick = false;
    bool FEnterKeyClick = false;
    std::unique_ptr<TWkButtonActionLink> FActionLink;
};

// Adds Down (from Checked) to what a control takes from its action, while the button still
// shows the action's old value.
class TWkButtonActionLink : public TWkActionLink {
public:
    explicit TWkButtonActionLink(TWkButton& client) : TWkActionLink(client), FButton(client) {}

protected:
    void CheckedChanging(bool value) override;

private:
    TWkButton& FButton;
};

// Registers TWkButton and its stored properties (and the legacy "FrameFlat").
void RegisterWkButtonClasses(ui::TClassRegistry& registry);

} // namespace wk
