// TWkCustomPanel / TWkPanel: the kit's container. It paints an outer frame, a band of
// BorderColor and an inner frame (any TFrameStyleEx, on any subset of sides), fills the rest
// flat or with a gradient, can draw a grid and a caption, and lays its children out inside
// BorderWidth and the frames. The status bar and the splitter derive from TWkCustomPanel.
//
// A frame controller (WkFrameController.h) can hand the panel its frame style, sides and
// colours.
#pragma once
#include "ui/Control.h"
#include "widgets/WkEnums.h"
#include "widgets/WkFrameController.h"
#include "widgets/WkFrames.h"
#include <string>
#include <utility>
#include <vector>

namespace ui {
class TClassRegistry;
class TLayoutContext;
struct TLayoutValue;
} // namespace ui

namespace wk {

using ui::TColor;

enum TWkGridStyle : unsigned char { gsDots, gsDottedLines, gsSolidLines };

class TWkCustomPanel : public ui::TCustomControl {
public:
    explicit TWkCustomPanel(ui::TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TWkCustomPanel"; }

    // --- frames -------------------------------------------------------------------------------
    TFrameStyleEx BorderOuter() const { return FFrame.BorderOuter; }
    virtual void SetBorderOuter(TFrameStyleEx value);
    TFrameStyleEx BorderInner() const { return FFrame.BorderInner; }
    virtual void SetBorderInner(TFrameStyleEx value);
    TSides BorderSides() const { return FFrame.BorderSides; }
    virtual void SetBorderSides(TSides value);
    void SetBorderWidth(int value) override;
    int BevelWidth() const { return FFrame.BevelWidth; }
    void SetBevelWidth(int value);                  // at least 1
    TColor BorderColor() const { return FFrame.BorderColor; }
    void SetBorderColor(TColor value);
    TColor BorderHighlight() const { return FFrame.BorderHighlight; }
    void SetBorderHighlight(TColor value);
    TColor BorderShadow() const { return FFrame.BorderShadow; }
    void SetBorderShadow(TColor value);
    TColor FlatColor() const { return FFrame.FlatColor; }
    void SetFlatColor(TColor value);
    int FlatColorAdjustment() const { return FFrame.FlatColorAdjustment; }
    void SetFlatColorAdjustment(int value);
    // All of the above in one value, BorderWidth included.
    TFrameSettings FrameSettings() const;

    // --- fill ---------------------------------------------------------------------------------
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    TWkVisualStyle VisualStyle() const { return FVisualStyle; }
    void SetVisualStyle(TWkVisualStyle value);
    TWkGradientColorStyle GradientColorStyle() const { return FGradientColorStyle; }
    void SetGradientColorStyle(TWkGradientColorStyle value);
    TColor GradientColorStart() const { return FGradientColorStart; }
    void SetGradientColorStart(TColor value);
    TColor GradientColorStop() const { return FGradientColorStop; }
    void SetGradientColorStop(TColor value);
    TGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(TGradientDirection value);
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool value) { FFullRepaint = value; }

