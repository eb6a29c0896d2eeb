// Status bar and status panes. Sections: blink receiver · pane (properties, blinking,
// painting) · glyph pane · bar (properties, size grip, proportional panes, painting).
#include "widgets/WkStatusBar.h"
#include "ui/Form.h"
#include "widgets/WkBlink.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkThemeParts.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace wk {

using ui::Rect;
using ui::TCanvas;

// =========================================================================================
// Blink receiver
// =========================================================================================

// The blink list talks to window handles, but a pane is windowless: each pane keeps a
// message-only window that hands the two blink messages on to it.
class TWkCustomStatusPane::TBlinkReceiver {
public:
    explicit TBlinkReceiver(TWkCustomStatusPane& pane) : FPane(pane) {
        static const ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = &WndProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"PlumoraStatusPaneBlink";
            return RegisterClassExW(&wc);
        }();
        if (atom)
            FWindow = CreateWindowExW(0, L"PlumoraStatusPaneBlink", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), this);
        if (FWindow) RegisterBlinkingControl(FWindow); // the first pane creates the list
    }
    ~TBlinkReceiver() {
        if (!FWindow) return;
        UnregisterBlinkingControl(FWindow); // the last pane frees it
        DestroyWindow(FWindow);
    }
    TBlinkReceiver(const TBlinkReceiver&) = delete;
    TBlinkReceiver& operator=(const TBlinkReceiver&) = delete;

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TBlinkReceiver*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && (msg == CM_BLINKQUERY || msg == CM_BLINKSTATE)) return self->FPane.Perform(msg, wParam, lParam);
        return DefWindowProcW(wnd, msg, wParam, lParam);
    }

    TWkCustomStatusPane& FPane;
    HWND FWindow = nullptr;
};

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

// A one-pixel frame on r in `color` without its four corner pixels.
void PaintCornerlessFrame(TCanvas& canvas, const Rect& r, TColor color) {
    canvas.SetPen(color);
    VerticalLine(canvas, r.left, r.top + 1, r.bottom - 1);
    HorizontalLine(canvas, r.top, r.left + 1, r.right - 1);
    VerticalLine(canvas, r.right - 1, r.top + 1, r.bottom - 1);
    HorizontalLine(canvas, r.bottom - 1, r.left + 1, r.right - 1);
}

} // namespace

TWkCustomStatusPane::TWkCustomStatusPane(ui::TComponent* owner) : ui::TGraphicControl(owner) {
    SetBounds(Left(), Top(), 100, 20);
    FFillColor = Color();
    FNormalColor = FDisplayedColor = Font().Color;
    FBlinkReceiver = std::make_unique<TBlinkReceiver>(*this);
}

TWkCustomStatusPane::~TWkCustomStatusPane() = default;

void TWkCustomStatusPane::SetAlignment(ui::TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    Invalidate();
}

void TWkCustomStatusPane::SetCaptionOffset(int value) {
    if (FCaptionOffset == value) return;
    FCaptionOffset = value;
    Invalidate();
    ApplyAutoSize();
}

void TWkCustomStatusPane::SetAutoSize(bool value) {
    if (FAutoSize == value) return;
    FAutoSize = value;
    ApplyAutoSize();
}

void TWkCustomStatusPane::SetDefaultWidth(int value) {
    if (FDefaultWidth == value) return;
    FDefaultWidth = value;
    ApplyAutoSize();
}

void TWkCustomStatusPane::SetBorderWidth(int value) {
    if (FBorderWidth == value) return;
    FBorderWidth = value;
    Invalidate();
}

void TWkCustomStatusPane::SetFrameStyle(TFrameStyle value) {
    if (FFrameStyle == value) return;
    FFrameStyle = value;
    Invalidate();
}

void TWkCustomStatusPane::SetFlatColor(TColor value) {
    if (FFlatColor == value) return;
    FFlatColor = value;
    Invalidate();
}

void TWkCustomStatusPane::SetFlatColorAdjustment(int value) {
    if (FFlatColorAdjustment == value) return;
    FFlatColorAdjustment = value;
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

void TWkCustomStatusPane::SetBlinkColor(TColor value) {
    if (FBlinkColor == value) return;
    FBlinkColor = value;
    Invalidate();
}

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
    Repaint();
}

