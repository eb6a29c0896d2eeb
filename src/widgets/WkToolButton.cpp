// TWkToolButton. Sections: construction and properties · interaction · drop-down ·
// painting · registration.
#include "widgets/WkToolButton.h"
#include "ui/Form.h"
#include <memory> // before ui/Menu.h, which uses std::unique_ptr
#include "ui/Menu.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkGraphics.h"
#include "widgets/WkKit.h"
#include "widgets/WkThemeParts.h"
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

void TWkToolButton::SetDisabledIndex(int value) {
    if (FDisabledIndex == value) return;
    FDisabledIndex = value;
    Invalidate();
}

void TWkToolButton::SetGradientColorStyle(TWkGradientColorStyle value) {
    if (FGradientColorStyle == value) return;
    FGradientColorStyle = value;
    Invalidate();
}

void TWkToolButton::SetSelectionColorStart(TColor value) {
    if (FSelectionColorStart == value) return;
    FSelectionColorStart = value;
    Invalidate();
}

void TWkToolButton::SetSelectionColorStop(TColor value) {
    if (FSelectionColorStop == value) return;
    FSelectionColorStop = value;
    Invalidate();
}

void TWkToolButton::SetSelectionFrameColor(TColor value) {
    if (FSelectionFrameColor == value) return;
    FSelectionFrameColor = value;
    Invalidate();
}

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

void TWkToolButton::SetDownIndex(int value) {
    if (FDownIndex == value) return;
    FDownIndex = value;
    Invalidate();
}

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

void TWkToolButton::SetHotIndex(int value) {
    if (FHotIndex == value) return;
    FHotIndex = value;
    Invalidate();
}

void TWkToolButton::SetImageIndex(int value) {
    if (FImageIndex == value) return;
    FImageIndex = value;
    Invalidate();
}

void TWkToolButton::SetImages(ui::TImageList* value) {
    // Set even when unchanged: growing again is harmless and makes a resized list take effect.
    if (FImages && FImages != value) FImages->RemoveFreeNotification(this);
    FImages = value;
    if (FImages) {
        FImages->FreeNotification(this);
        GrowToImages();
    }
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

void TWkToolButton::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    Invalidate();
}

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

bool TWkToolButton::IsSplit() const { return FToolStyle == tsDropDown && static_cast<bool>(OnClick); }

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
    ui::TGraphicControl::Click();
}

void TWkToolButton::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    ui::TGraphicControl::MouseDown(button, shift, x, y);
    FLastPoint = {x, y};
    if (FToolStyle == tsDropDown && FDropDownMenu && (shift & ~ui::ssDouble) == ui::ssLeft &&
        (InArrowStrip(x) || !IsSplit())) {
        MenuPress();
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
    ui::TGraphicControl::MouseMove(shift, x, y);
    FLastPoint = {x, y};
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
    if (!FTracking) return;
    // The one place a press ends. The framework takes the capture back before it hands on
    // the release, so the release point is the last one the pointer reported; a capture
    // taken away while the button is still held (a window popping up) clicks nothing.
    const bool released = (GetKeyState(VK_LBUTTON) & 0x8000) == 0;
    EndPress(released && InClientArea(FLastPoint.x, FLastPoint.y));
}

void TWkToolButton::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    ui::TGraphicControl::MouseUp(button, shift, x, y);
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
    if (inside) Click();
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

void TWkToolButton::BroadcastGroup() {
    ui::TWinControl* parent = Parent();
    if (!parent) return;
    for (ui::TControl* control : parent->Controls())
        if (control != this)
            control->Perform(CM_WKTOOLBUTTONGROUP, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this));
}

bool TWkToolButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != CM_WKTOOLBUTTONGROUP) return ui::TGraphicControl::HandleMessage(msg, wParam, lParam, result);
    auto* sender = reinterpret_cast<TWkToolButton*>(lParam);
    if (sender != this && static_cast<int>(wParam) == FGroupIndex) {
        if (sender->FDown && FDown) {
            // Raised directly: no setter, no click.
            FDown = false;
            FFaceState = fstUp;
            Invalidate();
        }
        FAllowAllUp = sender->FAllowAllUp;
    }
    result = 0;
    return true;
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