    // --- caption ------------------------------------------------------------------------------
    ui::TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(ui::TAlignment value);
    TAlignmentVertical AlignmentVertical() const { return FAlignmentVertical; }
    void SetAlignmentVertical(TAlignmentVertical value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    int TextMargin() const { return FTextMargin; }
    void SetTextMargin(int value);

    // --- grid ---------------------------------------------------------------------------------
    bool ShowGrid() const { return FShowGrid; }
    void SetShowGrid(bool value);
    TWkGridStyle GridStyle() const { return FGridStyle; }
    void SetGridStyle(TWkGridStyle value);
    TColor GridColor() const { return FGridColor; }
    void SetGridColor(TColor value);
    int GridXSize() const { return FGridXSize; }
    void SetGridXSize(int value);                   // 0..65535
    int GridYSize() const { return FGridYSize; }
    void SetGridYSize(int value);

    // --- docking and frame controller ---------------------------------------------------------
    bool ShowDockClientCaptions() const { return FShowDockClientCaptions; }
    void SetShowDockClientCaptions(bool value);
    bool DockSite() const { return FDockSite; }
    void SetDockSite(bool value) { FDockSite = value; }
    TWkFrameController* FrameController() const { return FFrameLink.Controller(); }
    void SetFrameController(TWkFrameController* value) { FFrameLink.SetController(value); }
    TWkFrameControllerNotifications FrameControllerNotifications() const { return FFrameLink.Notifications(); }
    void SetFrameControllerNotifications(TWkFrameControllerNotifications value) { FFrameLink.SetNotifications(value); }

    // The rectangle left inside BorderWidth and the frames on BorderSides, client coordinates.
    ui::Rect ContentRect() const;
    // Invalidates every windowed child marked transparent (gradient changes show through them).
    void RepaintTransparentChildren();

    ui::TNotifyEvent OnPaint;   // at the end of every paint

    void SetBounds(int left, int top, int width, int height) override;
    void Notification(ui::TComponent* component, ui::TOperation operation) override;

protected:
    // The whole paint, in this order: frames, fill, grid, caption, OnPaint.
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;
    // Steps of Paint that derived widgets reuse.
    ui::Rect PaintFrames(ui::TCanvas& canvas, const ui::Rect& bounds);
    void PaintFill(ui::TCanvas& canvas, const ui::Rect& content);
    void PaintGrid(ui::TCanvas& canvas, const ui::Rect& content);
    void PaintCaption(ui::TCanvas& canvas, const ui::Rect& content);

    // Takes the controller's settings (when its frame is visible), each only when it is in
    // FrameControllerNotifications: frame style as BorderOuter, sides, frame colour as
    // FlatColor, Color with the bevel colours derived from it, and ParentColor.
    virtual void ApplyFrameController(const TWkFrameController& controller);

    void AdjustClientRect(ui::Rect& rect) const override;
    void CreateWnd() override;
    void ApplyBounds(const ui::Rect& r) override;
    void EnabledChanged() override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void TextChanged() override;

    // Colour the fsFlatRounded frames blend with; the parent's when there is one.
    TColor ParentColorValue() const;
    // A change of frames or sides: children move, the panel repaints.
    void FramesChanged();

private:
    void InvalidateResizeStrips(ui::Size oldSize, ui::Size newSize);

    // The band's width is the framework's BorderWidth, which also insets the children: it
    // is not kept here a second time (FrameSettings fills it in).
    TFrameSettings FFrame{.BorderOuter = fsRaised};
    bool FTransparent = false;
    TWkVisualStyle FVisualStyle = vsWinXP;
    TWkGradientColorStyle FGradientColorStyle = gcsSystem;
    TColor FGradientColorStart = ui::clWhite;
    TColor FGradientColorStop = ui::clBtnFace;
    TGradientDirection FGradientDirection = gdHorizontalEnd;
    bool FFullRepaint = true;
    ui::TAlignment FAlignment = ui::taCenter;
    TAlignmentVertical FAlignmentVertical = avCenter;
    bool FWordWrap = true;
    int FTextMargin = 0;
    bool FShowGrid = false;
    TWkGridStyle FGridStyle = gsDots;
    TColor FGridColor = ui::clBtnShadow;
    int FGridXSize = 8;
    int FGridYSize = 8;
    bool FShowDockClientCaptions = true;
    bool FDockSite = false;
    TWkFrameControllerLink FFrameLink{*this, [this](const TWkFrameController& fc) { ApplyFrameController(fc); }};
    // Each child's enabled state when the panel was last disabled.
    std::vector<std::pair<ui::TControl*, bool>> FChildEnabled;
};

class TWkPanel : public TWkCustomPanel {
public:
    explicit TWkPanel(ui::TComponent* owner = nullptr) : TWkCustomPanel(owner) {}
    std::wstring ClassName() const override { return L"TWkPanel"; }
};

// Layout value readers the kit's registrations share.
TFrameStyleEx ReadFrameStyle(const ui::TLayoutValue& value, ui::TLayoutContext& context);
TSides ReadSides(const ui::TLayoutValue& value, ui::TLayoutContext& context);

// Registers TWkPanel and the properties of every TWkCustomPanel (derived widgets included).
void RegisterWkPanelClasses(ui::TClassRegistry& registry);

} // namespace wk
