// Status panes: TWkCustomStatusPane (frame, caption, blinking) and TWkCustomGlyphStatus
// (glyph from an image list or a bitmap). Sections: blink receiver · pane · glyph pane.
// The bar they sit on is in WkStatusBar.cpp.
#include "widgets/WkBlink.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkStatusBar.h"
#include "widgets/WkThemeParts.h"
#include <algorithm>
#include <cstdlib>

namespace wk {

using ui::Rect;
using ui::TCanvas;

// =========================================================================================
// TWkCustomStatusPane
// =========================================================================================

namespace {

// Width the pane's frame takes on each side.
int PaneFrameWidth(TFrameStyle style) {
    switch (style) {
    case fsNone: return 0;
    case fsFlat:
    case fsStatus:
    case fsPopup: return 1;
    default: return 2;
    }
}

void VerticalLine(TCanvas& canvas, int x, int y0, int y1) {
    if (y1 <= y0) return;
    canvas.MoveTo(x, y0);
    canvas.LineTo(x, y1);
}

void HorizontalLine(TCanvas& canvas, int y, int x0, int x1) {
    if (x1 <= x0) return;
    canvas.MoveTo(x0, y);
    canvas.LineTo(x1, y);
}

} // namespace

void PaintCornerlessFrame(TCanvas& canvas, const Rect& r, TColor color) {
    canvas.SetPen(color);
    VerticalLine(canvas, r.left, r.top + 1, r.bottom - 1);
    HorizontalLine(canvas, r.top, r.left + 1, r.right - 1);
    VerticalLine(canvas, r.right - 1, r.top + 1, r.bottom - 1);
    HorizontalLine(canvas, r.bottom - 1, r.left + 1, r.right - 1);
}

TWkCustomStatusPane::TWkCustomStatusPane(ui::TComponent* owner) : ui::TGraphicControl(owner) {
    SetBounds(Left(), Top(), 100, 20);
    FFillColor = Color();
    FNormalColor = FDisplayedColor = Font().Color;
    // The blink list talks to window handles and a pane is windowless: a receiver stands for it.
    FBlinkReceiver = std::make_unique<TWkBlinkReceiver>([this](UINT msg, WPARAM w, LPARAM l) { return Perform(msg, w, l); });
}

TWkCustomStatusPane::~TWkCustomStatusPane() = default;

void TWkCustomStatusPane::SetAlignment(ui::TAlignment value) { SetAndInvalidate(FAlignment, value); }

void TWkCustomStatusPane::SetCaptionOffset(int value) {
    if (FCaptionOffset == value) return;
    FCaptionOffset = value;
    Invalidate();
    ApplyAutoSize();
}

void TWkCustomStatusPane::SetAutoSize(bool value) {
    if (FAutoSize == value) return;
    FAutoSize = value;
    Invalidate();
    ApplyAutoSize();
}

void TWkCustomStatusPane::SetDefaultWidth(int value) {
    if (FDefaultWidth == value) return;
    FDefaultWidth = value;
    ApplyAutoSize();
}

void TWkCustomStatusPane::SetBorderWidth(int value) { SetAndInvalidate(FBorderWidth, value); }
void TWkCustomStatusPane::SetFrameStyle(TFrameStyle value) { SetAndInvalidate(FFrameStyle, value); }
void TWkCustomStatusPane::SetFlatColor(TColor value) { SetAndInvalidate(FFlatColor, value); }
void TWkCustomStatusPane::SetFlatColorAdjustment(int value) { SetAndInvalidate(FFlatColorAdjustment, value); }

void TWkCustomStatusPane::ApplyFrameController(const TWkFrameController& fc) {
    if (!fc.FrameVisible()) return;
    const auto takes = [this](TWkFrameControllerProperty p) { return FFrameLink.Takes(p); };
    if (takes(fcpFrameStyle)) SetFrameStyle(fc.FrameStyle());
    if (takes(fcpFrameColor)) {
        // The controller's frame colour is meant as drawn, not shifted.
        SetFlatColor(fc.FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (takes(fcpColor)) SetColor(fc.Color());
    if (takes(fcpParentColor)) SetParentColor(fc.ParentColor());
    Invalidate();
}

void TWkCustomStatusPane::SetFillColor(TColor value) {
    FParentFillColor = false;
    if (FFillColor == value) return;
    FFillColor = value;
    Invalidate();
}

void TWkCustomStatusPane::SetParentFillColor(bool value) {
    if (FParentFillColor == value) return;
    FParentFillColor = value;
    if (value) {
        FFillColor = Color();
        Invalidate();
    }
}

void TWkCustomStatusPane::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    // An opaque pane paints its whole rectangle: the parent need not paint beneath it.
    SetControlStyle(value ? ControlStyle() & ~ui::csOpaque : ControlStyle() | ui::csOpaque);
    Invalidate();
}

void TWkCustomStatusPane::SetBlinking(bool value) {
    if (FBlinking == value) return;
    FBlinking = value;
    if (!value) {
        FDisplayedColor = FNormalColor;
        Repaint();
    }
}

void TWkCustomStatusPane::SetBlinkColor(TColor value) { SetAndInvalidate(FBlinkColor, value); }

std::uint16_t TWkCustomStatusPane::BlinkIntervalOff() const {
    const TWkBlinkingControlsList* list = BlinkingControls();
    return list ? list->IntervalOff() : TWkBlinkingControlsList::kDefaultInterval;
}

void TWkCustomStatusPane::SetBlinkIntervalOff(std::uint16_t ms) {
    if (TWkBlinkingControlsList* list = BlinkingControls()) list->SetIntervalOff(ms);
}

std::uint16_t TWkCustomStatusPane::BlinkIntervalOn() const {
    const TWkBlinkingControlsList* list = BlinkingControls();
    return list ? list->IntervalOn() : TWkBlinkingControlsList::kDefaultInterval;
}

void TWkCustomStatusPane::SetBlinkIntervalOn(std::uint16_t ms) {
    if (TWkBlinkingControlsList* list = BlinkingControls()) list->SetIntervalOn(ms);
}

bool TWkCustomStatusPane::HintAction(const std::wstring& hint) {
    if (!FAutoHint) return false;
    SetCaption(hint);
    return true;
}

void TWkCustomStatusPane::Loaded() {
    ui::TGraphicControl::Loaded();
    FNormalColor = Font().Color;
    if (!FBlinking) FDisplayedColor = FNormalColor;
    if (!ParentColor()) SetTransparent(false);
    ApplyAutoSize();
}

void TWkCustomStatusPane::TextChanged() {
    ui::TGraphicControl::TextChanged(); // invalidates
    ApplyAutoSize();
}

void TWkCustomStatusPane::FontChanged() {
    FNormalColor = Font().Color;
    if (!FBlinking) FDisplayedColor = FNormalColor;
    ui::TGraphicControl::FontChanged();
    ApplyAutoSize();
}

void TWkCustomStatusPane::ColorChanged() {
    if (FParentFillColor) FFillColor = Color();
    ui::TGraphicControl::ColorChanged();
}

bool TWkCustomStatusPane::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case CM_BLINKQUERY:
        result = FBlinking ? 1 : 0;
        return true;
    case CM_BLINKSTATE:
        if (FBlinking) {
            FDisplayedColor = wParam == 1 ? FBlinkColor : FNormalColor;
            Repaint();
        }
        result = 0;
        return true;
    default: return ui::TGraphicControl::HandleMessage(msg, wParam, lParam, result);
    }
}

