// TWkStatusBar: properties, the size grip, proportional panes, painting; and the layout
// registrations of the bar and its panes (the panes themselves are in WkStatusPane.cpp).
#include "widgets/WkStatusBar.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkThemeParts.h"
#include <cmath>

namespace wk {

using ui::Rect;
using ui::TCanvas;

// =========================================================================================
// TWkStatusBar
// =========================================================================================

namespace {
constexpr int kBarHeight = 19;
} // namespace

TWkStatusBar::TWkStatusBar(ui::TComponent* owner) : TWkCustomPanel(owner) { ApplyAutoStyle(); }

void TWkStatusBar::ApplyAutoStyle() {
    // Through the panel's setters: these do not end the automatic style.
    SetAlign(ui::alBottom);
    SetHeight(kBarHeight);
    TWkCustomPanel::SetBorderOuter(fsNone);
    TWkCustomPanel::SetBorderInner(fsNone);
    TWkCustomPanel::SetBorderSides(kAllSides);
    TWkCustomPanel::SetBorderWidth(0);
}

void TWkStatusBar::SetBorderOuter(TFrameStyleEx value) {
    if (value != BorderOuter()) FAutoStyle = false;
    TWkCustomPanel::SetBorderOuter(value);
}

void TWkStatusBar::SetBorderInner(TFrameStyleEx value) {
    if (value != BorderInner()) FAutoStyle = false;
    TWkCustomPanel::SetBorderInner(value);
}

void TWkStatusBar::SetBorderSides(TSides value) {
    if (value != BorderSides()) FAutoStyle = false;
    TWkCustomPanel::SetBorderSides(value);
}

void TWkStatusBar::Loaded() {
    TWkCustomPanel::Loaded();
    if (FAutoStyle) ApplyAutoStyle();
}

void TWkStatusBar::SetShowSizeGrip(bool value) {
    if (FShowSizeGrip == value) return;
    FShowSizeGrip = value;
    UpdateSizeGripAllowed();
    Invalidate();
}

void TWkStatusBar::SetSimpleStatus(bool value) {
    if (FSimpleStatus == value) return;
    FSimpleStatus = value;
    for (ui::TControl* child : Controls()) child->SetVisible(!value);
    Invalidate();
}

void TWkStatusBar::SetSimpleCaption(const std::wstring& value) { SetAndInvalidate(FSimpleCaption, value); }
void TWkStatusBar::SetSimpleFrameStyle(TFrameStyle value) { SetAndInvalidate(FSimpleFrameStyle, value); }

TGradientColors TWkStatusBar::BarGradientColors() const {
    // A custom bar runs from its stop colour at the top to its start colour at the bottom.
    if (GradientColorStyle() == gcsCustom) return {GradientColorStop(), GradientColorStart()};
    const TStatusBarColors c = StatusBarGradientColors(GradientColorStyle());
    return {c.Start, c.Stop};
}

void TWkStatusBar::UpdateSizeGripAllowed() {
    const ui::TForm* form = ui::GetParentForm(this);
    FSizeGripAllowed = form && form != static_cast<const ui::TControl*>(this) &&
                       (form->BorderStyle() == ui::bsSizeable || form->BorderStyle() == ui::bsSizeToolWin) &&
                       form->WindowState() != ui::wsMaximized;
}

Rect TWkStatusBar::BarPaintRect() const {
    Rect r = ClientRect();
    if (!ThemeServiceAvailable()) {
        ++r.bottom;
        if (FSimpleStatus) {
            r.top = 2;
        } else {
            r.top = 1;
            --r.left;
            ++r.right;
        }
    } else if (FSimpleStatus) {
        r.Inset(1, 1, 1, 0);
    }
    return r;
}

bool TWkStatusBar::InGripZone(ui::Point p) const {
    return p.x >= Width() - kGripZoneWidth && p.x < Width() && p.y >= 0 && p.y < Height();
}

void TWkStatusBar::CreateWnd() {
    TWkCustomPanel::CreateWnd();
    UpdateSizeGripAllowed();
}

void TWkStatusBar::Resize() {
    TWkCustomPanel::Resize();
    const int width = Width();
    if (FFirstResize) {
        FFirstResize = false;
    } else if (const int d = width - FLastWidth; FAutoScalePanes && ControlCount() > 0 && d != 0 && FLastWidth > 0) {
        struct AlignSuspended {
            TWkStatusBar& bar;
            explicit AlignSuspended(TWkStatusBar& b) : bar(b) { bar.DisableAlign(); }
            ~AlignSuspended() { bar.EnableAlign(); }
        } suspended(*this);
        const int previous = FLastWidth;
        for (ui::TControl* child : Controls()) {
            const double share = static_cast<double>(d) * child->Width() / previous;
            child->SetWidth(child->Width() + static_cast<int>(std::nearbyint(share)));
        }
    }
    FLastWidth = width;
}

void TWkStatusBar::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    if (button == ui::mbLeft && SizeGripActive() && InGripZone({x, y})) {
        if (ui::TForm* form = ui::GetParentForm(this)) {
            // The form's own sizing loop takes over from here; it needs the capture free.
            ReleaseMouseCapture();
            ReleaseCapture();
            SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, 0);
            return;
        }
    }
    TWkCustomPanel::MouseDown(button, shift, x, y);
}

