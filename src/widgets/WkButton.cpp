// TWkCustomButton and TWkButton. Sections: custom button (properties, mouse, keys, focus,
// styled text) · push button (properties, clicks and keys, default button, groups) ·
// painting · registration.
#include "widgets/WkButton.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGradient.h"
#include "widgets/WkGraphics.h"
#include "widgets/WkKit.h"
#include "widgets/WkTextEffect.h"
#include "widgets/WkThemeParts.h"

namespace wk {

using ui::Rect;
using ui::TCanvas;

// =========================================================================================
// TWkCustomButton
// =========================================================================================

TWkCustomButton::TWkCustomButton(ui::TComponent* owner) : ui::TCustomControl(owner) {
    // The button clicks on its own release; a double click arrives as a second press.
    SetControlStyle(ui::csCaptureMouse);
    SetTabStop(true);
}

void TWkCustomButton::SetAlignmentVertical(TAlignmentVertical value) { SetAndInvalidate(FAlignmentVertical, value); }

void TWkCustomButton::SetHotTrack(bool value) {
    if (FHotTrack == value) return;
    FHotTrack = value;
    SetTransparent(value);
    Invalidate();
}

void TWkCustomButton::SetHighlightColor(TColor value) { SetAndInvalidate(FHighlightColor, value); }
void TWkCustomButton::SetHotTrackColor(TColor value) { SetAndInvalidate(FHotTrackColor, value); }
void TWkCustomButton::SetHotTrackColorType(TWkHotTrackColorType value) { SetAndInvalidate(FHotTrackColorType, value); }
void TWkCustomButton::SetLightTextStyle(bool value) { SetAndInvalidate(FLightTextStyle, value); }
void TWkCustomButton::SetTextStyle(TTextStyle value) { SetAndInvalidate(FTextStyle, value); }
void TWkCustomButton::SetTextHighlightColor(TColor value) { SetAndInvalidate(FTextHighlightColor, value); }
void TWkCustomButton::SetTextShadowColor(TColor value) { SetAndInvalidate(FTextShadowColor, value); }
void TWkCustomButton::SetTextShadowDepth(int value) { SetAndInvalidate(FTextShadowDepth, value); }
void TWkCustomButton::SetThemeAware(bool value) { SetAndInvalidate(FThemeAware, value); }

void TWkCustomButton::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    // Containers whose gradient changes repaint the windows marked transparent.
    if (HandleAllocated()) MarkWindowTransparent(HandleIfAllocated(), value);
    Invalidate();
}

bool TWkCustomButton::IsThemed() const { return FThemeAware && VisualThemesActive(); }

void TWkCustomButton::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    const TWkLifetime::TWatch life = FLifetime.Watch();
    ui::TCustomControl::MouseDown(button, shift, x, y); // fires OnMouseDown
    if (!life.Alive() || button != ui::mbLeft || !Enabled()) return;
    SetFocus();
    // A form that refuses the focus (a modal sibling, a validating control) gets no click.
    if (!Focused()) return;
    FPressedLook = true;
    RefreshLook();
    FTracking = true;
}

void TWkCustomButton::MouseMove(ui::TShiftState shift, int x, int y) {
    const TWkLifetime::TWatch life = FLifetime.Watch();
    ui::TCustomControl::MouseMove(shift, x, y); // fires OnMouseMove
    if (!life.Alive() || !FTracking) return;
    const bool inside = InClientArea({x, y});
    if (inside == FPressedLook) return;
    FPressedLook = inside;
    RefreshLook();
}

void TWkCustomButton::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    const TWkLifetime::TWatch life = FLifetime.Watch();
    ui::TCustomControl::MouseUp(button, shift, x, y); // fires OnMouseUp before any click
    if (!life.Alive() || button != ui::mbLeft || !FTracking) return;
    FTracking = false;
    FPressedLook = false;
    // Inside or not is judged where the button was released, not at the last move.
    if (InClientArea({x, y})) {
        PerformPress();
        if (!life.Alive()) return; // the click handler destroyed the button
    }
    RefreshLook();
}

