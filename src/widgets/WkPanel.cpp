// TWkCustomPanel: properties, layout inside the frames, painting, resizing, enabling, and
// the frame controller. Layout registration is at the end.
#include "widgets/WkPanel.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkColors.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkGraphics.h"
#include "widgets/WkKit.h"
#include "widgets/WkTextEffect.h"
#include <algorithm>
#include <uxtheme.h>

#ifndef WM_THEMECHANGED
#define WM_THEMECHANGED 0x031A
#endif

namespace wk {

using ui::Rect;
using ui::TCanvas;

// ---- Construction and properties --------------------------------------------------------

TWkCustomPanel::TWkCustomPanel(ui::TComponent* owner) : ui::TCustomControl(owner) {
    // Opaque: the panel paints every pixel of itself, the parent need not paint beneath it.
    SetControlStyle(ControlStyle() | ui::csAcceptsControls | ui::csOpaque);
    SetBounds(Left(), Top(), 185, 41);
    SetParentColor(false);
    SetColor(ui::clBtnFace);
}

void TWkCustomPanel::FramesChanged() {
    ReAlign();
    Invalidate();
}

void TWkCustomPanel::SetBorderOuter(TFrameStyleEx value) {
    if (FFrame.BorderOuter == value) return;
    FFrame.BorderOuter = value;
    FramesChanged();
}

void TWkCustomPanel::SetBorderInner(TFrameStyleEx value) {
    if (FFrame.BorderInner == value) return;
    FFrame.BorderInner = value;
    FramesChanged();
}

void TWkCustomPanel::SetBorderSides(TSides value) {
    value &= kAllSides;
    if (FFrame.BorderSides == value) return;
    FFrame.BorderSides = value;
    FramesChanged();
}

void TWkCustomPanel::SetBorderWidth(int value) {
    if (BorderWidth() == value) return;
    ui::TCustomControl::SetBorderWidth(value);
    FramesChanged();
}

void TWkCustomPanel::SetBevelWidth(int value) {
    value = std::max(value, 1);
    if (FFrame.BevelWidth == value) return;
    FFrame.BevelWidth = value;
    // fsStatus and fsPopup frames are BevelWidth wide, so the children may move.
    FramesChanged();
}

void TWkCustomPanel::SetBorderColor(TColor value) { SetAndInvalidate(FFrame.BorderColor, value); }
void TWkCustomPanel::SetBorderHighlight(TColor value) { SetAndInvalidate(FFrame.BorderHighlight, value); }
void TWkCustomPanel::SetBorderShadow(TColor value) { SetAndInvalidate(FFrame.BorderShadow, value); }
void TWkCustomPanel::SetFlatColor(TColor value) { SetAndInvalidate(FFrame.FlatColor, value); }
void TWkCustomPanel::SetFlatColorAdjustment(int value) { SetAndInvalidate(FFrame.FlatColorAdjustment, value); }
void TWkCustomPanel::SetVisualStyle(TWkVisualStyle value) { SetAndInvalidate(FVisualStyle, value); }
void TWkCustomPanel::SetGradientColorStyle(TWkGradientColorStyle value) { SetAndInvalidate(FGradientColorStyle, value); }
void TWkCustomPanel::SetAlignment(ui::TAlignment value) { SetAndInvalidate(FAlignment, value); }
void TWkCustomPanel::SetAlignmentVertical(TAlignmentVertical value) { SetAndInvalidate(FAlignmentVertical, value); }
void TWkCustomPanel::SetWordWrap(bool value) { SetAndInvalidate(FWordWrap, value); }
void TWkCustomPanel::SetTextMargin(int value) { SetAndInvalidate(FTextMargin, value); }
void TWkCustomPanel::SetShowGrid(bool value) { SetAndInvalidate(FShowGrid, value); }
void TWkCustomPanel::SetGridStyle(TWkGridStyle value) { SetAndInvalidate(FGridStyle, value); }
void TWkCustomPanel::SetGridColor(TColor value) { SetAndInvalidate(FGridColor, value); }
void TWkCustomPanel::SetGridXSize(int value) { SetAndInvalidate(FGridXSize, std::clamp(value, 0, 0xFFFF)); }
void TWkCustomPanel::SetGridYSize(int value) { SetAndInvalidate(FGridYSize, std::clamp(value, 0, 0xFFFF)); }
void TWkCustomPanel::SetShowDockClientCaptions(bool value) { SetAndInvalidate(FShowDockClientCaptions, value); }

// The gradient shows through transparent children, so they repaint with it.
void TWkCustomPanel::SetGradientColorStart(TColor value) {
    if (SetAndInvalidate(FGradientColorStart, value)) RepaintTransparentChildren();
}
void TWkCustomPanel::SetGradientColorStop(TColor value) {
    if (SetAndInvalidate(FGradientColorStop, value)) RepaintTransparentChildren();
}
void TWkCustomPanel::SetGradientDirection(TGradientDirection value) {
    if (SetAndInvalidate(FGradientDirection, value)) RepaintTransparentChildren();
}

void TWkCustomPanel::RepaintTransparentChildren() {
    if (HWND wnd = HandleIfAllocated()) wk::RepaintTransparentChildren(wnd);
}

void TWkCustomPanel::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    const ui::TControlStyle style = ControlStyle();
    SetControlStyle(value ? style & ~ui::csOpaque : style | ui::csOpaque);
    if (HWND wnd = HandleIfAllocated()) MarkWindowTransparent(wnd, value);
    Invalidate();
    for (ui::TControl* child : Controls()) child->Invalidate();
}