void TWkToolButton::MenuPress() {
    if (FDropDownMenu->Items().Count() == 0) return;
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
        FClickArmed = false;
        FMenuClosedAt = GetTickCount();
        if (FMenuClosedAt == 0) FMenuClosedAt = 1; // 0 means "no menu closed"
    }
    // The menu loop ate the real release.
    DropDownReleased();
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
    FMenuShowing = true;
    struct ResetOnExit {
        bool& flag;
        ~ResetOnExit() { flag = false; }
    } reset{FMenuShowing};
    if (OnDropDown) OnDropDown(FDropDownMenu);
    ui::Point p = ClientToScreen({0, Height()});
    const int menuWidth = MenuWidthEstimate();
    HMONITOR monitor = MonitorFromPoint(p, MONITOR_DEFAULTTONULL);
    // Off every monitor, the width of the work area nearest the parent stands in for its right edge.
    const int workRight = monitor ? MonitorWorkArea(monitor).right
                                  : WorkAreaOfWindow(Parent() ? Parent()->Handle() : nullptr).Width();
    // Keep the menu on the monitor: end it at the button's right edge instead.
    if (workRight < p.x + menuWidth) p.x -= menuWidth - Width();
    FDropDownMenu->Popup(p.x, p.y);
    if (FGroupIndex > 0 && !FDown) Click();
}

// =========================================================================================
// Painting
// =========================================================================================

void TWkToolButton::Paint(TCanvas& canvas, const Rect&) {
    if (!Enabled()) {
        FFaceState = fstDisabled;
        FTracking = false;
    } else if (FFaceState == fstDisabled) {
        FFaceState = (FDown && FGroupIndex != 0) ? fstLatched : fstUp;
    }
    Rect r = ClientRect();
    PaintFace(canvas, r);
    if (!FTransparent) {
        canvas.SetBrush(Color());
        canvas.FillRect(r);
    }
    if (FVisualStyle != vsGradient && (FVisualStyle == vsClassic || !VisualThemesActive()) &&
        FFaceState == fstLatched && (!FFlat || !FMouseInside))
        PaintLatchedDither(canvas, r);
    if (FToolStyle == tsDropDown) PaintArrowPart(canvas);
    Rect imageRect, captionRect;
    ComputeContentRects(canvas, imageRect, captionRect);
    PaintImage(canvas, imageRect);
    PaintCaption(canvas, captionRect);
}

void TWkToolButton::PaintFace(TCanvas& canvas, Rect& rect) {
    if (FVisualStyle == vsGradient) PaintGradientFace(canvas, rect);
    else if (IsThemed()) PaintThemedFace(canvas, rect);
    else PaintClassicFace(canvas, rect);
}

TSelectionColors TWkToolButton::FaceColors() const {
    if (FGradientColorStyle == gcsCustom) return {FSelectionFrameColor, FSelectionColorStart, FSelectionColorStop};
    return ToolButtonSelectionColors(FGradientColorStyle);
}

void TWkToolButton::PaintGradientFace(TCanvas& canvas, Rect& rect) {
    const bool hot = FMouseInside && FFaceState != fstDisabled;
    const bool designing = IsDesigning();
    if (!PressedOrLatched() && !hot && !designing) return; // idle: only the image shows
    const TSelectionColors c = FaceColors();
    rect = designing ? PaintCornerMarks(canvas, rect.Insetted(1, 1), c.Frame, 4) : OutlineRect(canvas, rect, c.Frame);
    TColor top = c.Start, bottom = c.Stop;
    switch (FFaceState) {
    case fstUp:
    case fstDisabled:
        if (!hot) return; // designing: corner marks only
        break;
    case fstPressed:
    case fstArrowPressed: top = c.Stop; bottom = c.Start; break;
    case fstLatched:
        if (!FMouseInside) top = DarkenColor(c.Stop, 40);
        else if (FDown) { top = c.Stop; bottom = c.Start; }
        break;
    }
    FillGradient(canvas, rect, gdHorizontalEnd, top, bottom);
}