void TWkCustomButton::MouseCaptureLost() {
    ui::TCustomControl::MouseCaptureLost();
    // A release takes the capture back just before the framework hands it to MouseUp, which
    // ends the press. Losing the capture while the button is still held (a window popping
    // up) ends the press here, unclicked.
    const bool held = (GetKeyState(VK_LBUTTON) & 0x8000) != 0;
    if (!FTracking || !held) return;
    FTracking = false;
    FPressedLook = false;
    RefreshLook();
}

void TWkCustomButton::MouseEnter() {
    FMouseInside = true;
    ui::TCustomControl::MouseEnter(); // fires OnMouseEnter
    if (FHotTrack || IsThemed()) InvalidateRect(HotTrackArea());
}

void TWkCustomButton::MouseLeave() {
    FMouseInside = false;
    ui::TCustomControl::MouseLeave(); // fires OnMouseLeave
    if (FHotTrack || IsThemed()) InvalidateRect(HotTrackArea());
}

bool TWkCustomButton::KeyDown(WORD key, ui::TShiftState shift) {
    if (key == VK_SPACE && !(shift & ui::ssAlt)) {
        FSpacePressed = true;
        FPressedLook = true;
        RefreshLook();
    }
    return ui::TCustomControl::KeyDown(key, shift);
}

bool TWkCustomButton::KeyUp(WORD key, ui::TShiftState shift) {
    if (key == VK_SPACE) {
        FPressedLook = false;
        if (FSpacePressed) {
            const TWkLifetime::TWatch life = FLifetime.Watch();
            PerformPress();
            if (!life.Alive()) return true; // the click handler destroyed the button
        }
        RefreshLook();
    }
    return ui::TCustomControl::KeyUp(key, shift);
}

void TWkCustomButton::FocusChanged(bool focused) {
    ui::TCustomControl::FocusChanged(focused);
    if (!focused) {
        FSpacePressed = false;
        FPressedLook = false;
        RefreshLook();
    }
    Repaint();
}

void TWkCustomButton::EnabledChanged() {
    // A disabled window cannot keep the keyboard focus: the form moves it on.
    if (!Enabled() && Parent() && Focused()) {
        if (ui::TForm* form = ui::GetParentForm(this)) form->SelectNext(this, true, true);
    }
    ui::TCustomControl::EnabledChanged();
    Invalidate();
}

void TWkCustomButton::TextChanged() {
    ui::TCustomControl::TextChanged();
    Repaint();
}

void TWkCustomButton::PaintStyledText(TCanvas& canvas, const Rect& rect, UINT format) {
    canvas.SetTextBackgroundTransparent(true);
    canvas.SetBrush(Color(), ui::TBrushStyle::Clear);
    Rect tr = rect;
    Rect measure = rect;
    const int h = canvas.DrawText(Caption(), measure, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER);
    switch (FAlignmentVertical) {
    case avTop: tr.bottom = tr.top + h; break;
    case avCenter:
        tr.top = (tr.top + tr.bottom - h) / 2;
        tr.bottom = tr.top + h;
        break;
    case avBottom: tr.top = tr.bottom - h - 1; break;
    }
    ui::TFont font = canvas.Font();
    // A right-aligned caption keeps room for the shadow inside the caption area: the text
    // stands TextShadowDepth further left (in every style) and the shadow where the text
    // would have stood.
    const bool rightAligned = (format & DT_RIGHT) != 0;
    const TTextEffect effect{FTextStyle, FLightTextStyle, FTextHighlightColor, FTextShadowColor,
                             {rightAligned ? 0 : FTextShadowDepth, FTextShadowDepth},
                             {rightAligned ? -FTextShadowDepth : 0, 0}};
    PaintTextEffect(effect, Enabled(), Font().Color, [&](ui::Point offset, TColor color) {
        font.Color = color;
        canvas.SetFont(font);
        Rect r = tr.Offsetted(offset.x, offset.y);
        canvas.DrawText(Caption(), r, format);
    });
}