void TWkCustomPanel::CreateWnd() {
    ui::TCustomControl::CreateWnd();
    if (FTransparent) MarkWindowTransparent(HandleIfAllocated(), true);
}

// ---- Frame controller side --------------------------------------------------------------

void TWkCustomPanel::ApplyFrameController(const TWkFrameController& fc) { ApplyFrameSettings(*this, FFrameLink, fc); }

// ---- Layout and bounds ------------------------------------------------------------------

Rect TWkCustomPanel::ContentRect() const {
    Rect r = ClientRect();
    AdjustClientRect(r);
    return r;
}

void TWkCustomPanel::AdjustClientRect(Rect& rect) const {
    ui::TCustomControl::AdjustClientRect(rect); // BorderWidth on all four sides
    rect = FFrame.InsideFrames(rect);
}

void TWkCustomPanel::SetBounds(int left, int top, int width, int height) {
    // A panel docked to the bottom (right) grows upward (leftward): its far edge stays.
    if (Align() == ui::alBottom && height != Height()) top -= height - Height();
    if (Align() == ui::alRight && width != Width()) left -= width - Width();
    ui::TCustomControl::SetBounds(left, top, width, height);
}

void TWkCustomPanel::ApplyBounds(const Rect& r) {
    const ui::Size oldSize = BoundsRect().GetSize();
    ui::TCustomControl::ApplyBounds(r);
    if (oldSize != r.GetSize()) InvalidateResizeStrips(oldSize, r.GetSize());
}

void TWkCustomPanel::InvalidateResizeStrips(ui::Size oldSize, ui::Size newSize) {
    if (!HandleAllocated()) return;
    if (FFullRepaint || !Caption().empty()) {
        Invalidate();
        return;
    }
    // Only the frames along the moving edges change. Strips are taken for both the old and
    // the new edge: a shrinking panel must redraw its frame at the new edge too.
    Rect inner{0, 0, oldSize.cx, oldSize.cy};
    AdjustClientRect(inner);
    const int rightInset = oldSize.cx - inner.right, bottomInset = oldSize.cy - inner.bottom;
    const int fullW = std::max(oldSize.cx, newSize.cx), fullH = std::max(oldSize.cy, newSize.cy);
    if (oldSize.cx != newSize.cx) {
        const int from = std::min(oldSize.cx, newSize.cx) - rightInset - 1;
        InvalidateRect(Rect{from, 0, fullW, fullH});
    }
    if (oldSize.cy != newSize.cy) {
        const int from = std::min(oldSize.cy, newSize.cy) - bottomInset - 1;
        InvalidateRect(Rect{0, from, fullW, fullH});
    }
}

// ---- Enabling ---------------------------------------------------------------------------

void TWkCustomPanel::EnabledChanged() {
    if (!Enabled()) {
        // Remember who was disabled already, so enabling the panel again leaves them so.
        FChildEnabled.clear();
        for (ui::TControl* child : Controls()) FChildEnabled.emplace_back(child, child->Enabled());
        for (ui::TControl* child : Controls()) child->SetEnabled(false);
    } else {
        for (ui::TControl* child : Controls()) {
            auto it = std::find_if(FChildEnabled.begin(), FChildEnabled.end(),
                                   [child](const auto& entry) { return entry.first == child; });
            child->SetEnabled(it == FChildEnabled.end() || it->second);
        }
    }
    ui::TCustomControl::EnabledChanged();
    Invalidate(); // the caption switches between engraved and normal
}

// A child destroyed while the panel is disabled leaves no entry behind.
void TWkCustomPanel::Notification(ui::TComponent* component, ui::TOperation operation) {
    ui::TCustomControl::Notification(component, operation);
    if (operation != ui::opRemove) return;
    std::erase_if(FChildEnabled, [component](const auto& entry) {
        return static_cast<ui::TComponent*>(entry.first) == component;
    });
}

// ---- Messages ---------------------------------------------------------------------------