void TWkToolButton::PaintThemedFace(TCanvas& canvas, const Rect& rect) {
    using namespace theme;
    const bool active = PressedOrLatched() || FFaceState == fstArrowPressed ||
                        (FMouseInside && FFaceState != fstDisabled) || IsDesigning();
    HWND window = Parent() ? Parent()->Handle() : nullptr;
    if (!FFlat) {
        int state = PBS_NORMAL;
        if (!Enabled()) state = PBS_DISABLED;
        else if (PressedOrLatched()) state = PBS_PRESSED;
        else if ((FMouseInside && FFaceState != fstDisabled) || IsDesigning()) state = PBS_HOT;
        canvas.Realize();
        DrawThemePart(window, L"button", BP_PUSHBUTTON, state, canvas.Handle(), ClientRect());
        return;
    }
    Rect face = rect;
    const bool split = IsSplit();
    if (split) face.right -= kToolButtonArrowWidth;
    int state = TS_NORMAL;
    if (active) {
        if (FFaceState == fstPressed) state = TS_PRESSED;
        else if (FFaceState == fstLatched) state = FMouseInside ? TS_HOTCHECKED : TS_CHECKED;
        else if (FFaceState == fstArrowPressed && !split) state = TS_PRESSED;
        else state = TS_HOT;
    }
    canvas.Realize();
    DrawThemePart(window, L"toolbar", split ? TP_SPLITBUTTON : TP_BUTTON, state, canvas.Handle(), face);
}

void TWkToolButton::PaintClassicFace(TCanvas& canvas, Rect& rect) {
    if (!IsFlatLook()) {
        rect = PaintFrameStyle(canvas, rect, PressedOrLatched() ? fsLowered : fsButtonUp);
        return;
    }
    if (PressedOrLatched()) rect = PaintFrameStyle(canvas, rect, fsStatus);
    else if ((FMouseInside && FFaceState != fstDisabled) || IsDesigning()) rect = PaintFrameStyle(canvas, rect, fsPopup);
}

void TWkToolButton::PaintLatchedDither(TCanvas& canvas, const Rect& rect) {
    // 8 x 8 checkerboard: B where x + y is odd, F where it is even.
    const COLORREF b = ui::ColorToRGB(FTransparent ? ui::clBtnFace : Color());
    const COLORREF f = ui::ColorToRGB(FTransparent ? ui::clBtnHighlight : LightenColor(Color(), 20));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    ui::BitmapOwner pattern(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!pattern) return;
    auto* pixels = static_cast<DWORD*>(bits);
    auto toDib = [](COLORREF c) { return DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c); };
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pixels[y * 8 + x] = toDib((x + y) % 2 ? b : f);
    canvas.SetBrushBitmap(pattern);
    canvas.FillRect(rect);
    canvas.SetBrushBitmap(nullptr);
}