// =========================================================================================
// TWkButton: properties, clicks, keys, default button, groups
// =========================================================================================

TWkButton::TWkButton(ui::TComponent* owner) : TWkCustomButton(owner) {
    SetBounds(Left(), Top(), 75, 25);
    SetColor(ui::clBtnFace);
}

TWkAction* TWkButton::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TWkButton::SetAlignment(ui::TAlignment value) { SetAndInvalidate(FAlignment, value); }

void TWkButton::SetAllowAllUp(bool value) {
    if (FAllowAllUp == value) return;
    FAllowAllUp = value;
    BroadcastGroup();
}

void TWkButton::SetDefault(bool value) {
    if (FDefault == value) return;
    FDefault = value;
    if (HandleAllocated()) {
        if (ui::TForm* form = ui::GetParentForm(this)) ReevaluateDefault(form->ActiveControl());
    }
    Invalidate();
}

void TWkButton::SetDown(bool value) {
    if (FGroupIndex == 0) value = false;
    if (value == FDown) return;
    if (FDown && !FAllowAllUp && FGroupIndex != 0) return;
    FDown = value;
    Invalidate();
    if (value) BroadcastGroup();
}

void TWkButton::SetFrameColor(TColor value) { SetAndInvalidate(FFrameColor, value); }

void TWkButton::SetGroupIndex(int value) {
    if (FGroupIndex == value) return;
    FGroupIndex = value;
    BroadcastGroup();
}

void TWkButton::SetShowDownPattern(bool value) { SetAndInvalidate(FShowDownPattern, value); }
void TWkButton::SetShowFocusRect(bool value) { SetAndInvalidate(FShowFocusRect, value); }

void TWkButton::Click() {
    if (ui::TForm* form = ui::GetParentForm(this)) form->SetModalResult(FModalResult);
    RunControlClick(*this, Action());
}

void TWkButton::PerformPress() {
    if (FGroupIndex != 0) SetDown(!FDown);
    else RefreshLook();
    const TWkLifetime::TWatch life = FLifetime.Watch();
    // InClick brackets the click, also when it throws, unless the handler destroyed the button.
    struct InClickScope {
        const TWkLifetime::TWatch& life;
        bool& flag;
        ~InClickScope() {
            if (life.Alive()) flag = false;
        }
    } scope{life, FInClick};
    FInClick = true;
    Click();
}

void TWkButton::CreateWnd() {
    TWkCustomButton::CreateWnd();
    MarkWindowTransparent(HandleIfAllocated(), Transparent());
    FActsAsDefault = FDefault;
}

bool TWkButton::DialogKey(WORD key, ui::TShiftState shift) {
    const bool enter = key == VK_RETURN && FActsAsDefault;
    const bool escape = key == VK_ESCAPE && FCancel;
    if ((enter || escape) && (shift & (ui::ssShift | ui::ssCtrl | ui::ssAlt)) == 0 && CanFocus()) {
        FEnterKeyClick = !FDropDownOnEnter;
        const TWkLifetime::TWatch life = FLifetime.Watch();
        struct Reset {
            const TWkLifetime::TWatch& life;
            bool& flag;
            ~Reset() {
                if (life.Alive()) flag = false;
            }
        } reset{life, FEnterKeyClick};
        // Click, not PerformPress: Enter never toggles a grouped button.
        Click();
        return true;
    }
    return TWkCustomButton::DialogKey(key, shift);
}

bool TWkButton::DialogChar(wchar_t ch) {
    if (ui::IsAccel(ch, Caption()) && CanFocus()) {
        Click();
        return true;
    }
    return TWkCustomButton::DialogChar(ch);
}

void TWkButton::ActiveControlChanged(ui::TWinControl* focused) {
    TWkCustomButton::ActiveControlChanged(focused);
    ReevaluateDefault(focused);
}

void TWkButton::ReevaluateDefault(ui::TWinControl* focused) {
    const bool acts = dynamic_cast<TWkButton*>(focused) ? focused == this : FDefault;
    if (acts == FActsAsDefault) return;
    FActsAsDefault = acts;
    Repaint();
}