bool TWkCustomStatusPane::HitTest(ui::Point local) const {
    // The bar's size grip lies over the rightmost pane: let the press reach the bar there.
    const TWkStatusBar* bar = StatusBar();
    if (!bar || !bar->SizeGripActive() || Left() + Width() < bar->ClientRect().right) return true;
    return Left() + local.x < bar->ClientRect().right - TWkStatusBar::kGripZoneWidth;
}

TWkStatusBar* TWkCustomStatusPane::StatusBar() const { return dynamic_cast<TWkStatusBar*>(Parent()); }

bool TWkCustomStatusPane::OnThemedBar() const {
    const TWkStatusBar* bar = StatusBar();
    return bar && bar->VisualStyle() == vsWinXP && VisualThemesActive();
}

int TWkCustomStatusPane::AutoSizeWidth(int textWidth) const {
    return textWidth + 2 * FBorderWidth + FCaptionOffset + 6;
}

void TWkCustomStatusPane::ApplyAutoSize() {
    if (!FAutoSize || IsLoading()) return;
    int width = FDefaultWidth;
    if (!Caption().empty()) {
        ui::WindowDc screen(nullptr);
        TCanvas canvas(screen);
        canvas.SetFont(Font());
        Rect r{0, 0, 0, 0};
        canvas.DrawText(Caption(), r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
        width = AutoSizeWidth(r.Width());
    }
    SetBounds(Left(), Top(), width, Height());
}

Rect TWkCustomStatusPane::FrameContentRect() const {
    const int inset = FBorderWidth + PaneFrameWidth(FFrameStyle);
    return ClientRect().Insetted(inset, inset);
}

void TWkCustomStatusPane::Paint(TCanvas& canvas, const Rect&) {
    PaintFrame(canvas);
    PaintPaneCaption(canvas);
}

void TWkCustomStatusPane::PaintFrame(TCanvas& canvas) {
    const Rect client = ClientRect();
    const TWkStatusBar* bar = StatusBar();
    if (OnThemedBar()) {
        canvas.Realize();
        DrawThemePart(bar->HandleIfAllocated(), L"status", theme::SP_PANE, 0, canvas.Handle(), client);
        return;
    }
    if (!FTransparent) {
        canvas.SetBrush(Color());
        canvas.FillRect(client);
    }
    const Rect f = client.Insetted(FBorderWidth, FBorderWidth);
    if (bar && bar->VisualStyle() == vsGradient) {
        // Gradient bars separate panes by one divider line; the leftmost pane has none.
        if (bar->BorderWidth() >= Left()) return;
        canvas.SetPen(StatusBarGradientColors(bar->GradientColorStyle()).Divider);
        VerticalLine(canvas, f.left, f.top + 1, f.bottom - 1);
        return;
    }
    if (FFrameStyle != fsFlat) PaintFrameStyle(canvas, f, FFrameStyle);
    else PaintCornerlessFrame(canvas, f, ShiftColorLuminance(FFlatColor, FFlatColorAdjustment));
}

void TWkCustomStatusPane::PaintPaneCaption(TCanvas& canvas) {
    const Rect q = ContentRect();
    ui::TFont font = Font();
    font.Color = FDisplayedColor;
    canvas.SetFont(font);
    const int textHeight = canvas.TextHeight(L"Pp");
    int x = 0;
    UINT align = TA_LEFT;
    switch (FAlignment) {
    case ui::taLeftJustify: x = q.left + FCaptionOffset + 1; break;
    case ui::taRightJustify:
        x = q.right - FCaptionOffset - 1;
        align = TA_RIGHT;
        break;
    case ui::taCenter:
        x = q.left + q.Width() / 2;
        align = TA_CENTER;
        break;
    }
    const int y = q.top + (q.Height() - textHeight) / 2;

    const bool themed = OnThemedBar();
    if (themed) {
        // The theme's bar background under the caption, taken from a bar-sized picture.
        const TWkStatusBar* bar = StatusBar();
        ui::OffscreenBitmap picture(canvas.Handle(), bar->Width(), bar->Height());
        if (picture) {
            DrawThemeStatusBackground(bar->HandleIfAllocated(), picture.Dc(), Rect{0, 0, bar->Width(), bar->Height()});
            BitBlt(canvas.Handle(), q.left, q.top, q.Width(), q.Height(), picture.Dc(), q.left + Left(), q.top + Top(),
                   SRCCOPY);
        }
    }
    const bool clear = themed || FTransparent;
    canvas.SetBrush(FFillColor, clear ? ui::TBrushStyle::Clear : ui::TBrushStyle::Solid);
    canvas.SetTextBackgroundTransparent(clear);
    const UINT oldAlign = SetTextAlign(canvas.Handle(), align);
    if (!Enabled()) {
        font.Color = ui::clBtnHighlight;
        canvas.SetFont(font);
        canvas.TextRect(q, x + 1, y + 1, Caption());
        font.Color = ui::clBtnShadow;
        canvas.SetFont(font);
        canvas.SetBrush(FFillColor, ui::TBrushStyle::Clear);
        canvas.SetTextBackgroundTransparent(true);
    }
    // Clipped to the content rectangle; no ellipsis.
    canvas.TextRect(q, x, y, Caption());
    SetTextAlign(canvas.Handle(), oldAlign);
    canvas.SetTextBackgroundTransparent(true);
    canvas.SetBrush(FFillColor);
}

// =========================================================================================
// TWkCustomGlyphStatus
// =========================================================================================

TWkCustomGlyphStatus::TWkCustomGlyphStatus(ui::TComponent* owner) : TWkCustomStatusPane(owner) {}

TWkCustomGlyphStatus::~TWkCustomGlyphStatus() {
    if (FImages) FImages->RemoveFreeNotification(this);
}

void TWkCustomGlyphStatus::SetImages(ui::TImageList* value) {
    if (FImages == value) return;
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = value;
    if (FImages) FImages->FreeNotification(this);
    FImagesLink.SetImages(value);
    GlyphChanged();
}

void TWkCustomGlyphStatus::Notification(ui::TComponent* component, ui::TOperation operation) {
    TWkCustomStatusPane::Notification(component, operation);
    if (operation == ui::opRemove && component == FImages) {
        FImages = nullptr;
        FImagesLink.SetImages(nullptr);
        GlyphChanged();
    }
}

void TWkCustomGlyphStatus::GlyphChanged() {
    // The glyph's width is part of the caption area and of the automatic width.
    Repaint();
    ApplyAutoSize();
}

void TWkCustomGlyphStatus::SetImageIndex(int value) {
    if (FImageIndex == value) return;
    FImageIndex = value;
    Invalidate();
    ApplyAutoSize();
}

void TWkCustomGlyphStatus::SetDisabledIndex(int value) { SetAndInvalidate(FDisabledIndex, value); }

void TWkCustomGlyphStatus::SetGlyph(ui::BitmapOwner bitmap) {
    FGlyph = std::move(bitmap);
    BITMAP info{};
    if (FGlyph && GetObjectW(FGlyph, sizeof(info), &info) && info.bmHeight > 0 && info.bmWidth % info.bmHeight == 0) {
        // Cells are square: a strip of up to 4 of them gives their count.
        const int ratio = info.bmWidth / info.bmHeight;
        FNumGlyphs = ratio >= 1 && ratio < 5 ? ratio : 1;
    }
    Invalidate();
    ApplyAutoSize();
}

void TWkCustomGlyphStatus::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (FNumGlyphs == value) return;
    FNumGlyphs = value;
    Invalidate();
    ApplyAutoSize();
}