void TWkToolButton::PaintArrowPart(TCanvas& canvas) {
    const bool split = IsSplit();
    const bool themed = IsThemed();
    int x = Width() - kToolButtonArrowWidth;
    if (themed && split) {
        using namespace theme;
        int state = TS_NORMAL;
        if (!Enabled()) state = TS_DISABLED;
        else if (FFaceState == fstPressed || FFaceState == fstArrowPressed) state = TS_PRESSED;
        else if ((FMouseInside && FFaceState != fstDisabled) || IsDesigning()) state = TS_HOT;
        const Rect strip{Width() - kToolButtonArrowWidth, 0, Width(), Height()};
        DrawThemePart(Parent() ? Parent()->Handle() : nullptr, L"toolbar", TP_SPLITBUTTONDROPDOWN, state,
                      canvas.Handle(), strip);
        return;
    }
    if (!themed) {
        if (FFaceState == fstArrowPressed) {
            Rect p = ClientRect();
            if (split) {
                const int w = FVisualStyle == vsGradient ? 15 : 14;
                p = Rect{Width() - w, 0, Width(), Height()};
            }
            if (FVisualStyle == vsGradient) {
                // The pressed arrow always takes the scheme colours, even for gcsCustom.
                const TSelectionColors c = ToolButtonSelectionColors(FGradientColorStyle);
                FillGradient(canvas, OutlineRect(canvas, p, c.Frame), gdHorizontalEnd, c.Stop, c.Start);
            } else {
                PaintFrameStyle(canvas, p, fsStatus);
            }
        } else if (Enabled() && (!IsFlatLook() || FMouseInside)) {
            if (FVisualStyle != vsGradient && FFaceState == fstPressed) ++x;
            if (split) {
                if (FVisualStyle == vsGradient) {
                    canvas.SetPen(ToolButtonSelectionColors(FGradientColorStyle).Frame);
                    canvas.MoveTo(x - 1, 0);
                    canvas.LineTo(x - 1, Height());
                } else if (FFaceState != fstPressed) {
                    canvas.SetPen(ui::clBtnHighlight);
                    canvas.MoveTo(x, 0);
                    canvas.LineTo(x, Height());
                    canvas.SetPen(ui::clBtnShadow);
                    canvas.MoveTo(x - 1, 0);
                    canvas.LineTo(x - 1, Height());
                }
            }
        }
    }
    int ax = Width() - 8;
    int ay = Height() / 2 + 2;
    if (FVisualStyle != vsGradient && (FFaceState == fstPressed || FFaceState == fstArrowPressed)) {
        ++ax;
        ++ay;
    }
    const TColor arrow = Enabled() ? ui::clWindowText : ui::clBtnShadow;
    canvas.SetPen(arrow);
    canvas.SetBrush(arrow);
    canvas.Polygon({{ax, ay}, {ax - 2, ay - 2}, {ax + 2, ay - 2}});
}

ui::Point TWkToolButton::ImageSize() const {
    if (ui::TImageList* images = EffectiveImages()) return {images->Width(), images->Height()};
    return {0, 0};
}

void TWkToolButton::ComputeContentRects(TCanvas& canvas, Rect& imageRect, Rect& captionRect) {
    Rect a = ClientRect();
    if (FToolStyle == tsDropDown) a.right -= kToolButtonArrowWidth;
    a.Inset(2, 2);
    const ui::Point image = ImageSize();
    const int w = image.x, h = image.y;
    if (!FShowCaption || Caption().empty()) {
        imageRect = CenteredRect(a, w, h);
        captionRect = Rect{};
    } else {
        Rect measure = a;
        switch (FLayout) {
        case blGlyphLeft: measure.left += w; break;
        case blGlyphRight: measure.right -= w; break;
        case blGlyphTop: measure.top += h; break;
        case blGlyphBottom: measure.bottom -= h; break;
        }
        canvas.SetFont(Font());
        canvas.DrawText(Caption(), measure, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER | DT_VCENTER);
        const int tw = measure.Width(), th = measure.Height();
        int ix = 0, iy = 0, cx = 0, cy = 0;
        switch (FLayout) {
        case blGlyphLeft:
            ix = a.left + (a.Width() - (w + 4 + tw)) / 2;
            iy = a.top + (a.Height() - h) / 2;
            cx = ix + w + 4;
            cy = a.top + (a.Height() - th) / 2;
            break;
        case blGlyphRight:
            ix = a.right - w - (a.Width() - (w + 4 + tw)) / 2;
            iy = a.top + (a.Height() - h) / 2;
            cx = ix - tw - 4;
            cy = a.top + (a.Height() - th) / 2;
            break;
        case blGlyphTop:
            ix = a.left + (a.Width() - w) / 2;
            iy = a.top + (a.Height() - (h + 4 + th)) / 2;
            cx = a.left + (a.Width() - tw) / 2;
            cy = iy + h + 4;
            break;
        case blGlyphBottom:
            ix = a.left + (a.Width() - w) / 2;
            iy = a.bottom - h - (a.Height() - (h + 4 + th)) / 2;
            cx = a.left + (a.Width() - tw) / 2;
            cy = iy - th - 4;
            break;
        }
        imageRect = Rect::FromXYWH(ix, iy, w, h);
        captionRect = Rect::FromXYWH(cx, cy, tw, th);
    }
    if (PressedLook() && FVisualStyle != vsGradient) {
        const int dy = IsThemed() ? 0 : 1;
        imageRect.Offset(1, dy);
        captionRect.Offset(1, dy);
    }
}

