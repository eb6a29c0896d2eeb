// TControl and TGraphicControl: state, bounds and the mouse logic shared by every control.
#include "ui/Control.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include <windowsx.h>
#include <algorithm>

namespace ui {

// ---------------------------------------------------------------------------------------------
// Free helpers
// ---------------------------------------------------------------------------------------------

Size TSizeConstraints::Apply(Size s) const {
    if (MaxWidth > 0 && s.cx > MaxWidth) s.cx = MaxWidth;
    if (MaxHeight > 0 && s.cy > MaxHeight) s.cy = MaxHeight;
    if (MinWidth > 0 && s.cx < MinWidth) s.cx = MinWidth;
    if (MinHeight > 0 && s.cy < MinHeight) s.cy = MinHeight;
    return s;
}

TShiftState KeyboardShiftState() {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState MouseShiftState(WPARAM wParam) {
    TShiftState s = 0;
    if (wParam & MK_SHIFT) s |= ssShift;
    if (wParam & MK_CONTROL) s |= ssCtrl;
    if (wParam & MK_LBUTTON) s |= ssLeft;
    if (wParam & MK_RBUTTON) s |= ssRight;
    if (wParam & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

// ---------------------------------------------------------------------------------------------
// TControl: life and parent
// ---------------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
    SetDestroying();
    if (TApplication* app = CurrentApplication()) app->ControlDestroying(this);
    if (FParent) {
        FParent->RemoveControl(this);
        FParent = nullptr;
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (parent == this) throw Exception(L"A control cannot be its own parent");
    if (FParent) FParent->RemoveControl(this);
    if (IsWindowed()) {
        auto* self = static_cast<TWinControl*>(this);
        // A window cannot outlive its parent window; it is made again under the new parent.
        if (self->FHandle && (!parent || !parent->FHandle)) self->DestroyHandle();
    }
    if (parent) parent->InsertControl(this);
    if (!IsDestroying()) ParentChanged();
}

// ---------------------------------------------------------------------------------------------
// Bounds, alignment, anchors
// ---------------------------------------------------------------------------------------------

void TControl::SetBounds(int left, int top, int width, int height) {
    Size s = ConstrainedSize(Size{width, height});
    ApplyBounds(Rect::FromXYWH(left, top, s.cx, s.cy));
    RememberAnchorOrigin();
    if (FAlign != alNone) RequestParentAlign();
}

void TControl::SetAlignedBounds(const Rect& r) {
    Size s = ConstrainedSize(r.GetSize());
    ApplyBounds(Rect::FromXYWH(r.left, r.top, s.cx, s.cy));
}

void TControl::ApplyBounds(const Rect& r) {
    if (r == FBounds) return;
    Rect old = FBounds;
    FBounds = r;
    if (FParent && FVisible) {
        FParent->InvalidateRect(old);
        FParent->InvalidateRect(r);
    }
    if (old.GetSize() != r.GetSize()) Resize();
}

void TControl::RememberAnchorOrigin() {
    if (!FParent) {
        FAnchorOriginValid = false;
        return;
    }
    FAnchorBounds = FBounds;
    FAnchorParentSize = FParent->ClientRect().GetSize();
    FAnchorOriginValid = true;
}

void TControl::RequestParentAlign() {
    if (FParent && !FParent->FAligning) FParent->ReAlign();
}

void TControl::SetAlign(TAlign value) {
    if (value == FAlign) return;
    FAlign = value;
    if (FAlign == alNone) RememberAnchorOrigin();
    RequestParentAlign();
}

void TControl::SetAnchors(TAnchors value) {
    if (value == FAnchors) return;
    FAnchors = value;
    RememberAnchorOrigin();
}

void TControl::SetConstraints(const TSizeConstraints& value) {
    if (value == FConstraints) return;
    FConstraints = value;
    Size s = ConstrainedSize(FBounds.GetSize());
    if (s != FBounds.GetSize()) SetBounds(Left(), Top(), s.cx, s.cy);
}

Point TControl::ClientToScreen(Point p) const {
    Point o = ClientOrigin();
    p = p.Offset(o.x, o.y);
    return FParent ? FParent->ClientToScreen(p) : p;
}

Point TControl::ScreenToClient(Point p) const {
    if (FParent) p = FParent->ScreenToClient(p);
    Point o = ClientOrigin();
    return p.Offset(-o.x, -o.y);
}

Point TControl::ClientToAncestor(Point p, const TWinControl* ancestor) const {
    const TControl* c = this;
    while (c && c != ancestor) {
        if (!c->FParent && ancestor == nullptr) return p;   // reached the top-level window
        Point o = c->ClientOrigin();
        p = p.Offset(o.x, o.y);
        c = c->FParent;
    }
    return p;
}

// ---------------------------------------------------------------------------------------------
// State: visibility, enabled, colour, font, caption, hint, cursor
// ---------------------------------------------------------------------------------------------

void TControl::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    ApplyVisible();
    if (FParent) {
        if (!IsWindowed()) FParent->InvalidateRect(FBounds);
        if (FAlign != alNone) RequestParentAlign();
        if (!value) {
            if (FParent->FHoverControl == this) FParent->FHoverControl = nullptr;
            if (FParent->FCaptureControl == this) FParent->SetCaptureControl(nullptr);
        }
    }
    VisibleChanged();
}

void TControl::ApplyVisible() {}

bool TControl::Showing() const { return FVisible && (!FParent || FParent->Showing()); }

void TControl::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    if (IsWindowed()) {
        auto* self = static_cast<TWinControl*>(this);
        if (self->FHandle) EnableWindow(self->FHandle, value);
    }
    if (!value && FParent && FParent->FCaptureControl == this) FParent->SetCaptureControl(nullptr);
    EnabledChanged();
}

void TControl::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    FParentColor = false;
    NotifyColorChanged();
}

void TControl::SetParentColor(bool value) {
    if (value == FParentColor) return;
    FParentColor = value;
    if (value && FParent) TakeParentColor(FParent->FColor);
}

void TControl::TakeParentColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    NotifyColorChanged();
}

