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

void TWkCustomButton::SetAlignmentVertical(TAlignmentVertical value) {
    if (FAlignmentVertical == value) return;
    FAlignmentVertical = value;
    Invalidate();
}

void TWkCustomButton::SetHotTrack(bool value) {
    if (FHotTrack == value) return;
    FHotTrack = value;
    SetTransparent(value);
    Invalidate();
}

void TWkCustomButton::SetHighlightColor(TColor value) {
    if (FHighlightColor == value) return;
    FHighlightColor = value;
    Invalidate();
}

void TWkCustomButton::SetHotTrackColor(TColor value) {
    if (FHotTrackColor == value) return;
    FHotTrackColor = value;
    Invalidate();
}

void TWkCustomButton::SetHotTrackColorType(TWkHotTrackColorType value) {
    if (FHotTrackColorType == value) return;
    FHotTrackColorType = value;
    Invalidate();
}

void TWkCustomButton::SetLightTextStyle(bool value) {
    if (FLightTextStyle == value) return;
    FLightTextStyle = value;
    Invalidate();
}

void TWkCustomButton::SetTextStyle(TTextStyle value) {
    if (FTextStyle == value) return;
    FTextStyle = value;
    Invalidate();
}

void TWkCustomButton::SetTextHighlightColor(TColor value) {
    if (FTextHighlightColor == value) return;
    FTextHighlightColor = value;
    Invalidate();
}

void TWkCustomButton::SetTextShadowColor(TColor value) {
    if (FTextShadowColor == value) return;
    FTextShadowColor = value;
    Invalidate();
}

void TWkCustomButton::SetTextShadowDepth(int value) {
    if (FTextShadowDepth == value) return;
    FTextShadowDepth = value;
    Invalidate();
}

void TWkCustomButton::SetThemeAware(bool value) {
    if (FThemeAware == value) return;
    FThemeAware = value;
    Invalidate();
}

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

void TWkButton::SetAlignment(ui::TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    Invalidate();
}

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

void TWkButton::SetFrameColor(TColor value) {
    if (FFrameColor == value) return;
    FFrameColor = value;
    Invalidate();
}

void TWkButton::SetGroupIndex(int value) {
    if (FGroupIndex == value) return;
    FGroupIndex = value;
    BroadcastGroup();
}

void TWkButton::SetShowDownPattern(bool value) {
    if (FShowDownPattern == value) return;
    FShowDownPattern = value;
    Invalidate();
}

void TWkButton::SetShowFocusRect(bool value) {
    if (FShowFocusRect == value) return;
    FShowFocusRect = value;
    Invalidate();
}

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

namespace {

using V = const ui::TLayoutValue&;
using C = ui::TLayoutContext&;
using B = TWkButton&;

const ui::TLayoutNames<TAlignmentVertical> kAlignmentVerticalNames = {
    {L"avTop", avTop}, {L"avCenter", avCenter}, {L"avBottom", avBottom}};
const ui::TLayoutNames<TWkHotTrackColorType> kHotTrackColorTypeNames = {
    {L"htctComplement", htctComplement}, {L"htctActual", htctActual}};
const ui::TLayoutNames<TTextStyle> kTextStyleNames = {
    {L"tsNormal", tsNormal}, {L"tsRaised", tsRaised}, {L"tsRecessed", tsRecessed}, {L"tsShadow", tsShadow}};

} // namespace

void RegisterWkButtonClasses(ui::TClassRegistry& r) {
    RegisterWkActionClasses(r);
    ui::RegisterControlClass<TWkButton>(r, L"TWkButton");
    r.Property<TWkButton>(L"Action", [](B b, V v, C c) {
        c.Reference<TWkAction>(v, [&b](TWkAction& action) { b.SetAction(&action); });
    });
    r.Property<TWkButton>(L"Alignment", [](B b, V v, C c) { b.SetAlignment(ui::LayoutAlignment(v, c)); });
    r.Property<TWkButton>(L"AlignmentVertical", [](B b, V v, C c) {
        b.SetAlignmentVertical(c.Enum(v, kAlignmentVerticalNames));
    });
    r.Property<TWkButton>(L"AllowAllUp", [](B b, V v, C c) { b.SetAllowAllUp(c.Bool(v)); });
    r.Property<TWkButton>(L"Cancel", [](B b, V v, C c) { b.SetCancel(c.Bool(v)); });
    r.Property<TWkButton>(L"Default", [](B b, V v, C c) { b.SetDefault(c.Bool(v)); });
    r.Property<TWkButton>(L"DropDownOnEnter", [](B b, V v, C c) { b.SetDropDownOnEnter(c.Bool(v)); });
    r.Property<TWkButton>(L"GroupIndex", [](B b, V v, C c) { b.SetGroupIndex(c.Int(v)); });
    r.Property<TWkButton>(L"Down", [](B b, V v, C c) { b.SetDown(c.Bool(v)); });
    r.Property<TWkButton>(L"FrameColor", [](B b, V v, C c) { b.SetFrameColor(c.Color(v)); });
    r.Property<TWkButton>(L"HighlightColor", [](B b, V v, C c) { b.SetHighlightColor(c.Color(v)); });
    r.Property<TWkButton>(L"HotTrack", [](B b, V v, C c) { b.SetHotTrack(c.Bool(v)); });
    r.Property<TWkButton>(L"HotTrackColor", [](B b, V v, C c) { b.SetHotTrackColor(c.Color(v)); });
    r.Property<TWkButton>(L"HotTrackColorType", [](B b, V v, C c) {
        b.SetHotTrackColorType(c.Enum(v, kHotTrackColorTypeNames));
    });
    r.Property<TWkButton>(L"LightTextStyle", [](B b, V v, C c) { b.SetLightTextStyle(c.Bool(v)); });
    r.Property<TWkButton>(L"ModalResult", [](B b, V v, C c) { b.SetModalResult(c.Int(v)); });
    r.Property<TWkButton>(L"ShowDownPattern", [](B b, V v, C c) { b.SetShowDownPattern(c.Bool(v)); });
    r.Property<TWkButton>(L"ShowFocusRect", [](B b, V v, C c) { b.SetShowFocusRect(c.Bool(v)); });
    r.Property<TWkButton>(L"TextHighlightColor", [](B b, V v, C c) { b.SetTextHighlightColor(c.Color(v)); });
    r.Property<TWkButton>(L"TextShadowColor", [](B b, V v, C c) { b.SetTextShadowColor(c.Color(v)); });
    r.Property<TWkButton>(L"TextShadowDepth", [](B b, V v, C c) { b.SetTextShadowDepth(c.Int(v)); });
    r.Property<TWkButton>(L"TextStyle", [](B b, V v, C c) { b.SetTextStyle(c.Enum(v, kTextStyleNames)); });
    r.Property<TWkButton>(L"ThemeAware", [](B b, V v, C c) { b.SetThemeAware(c.Bool(v)); });
    // The name older layouts used for the hot-tracking look.
    r.Property<TWkButton>(L"FrameFlat", [](B b, V v, C c) { b.SetHotTrack(c.Bool(v)); });
}

} // namespace wk