// The group is told by direct calls among the parent's push buttons. A window message
// carrying the sender's address would let any process that posts to the window hand the
// button an arbitrary pointer.
void TWkButton::BroadcastGroup() {
    ui::TWinControl* parent = Parent();
    if (!parent) return;
    for (ui::TControl* control : parent->Controls())
        if (auto* sibling = dynamic_cast<TWkButton*>(control); sibling && sibling != this) sibling->GroupChanged(*this);
}

void TWkButton::GroupChanged(const TWkButton& sender) {
    if (sender.FGroupIndex != FGroupIndex) return;
    if (sender.FDown && FDown) {
        // Raised directly: no setter, no click, no action update.
        FDown = false;
        Invalidate();
    }
    FAllowAllUp = sender.FAllowAllUp;
}

// =========================================================================================
// Action
// =========================================================================================

void TWkButton::SetAction(TWkAction* action) {
    if (action == Action()) return;
    if (!action) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = std::make_unique<TWkButtonActionLink>(*this);
    FActionLink->SetAction(action);
    ActionChange(*action, action->IsLoading());
}

void TWkButton::ActionChange(const TWkAction& action, bool checkDefaults) {
    ApplyActionDefaults(*this, action, checkDefaults);
    if (!checkDefaults || !FDown) SetDown(action.Checked());
}

void TWkButton::AssignTo(TWkAction& action) const {
    CopyControlToAction(*this, action);
    action.SetChecked(FDown);
}

void TWkButtonActionLink::CheckedChanging(bool value) {
    if (FButton.Down() == FAction->Checked()) FButton.SetDown(value);
}

// =========================================================================================
// Painting
// =========================================================================================

void TWkButton::Paint(TCanvas& canvas, const Rect&) {
    const Rect client = ClientRect();
    // The window's erase is suppressed (double buffering): the background is painted here.
    if (Transparent() && HandleAllocated()) {
        PaintParentBackground(Handle(), canvas.Handle());
    } else {
        canvas.SetBrush(Color());
        canvas.FillRect(client);
    }
    const bool themed = IsThemed();
    Rect focusRect = client.Insetted(HotTrack() || themed ? 3 : 4, HotTrack() || themed ? 3 : 4);
    if (FGroupIndex != 0 && ShownDown()) focusRect.Offset(1, 1);

    Rect r = client;
    if (themed) PaintThemedFace(canvas, r);
    else if (HotTrack()) PaintHotTrackFace(canvas, r);
    else PaintClassicFace(canvas, r);

    if (FGroupIndex != 0 && FDown && FShowDownPattern) PaintDownPattern(canvas, r);

    canvas.SetFont(Font());
    canvas.SetBrush(Color());
    PaintButtonCaption(canvas);

    if (Focused() && FShowFocusRect) PaintDottedFocusFrame(canvas, focusRect);
}

void TWkButton::PaintThemedFace(TCanvas& canvas, const Rect& rect) {
    using namespace theme;
    int state = PBS_NORMAL;
    if (!Enabled()) state = PBS_DISABLED;
    else if (ShownDown()) state = PBS_PRESSED;
    else if (FMouseInside) state = PBS_HOT;
    else if (FGroupIndex == 0 && IsActiveLook()) state = PBS_DEFAULTED;
    canvas.Realize();
    DrawThemePart(Handle(), L"button", BP_PUSHBUTTON, state, canvas.Handle(), rect);
}

namespace {

void Line(TCanvas& canvas, int x0, int y0, int x1, int y1, TColor color) {
    // Inclusive end points; a line of no length draws nothing.
    if (x1 < x0 || y1 < y0) return;
    canvas.SetPen(color);
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x0 == x1 ? x1 : x1 + 1, y0 == y1 ? y1 : y1 + 1);
}

} // namespace