void TWkCustomGlyphStatus::SetGlyphAlignment(TGlyphAlignment value) { SetAndInvalidate(FGlyphAlignment, value); }

void TWkCustomGlyphStatus::SetGlyphOffset(int value) {
    if (FGlyphOffset == value) return;
    FGlyphOffset = value;
    Invalidate();
    ApplyAutoSize();
}

void TWkCustomGlyphStatus::SetShowGlyph(bool value) {
    if (FShowGlyph == value) return;
    FShowGlyph = value;
    Invalidate();
    ApplyAutoSize();
}

ui::Size TWkCustomGlyphStatus::GlyphSize() const {
    if (ImageSelected()) return {FImages->Width(), FImages->Height()};
    BITMAP info{};
    if (FGlyph && GetObjectW(FGlyph, sizeof(info), &info)) return {info.bmWidth / FNumGlyphs, info.bmHeight};
    return {0, 0};
}

int TWkCustomGlyphStatus::FrameWidth() const { return PaneFrameWidth(FrameStyle()); }

Rect TWkCustomGlyphStatus::ContentRect() const {
    Rect q = FrameContentRect();
    if (!FShowGlyph) return q;
    // Without any glyph the offset still narrows the caption area.
    const int taken = GlyphSize().cx + FGlyphOffset;
    if (FGlyphAlignment == gaLeft) q.left += taken;
    else q.right -= taken;
    return q;
}