void TControl::NotifyColorChanged() {
    ColorChanged();
    if (!IsWindowed()) return;
    for (TControl* c : static_cast<TWinControl*>(this)->FControls)
        if (c->FParentColor) c->TakeParentColor(FColor);
}

void TControl::SetFont(const TFont& value) {
    // An explicit font is the control's own from now on, even when it equals the parent's.
    FParentFont = false;
    if (value == FFont) return;
    FFont = value;
    NotifyFontChanged();
}

void TControl::SetParentFont(bool value) {
    if (value == FParentFont) return;
    FParentFont = value;
    if (value && FParent) TakeParentFont(FParent->FFont);
}

void TControl::TakeParentFont(const TFont& font) {
    if (font == FFont) return;
    FFont = font;
    NotifyFontChanged();
}

void TControl::NotifyFontChanged() {
    if (IsWindowed()) {
        auto* self = static_cast<TWinControl*>(this);
        // The old font is deleted only after the platform control has been given the new one:
        // it draws with the font it was sent, not ours.
        FontOwner old = std::move(self->FFontHandle);
        if (self->FHandle && self->IsPlatformControl())
            SendMessageW(self->FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(self->FontHandle()), TRUE);
    }
    FontChanged();
    if (!IsWindowed()) return;
    for (TControl* c : static_cast<TWinControl*>(this)->FControls)
        if (c->FParentFont) c->TakeParentFont(FFont);
}

void TControl::SetCaption(const std::wstring& value) {
    if (value == Caption()) return;
    FCaption = value;
    if (IsWindowed()) {
        auto* self = static_cast<TWinControl*>(this);
        if (self->FHandle) SetWindowTextW(self->FHandle, value.c_str());
    }
    TextChanged();
}

void TControl::SetShowHint(bool value) {
    FParentShowHint = false;
    if (value == FShowHint) return;
    FShowHint = value;
    if (!IsWindowed()) return;
    for (TControl* c : static_cast<TWinControl*>(this)->FControls)
        if (c->FParentShowHint) c->TakeParentShowHint(value);
}

void TControl::SetParentShowHint(bool value) {
    if (value == FParentShowHint) return;
    FParentShowHint = value;
    if (value && FParent) TakeParentShowHint(FParent->FShowHint);
}