bool TWkStatusBar::SetCursorFor(ui::Point client) {
    if (SizeGripActive() && InGripZone(client)) {
        ::SetCursor(LoadCursorW(nullptr, IDC_SIZENWSE));
        return true;
    }
    return TWkCustomPanel::SetCursorFor(client);
}

void TWkStatusBar::Paint(TCanvas& canvas, const Rect& update) {
    UpdateSizeGripAllowed();
    const Rect bounds{0, 0, Width(), Height()};
    if (VisualStyle() == vsWinXP && VisualThemesActive()) {
        canvas.Realize();
        DrawThemeStatusBackground(HandleIfAllocated(), canvas.Handle(), bounds);
        if (FSimpleStatus && !FSimpleCaption.empty())
            DrawThemeTextLine(HandleIfAllocated(), L"status", 0, 0, canvas.Handle(), FSimpleCaption, BarPaintRect(),
                              DT_LEFT);
        return;
    }
    // The panel's paint, with the bar's own gradient colours.
    if (Transparent()) {
        if (FullRepaint() && HandleAllocated()) PaintParentBackground(HandleIfAllocated(), canvas.Handle(), false);
    } else {
        canvas.SetBrush(Color());
        canvas.FillRect(bounds);
    }
    const Rect content = PaintFrames(canvas, bounds);
    if (!Transparent()) {
        if (VisualStyle() == vsGradient) {
            const TGradientColors c = BarGradientColors();
            FillGradient(canvas, content, GradientDirection(), c.Start, c.Stop);
        } else {
            PaintFill(canvas, content);
        }
    }
    if (ShowGrid()) PaintGrid(canvas, content);
    PaintCaption(canvas, content);

    if (FSimpleStatus) {
        Rect r = BarPaintRect();
        --r.bottom;
        PaintSimpleFrame(canvas, r);
        r.Inset(1, 1);
        if (!FSimpleCaption.empty()) {
            canvas.SetFont(Font());
            canvas.SetBrush(Color(), ui::TBrushStyle::Clear);
            canvas.SetTextBackgroundTransparent(true);
            const int y = r.top + (r.Height() - canvas.TextHeight(L"Pp")) / 2;
            canvas.TextRect(r, r.left + 2, y, FSimpleCaption);
            canvas.SetBrush(Color());
        }
    }
    if (OnPaint) OnPaint(this);
}

void TWkStatusBar::PaintSimpleFrame(TCanvas& canvas, const Rect& rect) {
    if (VisualStyle() == vsWinXP && VisualThemesActive()) {
        canvas.Realize();
        DrawThemePart(HandleIfAllocated(), L"status", theme::SP_PANE, 0, canvas.Handle(), rect);
        return;
    }
    if (VisualStyle() != vsClassic) return;
    if (FSimpleFrameStyle == fsFlat) PaintCornerlessFrame(canvas, rect, ShiftColorLuminance(FlatColor(), FlatColorAdjustment()));
    else PaintFrameStyle(canvas, rect, FSimpleFrameStyle);
}

void TWkStatusBar::PaintTo(HDC dc, const Rect& update) {
    TWkCustomPanel::PaintTo(dc, update); // the bar, then its panes
    if (!SizeGripActive()) return;
    TCanvas canvas(dc);
    PaintSizeGrip(canvas);
}