void TWkCustomGlyphStatus::Notification(ui::TComponent* component, ui::TOperation operation) {
    TWkCustomStatusPane::Notification(component, operation);
    if (operation == ui::opRemove && component == FImages) {
        FImages = nullptr;
        Invalidate();
    }
}

void TWkCustomGlyphStatus::SetImageIndex(int value) {
    if (FImageIndex == value) return;
    FImageIndex = value;
    Invalidate();
}

void TWkCustomGlyphStatus::SetDisabledIndex(int value) {
    if (FDisabledIndex == value) return;
    FDisabledIndex = value;
    Invalidate();
}

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
}

void TWkCustomGlyphStatus::SetGlyphAlignment(TGlyphAlignment value) {
    if (FGlyphAlignment == value) return;
    FGlyphAlignment = value;
    Invalidate();
}

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
        const Rect caption = ContentRect();
        Rect side = content;
        if (FGlyphAlignment == gaLeft) side.right = caption.left;
        else side.left = caption.right;
        canvas.SetBrush(FillColor());
        canvas.FillRect(side);
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

// =========================================================================================
// TWkStatusBar
// =========================================================================================

TWkStatusBar::TWkStatusBar(ui::TComponent* owner) : TWkCustomPanel(owner) {
    SetAlign(ui::alBottom);
    SetBounds(Left(), Top(), Width(), 19);
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
    if (FAutoStyle) {
        TWkCustomPanel::SetBorderOuter(fsNone);
        TWkCustomPanel::SetBorderInner(fsNone);
        TWkCustomPanel::SetBorderSides(kAllSides);
        TWkCustomPanel::SetBorderWidth(0);
    }
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

void TWkStatusBar::SetSimpleCaption(const std::wstring& value) {
    if (FSimpleCaption == value) return;
    FSimpleCaption = value;
    Invalidate();
}

void TWkStatusBar::SetSimpleFrameStyle(TFrameStyle value) {
    if (FSimpleFrameStyle == value) return;
    FSimpleFrameStyle = value;
    Invalidate();
}

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
    const Rect content = PaintFrames(canvas, bounds);
    if (!Transparent()) {
        if (VisualStyle() == vsGradient) {
            const TGradientColors c = BarGradientColors();
            FillGradient(canvas, content, GradientDirection(), c.Start, c.Stop);
        } else {
            PaintFill(canvas, content);
        }
    }
    PaintGrid(canvas, content);
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

#include "ui/Layout.h"

namespace wk {

namespace {

using V = const ui::TLayoutValue&;
using C = ui::TLayoutContext&;
using P = TWkCustomStatusPane&;
using G = TWkCustomGlyphStatus&;
using S = TWkStatusBar&;

const ui::TLayoutNames<TFrameStyle> kFrameStyleNames = {
    {L"fsNone", fsNone},     {L"fsFlat", fsFlat},         {L"fsGroove", fsGroove}, {L"fsBump", fsBump},
    {L"fsLowered", fsLowered}, {L"fsButtonDown", fsButtonDown}, {L"fsRaised", fsRaised}, {L"fsButtonUp", fsButtonUp},
    {L"fsStatus", fsStatus}, {L"fsPopup", fsPopup},       {L"fsFlatBold", fsFlatBold}};
const ui::TLayoutNames<ui::TAlignment> kAlignmentNames = {
    {L"taLeftJustify", ui::taLeftJustify}, {L"taRightJustify", ui::taRightJustify}, {L"taCenter", ui::taCenter}};
const ui::TLayoutNames<TGlyphAlignment> kGlyphAlignmentNames = {{L"gaLeft", gaLeft}, {L"gaRight", gaRight}};

} // namespace

void RegisterWkStatusBarClasses(ui::TClassRegistry& r) {
    ui::RegisterControlClass<TWkStatusBar>(r, L"TWkStatusBar");
    r.Property<TWkStatusBar>(L"AutoStyle", [](S s, V v, C c) { s.SetAutoStyle(c.Bool(v)); });
    r.Property<TWkStatusBar>(L"ShowSizeGrip", [](S s, V v, C c) { s.SetShowSizeGrip(c.Bool(v)); });
    r.Property<TWkStatusBar>(L"SimpleStatus", [](S s, V v, C c) { s.SetSimpleStatus(c.Bool(v)); });
    r.Property<TWkStatusBar>(L"SimpleCaption", [](S s, V v, C c) { s.SetSimpleCaption(c.String(v)); });
    r.Property<TWkStatusBar>(L"SimpleFrameStyle", [](S s, V v, C c) { s.SetSimpleFrameStyle(c.Enum(v, kFrameStyleNames)); });
    r.Property<TWkStatusBar>(L"AutoScalePanes", [](S s, V v, C c) { s.SetAutoScalePanes(c.Bool(v)); });

    ui::RegisterControlClass<TWkGlyphStatus>(r, L"TWkGlyphStatus");
    r.Property<TWkCustomStatusPane>(L"Alignment", [](P p, V v, C c) { p.SetAlignment(c.Enum(v, kAlignmentNames)); });
    r.Property<TWkCustomStatusPane>(L"CaptionOffset", [](P p, V v, C c) { p.SetCaptionOffset(c.Int(v)); });
    r.Property<TWkCustomStatusPane>(L"AutoSize", [](P p, V v, C c) { p.SetAutoSize(c.Bool(v)); });
    r.Property<TWkCustomStatusPane>(L"DefaultWidth", [](P p, V v, C c) { p.SetDefaultWidth(c.Int(v)); });
    r.Property<TWkCustomStatusPane>(L"AutoHint", [](P p, V v, C c) { p.SetAutoHint(c.Bool(v)); });
    r.Property<TWkCustomStatusPane>(L"BorderWidth", [](P p, V v, C c) { p.SetBorderWidth(c.Int(v)); });
    r.Property<TWkCustomStatusPane>(L"FrameStyle", [](P p, V v, C c) { p.SetFrameStyle(c.Enum(v, kFrameStyleNames)); });
    r.Property<TWkCustomStatusPane>(L"FlatColor", [](P p, V v, C c) { p.SetFlatColor(c.Color(v)); });
    r.Property<TWkCustomStatusPane>(L"FlatColorAdjustment", [](P p, V v, C c) { p.SetFlatColorAdjustment(c.Int(v)); });
    r.Property<TWkCustomStatusPane>(L"FillColor", [](P p, V v, C c) { p.SetFillColor(c.Color(v)); });
    r.Property<TWkCustomStatusPane>(L"ParentFillColor", [](P p, V v, C c) { p.SetParentFillColor(c.Bool(v)); });
    r.Property<TWkCustomStatusPane>(L"Transparent", [](P p, V v, C c) { p.SetTransparent(c.Bool(v)); });
    r.Property<TWkCustomStatusPane>(L"Blinking", [](P p, V v, C c) { p.SetBlinking(c.Bool(v)); });
    r.Property<TWkCustomStatusPane>(L"BlinkColor", [](P p, V v, C c) { p.SetBlinkColor(c.Color(v)); });
    r.Property<TWkCustomStatusPane>(L"BlinkIntervalOff", [](P p, V v, C c) {
        p.SetBlinkIntervalOff(static_cast<std::uint16_t>(c.Int(v, 0, 65535)));
    });
    r.Property<TWkCustomStatusPane>(L"BlinkIntervalOn", [](P p, V v, C c) {
        p.SetBlinkIntervalOn(static_cast<std::uint16_t>(c.Int(v, 0, 65535)));
    });
    r.Property<TWkCustomGlyphStatus>(L"Images", [](G g, V v, C c) {
        c.Reference<ui::TImageList>(v, [&g](ui::TImageList& images) { g.SetImages(&images); });
    });
    r.Property<TWkCustomGlyphStatus>(L"ImageIndex", [](G g, V v, C c) { g.SetImageIndex(c.Int(v)); });
    r.Property<TWkCustomGlyphStatus>(L"DisabledIndex", [](G g, V v, C c) { g.SetDisabledIndex(c.Int(v)); });
    r.Property<TWkCustomGlyphStatus>(L"NumGlyphs", [](G g, V v, C c) { g.SetNumGlyphs(c.Int(v, 1, 4)); });
    r.Property<TWkCustomGlyphStatus>(L"GlyphAlignment", [](G g, V v, C c) {
        g.SetGlyphAlignment(c.Enum(v, kGlyphAlignmentNames));
    });
    r.Property<TWkCustomGlyphStatus>(L"GlyphOffset", [](G g, V v, C c) { g.SetGlyphOffset(c.Int(v)); });
    r.Property<TWkCustomGlyphStatus>(L"ShowGlyph", [](G g, V v, C c) { g.SetShowGlyph(c.Bool(v)); });
}

} // namespace wk