bool TWkCustomPanel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_THEMECHANGED) {
        result = DefaultHandler(msg, wParam, lParam);
        RedetectKitColorScheme();
        Invalidate();
        return true;
    }
    return ui::TCustomControl::HandleMessage(msg, wParam, lParam, result);
}

void TWkCustomPanel::TextChanged() { Invalidate(); }

// ---- Painting ---------------------------------------------------------------------------

TColor TWkCustomPanel::ParentColorValue() const { return Parent() ? Parent()->Color() : Color(); }

void TWkCustomPanel::Paint(TCanvas& canvas, const Rect& update) {
    const Rect bounds{0, 0, Width(), Height()};
    if (FTransparent) {
        // What lies behind shows through. A plain child-window parent is invalidated as well
        // so its own children repaint; forms and our custom-drawn controls need not be.
        if (FFullRepaint && HandleAllocated()) {
            const bool selfDrawn = dynamic_cast<ui::TCustomControl*>(Parent()) || dynamic_cast<ui::TForm*>(Parent());
            PaintParentBackground(HandleIfAllocated(), canvas.Handle(), Parent() && !selfDrawn);
        }
    } else {
        // The background erase a plain window would do: pixels no frame paints (the cut corners
        // of fsFlatRounded) show the panel's colour.
        canvas.SetBrush(Color());
        canvas.FillRect(bounds);
    }
    const Rect content = PaintFrames(canvas, bounds);
    PaintFill(canvas, content);
    if (FShowGrid) PaintGrid(canvas, content);
    PaintCaption(canvas, content);
    if (OnPaint) OnPaint(this);
}

TFrameSettings TWkCustomPanel::FrameSettings() const {
    TFrameSettings frame = FFrame;
    frame.BorderWidth = BorderWidth();
    return frame;
}

Rect TWkCustomPanel::PaintFrames(TCanvas& canvas, const Rect& bounds) {
    return PaintInnerOuterFrames(canvas, bounds, FrameSettings(), Color(), ParentColorValue(), FTransparent);
}

void TWkCustomPanel::PaintFill(TCanvas& canvas, const Rect& content) {
    if (FTransparent) return;
    if (FVisualStyle != vsGradient) {
        canvas.SetBrush(Color());
        canvas.FillRect(content);
        return;
    }
    TGradientColors colors{FGradientColorStart, FGradientColorStop};
    if (FGradientColorStyle != gcsCustom) colors = PanelGradientColors(FGradientColorStyle);
    FillGradient(canvas, content, FGradientDirection, colors.Start, colors.Stop, 1);
}

void TWkCustomPanel::PaintGrid(TCanvas& canvas, const Rect& content) {
    const int l = content.left, t = content.top, r = content.right, b = content.bottom;
    const int columns = FGridXSize ? (r - l) / FGridXSize : 0;
    const int rows = FGridYSize ? (b - t) / FGridYSize : 0;
    if (FGridStyle == gsDots) {
        for (int i = 1; i <= columns; ++i)
            for (int j = 1; j <= rows; ++j) canvas.SetPixelColor(l + i * FGridXSize - 1, t + j * FGridYSize - 1, FGridColor);
        return;
    }
    canvas.SetPen(FGridColor);
    const bool dotted = FGridStyle == gsDottedLines;
    // A dotted line is every second pixel, starting one after its start.
    const auto vline = [&](int x) {
        if (!dotted) { canvas.MoveTo(x, t); canvas.LineTo(x, b); return; }
        for (int y = t + 1; y < b; y += 2) canvas.SetPixelColor(x, y, FGridColor);
    };
    const auto hline = [&](int y) {
        if (!dotted) { canvas.MoveTo(l, y); canvas.LineTo(r, y); return; }
        for (int x = l + 1; x < r; x += 2) canvas.SetPixelColor(x, y, FGridColor);
    };
    for (int i = 1; i <= columns; ++i) vline(l + i * FGridXSize - 1);
    for (int j = 1; j <= rows; ++j) hline(t + j * FGridYSize - 1);
}