void TWkToolButton::PaintImage(TCanvas& canvas, const Rect& imageRect) {
    ui::TImageList* images = EffectiveImages();
    if (!images || FImageIndex == -1) return;
    const int x = imageRect.left, y = imageRect.top;
    if (PressedLook() && FDownIndex != -1) {
        images->Draw(canvas, x, y, FDownIndex, true);
        return;
    }
    const bool hotImage = FHotIndex != -1 && FMouseInside;
    if (FDisabledIndex == -1) {
        images->Draw(canvas, x, y, hotImage && Enabled() ? FHotIndex : FImageIndex, Enabled());
    } else {
        images->Draw(canvas, x, y, !Enabled() ? FDisabledIndex : hotImage ? FHotIndex : FImageIndex, true);
    }
}

void TWkToolButton::PaintCaption(TCanvas& canvas, const Rect& captionRect) {
    if (!FShowCaption) return;
    ui::TFont font = Font();
    if (!Enabled()) font.Color = ui::clBtnShadow;
    else if (FFaceState == fstPressed && FVisualStyle != vsGradient) font.Color = ui::clHighlightText;
    canvas.SetFont(font);
    canvas.SetBrush(Color(), ui::TBrushStyle::Clear);
    canvas.SetTextBackgroundTransparent(true);
    Rect r = captionRect;
    canvas.DrawText(Caption(), r, DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER | DT_VCENTER);
    canvas.SetBrush(Color(), ui::TBrushStyle::Solid);
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
using B = TWkToolButton&;

const ui::TLayoutNames<TWkVisualStyle> kVisualStyleNames = {
    {L"vsClassic", vsClassic}, {L"vsWinXP", vsWinXP}, {L"vsGradient", vsGradient}};
const ui::TLayoutNames<TWkGradientColorStyle> kGradientColorStyleNames = {
    {L"gcsSystem", gcsSystem}, {L"gcsMSOffice", gcsMSOffice}, {L"gcsCustom", gcsCustom}};
const ui::TLayoutNames<TButtonLayout> kLayoutNames = {
    {L"blGlyphLeft", blGlyphLeft}, {L"blGlyphRight", blGlyphRight}, {L"blGlyphTop", blGlyphTop},
    {L"blGlyphBottom", blGlyphBottom}};
const ui::TLayoutNames<TWkToolStyle> kToolStyleNames = {{L"tsButton", tsButton}, {L"tsDropDown", tsDropDown}};

} // namespace