void TControl::TakeParentShowHint(bool showHint) {
    if (showHint == FShowHint) return;
    FShowHint = showHint;
    if (!IsWindowed()) return;
    for (TControl* c : static_cast<TWinControl*>(this)->FControls)
        if (c->FParentShowHint) c->TakeParentShowHint(showHint);
}

void TControl::SetCursor(TCursor value) {
    if (value == FCursor) return;
    FCursor = value;
    // Show it at once when the pointer is over the control.
    POINT pt;
    if (!GetCursorPos(&pt)) return;
    HWND wnd = WindowFromPoint(pt);
    if (wnd && TWinControl::FindControl(wnd)) SendMessageW(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

// ---------------------------------------------------------------------------------------------
// Painting and messages
// ---------------------------------------------------------------------------------------------

void TControl::Invalidate() {
    if (FParent && FVisible) FParent->InvalidateRect(FBounds);
}

void TControl::InvalidateRect(const Rect& r) {
    if (FParent && FVisible) FParent->InvalidateRect(r.Offsetted(Left(), Top()).Intersected(FBounds));
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::PaintTo(HDC dc, const Rect& update) {
    DcStateGuard state(dc);
    Rect clip = ClientRect().Intersected(update);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    TCanvas canvas(dc);
    canvas.SetFont(FFont);
    Paint(canvas, clip);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(msg, wParam, lParam, result)) return result;
    // Mouse messages sent to a windowless control act as if the parent had routed them.
    Point p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    TShiftState shift = MouseShiftState(wParam);
    switch (msg) {
    case WM_LBUTTONDOWN: DeliverMouse(TMouseAction::Down, mbLeft, shift, p); break;
    case WM_RBUTTONDOWN: DeliverMouse(TMouseAction::Down, mbRight, shift, p); break;
    case WM_MBUTTONDOWN: DeliverMouse(TMouseAction::Down, mbMiddle, shift, p); break;
    case WM_LBUTTONUP: DeliverMouse(TMouseAction::Up, mbLeft, shift, p); break;
    case WM_RBUTTONUP: DeliverMouse(TMouseAction::Up, mbRight, shift, p); break;
    case WM_MBUTTONUP: DeliverMouse(TMouseAction::Up, mbMiddle, shift, p); break;
    case WM_LBUTTONDBLCLK: DeliverMouse(TMouseAction::DoubleClick, mbLeft, shift, p); break;
    case WM_MOUSEMOVE: DeliverMouse(TMouseAction::Move, mbLeft, shift, p); break;
    default: break;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Mouse
// ---------------------------------------------------------------------------------------------

void TControl::DeliverMouse(TMouseAction action, TMouseButton button, TShiftState shift, Point local) {
    // The window that holds the capture for this control: its own, or its parent's.
    TWinControl* host = IsWindowed() ? static_cast<TWinControl*>(this) : FParent;
    if (action == TMouseAction::DoubleClick && !(FControlStyle & csDoubleClicks)) action = TMouseAction::Down;
    switch (action) {
    case TMouseAction::Down:
    case TMouseAction::DoubleClick:
        if (TApplication* app = CurrentApplication()) app->CancelHint();
        if ((FControlStyle & csCaptureMouse) && host) host->SetCaptureControl(this);
        if (button == mbLeft && (FControlStyle & csClickEvents)) FClickPending = true;
        if (action == TMouseAction::DoubleClick) {
            if (button == mbLeft) DblClick();
            MouseDown(button, shift | ssDouble, local.x, local.y);
        } else {
            MouseDown(button, shift, local.x, local.y);
        }
        break;
    case TMouseAction::Up: {
        bool click = button == mbLeft && FClickPending;
        if (button == mbLeft) FClickPending = false;
        if (host && host->FCaptureControl == this && !(shift & (ssLeft | ssRight | ssMiddle))) host->SetCaptureControl(nullptr);
        if (click && ClientRect().Contains(local)) Click();
        MouseUp(button, shift, local.x, local.y);
        break;
    }
    case TMouseAction::Move:
        MouseMove(shift, local.x, local.y);
        break;
    }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::Loaded() {
    TComponent::Loaded();
    RememberAnchorOrigin();
}

// ---------------------------------------------------------------------------------------------
// TGraphicControl
// ---------------------------------------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::PaintTo(HDC dc, const Rect& update) { TControl::PaintTo(dc, update); }

} // namespace ui