void TWkCustomPanel::PaintCaption(TCanvas& canvas, const Rect& content) {
    const std::wstring text = Caption();
    if (text.empty()) return;
    canvas.SetFont(Font());
    Rect r = content.Insetted(FTextMargin, FTextMargin);
    UINT flags = DT_EXPANDTABS | DT_VCENTER | (FWordWrap ? DT_WORDBREAK : 0);
    flags |= FAlignment == ui::taLeftJustify ? DT_LEFT : FAlignment == ui::taRightJustify ? DT_RIGHT : DT_CENTER;
    Rect measure = r;
    const int h = canvas.DrawText(text, measure, flags | DT_CALCRECT);
    switch (FAlignmentVertical) {
    case avTop: r.bottom = std::min(r.bottom, r.top + h); break;
    case avCenter:
        r.top = (r.top + r.bottom - h) / 2;
        r.bottom = std::min(r.bottom, r.top + h);
        break;
    case avBottom: r.top = std::max(r.top, r.bottom - h - 1); break;
    }
    canvas.SetBrush(Color(), ui::TBrushStyle::Clear);
    canvas.SetTextBackgroundTransparent(true);
    // Plain text, engraved when the panel is disabled.
    ui::TFont font = Font();
    PaintTextEffect({}, Enabled(), font.Color, [&](ui::Point offset, TColor color) {
        font.Color = color;
        canvas.SetFont(font);
        Rect shifted = r.Offsetted(offset.x, offset.y);
        canvas.DrawText(text, shifted, flags);
    });
    canvas.SetBrush(Color());
}

// ---- Layout registration ----------------------------------------------------------------

namespace {

using ui::TLayoutContext;
using ui::TLayoutValue;

} // namespace

TFrameStyleEx ReadFrameStyle(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.Enum<TFrameStyleEx>(v); }
TSides ReadSides(const TLayoutValue& v, TLayoutContext& ctx) { return ctx.Set<TSide>(v); }

void RegisterWkPanelClasses(ui::TClassRegistry& registry) {
    using P = TWkCustomPanel;
    registry.Declare<P, ui::TWinControl>();
    ui::RegisterControlClass<TWkPanel, P>(registry, L"TWkPanel");
    registry.Property<P>(L"BorderOuter", &P::SetBorderOuter);
    registry.Property<P>(L"BorderInner", &P::SetBorderInner);
    registry.Property<P>(L"BorderSides", &P::SetBorderSides, ui::SetOf<TSide>);
    registry.Property<P>(L"BorderWidth", &P::SetBorderWidth, ui::IntRange{0, 0xFFFF});
    registry.Property<P>(L"BevelWidth", &P::SetBevelWidth, ui::IntRange{1, 0xFFFF});
    registry.Property<P>(L"BorderColor", &P::SetBorderColor);
    registry.Property<P>(L"BorderHighlight", &P::SetBorderHighlight);
    registry.Property<P>(L"BorderShadow", &P::SetBorderShadow);
    registry.Property<P>(L"FlatColor", &P::SetFlatColor);
    registry.Property<P>(L"FlatColorAdjustment", &P::SetFlatColorAdjustment);
    registry.Property<P>(L"Transparent", &P::SetTransparent);
    registry.Property<P>(L"VisualStyle", &P::SetVisualStyle);
    registry.Property<P>(L"GradientColorStyle", &P::SetGradientColorStyle);
    registry.Property<P>(L"GradientColorStart", &P::SetGradientColorStart);
    registry.Property<P>(L"GradientColorStop", &P::SetGradientColorStop);
    registry.Property<P>(L"GradientDirection", &P::SetGradientDirection);
    registry.Property<P>(L"FullRepaint", &P::SetFullRepaint);
    registry.Property<P>(L"Alignment", &P::SetAlignment);
    registry.Property<P>(L"AlignmentVertical", &P::SetAlignmentVertical);
    registry.Property<P>(L"WordWrap", &P::SetWordWrap);
    registry.Property<P>(L"TextMargin", &P::SetTextMargin);
    registry.Property<P>(L"ShowGrid", &P::SetShowGrid);
    registry.Property<P>(L"GridStyle", [](P& p, const TLayoutValue& v, TLayoutContext& c) {
        p.SetGridStyle(c.Enum<TWkGridStyle>(v, {{L"gsDots", gsDots}, {L"gsDottedLines", gsDottedLines}, {L"gsSolidLines", gsSolidLines}}));
    });
    registry.Property<P>(L"GridColor", &P::SetGridColor);
    registry.Property<P>(L"GridXSize", &P::SetGridXSize, ui::IntRange{0, 0xFFFF});
    registry.Property<P>(L"GridYSize", &P::SetGridYSize, ui::IntRange{0, 0xFFFF});
    registry.Property<P>(L"ShowDockClientCaptions", &P::SetShowDockClientCaptions);
    registry.Property<P>(L"DockSite", &P::SetDockSite);
    RegisterFrameControllerProperties<P>(registry);
    registry.Property<P>(L"OnPaint", &P::OnPaint);
    // Names older layouts may still carry.
    registry.Ignored<P>(L"FrameSides");
    registry.Ignored<P>(L"ThemeAware");
    registry.Property<P>(L"UseGradients", [](P& p, const TLayoutValue& v, TLayoutContext& c) {
        if (c.Bool(v)) p.SetVisualStyle(vsGradient);
    });
    registry.Ignored<P>(L"Locked");
}

} // namespace wk
