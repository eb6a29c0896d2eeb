// TWkStatusBar: a panel specialised as the bar at the bottom of a window: bottom aligned,
// 19 pixels high, frameless by default, with a flat, themed or gradient background, a size
// grip that resizes its form, and status panes.
// TWkCustomStatusPane: a windowless pane with a frame and a caption that can blink;
// TWkCustomGlyphStatus adds a glyph from an image list or a bitmap; TWkGlyphStatus publishes it.
//
// Contents: panes · glyph panes · the bar · registration.
#pragma once
#include "ui/Control.h"
#include "ui/Gdi.h"
#include "ui/ImageList.h"
#include "widgets/WkBlink.h"
#include "widgets/WkColors.h"
#include "widgets/WkEnums.h"
#include "widgets/WkPanel.h"
#include <cstdint>
#include <memory>

namespace ui { class TClassRegistry; }

namespace wk {

class TWkStatusBar;

// =========================================================================================
// TWkCustomStatusPane
// =========================================================================================

class TWkCustomStatusPane : public ui::TGraphicControl {
public:
    explicit TWkCustomStatusPane(ui::TComponent* owner = nullptr);
    ~TWkCustomStatusPane() override;
    std::wstring ClassName() const override { return L"TWkCustomStatusPane"; }

    // Caption is the control's Caption: a new text repaints the pane and re-applies AutoSize.
    ui::TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(ui::TAlignment value);
    int CaptionOffset() const { return FCaptionOffset; }
    void SetCaptionOffset(int value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    int DefaultWidth() const { return FDefaultWidth; }
    void SetDefaultWidth(int value);
    bool AutoHint() const { return FAutoHint; }
    void SetAutoHint(bool value) { FAutoHint = value; }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TFrameStyle value);
    TColor FlatColor() const { return FFlatColor; }
    void SetFlatColor(TColor value);
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    void SetFlatColorAdjustment(int value);
    TColor FillColor() const { return FFillColor; }
    void SetFillColor(TColor value);            // clears ParentFillColor
    bool ParentFillColor() const { return FParentFillColor; }
    void SetParentFillColor(bool value);        // True: FillColor follows Color again
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool Blinking() const { return FBlinking; }
    void SetBlinking(bool value);
    TColor BlinkColor() const { return FBlinkColor; }
    void SetBlinkColor(TColor value);
    // Shared by every pane: they live in the process-wide blink list.
    std::uint16_t BlinkIntervalOff() const;
    void SetBlinkIntervalOff(std::uint16_t ms);
    std::uint16_t BlinkIntervalOn() const;
    void SetBlinkIntervalOn(std::uint16_t ms);
    TWkFrameController* FrameController() const { return FFrameLink.Controller(); }
    void SetFrameController(TWkFrameController* value) { FFrameLink.SetController(value); }
    TWkFrameControllerNotifications FrameControllerNotifications() const { return FFrameLink.Notifications(); }
    void SetFrameControllerNotifications(TWkFrameControllerNotifications value) { FFrameLink.SetNotifications(value); }

    // The application's hint action: with AutoHint the pane shows the hint; true = handled.
    bool HintAction(const std::wstring& hint);

    // The colour the caption is drawn in now (the font colour, or BlinkColor in the blink phase).
    TColor DisplayedCaptionColor() const { return FDisplayedColor; }

    void Loaded() override;

protected:
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;
    virtual void PaintFrame(ui::TCanvas& canvas);
    virtual void PaintPaneCaption(ui::TCanvas& canvas);
    // Takes the controller's settings (when its frame is visible), each only when it is in
    // FrameControllerNotifications: frame style, frame colour as FlatColor, Color, ParentColor.
    virtual void ApplyFrameController(const TWkFrameController& controller);
    // The client rectangle inside BorderWidth and the frame (before any glyph).
    ui::Rect FrameContentRect() const;
    // Where the caption goes; glyph panes take their glyph's side off it.
    virtual ui::Rect ContentRect() const { return FrameContentRect(); }
    // Width AutoSize gives to a non-empty caption of the measured text width.
    virtual int AutoSizeWidth(int textWidth) const;
    void ApplyAutoSize();
    // The status bar this pane sits on, if any.
    TWkStatusBar* StatusBar() const;
    bool OnThemedBar() const;

    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool HitTest(ui::Point local) const override;
    void TextChanged() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    ui::TAlignment FAlignment = ui::taLeftJustify;
    int FCaptionOffset = 2;
    bool FAutoSize = false;
    int FDefaultWidth = 40;
    bool FAutoHint = false;
    int FBorderWidth = 1;
    TFrameStyle FFrameStyle = fsFlat;
    TColor FFlatColor = ui::clBtnShadow;
    int FFlatColorAdjustment = 30;
    TColor FFillColor = ui::clBtnFace;
    bool FParentFillColor = true;
    bool FTransparent = true;
    bool FBlinking = false;
    TColor FBlinkColor = ui::clHighlight;
    TColor FNormalColor = ui::clWindowText;
    TColor FDisplayedColor = ui::clWindowText;
    std::unique_ptr<TWkBlinkReceiver> FBlinkReceiver;
    TWkFrameControllerLink FFrameLink{*this, [this](const TWkFrameController& fc) { ApplyFrameController(fc); }};
};

// =========================================================================================
// TWkCustomGlyphStatus / TWkGlyphStatus
// =========================================================================================

enum TGlyphAlignment : unsigned char { gaLeft, gaRight };
inline constexpr ui::TEnumName<TGlyphAlignment> kGlyphAlignmentNames[] = {{L"gaLeft", gaLeft}, {L"gaRight", gaRight}};
constexpr const auto& EnumNames(TGlyphAlignment) { return kGlyphAlignmentNames; }

class TWkCustomGlyphStatus : public TWkCustomStatusPane {
public:
    explicit TWkCustomGlyphStatus(ui::TComponent* owner = nullptr);
    ~TWkCustomGlyphStatus() override;
    std::wstring ClassName() const override { return L"TWkCustomGlyphStatus"; }