void TWkStatusBar::PaintSizeGrip(TCanvas& canvas) {
    Rect r = BarPaintRect();
    --r.bottom;
    const int a = r.right, b = r.bottom;
    if (VisualStyle() == vsWinXP && VisualThemesActive()) {
        canvas.Realize();
        DrawThemePart(HandleIfAllocated(), L"status", theme::SP_GRIPPER, 0, canvas.Handle(), Rect{a - 20, r.top, a, b});
        return;
    }
    TColor light = ui::clBtnHighlight, dark = ui::clBtnShadow;
    if (VisualStyle() == vsGradient) {
        const TStatusBarColors c = StatusBarGradientColors(GradientColorStyle());
        light = c.Stop;
        dark = c.Divider;
    }
    // Six dots in a triangle of 3, 2 and 1 from the right edge; each dark dot sits one pixel
    // up and left of its light one.
    static constexpr ui::Point kDots[] = {{5, 12}, {5, 8}, {5, 4}, {9, 8}, {9, 4}, {13, 4}};
    auto dots = [&](TColor color, int shift) {
        canvas.SetPen(color);
        canvas.SetBrush(color);
        for (const ui::Point d : kDots) {
            const int x = a - d.x - shift, y = b - d.y - shift;
            canvas.Rectangle(Rect{x, y, x + 2, y + 2});
        }
    };
    dots(light, 0);
    dots(dark, 1);
}

} // namespace wk

// =========================================================================================
// Registration
// =========================================================================================

namespace wk {

void RegisterWkStatusBarClasses(ui::TClassRegistry& r) {
    using S = TWkStatusBar;
    using P = TWkCustomStatusPane;
    using G = TWkCustomGlyphStatus;
    // The bar is a panel: its frames and colours are the panel's properties.
    RegisterWkPanelClasses(r);
    ui::RegisterControlClass<S, TWkCustomPanel>(r, L"TWkStatusBar");
    r.Property<S>(L"AutoStyle", &S::SetAutoStyle);
    r.Property<S>(L"ShowSizeGrip", &S::SetShowSizeGrip);
    r.Property<S>(L"SimpleStatus", &S::SetSimpleStatus);
    r.Property<S>(L"SimpleCaption", &S::SetSimpleCaption);
    r.Property<S>(L"SimpleFrameStyle", &S::SetSimpleFrameStyle);
    r.Property<S>(L"AutoScalePanes", &S::SetAutoScalePanes);

    r.Declare<P, ui::TControl>();
    r.Declare<G, P>();
    ui::RegisterControlClass<TWkGlyphStatus, G>(r, L"TWkGlyphStatus");
    r.Property<P>(L"Alignment", &P::SetAlignment);
    r.Property<P>(L"CaptionOffset", &P::SetCaptionOffset);
    r.Property<P>(L"AutoSize", &P::SetAutoSize);
    r.Property<P>(L"DefaultWidth", &P::SetDefaultWidth);
    r.Property<P>(L"AutoHint", &P::SetAutoHint);
    r.Property<P>(L"BorderWidth", &P::SetBorderWidth);
    r.Property<P>(L"FrameStyle", &P::SetFrameStyle);
    r.Property<P>(L"FlatColor", &P::SetFlatColor);
    r.Property<P>(L"FlatColorAdjustment", &P::SetFlatColorAdjustment);
    RegisterFrameControllerProperties<P>(r);
    r.Property<P>(L"FillColor", &P::SetFillColor);
    r.Property<P>(L"ParentFillColor", &P::SetParentFillColor);
    r.Property<P>(L"Transparent", &P::SetTransparent);
    r.Property<P>(L"Blinking", &P::SetBlinking);
    r.Property<P>(L"BlinkColor", &P::SetBlinkColor);
    r.Property<P>(L"BlinkIntervalOff", &P::SetBlinkIntervalOff);
    r.Property<P>(L"BlinkIntervalOn", &P::SetBlinkIntervalOn);
    r.Property<G>(L"Images", &G::SetImages);
    r.Property<G>(L"ImageIndex", &G::SetImageIndex);
    r.Property<G>(L"DisabledIndex", &G::SetDisabledIndex);
    r.Property<G>(L"NumGlyphs", &G::SetNumGlyphs, ui::IntRange{1, 4});
    r.Property<G>(L"GlyphAlignment", &G::SetGlyphAlignment);
    r.Property<G>(L"GlyphOffset", &G::SetGlyphOffset);
    r.Property<G>(L"ShowGlyph", &G::SetShowGlyph);
}

} // namespace wk