void TWkButton::PaintHotTrackFace(TCanvas& canvas, Rect& r) {
    const TColor b = Color();
    if (Enabled()) {
        // A soft well in the button-face colours (whatever Color is), corners cut.
        const TColor w1 = DarkenColor(ui::clBtnFace, 20), w2 = LightenColor(ui::clBtnFace, 20);
        const int l = r.left, t = r.top, rt = r.right, bt = r.bottom;
        Line(canvas, l, t + 2, l, bt - 3, w1);
        Line(canvas, l + 2, t, rt - 3, t, w1);
        Line(canvas, rt - 1, t + 2, rt - 1, bt - 3, w2);
        Line(canvas, l + 2, bt - 1, rt - 3, bt - 1, w2);
        canvas.SetPixelColor(l + 1, t + 1, w1);
        canvas.SetPixelColor(rt - 2, t + 1, w1);
        canvas.SetPixelColor(l + 1, bt - 2, w1);
        canvas.SetPixelColor(rt - 2, bt - 2, w2);
    }
    r.Inset(1, 1);
    TColor frame = FFrameColor;
    if (!Enabled()) frame = b == ui::clBtnFace ? LightenColor(ui::clBtnShadow, 30) : DarkenColor(b, 80);
    Line(canvas, r.left, r.top + 1, r.left, r.bottom - 2, frame);
    Line(canvas, r.left + 1, r.top, r.right - 2, r.top, frame);
    Line(canvas, r.right - 1, r.top + 1, r.right - 1, r.bottom - 2, frame);
    Line(canvas, r.left + 1, r.bottom - 1, r.right - 2, r.bottom - 1, frame);
    r.Inset(1, 1);

    auto standardFace = [&] {
        Line(canvas, r.left, r.bottom - 2, r.right - 1, r.bottom - 2, DarkenColor(b, 20));
        Line(canvas, r.left, r.bottom - 1, r.right - 1, r.bottom - 1, DarkenColor(b, 30));
        const Rect body = r.Insetted(0, 0, 0, 2);
        if (KitFullColor()) {
            FillGradient(canvas, body, gdHorizontalEnd, LightenColor(b, 30), DarkenColor(b, 10));
        } else {
            canvas.SetBrush(b);
            canvas.FillRect(body);
        }
    };
    if (!Enabled()) {
        canvas.SetBrush(b);
        canvas.FillRect(r);
    } else if (ShownDown()) {
        canvas.SetBrush(DarkenColor(b, 10));
        canvas.FillRect(r);
    } else if (FMouseInside) {
        standardFace();
        TColor top, bottom;
        if (HotTrackColorType() == htctActual) {
            top = MixColors(ui::clWhite, HotTrackColor(), 190);
            bottom = HotTrackColor();
        } else {
            top = OppositeHueColor(HotTrackColor(), 180);
            bottom = DarkenColor(top, 30);
        }
        PaintGradientRing(canvas, r, gdHorizontalEnd, top, bottom);
    } else if (FGroupIndex != 0 || !IsActiveLook()) {
        standardFace();
    } else {
        standardFace();
        TColor h = HighlightColor();
        if (ColorsAreSimilar(h, ui::clBtnFace)) h = DarkenColor(h, 30);
        const TColor light = LightenColor(b, 30);
        PaintGradientRing(canvas, r, gdHorizontalEnd, MixColors(h, light, 60), MixColors(h, light, 160));
    }
}

void TWkButton::PaintClassicFace(TCanvas& canvas, Rect& r) {
    if (FGroupIndex == 0 && (IsActiveLook() || FInClick))
        r = PaintFrameSides(canvas, r, ui::clWindowFrame, ui::clWindowFrame); // marks the default button
    const TColor b = Color();
    if (b == ui::clBtnFace) {
        if (FGroupIndex != 0) r = PaintFrameStyle(canvas, r, ShownDown() ? fsLowered : fsButtonUp);
        else r = PaintButtonBorder(canvas, r, FPressedLook);
    } else if (FGroupIndex == 0) {
        r = PaintTintedButtonBorder(canvas, r, b, FPressedLook);
    } else if (ShownDown()) {
        r = PaintTintedFrameStyle(canvas, r, b, fsLowered);
    } else {
        r = PaintTintedButtonBorder(canvas, r, b, false);
    }
}