int TWkCustomGlyphStatus::AutoSizeWidth(int textWidth) const {
    return TWkCustomStatusPane::AutoSizeWidth(textWidth) + FGlyphOffset + (FShowGlyph ? GlyphSize().cx : 0);
}

void TWkCustomGlyphStatus::Paint(TCanvas& canvas, const Rect& update) {
    TWkCustomStatusPane::Paint(canvas, update);
    if (FShowGlyph) PaintGlyph(canvas);
}

void TWkCustomGlyphStatus::PaintGlyph(TCanvas& canvas) {
    const ui::Size glyph = GlyphSize();
    const Rect content = FrameContentRect();
    const int h = std::min(glyph.cy, content.Height());
    int x = FGlyphAlignment == gaLeft ? FGlyphOffset + BorderWidth()
                                      : Width() - glyph.cx - FGlyphOffset - BorderWidth() - 2;
    x += FrameWidth();
    const int y = BorderWidth() + std::abs(Height() - h - BorderWidth() - 1) / 2;
    const Rect glyphRect = Rect::FromXYWH(x, y, glyph.cx, h);

    if (!OnThemedBar() && !Transparent()) {
        // The caption's background covers the caption area; FillColor goes on over what lies
        // left of it. A right-hand glyph has nothing there: it stands on the pane's colour.
        Rect side = content;
        side.right = ContentRect().left;
        if (!side.IsEmpty()) {
            canvas.SetBrush(FillColor());
            canvas.FillRect(side);
        }
    }
    if (ImageSelected()) {
        if (FDisabledIndex == -1) FImages->Draw(canvas, glyphRect.left, glyphRect.top, FImageIndex, Enabled());
        else FImages->Draw(canvas, glyphRect.left, glyphRect.top, Enabled() ? FImageIndex : FDisabledIndex, true);
        return;
    }
    if (!FGlyph || glyphRect.IsEmpty()) return;
    // The bitmap's transparent colour is its bottom-left pixel.
    COLORREF transparent = CLR_INVALID;
    {
        ui::MemoryDcOwner dc(CreateCompatibleDC(canvas.Handle()));
        ui::SelectGuard select(dc, FGlyph);
        BITMAP info{};
        GetObjectW(FGlyph, sizeof(info), &info);
        transparent = GetPixel(dc, 0, info.bmHeight - 1);
    }
    const int cell = FNumGlyphs >= 2 && !Enabled() ? 1 : 0;
    // What lies under the glyph, with the glyph's opaque pixels drawn over it.
    ui::OffscreenBitmap under(canvas.Handle(), glyphRect.Width(), glyphRect.Height());
    if (!under) return;
    BitBlt(under.Dc(), 0, 0, glyphRect.Width(), glyphRect.Height(), canvas.Handle(), glyphRect.left, glyphRect.top,
           SRCCOPY);
    {
        TCanvas underCanvas(under.Dc());
        DrawBitmapTransparent(underCanvas, Rect{0, 0, glyphRect.Width(), glyphRect.Height()}, FGlyph,
                              Rect::FromXYWH(cell * glyph.cx, 0, glyph.cx, h), transparent);
    }
    BitBlt(canvas.Handle(), glyphRect.left, glyphRect.top, glyphRect.Width(), glyphRect.Height(), under.Dc(), 0, 0,
           SRCCOPY);
}

} // namespace wk