void RegisterWkToolButtonClasses(ui::TClassRegistry& r) {
    ui::RegisterControlClass<TWkToolButton>(r, L"TWkToolButton");
    r.Property<TWkToolButton>(L"AllowAllUp", [](B b, V v, C c) { b.SetAllowAllUp(c.Bool(v)); });
    r.Property<TWkToolButton>(L"DisabledIndex", [](B b, V v, C c) { b.SetDisabledIndex(c.Int(v)); });
    r.Property<TWkToolButton>(L"GradientColorStyle", [](B b, V v, C c) {
        b.SetGradientColorStyle(c.Enum(v, kGradientColorStyleNames));
    });
    r.Property<TWkToolButton>(L"SelectionColorStart", [](B b, V v, C c) { b.SetSelectionColorStart(c.Color(v)); });
    r.Property<TWkToolButton>(L"SelectionColorStop", [](B b, V v, C c) { b.SetSelectionColorStop(c.Color(v)); });
    r.Property<TWkToolButton>(L"SelectionFrameColor", [](B b, V v, C c) { b.SetSelectionFrameColor(c.Color(v)); });
    r.Property<TWkToolButton>(L"GroupIndex", [](B b, V v, C c) { b.SetGroupIndex(c.Int(v)); });
    r.Property<TWkToolButton>(L"Down", [](B b, V v, C c) { b.SetDown(c.Bool(v)); });
    r.Property<TWkToolButton>(L"DownIndex", [](B b, V v, C c) { b.SetDownIndex(c.Int(v)); });
    r.Property<TWkToolButton>(L"DropDownMenu", [](B b, V v, C c) {
        c.Reference<ui::TPopupMenu>(v, [&b](ui::TPopupMenu& menu) { b.SetDropDownMenu(&menu); });
    });
    r.Property<TWkToolButton>(L"Flat", [](B b, V v, C c) { b.SetFlat(c.Bool(v)); });
    r.Property<TWkToolButton>(L"HotIndex", [](B b, V v, C c) { b.SetHotIndex(c.Int(v)); });
    r.Property<TWkToolButton>(L"ImageIndex", [](B b, V v, C c) { b.SetImageIndex(c.Int(v)); });
    r.Property<TWkToolButton>(L"Images", [](B b, V v, C c) {
        c.Reference<ui::TImageList>(v, [&b](ui::TImageList& images) { b.SetImages(&images); });
    });
    r.Property<TWkToolButton>(L"Layout", [](B b, V v, C c) { b.SetLayout(c.Enum(v, kLayoutNames)); });
    r.Property<TWkToolButton>(L"ShowCaption", [](B b, V v, C c) { b.SetShowCaption(c.Bool(v)); });
    r.Property<TWkToolButton>(L"Transparent", [](B b, V v, C c) { b.SetTransparent(c.Bool(v)); });
    r.Property<TWkToolButton>(L"UseToolbarButtonLayout", [](B b, V v, C c) { b.SetUseToolbarButtonLayout(c.Bool(v)); });
    r.Property<TWkToolButton>(L"UseToolbarButtonSize", [](B b, V v, C c) { b.SetUseToolbarButtonSize(c.Bool(v)); });
    r.Property<TWkToolButton>(L"UseToolbarShowCaption", [](B b, V v, C c) { b.SetUseToolbarShowCaption(c.Bool(v)); });
    r.Property<TWkToolButton>(L"UseToolbarVisualStyle", [](B b, V v, C c) { b.SetUseToolbarVisualStyle(c.Bool(v)); });
    r.Property<TWkToolButton>(L"ToolStyle", [](B b, V v, C c) { b.SetToolStyle(c.Enum(v, kToolStyleNames)); });
    r.Property<TWkToolButton>(L"VisualStyle", [](B b, V v, C c) { b.SetVisualStyle(c.Enum(v, kVisualStyleNames)); });
    r.Property<TWkToolButton>(L"OnDropDown", [](B b, V v, C c) { b.OnDropDown = ui::LayoutNotifyHandler(v, c); });
    // Names older layouts still carry.
    r.Ignored<TWkToolButton>(L"GradientColorDefault");
    r.Ignored<TWkToolButton>(L"ThemeAware");
    r.Property<TWkToolButton>(L"GradientColorStart", [](B b, V v, C c) { b.SetSelectionColorStart(c.Color(v)); });
    r.Property<TWkToolButton>(L"GradientColorStop", [](B b, V v, C c) { b.SetSelectionColorStop(c.Color(v)); });
    r.Property<TWkToolButton>(L"FrameColor", [](B b, V v, C c) { b.SetSelectionFrameColor(c.Color(v)); });
    r.Property<TWkToolButton>(L"UseGradients", [](B b, V v, C c) {
        if (c.Bool(v)) b.SetVisualStyle(vsGradient);
    });
}

} // namespace wk