void TWkButton::PaintDownPattern(TCanvas& canvas, const Rect& rect) {
    // 8 x 8 pattern in Color; pixels whose x and y have the same parity are set to a grey
    // that differs from Color.
    const COLORREF base = ui::ColorToRGB(Color());
    const COLORREF dot = base == RGB(192, 192, 192) ? RGB(128, 128, 128) : RGB(192, 192, 192);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    ui::BitmapOwner pattern(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!pattern) return;
    auto toDib = [](COLORREF c) { return DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c); };
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pixels[y * 8 + x] = toDib((x % 2) == (y % 2) ? dot : base);
    canvas.SetBrushBitmap(pattern);
    canvas.FillRect(rect);
    canvas.SetBrushBitmap(nullptr);
}

Rect TWkButton::CaptionRect() const {
    Rect r = ClientRect().Insetted(5, 5);
    if (!IsThemed() && !HotTrack()) {
        const bool down = FGroupIndex != 0 ? ShownDown() : FPressedLook;
        if (down) r.Offset(1, 1);
    }
    return r;
}

void TWkButton::PaintButtonCaption(TCanvas& canvas) {
    UINT format = DT_WORDBREAK | DT_EXPANDTABS;
    format |= FAlignment == ui::taLeftJustify ? DT_LEFT : FAlignment == ui::taRightJustify ? DT_RIGHT : DT_CENTER;
    PaintStyledText(canvas, CaptionRect(), format);
    canvas.SetBrush(Color(), ui::TBrushStyle::Solid);
}

} // namespace wk

// =========================================================================================
// Registration
// =========================================================================================

namespace wk {

void RegisterWkButtonClasses(ui::TClassRegistry& r) {
    using B = TWkButton;
    RegisterWkActionClasses(r);
    ui::RegisterControlClass<B, ui::TWinControl>(r, L"TWkButton");
    r.Property<B>(L"Action", &B::SetAction);
    r.Property<B>(L"Alignment", &B::SetAlignment);
    r.Property<B>(L"AlignmentVertical", &B::SetAlignmentVertical);
    r.Property<B>(L"AllowAllUp", &B::SetAllowAllUp);
    r.Property<B>(L"Cancel", &B::SetCancel);
    r.Property<B>(L"Default", &B::SetDefault);
    r.Property<B>(L"DropDownOnEnter", &B::SetDropDownOnEnter);
    r.Property<B>(L"GroupIndex", &B::SetGroupIndex);
    r.Property<B>(L"Down", &B::SetDown);
    r.Property<B>(L"FrameColor", &B::SetFrameColor);
    r.Property<B>(L"HighlightColor", &B::SetHighlightColor);
    r.Property<B>(L"HotTrack", &B::SetHotTrack);
    r.Property<B>(L"HotTrackColor", &B::SetHotTrackColor);
    r.Property<B>(L"HotTrackColorType", &B::SetHotTrackColorType);
    r.Property<B>(L"LightTextStyle", &B::SetLightTextStyle);
    r.Property<B>(L"ModalResult", &B::SetModalResult);
    r.Property<B>(L"ShowDownPattern", &B::SetShowDownPattern);
    r.Property<B>(L"ShowFocusRect", &B::SetShowFocusRect);
    r.Property<B>(L"TextHighlightColor", &B::SetTextHighlightColor);
    r.Property<B>(L"TextShadowColor", &B::SetTextShadowColor);
    r.Property<B>(L"TextShadowDepth", &B::SetTextShadowDepth);
    r.Property<B>(L"TextStyle", &B::SetTextStyle);
    r.Property<B>(L"ThemeAware", &B::SetThemeAware);
    // The name older layouts used for the hot-tracking look.
    r.Property<B>(L"FrameFlat", &B::SetHotTrack);
}

} // namespace wk