    ui::TImageList* Images() const { return FImages; }
    void SetImages(ui::TImageList* value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    int DisabledIndex() const { return FDisabledIndex; }
    void SetDisabledIndex(int value);
    // The bitmap glyph (used when no image is selected); up to 4 cells side by side.
    HBITMAP Glyph() const { return FGlyph.Get(); }
    void SetGlyph(ui::BitmapOwner bitmap);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int value);               // clamped to 1..4
    TGlyphAlignment GlyphAlignment() const { return FGlyphAlignment; }
    void SetGlyphAlignment(TGlyphAlignment value);
    int GlyphOffset() const { return FGlyphOffset; }
    void SetGlyphOffset(int value);
    bool ShowGlyph() const { return FShowGlyph; }
    void SetShowGlyph(bool value);

    void Notification(ui::TComponent* component, ui::TOperation operation) override;

protected:
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;
    virtual void PaintGlyph(ui::TCanvas& canvas);
    ui::Rect ContentRect() const override;
    int AutoSizeWidth(int textWidth) const override;

private:
    bool ImageSelected() const { return FImages && FImageIndex != -1; }
    // The glyph's source changed: repaint now and fit the automatic width to it.
    void GlyphChanged();
    ui::Size GlyphSize() const;
    int FrameWidth() const;

    ui::TImageList* FImages = nullptr;
    ui::TImageChangeLink FImagesLink{[this] { GlyphChanged(); }}; // new pictures or sizes in FImages
    int FImageIndex = -1;
    int FDisabledIndex = -1;
    ui::BitmapOwner FGlyph;
    int FNumGlyphs = 1;
    TGlyphAlignment FGlyphAlignment = gaLeft;
    int FGlyphOffset = 2;
    bool FShowGlyph = true;
};

class TWkGlyphStatus : public TWkCustomGlyphStatus {
public:
    explicit TWkGlyphStatus(ui::TComponent* owner = nullptr) : TWkCustomGlyphStatus(owner) {}
    std::wstring ClassName() const override { return L"TWkGlyphStatus"; }
};

// =========================================================================================
// TWkStatusBar
// =========================================================================================

class TWkStatusBar : public TWkCustomPanel {
public:
    // Zone at the bar's right end where a press starts sizing the form: the rightmost 12
    // pixels, the same strip a pane at the right end leaves to the bar.
    static constexpr int kGripZoneWidth = 12;

    explicit TWkStatusBar(ui::TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TWkStatusBar"; }

    // While set, loading ends by putting back the bar's own look: bottom aligned, 19 pixels
    // high, no frames on any side of width 0.
    bool AutoStyle() const { return FAutoStyle; }
    void SetAutoStyle(bool value) { FAutoStyle = value; }
    bool ShowSizeGrip() const { return FShowSizeGrip; }
    void SetShowSizeGrip(bool value);
    bool SimpleStatus() const { return FSimpleStatus; }
    void SetSimpleStatus(bool value);
    const std::wstring& SimpleCaption() const { return FSimpleCaption; }
    void SetSimpleCaption(const std::wstring& value);
    TFrameStyle SimpleFrameStyle() const { return FSimpleFrameStyle; }
    void SetSimpleFrameStyle(TFrameStyle value);
    bool AutoScalePanes() const { return FAutoScalePanes; }
    void SetAutoScalePanes(bool value) { FAutoScalePanes = value; }

    // Setting a frame to a different value ends the automatic frame style.
    void SetBorderOuter(TFrameStyleEx value) override;
    void SetBorderInner(TFrameStyleEx value) override;
    void SetBorderSides(TSides value) override;

    // The gradient's edge colours as the bar paints them (start = top for gdHorizontalEnd).
    TGradientColors BarGradientColors() const;
    // The grip is allowed: the form exists, is sizeable and is not maximised (recomputed).
    bool SizeGripAllowed() const { return FSizeGripAllowed; }
    bool SizeGripActive() const { return FShowSizeGrip && FSizeGripAllowed; }
    // The rectangle the bar paints its simple text and its size grip in.
    ui::Rect BarPaintRect() const;
    // Paints the bar and its panes and then the size grip over them.
    void PaintTo(HDC dc, const ui::Rect& update) override;

    void Loaded() override;

protected:
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;
    void PaintSizeGrip(ui::TCanvas& canvas);
    void PaintSimpleFrame(ui::TCanvas& canvas, const ui::Rect& rect);
    void UpdateSizeGripAllowed();

    void CreateWnd() override;
    void Resize() override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    bool SetCursorFor(ui::Point client) override;

private:
    bool InGripZone(ui::Point p) const;
    void ApplyAutoStyle();

    bool FAutoStyle = true;
    bool FShowSizeGrip = true;
    bool FSimpleStatus = false;
    std::wstring FSimpleCaption;
    TFrameStyle FSimpleFrameStyle = fsFlat;
    bool FAutoScalePanes = false;
    bool FSizeGripAllowed = false;
    int FLastWidth = 0;
    bool FFirstResize = true;
};

// A one-pixel frame on rect in `color` without its four corner pixels (the flat frame of
// panes and of the simple caption).
void PaintCornerlessFrame(ui::TCanvas& canvas, const ui::Rect& rect, TColor color);

// Registers the status bar and pane classes with their stored properties.
void RegisterWkStatusBarClasses(ui::TClassRegistry& registry);

} // namespace wk
