#include "widgets/WkFramedControl.h"
#include "ui/Layout.h"
#include "widgets/WkColors.h"
#include "widgets/WkFrames.h"
#include "widgets/WkGraphics.h"
#include "widgets/WkPanel.h"

namespace wk {

using ui::TColor;

TWkFramedControl::TWkFramedControl(ui::TComponent* owner) : ui::TWinControl(owner) {
    SetParentColor(false);
    SetColor(ui::clWindow);
    SetTabStop(true);
    SetDoubleBuffered(false); // the platform control paints itself
}

void TWkFramedControl::CreateParams(ui::TCreateParams& params) {
    ui::TWinControl::CreateParams(params);
    params.Style |= WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS;
    // The platform's sunken two-pixel border: the kit's frame is painted over it.
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

// ---- Frame ------------------------------------------------------------------------------

bool TWkFramedControl::UsesThemedFrame() const {
    return FFramingPreference == fpXPThemes && VisualThemesActive();
}

void TWkFramedControl::RepaintFrame() {
    if (HandleAllocated()) RefreshWindowFrame(HandleIfAllocated());
}

bool TWkFramedControl::FrameIsHot() const { return FFrameHotTrack && (FMouseOver || HasFocus()); }

void TWkFramedControl::PaintNonClient(ui::TCanvas& canvas) {
    if (!FFrameVisible || UsesThemedFrame()) return;
    const bool hot = FrameIsHot();
    PaintNonClientFrame(canvas, Width(), Height(), FFrameSides, hot ? FFrameHotColor : FFrameColor, Color(),
                        hot ? FFrameHotStyle : FFrameStyle);
}

bool TWkFramedControl::NcPaint(HRGN region) {
    // The control paints its border and scroll bars first; the frame goes over the border.
    DefaultHandler(WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
    if (!FFrameVisible || UsesThemedFrame()) return true;
    // The whole window's DC: the update region of WM_NCPAINT would clip the frame when only
    // a scroll bar changed, and the frame must stay whole.
    ui::WindowDc dc(HandleIfAllocated(), ui::WindowDc::WholeWindow);
    if (!dc) return true;
    ui::TCanvas canvas(dc);
    PaintNonClient(canvas);
    return true;
}

void TWkFramedControl::SetFrameVisible(bool value) {
    // The border stays what it is; only what is painted over it changes.
    if (StoreIfChanged(FFrameVisible, value)) RepaintFrame();
}

void TWkFramedControl::SetFrameStyle(TFrameStyle value) { if (StoreIfChanged(FFrameStyle, value)) RepaintFrame(); }
void TWkFramedControl::SetFrameColor(TColor value) { if (StoreIfChanged(FFrameColor, value)) RepaintFrame(); }
void TWkFramedControl::SetFrameHotStyle(TFrameStyle value) { if (StoreIfChanged(FFrameHotStyle, value)) RepaintFrame(); }
void TWkFramedControl::SetFrameHotColor(TColor value) { if (StoreIfChanged(FFrameHotColor, value)) RepaintFrame(); }
void TWkFramedControl::SetFrameSides(TSides value) { if (StoreIfChanged(FFrameSides, value)) RepaintFrame(); }
void TWkFramedControl::SetFramingPreference(TFramingPreference value) {
    if (StoreIfChanged(FFramingPreference, value)) RepaintFrame();
}

void TWkFramedControl::SetFrameHotTrack(bool value) {
    if (FFrameHotTrack == value) return;
    FFrameHotTrack = value;
    if (value) {
        SetFrameVisible(true);
        if (!IsLoading()) SetFrameSides(kAllSides);
    }
    RepaintFrame();
}

// ---- State colours ----------------------------------------------------------------------

TColor TWkFramedControl::StateColor() const {
    if (!Enabled()) return FDisabledColor;
    if (HasFocus()) return FFocusColor;
    return FNormalColor;
}

void TWkFramedControl::UpdateColors() {
    if (IsLoading()) return;
    const TColor wanted = StateColor();
    FSettingOwnColor = true;
    try {
        SetColor(wanted);
    } catch (...) {
        FSettingOwnColor = false;
        throw;
    }
    FSettingOwnColor = false;
}

void TWkFramedControl::ColorChanged() {
    ui::TWinControl::ColorChanged();
    if (!FSettingOwnColor) {
        if (FFocusColor == FNormalColor) FFocusColor = Color();
        FNormalColor = Color();
    }
    BackgroundChanged();
    if (FFrameVisible && !UsesThemedFrame()) RepaintFrame();
}

void TWkFramedControl::SetFocusColor(TColor value) {
    if (FFocusColor == value) return;
    FFocusColor = value;
    if (HasFocus()) UpdateColors();
}

void TWkFramedControl::SetDisabledColor(TColor value) {
    if (FDisabledColor == value) return;
    FDisabledColor = value;
    if (!Enabled()) UpdateColors();
}

void TWkFramedControl::UpdateFrameState(bool storeMouseOver, bool mouseOver) {
    if (storeMouseOver) FMouseOver = mouseOver;
    if (FFrameHotTrack) RepaintFrame();
    UpdateColors();
}

void TWkFramedControl::FocusChanged(bool focused) {
    // Gaining the focus recolours before the events run, losing it after.
    if (focused) UpdateFrameState(false, false);
    ui::TWinControl::FocusChanged(focused);
    if (!focused) UpdateFrameState(false, false);
}

void TWkFramedControl::EnabledChanged() {
    ui::TWinControl::EnabledChanged();
    UpdateColors();
}

void TWkFramedControl::Resize() {
    ui::TWinControl::Resize();
    if (FFrameVisible && !UsesThemedFrame()) RepaintFrame();
}

void TWkFramedControl::MouseEnter() {
    ui::TWinControl::MouseEnter();
    UpdateFrameState(true, true);
}

void TWkFramedControl::MouseLeave() {
    ui::TWinControl::MouseLeave();
    UpdateFrameState(true, false);
}

void TWkFramedControl::Loaded() {
    ui::TWinControl::Loaded();
    UpdateFrameState(false, false);
}

// ---- Frame controller -------------------------------------------------------------------

void TWkFramedControl::ApplyFrameController(const TWkFrameController& fc) {
    const auto takes = [this](TWkFrameControllerProperty p) { return TakesFromController(p); };
    // Colour before FocusColor: a focus colour equal to the normal colour follows Color.
    if (takes(fcpColor)) SetColor(fc.Color());
    if (takes(fcpParentColor)) SetParentColor(fc.ParentColor());
    if (takes(fcpFocusColor)) SetFocusColor(fc.FocusColor());
    if (takes(fcpDisabledColor)) SetDisabledColor(fc.DisabledColor());
    // Hot tracking before the sides: switching it on frames all four sides.
    if (takes(fcpFrameHotTrack)) SetFrameHotTrack(fc.FrameHotTrack());
    if (takes(fcpFrameSides)) SetFrameSides(fc.FrameSides());
    if (takes(fcpFrameStyle)) SetFrameStyle(fc.FrameStyle());
    if (takes(fcpFrameColor)) SetFrameColor(fc.FrameColor());
    if (takes(fcpFrameHotStyle)) SetFrameHotStyle(fc.FrameHotStyle());
    if (takes(fcpFrameHotColor)) SetFrameHotColor(fc.FrameHotColor());
    if (takes(fcpFramingPreference)) SetFramingPreference(fc.FramingPreference());
    if (takes(fcpFrameVisible)) SetFrameVisible(fc.FrameVisible());
    // A colour set from outside is the normal colour; the state may show another one.
    UpdateColors();
}

// ---- Layout registration ----------------------------------------------------------------

namespace {
using ui::TLayoutContext;
using ui::TLayoutValue;
using F = TWkFramedControl;

TFrameStyle ReadPlainFrameStyle(const TLayoutValue& v, TLayoutContext& c) {
    const TFrameStyleEx style = c.Enum<TFrameStyleEx>(v);
    if (style > kLastFrameStyle) c.Fail(L"fsFlatRounded is not a frame style of this control");
    return style;
}
} // namespace

void RegisterWkFramedControlProperties(ui::TClassRegistry& registry) {
    registry.Declare<F, ui::TWinControl>();
    registry.Property<F>(L"FrameVisible", &F::SetFrameVisible);
    registry.Property<F>(L"FrameStyle", &F::SetFrameStyle, ReadPlainFrameStyle);
    registry.Property<F>(L"FrameColor", &F::SetFrameColor);
    registry.Property<F>(L"FrameHotTrack", &F::SetFrameHotTrack);
    registry.Property<F>(L"FrameHotStyle", &F::SetFrameHotStyle, ReadPlainFrameStyle);
    registry.Property<F>(L"FrameHotColor", &F::SetFrameHotColor);
    registry.Property<F>(L"FrameSides", &F::SetFrameSides, ui::SetOf<TSide>);
    registry.Property<F>(L"FramingPreference", &F::SetFramingPreference);
    registry.Property<F>(L"FocusColor", &F::SetFocusColor);
    registry.Property<F>(L"DisabledColor", &F::SetDisabledColor);
    RegisterFrameControllerProperties<F>(registry);
    // Names older layouts may still carry: read, never written.
    registry.Property<F>(L"FrameFlat", [](F& f, const TLayoutValue& v, TLayoutContext& c) {
        const bool flat = c.Bool(v);
        f.SetFrameHotTrack(flat);
        if (flat) {
            f.SetFrameStyle(fsStatus);
            f.SetFrameHotStyle(fsLowered);
        }
    });
    registry.Property<F>(L"FrameFocusStyle", &F::SetFrameHotStyle, ReadPlainFrameStyle);
    registry.Ignored<F>(L"FrameFlatStyle");
}

} // namespace wk
