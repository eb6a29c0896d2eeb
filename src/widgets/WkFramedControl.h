// The part the kit's tree view and memo share: a platform control whose sunken two-pixel
// border is painted over with one of the kit's frames (in the non-client area, so the control
// keeps its whole client area), and whose background follows its state: DisabledColor while
// disabled, FocusColor while focused, otherwise the normal colour (the last Color set from
// outside). FocusColor left equal to the normal colour follows Color when it changes.
#pragma once
#include "ui/Control.h"
#include "widgets/WkEnums.h"
#include "widgets/WkFrameController.h"

namespace ui { class TClassRegistry; }

namespace wk {

class TWkFramedControl : public ui::TWinControl {
public:
    explicit TWkFramedControl(ui::TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TWkFramedControl"; }

    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TFrameStyle value);
    ui::TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(ui::TColor value);
    // True also makes the frame visible and, outside loading, framed on all four sides.
    bool FrameHotTrack() const { return FFrameHotTrack; }
    void SetFrameHotTrack(bool value);
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    void SetFrameHotStyle(TFrameStyle value);
    ui::TColor FrameHotColor() const { return FFrameHotColor; }
    void SetFrameHotColor(ui::TColor value);
    TSides FrameSides() const { return FFrameSides; }
    void SetFrameSides(TSides value);
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    void SetFramingPreference(TFramingPreference value);
    ui::TColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(ui::TColor value);
    ui::TColor DisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(ui::TColor value);

    TWkFrameController* FrameController() const { return FFrameLink.Controller(); }
    void SetFrameController(TWkFrameController* value) { FFrameLink.SetController(value); }
    TWkFrameControllerNotifications FrameControllerNotifications() const { return FFrameLink.Notifications(); }
    void SetFrameControllerNotifications(TWkFrameControllerNotifications value) { FFrameLink.SetNotifications(value); }

    // Paints the frame over the non-client border; the canvas origin is the window's top-left
    // corner. WM_NCPAINT and the pixel tests enter here.
    void PaintNonClient(ui::TCanvas& canvas);
    // Whether the frame is drawn in its hot style now.
    bool FrameIsHot() const;

    void Loaded() override;

protected:
    // The background for the current state; UpdateColors applies it.
    virtual ui::TColor StateColor() const;
    virtual void UpdateColors();
    virtual void UpdateFrameState(bool storeMouseOver, bool mouseOver);
    virtual void RepaintFrame();
    virtual bool UsesThemedFrame() const;
    // Takes the controller's settings that are in FrameControllerNotifications.
    virtual void ApplyFrameController(const TWkFrameController& controller);
    bool TakesFromController(TWkFrameControllerProperty p) const { return FFrameLink.Takes(p); }
    // The background colour changed (from outside or through UpdateColors).
    virtual void BackgroundChanged() {}
    ui::TColor NormalColor() const { return FNormalColor; }
    bool HasFocus() const { return HandleAllocated() && Focused(); }

    void CreateParams(ui::TCreateParams& params) override;
    bool NcPaint(HRGN region) override;
    void FocusChanged(bool focused) override;
    void EnabledChanged() override;
    void ColorChanged() override;
    void Resize() override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    bool FFrameVisible = false;
    TFrameStyle FFrameStyle = fsFlat;
    ui::TColor FFrameColor = ui::clBtnShadow;
    bool FFrameHotTrack = false;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    ui::TColor FFrameHotColor = ui::clBtnShadow;
    TSides FFrameSides = kAllSides;
    TFramingPreference FFramingPreference = fpXPThemes;
    ui::TColor FFocusColor = ui::clWindow;
    ui::TColor FDisabledColor = ui::clBtnFace;
    ui::TColor FNormalColor = ui::clWindow;
    bool FSettingOwnColor = false;
    bool FMouseOver = false;
    TWkFrameControllerLink FFrameLink{*this, [this](const TWkFrameController& fc) { ApplyFrameController(fc); }};
};

// The frame and state-colour properties, for every class derived from TWkFramedControl,
// with the legacy names older layouts carry.
void RegisterWkFramedControlProperties(ui::TClassRegistry& registry);

} // namespace wk
